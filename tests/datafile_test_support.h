// Shared helpers of the data-file tests: a private root folder, a fixed tick, builds, and fixture comparison.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "datafile/datafile_state.h"
#include "logscreen/logscreen.h"
#include "map/map_state.h"
#include "platform/platform.h"
#include "support/test_root.h"

inline std::string ReadFileBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline void WriteFileBytes(const std::string &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::string FixtureBytes(const std::string &name)
{
    return ReadFileBytes(std::string(TEST_FIXTURE_DIR "/datafile/") + name);
}

// Byte-exact comparison; a '`' in the expected bytes stands for one digit of the local clock.
inline ::testing::AssertionResult MatchesFixture(const std::string &actual, const std::string &expected,
                                                 int recordLength)
{
    if (actual.size() != expected.size())
        return ::testing::AssertionFailure() << "size " << actual.size() << " expected " << expected.size()
                                             << "\nactual:\n" << actual << "\nexpected:\n" << expected;
    for (size_t i = 0; i < actual.size(); i++) {
        char e = expected[i], a = actual[i];
        bool ok = e == '`' ? (a >= '0' && a <= '9') : a == e;
        if (!ok)
            return ::testing::AssertionFailure()
                   << "record " << i / recordLength << " byte " << i % recordLength << ": got '" << a
                   << "' expected '" << e << "'\nactual record:   ["
                   << actual.substr(i - i % recordLength, recordLength) << "]\nexpected record: ["
                   << expected.substr(i - i % recordLength, recordLength) << "]";
    }
    return ::testing::AssertionSuccess();
}

// A root folder of its own per test (C:\ is <root>/C), a data folder C:\data\, the tick count fixed.
class DataFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = MakeTestRoot("datafile");
        ASSERT_FALSE(root.empty());
        std::filesystem::create_directories(root + "/C/data");
        PlatformSetTickSource([] { return (DWORD)123456789; });
        CloseDataFile();
        dwRecordingStartTick = 0;
        nGpsSentenceCount = 0;
        nRecordingState = 0;
    }
    void TearDown() override
    {
        CloseDataFile();
        PlatformSetTickSource(nullptr);
    }

    // The build, its settings at their start-up values and its record length.
    void Build(int type, int jix)
    {
        nInstrumentType = type;
        bJixProduct = jix;
        RestoreInitialSettings();
        ApplyStartupDefaults();
        wcscpy(szDataFolder, L"C:\\data\\");
        int L = 27;
        if (type == INSTRUMENT_EM31MK2 && jix) L = 24;
        if (type == INSTRUMENT_EM384) L = 47;
        if (type == INSTRUMENT_CS21) L = 65;
        SetDataRecordLength(L);
        nInstrumentCmdReply = -1;
        memset(adPrevOffset, 0, sizeof adPrevOffset);
        memset(adCalibrationPrev, 0, sizeof adCalibrationPrev);
        memset(adCalibrationBPrev, 0, sizeof adCalibrationBPrev);
        memset(adCarrierFreeMean, 0, sizeof adCarrierFreeMean);
        memset(adCarrierMean, 0, sizeof adCarrierMean);
        dFirstFixX = dFirstFixY = 0.0;
        nUtmZoneFirstFix = 0;
        bGpsPositionValid = 0;
    }

    // The line settings every fixture uses: line "1" from station 0, north, increment 1.
    void PlainLine()
    {
        wcscpy(szSurveyLine, L"1");
        dStartStation = 0.0;
        nLineDirection = 2;
        dStationIncrement = 1.0;
    }

    // Opens (creating) C:\data\<name> as the data file; returns its POSIX path.
    std::string OpenFile(const wchar_t *name)
    {
        swprintf(szDataFilePath, 261, L"C:\\data\\%ls", name);
        EXPECT_EQ(OpenDataFileHandle(), 1);
        return MapDrivePath(szDataFilePath);
    }

    std::string DataPath(const char *name) { return root + "/C/data/" + name; }

    std::string root;
};

#include "resources/resources.h"

// The platform layer with the message templates and the data file's notice window; once per process. Every box is
// answered with its first button unless a test scripts otherwise.
inline void InitDataFilePlatform()
{
    static bool done = false;
    if (done) return;
    done = true;
    hInst = PlatformInit(0, nullptr);
    RegisterMessageDialogTemplates();
    InitOpenFileRecord(nullptr);
}

inline std::vector<ShownDialog> MessageBoxesShown()
{
    std::vector<ShownDialog> boxes;
    for (const ShownDialog &d : PlatformShownDialogs())
        if (d.templateName.rfind(L"MESSAGE", 0) == 0) boxes.push_back(d);
    return boxes;
}

// A data file and its dialogs: boxes answered OK, the recorded dialogs cleared.
class DataFileDialogTest : public DataFileTest {
protected:
    void SetUp() override
    {
        InitDataFilePlatform();
        DataFileTest::SetUp();
        PlatformClearDialogScripts();
        PlatformClearShownDialogs();
        PlatformAnswerDialog(L"MESSAGEOK", 1, true);
        PlatformAnswerDialog(L"MESSAGEYESNO", 1, true);
        wcscpy(szDataFolder, L"C:\\data\\");
    }
    void TearDown() override
    {
        PlatformClearDialogScripts();
        DataFileTest::TearDown();
    }
};

// One record of length L from its content (blank-padded, line feed last).
inline std::string Rec(const std::string &content, int L = 27)
{
    std::string r = content.substr(0, (size_t)L - 1);
    r.resize((size_t)L - 1, ' ');
    return r + "\n";
}
