// Fuzz target: the settings-file reader of every instrument family and both product lines, from any file bytes.
// The first byte picks the build; the rest is the file.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <filesystem>

#include "core/core.h"
#include "core/settings.h"
#include "support/fuzz_support.h"

static const int kTypes[] = {INSTRUMENT_GRAD601, INSTRUMENT_EM61LX2, INSTRUMENT_EM61MK2, INSTRUMENT_EM31MK2,
                             INSTRUMENT_EM38,    INSTRUMENT_EM34,    INSTRUMENT_EM38MK2, INSTRUMENT_EM384,
                             INSTRUMENT_CS21};

static std::string SettingsFile()
{
    wchar_t sz[261];
    if (!GetSettingsFilePath(sz, 261)) abort();
    return MapDrivePath(sz);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t nSize)
{
    static std::string root = StartFuzzPlatform("settings");
    if (nSize < 1) return 0;
    nInstrumentType = kTypes[pData[0] % 9];
    bJixProduct = (pData[0] >> 7) & 1;
    RestoreInitialSettings();
    ApplyStartupDefaults();
    EnsureRootFolders();
    const std::string path = SettingsFile();
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    if (!WriteFuzzFile(path, pData + 1, nSize - 1)) {
        fprintf(stderr, "cannot write %s\n", path.c_str());
        abort();
    }
    LoadSaveSettingsFile(0);
    // Values that later index tables, divide or go into fixed-width fields are in range.
    if (nGpsFormat < 0 || nGpsFormat > 8 || nMapSize < 1 || !(dGridInterval > 0) || !(dSampleInterval > 0)) abort();
    if (!(std::fabs(dStartStation) < 1.0e6) || !(std::fabs(dStation) < 1.0e6)) abort();
    if (wcsnlen(szSurveyLine, 16) > 15 || wcsnlen(szDataFolder, 261) > 260) abort();
    return 0;
}
