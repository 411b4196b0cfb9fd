// EM61-LX2 profile redraw and map cells from the data file: readings taken live through the handler, with a
// nulling and a filter calibration in mid-line, are redrawn from the file into the same picture; the two-coil map
// rebuild stores both coils' classes in one cell.
#include <gtest/gtest.h>

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
#include "displays/grid.h"
#include "displays/profile_redraw.h"
#include "displays/scales.h"
#include "logscreen/logscreen.h"
#include "map/map.h"
#include "map/map_state.h"
#include "map/pens.h"
#include "platform/platform.h"
#include "processing/em61lx2_decode.h"
#include "processing/em61lx2_handler.h"
#include "processing/em61mk2_decode.h"
#include "processing/em61mk2_handler.h"
#include "processing/filter_factor.h"
#include "resources/resources.h"
#include "support/test_root.h"
#include "support/stand_in_windows.h"

namespace {

constexpr int kWidth = 330;   // newest point at x = 320
constexpr int kHeight = 120;  // -500..2500 on 120 rows: 0.04 pixels per unit

LRESULT ParentProc(HWND hwnd, UINT m, WPARAM w, LPARAM l) { return DefWindowProc(hwnd, m, w, l); }

class Lx2RedrawEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        const std::string root = MakeTestRoot("em61lx2-redraw");
        ASSERT_FALSE(root.empty());
        static char arg0[] = "em61lx2-redraw-test";
        static char *argv[] = {arg0, nullptr};
        hInst = PlatformInit(1, argv);
        RegisterResources();
        std::filesystem::create_directories(root + "/C/data");
        nInstrumentType = INSTRUMENT_EM61LX2;
        CreateThinTracePens();
        InitProfileRecordKinds();
        ASSERT_EQ(RegisterCurveWnd(hInst), 0);
        HWND parent = CreateStandInParent(ParentProc, L"Lx2RedrawParent", L"Redraw", 400, 300);
        ASSERT_NE(parent, nullptr);
        hwndCurve2 = CreateWindow(L"CurveWnd", L"", WS_CHILD | WS_VISIBLE, 0, 0, kWidth, kHeight, parent, 600, hInst,
                                  nullptr);
        hwndCurve3 = CreateWindow(L"CurveWnd", L"", WS_CHILD | WS_VISIBLE, 0, 130, kWidth, kHeight, parent, 600,
                                  hInst, nullptr);
        ASSERT_NE(hwndCurve2, nullptr);
        ASSERT_NE(hwndCurve3, nullptr);
    }
};
const ::testing::Environment *const gEnvironment = ::testing::AddGlobalTestEnvironment(new Lx2RedrawEnvironment);

std::string TextRecord(const std::string &text)
{
    std::string r(27, ' ');
    for (size_t i = 0; i < text.size() && i < 26; i++) r[i] = text[i];
    r[26] = '\n';
    return r;
}

void PutFrame(const int anWord[4])
{
    memset(szInstrumentRecord, 0, sizeof szInstrumentRecord);
    szInstrumentRecord[0] = 'E';
    for (int k = 0; k < 4; k++) {
        szInstrumentRecord[2 + 2 * k] = (char)((anWord[k] >> 8) & 0xFF);
        szInstrumentRecord[3 + 2 * k] = (char)(anWord[k] & 0xFF);
    }
    szInstrumentRecord[10] = (char)(3171 >> 8);
    szInstrumentRecord[11] = (char)(3171 & 0xFF);
    szInstrumentRecord[12] = 80;
}

std::vector<COLORREF> Pixels(HWND hwnd)
{
    std::vector<COLORREF> v;
    HDC hdc = GetDC(hwnd);
    for (int y = 0; y < kHeight; y++)
        for (int x = 0; x < kWidth; x++) v.push_back(GetPixel(hdc, x, y));
    ReleaseDC(hwnd, hdc);
    return v;
}

int Differing(const std::vector<COLORREF> &a, const std::vector<COLORREF> &b)
{
    int n = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); i++) {
        if (a[i] != b[i] && n < 12 && getenv("LX2_DIFF"))
            printf("diff at x %d y %d: %06lx vs %06lx\n", (int)(i % kWidth), (int)(i / kWidth), (unsigned long)a[i],
                   (unsigned long)b[i]);
        n += a[i] != b[i];
    }
    return n + (int)(a.size() > b.size() ? a.size() - b.size() : b.size() - a.size());
}

void Repaint(HWND hwnd)
{
    InvalidateRect(hwnd, nullptr, TRUE);
    UpdateWindow(hwnd);
}

class Em61Lx2RedrawTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        nSensorsMinus1 = GetParam();
        SetDataRecordLength(27);
        bNoCurrentNorm = 0;
        for (double &d : adOffset) d = 0.0;
        nReferenceRingLength = 98;
        for (double &d : adCurrentRing) d = 3171.0;
        dCurrentSum = 98 * 3171.0;
        nReferenceRingPos = 0;
        bReferenceReady = 1;
        nEm61ProcedureState = 1;
        nNullingReadings = 100;
        nFilterReadings = 200;
        nRecordingState = 1;
        dwRecordingStartTick = 0;
        nColorMapView = 0;
        nAlarmType = 0;
        bSoftMarkerDown = 0;
        nScaleType = 0;
        nCurveWndWidth = kWidth;
        nCurveAreaHeight2 = kHeight;
        dScale1Min = -500.0;
        dScale1Max = 2500.0;
        dScale1PixPerUnit = dScale1PixPerUnitB = 0.04;
        dFilterFactorLeft = dFilterFactorRight = dFilterFactorLeftPrev = dFilterFactorRightPrev = 310.0;
        dFilterRatioLeft = dFilterRatioRight = ConvertFilterFactor(310.0, 1);
        for (int &b : abCurveHasPrev) b = 0;
        PlatformClearDialogScripts();
        NameFreshDataFile(L"lx2redraw", L"TX2");
        ASSERT_EQ(OpenDataFileHandle(), 1);
        const std::string head = TextRecord("Z10/12/26") + TextRecord("X$STARTED        1000");
        ASSERT_EQ(WriteDataRecords(head.data(), 2), 1);
        Repaint(hwndCurve2);
        Repaint(hwndCurve3);
    }
    void TearDown() override
    {
        CloseDataFile();
        for (double &d : adOffset) d = 0.0;
        PlatformClearDialogScripts();
    }
    void Reading(const int anWord[4])
    {
        PutFrame(anWord);
        dwInstrumentDataTick = 5000;
        if (nSensorsMinus1 == 1) HandleEm61Lx2DualReading(nullptr);
        else HandleEm61Lx2Reading(nullptr);
    }
};

TEST_P(Em61Lx2RedrawTest, RedrawAfterNullingAndCalibrationEqualsTheLiveProfile)
{
    auto Wave = [](int i, int k) { return 20 + ((i * 7 + k * 13) % 60); };
    int i = 0;
    for (; i < 40; i++) {
        const int w[4] = {Wave(i, 0), Wave(i, 1), Wave(i, 2), Wave(i, 3)};
        Reading(w);
    }
    // Nulling while logging, as the command starts it: the traces start anew.
    nEm61ProcedureState = -1;
    nProcedureCount = 0;
    for (int &b : abCurveHasPrev) b = 0;
    const int air[4] = {5, 3, 4, 2};
    for (int n = 0; n < 101; n++) Reading(air);
    ASSERT_EQ(nEm61ProcedureState, 1);
    for (; i < 80; i++) {
        const int w[4] = {Wave(i, 0), Wave(i, 1), Wave(i, 2), Wave(i, 3)};
        Reading(w);
    }
    // Filter calibration, accepted: new offsets and ratios.
    PlatformAnswerDialog(L"MESSAGEOKCANCEL", 1, true);
    dFilterRatioLeftPrev = dFilterRatioLeft;
    dFilterRatioRightPrev = dFilterRatioRight;
    nEm61ProcedureState = -2;
    nProcedureCount = 0;
    for (int n = 0; n < 101; n++) Reading(air);
    const int ground[4] = {280, 105, 210, 105};
    for (int n = 0; n < 200; n++) Reading(ground);
    ASSERT_EQ(nEm61ProcedureState, 1);
    ASSERT_GT(dFilterFactorLeft, 125.0);
    for (; i < 140; i++) {
        const int w[4] = {Wave(i, 0), Wave(i, 1), Wave(i, 2), Wave(i, 3)};
        Reading(w);
    }
    const std::vector<COLORREF> live2 = Pixels(hwndCurve2), live3 = Pixels(hwndCurve3);
    const std::string name = nSensorsMinus1 == 1 ? "two_coils" : "one_coil";
    PlatformSaveWindowPng(hwndCurve2, std::string(TEST_OUTPUT_DIR "/em61lx2_live_") + name + ".png");

    Repaint(hwndCurve2);
    Repaint(hwndCurve3);
    const std::vector<COLORREF> empty3 = Pixels(hwndCurve3);
    RedrawProfileFromFileTwoSensors(hwndCurve2, hwndCurve3);
    PlatformSaveWindowPng(hwndCurve2, std::string(TEST_OUTPUT_DIR "/em61lx2_redrawn_") + name + ".png");
    EXPECT_EQ(Differing(Pixels(hwndCurve2), live2), 0);
    if (nSensorsMinus1 == 1) EXPECT_EQ(Differing(Pixels(hwndCurve3), live3), 0);
    else EXPECT_EQ(Differing(Pixels(hwndCurve3), empty3), 0);  // one coil: the second window is left alone
}

// With the build's wide pens (2, 3 and 4 pixels), a pause and its resumed logging (every trace starts anew) and a
// new station (the station dialog starts the first four traces anew) between the readings, and a connection break:
// the redrawn profile is still the live one.
TEST_P(Em61Lx2RedrawTest, WidePensPausesStationsAndBreaksRedrawAsShownLive)
{
    const int anWidth[3] = {2, 3, 4};
    for (int k = 0; k < 3; k++) anChannelPenWidth[k] = anChannelPenWidth[k + 3] = anWidth[k];
    CreateChannelPens(0);
    auto Wave = [](int i, int k) { return 20 + ((i * 11 + k * 17) % 50) + (i % 9 == 0 ? 25 : 0); };
    auto Event = [](const char *szText) {
        const std::string r = TextRecord(szText);
        ASSERT_EQ(WriteDataRecords(r.data(), 1), 1);
    };
    for (int i = 0; i < 170; i++) {
        const int w[4] = {Wave(i, 0), Wave(i, 1), Wave(i, 2), Wave(i, 3)};
        Reading(w);
        if (i == 40) {
            Event("XPAUSED");
            Event("X$STARTED");
            for (int &b : abCurveHasPrev) b = 0;  // as the resumed logging does
        } else if (i == 80) {
            Event("S     12.000");
            for (int k = 0; k < 4; k++) abCurveHasPrev[k] = 0;  // as the station dialog does
        } else if (i == 120) {
            Event("X1CONN BRK 1");
            for (int &b : abCurveHasPrev) b = 0;  // as the reconnection does
        }
    }
    const std::vector<COLORREF> live2 = Pixels(hwndCurve2), live3 = Pixels(hwndCurve3);
    Repaint(hwndCurve2);
    Repaint(hwndCurve3);
    const std::vector<COLORREF> empty3 = Pixels(hwndCurve3);
    RedrawProfileFromFileTwoSensors(hwndCurve2, hwndCurve3);
    EXPECT_EQ(Differing(Pixels(hwndCurve2), live2), 0);
    if (nSensorsMinus1 == 1) EXPECT_EQ(Differing(Pixels(hwndCurve3), live3), 0);
    else EXPECT_EQ(Differing(Pixels(hwndCurve3), empty3), 0);
    for (int &w : anChannelPenWidth) w = 1;
    CreateChannelPens(0);
}

// Wide pens reach past the newest column into the margin that never scrolls: readings far up the window, then more
// readings low down than the strip holds. The redraw replays only the strip's readings, so the live profile may keep
// no end of the older ones in the margin.
TEST_P(Em61Lx2RedrawTest, WidePenEndsOfReadingsOlderThanTheStripDoNotStay)
{
    const int anWidth[3] = {4, 5, 6};
    for (int k = 0; k < 3; k++) anChannelPenWidth[k] = anChannelPenWidth[k + 3] = anWidth[k];
    CreateChannelPens(0);
    const int high[4] = {120, 40, 110, 35};
    const int low[4] = {25, 8, 22, 7};
    for (int i = 0; i < 30; i++) Reading(high);
    for (int i = 0; i < kWidth; i++) Reading(low);
    const std::vector<COLORREF> live2 = Pixels(hwndCurve2), live3 = Pixels(hwndCurve3);
    Repaint(hwndCurve2);
    Repaint(hwndCurve3);
    RedrawProfileFromFileTwoSensors(hwndCurve2, hwndCurve3);
    EXPECT_EQ(Differing(Pixels(hwndCurve2), live2), 0);
    if (nSensorsMinus1 == 1) {
        EXPECT_EQ(Differing(Pixels(hwndCurve3), live3), 0);
    }
    for (int &w : anChannelPenWidth) w = 1;
    CreateChannelPens(0);
}

INSTANTIATE_TEST_SUITE_P(Coils, Em61Lx2RedrawTest, ::testing::Values(0, 1));

}  // namespace
