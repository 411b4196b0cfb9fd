// GPS monitor screen: live sentences, pause and go, keys, sending a command, the long-command refusal, exit.
#include "acquisition_test_support.h"

#include "core/settings.h"

using namespace acqtest;

namespace {

const char kGga[] = "$GPGGA,133524,4336.5940,N,07936.6403,W,8,11,2.0,142.5,M,-35.4,M,,*74";

class GpsMonitor : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitAcquisitionTestWindows();
        ShowWindow(hwndMain, SW_SHOW);  // the monitor is a child of the shown main window
        PlatformClearShownDialogs();
        PlatformAnswerDialog(L"MESSAGEOK", 1, true);
        bGpsEnabled = 1;
        nGpsPort = 5;
        nGpsBaud = 1;
        nGpsMonitorMaxLines = 5000;
        m_ = root_.AddPty(6);
        ASSERT_GE(m_, 0);
        nFdsBefore_ = CountOpenDescriptors();
        ASSERT_EQ(StartGpsMonitoring(), 1);
        hList_ = GetDlgItem(hwndGpsMonitor, 760);
        ASSERT_NE(hList_, nullptr);
    }
    void TearDown() override
    {
        if (nActiveScreen == 2) Key('X');
        PlatformClearDialogScripts();
    }
    void Key(int vk) { SendMessage(hwndGpsMonitor, WM_KEYDOWN, (WPARAM)vk, 0); }
    int Lines() { return (int)SendMessage(hList_, LB_GETCOUNT, 0, 0); }
    std::wstring Line(int i)
    {
        wchar_t buf[256] = {};
        SendMessage(hList_, LB_GETTEXT, (WPARAM)i, (LPARAM)buf);
        return buf;
    }
    bool IsDefault(int id) { return SendMessage(GetDlgItem(hwndGpsMonitor, id), BM_GETSTYLE, 0, 0) & BS_DEFPUSHBUTTON; }
    bool Shown(int id) { return IsWindowVisible(GetDlgItem(hwndGpsMonitor, id)); }

    PortRoot root_;
    int m_ = -1;
    int nFdsBefore_ = 0;
    HWND hList_ = nullptr;
};

TEST_F(GpsMonitor, LiveSentencesAreListed)
{
    EXPECT_EQ(nActiveScreen, 2);
    EXPECT_TRUE(IsWindowVisible(hwndGpsMonitor));
    ASSERT_TRUE(WriteBytes(m_, std::string("noise").append(kGga).append("\r\n$GPGSA,A,3*30\r\n")));
    ASSERT_TRUE(WaitUntil([&] { return Lines() >= 2; }, 3000));
    EXPECT_EQ(Line(0), L"$GPGGA,133524,4336.5940,N,07936.6403,W,8,11,2.0,142.5,M,-35.4,M,,*74");
    EXPECT_EQ(Line(1), L"$GPGSA,A,3*30");
}

TEST_F(GpsMonitor, SilentReceiverShowsNoData)
{
    ASSERT_TRUE(WaitUntil([&] { return Lines() >= 1; }, 9000));
    EXPECT_EQ(Line(0), L"NO DATA");
}

TEST_F(GpsMonitor, ListKeepsTheMostRecentLines)
{
    nGpsMonitorMaxLines = 3;
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(WriteBytes(m_, "$GPTXT," + std::to_string(i) + "\r\n"));
    ASSERT_TRUE(WaitUntil([&] { return Line(Lines() - 1) == L"$GPTXT,4"; }, 3000));
    EXPECT_EQ(Lines(), 3);
    EXPECT_EQ(Line(0), L"$GPTXT,2");
}

TEST_F(GpsMonitor, PauseStopsTheListingAndGoResumesIt)
{
    EXPECT_TRUE(IsDefault(751));
    Key('P');
    EXPECT_TRUE(Shown(750));
    EXPECT_FALSE(Shown(751));
    EXPECT_TRUE(IsDefault(750)) << "the default moves from Pause to Go";
    EXPECT_EQ(bGpsMonitorPaused.load(), 1);
    ASSERT_TRUE(WriteBytes(m_, std::string(kGga).append("\r\n")));
    PlatformPump(400);
    EXPECT_EQ(Lines(), 0);
    // Tab from Send goes to Exit, then to Go (the hidden Pause is skipped).
    Key(VK_TAB);
    EXPECT_TRUE(IsDefault(752));
    Key(VK_TAB);
    EXPECT_TRUE(IsDefault(753));
    Key(VK_TAB);
    EXPECT_TRUE(IsDefault(750));
    Key(VK_RETURN);  // presses Go
    EXPECT_EQ(bGpsMonitorPaused.load(), 0);
    EXPECT_TRUE(Shown(751));
    ASSERT_TRUE(WriteBytes(m_, std::string(kGga).append("\r\n")));
    EXPECT_TRUE(WaitUntil([&] { return Lines() == 1; }, 3000));
}

TEST_F(GpsMonitor, NumericKeypadAndFunctionKeysPressNothing)
{
    Key(VK_NUMPAD0 + 7);  // 103
    Key(VK_F1);           // 112
    Key(VK_F1 + 3);       // 115
    Key(VK_F1 + 8);       // 120
    EXPECT_EQ(bGpsMonitorPaused.load(), 0);
    EXPECT_EQ(nActiveScreen, 2);
    EXPECT_TRUE(PlatformShownDialogs().empty());
}

TEST_F(GpsMonitor, SendWritesTheCommandWithCarriageReturnAndLineFeed)
{
    PlatformAnswerDialog(L"GETGPSMESSAGE", IDOK);
    Key('S');
    std::string got = ReadMaster(m_, 21, 2000);
    EXPECT_EQ(got, "$PASHS,NME,SAT,A,ON\r\n");
    EXPECT_EQ(bGpsMonitorPaused.load(), 0);
    EXPECT_TRUE(IsDefault(751));
    // Cancel sends nothing.
    PlatformAnswerDialog(L"GETGPSMESSAGE", IDCANCEL);
    Key('S');
    EXPECT_EQ(ReadMaster(m_, 1, 300), "");
}

TEST_F(GpsMonitor, CommandLongerThan27CharactersIsRefused)
{
    std::wstring text28 = L"$PASHS,NME,GGA,A,ON,0.5,ABCD";
    ASSERT_EQ(text28.size(), 28u);
    PlatformScriptDialog(L"GETGPSMESSAGE", [&](HWND d) {
        SetDlgItemText(d, 1203, text28.c_str());
        PlatformPressDialogButton(d, IDOK);
    });
    Key('S');
    std::vector<ShownDialog> refusals = DialogsWithText(L"Message too long:\r\n27 characters at most.");
    ASSERT_EQ(refusals.size(), 1u);
    EXPECT_EQ(refusals[0].caption, L"INFORMATION");
    EXPECT_EQ(ReadMaster(m_, 1, 300), "");

    std::wstring text27 = text28.substr(0, 27);
    PlatformScriptDialog(L"GETGPSMESSAGE", [&](HWND d) {
        SetDlgItemText(d, 1203, text27.c_str());
        PlatformPressDialogButton(d, IDOK);
    });
    Key('S');
    EXPECT_EQ(ReadMaster(m_, 29, 2000), "$PASHS,NME,GGA,A,ON,0.5,ABC\r\n");
}

TEST_F(GpsMonitor, ExitClosesThePortAndEndsTheReader)
{
    HANDLE hThread = hGpsThread;
    ASSERT_NE(hThread, INVALID_HANDLE_VALUE);
    Key('P');  // paused: the reader must still end
    Key('X');
    EXPECT_EQ(nActiveScreen, 0);
    EXPECT_FALSE(IsWindowVisible(hwndGpsMonitor));
    EXPECT_EQ(hGpsPort.load(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(hGpsThread, INVALID_HANDLE_VALUE);
    EXPECT_EQ(bGpsMonitorStop.load(), 0);
    EXPECT_EQ(bGpsMonitorPaused.load(), 0);
    EXPECT_TRUE(DialogsWithText(L"cannot be closed").empty());
    EXPECT_EQ(CountOpenDescriptors(), nFdsBefore_);
    // The port is free again.
    EXPECT_EQ(OpenGpsPort(), 1);
    HANDLE h = hGpsPort.exchange(INVALID_HANDLE_VALUE);
    CloseHandle(h);
}

TEST_F(GpsMonitor, FailedPortOpeningKeepsTheStartScreen)
{
    Key('X');
    root_.LinkTo(6, root_.root() + "/unplugged");
    EXPECT_EQ(StartGpsMonitoring(), 0);
    EXPECT_EQ(nActiveScreen, 0);
    EXPECT_EQ(DialogsWithText(L"Port COM6 does not exists").size(), 1u);
}

}  // namespace
