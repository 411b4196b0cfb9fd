// An EM61-MK2 survey with GPS end to end: the status boxes show what the emulated instrument and receiver send
// (voltage, current, mode, DOP, satellites, coordinates, speed), the status line and the pause hint follow the
// session's states, and a survey in the MANUAL mode draws its track and writes its map-point records.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "logscreen/logscreen.h"
#include "logscreen/status_panel.h"
#include "processing/em61mk2_decode.h"
#include "processing/gps_position.h"
#include "support/emulator_client.h"
#include "support/program_runner.h"
#include "support/screen_text.h"
#include "support/survey_harness.h"

using namespace survey;
using screentext::BoxShows;

namespace {

// Some text stands in the box.
bool HasInk(HWND hwnd, const RECT &rc)
{
    HDC hdc = GetDC(hwnd);
    int n = 0;
    for (int y = rc.top; y < rc.bottom; y++)
        for (int x = rc.left; x < rc.right; x++) {
            COLORREF c = GetPixel(hdc, x, y);
            n += GetRValue(c) < 110 && GetGValue(c) < 110 && GetBValue(c) < 110;
        }
    ReleaseDC(hwnd, hdc);
    return n > 3;
}

bool HintShows(const std::wstring &second)
{
    HFONT hFont = nClientWidth < 1000 ? hFontNormal : hFontLight;
    const int w = rcPauseHintArea.right - rcPauseHintArea.left;
    const int nStep = std::max((int)nTextHeight, (int)screentext::TextSize(hwndLog, hFont, L"Tap").cy);
    return screentext::ShowsText(hwndLog, rcPauseHintArea.left + (w - screentext::TextSize(hwndLog, hFont, second).cx) / 2,
                                 rcPauseHintArea.top + 2 * nStep, hFont, second);
}

// "&Logging" with GPS: normal operation and the first valid fix.
void MonitorUntilFirstFix()
{
    PlatformPressKey('L');
    CHILD_CHECK(nActiveScreen == 1);
    CHILD_CHECK(WaitNormalOperation(15000));
    CHILD_CHECK(PlatformWaitFor([] { return bGpsPositionValid == 1; }, 10000));
}

// Battery 12.0 V, letter T (mode "4"), receiver standing at 52.5 N 13.25 E with 9 satellites and PDOP 1.7 (GGA
// with GSA): the boxes show those values; the state line and the pause hint change with monitoring, stand-by,
// logging and the pause.
TEST(StatusPanelSurvey, BoxesShowTheEmulatorsValuesAndTheLinesFollowTheState)
{
    std::string root = emu::MakeTempRoot("status_panel_survey");
    emu::Emulator dev(root, {"COM4=em61mk2:static,answer=OV", "COM6=gps:format=0,static"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(dev.ok("COM4 value 255 100 50 20 letter=T battery=12.0"));
    ASSERT_TRUE(dev.ok("COM6 position 52.5 13.25"));
    ASSERT_TRUE(dev.ok("COM6 walk 0 0"));
    ASSERT_TRUE(dev.ok("COM6 value quality=1 sats=9 pdop=1.7 hdop=0.9"));
    ChildResult r = RunProgramInChild(StartIn(root, 1), []() {
        UseEmulatorPorts(true);
        nGpsFormat = 0;
        nCoordUnits = 0;
        nPauseKey = 2;
        nSurveyMode = 0;
        MonitorUntilFirstFix();
        PlatformPump(2500);
        CHILD_CHECK(BoxShows(hwndLog, rcStatusLineText, hFontNormal, L"Monitoring (Auto)"));
        CHILD_CHECK(BoxShows(hwndLog, rcStatusVoltage, hFontNormal, L"12.0 V"));
        CHILD_CHECK(BoxShows(hwndLog, rcStatusMode, hFontNormal, L"4"));
        CHILD_CHECK(HasInk(hwndLog, rcStatusCurrent));
        CHILD_CHECK(BoxShows(hwndLog, arcGpsBox[GPS_BOX_SATELLITES], hFontBold, L" 9"));
        CHILD_CHECK(BoxShows(hwndLog, arcGpsBox[GPS_BOX_DOP], hFontBold, L"1.7"));
        CHILD_CHECK(BoxShows(hwndLog, arcGpsBox[GPS_BOX_LATITUDE], hFontNormal, L"N52\u00B030'0.0000 \""));
        CHILD_CHECK(BoxShows(hwndLog, arcGpsBox[GPS_BOX_LONGITUDE], hFontNormal, L"E013\u00B015'0.0000 \""));
        CHILD_CHECK(HasInk(hwndLog, arcGpsBox[GPS_BOX_SPEED]));
        CHILD_CHECK(PlatformSaveWindowPng(hwndLog, std::string(TEST_OUTPUT_DIR "/status_panel_survey_monitoring.png")));

        PlatformScriptFileChooser(L"C:\\data\\status.P61");
        PlatformPressKey('F');
        CHILD_CHECK(nRecordingState == -1);
        CHILD_CHECK(BoxShows(hwndLog, rcStatusLineText, hFontNormal, L"Stand By (Auto)"));
        CHILD_CHECK(BoxShows(hwndLog, rcFileNameText, hFontNormal, L"File: status"));
        PlatformPressKey('G');
        CHILD_CHECK(nRecordingState == 1);
        CHILD_CHECK(BoxShows(hwndLog, rcStatusLineText, hFontNormal, L"Logging (Auto)"));
        CHILD_CHECK(HintShows(L"<Space Bar> to pause"));
        PlatformPump(1500);
        CHILD_CHECK(PlatformSaveWindowPng(hwndLog, std::string(TEST_OUTPUT_DIR "/status_panel_survey_logging.png")));
        PlatformPressKey(kKeySpace);
        CHILD_CHECK(nRecordingState == -1);
        CHILD_CHECK(BoxShows(hwndLog, rcStatusLineText, hFontNormal, L"Stand By (Auto)"));
        CHILD_CHECK(!HintShows(L"<Space Bar> to pause"));
        PauseAndStop();
        CloseProgram();
        return 0;
    }, 120);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
}

// The MANUAL survey mode of the EM61-MK2 with GPS: the positions go to the track like those of any other mode, so
// the track is drawn and the map-point records "{" are written.
TEST(StatusPanelSurvey, ManualEm61Mk2SurveyDrawsItsTrackAndWritesMapPoints)
{
    std::string root = emu::MakeTempRoot("manual_em61mk2_track");
    emu::Emulator dev(root, {"COM4=em61mk2:static,answer=OV", "COM6=gps:format=1,hz=5"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(dev.ok("COM4 value 255 100 50 20 letter=T"));
    ASSERT_TRUE(dev.ok("COM6 walk 0 0"));
    ChildResult r = RunProgramInChild(StartIn(root, 1), [&dev]() {
        UseEmulatorPorts(true);
        nGpsFormat = 1;
        // MANUAL, as the settings file gives it at start.
        nSurveyMode = 2;
        nSurveyModePrev = 2;
        MonitorUntilFirstFix();
        PlatformScriptFileChooser(L"C:\\data\\manual.P61");
        PlatformPressKey('F');
        CHILD_CHECK(nRecordingState == -1);
        // The track's colour on the map before the walk (the position cursor may show some of it).
        const unsigned rgbTrack = (unsigned)((GetRValue(clrPosition) << 16) | (GetGValue(clrPosition) << 8) |
                                             GetBValue(clrPosition));
        const int nTrackBefore =
            CountColourInWindow(hwndMap, rgbTrack, std::string(TEST_OUTPUT_DIR "/manual_em61mk2_map_before.png"));
        CHILD_CHECK(nTrackBefore >= 0);
        PlatformPressKey('G');
        CHILD_CHECK(nRecordingState == 1);
        CHILD_CHECK(BoxShows(hwndLog, rcStatusLineText, hFontNormal, L"Logging (Manual)"));
        CHILD_CHECK(dev.ok("COM6 walk 90 3 0"));
        PlatformPump(4000);
        CHILD_CHECK(PlatformSaveWindowPng(hwndLog, std::string(TEST_OUTPUT_DIR "/manual_em61mk2_track.png")));
        // The walk of 12 m east is drawn as a track.
        const int nTrackAfter =
            CountColourInWindow(hwndMap, rgbTrack, std::string(TEST_OUTPUT_DIR "/manual_em61mk2_map_track.png"));
        if (nTrackAfter < nTrackBefore + 20)
            fprintf(stderr, "track pixels: %d before the walk, %d after\n", nTrackBefore, nTrackAfter);
        CHILD_CHECK(nTrackAfter >= nTrackBefore + 20);
        PauseAndStop();
        CloseProgram();
        return 0;
    }, 120);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    size_t tail = 0;
    std::vector<Record> recs = SplitRecords(ReadFileBytes(root + "/C/data/manual.P61"), 27, &tail);
    EXPECT_EQ(tail, 0u);
    int mapPoints = 0;
    for (const Record &rec : recs) mapPoints += rec.Kind() == '{';
    EXPECT_GT(mapPoints, 5);
}

}  // namespace
