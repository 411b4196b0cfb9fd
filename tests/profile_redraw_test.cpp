// EM61-MK2 profile redraw from the data file: the redrawn window against a picture the test computes from the
// file's own bytes (readings decoded by hand, offsets of the offset blocks, breaks at stations, the line start).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "displays/child_windows.h"
#include "displays/grid.h"
#include "displays/profile_redraw.h"
#include "displays/scales.h"
#include "logscreen/logscreen.h"
#include "map/pens.h"
#include "platform/platform.h"
#include "processing/dispatch.h"
#include "processing/em61mk2_decode.h"
#include "support/test_root.h"
#include "support/stand_in_windows.h"

namespace {

constexpr int kWidth = 210;   // newest point at x = 200: 101 reading columns
constexpr int kHeight = 100;  // 0..2000 on 100 rows: 0.05 pixels per unit

std::string gRoot;

LRESULT ParentProc(HWND hwnd, UINT m, WPARAM w, LPARAM l)
{
    return DefWindowProc(hwnd, m, w, l);
}

class RedrawEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        gRoot = MakeTestRoot("profile-redraw");
        ASSERT_FALSE(gRoot.empty());
        static char arg0[] = "profile-redraw-test";
        static char *argv[] = {arg0, nullptr};
        hInst = PlatformInit(1, argv);
        std::filesystem::create_directories(gRoot + "/C/data");
        nInstrumentType = INSTRUMENT_EM61MK2;
        CreateThinTracePens();
        InitProfileRecordKinds();

        ASSERT_EQ(RegisterCurveWnd(hInst), 0);
        HWND parent = CreateStandInParent(ParentProc, L"RedrawTestParent", L"Redraw", 400, 300);
        ASSERT_NE(parent, nullptr);
        hwndCurve1 = CreateWindow(L"CurveWnd", L"", WS_CHILD | WS_VISIBLE, 0, 0, kWidth, kHeight, parent, 600,
                                  hInst, nullptr);
        ASSERT_NE(hwndCurve1, nullptr);
    }
};
const ::testing::Environment *const gEnvironment = ::testing::AddGlobalTestEnvironment(new RedrawEnvironment);

// One 27-byte record: kind, text from byte 1, blanks, line feed.
std::string TextRecord(const std::string &text)
{
    std::string r(27, ' ');
    for (size_t i = 0; i < text.size() && i < 26; i++) r[i] = text[i];
    r[26] = '\n';
    return r;
}

// A reading record as the handler stores it: mode letter, gain code 0, four words, the mean current 3000.00 (or
// the given whole and hundredths), raw current and battery, tick.
std::string ReadingRecord(char chMode, const int anWord[4], int nMeanWhole = 3000, int nHundredths = 0)
{
    std::string r(27, ' ');
    r[0] = chMode;
    r[1] = 0;
    for (int k = 0; k < 4; k++) {
        r[2 + 2 * k] = (char)((anWord[k] >> 8) & 0xFF);
        r[3 + 2 * k] = (char)(anWord[k] & 0xFF);
    }
    r[10] = (char)((nMeanWhole >> 8) & 0xFF);
    r[11] = (char)(nMeanWhole & 0xFF);
    r[12] = (char)nHundredths;
    r[13] = 0x0B;
    r[14] = (char)0xB8;
    r[15] = 81;
    const char *tick = "      1234";
    for (int i = 0; i < 10; i++) r[16 + i] = tick[i];
    r[26] = '\n';
    return r;
}

std::string OffsetBlock(const double adNew[4], const double adOld[4])
{
    std::string s;
    for (int k = 0; k < 4; k++) {
        char sz[32];
        snprintf(sz, sizeof sz, "O%9.2f %9.2f", adNew[k], adOld[k]);
        s += TextRecord(sz);
    }
    return s;
}

int Word(int i, int k)
{
    return 20 + ((i * 7 + k * 13) % 180);  // 20..199 counts: values up to about 1924
}

int SignedWord(const std::string &r, int at)
{
    return (short)(((unsigned char)r[at] << 8) | (unsigned char)r[at + 1]);
}

// The expected picture, computed from the file's bytes: newest reading at x = 200, two pixels per reading,
// value = word x 4.8333 x 2 (gain 1, mode T, Standard type) x 3000 / stored current - offset; an offset block
// gives older readings its previous offsets; a station breaks every trace; the line's 'Z' record ends the scan.
void DrawExpected(HDC hdc, const std::string &file, const double adOffsetNow[4], int nWidth = kWidth)
{
    DrawCurveGridLinesB(hdc, dScale1Min, dScale1Max);
    double off[4] = {adOffsetNow[0], adOffsetNow[1], adOffsetNow[2], adOffsetNow[3]};
    std::vector<POINT> trace[4];
    auto flush = [&]() {
        for (int k = 0; k < 4; k++) {
            if (trace[k].size() >= 2) {
                SelectObject(hdc, ahChannelPen[k]);
                Polyline(hdc, trace[k].data(), (int)trace[k].size());
            }
            trace[k].clear();
        }
    };
    int x = nWidth - 10;
    long n = (long)file.size() / 27;
    for (long i = n - 1; i >= 0 && x >= 0; i--) {
        const std::string r = file.substr(27 * i, 27);
        if (r[0] == 'T') {
            double dCurrent = SignedWord(r, 10) + (signed char)r[12] / 100.0;
            for (int k = 0; k < 4; k++) {
                double v = SignedWord(r, 2 + 2 * k) * 4.8333 * 2.0 * (3000.0 / dCurrent) - off[k];
                trace[k].push_back(POINT{x, (int)((2000.0 - v) * 0.05)});
            }
            x -= 2;
        } else if (r[0] == 'O') {
            for (int k = 3; k >= 0; k--) {
                const std::string o = file.substr(27 * i, 27);
                off[k] = atof(o.substr(11, 9).c_str());
                if (k > 0) i--;
            }
        } else if (r[0] == 'S') {
            x -= 2;
            flush();
        } else if (r[0] == 'Z') {
            break;
        }
    }
    flush();
}

class ProfileRedrawTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetDataRecordLength(27);
        nEm61Type = 0;
        nEm61TypeSaved = 0;
        nSensorSize = 2;
        nScaleType = 0;
        nEm61Mk2AltMode = 0;
        bInstrumentEnabled = 1;
        bAltGraphScale = 0;
        nCurveWndWidth = kWidth;
        nCurveAreaHeight = kHeight;
        dScale1Min = 0.0;
        dScale1Max = 2000.0;
        dScale1PixPerUnit = 0.05;
        dScale1PixPerUnitB = 0.05;
        nGraphBandWidth = kWidth;
        int nSign = 0;
        ComputeGridLines(anGridLineY1, kHeight, 0.0, 2000.0, 0.05, &nSign);
        for (double &d : adOffset) d = 0.0;
        path = NameFreshDataFile(L"redraw", L"T61");
    }
    void TearDown() override { CloseDataFile(); }

    void WriteFile(const std::string &bytes)
    {
        CloseDataFile();
        ASSERT_EQ(OpenDataFileHandle(), 1);
        ASSERT_EQ(WriteDataRecords(bytes.data(), (int)(bytes.size() / 27)), 1);
    }

    std::string ReadBack()
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

    // Pixels of the window that differ from the expected picture.
    int DifferingPixels(const std::string &name)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream ss;
        ss << in.rdbuf();
        return DifferingPixelsFrom(name, ss.str());
    }

    // Against the picture computed from the given bytes (the part of the file the redraw reads).
    int DifferingPixelsFrom(const std::string &name, const std::string &bytes)
    {
        HDC hdcExpected = PlatformCreateMemorySurface(kWidth, kHeight);
        DrawExpected(hdcExpected, bytes, adOffset);
        HDC hdc = GetDC(hwndCurve1);
        int nDiff = 0;
        for (int y = 0; y < kHeight; y++)
            for (int x = 0; x < kWidth; x++) nDiff += GetPixel(hdc, x, y) != GetPixel(hdcExpected, x, y);
        PlatformSaveWindowPng(hwndCurve1, std::string(TEST_OUTPUT_DIR "/profile_redraw_") + name + ".png");
        PlatformSaveSurfacePng(hdcExpected, std::string(TEST_OUTPUT_DIR "/profile_redraw_") + name + "_expected.png");
        ReleaseDC(hwndCurve1, hdc);
        DeleteDC(hdcExpected);
        return nDiff;
    }

    // Pixels of a channel colour in the window.
    int ColouredPixels(COLORREF clr)
    {
        HDC hdc = GetDC(hwndCurve1);
        int n = 0;
        for (int y = 0; y < kHeight; y++)
            for (int x = 0; x < kWidth; x++) n += GetPixel(hdc, x, y) == clr;
        ReleaseDC(hwndCurve1, hdc);
        return n;
    }

    std::string path;
};

std::string HeaderAndLine()
{
    const double adZero[4] = {0, 0, 0, 0};
    return TextRecord("HZNTMK2  W") + OffsetBlock(adZero, adZero) + TextRecord("Z10/12/26") +
           TextRecord("X$STARTED        1000");
}

TEST_F(ProfileRedrawTest, OneLineRedrawsTheRecordedReadingsRightAligned)
{
    std::string file;
    // An earlier line whose readings must not show.
    file += HeaderAndLine();
    for (int i = 0; i < 30; i++) {
        const int w[4] = {1900, 1900, 1900, 1900};
        file += ReadingRecord('T', w);
    }
    file += TextRecord("Z10/12/26") + TextRecord("L2") + TextRecord("X$STARTED        2000");
    for (int i = 0; i < 60; i++) {
        const int w[4] = {Word(i, 0), Word(i, 1), Word(i, 2), Word(i, 3)};
        file += ReadingRecord('T', w);
    }
    WriteFile(file);
    const DWORD dwBefore = SetFilePointer(hDataFile, 0, nullptr, FILE_CURRENT);

    RedrawProfileForInstrument();

    EXPECT_EQ(DifferingPixels("one_line"), 0);
    EXPECT_GT(ColouredPixels(aclrChannel[0]), 60);
    // Nothing left of the line's 60 columns: x below 200 - 2 x 59 = 82 stays free of traces.
    HDC hdc = GetDC(hwndCurve1);
    for (int x = 0; x < 80; x++)
        for (int y = 0; y < kHeight; y++) {
            COLORREF c = GetPixel(hdc, x, y);
            for (int k = 0; k < 4; k++) ASSERT_NE(c, aclrChannel[k]) << x << "," << y;
        }
    ReleaseDC(hwndCurve1, hdc);
    // The file's read position is as it was, and the next record lands at the end.
    EXPECT_EQ(SetFilePointer(hDataFile, 0, nullptr, FILE_CURRENT), dwBefore);
    const std::string next = TextRecord("X  PAUSED        3000");
    ASSERT_EQ(WriteDataRecord(next.data()), 1);
    EXPECT_EQ(GetFileSize(hDataFile, nullptr), (DWORD)(file.size() + 27));
}

// A file over 2 GB (sparse: a hole of empty records, then the current line): the redraw finds the end and the
// line's readings as in a small file, and leaves the read position where it was.
TEST_F(ProfileRedrawTest, FileOverTwoGigabytesRedrawsItsLastLine)
{
    std::string line = HeaderAndLine();
    for (int i = 0; i < 60; i++) {
        const int w[4] = {Word(i, 0), Word(i, 1), Word(i, 2), Word(i, 3)};
        line += ReadingRecord('T', w);
    }
    const off_t hole = (off_t)27 * 100000000;  // 2.7 GB
    CloseDataFile();
    int fd = open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, hole), 0);
    ASSERT_EQ(pwrite(fd, line.data(), line.size(), hole), (ssize_t)line.size());
    close(fd);
    ASSERT_EQ(OpenDataFileHandle(), 1);
    int64_t nBefore = -1, nAfter = -2, nSize = 0;
    ASSERT_TRUE(SetFilePointerEx(hDataFile, 0, &nBefore, FILE_CURRENT));

    RedrawProfileForInstrument();

    EXPECT_EQ(DifferingPixelsFrom("over_2gb", line), 0);
    EXPECT_GT(ColouredPixels(aclrChannel[0]), 60);
    ASSERT_TRUE(SetFilePointerEx(hDataFile, 0, &nAfter, FILE_CURRENT));
    EXPECT_EQ(nAfter, nBefore);
    ASSERT_TRUE(GetFileSizeEx(hDataFile, &nSize));
    EXPECT_EQ(nSize, (int64_t)hole + (int64_t)line.size());
    CloseDataFile();
    std::filesystem::remove(path);
}

TEST_F(ProfileRedrawTest, FullWindowShowsTheNewestReadings)
{
    std::string file = HeaderAndLine();
    for (int i = 0; i < 250; i++) {
        const int w[4] = {Word(i, 0), Word(i, 1), Word(i, 2), Word(i, 3)};
        file += ReadingRecord('T', w, 2990 + i % 20, i % 100);
    }
    WriteFile(file);
    RedrawProfileForInstrument();
    EXPECT_EQ(DifferingPixels("full_window"), 0);
}

TEST_F(ProfileRedrawTest, ReadingsBeforeANullingUseTheOffsetsOfTheirTime)
{
    std::string file = HeaderAndLine();
    for (int i = 0; i < 30; i++) {
        const int w[4] = {Word(i, 0), Word(i, 1), Word(i, 2), Word(i, 3)};
        file += ReadingRecord('T', w);
    }
    const double adNew[4] = {300.0, 400.0, 500.0, 600.0};
    const double adOld[4] = {10.0, -20.0, 30.0, -40.0};
    file += OffsetBlock(adNew, adOld);
    for (int i = 30; i < 60; i++) {
        const int w[4] = {Word(i, 0) + 60, Word(i, 1) + 80, Word(i, 2) + 100, Word(i, 3) + 120};
        file += ReadingRecord('T', w);
    }
    for (int k = 0; k < 4; k++) adOffset[k] = adNew[k];
    WriteFile(file);
    RedrawProfileForInstrument();
    EXPECT_EQ(DifferingPixels("offset_change"), 0);
}

TEST_F(ProfileRedrawTest, StationRecordLeavesAGapInEveryTrace)
{
    std::string file = HeaderAndLine();
    const int w[4] = {100, 120, 140, 160};
    for (int i = 0; i < 20; i++) file += ReadingRecord('T', w);
    file += TextRecord("S     12.00");
    for (int i = 0; i < 20; i++) file += ReadingRecord('T', w);
    WriteFile(file);
    RedrawProfileForInstrument();
    EXPECT_EQ(DifferingPixels("station_gap"), 0);
    // The newest 20 readings run from x = 200 down to 162 (a polyline leaves out its last pixel); the station takes
    // x = 160; the older ones start at 158.
    const int yCh1 = (int)((2000.0 - 100 * 4.8333 * 2.0) * 0.05);
    HDC hdc = GetDC(hwndCurve1);
    EXPECT_EQ(GetPixel(hdc, 163, yCh1), aclrChannel[0]);
    EXPECT_NE(GetPixel(hdc, 161, yCh1), aclrChannel[0]);
    EXPECT_NE(GetPixel(hdc, 160, yCh1), aclrChannel[0]);
    EXPECT_NE(GetPixel(hdc, 159, yCh1), aclrChannel[0]);
    EXPECT_EQ(GetPixel(hdc, 158, yCh1), aclrChannel[0]);
    ReleaseDC(hwndCurve1, hdc);
}

TEST_F(ProfileRedrawTest, ExtremeStoredCurrentsStayOnTheWindowEdges)
{
    std::string file = HeaderAndLine();
    const int w[4] = {100, 120, 140, 160};
    for (int i = 0; i < 10; i++) file += ReadingRecord('T', w);
    // A stored mean of 0.01 makes the values about 300000 times larger: far above the scale, row 0 and beyond.
    const int wBig[4] = {32767, 120, -32768, 160};
    file += ReadingRecord('T', wBig, 0, 1);
    file += ReadingRecord('T', wBig, 0, 0);  // a stored mean of 0 reads with factor 1
    for (int i = 0; i < 10; i++) file += ReadingRecord('T', w);
    WriteFile(file);
    RedrawProfileForInstrument();
    // Channel 1 climbs from its row to beyond the top edge and comes back: its column reaches row 0; channel 3
    // falls beyond the bottom edge.
    HDC hdc = GetDC(hwndCurve1);
    int nTop = 0, nBottom = 0;
    for (int x = 150; x <= 200; x++) {
        nTop += GetPixel(hdc, x, 0) == aclrChannel[0];
        nBottom += GetPixel(hdc, x, kHeight - 1) == aclrChannel[2];
    }
    ReleaseDC(hwndCurve1, hdc);
    EXPECT_GT(nTop, 0);
    EXPECT_GT(nBottom, 0);
    EXPECT_GT(ColouredPixels(aclrChannel[0]), 20);
}

TEST_F(ProfileRedrawTest, WideWindowDrawsMoreThanSixHundredPointsWithoutABreak)
{
    // 1500 pixels: (1500 - 10) / 2 + 1 = 746 reading columns, more than one point array holds.
    constexpr int kWide = 1500;
    HWND hwndWide = CreateWindow(L"CurveWnd", L"", WS_CHILD | WS_VISIBLE, 0, 0, kWide, kHeight,
                                 GetParent(hwndCurve1), 601, hInst, nullptr);
    ASSERT_NE(hwndWide, nullptr);
    nCurveWndWidth = kWide;
    std::string file = HeaderAndLine();
    for (int i = 0; i < 800; i++) {
        const int w[4] = {Word(i, 0), Word(i, 1), Word(i, 2), Word(i, 3)};
        file += ReadingRecord('T', w);
    }
    WriteFile(file);
    HDC hdc = GetDC(hwndWide);
    RECT rc = {0, 0, kWide, kHeight};
    FillRect(hdc, &rc, (HBRUSH)GetStockObject(WHITE_BRUSH));
    DrawCurveGridLinesB(hdc, dScale1Min, dScale1Max);
    ReleaseDC(hwndWide, hdc);
    RedrawProfileFromFile(hwndWide);

    HDC hdcExpected = PlatformCreateMemorySurface(kWide, kHeight);
    DrawExpected(hdcExpected, ReadBack(), adOffset, kWide);
    hdc = GetDC(hwndWide);
    // The traces are drawn in two stretches that meet at the 600th point (x = 1490 - 2 x 599 = 292): there only,
    // which channel lies on top where two cross may differ from one drawing in a go.
    int nDiff = 0, nDiffAway = 0;
    for (int y = 0; y < kHeight; y++)
        for (int x = 0; x < kWide; x++)
            if (GetPixel(hdc, x, y) != GetPixel(hdcExpected, x, y)) {
                nDiff++;
                if (x < 290 || x > 294) nDiffAway++;
            }
    ReleaseDC(hwndWide, hdc);
    DeleteDC(hdcExpected);
    EXPECT_EQ(nDiffAway, 0);
    EXPECT_LE(nDiff, 8);
    DestroyWindow(hwndWide);
}

TEST_F(ProfileRedrawTest, NoDataFileDrawsNoTraces)
{
    CloseDataFile();
    RedrawProfileForInstrument();
    for (int k = 0; k < 4; k++) EXPECT_EQ(ColouredPixels(aclrChannel[k]), 0);
}

TEST_F(ProfileRedrawTest, FileWithoutLineRecordEndsAtItsStart)
{
    std::string file;
    for (int i = 0; i < 10; i++) {
        const int w[4] = {Word(i, 0), Word(i, 1), Word(i, 2), Word(i, 3)};
        file += ReadingRecord('T', w);
    }
    file += std::string(5, 'T');  // a torn tail is no record
    CloseDataFile();
    {
        std::ofstream out(path, std::ios::binary);
        out << file;
    }
    ASSERT_EQ(OpenDataFileHandle(), 1);
    RedrawProfileForInstrument();
    EXPECT_GT(ColouredPixels(aclrChannel[0]), 0);
}

// The backward reader reads in blocks: an offset block whose four records lie on both sides of a block edge still
// gives the older readings the offsets of their time (the edge falls between each pair of its records in turn).
TEST_F(ProfileRedrawTest, OffsetBlockAcrossABlockEdgeIsReadWhole)
{
    const int nPerBlock = PROFILE_SCAN_BLOCK_BYTES / 27;
    const double adNew[4] = {300.0, 400.0, 500.0, 600.0};
    const double adOld[4] = {10.0, -20.0, 30.0, -40.0};
    for (int nInBlock = 0; nInBlock <= 4; nInBlock++) {
        SCOPED_TRACE(nInBlock);
        std::string file = HeaderAndLine();
        for (int i = 0; i < 30; i++) {
            const int w[4] = {Word(i, 0), Word(i, 1), Word(i, 2), Word(i, 3)};
            file += ReadingRecord('T', w);
        }
        file += OffsetBlock(adNew, adOld);
        // nInBlock of the four offset records fall into the newest block.
        const int nAfter = nPerBlock - nInBlock;
        for (int i = 0; i < 30; i++) {
            const int w[4] = {Word(i, 0) + 60, Word(i, 1) + 80, Word(i, 2) + 100, Word(i, 3) + 120};
            file += ReadingRecord('T', w);
        }
        for (int i = 30; i < nAfter; i++) file += TextRecord("X GPS SENTENCE        5000");
        for (int k = 0; k < 4; k++) adOffset[k] = adNew[k];
        WriteFile(file);
        InvalidateRect(hwndCurve1, nullptr, TRUE);
        RedrawProfileForInstrument();
        EXPECT_EQ(DifferingPixels("offset_block_edge"), 0);
        SetUp();
    }
}

// A current line whose newest records hold no readings for a long stretch (GPS only, a long link break): the scan
// gives up after a bound of records, so the redraw costs the same whatever the file's size; readings within the
// bound are drawn, those beyond it are not, and the next record still lands at the end of the file.
TEST_F(ProfileRedrawTest, LongStretchWithoutReadingsEndsAtTheRecordBound)
{
    struct Case {
        long nFiller;
        bool bDrawn;
    };
    const Case cases[] = {{PROFILE_SCAN_RECORD_BOUND - 20, true}, {PROFILE_SCAN_RECORD_BOUND, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.nFiller);
        std::string file = HeaderAndLine();
        for (int i = 0; i < 50; i++) {
            const int w[4] = {Word(i, 0), Word(i, 1), Word(i, 2), Word(i, 3)};
            file += ReadingRecord('T', w);
        }
        const std::string filler = TextRecord("X GPS SENTENCE        5000");
        file.reserve(file.size() + (size_t)c.nFiller * 27);
        for (long i = 0; i < c.nFiller; i++) file += filler;
        WriteFile(file);
        InvalidateRect(hwndCurve1, nullptr, TRUE);
        RedrawProfileForInstrument();
        if (c.bDrawn) EXPECT_GT(ColouredPixels(aclrChannel[0]), 10);
        else EXPECT_EQ(ColouredPixels(aclrChannel[0]), 0);
        const std::string next = TextRecord("X  PAUSED        3000");
        ASSERT_EQ(WriteDataRecord(next.data()), 1);
        EXPECT_EQ(ReadBack().substr(file.size()), next);
        SetUp();
    }
}

}  // namespace

namespace {

// The conductivity meters' member: station readings share the column of their first reading, and an EM38-MK2
// offset record in mid-line gives the older readings the offset of their time. Scale 0..100 on 100 rows.
class ConductivityRedrawTest : public ProfileRedrawTest {
protected:
    void SetUp() override
    {
        ProfileRedrawTest::SetUp();
        nCurveAreaHeight2 = kHeight;  // the height the live scroll moves, which the redraw replays
        dScale1Min = 0.0;
        dScale1Max = 100.0;
        dScale1PixPerUnit = 1.0;
        dScale2Min = -10.0;
        dScale2Max = 10.0;
        dScale2PixPerUnit = 5.0;
    }
    void TearDown() override
    {
        nInstrumentType = INSTRUMENT_EM61MK2;
        ProfileRedrawTest::TearDown();
    }
    COLORREF Pixel(int x, int y)
    {
        HDC hdc = GetDC(hwndCurve1);
        COLORREF c = GetPixel(hdc, x, y);
        ReleaseDC(hwndCurve1, hdc);
        return c;
    }
    static std::string Em34Reading(char chKind, int nFlags, const char *szField)
    {
        std::string r = TextRecord(std::string(1, chKind) + (char)nFlags + szField + "00000");
        r.replace(16, 10, "      1234");
        return r;
    }
};

TEST_F(ConductivityRedrawTest, Em34StationReadingsShareTheColumnOfTheirFirstReading)
{
    nInstrumentType = INSTRUMENT_EM34;
    nInstrumentRecordLength = 12;
    std::string file = TextRecord("Z10/12/26");
    // Ten stations of three readings: V 10 m = 25, V 20 m = 50, V 40 m = 75 (rows 75, 50, 25).
    for (int i = 0; i < 10; i++)
        file += Em34Reading('T', 16 + 1, "-0100") + Em34Reading('2', 1, "-0200") + Em34Reading('3', 24 + 1, "-0300");
    WriteFile(file);
    RedrawProfileForInstrument();
    // As on the live strip, a thin pen's newest segment leaves out its end pixel at x = 200.
    for (int x : {199, 190, 183}) {
        SCOPED_TRACE(x);
        EXPECT_EQ(Pixel(x, 75), aclrChannel[0]);
        EXPECT_EQ(Pixel(x, 50), aclrChannel[1]);
        EXPECT_EQ(Pixel(x, 25), aclrChannel[2]);
    }
    // Ten columns: 200 down to 182; nothing left of them.
    for (int x = 0; x < 180; x++)
        for (int y : {25, 50, 75}) ASSERT_NE(Pixel(x, y), aclrChannel[0]) << x;
    PlatformSaveWindowPng(hwndCurve1, std::string(TEST_OUTPUT_DIR "/profile_redraw_em34_stations.png"));
}

TEST_F(ConductivityRedrawTest, Em38Mk2OffsetRecordInMidLineAppliesToTheOlderReadings)
{
    nInstrumentType = INSTRUMENT_EM38MK2;
    for (double &d : adCalibration) d = 0.0;
    adCalibration[10] = 10.0;  // p offset now in force
    dScale2PixPerUnit = 2.0;   // q and s (0) on row 20, away from p
    auto reading = [] {
        std::string r(27, ' ');
        r[0] = 'T';
        r[1] = 6;  // vertical, no marker
        const unsigned words[6] = {32768, 32768, 33792, 32768, 0, 0};  // p word: 40
        for (int k = 0; k < 6; k++) {
            r[2 + 2 * k] = (char)(words[k] >> 8);
            r[3 + 2 * k] = (char)(words[k] & 0xFF);
        }
        r.replace(16, 10, "      1234");
        r[26] = '\n';
        return r;
    };
    std::string file = TextRecord("Z10/12/26");
    for (int i = 0; i < 30; i++) file += reading();
    file += TextRecord("O1    10.000     0.000");  // p offset 10, 0 before it
    for (int i = 0; i < 20; i++) file += reading();
    WriteFile(file);
    RedrawProfileForInstrument();
    // Newer readings: 40 + 10 = 50 (row 50) from x = 200 to 162; older ones 40 (row 60) from x = 160 (as on the
    // live strip, the newest end pixel at x = 200 is left out).
    EXPECT_EQ(Pixel(199, 50), aclrChannel[0]);
    EXPECT_EQ(Pixel(170, 50), aclrChannel[0]);
    EXPECT_NE(Pixel(150, 50), aclrChannel[0]);
    EXPECT_EQ(Pixel(150, 60), aclrChannel[0]);
    EXPECT_EQ(Pixel(110, 60), aclrChannel[0]);
    EXPECT_NE(Pixel(170, 60), aclrChannel[0]);
    // The next record lands at the end of the file.
    const std::string next = TextRecord("X  PAUSED        3000");
    ASSERT_EQ(WriteDataRecord(next.data()), 1);
    EXPECT_EQ(ReadBack().substr(file.size()), next);
}

}  // namespace
