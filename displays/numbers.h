// Numbers panel of the EM61 family, Grad601 and CS-21: channel labels and the EM61-MK2 channel values.
#pragma once

#include "platform/platform.h"

// Fills rcSidePanel (green while logging, else white) and writes the instrument's channel labels in blue; for the
// EM61-MK2 a green dot marks the mapped channel (nColorMapView) in the normal procedure state with GPS enabled.
void DrawChannelLabels(HDC hdc);
// Fills rcSidePanelValues (green while logging, else white) and writes the four EM61-MK2 channel values "%10.1f",
// right-aligned 10 pixels left of the column's right edge, value k on row k.
void DrawChannelValues(HDC hdc, double dChannel1, double dChannel2, double dChannel3, double dChannel4);
