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

// Title of the mapped channel for an instrument type, channel (nColorMapView), review flag and, for the EM38, its
// component and dipole mode; "" where the channel has no title. A review title is the live one after "Review ".
const wchar_t *MapChannelTitleText(int nType, int nView, int bReview, int nComp, int nDipole);
// The mapped channel's title centred in the title line of the logging screen; written only while GPS is in use.
void DrawMapChannelTitle(HDC hdc);
