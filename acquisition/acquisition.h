// Serial devices and acquisition: ports, reader and simulator threads, instrument command, tilt meter, GPS monitor.
#pragma once

#include "platform/platform.h"

#include <atomic>
#include <mutex>

// szInstrumentRecord, adwFrameTick, nGpsSentenceCount and nInstrumentCmdReply are declared (and defined) with
// the data-file state for now.
#include "datafile/datafile_state.h"

// ---------------------------------------------------------------------------------------------------------------
// Private messages to the logging screen (both parameters 0; the data waits in the payload buffers, or, for the
// posting readers, travels with the message: GetMessageBytes / GetMessageTick)
// ---------------------------------------------------------------------------------------------------------------
#define WM_EM61MK2_READING (WM_USER + 10)
#define WM_GPS_POSITION (WM_USER + 11)
#define WM_EM31MK2_READING (WM_USER + 12)
#define WM_EM38_READING (WM_USER + 13)
#define WM_EM38MK2_READING (WM_USER + 16)
#define WM_GPS_DOP (WM_USER + 17)
#define WM_EM34_READING (WM_USER + 19)
#define WM_EM61LX2_READING (WM_USER + 20)
#define WM_EM61LX2_DUAL_READING (WM_USER + 21)
#define WM_GRAD601_READING (WM_USER + 22)
#define WM_EM384_READING (WM_USER + 23)
#define WM_TILT_SENTENCE (WM_USER + 24)
#define WM_DUALEM_READING (WM_USER + 25)

// Messages of the GPS monitor window (the monitor also carries calls that reader threads hand to the
// user-interface thread).
#define WM_GPS_MONITOR_LINE (WM_USER + 50)  // posted with the line's bytes
#define WM_RUN_ON_UI_THREAD (WM_USER + 51)  // wParam: void (*)(LPARAM), lParam: its argument; sent

// Reader states.
enum { THREAD_NONE = 0, THREAD_ENDED = 1, THREAD_RUNNING = 2 };

// ---------------------------------------------------------------------------------------------------------------
// Ports
// ---------------------------------------------------------------------------------------------------------------
// INVALID_HANDLE_VALUE means closed; closing a port (and storing the invalid value) ends its reader.
extern std::atomic<HANDLE> hGpsPort, hInstrumentPort, hTiltPort;

int OpenGpsPort();
int OpenInstrumentPort(int bShowError);
int OpenTiltPort();
// device: 0 GPS receiver, 1 instrument, 2 tilt meter. Fills the message buffers and shows MESSAGEOK; returns its
// result. From a reader thread the box is shown by the user-interface thread (the reader waits for it).
int ReportSerialPortError(int nErrorCode, int nPortIndex, int nDevice);
// "COM%d:" for COM1..COM9, "\\.\COM%d" from COM10 on (port index 0-based).
void FormatComPortName(int nPortIndex, wchar_t *szName, size_t nSize);

// Exchanges on one port never interleave: whoever writes a command to a port and waits for its answer holds the
// port's exchange lock (device 0 GPS, 1 instrument, 2 tilt meter). Returns 1 when taken within the time limit.
int LockPortExchange(int nDevice, DWORD dwWaitMs);
void UnlockPortExchange(int nDevice);

// ---------------------------------------------------------------------------------------------------------------
// Instrument command exchange
// ---------------------------------------------------------------------------------------------------------------
// nInstrumentCmdReply: -1 no answer yet, 1 "OK" (triggered), 0 "OV" (streaming).
int SendInstrumentCommand(char c1, char c2, int bReopen);
// A re-arm of a running instrument: the same exchange, but only the confirmation that chose the decoding mode at
// the start of the run (nInstrumentCmdReply) confirms; the other one is a failed try, like no answer, and never
// changes the mode. Returns 1 when confirmed.
int SendInstrumentReArm(char c1, char c2);

// ---------------------------------------------------------------------------------------------------------------
// Instrument readers
// ---------------------------------------------------------------------------------------------------------------
extern std::atomic<int> nInstrumentRecordLength;  // 12
extern std::atomic<int> nFrameCount, nFrameDecimation;  // 0, 1
extern std::atomic<int> nFramesPerSound;                // 6
extern std::atomic<DWORD> dwInstrumentDataTick;
extern std::atomic<int> nInstrumentThreadState, nGpsThreadState, nTiltThreadState;
extern std::atomic<int> bInstrumentConnBreak, bInstrumentIdle, bConnLostNoticeShown;
// 1 while the link watch opens again a port whose device went away: the instrument readers wait for the port
// instead of ending. StopInstrumentReaders clears it.
extern std::atomic<int> bInstrumentPortLost;
// What the link watch measures an instrument's silence by: the tick of the last byte the instrument port delivered
// (stamped by the reader, also when it starts listening and when it returns to the port from the logging screen),
// and the number of readers now waiting for the logging screen to take a reading (time that is no silence).
extern std::atomic<DWORD> dwInstrumentByteTick;
extern std::atomic<int> nInstrumentScreenWaits;
// 1 while the instrument readers go on: the port is open, or being found again.
int InstrumentPortInUse();
extern std::atomic<HANDLE> hTriggerEvent;
extern std::atomic<DWORD> dwTriggerWaitMs;  // 55
extern HANDLE hInstrumentThread, hInstrumentThread2, hGpsThread, hTiltThread;
extern int bDualEmFormat;  // build switch: short CS-21 format (minimum sentence length 7)

DWORD TriggeredFrameReaderThread(void *);
DWORD ContinuousFrameReaderThread(void *);
DWORD FrameReaderThreadJK(void *);
DWORD TextFrameReaderThreadB(void *);
DWORD TextFrameReaderThread(void *);
DWORD TextFrameEventReaderThread(void *);
DWORD BinaryFrameReaderThread(void *);
DWORD Em384PortThread(void *);
DWORD DualEmPortThread(void *);
DWORD GradPortReaderThread(void *);
DWORD GradAltFormatReaderThread(void *);
// Closes the instrument port (the value becomes invalid), sets the trigger event and resumes hInstrumentThread and
// hInstrumentThread2, so that every instrument reader ends, also one suspended or never resumed. The thread
// handles stay as they are (the caller closes them).
void StopInstrumentReaders();

// ---------------------------------------------------------------------------------------------------------------
// GPS reader and connection break
// ---------------------------------------------------------------------------------------------------------------
extern char szGpsSentence[256];
extern char szGpsPosition[256], szGpsSatellites[256];
extern std::atomic<int> bGpsPositionHeld, bGpsSatellitesHeld, bGpsHoldBusy, bWriteGpsWithReading;
extern std::atomic<DWORD> dwGpsPositionTick, dwGpsSatellitesTick;
// Guards the held sentences (szGpsPosition, szGpsSatellites, their ticks and held flags) between the GPS reader,
// which refreshes them, and the screen, which writes them when a manual station is accepted.
extern std::mutex mtxGpsHeld;
extern std::atomic<int> bGpsNoChecksum;
extern std::atomic<DWORD> dwGpsSentenceStartTick, dwGpsSentenceTick, dwGpsDataTick, dwGpsLastAcceptedTick;
extern int nGpsIntervalMs;  // 910
extern std::atomic<int> nGpsPositionCount;
// The starter sets bGpsThreadRun to 1 before the reader first runs; clearing it (StopGpsNmeaReader) ends the
// reader, which then closes the GPS port itself.
extern std::atomic<int> bGpsThreadRun, bGpsConnBroken;
extern std::atomic<int> bGpsSimulatorRun, bInstrumentSimulatorRun, bTextSimulatorRun;

DWORD GpsNmeaReaderThread(void *);
int HandleGpsConnectionBreak();
// Sets bGpsThreadRun and creates the GPS reader suspended into hGpsThread; returns 1 on success.
int StartGpsNmeaReader();
// Clears bGpsThreadRun and lets a suspended reader run to its end (it closes the port when it leaves).
void StopGpsNmeaReader();

// ---------------------------------------------------------------------------------------------------------------
// Tilt meter
// ---------------------------------------------------------------------------------------------------------------
extern char szTilt[256];
extern std::atomic<DWORD> dwTiltTick;
extern int nTiltRollField, nTiltPitchField;  // 5, 6
extern double dTiltCorrectionFactor;          // 0.0 or 1.0
extern double dTiltCorrectionRoll, dTiltCorrectionPitch;

int SetTiltOutputRate(int nRateIndex);
DWORD TiltReaderThread(void *);
// Closes the tilt port and resumes hTiltThread, so that the tilt reader ends in every state.
void StopTiltReader();
LRESULT ProcessTiltSentence(HWND, UINT, WPARAM, LPARAM);
int WriteRawLineRecord(const char *szText, char chKind);

// ---------------------------------------------------------------------------------------------------------------
// Simulators
// ---------------------------------------------------------------------------------------------------------------
DWORD GpsSimulatorThread(void *);
DWORD InstrumentSimulatorThread(void *);
DWORD Em384SimulatorThread(void *);
DWORD DualEmSimulatorThread(void *);
DWORD GradSimulatorThread(void *);

// ---------------------------------------------------------------------------------------------------------------
// GPS monitor
// ---------------------------------------------------------------------------------------------------------------
extern wchar_t szGpsMonitorLine[256];
extern wchar_t szGpsCommandText[100];
extern std::atomic<int> bGpsMonitorPaused, bGpsMonitorStop;
extern int bGpsMonitorListing, nGpsMonitorDefaultButton;
extern int nGpsMonitorMaxLines;  // the list keeps the last 5000 lines

int RegisterGpsMonitorClass(HINSTANCE inst);
LRESULT MonitorGPSWndProc(HWND, UINT, WPARAM, LPARAM);
DWORD GpsMonitorReaderThread(void *);
void CloseGpsPort();
LRESULT GpsMonitorCommand(HWND, UINT, WPARAM, LPARAM);
LRESULT CreateGpsMonitorControls(HWND, UINT, WPARAM, LPARAM);
LRESULT PaintGpsMonitor(HWND, UINT, WPARAM, LPARAM);
LRESULT FocusGpsMonitor(HWND, UINT, WPARAM, LPARAM);
LRESULT ListGpsMonitorLine(HWND, UINT, WPARAM, LPARAM);  // WM_GPS_MONITOR_LINE
LRESULT RunHandedOverCall(HWND, UINT, WPARAM, LPARAM);   // WM_RUN_ON_UI_THREAD
// Main-menu command 5 "GPS M&onitoring": opens the GPS port and starts the monitor reader (GPS enabled), then
// shows the monitor in place of the main-menu buttons. Returns 1 when the monitor is shown.
int StartGpsMonitoring();

// Runs fn(arg) on the user-interface thread and waits for it (directly when already there). Readers use it for
// the drawing and message boxes they must not do themselves.
void RunOnUserInterfaceThread(void (*fn)(LPARAM), LPARAM arg);
