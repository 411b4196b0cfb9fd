// The colour-map channel boxes of a mapping-line EM61-MK2 survey with GPS: a box rebuilds the map in its channel;
// without GPS the choice is refused with its text.
#include <gtest/gtest.h>

#include <string>

#include <QImage>

#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "datafile/datafile_state.h"
#include "logscreen/logscreen.h"
#include "processing/gps_position.h"
#include "support/emulator_client.h"
#include "support/program_runner.h"
#include "support/survey_harness.h"

using namespace survey;

namespace {

// Pixels of a picture in the colour (0xRRGGBB); -1 when the picture is missing.
int PixelsOf(const std::string &path, unsigned rgb)
{
    QImage image(QString::fromStdString(path));
    if (image.isNull()) return -1;
    int n = 0;
    for (int y = 0; y < image.height(); y++)
        for (int x = 0; x < image.width(); x++) n += (image.pixel(x, y) & 0xFFFFFFu) == rgb;
    return n;
}

}  // namespace

TEST(ChannelBoxes, ABoxRebuildsTheMapInItsChannelAndWithoutGpsIsRefused)
{
    std::string root = emu::MakeTempRoot("channel_boxes");
    emu::Emulator dev(root, {"COM4=em61mk2:static,answer=OV", "COM6=gps:format=1,hz=5"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    // Channel 1 high, channel 2 low: the two maps differ in colour.
    ASSERT_TRUE(dev.ok("COM4 value 1800 100 50 20 letter=T"));
    ASSERT_TRUE(dev.ok("COM6 walk 0 0"));
    const std::string before = std::string(TEST_OUTPUT_DIR "/channel_boxes_map_channel1.png");
    const std::string after = std::string(TEST_OUTPUT_DIR "/channel_boxes_map_channel2.png");
    ChildResult r = RunProgramInChild(StartIn(root, 0), [&dev, &before, &after]() {
        UseEmulatorPorts(true);
        nGpsFormat = 1;
        nSurveyMode = 0;
        nPauseKey = 2;
        nColorMapView = 1;
        PlatformPressKey('L');
        CHILD_CHECK(nActiveScreen == 1);
        CHILD_CHECK(WaitNormalOperation(15000));
        CHILD_CHECK(PlatformWaitFor([] { return bGpsPositionValid == 1; }, 10000));
        PlatformScriptFileChooser(L"C:\\data\\boxes.T61");
        PlatformPressKey('F');
        CHILD_CHECK(nRecordingState == -1);
        PlatformPressKey('G');
        CHILD_CHECK(nRecordingState == 1);
        CHILD_CHECK(dev.ok("COM6 walk 90 2 0"));
        PlatformPump(4000);
        PlatformPressKey(kKeySpace);
        CHILD_CHECK(nRecordingState == -1);
        CHILD_CHECK(IsWindowVisible(hwndChannelBoxes[1]));
        CHILD_CHECK(PlatformSaveWindowPng(hwndMap, before));

        // The second box: channel 2, its box ticked, the map rebuilt from the file in that channel.
        PlatformClearShownDialogs();
        PlatformClickButton(hwndChannelBoxes[1]);
        CHILD_CHECK(nColorMapView == 2);
        CHILD_CHECK(SendMessage(hwndChannelBoxes[1], BM_GETCHECK, 0, 0) == BST_CHECKED);
        CHILD_CHECK(SendMessage(hwndChannelBoxes[0], BM_GETCHECK, 0, 0) == BST_UNCHECKED);
        CHILD_CHECK(PlatformShownDialogs().empty());
        PlatformPump(2000);  // the next positions show the rebuilt view
        CHILD_CHECK(PlatformSaveWindowPng(hwndMap, after));

        // Without GPS the same choice is refused and nothing changes.
        bGpsEnabled = 0;
        PlatformAnswerDialog(L"INFORMATION", IDOK);
        SendMessage(hwndLog, WM_COMMAND, MAKEWPARAM(480, 0), (LPARAM)hwndChannelBoxes[0]);
        CHILD_CHECK(ShownWith(L"INFORMATION", L"Option avaiable only when GPS is enabled"));
        CHILD_CHECK(nColorMapView == 2);
        bGpsEnabled = 1;
        PauseAndStop();
        CloseProgram();
        return 0;
    }, 120);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    // Channel 1 (1800) lies above the colour scale: magenta; channel 2 (100) is drawn in a scale colour instead.
    const int nBefore = PixelsOf(before, 0xFF00FF), nAfter = PixelsOf(after, 0xFF00FF);
    EXPECT_GT(nBefore, 50);
    EXPECT_GE(nAfter, 0);
    EXPECT_LT(nAfter, nBefore / 4) << "the swath is drawn again in the other channel's colours";
}
