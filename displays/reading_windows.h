// Reading windows: refresh after a scale or channel change, and whole channel polylines drawn into a window.
#pragma once

#include "platform/platform.h"

// Invalidates (erasing) and repaints the reading display windows: the decay window for the EM61 family and the
// Grad601, the Q and I bar windows otherwise.
void RefreshReadingWindows();

// Each array drawn as one polyline on the window's own context with the configured-width channel pens 0 to 3
// (0 to 2), all with the same point count.
void DrawFourChannelPolylines(HWND hwnd, const POINT *apt1, const POINT *apt2, const POINT *apt3, const POINT *apt4,
                              int nCount);
void DrawThreeChannelPolylines(HWND hwnd, const POINT *apt1, const POINT *apt2, const POINT *apt3, int nCount);
// Points first .. end - 1 of the array as one polyline in channel pen nChannel (a single point is doubled so that
// it still draws); at most 600 points.
void DrawChannelPolyline(HWND hwnd, const POINT *aptPoints, int nFirst, int nEnd, int nChannel);
