// Settings globals with the values they hold before the start-up defaults and the configuration file.
#include "core/settings.h"

wchar_t szDataFolder[261] = L"C:\\";
wchar_t szBackgroundFolder[261] = L"C:\\";
wchar_t szSurveyLine[16] = L"1";

int bInstrumentEnabled = 1;
int nSensorSize = 0;
int nMapUnits = 0;
int nSpeedUnits = 0;
int nInstrumentPort = 3;
int bAudioTicks = 1;
int bDisconnectAlarm = 1;
int bGpsMaskAudio = 1;
int nPauseKey = 0;
int nColorMapView = 1;
int nEm31Type = 0;
int nEm38Mk2Type = 0;
int nEm61Type = 0;
int nEm61TypeSaved = 0;
int nSensorsMinus1 = 1;
int nSoftMarkerKey = 1;
int nInphaseUnits = 0;
int nRateChoice = 0;
int nDriftReminder = 6;
double nDriftReminderMs = 0;
int bTiltMeterOn = 0;
int nTiltPort = 6;
int nTiltBaud = 1;
int nTiltMeterState = 2;
double dGpsAntennaHeight = 1.35;
int bAntennaRigidFix = 1;
int nInstrumentBaudIndex = 0;
DWORD dwInstrumentTimeoutMs = 200;
int bReferencePhaseDone = 0;

double dFilterFactorLeft = 310.0, dFilterFactorRight = 310.0;
double dFilterFactorLeftPrev = 310.0, dFilterFactorRightPrev = 310.0;
double dFilterRatioLeft = 0, dFilterRatioRight = 0;

int anChannelPenWidth[16] = {2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4, 1};
COLORREF aclrChannel[16] = {
    RGB(0, 0, 255), RGB(0, 255, 0), RGB(255, 0, 0), RGB(255, 0, 255), RGB(0, 0, 255), RGB(0, 255, 0),
    RGB(255, 0, 0), RGB(255, 0, 255), RGB(0, 0, 255), RGB(0, 255, 0), RGB(255, 0, 0), RGB(255, 0, 255),
    RGB(0, 0, 255), RGB(0, 255, 0), RGB(255, 0, 0), RGB(255, 0, 255)};
int anChannelFlag[16] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
int nScaleType = 0;
int bAltGraphScale = 0;
double dScale1Min = 0, dScale1Max = 500;
double dScale2Min = -25, dScale2Max = 25;
double dSpeedScaleMin = 0;
double dSpeedScaleMax = 5;
int nProfileCurves = 4;
int nEm384DisplayMode = 0;

int bGpsEnabled = 1;
int nGpsFormat = 1;
int nGpsPort = 5;
int nGpsBaud = 1;
int nGpsDataBits = 1;
int nGpsParity = 0;
int nGpsStopBits = 0;
int bGpsMaskEnabled = 1;
int nGpsMinQuality = 1;
int nGpsMinSatellites = 5;
double dGpsMaxDop = 4;
double dStoredReal1 = 5;
int bPseudoGga = 0;
int nRtsUnits = 0;

int nGeometryUnits = 0;
double dGpsOffsetX = 0;
double dGpsOffsetY = 0;
double dGpsOffsetYSaved = 0;
int nReference = 0;
int nSwathIndex = 2;
double dSensorSeparation = 1;
double dEm384Height = 0.3;
double dSwathLeft = 0.5, dSwathRight = 0.5, dSwathLeftM = 0.5, dSwathRightM = 0.5;
double dSwathWidth = 0.75;

int nSurveyMode = 0;
int nSurveyModeSaved = 0, nSurveyModePrev = 0;
int nComponent = 0;
int nDipoleMode = 0;
int nReadingsPerStation = 10;
int nEm34Configuration = 1;
int nEm34DipoleLetter = 'V';
int nEm34Separation = 10;
double dStationIncrementAuto = 1, dStationIncrementWheel = 0.2, dStationIncrementManual = 2;
double dStationIncrementAutoMk2 = 1, dStationIncrementWheelMk2 = 0.2, dStationIncrementManualMk2 = 2;
double dStartStation = 0, dStartStationMk2 = 0;
double dSampleInterval = 0.2;
int nSampleIntervalMs = 200;
double dLineIncrement = 1;
int nLineMode = 0;
int nLineDirection = 2;
int nNullApply = 0;
double adOffset[4] = {0, 0, 0, 0};
double dStation = 0, dStationIncrement = 1, dStationIncrementPrev = 1;

int nPositionSize = 3;
int nCursorSize = 4;
COLORREF clrCursor = 0;
COLORREF clrPosition = 16711680;
double dGridInterval = 2;
int nMapSize = 40;
int nGridMode = 0;
double dLinesAngle = -20;
int nCursorBand = 1;
int nCoordUnits = 0;
int nPositionMarkerSize = 13;
int nCrossHairHalf = 6;
int nCursorBandPixels = 76;
int nMapViewPixels = 0;

int nAlarmType = 0, nAlarmAudio = 1, nAlarmChannel = 0, nAlarmAnomalyWidth = 0, nAlarmDescending = 0;
double dAlarmLevel = 100, dAlarmMinLevel = 50, dAlarmMaxLevel = 1000;

int bBgJoinPositions = 0;
int nBgDisplayType = 1;
int nBgCoordType = 1;
int nBgColumnY = 0;
int nBgColumnX = 1;
int nBgColumnLabel = 2;
int nBgDelimiter = 1;

double adCalibration[12] = {0};
double adCalibrationB[8] = {0};
double dLowBatteryVolts = 10.5;
int nEm384StoredInt1 = 2;
int nEm384StoredInt2 = 2;
int nEm384StoredInt3 = 0;
int nEm384StoredInt4 = 0;
double dEm384StoredReal3 = 0, dEm384StoredReal4 = 200, dEm384StoredReal5 = -2, dEm384StoredReal6 = 0;
double dEm384StoredReal7 = 0.4, dEm384StoredReal8 = 20, dEm384StoredReal9 = 100;
int nEm384RateValue = 10;
double dEm384Selected = 0;
int nEm384Selected = 0;
int nEm384CalibrationState = 0;
