// Platform files, drive paths, tick count and text-to-number conversion.
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

class PlatformFiles : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/ulvane-files-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root_ = tmpl;
        setenv("ULVANE_ROOT", root_.c_str(), 1);
        EnsureRootFolders();
    }
    void TearDown() override {
        chdir("/");
        std::string cmd = "rm -rf '" + root_ + "'";
        ASSERT_EQ(system(cmd.c_str()), 0);
    }
    static std::string ReadWhole(const std::string &path) {
        std::string out;
        FILE *f = fopen(path.c_str(), "rb");
        if (!f) return out;
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
        fclose(f);
        return out;
    }
    static HANDLE Open(const wchar_t *path, DWORD access, DWORD disposition) {
        return CreateFile(path, access, FILE_SHARE_READ, nullptr, disposition, 0, nullptr);
    }
    std::string root_;
};

TEST_F(PlatformFiles, DrivePathsMapUnderTheRoot) {
    struct Case { const char *drive; std::string expected; };
    const std::vector<Case> cases = {
        {"C:\\ProgramData\\Ulvane\\Temp\\", root_ + "/C/ProgramData/Ulvane/Temp/"},
        {"C:\\foo\\bar.txt", root_ + "/C/foo/bar.txt"},
        {"d:\\Survey\\LINE1.R61", root_ + "/D/Survey/LINE1.R61"},
        {"C:/mixed\\seps//x.txt", root_ + "/C/mixed/seps/x.txt"},
        {"/var/tmp/plain.txt", "/var/tmp/plain.txt"},
        {"COM12", "/dev/ttyS11"},
        {"\\\\.\\COM10", "/dev/ttyS9"},
    };
    for (const Case &c : cases) EXPECT_EQ(MapDrivePath(c.drive), c.expected) << c.drive;
    EXPECT_EQ(MapDrivePath(L"C:\\ProgramData\\Ulvane\\Data.txt"), root_ + "/C/ProgramData/Ulvane/Data.txt");
    EXPECT_EQ(PlatformRootFolder(), root_);
}

TEST_F(PlatformFiles, RootFolderFallsBackToTheUsersDataFolder) {
    std::string saved = root_;
    unsetenv("ULVANE_ROOT");
    setenv("XDG_DATA_HOME", "/srv/data", 1);
    EXPECT_EQ(PlatformRootFolder(), "/srv/data/ulvane-root");
    unsetenv("XDG_DATA_HOME");
    const char *home = getenv("HOME");
    if (home && *home) {
        EXPECT_EQ(PlatformRootFolder(), std::string(home) + "/.local/share/ulvane-root");
    }
    setenv("ULVANE_ROOT", saved.c_str(), 1);
}

TEST_F(PlatformFiles, EnsureRootFoldersCreatesTheProgramFolder) {
    struct stat st;
    ASSERT_EQ(stat((root_ + "/C/ProgramData/Ulvane").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
}

// Offsets and sizes beyond 2 and 4 GB (a sparse file): seeks and reads land where asked, the size is whole.
TEST_F(PlatformFiles, SeeksAndSizesBeyondFourGigabytes) {
    const std::string posix = root_ + "/C/ProgramData/Ulvane/big.dat";
    const int64_t at = ((int64_t)5 << 30) + 27;  // 5 GB and a bit
    int fd = open(posix.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(pwrite(fd, "tail", 4, at), 4);
    ASSERT_EQ(pwrite(fd, "mid", 3, ((int64_t)3 << 30)), 3);
    close(fd);
    HANDLE h = Open(L"C:\\ProgramData\\Ulvane\\big.dat", GENERIC_READ, OPEN_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    int64_t size = 0;
    ASSERT_TRUE(GetFileSizeEx(h, &size));
    EXPECT_EQ(size, at + 4);
    DWORD high = 0;
    EXPECT_EQ(GetFileSize(h, &high), (DWORD)((at + 4) & 0xFFFFFFFF));
    EXPECT_EQ(high, 1u);
    struct {
        int64_t distance;
        DWORD method;
        int64_t offset;
        const char *bytes;
    } cases[] = {{at, FILE_BEGIN, at, "tail"},
                 {(int64_t)3 << 30, FILE_BEGIN, (int64_t)3 << 30, "mid"},
                 {at - ((int64_t)3 << 30) - 3, FILE_CURRENT, at, "tail"},
                 {-4, FILE_END, at, "tail"}};
    for (auto &c : cases) {
        int64_t offset = -1;
        ASSERT_TRUE(SetFilePointerEx(h, c.distance, &offset, c.method)) << c.distance;
        EXPECT_EQ(offset, c.offset) << c.distance;
        char buf[8] = {0};
        DWORD got = 0;
        ASSERT_TRUE(ReadFile(h, buf, (DWORD)strlen(c.bytes), &got, nullptr));
        EXPECT_EQ(std::string(buf, got), c.bytes) << c.distance;
    }
    EXPECT_FALSE(SetFilePointerEx(h, -size - 1, nullptr, FILE_END));
    CloseHandle(h);
}

TEST_F(PlatformFiles, DispositionsAndErrorCodes) {
    const wchar_t *path = L"C:\\ProgramData\\Ulvane\\disp.txt";
    // Missing file in an existing folder, missing folder.
    EXPECT_EQ(Open(path, GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Open(L"C:\\NoSuchFolder\\x.txt", GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(Open(L"C:\\NoSuchFolder\\x.txt", GENERIC_WRITE, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);

    HANDLE h = Open(path, GENERIC_WRITE, CREATE_NEW);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(h, "hello", 5, &n, nullptr));
    EXPECT_EQ(n, 5u);
    ASSERT_TRUE(CloseHandle(h));

    EXPECT_EQ(Open(path, GENERIC_WRITE, CREATE_NEW), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_EXISTS);

    h = Open(path, GENERIC_WRITE, OPEN_ALWAYS);  // existing: kept, appended to
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(WriteFile(h, "!", 1, &n, nullptr));
    CloseHandle(h);
    EXPECT_EQ(ReadWhole(root_ + "/C/ProgramData/Ulvane/disp.txt"), "hello!");

    h = Open(path, GENERIC_WRITE, CREATE_ALWAYS);  // existing: emptied
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS);
    EXPECT_EQ(GetFileSize(h, nullptr), 0u);
    CloseHandle(h);

    // A folder is no file.
    EXPECT_EQ(Open(L"C:\\ProgramData\\Ulvane", GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);

    EXPECT_TRUE(DeleteFile(path));
    EXPECT_FALSE(DeleteFile(path));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_NOT_FOUND);

    EXPECT_TRUE(CreateDirectory(L"C:\\ProgramData\\Ulvane\\Temp", nullptr));
    EXPECT_FALSE(CreateDirectory(L"C:\\ProgramData\\Ulvane\\Temp\\", nullptr));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(CreateDirectory(L"C:\\Missing\\Deeper", nullptr));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);
}

TEST_F(PlatformFiles, ExistenceAndOpeningIgnoreLetterCase) {
    HANDLE h = Open(L"C:\\ProgramData\\Ulvane\\Line07.TXT", GENERIC_WRITE, CREATE_NEW);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    WriteFile(h, "abc", 3, nullptr, nullptr);
    CloseHandle(h);

    EXPECT_TRUE(FileExistsIgnoreCase(L"C:\\ProgramData\\Ulvane\\Line07.TXT"));
    EXPECT_TRUE(FileExistsIgnoreCase(L"C:\\ProgramData\\Ulvane\\line07.txt"));
    EXPECT_TRUE(FileExistsIgnoreCase(L"c:\\ProgramData\\Ulvane\\LINE07.txt"));
    EXPECT_FALSE(FileExistsIgnoreCase(L"C:\\ProgramData\\Ulvane\\line08.txt"));
    EXPECT_FALSE(FileExistsIgnoreCase(L"C:\\ProgramData\\Ulvane"));  // a folder, not a file

    h = Open(L"C:\\ProgramData\\Ulvane\\LINE07.txt", GENERIC_READ, OPEN_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    char buf[8] = {};
    DWORD n = 0;
    ASSERT_TRUE(ReadFile(h, buf, sizeof buf, &n, nullptr));
    EXPECT_EQ(std::string(buf, n), "abc");
    CloseHandle(h);
    // A name that differs only in case names the same file when creating, too.
    EXPECT_EQ(Open(L"C:\\ProgramData\\Ulvane\\line07.txt", GENERIC_WRITE, CREATE_NEW), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILE_EXISTS);
    h = Open(L"C:\\ProgramData\\Ulvane\\LINE07.TXT", GENERIC_WRITE, OPEN_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_ALREADY_EXISTS);
    WriteFile(h, "d", 1, nullptr, nullptr);
    CloseHandle(h);
    EXPECT_EQ(ReadWhole(root_ + "/C/ProgramData/Ulvane/Line07.TXT"), "abcd");
    // A new name keeps its letters as given.
    h = Open(L"C:\\ProgramData\\Ulvane\\NewName.Txt", GENERIC_WRITE, CREATE_NEW);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    struct stat st;
    EXPECT_EQ(stat((root_ + "/C/ProgramData/Ulvane/NewName.Txt").c_str(), &st), 0);
}

TEST_F(PlatformFiles, WritesAppendWholeFromTwoThreadsWhileAThirdRewindsAndReads) {
    HANDLE h = Open(L"C:\\ProgramData\\Ulvane\\shared.txt", GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    constexpr int kRecords = 2000;
    constexpr int kLen = 16;
    std::atomic<bool> writing{true};
    std::atomic<int> failures{0};
    auto writer = [&](char tag) {
        for (int i = 0; i < kRecords; ++i) {
            char rec[kLen + 1];
            snprintf(rec, sizeof rec, "%c%013d\r\n", tag, i);
            DWORD n = 0;
            if (!WriteFile(h, rec, kLen, &n, nullptr) || n != (DWORD)kLen) failures++;
        }
    };
    std::atomic<long> scans{0};
    std::thread reader([&] {
        std::vector<char> buf(4096);
        while (writing.load()) {
            if (SetFilePointer(h, 0, nullptr, FILE_BEGIN) != 0) failures++;
            DWORD n = 0;
            do {
                if (!ReadFile(h, buf.data(), (DWORD)buf.size(), &n, nullptr)) failures++;
            } while (n > 0);
            scans++;
        }
    });
    std::thread a(writer, 'A'), b(writer, 'B');
    a.join();
    b.join();
    writing = false;
    reader.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_GT(scans.load(), 0);
    EXPECT_EQ(GetFileSize(h, nullptr), (DWORD)(2 * kRecords * kLen));
    CloseHandle(h);

    std::string all = ReadWhole(root_ + "/C/ProgramData/Ulvane/shared.txt");
    ASSERT_EQ(all.size(), (size_t)(2 * kRecords * kLen));
    int next[2] = {0, 0};
    for (size_t off = 0; off < all.size(); off += kLen) {
        std::string rec = all.substr(off, kLen);
        ASSERT_TRUE(rec[0] == 'A' || rec[0] == 'B') << "torn record at " << off;
        ASSERT_EQ(rec.substr(14), "\r\n") << "torn record at " << off;
        int which = rec[0] == 'A' ? 0 : 1;
        EXPECT_EQ(atoi(rec.c_str() + 1), next[which]) << "lost or reordered record at " << off;
        next[which]++;
    }
    EXPECT_EQ(next[0], kRecords);
    EXPECT_EQ(next[1], kRecords);
}

TEST_F(PlatformFiles, ReadOffsetIsTheHandlesOwnAndWritesStillAppend) {
    HANDLE h = Open(L"C:\\ProgramData\\Ulvane\\offset.txt", GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n;
    WriteFile(h, "0123456789", 10, &n, nullptr);
    EXPECT_EQ(SetFilePointer(h, 4, nullptr, FILE_BEGIN), 4u);
    char buf[4] = {};
    ASSERT_TRUE(ReadFile(h, buf, 3, &n, nullptr));
    EXPECT_EQ(std::string(buf, n), "456");
    // A write after a rewind lands at the end, not at the read offset.
    SetFilePointer(h, 0, nullptr, FILE_BEGIN);
    WriteFile(h, "AB", 2, &n, nullptr);
    EXPECT_EQ(SetFilePointer(h, -3, nullptr, FILE_END), 9u);
    ASSERT_TRUE(ReadFile(h, buf, 3, &n, nullptr));
    EXPECT_EQ(std::string(buf, n), "9AB");
    EXPECT_EQ(SetFilePointer(h, -1, nullptr, FILE_CURRENT), 11u);
    EXPECT_EQ(SetFilePointer(h, -20, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NEGATIVE_SEEK);
    // Reading at the end gives 0 bytes; bytes appended later are read on.
    SetFilePointer(h, 0, nullptr, FILE_END);
    ASSERT_TRUE(ReadFile(h, buf, 3, &n, nullptr));
    EXPECT_EQ(n, 0u);
    WriteFile(h, "xy", 2, &n, nullptr);
    ASSERT_TRUE(ReadFile(h, buf, 3, &n, nullptr));
    EXPECT_EQ(std::string(buf, n), "xy");
    EXPECT_EQ(ReadWhole(root_ + "/C/ProgramData/Ulvane/offset.txt"), "0123456789ABxy");
    EXPECT_TRUE(FlushFileBuffers(h));
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(FlushFileBuffers(h));
    EXPECT_FALSE(WriteFile(h, "z", 1, &n, nullptr));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
}

TEST_F(PlatformFiles, WriteToAFullDeviceFails) {
    HANDLE h = Open(L"/dev/full", GENERIC_WRITE, OPEN_EXISTING);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 99;
    EXPECT_FALSE(WriteFile(h, "data", 4, &n, nullptr));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_DISK_FULL);
    EXPECT_EQ(n, 0u);
    CloseHandle(h);
}

// Cutting back: the file shrinks to the size asked for, never grows, drops what was read ahead past the new end and
// keeps the read offset; the next write appends at the new end.
TEST_F(PlatformFiles, SetEndOfFileAtCutsBackOnly) {
    HANDLE h = Open(L"C:\\ProgramData\\Ulvane\\cut.txt", GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(h, "0123456789", 10, &n, nullptr));
    char buf[16];
    ASSERT_TRUE(ReadFile(h, buf, 2, &n, nullptr));  // reads ahead the whole file
    EXPECT_FALSE(SetEndOfFileAt(h, 11));
    EXPECT_FALSE(SetEndOfFileAt(h, -1));
    ASSERT_TRUE(SetEndOfFileAt(h, 6));
    ASSERT_TRUE(ReadFile(h, buf, 10, &n, nullptr));
    EXPECT_EQ(std::string(buf, n), "2345");
    ASSERT_TRUE(WriteFile(h, "ab", 2, &n, nullptr));
    EXPECT_EQ(ReadWhole(root_ + "/C/ProgramData/Ulvane/cut.txt"), "012345ab");
    CloseHandle(h);
    EXPECT_FALSE(SetEndOfFileAt(h, 0));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
}

// The file's identity through its handle: the same device and index as its path, its names counted (0 once
// deleted, while every byte stays readable through the handle).
TEST_F(PlatformFiles, FileInformationCountsTheNamesOfTheOpenFile) {
    const std::string path = root_ + "/C/ProgramData/Ulvane/id.txt";
    HANDLE h = Open(L"C:\\ProgramData\\Ulvane\\id.txt", GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(h, "abc", 3, &n, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    ASSERT_TRUE(GetFileInformationByHandle(h, &info));
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(info.nFileIndexLow, (DWORD)(st.st_ino & 0xFFFFFFFFu));
    EXPECT_EQ(info.nFileIndexHigh, (DWORD)((uint64_t)st.st_ino >> 32));
    EXPECT_EQ(info.nFileSizeLow, 3u);
    EXPECT_EQ(info.nNumberOfLinks, 1u);
    ASSERT_EQ(link(path.c_str(), (path + ".2").c_str()), 0);
    ASSERT_TRUE(GetFileInformationByHandle(h, &info));
    EXPECT_EQ(info.nNumberOfLinks, 2u);
    ASSERT_EQ(unlink(path.c_str()), 0);
    ASSERT_EQ(unlink((path + ".2").c_str()), 0);
    ASSERT_TRUE(GetFileInformationByHandle(h, &info));
    EXPECT_EQ(info.nNumberOfLinks, 0u);
    char buf[8];
    ASSERT_NE(SetFilePointer(h, 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    ASSERT_TRUE(ReadFile(h, buf, sizeof buf, &n, nullptr));
    EXPECT_EQ(std::string(buf, n), "abc");
    CloseHandle(h);
    EXPECT_FALSE(GetFileInformationByHandle(h, &info));
}

TEST_F(PlatformFiles, ClosingTwiceOrClosingNonsenseIsHarmless) {
    HANDLE h = Open(L"C:\\ProgramData\\Ulvane\\c.txt", GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
    EXPECT_FALSE(CloseHandle(nullptr));
    int notAHandle = 0;
    EXPECT_FALSE(CloseHandle(reinterpret_cast<HANDLE>(&notAHandle)));
    DWORD n = 5;
    char c;
    EXPECT_FALSE(ReadFile(reinterpret_cast<HANDLE>(&notAHandle), &c, 1, &n, nullptr));
    EXPECT_EQ(n, 0u);
}

TEST_F(PlatformFiles, ClosingWhileAnotherThreadReadsIsSafe) {
    HANDLE w = Open(L"C:\\ProgramData\\Ulvane\\scan.txt", GENERIC_WRITE, CREATE_ALWAYS);
    std::string line(100, 'x');
    for (int i = 0; i < 100; ++i) WriteFile(w, line.data(), (DWORD)line.size(), nullptr, nullptr);
    CloseHandle(w);
    for (int round = 0; round < 20; ++round) {
        HANDLE h = Open(L"C:\\ProgramData\\Ulvane\\scan.txt", GENERIC_READ, OPEN_EXISTING);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        std::atomic<bool> started{false};
        DWORD lastError = 0;
        std::thread reader([&] {
            char buf[64];
            DWORD n;
            for (;;) {
                if (SetFilePointer(h, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) break;
                started = true;
                if (!ReadFile(h, buf, sizeof buf, &n, nullptr)) break;
            }
            lastError = GetLastError();
        });
        while (!started.load()) std::this_thread::yield();
        EXPECT_TRUE(CloseHandle(h));
        reader.join();
        EXPECT_EQ(lastError, (DWORD)ERROR_INVALID_HANDLE);
    }
}

TEST_F(PlatformFiles, CurrentFolderIsShownAsADrivePath) {
    ASSERT_TRUE(SetCurrentDirectory(L"C:\\ProgramData\\Ulvane"));
    wchar_t buf[512];
    DWORD n = GetCurrentDirectory(512, buf);
    EXPECT_EQ(std::wstring(buf, n), L"C:\\ProgramData\\Ulvane");
    EXPECT_EQ(GetCurrentDirectory(3, buf), n + 1);  // too small: the size needed
    EXPECT_FALSE(SetCurrentDirectory(L"C:\\Nowhere"));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_PATH_NOT_FOUND);
}

TEST(PlatformTime, ReplacedTickSourceAndWrapSafeDifferences) {
    DWORD fake = 0xFFFFFF00u;
    std::atomic<DWORD> now{fake};
    PlatformSetTickSource([&now] { return now.load(); });
    DWORD start = GetTickCount();
    EXPECT_EQ(start, 0xFFFFFF00u);
    now = 0x00000100u;  // the count wrapped
    EXPECT_EQ(GetTickCount() - start, 0x200u);
    PlatformSetTickSource(nullptr);
    struct timespec ts;
    clock_gettime(CLOCK_BOOTTIME, &ts);
    DWORD expected = (DWORD)(((uint64_t)ts.tv_sec * 1000u + (uint64_t)ts.tv_nsec / 1000000u) & 0xFFFFFFFFu);
    EXPECT_LT(GetTickCount() - expected, 1000u);
}

TEST(PlatformTime, LocalTimeComesFromTheSystem) {
    SYSTEMTIME st;
    GetLocalTime(&st);
    time_t t = time(nullptr);
    struct tm tm;
    localtime_r(&t, &tm);
    EXPECT_EQ(st.wYear, tm.tm_year + 1900);
    EXPECT_GE(st.wMonth, 1);
    EXPECT_LE(st.wMonth, 12);
    EXPECT_LE(st.wHour, 23);
    EXPECT_LT(st.wMilliseconds, 1000);
}

TEST(PlatformText, TextToNumberReadsDecimalOnly) {
    struct Case { const char *text; double value; };
    const Case cases[] = {
        {"1.5e3", 1500.0}, {"nan", 0.0},      {"NAN", 0.0},      {"inf", 0.0},         {"-infinity", 0.0},
        {"0x1A", 0.0},     {" 12", 12.0},     {"\t 7.25", 7.25}, {"", 0.0},            {"-3.25", -3.25},
        {"+4", 4.0},       {".5", 0.5},       {"5.", 5.0},       {".", 0.0},           {"-", 0.0},
        {"12abc", 12.0},   {"1e", 1.0},       {"1e+", 1.0},      {"2.5E-2", 0.025},    {"1,5", 1.0},
        {"abc", 0.0},      {"1e999", 0.0},    {"  -0.0", 0.0},   {"123456.789", 123456.789},
    };
    for (const Case &c : cases) {
        EXPECT_DOUBLE_EQ(TextToDouble(c.text), c.value) << '"' << c.text << '"';
        std::wstring w(c.text, c.text + strlen(c.text));
        EXPECT_DOUBLE_EQ(TextToDouble(w.c_str()), c.value) << '"' << c.text << "\" (wide)";
    }
    EXPECT_DOUBLE_EQ(TextToDouble((const char *)nullptr), 0.0);

    struct LongCase { const char *text; long value; };
    const LongCase longs[] = {
        {"42", 42}, {"  -17", -17}, {"+8", 8},    {"0x1A", 0},  {"12.9", 12},
        {"", 0},    {"nan", 0},     {"9abc", 9}, {"-", 0},     {"99999999999999999999999", LONG_MAX},
    };
    for (const LongCase &c : longs) {
        EXPECT_EQ(TextToLong(c.text), c.value) << '"' << c.text << '"';
        std::wstring w(c.text, c.text + strlen(c.text));
        EXPECT_EQ(TextToLong(w.c_str()), c.value) << '"' << c.text << "\" (wide)";
    }
}

TEST(PlatformText, NarrowingKeepsTheLowByteAndWideningIsUnsigned) {
    char narrow[8];
    WideToNarrowLowByte(L"A\u00e9\u0141z", narrow, sizeof narrow);
    EXPECT_EQ(std::string(narrow), std::string("A\xE9\x41z"));
    WideToNarrowLowByte(L"abcdef", narrow, 4);  // truncated, always ended
    EXPECT_EQ(std::string(narrow), "abc");
    wchar_t wide[8];
    NarrowToWideUnsigned("a\xE9\xFF", wide, 8);
    EXPECT_EQ(wide[0], L'a');
    EXPECT_EQ(wide[1], (wchar_t)0xE9);
    EXPECT_EQ(wide[2], (wchar_t)0xFF);
    EXPECT_EQ(wide[3], L'\0');
    NarrowToWideUnsigned("abcdef", wide, 3);
    EXPECT_EQ(std::wstring(wide), L"ab");
}

}  // namespace
