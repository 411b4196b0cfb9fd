// Shared helpers of the settings tests: a private root folder per test, builds, and file lines.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/core.h"
#include "core/settings.h"
#include "platform/platform.h"
#include "support/test_root.h"

// Starts each test on an empty root folder of its own so that no test sees another's configuration files.
class SettingsRootTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = MakeTestRoot("settings");
        ASSERT_FALSE(root.empty());
        EnsureRootFolders();
    }
    std::string root;
};

// Fixes the build and puts every setting to its start-up value, as the main window's creation does.
inline void StartBuild(int type, int jix)
{
    nInstrumentType = type;
    bJixProduct = jix;
    RestoreInitialSettings();
    ApplyStartupDefaults();
    if (jix) nColorMapView = 0;
}

inline std::string SettingsPath()
{
    wchar_t sz[261];
    if (!GetSettingsFilePath(sz, 261)) return std::string();
    return MapDrivePath(sz);
}

inline std::string ReadBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline void WriteBytes(const std::string &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// Lines of a CR LF file without their ends.
inline std::vector<std::string> SplitLines(const std::string &bytes)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t lf = bytes.find('\n', start);
        if (lf == std::string::npos) lf = bytes.size();
        std::string line = bytes.substr(start, lf - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = lf + 1;
    }
    return lines;
}

inline std::string JoinLines(const std::vector<std::string> &lines)
{
    std::string out;
    for (const std::string &l : lines) out += l + "\r\n";
    return out;
}

// Replaces line n (1-based) of the configuration file.
inline void SetFileLine(int n, const std::string &text)
{
    std::vector<std::string> lines = SplitLines(ReadBytes(SettingsPath()));
    ASSERT_LE(n, (int)lines.size());
    lines[n - 1] = text;
    WriteBytes(SettingsPath(), JoinLines(lines));
}
