// EM61-LX2 values for the displays: pixel rows of the profiles and bars, the numbers panel and the target lamps.
#pragma once

#include "platform/platform.h"

// Rows of one coil's channel 1, channel 2 and difference on reading scale 1: profile rows and bar rows.
void Em61Lx2ValuesToScreenY(double dCh1, double dCh2, double dDiff, int anProfileY[3], int anBarY[3]);
// Both coils: left profile, left bars, right profile, right bars.
void Em61Lx2DualValuesToScreenY(double dLeft1, double dLeft2, double dRight1, double dRight2, double dLeftDiff,
                                double dRightDiff, int anLeftY[3], int anLeftBarY[3], int anRightY[3],
                                int anRightBarY[3]);
// Numbers panel of one coil ("%9.1f" in rows 1..3) and the left target lamp; returns -2.
int DrawEm61Lx2Numbers(HDC hdc, double dCh1, double dCh2, double dDiff);
// Numbers panel of two coils (rows 1..6) and the left / between / right decision with its lamps: -1 left,
// 0 between, 1 right, 2 left and right, -2 no coil active.
int DrawEm61Lx2DualNumbers(HDC hdc, double dLeft1, double dLeft2, double dLeftDiff, double dRight1, double dRight2,
                           double dRightDiff);
