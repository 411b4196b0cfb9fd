// Platform serial ports through real pseudo-terminals: naming, exclusive opening, time-outs, bytes, close, hang-up.
#include "platform/platform.h"

#include <gtest/gtest.h>

#include "platform/posix/kernel_internal.h"
#include "support/bounded_waits.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace bounded_waits;

// A temporary root with a pseudo-terminal linked in as <root>/dev/COM<n>; the test holds the master end.
class PlatformSerial : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/ulvane-serial-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root_ = tmpl;
        setenv("ULVANE_ROOT", root_.c_str(), 1);
        ASSERT_EQ(mkdir((root_ + "/dev").c_str(), 0755), 0);
    }
    void TearDown() override {
        for (int fd : masters_)
            if (fd >= 0) close(fd);
        std::string cmd = "rm -rf '" + root_ + "'";
        ASSERT_EQ(system(cmd.c_str()), 0);
    }
    // Opens a pseudo-terminal and links its slave end as COM<n>; returns the master descriptor.
    int AddPty(int n) {
        int m = posix_openpt(O_RDWR | O_NOCTTY);
        EXPECT_GE(m, 0);
        EXPECT_EQ(grantpt(m), 0);
        EXPECT_EQ(unlockpt(m), 0);
        std::string slave = ptsname(m);
        std::string link = root_ + "/dev/COM" + std::to_string(n);
        EXPECT_EQ(symlink(slave.c_str(), link.c_str()), 0);
        masters_.push_back(m);
        return m;
    }
    static void SetTimeouts(HANDLE h, DWORD interval, DWORD mult, DWORD constant, DWORD wmult = 10,
                            DWORD wconst = 100) {
        COMMTIMEOUTS to{interval, mult, constant, wmult, wconst};
        ASSERT_TRUE(SetCommTimeouts(h, &to));
    }
    static std::string ReadMaster(int m, size_t want, int ms = 2000) {
        std::string got;
        auto end = Clock::now() + std::chrono::milliseconds(ms);
        while (got.size() < want && Clock::now() < end) {
            struct pollfd p{m, POLLIN, 0};
            if (poll(&p, 1, 20) > 0 && (p.revents & POLLIN)) {
                char buf[256];
                ssize_t n = read(m, buf, sizeof buf);
                if (n > 0) got.append(buf, (size_t)n);
            }
        }
        return got;
    }
    static void WriteMaster(int m, const std::string &bytes) {
        ASSERT_EQ(write(m, bytes.data(), bytes.size()), (ssize_t)bytes.size());
    }
    std::string root_;
    std::vector<int> masters_;
};

TEST_F(PlatformSerial, OpensByShortAndLongNames) {
    AddPty(9);
    AddPty(10);
    HANDLE a = OpenSerialPort(L"COM9");
    ASSERT_NE(a, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(IsSerialPort(a));
    HANDLE b = CreateFile(L"\\\\.\\COM10", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(b, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(IsSerialPort(b));
    EXPECT_TRUE(CloseHandle(a));
    EXPECT_TRUE(CloseHandle(b));
    // The short form with a colon, as the program writes it for ports 1 to 9.
    HANDLE c = CreateFile(L"COM9:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(c, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(IsSerialPort(c));
    CloseHandle(c);
    EXPECT_FALSE(IsSerialPort(INVALID_HANDLE_VALUE));
}

TEST_F(PlatformSerial, MissingDeviceIsErrorTwo) {
    ASSERT_EQ(symlink("/nonexistent/ttyUSB7", (root_ + "/dev/COM7").c_str()), 0);
    EXPECT_EQ(OpenSerialPort(L"COM7"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(OpenSerialPort(L"LPT1"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
    // Without a link the port is the system's serial device.
    EXPECT_EQ(MapDrivePath("COM3"), "/dev/ttyS2");
    AddPty(3);
    EXPECT_EQ(MapDrivePath("COM3"), root_ + "/dev/COM3");
}

// A port that cannot be opened reports one of the program's own error codes, never a bare errno that the operator
// would look up as a code of the other system.
TEST_F(PlatformSerial, OpenFailuresGiveTheProgramsErrorCodes) {
    ASSERT_EQ(mkdir((root_ + "/dev/COM6").c_str(), 0755), 0);  // a folder in place of the device
    EXPECT_EQ(OpenSerialPort(L"COM6"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
    ASSERT_EQ(symlink("COM8", (root_ + "/dev/COM8").c_str()), 0);  // a link that names itself
    EXPECT_EQ(OpenSerialPort(L"COM8"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_CANT_RESOLVE_FILENAME);
    // No descriptor left for the process.
    AddPty(2);
    struct rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &old), 0);
    int lowestFree = dup(0);
    ASSERT_GE(lowestFree, 0);
    close(lowestFree);
    struct rlimit low = old;
    low.rlim_cur = (rlim_t)lowestFree;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
    HANDLE h = OpenSerialPort(L"COM2");
    DWORD error = GetLastError();
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &old), 0);
    EXPECT_EQ(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(error, (DWORD)ERROR_TOO_MANY_OPEN_FILES);
}

// Every errno the system can give maps to a code the program knows.
TEST(ErrnoMapping, EveryErrnoGivesAKnownCode) {
    const DWORD known[] = {ERROR_SUCCESS, ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED,
                           ERROR_INVALID_HANDLE, ERROR_SHARING_VIOLATION, ERROR_FILE_EXISTS, ERROR_SEM_TIMEOUT,
                           ERROR_DISK_FULL, ERROR_GEN_FAILURE, ERROR_INVALID_FUNCTION, ERROR_INVALID_PARAMETER,
                           ERROR_OPERATION_ABORTED, ERROR_TOO_MANY_OPEN_FILES, ERROR_NOT_ENOUGH_MEMORY,
                           ERROR_NOT_SAME_DEVICE, ERROR_NOT_READY, ERROR_NOT_SUPPORTED, ERROR_DIR_NOT_EMPTY,
                           ERROR_FILE_TOO_LARGE, ERROR_NOACCESS, ERROR_CANT_RESOLVE_FILENAME};
    for (int err = 1; err < 134; err++) {
        DWORD code = ErrnoToError(err);
        EXPECT_NE(std::find(std::begin(known), std::end(known), code), std::end(known)) << "errno " << err;
    }
    EXPECT_EQ(ErrnoToError(EISDIR), (DWORD)ERROR_ACCESS_DENIED);
    EXPECT_EQ(ErrnoToError(ENFILE), (DWORD)ERROR_TOO_MANY_OPEN_FILES);
    EXPECT_EQ(ErrnoToError(ENOMEM), (DWORD)ERROR_NOT_ENOUGH_MEMORY);
}

TEST_F(PlatformSerial, SecondOpenIsBusy) {
    AddPty(4);
    HANDLE a = OpenSerialPort(L"COM4");
    ASSERT_NE(a, INVALID_HANDLE_VALUE);
    EXPECT_EQ(OpenSerialPort(L"COM4"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_SHARING_VIOLATION);
    CloseHandle(a);
    HANDLE again = OpenSerialPort(L"COM4");  // free again once closed
    EXPECT_NE(again, INVALID_HANDLE_VALUE);
    CloseHandle(again);
}

TEST_F(PlatformSerial, LineSettingsOnAPseudoTerminalAreAccepted) {
    AddPty(2);
    HANDLE h = OpenSerialPort(L"COM2");
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    ASSERT_TRUE(GetCommState(h, &dcb));
    dcb.BaudRate = 4800;
    dcb.ByteSize = 7;
    dcb.Parity = EVENPARITY;
    dcb.fParity = 1;
    dcb.StopBits = TWOSTOPBITS;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    EXPECT_TRUE(SetCommState(h, &dcb));
    DCB back{};
    ASSERT_TRUE(GetCommState(h, &back));
    EXPECT_EQ(back.BaudRate, 4800u);
    EXPECT_EQ(back.ByteSize, 7);
    EXPECT_EQ(back.Parity, EVENPARITY);
    EXPECT_EQ(back.StopBits, TWOSTOPBITS);
    dcb.BaudRate = 123457;  // no such rate, but a pseudo-terminal carries bytes at any rate
    EXPECT_TRUE(SetCommState(h, &dcb));
    for (DWORD f : {SETDTR, CLRDTR, SETRTS, CLRRTS}) EXPECT_TRUE(EscapeCommFunction(h, f));
    EXPECT_TRUE(SetupComm(h, 4096, 4096));
    DWORD errors = 99;
    COMSTAT stat{};
    EXPECT_TRUE(ClearCommError(h, &errors, &stat));
    EXPECT_EQ(errors, 0u);
    CloseHandle(h);
    EXPECT_FALSE(SetCommState(h, &dcb));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
}

TEST_F(PlatformSerial, LineSettingsOnANonTerminalFail) {
    std::string file = root_ + "/plainfile";
    FILE *f = fopen(file.c_str(), "w");
    ASSERT_NE(f, nullptr);
    fclose(f);
    ASSERT_EQ(symlink(file.c_str(), (root_ + "/dev/COM5").c_str()), 0);
    HANDLE h = OpenSerialPort(L"COM5");
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DCB dcb{};
    dcb.BaudRate = 9600;
    dcb.ByteSize = 8;
    EXPECT_FALSE(GetCommState(h, &dcb));
    EXPECT_FALSE(SetCommState(h, &dcb));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_FUNCTION);
    CloseHandle(h);
}

TEST_F(PlatformSerial, BytesInAndOut) {
    int m = AddPty(9);
    HANDLE h = OpenSerialPort(L"COM9");
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    SetTimeouts(h, 0, 0, 2000);
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(h, "HX", 2, &n, nullptr));
    EXPECT_EQ(n, 2u);
    EXPECT_EQ(ReadMaster(m, 2), "HX");

    WriteMaster(m, std::string("OK\r\n\x00\xff", 6));
    std::string got;
    for (int i = 0; i < 6; ++i) {  // one byte per call, as the readers do
        char c;
        ASSERT_TRUE(ReadFile(h, &c, 1, &n, nullptr));
        ASSERT_EQ(n, 1u);
        got += c;
    }
    EXPECT_EQ(got, std::string("OK\r\n\x00\xff", 6));
    // A larger read waits for all its bytes within the total time-out.
    std::thread later([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        WriteMaster(m, "abc");
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        WriteMaster(m, "def");
    });
    char buf[6];
    ASSERT_TRUE(ReadFile(h, buf, 6, &n, nullptr));
    later.join();
    EXPECT_EQ(std::string(buf, n), "abcdef");
    CloseHandle(h);
}

TEST_F(PlatformSerial, ReadTimeOuts) {
    int m = AddPty(6);
    HANDLE h = OpenSerialPort(L"COM6");
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    char c;
    DWORD n = 99;
    // Return at once with what is there.
    SetTimeouts(h, MAXDWORD, 0, 0);
    auto t0 = Clock::now();
    EXPECT_TRUE(ReadFile(h, &c, 1, &n, nullptr));
    EXPECT_EQ(n, 0u);
    EXPECT_LT(ElapsedMs(t0), 1000);
    // Total time-out: an empty read returns after about multiplier * len + constant.
    SetTimeouts(h, 0, 10, 90);
    t0 = Clock::now();
    EXPECT_TRUE(ReadFile(h, &c, 1, &n, nullptr));
    EXPECT_EQ(n, 0u);
    EXPECT_GE(ElapsedMs(t0), 90);
    COMMTIMEOUTS back{};
    ASSERT_TRUE(GetCommTimeouts(h, &back));
    EXPECT_EQ(back.ReadTotalTimeoutMultiplier, 10u);
    EXPECT_EQ(back.ReadTotalTimeoutConstant, 90u);
    // Interval time-out: a partial read ends when the line goes quiet.
    SetTimeouts(h, 50, 0, 0);
    WriteMaster(m, "xy");
    char buf[10];
    t0 = Clock::now();
    EXPECT_TRUE(ReadFile(h, buf, 10, &n, nullptr));
    EXPECT_EQ(std::string(buf, n), "xy");
    CloseHandle(h);
}

TEST_F(PlatformSerial, ClearCommErrorFailsOnceTheDeviceIsGone) {
    int m = AddPty(17);
    HANDLE h = OpenSerialPort(L"COM17");
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD errors = 0;
    EXPECT_TRUE(ClearCommError(h, &errors, nullptr));
    close(m);
    masters_.back() = -1;
    EXPECT_FALSE(ClearCommError(h, &errors, nullptr));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_GEN_FAILURE);
    CloseHandle(h);
}

TEST_F(PlatformSerial, PurgeDropsQueuedAndBufferedBytes) {
    int m = AddPty(8);
    HANDLE h = OpenSerialPort(L"COM8");
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    SetTimeouts(h, 0, 0, 1000);
    WriteMaster(m, "abcdef");
    char c;
    DWORD n;
    ASSERT_TRUE(ReadFile(h, &c, 1, &n, nullptr));
    ASSERT_EQ(c, 'a');
    COMSTAT stat{};
    ASSERT_TRUE(Eventually([&] {
        ClearCommError(h, nullptr, &stat);
        return stat.cbInQue == 5;
    }));
    ASSERT_TRUE(PurgeComm(h, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR));
    ClearCommError(h, nullptr, &stat);
    EXPECT_EQ(stat.cbInQue, 0u);
    SetTimeouts(h, MAXDWORD, 0, 0);
    ASSERT_TRUE(ReadFile(h, &c, 1, &n, nullptr));
    EXPECT_EQ(n, 0u);
    WriteMaster(m, "z");
    SetTimeouts(h, 0, 0, 1000);
    ASSERT_TRUE(ReadFile(h, &c, 1, &n, nullptr));
    EXPECT_EQ(n, 1u);
    EXPECT_EQ(c, 'z');
    CloseHandle(h);
}

TEST_F(PlatformSerial, CloseEndsABlockedRead) {
    AddPty(11);
    HANDLE h = OpenSerialPort(L"\\\\.\\COM11");
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    SetTimeouts(h, 0, 0, 0);  // wait for ever
    std::atomic<int> result{-1};
    std::atomic<DWORD> error{0};
    std::thread reader([&] {
        char c;
        DWORD n;
        result = ReadFile(h, &c, 1, &n, nullptr);
        error = GetLastError();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(80));
    EXPECT_EQ(result.load(), -1);
    auto t0 = Clock::now();
    EXPECT_TRUE(CloseHandle(h));
    reader.join();
    EXPECT_LT(ElapsedMs(t0), 2000);
    EXPECT_EQ(result.load(), FALSE);
    EXPECT_EQ(error.load(), (DWORD)ERROR_OPERATION_ABORTED);
    // Reads after close fail at once; closing again is harmless; the port can be opened again.
    char c;
    DWORD n;
    EXPECT_FALSE(ReadFile(h, &c, 1, &n, nullptr));
    EXPECT_FALSE(CloseHandle(h));
    HANDLE again = OpenSerialPort(L"COM11");
    EXPECT_NE(again, INVALID_HANDLE_VALUE);
    CloseHandle(again);
}

TEST_F(PlatformSerial, HangUpOfTheOtherEndMakesReadsFail) {
    int m = AddPty(12);
    HANDLE h = OpenSerialPort(L"\\\\.\\COM12");
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    SetTimeouts(h, 0, 0, 2000);
    WriteMaster(m, "G");
    char c;
    DWORD n;
    ASSERT_TRUE(ReadFile(h, &c, 1, &n, nullptr));
    EXPECT_EQ(n, 1u);
    close(m);
    masters_.back() = -1;
    auto t0 = Clock::now();
    EXPECT_FALSE(ReadFile(h, &c, 1, &n, nullptr));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_GEN_FAILURE);
    EXPECT_LT(ElapsedMs(t0), 1500);  // not a time-out: the link is broken
    CloseHandle(h);
}

// Reader threads in the program's shape: loop while reads succeed.
struct Reader {
    HANDLE port;
    std::atomic<long> bytes{0};
    std::atomic<long> reads{0};
};
DWORD ReadUntilFailure(void *p) {
    auto *r = static_cast<Reader *>(p);
    char c;
    DWORD n;
    while (ReadFile(r->port, &c, 1, &n, nullptr)) {
        r->reads++;
        r->bytes += (long)n;
    }
    return 0;
}

TEST_F(PlatformSerial, SuspendedReaderParksBeforeItsReadAndCloseEndsIt) {
    int m = AddPty(13);
    Reader r;
    r.port = OpenSerialPort(L"COM13");
    ASSERT_NE(r.port, INVALID_HANDLE_VALUE);
    SetTimeouts(r.port, 0, 10, 10);
    HANDLE t = CreateThread(nullptr, 0, ReadUntilFailure, &r, CREATE_SUSPENDED, nullptr);
    WriteMaster(m, "abc");
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(r.reads.load(), 0);  // created suspended: not one read yet
    ResumeThread(t);
    ASSERT_TRUE(Eventually([&] { return r.bytes.load() == 3; }));
    SuspendThread(t);
    ASSERT_TRUE(SettlesDown(r.reads));  // parked at the gate before its next read
    long parkedReads = r.reads.load();
    WriteMaster(m, "def");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(r.reads.load(), parkedReads);
    EXPECT_EQ(r.bytes.load(), 3);
    // Bytes that came while the reader was parked are dropped by the purge before resuming.
    PurgeComm(r.port, PURGE_TXCLEAR | PURGE_RXCLEAR);
    ResumeThread(t);
    ASSERT_TRUE(Eventually([&] { return r.reads.load() > parkedReads + 2; }));
    EXPECT_EQ(r.bytes.load(), 3);
    SuspendThread(t);
    ASSERT_TRUE(SettlesDown(r.reads));
    EXPECT_TRUE(CloseHandle(r.port));  // the parked reader wakes and its read fails
    EXPECT_EQ(WaitForSingleObject(t, 5000), WAIT_OBJECT_0);
    CloseHandle(t);
}

// A reader that ignores failed reads and keeps its port open.
DWORD ReadForEver(void *p) {
    auto *r = static_cast<Reader *>(p);
    char c;
    DWORD n;
    for (;;) {
        r->reads++;
        ReadFile(r->port, &c, 1, &n, nullptr);
    }
    return 0;
}

TEST_F(PlatformSerial, CancelAllThreadsEndsReadersBlockedOrNeverStarted) {
    AddPty(14);
    AddPty(15);
    AddPty(16);
    Reader blocked, never, stubborn;
    blocked.port = OpenSerialPort(L"COM14");
    never.port = OpenSerialPort(L"COM15");
    stubborn.port = OpenSerialPort(L"COM16");
    ASSERT_NE(blocked.port, INVALID_HANDLE_VALUE);
    ASSERT_NE(never.port, INVALID_HANDLE_VALUE);
    ASSERT_NE(stubborn.port, INVALID_HANDLE_VALUE);
    SetTimeouts(blocked.port, 0, 0, 0);  // reads wait for ever
    SetTimeouts(stubborn.port, 0, 0, 0);
    HANDLE t1 = CreateThread(nullptr, 0, ReadUntilFailure, &blocked, 0, nullptr);
    HANDLE t2 = CreateThread(nullptr, 0, ReadUntilFailure, &never, CREATE_SUSPENDED, nullptr);
    HANDLE t3 = CreateThread(nullptr, 0, ReadForEver, &stubborn, 0, nullptr);
    ASSERT_TRUE(Eventually([&] { return stubborn.reads.load() > 0; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    auto t0 = Clock::now();
    CancelAllThreads();
    EXPECT_LT(ElapsedMs(t0), 2500);
    EXPECT_EQ(WaitForSingleObject(t1, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(t2, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(t3, 0), WAIT_OBJECT_0);
    EXPECT_EQ(never.reads.load(), 0);
    EXPECT_LE(stubborn.reads.load(), 3);  // the woken read failed, the next one ended the thread
    for (HANDLE h : {t1, t2, t3, blocked.port, never.port, stubborn.port}) EXPECT_TRUE(CloseHandle(h));
}

}  // namespace
