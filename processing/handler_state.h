// Run-time state of the EM34-3 and EM38-4 procedures that the Logging command resets at the start of a run.
#pragma once

// EM34-3 station mode: the GPS Y offsets of the 10, 20 and 40 m separations, the channel of the previous reading
// and whether a station has been started.
extern double dEm34Offset10, dEm34Offset20, dEm34Offset40;
extern int nEm34PrevChannel, bEm34StationStarted;

// EM38-4 reading average: -1 restarts it.
extern int nEm384AverageState;
