// Settings lines of the EM family: EM31-MK2, EM38, EM34-3 and EM38-MK2 (and any type without a list of its own).
#include <cmath>

#include "core/core.h"
#include "core/settings.h"
#include "displays/grid.h"
#include "displays/scales.h"
#include "logscreen/logscreen.h"

static void EmAfterScale2()
{
    SettingsCheckScale2();
    dScale2PixPerUnit = ScalePixelsPerUnit(nCurveAreaHeight, dScale2Min, dScale2Max);
    dScale2PixPerUnitB = ScalePixelsPerUnit(nCurveAreaHeightB, dScale2Min, dScale2Max);
    ComputeGridLines(anGridLineY2B, nCurveAreaHeightB, dScale2Min, dScale2Max, dScale2PixPerUnitB,
                     &nScale2RangeSign);
    nGridLines2 = anGridLineY2B[0];
}

static void Em34AfterReadingsPerStation()
{
    if (nSurveyMode == 0) {
        if (nDipoleMode >= 0 && nDipoleMode <= 5) {
            static const int anSeparation[3] = {10, 20, 40};
            nEm34DipoleLetter = nDipoleMode < 3 ? 'V' : 'H';
            nEm34Separation = anSeparation[nDipoleMode % 3];
        }
    } else {
        nEm34Configuration = nDipoleMode;
        if (nEm34Configuration < 1 || nEm34Configuration > 6) nEm34Configuration = 1;
    }
}

static int BuildEmFamilyLines(SettingsLine *a)
{
    const int bEm34 = nInstrumentType == INSTRUMENT_EM34;
    const int bEm38Mk2 = nInstrumentType == INSTRUMENT_EM38MK2;
    int n = 0;
    a[n++] = {SL_FOLDER, szDataFolder, nullptr};
    a[n++] = {SL_FOLDER, szBackgroundFolder, nullptr};
    a[n++] = {SL_INT, &bInstrumentEnabled, nullptr};
    n = AddInstrumentLines(a, n);
    a[n++] = {SL_INT, bEm38Mk2 ? &nEm38Mk2Type : &nEm31Type, nullptr};
    n = AddChannelPenLines(a, n, 8);
    a[n++] = {SL_INT, &nScaleType, nullptr};
    a[n++] = {SL_REAL, &dScale1Min, nullptr};
    a[n++] = {SL_REAL, &dScale1Max, SettingsAfterScale1};
    a[n++] = {SL_REAL, &dScale2Min, nullptr};
    a[n++] = {SL_REAL, &dScale2Max, EmAfterScale2};
    n = AddGpsPortLines(a, n, SL_YOFFSET_SAVED);
    if (bEm34) a[n++] = {SL_INT, &nReference, nullptr};
    a[n++] = {SL_INT, &nSurveyMode, SettingsAfterSurveyMode};
    a[n++] = {SL_INT, &nComponent, nullptr};
    a[n++] = {SL_INT, &nDipoleMode, nullptr};
    if (bEm34) a[n++] = {SL_INT, &nReadingsPerStation, Em34AfterReadingsPerStation};
    a[n++] = {SL_INT, &nSwathIndex, nullptr};
    n = AddStationIncrementLines(a, n, &dStationIncrementAuto, &dStationIncrementWheel, &dStationIncrementManual);
    n = AddSurveyLineLines(a, n, SL_SURVEYLINE15);
    a[n++] = {SL_REAL, &dStartStation, SettingsAfterStartStation};
    n = AddMapLines(a, n);
    n = AddGpsMaskLines(a, n, nullptr);
    if (bEm38Mk2) {
        static const int anOrder[6] = {10, 8, 2, 0, 6, 4};
        for (int i = 0; i < 6; i++) a[n++] = {SL_REAL, &adCalibration[anOrder[i]], nullptr};
    }
    n = AddBackgroundFileLines(a, n);
    a[n++] = {SL_INT, &bPseudoGga, nullptr};
    a[n++] = {SL_INT, &nRtsUnits, UpdateSwathEdges};
    return n;
}

void WriteSettingsEmFamily(HANDLE hFile)
{
    WriteSettingsList(hFile, BuildEmFamilyLines);
}

void ReadSettingsEmFamily(HANDLE hFile)
{
    ReadSettingsList(hFile, BuildEmFamilyLines);
}
