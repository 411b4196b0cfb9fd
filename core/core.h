// Application core: build identity, main window, main menu, fonts and the shared message dialogs.
#pragma once

#include "platform/platform.h"

// Build identity, fixed by each program's entry before start-up and never written afterwards.
extern int nInstrumentType;  // -4 Grad601, -2 EM61-LX2, -1 EM61-MK2, 0 EM31-MK2, 3 EM38, 4 EM34-3, 7 EM38-MK2, 8 EM38-4, 9 CS-21
extern int bJixProduct;      // 1 logging line "Jix", 0 mapping line "Zanth"

// Instrument type values.
enum {
    INSTRUMENT_GRAD601 = -4,
    INSTRUMENT_EM61LX2 = -2,
    INSTRUMENT_EM61MK2 = -1,
    INSTRUMENT_EM31MK2 = 0,
    INSTRUMENT_EM38 = 3,
    INSTRUMENT_EM34 = 4,
    INSTRUMENT_EM38MK2 = 7,
    INSTRUMENT_EM384 = 8,
    INSTRUMENT_CS21 = 9,
};

// Simulation switches: 0 in the eighteen programs; a test target or the development build option sets them.
extern int bSimulateInstrument, bSimulateGps, bSimulatedReadings, bSimulateSentences, nEm384SimMode,
    bEm38EventReader, bNoGpsRecords;

// Main window and screens.
extern HINSTANCE hInst;
extern HWND hwndMain, hwndLog, hwndGpsMonitor;
extern int bPortrait, nMainWidth, nMainHeight, nMainX, nMainY, nClientWidth, nClientHeight;
extern int nTextHeight, nAveCharWidth, nLineHeight, nSideColumnWidth;
extern int bLongUptime, nActiveScreen;
extern int bGpsActive;  // GPS input in use this session (from bGpsEnabled at start)
extern HWND ahMenuButton[10];
extern int nMenuButtonX, nMenuButtonY, nMenuButtonWidth, nMenuButtonHeight;
extern int nHighlightedButton, nMenuKeyAction;

// A row of a window procedure's dispatch table: the first row whose message matches handles it.
struct MessageHandlerEntry {
    UINT message;
    WNDPROC handler;
};

// The ten fonts.
extern HFONT hFontLight, hFontLarge, hFontSemibold24, hFontTitle, hFontNormal, hFontSmallBold, hFontBold,
    hFontButton, hFontSummary, hFontItalic18;
extern HFONT hFontMenuButton;  // the one of them given to the ten main-menu buttons

// Temporary folder of background files (drive path), created at start.
extern const wchar_t szTempFolder[];
// Class background brush of the main window (system button-face colour); deleted when the main window ends.
extern HBRUSH hbrMainBackground;

// Entry: fixes the build identity, starts the platform layer and runs the program; returns the exit code.
int RunProgram(int instrumentType, int jixProduct, int argc, char **argv);
// Registers the classes, creates the main window and runs the message loop: 2 when a class cannot be registered,
// 16 when the main window cannot be created, else the quit message's code.
int wWinMain(HINSTANCE inst, HINSTANCE prev, wchar_t *cmdLine, int show);
int RegisterWindowClasses(HINSTANCE inst);  // 0 success, 2 failure
HWND InitInstance(HINSTANCE inst, wchar_t *cmdLine, int show);  // nullptr when no main window was made
int ProgramMessageLoop();  // get, translate, dispatch until the quit message; returns its code
int ReturnExitCode(HINSTANCE inst, int exitCode);
const wchar_t *CaptionForBuild(int instrumentType, int jixProduct);  // nullptr when the type has no caption
LRESULT MainWndProc(HWND, UINT, WPARAM, LPARAM);
LRESULT MainOnCreate(HWND, UINT, WPARAM, LPARAM);
LRESULT MainOnSize(HWND, UINT, WPARAM, LPARAM);
LRESULT MainOnDestroy(HWND, UINT, WPARAM, LPARAM);
LRESULT MainOnCommand(HWND, UINT, WPARAM, LPARAM);
LRESULT MainOnPaint(HWND, UINT, WPARAM, LPARAM);
void LayoutMainButtons();
// Label of main-menu button i (0..9) for the build's instrument.
const wchar_t *MainMenuButtonLabel(int i);

// The GPS monitor screen's class (acquisition): 0 success, 1 failure.
int RegisterGpsMonitorClass(HINSTANCE inst);
LRESULT MonitorGPSWndProc(HWND, UINT, WPARAM, LPARAM);

// Message dialogs: callers fill the two buffers and open MESSAGEOK, MESSAGEOKCANCEL or MESSAGEYESNO.
extern wchar_t szMessageText[256];
extern wchar_t szMessageTitle[128];
INT_PTR MessageDlgProc(HWND, UINT, WPARAM, LPARAM);
// Opens MESSAGEOK, MESSAGEOKCANCEL or MESSAGEYESNO with the text already in the two buffers; returns 1 for OK/Yes,
// 0 for Cancel/No/Escape/close box (and 0 when the template is unknown).
int OpenMessageDialog(HWND owner, const wchar_t *templateName);
// Fills the buffers (texts are cut to the buffers) and opens the template; returns 1 for OK/Yes, 0 otherwise.
int ShowMessageDialog(HWND owner, const wchar_t *templateName, const wchar_t *title, const wchar_t *text);
