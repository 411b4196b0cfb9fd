// Colour legend and speed bar.
#pragma once

#include "platform/platform.h"

// Draws the colour legend of reading scale 1 (and for EM31-MK2, EM38-MK2 and EM38-4 a second one of reading
// scale 2) into a legend window of the given client size (296 pixels high on the logging screen).
void DrawColorLegend(HDC hdc, int nWidth, int nHeight);
// WM_PAINT of ColorBarWnd: the legend inside a begin/end-paint pair; returns 0.
LRESULT ColorBarWndOnPaint(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Speed bar: blue from the left, white over the last nEmptyWidth pixels (held to 0..nSpeedBarWidth).
void DrawSpeedBar(HDC hdc, int nEmptyWidth);
