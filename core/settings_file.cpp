// Settings file: path and version of the build, load, save and delete, and the line engine of the families.
#include "core/settings.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/core.h"
#include "core/rates.h"
#include "core/text.h"
#include "dialogs/dialog_services.h"
#include "displays/scales.h"

// ---------------------------------------------------------------------------------------------------------------
// Version table and path
// ---------------------------------------------------------------------------------------------------------------
struct VersionCodeRow {
    int nType;
    const char *szStem;
    const char *szZanthVersion, *szZanthCode;
    const char *szJixVersion, *szJixCode;
};
static const VersionCodeRow aVersionCodeTable[9] = {
    {INSTRUMENT_GRAD601, "601", "1.01", "101", "1.07", "107"},
    {INSTRUMENT_EM61LX2, "61LX2", "1.09", "109", "1.00", "100"},
    {INSTRUMENT_EM61MK2, "61MK2", "2.28", "228", "2.25", "225"},
    {INSTRUMENT_EM31MK2, "31MK2", "2.30", "230", "2.18", "218"},
    {INSTRUMENT_EM38, "38", "2.15", "215", "2.00", "200"},
    {INSTRUMENT_EM34, "34-3", "2.14", "214", "2.15", "215"},
    {INSTRUMENT_EM38MK2, "38MK2", "2.29", "229", "2.17", "217"},
    {INSTRUMENT_EM384, "38-4", "1.00", "100", "1.00", "100"},
    {INSTRUMENT_CS21, "CS-21", "1.00", "100", "1.00", "100"},
};

static const VersionCodeRow *FindVersionRow(int instrumentType)
{
    for (const VersionCodeRow &row : aVersionCodeTable)
        if (row.nType == instrumentType) return &row;
    return nullptr;
}

const char *SettingsVersionString(int instrumentType, int jixProduct)
{
    const VersionCodeRow *row = FindVersionRow(instrumentType);
    if (!row) return "";
    return jixProduct ? row->szJixVersion : row->szZanthVersion;
}

const char *SettingsVersionCode(int instrumentType, int jixProduct)
{
    const VersionCodeRow *row = FindVersionRow(instrumentType);
    if (!row) return "";
    // The CS-21 file name takes the EM38-4 code (the two are equal).
    if (instrumentType == INSTRUMENT_CS21) row = FindVersionRow(INSTRUMENT_EM384);
    return jixProduct ? row->szJixCode : row->szZanthCode;
}

const char *SettingsFileStem(int instrumentType)
{
    const VersionCodeRow *row = FindVersionRow(instrumentType);
    return row ? row->szStem : nullptr;
}

static int GetSettingsFolder(wchar_t *szFolder, int nSize)
{
    const char *szStem = SettingsFileStem(nInstrumentType);
    if (!szStem) return 0;
    int n = swprintf(szFolder, nSize, L"C:\\ProgramData\\Ulvane\\%ls%s\\", bJixProduct ? L"Jix" : L"Zanth", szStem);
    return n > 0 && n < nSize;
}

int GetSettingsFilePath(wchar_t *szPath, int nPathSize)
{
    const char *szStem = SettingsFileStem(nInstrumentType);
    if (!szStem) return 0;
    const wchar_t *szLine = bJixProduct ? L"Jix" : L"Zanth";
    int n = swprintf(szPath, nPathSize, L"C:\\ProgramData\\Ulvane\\%ls%s\\%ls%s_%s.INI", szLine, szStem, szLine,
                     szStem, SettingsVersionCode(nInstrumentType, bJixProduct));
    return n > 0 && n < nPathSize && n <= 260;
}

// ---------------------------------------------------------------------------------------------------------------
// Value conversions
// ---------------------------------------------------------------------------------------------------------------
// Failed writes since the save began: a save with any failure leaves the old file in place.
static int nFailedWrites = 0;
// Set by the line reader when the file ends before the family's last line.
static int bFileEndedEarly = 0;

static int WriteText(HANDLE hFile, const char *szText)
{
    DWORD dwWritten = 0;
    DWORD dwLength = (DWORD)strlen(szText);
    if (WriteFile(hFile, szText, dwLength, &dwWritten, nullptr) && dwWritten == dwLength) return 1;
    nFailedWrites++;
    return 0;
}

// Decimal to 32-bit integer: leading blanks and a sign, digits up to the first other character, 0 when none;
// values beyond the 32-bit range are held at its ends.
static int TextToInt32(const char *sz)
{
    while (*sz == ' ' || *sz == '\t' || *sz == '\r' || *sz == '\n' || *sz == '\v' || *sz == '\f') sz++;
    int neg = 0;
    if (*sz == '+' || *sz == '-') neg = *sz++ == '-';
    long long v = 0;
    while (*sz >= '0' && *sz <= '9') {
        v = v * 10 + (*sz++ - '0');
        if (v > 4294967296LL) v = 4294967296LL;
    }
    if (neg) v = -v;
    if (v > INT_MAX) v = INT_MAX;
    if (v < INT_MIN) v = INT_MIN;
    return (int)v;
}

// Decimal to double without the locale: leading blanks and a sign, stops at the first character that does not
// continue a number; 0 when none, and 0 for anything not finite.
static double TextToReal(const char *sz)
{
    while (*sz == ' ' || *sz == '\t' || *sz == '\r' || *sz == '\n' || *sz == '\v' || *sz == '\f') sz++;
    int neg = 0;
    if (*sz == '+' || *sz == '-') neg = *sz++ == '-';
    if (*sz == '+' || *sz == '-') return 0;
    // Only digits, points and exponents: "nan", "inf" and hexadecimal text read as 0.
    if (!((*sz >= '0' && *sz <= '9') || *sz == '.')) return 0;
    double d = 0;
    const char *end = sz + strlen(sz);
    std::from_chars_result r = std::from_chars(sz, end, d, std::chars_format::general);
    if (r.ec != std::errc() || !std::isfinite(d)) return 0;
    return neg ? -d : d;
}

static void WideToNarrowLow(const wchar_t *src, char *dst, int nSize)
{
    int i = 0;
    for (; src[i] && i < nSize - 1; i++) dst[i] = (char)(src[i] & 0xFF);
    dst[i] = 0;
}

// ---------------------------------------------------------------------------------------------------------------
// Start-up defaults and range checks
// ---------------------------------------------------------------------------------------------------------------
struct IntRange {
    int *p;
    int nMin, nMax;
    int nDefault;
};
static IntRange aIntRanges[] = {
    {&nGpsFormat, 0, 8, 1},        {&nRateChoice, 0, 8, 0},        {&nSwathIndex, 0, 7, 2},
    {&nEm34Configuration, 1, 6, 1}, {&nColorMapView, 0, 8, 1},     {&nInstrumentPort, 0, 98, 3},
    {&nGpsPort, 0, 98, 5},          {&nTiltPort, 0, 98, 6},         {&nGpsBaud, 0, 5, 1},
    {&nTiltBaud, 0, 5, 1},          {&nGpsParity, 0, 2, 0},         {&nGpsDataBits, 0, 1, 1},
    {&nGpsStopBits, 0, 1, 0},       {&nSurveyMode, 0, 2, 0},        {&nMapUnits, 0, 2, 0},
    {&nCoordUnits, 0, 3, 0},        {&nSensorSize, 0, 4, 0},        {&nEm61Type, 0, 3, 0},
    {&nCursorBand, 0, 6, 1},        {&nPositionSize, 0, 5, 3},      {&nCursorSize, 0, 5, 4},
    {&nMapSize, 1, 1000000, 40},    {&nSpeedUnits, 0, 3, 0},        {&nPauseKey, 0, 3, 0},
    {&nGeometryUnits, 0, 3, 0},     {&nLineDirection, 0, 3, 0},     {&nLineMode, 0, 1, 0},
    {&nGridMode, 0, 1, 0},          {&nSensorsMinus1, 0, 1, 1},     {&nDipoleMode, 0, 1, 0},
    {&nReadingsPerStation, 1, 999, 10}, {&nEm384DisplayMode, 0, 2, 0}, {&nAlarmType, 0, 2, 0},
    {&nAlarmChannel, 0, 2, 0},      {&nAlarmAnomalyWidth, 0, 9, 0}, {&nBgDelimiter, 0, 3, 1},
    {&nBgCoordType, 0, 3, 1},       {&nBgDisplayType, 0, 9, 1},     {&bBgJoinPositions, 0, 2, 0},
    {&nBgColumnX, 0, 99, 1},        {&nBgColumnY, 0, 99, 0},        {&nBgColumnLabel, 0, 99, 2},
    {&nInphaseUnits, 0, 1, 0},      {&nEm384StoredInt4, 0, 2, 0},   {&nEm384StoredInt3, 0, 1, 0},
    {&nEm384StoredInt1, 0, 4, 2},
};
static int anPenWidthDefault[16] = {2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4, 1};

struct RealDefaults {
    double dGridInterval, dSampleInterval, dSpeedScaleMax, dSensorSeparation;
    double dScale1Min, dScale1Max, dScale2Min, dScale2Max;
    double dFilterFactorLeft, dFilterFactorRight;
};
static RealDefaults realDefaults = {2, 0.2, 5, 1, 0, 500, -25, 25, 310, 310};

// Stations and station increments go into fixed-width record fields ("%11.2f", "%7.3f"): a value beyond its limit
// takes the start-up default.
struct BoundedReal {
    double *p;
    double dLimit;  // largest magnitude
    double dDefault;
};
static BoundedReal aBoundedReals[] = {
    {&dStartStation, 999999.0, 0},           {&dStartStationMk2, 999999.0, 0},
    {&dStationIncrementAuto, 999.0, 1},      {&dStationIncrementWheel, 999.0, 0.2},
    {&dStationIncrementManual, 999.0, 2},    {&dStationIncrementAutoMk2, 999.0, 1},
    {&dStationIncrementWheelMk2, 999.0, 0.2}, {&dStationIncrementManualMk2, 999.0, 2},
};

// Limits that depend on the instrument of the build.
static void SetTypeLimits()
{
    static const int anColorViewMax[14] = {1, 0, 3, 4, 2, 0, 0, 1, 1, 0, 0, 4, 8, 1};
    int index = nInstrumentType + 4;
    for (IntRange &r : aIntRanges) {
        if (r.p == &nColorMapView) r.nMax = (index >= 0 && index < 14) ? anColorViewMax[index] : 1;
        if (r.p == &nSwathIndex)
            r.nMax = (nInstrumentType == INSTRUMENT_EM61MK2 || nInstrumentType == INSTRUMENT_EM61LX2) ? 11 : 7;
        if (r.p == &nDipoleMode) r.nMax = nInstrumentType == INSTRUMENT_EM34 ? 6 : 1;
    }
}

void SnapshotStartupDefaults()
{
    SetTypeLimits();
    for (IntRange &r : aIntRanges) {
        r.nDefault = *r.p;
        if (r.nDefault < r.nMin || r.nDefault > r.nMax) r.nDefault = r.nMin;
    }
    for (int i = 0; i < 16; i++) anPenWidthDefault[i] = anChannelPenWidth[i] >= 1 ? anChannelPenWidth[i] : 1;
    for (BoundedReal &r : aBoundedReals)
        if (std::fabs(*r.p) <= r.dLimit) r.dDefault = *r.p;
    realDefaults = {dGridInterval, dSampleInterval, dSpeedScaleMax, dSensorSeparation, dScale1Min, dScale1Max,
                    dScale2Min, dScale2Max, dFilterFactorLeft, dFilterFactorRight};
}

// Brings a value just read into its range; a value out of range takes the start-up default.
static void CheckSettingValue(void *p)
{
    if (p == &bGpsEnabled) {
        bGpsEnabled = bGpsEnabled != 0;
        return;
    }
    for (const IntRange &r : aIntRanges) {
        if (r.p == p) {
            if (*r.p < r.nMin || *r.p > r.nMax) *r.p = r.nDefault;
            return;
        }
    }
    for (const BoundedReal &r : aBoundedReals) {
        if (r.p == p) {
            if (!(std::fabs(*r.p) <= r.dLimit)) *r.p = r.dDefault;
            return;
        }
    }
    if (p >= (void *)&anChannelPenWidth[0] && p < (void *)&anChannelPenWidth[16]) {
        int i = (int)((int *)p - anChannelPenWidth);
        if (anChannelPenWidth[i] < 1 || anChannelPenWidth[i] > 100) anChannelPenWidth[i] = anPenWidthDefault[i];
        return;
    }
    if (p == &dGridInterval) {
        if (!(dGridInterval > 0 && dGridInterval <= 1.0e6)) dGridInterval = realDefaults.dGridInterval;
    } else if (p == &dSampleInterval) {
        if (!(dSampleInterval > 0 && dSampleInterval <= 3600)) dSampleInterval = realDefaults.dSampleInterval;
    } else if (p == &dSpeedScaleMax) {
        if (!(dSpeedScaleMax > dSpeedScaleMin)) dSpeedScaleMax = realDefaults.dSpeedScaleMax;
    } else if (p == &dSensorSeparation) {
        if (!(dSensorSeparation > 0 && dSensorSeparation <= 100)) dSensorSeparation = realDefaults.dSensorSeparation;
    } else if (p == &dFilterFactorLeft) {
        if (!(dFilterFactorLeft >= 125 && dFilterFactorLeft <= 1000)) dFilterFactorLeft = realDefaults.dFilterFactorLeft;
    } else if (p == &dFilterFactorRight) {
        if (!(dFilterFactorRight >= 125 && dFilterFactorRight <= 1000))
            dFilterFactorRight = realDefaults.dFilterFactorRight;
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Shared derivations
// ---------------------------------------------------------------------------------------------------------------
void SettingsAfterSurveyMode()
{
    nSurveyModeSaved = nSurveyMode;
    nSurveyModePrev = nSurveyMode;
}

void SettingsAfterSampleInterval()
{
    nSampleIntervalMs = (int)(dSampleInterval * 1000.0);
    SetReadingRateFactors();
}

void SettingsAfterStartStation()
{
    if (nSurveyMode == 0) dStationIncrement = dStationIncrementAuto;
    else if (nSurveyMode == 1) dStationIncrement = dStationIncrementWheel;
    else if (nSurveyMode == 2) dStationIncrement = dStationIncrementManual;
    dStation = dStartStation;
}

void SettingsAfterPositionSize()
{
    UpdateCursorMarkerSize();
}

void SettingsAfterCursorBand()
{
    nCursorBandPixels = (int)((nCursorBand * 5 + 10) * 0.01 * nMapViewPixels);
}

void SettingsCheckScale1()
{
    if (!(dScale1Max > dScale1Min) || !(dScale1Max - dScale1Min < 1.0e300)) {
        dScale1Min = realDefaults.dScale1Min;
        dScale1Max = realDefaults.dScale1Max;
    }
}

void SettingsCheckScale2()
{
    if (!(dScale2Max > dScale2Min) || !(dScale2Max - dScale2Min < 1.0e300)) {
        dScale2Min = realDefaults.dScale2Min;
        dScale2Max = realDefaults.dScale2Max;
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Line engine
// ---------------------------------------------------------------------------------------------------------------
void WriteSettingsLines(HANDLE hFile, const SettingsLine *aLines, int nLines)
{
    char szOut[300];
    for (int i = 0; i < nLines; i++) {
        const SettingsLine &line = aLines[i];
        switch (line.kind) {
        case SL_FOLDER:
            WideToNarrowLow((const wchar_t *)line.value, szOut, 261);
            break;
        case SL_SURVEYLINE15:
            WideToNarrowLow((const wchar_t *)line.value, szOut, 16);
            break;
        case SL_SURVEYLINE14:
            WideToNarrowLow((const wchar_t *)line.value, szOut, 15);
            break;
        case SL_COLORMAPVIEW:
            if (bJixProduct == 1) nColorMapView = 0;
            snprintf(szOut, sizeof szOut, "%d", nColorMapView);
            break;
        case SL_INT:
            snprintf(szOut, sizeof szOut, "%d", *(const int *)line.value);
            break;
        case SL_LONG:
            snprintf(szOut, sizeof szOut, "%ld", (long)*(const int *)line.value);
            break;
        case SL_COLOR:
            snprintf(szOut, sizeof szOut, "%ld", (long)(int32_t)*(const COLORREF *)line.value);
            break;
        case SL_REAL:
        case SL_YOFFSET_SAVED:
        case SL_YOFFSET: {
            double d = line.kind == SL_REAL ? *(const double *)line.value
                       : line.kind == SL_YOFFSET ? dGpsOffsetY : dGpsOffsetYSaved;
            // Fixed notation with six decimals, free of the locale.
            std::to_chars_result r = std::to_chars(szOut, szOut + sizeof szOut - 3, d, std::chars_format::fixed, 6);
            if (r.ec != std::errc()) snprintf(szOut, sizeof szOut, "0.000000");
            else *r.ptr = 0;
            break;
        }
        default:
            szOut[0] = 0;
            break;
        }
        strcat(szOut, "\r\n");
        WriteText(hFile, szOut);
    }
}

void ReadSettingsLines(HANDLE hFile, const SettingsLine *aLines, int nLines)
{
    char szLine[261];
    int bEnded = 0;
    for (int i = 0; i < nLines; i++) {
        const SettingsLine &line = aLines[i];
        if (!bEnded && ReadFileLine(hFile, szLine, (int)sizeof szLine) < 0) bEnded = bFileEndedEarly = 1;
        if (!bEnded) {
            switch (line.kind) {
            case SL_FOLDER: {
                wchar_t *sz = (wchar_t *)line.value;
                if (szLine[0]) NarrowToWideU(szLine, sz);  // at most 260 bytes: fits the 261 characters
                else wcscpy(sz, L"C:\\");                  // an empty folder line names no folder
                break;
            }
            case SL_SURVEYLINE15:
            case SL_SURVEYLINE14: {
                size_t nMax = line.kind == SL_SURVEYLINE15 ? 15 : 14;
                if (strlen(szLine) > nMax) szLine[nMax] = 0;
                NarrowToWideU(szLine, (wchar_t *)line.value);
                break;
            }
            case SL_INT:
            case SL_LONG:
            case SL_COLORMAPVIEW:
                *(int *)line.value = TextToInt32(szLine);
                break;
            case SL_COLOR:
                *(COLORREF *)line.value = (COLORREF)TextToInt32(szLine) & 0x00FFFFFFu;
                break;
            case SL_REAL:
                *(double *)line.value = TextToReal(szLine);
                break;
            case SL_YOFFSET_SAVED:
            case SL_YOFFSET:
                dGpsOffsetY = TextToReal(szLine);
                dGpsOffsetYSaved = dGpsOffsetY;
                break;
            default:
                break;
            }
            CheckSettingValue(line.value);
        }
        if (line.kind == SL_COLORMAPVIEW) {
            if (bInstrumentEnabled == 0) nColorMapView = 0;
            if (bJixProduct == 1) nColorMapView = 0;
        }
        if (line.after) line.after();
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Load, save, delete
// ---------------------------------------------------------------------------------------------------------------
static void WriteFamilySettings(HANDLE hFile)
{
    switch (nInstrumentType) {
    case INSTRUMENT_EM61MK2: WriteSettingsEm61Mk2(hFile); break;
    case INSTRUMENT_EM61LX2: WriteSettingsEm61Lx2(hFile); break;
    case INSTRUMENT_EM384: WriteEm384SettingsFile(hFile); break;
    case INSTRUMENT_CS21: WriteDualEmSettingsFile(hFile); break;
    case INSTRUMENT_GRAD601: SaveSettingsGrad(hFile); break;
    default: WriteSettingsEmFamily(hFile); break;
    }
}

static void ReadFamilySettings(HANDLE hFile)
{
    SetTypeLimits();
    switch (nInstrumentType) {
    case INSTRUMENT_EM61MK2: ReadSettingsEm61Mk2(hFile); break;
    case INSTRUMENT_EM61LX2: ReadSettingsEm61Lx2(hFile); break;
    case INSTRUMENT_EM384: ReadEm384SettingsFile(hFile); break;
    case INSTRUMENT_CS21: ReadDualEmSettingsFile(hFile); break;
    case INSTRUMENT_GRAD601: LoadSettingsGrad(hFile); break;
    default: ReadSettingsEmFamily(hFile); break;
    }
}

// No file this program writes comes near this size (every line of the longest family at the longest line): a
// larger file is not one of ours and is not read at all.
static const int64_t nSettingsFileMaxBytes = (int64_t)(SETTINGS_LINES_MAX + 1) * 302;

// Writes every line from memory into a new file beside the settings file, forces it to the disk and only then
// puts it in place of the old one, so that a kill or a power cut at any moment leaves either the old file or the
// new one whole (creating the folder when missing). Returns the close flag; a failed write or flush keeps the old
// file and returns 0.
static int WriteWholeFile(const wchar_t *szPath, const char *szVersionLine)
{
    wchar_t szFolder[261];
    CreateDirectory(L"C:\\ProgramData\\Ulvane\\", nullptr);
    if (GetSettingsFolder(szFolder, 261)) CreateDirectory(szFolder, nullptr);
    wchar_t szNew[272];
    int n = swprintf(szNew, 272, L"%ls.new", szPath);
    if (n <= 0 || n >= 272) return 0;
    HANDLE hFile = CreateFile(szNew, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) return 0;
    nFailedWrites = 0;
    char szOut[16];
    snprintf(szOut, sizeof szOut, "%s\r\n", szVersionLine);
    WriteText(hFile, szOut);
    WriteFamilySettings(hFile);
    int bWritten = nFailedWrites == 0 && FlushFileBuffers(hFile);
    int bClosed = CloseHandle(hFile) ? 1 : 0;
    if (!bWritten || !bClosed || !MoveFileEx(szNew, szPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFile(szNew);
        return 0;
    }
    return bClosed;
}

int LoadSaveSettingsFile(int mode)
{
    wchar_t szPath[261];
    if (!GetSettingsFilePath(szPath, 261)) return 0;
    char szVersionLine[10];
    snprintf(szVersionLine, sizeof szVersionLine, "Ver%s", SettingsVersionString(nInstrumentType, bJixProduct));

    if (mode == 0) {
        HANDLE hFile = CreateFile(szPath, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (hFile == INVALID_HANDLE_VALUE) return WriteWholeFile(szPath, szVersionLine);
        int64_t nSize = 0;
        if (!GetFileSizeEx(hFile, &nSize) || nSize > nSettingsFileMaxBytes) {
            CloseHandle(hFile);
            return WriteWholeFile(szPath, szVersionLine);
        }
        char szFirst[261];
        int n = ReadFileLine(hFile, szFirst, (int)sizeof szFirst);
        // A wrong version line (another program's file, or a damaged one): nothing of it is read; it is written
        // anew from the settings in memory.
        if (n != (int)strlen(szVersionLine) || strcmp(szFirst, szVersionLine) != 0) {
            CloseHandle(hFile);
            return WriteWholeFile(szPath, szVersionLine);
        }
        bFileEndedEarly = 0;
        ReadFamilySettings(hFile);
        int bClosed = CloseHandle(hFile) ? 1 : 0;
        // A file cut short (a save that never finished): the lines it holds were taken, the rest stay as they
        // were in memory, and the file is made whole again.
        if (bFileEndedEarly) return WriteWholeFile(szPath, szVersionLine);
        return bClosed;
    }
    if (mode == 2) {
        HANDLE hFile = CreateFile(szPath, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (hFile != INVALID_HANDLE_VALUE) {
            CloseHandle(hFile);
            return DeleteFile(szPath) ? 1 : 0;
        }
        return WriteWholeFile(szPath, szVersionLine);
    }
    return WriteWholeFile(szPath, szVersionLine);
}

// ---------------------------------------------------------------------------------------------------------------
// Swath edges
// ---------------------------------------------------------------------------------------------------------------
void UpdateSwathEdges()
{
    static const double adSensorWidth[8] = {0.25, 0.5, 1, 2, 3, 4, 5, 10};
    if (nInstrumentType == INSTRUMENT_GRAD601) {
        UpdateSensorGeometryGrad();
        return;
    }
    if (nInstrumentType == INSTRUMENT_EM61MK2 || nInstrumentType == INSTRUMENT_EM61LX2) {
        double dBase;
        if (nInstrumentType == INSTRUMENT_EM61LX2) dBase = nSensorsMinus1 == 1 ? 2.06 : 1.03;
        else if (nSensorSize == 1 || nSensorSize == 3) dBase = 0.5;
        else if (nSensorSize == 4) dBase = 0.2;
        else dBase = 1.0;
        double dFactor = nSwathIndex == 11 ? 2.0 : 0.5 + 0.1 * nSwathIndex;
        double dWidth = dBase * dFactor;
        dSwathLeftM = dWidth * 0.5 + dGpsOffsetX;
        dSwathRightM = dWidth - dSwathLeftM;
        if (nMapUnits >= 1) {
            dSwathLeft = dSwathLeftM / 0.3048;
            dSwathRight = dSwathRightM / 0.3048;
        } else {
            dSwathLeft = dSwathLeftM;
            dSwathRight = dSwathRightM;
        }
        return;
    }
    double dWidth = 1.0;
    if (nSwathIndex >= 0 && nSwathIndex <= 7) dWidth = adSensorWidth[nSwathIndex];
    dSwathLeft = dSwathLeftM = 0.5 * dWidth + dGpsOffsetX;
    dSwathRight = dSwathRightM = dWidth - dSwathLeft;
}
