// Per-instrument dispatch of the profile redraw from the data file.
#include "processing/dispatch.h"

#include "core/core.h"
#include "core/settings.h"
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
    case INSTRUMENT_EM31MK2:
    case INSTRUMENT_EM38:
    case INSTRUMENT_EM34:
    case INSTRUMENT_EM38MK2:
        if (hwndCurve1) RedrawProfileFromDataFile(hwndCurve1);
        break;
    case INSTRUMENT_EM61LX2:
        // The coils' windows painted afresh first (one coil: the second window keeps what it shows), so that a
        // line shorter than the strip leaves its left part empty.
        for (HWND h : {hwndCurve2, nSensorsMinus1 == 1 ? hwndCurve3 : nullptr}) {
            if (!h) continue;
            InvalidateRect(h, nullptr, TRUE);
            UpdateWindow(h);
        }
        if (hwndCurve2) RedrawProfileFromFileTwoSensors(hwndCurve2, hwndCurve3);
        break;
    case INSTRUMENT_EM384:
    case INSTRUMENT_CS21:
    case INSTRUMENT_GRAD601:
        for (HWND h : {hwndCurve2, hwndCurve3}) {
            if (!h) continue;
            InvalidateRect(h, nullptr, TRUE);
            UpdateWindow(h);
        }
        if (nInstrumentType == INSTRUMENT_EM384) RedrawEm384ProfileFromFile(hwndCurve2, hwndCurve3);
        else if (nInstrumentType == INSTRUMENT_CS21) RedrawDualEmProfileFromFile(hwndCurve2, hwndCurve3);
        else RedrawRecentRecordsGrad(hwndCurve2, hwndCurve3);
        break;
    default:
        // Every instrument is handled above: another type has no redraw.
        break;
    }
}

void UpdateInstrumentModeFlags()
{
    const int t = nInstrumentType;
    if (nSurveyMode != 2) {
        if (t == INSTRUMENT_EM31MK2 && nComponent == 1) bAltGraphScale = 1;
        if (t == INSTRUMENT_EM38) {
            if (nComponent == 2) bAltGraphScale = 0;
            else if (nComponent == 1) bAltGraphScale = 1;
        }
        return;
    }
    if (t == INSTRUMENT_EM31MK2 || t == INSTRUMENT_EM38MK2) {
        if (nDipoleMode == 2) nEm34Configuration = 2;
    } else if (t == INSTRUMENT_EM38) {
        if (nComponent != 0 && nDipoleMode == 2) nEm34Configuration = 2;
        else if (nComponent == 0 && nDipoleMode != 2) nEm34Configuration = 2;
        else if (nComponent == 0 && nDipoleMode == 2) nEm34Configuration = 4;
    } else if (t == INSTRUMENT_EM34) {
        nEm34Configuration = nDipoleMode + 1;
        if (nEm34Configuration < 1) nEm34Configuration = 1;
        if (nEm34Configuration > 6) nEm34Configuration = 6;  // one dialog row per reading
    }
}
