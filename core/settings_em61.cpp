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

static void Mk2AfterScale1()
{
    SettingsCheckScale1();
    dScale1PixPerUnit = ScalePixelsPerUnit(nCurveAreaHeight, dScale1Min, dScale1Max);
    dScale1PixPerUnitB = ScalePixelsPerUnit(nCurveAreaHeightB, dScale1Min, dScale1Max);
    ComputeGridLines(anGridLineY1, nCurveAreaHeight, dScale1Min, dScale1Max, dScale1PixPerUnit, &nScale1RangeSign);
    ComputeGridLines(anGridLineY1B, nCurveAreaHeightB, dScale1Min, dScale1Max, dScale1PixPerUnitB,
                     &nScale1RangeSign);
    nGridLines1 = anGridLineY1B[0];
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
    a[n++] = {SL_INT, &nSensorSize, nullptr};
    a[n++] = {SL_INT, &nMapUnits, nullptr};
    a[n++] = {SL_INT, &nSpeedUnits, nullptr};
    a[n++] = {SL_INT, &nInstrumentPort, nullptr};
    a[n++] = {SL_INT, &bAudioTicks, nullptr};
    a[n++] = {SL_INT, &bDisconnectAlarm, nullptr};
    a[n++] = {SL_INT, &bGpsMaskAudio, nullptr};
    a[n++] = {SL_INT, &nPauseKey, nullptr};
    a[n++] = {SL_COLORMAPVIEW, &nColorMapView, nullptr};
    a[n++] = {SL_INT, &nEm61Type, bLx2 ? nullptr : Mk2AfterEm61Type};
    for (int i = 0; i < 8; i++) a[n++] = {SL_INT, &anChannelPenWidth[i], nullptr};
    for (int i = 0; i < 8; i++) a[n++] = {SL_COLOR, &aclrChannel[i], nullptr};
    a[n++] = {SL_INT, &nScaleType, nullptr};
    a[n++] = {SL_REAL, &dScale1Min, nullptr};
    a[n++] = {SL_REAL, &dScale1Max, bLx2 ? Lx2AfterScale1 : Mk2AfterScale1};
    a[n++] = {SL_INT, &bGpsEnabled, nullptr};
    a[n++] = {SL_INT, &nGpsFormat, nullptr};
    a[n++] = {SL_INT, &nGpsPort, nullptr};
    a[n++] = {SL_INT, &nGpsBaud, nullptr};
    a[n++] = {SL_INT, &nGpsDataBits, nullptr};
    a[n++] = {SL_INT, &nGpsParity, nullptr};
    a[n++] = {SL_INT, &nGpsStopBits, nullptr};
    a[n++] = {SL_REAL, &dSpeedScaleMax, nullptr};
    a[n++] = {SL_INT, &nGeometryUnits, nullptr};
    a[n++] = {SL_REAL, &dGpsOffsetX, nullptr};
    a[n++] = {SL_YOFFSET_SAVED, &dGpsOffsetYSaved, nullptr};
    a[n++] = {SL_INT, &nSurveyMode, SettingsAfterSurveyMode};
    a[n++] = {SL_INT, &nSwathIndex, nullptr};
    if (bLx2) {
        a[n++] = {SL_REAL, &dStationIncrementAuto, nullptr};
        a[n++] = {SL_REAL, &dStationIncrementWheel, nullptr};
        a[n++] = {SL_REAL, &dStationIncrementManual, nullptr};
    } else {
        a[n++] = {SL_REAL, &dStationIncrementAutoMk2, nullptr};
        a[n++] = {SL_REAL, &dStationIncrementWheelMk2, nullptr};
        a[n++] = {SL_REAL, &dStationIncrementManualMk2, nullptr};
    }
    a[n++] = {SL_REAL, &dSampleInterval, SettingsAfterSampleInterval};
    a[n++] = {SL_SURVEYLINE15, szSurveyLine, nullptr};
    a[n++] = {SL_REAL, &dLineIncrement, nullptr};
    a[n++] = {SL_INT, &nLineMode, nullptr};
    a[n++] = {SL_INT, &nLineDirection, nullptr};
    if (bLx2) a[n++] = {SL_REAL, &dStartStation, SettingsAfterStartStation};
    else a[n++] = {SL_REAL, &dStartStationMk2, Mk2AfterStartStation};
    a[n++] = {SL_INT, &nPositionSize, SettingsAfterPositionSize};
    a[n++] = {SL_INT, &nCursorSize, nullptr};
    a[n++] = {SL_COLOR, &clrCursor, nullptr};
    a[n++] = {SL_COLOR, &clrPosition, nullptr};
    a[n++] = {SL_REAL, &dGridInterval, nullptr};
    a[n++] = {SL_LONG, &nMapSize, nullptr};
    a[n++] = {SL_INT, &nGridMode, nullptr};
    a[n++] = {SL_REAL, &dLinesAngle, nullptr};
    a[n++] = {SL_INT, &nCursorBand, SettingsAfterCursorBand};
    a[n++] = {SL_INT, &nCoordUnits, nullptr};
    a[n++] = {SL_INT, &bGpsMaskEnabled, nullptr};
    a[n++] = {SL_INT, &nGpsMinQuality, nullptr};
    a[n++] = {SL_INT, &nGpsMinSatellites, nullptr};
    a[n++] = {SL_REAL, &dGpsMaxDop, nullptr};
    a[n++] = {SL_REAL, &dStoredReal1, nullptr};
    a[n++] = {SL_INT, &nNullApply, nullptr};
    for (int i = 0; i < 4; i++) a[n++] = {SL_REAL, &adOffset[i], nullptr};
    a[n++] = {SL_INT, &bBgJoinPositions, nullptr};
    a[n++] = {SL_INT, &nBgDisplayType, nullptr};
    a[n++] = {SL_INT, &nBgCoordType, nullptr};
    a[n++] = {SL_INT, &nBgColumnY, nullptr};
    a[n++] = {SL_INT, &nBgColumnX, nullptr};
    a[n++] = {SL_INT, &nBgColumnLabel, nullptr};
    a[n++] = {SL_INT, &nBgDelimiter, nullptr};
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
    SettingsLine aLines[110];
    WriteSettingsLines(hFile, aLines, BuildEm61Lines(aLines));
}

void ReadSettingsEm61Mk2(HANDLE hFile)
{
    SettingsLine aLines[110];
    ReadSettingsLines(hFile, aLines, BuildEm61Lines(aLines));
}

void WriteSettingsEm61Lx2(HANDLE hFile)
{
    SettingsLine aLines[110];
    WriteSettingsLines(hFile, aLines, BuildEm61Lines(aLines));
}

void ReadSettingsEm61Lx2(HANDLE hFile)
{
    SettingsLine aLines[110];
    ReadSettingsLines(hFile, aLines, BuildEm61Lines(aLines));
}
