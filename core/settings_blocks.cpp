// Settings lines: the blocks and derivations the family lists share, and building a list to write or read it.
#include "core/core.h"
#include "core/settings.h"
#include "displays/grid.h"
#include "displays/scales.h"
#include "logscreen/logscreen.h"

void SettingsAfterScale1()
{
    SettingsCheckScale1();
    dScale1PixPerUnit = ScalePixelsPerUnit(nCurveAreaHeight, dScale1Min, dScale1Max);
    dScale1PixPerUnitB = ScalePixelsPerUnit(nCurveAreaHeightB, dScale1Min, dScale1Max);
    ComputeGridLines(anGridLineY1, nCurveAreaHeight, dScale1Min, dScale1Max, dScale1PixPerUnit, &nScale1RangeSign);
    ComputeGridLines(anGridLineY1B, nCurveAreaHeightB, dScale1Min, dScale1Max, dScale1PixPerUnitB,
                     &nScale1RangeSign);
    nGridLines1 = anGridLineY1B[0];
}

void WriteSettingsList(HANDLE hFile, int (*pfnBuildLines)(SettingsLine *aLines))
{
    SettingsLine aLines[SETTINGS_LINES_MAX];
    WriteSettingsLines(hFile, aLines, pfnBuildLines(aLines));
}

void ReadSettingsList(HANDLE hFile, int (*pfnBuildLines)(SettingsLine *aLines))
{
    SettingsLine aLines[SETTINGS_LINES_MAX];
    ReadSettingsLines(hFile, aLines, pfnBuildLines(aLines));
}

int AddInstrumentLines(SettingsLine *a, int n)
{
    a[n++] = {SL_INT, &nSensorSize, nullptr};
    a[n++] = {SL_INT, &nMapUnits, nullptr};
    a[n++] = {SL_INT, &nSpeedUnits, nullptr};
    a[n++] = {SL_INT, &nInstrumentPort, nullptr};
    a[n++] = {SL_INT, &bAudioTicks, nullptr};
    a[n++] = {SL_INT, &bDisconnectAlarm, nullptr};
    a[n++] = {SL_INT, &bGpsMaskAudio, nullptr};
    a[n++] = {SL_INT, &nPauseKey, nullptr};
    a[n++] = {SL_COLORMAPVIEW, &nColorMapView, nullptr};
    return n;
}

int AddChannelPenLines(SettingsLine *a, int n, int nChannels)
{
    for (int i = 0; i < nChannels; i++) a[n++] = {SL_INT, &anChannelPenWidth[i], nullptr};
    for (int i = 0; i < nChannels; i++) a[n++] = {SL_COLOR, &aclrChannel[i], nullptr};
    return n;
}

int AddGpsPortLines(SettingsLine *a, int n, int nYOffsetKind)
{
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
    a[n++] = {nYOffsetKind, nYOffsetKind == SL_YOFFSET ? &dGpsOffsetY : &dGpsOffsetYSaved, nullptr};
    return n;
}

int AddStationIncrementLines(SettingsLine *a, int n, double *pAuto, double *pWheel, double *pManual)
{
    a[n++] = {SL_REAL, pAuto, nullptr};
    a[n++] = {SL_REAL, pWheel, nullptr};
    a[n++] = {SL_REAL, pManual, nullptr};
    a[n++] = {SL_REAL, &dSampleInterval, SettingsAfterSampleInterval};
    return n;
}

int AddSurveyLineLines(SettingsLine *a, int n, int nSurveyLineKind)
{
    a[n++] = {nSurveyLineKind, szSurveyLine, nullptr};
    a[n++] = {SL_REAL, &dLineIncrement, nullptr};
    a[n++] = {SL_INT, &nLineMode, nullptr};
    a[n++] = {SL_INT, &nLineDirection, nullptr};
    return n;
}

int AddMapLines(SettingsLine *a, int n)
{
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
    return n;
}

int AddGpsMaskLines(SettingsLine *a, int n, void (*pfnAfterStoredReal)())
{
    a[n++] = {SL_INT, &bGpsMaskEnabled, nullptr};
    a[n++] = {SL_INT, &nGpsMinQuality, nullptr};
    a[n++] = {SL_INT, &nGpsMinSatellites, nullptr};
    a[n++] = {SL_REAL, &dGpsMaxDop, nullptr};
    a[n++] = {SL_REAL, &dStoredReal1, pfnAfterStoredReal};
    return n;
}

int AddBackgroundFileLines(SettingsLine *a, int n)
{
    a[n++] = {SL_INT, &bBgJoinPositions, nullptr};
    a[n++] = {SL_INT, &nBgDisplayType, nullptr};
    a[n++] = {SL_INT, &nBgCoordType, nullptr};
    a[n++] = {SL_INT, &nBgColumnY, nullptr};
    a[n++] = {SL_INT, &nBgColumnX, nullptr};
    a[n++] = {SL_INT, &nBgColumnLabel, nullptr};
    a[n++] = {SL_INT, &nBgDelimiter, nullptr};
    return n;
}
