// Stand-in windows for the tests and benchmarks: a logging screen's parent window, its display settings, and the
// main window with its logging screen that the readers post to.
#pragma once

#include "core/core.h"
#include "core/settings.h"
#include "displays/grid.h"
#include "displays/scales.h"
#include "logscreen/logscreen.h"
#include "map/pens.h"
#include "platform/platform.h"
#include "resources/resources.h"

// Registers a white window class served by pfnProc and makes a shown top-level window of it, w x h; nullptr when
// the class is not registered.
inline HWND CreateStandInParent(WNDPROC pfnProc, const wchar_t *szClass, const wchar_t *szTitle, int nWidth,
                                int nHeight)
{
    WNDCLASS wc = {};
    wc.lpfnWndProc = pfnProc;
    wc.hInstance = hInst;
    wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    wc.lpszClassName = szClass;
    if (RegisterClass(&wc) == 0) return nullptr;
    HWND hwnd = CreateWindow(szClass, szTitle, WS_OVERLAPPED, 0, 0, nWidth, nHeight, nullptr, 0, hInst, nullptr);
    ShowWindow(hwnd, SW_SHOW);
    return hwnd;
}

// The fonts, the line height and the pens of the display windows.
inline void CreateDisplayFontsAndPens()
{
    hFontNormal = CreateFont(16, 0, 0, 0, 400, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, L"Microsoft Sans Serif");
    hFontBold = CreateFont(16, 0, 0, 0, 700, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, L"Microsoft Sans Serif");
    nLineHeight = 18;
    CreateFixedPensAndBrushes();
    CreateTrackPens(0);
    CreateChannelPens(0);
    CreateColorScalePens();
}

// The fixed pens and the track pens, and channel pens drawing one-pixel traces (exact pixels to check).
inline void CreateThinTracePens()
{
    CreateFixedPensAndBrushes();
    CreateTrackPens(0);
    for (int i = 0; i < 16; i++) anChannelPenWidth[i] = 1;
    CreateChannelPens(0);
}

// Profiles nWidth wide and nHeight high (the bar column nBarColumn wide, its bars nHeightB high) on a scale 1 of
// 0 to 2000, with their grid lines.
inline void SetProfileArea(int nWidth, int nHeight, int nHeightB, int nBarColumn)
{
    nCurveWndWidth = nWidth;
    nGraphBandWidth = nWidth;
    nCurveAreaHeight = nCurveAreaHeight2 = nHeight;
    nCurveAreaHeightB = nHeightB;
    nBarColumnWidth = nBarColumn;
    dScale1Min = 0.0;
    dScale1Max = 2000.0;
    dScale1PixPerUnit = nHeight / 2000.0;
    dScale1PixPerUnitB = nHeightB / 2000.0;
    int nSign = 0;
    ComputeGridLines(anGridLineY1, nHeight, 0.0, 2000.0, dScale1PixPerUnit, &nSign);
    ComputeGridLines(anGridLineY1B, nHeightB, 0.0, 2000.0, dScale1PixPerUnitB, &nScale1RangeSign);
    ComputeGridLinesMain(0);
}

// Starts the platform and registers the resources; then a class served by pfnProc, the stand-in main window
// (hwndMain, w x h) and the logging screen (hwndLog, its child 4 of the same size) of it.
inline void StartStandInLogScreen(WNDPROC pfnProc, const wchar_t *szClass, int nWidth, int nHeight)
{
    hInst = PlatformInit(0, nullptr);
    RegisterResources();
    WNDCLASS wc = {};
    wc.lpfnWndProc = pfnProc;
    wc.hInstance = hInst;
    wc.lpszClassName = szClass;
    RegisterClass(&wc);
    hwndMain = CreateWindow(szClass, L"Main", WS_OVERLAPPED, 0, 0, nWidth, nHeight, nullptr, 0, hInst, nullptr);
    hwndLog = CreateWindow(szClass, L"Log", WS_CHILD, 0, 0, nWidth, nHeight, hwndMain, 4, hInst, nullptr);
}
