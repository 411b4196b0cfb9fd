// The map: tile store, view, plot primitives, the update per GPS position, the replot from the data file and the map window.
#pragma once

#include "platform/platform.h"
#include "map/map_state.h"

// Sent once per logging run to the logging screen when the used tiles leave the usable range (no handler; the
// effect is nMapEdgeState = 1).
#define WM_MAP_NEAR_EDGE (WM_USER + 18)

// Map window class: registration (0 success, 1 failure) and window procedure. WM_PAINT only validates the window;
// the map draws through the window's device context.
int RegisterMapWnd(HINSTANCE inst);
LRESULT MapWndProc(HWND, UINT, WPARAM, LPARAM);
LRESULT MapWndOnPaint(HWND, UINT, WPARAM, LPARAM);

// ---------------------------------------------------------------------------------------------------------------
// Geometry and view
// ---------------------------------------------------------------------------------------------------------------
extern int nMapWndHeight;  // client height of the square map window

// Live view: the view-origin tile shown at the window's top-left and the in-tile pixel shown at window (0, 0);
// the view's edges in map pixels; the window position of the current position; the previous position's pixel.
extern int nViewTileCol, nViewTileRow, nViewTileOffsetX, nViewTileOffsetY;
extern int nViewLeft, nViewRight, nViewTop, nViewBottom;
extern int nCursorWndX, nCursorWndY;
extern int nLastPosPixelX, nLastPosPixelY;
extern int bMapViewPlaced;  // 0 until the first position placed the view (reset when logging starts)
extern int bRecentreMap;    // the next position re-centres the view around the cursor

// Guide grid derived by ComputeMapDirection: 0 square grid, 1 / -1 slanted lines, 2 north-south lines.
extern int nGridKind;
extern double dGridSlope, dGridSpacingPixels;

// Footprint state of the update per position.
extern int nMapTrackState;    // 0 nothing drawn yet, 1 first footprint position, 2 second, 3 later
extern int nGpsOffsetSign;    // sign of dGpsOffsetY; 1 selects the path-following set-back
extern int nTrackPointCount;  // entries of the path history in use
extern int bMapSegmentPending;

// Busy indicator of the map window: five dot rectangles (element 4 leftmost) and their bounding rectangle.
extern int nBusyStep;
extern RECT arcBusyDot[5];
extern RECT rcBusyIndicator;
extern int nBackgroundDotRadius;  // 1

// Tile store: number of tiles made (both layers) and the bytes one layer takes as a bitmap. Layers in use are
// bitmaps; the others are held compressed, or not at all while they show only white or the guide grid.
int MapTileCount();
size_t MapTileLayerBytes();
// Bytes the store holds now: bitmaps in use or spare, and compressed layers.
size_t MapTileStoreBytes();
// Bytes of tile layers kept as bitmaps (the most recently used; at least four layers); the rest are compressed.
extern size_t nTileLayerBudgetBytes;
// 1 when the tile was made (something was drawn into it).
int MapTileExists(int col, int row);
// Keeps the tiles around the view block at (col, row) ready for the view, a little at each position: the packed
// layers of the 4 x 4 tiles around it are unpacked on the store's own thread, and at most one layer's pixels are
// moved here (a layer brought into use ahead of the view, or one taken out of use to keep room for them).
void PrepareMapTilesAround(int col, int row);

// ---------------------------------------------------------------------------------------------------------------
// Tile store and geometry
// ---------------------------------------------------------------------------------------------------------------
void WorldToMapPixels(int *px1, int *py1, int *px2, int *py2, double x1, double y1, double x2, double y2);
void MapPixelToTileOffset(int px, int py, int col, int row, int *pnOffX, int *pnOffY);
int CompareTileIndex(int a, int b);
// Makes the tile's layers if missing and selects one into the memory context as a bitmap to draw on: layer 0
// base, else survey. Returns 0 (nothing selected) for a tile outside the usable range nTileIndexMin..nTileIndexMax
// that does not exist. The bitmap stays the tile's until the next call of the tile store: select again before
// drawing after another tile was selected.
int SelectMapTileBitmap(HDC hdcMem, int col, int row, int nLayer);
// Deletes every tile bitmap and collapses the used range to the view-origin tile.
void FreeMapTiles();
// 0: grid redrawn, survey kept; 1: survey cleared; 2: both.
void CreateMapTiles(int nMode);
void DrawTileGrid(HDC hdc, int col, int row);
void ComputeMapDirection();
void BlitMapView(int col, int row, int offX, int offY);
void ClearMapWindow(HWND hwnd);

// View set-up at logging start: view edges, position limit 28800, pixels per unit, speed scale, set-back sign.
void InitMapView();

// ---------------------------------------------------------------------------------------------------------------
// Plot primitives
// ---------------------------------------------------------------------------------------------------------------
void DrawDot(HDC hdc, int x, int y, int r, HPEN pen, HBRUSH brush);
// Kinds 0..2 circle, 3..5 square, 6..8 filled triangle of half size h; other kinds nothing.
void DrawSymbol(HDC hdc, int x, int y, int h, HPEN pen, HBRUSH brush, int nKind);
// Background dot of radius nBackgroundDotRadius in the base layer, repeated in the edge neighbours.
void PlotDotOnTiles(HDC hdc, int col, int row, int x, int y, HPEN pen, HBRUSH brush);
// Background symbol of the kind with an optional label (at most 7 characters) in the base layer, repeated in every
// neighbour (edge or diagonal) the symbol or the label reaches into.
void PlotLabelOnTile(HDC hdc, int col, int row, int x, int y, HPEN pen, HBRUSH brush, int nLabelLength,
                     const char *szLabel, int nKind);
// Preview marker of the map display options, styles -2..5, drawn straight into a window's context.
void DrawPointMarker(HDC hdc, int x, int y, int x2, int y2, int nStyle, HPEN pen, HPEN pen2, HBRUSH brush,
                     COLORREF clr);
void DrawPolylineSegment(HDC hdc, int x1, int y1, int x2, int y2, HPEN pen);
void PlotDotOnTilesFilled(HDC hdc, int col, int row, int x, int y, HPEN pen, HBRUSH brush);
void DrawSegmentAcrossTiles(HDC hdc, int col1, int row1, int col2, int row2, int x1, int y1, int x2, int y2, int dx,
                            int dy, HPEN pen);
// A segment between two map pixels, split over the tiles it crosses (any distance).
void DrawMapPixelSegment(HDC hdc, int px1, int py1, int px2, int py2, HPEN pen);
void PlotTrackPoint(HDC hdc, int px1, int py1, int px2, int py2);
void PlotMidpointDot(HDC hdc, int px1, int py1, int px2, int py2, HPEN pen, HBRUSH brush);
void PlotTrackSegment(HDC hdc, int px1, int py1, int px2, int py2);
void PlotTrackSegmentStyled(HDC hdc, int px1, int py1, int px2, int py2, HPEN pen);
// Colour swath between the old footprint (ol, or) and the new one (nl, nr), from the cells rgColorGrid
// [nSwathPlotRow][0 .. nSwathPlotLastCell]; nothing unless bSwathHasCells is 1.
void PlotColourSwath(HDC hdc, int nlx, int nly, int nrx, int nry, int olx, int oly, int orx, int ory);
void PlotColourSwathTable(HDC hdc, int nlx, int nly, int nrx, int nry, int olx, int oly, int orx, int ory);
// The one routine that spreads a row of nCells cells over a segment (both painters and the rebuild use it);
// bTwoSensors splits each cell into two six-bit colours. Draws nothing for no cells or a segment of no length.
void SpreadSwathCells(HDC hdc, const int *pnCells, int nCells, int bTwoSensors, int nlx, int nly, int nrx, int nry,
                      int olx, int oly, int orx, int ory);
// EM34-3 station mode: the footprint mark of one coil separation (0 10 m blue, 1 20 m red, 2 40 m dark green):
// a bar with the 1- or 2-pixel pen for styles 4 and 5, a dot at its middle otherwise.
void PlotSeparationMark(HDC hdc, int nSeparation, const int anEdge[4]);
void DrawCrossHair(HDC hdc, int x, int y);
void ShowPleaseWait();
void ShowWaitingForGps();

// Segments of the survey: the longest move between two fixes that is drawn as one segment (map units, from the
// longest walk between two fixes, the swath edges and the set-back); 1 when a move of (dx, dy) map units is longer;
// 1 when a footprint (left x, y, right x, y in map units) is wider than that or either end moved farther from the
// previous footprint (pdOld, may be nullptr). The live map and the rebuild break the track and the swath there.
double MapSegmentLimit();
int MapMoveBreaks(double dx, double dy);
int MapFootprintBreaks(const double *pdOld, const double *pdNew);

// ---------------------------------------------------------------------------------------------------------------
// Replot from the data file
// ---------------------------------------------------------------------------------------------------------------
// EM61-MK2: rebuilds the survey layer from the open data file (track or colour swath by nColorMapView); leaves
// the file positioned at its end. The caller prepares the tiles and shows the view afterwards.
void ReplotMapEm61Mk2();
// EM31-MK2 (and EM34-3 outside the manual mode), EM38, EM38-MK2: the same from their stored readings; the colour
// of a rebuilt reading is the colour its live handler gave it.
void ReplotMapEm31();
void ReplotMapEm38();
void ReplotMapEm38Mk2();
// EM34-3 in the manual mode: the station marks, one per coil separation, on the track only.
void ReplotMapEm34();
// EM61-LX2: the same with the filter-factor records; two coils give cells of two six-bit colours (coil 2 x 64 +
// coil 1), each painted over its half of the swath.
void ReplotMapEm61Lx2();
// EM38-4 and CS-21: the same with the array readings and a copy of the coefficients in force, updated from the
// file's coefficient records; the coefficients in force never change.
void ReplayEm384DataFile();
// Grad601: one sensor's classes, or both sensors' in each cell.
void ReplayDataFileGrad();

// Map size and scale kept at the start of a run, restored when a map review ends.
extern int nMapSizeSaved;
extern double dSavedMapPixelsPerUnit;
