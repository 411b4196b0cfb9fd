// Map view commands: pan, zoom, fit and redraw, the review view, the map size text and the redraw requests.
#include "map/map_view.h"

#include <climits>
#include <cmath>

#include "background/background_files.h"
#include "core/core.h"
#include "core/settings.h"
#include "displays/legend.h"
#include "displays/numbers.h"
#include "logscreen/logscreen.h"
#include "map/map.h"
#include "map/pens.h"
#include "processing/dispatch.h"

int nBrowseTileCol = 1000, nBrowseTileRow = 1000, nBrowseTileOffsetX = 200, nBrowseTileOffsetY = 200;
double dZoomFactor = 0.05;
int nColorMapViewSaved = 0;
int nRedrawFlags = 0;

namespace {

const double kPanStepFactor = 0.05;
// The map size the configuration file accepts.
const int kMapSizeMin = 1, kMapSizeMax = 1000000;

// The view a command moves: the review view in review, else the live view.
struct ViewOrigin {
    int *pnCol, *pnRow, *pnOffX, *pnOffY;
};

ViewOrigin ChosenView()
{
    if (bMapReviewMode) return {&nBrowseTileCol, &nBrowseTileRow, &nBrowseTileOffsetX, &nBrowseTileOffsetY};
    return {&nViewTileCol, &nViewTileRow, &nViewTileOffsetX, &nViewTileOffsetY};
}

void ShowReviewView() { BlitMapView(nBrowseTileCol, nBrowseTileRow, nBrowseTileOffsetX, nBrowseTileOffsetY); }

int ClampToInt(long long v)
{
    if (v < INT_MIN / 2) return INT_MIN / 2;
    if (v > INT_MAX / 2) return INT_MAX / 2;
    return (int)v;
}

long long FloorDivLL(long long a, long long b)
{
    long long q = a / b;
    if ((a % b) != 0 && a < 0) --q;
    return q;
}

// Moves the chosen view by one step; the view keeps to the used tile range (a step that would leave it is
// refused). Returns 1 when the view moved.
int PanView(int nCode)
{
    if (nTileWidth <= 0 || nTileHeight <= 0) return 0;
    const int s = MapPanStep();
    ViewOrigin v = ChosenView();
    int &col = *v.pnCol, &row = *v.pnRow, &offX = *v.pnOffX, &offY = *v.pnOffY;
    int nSigned = 0;
    switch (nCode) {
    case MAPVIEW_PAN_LEFT:
        if (offX - s < 0) {
            if (col <= nTileColMin) return 0;
            --col;
            offX = offX - s + nTileWidth;
        } else {
            offX -= s;
        }
        nSigned = -s;
        break;
    case MAPVIEW_PAN_RIGHT:
        if (offX + s > nTileWidth) {
            if (col + 1 >= nTileColMax) return 0;
            ++col;
            offX = offX + s - nTileWidth;
        } else {
            offX += s;
        }
        nSigned = s;
        break;
    case MAPVIEW_PAN_UP:
        if (offY - s < 0) {
            if (row >= nTileRowMax) return 0;
            ++row;
            offY = offY - s + nTileHeight;
        } else {
            offY -= s;
        }
        nSigned = -s;
        break;
    case MAPVIEW_PAN_DOWN:
        if (offY + s > nTileHeight) {
            if (row - 1 <= nTileRowMin) return 0;
            --row;
            offY = offY + s - nTileHeight;
        } else {
            offY += s;
        }
        nSigned = s;
        break;
    default: return 0;
    }
    if (!bMapReviewMode) {
        // The live view's edges and the last position move with it, so the next position scrolls from here.
        if (nCode == MAPVIEW_PAN_LEFT || nCode == MAPVIEW_PAN_RIGHT) {
            nViewLeft += nSigned;
            nViewRight += nSigned;
            nLastPosPixelX += nSigned;
        } else {
            nViewTop -= nSigned;
            nViewBottom -= nSigned;
            nLastPosPixelY -= nSigned;
        }
    }
    ClearMapWindow(hwndMap);
    BlitMapView(col, row, offX, offY);
    return 1;
}

// Map pixel of a map coordinate at a scale, as WorldToMapPixels computes it, held far outside the tile table
// instead of overflowing.
long long PixelAtScale(double d, double dOrigin, double dScale)
{
    double v = (d - dOrigin) * dScale + 0.5;
    if (!(v > -1e12)) return -1000000000000LL;
    if (v > 1e12) return 1000000000000LL;
    return (long long)v;
}

// Sets the map size, its scale and the text that shows it.
void SetMapSize(int nSize)
{
    nMapSize = nSize;
    dMapPixelsPerUnit = (double)nTileWidth / nMapSize;
    DrawMapSizeText();
}

// Zoom and fit: the grid and the survey at the new size, then the review view.
void RebuildAndShowReview()
{
    ClearMapWindow(hwndMap);
    ShowPleaseWait();
    RebuildMapTiles(2);
    ShowReviewView();
}

void Zoom(int bIn)
{
    int nNew = ZoomedMapSize(nMapSize, bIn);
    if (nNew == nMapSize) return;
    // Every mark of the rebuild must land inside the tile tables: a zoom in that would carry the survey past the
    // usable tiles is refused.
    if (bIn && !ExtentsFitUsableTiles((double)nTileWidth / nNew)) return;
    SetMapSize(nNew);
    RebuildAndShowReview();
}

// The whole survey in one view: the map size from the larger side of the extents, the review view placed so
// that the extents sit in the middle of the window.
void Fit()
{
    double dSpan = std::max(dExtentMaxX - dExtentMinX, dExtentMaxY - dExtentMinY);
    SetMapSize(FittedMapSize(dSpan, nCursorBand));
    const double dScale = dMapPixelsPerUnit;
    long long x0 = PixelAtScale(dExtentMinX, dMapOriginX, dScale), y0 = PixelAtScale(dExtentMinY, dMapOriginY, dScale);
    long long x1 = PixelAtScale(dExtentMaxX, dMapOriginX, dScale), y1 = PixelAtScale(dExtentMaxY, dMapOriginY, dScale);
    const long long W = nTileWidth, H = nTileHeight;
    long long mx = (W - (x1 - x0)) / 2, my = (H - (y1 - y0)) / 2;
    nViewLeft = ClampToInt(x0 - mx);
    nViewRight = ClampToInt(x0 - mx + W);
    nViewTop = ClampToInt(y0 - my);
    nViewBottom = ClampToInt(y0 - my + H);
    // The review view from tile (1000, 1000), folded into a tile and an in-tile offset so that a survey lying
    // tiles away from the origin is shown where it is.
    long long offX = W - mx + x0, offY = H - my - y1;
    long long nColSteps = FloorDivLL(offX, W), nRowSteps = FloorDivLL(offY, H);
    nBrowseTileCol = ClampToInt(1000 + nColSteps);
    nBrowseTileRow = ClampToInt(1000 - nRowSteps);
    nBrowseTileOffsetX = (int)(offX - nColSteps * W);
    nBrowseTileOffsetY = (int)(offY - nRowSteps * H);
    RebuildAndShowReview();
}

// Titles, labels and the survey layer at the current size, then the review view.
void Redraw()
{
    DrawMapChannelTitleOnScreen();
    if (hwndNumbers) {
        HDC hdc = GetDC(hwndNumbers);
        if (hdc) {
            FillRect(hdc, &rcSidePanel, hbrWhite);
            DrawChannelLabels(hdc);
            ReleaseDC(hwndNumbers, hdc);
        }
    }
    ClearMapWindow(hwndMap);
    ShowPleaseWait();
    RebuildMapTiles(1);
    ShowReviewView();
}

}  // namespace

void DrawMapChannelTitleOnScreen()
{
    if (!hwndLog) return;
    HDC hdc = GetDC(hwndLog);
    if (!hdc) return;
    DrawMapChannelTitle(hdc);
    ReleaseDC(hwndLog, hdc);
}

int MapPanStep()
{
    int s = (int)((kPanStepFactor + 1.0) * nCursorBandPixels * 0.1 - 0.5);
    return s > 0 ? s : 0;
}

int ZoomedMapSize(int nSize, int bIn)
{
    if (nSize < kMapSizeMin) nSize = kMapSizeMin;
    if (nSize > kMapSizeMax) nSize = kMapSizeMax;
    double f = dZoomFactor;
    double d = (bIn ? 1.0 - f : 1.0 + f) * nSize + 0.5;
    int n;
    if (!(d >= kMapSizeMin))
        n = kMapSizeMin;
    else if (d > kMapSizeMax)
        n = kMapSizeMax;
    else
        n = (int)d;
    if (n == nSize) n = bIn ? nSize - 1 : nSize + 1;
    if (n < kMapSizeMin) n = kMapSizeMin;
    if (n > kMapSizeMax) n = kMapSizeMax;
    return n;
}

int FittedMapSize(double dSpan, int nBand)
{
    if (!(dSpan > 0.0)) dSpan = 0.0;
    double dMargin = 1.0 + (nBand * 5.0 + 5.0) / 100.0;
    double d = (dSpan + 0.5) * dMargin + 10.0;
    if (!(d < kMapSizeMax)) return kMapSizeMax;
    int n = (int)d;
    if (n <= (int)dSpan) n += 10;
    if (n < kMapSizeMin) n = kMapSizeMin;
    return n > kMapSizeMax ? kMapSizeMax : n;
}

int ExtentsFitUsableTiles(double dPixelsPerUnit)
{
    const double adX[2] = {dExtentMinX, dExtentMaxX}, adY[2] = {dExtentMinY, dExtentMaxY};
    for (double x : adX)
        for (double y : adY) {
            long long px = PixelAtScale(x, dMapOriginX, dPixelsPerUnit);
            long long py = PixelAtScale(y, dMapOriginY, dPixelsPerUnit);
            // Far beyond the tables: no need to name the tile.
            const long long nFar = 4000LL * (nTileWidth > nTileHeight ? nTileWidth : nTileHeight);
            if (px > nFar || px < -nFar || py > nFar || py < -nFar) return 0;
            int col, row, offX, offY;
            MapPixelToTile((int)px, (int)py, &col, &row, &offX, &offY);
            if (col < nTileIndexMin || col > nTileIndexMax || row < nTileIndexMin || row > nTileIndexMax) return 0;
        }
    return 1;
}

namespace {

// The map size as written on the logging screen; its length, or 0 when it could not be formatted.
int FormatMapSizeText(wchar_t *szText, size_t nSize)
{
    static const wchar_t *const aszUnit[3] = {L"m", L"ft", L"US-ft"};
    const wchar_t *szUnit = nMapUnits >= 0 && nMapUnits <= 2 ? aszUnit[nMapUnits] : aszUnit[0];
    const int n = swprintf(szText, nSize, L"Map Size:%5ld %ls", (long)nMapSize, szUnit);
    return n > 0 ? n : 0;
}

}  // namespace

void DrawMapSizeText(HDC hdc)
{
    wchar_t szText[48];
    const int n = FormatMapSizeText(szText, 48);
    if (n <= 0 || !hdc) return;
    SetBkMode(hdc, TRANSPARENT);
    HGDIOBJ hOldFont = SelectObject(hdc, hFontNormal);
    if (rcMapSizeText.right > rcMapSizeText.left) FillRect(hdc, &rcMapSizeText, hbrButtonFace);
    SIZE size = {0, 0};
    GetTextExtentPoint32(hdc, szText, n, &size);
    TextOut(hdc, rcMapSizeText.right - size.cx, rcMapSizeText.top, szText, n);
    SelectObject(hdc, hOldFont);
    // The box is as wide as the widest map size: on a small map the channel title may stand in the part the text
    // leaves free, and is written again beside the new text.
    const RECT &t = rcMapChannelTitle, &b = rcMapSizeText;
    if (t.left < b.right && b.left < t.right && t.top < b.bottom && b.top < t.bottom) DrawMapChannelTitle(hdc);
}

int MapSizeTextLeft(HDC hdc)
{
    wchar_t szText[48];
    const int n = FormatMapSizeText(szText, 48);
    SIZE size = {0, 0};
    if (n > 0 && hdc) {
        HGDIOBJ hOldFont = SelectObject(hdc, hFontNormal);
        GetTextExtentPoint32(hdc, szText, n, &size);
        SelectObject(hdc, hOldFont);
    }
    return rcMapSizeText.right - size.cx;
}

void DrawMapSizeText()
{
    // Until the status panel is laid out the box is empty and nothing is drawn.
    if (!hwndLog || rcMapSizeText.bottom <= rcMapSizeText.top || rcMapSizeText.right <= rcMapSizeText.left) return;
    HDC hdc = GetDC(hwndLog);
    if (!hdc) return;
    DrawMapSizeText(hdc);
    ReleaseDC(hwndLog, hdc);
}

void RebuildMapTiles(int nTileMode)
{
    if (nTileMode < 0 || nTileMode > 2) return;
    if (nTileMode != 1) ComputeMapDirection();
    CreateMapTiles(nTileMode);
    // The background files live in the base layer: drawn again whenever it was cleared.
    if (nTileMode != 1) RedrawBackgroundFiles();
    if (nTileMode != 0) RebuildMapForInstrument();
}

void MapViewCommand(int nCode)
{
    switch (nCode) {
    case MAPVIEW_PAN_LEFT:
    case MAPVIEW_PAN_RIGHT:
    case MAPVIEW_PAN_UP:
    case MAPVIEW_PAN_DOWN: PanView(nCode); break;
    // Zoom and fit show the review view: outside a review they would rescale the live map under the positions.
    case MAPVIEW_ZOOM_IN:
    case MAPVIEW_ZOOM_OUT:
        if (bMapReviewMode) Zoom(nCode == MAPVIEW_ZOOM_IN);
        break;
    case MAPVIEW_FIT:
        if (bMapReviewMode) Fit();
        break;
    default:
        if (nCode >= MAPVIEW_REDRAW_FIRST && nCode <= MAPVIEW_REDRAW_LAST) Redraw();
        break;
    }
}

void ActOnRedrawFlags(int nFlags)
{
    if (nFlags & REDRAW_MAP_SIZE) {
        bRecentreMap = 1;
        ClearMapWindow(hwndMap);
        ShowPleaseWait();
        RebuildMapTiles(2);
        RedrawProfileForInstrument();
        return;
    }
    const int bGrid = (nFlags & (REDRAW_GRID_MODE | REDRAW_GRID_INTERVAL | REDRAW_LINES_ANGLE)) != 0;
    const int bMarks = (nFlags & (REDRAW_MARK_STYLE | REDRAW_POSITION_COLOUR)) != 0 && nColorMapView == 0;
    const int bSurvey = bMarks || (nFlags & REDRAW_COLOUR_VIEW) != 0;
    if (bGrid || bSurvey) {
        ClearMapWindow(hwndMap);
        ShowPleaseWait();
    }
    if (bGrid) RebuildMapTiles(0);
    if (bSurvey) RebuildMapTiles(1);
    RedrawProfileForInstrument();
}
