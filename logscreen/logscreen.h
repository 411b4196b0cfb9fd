// Logging screen and survey session: window, session state, arrangement globals.
#pragma once

#include "platform/platform.h"

// -2 logging screen closed, 0 monitoring, -1 stand-by (file open, not recording), 1 logging.
extern int nRecordingState;

// Curve-area heights set by the arrangement and read by the settings readers (pixels per unit).
extern int nCurveAreaHeight, nCurveAreaHeight2, nCurveAreaHeight3, nCurveAreaHeightB, nCurveWndWidth;

// Registers ScreenLogWnd and the display child classes: 0 success, 1 ScreenLogWnd failed, 2 a child class failed.
int RegisterScreenLogClasses(HINSTANCE inst);
LRESULT ScreenLogWndProc(HWND, UINT, WPARAM, LPARAM);
// Stops monitoring or logging; with forced 1 never asks. Returns 1 when stopped, 0 when the operator chose No.
int StopLogging(int forced);

// Display child windows of the logging screen (control ids 600 to 653).
extern HWND hwndCurve1, hwndCurve2, hwndCurve3, hwndDecay, hwndBarQ, hwndBarI, hwndNumbers, hwndSpeed, hwndMap,
    hwndColorBar;

// Screen buttons: shown while no data file is open, shown while one is, the map-channel buttons of the side
// panel and the further buttons of the screen.
extern HWND ahMonitorButton[4], ahRecordButton[4], ahSideButton[8], ahLogExtraButton[8];

// 1 while the instrument link is active (GPS records are written only then); 1 while the soft marker key is held.
extern int bInstrumentLinkUp, bSoftMarkerDown;
// The map takes positions only while this is 1; every logging-screen command clears it while it runs.
extern int bMapUpdatesOn;

// Status-panel boxes the handlers fill directly, and the side-panel geometry.
extern RECT rcSidePanel, rcSidePanelValues, rcTiltRollValue, rcTiltPitchValue;
extern int nTextMarginX;
// Speed bar size and scale (pixels per speed unit).
extern int nSpeedBarWidth, nSpeedBarHeight;
extern double dSpeedPixPerUnit;

// Paint the GPS status boxes or the tilt value boxes red (a lost GPS link, a lost tilt meter).
void FillGpsStatusFieldsRed();
void FillTiltAttitudeFieldsRed();
