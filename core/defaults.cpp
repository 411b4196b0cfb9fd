// Per-instrument start-up defaults: the values that stand when the configuration file is missing or rewritten.
#include "core/core.h"
#include "core/settings.h"
#include "processing/filter_factor.h"

static const COLORREF clrBlue = RGB(0, 0, 255), clrGreen = RGB(0, 255, 0), clrRed = RGB(255, 0, 0),
                      clrMagenta = RGB(255, 0, 255), clrCyan = RGB(0, 255, 255), clrOrange = RGB(255, 128, 64);

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

// The defaults every instrument has; a zero timeout or curve count, or no colours, keeps the current value.
struct InstrumentDefaults {
    int nType;
    int nBaudIndex;
    DWORD dwTimeoutMs;
    int nProfileCurves;
    int nColorMapView;
    int bReferencePhaseDone;
    const int *anPens;
    int nPens;
    const COLORREF *aclrChannels;
    int nColors;
    double dOffsetX;
    int nSwathIndex;
};

static const InstrumentDefaults aInstrumentDefaults[] = {
    {INSTRUMENT_GRAD601, 0, 1000, 0, 1, 1, anPensGrad, 2, aclrGrad, 2, 0, 1},
    {INSTRUMENT_EM61LX2, 0, 0, 0, 2, 0, anPensEm61, 8, nullptr, 0, 0, 5},
    {INSTRUMENT_EM61MK2, 0, 0, 0, 3, 0, anPensEm61, 8, nullptr, 0, 0, 5},
    {INSTRUMENT_EM31MK2, 0, 0, 4, 1, 1, anPensEm31, 8, nullptr, 0, -0.3, 2},
    {INSTRUMENT_EM38, 0, 0, 4, 1, 1, anPensEm31, 8, nullptr, 0, -0.3, 1},
    {INSTRUMENT_EM34, 0, 0, 6, 1, 1, anPensEm34, 6, aclrEm34, 6, 0, 2},
    {INSTRUMENT_EM38MK2, 1, 500, 8, 1, 1, anPensEm38Mk2, 8, aclrEm38Mk2, 8, -0.3, 1},
    {INSTRUMENT_EM384, 1, 500, 8, 1, 1, anPensMulti, 8, aclrMulti, 8, -0.3, 1},
    {INSTRUMENT_CS21, 0, 500, 8, 1, 1, anPensMulti, 8, aclrMulti, 8, -0.3, 1},
};

static void ApplyInstrumentDefaults(const InstrumentDefaults &d)
{
    nInstrumentBaudIndex = d.nBaudIndex;
    if (d.dwTimeoutMs != 0) dwInstrumentTimeoutMs = d.dwTimeoutMs;
    if (d.nProfileCurves != 0) nProfileCurves = d.nProfileCurves;
    nColorMapView = d.nColorMapView;
    bReferencePhaseDone = d.bReferencePhaseDone;
    for (int i = 0; i < d.nPens; i++) anChannelPenWidth[i] = d.anPens[i];
    for (int i = 0; i < d.nColors; i++) aclrChannel[i] = d.aclrChannels[i];
    dGpsOffsetX = d.dOffsetX;
    nSwathIndex = d.nSwathIndex;
}

void ApplyStartupDefaults()
{
    dGpsOffsetY = 0;
    for (const InstrumentDefaults &d : aInstrumentDefaults)
        if (d.nType == nInstrumentType) ApplyInstrumentDefaults(d);
    switch (nInstrumentType) {
    case INSTRUMENT_GRAD601:
        dSwathWidth = (nSwathIndex + 1) * 0.25;
        nSensorsMinus1 = 1;
        break;
    case INSTRUMENT_EM61LX2:
        dFilterFactorLeft = dFilterFactorRight = 310.0;
        dFilterFactorLeftPrev = dFilterFactorRightPrev = 310.0;
        dFilterRatioLeft = ConvertFilterFactor(310.0, 1);
        dFilterRatioRight = ConvertFilterFactor(310.0, 1);
        break;
    case INSTRUMENT_EM61MK2:
        dGpsAntennaHeight = 1.65;
        nTiltBaud = 5;
        nTiltMeterState = 2;
        bTiltMeterOn = 0;
        break;
    default:
        break;
    }
    dGpsOffsetYSaved = dGpsOffsetY;
    // The swath edges of the defaults, for a start without a readable file.
    UpdateSwathEdges();
    SnapshotStartupDefaults();
}
