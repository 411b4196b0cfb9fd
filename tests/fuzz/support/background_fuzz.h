// Shared start of the background-file fuzz targets: the platform, the UTM constants and a map of 200-pixel tiles,
// 2 pixels a metre, around (500000, 5000000).
#pragma once

#include <string>

#include "core/utm.h"
#include "map/map.h"
#include "map/map_state.h"
#include "support/fuzz_support.h"

// Returns the drive-mapped path of the file the target writes its input to, C:\data\<szFile>.
inline std::string StartBackgroundFuzz(const char *szTarget, const char *szFile)
{
    std::string root = StartFuzzPlatform(szTarget);
    InitUtmConstants();
    nTileWidth = nTileHeight = 200;
    nTileMaxX = nTileMaxY = 199;
    dMapPixelsPerUnit = 2.0;
    dMapOriginX = 500000.0;
    dMapOriginY = 5000000.0;
    return root + "/C/data/" + szFile;
}
