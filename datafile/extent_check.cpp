// Extent check of a data file chosen for appending: its map point records against the usable tile range.
#include <cstdio>
#include <cwchar>

#include "core/core.h"
#include "datafile/datafile.h"
#include "datafile/datafile_state.h"
#include "map/map_state.h"

static void WidenExtent(double *pdMin, double *pdMax, double dValue)
{
    if (dValue < *pdMin) *pdMin = dValue;
    if (dValue > *pdMax) *pdMax = dValue;
}

// Truncated to an integer pixel; values far off the map are held at a pixel far beyond every tile.
static int ToPixel(double d)
{
    if (d > 1e9) return 1000000000;
    if (d < -1e9) return -1000000000;
    return (int)d;
}

int CheckDataFileFitsMap(HWND hwndOwner)
{
    wchar_t szText[256];
    // The origin is the first valid position of this run; without one nothing can be placed.
    if (!bGpsPositionValid) {
        swprintf(szText, 256, L"%ls\r\n%ls\r\n%ls", L"Valid GPS position must be ", L"received to append file.",
                 L"Check settings and GPS performance.");
        ShowMessageDialog(hwndOwner, L"MESSAGEOK", L"WARNING", szText);
        return 0;
    }

    double minX = dMapOriginX, maxX = dMapOriginX, minY = dMapOriginY, maxY = dMapOriginY;
    long count = 0;
    DWORD dwNoted = GetTickCount();

    static DataFileScan scan;  // large; the scan runs on the user-interface thread only
    BeginDataFileScan(&scan);
    char rec[DATA_RECORD_MAX + 1];
    while (NextScanRecord(&scan, rec)) {
        DWORD now = GetTickCount();
        if ((int32_t)(now - dwNoted) > 750) {
            StepBusyIndicator();
            dwNoted = now;
        }
        if (rec[0] != '{') continue;
        double dValue = 0.0;
        switch (rec[1]) {
        case 'a': case 'c': case 'e': case 'g':
            if (ReadMapPointValue(rec, &dValue)) WidenExtent(&minX, &maxX, dValue);
            break;
        case 'd': case 'h':
            if (!ReadMapPointValue(rec, &dValue)) break;
            count++;
            WidenExtent(&minY, &maxY, dValue);
            break;
        case 'b': case 'f':
            if (ReadMapPointValue(rec, &dValue)) WidenExtent(&minY, &maxY, dValue);
            break;
        default: break;
        }
    }
    dExtentMinX = minX;
    dExtentMaxX = maxX;
    dExtentMinY = minY;
    dExtentMaxY = maxY;

    int px1 = ToPixel((minX - dMapOriginX) * dMapPixelsPerUnit + 0.5);
    int py1 = ToPixel((minY - dMapOriginY) * dMapPixelsPerUnit + 0.5);
    int px2 = ToPixel((maxX - dMapOriginX) * dMapPixelsPerUnit + 0.5);
    int py2 = ToPixel((maxY - dMapOriginY) * dMapPixelsPerUnit + 0.5);
    int col1, row1, col2, row2, offX, offY;
    MapPixelToTile(px1, py1, &col1, &row1, &offX, &offY);
    MapPixelToTile(px2, py2, &col2, &row2, &offX, &offY);
    if (col1 < nTileIndexMin || row1 < nTileIndexMin || col2 > nTileIndexMax || row2 > nTileIndexMax) {
        swprintf(szText, 256, L"%ls\r\n%ls\r\n%ls", L"Map Size too small to accommodate the data file.",
                 L"Please increase map size in Map Size option", L"then select the file again");
        ShowMessageDialog(hwndOwner, L"MESSAGEOK", L"WARNING", szText);
        return 0;
    }
    if (count >= nMaxGpsPositions) {
        // The file is full: refused, the program goes on.
        ShowMessageDialog(hwndOwner, L"MESSAGEOK", L"INFORMATION",
                          L"Number of GPS Positions in the file has reached its maximum");
        return 0;
    }
    swprintf(szText, 256, L"%ls %ld\r\n", L"Total Number of GPS Positions:      ", count);
    ShowMessageDialog(hwndOwner, L"MESSAGEOK", L"INFORMATION", szText);
    nGpsPositionCount = (int)count;
    return 1;
}
