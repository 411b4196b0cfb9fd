// ASCII background conversion: column-delimited coordinate files into temporary records in map units, and the
// tile-grid test and extents shared with the data-file conversion.
#include <cmath>
#include <cstring>

#include "background/background_files.h"
#include "core/settings.h"
#include "core/text.h"
#include "core/utm.h"
#include "map/map.h"
#include "map/map_state.h"

namespace {

// Metres in one unit: metres, feet, US survey feet.
double MetresPerUnit(int nUnits)
{
    switch (nUnits) {
    case 1: return METRES_PER_FOOT;
    case 2: return METRES_PER_US_FOOT;
    default: return 1.0;
    }
}

}  // namespace

double MetresToMapUnits(int nMapUnits) { return 1.0 / MetresPerUnit(nMapUnits); }

int BackgroundPointOnGrid(double dX, double dY, int *pnCol, int *pnRow, int *pnOffX, int *pnOffY)
{
    // WorldToMapPixels holds a point absurdly far away outside the tile table instead of overflowing.
    int px = 0, py = 0, px2 = 0, py2 = 0;
    WorldToMapPixels(&px, &py, &px2, &py2, dX, dY, dX, dY);
    int nCol = 0, nRow = 0, nOffX = 0, nOffY = 0;
    MapPixelToTile(px, py, &nCol, &nRow, &nOffX, &nOffY);
    if (pnCol) *pnCol = nCol;
    if (pnRow) *pnRow = nRow;
    if (pnOffX) *pnOffX = nOffX;
    if (pnOffY) *pnOffY = nOffY;
    return nCol >= nTileIndexMin && nCol <= nTileIndexMax && nRow >= nTileIndexMin && nRow <= nTileIndexMax;
}

void WidenExtentsOnGrid(double dX, double dY)
{
    if (!BackgroundPointOnGrid(dX, dY, nullptr, nullptr, nullptr, nullptr)) return;
    if (dX < dExtentMinX) dExtentMinX = dX;
    if (dX > dExtentMaxX) dExtentMaxX = dX;
    if (dY < dExtentMinY) dExtentMinY = dY;
    if (dY > dExtentMaxY) dExtentMaxY = dY;
}

AsciiBgOptions AsciiBgOptionsFromSettings(int nFileType)
{
    AsciiBgOptions opt;
    opt.nFileType = nFileType;
    opt.nDelimiter = nBgDelimiter;
    opt.nColumnX = nBgColumnX;
    opt.nColumnY = nBgColumnY;
    opt.nColumnLabel = nBgColumnLabel;
    opt.nCoordType = nBgCoordType;
    opt.nMapUnits = nMapUnits;
    opt.nZone = nUtmZone;
    return opt;
}

char BackgroundDelimiter(int nDelimiter)
{
    switch (nDelimiter) {
    case 0: return ' ';
    case 2: return '\t';
    case 3: return ';';
    default: return ',';
    }
}

int AsciiPointToMap(double a, double b, const AsciiBgOptions &opt, double *pdEasting, double *pdNorthing)
{
    if (!std::isfinite(a) || !std::isfinite(b)) return 0;
    const int nMap = opt.nMapUnits >= 0 && opt.nMapUnits <= 2 ? opt.nMapUnits : 0;
    double dE = 0.0, dN = 0.0;
    if (opt.nCoordType == 0) {
        if (std::fabs(a) > 90.0 || std::fabs(b) > 180.0) return 0;
        // The survey's zone: a background crossing a zone border stays in one piece with the survey.
        int nZone = opt.nZone;
        const int bGiven = nZone >= 1 && nZone <= 60;
        LatLonToUtm(a, b, &nZone, &dN, &dE, bGiven);
        const double f = MetresPerUnit(nMap);
        if (f != 1.0) {
            dE /= f;
            dN /= f;
        }
    } else {
        const int nFile = opt.nCoordType >= 1 && opt.nCoordType <= 3 ? opt.nCoordType - 1 : 0;
        dE = b;
        dN = a;
        if (nFile != nMap) {
            if (nFile != 0) {
                dE *= MetresPerUnit(nFile);
                dN *= MetresPerUnit(nFile);
            }
            if (nMap != 0) {
                dE /= MetresPerUnit(nMap);
                dN /= MetresPerUnit(nMap);
            }
        }
    }
    if (!std::isfinite(dE) || !std::isfinite(dN)) return 0;
    *pdEasting = dE;
    *pdNorthing = dN;
    return 1;
}

int ConvertAsciiBackgroundLine(char *szLine, const AsciiBgOptions &opt, char *pRecord, double *pdX, double *pdY)
{
    if (szLine[0] == 0 || szLine[0] == '/') return 0;
    if (szLine[0] == 'B' || szLine[0] == 'b') {
        FormatPenUpRecord(pRecord);
        return 2;
    }
    const char cDelimiter = BackgroundDelimiter(opt.nDelimiter);
    TrimSpaces(szLine, 3);
    if (cDelimiter == ' ') {
        size_t k = 0;
        for (size_t i = 0; szLine[i]; i++)
            if (!(szLine[i] == ' ' && k > 0 && szLine[k - 1] == ' ')) szLine[k++] = szLine[i];
        szLine[k] = 0;
    }
    const size_t nLen = strlen(szLine);
    std::vector<char> field(nLen + 1);
    if (!GetNumericField(szLine, opt.nColumnX + 1, cDelimiter, field.data()) || !field[0]) return 0;
    const double a = TextToDouble(field.data());
    if (!GetNumericField(szLine, opt.nColumnY + 1, cDelimiter, field.data()) || !field[0]) return 0;
    const double b = TextToDouble(field.data());
    double dE = 0.0, dN = 0.0;
    if (!AsciiPointToMap(a, b, opt, &dE, &dN)) return 0;
    char szLabel[BG_LABEL_CHARS + 1] = "";
    int nLabel = 0;
    if (opt.nFileType == 2 && GetDelimitedField(szLine, opt.nColumnLabel + 1, cDelimiter, field.data())) {
        TrimSpaces(field.data(), 3);
        for (; nLabel < BG_LABEL_CHARS && field[nLabel]; nLabel++) szLabel[nLabel] = field[nLabel];
        szLabel[nLabel] = 0;
    }
    // A point whose values do not fit the record is dropped like an unusable line.
    if (!FormatBackgroundRecord(pRecord, dE, dN, nLabel, szLabel)) return 0;
    if (pdX) *pdX = dE;
    if (pdY) *pdY = dN;
    return 1;
}

int ConvertAsciiLines(BgSource *pSrc, BgSink *pSink, const AsciiBgOptions &opt)
{
    char szLine[256];
    char achRecord[BG_RECORD_LEN + 1];
    const int nBefore = pSink->nRecords;
    for (;;) {
        if (BgReadLine(pSrc, szLine, (int)sizeof szLine) < 0) break;
        double dX = 0.0, dY = 0.0;
        int nKind = ConvertAsciiBackgroundLine(szLine, opt, achRecord, &dX, &dY);
        if (nKind == 0) continue;
        BgSinkRecord(pSink, achRecord);
        if (nKind == 1) WidenExtentsOnGrid(dX, dY);
    }
    BgSinkFlush(pSink);
    return pSink->nRecords - nBefore;
}
