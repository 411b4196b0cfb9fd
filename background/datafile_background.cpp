// Data-file background conversion: an earlier data file's recorded GPS sentences back into positions, corrected
// for its antenna offsets, as temporary records in map units.
#include <cmath>
#include <cstring>

#include "background/background_files.h"
#include "core/text.h"
#include "core/utm.h"

namespace {

const char *const aszMagic[5] = {"EM", "PRO", "BV", "JIX", "ZN"};
const int anMagicKind[5] = {0, 0, 1, 2, 3};

// Searches the text of the first bytes (up to a zero byte) for the magic.
int HeadHolds(const char *pHead, int nHead, const char *szMagic)
{
    char szText[16];
    int n = 0;
    for (; n < nHead && n < 15 && pHead[n]; n++) szText[n] = pHead[n];
    szText[n] = 0;
    return strstr(szText, szMagic) != nullptr;
}

// A decimal field of a record ("%7.3f" offsets); anything beyond what the field can hold reads as 0.
double OffsetField(const char *pRecord, int nFrom, int nChars)
{
    char szField[16];
    memcpy(szField, pRecord + nFrom, (size_t)nChars);
    szField[nChars] = 0;
    double v = TextToDouble(szField);
    return std::isfinite(v) && std::fabs(v) < 1000.0 ? v : 0.0;
}

// Degrees in the first nDegree characters (digits) and minutes in up to 8 more; the sign from the letter.
int DegreesMinutes(const char *szField, int nDegree, double dLimit, double *pdValue)
{
    size_t nLen = strlen(szField);
    if ((int)nLen < nDegree) return 0;
    double dDegrees = 0.0;
    for (int i = 0; i < nDegree; i++) {
        if (szField[i] < '0' || szField[i] > '9') return 0;
        dDegrees = dDegrees * 10.0 + (szField[i] - '0');
    }
    char szMinutes[9];
    int n = 0;
    for (; n < 8 && szField[nDegree + n]; n++) szMinutes[n] = szField[nDegree + n];
    szMinutes[n] = 0;
    double dMinutes = 0.0;
    if (n > 0) {
        if (!IsNumericText(szMinutes) || szMinutes[0] == '-' || szMinutes[0] == '+') return 0;
        dMinutes = TextToDouble(szMinutes);
    }
    if (!(dMinutes >= 0.0 && dMinutes < 60.0)) return 0;
    double v = dDegrees + dMinutes / 60.0;
    if (v > dLimit) return 0;
    *pdValue = v;
    return 1;
}

// A comma field that exists and is a plain decimal number.
int NumberField(const char *szSentence, int n, char *szField, double *pdValue)
{
    if (!GetDelimitedField(szSentence, n, ',', szField)) return 0;
    TrimSpaces(szField, 3);
    if (!IsNumericText(szField)) return 0;
    *pdValue = TextToDouble(szField);
    return std::isfinite(*pdValue);
}

// The number after "key" up to the next comma, which must follow.
int KeyedValue(const char *szSentence, const char *szKey, double *pdValue)
{
    const char *p = strstr(szSentence, szKey);
    if (!p) return 0;
    p += strlen(szKey);
    const char *pComma = strchr(p, ',');
    if (!pComma) return 0;
    size_t n = (size_t)(pComma - p);
    char szValue[64];
    if (n == 0 || n >= sizeof szValue) return 0;
    memcpy(szValue, p, n);
    szValue[n] = 0;
    TrimSpaces(szValue, 3);
    if (!IsNumericText(szValue)) return 0;
    *pdValue = TextToDouble(szValue);
    return std::isfinite(*pdValue);
}

// Format-7 factor to map units from the unit digit and field 11; 0 for no factor.
double Format7Factor(int nUnitDigit, int bMetres, int nMapUnits)
{
    const double dToMetres = 1.0, dMetresToFeet = 3.28084, dMetresToUsFeet = 3.2808333333333355;
    if (nUnitDigit == -1 || nUnitDigit == 0 || nUnitDigit == 1) {
        if (bMetres) return nMapUnits == 1 ? dMetresToFeet : (nMapUnits == 2 ? dMetresToUsFeet : dToMetres);
        if (nUnitDigit == 1)  // US survey feet
            return nMapUnits == 1 ? 1.0000020000039993 : (nMapUnits == 2 ? 1.0 : METRES_PER_US_FOOT);
        // International feet; into US survey feet by the exact ratio.
        return nMapUnits == 1 ? 1.0 : (nMapUnits == 2 ? METRES_PER_FOOT / METRES_PER_US_FOOT : METRES_PER_FOOT);
    }
    return 1.0;
}

}  // namespace

int IdentifyDataFileKind(BgSource *pSrc, DataBgInfo *pInfo)
{
    *pInfo = DataBgInfo();
    BgRewind(pSrc);
    int nLen = 0;
    char c = 0;
    for (int i = 0; i < BG_DATA_RECORD_MAX; i++) {
        if (BgReadBytes(pSrc, &c, 1) < 1) break;
        if (c == '\n') {
            nLen = i + 1;
            break;
        }
    }
    BgRewind(pSrc);
    if (nLen == 0) return -1;
    char achHead[8];
    if (BgReadBytes(pSrc, achHead, 8) < 8) return -1;
    BgRewind(pSrc);
    int nKind = -1;
    for (int i = 0; i < 5 && nKind < 0; i++)
        if (HeadHolds(achHead, 8, aszMagic[i])) nKind = anMagicKind[i];
    if (nKind < 0) return -1;
    pInfo->nKind = nKind;
    pInfo->nRecordLen = nLen;
    if (nKind >= 2) {
        char achRecord[BG_DATA_RECORD_MAX];
        int nGot = 0;
        for (int i = 0; i < 3; i++) nGot = BgReadBytes(pSrc, achRecord, nLen);
        if (nGot == nLen && nLen >= 15) {
            pInfo->dOffsetX = OffsetField(achRecord, 1, 7);
            pInfo->dOffsetY = OffsetField(achRecord, 8, 7);
        }
        pInfo->bCorrection = 1;
        BgRewind(pSrc);
    }
    return nKind;
}

BgSentenceRule BgSentenceRuleFor(int nKind, char chFormat, char chUnit)
{
    BgSentenceRule rule = {"GGA", BGL_GGA, -1};
    if (nKind <= 0) return rule;
    if (chUnit == ' ' || chUnit == 0)
        rule.nUnitDigit = nKind == 3 ? -2 : -1;
    else
        rule.nUnitDigit = chUnit >= '0' && chUnit <= '9' ? chUnit - '0' : -2;
    switch (chFormat) {
    case '0':
    case '1': rule = {"GGA", BGL_GGA, rule.nUnitDigit}; break;
    case '2': rule = {"POS", BGL_POS, rule.nUnitDigit}; break;
    case '3': rule = {"LLK", BGL_LLK, rule.nUnitDigit}; break;
    case '4': rule = {"LLQ", BGL_LLQ, rule.nUnitDigit}; break;
    case '5': rule = {"GLL", BGL_GLL, rule.nUnitDigit}; break;
    case '6': rule = {"GGK", BGL_GGK, rule.nUnitDigit}; break;
    case '7': rule = {"GGA", BGL_FORMAT7, rule.nUnitDigit}; break;
    case '8': rule = nKind == 1 ? BgSentenceRule{"GLL", BGL_GLL, rule.nUnitDigit}
                                : BgSentenceRule{"", BGL_GGA, rule.nUnitDigit};
        break;
    case '9': rule = nKind == 3 ? BgSentenceRule{"", BGL_GGA, rule.nUnitDigit}
                                : BgSentenceRule{">", BGL_FORMAT9, rule.nUnitDigit};
        break;
    default: rule = {"", BGL_GGA, rule.nUnitDigit}; break;
    }
    return rule;
}

int FeedSentenceRecord(SentenceGatherer *pG, const char *pRecord, int nLen)
{
    if (nLen <= 0) return 0;
    auto append = [pG](const char *p, int n) {
        for (int i = 0; i < n; i++) {
            if (pG->nLen >= BG_SENTENCE_MAX) {
                pG->bOverflow = 1;  // longer than any sentence: dropped when it completes
                return;
            }
            pG->szText[pG->nLen++] = p[i];
        }
        pG->szText[pG->nLen] = 0;
    };
    switch (pRecord[0]) {
    case '@':
        pG->nLen = 0;
        pG->szText[0] = 0;
        pG->bOverflow = 0;
        pG->bCollecting = 1;
        append(pRecord + 1, nLen - 1);
        return 0;
    case '#':
        if (pG->bCollecting) append(pRecord + 1, nLen - 1);
        return 0;
    case '"':
    case '?':
        pG->nLen = 0;
        pG->szText[0] = 0;
        pG->bCollecting = 0;
        return 0;
    case '!': {
        const int bDone = pG->bCollecting && !pG->bOverflow;
        pG->bCollecting = 0;
        return bDone;
    }
    default: return 0;
    }
}

int ParseBackgroundSentence(const char *szSentence, const BgSentenceRule &rule, int nMapUnits, int nZone,
                            double *pdEasting, double *pdNorthing)
{
    char szField[BG_SENTENCE_MAX + 1];
    const double dPerMetre = MetresToMapUnits(nMapUnits);
    double dE = 0.0, dN = 0.0;
    switch (rule.nLayout) {
    case BGL_GGA:
    case BGL_POS:
    case BGL_GLL:
    case BGL_GGK: {
        static const int anLatField[4] = {3, 6, 2, 5};
        const int nLat = anLatField[rule.nLayout - BGL_GGA];
        double dLat = 0.0, dLon = 0.0;
        if (!GetDelimitedField(szSentence, nLat + 1, ',', szField)) return 0;
        const double dLatSign = !strcmp(szField, "N") ? 1.0 : (!strcmp(szField, "S") ? -1.0 : 0.0);
        if (!GetDelimitedField(szSentence, nLat + 3, ',', szField)) return 0;
        const double dLonSign = !strcmp(szField, "E") ? 1.0 : (!strcmp(szField, "W") ? -1.0 : 0.0);
        if (dLatSign == 0.0 || dLonSign == 0.0) return 0;
        if (!GetDelimitedField(szSentence, nLat, ',', szField) || !DegreesMinutes(szField, 2, 90.0, &dLat)) return 0;
        if (!GetDelimitedField(szSentence, nLat + 2, ',', szField) || !DegreesMinutes(szField, 3, 180.0, &dLon))
            return 0;
        int nUsed = nZone;
        const int bGiven = nZone >= 1 && nZone <= 60;
        LatLonToUtm(dLat * dLatSign, dLon * dLonSign, &nUsed, &dN, &dE, bGiven);
        dE *= dPerMetre;
        dN *= dPerMetre;
        break;
    }
    case BGL_LLK:
    case BGL_LLQ:
        if (!NumberField(szSentence, 6, szField, &dN) || !NumberField(szSentence, 4, szField, &dE)) return 0;
        dE *= dPerMetre;
        dN *= dPerMetre;
        break;
    case BGL_FORMAT7: {
        if (!NumberField(szSentence, 3, szField, &dN) || !NumberField(szSentence, 5, szField, &dE)) return 0;
        if (!GetDelimitedField(szSentence, 11, ',', szField)) return 0;
        TrimSpaces(szField, 3);
        const double f = Format7Factor(rule.nUnitDigit, !strcmp(szField, "M"), nMapUnits);
        dE *= f;
        dN *= f;
        break;
    }
    case BGL_FORMAT9: {
        double dToMetres = 0.0;
        switch (rule.nUnitDigit) {
        case 0: dToMetres = 1.0; break;
        case 1: dToMetres = METRES_PER_FOOT; break;
        case 2: dToMetres = METRES_PER_US_FOOT; break;
        default: return 0;
        }
        if (!KeyedValue(szSentence, "37=", &dN) || !KeyedValue(szSentence, "38=", &dE)) return 0;
        dE *= dToMetres * dPerMetre;
        dN *= dToMetres * dPerMetre;
        break;
    }
    default: return 0;
    }
    if (!std::isfinite(dE) || !std::isfinite(dN)) return 0;
    *pdEasting = dE;
    *pdNorthing = dN;
    return 1;
}

void StartOffsetCorrector(OffsetCorrector *pC, int bOn, double dOffsetX, double dOffsetY)
{
    *pC = OffsetCorrector();
    pC->bOn = bOn;
    pC->dX = dOffsetX;
    pC->dY = dOffsetY;
}

namespace {

// Drops the history entries before nFirst and measures the path from the new oldest entry.
void DropHistoryBefore(OffsetCorrector *pC, int nFirst)
{
    if (nFirst <= 0) return;
    const double dBase = pC->adDist[nFirst];
    int k = 0;
    for (int i = nFirst; i < pC->nCount; i++, k++) {
        pC->adX[k] = pC->adX[i];
        pC->adY[k] = pC->adY[i];
        pC->adDist[k] = pC->adDist[i] - dBase;
    }
    pC->nCount = k;
}

}  // namespace

int CorrectBackgroundPosition(OffsetCorrector *pC, double dE, double dN, double *pdOutE, double *pdOutN)
{
    if (!pC->bOn) {
        *pdOutE = dE;
        *pdOutN = dN;
        return 1;
    }
    if (pC->nCount == 0) {
        pC->adX[0] = dE;
        pC->adY[0] = dN;
        pC->adDist[0] = 0.0;
        pC->nCount = 1;
        return 0;
    }
    const int nLast = pC->nCount - 1;
    const double dStep = std::hypot(dE - pC->adX[nLast], dN - pC->adY[nLast]);
    // A position equal to the previous one has no direction of travel: skipped, history as it was.
    if (!(dStep > 0.0) || !std::isfinite(dStep)) return 0;
    if (!(pC->dY > 0.0)) {
        const double uE = (dE - pC->adX[0]) / dStep, uN = (dN - pC->adY[0]) / dStep;
        *pdOutE = dE - pC->dY * uE + pC->dX * -uN;
        *pdOutN = dN - pC->dY * uN + pC->dX * uE;
        pC->adX[0] = dE;
        pC->adY[0] = dN;
        return 1;
    }
    // Sensor Y behind the antenna along the travelled path.
    pC->adX[pC->nCount] = dE;
    pC->adY[pC->nCount] = dN;
    pC->adDist[pC->nCount] = pC->adDist[nLast] + dStep;
    pC->nCount++;
    if (pC->nCount > BG_TRACK_HISTORY) DropHistoryBefore(pC, 11);
    const double dTotal = pC->adDist[pC->nCount - 1];
    if (dTotal < pC->dY) {
        // Not yet Y travelled: back from the oldest position along the first segment.
        const double w = std::hypot(pC->adX[1] - pC->adX[0], pC->adY[1] - pC->adY[0]);
        if (!(w > 0.0)) return 0;
        const double uE = (pC->adX[1] - pC->adX[0]) / w, uN = (pC->adY[1] - pC->adY[0]) / w;
        const double aE = pC->adX[0] - uE * (pC->dY - dTotal), aN = pC->adY[0] - uN * (pC->dY - dTotal);
        *pdOutE = aE + pC->dX * -uN;
        *pdOutN = aN + pC->dX * uE;
        return 1;
    }
    int j = 1;
    while (j < pC->nCount - 1 && dTotal - pC->adDist[j] > pC->dY) j++;
    const double r = pC->dY - (dTotal - pC->adDist[j]);
    const double s = pC->adDist[j] - pC->adDist[j - 1];
    if (!(s > 0.0)) return 0;
    const double vE = (pC->adX[j] - pC->adX[j - 1]) / s, vN = (pC->adY[j] - pC->adY[j - 1]) / s;
    const double aE = pC->adX[j - 1] + vE * (s - r), aN = pC->adY[j - 1] + vN * (s - r);
    *pdOutE = aE + pC->dX * -vN;
    *pdOutN = aN + pC->dX * vE;
    if (j > 11) DropHistoryBefore(pC, j - 1);
    return 1;
}

int ConvertDataFileRecords(BgSource *pSrc, BgSink *pSink, const DataBgInfo &info, int nMapUnits, int nZone)
{
    const int nBefore = pSink->nRecords;
    const int L = info.nRecordLen;
    if (info.nKind < 0 || L < 1 || L > BG_DATA_RECORD_MAX) return 0;
    char achRecord[BG_DATA_RECORD_MAX + 1];
    BgRewind(pSrc);
    BgSentenceRule rule = BgSentenceRuleFor(0, 0, 0);
    if (info.nKind > 0) {
        // The header GPS record: the first record beginning with "G"; without one there is nothing to convert.
        int bFound = 0;
        while (!bFound && BgReadBytes(pSrc, achRecord, L) == L) bFound = achRecord[0] == 'G';
        if (!bFound) return 0;
        const int nFormatAt = info.nKind == 1 ? 17 : 19, nUnitAt = info.nKind == 1 ? 19 : 17;
        const char chFormat = nFormatAt < L - 1 ? achRecord[nFormatAt] : 0;
        const char chUnit = nUnitAt < L - 1 ? achRecord[nUnitAt] : 0;
        rule = BgSentenceRuleFor(info.nKind, chFormat, chUnit);
        BgRewind(pSrc);
    }
    // Offsets in map units, like the positions.
    const double dPerMetre = MetresToMapUnits(nMapUnits);
    OffsetCorrector corrector;
    StartOffsetCorrector(&corrector, info.bCorrection, info.dOffsetX * dPerMetre, info.dOffsetY * dPerMetre);
    SentenceGatherer gatherer;
    char achOut[BG_RECORD_LEN + 1];
    while (BgReadBytes(pSrc, achRecord, L) == L) {
        // The record's text without its line feed.
        if (!FeedSentenceRecord(&gatherer, achRecord, L - 1)) continue;
        if (rule.szTag[0] && !strstr(gatherer.szText, rule.szTag)) continue;
        double dE = 0.0, dN = 0.0, dOutE = 0.0, dOutN = 0.0;
        if (!ParseBackgroundSentence(gatherer.szText, rule, nMapUnits, nZone, &dE, &dN)) continue;
        if (!CorrectBackgroundPosition(&corrector, dE, dN, &dOutE, &dOutN)) continue;
        if (!FormatBackgroundRecord(achOut, dOutE, dOutN, 0, nullptr)) continue;
        BgSinkRecord(pSink, achOut);
        WidenExtentsOnGrid(dOutE, dOutN);
    }
    BgSinkFlush(pSink);
    return pSink->nRecords - nBefore;
}
