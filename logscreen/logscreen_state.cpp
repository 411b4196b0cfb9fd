// Logging screen: its child windows, buttons, link flags and status-panel boxes.
#include "logscreen/logscreen.h"

#include "core/core.h"
#include "map/pens.h"
#include "processing/gps_position.h"

HWND hwndCurve1, hwndCurve2, hwndCurve3, hwndDecay, hwndBarQ, hwndBarI, hwndNumbers, hwndSpeed, hwndMap,
    hwndColorBar;
HWND hwndLogButtons[4], hwndLogButtonsAlt[4], hwndPauseButton, hwndMapViewButtons[9], hwndChannelBoxes[8],
    hwndChannelBoxes2[3];
HWND (&ahMonitorButton)[4] = hwndLogButtons;
HWND (&ahRecordButton)[4] = hwndLogButtonsAlt;
HWND (&ahSideButton)[8] = hwndChannelBoxes;
HWND (&ahLogExtraButton)[3] = hwndChannelBoxes2;

int bInstrumentLinkUp = 0, bSoftMarkerDown = 0;
int bMapUpdatesOn = 1;

// Until the arrangement lays the panel out, the side panel has its value column at a fixed place.
RECT rcSidePanel = {0, 0, 110, 0};
RECT rcSidePanelValues = {30, 7, 110, 0};
RECT rcTiltRollValue = {0, 0, 0, 0}, rcTiltPitchValue = {0, 0, 0, 0};
RECT rcStatusMarker, rcStatusVoltage, rcStatusCurrent, rcStatusMode, rcStatusStation, rcStatusCount, rcStatusTime,
    rcHintLine, rcProcedureMessage, rcLamp1, rcLamp2, rcSpeedValue, rcFileNameText, rcStatusLineText;
RECT rcLx2Row1, rcLx2Row2, rcLx2Row3, rcLx2Row4, rcLx2Row5, rcLx2Row6;
RECT rcTargetLampLeft, rcTargetLampMiddle, rcTargetLampRight;
POINT aptLampOutline1[5], aptLampOutline2[5], aptLampOutline3[5];
RECT rcModeLetterBox1, rcModeLetterBox2, rcModeIndicatorArea;
RECT rcMapChannelTitle, rcMapSizeText;
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

int anLineElapsedHms[3] = {0, 0, 0};
int nReadingInStation = 0;
