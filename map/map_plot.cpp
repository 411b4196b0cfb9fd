// Plot primitives of the map: marks and segments drawn into the tiles, the colour swath between two footprints,
// the cross-hair, the busy indicator and the texts of the map window.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/core.h"
#include "core/settings.h"
#include "core/text.h"
#include "logscreen/logscreen.h"
#include "map/map.h"
#include "map/pens.h"

int nBusyStep = 0;
RECT arcBusyDot[5] = {};
RECT rcBusyIndicator = {};
int nBackgroundDotRadius = 1;

void DrawDot(HDC hdc, int x, int y, int r, HPEN pen, HBRUSH brush)
{
    SelectObject(hdc, pen);
    SelectObject(hdc, brush);
    Ellipse(hdc, x - r - 1, y - r - 1, x + r + 1, y + r + 1);
}

void DrawPolylineSegment(HDC hdc, int x1, int y1, int x2, int y2, HPEN pen)
{
    SelectObject(hdc, pen);
    POINT apt[2] = {{x1, y1}, {x2, y2}};
    Polyline(hdc, apt, 2);
}

// A dot of reach r in its own tile and again in the edge neighbours it reaches into, on one layer of the tiles.
static void PlotDotOnTileLayer(HDC hdc, int col, int row, int x, int y, int r, HPEN pen, HBRUSH brush, int nLayer)
{
    if (SelectMapTileBitmap(hdc, col, row, nLayer)) DrawDot(hdc, x, y, r, pen, brush);
    if (x <= r && SelectMapTileBitmap(hdc, col - 1, row, nLayer)) DrawDot(hdc, x + nTileWidth, y, r, pen, brush);
    if (x + r + 1 > nTileMaxX && SelectMapTileBitmap(hdc, col + 1, row, nLayer))
        DrawDot(hdc, x - nTileWidth, y, r, pen, brush);
    if (y <= r && SelectMapTileBitmap(hdc, col, row + 1, nLayer)) DrawDot(hdc, x, y + nTileHeight, r, pen, brush);
    if (y + r + 1 > nTileMaxY && SelectMapTileBitmap(hdc, col, row - 1, nLayer))
        DrawDot(hdc, x, y - nTileHeight, r, pen, brush);
}

// A mark of the cursor's reach in its own tile and the edge neighbours it reaches into (survey layer).
void PlotDotOnTilesFilled(HDC hdc, int col, int row, int x, int y, HPEN pen, HBRUSH brush)
{
    PlotDotOnTileLayer(hdc, col, row, x, y, nCursorSize, pen, brush, 1);
}

// Does the segment come within the margin of the tile's in-tile rectangle? (Liang-Barsky clip.)
static bool SegmentTouchesRect(double x1, double y1, double x2, double y2, double xmin, double ymin, double xmax,
                               double ymax)
{
    double t0 = 0.0, t1 = 1.0, dx = x2 - x1, dy = y2 - y1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x1 - xmin, xmax - x1, y1 - ymin, ymax - y1};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
        } else {
            double t = q[i] / p[i];
            if (p[i] < 0.0) {
                if (t > t1) return false;
                if (t > t0) t0 = t;
            } else {
                if (t < t0) return false;
                if (t < t1) t1 = t;
            }
        }
    }
    return true;
}

void DrawMapPixelSegment(HDC hdc, int px1, int py1, int px2, int py2, HPEN pen)
{
    int col1, row1, ox1, oy1, col2, row2, ox2, oy2;
    MapPixelToTile(px1, py1, &col1, &row1, &ox1, &oy1);
    MapPixelToTile(px2, py2, &col2, &row2, &ox2, &oy2);
    if (col1 == col2 && row1 == row2) {
        if (SelectMapTileBitmap(hdc, col1, row1, 1)) DrawPolylineSegment(hdc, ox1, oy1, ox2, oy2, pen);
        return;
    }
    // The same segment in every tile it crosses, each in that tile's own pixels; a tile's bitmap clips its part.
    int cMin = std::min(col1, col2), cMax = std::max(col1, col2);
    int rMin = std::min(row1, row2), rMax = std::max(row1, row2);
    if ((long)(cMax - cMin + 1) * (rMax - rMin + 1) > 64) return;  // longer than any footprint or step
    const double m = 3.0;  // pen width and the end pixel
    for (int c = cMin; c <= cMax; ++c) {
        for (int r = rMin; r <= rMax; ++r) {
            int ax, ay, bx, by;
            MapPixelToTileOffset(px1, py1, c, r, &ax, &ay);
            MapPixelToTileOffset(px2, py2, c, r, &bx, &by);
            if (!SegmentTouchesRect(ax, ay, bx, by, -m, -m, nTileMaxX + m, nTileMaxY + m)) continue;
            if (SelectMapTileBitmap(hdc, c, r, 1)) DrawPolylineSegment(hdc, ax, ay, bx, by, pen);
        }
    }
}

void DrawSegmentAcrossTiles(HDC hdc, int col1, int row1, int, int, int x1, int y1, int, int, int dx, int dy,
                            HPEN pen)
{
    // Back to map pixels from the first end, then drawn in every tile the segment crosses.
    int px1 = x1 + 1 + (col1 - 1001) * nTileWidth;
    int py1 = (row1 - 999) * nTileHeight - 1 - y1;
    DrawMapPixelSegment(hdc, px1, py1, px1 + dx, py1 + dy, pen);
}

void PlotTrackPoint(HDC hdc, int px1, int py1, int px2, int py2)
{
    if (nCursorSize == 4 || nCursorSize == 5) {
        DrawMapPixelSegment(hdc, px1, py1, px2, py2, nCursorSize == 4 ? hpenPosition : hpenPosition2);
        return;
    }
    double mx = (px1 + px2) / 2.0, my = (py1 + py2) / 2.0;
    int col, row, ox, oy;
    if (nSensorsMinus1 == 1) {
        double qx = (px2 - px1) / 4.0, qy = (py2 - py1) / 4.0;
        MapPixelToTile((int)(mx - qx), (int)(my - qy), &col, &row, &ox, &oy);
        PlotDotOnTilesFilled(hdc, col, row, ox, oy, hpenPosition, hbrPosition);
        MapPixelToTile((int)(mx + qx), (int)(my + qy), &col, &row, &ox, &oy);
        PlotDotOnTilesFilled(hdc, col, row, ox, oy, hpenPosition, hbrPosition);
    } else {
        MapPixelToTile((int)mx, (int)my, &col, &row, &ox, &oy);
        PlotDotOnTilesFilled(hdc, col, row, ox, oy, hpenPosition, hbrPosition);
    }
}

void PlotMidpointDot(HDC hdc, int px1, int py1, int px2, int py2, HPEN pen, HBRUSH brush)
{
    int col, row, ox, oy;
    MapPixelToTile((int)((px1 + px2) / 2.0), (int)((py1 + py2) / 2.0), &col, &row, &ox, &oy);
    PlotDotOnTilesFilled(hdc, col, row, ox, oy, pen, brush);
}

void PlotTrackSegment(HDC hdc, int px1, int py1, int px2, int py2)
{
    if (nCursorSize == 4 || nCursorSize == 5)
        DrawMapPixelSegment(hdc, px1, py1, px2, py2, nCursorSize == 4 ? hpenPosition : hpenPosition2);
}

void PlotTrackSegmentStyled(HDC hdc, int px1, int py1, int px2, int py2, HPEN pen)
{
    DrawMapPixelSegment(hdc, px1, py1, px2, py2, pen);
}

// One-pixel pens of the colour scale, made once at the first swath: a swath line two pixels wide is drawn as two
// one-pixel lines side by side, which is many times quicker than a wide stroke and keeps a rebuild quick.
static HPEN ahSwathPen[51];

static HPEN SwathPen(int nIndex)
{
    if (nIndex < 0) nIndex = 0;
    if (nIndex > 50) nIndex = 50;
    if (!ahSwathPen[nIndex]) ahSwathPen[nIndex] = CreatePen(PS_SOLID, 1, aclrColorScale[nIndex]);
    return ahSwathPen[nIndex];
}

// A swath line of colour index nIndex, two pixels wide: the line and its neighbour across its main direction.
static void DrawSwathLine(HDC hdc, int px1, int py1, int px2, int py2, int nIndex)
{
    HPEN pen = SwathPen(nIndex);
    const bool bAlongX = std::abs(px2 - px1) > std::abs(py2 - py1);
    const int sx = bAlongX ? 0 : 1, sy = bAlongX ? -1 : 0;
    // Most swath lines lie inside one tile with a pixel to spare on every side: both lines go into that tile's
    // bitmap at once, as DrawMapPixelSegment would draw each.
    int col1, row1, ox1, oy1, col2, row2, ox2, oy2;
    MapPixelToTile(px1, py1, &col1, &row1, &ox1, &oy1);
    MapPixelToTile(px2, py2, &col2, &row2, &ox2, &oy2);
    if (col1 == col2 && row1 == row2 && std::min(ox1, ox2) >= 1 && std::max(ox1, ox2) < nTileWidth - 1 &&
        std::min(oy1, oy2) >= 1 && std::max(oy1, oy2) < nTileHeight - 1) {
        if (!SelectMapTileBitmap(hdc, col1, row1, 1)) return;
        SelectObject(hdc, pen);
        POINT apt[2] = {{ox1, oy1}, {ox2, oy2}};
        Polyline(hdc, apt, 2);
        // The neighbour in map pixels (y grows upward) is the neighbour in the tile's pixels with y turned over.
        apt[0] = {ox1 + sx, oy1 - sy};
        apt[1] = {ox2 + sx, oy2 - sy};
        Polyline(hdc, apt, 2);
        return;
    }
    DrawMapPixelSegment(hdc, px1, py1, px2, py2, pen);
    DrawMapPixelSegment(hdc, px1 + sx, py1 + sy, px2 + sx, py2 + sy, pen);
}

void SpreadSwathCells(HDC hdc, const int *pnCells, int nCells, int bTwoSensors, int nlx, int nly, int nrx, int nry,
                      int olx, int oly, int orx, int ory)
{
    if (!pnCells || nCells <= 0) return;
    if (nCells > SWATH_CELLS_PER_ROW) nCells = SWATH_CELLS_PER_ROW;
    const double dLx = (double)nlx - olx, dLy = (double)nly - oly, dRx = (double)nrx - orx, dRy = (double)nry - ory;
    double dSteps = std::max(std::hypot(dLx, dLy), std::hypot(dRx, dRy));
    // An edge longer than any segment between two fixes (a damaged footprint far away) is not spread over: the
    // count is bounded before it becomes an int.
    const double dMaxSteps = std::min(MapSegmentLimit() * dMapPixelsPerUnit + 4.0, 16777216.0);
    if (!(dSteps <= dMaxSteps)) return;
    int n = (int)dSteps;
    if (n <= 0) return;  // no movement: nothing to spread the cells over
    int nLastCell = nCells - 1;
    double c = (double)nLastCell / n;
    double eLx = dLx / n, eLy = dLy / n;
    double eRx = dRx / n, eRy = dRy / n;
    for (int i = 0; i < n; ++i) {
        int lx = (int)(olx + i * eLx), ly = (int)(oly + i * eLy);
        int rx = (int)(orx + i * eRx), ry = (int)(ory + i * eRy);
        int k = (int)(i * c);
        if (k > nLastCell) k = nLastCell;
        int v = pnCells[k];
        if (bTwoSensors) {
            int hi = v / 64, lo = v - hi * 64;
            int mx = (lx + rx) / 2, my = (ly + ry) / 2;
            DrawSwathLine(hdc, lx, ly, mx, my, lo);
            DrawSwathLine(hdc, mx, my, rx, ry, hi);
        } else {
            DrawSwathLine(hdc, lx, ly, rx, ry, v);
        }
    }
}

static void PaintSwathRow(HDC hdc, int bTwoSensors, int nlx, int nly, int nrx, int nry, int olx, int oly, int orx,
                          int ory)
{
    if (bSwathHasCells != 1) return;
    int nRow = nSwathPlotRow == 1 ? 1 : 0;
    SpreadSwathCells(hdc, rgColorGrid[nRow], nSwathPlotLastCell + 1, bTwoSensors, nlx, nly, nrx, nry, olx, oly, orx,
                     ory);
}

void PlotColourSwath(HDC hdc, int nlx, int nly, int nrx, int nry, int olx, int oly, int orx, int ory)
{
    PaintSwathRow(hdc, 0, nlx, nly, nrx, nry, olx, oly, orx, ory);
}

void PlotColourSwathTable(HDC hdc, int nlx, int nly, int nrx, int nry, int olx, int oly, int orx, int ory)
{
    PaintSwathRow(hdc, 1, nlx, nly, nrx, nry, olx, oly, orx, ory);
}

void DrawCrossHair(HDC hdc, int x, int y)
{
    int h = nCrossHairHalf;
    SelectObject(hdc, hpenCursor);
    MoveToEx(hdc, x - h, y, nullptr);
    LineTo(hdc, x + h + 1, y);
    MoveToEx(hdc, x, y - h, nullptr);
    LineTo(hdc, x, y + h + 1);
}

void StepBusyIndicator()
{
    if (!hwndMap) return;
    HDC hdc = GetDC(hwndMap);
    if (!hdc) return;
    SetBkMode(hdc, TRANSPARENT);
    SelectObject(hdc, hFontLarge);
    SetTextColor(hdc, RGB(160, 160, 160));
    FillRect(hdc, &rcBusyIndicator, hbrWhite);
    SelectObject(hdc, hbrMidGrey);
    SelectObject(hdc, hpenMidGrey);
    int nElement = 4 - nBusyStep;
    const RECT &rc = arcBusyDot[nElement];
    Ellipse(hdc, rc.left, rc.top + 1, rc.right, rc.bottom);
    nBusyStep = nBusyStep >= 4 ? 0 : nBusyStep + 1;
    SetTextColor(hdc, RGB(0, 0, 0));
    ReleaseDC(hwndMap, hdc);
}

void BeginBusyPacer(BusyPacer *pPacer)
{
    pPacer->dwLastStep = GetTickCount();
    pPacer->nRecords = 0;
}

void StepBusyIndicatorWhenDue(BusyPacer *pPacer)
{
    const DWORD BUSY_STEP_MS = 750;
    DWORD dwNow = GetTickCount();
    if (dwNow - pPacer->dwLastStep > BUSY_STEP_MS) {
        StepBusyIndicator();
        pPacer->dwLastStep = dwNow;
    }
}

static void ShowMapText(const wchar_t *szText)
{
    if (!hwndMap) return;
    ClearMapWindow(hwndMap);
    HDC hdc = GetDC(hwndMap);
    if (!hdc) return;
    SetBkMode(hdc, TRANSPARENT);
    HGDIOBJ hOldFont = SelectObject(hdc, hFontLarge);
    SetTextColor(hdc, RGB(160, 160, 160));
    int nLen = (int)wcslen(szText);
    SIZE size = {0, 0};
    GetTextExtentPoint32(hdc, szText, nLen, &size);
    TextOut(hdc, nTileMaxX / 2 - size.cx / 2, nTileMaxY / 2, szText, nLen);
    SetTextColor(hdc, RGB(0, 0, 0));
    if (hOldFont) SelectObject(hdc, hOldFont);
    ReleaseDC(hwndMap, hdc);
}

void ShowPleaseWait()
{
    if (bGpsActive != 0) ShowMapText(L"Please Wait");
}

void ShowWaitingForGps() { ShowMapText(L"Waiting for the first valid GPS position"); }

void DrawSymbol(HDC hdc, int x, int y, int h, HPEN pen, HBRUSH brush, int nKind)
{
    SelectObject(hdc, pen);
    SelectObject(hdc, brush);
    if (nKind >= 0 && nKind <= 2) {
        Ellipse(hdc, x - h - 1, y - h - 1, x + h + 1, y + h + 1);
    } else if (nKind >= 3 && nKind <= 5) {
        Rectangle(hdc, x - h, y - h, x + h, y + h);
    } else if (nKind >= 6 && nKind <= 8) {
        POINT apt[3] = {{x - h, y + h}, {x, y - h}, {x + h, y + h}};
        Polygon(hdc, apt, 3);
    }
}

void PlotDotOnTiles(HDC hdc, int col, int row, int x, int y, HPEN pen, HBRUSH brush)
{
    PlotDotOnTileLayer(hdc, col, row, x, y, nBackgroundDotRadius, pen, brush, 0);
}

void PlotLabelOnTile(HDC hdc, int col, int row, int x, int y, HPEN pen, HBRUSH brush, int nLabelLength,
                     const char *szLabel, int nKind)
{
    static const int anSize[9] = {0, 1, 2, 1, 2, 3, 1, 2, 3};
    static const int anLabelDx[9] = {1, 2, 3, 1, 2, 3, 1, 2, 3};
    int r = nBackgroundDotRadius;
    bool bKnown = nKind >= 0 && nKind <= 8;
    int h = r + (bKnown ? anSize[nKind] : 0);
    int nLabelX = x + (bKnown ? anLabelDx[nKind] : 1);

    // The symbol in its tile and in the neighbours it reaches, diagonals included.
    int nLeft = x <= h ? -1 : 0, nRight = x + h + 1 > nTileMaxX ? 1 : 0;
    int nUp = y <= h ? 1 : 0, nDown = y + h + 1 > nTileMaxY ? -1 : 0;
    for (int dc = -1; dc <= 1; ++dc) {
        if ((dc == -1 && !nLeft) || (dc == 1 && !nRight)) continue;
        for (int dr = -1; dr <= 1; ++dr) {
            if ((dr == 1 && !nUp) || (dr == -1 && !nDown)) continue;
            if (!SelectMapTileBitmap(hdc, col + dc, row + dr, 0)) continue;
            SelectObject(hdc, hbrButtonFace);
            DrawSymbol(hdc, x - dc * nTileWidth, y + dr * nTileHeight, h, pen, brush, nKind);
        }
    }
    if (nLabelLength == 0 || !szLabel) return;

    // The label: at most 7 characters, drawn where its box reaches.
    char szNarrow[8];
    int n = 0;
    for (; n < 7 && n < nLabelLength && szLabel[n]; ++n) szNarrow[n] = szLabel[n];
    szNarrow[n] = 0;
    wchar_t szWide[8];
    NarrowToWide(szNarrow, szWide);
    if (!SelectMapTileBitmap(hdc, col, row, 0)) return;
    HGDIOBJ hOldFont = SelectObject(hdc, hFontNormal);
    SetBkMode(hdc, TRANSPARENT);
    SIZE size = {0, 0};
    GetTextExtentPoint32(hdc, szWide, n, &size);
    bool bLeftN = nLabelX < 0, bRightN = nLabelX + size.cx > nTileMaxX;
    bool bUpN = y < 0, bDownN = y + size.cy > nTileMaxY;
    for (int dc = -1; dc <= 1; ++dc) {
        if ((dc == -1 && !bLeftN) || (dc == 1 && !bRightN)) continue;
        for (int dr = -1; dr <= 1; ++dr) {
            if ((dr == 1 && !bUpN) || (dr == -1 && !bDownN)) continue;
            if (!SelectMapTileBitmap(hdc, col + dc, row + dr, 0)) continue;
            SelectObject(hdc, hFontNormal);
            SetBkMode(hdc, TRANSPARENT);
            TextOut(hdc, nLabelX - dc * nTileWidth, y + dr * nTileHeight, szWide, n);
        }
    }
    if (hOldFont) SelectObject(hdc, hOldFont);
}

void DrawPointMarker(HDC hdc, int x, int y, int x2, int y2, int nStyle, HPEN pen, HPEN pen2, HBRUSH brush,
                     COLORREF clr)
{
    if (nStyle < -2 || nStyle > 5) return;
    SelectObject(hdc, pen);
    SelectObject(hdc, brush);
    auto line = [hdc](int ax, int ay, int bx, int by) {
        POINT apt[2] = {{ax, ay}, {bx, by}};
        Polyline(hdc, apt, 2);
    };
    switch (nStyle) {
    case -2:
        SetPixel(hdc, x, y, clr);
        break;
    case -1:
        line(x, y - 1, x, y + 1);
        line(x - 1, y, x + 1, y);
        break;
    case 0:
        Rectangle(hdc, x - 1, y - 1, x + 1, y + 1);
        break;
    case 1:
        line(x, y - 2, x, y + 2);
        line(x - 2, y, x + 2, y);
        Rectangle(hdc, x - 1, y - 1, x + 1, y + 1);
        break;
    case 2:
        Rectangle(hdc, x - 2, y - 2, x + 2, y + 2);
        break;
    case 3:
        line(x, y - 3, x, y + 3);
        line(x - 3, y, x + 3, y);
        Rectangle(hdc, x - 2, y - 2, x + 2, y + 2);
        break;
    case 4:
        line(x, y, x2, y2);
        Rectangle(hdc, x - 1, y - 1, x + 1, y + 1);
        Rectangle(hdc, x2 - 1, y2 - 1, x2 + 1, y2 + 1);
        break;
    case 5:
        SelectObject(hdc, pen2);
        line(x, y, x2, y2);
        SelectObject(hdc, pen);
        Rectangle(hdc, x - 2, y - 2, x + 2, y + 2);
        Rectangle(hdc, x2 - 2, y2 - 2, x2 + 2, y2 + 2);
        break;
    }
}
