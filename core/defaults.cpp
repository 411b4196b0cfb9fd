// Per-instrument start-up defaults: the values that stand when the configuration file is missing or rewritten.
#include "core/core.h"
#include "core/settings.h"
#include "processing/filter_factor.h"

static const COLORREF clrBlue = RGB(0, 0, 255), clrGreen = RGB(0, 255, 0), clrRed = RGB(255, 0, 0),
                      clrMagenta = RGB(255, 0, 255), clrCyan = RGB(0, 255, 255), clrOrange = RGB(255, 128, 64);

static void SetPens(const int *anWidth, int nCount)
{
    for (int i = 0; i < nCount; i++) anChannelPenWidth[i] = anWidth[i];
}

static void SetColors(const COLORREF *aclr, int nCount)
{
    for (int i = 0; i < nCount; i++) aclrChannel[i] = aclr[i];
}

void ApplyStartupDefaults()
{
    static const int anPensEm61[8] = {2, 3, 4, 2, 2, 3, 4, 1};
    static const int anPensEm31[8] = {3, 2, 3, 2, 2, 2, 2, 2};
    static const int anPensEm34[6] = {3, 3, 3, 2, 2, 2};
    static const int anPensEm38Mk2[8] = {3, 3, 3, 3, 2, 2, 2, 2};
    static const int anPensMulti[8] = {1, 2, 3, 4, 1, 2, 3, 4};
    static const int anPensGrad[2] = {2, 3};
    static const COLORREF aclrGrad[2] = {clrBlue, clrGreen};
    static const COLORREF aclrEm34[6] = {clrBlue, clrGreen, clrRed, clrCyan, clrOrange, clrMagenta};
    static const COLORREF aclrEm38Mk2[8] = {clrBlue, clrGreen, clrRed, clrOrange, clrBlue, clrGreen, clrRed, clrOrange};
    static const COLORREF aclrMulti[8] = {clrBlue,          clrGreen,          clrRed,            clrMagenta,
                                          RGB(0, 224, 255), RGB(53, 181, 21), RGB(255, 160, 0), RGB(164, 0, 255)};

    dGpsOffsetY = 0;
    switch (nInstrumentType) {
    case INSTRUMENT_GRAD601:
        nInstrumentBaudIndex = 0;
        dwInstrumentTimeoutMs = 1000;
        nColorMapView = 1;
        bReferencePhaseDone = 1;
        SetPens(anPensGrad, 2);
        SetColors(aclrGrad, 2);
        dGpsOffsetX = 0;
        nSwathIndex = 1;
        dSwathWidth = (nSwathIndex + 1) * 0.25;
        nSensorsMinus1 = 1;
        break;
    case INSTRUMENT_EM61LX2:
        nInstrumentBaudIndex = 0;
        nColorMapView = 2;
        bReferencePhaseDone = 0;
        SetPens(anPensEm61, 8);
        dGpsOffsetX = 0;
        nSwathIndex = 5;
        dFilterFactorLeft = dFilterFactorRight = 310.0;
        dFilterFactorLeftPrev = dFilterFactorRightPrev = 310.0;
        dFilterRatioLeft = ConvertFilterFactor(310.0, 1);
        dFilterRatioRight = ConvertFilterFactor(310.0, 1);
        break;
    case INSTRUMENT_EM61MK2:
        nInstrumentBaudIndex = 0;
        nColorMapView = 3;
        bReferencePhaseDone = 0;
        SetPens(anPensEm61, 8);
        dGpsOffsetX = 0;
        nSwathIndex = 5;
        dGpsAntennaHeight = 1.65;
        nTiltBaud = 5;
        nTiltMeterState = 2;
        bTiltMeterOn = 0;
        break;
    case INSTRUMENT_EM31MK2:
    case INSTRUMENT_EM38:
        nInstrumentBaudIndex = 0;
        nProfileCurves = 4;
        nColorMapView = 1;
        bReferencePhaseDone = 1;
        SetPens(anPensEm31, 8);
        dGpsOffsetX = -0.3;
        nSwathIndex = nInstrumentType == INSTRUMENT_EM38 ? 1 : 2;
        break;
    case INSTRUMENT_EM34:
        nInstrumentBaudIndex = 0;
        nProfileCurves = 6;
        nColorMapView = 1;
        bReferencePhaseDone = 1;
        SetPens(anPensEm34, 6);
        SetColors(aclrEm34, 6);
        dGpsOffsetX = 0;
        nSwathIndex = 2;
        break;
    case INSTRUMENT_EM38MK2:
        nInstrumentBaudIndex = 1;
        dwInstrumentTimeoutMs = 500;
        nProfileCurves = 8;
        nColorMapView = 1;
        bReferencePhaseDone = 1;
        SetPens(anPensEm38Mk2, 8);
        SetColors(aclrEm38Mk2, 8);
        dGpsOffsetX = -0.3;
        nSwathIndex = 1;
        break;
    case INSTRUMENT_EM384:
    case INSTRUMENT_CS21:
        nInstrumentBaudIndex = nInstrumentType == INSTRUMENT_EM384 ? 1 : 0;
        dwInstrumentTimeoutMs = 500;
        nProfileCurves = 8;
        nColorMapView = 1;
        bReferencePhaseDone = 1;
        SetPens(anPensMulti, 8);
        SetColors(aclrMulti, 8);
        dGpsOffsetX = -0.3;
        nSwathIndex = 1;
        break;
    default:
        break;
    }
    dGpsOffsetYSaved = dGpsOffsetY;
    // The swath edges of the defaults, for a start without a readable file.
    UpdateSwathEdges();
    SnapshotStartupDefaults();
}
