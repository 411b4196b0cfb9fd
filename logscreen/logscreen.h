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
