// Background drawing: the records of a background file drawn into the base layer of the map's tiles as dots,
// symbols with labels or joined lines, with the reports of a new file, and the silent redraw after each rebuild.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <cwchar>

#include "background/background_files.h"
#include "background/background_state.h"
#include "core/core.h"
#include "core/text.h"
#include "logscreen/logscreen.h"
#include "map/map.h"
#include "map/map_state.h"
#include "map/pens.h"

HPEN hpenBackgroundCurrent = nullptr;

BgStyle BackgroundStyle(int bJix, int nStyle)
{
    BgStyle s = {0, 1, 1, 0};
    if (bJix) {
        if (nStyle >= 1 && nStyle <= 3) s = {1, nStyle, nStyle, 0};
        return s;
    }
    if (nStyle >= 9 && nStyle <= 11) return {1, nStyle - 8, nStyle - 8, 0};
    if (nStyle >= 0 && nStyle <= 8) s = {0, nStyle % 3 + 1, 1, nStyle};
    return s;
}

HPEN BackgroundPen(int n)
{
    switch (n) {
    case 2: return hpenBackgroundFile2;
    case 3: return hpenBackgroundFile3;
    default: return hpenBackgroundFile1;
    }
}

namespace {

// Liang-Barsky clip of a segment to a rectangle; false when nothing of it lies inside.
bool ClipSegment(double &x1, double &y1, double &x2, double &y2, double xmin, double ymin, double xmax, double ymax)
{
    double t0 = 0.0, t1 = 1.0;
    const double dx = x2 - x1, dy = y2 - y1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x1 - xmin, xmax - x1, y1 - ymin, ymax - y1};
    for (int i = 0; i < 4; i++) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) {
            if (t > t1) return false;
            t0 = std::max(t0, t);
        } else {
            if (t < t0) return false;
            t1 = std::min(t1, t);
        }
    }
    const double ax = x1 + t0 * dx, ay = y1 + t0 * dy, bx = x1 + t1 * dx, by = y1 + t1 * dy;
    x1 = ax, y1 = ay, x2 = bx, y2 = by;
    return true;
}

int FloorDivInt(long long a, long long b) { return (int)(a >= 0 ? a / b : -((-a + b - 1) / b)); }

}  // namespace

void DrawSegmentInTile(HDC hdcMem, int x1, int y1, int x2, int y2, int nCol, int nRow)
{
    if (!SelectMapTileBitmap(hdcMem, nCol, nRow, 0)) return;
    int ax, ay, bx, by;
    MapPixelToTileOffset(x1, y1, nCol, nRow, &ax, &ay);
    MapPixelToTileOffset(x2, y2, nCol, nRow, &bx, &by);
    // Only the part near the tile is handed to the painter; the bitmap's edges clip the rest.
    double dax = ax, day = ay, dbx = bx, dby = by;
    const double m = 4.0;
    if (!ClipSegment(dax, day, dbx, dby, -m, -m, nTileMaxX + m, nTileMaxY + m)) return;
    DrawPolylineSegment(hdcMem, (int)std::lround(dax), (int)std::lround(day), (int)std::lround(dbx),
                        (int)std::lround(dby), hpenBackgroundCurrent);
}

void DrawBackgroundSegment(HDC hdcMem, int x1, int y1, int x2, int y2)
{
    const int W = nTileWidth > 0 ? nTileWidth : 1, H = nTileHeight > 0 ? nTileHeight : 1;
    if (x1 > x2) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    int c1, r1, c2, r2, ox, oy;
    MapPixelToTile(x1, y1, &c1, &r1, &ox, &oy);
    MapPixelToTile(x2, y2, &c2, &r2, &ox, &oy);
    // Every column the segment spans (a pen's width either side), and in each the rows its part spans.
    const int m = 3;
    const int cFirst = std::max(1001 + FloorDivInt((long long)x1 - m - 1, W), nTileIndexMin);
    const int cLast = std::min(1001 + FloorDivInt((long long)x2 + m - 1, W), nTileIndexMax);
    for (int c = cFirst; c <= cLast; c++) {
        const double xa = std::max((double)x1, (double)(c - 1001) * W + 1 - m);
        const double xb = std::min((double)x2, (double)(c - 1000) * W + m);
        double ya, yb;
        if (x1 == x2) {
            ya = y1;
            yb = y2;
        } else {
            const double k = (double)(y2 - y1) / (double)(x2 - x1);
            ya = y1 + k * (xa - x1);
            yb = y1 + k * (xb - x1);
        }
        const double ylo = std::min(ya, yb) - m, yhi = std::max(ya, yb) + m;
        const int rFirst = std::max(1000 + FloorDivInt((long long)std::floor(ylo), H), nTileIndexMin);
        const int rLast = std::min(1000 + FloorDivInt((long long)std::floor(yhi), H), nTileIndexMax);
        for (int r = rFirst; r <= rLast; r++) DrawSegmentInTile(hdcMem, x1, y1, x2, y2, c, r);
    }
}

namespace {

struct DrawCounts {
    int nRead = 0;
    int nInvalid = 0;
    int nDrawn = 0;
    int bReadError = 0;
};

// Reads the next record: with nLimit 0 or above a short read is an error, with -1 it is the end of the file.
int NextRecord(BgSource *pSrc, int bLabels, double *pdX, double *pdY, int *pnLabel, char *szLabel, int nLimit,
               DrawCounts *pCounts)
{
    if (nLimit >= 0 && pCounts->nRead >= nLimit) return 0;
    int bOk = bLabels ? ReadBackgroundRecordXYLabel(pSrc, pdX, pdY, pnLabel, szLabel)
                      : ReadBackgroundRecordXY(pSrc, pdX, pdY);
    if (!bOk) {
        if (nLimit >= 0) pCounts->bReadError = 1;
        return 0;
    }
    if (!bLabels) {
        *pnLabel = 0;
        szLabel[0] = 0;
    }
    pCounts->nRead++;
    return 1;
}

void DrawPointRecords(HDC hdcMem, BgSource *pSrc, int nLimit, int bJix, int bLabels, int nStyle, DrawCounts *pC)
{
    double x, y;
    int nLabel;
    char szLabel[BG_LABEL_CHARS + 1];
    // The mark drawn last: the same mark on the same pixel is not drawn again.
    int nLastCol = -1, nLastRow = -1, nLastX = -1, nLastY = -1;
    char szLastLabel[BG_LABEL_CHARS + 1] = "";
    while (NextRecord(pSrc, bLabels, &x, &y, &nLabel, szLabel, nLimit, pC)) {
        if (x < 0.0) continue;  // pen-up
        int col, row, ox, oy;
        if (!BackgroundPointOnGrid(x, y, &col, &row, &ox, &oy)) {
            pC->nInvalid++;
            continue;
        }
        if (col == nLastCol && row == nLastRow && ox == nLastX && oy == nLastY && !strcmp(szLabel, szLastLabel)) {
            pC->nDrawn++;
            continue;
        }
        nLastCol = col, nLastRow = row, nLastX = ox, nLastY = oy;
        memcpy(szLastLabel, szLabel, sizeof szLastLabel);
        if (bJix) {
            PlotDotOnTiles(hdcMem, col, row, ox, oy, hpenBackgroundFile1, hbrBackgroundFile);
        } else {
            TrimSpaces(szLabel, 2);
            PlotLabelOnTile(hdcMem, col, row, ox, oy, hpenBackgroundFile1, hbrBackgroundFile, (int)strlen(szLabel),
                            szLabel, nStyle);
        }
        pC->nDrawn++;
    }
}

// Joined lines: a dot at every valid point, a segment from the previous one while the pen is down; pen-ups and
// points off the grid lift the pen, and so does a step longer than the map draws as one segment of the survey
// (a mistyped coordinate or a jump of a bad fix would otherwise cross thousands of tiles).
void DrawLineRecords(HDC hdcMem, BgSource *pSrc, int nLimit, HPEN hDotPen, DrawCounts *pC)
{
    double x, y;
    int nLabel;
    char szLabel[BG_LABEL_CHARS + 1];
    int bPenDown = 0, nPrevX = 0, nPrevY = 0;
    double dPrevX = 0.0, dPrevY = 0.0;
    while (NextRecord(pSrc, 0, &x, &y, &nLabel, szLabel, nLimit, pC)) {
        if (x < 0.0) {
            bPenDown = 0;
            continue;
        }
        int col, row, ox, oy;
        if (!BackgroundPointOnGrid(x, y, &col, &row, &ox, &oy)) {
            pC->nInvalid++;
            bPenDown = 0;
            continue;
        }
        int px, py, px2, py2;
        WorldToMapPixels(&px, &py, &px2, &py2, x, y, x, y);
        pC->nDrawn++;
        if (bPenDown && MapMoveBreaks(x - dPrevX, y - dPrevY)) bPenDown = 0;
        // A point on the pixel of the previous one adds nothing to the line.
        if (bPenDown && px == nPrevX && py == nPrevY) continue;
        PlotDotOnTiles(hdcMem, col, row, ox, oy, hDotPen, hbrBackgroundFile);
        if (bPenDown) DrawBackgroundSegment(hdcMem, nPrevX, nPrevY, px, py);
        nPrevX = px;
        nPrevY = py;
        dPrevX = x;
        dPrevY = y;
        bPenDown = 1;
    }
}

struct MapContexts {
    HDC hdcWindow = nullptr, hdcMem = nullptr;
    MapContexts()
    {
        hdcWindow = hwndMap ? GetDC(hwndMap) : nullptr;
        hdcMem = CreateCompatibleDC(hdcWindow);
    }
    ~MapContexts()
    {
        if (hdcMem) DeleteDC(hdcMem);
        if (hdcWindow) ReleaseDC(hwndMap, hdcWindow);
    }
};

void ShowBox(HWND hOwner, const wchar_t *szCaption, const wchar_t *szText)
{
    ShowMessageDialog(hOwner, L"MESSAGEOK", szCaption, szText);
}

void ShowReadError(HWND hOwner, const wchar_t *szDisplayName)
{
    wchar_t szText[256];
    if (swprintf(szText, 256, L" %ls%d\r\n %ls\r\n %ls", L"Unexpected error B$", 1, L"processing file:",
                 szDisplayName ? szDisplayName : L"") < 0)
        wcscpy(szText, L" Unexpected error B$1");
    ShowBox(hOwner, L"WARNING", szText);
}

void ShowAllInvalid(HWND hOwner)
{
    wchar_t szText[128];
    if (swprintf(szText, 128, L"%ls\r\n", L"All points in background file are invalid") < 0) szText[0] = 0;
    ShowBox(hOwner, L"STOP", szText);
}

void ShowCounts(HWND hOwner, int nRecords, int nInvalid)
{
    wchar_t szText[256];
    if (swprintf(szText, 256, L"%ls %d\r\n%ls %d\r\n", L"Number of points in background file:", nRecords,
                 L"Number of invalid points:", nInvalid) < 0)
        return;
    ShowBox(hOwner, L"WARNING", szText);
}

}  // namespace

int DrawBackgroundPoints(HWND hOwner, BgSource *pSrc, int nRecords, const wchar_t *szDisplayName, int nStyle,
                         int nFileType)
{
    if (nRecords <= 0) {
        ShowBox(hOwner, L"FILE ERROR", L"Check background file structure.");
        return -1;
    }
    BgRewind(pSrc);
    DrawCounts counts;
    {
        MapContexts dc;
        DrawPointRecords(dc.hdcMem, pSrc, nRecords, bJixProduct, !bJixProduct, nStyle, &counts);
    }
    (void)nFileType;
    if (counts.bReadError) {
        ShowReadError(hOwner, szDisplayName);
        return -1;
    }
    if (counts.nInvalid == nRecords) {
        ShowAllInvalid(hOwner);
        return -1;
    }
    if (counts.nInvalid > 0) ShowCounts(hOwner, nRecords, counts.nInvalid);
    return 1;
}

int DrawBackgroundLines(HWND hOwner, BgSource *pSrc, int nRecords, const wchar_t *szDisplayName, int nStyle)
{
    if (nRecords <= 0) {
        ShowBox(hOwner, L"FILE ERROR", L"Check background file structure.");
        return -1;
    }
    BgRewind(pSrc);
    const BgStyle style = BackgroundStyle(bJixProduct, nStyle);
    DrawCounts counts;
    {
        MapContexts dc;
        DrawLineRecords(dc.hdcMem, pSrc, nRecords, BackgroundPen(style.nLinePen), &counts);
    }
    if (counts.bReadError) {
        ShowReadError(hOwner, szDisplayName);
        return -1;
    }
    if (counts.nDrawn == 0) {
        ShowAllInvalid(hOwner);
        return -1;
    }
    if (counts.nInvalid > 0) ShowCounts(hOwner, nRecords, counts.nInvalid);
    return 1;
}

void RedrawBackgroundFiles()
{
    if (nBackgroundFileCount <= 0) return;
    TempFolderScope scope;
    MapContexts dc;
    hpenBackgroundCurrent = hpenBackgroundFile1;
    const int nUsed = std::min(nBackgroundFileCount, nMaxBackgroundFiles);
    for (int i = 0; i < nUsed; i++) {
        HANDLE h = CreateFile(aszBackgroundTempFile[i], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) continue;
        BgSource src;
        BgSourceFromFile(&src, h);
        const BgStyle style = BackgroundStyle(bJixProduct, aBgSlotStyle[i]);
        hpenBackgroundCurrent = BackgroundPen(style.nCurrentPen);
        DrawCounts counts;
        if (style.bLines)
            DrawLineRecords(dc.hdcMem, &src, -1, hpenBackgroundFile1, &counts);
        else
            DrawPointRecords(dc.hdcMem, &src, -1, bJixProduct, !bJixProduct && aBgSlotFileType[i] == 2,
                             aBgSlotStyle[i], &counts);
        CloseHandle(h);
    }
}
