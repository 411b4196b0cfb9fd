// Logging screen and survey session: window, session state, arrangement globals.
#pragma once

#include "platform/platform.h"

// -2 logging screen closed, 0 monitoring, -1 stand-by (file open, not recording), 1 logging.
extern int nRecordingState;

// Curve-area heights set by the arrangement and read by the settings readers (pixels per unit).
extern int nCurveAreaHeight, nCurveAreaHeight2, nCurveAreaHeight3, nCurveAreaHeightB, nCurveWndWidth;

// Registers ScreenLogWnd and the display child classes: 0 success, 1 ScreenLogWnd failed, 2 a child class failed.
int RegisterScreenLogClasses(HINSTANCE inst);
LRESULT ScreenLogWndProc(HWND, UINT, WPARAM, LPARAM);
// Stops monitoring or logging; with forced 1 never asks. Returns 1 when stopped, 0 when the operator chose No.
int StopLogging(int forced);

// Message handlers of the logging screen.
LRESULT OnScreenLogCreate(HWND, UINT, WPARAM, LPARAM);
LRESULT OnScreenLogSize(HWND, UINT, WPARAM, LPARAM);
LRESULT OnScreenLogCommand(HWND, UINT, WPARAM, LPARAM);
LRESULT OnScreenLogKeyUp(HWND, UINT, WPARAM, LPARAM);
LRESULT OnScreenLogPaint(HWND, UINT, WPARAM, LPARAM);
LRESULT OnScreenLogTimer(HWND, UINT, WPARAM, LPARAM);
LRESULT OnScreenLogDataFileError(HWND, UINT, WPARAM, LPARAM);  // WM_DATAFILE_ERROR
// Fills awProfileRecordKinds; returns 2.
int InitProfileRecordKinds();
// Record kinds the backward profile readers accept: D E F M N P Q T S Z O X.
extern wchar_t awProfileRecordKinds[12];

// ---------------------------------------------------------------------------------------------------------------
// Child windows and buttons
// ---------------------------------------------------------------------------------------------------------------
// Display child windows of the logging screen (control ids 600 to 653).
extern HWND hwndCurve1, hwndCurve2, hwndCurve3, hwndDecay, hwndBarQ, hwndBarI, hwndNumbers, hwndSpeed, hwndMap,
    hwndColorBar;

// Screen buttons: the first row ("&File", "N&ull" or "Map &Size", "E&xit", "&Menu", ids 460..463) shown in
// monitoring; the second row ("&Go", "&QLine", "E&xit", "&Menu", the same ids) shown in stand-by; "P A U S E"
// (id 460) shown while logging; the nine map view buttons (ids 470..478); the colour-map channel boxes (ids 480..)
// and the three second-coil boxes of the EM61-LX2 (ids 480..482).
extern HWND hwndLogButtons[4], hwndLogButtonsAlt[4], hwndPauseButton, hwndMapViewButtons[9], hwndChannelBoxes[8],
    hwndChannelBoxes2[3];
// The same windows under the names the reading and position handlers use.
extern HWND (&ahMonitorButton)[4];
extern HWND (&ahRecordButton)[4];
extern HWND (&ahSideButton)[8];
extern HWND (&ahLogExtraButton)[3];

// 1 while the instrument link is active (GPS records are written only then); 1 while the soft marker key is held.
extern int bInstrumentLinkUp, bSoftMarkerDown;
// The map takes positions only while this is 1; every logging-screen command clears it while it runs.
extern int bMapUpdatesOn;

// ---------------------------------------------------------------------------------------------------------------
// Layout of the logging screen (pixels of its client area), set at creation and by the arrangement
// ---------------------------------------------------------------------------------------------------------------
extern int nGraphBandHeight, nButtonRowHeight, nLayoutMarginX, nLayoutMarginY, nSidePanelWidth, nStatusPanelX,
    nStatusPanelHeight, nStatusPanelTop, nPanelGap, nBarColumnX, nBarColumnY, nCurveWndX, nCurveWndTop, nMapWndX,
    nMapWndY, nSpeedBarX, nSpeedBarY, nBarWidth, nBarWndWidth, nBarWndHeight, nScaleStripX, nScaleStripWidth,
    nButtonColumnX, nButtonColumnTop, nButtonWidth, nButtonHeight, nButtonGap, nBottomMargin, nMapButtonHeight,
    nSpeedBarYGpsOn, nBarColumnHeightGpsOn, nSpeedBarYGpsOff, nBarColumnHeightGpsOff, nLowerBandTop;
extern RECT rcPauseHintArea;
// A square map window of nSide pixels at its place on the screen, and the tiles (a pixel of frame each side) it gives.
void SetMapSide(int nSide);
// Landscape and portrait arrangement of every child window and button for the instrument and the map flag.
void ArrangeLogScreen();
void ArrangeLogScreenTall();
// Shows (1) or hides (0) the colour-map channel boxes and sets the chosen one.
void ShowChannelCheckBoxes(int show);
// Colour-map channel boxes of the instrument (0 for the EM38 and the Grad601).
int ChannelBoxCount();

// Status-panel boxes the handlers fill directly, and the side-panel geometry. Until the status panel is laid out
// they are empty, so writes into them draw nothing.
extern RECT rcSidePanel, rcSidePanelValues, rcTiltRollValue, rcTiltPitchValue;
extern RECT rcStatusMarker, rcStatusVoltage, rcStatusCurrent, rcStatusMode, rcStatusStation, rcStatusCount,
    rcStatusTime, rcHintLine, rcProcedureMessage, rcLamp1, rcLamp2, rcSpeedValue, rcFileNameText, rcStatusLineText;
extern RECT rcLx2Row1, rcLx2Row2, rcLx2Row3, rcLx2Row4, rcLx2Row5, rcLx2Row6;
extern RECT rcTargetLampLeft, rcTargetLampMiddle, rcTargetLampRight;
// EM61-LX2 alarm indicator: the target-lamp outlines (five points each, closed), the two alarm-letter boxes and
// the area that holds them all.
extern POINT aptLampOutline1[5], aptLampOutline2[5], aptLampOutline3[5];
extern RECT rcModeLetterBox1, rcModeLetterBox2, rcModeIndicatorArea;
// Title-line boxes: the mapped channel's title and the map-size text.
extern RECT rcMapChannelTitle, rcMapSizeText;
extern int nTextMarginX;
// Speed bar size and scale (pixels per speed unit).
extern int nSpeedBarWidth, nSpeedBarHeight;
extern double dSpeedPixPerUnit;

// Paint the GPS status boxes or the tilt value boxes red (a lost GPS link, a lost tilt meter).
void FillGpsStatusFieldsRed();
void FillTiltAttitudeFieldsRed();

// ---------------------------------------------------------------------------------------------------------------
// Logging session
// ---------------------------------------------------------------------------------------------------------------
// Session counters and timers.
extern int nLineReadingCount, nTotalReadingCount, nLineCounter;
extern double dLineAccum1, dLineAccum2;
extern int nLineElapsedMs, nTotalElapsedMs;
extern DWORD dwRecordStartTick;
// Fixed timer period of the triggered EM61-MK2 (100 ms).
extern int nFixedTimerMs;

// Per-reading record switch of survey mode 2 (1 pressed, -1 held, 0 released).
extern int nRecordTrigger;
// Dialog-open flags the link watch respects.
extern int bProcedureDialogOpen, bStationConfirmOpen, bEm384DialogOpen;
// 1 after a start whose wheel command was not answered: readings come from the main reader (see StartLogging).
extern int bWheelStartFailed;

// The session steps the screen buttons and keys run; each returns the new nRecordingState.
int CreateDataFileStep();  // monitoring: data-file dialog and its completion
int StartLogging();        // stand-by: start or resume
int PauseLogging();        // logging: pause (flush)
int QuickLine();           // stand-by or logging: next line after the question
int StopLoggingStep();     // any: stop (asks while a file is open)
// Parks a reader for a command of the session: a re-arm exchange the reader has under way ends first, so that the
// reader never stops while it holds the port's exchange, and no new re-arm is asked for.
void ParkReaderForCommand(HANDLE hThread);
// Purges the instrument port's transmit buffer, then its receive buffer (nothing when the port is closed).
void PurgeInstrumentPortForCommand();
// Drops a recording session to stand-by after the data file reported a write or flush failure.
void DropToStandByAfterFileError();
// Settings save that keeps the antenna offsets and colour view of the configuration file while a GPS-only data
// file runs with them zeroed.
void SaveSettingsKeepingConfiguration();

// ---------------------------------------------------------------------------------------------------------------
// Commands
// ---------------------------------------------------------------------------------------------------------------
// Popup-menu handles: set while menu mode lasts (keys D, L, R get their menu meanings).
extern HMENU hPopupMenu, hPopupSubMenu;
// Button of the visible row that carries the default style (Tab moves it, Enter presses it).
extern int nDefaultButton;
// Decoding of one WM_COMMAND, WM_KEYDOWN or WM_DEADCHAR into a button index (0..3, -99 none) and a command code
// (101..149, -99 none); no side effects but the soft marker and the Tab default move.
struct ScreenLogInput {
    int nButton;
    int nCode;
};
ScreenLogInput DecodeScreenLogInput(UINT message, WPARAM wParam);
// Runs a screen-button action (0..3) and a command code.
void RunScreenButton(int nButton);
void RunScreenLogCommandCode(int nCode);
// Popup-menu resource for the instrument and state.
int PopupMenuResourceFor(int nInstrument, int nState);
// Nulling (command 104).
void StartNullingCommand();
// EM61-LX2 filter calibration (command 128): the first box, then the first part starts with the coils in the air.
void StartFilterCalibrationCommand();
// Map review (commands 120 and 121): only on the mapping line with the map shown and a data file open in
// stand-by. Leaving it restores the map size, scale and colour view kept when it began and rebuilds the map.
int MapReviewAllowed();
void EnterMapReview();
void ExitMapReview();
// Review off with the map size, scale and colour view of before the review (leaving it, logging stop).
void RestoreMapReviewCopies();

// ---------------------------------------------------------------------------------------------------------------
// Link watch
// ---------------------------------------------------------------------------------------------------------------
void ShowLostConnectionNotice(RECT rcBox);
// User-interface thread only: a notice that is up (bConnLostNoticeShown 1) gives way to the channel labels, and
// the flag is cleared with the drawing, so that a notice drawn after the labels always keeps its flag.
void ClearLostConnectionNotice();
// The longest silence of the EM38-4, measured from its last frame (1000 ms).
extern int dwEm384TimeoutMs;
// The operator gave up the instrument link (EM34-3 battery save answered No): "$CONN END" unless monitoring, then
// monitoring or stand-by with no reader; "&Go" and "&QLine" stay disabled until the session stops.
void GiveUpInstrumentLink();
extern int bInstrumentLinkGivenUp;

// Elapsed recording time of the current line (hours, minutes, seconds) and the readings taken at this station.
extern int anLineElapsedHms[3];
extern int nReadingInStation;
