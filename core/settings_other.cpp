// Settings lines of the EM38-4, the CS-21 and the Grad601.
#include "core/core.h"
#include "core/rates.h"
#include "core/settings.h"
#include "dialogs/dialog_services.h"
#include "displays/grid.h"
#include "displays/scales.h"
#include "logscreen/logscreen.h"

static void MultiAfterScale1()
{
    SettingsCheckScale1();
    dScale1PixPerUnit = ScalePixelsPerUnit(nCurveAreaHeight, dScale1Min, dScale1Max);
    dScale1PixPerUnitB = ScalePixelsPerUnit(nCurveAreaHeightB, dScale1Min, dScale1Max);
    ComputeGridLines(anGridLineY1, nCurveAreaHeight, dScale1Min, dScale1Max, dScale1PixPerUnit, &nScale1RangeSign);
    ComputeGridLines(anGridLineY1B, nCurveAreaHeightB, dScale1Min, dScale1Max, dScale1PixPerUnitB,
                     &nScale1RangeSign);
    nGridLines1 = anGridLineY1B[0];
}

static void MultiAfterScale2()
{
    SettingsCheckScale2();
    dScale2PixPerUnit = ScalePixelsPerUnit(nCurveAreaHeight, dScale2Min, dScale2Max);
    dScale2PixPerUnitB = ScalePixelsPerUnit(nCurveAreaHeightB, dScale2Min, dScale2Max);
    // The only difference of the two readers: the EM38-4 draws scale 2 in the lower of two curve windows.
    int nHeight = nInstrumentType == INSTRUMENT_EM384 ? nCurveAreaHeight3 : nCurveAreaHeight;
    ComputeGridLines(anGridLineY2, nHeight, dScale2Min, dScale2Max, dScale2PixPerUnit, &nScale2RangeSign);
    ComputeGridLines(anGridLineY2B, nCurveAreaHeightB, dScale2Min, dScale2Max, dScale2PixPerUnitB,
                     &nScale2RangeSign);
    nGridLines2 = anGridLineY2B[0];
}

static void MultiAfterHeight()
{
    static const int anRateValue[5] = {1, 5, 10, 15, 20};
    if (nEm384StoredInt1 >= 0 && nEm384StoredInt1 <= 4) nEm384RateValue = anRateValue[nEm384StoredInt1];
}

static void MultiAfterStoredReals()
{
    if (nEm384StoredInt4 == 0) dEm384Selected = dEm384StoredReal7;
    else if (nEm384StoredInt4 == 1) dEm384Selected = dEm384StoredReal8;
    else if (nEm384StoredInt4 == 2) dEm384Selected = dEm384StoredReal9;
    if (nEm384StoredInt3 == 0) {
        nEm384Selected = 0;
        dEm384Selected = 0;
    } else {
        nEm384Selected = nEm384StoredInt4 + 1;
    }
    nEm384CalibrationState = 0;
    for (int i = 0; i < 12; i++)
        if (adCalibration[i] != 0) nEm384CalibrationState = 1;
    for (int i = 0; i < 8; i++)
        if (adCalibrationB[i] != 0) nEm384CalibrationState = 2;
}

static void MultiAfterDriftReminder()
{
    nDriftReminderMs = DriftReminderSeconds(nDriftReminder) * 1000.0;
    UpdateSwathEdges();
}

static int BuildMultiCoilLines(SettingsLine *a)
{
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
    for (int i = 0; i < 16; i++) a[n++] = {SL_INT, &anChannelFlag[i], nullptr};
    for (int i = 0; i < 16; i++) a[n++] = {SL_INT, &anChannelPenWidth[i], nullptr};
    for (int i = 0; i < 16; i++) a[n++] = {SL_COLOR, &aclrChannel[i], nullptr};
    a[n++] = {SL_INT, &bAltGraphScale, nullptr};
    a[n++] = {SL_REAL, &dScale1Min, nullptr};
    a[n++] = {SL_REAL, &dScale1Max, MultiAfterScale1};
    a[n++] = {SL_REAL, &dScale2Min, nullptr};
    a[n++] = {SL_REAL, &dScale2Max, MultiAfterScale2};
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
    a[n++] = {SL_YOFFSET, &dGpsOffsetY, nullptr};
    a[n++] = {SL_INT, &nSurveyMode, SettingsAfterSurveyMode};
    a[n++] = {SL_INT, &nComponent, nullptr};
    a[n++] = {SL_INT, &nDipoleMode, nullptr};
    a[n++] = {SL_INT, &nReadingsPerStation, nullptr};
    a[n++] = {SL_INT, &nEm384StoredInt2, nullptr};
    a[n++] = {SL_INT, &nRateChoice, nullptr};
    a[n++] = {SL_INT, &nSwathIndex, nullptr};
    a[n++] = {SL_REAL, &dStationIncrementAuto, nullptr};
    a[n++] = {SL_REAL, &dStationIncrementWheel, nullptr};
    a[n++] = {SL_REAL, &dStationIncrementManual, nullptr};
    a[n++] = {SL_REAL, &dSampleInterval, SettingsAfterSampleInterval};
    a[n++] = {SL_SURVEYLINE14, szSurveyLine, nullptr};
    a[n++] = {SL_REAL, &dLineIncrement, nullptr};
    a[n++] = {SL_INT, &nLineMode, nullptr};
    a[n++] = {SL_INT, &nLineDirection, nullptr};
    a[n++] = {SL_REAL, &dStartStation, nullptr};
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
    a[n++] = {SL_REAL, &dStoredReal1, SettingsAfterStartStation};
    a[n++] = {SL_REAL, &dLowBatteryVolts, nullptr};
    a[n++] = {SL_INT, &nEm384DisplayMode, nullptr};
    a[n++] = {SL_INT, &nEm384StoredInt1, nullptr};
    a[n++] = {SL_INT, &nRateChoice, nullptr};
    a[n++] = {SL_REAL, &dEm384Height, MultiAfterHeight};
    for (int i = 8; i < 12; i++) a[n++] = {SL_REAL, &adCalibration[i], nullptr};
    for (int i = 0; i < 8; i++) a[n++] = {SL_REAL, &adCalibration[i], nullptr};
    static const int anOrderB[8] = {0, 2, 1, 3, 4, 6, 5, 7};
    for (int i = 0; i < 8; i++) a[n++] = {SL_REAL, &adCalibrationB[anOrderB[i]], nullptr};
    a[n++] = {SL_INT, &nSoftMarkerKey, nullptr};
    a[n++] = {SL_INT, &nInphaseUnits, nullptr};
    a[n++] = {SL_REAL, &dEm384StoredReal3, nullptr};
    a[n++] = {SL_REAL, &dEm384StoredReal4, nullptr};
    a[n++] = {SL_REAL, &dEm384StoredReal5, nullptr};
    a[n++] = {SL_REAL, &dEm384StoredReal6, nullptr};
    a[n++] = {SL_INT, &nEm384StoredInt3, nullptr};
    a[n++] = {SL_INT, &nEm384StoredInt4, nullptr};
    a[n++] = {SL_REAL, &dEm384StoredReal7, nullptr};
    a[n++] = {SL_REAL, &dEm384StoredReal8, nullptr};
    a[n++] = {SL_REAL, &dEm384StoredReal9, MultiAfterStoredReals};
    a[n++] = {SL_INT, &bBgJoinPositions, nullptr};
    a[n++] = {SL_INT, &nBgDisplayType, nullptr};
    a[n++] = {SL_INT, &nBgCoordType, nullptr};
    a[n++] = {SL_INT, &nBgColumnY, nullptr};
    a[n++] = {SL_INT, &nBgColumnX, nullptr};
    a[n++] = {SL_INT, &nBgColumnLabel, nullptr};
    a[n++] = {SL_INT, &nBgDelimiter, nullptr};
    a[n++] = {SL_INT, &bPseudoGga, nullptr};
    a[n++] = {SL_INT, &nRtsUnits, nullptr};
    a[n++] = {SL_INT, &nDriftReminder, MultiAfterDriftReminder};
    return n;
}

void WriteEm384SettingsFile(HANDLE hFile)
{
    SettingsLine aLines[170];
    WriteSettingsLines(hFile, aLines, BuildMultiCoilLines(aLines));
}

void ReadEm384SettingsFile(HANDLE hFile)
{
    SettingsLine aLines[170];
    ReadSettingsLines(hFile, aLines, BuildMultiCoilLines(aLines));
}

void WriteDualEmSettingsFile(HANDLE hFile)
{
    SettingsLine aLines[170];
    WriteSettingsLines(hFile, aLines, BuildMultiCoilLines(aLines));
}

void ReadDualEmSettingsFile(HANDLE hFile)
{
    SettingsLine aLines[170];
    ReadSettingsLines(hFile, aLines, BuildMultiCoilLines(aLines));
}

// Grad601 ------------------------------------------------------------------------------------------------------
static void GradAfterStartStation()
{
    dStationIncrement = dStationIncrementAuto;
    dStation = dStartStation;
}

static int BuildGradLines(SettingsLine *a)
{
    int n = 0;
    a[n++] = {SL_FOLDER, szDataFolder, nullptr};
    a[n++] = {SL_FOLDER, szBackgroundFolder, nullptr};
    a[n++] = {SL_INT, &bInstrumentEnabled, nullptr};
    a[n++] = {SL_INT, &nSensorsMinus1, nullptr};
    a[n++] = {SL_INT, &nSwathIndex, nullptr};
    a[n++] = {SL_REAL, &dSensorSeparation, nullptr};
    a[n++] = {SL_INT, &nSensorSize, nullptr};
    a[n++] = {SL_INT, &nMapUnits, nullptr};
    a[n++] = {SL_INT, &nSpeedUnits, nullptr};
    a[n++] = {SL_INT, &nInstrumentPort, nullptr};
    a[n++] = {SL_INT, &bAudioTicks, nullptr};
    a[n++] = {SL_INT, &bDisconnectAlarm, nullptr};
    a[n++] = {SL_INT, &bGpsMaskAudio, nullptr};
    a[n++] = {SL_INT, &nPauseKey, nullptr};
    a[n++] = {SL_COLORMAPVIEW, &nColorMapView, nullptr};
    for (int i = 0; i < 2; i++) a[n++] = {SL_INT, &anChannelPenWidth[i], nullptr};
    for (int i = 0; i < 2; i++) a[n++] = {SL_COLOR, &aclrChannel[i], nullptr};
    a[n++] = {SL_REAL, &dScale1Min, nullptr};
    a[n++] = {SL_REAL, &dScale1Max, MultiAfterScale1};
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
    a[n++] = {SL_REAL, &dStationIncrementAuto, SetReadingRateFactors};
    a[n++] = {SL_SURVEYLINE15, szSurveyLine, nullptr};
    a[n++] = {SL_REAL, &dLineIncrement, nullptr};
    a[n++] = {SL_INT, &nLineMode, nullptr};
    a[n++] = {SL_INT, &nLineDirection, nullptr};
    a[n++] = {SL_REAL, &dStartStation, GradAfterStartStation};
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
    a[n++] = {SL_INT, &bBgJoinPositions, nullptr};
    a[n++] = {SL_INT, &nBgDisplayType, nullptr};
    a[n++] = {SL_INT, &nBgCoordType, nullptr};
    a[n++] = {SL_INT, &nBgColumnY, nullptr};
    a[n++] = {SL_INT, &nBgColumnX, nullptr};
    a[n++] = {SL_INT, &nBgColumnLabel, nullptr};
    a[n++] = {SL_INT, &nBgDelimiter, nullptr};
    a[n++] = {SL_INT, &nSoftMarkerKey, UpdateSensorGeometryGrad};
    return n;
}

void SaveSettingsGrad(HANDLE hFile)
{
    SettingsLine aLines[80];
    WriteSettingsLines(hFile, aLines, BuildGradLines(aLines));
}

void LoadSettingsGrad(HANDLE hFile)
{
    SettingsLine aLines[80];
    ReadSettingsLines(hFile, aLines, BuildGradLines(aLines));
}
