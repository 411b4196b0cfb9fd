// Display state: trace and bar state of the live profiles, frame flag of the decay window, pixel clamps.
#pragma once

#include "logscreen/logscreen.h"
#include "platform/platform.h"
#include "processing/em61mk2_decode.h"

// ---------------------------------------------------------------------------------------------------------------
// Trace state of the scrolling profiles
// ---------------------------------------------------------------------------------------------------------------
// Per trace: 1 when the trace has a previous point to join. The reading-scale and new-station dialogs, the
// logging-screen commands, the link-lost timer step and the EM61-LX2 procedures clear all 16, so that the next
// point starts a new run.
extern int abCurveHasPrev[16];
extern int anCurvePrevY[8];      // previous row of each channel of ScrollProfileGraph
extern int anCurvePrevFlag[8];   // the channel's bChannelValid value when its run started (ScrollProfileGraph)
extern int anEm61PrevY[4];       // previous rows of ScrollCurveWindow
extern int anLx2PrevY[3];        // previous rows of ScrollStripChart2Ch
extern int anLx2PrevYLeft[3], anLx2PrevYRight[3];  // previous rows of ScrollStripChart4Ch
extern int anGradPrevY1[1], anGradPrevY2[1];       // previous rows of DrawProfileCurvesGrad

// ---------------------------------------------------------------------------------------------------------------
// Channel bars of the decay window (EM61-MK2, one-coil EM61-LX2, one-sensor Grad601)
// ---------------------------------------------------------------------------------------------------------------
extern int bGraphFrameDrawn;
extern int bBarQFrameDrawn, bBarIFrameDrawn;  // 0: redraw the Q / I bar window frame at the next update  // 0: clear the decay window and re-base the bars at the next reading
extern int anBarLeft[8];      // left x of bar i (set by the arrangement)
extern int nChannelBarWidth;  // width of every bar (set by the arrangement)
extern int anBarEnd[8];       // row at which bar i currently ends
extern int anBarTop[8];       // bar end clipped to 0..nCurveAreaHeightB for repainting; -1 = no bar
extern int nBarBase;          // base row used by the last repaint

// The side panel, margins and speed bar come from the logging screen (logscreen/logscreen.h); the EM61 procedure
// state from the decoder (processing/em61mk2_decode.h).

// ---------------------------------------------------------------------------------------------------------------
// Rows handed to the drawers (converted from readings with ClampToInt, processing/em61mk2_decode.h) are held to
// this band: far outside any window, so the picture is the same, but with no overflow in the drawers' arithmetic.
// ---------------------------------------------------------------------------------------------------------------
constexpr int nRowLimit = 32000;
int ClampRow(int nRow);
