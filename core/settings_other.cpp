// Settings lines of the EM38-4, the CS-21 and the Grad601.
#include "core/core.h"
#include "core/rates.h"
#include "core/settings.h"
#include "dialogs/dialog_services.h"
#include "displays/grid.h"
#include "displays/scales.h"
#include "logscreen/logscreen.h"

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
    n = AddInstrumentLines(a, n);
    for (int i = 0; i < 16; i++) a[n++] = {SL_INT, &anChannelFlag[i], nullptr};
    n = AddChannelPenLines(a, n, 16);
    a[n++] = {SL_INT, &bAltGraphScale, nullptr};
    a[n++] = {SL_REAL, &dScale1Min, nullptr};
    a[n++] = {SL_REAL, &dScale1Max, SettingsAfterScale1};
    a[n++] = {SL_REAL, &dScale2Min, nullptr};
    a[n++] = {SL_REAL, &dScale2Max, MultiAfterScale2};
    n = AddGpsPortLines(a, n, SL_YOFFSET);
    a[n++] = {SL_INT, &nSurveyMode, SettingsAfterSurveyMode};
    a[n++] = {SL_INT, &nComponent, nullptr};
    a[n++] = {SL_INT, &nDipoleMode, nullptr};
    a[n++] = {SL_INT, &nReadingsPerStation, nullptr};
    a[n++] = {SL_INT, &nEm384StoredInt2, nullptr};
    a[n++] = {SL_INT, &nRateChoice, nullptr};
    a[n++] = {SL_INT, &nSwathIndex, nullptr};
    n = AddStationIncrementLines(a, n, &dStationIncrementAuto, &dStationIncrementWheel, &dStationIncrementManual);
    n = AddSurveyLineLines(a, n, SL_SURVEYLINE14);
    a[n++] = {SL_REAL, &dStartStation, nullptr};
    n = AddMapLines(a, n);
    n = AddGpsMaskLines(a, n, SettingsAfterStartStation);
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
    n = AddBackgroundFileLines(a, n);
    a[n++] = {SL_INT, &bPseudoGga, nullptr};
    a[n++] = {SL_INT, &nRtsUnits, nullptr};
    a[n++] = {SL_INT, &nDriftReminder, MultiAfterDriftReminder};
    return n;
}

void WriteEm384SettingsFile(HANDLE hFile)
{
    WriteSettingsList(hFile, BuildMultiCoilLines);
}

void ReadEm384SettingsFile(HANDLE hFile)
{
    ReadSettingsList(hFile, BuildMultiCoilLines);
}

void WriteDualEmSettingsFile(HANDLE hFile)
{
    WriteSettingsList(hFile, BuildMultiCoilLines);
}

void ReadDualEmSettingsFile(HANDLE hFile)
{
    ReadSettingsList(hFile, BuildMultiCoilLines);
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
    n = AddInstrumentLines(a, n);
    n = AddChannelPenLines(a, n, 2);
    a[n++] = {SL_REAL, &dScale1Min, nullptr};
    a[n++] = {SL_REAL, &dScale1Max, SettingsAfterScale1};
    n = AddGpsPortLines(a, n, SL_YOFFSET_SAVED);
    a[n++] = {SL_INT, &nSurveyMode, SettingsAfterSurveyMode};
    a[n++] = {SL_INT, &nSwathIndex, nullptr};
    a[n++] = {SL_REAL, &dStationIncrementAuto, SetReadingRateFactors};
    n = AddSurveyLineLines(a, n, SL_SURVEYLINE15);
    a[n++] = {SL_REAL, &dStartStation, GradAfterStartStation};
    n = AddMapLines(a, n);
    n = AddGpsMaskLines(a, n, nullptr);
    n = AddBackgroundFileLines(a, n);
    a[n++] = {SL_INT, &nSoftMarkerKey, UpdateSensorGeometryGrad};
    return n;
}

void SaveSettingsGrad(HANDLE hFile)
{
    WriteSettingsList(hFile, BuildGradLines);
}

void LoadSettingsGrad(HANDLE hFile)
{
    ReadSettingsList(hFile, BuildGradLines);
}
