// Run-time state of the EM34-3 and EM38-4 procedures that the Logging command resets at the start of a run.
#include "processing/handler_state.h"

double dEm34Offset10 = 0.0, dEm34Offset20 = 0.0, dEm34Offset40 = 0.0;
int nEm34PrevChannel = 0, bEm34StationStarted = 0;
int nEm384AverageState = -1;
