// Steps shared by the instrument readers and the simulators that stand in for them.
#pragma once

#include "platform/platform.h"

// Counts a frame; 1 when the count has reached (or passed) the decimation, the count then starting again.
int CountFrameForNotice();
// Sends a private message to the logging screen (and waits for its handler).
void NotifyLogScreen(UINT message);
// Hands a finished instrument sentence to the logging screen: tick, copy into szInstrumentRecord, lost-link
// repaint, message.
void HandOverInstrumentSentence(const char *szSentence, UINT message);
