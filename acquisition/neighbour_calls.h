// Calls from the readers into the logging screen, the displays and the data-file writers.
#pragma once

#include "platform/platform.h"

// GPS text records and event records of the data file.
int CallWriteTextRecord(const char *szText, DWORD dwTick, char chFirst, char chNext, char chEnd, char chFlag);
int CallWriteTaggedRecord(const wchar_t *szLabel, char chKind);
// Session flags of the logging screen (0 while the logging screen is not part of the build).
int InstrumentLinkIsUp();
int SoftMarkerIsDown();
// The lost-link repaint: when bConnLostNoticeShown is 1, the channel labels replace the notice in the numbers
// window and the flag is cleared, both by the user-interface thread.
void RepaintChannelLabelsAfterLostLink();
// Red GPS value fields of the status panel after a GPS break; red tilt attitude fields after tilt silence.
void PaintGpsFieldsRed();
void PaintTiltFieldsRed();
// The tilt value boxes of the status panel (empty rectangles while the logging screen does not lay them out).
RECT TiltRollValueRect();
RECT TiltPitchValueRect();
