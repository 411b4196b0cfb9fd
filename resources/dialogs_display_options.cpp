// Dialog templates of the map display options (DISPLAYOPTIONS31*) and the scale and option dialogs.
#include "dialogs/display_options_dialog.h"
#include "resources/resources.h"

namespace {

const DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
const DWORD kEdit = WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;
const DWORD kReadOnly = WS_BORDER | ES_AUTOHSCROLL | ES_READONLY;
const DWORD kList = WS_TABSTOP | WS_VSCROLL;
const DWORD kTab = WS_TABSTOP;

// Map display options. Left: the two size rows, the grid or lines, map size, units and swath, the colour-map view;
// right: the colour buttons, the preview, the swath note and the buttons; the view description across the bottom
// (its longest texts need the whole width).
// The colour-map view list and its description come last, so that the logging-line templates are the same rows
// without them.
const DialogControl kDisplayOptions[] = {
    {-1, DC_GROUPBOX, L"Cursor Size", 4, 2, 134, 21, 0},
    {IDC_MAPOPT_CURSOR_SIZE1 + 0, DC_RADIOBUTTON, L"1", 8, 11, 20, 10, kTab},
    {IDC_MAPOPT_CURSOR_SIZE1 + 1, DC_RADIOBUTTON, L"2", 29, 11, 20, 10, 0},
    {IDC_MAPOPT_CURSOR_SIZE1 + 2, DC_RADIOBUTTON, L"3", 50, 11, 20, 10, 0},
    {IDC_MAPOPT_CURSOR_SIZE1 + 3, DC_RADIOBUTTON, L"4", 71, 11, 20, 10, 0},
    {IDC_MAPOPT_CURSOR_SIZE1 + 4, DC_RADIOBUTTON, L"5", 92, 11, 20, 10, 0},
    {IDC_MAPOPT_CURSOR_SIZE1 + 5, DC_RADIOBUTTON, L"6", 113, 11, 20, 10, 0},
    {-1, DC_GROUPBOX, L"Position Size", 4, 24, 134, 21, 0},
    {IDC_MAPOPT_MARK_STYLE1 + 0, DC_RADIOBUTTON, L"1", 8, 33, 20, 10, kTab},
    {IDC_MAPOPT_MARK_STYLE1 + 1, DC_RADIOBUTTON, L"2", 29, 33, 20, 10, 0},
    {IDC_MAPOPT_MARK_STYLE1 + 2, DC_RADIOBUTTON, L"3", 50, 33, 20, 10, 0},
    {IDC_MAPOPT_MARK_STYLE1 + 3, DC_RADIOBUTTON, L"4", 71, 33, 20, 10, 0},
    {IDC_MAPOPT_MARK_STYLE1 + 4, DC_RADIOBUTTON, L"5", 92, 33, 20, 10, 0},
    {IDC_MAPOPT_MARK_STYLE1 + 5, DC_RADIOBUTTON, L"6", 113, 33, 20, 10, 0},
    {-1, DC_GROUPBOX, L"Grid", 4, 46, 134, 45, 0},
    {IDC_MAPOPT_GRID, DC_RADIOBUTTON, L"Basic Grid", 8, 55, 58, 10, kTab},
    {IDC_MAPOPT_LINES, DC_RADIOBUTTON, L"Parallel Lines", 68, 55, 66, 10, 0},
    {IDC_MAPOPT_INTERVAL_LABEL, DC_LTEXT, L"Grid Interval:", 8, 68, 56, 9, 0},
    {IDC_MAPOPT_INTERVAL, DC_EDITTEXT, L"", 66, 66, 40, 11, kEdit},
    {IDC_MAPOPT_INTERVAL_UNIT, DC_LTEXT, L"m", 108, 68, 28, 9, 0},
    {-1, DC_LTEXT, L"Lines Angle:", 8, 80, 56, 9, 0},
    {IDC_MAPOPT_ANGLE, DC_EDITTEXT, L"", 66, 78, 40, 11, kEdit},
    {-1, DC_LTEXT, L"deg", 108, 80, 28, 9, 0},
    {-1, DC_LTEXT, L"Map Size:", 4, 96, 44, 9, 0},
    {IDC_MAPOPT_MAP_SIZE, DC_EDITTEXT, L"", 50, 94, 40, 11, kEdit},
    {IDC_MAPOPT_MAP_SIZE_UNIT, DC_LTEXT, L"metres", 92, 96, 46, 9, 0},
    {-1, DC_LTEXT, L"Map Units:", 4, 109, 44, 9, 0},
    {IDC_MAPOPT_UNITS, DC_COMBOBOX, L"", 50, 107, 88, 60, kList},
    {-1, DC_LTEXT, L"Map Swath:", 4, 122, 44, 9, 0},
    {IDC_MAPOPT_SWATH, DC_COMBOBOX, L"", 50, 120, 40, 80, kList},
    {IDC_MAPOPT_SWATH_UNIT, DC_LTEXT, L"metres", 92, 122, 46, 9, 0},
    {IDC_MAPOPT_CURSOR_COLOR, DC_PUSHBUTTON, L"C&ursor Color", 142, 3, 60, 13, kTab},
    {IDC_MAPOPT_POSITION_COLOR, DC_PUSHBUTTON, L"&Position Color", 142, 18, 60, 13, kTab},
    {IDC_MAPOPT_PREVIEW, DC_OWNERDRAW, L"", 142, 34, 60, 50, 0},
    {IDC_MAPOPT_SWATH_TEXT, DC_LTEXT, L"", 142, 86, 60, 45, 0},
    {IDOK, DC_DEFPUSHBUTTON, L"OK", 142, 133, 28, 14, kTab},
    {IDCANCEL, DC_PUSHBUTTON, L"Cancel", 172, 133, 30, 14, kTab},
    {IDC_MAPOPT_VIEW, DC_COMBOBOX, L"", 4, 135, 134, 100, kList},
    {IDC_MAPOPT_VIEW_TEXT, DC_LTEXT, L"", 4, 149, 198, 30, 0},
};

// The narrow screen's variant: the same rows, closer radio buttons and a narrower preview column.
const DialogControl kDisplayOptionsNarrow[] = {
    {-1, DC_GROUPBOX, L"Cursor Size", 4, 2, 122, 21, 0},
    {IDC_MAPOPT_CURSOR_SIZE1 + 0, DC_RADIOBUTTON, L"1", 7, 11, 19, 10, kTab},
    {IDC_MAPOPT_CURSOR_SIZE1 + 1, DC_RADIOBUTTON, L"2", 26, 11, 19, 10, 0},
    {IDC_MAPOPT_CURSOR_SIZE1 + 2, DC_RADIOBUTTON, L"3", 45, 11, 19, 10, 0},
    {IDC_MAPOPT_CURSOR_SIZE1 + 3, DC_RADIOBUTTON, L"4", 64, 11, 19, 10, 0},
    {IDC_MAPOPT_CURSOR_SIZE1 + 4, DC_RADIOBUTTON, L"5", 83, 11, 19, 10, 0},
    {IDC_MAPOPT_CURSOR_SIZE1 + 5, DC_RADIOBUTTON, L"6", 102, 11, 19, 10, 0},
    {-1, DC_GROUPBOX, L"Position Size", 4, 24, 122, 21, 0},
    {IDC_MAPOPT_MARK_STYLE1 + 0, DC_RADIOBUTTON, L"1", 7, 33, 19, 10, kTab},
    {IDC_MAPOPT_MARK_STYLE1 + 1, DC_RADIOBUTTON, L"2", 26, 33, 19, 10, 0},
    {IDC_MAPOPT_MARK_STYLE1 + 2, DC_RADIOBUTTON, L"3", 45, 33, 19, 10, 0},
    {IDC_MAPOPT_MARK_STYLE1 + 3, DC_RADIOBUTTON, L"4", 64, 33, 19, 10, 0},
    {IDC_MAPOPT_MARK_STYLE1 + 4, DC_RADIOBUTTON, L"5", 83, 33, 19, 10, 0},
    {IDC_MAPOPT_MARK_STYLE1 + 5, DC_RADIOBUTTON, L"6", 102, 33, 19, 10, 0},
    {-1, DC_GROUPBOX, L"Grid", 4, 46, 122, 45, 0},
    {IDC_MAPOPT_GRID, DC_RADIOBUTTON, L"Basic Grid", 7, 55, 52, 10, kTab},
    {IDC_MAPOPT_LINES, DC_RADIOBUTTON, L"Parallel Lines", 60, 55, 64, 10, 0},
    {IDC_MAPOPT_INTERVAL_LABEL, DC_LTEXT, L"Grid Interval:", 7, 68, 52, 9, 0},
    {IDC_MAPOPT_INTERVAL, DC_EDITTEXT, L"", 60, 66, 36, 11, kEdit},
    {IDC_MAPOPT_INTERVAL_UNIT, DC_LTEXT, L"m", 98, 68, 26, 9, 0},
    {-1, DC_LTEXT, L"Lines Angle:", 7, 80, 52, 9, 0},
    {IDC_MAPOPT_ANGLE, DC_EDITTEXT, L"", 60, 78, 36, 11, kEdit},
    {-1, DC_LTEXT, L"deg", 98, 80, 26, 9, 0},
    {-1, DC_LTEXT, L"Map Size:", 4, 96, 42, 9, 0},
    {IDC_MAPOPT_MAP_SIZE, DC_EDITTEXT, L"", 48, 94, 36, 11, kEdit},
    {IDC_MAPOPT_MAP_SIZE_UNIT, DC_LTEXT, L"metres", 86, 96, 40, 9, 0},
    {-1, DC_LTEXT, L"Map Units:", 4, 109, 42, 9, 0},
    {IDC_MAPOPT_UNITS, DC_COMBOBOX, L"", 48, 107, 78, 60, kList},
    {-1, DC_LTEXT, L"Map Swath:", 4, 122, 42, 9, 0},
    {IDC_MAPOPT_SWATH, DC_COMBOBOX, L"", 48, 120, 36, 80, kList},
    {IDC_MAPOPT_SWATH_UNIT, DC_LTEXT, L"metres", 86, 122, 40, 9, 0},
    {IDC_MAPOPT_CURSOR_COLOR, DC_PUSHBUTTON, L"C&ursor Color", 130, 3, 60, 13, kTab},
    {IDC_MAPOPT_POSITION_COLOR, DC_PUSHBUTTON, L"&Position Color", 130, 18, 60, 13, kTab},
    {IDC_MAPOPT_PREVIEW, DC_OWNERDRAW, L"", 130, 34, 60, 50, 0},
    {IDC_MAPOPT_SWATH_TEXT, DC_LTEXT, L"", 130, 86, 60, 45, 0},
    {IDOK, DC_DEFPUSHBUTTON, L"OK", 130, 133, 28, 14, kTab},
    {IDCANCEL, DC_PUSHBUTTON, L"Cancel", 160, 133, 30, 14, kTab},
    {IDC_MAPOPT_VIEW, DC_COMBOBOX, L"", 4, 135, 122, 100, kList},
    {IDC_MAPOPT_VIEW_TEXT, DC_LTEXT, L"", 4, 149, 186, 30, 0},
};

const int kDisplayOptionsCount = sizeof kDisplayOptions / sizeof kDisplayOptions[0];
const int kDisplayOptionsNarrowCount = sizeof kDisplayOptionsNarrow / sizeof kDisplayOptionsNarrow[0];

// Reading scales: one scale (READINGSCALE, READINGSCALE34) or conductivity and inphase (READINGSCALE31).
const DialogControl kReadingScale[] = {
    {-1, DC_GROUPBOX, L"Readings Scale", 4, 2, 132, 44, 0},
    {-1, DC_LTEXT, L"Minimum:", 10, 14, 50, 9, 0},
    {IDC_SCALE1_MIN, DC_EDITTEXT, L"", 62, 12, 66, 12, kEdit},
    {-1, DC_LTEXT, L"Maximum:", 10, 30, 50, 9, 0},
    {IDC_SCALE1_MAX, DC_EDITTEXT, L"", 62, 28, 66, 12, kEdit},
    {IDOK, DC_DEFPUSHBUTTON, L"OK", 14, 52, 50, 16, kTab},
    {IDCANCEL, DC_PUSHBUTTON, L"Cancel", 76, 52, 50, 16, kTab},
};
const DialogControl kReadingScale34[] = {
    {-1, DC_GROUPBOX, L"Conductivity [mS/m]", 4, 2, 132, 44, 0},
    {-1, DC_LTEXT, L"Minimum:", 10, 14, 50, 9, 0},
    {IDC_SCALE1_MIN, DC_EDITTEXT, L"", 62, 12, 66, 12, kEdit},
    {-1, DC_LTEXT, L"Maximum:", 10, 30, 50, 9, 0},
    {IDC_SCALE1_MAX, DC_EDITTEXT, L"", 62, 28, 66, 12, kEdit},
    {IDOK, DC_DEFPUSHBUTTON, L"OK", 14, 52, 50, 16, kTab},
    {IDCANCEL, DC_PUSHBUTTON, L"Cancel", 76, 52, 50, 16, kTab},
};
const DialogControl kReadingScale31[] = {
    {-1, DC_GROUPBOX, L"Conductivity [mS/m]", 4, 2, 132, 44, 0},
    {-1, DC_LTEXT, L"Minimum:", 10, 14, 50, 9, 0},
    {IDC_SCALE1_MIN, DC_EDITTEXT, L"", 62, 12, 66, 12, kEdit},
    {-1, DC_LTEXT, L"Maximum:", 10, 30, 50, 9, 0},
    {IDC_SCALE1_MAX, DC_EDITTEXT, L"", 62, 28, 66, 12, kEdit},
    {-1, DC_GROUPBOX, L"Inphase [ppt]", 4, 48, 132, 44, 0},
    {-1, DC_LTEXT, L"Minimum:", 10, 60, 50, 9, 0},
    {IDC_SCALE2_MIN, DC_EDITTEXT, L"", 62, 58, 66, 12, kEdit},
    {-1, DC_LTEXT, L"Maximum:", 10, 76, 50, 9, 0},
    {IDC_SCALE2_MAX, DC_EDITTEXT, L"", 62, 74, 66, 12, kEdit},
    {IDOK, DC_DEFPUSHBUTTON, L"OK", 14, 98, 50, 16, kTab},
    {IDCANCEL, DC_PUSHBUTTON, L"Cancel", 76, 98, 50, 16, kTab},
};

const DialogControl kSpeedScale[] = {
    {-1, DC_LTEXT, L"Current Speed Bar Scale:", 6, 8, 98, 9, 0},
    {IDC_SPEED_CURRENT, DC_EDITTEXT, L"", 106, 6, 44, 12, kReadOnly},
    {-1, DC_LTEXT, L"New Speed Bar Scale:", 6, 26, 98, 9, 0},
    {IDC_SPEED_NEW, DC_EDITTEXT, L"", 106, 24, 44, 12, kEdit},
    {IDC_SPEED_UNITS, DC_COMBOBOX, L"", 152, 24, 40, 60, kList},
    {IDOK, DC_DEFPUSHBUTTON, L"OK", 40, 46, 50, 16, kTab},
    {IDCANCEL, DC_PUSHBUTTON, L"Cancel", 106, 46, 50, 16, kTab},
};

const DialogControl kMapScale[] = {
    {-1, DC_LTEXT, L"Map Size:", 6, 8, 84, 9, 0},
    {IDC_MAPSCALE_SIZE, DC_EDITTEXT, L"", 92, 6, 44, 12, kEdit},
    {IDC_MAPSCALE_SIZE_UNIT, DC_LTEXT, L"meters", 140, 8, 44, 9, 0},
    {IDC_MAPSCALE_INTERVAL_LABEL, DC_LTEXT, L"Grid Lines Interval:", 6, 26, 84, 9, 0},
    {IDC_MAPSCALE_INTERVAL, DC_EDITTEXT, L"", 92, 24, 44, 12, kEdit},
    {IDC_MAPSCALE_INTERVAL_UNIT, DC_LTEXT, L"meters", 140, 26, 44, 9, 0},
    {-1, DC_LTEXT, L"Cursor Band:", 6, 44, 84, 9, 0},
    {IDC_MAPSCALE_BAND, DC_COMBOBOX, L"", 92, 42, 44, 80, kList},
    {-1, DC_LTEXT, L"% of Size", 140, 44, 44, 9, 0},
    {IDOK, DC_DEFPUSHBUTTON, L"OK", 34, 62, 50, 16, kTab},
    {IDCANCEL, DC_PUSHBUTTON, L"Cancel", 104, 62, 50, 16, kTab},
};

const DialogControl kAudioFunctions[] = {
    {IDC_AUDIO_TICKS, DC_CHECKBOX, L"Audio Tiks During Data Collection", 8, 6, 170, 11, kTab},
    {IDC_AUDIO_DISCONNECT, DC_CHECKBOX, L"Sound Alarm for any Disconnection", 8, 20, 170, 11, kTab},
    {IDC_AUDIO_GPS_MASK, DC_CHECKBOX, L"Enable Audio Warning for GPS Mask", 8, 34, 170, 11, kTab},
    {IDOK, DC_DEFPUSHBUTTON, L"OK", 34, 52, 50, 16, kTab},
    {IDCANCEL, DC_PUSHBUTTON, L"Cancel", 102, 52, 50, 16, kTab},
};

const DialogControl kCoordinatesUnits[] = {
    {-1, DC_LTEXT, L"Coordinates Units:", 6, 10, 76, 9, 0},
    {IDC_COORD_UNITS, DC_COMBOBOX, L"", 84, 8, 84, 60, kList},
    {IDOK, DC_DEFPUSHBUTTON, L"OK", 22, 30, 50, 16, kTab},
    {IDCANCEL, DC_PUSHBUTTON, L"Cancel", 100, 30, 50, 16, kTab},
};

const DialogControl kDriftReminder[] = {
    {-1, DC_LTEXT, L"Select Drift Reminder Time:", 6, 10, 110, 9, 0},
    {IDC_DRIFT_TIME, DC_COMBOBOX, L"", 118, 8, 56, 80, kList},
    {IDOK, DC_DEFPUSHBUTTON, L"OK", 30, 30, 50, 16, kTab},
    {IDCANCEL, DC_PUSHBUTTON, L"Cancel", 100, 30, 50, 16, kTab},
};

#define CONTROLS(a) a, (int)(sizeof a / sizeof a[0])
const wchar_t kFace[] = L"Microsoft Sans Serif";

const DialogTemplate kTemplates[] = {
    {L"DISPLAYOPTIONS31", L"Map Display Options", 206, 181, 16, kFace, kStyle, kDisplayOptions,
     kDisplayOptionsCount},
    {L"DISPLAYOPTIONS31NARROW", L"Map Display Options", 194, 181, 16, kFace, kStyle, kDisplayOptionsNarrow,
     kDisplayOptionsNarrowCount},
    {L"DISPLAYOPTIONS31FLD", L"Map Display Options", 206, 181, 16, kFace, kStyle, kDisplayOptions,
     kDisplayOptionsCount - 2},
    {L"DISPLAYOPTIONS31FLDNARROW", L"Map Display Options", 194, 181, 16, kFace, kStyle, kDisplayOptionsNarrow,
     kDisplayOptionsNarrowCount - 2},
    {L"READINGSCALE", L"Readings Scale", 140, 72, 16, kFace, kStyle, CONTROLS(kReadingScale)},
    {L"READINGSCALE31", L"Conductivity/Inphase Readings Scales", 140, 118, 16, kFace, kStyle,
     CONTROLS(kReadingScale31)},
    {L"READINGSCALE34", L"Readings Scale", 140, 72, 16, kFace, kStyle, CONTROLS(kReadingScale34)},
    {L"SPEEDSCALE", L"Set New Speed Bar Scale", 196, 66, 16, kFace, kStyle, CONTROLS(kSpeedScale)},
    {L"MAPSCALE", L"Map Size", 188, 82, 16, kFace, kStyle, CONTROLS(kMapScale)},
    {L"AUDIOFUNCTIONS", L"Audio Options", 186, 72, 16, kFace, kStyle, CONTROLS(kAudioFunctions)},
    {L"COORDINATESUNITS", L"Set Coordinates Display Units", 172, 50, 16, kFace, kStyle, CONTROLS(kCoordinatesUnits)},
    {L"DRIFTREMINDER", L"Update Drift Control Reminder Time", 180, 50, 16, kFace, kStyle, CONTROLS(kDriftReminder)},
};

}  // namespace

void RegisterDisplayOptionsDialogTemplates()
{
    RegisterDialogTemplates(kTemplates, (int)(sizeof kTemplates / sizeof kTemplates[0]));
}
