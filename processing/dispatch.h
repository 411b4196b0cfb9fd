// Per-instrument dispatch of the map rebuild and the profile redraw from the data file.
#pragma once

// Rebuilds the map from the open data file with the build's instrument's replot.
void RebuildMapForInstrument();
// Clears the first profile window and redraws the build's instrument's profile from the open data file.
void RedrawProfileForInstrument();
// From the survey mode, component and dipole settings: the profile graph's scale pair (bAltGraphScale) outside
// the MANUAL mode, the readings per station (nEm34Configuration) in it.
void UpdateInstrumentModeFlags();
