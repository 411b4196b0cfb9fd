// Logging-screen window: its children and buttons at creation, the popup menu reaching nulling, the link watch of
// the triggered EM61-MK2 on a pseudo-terminal (one 'A' per idle tick, the lost-link notice, ring and break record)
// and which silences each instrument's watch counts (time without a byte from the port, a reader waiting for the
// screen not counted); the EM61-MK2 notice drawn again over a late reading; a notice drawn between a sentence
// reader's lost-link repaint and its return cleared by the next live tick.
#include "acquisition_test_support.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "acquisition/reader_common.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "datafile/datafile_state.h"
#include "datafile/record_length.h"
#include "displays/numbers.h"
#include "logscreen/logscreen.h"
#include "map/pens.h"
#include "processing/em61mk2_decode.h"
#include "processing/handler_state.h"
#include "support/survey_harness.h"

namespace {

class LogScreenWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        hInst = PlatformInit(0, nullptr);
        RegisterResources();
        nInstrumentType = INSTRUMENT_EM61MK2;
        bJixProduct = 1;
        nClientWidth = 1272;
        nClientHeight = 728;
        nLineHeight = 18;
        nTextHeight = 16;
        ASSERT_EQ(RegisterScreenLogClasses(hInst), 0);
        hwndLog = CreateWindow(L"ScreenLogWnd", L"Log", 0, 0, 0, 1280, 762, nullptr, 4, hInst, nullptr);
        ASSERT_NE(hwndLog, nullptr);
    }

    void SetUp() override
    {
        std::filesystem::create_directories(ports.root() + "/C/data");
        PlatformClearDialogScripts();
        PlatformAnswerDialog(L"MESSAGEOK", 1, true);
        PlatformAnswerDialog(L"MESSAGEYESNO", 1, true);
        nActiveScreen = 1;
        bInstrumentEnabled = 1;
        bGpsEnabled = 0;
        bGpsActive = 0;
    }
    void TearDown() override
    {
        PlatformClearDialogScripts();
        CloseDataFile();
        nRecordingState = 0;
    }

    acqtest::PortRoot ports;
};

TEST_F(LogScreenWindowTest, CreationMakesEveryChildAndTheFirstButtonRowOnly)
{
    for (HWND h : {hwndCurve1, hwndCurve2, hwndCurve3, hwndDecay, hwndBarQ, hwndBarI, hwndNumbers, hwndMap,
                   hwndColorBar, hwndSpeed})
        EXPECT_TRUE(IsWindow(h));
    wchar_t sz[32];
    const wchar_t *aszFirst[4] = {L"&File", L"N&ull", L"E&xit", L"&Menu"};
    const wchar_t *aszSecond[4] = {L"&Go", L"&QLine", L"E&xit", L"&Menu"};
    for (int i = 0; i < 4; i++) {
        GetWindowText(hwndLogButtons[i], sz, 32);
        EXPECT_STREQ(sz, aszFirst[i]);
        EXPECT_TRUE(GetWindowStyle(hwndLogButtons[i]) & WS_VISIBLE);
        GetWindowText(hwndLogButtonsAlt[i], sz, 32);
        EXPECT_STREQ(sz, aszSecond[i]);
        EXPECT_FALSE(GetWindowStyle(hwndLogButtonsAlt[i]) & WS_VISIBLE);
        EXPECT_EQ(GetDlgCtrlID(hwndLogButtons[i]), 460 + i);
    }
    GetWindowText(hwndPauseButton, sz, 32);
    EXPECT_STREQ(sz, L"P A U S E");
    for (int i = 0; i < 4; i++) EXPECT_EQ(GetDlgCtrlID(hwndChannelBoxes[i]), 480 + i);
    EXPECT_EQ(hwndChannelBoxes[4], nullptr);
    EXPECT_EQ(awProfileRecordKinds[0], L'D');
    EXPECT_EQ(awProfileRecordKinds[11], L'X');
}

TEST_F(LogScreenWindowTest, MenuButtonOpensTheMenuAndItsNullingItemStartsNulling)
{
    // With a file open the menu (494) offers nulling; the question is answered Yes.
    nRecordingState = -1;
    nEm61ProcedureState = 1;
    PlatformScriptPopupMenu(504);
    SendMessage(hwndLog, WM_COMMAND, MAKEWPARAM(463, 0), 0);
    EXPECT_NE(hPopupMenu, nullptr);  // menu mode lasts after the menu closed
    EXPECT_TRUE(PlatformWaitFor([] { return nEm61ProcedureState == -1; }, 2000));
    EXPECT_EQ(hPopupMenu, nullptr);  // nulling ends menu mode
    nEm61ProcedureState = 1;
    nRecordingState = 0;
}

TEST_F(LogScreenWindowTest, NullButtonInMonitoringDisablesTheButtonsUntilDone)
{
    nRecordingState = 0;
    nEm61ProcedureState = 1;
    for (int i = 0; i < 4; i++) EnableWindow(hwndLogButtons[i], TRUE);
    SendMessage(hwndLog, WM_COMMAND, MAKEWPARAM(461, 0), 0);
    EXPECT_EQ(nEm61ProcedureState, -1);
    EXPECT_FALSE(IsWindowEnabled(hwndLogButtons[0]));
    EXPECT_FALSE(IsWindowEnabled(hwndLogButtons[1]));
    EXPECT_TRUE(IsWindowEnabled(hwndLogButtons[2]));
    EXPECT_FALSE(IsWindowEnabled(hwndLogButtons[3]));
    nEm61ProcedureState = 1;
    for (int i = 0; i < 4; i++) EnableWindow(hwndLogButtons[i], TRUE);
}

TEST_F(LogScreenWindowTest, NullingInStandByAsksFirst)
{
    nRecordingState = -1;
    nEm61ProcedureState = 1;
    PlatformClearDialogScripts();
    PlatformAnswerDialog(L"MESSAGEYESNO", 2, false);
    PlatformClearShownDialogs();
    SendMessage(hwndLog, WM_KEYDOWN, 'U', 0);
    EXPECT_EQ(nEm61ProcedureState, 1);
    std::vector<ShownDialog> shown = PlatformShownDialogs();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back().caption, L"NULLING");
    EXPECT_EQ(shown.back().text, L"DO YOU WANT TO PERFORM NULLING");
    PlatformAnswerDialog(L"MESSAGEYESNO", 1, false);
    SendMessage(hwndLog, WM_KEYDOWN, 'U', 0);
    EXPECT_EQ(nEm61ProcedureState, -1);
    // With the question asked the buttons stay enabled.
    EXPECT_TRUE(IsWindowEnabled(hwndLogButtons[0]));
    nEm61ProcedureState = 1;
    nRecordingState = 0;
}

TEST_F(LogScreenWindowTest, TriggeredLinkWatchPollsNoticesRingsAndRecords)
{
    int m = ports.AddPty(3);
    ASSERT_GE(m, 0);
    hInstrumentPort = OpenSerialPort(L"COM3");
    ASSERT_NE(hInstrumentPort.load(), INVALID_HANDLE_VALUE);
    hTriggerEvent = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    nInstrumentCmdReply = 1;
    nSurveyModeSaved = 0;
    dwInstrumentTimeoutMs = 200;
    dwInstrumentByteTick = GetTickCount() - 1000;
    bDisconnectAlarm = 1;
    bInstrumentConnBreak = 0;
    bConnLostNoticeShown = 0;

    // Idle: one 'A' and the event per tick.
    bInstrumentIdle = 1;
    SendMessage(hwndLog, WM_TIMER, 1, 0);
    EXPECT_EQ(acqtest::ReadMaster(m, 1, 1000), "A");
    EXPECT_EQ(WaitForSingleObject(hTriggerEvent, 0), WAIT_OBJECT_0);
    EXPECT_EQ(bInstrumentIdle.load(), 0);
    ResetEvent(hTriggerEvent);

    // Awaiting a reading within the time-out: nothing sent, nothing raised.
    SendMessage(hwndLog, WM_TIMER, 1, 0);
    EXPECT_EQ(acqtest::ReadMaster(m, 1, 200), "");
    EXPECT_EQ(bInstrumentConnBreak.load(), 0);

    // Silent for longer than the time-out: the break flag, the notice and the ring.
    SetDataRecordLength(27);
    wcscpy(szDataFilePath, L"C:\\data\\link.T61");
    ASSERT_EQ(OpenDataFileHandle(), 1);
    nRecordingState = 1;
    size_t nSoundsBefore = PlatformSoundLog().size();
    dwInstrumentDataTick = GetTickCount() - 1000;
    SendMessage(hwndLog, WM_TIMER, 1, 0);
    EXPECT_EQ(bInstrumentConnBreak.load(), 1);
    EXPECT_EQ(bConnLostNoticeShown.load(), 1);
    std::vector<std::wstring> sounds = PlatformSoundLog();
    ASSERT_GT(sounds.size(), nSoundsBefore);
    EXPECT_EQ(sounds.back(), L"SOUND_RING");
    // Further silent ticks of the same break neither write nor ring again.
    SendMessage(hwndLog, WM_TIMER, 1, 0);
    SendMessage(hwndLog, WM_TIMER, 1, 0);
    EXPECT_EQ(PlatformSoundLog().size(), sounds.size());
    CloseDataFile();
    std::ifstream in(MapDrivePath(L"C:\\data\\link.T61"), std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    std::string bytes = ss.str();
    ASSERT_GE(bytes.size(), 27u);
    ASSERT_EQ(bytes.size(), 27u);  // one break, one record
    EXPECT_EQ(bytes.substr(0, 12), "X1CONN BRK 1");

    nRecordingState = 0;
    bInstrumentConnBreak = 0;
    HANDLE hPort = hInstrumentPort.exchange(INVALID_HANDLE_VALUE);
    CloseHandle(hPort);
    CloseHandle(hTriggerEvent.exchange(nullptr));
    nInstrumentCmdReply = -1;
}

// A tick a reader stores just after the timer read the clock lies in the future of that reading: it is no
// silence of four billion milliseconds, for the EM61-MK2 and for the instruments watched the same way.
TEST_F(LogScreenWindowTest, ATickStoredAfterTheTimersNowIsNoSilence)
{
    const int aTypes[3] = {INSTRUMENT_EM61MK2, INSTRUMENT_EM31MK2, INSTRUMENT_GRAD601};
    nInstrumentCmdReply = 0;
    nSurveyModeSaved = 0;
    nSurveyModePrev = 0;
    dwInstrumentTimeoutMs = 200;
    dwInstrumentByteTick = GetTickCount() - 1000;
    for (int type : aTypes) {
        nInstrumentType = type;
        bInstrumentConnBreak = 0;
        bConnLostNoticeShown = 0;
        dwInstrumentDataTick = GetTickCount() + 40;
        SendMessage(hwndLog, WM_TIMER, 1, 0);
        EXPECT_EQ(bConnLostNoticeShown.load(), 0) << type;
        EXPECT_EQ(bInstrumentConnBreak.load(), 0) << type;
        // The same tick long past is a silence.
        dwInstrumentDataTick = GetTickCount() - 1000;
        SendMessage(hwndLog, WM_TIMER, 1, 0);
        EXPECT_EQ(bConnLostNoticeShown.load(), 1) << type;
        dwInstrumentDataTick = GetTickCount();
        SendMessage(hwndLog, WM_TIMER, 1, 0);
        EXPECT_EQ(bConnLostNoticeShown.load(), 0) << type;
    }
    nInstrumentType = INSTRUMENT_EM61MK2;
    bInstrumentConnBreak = 0;
    nInstrumentCmdReply = -1;
}

// Each instrument's branch of the watch: which silences count (the EM61s in the AUTO mode only, the EM61-LX2 not
// while a procedure box is up, the EM34-3 in the manual mode not while a station is being confirmed, the EM38-4
// by its own time-out from the last frame and not while a calibration box is up, the EM38 and the CS-21 like the
// others), and what a silence does: the notice and one ring, the EM38-4's averaging restarted even under its box.
TEST_F(LogScreenWindowTest, EachInstrumentsSilenceCountsOnlyWhereItsBranchWatches)
{
    struct WatchCase {
        const char *name;
        int type, modeSaved, modePrev, procedureOpen, stationConfirmOpen, em384DialogOpen;
        int frameAgeMs;  // age of the last frame (the EM38-4 measures from it); the data tick is 1000 ms old
        int notice, averageRestarted;
    };
    const WatchCase aCase[] = {
        {"EM61-MK2 AUTO", INSTRUMENT_EM61MK2, 0, 0, 0, 0, 0, 1000, 1, 0},
        {"EM61-MK2 WHEEL", INSTRUMENT_EM61MK2, 1, 1, 0, 0, 0, 1000, 0, 0},
        {"EM61-MK2 MANUAL", INSTRUMENT_EM61MK2, 2, 2, 0, 0, 0, 1000, 0, 0},
        {"EM61-LX2 AUTO", INSTRUMENT_EM61LX2, 0, 0, 0, 0, 0, 1000, 1, 0},
        {"EM61-LX2 WHEEL", INSTRUMENT_EM61LX2, 1, 1, 0, 0, 0, 1000, 0, 0},
        {"EM61-LX2 procedure box up", INSTRUMENT_EM61LX2, 0, 0, 1, 0, 0, 1000, 0, 0},
        {"Grad601", INSTRUMENT_GRAD601, 0, 0, 0, 0, 0, 1000, 1, 0},
        {"EM31-MK2", INSTRUMENT_EM31MK2, 1, 1, 0, 0, 0, 1000, 1, 0},
        {"EM38-MK2", INSTRUMENT_EM38MK2, 2, 2, 0, 0, 0, 1000, 1, 0},
        {"EM34-3 AUTO", INSTRUMENT_EM34, 0, 0, 0, 0, 0, 1000, 1, 0},
        {"EM34-3 manual, station being confirmed", INSTRUMENT_EM34, 2, 2, 0, 1, 0, 1000, 0, 0},
        {"EM38-4 silent", INSTRUMENT_EM384, 0, 0, 0, 0, 0, 1500, 1, 1},
        {"EM38-4 calibration box up", INSTRUMENT_EM384, 0, 0, 0, 0, 1, 1500, 0, 1},
        {"EM38-4 frame within its own time-out", INSTRUMENT_EM384, 0, 0, 0, 0, 0, 500, 0, 0},
        {"EM38-4 frame stored after the timer's now", INSTRUMENT_EM384, 0, 0, 0, 0, 0, -40, 0, 0},
        {"EM38", INSTRUMENT_EM38, 0, 0, 0, 0, 0, 1000, 1, 0},
        {"CS-21", INSTRUMENT_CS21, 0, 0, 0, 0, 0, 1000, 1, 0},
    };
    ASSERT_FALSE(hInstrumentPort.load() != nullptr && hInstrumentPort.load() != INVALID_HANDLE_VALUE);
    bInstrumentPortLost = 0;
    nInstrumentCmdReply = 0;
    dwInstrumentTimeoutMs = 200;
    dwEm384TimeoutMs = 1000;
    bDisconnectAlarm = 1;
    nRecordingState = 0;
    for (const WatchCase &c : aCase) {
        SCOPED_TRACE(c.name);
        nInstrumentType = c.type;
        nSurveyModeSaved = c.modeSaved;
        nSurveyModePrev = c.modePrev;
        bProcedureDialogOpen = c.procedureOpen;
        bStationConfirmOpen = c.stationConfirmOpen;
        bEm384DialogOpen = c.em384DialogOpen;
        nEm384AverageState = 0;
        bInstrumentConnBreak = 0;
        bConnLostNoticeShown = 0;
        PlatformClearShownDialogs();
        const size_t nSoundsBefore = PlatformSoundLog().size();
        const DWORD dwNow = GetTickCount();
        dwInstrumentDataTick = dwNow - 1000;
        dwInstrumentByteTick = dwNow - (DWORD)std::max(1000, c.frameAgeMs);
        adwFrameTick[0] = dwNow - (DWORD)c.frameAgeMs;
        for (int i = 0; i < 3; i++) SendMessage(hwndLog, WM_TIMER, 1, 0);
        EXPECT_EQ(bConnLostNoticeShown.load(), c.notice);
        EXPECT_EQ(PlatformSoundLog().size() - nSoundsBefore, (size_t)c.notice) << "one ring per break";
        EXPECT_EQ(nEm384AverageState == -1, c.averageRestarted == 1);
        EXPECT_TRUE(PlatformShownDialogs().empty()) << "no battery-save question";
        // Data again: the notice gives way.
        dwInstrumentDataTick = GetTickCount();
        adwFrameTick[0] = GetTickCount();
        SendMessage(hwndLog, WM_TIMER, 1, 0);
        EXPECT_EQ(bConnLostNoticeShown.load(), 0);
    }
    bProcedureDialogOpen = bStationConfirmOpen = bEm384DialogOpen = 0;
    nSurveyModeSaved = nSurveyModePrev = 0;
    nEm384AverageState = 0;
    bInstrumentConnBreak = 0;
    nInstrumentCmdReply = -1;
    nInstrumentType = INSTRUMENT_EM61MK2;
}

// Silence is time in which the instrument port delivered no byte. A byte within the time-out, or a reader waiting
// for the screen to take its reading (the screen busy with a redraw or a map rebuild), is no silence, whatever
// the age of the last reading; for every watched instrument, the EM38-4 measuring from its last frame.
TEST_F(LogScreenWindowTest, ASilenceIsOnlyTimeInWhichThePortDeliveredNoByte)
{
    const int aTypes[] = {INSTRUMENT_EM61MK2, INSTRUMENT_EM61LX2, INSTRUMENT_EM31MK2, INSTRUMENT_EM34,
                          INSTRUMENT_EM38MK2, INSTRUMENT_EM384,   INSTRUMENT_GRAD601, INSTRUMENT_EM38,
                          INSTRUMENT_CS21};
    ASSERT_FALSE(hInstrumentPort.load() != nullptr && hInstrumentPort.load() != INVALID_HANDLE_VALUE);
    bInstrumentPortLost = 0;
    nInstrumentCmdReply = 0;
    nSurveyModeSaved = nSurveyModePrev = 0;
    dwInstrumentTimeoutMs = 200;
    dwEm384TimeoutMs = 1000;
    struct Step {
        const char *what;
        int byteAgeMs, screenWaits, silent;
    };
    const Step aStep[] = {
        {"a byte within the time-out", 50, 0, 0},
        {"a reader waiting for the screen", 5000, 1, 0},
        {"no byte, no reader waiting", 5000, 0, 1},
    };
    for (int type : aTypes) {
        for (const Step &st : aStep) {
            SCOPED_TRACE(std::to_string(type) + ": " + st.what);
            nInstrumentType = type;
            bInstrumentConnBreak = 0;
            bConnLostNoticeShown = 0;
            const DWORD dwNow = GetTickCount();
            dwInstrumentDataTick = dwNow - 5000;
            adwFrameTick[0] = dwNow - 5000;
            dwInstrumentByteTick = dwNow - (DWORD)st.byteAgeMs;
            nInstrumentScreenWaits = st.screenWaits;
            SendMessage(hwndLog, WM_TIMER, 1, 0);
            nInstrumentScreenWaits = 0;
            EXPECT_EQ(bConnLostNoticeShown.load(), st.silent);
            if (type == INSTRUMENT_EM61MK2 || type == INSTRUMENT_EM61LX2) {
                EXPECT_EQ(bInstrumentConnBreak.load(), st.silent) << "the re-arm request";
            }
        }
    }
    bInstrumentConnBreak = 0;
    bConnLostNoticeShown = 0;
    nInstrumentCmdReply = -1;
    nInstrumentType = INSTRUMENT_EM61MK2;
}

// EM61-MK2: a reading handled late (taken from the port before the silence was noticed) paints its values over the
// notice; the notice is drawn again at the next silent tick, as long as the silence lasts.
TEST_F(LogScreenWindowTest, Em61Mk2NoticePaintedOverByALateReadingIsDrawnAgainAtTheNextSilentTick)
{
    if (!hbrRed) CreateFixedPensAndBrushes();
    nInstrumentType = INSTRUMENT_EM61MK2;
    nInstrumentCmdReply = 0;
    nSurveyModeSaved = nSurveyModePrev = 0;
    bInstrumentPortLost = 0;
    dwInstrumentTimeoutMs = 200;
    bConnLostNoticeShown = 0;
    const DWORD dwNow = GetTickCount();
    dwInstrumentDataTick = dwNow - 1000;
    dwInstrumentByteTick = dwNow - 1000;
    const COLORREF clrNotice = RGB(255, 0, 0);
    SendMessage(hwndLog, WM_TIMER, 1, 0);
    ASSERT_EQ(bConnLostNoticeShown.load(), 1);
    const int nNotice = survey::CountColourInRect(hwndNumbers, rcSidePanelValues, clrNotice);
    ASSERT_GT(nNotice, 0);
    HDC hdc = GetDC(hwndNumbers);
    DrawChannelValues(hdc, 1.0, 2.0, 3.0, 4.0);
    ReleaseDC(hwndNumbers, hdc);
    ASSERT_LT(survey::CountColourInRect(hwndNumbers, rcSidePanelValues, clrNotice), nNotice);
    SendMessage(hwndLog, WM_TIMER, 1, 0);
    EXPECT_EQ(survey::CountColourInRect(hwndNumbers, rcSidePanelValues, clrNotice), nNotice);
    bInstrumentConnBreak = 0;
    bConnLostNoticeShown = 0;
    nInstrumentCmdReply = -1;
}

// A stand-in GPS monitor that carries the readers' calls to this thread: after each call the screen handles a tick
// of the link watch before the calling reader runs again, and at that tick the port is found missing (a loose
// plug); the next tick finds it again.
LRESULT PortMissingTickAfterHandedOverCallProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_RUN_ON_UI_THREAD) return DefWindowProc(hwnd, message, wParam, lParam);
    RunHandedOverCall(hwnd, message, wParam, lParam);
    bInstrumentPortLost = 1;
    SendMessage(hwndLog, WM_TIMER, 1, 0);
    bInstrumentPortLost = 0;
    return 0;
}

// The sentence readers clear the notice with their first sentence after a silence (the labels drawn on this
// thread). When the screen's tick between those labels and the reader's return draws the notice again (the port
// missing there, the CS-21 drawing it at each silent tick), the notice keeps its flag: the link back at the next
// tick clears it and no notice red is left anywhere in the numbers window (the sentence's values fill only their
// column beside the labels).
TEST_F(LogScreenWindowTest, ANoticeDrawnBetweenAReadersLabelsAndItsReturnIsClearedByTheNextLiveTick)
{
    if (!hbrRed) CreateFixedPensAndBrushes();
    WNDCLASS wc = {};
    wc.lpfnWndProc = PortMissingTickAfterHandedOverCallProc;
    wc.hInstance = hInst;
    wc.lpszClassName = L"PortMissingTickMonitorWnd";
    RegisterClass(&wc);
    HWND hwndMonitor = CreateWindow(L"PortMissingTickMonitorWnd", L"", WS_CHILD, 0, 0, 10, 10, hwndLog, 781, hInst,
                                    nullptr);
    ASSERT_NE(hwndMonitor, nullptr);
    const HWND hwndMonitorBefore = hwndGpsMonitor;
    hwndGpsMonitor = hwndMonitor;
    const int nPortBefore = nInstrumentPort;
    nInstrumentPort = 8;  // COM9: no such port
    nSurveyModeSaved = nSurveyModePrev = 0;
    bInstrumentPortLost = 0;
    nInstrumentScreenWaits = 0;
    bDisconnectAlarm = 0;
    nEm384DisplayMode = 0;
    dwInstrumentTimeoutMs = 200;
    RECT rcClient;
    ASSERT_TRUE(GetClientRect(hwndNumbers, &rcClient));
    struct SentenceCase {
        int type;
        UINT message;
        const char *szSentence;
    };
    const SentenceCase aCases[2] = {{INSTRUMENT_CS21, WM_DUALEM_READING, "$PDLM1,112345.234,12.5,-0.8,30.1,1.2"},
                                    {INSTRUMENT_GRAD601, WM_GRAD601_READING, "$PBAR,+12.3,+45.6"}};
    for (const SentenceCase &c : aCases) {
        SCOPED_TRACE(c.type);
        nInstrumentType = c.type;
        bConnLostNoticeShown = 0;
        dwInstrumentDataTick = dwInstrumentByteTick = GetTickCount() - 1000;
        SendMessage(hwndLog, WM_TIMER, 1, 0);
        ASSERT_EQ(bConnLostNoticeShown.load(), 1);
        ASSERT_GT(survey::CountColourInRect(hwndNumbers, rcClient, RGB(255, 0, 0)), 0);
        // The first sentence after the silence, handed over by a reader thread.
        std::atomic<bool> bReturned{false};
        std::thread reader([&bReturned, &c] {
            HandOverInstrumentSentence(c.szSentence, c.message);
            bReturned = true;
        });
        const bool bDone = PlatformWaitFor([&bReturned] { return bReturned.load(); }, 5000);
        reader.join();
        ASSERT_TRUE(bDone);
        // The port is there again at the next tick, the sentence's tick fresh: the link is live.
        SendMessage(hwndLog, WM_TIMER, 1, 0);
        EXPECT_EQ(bConnLostNoticeShown.load(), 0);
        EXPECT_EQ(survey::CountColourInRect(hwndNumbers, rcClient, RGB(255, 0, 0)), 0);
        PlatformSaveWindowPng(hwndNumbers, std::string(TEST_OUTPUT_DIR "/lost_link_numbers_after_port_missing_tick_") +
                                               (c.type == INSTRUMENT_CS21 ? "cs21" : "grad601") + ".png");
    }
    hwndGpsMonitor = hwndMonitorBefore;
    DestroyWindow(hwndMonitor);
    nInstrumentPort = nPortBefore;
    bInstrumentConnBreak = 0;
    bConnLostNoticeShown = 0;
    nInstrumentType = INSTRUMENT_EM61MK2;
}

TEST_F(LogScreenWindowTest, LandscapeArrangementWithTheMapPlacesEveryWindowInside)
{
    bGpsEnabled = 1;
    bGpsActive = 1;
    ArrangeLogScreen();
    ShowWindow(hwndLog, SW_SHOW);
    RECT rcLog;
    GetClientRect(hwndLog, &rcLog);
    for (HWND h : {hwndMap, hwndCurve1, hwndDecay, hwndNumbers, hwndSpeed, hwndLogButtons[0], hwndLogButtons[3],
                   hwndMapViewButtons[0], hwndMapViewButtons[3]}) {
        RECT r;
        GetWindowRect(h, &r);
        RECT rp;
        GetWindowRect(hwndLog, &rp);
        EXPECT_GT(r.right, r.left);
        EXPECT_GT(r.bottom, r.top);
        EXPECT_LE(r.right - rp.left, rp.right - rp.left + 1);
    }
    EXPECT_TRUE(PlatformSaveWindowPng(hwndLog, std::string(TEST_OUTPUT_DIR "/logscreen_arranged_landscape_map.png")));
    ShowWindow(hwndLog, SW_HIDE);
    bGpsEnabled = 0;
    bGpsActive = 0;
}

}  // namespace
