// Fuzz target: an existing data file chosen for appending, through the append checks and the extent check. The
// first byte picks the build and the GPS state; the rest is the file.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "datafile/datafile_state.h"
#include "datafile/record_length.h"
#include "logscreen/logscreen.h"
#include "map/map_state.h"
#include "resources/resources.h"
#include "support/fuzz_support.h"

namespace {

struct Build {
    int nType, bJix, nLength;
};
const Build kBuilds[] = {{INSTRUMENT_EM61MK2, 0, 27}, {INSTRUMENT_EM61MK2, 1, 27}, {INSTRUMENT_EM61LX2, 0, 27},
                         {INSTRUMENT_EM31MK2, 0, 27}, {INSTRUMENT_EM31MK2, 1, 24}, {INSTRUMENT_EM38, 0, 27},
                         {INSTRUMENT_EM38MK2, 0, 27}, {INSTRUMENT_EM384, 0, 47},   {INSTRUMENT_CS21, 0, 65},
                         {INSTRUMENT_GRAD601, 0, 27}, {INSTRUMENT_EM34, 0, 27}};

void Start()
{
    StartFuzzPlatform("datafile");
    RegisterMessageDialogTemplates();
    InitOpenFileRecord(nullptr);
    PlatformSetTickSource([] { return (DWORD)123456789; });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t nSize)
{
    static const int bStarted = (Start(), 1);
    (void)bStarted;
    if (nSize < 1) return 0;
    const Build &b = kBuilds[(pData[0] & 0x3F) % (sizeof kBuilds / sizeof kBuilds[0])];
    CloseDataFile();
    nInstrumentType = b.nType;
    bJixProduct = b.bJix;
    RestoreInitialSettings();
    ApplyStartupDefaults();
    SetDataRecordLength(b.nLength);
    wcscpy(szDataFolder, L"C:\\data\\");
    bInstrumentEnabled = (pData[0] >> 6) & 1;
    bGpsEnabled = (pData[0] >> 7) & 1;
    bGpsPositionValid = bGpsEnabled;
    nUtmZoneFirstFix = nUtmZone = 33;
    dMapOriginX = 500000.0;
    dMapOriginY = 5400000.0;
    nTileWidth = nTileHeight = 398;
    nTileMaxX = nTileMaxY = 397;
    dMapPixelsPerUnit = 398.0 / 40.0;
    nTileIndexMin = 3;
    nTileIndexMax = 1996;
    nMaxGpsPositions = 28800;
    nGpsPositionCount = 0;
    nRecordingState = 0;

    static std::string root = StartFuzzPlatform("datafile");
    std::wstring name = std::wstring(L"C:\\data\\fuzz.") + DataFileExtension();
    if (!WriteFuzzFile(MapDrivePath(name.c_str()), pData + 1, nSize - 1)) abort();
    PlatformClearDialogScripts();
    PlatformClearShownDialogs();
    PlatformAnswerDialog(L"MESSAGEOK", 1, true);
    PlatformAnswerDialog(L"MESSAGEYESNO", 1, true);
    PlatformScriptFileChooser(name);
    int nResult = CreateDataFileDialog(nullptr);
    CompleteDataFileOpen(nullptr, nResult);
    CloseDataFile();
    PlatformClearShownDialogs();
    return 0;
}
