// Status panel of the logging screen: the boxes of every status text, their layout routines and their painting.
#pragma once

#include "platform/platform.h"

// ---------------------------------------------------------------------------------------------------------------
// Boxes measured once per arrangement (logging-screen client coordinates unless said). The reading and position
// handlers write into the live boxes between paints; the station value, total readings and total time are
// rcStatusStation, rcStatusCount and rcStatusTime, the marker rcStatusMarker, the GPS value boxes arcGpsBox.
// ---------------------------------------------------------------------------------------------------------------
extern RECT rcActiveComponent, rcCalibText, rcDipoleModeText, rcNavigationLabel, rcGradientLabel, rcTopValue1,
    rcTopValue2;
// EM61-LX2 target lamps: the left (or only), middle and right lamp boxes; their outlines, fill rectangles and the
// mode-letter boxes are declared with the logging screen.
extern RECT arcTargetLampBox[3];
// CS-21 value halves of the numbers window (numbers-window coordinates).
extern RECT rcDualEmCh1Values, rcDualEmCh2Values;
// Battery and current label boxes of the mode rows.
extern RECT rcBatteryLabel, rcCurrentLabel;
// Station group and GPS group labels and values (live set).
extern RECT rcLineNameLabel, rcLineNameValue, rcStationLabel, rcTotalStationsLabel, rcTotalTimeLabel,
    rcPositionsLabel, rcDopLabel, rcSatLabel, rcLatLabel, rcLonLabel, rcZoneLabel, rcSpeedLabel;
// Rows (top row first) and group lefts of the live GPS block; the paint frames the groups from them.
extern int anGpsRowY[5];
extern int anGpsColumnX[4];  // last column first
extern int anGpsGroupLeft[3];
// Whether the scale labels of the bar column are repeated over the profile window (the EM61-LX2 title row may
// leave them no room).
extern int bProfileScaleCopy;
// Tilt line (R, P, Y labels; the values are arcGpsBox' extras) and the EM61-MK2 tilt-meter row.
extern RECT rcSlamLabel, rcTiltRLabel, rcTiltPLabel, rcTiltYLabel;
extern RECT rcTiltMeterLabel, rcTiltRollLabel, rcTiltPitchLabel;

// Portrait with the map: the width of the column of the station and GPS groups beside the map buttons, at least
// nSideColumnWidth and as wide as the groups' rows measured in their fonts need (set by the arrangement).
extern int nStatusColumnWidth;
int MeasureStatusColumnWidth(HWND hwnd);
// The width a station (bGps 0) or GPS group's frame needs, measured in the panel fonts; and, with the map, the
// height from the profile window's bottom to the bottom of the status groups under it (stacked or side by side).
int MeasureStatusGroupWidth(HWND hwnd, int bGps);
int MeasureUnderProfile(HWND hwnd, int bStacked);
// Landscape: the height from the bar column's bottom to the numbers window that its scale label and the mode,
// voltage and current rows need (0 for the instruments without mode rows).
int MeasureModeRowsHeight(HWND hwnd);
// The width the tilt line of the pseudo GGA takes over the profile window (0 where it is not painted).
int MeasureTiltLineWidth(HWND hwnd);
// The width the title row over the map needs for the state line, the widest live map channel title of the
// instrument and the map size.
int MeasureTitleRowWidth(HWND hwnd);
// The height of the row under the speed bar that takes the tilt line when the title row has no room for it.
int MeasureTiltRowUnderMap(HWND hwnd);
// The least height the EM38-4's inversion panel needs in a place of the given width (its boxes packed).
int MeasureInversionPanelHeight(HWND hwnd, int nWidth);
// The two rounded frames the paint draws around the station and GPS groups of the live arrangement.
void StatusGroupFrames(RECT *prcFirst, RECT *prcSecond);

// Layout routines, run after each arrangement in this order (LayoutStatusPanel runs them all).
void LayoutStatusPanelRects(HWND hwnd);
void LayoutGpsPanelRows(HWND hwnd);
void LayoutGpsPanelRectsLarge(HWND hwnd);
void LayoutGpsPanelRectsSmall(HWND hwnd);
void LayoutTiltPanelRects(HWND hwnd);
void LayoutStatusPanel(HWND hwnd);
// The logging screen arranged for the screen (portrait or landscape), the map direction, then every status box.
void ArrangeAndLayOutLogScreen();

// Status line: kind 0 file name, 1 monitoring, 2 stand-by, 3 logging (any other kind draws nothing).
int DrawStatusLine(unsigned kind);
// Pause hint: 1 draws it, -1 erases it.
void DrawPauseHint(int state);
// Logging-state text for a state and survey mode ("" for a mode other than 0, 1, 2 or a closed screen).
const wchar_t *LoggingStateText(int nState, int nMode);
// The DOP label of the GPS format.
const wchar_t *DopLabelText();
