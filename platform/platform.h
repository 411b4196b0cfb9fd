// The platform layer: the window, drawing, file, port, thread, time and sound services the program is written against.
//
// The program's code is shaped like a classic desktop program (window procedures with {message, handler} tables,
// device contexts, dialog templates, port handles, suspended reader threads). This header gives it those services
// on Linux. Every declaration and constant here is our own; message ids and raster-op values that the program
// stores or compares keep their customary numbers. The implementation lives in platform/qt (windows, drawing,
// dialogs, sound, on Qt 6) and platform/posix (files, ports, threads, time).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------------------------------------------
// Basic types
// ---------------------------------------------------------------------------------------------------------------
typedef int BOOL;
typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef uint32_t UINT;
typedef uint32_t COLORREF;  // 0x00BBGGRR
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef intptr_t INT_PTR;
typedef uintptr_t UINT_PTR;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

struct WindowObject;
struct GdiObject;
struct DeviceContext;
struct KernelObject;
struct MenuObject;

typedef WindowObject *HWND;
typedef DeviceContext *HDC;
typedef GdiObject *HGDIOBJ;
typedef GdiObject *HPEN;
typedef GdiObject *HBRUSH;
typedef GdiObject *HFONT;
typedef GdiObject *HBITMAP;
typedef KernelObject *HANDLE;
typedef MenuObject *HMENU;
typedef void *HINSTANCE;

#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)

struct RECT { int left, top, right, bottom; };
struct POINT { int x, y; };
struct SIZE { int cx, cy; };

constexpr COLORREF RGB(int r, int g, int b) { return (COLORREF)((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16)); }
constexpr int GetRValue(COLORREF c) { return c & 0xFF; }
constexpr int GetGValue(COLORREF c) { return (c >> 8) & 0xFF; }
constexpr int GetBValue(COLORREF c) { return (c >> 16) & 0xFF; }
constexpr WORD LOWORD(uintptr_t v) { return (WORD)(v & 0xFFFF); }
constexpr WORD HIWORD(uintptr_t v) { return (WORD)((v >> 16) & 0xFFFF); }
constexpr uintptr_t MAKEWPARAM(unsigned lo, unsigned hi) { return (uintptr_t)((lo & 0xFFFF) | ((hi & 0xFFFF) << 16)); }

typedef LRESULT (*WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef INT_PTR (*DLGPROC)(HWND, UINT, WPARAM, LPARAM);
typedef DWORD (*THREADPROC)(void *);

// ---------------------------------------------------------------------------------------------------------------
// Messages
// ---------------------------------------------------------------------------------------------------------------
#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_MOVE 0x0003
#define WM_SIZE 0x0005
#define WM_SETFOCUS 0x0007
#define WM_KILLFOCUS 0x0008
#define WM_ENABLE 0x000A
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_ERASEBKGND 0x0014
#define WM_SHOWWINDOW 0x0018
#define WM_DRAWITEM 0x002B
#define WM_SETFONT 0x0030
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_DEADCHAR 0x0103
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_TIMER 0x0113
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_USER 0x0400

// Window styles
#define WS_OVERLAPPED 0x00000000u
#define WS_POPUP 0x80000000u
#define WS_CHILD 0x40000000u
#define WS_VISIBLE 0x10000000u
#define WS_DISABLED 0x08000000u
#define WS_CAPTION 0x00C00000u
#define WS_BORDER 0x00800000u
#define WS_VSCROLL 0x00200000u
#define WS_SYSMENU 0x00080000u
#define WS_GROUP 0x00020000u
#define WS_TABSTOP 0x00010000u
#define WS_MINIMIZEBOX 0x00020000u
#define DS_MODALFRAME 0x00000080u
#define DS_CENTER 0x00000800u

// Class styles
#define CS_VREDRAW 0x0001u
#define CS_HREDRAW 0x0002u

// Button styles and messages
#define BS_PUSHBUTTON 0x0000u
#define BS_DEFPUSHBUTTON 0x0001u
#define BS_CHECKBOX 0x0002u
#define BS_AUTOCHECKBOX 0x0003u
#define BS_RADIOBUTTON 0x0004u
#define BS_GROUPBOX 0x0007u
#define BS_AUTORADIOBUTTON 0x0009u
#define BS_OWNERDRAW 0x000Bu
#define BS_TYPEMASK 0x000Fu
#define BM_GETCHECK 0x00F0
#define BM_SETCHECK 0x00F1
#define BM_GETSTYLE 0x00F3  // our own: returns the button style
#define BM_SETSTYLE 0x00F4  // wParam style, lParam redraw
#define BM_CLICK 0x00F5
#define BST_UNCHECKED 0
#define BST_CHECKED 1
#define BN_CLICKED 0

// Static styles
#define SS_LEFT 0x0000u
#define SS_CENTER 0x0001u
#define SS_RIGHT 0x0002u

// Edit styles and notifications
#define ES_LEFT 0x0000u
#define ES_CENTER 0x0001u
#define ES_RIGHT 0x0002u
#define ES_AUTOHSCROLL 0x0080u
#define ES_READONLY 0x0800u
#define EM_LIMITTEXT 0x00C5
#define EM_SETREADONLY 0x00CF  // wParam TRUE: read-only (ES_READONLY follows)
#define EN_CHANGE 0x0300

// List box
#define LB_ADDSTRING 0x0180
#define LB_DELETESTRING 0x0182
#define LB_RESETCONTENT 0x0184
#define LB_SETCURSEL 0x0186
#define LB_GETCURSEL 0x0188
#define LB_GETTEXT 0x0189
#define LB_GETCOUNT 0x018B
#define LB_SETTOPINDEX 0x0197
#define LB_ERR (-1)
#define LBN_SELCHANGE 1

// Combo box (drop-down list)
#define CB_ADDSTRING 0x0143
#define CB_GETCOUNT 0x0146
#define CB_GETCURSEL 0x0147
#define CB_RESETCONTENT 0x014B
#define CB_SETCURSEL 0x014E
#define CB_ERR (-1)
#define CBN_SELCHANGE 1

// Dialog results
#define IDOK 1
#define IDCANCEL 2

// ShowWindow
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOW 5

// Virtual keys
#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_PRIOR 0x21
#define VK_NEXT 0x22
#define VK_END 0x23
#define VK_HOME 0x24
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_INSERT 0x2D
#define VK_DELETE 0x2E
#define VK_NUMPAD0 0x60
#define VK_NUMPAD9 0x69
#define VK_MULTIPLY 0x6A
#define VK_ADD 0x6B
#define VK_OEM_PLUS 0xBB   // the plus/equals key of the main block
#define VK_OEM_MINUS 0xBD  // the minus/underscore key of the main block
#define VK_SUBTRACT 0x6D
#define VK_DECIMAL 0x6E
#define VK_DIVIDE 0x6F
#define VK_F1 0x70
#define VK_F12 0x7B
// Letters and digits are their upper-case ASCII codes ('A' .. 'Z', '0' .. '9').

// System metrics and colours
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define COLOR_WINDOW 5
#define COLOR_BTNFACE 15

// ---------------------------------------------------------------------------------------------------------------
// Start-up of the layer
// ---------------------------------------------------------------------------------------------------------------
// Creates the application object, sets LC_NUMERIC to "C", registers the bundled font and the sounds. Call once
// before any window is made; returns the instance handle passed on to windows and dialogs.
HINSTANCE PlatformInit(int argc, char **argv);

// ---------------------------------------------------------------------------------------------------------------
// Windows and messages
// ---------------------------------------------------------------------------------------------------------------
struct WNDCLASS {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    int iconId;           // resource id, informational
    int cursor;           // 0 arrow
    HBRUSH hbrBackground; // erases the window on InvalidateRect(.., TRUE) and at creation
    const wchar_t *lpszMenuName;
    const wchar_t *lpszClassName;
};

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
};

struct CREATESTRUCT {
    void *lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy, cx, y, x;
    DWORD style;
    const wchar_t *lpszName;
    const wchar_t *lpszClass;
};

struct PAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
};

// Registers a class; returns 0 on failure (also when a test hook says so), non-zero otherwise.
// Built-in classes: L"BUTTON", L"STATIC", L"EDIT", L"LISTBOX", L"COMBOBOX".
int RegisterClass(const WNDCLASS *wc);

// Creates a window. For a child, `id` is its control id. WM_CREATE is sent before the call returns; a -1 result
// from WM_CREATE makes creation fail (returns nullptr). Top-level windows (no parent) get a caption frame; the
// given size is the outer size and the client area is the outer size less GetFrameSize().
HWND CreateWindow(const wchar_t *className, const wchar_t *title, DWORD style, int x, int y, int w, int h,
                  HWND parent, int id, HINSTANCE inst, void *param);
BOOL DestroyWindow(HWND);
BOOL IsWindow(HWND);
BOOL IsWindowVisible(HWND);
BOOL ShowWindow(HWND, int cmd);
BOOL MoveWindow(HWND, int x, int y, int w, int h, BOOL repaint);
BOOL EnableWindow(HWND, BOOL enable);
BOOL IsWindowEnabled(HWND);
BOOL GetClientRect(HWND, RECT *);
BOOL GetWindowRect(HWND, RECT *);  // screen coordinates of the outer frame
HWND GetParent(HWND);
// GW_OWNER: the window a dialog was opened over (the parent given to DialogBox), nullptr when none.
#define GW_OWNER 4
HWND GetWindow(HWND, UINT cmd);
HWND GetDlgItem(HWND parent, int id);
int GetDlgCtrlID(HWND);
HWND SetFocus(HWND);
HWND GetFocus();
BOOL SetWindowText(HWND, const wchar_t *);
int GetWindowText(HWND, wchar_t *buf, int max);
DWORD GetWindowStyle(HWND);
// Width and height the caption frame takes from a top-level window's outer size: 8 x 34 (a 30-pixel caption band,
// 4-pixel borders left, right and bottom; the client area starts at (4, 30) of the outer rectangle).
SIZE GetFrameSize();

LRESULT DefWindowProc(HWND, UINT, WPARAM, LPARAM);
// From the user-interface thread: calls the procedure at once. From another thread: queues the call to the
// user-interface thread and blocks until the procedure returned (served inside nested loops too).
LRESULT SendMessage(HWND, UINT, WPARAM, LPARAM);
BOOL PostMessage(HWND, UINT, WPARAM, LPARAM);
// Posts a message that carries a copy of `len` bytes and their arrival tick; the handler reads them with
// GetMessageBytes / GetMessageTick while it runs (empty outside such a message).
BOOL PostMessageWithBytes(HWND, UINT, WPARAM, LPARAM, const void *bytes, size_t len, DWORD tick);
const std::vector<uint8_t> &GetMessageBytes();
DWORD GetMessageTick();
void PostQuitMessage(int exitCode);
BOOL GetMessage(MSG *, HWND, UINT, UINT);  // 0 on WM_QUIT
BOOL TranslateMessage(const MSG *);
LRESULT DispatchMessage(const MSG *);
BOOL IsUserInterfaceThread();

// One id space per window; setting an existing id again replaces its period. WM_TIMER(wParam = id).
UINT_PTR SetTimer(HWND, UINT_PTR id, UINT ms, void *unused);
BOOL KillTimer(HWND, UINT_PTR id);

// Marks a region (nullptr = whole client) for painting; with erase the class background is painted first.
BOOL InvalidateRect(HWND, const RECT *, BOOL erase);
// Paints the invalid region now, synchronously, through WM_PAINT.
BOOL UpdateWindow(HWND);
HDC BeginPaint(HWND, PAINTSTRUCT *);
BOOL EndPaint(HWND, const PAINTSTRUCT *);

int GetSystemMetrics(int);
DWORD GetSysColor(int);
HBRUSH GetSysColorBrush(int);
int MessageBeep(UINT);

// ---------------------------------------------------------------------------------------------------------------
// Drawing
// ---------------------------------------------------------------------------------------------------------------
#define PS_SOLID 0
#define PS_DASH 1
#define PS_DOT 2
#define PS_NULL 5

#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define SYSTEM_FONT 13
#define DEFAULT_GUI_FONT 17

#define TRANSPARENT 1
#define OPAQUE 2

#define TA_LEFT 0
#define TA_RIGHT 2
#define TA_CENTER 6
#define TA_TOP 0
#define TA_BOTTOM 8
#define TA_BASELINE 24

#define DT_LEFT 0x0000
#define DT_CENTER 0x0001
#define DT_RIGHT 0x0002
#define DT_VCENTER 0x0004
#define DT_BOTTOM 0x0008
#define DT_WORDBREAK 0x0010
#define DT_SINGLELINE 0x0020
#define DT_NOCLIP 0x0100
#define DT_CALCRECT 0x0400

#define SRCCOPY 0x00CC0020u
#define SRCAND 0x008800C6u
#define PATCOPY 0x00F00021u
#define BLACKNESS 0x00000042u
#define WHITENESS 0x00FF0062u

#define CLR_INVALID 0xFFFFFFFFu  // GetPixel outside the surface; colour setters on a stale context
#define GDI_ERROR 0xFFFFFFFFu    // SetTextAlign on a stale context
#define NULLREGION 1             // IntersectClipRect / SelectClipRgnNone results (0 = error)
#define SIMPLEREGION 2

#define FW_NORMAL 400
#define FW_BOLD 700
#define ANSI_CHARSET 0

struct TEXTMETRIC {
    int tmHeight, tmAscent, tmDescent, tmInternalLeading, tmExternalLeading, tmAveCharWidth, tmMaxCharWidth;
    int tmWeight;
};

HPEN CreatePen(int style, int width, COLORREF);
HBRUSH CreateSolidBrush(COLORREF);
// Face, pixel height (a negative height is taken as its magnitude), weight, italic. "Microsoft Sans Serif" is
// drawn with Liberation Sans.
HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                 DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                 DWORD pitchAndFamily, const wchar_t *face);
HGDIOBJ GetStockObject(int);
HGDIOBJ SelectObject(HDC, HGDIOBJ);  // returns the previously selected object of that kind
BOOL DeleteObject(HGDIOBJ);          // stock objects are never deleted
int GdiObjectCount();                // live objects made by the program (a leak check for tests)

HDC GetDC(HWND);  // the window's retained image; works at any time, also outside WM_PAINT
int ReleaseDC(HWND, HDC);
HDC CreateCompatibleDC(HDC);  // a memory context; select a bitmap into it to draw on the bitmap
BOOL DeleteDC(HDC);
HBITMAP CreateCompatibleBitmap(HDC, int w, int h);  // white-filled image
// A bitmap's pixels as 32-bit values, rows top to bottom without padding: copies at most `bytes` bytes out of or
// into the bitmap and returns the count copied (0 for a stale handle). A store of bitmaps packs and unpacks them.
int32_t GetBitmapBits(HBITMAP, int32_t bytes, void *bits);
int32_t SetBitmapBits(HBITMAP, int32_t bytes, const void *bits);

COLORREF SetTextColor(HDC, COLORREF);
COLORREF SetBkColor(HDC, COLORREF);
int SetBkMode(HDC, int);
UINT SetTextAlign(HDC, UINT);
BOOL MoveToEx(HDC, int x, int y, POINT *old);
BOOL LineTo(HDC, int x, int y);      // leaves out the last pixel
BOOL Polyline(HDC, const POINT *, int);
BOOL Polygon(HDC, const POINT *, int);
BOOL Rectangle(HDC, int l, int t, int r, int b);  // leaves out the right and bottom edge
BOOL Ellipse(HDC, int l, int t, int r, int b);
BOOL RoundRect(HDC, int l, int t, int r, int b, int w, int h);
int FillRect(HDC, const RECT *, HBRUSH);
int FrameRect(HDC, const RECT *, HBRUSH);
COLORREF SetPixel(HDC, int x, int y, COLORREF);
COLORREF GetPixel(HDC, int x, int y);
BOOL TextOut(HDC, int x, int y, const wchar_t *, int len);
int DrawText(HDC, const wchar_t *, int len, RECT *, UINT format);
// TextOut that keeps the text's visible part between the x bounds left and right: a text that would pass them is
// drawn in the narrow face of the same height and weight (Liberation Sans Narrow), never cut.
BOOL TextOutWithin(HDC, int x, int y, const wchar_t *text, int len, int left, int right);
// The width of a text in the narrow face of the selected font.
int NarrowTextWidth(HDC, const wchar_t *text, int len);
BOOL GetTextExtentPoint32(HDC, const wchar_t *, int len, SIZE *);
BOOL GetTextMetrics(HDC, TEXTMETRIC *);
BOOL BitBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, DWORD rop);  // overlapping copy = move
BOOL PatBlt(HDC, int x, int y, int w, int h, DWORD rop);
int IntersectClipRect(HDC, int l, int t, int r, int b);
int SelectClipRgnNone(HDC);  // removes the clip

// ---------------------------------------------------------------------------------------------------------------
// Controls, dialogs, menus, choosers
// ---------------------------------------------------------------------------------------------------------------
enum DialogControlKind {
    DC_PUSHBUTTON, DC_DEFPUSHBUTTON, DC_CHECKBOX, DC_RADIOBUTTON, DC_GROUPBOX, DC_LTEXT, DC_CTEXT, DC_RTEXT,
    DC_EDITTEXT, DC_COMBOBOX, DC_LISTBOX, DC_OWNERDRAW
};
struct DialogControl {
    int id;
    DialogControlKind kind;
    const wchar_t *text;
    int x, y, cx, cy;  // dialog units
    DWORD style;       // extra styles (WS_VISIBLE is implied unless DC_HIDDEN is set)
};
#define DC_HIDDEN 0x80000000u  // in DialogControl::style: the control is created hidden
struct DialogTemplate {
    const wchar_t *name;  // e.g. L"MESSAGEOK"
    const wchar_t *caption;
    int cx, cy;           // dialog units
    int fontPoints;       // 16 for the program's dialogs
    const wchar_t *fontFace;
    DWORD style;
    const DialogControl *controls;
    int controlCount;
};
// Templates are registered once (the resources do this at start) and looked up by name.
void RegisterDialogTemplates(const DialogTemplate *templates, int count);
const DialogTemplate *FindDialogTemplate(const wchar_t *name);

// Runs a modal dialog; returns the EndDialog result, or -1 when the template is unknown.
INT_PTR DialogBox(HINSTANCE, const wchar_t *templateName, HWND parent, DLGPROC);
BOOL EndDialog(HWND, INT_PTR result);
BOOL SetDlgItemText(HWND, int id, const wchar_t *);
UINT GetDlgItemText(HWND, int id, wchar_t *, int max);
BOOL CheckDlgButton(HWND, int id, UINT check);
UINT IsDlgButtonChecked(HWND, int id);
LRESULT SendDlgItemMessage(HWND, int id, UINT, WPARAM, LPARAM);

struct DRAWITEMSTRUCT {
    UINT CtlType, CtlID, itemID, itemAction, itemState;
    HWND hwndItem;
    HDC hDC;
    RECT rcItem;
};

// Popup menus are resources: a list of items (id 0 = separator).
struct MenuItemTemplate { int id; const wchar_t *text; };
struct MenuTemplate { int resourceId; const MenuItemTemplate *items; int count; };
void RegisterMenuTemplates(const MenuTemplate *menus, int count);
HMENU LoadMenu(HINSTANCE, int resourceId);
BOOL DestroyMenu(HMENU);
#define MF_ENABLED 0x0000u
#define MF_GRAYED 0x0001u
#define MF_CHECKED 0x0008u
#define MF_UNCHECKED 0x0000u
#define MF_BYCOMMAND 0x0000u
UINT EnableMenuItem(HMENU, UINT id, UINT flags);
DWORD CheckMenuItem(HMENU, UINT id, UINT flags);
// Shows the menu at screen position x, y; after it closed, the chosen id reaches `owner` as WM_COMMAND (posted).
BOOL TrackPopupMenuEx(HMENU, UINT flags, int x, int y, HWND owner, void *unused);

// Non-native file choosers (readers keep running); the save chooser never asks about overwriting; filters ignore
// letter case. `filter` is "Description\0*.EXT;*.EX2\0...\0\0". Result 1 and the chosen path, or 0 on cancel.
struct OPENFILENAME {
    HWND hwndOwner;
    const wchar_t *lpstrFilter;
    wchar_t *lpstrFile;  // in: proposed name (may be a bare name); out: full drive path (C:\...)
    DWORD nMaxFile;
    const wchar_t *lpstrInitialDir;  // drive path
    const wchar_t *lpstrTitle;
    const wchar_t *lpstrDefExt;
    DWORD Flags;
};
BOOL GetSaveFileName(OPENFILENAME *);
BOOL GetOpenFileName(OPENFILENAME *);
struct CHOOSECOLOR { HWND hwndOwner; COLORREF rgbResult; COLORREF *lpCustColors; DWORD Flags; };
BOOL ChooseColor(CHOOSECOLOR *);

// ---------------------------------------------------------------------------------------------------------------
// Kernel objects: files, events, threads, serial ports
// ---------------------------------------------------------------------------------------------------------------
#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x1u
#define FILE_SHARE_WRITE 0x2u
#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2
#define INVALID_FILE_SIZE 0xFFFFFFFFu
#define INVALID_SET_FILE_POINTER 0xFFFFFFFFu

#define ERROR_SUCCESS 0
#define ERROR_FILE_NOT_FOUND 2
#define ERROR_PATH_NOT_FOUND 3
#define ERROR_ACCESS_DENIED 5
#define ERROR_INVALID_HANDLE 6
#define ERROR_SHARING_VIOLATION 32
#define ERROR_FILE_EXISTS 80
#define ERROR_ALREADY_EXISTS 183
#define ERROR_SEM_TIMEOUT 121
#define ERROR_DISK_FULL 112
#define ERROR_GEN_FAILURE 31
#define ERROR_INVALID_FUNCTION 1      // e.g. a line setting on a device that is no terminal
#define ERROR_INVALID_PARAMETER 87
#define ERROR_NEGATIVE_SEEK 131
#define ERROR_OPERATION_ABORTED 995   // a blocked port read or write ended by CloseHandle or CancelAllThreads
#define ERROR_TOO_MANY_OPEN_FILES 4
#define ERROR_NOT_ENOUGH_MEMORY 8
#define ERROR_NOT_SAME_DEVICE 17
#define ERROR_NOT_READY 21
#define ERROR_NOT_SUPPORTED 50
#define ERROR_DIR_NOT_EMPTY 145
#define ERROR_FILE_TOO_LARGE 223
#define ERROR_NOACCESS 998
#define ERROR_CANT_RESOLVE_FILENAME 1921

DWORD GetLastError();
void SetLastError(DWORD);

// Drive paths (C:\ProgramData\Ulvane\...) map under one root folder: $ULVANE_ROOT when set, else a folder under the
// user's data directory. "\\.\COMn" and "COMn" name serial ports (see OpenSerialPort).
std::string MapDrivePath(const wchar_t *drivePath);
std::string MapDrivePath(const char *drivePath);
std::string PlatformRootFolder();
// Creates <root>/C/ProgramData/Ulvane (the mapping of C:\ProgramData\Ulvane) as an installer would (PlatformInit
// calls it).
void EnsureRootFolders();

// Files. A file handle writes straight to the descriptor (no user-space buffer). Writes append at the end of the
// file under the handle's lock; ReadFile and SetFilePointer use the handle's own read offset, so scans that rewind
// the file never disturb writers. FlushFileBuffers is an fsync and reports its failure.
HANDLE CreateFile(const wchar_t *path, DWORD access, DWORD share, void *security, DWORD disposition, DWORD flags,
                  HANDLE templ);
BOOL ReadFile(HANDLE, void *buf, DWORD len, DWORD *read, void *overlapped);
BOOL WriteFile(HANDLE, const void *buf, DWORD len, DWORD *written, void *overlapped);
DWORD SetFilePointer(HANDLE, int32_t distance, int32_t *high, DWORD method);  // moves the read offset
DWORD GetFileSize(HANDLE, DWORD *high);
// The same in 64 bits (files over 2 GB): the read offset moved, the new one in *newOffset (may be null); the size.
BOOL SetFilePointerEx(HANDLE, int64_t distance, int64_t *newOffset, DWORD method);
BOOL GetFileSizeEx(HANDLE, int64_t *size);
BOOL FlushFileBuffers(HANDLE);
// Cuts the file back to `size` bytes (SetEndOfFile at that size; never grows it); the read offset stays.
BOOL SetEndOfFileAt(HANDLE, int64_t size);
// What the handle knows of its file: the device, the file's index on it, its size and how many names lead to it
// (0 once it was deleted while open; its bytes stay readable through the handle until it is closed).
struct BY_HANDLE_FILE_INFORMATION {
    DWORD dwVolumeSerialNumber;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD nNumberOfLinks;
    DWORD nFileIndexHigh;
    DWORD nFileIndexLow;
};
BOOL GetFileInformationByHandle(HANDLE, BY_HANDLE_FILE_INFORMATION *);
BOOL CloseHandle(HANDLE);
BOOL DeleteFile(const wchar_t *path);
// Renames a file; with MOVEFILE_REPLACE_EXISTING an existing target is replaced in one step (a reader sees the old
// file or the new one, never a mix); with MOVEFILE_WRITE_THROUGH the rename is on the disk when the call returns.
#define MOVEFILE_REPLACE_EXISTING 0x1u
#define MOVEFILE_WRITE_THROUGH 0x8u
BOOL MoveFileEx(const wchar_t *from, const wchar_t *to, DWORD flags);
BOOL CreateDirectory(const wchar_t *path, void *security);
// True when a file of that name exists in its folder, letter case ignored.
BOOL FileExistsIgnoreCase(const wchar_t *path);
BOOL SetCurrentDirectory(const wchar_t *drivePath);
DWORD GetCurrentDirectory(DWORD len, wchar_t *buf);

// Events (manual or automatic reset) with a timed wait.
#define WAIT_OBJECT_0 0u
#define WAIT_TIMEOUT 258u
#define WAIT_FAILED 0xFFFFFFFFu
#define INFINITE 0xFFFFFFFFu
HANDLE CreateEvent(void *security, BOOL manualReset, BOOL initialState, const wchar_t *name);
BOOL SetEvent(HANDLE);
BOOL ResetEvent(HANDLE);
DWORD WaitForSingleObject(HANDLE, DWORD ms);  // events and threads (a thread is signalled when it has ended)

// Threads. Suspend and resume are an on/off gate (not a count): resuming once always runs the thread. The gate
// is checked where a reader waits anyway: before each port read (ReadFile on a port) and in Sleep. A thread
// blocked in SendMessage to the user-interface thread counts as parked.
#define CREATE_SUSPENDED 0x00000004u
HANDLE CreateThread(void *security, size_t stack, THREADPROC proc, void *param, DWORD flags, DWORD *id);
DWORD SuspendThread(HANDLE);
DWORD ResumeThread(HANDLE);
BOOL GetExitCodeThread(HANDLE, DWORD *);
#define STILL_ACTIVE 259u
void Sleep(DWORD ms);
// At exit every thread the program created, started or never resumed, is released so the process ends cleanly:
// a thread never resumed returns without running its code; a parked or blocked one wakes and its port read (or
// wait, or sleep) fails; a thread that still goes on is ended at its next port read, sleep or wait. Waits a
// bounded time (3 s) for them all.
void CancelAllThreads();

// Serial ports: "COMn" resolves to <root>/dev/COMn when that path exists, else to /dev/ttyS<n-1>. The port is
// taken exclusively (TIOCEXCL and an advisory lock); errors map to 2 (no such device), 5 (permission denied),
// 32 (busy or already open), 121 (time-out), any other errno to its code as for files. Reads fail after CloseHandle.
#define NOPARITY 0
#define ODDPARITY 1
#define EVENPARITY 2
#define ONESTOPBIT 0
#define TWOSTOPBITS 2
#define DTR_CONTROL_DISABLE 0
#define DTR_CONTROL_ENABLE 1
#define RTS_CONTROL_DISABLE 0
#define RTS_CONTROL_ENABLE 1
struct DCB {
    DWORD DCBlength;
    DWORD BaudRate;
    DWORD fBinary, fParity, fOutxCtsFlow, fOutxDsrFlow, fDtrControl, fDsrSensitivity, fOutX, fInX, fRtsControl;
    BYTE ByteSize, Parity, StopBits;
};
struct COMMTIMEOUTS {
    DWORD ReadIntervalTimeout, ReadTotalTimeoutMultiplier, ReadTotalTimeoutConstant;
    DWORD WriteTotalTimeoutMultiplier, WriteTotalTimeoutConstant;
};
struct COMSTAT { DWORD cbInQue, cbOutQue; };
#define PURGE_TXABORT 0x0001u
#define PURGE_RXABORT 0x0002u
#define PURGE_TXCLEAR 0x0004u
#define PURGE_RXCLEAR 0x0008u
#define SETRTS 3
#define CLRRTS 4
#define SETDTR 5
#define CLRDTR 6
#define MS_CTS_ON 0x0010u
#define MS_DSR_ON 0x0020u
#define MS_RING_ON 0x0040u
#define MS_RLSD_ON 0x0080u
#define MAXDWORD 0xFFFFFFFFu
// Opens a port by name ("COM3", "\\.\COM10"); INVALID_HANDLE_VALUE and GetLastError() on failure.
HANDLE OpenSerialPort(const wchar_t *name);
BOOL GetCommState(HANDLE, DCB *);
BOOL SetCommState(HANDLE, const DCB *);
BOOL SetCommTimeouts(HANDLE, const COMMTIMEOUTS *);
BOOL GetCommTimeouts(HANDLE, COMMTIMEOUTS *);
BOOL SetupComm(HANDLE, DWORD inQueue, DWORD outQueue);
BOOL PurgeComm(HANDLE, DWORD flags);
BOOL EscapeCommFunction(HANDLE, DWORD func);
BOOL GetCommModemStatus(HANDLE, DWORD *);
BOOL ClearCommError(HANDLE, DWORD *errors, COMSTAT *);
BOOL IsSerialPort(HANDLE);

// ---------------------------------------------------------------------------------------------------------------
// Time, text, numbers
// ---------------------------------------------------------------------------------------------------------------
// 32-bit millisecond tick since boot; wraps; take differences unsigned.
DWORD GetTickCount();
struct SYSTEMTIME { WORD wYear, wMonth, wDayOfWeek, wDay, wHour, wMinute, wSecond, wMilliseconds; };
void GetLocalTime(SYSTEMTIME *);
// Decimal text to number; "nan", "inf", hex and anything that is no number read as 0. Exponents accepted.
double TextToDouble(const char *);
double TextToDouble(const wchar_t *);
long TextToLong(const char *);
long TextToLong(const wchar_t *);
// Low byte of each character (for files); widening as unsigned bytes.
void WideToNarrowLowByte(const wchar_t *src, char *dst, size_t dstSize);
void NarrowToWideUnsigned(const char *src, wchar_t *dst, size_t dstSize);

// ---------------------------------------------------------------------------------------------------------------
// Sound: the nine WAVE resources (SOUND_RING, SOUND_RING_2S, SOUND_RESULT, SOUND_GPSWARNING, BETWEENSOUND,
// LEFTRIGHTSOUND, LEFTSOUND, RIGHTSOUND, RINGINSOUND), generated by the project.
// ---------------------------------------------------------------------------------------------------------------
#define SND_ASYNC 0x0001u
#define SND_NODEFAULT 0x0002u
#define SND_NOSTOP 0x0010u   // skip when another sound is playing
#define SND_RESOURCE 0x00040004u
#define SND_PURGE 0x0040u
// name nullptr stops the sound playing. With no audio device the call succeeds silently.
BOOL PlaySound(const wchar_t *name, HINSTANCE, DWORD flags);
#define MB_OK 0x0u
#define MB_ICONWARNING 0x30u

// ---------------------------------------------------------------------------------------------------------------
// Test hooks. Tests drive the real program in-process (or in a forked child) through these.
// ---------------------------------------------------------------------------------------------------------------
// Screen size the program sees (GetSystemMetrics); default: the real screen or 1920 x 1080 offscreen.
void PlatformSetScreenSize(int w, int h);
// Makes RegisterClass or CreateWindow of that class fail (nullptr clears).
void PlatformFailWindowClass(const wchar_t *className);
void PlatformFailRegisterClass(const wchar_t *className);
// The tick source (nullptr restores the system clock).
void PlatformSetTickSource(std::function<DWORD()> source);
// Every modal dialog the layer shows (message boxes, setup dialogs, choosers) is recorded. Choosers are recorded
// under the names "SAVEFILE" and "OPENFILE" (caption: the title, text: the proposed name) and "CHOOSECOLOR".
struct ShownDialog { std::wstring templateName; std::wstring caption; std::wstring text; };
std::vector<ShownDialog> PlatformShownDialogs();
void PlatformClearShownDialogs();
// Window objects allocated and not yet freed (live windows and destroyed ones not yet freed).
long PlatformWindowObjectCount();
// Reads begun on ports so far: a test waits until a new reader is reading (past its purge on entry) before it
// feeds the port.
long PlatformPortReadCount();
// Scripted answers: when a dialog whose template name or caption equals `key` opens, the handler is called after
// WM_INITDIALOG inside the dialog's loop; it may set controls and press a button (PlatformPressDialogButton).
// Without a matching script a dialog waits for real input. Scripts are used once each in the order added, unless
// `persistent` is set.
void PlatformScriptDialog(const std::wstring &key, std::function<void(HWND dialog)> handler, bool persistent = false);
// Shorthand: press button `id` (1 OK/Yes, 2 Cancel/No) in the next dialog matching `key`.
void PlatformAnswerDialog(const std::wstring &key, int buttonId, bool persistent = false);
void PlatformClearDialogScripts();
// Presses a button as a user would (the dialog or parent receives WM_COMMAND with BN_CLICKED).
void PlatformPressDialogButton(HWND dialog, int id);
void PlatformClickButton(HWND button);
// A user's hand on a dialog's controls (each sends the notifications a real control sends to the dialog):
// types the text into an edit as keystrokes after selecting what it holds (EN_CHANGE per change);
void PlatformTypeIntoEdit(HWND dialog, int id, const std::wstring &text);
// picks item `index` of a combo or list box (CBN_SELCHANGE / LBN_SELCHANGE when the selection changes);
void PlatformPickListItem(HWND dialog, int id, int index);
// ticks or clears a check box or chooses a radio button by clicking it when its state differs (BN_CLICKED).
void PlatformSetDialogCheck(HWND dialog, int id, bool checked);
// What a control shows: the text of an edit, a static or a button, the chosen item of a combo or list box.
std::wstring PlatformDialogItemText(HWND dialog, int id);
// Items of a combo or list box, in order.
std::vector<std::wstring> PlatformListItems(HWND dialog, int id);
// The child controls of a window or dialog as the user sees them: rectangle in the parent's client area, text
// shown, kind ("BUTTON", "CHECKBOX", "RADIOBUTTON", "GROUPBOX", "STATIC", "EDIT", "COMBOBOX", "LISTBOX", "OWNERDRAW",
// "WINDOW"), visibility, enabled state, and whether the label fits the control in the face it is drawn in.
struct ControlView {
    HWND hwnd;
    int id;
    std::string kind;
    std::wstring text;
    RECT rect;
    bool visible, enabled, labelFits;
};
std::vector<ControlView> PlatformChildControls(HWND parent);
// Every dialog template registered so far, in name order.
std::vector<const DialogTemplate *> PlatformDialogTemplates();
// File choosers: the next chooser returns this drive path (empty: cancel).
void PlatformScriptFileChooser(const std::wstring &drivePath);
// The next popup menu returns this id to its owner without being shown (0: dismissed; a grayed or unknown id
// counts as dismissed).
void PlatformScriptPopupMenu(int chosenId);
// The items of the last popup menu shown (or answered by script), in order: id (0 a separator), text, enabled.
struct ShownMenuItem { int id; std::wstring text; bool enabled; };
std::vector<ShownMenuItem> PlatformLastPopupMenu();
// The next colour chooser returns this colour (ok) or is cancelled (!ok) without being shown.
void PlatformScriptColorChooser(COLORREF color, bool ok = true);
// Delivers a key press to the window that has the focus, as the window system would.
void PlatformPressKey(int virtualKey);
// Runs the event loop for `ms` milliseconds (or until `until` is true), serving posted and sent messages.
void PlatformPump(int ms, std::function<bool()> until = nullptr);
// Runs the event loop until the predicate holds or ms passes; true when it held (even for a moment only).
bool PlatformWaitFor(std::function<bool()> pred, int ms);
// Sounds asked for so far, by name.
std::vector<std::wstring> PlatformSoundLog();
// Sounds started so far, by name (with or without an audio device): a no-stop request skipped because a sound was
// still playing is in the sound log but not here.
std::vector<std::wstring> PlatformPlayedSounds();
// While held, every sound reports itself playing, as an effect stuck in "playing" would.
void PlatformHoldSoundPlaying(bool hold);
// Writes the window's picture, children composed on top, as a PNG file; returns false on failure.
bool PlatformSaveWindowPng(HWND, const std::string &path);
// Texts drawn by TextOut and DrawText, newest last (the log keeps the latest few thousand): the window whose image
// took them (nullptr for a memory surface), the text, its cell (the text's full extent) and the bounds the text was
// drawn within (the surface, a clip set by the program, the DrawText box); a cell outside its bounds was cut.
struct DrawnText { HWND window; std::wstring text; RECT cell; RECT bounds; };
std::vector<DrawnText> PlatformDrawnTexts();
void PlatformClearDrawnTexts();
// While on, every mark, label and segment is painted afresh, none copied from the same figure drawn before: a test
// draws both ways and compares the pictures.
void PlatformPaintEveryFigure(bool on);
// A context on a free-standing memory surface of w x h (white), for drawing tests; read it back with GetPixel.
HDC PlatformCreateMemorySurface(int w, int h);
bool PlatformSaveSurfacePng(HDC, const std::string &path);
