// Append checks: the header records of an existing data file against the current settings, per instrument family.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cwchar>

#include "core/core.h"
#include "core/settings.h"
#include "core/text.h"
#include "core/utm.h"
#include "datafile/datafile.h"
#include "datafile/datafile_state.h"
#include "map/map_state.h"

enum AppendFamily { FAMILY_EM31_EM38, FAMILY_EM61LX2, FAMILY_EM61MK2, FAMILY_GRAD };

static const wchar_t *const kComponentNames[] = {L"Both", L"Inphase"};
static const wchar_t *const kEm31TypeNames[] = {L"Standard", L"Short"};
static const wchar_t *const kEm38Mk2TypeNames[] = {L"EM38-MK2", L"EM38-MK2-1"};
static const wchar_t *const kEm61Lx2TypeNames[] = {L"Standard", L"Standard N.C.C"};
static const wchar_t *const kSensorSizeNames[] = {L"1 x 0.5 m", L"0.5 x 1.0 m", L"1 x 1 m", L"0.5 x 0.5 m",
                                                  L"Hand Held"};
static const wchar_t *const kEm61Mk2TypeNames[] = {L"Standard", L"High Power", L"Standard N.C.C", L"HP N.C.C."};
static const wchar_t *const kUnitNames[] = {L" Meters", L" Feet", L" US Survey Feet"};
static const wchar_t *const kGpsFormatNames[] = {L"GGA/GSA", L"GGA", L"POS", L"LLK", L"LLQ",
                                                 L"GLL", L"GGK", L"Pseudo GGA", L"Pseudo GLL"};
static const wchar_t *const kDipoleNames[] = {L"Vertical", L"Horizontal"};

// A setting's name, or "?" for a value outside its table.
static const wchar_t *NameOf(const wchar_t *const *names, int count, int value)
{
    return (value >= 0 && value < count) ? names[value] : L"?";
}

// Closes the file and shows the refusal; returns 1.
static int Refuse(HWND owner, const wchar_t *szText)
{
    ShowMessageDialog(owner, L"MESSAGEOK", L"WARNING", szText);
    CloseDataFile();
    return 1;
}

static int RefuseRecord(HWND owner, int nRecord)
{
    wchar_t szLine[64];
    swprintf(szLine, 64, L"File Record # %d invalid.", nRecord);
    wchar_t szText[256];
    swprintf(szText, 256, L"%ls\r\n%ls\r\n%ls", L"Invalid File Format.", szLine, L"The file will be closed.");
    return Refuse(owner, szText);
}

// The digit at nIndex of a record, or -1 when it is no digit from 0 to nMax.
static int DigitAt(const char *rec, int nIndex, int nMax)
{
    int d = (unsigned char)rec[nIndex] - '0';
    return (d >= 0 && d <= nMax) ? d : -1;
}

// The number written in bytes nFrom .. nFrom + nCount - 1 of a record.
static double NumberAt(const char *rec, int nFrom, int nCount)
{
    char sz[32];
    int n = nCount < 31 ? nCount : 31;
    memcpy(sz, rec + nFrom, (size_t)n);
    sz[n] = 0;
    // Leading blanks are no part of the number.
    const char *p = sz;
    while (*p == ' ') p++;
    char szTrim[32];
    snprintf(szTrim, sizeof szTrim, "%s", p);
    for (int i = (int)strlen(szTrim) - 1; i >= 0 && szTrim[i] == ' '; i--) szTrim[i] = 0;
    return TextToDouble(szTrim);
}

static const wchar_t *InstrumentName()
{
    switch (nInstrumentType) {
    case INSTRUMENT_EM31MK2: return L"EM31-MK2";
    case INSTRUMENT_EM38: return L"EM38";
    case INSTRUMENT_EM38MK2: return L"EM38-MK2";
    case INSTRUMENT_EM61LX2: return L"EM61-LX2";
    case INSTRUMENT_EM61MK2: return L"EM61-MK2";
    case INSTRUMENT_GRAD601: return L"Grad601";
    default: return L"Instrument";
    }
}

// " %s %s\r\n %s %s\r\n %s" refusal of one instrument setting.
static int RefuseSetting(HWND owner, const wchar_t *szFileLabel, const wchar_t *szFileName,
                         const wchar_t *szSelectedLabel, const wchar_t *szSelectedName)
{
    wchar_t szText[256];
    swprintf(szText, 256, L" %ls %ls\r\n %ls %ls\r\n %ls", szFileLabel, szFileName, szSelectedLabel, szSelectedName,
             L"Please adjust the configuration. ");
    return Refuse(owner, szText);
}

static bool TagMatches(const char *rec, AppendFamily family)
{
    switch (family) {
    case FAMILY_EM31_EM38:
        if (nInstrumentType == INSTRUMENT_EM31MK2) return strncmp(rec, "ZNT31", 5) == 0;
        if (nInstrumentType == INSTRUMENT_EM38MK2) return strncmp(rec, "ZNT38MK2", 8) == 0;
        // EM38: its own tag followed by a blank, so that EM38-MK2 files ("ZNT38MK2") are not taken.
        return strncmp(rec, "ZNT38 ", 6) == 0;
    case FAMILY_EM61LX2: return strncmp(rec, "ZNTLX", 5) == 0;
    case FAMILY_EM61MK2: return strncmp(rec, "ZNTMK2", 6) == 0;
    case FAMILY_GRAD: return strncmp(rec, "ZNT601", 6) == 0;
    }
    return false;
}

// Zone z of the file is usable with the current zone c: the same zone, or its neighbour (60 and 1 adjoin).
static bool ZoneIsNeighbour(int z, int c)
{
    if (z == 1) return c == 2 || c == 60;
    if (z == 60) return c == 1 || c == 59;
    return std::abs(z - c) == 1;
}

static int CheckAppendFile(HWND owner, AppendFamily family)
{
    char rec1[DATA_RECORD_MAX + 1], rec[DATA_RECORD_MAX + 1];
    wchar_t szText[256];

    // 1. Record 1 and its tag.
    if (!ReadDataRecord(rec1) || !TagMatches(rec1, family)) return RefuseRecord(owner, 1);

    // 2. Format: files of version 1 cannot be appended to.
    if (family == FAMILY_EM31_EM38 || family == FAMILY_EM61MK2) {
        int d = DigitAt(rec1, 9, 9);
        if (d < 0) return RefuseRecord(owner, 1);
        if (d < 2) {
            swprintf(szText, 256, L"%ls\r\n%ls\r\n%ls", L"Append file option is not avaiable",
                     L"for files created with Version 1.xx", L"The file will be closed.");
            return Refuse(owner, szText);
        }
    }

    // 3. Instrument state.
    int fileEnabled = DigitAt(rec1, 21, 1);
    if (fileEnabled < 0) return RefuseRecord(owner, 1);
    if (fileEnabled != (bInstrumentEnabled ? 1 : 0)) {
        wchar_t szFile[96], szSelected[96];
        swprintf(szFile, 96, L"%ls in the file: %ls", InstrumentName(), fileEnabled ? L"ENABLED" : L"DISABLED");
        swprintf(szSelected, 96, L"Selected %ls: %ls", InstrumentName(), bInstrumentEnabled ? L"ENABLED" : L"DISABLED");
        swprintf(szText, 256, L" %ls\r\n %ls\r\n %ls", szFile, szSelected, L"Please adjust the configuration. ");
        return Refuse(owner, szText);
    }

    // 4. Number of sensors.
    if ((family == FAMILY_EM61LX2 || family == FAMILY_GRAD) && bInstrumentEnabled == 1) {
        int sensors = DigitAt(rec1, family == FAMILY_EM61LX2 ? 22 : 19, 1);
        if (sensors < 0) return RefuseRecord(owner, 1);
        if (sensors != nSensorsMinus1) {
            swprintf(szText, 256, L" %ls%1d\r\n %ls%1d\r\n %ls", L"Number of sensors in the file: ", sensors + 1,
                     L"Number of sensors Selected: ", nSensorsMinus1 + 1, L"Please adjust the configuration. ");
            return Refuse(owner, szText);
        }
    }

    // 5. to 7. Records 2, 3 and 4.
    if (!ReadDataRecord(rec) || rec[0] != 'H') return RefuseRecord(owner, 2);
    if (!ReadDataRecord(rec) || rec[0] != 'G') return RefuseRecord(owner, 3);
    double fileOffsetX = NumberAt(rec, 1, 7);
    double fileOffsetY = NumberAt(rec, 8, 7);
    int fileGpsFormat = rec[17] == 'A' ? 8 : DigitAt(rec, 19, 8);
    int fileGpsState = DigitAt(rec, 20, 1);
    if (!ReadDataRecord(rec) || rec[0] != 'G') return RefuseRecord(owner, 4);
    int fileZone = 0;
    if (rec[16] >= '0' && rec[16] <= '9' && rec[17] >= '0' && rec[17] <= '9')
        fileZone = (rec[16] - '0') * 10 + (rec[17] - '0');
    else if (rec[16] == ' ' && rec[17] >= '0' && rec[17] <= '9')
        fileZone = rec[17] - '0';

    // 8. Instrument settings.
    if (bInstrumentEnabled == 1) {
        if (family == FAMILY_EM31_EM38) {
            if (nInstrumentType == INSTRUMENT_EM31MK2) {
                int d = DigitAt(rec1, 18, 1);
                if (d < 0) return RefuseRecord(owner, 1);
                if (d != nComponent)
                    return RefuseSetting(owner, L"Component in the file: ", kComponentNames[d],
                                         L"Selected   Component: ", NameOf(kComponentNames, 2, nComponent));
            }
            int dipole = DigitAt(rec1, 16, 1);
            if (dipole < 0) return RefuseRecord(owner, 1);
            if (dipole != nDipoleMode)
                return RefuseSetting(owner, L"Dipole Mode in the file: ", kDipoleNames[dipole],
                                     L"Selected  Dipole Mode: ", NameOf(kDipoleNames, 2, nDipoleMode));
            if (nInstrumentType == INSTRUMENT_EM38MK2) {
                int t = DigitAt(rec1, 19, 2);
                if (t < 0) return RefuseRecord(owner, 1);
                if (t == 2) t = 0;
                if (t != nEm38Mk2Type)
                    return RefuseSetting(owner, L"EM38-MK2 Type in the file: ", kEm38Mk2TypeNames[t],
                                         L"Selected  EM38-MK2  Type: ", NameOf(kEm38Mk2TypeNames, 2, nEm38Mk2Type));
            } else {
                int t = DigitAt(rec1, 19, 1);
                if (t < 0) return RefuseRecord(owner, 1);
                if (t != nEm31Type) {
                    if (nInstrumentType == INSTRUMENT_EM31MK2)
                        return RefuseSetting(owner, L"EM31-MK2 Type in the file: ", kEm31TypeNames[t],
                                             L"Selected  EM31-MK2  Type: ", NameOf(kEm31TypeNames, 2, nEm31Type));
                    return RefuseSetting(owner, L"EM38 Type in the file: ", kEm31TypeNames[t],
                                         L"Selected  EM38  Type: ", NameOf(kEm31TypeNames, 2, nEm31Type));
                }
            }
        } else if (family == FAMILY_EM61LX2) {
            int t = DigitAt(rec1, 18, 1);
            if (t < 0) return RefuseRecord(owner, 1);
            if (t != nEm61Type)
                return RefuseSetting(owner, L"EM61-LX2 Type in the file: ", kEm61Lx2TypeNames[t],
                                     L"Selected EM61-LX2 Type: ", NameOf(kEm61Lx2TypeNames, 2, nEm61Type));
        } else if (family == FAMILY_EM61MK2) {
            int size = DigitAt(rec1, 16, 4);
            if (size < 0) return RefuseRecord(owner, 1);
            if (size != nSensorSize)
                return RefuseSetting(owner, L"Sensor Size in the file: ", kSensorSizeNames[size],
                                     L"Selected Sensor Size: ", NameOf(kSensorSizeNames, 5, nSensorSize));
            int t = DigitAt(rec1, 18, 3);
            if (t < 0) return RefuseRecord(owner, 1);
            if (t != nEm61Type)
                return RefuseSetting(owner, L"EM61-MK2 Type in the file: ", kEm61Mk2TypeNames[t],
                                     L"Selected EM61-MK2 Type: ", NameOf(kEm61Mk2TypeNames, 4, nEm61Type));
        }
    }

    // 9. GPS state.
    if (fileGpsState < 0) return RefuseRecord(owner, 3);
    if (bGpsEnabled == 0) {
        if (fileGpsState != 0) {
            swprintf(szText, 256, L" %ls\r\n %ls\r\n %ls", L"GPS state in the file: ENABLED",
                     L"Selected GPS state: DISABLED ", L"Please adjust the configuration. ");
            return Refuse(owner, szText);
        }
        return 0;
    }
    if (fileGpsState == 0) {
        swprintf(szText, 256, L" %ls\r\n %ls\r\n %ls", L"GPS state in the file: DISABLED",
                 L"Selected GPS state: ENABLED", L"Please adjust the configuration. ");
        return Refuse(owner, szText);
    }

    // 10. A valid position is needed to place the appended survey.
    if (!bGpsPositionValid) {
        swprintf(szText, 256, L"%ls\r\n%ls\r\n%ls", L"Valid GPS position must be ", L"received to append file.",
                 L"Check settings and GPS performance.");
        return Refuse(owner, szText);
    }

    // 11. Map units.
    int fileUnits = DigitAt(rec1, 15, 2);
    if (fileUnits < 0) return RefuseRecord(owner, 1);
    if (fileUnits != nMapUnits) {
        swprintf(szText, 256, L" %ls %ls\r\n  %ls", L"Map units in the file:", kUnitNames[fileUnits],
                 L"Select the same units in the program");
        return Refuse(owner, szText);
    }

    // 12. Antenna offsets.
    if (bInstrumentEnabled == 1 &&
        (std::fabs(fileOffsetX - dGpsOffsetX) >= 0.01 - 1e-9 || std::fabs(fileOffsetY - dGpsOffsetY) >= 0.01 - 1e-9)) {
        wchar_t szFile[64], szNow[64];
        FormatBoxText(szFile, 64, L"X=%.2f Y=%.2f", fileOffsetX, fileOffsetY);
        FormatBoxText(szNow, 64, L"X=%.2f Y=%.2f", dGpsOffsetX, dGpsOffsetY);
        swprintf(szText, 256, L" %ls\r\n  %ls\r\n%ls\r\n  %ls\r\n%ls", L"GPS antenna offsets in the file: ", szFile,
                 L"GPS antenna offsets specified: ", szNow, L"Please adjust offsets or create the new data file. ");
        return Refuse(owner, szText);
    }

    // 13. GPS format.
    if (fileGpsFormat < 0) return RefuseRecord(owner, 3);
    if (fileGpsFormat != nGpsFormat) {
        const wchar_t *fileName = kGpsFormatNames[fileGpsFormat];
        swprintf(szText, 256, L"%ls%ls\r\n%ls%ls\r\n%ls%ls\r\n%ls", L"GPS NMEA Data in the file: ", fileName,
                 L"Selected in the program: ", NameOf(kGpsFormatNames, 9, nGpsFormat), L"Please select ", fileName,
                 L"to append file.");
        return Refuse(owner, szText);
    }

    // 14. UTM zone: a neighbouring zone moves the map origin into the file's zone.
    int c = nUtmZoneFirstFix;
    if (fileZone > 0 && fileZone != c && nGpsFormat != 3 && nGpsFormat != 4 && nGpsFormat != 7) {
        if (!ZoneIsNeighbour(fileZone, c)) {
            swprintf(szText, 256, L"%ls\r\n%ls\r\n%ls\r\n%ls", L"Distance between gps current position and position",
                     L"in the file is greater than 6 degrees longitude.",
                     L"Therefore the program cannot append this file.", L"The file will be closed.");
            return Refuse(owner, szText);
        }
        nUtmZone = fileZone;
        int zone = fileZone;
        double northing = 0.0, easting = 0.0;
        LatLonToUtm(dGpsLatitude, dGpsLongitude, &zone, &northing, &easting, 1);
        if (nMapUnits == 1) {
            northing /= 0.3048;
            easting /= 0.3048;
        } else if (nMapUnits == 2) {
            northing /= 0.304800609601219;
            easting /= 0.304800609601219;
        }
        dMapOriginX = easting;
        dMapOriginY = northing;
    }
    return 0;
}

int CheckAppendFileEm31Em38(HWND hwndOwner) { return CheckAppendFile(hwndOwner, FAMILY_EM31_EM38); }
int CheckAppendFileEm61Lx2(HWND hwndOwner) { return CheckAppendFile(hwndOwner, FAMILY_EM61LX2); }
int CheckAppendFileEm61Mk2(HWND hwndOwner) { return CheckAppendFile(hwndOwner, FAMILY_EM61MK2); }
int CheckAppendFileGrad(HWND hwndOwner) { return CheckAppendFile(hwndOwner, FAMILY_GRAD); }

int CheckAppendFileForInstrument(HWND hwndOwner)
{
    switch (nInstrumentType) {
    case INSTRUMENT_EM31MK2:
    case INSTRUMENT_EM38:
    case INSTRUMENT_EM38MK2: return CheckAppendFileEm31Em38(hwndOwner);
    case INSTRUMENT_GRAD601: return CheckAppendFileGrad(hwndOwner);
    case INSTRUMENT_EM61LX2: return CheckAppendFileEm61Lx2(hwndOwner);
    case INSTRUMENT_EM61MK2: return CheckAppendFileEm61Mk2(hwndOwner);
    default: return 0;
    }
}
