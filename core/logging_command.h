// Logging command of the main menu: prepares a logging run, opens the ports, starts the readers, shows the screen.
#pragma once

#include "platform/platform.h"

// Run-time values of the survey settings that a logging run derives when it starts.
extern int nModeCode;             // nDipoleMode + 2 x nComponent (0..3)
extern char cDipoleMode;          // 'V' for nDipoleMode 0, else 'H'
extern int bManualSampleSeries;   // 1 only for the EM34-3 in survey mode 2 with readings per station
extern double dReadingRate;       // readings per second: 1 / dSampleInterval

// Longest wait for a reader of an earlier run to end before its port is opened again (milliseconds).
#define OLD_READER_WAIT_MS 3000

// Pixels per unit and grid lines of the reading scales for the curve heights of the present arrangement.
void DeriveGraphScales();

// "&Logging" (main-menu button 0, key L): monitoring state, logging-screen layout, port checks, ports, instrument
// mode, reader threads, timer 1, the logging screen shown and the GPS reader resumed last. Every failure shows its
// message, closes what the command opened and leaves the main menu shown. Returns 0.
LRESULT MainOnLoggingCommand(HWND hwnd);
