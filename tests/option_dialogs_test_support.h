// Shared steps of the option-dialog tests: the lines of the configuration file a change wrote, and a restart that
// reads the settings again from the file.
#pragma once

#include <string>
#include <vector>

#include "logscreen/logscreen.h"
#include "map/map.h"
#include "map/map_view.h"
#include "settings_test_support.h"

// Each test starts on a build at its start-up values with the logging screen closed, the configuration file
// saved, no dialog scripts and no boxes recorded; Prepare sets what a test family needs before the save, and
// AfterStart adds its standing scripts.
class OptionDialogTest : public SettingsRootTest {
protected:
    void SetUp() override
    {
        SettingsRootTest::SetUp();
        Start(INSTRUMENT_EM61MK2, 0);
    }
    void TearDown() override { PlatformClearDialogScripts(); }
    void Start(int nType, int bJix)
    {
        StartBuild(nType, bJix);
        nRecordingState = -2;
        nTileWidth = 398;
        nRedrawFlags = 0;
        Prepare();
        LoadSaveSettingsFile(1);
        PlatformClearDialogScripts();
        PlatformClearShownDialogs();
        AfterStart();
    }
    virtual void Prepare() {}
    virtual void AfterStart() {}
};

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
