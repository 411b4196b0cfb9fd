// Numbers panels: channel labels and values, the conductivity meters' panels with their lamps, the EM61-LX2 alarm.
#pragma once

#include "platform/platform.h"

// Fills rcSidePanel (green while logging, else white) and writes the instrument's channel labels in blue; for the
// EM61-MK2 a green dot marks the mapped channel (nColorMapView) in the normal procedure state with GPS enabled.
void DrawChannelLabels(HDC hdc);
// Fills rcSidePanelValues (green while logging, else white) and writes the four EM61-MK2 channel values "%10.1f",
// right-aligned 10 pixels left of the column's right edge, value k on row k.
void DrawChannelValues(HDC hdc, double dChannel1, double dChannel2, double dChannel3, double dChannel4);
// Grad601: value 1 on row 0 and, with two sensors, value 2 on row 1, as DrawChannelValues writes them.
void DrawReadingNumbersGrad(HDC hdc, double dValue1, double dValue2);

// Conductivity-meter panels: each first sets the two warning lamps of the logging screen (off: button face; lit:
// an orange disc), then fills the side panel (green while logging, else white) and writes its rows.
// EM31-MK2: dipole, gain, "C:" (component 0 only) and "I:" rows; with the battery flag the two battery levels.
void DrawEm31Mk2Numbers(HDC hdc, int nComp, char cDipole, int nGain, double dConductivity, double dInphase,
                        int bBattery);
// EM34-3: dipole, separation, gain and conductivity rows (the second argument is not used).
void DrawEm34Numbers(HDC hdc, int nUnused, char cDipole, int nGain, double dConductivity, int nSeparationM);
// EM38: dipole, gain and the value on the row of the range read; orange while logging when the range code does
// not match the component.
void DrawEm38Numbers(HDC hdc, int nComp, char cDipole, int nGain, double dValue, int nRangeCode);
// EM38-MK2: conductivity and in-phase of the 1 m coil and, for the two-coil type, of the 0.5 m coil.
void DrawEm38Mk2Numbers(HDC hdc, char cDipole, double dC1, double dI1, double dC2, double dI2);

// EM61-LX2 alarm indicator on the logging screen: the target-lamp outlines and the alarm channel's letter ("E",
// "L", "F"); the area cleared when no alarm is set.
void DrawModeIndicator(HDC hdc);
