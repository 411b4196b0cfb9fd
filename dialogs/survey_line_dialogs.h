// Survey-line dialogs used while logging: New Survey Line, New Station and Enter Comment.
#pragma once

#include "dialogs/setup_frame.h"
#include "platform/platform.h"

// GETNEWLINE: proposes the next line (name + increment, direction and stations by the line sequence); OK stores the
// line settings, saves them and ends with 1; Cancel ends with 0 and changes nothing.
INT_PTR GetNewLineDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
// NEWSTATION: OK restarts the stations at the typed one and writes the station and time records; ends with 1
// (OK) or 0 (Cancel, nothing written).
INT_PTR NewStationDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
// COMMENT: OK writes the typed text as a comment record ('C', its first 11 characters); Cancel writes nothing.
INT_PTR CommentDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
