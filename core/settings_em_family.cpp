// Settings lines of the EM family: EM31-MK2, EM38, EM34-3 and EM38-MK2 (and any type without a list of its own).
#include <cmath>

#include "core/core.h"
#include "core/settings.h"
#include "displays/grid.h"
#include "displays/scales.h"
#include "logscreen/logscreen.h"

static void EmAfterScale1()
{
    SettingsCheckScale1();
    dScale1PixPerUnit = ScalePixelsPerUnit(nCurveAreaHeight, dScale1Min, dScale1Max);
    dScale1PixPerUnitB = ScalePixelsPerUnit(nCurveAreaHeightB, dScale1Min, dScale1Max);
    ComputeGridLines(anGridLineY1, nCurveAreaHeight, dScale1Min, dScale1Max, dScale1PixPerUnit, &nScale1RangeSign);
    ComputeGridLines(anGridLineY1B, nCurveAreaHeightB, dScale1Min, dScale1Max, dScale1PixPerUnitB,
                     &nScale1RangeSign);
    nGridLines1 = anGridLineY1B[0];
}

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
    a[n++] = {SL_INT, &nSensorSize, nullptr};
    a[n++] = {SL_INT, &nMapUnits, nullptr};
    a[n++] = {SL_INT, &nSpeedUnits, nullptr};
    a[n++] = {SL_INT, &nInstrumentPort, nullptr};
    a[n++] = {SL_INT, &bAudioTicks, nullptr};
    a[n++] = {SL_INT, &bDisconnectAlarm, nullptr};
    a[n++] = {SL_INT, &bGpsMaskAudio, nullptr};
    a[n++] = {SL_INT, &nPauseKey, nullptr};
    a[n++] = {SL_COLORMAPVIEW, &nColorMapView, nullptr};
    a[n++] = {SL_INT, bEm38Mk2 ? &nEm38Mk2Type : &nEm31Type, nullptr};
    for (int i = 0; i < 8; i++) a[n++] = {SL_INT, &anChannelPenWidth[i], nullptr};
    for (int i = 0; i < 8; i++) a[n++] = {SL_COLOR, &aclrChannel[i], nullptr};
    a[n++] = {SL_INT, &nScaleType, nullptr};
    a[n++] = {SL_REAL, &dScale1Min, nullptr};
    a[n++] = {SL_REAL, &dScale1Max, EmAfterScale1};
    a[n++] = {SL_REAL, &dScale2Min, nullptr};
    a[n++] = {SL_REAL, &dScale2Max, EmAfterScale2};
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
    if (bEm34) a[n++] = {SL_INT, &nReference, nullptr};
    a[n++] = {SL_INT, &nSurveyMode, SettingsAfterSurveyMode};
    a[n++] = {SL_INT, &nComponent, nullptr};
    a[n++] = {SL_INT, &nDipoleMode, nullptr};
    if (bEm34) a[n++] = {SL_INT, &nReadingsPerStation, Em34AfterReadingsPerStation};
    a[n++] = {SL_INT, &nSwathIndex, nullptr};
    a[n++] = {SL_REAL, &dStationIncrementAuto, nullptr};
    a[n++] = {SL_REAL, &dStationIncrementWheel, nullptr};
    a[n++] = {SL_REAL, &dStationIncrementManual, nullptr};
    a[n++] = {SL_REAL, &dSampleInterval, SettingsAfterSampleInterval};
    a[n++] = {SL_SURVEYLINE15, szSurveyLine, nullptr};
    a[n++] = {SL_REAL, &dLineIncrement, nullptr};
    a[n++] = {SL_INT, &nLineMode, nullptr};
    a[n++] = {SL_INT, &nLineDirection, nullptr};
    a[n++] = {SL_REAL, &dStartStation, SettingsAfterStartStation};
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
    if (bEm38Mk2) {
        static const int anOrder[6] = {10, 8, 2, 0, 6, 4};
        for (int i = 0; i < 6; i++) a[n++] = {SL_REAL, &adCalibration[anOrder[i]], nullptr};
    }
    a[n++] = {SL_INT, &bBgJoinPositions, nullptr};
    a[n++] = {SL_INT, &nBgDisplayType, nullptr};
    a[n++] = {SL_INT, &nBgCoordType, nullptr};
    a[n++] = {SL_INT, &nBgColumnY, nullptr};
    a[n++] = {SL_INT, &nBgColumnX, nullptr};
    a[n++] = {SL_INT, &nBgColumnLabel, nullptr};
    a[n++] = {SL_INT, &nBgDelimiter, nullptr};
    a[n++] = {SL_INT, &bPseudoGga, nullptr};
    a[n++] = {SL_INT, &nRtsUnits, UpdateSwathEdges};
    return n;
}

void WriteSettingsEmFamily(HANDLE hFile)
{
    SettingsLine aLines[100];
    WriteSettingsLines(hFile, aLines, BuildEmFamilyLines(aLines));
}

void ReadSettingsEmFamily(HANDLE hFile)
{
    SettingsLine aLines[100];
    ReadSettingsLines(hFile, aLines, BuildEmFamilyLines(aLines));
}
