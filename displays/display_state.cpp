// Display state: trace and bar state of the live profiles, the decay window's frame flag, and the row clamp.
#include "displays/displays.h"

int abCurveHasPrev[16];
int anCurvePrevY[8];
int anCurvePrevFlag[8];
int anEm61PrevY[4];
int anLx2PrevY[3];
int anLx2PrevYLeft[3], anLx2PrevYRight[3];
int anGradPrevY1[1], anGradPrevY2[1];

int bGraphFrameDrawn = 0;
int bBarQFrameDrawn = 0, bBarIFrameDrawn = 0;
int anBarLeft[8];
int nChannelBarWidth = 15;
int anBarEnd[8];
int anBarTop[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
int nBarBase = 0;

int ClampRow(int nRow)
{
    if (nRow < -nRowLimit) return -nRowLimit;
    if (nRow > nRowLimit) return nRowLimit;
    return nRow;
}
