// Map state of a logging start for the map tests, fuzz target and benchmarks: fresh view, freed tiles, no track.
#pragma once

#include "core/core.h"
#include "core/settings.h"
#include "map/map.h"
#include "map/map_state.h"

// The view and the track of a logging start, with the origin (and the extents) at the first fix; the map size,
// GPS flag and other settings are the caller's.
inline void ResetMapView(double dOriginX, double dOriginY)
{
    nMapEdgeState = 0;
    bMapViewPlaced = 0;
    nViewTileCol = nViewTileRow = 1000;
    FreeMapTiles();
    InitMapView();
    ComputeMapDirection();
    nMapTrackState = 0;
    nTrackPointCount = 0;
    dMapOriginX = dOriginX;
    dMapOriginY = dOriginY;
    dExtentMinX = dExtentMaxX = dOriginX;
    dExtentMinY = dExtentMaxY = dOriginY;
}

// The state of a logging start: map size 40 (10 pixels a metre), grid far apart, origin at the first fix and an
// empty swath.
inline void StartMapLogging(double dOriginX, double dOriginY)
{
    nMapSize = 40;
    dGridInterval = 1000.0;
    nGridMode = 0;
    nCursorBandPixels = 76;
    nCrossHairHalf = 6;
    bGpsActive = 1;
    nTileIndexMin = 3;
    nTileIndexMax = 1996;
    bRecentreMap = 0;
    ResetMapView(dOriginX, dOriginY);
    nSwathRow = 0;
    nSwathCellCount = 0;
    bSwathHasCells = 0;
}
