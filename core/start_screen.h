// Start screen: the main window's painted page (frame, title, version, settings summary, geometry diagram) and the
// long-uptime notice.
#pragma once

#include "platform/platform.h"

// Posted to the main window by its first paint on a system that has run too long; opens the "Program Stop" box.
#define WM_UPTIME_NOTICE (WM_USER + 60)

LRESULT MainOnUptimeNotice(HWND, UINT, WPARAM, LPARAM);

// The settings summary between x = nLeft and nRight from y = nTop; leaves its font selected. Returns the result of
// its last text output.
int DrawCurrentSettings(HDC hdc, int nLeft, int nRight, int nTop);

// Instrument pictures, each drawn in (or centred on) the instrument rectangle left, top, right, bottom.
void DrawInstrumentPicture1(HDC hdc, int nLeft, int nTop, int nRight, int nBottom);  // EM31-MK2 boom
void DrawInstrumentPicture2(HDC hdc, int nLeft, int nTop, int nRight, int nBottom);  // EM34-3 coils
void DrawInstrumentPicture3(HDC hdc, int nLeft, int nTop, int nRight, int nBottom);  // EM38
void DrawInstrumentPicture4(HDC hdc, int nLeft, int nTop, int nRight, int nBottom);  // EM38-4
void DrawInstrumentPicture5(HDC hdc, int nLeft, int nTop, int nRight, int nBottom);  // EM38-MK2
void DrawRoundedBar(HDC hdc, int nLeft, int nTop, int nRight, int nBottom);          // DualEM CS-21
// Closed outline of the rectangle in the selected pen: left-top, left-bottom, right-bottom, right-top, left-top.
void DrawPictureLine(HDC hdc, int nLeft, int nTop, int nRight, int nBottom);

// Areas of the start screen on the client area: the summary's left and right x and top y, and the geometry box.
struct StartScreenAreas {
    int nSummaryLeft, nSummaryRight, nSummaryTop;
    RECT rcBox;
};
// Works the areas out from the window geometry; the portrait layout measures the title in hdc.
StartScreenAreas GetStartScreenAreas(HDC hdc);

// The "Geometry Setup" diagram of the build's instrument in a box, from the geometry settings.
struct GeometryDiagram {
    double dWidth, dLength;      // footprint across and along the direction of travel, m
    double dRadius;              // antenna marker radius, m (before the minimum size)
    double dOffsetX, dOffsetY;   // antenna offset used (bounded; the EM34-3 from its centre), m
    double dExtentAcross, dExtentAlong, dCentre;  // extents and the instrument centre along, m
    double dScale;               // pixels per metre
    RECT rcInstrument;           // instrument rectangle (the Grad601's top is its sensor axis)
    int bAntenna;                // the antenna is drawn (GPS enabled)
    POINT ptAntenna;             // antenna centre
    int nAntennaRadius;          // pixels
};
// Fills the diagram for the box; 0 when the box is too small to hold one (nothing is drawn then).
int ComputeGeometryDiagram(const RECT &rcBox, GeometryDiagram *pDiagram);
