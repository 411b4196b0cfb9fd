// The default run end to end: Jix61MK2 with the device emulator playing a survey (--demo, as start-default.sh starts
// it) shows profiles that move over its default scale and the anomaly of a target; a PNG of the screen is kept.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "core/core.h"
#include "core/settings.h"
#include "logscreen/logscreen.h"
#include "support/emulator_client.h"
#include "support/program_runner.h"
#include "support/survey_harness.h"

using namespace survey;

namespace {

// Rows of the window between the highest and the lowest pixel of this colour; 0 when there is none.
int SpanOfColour(HWND hwnd, COLORREF clr)
{
    RECT rc;
    GetClientRect(hwnd, &rc);
    const std::vector<COLORREF> px = WindowPixels(hwnd);
    int top = rc.bottom, bottom = -1;
    for (int y = 0; y < rc.bottom; y++)
        for (int x = 0; x < rc.right; x++)
            if (px[(size_t)y * rc.right + x] == clr) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    return bottom < 0 ? 0 : bottom - top + 1;
}

// The emulator's default ports with --demo; the walk at 2 m/s, so that it crosses the pipe of the demo ground (15 m
// along the first line) within ten seconds. The program with its defaults logs until the GPS has sent 14 more
// epochs (28 m walked): channel 1's profile then spans a fifth of its window at least (soil, and the pipe far above
// it). The screen goes to default_run_demo_survey.png.
TEST(DefaultRun, DemoSurveyMovesOverTheDefaultScale)
{
    std::string root = emu::MakeTempRoot("default_run_demo");
    emu::Emulator dev(root, {"COM4=em61mk2", "COM6=gps", "COM7=tilt"}, {"--demo"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(dev.ok("COM6 walk 0 2"));
    ChildResult r = RunProgramInChild(StartIn(root, 1), [&dev]() {
        UseEmulatorPorts(true);
        CHILD_CHECK(StartLoggingTo(L"C:\\data\\demo.P61"));
        const long nStart = dev.count("COM6");
        CHILD_CHECK(PlatformWaitFor([&dev, nStart] { return dev.count("COM6") >= nStart + 14; }, 60000));
        PlatformPump(500);
        CHILD_CHECK(PlatformSaveWindowPng(hwndLog, std::string(TEST_OUTPUT_DIR "/default_run_demo_survey.png")));
        RECT rc;
        GetClientRect(hwndCurve1, &rc);
        const int nSpan = SpanOfColour(hwndCurve1, aclrChannel[0]);
        std::printf("channel 1 spans %d of %ld rows (scale %g..%g)\n", nSpan, (long)rc.bottom, dScale1Min, dScale1Max);
        CHILD_CHECK(nSpan * 5 >= rc.bottom);
        PauseAndStop();
        CloseProgram();
        return 0;
    }, 120);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
}

}  // namespace
