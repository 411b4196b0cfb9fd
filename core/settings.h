// Settings: every global kept in the configuration file, the values derived from them, and the file routines.
#pragma once

#include "platform/platform.h"

// ---------------------------------------------------------------------------------------------------------------
// Text settings (wide; folders at most 260 characters, the survey line at most 15)
// ---------------------------------------------------------------------------------------------------------------
extern wchar_t szDataFolder[261];        // "C:\"
extern wchar_t szBackgroundFolder[261];  // "C:\"
extern wchar_t szSurveyLine[16];         // "1"

// ---------------------------------------------------------------------------------------------------------------
// System group
// ---------------------------------------------------------------------------------------------------------------
extern int bInstrumentEnabled;  // 1; 0 = GPS only
extern int nSensorSize;         // 0 (EM61-MK2 coil size 0..4)
extern int nMapUnits;           // 0 metres, 1 feet, 2 US survey feet
extern int nSpeedUnits;         // 0 m/s, 1 ft/s, 2 km/h, 3 mph
extern int nInstrumentPort;     // 3 (0..98 for COM1..COM99)
extern int bAudioTicks;         // 1
extern int bDisconnectAlarm;    // 1
extern int bGpsMaskAudio;       // 1
extern int nPauseKey;           // 0 (0..3)
extern int nColorMapView;       // per instrument (start-up defaults); 0 on the Jix line
extern int nEm31Type;           // 0 (EM31-MK2, EM38, EM34-3 type line)
extern int nEm38Mk2Type;        // 0
extern int nEm61Type;           // 0 (0..3)
extern int nEm61TypeSaved;      // 1 when nEm61Type is 2 or 3 (the N.C.C. types)
extern int nSensorsMinus1;      // 1 (EM61-LX2 coils, Grad601 sensors, minus 1)
extern int nSoftMarkerKey;      // 1
extern int nInphaseUnits;       // 0 ppt, 1 mS/m
extern int nRateChoice;         // 0 (EM38-4 rate choice 0..8)
extern int nDriftReminder;      // 6 (0..5 a reminder interval, 6 never)
extern double nDriftReminderMs; // milliseconds of the drift reminder, 0 none (a double, as named)
extern int bTiltMeterOn;        // 0
extern int nTiltPort;           // 6
extern int nTiltBaud;           // 1
extern int nTiltMeterState;     // 2
extern double dGpsAntennaHeight;  // 1.35 m
extern int bAntennaRigidFix;    // 1
extern int nInstrumentBaudIndex;      // 0 (start-up default per instrument)
extern DWORD dwInstrumentTimeoutMs;   // 200 (start-up default per instrument)
extern int bReferencePhaseDone;       // start-up default per instrument

// EM61-LX2 filter factors (125..1000) with the values they replaced and their ratio forms.
extern double dFilterFactorLeft, dFilterFactorRight;          // 310
extern double dFilterFactorLeftPrev, dFilterFactorRightPrev;  // 310
extern double dFilterRatioLeft, dFilterRatioRight;            // ConvertFilterFactor(310, 1)

// ---------------------------------------------------------------------------------------------------------------
// Profile display group (ranges and per-channel pens; derived scale values are in displays/scales.h)
// ---------------------------------------------------------------------------------------------------------------
extern int anChannelPenWidth[16];  // 2, 3, 4, 1 repeated
extern COLORREF aclrChannel[16];   // blue, green, red, magenta repeated
extern int anChannelFlag[16];      // 1 (EM38-4, CS-21)
extern int nScaleType;             // 0
extern int bAltGraphScale;         // 0
extern double dScale1Min, dScale1Max;  // 0, 500
extern double dScale2Min, dScale2Max;  // -25, 25
extern double dSpeedScaleMin;          // 0 (not stored; the speed scale starts at 0)
extern double dSpeedScaleMax;          // 5
extern int nProfileCurves;             // 4 (start-up default per instrument)
extern int nEm384DisplayMode;          // 0

// ---------------------------------------------------------------------------------------------------------------
// GPS group
// ---------------------------------------------------------------------------------------------------------------
extern int bGpsEnabled;     // 1 (always 0 or 1 after loading)
extern int nGpsFormat;      // 1 (0..8)
extern int nGpsPort;        // 5 (0..98)
extern int nGpsBaud;        // 1
extern int nGpsDataBits;    // 1
extern int nGpsParity;      // 0
extern int nGpsStopBits;    // 0
extern int bGpsMaskEnabled;    // 1
extern int nGpsMinQuality;     // 1
extern int nGpsMinSatellites;  // 5
extern double dGpsMaxDop;      // 4
extern double dStoredReal1;    // 5
extern int bPseudoGga;         // 0
extern int nRtsUnits;          // 0

// ---------------------------------------------------------------------------------------------------------------
// Geometry group
// ---------------------------------------------------------------------------------------------------------------
extern int nGeometryUnits;       // 0 m, 1 cm, 2 ft, 3 in
extern double dGpsOffsetX;       // per instrument
extern double dGpsOffsetY;       // 0
extern double dGpsOffsetYSaved;  // 0 (the value written to the file by most families)
extern int nReference;           // 0 (EM34-3)
extern int nSwathIndex;          // 2 (per instrument)
extern double dSensorSeparation; // 1 m (Grad601)
extern double dEm384Height;      // 0.3 m
// Derived swath edges: map units and metres.
extern double dSwathLeft, dSwathRight, dSwathLeftM, dSwathRightM;
extern double dSwathWidth;       // Grad601 swath bar width, m

// ---------------------------------------------------------------------------------------------------------------
// Survey group
// ---------------------------------------------------------------------------------------------------------------
extern int nSurveyMode;          // 0 AUTO, 1 WHEEL, 2 MANUAL
extern int nSurveyModeSaved, nSurveyModePrev;
extern int nComponent;           // 0
extern int nDipoleMode;          // 0
extern int nReadingsPerStation;  // 10
extern int nEm34Configuration;   // 1 (1..6)
extern int nEm34DipoleLetter;    // 'V' or 'H'
extern int nEm34Separation;      // 10, 20 or 40 m
extern double dStationIncrementAuto, dStationIncrementWheel, dStationIncrementManual;           // 1, 0.2, 2
extern double dStationIncrementAutoMk2, dStationIncrementWheelMk2, dStationIncrementManualMk2;  // 1, 0.2, 2
extern double dStartStation, dStartStationMk2;  // 0
extern double dSampleInterval;    // 0.2 s
extern int nSampleIntervalMs;     // 200
extern double dLineIncrement;     // 1
extern int nLineMode;             // 0
extern int nLineDirection;        // 2
extern int nNullApply;            // 0
extern double adOffset[4];        // EM61 zero offsets of channels 1..4 (set by nulling)
// Working station values (used by the logging session and the record writers).
extern double dStation, dStationIncrement, dStationIncrementPrev;

// ---------------------------------------------------------------------------------------------------------------
// Map display group
// ---------------------------------------------------------------------------------------------------------------
extern int nPositionSize;      // 3 (0..5)
extern int nCursorSize;        // 4
extern COLORREF clrCursor;     // 0
extern COLORREF clrPosition;   // 16711680 (blue)
extern double dGridInterval;   // 2
extern int nMapSize;           // 40 (at least 1)
extern int nGridMode;          // 0
extern double dLinesAngle;     // -20 degrees
extern int nCursorBand;        // 1 (0..6)
extern int nCoordUnits;        // 0 (0..3)
// Derived: marker sizes and the scroll margin of the map view.
extern int nPositionMarkerSize;  // 2 x nPositionSize + 7 (19 for 5)
extern int nCrossHairHalf;       // nPositionSize + 3 (9 for 5)
extern int nCursorBandPixels;    // (nCursorBand x 5 + 10) % of nMapViewPixels
extern int nMapViewPixels;       // width of the square map window; set by the logging-screen arrangement

// ---------------------------------------------------------------------------------------------------------------
// Alarm group (EM61-LX2)
// ---------------------------------------------------------------------------------------------------------------
extern int nAlarmType, nAlarmAudio, nAlarmChannel, nAlarmAnomalyWidth, nAlarmDescending;  // 0, 1, 0, 0, 0
extern double dAlarmLevel, dAlarmMinLevel, dAlarmMaxLevel;                                // 100, 50, 1000

// ---------------------------------------------------------------------------------------------------------------
// Background file group
// ---------------------------------------------------------------------------------------------------------------
extern int bBgJoinPositions;  // 0
extern int nBgDisplayType;    // 1
extern int nBgCoordType;      // 1
extern int nBgColumnY;        // 0
extern int nBgColumnX;        // 1
extern int nBgColumnLabel;    // 2
extern int nBgDelimiter;      // 1

// ---------------------------------------------------------------------------------------------------------------
// Calibration coefficients and EM38-4 / CS-21 extras
// ---------------------------------------------------------------------------------------------------------------
extern double adCalibration[12];  // 0
extern double adCalibrationB[8];  // 0
extern double dLowBatteryVolts;   // 10.5
extern int nEm384StoredInt1;      // 2 (rate value choice)
extern int nEm384StoredInt2;      // 2
extern int nEm384StoredInt3;      // 0
extern int nEm384StoredInt4;      // 0
extern double dEm384StoredReal3, dEm384StoredReal4, dEm384StoredReal5, dEm384StoredReal6;  // 0, 200, -2, 0
extern double dEm384StoredReal7, dEm384StoredReal8, dEm384StoredReal9;                     // 0.4, 20, 100
// Derived when the file is read.
extern int nEm384RateValue;         // 1, 5, 10, 15 or 20 (from nEm384StoredInt1); initial 10
extern double dEm384Selected;       // one of the stored reals 7..9, or 0
extern int nEm384Selected;          // 0, or nEm384StoredInt4 + 1
extern int nEm384CalibrationState;  // 0 none, 1 coefficients, 2 carrier-effect coefficients

// ---------------------------------------------------------------------------------------------------------------
// Build identity of the configuration file
// ---------------------------------------------------------------------------------------------------------------
// Version string ("2.25") and three-digit code ("225") of the build (product line and instrument); "" when the
// type has no row.
const char *SettingsVersionString(int instrumentType, int jixProduct);
const char *SettingsVersionCode(int instrumentType, int jixProduct);
// Folder and file stem of the instrument ("61MK2", "CS-21"); nullptr when the type has none.
const char *SettingsFileStem(int instrumentType);
// The configuration file's drive path for the current build into szPath (at most 260 characters); 1 on success.
int GetSettingsFilePath(wchar_t *szPath, int nPathSize);

// ---------------------------------------------------------------------------------------------------------------
// File routines
// ---------------------------------------------------------------------------------------------------------------
// mode 0 load (a missing or stale file is written from memory), 1 save, 2 delete. Returns the success flag of the
// last file operation.
int LoadSaveSettingsFile(int mode);

void ReadSettingsEmFamily(HANDLE hFile);
void WriteSettingsEmFamily(HANDLE hFile);
void ReadSettingsEm61Mk2(HANDLE hFile);
void WriteSettingsEm61Mk2(HANDLE hFile);
void ReadSettingsEm61Lx2(HANDLE hFile);
void WriteSettingsEm61Lx2(HANDLE hFile);
void ReadEm384SettingsFile(HANDLE hFile);
void WriteEm384SettingsFile(HANDLE hFile);
void ReadDualEmSettingsFile(HANDLE hFile);
void WriteDualEmSettingsFile(HANDLE hFile);
void LoadSettingsGrad(HANDLE hFile);
void SaveSettingsGrad(HANDLE hFile);

// Per-instrument start-up defaults of the build's instrument (before the file is read); also keeps the copy that
// out-of-range values in a file fall back to.
void ApplyStartupDefaults();

// Swath edges of the current instrument from nSwathIndex, nSensorSize / nSensorsMinus1, dGpsOffsetX and nMapUnits.
// Used by the settings readers and by every dialog that changes one of these.
void UpdateSwathEdges();

// ---------------------------------------------------------------------------------------------------------------
// Line lists shared by the family readers and writers (one list per family serves both directions)
// ---------------------------------------------------------------------------------------------------------------
enum SettingsLineKind {
    SL_FOLDER,          // wchar_t[261], at most 260 characters
    SL_SURVEYLINE15,    // szSurveyLine, at most 15 characters
    SL_SURVEYLINE14,    // szSurveyLine, at most 14 characters (15-byte work buffer)
    SL_INT,             // int, "%d"
    SL_LONG,            // int, "%ld"
    SL_COLOR,           // COLORREF, "%ld"
    SL_REAL,            // double, "%f"
    SL_COLORMAPVIEW,    // nColorMapView: written as 0 on the Jix line, forced after reading
    SL_YOFFSET_SAVED,   // writes dGpsOffsetYSaved; reads into dGpsOffsetY and dGpsOffsetYSaved
    SL_YOFFSET,         // writes dGpsOffsetY; reads into dGpsOffsetY and dGpsOffsetYSaved
};
struct SettingsLine {
    int kind;
    void *value;
    void (*after)();  // derivation run after the line is read (also when the file ended before it), or nullptr
};
// Writes or reads the lines in order; a file that ends early leaves the remaining settings as they are.
void WriteSettingsLines(HANDLE hFile, const SettingsLine *aLines, int nLines);
void ReadSettingsLines(HANDLE hFile, const SettingsLine *aLines, int nLines);
// Builds a family's list (at most SETTINGS_LINES_MAX lines) and writes or reads it.
enum { SETTINGS_LINES_MAX = 200 };
void WriteSettingsList(HANDLE hFile, int (*pfnBuildLines)(SettingsLine *aLines));
void ReadSettingsList(HANDLE hFile, int (*pfnBuildLines)(SettingsLine *aLines));
// Blocks of lines the families share: each appends its lines at aLines[n] and returns the new count.
// Sensor size, units, instrument port, audio and alarm switches, pause key and colour-map view.
int AddInstrumentLines(SettingsLine *aLines, int n);
// Pen width of each channel, then the colour of each channel.
int AddChannelPenLines(SettingsLine *aLines, int n, int nChannels);
// GPS port, speed scale and antenna offsets; the Y offset line is SL_YOFFSET or SL_YOFFSET_SAVED.
int AddGpsPortLines(SettingsLine *aLines, int n, int nYOffsetKind);
// Automatic, wheel and manual station increments, then the sample interval.
int AddStationIncrementLines(SettingsLine *aLines, int n, double *pAuto, double *pWheel, double *pManual);
// Survey line name (SL_SURVEYLINE15 or SL_SURVEYLINE14), line increment, line mode and line direction.
int AddSurveyLineLines(SettingsLine *aLines, int n, int nSurveyLineKind);
// Map: position and cursor marks, grid, map size, lines angle, cursor band and coordinate units.
int AddMapLines(SettingsLine *aLines, int n);
// GPS quality mask, then the stored real that follows it (with the family's derivation, or nullptr).
int AddGpsMaskLines(SettingsLine *aLines, int n, void (*pfnAfterStoredReal)());
// Background file: joining, display, coordinates, columns and delimiter.
int AddBackgroundFileLines(SettingsLine *aLines, int n);
// Derivations shared by the families.
void SettingsAfterSurveyMode();
void SettingsAfterSampleInterval();
void SettingsAfterStartStation();
void SettingsAfterPositionSize();
void SettingsAfterCursorBand();
// Scale-1 and scale-2 pixels per unit on the given heights; a reversed or empty range takes the defaults first.
void SettingsCheckScale1();
void SettingsCheckScale2();
// Scale 1 checked, then its pixels per unit and grid lines on the curve area and on the B area.
void SettingsAfterScale1();
// Copy of the start-up defaults that out-of-range values in a file fall back to (ApplyStartupDefaults takes it).
void SnapshotStartupDefaults();
// Puts every setting back to the value it has before the start-up defaults (tests start each case from here).
void RestoreInitialSettings();
