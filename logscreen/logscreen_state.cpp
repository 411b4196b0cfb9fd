// Logging screen: its child windows, buttons, link flags and status-panel boxes.
#include "logscreen/logscreen.h"

#include "core/core.h"
#include "map/pens.h"
#include "processing/gps_position.h"

HWND hwndCurve1, hwndCurve2, hwndCurve3, hwndDecay, hwndBarQ, hwndBarI, hwndNumbers, hwndSpeed, hwndMap,
    hwndColorBar;
HWND ahMonitorButton[4], ahRecordButton[4], ahSideButton[8], ahLogExtraButton[8];

int bInstrumentLinkUp = 0, bSoftMarkerDown = 0;
int bMapUpdatesOn = 1;

// Until the arrangement lays the panel out, the side panel has its value column at a fixed place.
RECT rcSidePanel = {0, 0, 110, 0};
RECT rcSidePanelValues = {30, 7, 110, 0};
RECT rcTiltRollValue = {0, 0, 0, 0}, rcTiltPitchValue = {0, 0, 0, 0};
int nTextMarginX = 10;
int nSpeedBarWidth = 0, nSpeedBarHeight = 8;
double dSpeedPixPerUnit = 0.0;

static void FillBoxesRed(const RECT *prc, int nCount)
{
    if (!hwndLog || !hbrRed)
        return;
    HDC hdc = GetDC(hwndLog);
    for (int i = 0; i < nCount; i++)
        if (prc[i].right > prc[i].left && prc[i].bottom > prc[i].top)
            FillRect(hdc, &prc[i], hbrRed);
    ReleaseDC(hwndLog, hdc);
}

void FillGpsStatusFieldsRed()
{
    FillBoxesRed(arcGpsBox, GPS_BOX_COUNT);
}

void FillTiltAttitudeFieldsRed()
{
    const RECT arc[2] = {rcTiltRollValue, rcTiltPitchValue};
    FillBoxesRed(arc, 2);
}
