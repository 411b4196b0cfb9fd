// The setup dialogs of the main menu and the logging screen: one procedure per dialog, each with its templates.
#pragma once

#include "platform/platform.h"

// Each procedure ends with 1 after OK (every control stored, derived settings recomputed, the configuration file
// saved) and 0 after Cancel (every setting as it was at open).
INT_PTR SystemDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);            // SYSTEM*
INT_PTR SurveySetupDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);       // SURVEYSETUP*
INT_PTR ArrayGeometryDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);     // ARRAYGEOMETRY*
INT_PTR GpsInputDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);          // GPSINPUT, GPSINPUTNARROW
INT_PTR GpsMaskDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);           // GPSMASK
INT_PTR DisplayOptionsDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);    // DISPLAYOPTIONS31*
INT_PTR DisplaySetupDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);      // DISPLAYSETUP*
INT_PTR ReadingScaleDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);      // READINGSCALE*
INT_PTR SpeedScaleDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);        // SPEEDSCALE
INT_PTR MapScaleDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);          // MAPSCALE
INT_PTR AudioFunctionsDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);    // AUDIOFUNCTIONS
INT_PTR CoordinatesUnitsDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);  // COORDINATESUNITS
INT_PTR DriftReminderDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);     // DRIFTREMINDER
