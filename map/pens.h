// Pens, brushes and the colour scale: made once at start (two groups re-made by the option dialogs).
#pragma once

#include "platform/platform.h"

// Colour scale: 49 graded steps, then magenta and white.
extern const COLORREF aclrColorScale[51];
extern const int nColorScaleSteps;  // 49: the last index a reading can take
extern HPEN ahColorScalePen[51];    // width 2
extern HBRUSH ahColorScaleBrush[51];
extern double dColorStep;           // reading units per colour class: scale range / 50

// Fixed pens and brushes, in their creation order.
extern HPEN hpenButtonShadow3, hpen3dLight, hpen3dDarkShadow, hpenPictureBlack, hpenDarkGreen2, hpenRed2,
    hpenBlue2, hpenCyan2, hpenZeroLine, hpenGrid;
extern HBRUSH hbrLightGrey;
extern HPEN hpenDarkGrey;
extern HBRUSH hbrDarkGrey;
extern HPEN hpenMidGrey;
extern HBRUSH hbrMidGrey;
extern HPEN hpenBlack, hpenPictureRed, hpenWhite;
extern HBRUSH hbrWhite;
extern HPEN hpenGreen;
extern HBRUSH hbrGreen;
extern HPEN hpenDarkGreen;
extern HBRUSH hbrDarkGreen;
extern HPEN hpenRed;
extern HBRUSH hbrRed;
extern HPEN hpenOrange;
extern HBRUSH hbrOrange;
extern HPEN hpenBlue;
extern HBRUSH hbrBlue, hbrButtonFace, hbrPaleGrey;
extern HPEN hpenRed4, hpenYellow8;
extern HBRUSH hbrYellow;
extern HPEN hpenWhite3, hpenCyan3;

// Track and cursor pens (from clrCursor and clrPosition) and the background-file pens.
extern const COLORREF clrBackgroundFile;  // 0x202020
extern HPEN hpenCursor, hpenPosition;
extern HBRUSH hbrPosition;
extern HPEN hpenPosition2, hpenBackgroundFile1;
extern HBRUSH hbrBackgroundFile;
extern HPEN hpenBackgroundFile2, hpenBackgroundFile3;

// Channel pens by slot (slots 0..7 made from aclrChannel and anChannelPenWidth; EM38-4 and CS-21 rearranged).
extern HPEN ahChannelPen[16];      // configured width: profile curves
extern HPEN ahChannelPenThin[16];  // width 1: bars and labels
extern HBRUSH ahChannelBrush[16];

// Makes the 36 fixed objects.
void CreateFixedPensAndBrushes();
// Makes the eight track objects; with bRecreate 1 the old ones are deleted first.
void CreateTrackPens(int bRecreate);
// Makes the channel pens and brushes of slots 0..7 and rearranges them for EM38-4 and CS-21 (with the bar pen
// slots); with bRecreate 1 the old ones are deleted first, each object once.
void CreateChannelPens(int bRecreate);
// Makes the width-2 pen and the brush of every colour-scale entry.
void CreateColorScalePens();

// dColorStep for a scale from dMin to dMax.
void ComputeColorStep(double dMin, double dMax);
// Reading scale (1 or 2) whose range gives the colour class width of the current instrument and colour-map view:
// scale 2 where the view shows an in-phase value (EM31-MK2 and EM38 view 2, EM38-MK2 views 2 and 4, EM38-4 and
// CS-21 even views), else scale 1. The live cells and the map rebuilt from the file take it from here.
int ColorStepScale();
// dColorStep from the scale ColorStepScale names.
void ComputeColorStepForView();
// Colour index of a reading: (value - scale minimum) / dColorStep truncated toward zero, clipped to 0..49.
int ColorScaleIndex(double dValue, double dScaleMin);
