// EM61-LX2 values for the displays: pixel rows of the profiles and bars, the numbers panel and the target lamps.
#include "processing/em61lx2_display.h"

#include <cmath>
#include <cstdio>

#include "core/core.h"
#include "core/settings.h"
#include "displays/scales.h"
#include "logscreen/logscreen.h"
#include "map/pens.h"
#include "processing/em61lx2_alarm.h"
#include "processing/em61mk2_decode.h"

namespace {

int Row(double dValue, double dPixPerUnit)
{
    return ClampToInt((dScale1Max - dValue) * dPixPerUnit, -SCREEN_ROW_LIMIT, SCREEN_ROW_LIMIT);
}

// Value column filled, then each value "%9.1f" at the left and top of its row.
void DrawValues(HDC hdc, const double *adValue, int nCount)
{
    static const RECT *const aprcRow[6] = {&rcLx2Row1, &rcLx2Row2, &rcLx2Row3, &rcLx2Row4, &rcLx2Row5, &rcLx2Row6};
    if (!hdc) return;
    FillRect(hdc, &rcSidePanelValues, nRecordingState == 1 ? hbrGreen : hbrWhite);
    if (hFontNormal) SelectObject(hdc, hFontNormal);
    SetTextColor(hdc, RGB(0, 0, 0));
    SetBkMode(hdc, TRANSPARENT);
    for (int k = 0; k < nCount && k < 6; k++) {
        char szNarrow[32];
        const int n = std::snprintf(szNarrow, sizeof szNarrow, "%9.1f", adValue[k]);
        if (n < 0) continue;
        wchar_t sz[32];
        NarrowToWideUnsigned(szNarrow, sz, 32);
        TextOut(hdc, aprcRow[k]->left, aprcRow[k]->top, sz, (int)wcslen(sz));
    }
}

void FillLamp(HDC hdc, const RECT &rc, HBRUSH hbr)
{
    if (hdc && hbr && rc.right > rc.left && rc.bottom > rc.top) FillRect(hdc, &rc, hbr);
}

}  // namespace

void Em61Lx2ValuesToScreenY(double dCh1, double dCh2, double dDiff, int anProfileY[3], int anBarY[3])
{
    const double ad[3] = {dCh1, dCh2, dDiff};
    for (int k = 0; k < 3; k++) {
        anProfileY[k] = Row(ad[k], dScale1PixPerUnit);
        anBarY[k] = Row(ad[k], dScale1PixPerUnitB);
    }
}

void Em61Lx2DualValuesToScreenY(double dLeft1, double dLeft2, double dRight1, double dRight2, double dLeftDiff,
                                double dRightDiff, int anLeftY[3], int anLeftBarY[3], int anRightY[3],
                                int anRightBarY[3])
{
    Em61Lx2ValuesToScreenY(dLeft1, dLeft2, dLeftDiff, anLeftY, anLeftBarY);
    Em61Lx2ValuesToScreenY(dRight1, dRight2, dRightDiff, anRightY, anRightBarY);
}

int DrawEm61Lx2Numbers(HDC hdc, double dCh1, double dCh2, double dDiff)
{
    const double ad[3] = {dCh1, dCh2, dDiff};
    DrawValues(hdc, ad, 3);
    if (hwndLog && (bAlarmActive == 1 || nAlarmType > 0)) {
        HDC hdcLog = GetDC(hwndLog);
        FillLamp(hdcLog, rcTargetLampLeft, bAlarmActive == 1 ? hbrRed : hbrWhite);
        ReleaseDC(hwndLog, hdcLog);
    }
    return -2;
}

int DrawEm61Lx2DualNumbers(HDC hdc, double dLeft1, double dLeft2, double dLeftDiff, double dRight1, double dRight2,
                           double dRightDiff)
{
    const double ad[6] = {dLeft1, dLeft2, dLeftDiff, dRight1, dRight2, dRightDiff};
    DrawValues(hdc, ad, 6);
    HDC hdcLog = hwndLog ? GetDC(hwndLog) : nullptr;
    int nResult = -2;
    if (bAlarmActive == 1 || bAlarmActiveRight == 1) {
        const double d = std::fabs(dAlarmValue - dAlarmValueRight);
        const double dLarger = std::fabs(dAlarmValue) > std::fabs(dAlarmValueRight) ? dAlarmValue : dAlarmValueRight;
        const double m = std::fabs(dTargetBetweenFraction * dLarger);
        if (m > d) {
            nResult = 0;
            FillLamp(hdcLog, rcTargetLampMiddle, hbrRed);
            FillLamp(hdcLog, rcTargetLampLeft, hbrWhite);
            FillLamp(hdcLog, rcTargetLampRight, hbrWhite);
        } else {
            FillLamp(hdcLog, rcTargetLampMiddle, hbrWhite);
            if (bAlarmActive == 1) {
                FillLamp(hdcLog, rcTargetLampLeft, hbrRed);
                nResult = -1;
            }
            if (bAlarmActiveRight == 1) {
                FillLamp(hdcLog, rcTargetLampRight, hbrRed);
                nResult = bAlarmActive == 1 ? 2 : 1;
            }
        }
    } else if (nAlarmType > 0) {
        FillLamp(hdcLog, rcTargetLampLeft, hbrWhite);
        FillLamp(hdcLog, rcTargetLampMiddle, hbrWhite);
        FillLamp(hdcLog, rcTargetLampRight, hbrWhite);
    }
    if (hdcLog) ReleaseDC(hwndLog, hdcLog);
    return nResult;
}
