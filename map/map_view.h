// Map view commands: pan, zoom, fit and redraw of the map window, the review view, the map size text and the
// redraw-request mask the option dialogs leave for the logging screen.
#pragma once

#include "platform/platform.h"

// Review view: a second view-origin tile and in-tile offset, copied from the live view when a review starts and
// moved by the view commands while bMapReviewMode is 1, so that the live view is left alone.
extern int nBrowseTileCol, nBrowseTileRow, nBrowseTileOffsetX, nBrowseTileOffsetY;
// Share of the map size one zoom step takes away or adds (0.05).
extern double dZoomFactor;
// Colour map view kept when a review starts; the review may show another channel.
extern int nColorMapViewSaved;

// Command codes of MapViewCommand.
enum MapViewCode {
    MAPVIEW_PAN_LEFT = 113,
    MAPVIEW_PAN_RIGHT = 114,
    MAPVIEW_PAN_UP = 115,
    MAPVIEW_PAN_DOWN = 116,
    MAPVIEW_ZOOM_IN = 117,
    MAPVIEW_ZOOM_OUT = 118,
    MAPVIEW_FIT = 119,
    MAPVIEW_REDRAW_FIRST = 122,
    MAPVIEW_REDRAW_LAST = 125,
};

// One view command: 113..116 pan the review view (in review) or the live view by one step, 117 and 118 zoom and
// 119 fits the whole survey (review only; the map is rebuilt from the data file and the review view shown),
// 122..125 redraw titles, labels and the survey layer at the current size. Other codes do nothing.
void MapViewCommand(int nCode);

// Pan step in pixels: trunc((0.05 + 1) x nCursorBandPixels x 0.1 - 0.5), never below 0.
int MapPanStep();
// Map size after one zoom step in (bIn 1) or out from nSize: at least one unit of change, within 1..1000000.
int ZoomedMapSize(int nSize, int bIn);
// Map size that shows a survey of the given span (map units) with the cursor band nBand's margin.
int FittedMapSize(double dSpan, int nBand);
// 1 when every corner of the extents of everything plotted lies in the usable tile range at this scale.
int ExtentsFitUsableTiles(double dPixelsPerUnit);

// "Map Size:%5ld m" (ft, US-ft by nMapUnits) right-aligned in rcMapSizeText of the logging screen, on the button
// face, into the logging screen's context (the paint's or a fresh one); the box keeps its width.
void DrawMapSizeText(HDC hdcLog);
void DrawMapSizeText();
// Where the map size text starts on the logging screen (it is right-aligned in rcMapSizeText).
int MapSizeTextLeft(HDC hdcLog);
// The map channel title (its review form in review) into a fresh context of the logging screen.
void DrawMapChannelTitleOnScreen();

// Tiles made again in a mode of CreateMapTiles and what goes with it: mode 0 the grid (direction factors first),
// mode 1 the survey layer replotted from the data file, mode 2 both. The caller clears the map window first.
void RebuildMapTiles(int nTileMode);

// Redraw requests: an option dialog clears nRedrawFlags when it opens and adds one bit per changed setting; the
// logging screen then acts on them with ActOnRedrawFlags.
enum RedrawFlag {
    REDRAW_MARK_STYLE = 2,       // style of the position marks (nCursorSize)
    REDRAW_POSITION_COLOUR = 4,  // position colour
    REDRAW_COLOUR_VIEW = 8,      // colour view or reading scale
    REDRAW_GRID_MODE = 32,
    REDRAW_GRID_INTERVAL = 64,
    REDRAW_LINES_ANGLE = 128,
    REDRAW_MAP_SIZE = 256,
    REDRAW_MAP_UNITS = 512,  // no map action of its own
};
extern int nRedrawFlags;
// Rebuilds what the bits ask for: map size re-centres at the next position and rebuilds everything with the
// profile; otherwise the grid (32, 64, 128), the survey layer once (2 or 4 without a colour view, 8), then the
// profile. The map window is cleared and "Please Wait" shown before any rebuild.
void ActOnRedrawFlags(int nFlags);
