// Display child windows of the logging screen: class registration, window procedures and the common repaint.
#pragma once

#include "platform/platform.h"

// Each registers its class (0 success, 1 failure). The logging screen's registrar calls them in this order:
// DecayWnd, BarQWnd, BarIWnd, CurveWnd, NumbersWnd, SpeedWnd, MapWnd (map/map.h), ColorBarWnd.
int RegisterDecayWnd(HINSTANCE inst);
int RegisterBarQWnd(HINSTANCE inst);
int RegisterBarIWnd(HINSTANCE inst);
int RegisterCurveWnd(HINSTANCE inst);
int RegisterNumbersWnd(HINSTANCE inst);
int RegisterSpeedWnd(HINSTANCE inst);
int RegisterColorBarWnd(HINSTANCE inst);

LRESULT CurveWndProc(HWND, UINT, WPARAM, LPARAM);
LRESULT DecayWndProc(HWND, UINT, WPARAM, LPARAM);
LRESULT BarQWndProc(HWND, UINT, WPARAM, LPARAM);
LRESULT BarIWndProc(HWND, UINT, WPARAM, LPARAM);
LRESULT NumbersWndProc(HWND, UINT, WPARAM, LPARAM);
LRESULT SpeedWndProc(HWND, UINT, WPARAM, LPARAM);
LRESULT ColorBarWndProc(HWND, UINT, WPARAM, LPARAM);

// WM_CREATE of the curve, decay and bar windows: nothing to do; returns 0.
LRESULT ChildWndOnCreate(HWND, UINT, WPARAM, LPARAM);
// WM_CREATE of the colour legend: updates the new window; returns 0.
LRESULT ColorBarWndOnCreate(HWND, UINT, WPARAM, LPARAM);
// WM_PAINT of every display child but the map and the legend: repaints the static parts of all of them (scale
// lines, stored bars, channel labels, the empty speed bar), each inside its own paint pair; returns 0.
LRESULT ChildWndsOnPaint(HWND, UINT, WPARAM, LPARAM);
