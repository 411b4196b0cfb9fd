// Shared steps of the option-dialog tests: the lines of the configuration file a change wrote, and a restart that
// reads the settings again from the file.
#pragma once

#include <string>
#include <vector>

#include "settings_test_support.h"

// Lines of the configuration file that differ between two versions: their new texts, in file order.
inline std::vector<std::string> ChangedLines(const std::string &before, const std::string &after)
{
    const std::vector<std::string> a = SplitLines(before), b = SplitLines(after);
    std::vector<std::string> changed;
    for (size_t i = 0; i < b.size(); i++)
        if (i >= a.size() || a[i] != b[i]) changed.push_back(b[i]);
    return changed;
}

// The settings started again from the start-up values and the file, as a restart of the program does.
inline void RestartFromSettingsFile()
{
    RestoreInitialSettings();
    ApplyStartupDefaults();
    LoadSaveSettingsFile(0);
}
