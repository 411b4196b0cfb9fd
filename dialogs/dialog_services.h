// Small services of the setup dialogs used by the settings readers.
#pragma once

// Position-marker size and cross-hair half size from nPositionSize (0..5; a larger index changes nothing).
void UpdateCursorMarkerSize();
// Drift-reminder interval in seconds for a choice index: 900, 1800, 2700, 3600, 5400, 7200; 0 otherwise.
int DriftReminderSeconds(int index);
