// Colour maps of the EM38-4, CS-21 and Grad601 along a GPS walk through the device emulator: the map rebuilt from
// the data file against the live one.
#include <gtest/gtest.h>

#include <QImage>
#include <string>
#include <vector>

#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "logscreen/logscreen.h"
#include "map/map.h"
#include "map/pens.h"
#include "processing/dispatch.h"
#include "processing/gps_position.h"
#include "support/emulator_client.h"
#include "support/program_runner.h"
#include "support/survey_harness.h"

using namespace survey;

namespace {

struct ArrayMap {
    const char *name;
    int instrumentType;
    const wchar_t *caption;
    std::string instrumentPort;
    std::string valueCommand;
    int sensorsMinus1;
    int colorMapView = 1;  // the view at logging start
    int box = -1;          // a channel box clicked half-way through the walk (-1: none)
    int viewOfBox = 0;     // the view that box chooses
};

class ArrayMapTest : public ::testing::TestWithParam<ArrayMap> {};

TEST_P(ArrayMapTest, RebuiltMapEqualsTheLiveMap)
{
    const ArrayMap &m = GetParam();
    std::string root = emu::MakeTempRoot(std::string("array_map_") + m.name);
    emu::Emulator dev(root, {m.instrumentPort, "COM6=gps:format=1,hz=5"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(dev.ok(m.valueCommand));
    ASSERT_TRUE(dev.ok("COM6 position 45.5 -75.5"));
    ASSERT_TRUE(dev.ok("COM6 walk 0 0"));
    const ProgramStart start = StartBuildIn(root, m.instrumentType, 0);
    const std::string out = std::string(TEST_OUTPUT_DIR "/") + m.name;
    ChildResult r = RunProgramInChild(start, [&]() {
        UseEmulatorPorts(true);
        nGpsFormat = 1;
        nColorMapView = m.colorMapView;
        if (m.instrumentType == INSTRUMENT_EM384) {
            // Classes of 20 on scale 1 and of 1 on scale 2: an in-phase view coloured with the wrong width shows.
            dScale1Min = 0.0;
            dScale1Max = 1000.0;
            dScale2Min = -20.0;
            dScale2Max = 30.0;
        }
        nSensorsMinus1 = m.sensorsMinus1;
        nMapSize = 40;
        PlatformPressKey('L');
        CHILD_CHECK(nActiveScreen == 1);
        CHILD_CHECK(PlatformWaitFor([] { return bGpsPositionValid == 1 && IsWindowEnabled(hwndLogButtons[0]); }, 15000));
        PlatformPump(1000);
        PlatformScriptFileChooser(std::wstring(L"C:\\data\\") + m.caption + L".dat");
        PlatformPressKey('F');
        CHILD_CHECK(nRecordingState == -1);
        PlatformPressKey('G');
        CHILD_CHECK(nRecordingState == 1);
        CHILD_CHECK(dev.ok("COM6 walk 90 8 0"));
        PlatformPump(m.box < 0 ? 5000 : 2500);
        if (m.box >= 0) {
            // Another colour-map channel while recording: the map is rebuilt in it and the walk goes on in it.
            PlatformClickButton(hwndChannelBoxes[m.box]);
            CHILD_CHECK(nColorMapView == m.viewOfBox);
            PlatformPump(2500);
        }
        PlatformPressKey(kKeySpace);
        CHILD_CHECK(nRecordingState == -1);
        PlatformPump(300);
        CHILD_CHECK(PlatformSaveWindowPng(hwndMap, out + "_map_live.png"));
        RebuildMapViewFromFile();
        CHILD_CHECK(PlatformSaveWindowPng(hwndMap, out + "_map_rebuilt.png"));
        PauseAndStop();
        CloseProgram();
        return 0;
    }, 120);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    QImage live(QString::fromStdString(out + "_map_live.png")), rebuilt(QString::fromStdString(out + "_map_rebuilt.png"));
    ASSERT_FALSE(live.isNull());
    ASSERT_EQ(live.size(), rebuilt.size());
    long nDiff = 0, nColoured = 0;
    for (int y = 0; y < live.height(); y++)
        for (int x = 0; x < live.width(); x++) {
            const unsigned a = live.pixel(x, y) & 0xFFFFFFu, b = rebuilt.pixel(x, y) & 0xFFFFFFu;
            nDiff += a != b;
            nColoured += a != 0xFFFFFFu;
        }
    EXPECT_GT(nColoured, 200);
    EXPECT_EQ(nDiff, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Instruments, ArrayMapTest,
    ::testing::Values(
        ArrayMap{"em384", INSTRUMENT_EM384, L"Zanth38-4", "COM4=em384:static", "COM4 value 300 5 450 -8 600 12 750 -15", 0},
        ArrayMap{"em384_view8", INSTRUMENT_EM384, L"Zanth38-4", "COM4=em384:static",
                 "COM4 value 300 5 450 -8 600 12 750 -15", 0, 8},
        ArrayMap{"cs21", INSTRUMENT_CS21, L"ZanthCS-21", "COM4=cs21", "COM4 value 250 -12 500 8 400 -6 650 15 anim=1", 0},
        ArrayMap{"grad601_two_sensors", INSTRUMENT_GRAD601, L"Zanth601", "COM4=grad601:sensors=2",
                 "COM4 value 700 1300 anim=1", 1}),
    [](const ::testing::TestParamInfo<ArrayMap> &info) { return std::string(info.param.name); });

}  // namespace
