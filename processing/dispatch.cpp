// Per-instrument dispatch of the profile redraw from the data file.
#include "processing/dispatch.h"

#include "core/core.h"
#include "displays/profile_redraw.h"
#include "logscreen/logscreen.h"

void RedrawProfileForInstrument()
{
    if (hwndCurve1) {
        InvalidateRect(hwndCurve1, nullptr, TRUE);
        UpdateWindow(hwndCurve1);
    }
    switch (nInstrumentType) {
    case INSTRUMENT_EM61MK2:
        if (hwndCurve1) RedrawProfileFromFile(hwndCurve1);
        break;
    default:
        // The other instruments' redraws come with their decoders.
        break;
    }
}
