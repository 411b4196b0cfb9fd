// Map update per GPS position: view placement and scrolling, the sensor footprint, the map-point records, the
// swath or track between two footprints and the copy of the view into the map window.
#include <cmath>
#include <cstdio>

#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "logscreen/logscreen.h"
#include "map/map.h"
#include "map/pens.h"
#include "processing/conductivity_handlers.h"
#include "processing/handler_state.h"

int nMapTrackState = 0;
int nGpsOffsetSign = 0;
int nTrackPointCount = 0;
int bMapSegmentPending = 1;

// The longest walk between two fixes that is drawn as one segment: 50 m. Receivers send 1 to 20 fixes a second and
// the fastest of these surveys (a towed cart at 5 m/s) moves at most 5 m between fixes at 1 fix a second, so 50 m
// passes ten such steps (a dropout of 10 s at that speed, half a minute on foot) and refuses a jump of a bad fix.
static const double MAX_FIX_WALK_METRES = 50.0;

// Finite and not negative, else 0: a damaged setting adds nothing to the limit.
static double LimitTerm(double d)
{
    d = std::fabs(d);
    return std::isfinite(d) ? d : 0.0;
}

double MapSegmentLimit()
{
    double dMetresPerUnit = nMapUnits == 1 ? 0.3048 : (nMapUnits == 2 ? 0.304800609601219 : 1.0);
    // Between two fixes an end of the footprint moves by the walk, and by twice its distance from the sample
    // point and twice the set-back when the carrier turns round.
    return MAX_FIX_WALK_METRES / dMetresPerUnit +
           2.0 * (LimitTerm(dGpsOffsetY) + LimitTerm(dSwathLeft) + LimitTerm(dSwathRight));
}

int MapMoveBreaks(double dx, double dy)
{
    const double dLimit = MapSegmentLimit();
    // The distance is at most |dx| + |dy|: most steps are that short and need no root.
    if (std::fabs(dx) + std::fabs(dy) <= dLimit) return 0;
    double d = std::hypot(dx, dy);
    return d <= dLimit ? 0 : 1;  // a distance that is no number breaks too
}

int MapFootprintBreaks(const double *pdOld, const double *pdNew)
{
    if (MapMoveBreaks(pdNew[2] - pdNew[0], pdNew[3] - pdNew[1])) return 1;  // wider than any footprint
    if (!pdOld) return 0;
    return MapMoveBreaks(pdNew[0] - pdOld[0], pdNew[1] - pdOld[1]) || MapMoveBreaks(pdNew[2] - pdOld[2], pdNew[3] - pdOld[3]);
}

namespace {

// Previous drawn position (map units), its footprint (map pixels and, as the records hold it, map units: left x,
// y, right x, y) and the tilt snapshot.
double dPrevPosX = 0.0, dPrevPosY = 0.0;
int anPrevFoot[4] = {0, 0, 0, 0};
double adPrevFoot[4] = {0, 0, 0, 0};
double dPrevRoll = 0.0, dPrevPitch = 0.0;

// Path history of the path-following set-back.
enum { TRACK_HISTORY = 200, TRACK_TRIM_AFTER = 40, TRACK_KEEP_FROM = 11 };
double adTrackX[TRACK_HISTORY], adTrackY[TRACK_HISTORY], adTrackDist[TRACK_HISTORY];
double adTrackRoll[TRACK_HISTORY], adTrackPitch[TRACK_HISTORY];
double dTrackTotal = 0.0;

// The entries from nFirst on move to the front, path distances rebased on the new first entry.
void MoveTrackToFront(int nFirst)
{
    if (nFirst <= 0 || nFirst >= nTrackPointCount) return;
    double dBase = adTrackDist[nFirst];
    int n = nTrackPointCount - nFirst;
    for (int i = 0; i < n; ++i) {
        adTrackX[i] = adTrackX[i + nFirst];
        adTrackY[i] = adTrackY[i + nFirst];
        adTrackDist[i] = adTrackDist[i + nFirst] - dBase;
        adTrackRoll[i] = adTrackRoll[i + nFirst];
        adTrackPitch[i] = adTrackPitch[i + nFirst];
    }
    nTrackPointCount = n;
    dTrackTotal = adTrackDist[n - 1];
}

// Footprint ends of a sample point S across the direction (dx, dy) (unit length): left, then right.
void FootprintEnds(double sx, double sy, double dx, double dy, double dLeft, double dRight, double *pdEnds)
{
    pdEnds[0] = sx + dLeft * -dy;
    pdEnds[1] = sy + dLeft * dx;
    pdEnds[2] = sx + dRight * dy;
    pdEnds[3] = sy + dRight * -dx;
}

// Draws the survey from the previous footprint to the new one (pixels), or the footprint marks.
void DrawFootprints(HDC hdcMem, const int *anNew, int bFirstPair)
{
    if (nColorMapView != 0) {
        if (nSensorsMinus1 == 1)
            PlotColourSwathTable(hdcMem, anNew[0], anNew[1], anNew[2], anNew[3], anPrevFoot[0], anPrevFoot[1],
                                 anPrevFoot[2], anPrevFoot[3]);
        else
            PlotColourSwath(hdcMem, anNew[0], anNew[1], anNew[2], anNew[3], anPrevFoot[0], anPrevFoot[1],
                            anPrevFoot[2], anPrevFoot[3]);
        return;
    }
    if (bFirstPair) {
        if (nCursorSize < 4)
            PlotTrackPoint(hdcMem, anPrevFoot[0], anPrevFoot[1], anPrevFoot[2], anPrevFoot[3]);
        else
            PlotTrackSegment(hdcMem, anPrevFoot[0], anPrevFoot[1], anPrevFoot[2], anPrevFoot[3]);
    }
    if (nCursorSize < 4)
        PlotTrackPoint(hdcMem, anNew[0], anNew[1], anNew[2], anNew[3]);
    else
        PlotTrackSegment(hdcMem, anNew[0], anNew[1], anNew[2], anNew[3]);
}

// A footprint as the map-point records hold it (three decimals), so that a rebuild from the file takes the same
// decisions and puts every end on the same pixel.
void StoredFootprint(double *pdEnds)
{
    for (int i = 0; i < 4; ++i) {
        char szText[40];
        int n = snprintf(szText, sizeof szText, "%.3f", pdEnds[i]);
        pdEnds[i] = n > 0 && n < (int)sizeof szText ? TextToDouble(szText) : 0.0;
    }
}

void FootprintToPixels(const double *pdStored, int *anPix)
{
    WorldToMapPixels(&anPix[0], &anPix[1], &anPix[2], &anPix[3], pdStored[0], pdStored[1], pdStored[2], pdStored[3]);
}

// A new segment starts at the position (the first one after logging started, or one after a break): the segment
// start record, nothing drawn.
void StartSegmentStraight(double x, double y, double r, double p)
{
    dPrevPosX = x;
    dPrevPosY = y;
    dPrevRoll = r;
    dPrevPitch = p;
    WriteMarkerRecords('{', 0, 0.0, 0.0, 0.0, 0.0);
    nMapTrackState = 1;
}

// Straight set-back: the footprints of the previous and the new position, across the direction of travel.
void FootprintStepStraight(HDC hdcMem, double x, double y)
{
    double r = dTiltCorrectionRoll, p = dTiltCorrectionPitch;
    if (nMapTrackState == 0) {
        StartSegmentStraight(x, y, r, p);
        return;
    }
    double L = std::hypot(x - dPrevPosX, y - dPrevPosY);
    if (!(L > 0.0)) return;  // no direction of travel: nothing to draw
    double ux = (x - dPrevPosX) / L, uy = (y - dPrevPosY) / L;
    double dBack = dGpsOffsetY + p;
    double adNew[4], adOld[4];
    FootprintEnds(x - dBack * ux, y - dBack * uy, ux, uy, dSwathLeft + r, dSwathRight - r, adNew);
    FootprintEnds(dPrevPosX - dBack * ux, dPrevPosY - dBack * uy, ux, uy, dSwathLeft + r, dSwathRight - r, adOld);
    StoredFootprint(adNew);
    StoredFootprint(adOld);
    int bFirstPair = nMapTrackState == 1;
    if (MapFootprintBreaks(bFirstPair ? adOld : adPrevFoot, adNew)) {
        // Farther than any walk between two fixes: nothing is drawn across the gap.
        StartSegmentStraight(x, y, r, p);
        return;
    }
    if (bFirstPair) WriteMarkerRecords('{', 1, adOld[0], adOld[1], adOld[2], adOld[3]);
    WriteMarkerRecords('{', 2, adNew[0], adNew[1], adNew[2], adNew[3]);
    nMapTrackState = bFirstPair ? 2 : 3;
    int anNew[4];
    FootprintToPixels(adNew, anNew);
    if (bFirstPair) FootprintToPixels(adOld, anPrevFoot);
    DrawFootprints(hdcMem, anNew, bFirstPair);
    dPrevPosX = x;
    dPrevPosY = y;
    for (int i = 0; i < 4; ++i) {
        anPrevFoot[i] = anNew[i];
        adPrevFoot[i] = adNew[i];
    }
    dPrevRoll = r;
    dPrevPitch = p;
}

// The path history starts at the position: entry 0, the segment start record, nothing drawn.
// Adds a position to the track history (at least two entries held); false when it repeats the newest one, which
// gives no direction and is not stored.
bool AppendTrackPoint(double x, double y, double r, double p, double *pdStep)
{
    const int k = nTrackPointCount - 1;
    if (k < 0 || k + 1 >= TRACK_HISTORY) return false;
    const double dStep = std::hypot(x - adTrackX[k], y - adTrackY[k]);
    if (!(dStep > 0.0)) return false;
    adTrackX[k + 1] = x;
    adTrackY[k + 1] = y;
    adTrackDist[k + 1] = adTrackDist[k] + dStep;
    adTrackRoll[k + 1] = r;
    adTrackPitch[k + 1] = p;
    nTrackPointCount = k + 2;
    dTrackTotal = adTrackDist[k + 1];
    *pdStep = dStep;
    return true;
}

// The point dOffset behind the newest history entry along the path, and the direction of travel there: on the
// history segment that holds it (*pnSegment: the index of its later entry), or behind the first entry along the
// first step when the path is shorter (*pnSegment -1). False when the segment has no length.
bool PathSamplePoint(double dOffset, double *psx, double *psy, double *pdx, double *pdy, int *pnSegment)
{
    *pnSegment = -1;
    if (nTrackPointCount < 2) return false;
    if (dOffset >= dTrackTotal) {
        // Behind the first entry: extend the first step backwards.
        const double ax = adTrackX[0], ay = adTrackY[0];
        const double l = std::hypot(adTrackX[1] - ax, adTrackY[1] - ay);
        if (!(l > 0.0)) return false;
        *pdx = (adTrackX[1] - ax) / l;
        *pdy = (adTrackY[1] - ay) / l;
        *psx = ax - (dOffset - dTrackTotal) * *pdx;
        *psy = ay - (dOffset - dTrackTotal) * *pdy;
        return true;
    }
    // First entry (never the very first, so entry m - 1 exists) within the set-back of the newest one.
    int m = 1;
    while (m < nTrackPointCount - 1 && dTrackTotal - adTrackDist[m] > dOffset) ++m;
    const double e = dOffset - (dTrackTotal - adTrackDist[m]);
    const double ex = adTrackX[m] - adTrackX[m - 1], ey = adTrackY[m] - adTrackY[m - 1];
    const double l = std::hypot(ex, ey);
    if (!(l > 0.0)) return false;
    *pdx = ex / l;
    *pdy = ey / l;
    *psx = adTrackX[m] - (e / l) * ex;
    *psy = adTrackY[m] - (e / l) * ey;
    *pnSegment = m;
    return true;
}

void StartSegmentPath(double x, double y, double r, double p)
{
    adTrackX[0] = x;
    adTrackY[0] = y;
    adTrackDist[0] = 0.0;
    adTrackRoll[0] = r;
    adTrackPitch[0] = p;
    nTrackPointCount = 1;
    dTrackTotal = 0.0;
    dPrevRoll = r;
    dPrevPitch = p;
    WriteMarkerRecords('{', 0, 0.0, 0.0, 0.0, 0.0);
    nMapTrackState = 1;
}

// Path-following set-back: the sensors follow the antenna's path dGpsOffsetY behind it.
void FootprintStepPath(HDC hdcMem, double x, double y)
{
    double r = dTiltCorrectionRoll, p = dTiltCorrectionPitch;
    if (nTrackPointCount == 0) {
        StartSegmentPath(x, y, r, p);
        return;
    }
    double dStep = 0.0;
    if (!AppendTrackPoint(x, y, r, p, &dStep)) return;  // the same position again: nothing stored or drawn

    if (nTrackPointCount == 2) {
        double ux = (x - adTrackX[0]) / dStep, uy = (y - adTrackY[0]) / dStep;
        // Each position shifted along the travel by its pitch correction and across it by its roll correction.
        double qx = adTrackX[0] + adTrackPitch[0] * ux + adTrackRoll[0] * uy;
        double qy = adTrackY[0] + adTrackPitch[0] * uy - adTrackRoll[0] * ux;
        double px = x + p * ux + r * uy, py = y + p * uy - r * ux;
        double adNew[4], adOld[4];
        FootprintEnds(px - dGpsOffsetY * ux, py - dGpsOffsetY * uy, ux, uy, dSwathLeft, dSwathRight, adNew);
        FootprintEnds(qx - dGpsOffsetY * ux, qy - dGpsOffsetY * uy, ux, uy, dSwathLeft, dSwathRight, adOld);
        StoredFootprint(adNew);
        StoredFootprint(adOld);
        if (MapFootprintBreaks(adOld, adNew)) {
            StartSegmentPath(x, y, r, p);
            return;
        }
        WriteMarkerRecords('{', 1, adOld[0], adOld[1], adOld[2], adOld[3]);
        WriteMarkerRecords('{', 2, adNew[0], adNew[1], adNew[2], adNew[3]);
        nMapTrackState = 2;
        int anNew[4];
        FootprintToPixels(adNew, anNew);
        FootprintToPixels(adOld, anPrevFoot);
        DrawFootprints(hdcMem, anNew, 1);
        for (int i = 0; i < 4; ++i) {
            anPrevFoot[i] = anNew[i];
            adPrevFoot[i] = adNew[i];
        }
    } else {
        if (nTrackPointCount > TRACK_TRIM_AFTER) MoveTrackToFront(TRACK_KEEP_FROM);
        double sx, sy, dx, dy;
        int m = -1;
        if (!PathSamplePoint(dGpsOffsetY, &sx, &sy, &dx, &dy, &m)) return;
        double adNew[4];
        FootprintEnds(sx, sy, dx, dy, dSwathLeft, dSwathRight, adNew);
        StoredFootprint(adNew);
        if (MapFootprintBreaks(adPrevFoot, adNew)) {
            StartSegmentPath(x, y, r, p);
            return;
        }
        WriteMarkerRecords('{', 2, adNew[0], adNew[1], adNew[2], adNew[3]);
        int anNew[4];
        FootprintToPixels(adNew, anNew);
        DrawFootprints(hdcMem, anNew, 0);
        for (int i = 0; i < 4; ++i) {
            anPrevFoot[i] = anNew[i];
            adPrevFoot[i] = adNew[i];
        }
        nMapTrackState = 3;
        if (m > TRACK_KEEP_FROM) MoveTrackToFront(m - 1);
    }
    dPrevPosX = x;
    dPrevPosY = y;
    dPrevRoll = r;
    dPrevPitch = p;
}

// Widens the used range to the 2 x 2 view block (its tiles are made when something is drawn into them).
void TakeViewBlock()
{
    const int aCol[2] = {nViewTileCol, nViewTileCol + 1};
    const int aRow[2] = {nViewTileRow, nViewTileRow - 1};
    for (int c : aCol) {
        for (int r : aRow) {
            // A block beyond the table's edge takes the range to that edge (and so raises the near-edge state).
            c = c < 0 ? 0 : (c > 1999 ? 1999 : c);
            r = r < 0 ? 0 : (r > 1999 ? 1999 : r);
            if (c < nTileColMin) nTileColMin = c;
            if (c > nTileColMax) nTileColMax = c;
            if (r < nTileRowMin) nTileRowMin = r;
            if (r > nTileRowMax) nTileRowMax = r;
        }
    }
}

void ShowViewWithCursor(HWND hwndMapWindow)
{
    BlitMapView(nViewTileCol, nViewTileRow, nViewTileOffsetX, nViewTileOffsetY);
    HWND hwnd = hwndMapWindow ? hwndMapWindow : hwndMap;
    if (!hwnd) return;
    HDC hdc = GetDC(hwnd);
    if (!hdc) return;
    DrawCrossHair(hdc, nCursorWndX, nCursorWndY);
    ReleaseDC(hwnd, hdc);
}

}  // namespace

namespace {

// The view part of a position update (extent, first placement, re-centring, automatic scrolling, cursor): false
// when the position only placed the view.
bool PlaceViewAtPosition(HWND hwndMapWindow, double dNorthing, double dEasting, int *pnPx, int *pnPy)
{
    int px, py, pxSame, pySame;
    WorldToMapPixels(&px, &py, &pxSame, &pySame, dEasting, dNorthing, dEasting, dNorthing);
    if (dEasting < dExtentMinX) dExtentMinX = dEasting;
    if (dEasting > dExtentMaxX) dExtentMaxX = dEasting;
    if (dNorthing < dExtentMinY) dExtentMinY = dNorthing;
    if (dNorthing > dExtentMaxY) dExtentMaxY = dNorthing;

    if (!bMapViewPlaced) {
        nViewLeft = -nTileWidth / 2 + 1;
        nViewRight = nTileWidth / 2;
        nViewTop = -nTileHeight / 2 + 1;
        nViewBottom = nTileHeight / 2;
        nViewTileOffsetX = nTileWidth / 2;
        nViewTileOffsetY = nTileHeight / 2;
        nViewTileCol = 1000;
        nViewTileRow = 1000;
        ClearMapWindow(hwndMapWindow ? hwndMapWindow : hwndMap);
        nCursorWndX = px - nViewLeft;
        nCursorWndY = nViewBottom - py - 1;
        nLastPosPixelX = px;
        nLastPosPixelY = py;
        nTileColMin = 1000;
        nTileColMax = 1001;
        nTileRowMin = 999;
        nTileRowMax = 1000;
        ShowViewWithCursor(hwndMapWindow);
        bMapViewPlaced = 1;
        return false;
    }

    int col, row, ox, oy;
    MapPixelToTile(px, py, &col, &row, &ox, &oy);
    int nOldCol = nViewTileCol, nOldRow = nViewTileRow;
    // A jump farther than any walk between two fixes places the view around the new position as a re-centring
    // does, instead of scrolling by the whole jump.
    double dPixelsPerUnit = dMapPixelsPerUnit > 0.0 ? dMapPixelsPerUnit : 1.0;
    if (MapMoveBreaks(((double)px - nLastPosPixelX) / dPixelsPerUnit, ((double)py - nLastPosPixelY) / dPixelsPerUnit))
        bRecentreMap = 1;
    if (bRecentreMap) {
        nViewLeft = px - nCursorWndX;
        nViewRight = nViewLeft + nTileWidth;
        // The top row shows map pixel nViewBottom - 1, so the cursor row keeps its place.
        nViewBottom = py + nCursorWndY + 1;
        nViewTop = nViewBottom - nTileHeight;
        int a = nCursorWndX - ox;
        if (a < 0) {
            nViewTileCol = col;
            nViewTileOffsetX = -a;
        } else {
            nViewTileCol = col - 1;
            nViewTileOffsetX = nTileWidth - a;
        }
        int b = nCursorWndY - oy;
        if (b < 0) {
            nViewTileRow = row;
            nViewTileOffsetY = -b;
        } else {
            nViewTileRow = row + 1;
            nViewTileOffsetY = nTileHeight - b;
        }
        bRecentreMap = 0;
    } else {
        int margin = nCursorBandPixels;
        bool bHorizontal = px > nLastPosPixelX ? px > nViewRight - margin : px < nViewLeft + margin;
        bool bVertical = py > nLastPosPixelY ? py > nViewBottom - margin : py < nViewTop + margin;
        if (bHorizontal || bVertical) {
            int dx = px - nLastPosPixelX, dy = py - nLastPosPixelY;
            nViewLeft += dx;
            nViewRight += dx;
            nViewTop += dy;
            nViewBottom += dy;
            nViewTileOffsetX += dx;
            nViewTileOffsetY -= dy;
            bool bMoved = false;
            if (nViewTileRow < row) {
                nViewTileRow = row;
                nViewTileOffsetY += nTileHeight;
                bMoved = true;
            }
            if (row < nViewTileRow - 1) {
                nViewTileRow = row + 1;
                nViewTileOffsetY -= nTileHeight;
                bMoved = true;
            }
            if (col < nViewTileCol) {
                nViewTileCol = col;
                nViewTileOffsetX += nTileWidth;
                bMoved = true;
            }
            if (nViewTileCol + 1 < col) {
                nViewTileCol = col - 1;
                nViewTileOffsetX -= nTileWidth;
                bMoved = true;
            }
            if (!bMoved) {
                if (nViewTileOffsetY < 0) {
                    nViewTileRow += 1;
                    nViewTileOffsetY += nTileHeight;
                } else if (nViewTileOffsetY > nTileHeight) {
                    nViewTileRow -= 1;
                    nViewTileOffsetY -= nTileHeight;
                }
                if (nViewTileOffsetX < 0) {
                    nViewTileCol -= 1;
                    nViewTileOffsetX += nTileWidth;
                } else if (nViewTileOffsetX > nTileWidth) {
                    nViewTileCol += 1;
                    nViewTileOffsetX -= nTileWidth;
                }
            }
        }
    }
    if (nViewTileCol != nOldCol || nViewTileRow != nOldRow) TakeViewBlock();
    nCursorWndX = px - nViewLeft;
    nCursorWndY = nViewBottom - py - 1;
    *pnPx = px;
    *pnPy = py;
    return true;
}

// The end of a position update: view and cursor shown, the near-edge check, the last position's pixel.
void FinishPositionUpdate(HWND hwndMapWindow, int px, int py)
{
    if (bGpsActive == 1) ShowViewWithCursor(hwndMapWindow);
    PrepareMapTilesAround(nViewTileCol, nViewTileRow);

    if ((nTileColMin < nTileIndexMin || nTileRowMin < nTileIndexMin || nTileColMax > nTileIndexMax ||
         nTileRowMax > nTileIndexMax) &&
        nMapEdgeState == 0) {
        nMapEdgeState = 1;
        if (hwndLog) SendMessage(hwndLog, WM_MAP_NEAR_EDGE, 0, 0);
    }
    nLastPosPixelX = px;
    nLastPosPixelY = py;
}

}  // namespace

void UpdateMapDisplay(HWND hwndMapWindow, int nRecState, double dNorthing, double dEasting, double dDistance)
{
    int px = 0, py = 0;
    if (!PlaceViewAtPosition(hwndMapWindow, dNorthing, dEasting, &px, &py)) return;

    if (nRecState == 1 && dDistance > 0.0) {
        HDC hdcMem = CreateCompatibleDC(nullptr);
        if (hdcMem) {
            if (nGpsOffsetSign == 1)
                FootprintStepPath(hdcMem, dEasting, dNorthing);
            else
                FootprintStepStraight(hdcMem, dEasting, dNorthing);
            DeleteDC(hdcMem);
        }
    }
    FinishPositionUpdate(hwndMapWindow, px, py);
}

// ---------------------------------------------------------------------------------------------------------------
// Station mode (EM34-3, manual stations): one footprint per coil separation, each set back by its own offset
// ---------------------------------------------------------------------------------------------------------------
namespace {

double dStationPrevX = 0.0, dStationPrevY = 0.0;
int anStationPrevFoot[3][4];
int abStationPrevShown[3];

}  // namespace

void PlotSeparationMark(HDC hdc, int k, const int an[4])
{
    if (k < 0 || k > 2) return;
    HPEN ahPen[3] = {hpenBlue, hpenRed, hpenDarkGreen};
    HPEN ahPen2[3] = {hpenBlue2, hpenRed2, hpenDarkGreen2};
    HBRUSH ahBrush[3] = {hbrBlue, hbrRed, hbrDarkGreen};
    if (nCursorSize == 4) PlotTrackSegmentStyled(hdc, an[0], an[1], an[2], an[3], ahPen[k]);
    else if (nCursorSize == 5) PlotTrackSegmentStyled(hdc, an[0], an[1], an[2], an[3], ahPen2[k]);
    else PlotMidpointDot(hdc, an[0], an[1], an[2], an[3], ahPen[k], ahBrush[k]);
}

namespace {

void StationFootprintStep(HDC hdcMem, double x, double y)
{
    const int abShown[3] = {bEm34Sep10Shown, bEm34Sep20Shown, bEm34Sep40Shown};
    // Path-following set-back: the stations' positions make the track history (no tilt corrections).
    const bool bPath = nGpsOffsetSign == 1;
    if (nMapTrackState == 0) {
        dStationPrevX = x;
        dStationPrevY = y;
        for (int k = 0; k < 3; ++k) abStationPrevShown[k] = abShown[k];
        if (bPath) StartSegmentPath(x, y, 0.0, 0.0);  // writes the '{' record and advances the track state
        else WriteMarkerRecords('{', 0, 0.0, 0.0, 0.0, 0.0);
        nMapTrackState = 1;
        return;
    }
    const double L = std::hypot(x - dStationPrevX, y - dStationPrevY);
    if (!(L > 0.0)) return;
    const double ux = (x - dStationPrevX) / L, uy = (y - dStationPrevY) / L;
    if (bPath) {
        double dStep = 0.0;
        if (!AppendTrackPoint(x, y, 0.0, 0.0, &dStep)) return;
        if (nTrackPointCount > TRACK_TRIM_AFTER) MoveTrackToFront(TRACK_KEEP_FROM);
    }
    const double adOffset[3] = {dEm34Offset10, dEm34Offset20, dEm34Offset40};
    const int bFirstPair = nMapTrackState == 1;
    int anNew[3][4];
    for (int k = 0; k < 3; ++k) {
        double adNew[4], adOld[4];
        const double o = adOffset[k];
        double sx = x - o * ux, sy = y - o * uy, dx = ux, dy = uy;
        int nSegment = -1;
        if (bPath && !PathSamplePoint(o, &sx, &sy, &dx, &dy, &nSegment)) return;
        FootprintEnds(sx, sy, dx, dy, dSwathLeft, dSwathRight, adNew);
        // The first pair's previous footprints lie on its first step, straight behind the previous station.
        FootprintEnds(dStationPrevX - o * ux, dStationPrevY - o * uy, ux, uy, dSwathLeft, dSwathRight, adOld);
        FootprintToPixels(adNew, anNew[k]);
        if (bFirstPair) {
            FootprintToPixels(adOld, anStationPrevFoot[k]);
            if (abStationPrevShown[k]) WriteMarkerRecords('{', k + 1, adOld[0], adOld[1], adOld[2], adOld[3]);
        }
        if (abShown[k]) WriteMarkerRecords('{', k + 1, adNew[0], adNew[1], adNew[2], adNew[3]);
    }
    if (nColorMapView != 0) {
        const int *o = anStationPrevFoot[0];
        PlotColourSwath(hdcMem, anNew[0][0], anNew[0][1], anNew[0][2], anNew[0][3], o[0], o[1], o[2], o[3]);
    } else {
        for (int k = 0; k < 3; ++k) {
            if (bFirstPair && abStationPrevShown[k]) PlotSeparationMark(hdcMem, k, anStationPrevFoot[k]);
            if (abShown[k]) PlotSeparationMark(hdcMem, k, anNew[k]);
        }
    }
    nMapTrackState = bFirstPair ? 2 : 3;
    dStationPrevX = x;
    dStationPrevY = y;
    for (int k = 0; k < 3; ++k) {
        abStationPrevShown[k] = abShown[k];
        for (int i = 0; i < 4; ++i) anStationPrevFoot[k][i] = anNew[k][i];
    }
}

}  // namespace

void UpdateMapDisplayMode2(HWND hwndMapWindow, int nRecState, double dNorthing, double dEasting, double dDistance)
{
    int px = 0, py = 0;
    if (PlaceViewAtPosition(hwndMapWindow, dNorthing, dEasting, &px, &py)) {
        if (nRecState == 1 && dDistance > 0.0 && bMapSegmentPending == 1) {
            HDC hdcMem = CreateCompatibleDC(nullptr);
            if (hdcMem) {
                StationFootprintStep(hdcMem, dEasting, dNorthing);
                DeleteDC(hdcMem);
            }
        }
        FinishPositionUpdate(hwndMapWindow, px, py);
    }
    // Each recorded station draws one segment.
    if (nInstrumentType == INSTRUMENT_EM34 && nSurveyModePrev == 2) bMapSegmentPending = 0;
}
