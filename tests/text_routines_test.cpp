// Text, field and time routines: widening, line reading (bounded, CR only before LF), fields, trimming, busy wait.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/text.h"

namespace {

struct LineRead {
    int result;
    std::string text;
};

struct ReadFileLineCase {
    const char *name;
    std::string bytes;
    int bufferSize;
    std::vector<LineRead> reads;  // successive calls; the last one is at the end of the file
};

HANDLE OpenBytes(const std::string &bytes)
{
    static int n = 0;
    // A root of this process's own: the cases run as processes side by side, each counting its files from 1.
    std::string root = std::string(TEST_OUTPUT_DIR "/roots/text_routines_") + std::to_string(getpid());
    setenv("ULVANE_ROOT", root.c_str(), 1);
    std::wstring drivePath = L"C:\\ProgramData\\Ulvane\\Temp\\lines" + std::to_wstring(++n) + L".txt";
    std::string path = MapDrivePath(drivePath.c_str());
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
    return CreateFile(drivePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
}

TEST(TextRoutines, ReadFileLineTable)
{
    const std::string longLine(300, 'x');
    const ReadFileLineCase cases[] = {
        {"CR LF line", "abc\r\n", 256, {{3, "abc"}, {-1, ""}}},
        {"last line without line feed", "abc", 256, {{-1, "abc"}}},
        {"bare line feed keeps its last character", "abc\n", 256, {{3, "abc"}, {-1, ""}}},
        {"empty CR LF line", "\r\nz\r\n", 256, {{0, ""}, {1, "z"}, {-1, ""}}},
        {"empty bare line feed", "\nz\n", 256, {{0, ""}, {1, "z"}, {-1, ""}}},
        {"only the carriage return before the line feed goes", "ab\r\r\n", 256, {{3, "ab\r"}, {-1, ""}}},
        {"carriage return inside a line stays", "a\rb\r\n", 256, {{3, "a\rb"}, {-1, ""}}},
        {"long line is cut to the buffer, next line intact", longLine + "\r\nnext\r\n", 16,
         {{15, std::string(15, 'x')}, {4, "next"}, {-1, ""}}},
        {"line exactly filling the buffer", std::string(15, 'y').append("\r\n"), 16, {{15, std::string(15, 'y')}, {-1, ""}}},
        {"cut line ended by bare line feed", std::string(20, 'q').append("\n"), 8, {{7, std::string(7, 'q')}, {-1, ""}}},
        {"buffer of one byte", "abc\r\n", 1, {{0, ""}, {-1, ""}}},
    };
    for (const ReadFileLineCase &c : cases) {
        SCOPED_TRACE(c.name);
        HANDLE h = OpenBytes(c.bytes);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        for (const LineRead &expected : c.reads) {
            std::vector<char> buffer(c.bufferSize + 8, '#');
            int result = ReadFileLine(h, buffer.data(), c.bufferSize);
            EXPECT_EQ(result, expected.result);
            EXPECT_EQ(std::string(buffer.data()), expected.text);
            for (int i = c.bufferSize; i < c.bufferSize + 8; i++)
                EXPECT_EQ(buffer[i], '#') << "written past the buffer at " << i;
        }
        CloseHandle(h);
    }
}

// The line is read in blocks, and the bytes read past it go back to the file: the next read of the handle starts
// right after the line feed, as after a read of one byte at a time.
TEST(TextRoutines, ReadFileLineLeavesTheFileRightAfterTheLine)
{
    const std::string longLine(10000, 'z');
    HANDLE h = OpenBytes("abc\r\n" + longLine + "\r\nrest");
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    char szLine[261];
    EXPECT_EQ(ReadFileLine(h, szLine, (int)sizeof szLine), 3);
    EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_CURRENT), 5u);
    EXPECT_EQ(ReadFileLine(h, szLine, (int)sizeof szLine), 260);
    EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_CURRENT), 5u + longLine.size() + 2);
    char rest[8] = {};
    DWORD dwRead = 0;
    EXPECT_TRUE(ReadFile(h, rest, 7, &dwRead, nullptr));
    EXPECT_EQ(std::string(rest, dwRead), "rest");
    CloseHandle(h);
}

struct FieldCase {
    const char *routine;  // "delimited", "numeric" or "after"
    const char *line;
    int n;
    char delimiter;
    int result;
    const char *field;
};

TEST(TextRoutines, FieldTable)
{
    const FieldCase cases[] = {
        {"delimited", "a,b,,d", 1, ',', 1, "a"},
        {"delimited", "a,b,,d", 2, ',', 1, "b"},
        {"delimited", "a,b,,d", 3, ',', 1, ""},
        {"delimited", "a,b,,d", 4, ',', 1, "d"},
        {"delimited", "a,b,,d", 5, ',', 0, "unchanged"},
        {"delimited", " x , y ", 2, ',', 1, " y "},
        {"numeric", "12.5    -3  x", 1, ' ', 1, "12.5"},
        {"numeric", "12.5    -3  x", 2, ' ', 1, "-3"},
        {"numeric", "12.5    -3  x", 3, ' ', 0, "x"},
        {"numeric", "12.5    -3  x", 4, ' ', 0, ""},
        {"numeric", " 12.5", 1, ' ', 0, ""},
        {"numeric", "1.0,2.0,3.0", 3, ',', 1, "3.0"},
        {"numeric", "1-2,0", 1, ',', 0, "1-2"},
        {"numeric", "+,0", 1, ',', 1, "+"},
        {"numeric", " -4.5 ,0", 1, ',', 1, "-4.5"},
        {"numeric", "1,2", 2, ',', 1, "2"},
        {"numeric", "1,   7.25  ,9", 2, ',', 1, "7.25"},
        {"numeric", "1.2.3", 1, ',', 1, "1.2.3"},
        {"numeric", "1/2", 1, ',', 0, "1/2"},
        {"numeric", "1,,3", 2, ',', 0, ""},
        {"numeric", "4 5", 1, ',', 0, "4 5"},
        {"after", "$T,1.5,2.5*3A", 2, ',', 1, "1.5,"},
        {"after", "$T,1.5,2.5*3A", 3, ',', 0, "2.5*3A"},
        {"after", "$T,1.5,2.5*3A", 1, ',', 1, "T,"},
    };
    for (const FieldCase &c : cases) {
        SCOPED_TRACE(std::string(c.routine) + " \"" + c.line + "\" field " + std::to_string(c.n));
        char field[64];
        strcpy(field, "unchanged");
        int result = -1;
        if (strcmp(c.routine, "delimited") == 0)
            result = GetDelimitedField(c.line, c.n, c.delimiter, field);
        else if (strcmp(c.routine, "numeric") == 0)
            result = GetNumericField(c.line, c.n, c.delimiter, field);
        else
            result = GetFieldAfterDelimiter(c.line, c.n, c.delimiter, field);
        EXPECT_EQ(result, c.result);
        EXPECT_STREQ(field, c.field);
    }
}

TEST(TextRoutines, TrimSpacesModes)
{
    struct { const char *text; int mode; const char *expected; } cases[] = {
        {"  a b  ", 3, "a b"}, {"  a b  ", 1, "a b  "}, {"  a b  ", 2, "  a b"},
        {"    ", 3, ""},       {"  a b  ", 4, "  a b  "}, {"\ta\t", 3, "\ta\t"},
    };
    for (const auto &c : cases) {
        char text[32];
        strcpy(text, c.text);
        EXPECT_EQ(TrimSpaces(text, c.mode), 1);
        EXPECT_STREQ(text, c.expected) << "mode " << c.mode << " on \"" << c.text << "\"";
    }
}

TEST(TextRoutines, WideningSignedAndUnsigned)
{
    wchar_t wide[8];
    EXPECT_EQ(NarrowToWide("A\xE9z", wide), 0);
    EXPECT_EQ(wide[0], (wchar_t)L'A');
    EXPECT_EQ((unsigned)wide[1], 0xFFE9u);
    EXPECT_EQ(wide[2], (wchar_t)L'z');
    EXPECT_EQ(wide[3], (wchar_t)0);
    EXPECT_EQ(NarrowToWideU("A\xE9z", wide), 0);
    EXPECT_EQ((unsigned)wide[1], 0x00E9u);
    EXPECT_EQ(wide[3], (wchar_t)0);
}

// A box text that does not fit its buffer is "N/A" (cut to the buffer), never an unterminated text.
TEST(TextRoutines, BoxTextThatDoesNotFitIsNotAvailable)
{
    struct {
        size_t size;
        double value;
        const wchar_t *text;
        int fits;
    } cases[] = {{32, 2.5, L"2.5 ", 1}, {32, 1e300, L"N/A", 0}, {5, 2.5, L"2.5 ", 1}, {4, 2.5, L"N/A", 0},
                 {3, 1e300, L"N/", 0},  {1, 2.5, L"", 0}};
    for (auto &c : cases) {
        wchar_t sz[32];
        wmemset(sz, L'x', 32);
        EXPECT_EQ(FormatBoxText(sz, c.size, L"%-4.1f", c.value), c.fits) << c.size << " " << c.value;
        EXPECT_STREQ(sz, c.text) << c.size << " " << c.value;
    }
}

TEST(TextRoutines, WaitMillisecondsAcrossTheTickWrap)
{
    DWORD tick = 0xFFFFFFF0u;  // the count wraps during the wait
    PlatformSetTickSource([&tick]() { return tick++; });
    DWORD start = tick;
    WaitMilliseconds(100);
    PlatformSetTickSource(nullptr);
    // The wait ends at the first reading more than 100 ms after the start.
    EXPECT_EQ((DWORD)(tick - 1 - start), 101u);
}

}  // namespace
