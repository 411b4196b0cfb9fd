// Map review on the logging screen: entering and leaving the review view, its buttons, and the end of a review
// when logging stops.
#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "logscreen/logscreen.h"
#include "map/map.h"
#include "map/map_view.h"
#include "map/pens.h"
#include "processing/dispatch.h"

namespace {

enum { BUTTON_ZOOM_IN = 4, BUTTON_ZOOM_OUT = 5, BUTTON_FIT = 6, BUTTON_ENTER_REVIEW = 7, BUTTON_EXIT_REVIEW = 8 };

int IsOpen(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }

void ShowEnabled(HWND h, int bOn)
{
    if (!h) return;
    EnableWindow(h, bOn ? TRUE : FALSE);
    ShowWindow(h, bOn ? SW_SHOW : SW_HIDE);
}

// The review buttons (zoom, fit, exit) in place of the second button row, or the other way round.
void ShowReviewButtons(int bReview)
{
    for (int i = 0; i < 4; i++) ShowEnabled(hwndLogButtonsAlt[i], !bReview);
    for (int i = BUTTON_ZOOM_IN; i <= BUTTON_FIT; i++) ShowEnabled(hwndMapViewButtons[i], bReview);
    ShowEnabled(hwndMapViewButtons[BUTTON_EXIT_REVIEW], bReview);
    HWND hEnter = hwndMapViewButtons[BUTTON_ENTER_REVIEW];
    if (hEnter) ShowWindow(hEnter, bReview ? SW_HIDE : SW_SHOW);
}

}  // namespace

int MapReviewAllowed()
{
    // The review shows the tiles the survey made, and no position is drawn while it lasts: only on the mapping
    // line, with the map shown and a data file open while logging is paused.
    return bMapReviewMode == 0 && bJixProduct == 0 && bGpsActive == 1 && IsOpen(hDataFile) && nRecordingState == -1;
}

void EnterMapReview()
{
    if (!MapReviewAllowed()) return;
    nBrowseTileCol = nViewTileCol;
    nBrowseTileRow = nViewTileRow;
    nBrowseTileOffsetX = nViewTileOffsetX;
    nBrowseTileOffsetY = nViewTileOffsetY;
    nMapSizeSaved = nMapSize;
    dSavedMapPixelsPerUnit = dMapPixelsPerUnit;
    nColorMapViewSaved = nColorMapView;
    bMapReviewMode = 1;
    DrawMapChannelTitleOnScreen();
    BlitMapView(nBrowseTileCol, nBrowseTileRow, nBrowseTileOffsetX, nBrowseTileOffsetY);
    ShowReviewButtons(1);
}

void RestoreMapReviewCopies()
{
    bMapReviewMode = 0;
    nMapSize = nMapSizeSaved > 0 ? nMapSizeSaved : 1;
    dMapPixelsPerUnit = dSavedMapPixelsPerUnit;
    nColorMapView = nColorMapViewSaved;
    ComputeColorStepForView();
}

void ExitMapReview()
{
    if (!bMapReviewMode) return;
    RestoreMapReviewCopies();
    ShowChannelCheckBoxes(1);
    if (hwndLog) {
        InvalidateRect(hwndLog, nullptr, TRUE);
        UpdateWindow(hwndLog);
    }
    DrawMapSizeText();
    ClearMapWindow(hwndMap);
    ShowPleaseWait();
    RebuildMapTiles(2);
    RedrawProfileForInstrument();
    ShowReviewButtons(0);
    // The live view is placed again around the cursor at the next position.
    bRecentreMap = 1;
}
