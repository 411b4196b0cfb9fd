// Per-instrument dispatch of the map rebuild from the data file.
#include "processing/dispatch.h"

#include "core/core.h"
#include "core/settings.h"
#include "map/map.h"

void RebuildMapForInstrument()
{
    switch (nInstrumentType) {
    case INSTRUMENT_EM61MK2:
        ReplotMapEm61Mk2();
        break;
    case INSTRUMENT_EM31MK2:
        ReplotMapEm31();
        break;
    case INSTRUMENT_EM34:
        if (nSurveyModePrev == 2) ReplotMapEm34();
        else ReplotMapEm31();
        break;
    case INSTRUMENT_EM38:
        ReplotMapEm38();
        break;
    case INSTRUMENT_EM38MK2:
        ReplotMapEm38Mk2();
        break;
    case INSTRUMENT_EM61LX2:
        ReplotMapEm61Lx2();
        break;
    case INSTRUMENT_EM384:
    case INSTRUMENT_CS21:
        ReplayEm384DataFile();
        break;
    case INSTRUMENT_GRAD601:
        ReplayDataFileGrad();
        break;
    default:
        // Every instrument is handled above: another type has no replot.
        break;
    }
}
