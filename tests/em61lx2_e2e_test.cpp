// A two-coil EM61-LX2 survey end to end: the real program against the device emulator on a pseudo-terminal,
// normalisation, logging with the simple alarm telling a target between the coils, the records it leaves and a
// picture of the logging screen during the alarm.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "logscreen/logscreen.h"
#include "platform/platform.h"
#include "processing/em61lx2_alarm.h"
#include "processing/em61lx2_decode.h"
#include "processing/em61mk2_decode.h"
#include "support/emulator_client.h"
#include "support/program_runner.h"
#include "support/survey_harness.h"

using namespace survey;

namespace {

// Pixels of the window's picture whose colour lies within the rectangle and equals the RGB colour (0xRRGGBB).
int ColourInRect(HWND hwnd, const RECT &rc, COLORREF clr)
{
    HDC hdc = GetDC(hwnd);
    int n = 0;
    for (int y = rc.top; y < rc.bottom; y++)
        for (int x = rc.left; x < rc.right; x++) n += GetPixel(hdc, x, y) == clr;
    ReleaseDC(hwnd, hdc);
    return n;
}

}  // namespace

TEST(Em61Lx2Survey, TwoCoilsTargetBetweenTheCoilsRingsAndLightsTheMiddleLamp)
{
    std::string root = emu::MakeTempRoot("em61lx2_two_coils");
    emu::Emulator dev(root, {"COM4=em61lx2:static,answer=OV,coils=2"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    // Left coil early 100 words (2000 mV), right coil early 90 words (1800 mV): 0.2 x 2000 = 400 > 200, between.
    ASSERT_TRUE(dev.ok("COM4 value raw=100,50,90,45 range=0 letter=E current=3171 battery=10"));
    ProgramStart start;
    start.rootFolder = root;
    start.instrumentType = INSTRUMENT_EM61LX2;
    start.jixProduct = 1;
    start.screenWidth = 1280;
    start.screenHeight = 800;
    start.makeFolders = {L"C:\\data", L"C:\\ProgramData\\Ulvane\\Jix61LX2"};
    ChildResult r = RunProgramInChild(start, [&root]() {
        UseEmulatorPorts(false);
        nSensorsMinus1 = 1;
        nAlarmType = 1;
        nAlarmAudio = 1;
        nAlarmChannel = 0;
        dAlarmLevel = 1500.0;
        dScale1Min = 0;
        dScale1Max = 2500;
        bNoCurrentNorm = 0;
        PlatformPressKey('L');
        CHILD_CHECK(nActiveScreen == 1);
        CHILD_CHECK(WaitNormalOperation(20000));
        PlatformPump(1000);
        PlatformScriptFileChooser(L"C:\\data\\twocoils.TX2");
        PlatformPressKey('F');
        CHILD_CHECK(nRecordingState == -1);
        PlatformPressKey('G');
        CHILD_CHECK(nRecordingState == 1);
        CHILD_CHECK(PlatformWaitFor([] { return SoundCount(L"BETWEENSOUND") >= 1 && nTotalReadingCount >= 30; },
                                    15000));
        CHILD_CHECK(bAlarmActive == 1 && bAlarmActiveRight == 1);
        CHILD_CHECK(ColourInRect(hwndLog, rcTargetLampMiddle, RGB(255, 0, 0)) > 0);
        CHILD_CHECK(ColourInRect(hwndLog, rcTargetLampLeft, RGB(255, 0, 0)) == 0);
        CHILD_CHECK(PlatformSaveWindowPng(hwndLog, std::string(TEST_OUTPUT_DIR) + "/logscreen_em61lx2_two_coils_alarm.png"));
        // 10 V of battery is at or below the 10.5 V limit: the battery box is red.
        CHILD_CHECK(ColourInRect(hwndLog, rcStatusVoltage, RGB(255, 0, 0)) > 0);
        CHILD_CHECK(SoundCount(L"LEFTSOUND") == 0);
        PauseAndStop();
        CloseProgram();
        return 0;
    }, 120);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);

    std::vector<Record> recs = SplitRecords(ReadFileBytes(root + "/C/data/twocoils.TX2"), 27);
    int nReadings = 0;
    for (const Record &rec : recs) {
        if (rec.Kind() != 'E') continue;
        nReadings++;
        const std::string &b = rec.bytes;
        ASSERT_EQ(b.size(), 27u);
        EXPECT_EQ((unsigned char)b[2], 0);
        EXPECT_EQ((unsigned char)b[3], 100);
        EXPECT_EQ((unsigned char)b[6], 0);
        EXPECT_EQ((unsigned char)b[7], 90);
        // The averaged current 3171.00 and byte 13 cleared.
        EXPECT_EQ(((unsigned char)b[10] << 8) | (unsigned char)b[11], 3171);
        EXPECT_EQ((unsigned char)b[12], 0);
        EXPECT_EQ(b[13], 0);
        EXPECT_GE(rec.Tick(), 0);
        EXPECT_EQ(b[26], '\n');
    }
    EXPECT_GE(nReadings, 20);  // frames older than the recording start are counted, not written
}
