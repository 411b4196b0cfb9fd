// GPS position handling: position and satellite sentences to positions, fix quality, satellites, DOP and speed.
#include "processing/gps_position.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <cwchar>

#include "acquisition/acquisition.h"
#include "acquisition/neighbour_calls.h"
#include "core/core.h"
#include "core/settings.h"
#include "core/text.h"
#include "core/utm.h"
#include "datafile/datafile.h"
#include "datafile/datafile_state.h"
#include "displays/legend.h"
#include "logscreen/logscreen.h"
#include "map/map_state.h"
#include "map/pens.h"
#include "processing/em61mk2_decode.h"
#include "processing/gps_formats.h"

int nGpsSatellites = 20;
int nGpsQuality = 10;
double dGpsDop = -2.0;
double dGpsSpeed = 0.0;
int bGpsFixValid = 0;
double dGpsPrevX = 0.0, dGpsPrevY = 0.0;
double dGpsPrevTime = -1.0;
char chGpsBlink = '\\';
RECT arcGpsBox[GPS_BOX_COUNT];

// Map units per metre of the grid values, by nMapUnits.
static double GridToMapFactor()
{
    return nMapUnits == 1 ? 3.28084 : nMapUnits == 2 ? 3.2808333333333355 : 1.0;
}

// Metres per map unit of a UTM value, by nMapUnits.
static double MetresPerMapUnit()
{
    return nMapUnits == 1 ? METRES_PER_FOOT : nMapUnits == 2 ? METRES_PER_US_FOOT : 1.0;
}

// Largest values the boxes show: a receiver's value beyond them is no value (the sentence gives no fix).
static const int GPS_MAX_SATELLITES = 99;
static const int GPS_MAX_QUALITY = 99;
static const double GPS_MAX_DOP = 999.0;
static const double GPS_MAX_GRID_METRES = 1.0e8;  // grid northing or easting, in the field's units
static const double GPS_MAX_EXTRA = 1.0e7;        // the three further reals of a pseudo GGA sentence

// Writes a box text; a text that cannot be formatted (too long for the box) shows "N/A".
static void SetBox(GpsPositionFix *pFix, int nBox, int bBold, int nBackground, const wchar_t *szFormat, ...)
{
    pFix->abBoxSet[nBox] = 1;
    pFix->abBoxBold[nBox] = bBold;
    pFix->anBoxBackground[nBox] = nBackground;
    const size_t nSize = sizeof pFix->aszBox[nBox] / sizeof pFix->aszBox[nBox][0];
    va_list args;
    va_start(args, szFormat);
    wchar_t szText[sizeof pFix->aszBox[nBox] / sizeof pFix->aszBox[nBox][0]];
    int n = vswprintf(szText, nSize, szFormat, args);
    va_end(args);
    FormatBoxText(pFix->aszBox[nBox], nSize, L"%ls", n >= 0 && (size_t)n < nSize ? szText : L"N/A");
}

// A value that does not fit its box: "N/A" in the box.
static void SetBoxNotAvailable(GpsPositionFix *pFix, int nBox, int bBold)
{
    SetBox(pFix, nBox, bBold, GPS_BOX_BG_FACE, L"N/A");
}

// Integer field within [nMin, nMax] into *pnValue (0 for an empty field). Returns 0 when the text holds a number
// out of that range (*pnValue unchanged).
static int ReadBoundedInt(const char *szField, long nMin, long nMax, int *pnValue)
{
    long n = TextToLong(szField);
    if (n < nMin || n > nMax) return 0;
    *pnValue = (int)n;
    return 1;
}

// Real field within [-dLimit, dLimit] (or [0, dLimit] when bPositive) into *pdValue. Returns 0 when out of range.
static int ReadBoundedReal(const char *szField, double dLimit, int bPositive, double *pdValue)
{
    double d = TextToDouble(szField);
    if (!(d <= dLimit && d >= (bPositive ? 0.0 : -dLimit))) return 0;
    *pdValue = d;
    return 1;
}

// Field n of the sentence into szField (at least as long as the sentence), always starting empty, with the
// checksum ("*hh") and line ends cut off. Returns 1 when the field holds text.
static int FetchField(const char *szSentence, int n, char *szField)
{
    szField[0] = 0;
    if (n < 1) return 0;
    if (!GetDelimitedField(szSentence, n, ',', szField)) {
        szField[0] = 0;
        return 0;
    }
    for (char *p = szField; *p; ++p) {
        if (*p == '*' || *p == '\r' || *p == '\n') {
            *p = 0;
            break;
        }
    }
    return szField[0] != 0;
}

static int AllDigits(const char *p, int n)
{
    for (int i = 0; i < n; ++i)
        if (p[i] < '0' || p[i] > '9') return 0;
    return 1;
}

// ddmm.mmmm (nDegreeDigits 2) or dddmm.mmmm (3), with every decimal the receiver sends: degrees and minutes.
// Returns 1 when the text is such a value.
static int ParseCoordinate(const char *szField, int nDegreeDigits, int *pnDegrees, double *pdMinutes)
{
    const char *pPoint = strchr(szField, '.');
    if (!pPoint || pPoint - szField != nDegreeDigits + 2) return 0;
    if (!AllDigits(szField, nDegreeDigits + 2)) return 0;
    if (!AllDigits(pPoint + 1, (int)strlen(pPoint + 1))) return 0;
    int nDegrees = 0;
    for (int i = 0; i < nDegreeDigits; ++i) nDegrees = nDegrees * 10 + (szField[i] - '0');
    double dMinutes = TextToDouble(szField + nDegreeDigits);
    if (dMinutes >= 60.0) return 0;
    if (nDegrees + dMinutes / 60.0 > (nDegreeDigits == 2 ? 90.0 : 180.0)) return 0;
    *pnDegrees = nDegrees;
    *pdMinutes = dMinutes;
    return 1;
}

void ResetGpsFixState()
{
    nGpsSatellites = 20;
    nGpsQuality = 10;
    dGpsDop = -2.0;
    dGpsSpeed = 0.0;
    bGpsFixValid = 0;
    dGpsPrevX = dGpsPrevY = 0.0;
    dGpsPrevTime = -1.0;
    chGpsBlink = '\\';
    bGpsPositionValid = 0;
}

int GpsPositionTimeField()
{
    if (nGpsFormat == 2) return 5;
    if (nGpsFormat == 6) return 3;
    return nGpsTimeField;
}

double GpsTimeOfDay(const char *szField)
{
    if (!szField || strlen(szField) < 6 || !AllDigits(szField, 6)) return -1.0;
    int nHours = (szField[0] - '0') * 10 + (szField[1] - '0');
    int nMinutes = (szField[2] - '0') * 10 + (szField[3] - '0');
    double dSeconds = TextToDouble(szField + 4);
    if (nHours > 23 || nMinutes > 59 || dSeconds >= 61.0) return -1.0;
    return nHours * 3600.0 + nMinutes * 60.0 + dSeconds;
}

static const wchar_t *QualityText(char c)
{
    static const wchar_t *const aszRtk[7] = {L"RTK3", L"RTK4", L"RTK5", L"RTK6", L"RTK7", L"RTK8", L"RTK9"};
    if (c == '0') return L"NO FIX";
    if (c == '1') return L"AGPS";
    if (c == '2') return L"DGPS";
    if (c >= '3' && c <= '9') return aszRtk[c - '3'];
    return L"UNKW";
}

// Grid value text in the latitude or longitude box, by nCoordUnits (shown value in metres).
static void SetGridBox(GpsPositionFix *pFix, int nBox, double dShown)
{
    switch (nCoordUnits) {
    case 0:
        if (nMapUnits == 1) SetBox(pFix, nBox, 0, GPS_BOX_BG_FACE, L"%-12.2f ft", dShown * 3.28084);
        else if (nMapUnits == 2) SetBox(pFix, nBox, 0, GPS_BOX_BG_FACE, L"%-12.2f USft", dShown * 3.2808333333333355);
        else SetBox(pFix, nBox, 0, GPS_BOX_BG_FACE, L"%-12.2f m", dShown);
        break;
    case 2:
        SetBox(pFix, nBox, 0, GPS_BOX_BG_FACE, L"%-12.2f ft", dShown / METRES_PER_FOOT);
        break;
    case 3:
        SetBox(pFix, nBox, 0, GPS_BOX_BG_FACE, L"%-12.2f USft", dShown / METRES_PER_US_FOOT);
        break;
    default:
        SetBox(pFix, nBox, 0, GPS_BOX_BG_FACE, L"%-12.2f m", dShown);
        break;
    }
}

// UTM value text ("%12.2f" in the coordinate units).
static void SetUtmBox(GpsPositionFix *pFix, int nBox, double dMetres)
{
    if (nCoordUnits == 2) SetBox(pFix, nBox, 0, GPS_BOX_BG_FACE, L"%12.2f ft", dMetres / METRES_PER_FOOT);
    else if (nCoordUnits == 3) SetBox(pFix, nBox, 0, GPS_BOX_BG_FACE, L"%12.2f USft", dMetres / METRES_PER_US_FOOT);
    else SetBox(pFix, nBox, 0, GPS_BOX_BG_FACE, L"%12.2f m", dMetres);
}

int InterpretGpsSentence(const char *szSentence, GpsPositionFix *pFix)
{
    memset(pFix, 0, sizeof *pFix);
    pFix->dTimeOfDay = -1.0;
    int bValid = 1;
    int nLatSign = 0, nLonSign = 0;
    char chLatLetter = ' ', chLonLetter = ' ';
    int bHaveLat = 0, bHaveLon = 0, bHaveNorthing = 0, bHaveEasting = 0;
    double dGridNorthing = 0.0, dGridEasting = 0.0;
    char szField[256];
    int nItems = nGpsItemCount < 0 ? 0 : nGpsItemCount > 7 ? 7 : nGpsItemCount;

    for (int i = 0; i < nItems; ++i) {
        int nKind = anGpsItemKind[i];
        int bPresent = FetchField(szSentence, anGpsItemField[i], szField);
        switch (nKind) {
        case GPS_ITEM_SATELLITES:
            nGpsSatellites = 0;
            if (bPresent && !ReadBoundedInt(szField, 0, GPS_MAX_SATELLITES, &nGpsSatellites)) {
                bValid = 0;
                SetBoxNotAvailable(pFix, GPS_BOX_SATELLITES, 1);
                break;
            }
            if (nGpsSatellites <= 1) bValid = 0;
            SetBox(pFix, GPS_BOX_SATELLITES, 1, GPS_BOX_BG_FACE, L"%2d", nGpsSatellites);
            break;
        case GPS_ITEM_QUALITY: {
            int nQuality = 0;
            if (!ReadBoundedInt(szField, 0, GPS_MAX_QUALITY, &nQuality)) {
                // No fix: the mask sees no quality.
                nGpsQuality = 0;
                bValid = 0;
                SetBoxNotAvailable(pFix, GPS_BOX_QUALITY, 1);
                break;
            }
            nGpsQuality = nQuality + (nGpsFormat == 2 ? 1 : 0);
            if ((nGpsFormat == 0 || nGpsFormat == 1) && nGpsQuality == 0) bValid = 0;
            if (bPresent) SetBox(pFix, GPS_BOX_QUALITY, 1, GPS_BOX_BG_FACE, L"%ls", QualityText(szField[0]));
            else SetBox(pFix, GPS_BOX_QUALITY, 1, GPS_BOX_BG_FACE, L"");
            break;
        }
        case GPS_ITEM_LAT_HEMISPHERE:
        case GPS_ITEM_LON_HEMISPHERE: {
            int bLat = nKind == GPS_ITEM_LAT_HEMISPHERE;
            char c = szField[0];
            int nSign = 0;
            if (szField[1] == 0) {
                if (c == (bLat ? 'N' : 'E')) nSign = 1;
                else if (c == (bLat ? 'S' : 'W')) nSign = -1;
            }
            if (nSign == 0) bValid = 0;
            if (bLat) {
                nLatSign = nSign;
                chLatLetter = nSign ? c : ' ';
            } else {
                nLonSign = nSign;
                chLonLetter = nSign ? c : ' ';
            }
            break;
        }
        case GPS_ITEM_LATITUDE:
        case GPS_ITEM_LONGITUDE: {
            pFix->bGeodetic = 1;
            if (!bValid) break;
            int bLat = nKind == GPS_ITEM_LATITUDE;
            int nDegreeDigits = bLat ? 2 : 3;
            int nDegrees = 0;
            double dMinutes = 0.0;
            if (!bPresent || !ParseCoordinate(szField, nDegreeDigits, &nDegrees, &dMinutes)) {
                bValid = 0;
                break;
            }
            double dValue = (nDegrees + dMinutes / 60.0) * (bLat ? nLatSign : nLonSign);
            if (bLat) {
                pFix->dLatitude = dValue;
                bHaveLat = 1;
            } else {
                pFix->dLongitude = dValue;
                bHaveLon = 1;
            }
            if (nCoordUnits == 0) {
                // Letter, degrees, the degree sign, whole minutes, "'", then the seconds and a double quote.
                char szText[48];
                char szPrefix[16];
                int nBox = bLat ? GPS_BOX_LATITUDE : GPS_BOX_LONGITUDE;
                int nPrefix = snprintf(szPrefix, sizeof szPrefix, "%c%.*s%c%.2s'", bLat ? chLatLetter : chLonLetter,
                                       nDegreeDigits, szField, (char)176, szField + nDegreeDigits);
                int nText = nPrefix < 0 || nPrefix >= (int)sizeof szPrefix
                                ? -1
                                : snprintf(szText, sizeof szText, "%s%-7.4f%c", szPrefix,
                                           (dMinutes - (int)dMinutes) * 60.0, '"');
                if (nText < 0 || nText >= (int)sizeof szText) {
                    SetBoxNotAvailable(pFix, nBox, 0);
                } else {
                    wchar_t szWide[48];
                    NarrowToWideU(szText, szWide);
                    SetBox(pFix, nBox, 0, GPS_BOX_BG_FACE, L"%ls", szWide);
                }
            }
            break;
        }
        case GPS_ITEM_DOP:
        case GPS_ITEM_HDOP:
        case GPS_ITEM_QUALITY_METRES:
            if (bPresent) {
                double dDop = 0.0;
                if (!ReadBoundedReal(szField, GPS_MAX_DOP, 1, &dDop)) {
                    bValid = 0;
                    SetBoxNotAvailable(pFix, GPS_BOX_DOP, 1);
                    break;
                }
                dGpsDop = dDop;
                if (dGpsDop < 10.0) SetBox(pFix, GPS_BOX_DOP, 1, GPS_BOX_BG_FACE, L"%3.1f", dGpsDop);
                else SetBox(pFix, GPS_BOX_DOP, 1, GPS_BOX_BG_FACE, L"%3.0f", dGpsDop);
            }
            break;
        case GPS_ITEM_NORTHING:
        case GPS_ITEM_EASTING: {
            if (!bPresent) {
                bValid = 0;
                break;
            }
            double dValue = 0.0;
            if (!ReadBoundedReal(szField, GPS_MAX_GRID_METRES, 0, &dValue)) {
                bValid = 0;
                SetBoxNotAvailable(pFix, nKind == GPS_ITEM_NORTHING ? GPS_BOX_LATITUDE : GPS_BOX_LONGITUDE, 0);
                break;
            }
            double dShown = dValue;
            if (nGpsFormat == 7) {
                char szUnit[256];
                FetchField(szSentence, 11, szUnit);
                if (szUnit[0] == 'F' && szUnit[1] == 0) dShown = dValue * (nRtsUnits == 1 ? METRES_PER_US_FOOT : METRES_PER_FOOT);
            }
            if (nKind == GPS_ITEM_NORTHING) {
                dGridNorthing = dShown;
                bHaveNorthing = 1;
                SetGridBox(pFix, GPS_BOX_LATITUDE, dShown);
            } else {
                dGridEasting = dShown;
                bHaveEasting = 1;
                SetGridBox(pFix, GPS_BOX_LONGITUDE, dShown);
            }
            break;
        }
        case GPS_ITEM_TWO_DIGITS: {
            int nValue = 0;
            if (!ReadBoundedInt(szField, 0, 99, &nValue)) {
                SetBoxNotAvailable(pFix, GPS_BOX_DOP, 1);
                break;
            }
            SetBox(pFix, GPS_BOX_DOP, 1, nValue != 0 ? GPS_BOX_BG_FACE : GPS_BOX_BG_RED, L" %02d", nValue);
            break;
        }
        case GPS_ITEM_EXTRA1:
        case GPS_ITEM_EXTRA2:
        case GPS_ITEM_EXTRA3:
        {
            if (nInstrumentType == INSTRUMENT_EM61LX2) break;
            int nBox = GPS_BOX_EXTRA1 + (nKind - GPS_ITEM_EXTRA1);
            double dExtra = 0.0;
            if (ReadBoundedReal(szField, GPS_MAX_EXTRA, 0, &dExtra))
                SetBox(pFix, nBox, 0, GPS_BOX_BG_FACE, L"%8.3f", dExtra);
            else
                SetBoxNotAvailable(pFix, nBox, 0);
            break;
        }
        default:
            break;
        }
    }

    // A position needs both coordinates of one kind.
    int bGrid = bHaveNorthing && bHaveEasting;
    if (pFix->bGeodetic) {
        if (!(bHaveLat && bHaveLon)) bValid = 0;
    } else if (!bGrid) {
        bValid = 0;
    }

    FetchField(szSentence, GpsPositionTimeField(), szField);
    pFix->dTimeOfDay = GpsTimeOfDay(szField);

    if (bValid) {
        if (pFix->bGeodetic) {
            int nZone = nUtmZone;
            double dNorthing = 0.0, dEasting = 0.0;
            if (bGpsPositionValid == 0 || nUtmZone < 1 || nUtmZone > 60) {
                // The run's first fix chooses the zone; every later position stays in it.
                LatLonToUtm(pFix->dLatitude, pFix->dLongitude, &nZone, &dNorthing, &dEasting, 0);
                nUtmZone = nZone;
                nUtmZoneFirstFix = nZone;
                dGpsLatitude = pFix->dLatitude;
                dGpsLongitude = pFix->dLongitude;
            } else {
                LatLonToUtm(pFix->dLatitude, pFix->dLongitude, &nZone, &dNorthing, &dEasting, 1);
            }
            pFix->nZone = nZone;
            pFix->dNorthing = dNorthing;
            pFix->dEasting = dEasting;
            if (nCoordUnits != 0) {
                SetUtmBox(pFix, GPS_BOX_LATITUDE, dNorthing);
                SetUtmBox(pFix, GPS_BOX_LONGITUDE, dEasting);
                SetBox(pFix, GPS_BOX_ZONE, 0, GPS_BOX_BG_FACE, L"%-2d", nZone);
            }
            pFix->dX = dEasting / MetresPerMapUnit();
            pFix->dY = dNorthing / MetresPerMapUnit();
        } else {
            // Grid values (metres) in map units.
            pFix->dNorthing = dGridNorthing;
            pFix->dEasting = dGridEasting;
            pFix->dX = dGridEasting * GridToMapFactor();
            pFix->dY = dGridNorthing * GridToMapFactor();
        }
    } else {
        SetBox(pFix, GPS_BOX_LATITUDE, 0, GPS_BOX_BG_FACE, L"     N/A     ");
        SetBox(pFix, GPS_BOX_LONGITUDE, 0, GPS_BOX_BG_FACE, L"     N/A     ");
    }
    pFix->bValid = bValid;
    bGpsFixValid = bValid;
    return bValid;
}

int GpsMaskFails()
{
    if (!bGpsMaskEnabled) return 0;
    if (nGpsFormat == 5 || nGpsFormat == 7 || nGpsFormat == 8) return 0;
    return nGpsSatellites < nGpsMinSatellites || dGpsDop > dGpsMaxDop || nGpsQuality < nGpsMinQuality + 1;
}

double FormatGpsSpeed(double dSpeed, wchar_t *szText, size_t nSize)
{
    static const double adMetreFactor[4] = {1.0, 3.28084, 3.6, 2.2369};
    static const double adFootFactor[4] = {0.3048, 1.0, 1.0973, 0.6818};
    static const wchar_t *const aszFormat[4] = {L"%5.2f m/s", L"%5.2f ft/s", L"%5.2f km/h", L"%5.2f mph"};
    int nUnits = nSpeedUnits >= 0 && nSpeedUnits <= 3 ? nSpeedUnits : 0;
    double dShown = dSpeed * (nMapUnits == 0 ? adMetreFactor[nUnits] : adFootFactor[nUnits]);
    if (std::fabs(dShown) < 1.0e6) FormatBoxText(szText, nSize, aszFormat[nUnits], dShown);
    else FormatBoxText(szText, nSize, L"N/A");
    return dShown;
}

void AdvanceGpsTrack(GpsPositionFix *pFix)
{
    if (!pFix->bValid) return;
    if (bGpsPositionValid == 0) {
        dMapOriginX = pFix->dX;
        dMapOriginY = pFix->dY;
        dFirstFixX = pFix->dX;
        dFirstFixY = pFix->dY;
        dExtentMinX = dExtentMaxX = pFix->dX;
        dExtentMinY = dExtentMaxY = pFix->dY;
        dGpsPrevX = pFix->dX;
        dGpsPrevY = pFix->dY;
        dGpsPrevTime = bSimulateGps ? 100.0 : pFix->dTimeOfDay;
        bGpsPositionValid = 1;
        pFix->bFirstFix = 1;
        pFix->dDistance = 0.0;
        return;
    }
    pFix->dDistance = std::hypot(pFix->dX - dGpsPrevX, pFix->dY - dGpsPrevY);
    double dTime = bSimulateGps ? dGpsPrevTime + 1.0 : pFix->dTimeOfDay;
    if (dTime >= 0.0 && dGpsPrevTime >= 0.0) {
        double dElapsed = dTime - dGpsPrevTime;
        // The day turned at UTC midnight: a late time followed by an early one. A time that went back by more
        // than that (out of order) gives no speed.
        if (dElapsed < 0.0) {
            dElapsed += 86400.0;
            if (dElapsed > 43200.0) dElapsed = 0.0;
        }
        if (dElapsed > 0.0) {
            dGpsSpeed = pFix->dDistance / dElapsed;
            pFix->bSpeedKnown = 1;
        }
    }
    wchar_t szSpeed[48];
    if (bSimulateGps) {
        static const double adSimulatedSpeed[10] = {3.5, 2.7, 2.9, 2.3, 1.5, 2.8, 4.0, 3.3, 3.1, 2.9};
        static int nSimulatedIndex = 0;
        pFix->dSpeedShown = adSimulatedSpeed[nSimulatedIndex];
        nSimulatedIndex = (nSimulatedIndex + 1) % 10;
        swprintf(szSpeed, 48, L"%5.2f mph", pFix->dSpeedShown);
        pFix->bSpeedKnown = 1;
    } else if (pFix->bSpeedKnown) {
        pFix->dSpeedShown = FormatGpsSpeed(dGpsSpeed, szSpeed, 48);
    }
    if (pFix->bSpeedKnown) {
        SetBox(pFix, GPS_BOX_SPEED, 0, GPS_BOX_BG_FACE, L"%ls", szSpeed);
        double dPixPerUnit = dSpeedPixPerUnit;
        pFix->nSpeedBarEmptyWidth =
            ClampToInt((dSpeedScaleMax - pFix->dSpeedShown) * dPixPerUnit, -SCREEN_ROW_LIMIT, SCREEN_ROW_LIMIT);
    }
    dGpsPrevX = pFix->dX;
    dGpsPrevY = pFix->dY;
    dGpsPrevTime = dTime;
}

int InterpretGpsDopSentence(const char *szSentence, wchar_t *szText, size_t nSize)
{
    char szField[256];
    double dDop = 0.0;
    // Absent, out of range or too long for the box: "N/A", and the last DOP stays.
    if (FetchField(szSentence, 16, szField) && ReadBoundedReal(szField, GPS_MAX_DOP, 1, &dDop) &&
        FormatBoxText(szText, nSize, L"%-4.1f", dDop)) {
        dGpsDop = dDop;
        return 1;
    }
    FormatBoxText(szText, nSize, L"N/A");
    return 0;
}

// ---------------------------------------------------------------------------------------------------------------
// Drawing on the logging screen
// ---------------------------------------------------------------------------------------------------------------
static int BoxIsEmpty(const RECT &rc)
{
    return rc.right <= rc.left || rc.bottom <= rc.top;
}

static void DrawBoxText(HDC hdc, int nBox, const wchar_t *szText, int bBold, int nBackground)
{
    RECT rc = arcGpsBox[nBox];
    if (!hdc || BoxIsEmpty(rc)) return;
    FillRect(hdc, &rc, nBackground == GPS_BOX_BG_RED ? hbrRed : hbrButtonFace);
    HGDIOBJ hOld = SelectObject(hdc, bBold ? hFontBold : hFontNormal);
    DrawText(hdc, szText, -1, &rc, DT_LEFT | DT_SINGLELINE);
    SelectObject(hdc, hOld);
}

static void DrawFixBoxes(HDC hdc, const GpsPositionFix *pFix)
{
    for (int nBox = 0; nBox < GPS_BOX_COUNT; ++nBox)
        if (pFix->abBoxSet[nBox])
            DrawBoxText(hdc, nBox, pFix->aszBox[nBox], pFix->abBoxBold[nBox], pFix->anBoxBackground[nBox]);
}

static void DrawLamp(HDC hdc, int nBox, HBRUSH hbr)
{
    RECT rc = arcGpsBox[nBox];
    if (!hdc || BoxIsEmpty(rc)) return;
    FillRect(hdc, &rc, hbrButtonFace);
    HGDIOBJ hOld = SelectObject(hdc, hbr);
    Ellipse(hdc, rc.left, rc.top, rc.right, rc.bottom);
    SelectObject(hdc, hOld);
}

// The two GPS lamps take turns: one shows the mask test, the other is white.
static void DrawGpsLamps(HDC hdc, int bMaskFails)
{
    HBRUSH hbrTest = bMaskFails ? hbrRed : hbrGreen;
    if (chGpsBlink == '/') {
        DrawLamp(hdc, GPS_BOX_LAMP1, hbrTest);
        DrawLamp(hdc, GPS_BOX_LAMP2, hbrWhite);
    } else {
        DrawLamp(hdc, GPS_BOX_LAMP1, hbrWhite);
        DrawLamp(hdc, GPS_BOX_LAMP2, hbrTest);
    }
}

// The logging-screen buttons that wait for the first valid position.
static void EnableButtonsAtFirstFix()
{
    static const int anButton[3] = {0, 1, 3};
    for (int i : anButton)
        if (ahMonitorButton[i]) EnableWindow(ahMonitorButton[i], TRUE);
    int nSide = nInstrumentType == INSTRUMENT_EM61LX2 ? 3 : nInstrumentType == INSTRUMENT_EM384 ? 8 : 4;
    for (int i = 0; i < nSide; ++i)
            if (ahSideButton[i]) EnableWindow(ahSideButton[i], TRUE);
    if (nInstrumentType == INSTRUMENT_EM61LX2)
        for (int i = 0; i < 3; ++i)
            if (ahLogExtraButton[i]) EnableWindow(ahLogExtraButton[i], TRUE);
}

// Lets the map draw a position (northing, easting in map units). Only the EM34-3 surveys by stations in the
// manual mode; every other instrument draws its track and writes its map records in every mode.
static void DrawMapPosition(double dNorthing, double dEasting, double dDistance)
{
    HWND hwndMapWindow = hwndMap;
    if (nSurveyModePrev == 2 && nInstrumentType == INSTRUMENT_EM34)
        UpdateMapDisplayMode2(hwndMapWindow, nRecordingState, dNorthing, dEasting, dDistance);
    else
        UpdateMapDisplay(hwndMapWindow, nRecordingState, dNorthing, dEasting, dDistance);
}

// Closes the colour-swath segment at a position and hands the row to the map's swath painter.
static void HandOverSwathRow()
{
    if (nColorMapView < 1) return;
    if (nSwathState == 0) {
        if (nRecordingState == 1) {
            nSwathState = 1;
            bSwathSampling = 1;
        }
        return;
    }
    bSwathSampling = 0;
    if (nRecordingState == 1) {
        int nNonEmptyRows = 0;
        nSwathPlotRow = nSwathRow;
        nSwathRow = 1 - nSwathRow;
        if (bInstrumentEnabled == 1 && nSwathCellCount > 0) nNonEmptyRows = 1;
        nSwathPlotLastCell = nSwathCellCount - 1;
        nSwathCellCount = 0;
        bSwathHasCells = nNonEmptyRows > 0 ? 1 : 0;
    }
    bSwathSampling = 1;
}

// The survey has as many positions as the map holds: stop the readers, keep the file and end the program.
static void EndSurveyAtPositionLimit(HWND hwnd)
{
    if (hGpsThread) SuspendThread(hGpsThread);
    if (bInstrumentEnabled) {
        KillTimer(hwnd, 1);
        if (hInstrumentThread) SuspendThread(hInstrumentThread);
    }
    nRecordingState = 0;
    bMapUpdatesOn = 0;
    if (hDataFile != INVALID_HANDLE_VALUE) FlushDataFile();
    ShowMessageDialog(hwnd, L"MESSAGEOK", L"INFORMATION",
                      L"Maximum number of GPS positions reached.\r\nCurrent data file is saved.\r\n"
                      L"Please press OK and restart the program.");
    // The main window's end closes the data file and the ports and quits with exit code 0.
    if (hwndMain) PostMessage(hwndMain, WM_CLOSE, 0, 0);
    else PostQuitMessage(0);
}

LRESULT OnGpsPositionMsg(HWND hwnd, UINT, WPARAM, LPARAM)
{
    // In the manual survey mode the reader hands over the held position.
    char szSentence[256];
    strncpy(szSentence, nSurveyModePrev == 2 ? szGpsPosition : szGpsSentence, 255);
    szSentence[255] = 0;

    GpsPositionFix fix;
    InterpretGpsSentence(szSentence, &fix);

    HDC hdc = GetDC(hwnd);
    if (hdc) SetBkMode(hdc, TRANSPARENT);
    DrawFixBoxes(hdc, &fix);

    // GPS lamps and the mask warning, for every sentence.
    chGpsBlink = chGpsBlink == '/' ? '\\' : '/';
    int bMaskFails = GpsMaskFails();
    if (bMaskFails && !bGpsConnBroken && bGpsMaskAudio == 1)
        PlaySound(L"SOUND_GPSWARNING", hInst, SND_ASYNC | SND_RESOURCE | SND_NOSTOP);
    DrawGpsLamps(hdc, bMaskFails);

    if (fix.bValid) {
        AdvanceGpsTrack(&fix);
        if (fix.bFirstFix) {
            if (bReferencePhaseDone == 1) EnableButtonsAtFirstFix();
            DrawMapPosition(fix.dY, fix.dX, 0.0);
        } else if (fix.bSpeedKnown) {
            DrawBoxText(hdc, GPS_BOX_SPEED, fix.aszBox[GPS_BOX_SPEED], 0, GPS_BOX_BG_FACE);
            HWND hwndSpeedBar = hwndSpeed;
            HDC hdcSpeed = hwndSpeedBar ? GetDC(hwndSpeedBar) : nullptr;
            if (hdcSpeed) {
                DrawSpeedBar(hdcSpeed, fix.nSpeedBarEmptyWidth);
                ReleaseDC(hwndSpeedBar, hdcSpeed);
            }
        }
        if (bMapUpdatesOn == 1) {
            HandOverSwathRow();
            if (!bMapReviewMode) DrawMapPosition(fix.dY, fix.dX, fix.dDistance);
        }
        if (bNoGpsRecords == 0 && nRecordingState == 1) {
            if (InstrumentLinkIsUp() == 1 && nSurveyModePrev != 2) ++nGpsPositionCount;
            wchar_t szCount[16];
            swprintf(szCount, 16, L"%5d", (int)nGpsPositionCount);
            DrawBoxText(hdc, GPS_BOX_POSITIONS, szCount, 0, GPS_BOX_BG_FACE);
            if (nGpsPositionCount >= nMaxGpsPositions) {
                if (hdc) ReleaseDC(hwnd, hdc);
                EndSurveyAtPositionLimit(hwnd);
                return 0;
            }
        }
    }
    if (hdc) ReleaseDC(hwnd, hdc);
    return 0;
}

LRESULT OnGpsDopMsg(HWND hwnd, UINT, WPARAM, LPARAM)
{
    char szSentence[256];
    strncpy(szSentence, nSurveyModePrev == 2 ? szGpsSatellites : szGpsSentence, 255);
    szSentence[255] = 0;
    wchar_t szText[32];
    InterpretGpsDopSentence(szSentence, szText, 32);
    HDC hdc = GetDC(hwnd);
    if (hdc) {
        SetBkMode(hdc, TRANSPARENT);
        DrawBoxText(hdc, GPS_BOX_DOP, szText, 1, GPS_BOX_BG_FACE);
        ReleaseDC(hwnd, hdc);
    }
    return 0;
}
