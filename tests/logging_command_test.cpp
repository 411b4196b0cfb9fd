// "&Logging" from the real main menu against the device emulator: the EM61-MK2's answer chooses the reader and
// timer 1, a silent instrument and port conflicts are refused with ports closed, and a stopped run starts again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "acquisition/acquisition.h"
#include "background/background_state.h"
#include "core/core.h"
#include "core/logging_command.h"
#include "core/settings.h"
#include "datafile/record_length.h"
#include "logscreen/logscreen.h"
#include "processing/em61mk2_decode.h"
#include "processing/gps_position.h"
#include "support/emulator_client.h"
#include "support/program_runner.h"
#include "support/survey_harness.h"

using namespace survey;

namespace {

bool MenuShown()
{
    for (int i = 0; i < 10; i++)
        if (!IsWindowVisible(ahMenuButton[i]))
            return false;
    return true;
}

// The emulator sees the port closed (a reader inside a port read lets go of it within one read time-out).
bool PortClosedByProgram(emu::Emulator &dev, const std::string &port)
{
    return PlatformWaitFor([&] { return dev.command(port + " state") == "OK idle"; }, 2000);
}

}  // namespace

TEST(LoggingCommand, StreamingAnswerStartsTheContinuousReaderAndA300MsTimer)
{
    std::string root = emu::MakeTempRoot("logging_ov");
    emu::Emulator dev(root, {"COM4=em61mk2:answer=OV"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ProgramStart start;
    start.rootFolder = root;
    ChildResult r = RunProgramInChild(start, [&dev]() {
        UseEmulatorPorts(false);
        nBackgroundFileCount = 3;
        wcscpy(aszBackgroundFileName[2], L"old.asc");
        PlatformClearShownDialogs();
        PlatformPressKey('L');
        CHILD_CHECK(PlatformShownDialogs().empty());
        CHILD_CHECK(nActiveScreen == 1);
        CHILD_CHECK(IsWindowVisible(hwndLog));
        CHILD_CHECK(!IsWindowVisible(ahMenuButton[0]));
        CHILD_CHECK(nRecordingState == 0);
        CHILD_CHECK(nInstrumentCmdReply == 0);
        CHILD_CHECK(nEm61ProcedureState == 0 || nEm61ProcedureState == 1);
        CHILD_CHECK(IsOpenHandle(hInstrumentPort));
        CHILD_CHECK(IsOpenHandle(hInstrumentThread));
        CHILD_CHECK(IsOpenHandle(hInstrumentThread2));  // the wheel reader, made suspended
        CHILD_CHECK(!IsOpenHandle(hGpsPort));
        CHILD_CHECK(nBackgroundFileCount == 0 && aszBackgroundFileName[2][0] == 0);
        CHILD_CHECK(HasTimer(300));
        CHILD_CHECK(!HasTimer(500));  // the reader's first period is replaced
        CHILD_CHECK(!HasTimer(100));
        CHILD_CHECK(nDataRecordNewline == 26 && nDataRecordMarkPos == 25 && nDataRecordBlankPos == 24);
        CHILD_CHECK(dwTriggerWaitMs == 111);
        // The continuous reader takes the streamed frames without any trigger.
        CHILD_CHECK(FramesArrive(3000));
        std::string sent = dev.received("COM4");
        CHILD_CHECK(sent.find("HX") != std::string::npos);
        CHILD_CHECK(sent.find('A') == std::string::npos);
        CloseProgram();
        return 0;
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
}

TEST(LoggingCommand, TriggeredAnswerStartsTheTriggeredReaderAndA100MsTimer)
{
    std::string root = emu::MakeTempRoot("logging_ok");
    emu::Emulator dev(root, {"COM4=em61mk2:answer=OK"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ProgramStart start;
    start.rootFolder = root;
    ChildResult r = RunProgramInChild(start, [&dev]() {
        UseEmulatorPorts(false);
        PlatformClearShownDialogs();
        PlatformPressKey('L');
        CHILD_CHECK(PlatformShownDialogs().empty());
        CHILD_CHECK(nActiveScreen == 1);
        CHILD_CHECK(nInstrumentCmdReply == 1);
        CHILD_CHECK(hTriggerEvent.load() != nullptr);
        CHILD_CHECK(IsOpenHandle(hInstrumentThread));
        CHILD_CHECK(IsOpenHandle(hInstrumentThread2));
        CHILD_CHECK(HasTimer(100));
        CHILD_CHECK(!HasTimer(300));
        dev.received("COM4");  // the "H" "X" command
        // One trigger per tick while the instrument is idle: about ten in a second, each answered by a frame.
        PlatformPump(1500);
        std::string sent = dev.received("COM4");
        size_t triggers = 0;
        for (char c : sent)
            triggers += c == 'A';
        CHILD_CHECK(triggers >= 4);
        CHILD_CHECK(triggers <= 30);
        CHILD_CHECK(FramesArrive(2000));
        CloseProgram();
        return 0;
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
}

TEST(LoggingCommand, SilentInstrumentGivesConnectionIssueWithThePortsClosed)
{
    std::string root = emu::MakeTempRoot("logging_silent");
    emu::Emulator dev(root, {"COM4=em61mk2:answer=none", "COM6=gps:format=1"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ProgramStart start;
    start.rootFolder = root;
    ChildResult r = RunProgramInChild(start, [&dev]() {
        UseEmulatorPorts(false);
        bGpsEnabled = 1;  // the GPS port opened by the command is closed again too
        PlatformClearShownDialogs();
        PlatformAnswerDialog(L"Connection Issue", 1);
        PlatformPressKey('L');
        CHILD_CHECK(ShownWith(L"Connection Issue", L"Instrument OFF or Disconnected, or wrong COM port selected"));
        CHILD_CHECK(PlatformShownDialogs().size() == 1);
        CHILD_CHECK(nActiveScreen == 0);
        CHILD_CHECK(!IsWindowVisible(hwndLog));
        CHILD_CHECK(MenuShown());
        CHILD_CHECK(nRecordingState == -2);
        CHILD_CHECK(!IsOpenHandle(hInstrumentPort));
        CHILD_CHECK(!IsOpenHandle(hGpsPort));
        CHILD_CHECK(!IsOpenHandle(hInstrumentThread));
        CHILD_CHECK(!IsOpenHandle(hGpsThread));
        CHILD_CHECK(ActiveTimerPeriods().empty());
        CHILD_CHECK(PortClosedByProgram(dev, "COM4"));
        CHILD_CHECK(PortClosedByProgram(dev, "COM6"));
        CloseProgram();
        return 0;
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
}

TEST(LoggingCommand, EachPortConflictIsRefusedWithItsTextAndNoPortOpened)
{
    struct Conflict {
        int instrumentPort, gpsPort, tiltPort, gpsOn, instrumentOn, tiltOn;
        const wchar_t *caption;
        const wchar_t *text;
    };
    const Conflict cases[] = {
        {2, 2, 6, 1, 1, 0, L"Serial Port Issue",
         L"Serial Port COM3 Assigned to Instrument and GPS, please change port selection."},
        {3, 4, 4, 1, 1, 1, L"Serial Port Issue",
         L"Serial Port COM5 Assigned to GPS and Tilt Meter, please change port selection."},
        {7, 5, 7, 0, 1, 1, L"Serial Port Issue",
         L"Serial Port COM8 Assigned to Instrument and Tilt Meter, please change port selection."},
        // The instrument port shared with the tilt meter is named even with the GPS off.
        {0, 0, 0, 0, 1, 1, L"Serial Port Issue",
         L"Serial Port COM1 Assigned to Instrument and Tilt Meter, please change port selection."},
        {3, 5, 6, 0, 0, 0, L"EM AND GPS DISABLED", L"Instrument Disabled and GPS Disabled"},
    };
    ChildResult r = RunProgramInChild(ProgramStart(), [&cases]() {
        PlatformAnswerDialog(L"MESSAGEOK", 1, true);
        for (const Conflict &c : cases) {
            nInstrumentPort = c.instrumentPort;
            nGpsPort = c.gpsPort;
            nTiltPort = c.tiltPort;
            bGpsEnabled = c.gpsOn;
            bInstrumentEnabled = c.instrumentOn;
            bTiltMeterOn = c.tiltOn;
            PlatformClearShownDialogs();
            PlatformPressKey('L');
            CHILD_CHECK(PlatformShownDialogs().size() == 1);
            CHILD_CHECK(ShownWith(c.caption, c.text));
            CHILD_CHECK(nActiveScreen == 0);
            CHILD_CHECK(MenuShown());
            CHILD_CHECK(!IsOpenHandle(hInstrumentPort));
            CHILD_CHECK(!IsOpenHandle(hGpsPort));
            CHILD_CHECK(!IsOpenHandle(hTiltPort));
            CHILD_CHECK(!IsOpenHandle(hInstrumentThread));
        }
        CloseProgram();
        return 0;
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
}

TEST(LoggingCommand, AfterStopLoggingStartsAgain)
{
    std::string root = emu::MakeTempRoot("logging_again");
    emu::Emulator dev(root, {"COM4=em61mk2:answer=OV"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ProgramStart start;
    start.rootFolder = root;
    ChildResult r = RunProgramInChild(start, []() {
        UseEmulatorPorts(false);
        PlatformClearShownDialogs();
        for (int run = 0; run < 2; run++) {
            // The key the first time, the button after the stop.
            if (run == 0)
                PlatformPressKey('L');
            else
                PlatformClickButton(ahMenuButton[0]);
            CHILD_CHECK(PlatformShownDialogs().empty());
            CHILD_CHECK(nActiveScreen == 1);
            CHILD_CHECK(IsWindowVisible(hwndLog));
            CHILD_CHECK(HasTimer(300));
            CHILD_CHECK(FramesArrive(3000));
            StopLoggingStep();  // monitoring: no question
            CHILD_CHECK(nRecordingState == -2);
            CHILD_CHECK(!IsWindowVisible(hwndLog));
            CHILD_CHECK(nActiveScreen == 0);
            CHILD_CHECK(MenuShown());
            CHILD_CHECK(!IsOpenHandle(hInstrumentPort));
            CHILD_CHECK(ActiveTimerPeriods().empty());
            PlatformPump(100);
        }
        CloseProgram();
        return 0;
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
}

// A failed EM34-3 start leaves the GPS Y offset as it was: repeated failures never shift it.
TEST(LoggingCommand, FailedEm34StartsNeverShiftTheGpsYOffset)
{
    std::string root = emu::MakeTempRoot("logging_em34");
    ProgramStart start;
    start.instrumentType = INSTRUMENT_EM34;
    start.rootFolder = root;
    ChildResult r = RunProgramInChild(start, []() {
        UseEmulatorPorts(false);  // nothing on COM4: the port cannot be opened
        PlatformAnswerDialog(L"MESSAGEOK", 1, true);
        nSurveyMode = 0;
        nSurveyModePrev = 0;
        nEm34Separation = 20;
        for (int ref = 0; ref < 3; ref++) {
            nReference = ref;
            dGpsOffsetY = 1.5;
            for (int attempt = 0; attempt < 3; attempt++) {
                PlatformPressKey('L');
                CHILD_CHECK(nActiveScreen == 0);
                CHILD_CHECK(dGpsOffsetY == 1.5);
            }
        }
        CloseProgram();
        return 0;
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
}

// GPS only: no instrument port, no reader and no timer 1; the GPS reader, made suspended, runs once the screen is
// shown and positions arrive; the colour map view is 0.
TEST(LoggingCommand, GpsOnlyRunsTheGpsReaderWithoutInstrumentReaderOrTimer)
{
    std::string root = emu::MakeTempRoot("logging_gps_only");
    emu::Emulator dev(root, {"COM6=gps:format=1"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ProgramStart start;
    start.jixProduct = 0;  // the mapping line keeps a colour map view of its own
    start.rootFolder = root;
    ChildResult r = RunProgramInChild(start, []() {
        UseEmulatorPorts(false);
        bInstrumentEnabled = 0;
        bGpsEnabled = 1;
        nColorMapView = 1;
        nGpsSatellites = 3;  // left from an earlier run: the fix state starts afresh
        PlatformClearShownDialogs();
        PlatformPressKey('L');
        CHILD_CHECK(PlatformShownDialogs().empty());
        CHILD_CHECK(nActiveScreen == 1);
        CHILD_CHECK(IsWindowVisible(hwndLog));
        CHILD_CHECK(!IsOpenHandle(hInstrumentPort));
        CHILD_CHECK(!IsOpenHandle(hInstrumentThread));
        CHILD_CHECK(ActiveTimerPeriods().empty());
        CHILD_CHECK(nColorMapView == 0);
        CHILD_CHECK(bGpsActive == 1);
        CHILD_CHECK(IsOpenHandle(hGpsPort));
        CHILD_CHECK(IsOpenHandle(hGpsThread));
        CHILD_CHECK(nGpsSatellites == 20 || bGpsPositionValid == 1);
        CHILD_CHECK(PlatformWaitFor([] { return nGpsThreadState == THREAD_RUNNING; }, 2000));
        CHILD_CHECK(PlatformWaitFor([] { return bGpsPositionValid == 1; }, 5000));
        CloseProgram();
        return 0;
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
}

// "GPS M&onitoring" (key O) from the main menu shows the monitor in place of the menu.
TEST(LoggingCommand, KeyOShowsTheGpsMonitor)
{
    ChildResult r = RunProgramInChild(ProgramStart(), []() {
        bGpsEnabled = 0;
        PlatformPressKey('O');
        CHILD_CHECK(nActiveScreen == 2);
        CHILD_CHECK(IsWindowVisible(hwndGpsMonitor));
        CHILD_CHECK(!IsWindowVisible(ahMenuButton[0]));
        CHILD_CHECK(!IsWindowVisible(hwndLog));
        CloseProgram();
        return 0;
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
}

// Every instrument through the real menu: the reader starts, data arrive and timer 1 ends at 300 ms; the EM38
// measures its record length first.
TEST(LoggingCommand, EveryInstrumentStartsItsReaderAndTimer)
{
    struct Case {
        int type;
        const char *device;
        int recordLength;  // expected nInstrumentRecordLength, 0: not checked
    };
    const Case cases[] = {
        {INSTRUMENT_EM31MK2, "COM4=em31mk2", 0},  {INSTRUMENT_EM38, "COM4=em38:len=7", 7},
        {INSTRUMENT_EM38, "COM4=em38:len=12", 12}, {INSTRUMENT_EM34, "COM4=em34", 0},
        {INSTRUMENT_EM38MK2, "COM4=em38mk2", 14},  {INSTRUMENT_EM384, "COM4=em384", 26},
        {INSTRUMENT_CS21, "COM4=cs21", 0},         {INSTRUMENT_GRAD601, "COM4=grad601", 0},
        {INSTRUMENT_EM61LX2, "COM4=em61lx2:answer=OV", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.device);
        std::string root = emu::MakeTempRoot("logging_each");
        emu::Emulator dev(root, {c.device});
        ASSERT_TRUE(dev.ready()) << dev.error();
        ProgramStart start;
        start.instrumentType = c.type;
        start.rootFolder = root;
        ChildResult r = RunProgramInChild(start, [c]() {
            UseEmulatorPorts(false);
            PlatformClearShownDialogs();
            PlatformAnswerDialog(L"MESSAGEOK", 1, true);
            PlatformPressKey('L');
            CHILD_CHECK(PlatformShownDialogs().empty());
            CHILD_CHECK(nActiveScreen == 1);
            CHILD_CHECK(IsWindowVisible(hwndLog));
            CHILD_CHECK(IsOpenHandle(hInstrumentThread));
            CHILD_CHECK(HasTimer(300));
            CHILD_CHECK(ActiveTimerPeriods().size() == 1);
            if (c.recordLength) {
                CHILD_CHECK(nInstrumentRecordLength == c.recordLength);
            }
            CHILD_CHECK(PlatformWaitFor(
                [] { return dwInstrumentDataTick != 0 && GetTickCount() - dwInstrumentDataTick < 1000; }, 5000));
            CloseProgram();
            return 0;
        });
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.exitCode, 0);
    }
}

// A silent instrument of each start-up check (first frame within about a second; the EM38's record-length probe;
// the EM61's command) gives "Connection Issue" with the ports closed and the menu still shown.
TEST(LoggingCommand, SilentInstrumentsOfEveryCheckGiveConnectionIssue)
{
    struct Case {
        int type;
        const char *device;
        DWORD minMs;  // the check's own time limit
    };
    const Case cases[] = {
        {INSTRUMENT_EM31MK2, "COM4=em31mk2", 900}, {INSTRUMENT_EM34, "COM4=em34", 900},
        {INSTRUMENT_EM38MK2, "COM4=em38mk2", 900}, {INSTRUMENT_EM384, "COM4=em384", 900},
        {INSTRUMENT_EM38, "COM4=em38:len=7", 1900}, {INSTRUMENT_EM61LX2, "COM4=em61lx2:answer=none", 2900},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.device);
        std::string root = emu::MakeTempRoot("logging_silent_each");
        emu::Emulator dev(root, {c.device});
        ASSERT_TRUE(dev.ready()) << dev.error();
        ASSERT_TRUE(dev.ok("COM4 silence 0"));
        ProgramStart start;
        start.instrumentType = c.type;
        start.rootFolder = root;
        ChildResult r = RunProgramInChild(start, [&dev, c]() {
            UseEmulatorPorts(false);
            PlatformClearShownDialogs();
            PlatformAnswerDialog(L"Connection Issue", 1);
            DWORD dwStart = GetTickCount();
            PlatformPressKey('L');
            CHILD_CHECK(GetTickCount() - dwStart >= c.minMs);
            CHILD_CHECK(PlatformShownDialogs().size() == 1);
            CHILD_CHECK(ShownWith(L"Connection Issue", L"Instrument OFF or Disconnected, or wrong COM port selected"));
            CHILD_CHECK(nActiveScreen == 0);
            CHILD_CHECK(MenuShown());
            CHILD_CHECK(!IsWindowVisible(hwndLog));
            CHILD_CHECK(!IsOpenHandle(hInstrumentPort));
            CHILD_CHECK(!IsOpenHandle(hInstrumentThread));
            CHILD_CHECK(ActiveTimerPeriods().empty());
            CHILD_CHECK(PortClosedByProgram(dev, "COM4"));
            CloseProgram();
            return 0;
        });
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.exitCode, 0);
    }
}

// EM61-MK2 with the tilt meter: a tilt meter that takes the output rate gets its reader; one that is silent or
// missing ends everything the command started, with its message.
TEST(LoggingCommand, TiltMeterStartsItsReaderOrEndsWhatWasStarted)
{
    struct Case {
        bool tiltPresent, tiltSilent;
        const wchar_t *caption;  // nullptr: the start succeeds
        const wchar_t *text;
    };
    const Case cases[] = {
        {true, false, nullptr, nullptr},
        {true, true, L"Connection Issue", L"Tilt Meter OFF or Disconnected, or wrong COM port selected"},
        {false, false, L"Serial Port Issue", L"Cannot open Tilt port COM7"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.tiltPresent ? (c.tiltSilent ? "silent" : "answering") : "missing");
        std::string root = emu::MakeTempRoot("logging_tilt");
        std::vector<std::string> ports = {"COM4=em61mk2:answer=OV"};
        if (c.tiltPresent) ports.push_back("COM7=tilt");
        emu::Emulator dev(root, ports);
        ASSERT_TRUE(dev.ready()) << dev.error();
        if (c.tiltSilent) {
            ASSERT_TRUE(dev.ok("COM7 silence 0"));
        }
        ProgramStart start;
        start.rootFolder = root;
        ChildResult r = RunProgramInChild(start, [&c, &dev]() {
            UseEmulatorPorts(false);
            bTiltMeterOn = 1;
            nTiltMeterState = 2;
            PlatformClearShownDialogs();
            PlatformAnswerDialog(L"MESSAGEOK", 1, true);
            PlatformPressKey('L');
            if (!c.caption) {
                CHILD_CHECK(PlatformShownDialogs().empty());
                CHILD_CHECK(nActiveScreen == 1);
                CHILD_CHECK(IsOpenHandle(hTiltPort));
                CHILD_CHECK(IsOpenHandle(hTiltThread));
                CHILD_CHECK(dev.received("COM7").find("[1D5\r") != std::string::npos);
            } else {
                CHILD_CHECK(PlatformShownDialogs().size() == 1);
                CHILD_CHECK(ShownWith(c.caption, c.text));
                CHILD_CHECK(nActiveScreen == 0);
                CHILD_CHECK(MenuShown());
                CHILD_CHECK(!IsOpenHandle(hTiltPort));
                CHILD_CHECK(!IsOpenHandle(hInstrumentPort));
                CHILD_CHECK(!IsOpenHandle(hInstrumentThread));
                CHILD_CHECK(!IsOpenHandle(hInstrumentThread2));
                CHILD_CHECK(ActiveTimerPeriods().empty());
                CHILD_CHECK(PortClosedByProgram(dev, "COM4"));
            }
            CloseProgram();
            return 0;
        });
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.exitCode, 0);
    }
}

// A second "&Logging" while the readers of the first run still run (their port open): the port is closed and
// opened again and the new run gets frames, with no "port busy" report.
TEST(LoggingCommand, SecondStartOverRunningReadersReopensThePort)
{
    std::string root = emu::MakeTempRoot("logging_over_running");
    emu::Emulator dev(root, {"COM4=em61mk2:answer=OV"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ProgramStart start;
    start.rootFolder = root;
    ChildResult r = RunProgramInChild(start, []() {
        UseEmulatorPorts(false);
        PlatformClearShownDialogs();
        PlatformAnswerDialog(L"MESSAGEOK", 1, true);
        PlatformPressKey('L');
        CHILD_CHECK(nActiveScreen == 1);
        CHILD_CHECK(FramesArrive(3000));
        CHILD_CHECK(nInstrumentThreadState == THREAD_RUNNING);
        // Back to the menu without stopping: the readers and the port stay.
        ShowWindow(hwndLog, SW_HIDE);
        nActiveScreen = 0;
        nRecordingState = -2;
        PlatformClickButton(ahMenuButton[0]);
        CHILD_CHECK(PlatformShownDialogs().empty());
        CHILD_CHECK(nActiveScreen == 1);
        CHILD_CHECK(IsOpenHandle(hInstrumentPort));
        CHILD_CHECK(FramesArrive(3000));
        CHILD_CHECK(ActiveTimerPeriods().size() == 1);
        CloseProgram();
        return 0;
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
}

// Portrait and landscape screens of both product lines: the command lays the screen out and shows it.
TEST(LoggingCommand, StartsOnPortraitAndLandscapeScreensOfBothLines)
{
    struct Case {
        int width, height, jix;
    };
    for (const Case &c : {Case{1920, 1080, 1}, Case{600, 1024, 1}, Case{1280, 800, 0}, Case{768, 1024, 0}}) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + (c.jix ? " Jix" : " Zanth"));
        std::string root = emu::MakeTempRoot("logging_screens");
        emu::Emulator dev(root, {"COM4=em61mk2:answer=OV"});
        ASSERT_TRUE(dev.ready()) << dev.error();
        ProgramStart start;
        start.rootFolder = root;
        start.screenWidth = c.width;
        start.screenHeight = c.height;
        start.jixProduct = c.jix;
        ChildResult r = RunProgramInChild(start, [c]() {
            CHILD_CHECK(bPortrait == (c.height > c.width ? 1 : 0));
            UseEmulatorPorts(false);
            PlatformClearShownDialogs();
            PlatformPressKey('L');
            CHILD_CHECK(PlatformShownDialogs().empty());
            CHILD_CHECK(nActiveScreen == 1);
            CHILD_CHECK(IsWindowVisible(hwndLog));
            CHILD_CHECK(IsWindowVisible(hwndCurve1));
            CHILD_CHECK(nCurveAreaHeight > 0);
            CHILD_CHECK(FramesArrive(3000));
            CloseProgram();
            return 0;
        });
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.exitCode, 0);
    }
}
