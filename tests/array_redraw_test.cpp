// EM38-4, CS-21 and Grad601 profile redraw and map rebuild from the data file: coefficient records read for the
// older readings without touching the coefficients in force, sentences of other numbers passed over, and the
// cells of one and two gradiometer sensors.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "datafile/datafile_state.h"
#include "displays/child_windows.h"
#include "displays/displays.h"
#include "displays/profile_redraw.h"
#include "displays/scales.h"
#include "logscreen/logscreen.h"
#include "map/map.h"
#include "map/map_state.h"
#include "map/pens.h"
#include "platform/platform.h"
#include "processing/em384_decode.h"
#include "processing/sentence_handlers.h"
#include "support/stand_in_windows.h"
#include "support/test_root.h"

namespace {

constexpr int kWidth = 210;  // newest point at x = 200
constexpr int kHeight = 100;

LRESULT ParentProc(HWND hwnd, UINT m, WPARAM w, LPARAM l) { return DefWindowProc(hwnd, m, w, l); }

class ArrayRedrawEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        const std::string root = MakeTestRoot("array-redraw");
        ASSERT_FALSE(root.empty());
        static char arg0[] = "array-redraw-test";
        static char *argv[] = {arg0, nullptr};
        hInst = PlatformInit(1, argv);
        std::filesystem::create_directories(root + "/C/data");
        CreateFixedPensAndBrushes();
        for (int i = 0; i < 16; i++) anChannelPenWidth[i] = 1;
        ASSERT_EQ(RegisterCurveWnd(hInst), 0);
        HWND parent = CreateStandInParent(ParentProc, L"ArrayRedrawParent", L"Redraw", 500, 300);
        ASSERT_NE(parent, nullptr);
        hwndCurve2 = CreateWindow(L"CurveWnd", L"", WS_CHILD | WS_VISIBLE, 0, 0, kWidth, kHeight, parent, 600, hInst,
                                  nullptr);
        hwndCurve3 = CreateWindow(L"CurveWnd", L"", WS_CHILD | WS_VISIBLE, 0, 110, kWidth, kHeight, parent, 600,
                                  hInst, nullptr);
        ASSERT_NE(hwndCurve2, nullptr);
        ASSERT_NE(hwndCurve3, nullptr);
    }
};
const ::testing::Environment *const gEnvironment = ::testing::AddGlobalTestEnvironment(new ArrayRedrawEnvironment);

std::string Line(const std::string &text, int nLength)
{
    std::string r(nLength, ' ');
    for (size_t i = 0; i < text.size() && (int)i < nLength - 1; i++) r[i] = text[i];
    r[nLength - 1] = '\n';
    return r;
}

// An EM38-4 reading record whose pair 1 conductivity word gives v (no coefficients).
std::string Em384Reading(double v)
{
    const unsigned w = (unsigned)((v / 8 + 160) * 1024 / 5);
    std::string r(47, ' ');
    for (int i = 0; i < 35; i++) r[i] = 0;
    r[0] = 'T';
    r[1] = 2;
    for (int off : {2, 4, 6, 8, 10, 12, 14, 16}) {
        r[off] = (char)0x80;
        r[off + 1] = 0;
    }
    r[10] = (char)(w >> 8);
    r[11] = (char)(w & 0xFF);
    r[46] = '\n';
    return r;
}

class ArrayRedrawTest : public ::testing::Test {
protected:
    void Prepare(int nInstrument, int nLength)
    {
        nInstrumentType = nInstrument;
        SetDataRecordLength(nLength);
        CreateChannelPens(1);
        nCurveWndWidth = kWidth;
        nCurveAreaHeight2 = kHeight;  // the height the live scroll moves, which the redraw replays
        dScale1Min = 0;
        dScale1Max = 100;
        dScale2Min = -10;
        dScale2Max = 10;
        dScale1PixPerUnit = 1.0;  // row = 100 - value
        dScale2PixPerUnit = 5.0;
        nEm384DisplayMode = 0;
        nSensorsMinus1 = 0;
        for (double &d : adCalibration) d = 0.0;
        for (double &d : adCalibrationB) d = 0.0;
        NameFreshDataFile(L"arrays", L"DAT");
        ASSERT_EQ(OpenDataFileHandle(), 1);
        for (HWND h : {hwndCurve2, hwndCurve3}) {
            HDC hdc = GetDC(h);
            RECT rc = {0, 0, kWidth, kHeight};
            FillRect(hdc, &rc, (HBRUSH)GetStockObject(WHITE_BRUSH));
            ReleaseDC(h, hdc);
        }
    }
    void TearDown() override { CloseDataFile(); }
    void Write(const std::string &bytes)
    {
        ASSERT_EQ(WriteDataRecords(bytes.data(), (int)(bytes.size() / nDataRecordLength)), 1);
    }
    COLORREF Pixel(HWND h, int x, int y)
    {
        HDC hdc = GetDC(h);
        COLORREF c = GetPixel(hdc, x, y);
        ReleaseDC(h, hdc);
        return c;
    }
    std::vector<COLORREF> Pixels(HWND h)
    {
        HDC hdc = GetDC(h);
        std::vector<COLORREF> v;
        for (int y = 0; y < kHeight; y++)
            for (int x = 0; x < kWidth; x++) v.push_back(GetPixel(hdc, x, y));
        ReleaseDC(h, hdc);
        return v;
    }
    int PixelsOf(HWND h, COLORREF clr)
    {
        HDC hdc = GetDC(h);
        int n = 0;
        for (int y = 0; y < kHeight; y++)
            for (int x = 0; x < kWidth; x++) n += GetPixel(hdc, x, y) == clr;
        ReleaseDC(h, hdc);
        return n;
    }
};

// Readings older than a coefficient record are decoded with the coefficient it replaced (its second value); the
// coefficients in force are the same afterwards.
TEST_F(ArrayRedrawTest, Em384CoefficientRecordInMidLine)
{
    Prepare(INSTRUMENT_EM384, 47);
    adCalibration[8] = 20.0;  // pair 1 conductivity zero in force
    // Older readings were taken with a zero of 0: v 30 gives row 70. After the record: 30 + 20 = 50, row 50. As on
    // the live strip, the newest segment of each run leaves out its end pixel (x = 200 and 196), and the live
    // trace starts anew at the new coefficients.
    Write(Em384Reading(30) + Em384Reading(30) + Em384Reading(30) + Line("O1    20.000      0.000", 47) +
          Em384Reading(30) + Em384Reading(30));
    RedrawEm384ProfileFromFile(hwndCurve2, hwndCurve3);
    EXPECT_EQ(adCalibration[8], 20.0);
    const COLORREF clr = aclrChannel[0];
    EXPECT_EQ(Pixel(hwndCurve2, 199, 50), clr);
    EXPECT_EQ(Pixel(hwndCurve2, 198, 50), clr);
    EXPECT_EQ(Pixel(hwndCurve2, 195, 70), clr);
    EXPECT_NE(Pixel(hwndCurve2, 197, 60), clr);
    EXPECT_EQ(Pixel(hwndCurve2, 194, 70), clr);
    EXPECT_NE(Pixel(hwndCurve2, 194, 50), clr);
    PlatformSaveWindowPng(hwndCurve2, std::string(TEST_OUTPUT_DIR "/em384_redraw_coefficient_record.png"));
}

// The rebuild reads the coefficient in force when the later readings were taken (the first value) into its own
// copy: the settings stay as they were.
TEST_F(ArrayRedrawTest, Em384ReplayLeavesTheCoefficientsInForce)
{
    Prepare(INSTRUMENT_EM384, 47);
    adCalibration[8] = 20.0;
    Write(Line("O1    20.000      0.000", 47) + Line("X$START", 47) + Line("{0", 47) + Em384Reading(30));
    nColorMapView = 1;
    ReplayEm384DataFile();
    EXPECT_EQ(adCalibration[8], 20.0);
    nColorMapView = 0;
}

// A CS-21 record whose sentence number is neither 1 nor 2 adds no point.
TEST_F(ArrayRedrawTest, DualEmOtherSentenceNumbersAddNoPoint)
{
    Prepare(INSTRUMENT_CS21, 65);
    Write(Line("T$PDLM3,1,40.0,1.0,60.0,2.0", 65) + Line("T$PDLMA,1,40.0,1.0,60.0,2.0", 65));
    RedrawDualEmProfileFromFile(hwndCurve2, hwndCurve3);
    EXPECT_EQ(PixelsOf(hwndCurve2, aclrChannel[0]), 0);
    Write(Line("T$PDLM1,1,40.0,1.0,60.0,2.0", 65) + Line("T$PDLM2,1,10.0,-1.0,20.0,-2.0", 65) +
          Line("T$PDLM1,1,40.0,1.0,60.0,2.0", 65) + Line("T$PDLM2,1,10.0,-1.0,20.0,-2.0", 65));
    RedrawDualEmProfileFromFile(hwndCurve2, hwndCurve3);
    // Sentence 1, field 3 (40) on scale 1: row 60 in pen 0; field 4 (1.0) on scale 2: row 45. Sentence 2's first
    // value (10) is trace 4: row 90 in pen 2. The newest column is 200, whose end pixels the segments leave out.
    EXPECT_EQ(Pixel(hwndCurve2, 199, 60), aclrChannel[0]);
    EXPECT_EQ(Pixel(hwndCurve3, 199, 45), aclrChannel[0]);
    EXPECT_EQ(Pixel(hwndCurve2, 199, 90), aclrChannel[2]);
}

// Logging starts or resumes between the two sentences of a pair as often as before a pair (the key falls where the
// machine's load puts it): the live profiles and the redraw from the file are the same picture either way.
TEST_F(ArrayRedrawTest, DualEmLiveProfilesAreTheRedrawWhereverLoggingStartsInAPair)
{
    for (const bool bSplit : {false, true}) {
        SCOPED_TRACE(bSplit ? "started between 1 and 2" : "started before 1");
        Prepare(INSTRUMENT_CS21, 65);
        nColorMapView = 0;
        bAudioTicks = 0;
        bSimulatedReadings = 0;
        int nTick = 0;
        auto Feed = [&nTick](int nKind, double d) {
            char sz[128];
            std::snprintf(sz, sizeof sz, "$PDLM%d,%d,%.1f,%.1f,%.1f,%.1f", nKind, ++nTick, d, d / 20, d + 5, -d / 20);
            memset(szInstrumentRecord, 0, sizeof szInstrumentRecord);
            memcpy(szInstrumentRecord, sz, strlen(sz));
            dwInstrumentDataTick = (DWORD)nTick;
            OnDualEmReading(nullptr, 0, 0, 0);
        };
        auto Start = [this] {
            nRecordingState = 1;
            for (int &b : abCurveHasPrev) b = 0;
            ForgetDualEmFirstHalf();
            Write(Line("X$STARTED", 65));
        };
        auto Pause = [this] {
            nRecordingState = -1;
            Write(Line("XPAUSED", 65));
        };
        nRecordingState = -1;
        Feed(1, 90);  // before the key: not recorded
        if (!bSplit) Feed(2, 80);
        Start();
        if (bSplit) Feed(2, 15);
        for (int i = 0; i < 6; i++) {
            Feed(1, 20 + 9 * i);
            Feed(2, 70 - 8 * i);
        }
        Pause();
        Feed(1, 5);
        Start();
        if (bSplit) Feed(2, 95);
        for (int i = 0; i < 4; i++) {
            Feed(1, 60 - 7 * i);
            Feed(2, 30 + 6 * i);
        }
        nRecordingState = -1;
        const std::vector<COLORREF> live1 = Pixels(hwndCurve2), live2 = Pixels(hwndCurve3);
        EXPECT_GT(PixelsOf(hwndCurve2, aclrChannel[0]), 0);
        for (HWND h : {hwndCurve2, hwndCurve3}) {
            HDC hdc = GetDC(h);
            RECT rc = {0, 0, kWidth, kHeight};
            FillRect(hdc, &rc, (HBRUSH)GetStockObject(WHITE_BRUSH));
            ReleaseDC(h, hdc);
        }
        RedrawDualEmProfileFromFile(hwndCurve2, hwndCurve3);
        EXPECT_TRUE(Pixels(hwndCurve2) == live1);
        EXPECT_TRUE(Pixels(hwndCurve3) == live2);
        if (bSplit) {
            PlatformSaveWindowPng(hwndCurve2, std::string(TEST_OUTPUT_DIR "/dualem_redraw_started_in_a_pair.png"));
        }
    }
}

// A resumed logging starts the gradiometer traces anew, live and in the redraw: no segment joins the readings on
// either side of the pause.
TEST_F(ArrayRedrawTest, GradTracesStartAnewWhereLoggingResumed)
{
    Prepare(INSTRUMENT_GRAD601, 27);
    Write(Line("T$P,10.0", 27) + Line("T$P,10.0", 27) + Line("XPAUSED", 27) + Line("X$STARTED", 27) +
          Line("T$P,50.0", 27) + Line("T$P,50.0", 27) + Line("T$P,50.0", 27));
    RedrawRecentRecordsGrad(hwndCurve2, hwndCurve3);
    // Rows 90 up to x = 194, then row 50 from x = 196: nothing in column 195 between them.
    EXPECT_EQ(Pixel(hwndCurve2, 193, 90), aclrChannel[0]);
    EXPECT_EQ(Pixel(hwndCurve2, 197, 50), aclrChannel[0]);
    for (int y = 51; y < 90; y++) EXPECT_NE(Pixel(hwndCurve2, 195, y), aclrChannel[0]) << y;
}

TEST_F(ArrayRedrawTest, GradTwoSensorsEachInTheirWindow)
{
    Prepare(INSTRUMENT_GRAD601, 27);
    nSensorsMinus1 = 1;
    Write(Line("T$P,10.0,30.0", 27) + Line("T$P,10.0,30.0", 27) + Line("T$P,10.0,30.0", 27));
    RedrawRecentRecordsGrad(hwndCurve2, hwndCurve3);
    EXPECT_EQ(Pixel(hwndCurve2, 199, 90), aclrChannel[0]);
    EXPECT_EQ(Pixel(hwndCurve3, 199, 70), aclrChannel[1]);
}

}  // namespace
