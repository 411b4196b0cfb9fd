// Settings lines of the EM61-MK2 and the EM61-LX2.
#include "core/core.h"
#include "core/settings.h"
#include "displays/grid.h"
#include "displays/scales.h"
#include "logscreen/logscreen.h"
#include "processing/filter_factor.h"

static void Mk2AfterEm61Type()
{
    nEm61TypeSaved = (nEm61Type == 2 || nEm61Type == 3) ? 1 : 0;
}

static void Lx2AfterScale1()
{
    SettingsCheckScale1();
    dScale1PixPerUnit = ScalePixelsPerUnit(nCurveAreaHeight3, dScale1Min, dScale1Max);
    dScale1PixPerUnitB = ScalePixelsPerUnit(nCurveAreaHeightB, dScale1Min, dScale1Max);
    ComputeGridLines(anGridLineY1, nCurveAreaHeight3, dScale1Min, dScale1Max, dScale1PixPerUnit, &nScale1RangeSign);
    ComputeGridLines(anGridLineY1B, nCurveAreaHeightB, dScale1Min, dScale1Max, dScale1PixPerUnitB,
                     &nScale1RangeSign);
    nGridLines1 = anGridLineY1B[0];
    // The second scale follows the first.
    dScale2Min = dScale1Min;
    dScale2Max = dScale1Max;
    nGridLines2 = nGridLines1;
    dScale2PixPerUnit = dScale1PixPerUnit;
    dScale2PixPerUnitB = dScale1PixPerUnitB;
    ComputeGridLines(anGridLineY2B, nCurveAreaHeightB, dScale2Min, dScale2Max, dScale2PixPerUnitB,
                     &nScale2RangeSign);
    nGridLines2 = anGridLineY2B[0];
}

static void Mk2AfterStartStation()
{
    if (nSurveyMode == 0) {
        dStationIncrementAuto = dStationIncrementAutoMk2;
        dStationIncrement = dStationIncrementAuto;
    } else if (nSurveyMode == 1) {
        dStationIncrementWheel = dStationIncrementWheelMk2;
        dStationIncrement = dStationIncrementWheel;
    } else if (nSurveyMode == 2) {
        dStationIncrementManual = dStationIncrementManualMk2;
        dStationIncrement = dStationIncrementManual;
    }
    dStationIncrementPrev = dStationIncrement;
    dStartStation = dStartStationMk2;
    dStation = dStartStation;
}

static void Lx2AfterLastLine()
{
    dFilterFactorLeftPrev = dFilterFactorLeft;
    dFilterFactorRightPrev = dFilterFactorRight;
    dFilterRatioLeft = ConvertFilterFactor(dFilterFactorLeft, 1);
    dFilterRatioRight = ConvertFilterFactor(dFilterFactorRight, 1);
    UpdateSwathEdges();
}

static int BuildEm61Lines(SettingsLine *a)
{
    const int bLx2 = nInstrumentType == INSTRUMENT_EM61LX2;
    int n = 0;
    a[n++] = {SL_FOLDER, szDataFolder, nullptr};
    a[n++] = {SL_FOLDER, szBackgroundFolder, nullptr};
    if (bLx2) a[n++] = {SL_INT, &nSensorsMinus1, nullptr};
    a[n++] = {SL_INT, &bInstrumentEnabled, nullptr};
    n = AddInstrumentLines(a, n);
    a[n++] = {SL_INT, &nEm61Type, bLx2 ? nullptr : Mk2AfterEm61Type};
    n = AddChannelPenLines(a, n, 8);
    a[n++] = {SL_INT, &nScaleType, nullptr};
    a[n++] = {SL_REAL, &dScale1Min, nullptr};
    a[n++] = {SL_REAL, &dScale1Max, bLx2 ? Lx2AfterScale1 : SettingsAfterScale1};
    n = AddGpsPortLines(a, n, SL_YOFFSET_SAVED);
    a[n++] = {SL_INT, &nSurveyMode, SettingsAfterSurveyMode};
    a[n++] = {SL_INT, &nSwathIndex, nullptr};
    if (bLx2)
        n = AddStationIncrementLines(a, n, &dStationIncrementAuto, &dStationIncrementWheel, &dStationIncrementManual);
    else
        n = AddStationIncrementLines(a, n, &dStationIncrementAutoMk2, &dStationIncrementWheelMk2,
                                     &dStationIncrementManualMk2);
    n = AddSurveyLineLines(a, n, SL_SURVEYLINE15);
    if (bLx2) a[n++] = {SL_REAL, &dStartStation, SettingsAfterStartStation};
    else a[n++] = {SL_REAL, &dStartStationMk2, Mk2AfterStartStation};
    n = AddMapLines(a, n);
    n = AddGpsMaskLines(a, n, nullptr);
    a[n++] = {SL_INT, &nNullApply, nullptr};
    for (int i = 0; i < 4; i++) a[n++] = {SL_REAL, &adOffset[i], nullptr};
    n = AddBackgroundFileLines(a, n);
    if (bLx2) {
        a[n++] = {SL_INT, &nAlarmType, nullptr};
        a[n++] = {SL_INT, &nAlarmAudio, nullptr};
        a[n++] = {SL_INT, &nAlarmChannel, nullptr};
        a[n++] = {SL_INT, &nAlarmAnomalyWidth, nullptr};
        a[n++] = {SL_REAL, &dAlarmLevel, nullptr};
        a[n++] = {SL_REAL, &dAlarmMinLevel, nullptr};
        a[n++] = {SL_REAL, &dAlarmMaxLevel, nullptr};
        a[n++] = {SL_INT, &nAlarmDescending, nullptr};
    }
    a[n++] = {SL_INT, &bPseudoGga, nullptr};
    a[n++] = {SL_INT, &nRtsUnits, nullptr};
    if (bLx2) {
        a[n++] = {SL_INT, &nSoftMarkerKey, nullptr};
        a[n++] = {SL_REAL, &dFilterFactorLeft, nullptr};
        a[n++] = {SL_REAL, &dFilterFactorRight, Lx2AfterLastLine};
    } else {
        a[n++] = {SL_INT, &bTiltMeterOn, nullptr};
        a[n++] = {SL_INT, &nTiltPort, nullptr};
        a[n++] = {SL_INT, &nTiltBaud, nullptr};
        a[n++] = {SL_INT, &nTiltMeterState, nullptr};
        a[n++] = {SL_REAL, &dGpsAntennaHeight, nullptr};
        a[n++] = {SL_INT, &bAntennaRigidFix, UpdateSwathEdges};
    }
    return n;
}

void WriteSettingsEm61Mk2(HANDLE hFile)
{
    WriteSettingsList(hFile, BuildEm61Lines);
}

void ReadSettingsEm61Mk2(HANDLE hFile)
{
    ReadSettingsList(hFile, BuildEm61Lines);
}

void WriteSettingsEm61Lx2(HANDLE hFile)
{
    WriteSettingsList(hFile, BuildEm61Lines);
}

void ReadSettingsEm61Lx2(HANDLE hFile)
{
    ReadSettingsList(hFile, BuildEm61Lines);
}
