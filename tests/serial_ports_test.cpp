// Port openers and port errors: names, line settings, missing and busy devices, devices that are no serial line.
#include "acquisition_test_support.h"

#include "core/settings.h"

#include <csignal>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace acqtest;

namespace {

class SerialPorts : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitAcquisitionTestWindows();
        PlatformClearShownDialogs();
        PlatformAnswerDialog(L"MESSAGEOK", 1, true);
        nGpsPort = 5;
        nInstrumentPort = 3;
        nTiltPort = 6;
        nGpsBaud = 1;
        nGpsParity = 0;
        nGpsDataBits = 1;
        nGpsStopBits = 0;
        nInstrumentBaudIndex = 0;
        nTiltBaud = 1;
    }
    void TearDown() override
    {
        for (std::atomic<HANDLE> *p : {&hGpsPort, &hInstrumentPort, &hTiltPort}) {
            HANDLE h = p->exchange(INVALID_HANDLE_VALUE);
            if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        }
        PlatformClearDialogScripts();
    }
};

TEST_F(SerialPorts, ShortNameUpToCom9LongNameFromCom10)
{
    wchar_t szName[32];
    FormatComPortName(8, szName, 32);
    EXPECT_STREQ(szName, L"COM9:");
    FormatComPortName(9, szName, 32);
    EXPECT_STREQ(szName, L"\\\\.\\COM10");
    FormatComPortName(0, szName, 32);
    EXPECT_STREQ(szName, L"COM1:");

    // Both forms open the linked device.
    PortRoot root;
    ASSERT_GE(root.AddPty(9), 0);
    ASSERT_GE(root.AddPty(10), 0);
    nGpsPort = 8;
    EXPECT_EQ(OpenGpsPort(), 1);
    nInstrumentPort = 9;
    EXPECT_EQ(OpenInstrumentPort(1), 1);
    EXPECT_NE(hInstrumentPort.load(), INVALID_HANDLE_VALUE);
    EXPECT_TRUE(PlatformShownDialogs().empty());
}

TEST_F(SerialPorts, MissingDeviceReportsCode2)
{
    PortRoot root;
    root.LinkTo(6, root.root() + "/unplugged");
    EXPECT_EQ(OpenGpsPort(), 0);
    EXPECT_EQ(hGpsPort.load(), INVALID_HANDLE_VALUE);
    std::vector<ShownDialog> shown = PlatformShownDialogs();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].templateName, L"MESSAGEOK");
    EXPECT_EQ(shown[0].caption, L"Serial Port");
    EXPECT_EQ(shown[0].text, L"Port COM6 does not exists");
}

// A folder in place of the port: the operator reads the text of a known code, never a bare errno ("Error #21")
// presented as a code of the other system.
TEST_F(SerialPorts, FolderInPlaceOfThePortReportsAKnownCode)
{
    PortRoot root;
    ASSERT_EQ(mkdir((root.root() + "/dev/COM6").c_str(), 0755), 0);
    EXPECT_EQ(OpenGpsPort(), 0);
    EXPECT_EQ(hGpsPort.load(), INVALID_HANDLE_VALUE);
    std::vector<ShownDialog> shown = PlatformShownDialogs();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, L"COM6 is already open by another process, or insufficient permission is provided");
}

TEST_F(SerialPorts, PortHeldByAnotherProcessReportsCode32)
{
    PortRoot root;
    int m = root.AddPty(6);
    ASSERT_GE(m, 0);
    std::string slave = ptsname(m);
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    pid_t child = fork();
    if (child == 0) {
        int fd = open(slave.c_str(), O_RDWR | O_NOCTTY);
        char ok = (fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0) ? 1 : 0;
        if (write(fds[1], &ok, 1) != 1) _exit(1);
        pause();
        _exit(0);
    }
    char ok = 0;
    ASSERT_EQ(read(fds[0], &ok, 1), 1);
    ASSERT_EQ(ok, 1);
    EXPECT_EQ(OpenGpsPort(), 0);
    EXPECT_EQ(hGpsPort.load(), INVALID_HANDLE_VALUE);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    close(fds[0]);
    close(fds[1]);
    ASSERT_EQ(DialogsWithText(L"COM6 is in use by other process").size(), 1u);
    // Once the other process let it go, the port opens.
    PlatformClearShownDialogs();
    EXPECT_EQ(OpenGpsPort(), 1);
}

TEST_F(SerialPorts, SecondOpenerInThisProcessIsRefusedToo)
{
    PortRoot root;
    ASSERT_GE(root.AddPty(4), 0);
    ASSERT_EQ(OpenInstrumentPort(1), 1);
    HANDLE hFirst = hInstrumentPort;
    EXPECT_EQ(OpenInstrumentPort(1), 0);
    EXPECT_EQ(DialogsWithText(L"COM4 is in use by other process").size(), 1u);
    CloseHandle(hFirst);
}

TEST_F(SerialPorts, DeviceThatIsNoSerialLineIsClosedAndReported)
{
    PortRoot root;
    std::string file = root.root() + "/plain-file";
    FILE *f = fopen(file.c_str(), "w");
    ASSERT_NE(f, nullptr);
    fputs("not a port", f);
    fclose(f);
    root.LinkTo(6, file);
    root.LinkTo(4, file);
    int nBefore = CountOpenDescriptors();
    EXPECT_EQ(OpenGpsPort(), 0);
    EXPECT_EQ(hGpsPort.load(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(OpenInstrumentPort(1), 0);
    EXPECT_EQ(hInstrumentPort.load(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(CountOpenDescriptors(), nBefore) << "a refused port stayed open";
    EXPECT_EQ(DialogsWithText(L"Port COM6 cannot be open - Error #1. For a full list, see Windows System Error Codes.")
                  .size(),
              1u);
    EXPECT_EQ(DialogsWithText(L"Port COM4 cannot be open - Error #1.").size(), 1u);
}

TEST_F(SerialPorts, InstrumentOpenerStaysSilentOnRequest)
{
    PortRoot root;
    root.LinkTo(4, root.root() + "/unplugged");
    EXPECT_EQ(OpenInstrumentPort(0), 0);
    EXPECT_TRUE(PlatformShownDialogs().empty());
}

TEST_F(SerialPorts, TiltOpenerHasItsOwnMessage)
{
    PortRoot root;
    root.LinkTo(7, root.root() + "/unplugged");
    EXPECT_EQ(OpenTiltPort(), 0);
    std::vector<ShownDialog> shown = PlatformShownDialogs();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, L"Serial Port Issue");
    EXPECT_EQ(shown[0].text, L"Cannot open Tilt port COM7");
}

struct ErrorTextCase {
    int code, port, device;
    const wchar_t *text;
};

TEST_F(SerialPorts, ErrorTextPerCodeAndDevice)
{
    const ErrorTextCase cases[] = {
        {2, 0, 0, L"Port COM1 does not exists"},
        {5, 1, 1, L"COM2 is already open by another process, or insufficient permission is provided"},
        {32, 9, 0, L"COM10 is in use by other process"},
        {121, 5, 0,
         L"COM6 - A timeout occurred while waiting for a response from the GNSS/RTS (disconnected or powered off, "
         L"port open but the device not streaming, incorrect settings: baud rate, parity, etc., faulty cabling)."},
        {121, 3, 1,
         L"COM4 - A timeout occurred while waiting for a response from the instrument (disconnected or powered off, "
         L"port open but the device not streaming, or faulty cabling)."},
        {1167, 3, 1, L"Port COM4 cannot be open - Error #1167. For a full list, see Windows System Error Codes."},
    };
    for (const ErrorTextCase &c : cases) {
        PlatformClearShownDialogs();
        EXPECT_EQ(ReportSerialPortError(c.code, c.port, c.device), 1);
        std::vector<ShownDialog> shown = PlatformShownDialogs();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].caption, L"Serial Port");
        // The message buffer holds 255 characters; the long texts are cut there.
        std::wstring expected = std::wstring(c.text).substr(0, 255);
        EXPECT_EQ(shown[0].text, expected) << c.code;
    }
}

TEST_F(SerialPorts, LineSettingsOfTheGpsAndInstrumentPorts)
{
    PortRoot root;
    ASSERT_GE(root.AddPty(6), 0);
    ASSERT_GE(root.AddPty(4), 0);
    nGpsBaud = 7;      // outside the table: 4800
    nGpsDataBits = 2;  // 8 data bits
    nGpsStopBits = 2;  // one stop bit
    nGpsParity = 1;    // even
    ASSERT_EQ(OpenGpsPort(), 1);
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    ASSERT_TRUE(GetCommState(hGpsPort, &dcb));
    EXPECT_EQ(dcb.BaudRate, 4800u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
    EXPECT_EQ(dcb.Parity, EVENPARITY);
    COMMTIMEOUTS to = {};
    ASSERT_TRUE(GetCommTimeouts(hGpsPort, &to));
    EXPECT_EQ(to.ReadIntervalTimeout, 50u);
    EXPECT_EQ(to.ReadTotalTimeoutConstant, 50u);

    // Instrument baud index 5 keeps the port's current rate.
    nInstrumentBaudIndex = 1;
    ASSERT_EQ(OpenInstrumentPort(1), 1);
    ASSERT_TRUE(GetCommState(hInstrumentPort, &dcb));
    EXPECT_EQ(dcb.BaudRate, 19200u);
    HANDLE h = hInstrumentPort.exchange(INVALID_HANDLE_VALUE);
    CloseHandle(h);
    nInstrumentBaudIndex = 5;
    ASSERT_EQ(OpenInstrumentPort(1), 1);
    ASSERT_TRUE(GetCommState(hInstrumentPort, &dcb));
    EXPECT_EQ(dcb.BaudRate, 19200u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, NOPARITY);
}

}  // namespace
