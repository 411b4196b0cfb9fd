// Map display options and the scale and option dialogs of the logging screen: control ids, template choice, preview.
#pragma once

#include "platform/platform.h"

// Control ids of the DISPLAYOPTIONS31 templates.
enum {
    IDC_MAPOPT_GRID = 1008,            // radio "Basic Grid" (1009 "Parallel Lines")
    IDC_MAPOPT_LINES = 1009,
    IDC_MAPOPT_INTERVAL = 1010,        // edit, grid or lines interval
    IDC_MAPOPT_INTERVAL_LABEL = 1011,  // "Grid Interval:" / "Lines Interval:"
    IDC_MAPOPT_ANGLE = 1012,           // edit, lines angle in degrees
    IDC_MAPOPT_INTERVAL_UNIT = 1013,   // "m", "feet", "USft"
    IDC_MAPOPT_MAP_SIZE = 1014,        // edit, map units across one tile
    IDC_MAPOPT_MAP_SIZE_UNIT = 1015,   // "metres", "feet", "US feet"
    IDC_MAPOPT_VIEW = 1016,            // combo, colour-map view
    IDC_MAPOPT_VIEW_TEXT = 1017,       // description of the colour-map view
    IDC_MAPOPT_SWATH_TEXT = 1019,      // description of the swath choice (Grad601)
    IDC_MAPOPT_CURSOR_COLOR = 1210,
    IDC_MAPOPT_POSITION_COLOR = 1211,
    IDC_MAPOPT_CURSOR_SIZE1 = 1214,    // radios 1214..1219: nPositionSize 0..5 (the cross-hair size)
    IDC_MAPOPT_PREVIEW = 1223,         // owner-drawn preview
    IDC_MAPOPT_MARK_STYLE1 = 1225,     // radios 1225..1230: nCursorSize 0..5 (the position-mark style)
    IDC_MAPOPT_SWATH = 1258,           // combo, swath
    IDC_MAPOPT_SWATH_UNIT = 1259,
    IDC_MAPOPT_UNITS = 1260,           // combo, map units
};

// Control ids of the scale and option dialogs.
enum {
    IDC_SCALE1_MIN = 1174,
    IDC_SCALE1_MAX = 1177,
    IDC_SCALE2_MIN = 1183,
    IDC_SCALE2_MAX = 1185,
    IDC_SPEED_CURRENT = 1191,  // read-only
    IDC_SPEED_NEW = 1192,
    IDC_SPEED_UNITS = 1193,
    IDC_MAPSCALE_SIZE = 1204,
    IDC_MAPSCALE_INTERVAL = 1205,
    IDC_MAPSCALE_SIZE_UNIT = 1206,
    IDC_MAPSCALE_INTERVAL_UNIT = 1207,
    IDC_MAPSCALE_INTERVAL_LABEL = 1018,
    IDC_MAPSCALE_BAND = 1245,
    IDC_AUDIO_TICKS = 1005,
    IDC_AUDIO_DISCONNECT = 1006,
    IDC_AUDIO_GPS_MASK = 1007,
    IDC_COORD_UNITS = 1004,
    IDC_DRIFT_TIME = 1245,
};

// Steps of a dialog that applies while open: fill at open, a control's command (TRUE when handled), OK (the
// dialog then ends with 1) and Cancel (every live value put back; the dialog ends with 0).
struct LiveDialogSteps {
    void (*pfnInit)(HWND hDlg);
    BOOL (*pfnCommand)(HWND hDlg, int nId);
    void (*pfnOk)(HWND hDlg);
    void (*pfnCancel)();
};
// WM_INITDIALOG and WM_COMMAND of such a dialog; FALSE for anything it leaves to the default handling.
INT_PTR LiveDialogMessage(HWND hDlg, UINT message, WPARAM wParam, const LiveDialogSteps &steps);

// Template of the map display options for the build's product line and the main window's client width.
const wchar_t *DisplayOptionsTemplateName();
// Template of the reading-scale dialog for the build's instrument.
const wchar_t *ReadingScaleTemplateName();

// 1 when the colour-map view shows an inphase component, whose colour classes follow scale 2.
int ColorViewUsesScale2(int nView);
// Map size from an edit box: the number truncated, held to 1 .. 1000000.
int ReadMapSizeBox(HWND hDlg, int nId);
// The map-size dialog's copies of the map scale, map size, grid interval and cursor band taken at open, put back
// (the logging screen puts them back when the survey does not fit the new size).
void RestoreMapScaleDialogCopies();

// Lines angle as OK stores it: above 90 up to 180 less 180, then -180 up to -90 plus 180, then beyond +-180 0.
double FoldLinesAngle(double dAngle);

// Paints the owner-drawn preview of the map display options: grid or parallel lines, the cross-hair and the
// position marks, as the dialog's settings stand.
void DrawMapPreview(HWND hDlg, const DRAWITEMSTRUCT *pItem);
// The common colour chooser for the cursor (which 0) or position (1) colour; the chosen colour, or the current one
// when the chooser is cancelled.
COLORREF ChoosePositionOrCursorColor(HWND hDlg, int nWhich);
