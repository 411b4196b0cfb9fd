// Window layer internals: window objects, their Qt widgets, message dispatch and the helpers shared by the Qt files.
//
// Frame of a top-level window: a caption band of 30 pixels at the top and a border of 4 pixels on the left, right
// and bottom, so GetFrameSize() is 8 x 34 and the client area starts 4 pixels right of and 30 pixels below the outer
// corner. Qt shows the client widget; the frame numbers are what the program sees.
#pragma once

#include "platform/platform.h"

#include <QFont>
#include <QImage>
#include <QRegion>
#include <QWidget>

#include <functional>
#include <map>
#include <string>
#include <vector>

class QTimer;

constexpr int kFrameBorder = 4;
constexpr int kFrameCaption = 30;

enum class WindowKind { Custom, Dialog, Button, Static, Edit, ListBox, ComboBox };

struct WindowObject {
    WindowObject();
    ~WindowObject();
    WindowObject(const WindowObject &) = delete;
    WindowObject &operator=(const WindowObject &) = delete;
    WindowKind kind = WindowKind::Custom;
    std::wstring className;
    WNDPROC proc = nullptr;
    DLGPROC dlgProc = nullptr;
    HBRUSH background = nullptr;
    UINT classStyle = 0;
    DWORD style = 0;
    int id = 0;
    HWND parent = nullptr;
    std::vector<HWND> children;
    QWidget *widget = nullptr;  // the client widget (own windows, dialogs, owner-drawn buttons) or the Qt control
    QImage image;               // retained picture of the client area (own windows, dialogs, owner-drawn buttons)
    bool hasImage = false;
    QRegion invalid;
    bool erasePending = false;
    bool paintScheduled = false;
    RECT rect{0, 0, 0, 0};      // outer rectangle in the parent's client coordinates (top level: screen)
    bool visible = false;
    bool enabled = true;
    bool destroyed = false;
    bool topLevel = false;
    std::wstring text;
    HFONT font = nullptr;
    std::map<UINT_PTR, QTimer *> timers;
    // Dialogs
    const DialogTemplate *dialogTemplate = nullptr;
    HWND owner = nullptr;       // the window the dialog was opened over
    bool dialogEnded = false;
    INT_PTR dialogResult = 0;
    int defaultButtonId = IDOK;
    QFont dialogFont;
    // Buttons
    DWORD buttonType = BS_PUSHBUTTON;
    bool autoCheck = false;
    int radioGroup = 0;         // radio buttons of one group share a number (0: none)
    int editLimit = 0;
    void *createParam = nullptr;
    // Controls: the face the program gave them (set once known), from which a label that does not fit narrows.
    QFont labelFont;
    bool hasLabelFont = false;
};

// Thread-safe: true while the handle names a window that has not been destroyed.
bool IsLiveWindow(HWND);
// A destroyed window's object is kept (retired) until no message can reach it any more: its widget is gone, the
// user-interface thread is back in its outermost loop and outside every window procedure, and the newest retired
// objects stay a while longer so that a stale handle is not at once the handle of a new window. Then the posted
// messages still queued for it are dropped and the object is freed. Called by the outermost loops.
void FreeRetiredWindows();
// Window procedures running on the user-interface thread (a retired window is never freed under one).
extern int nWindowProcedureDepth;
// Drops the posted messages queued for a window (its object is about to be freed).
void DropPostedMessagesFor(HWND);
// Adds a new window to the set of live windows (CreateWindow and DialogBox do this).
void RegisterLiveWindow(HWND);
// The Qt widget that shows a window's retained image and turns Qt input into messages.
QWidget *NewClientWidget(HWND w, QWidget *parentWidget);
// Pixels between the outer edge and the client area of a child window (1 with WS_BORDER, else 0).
int ClientInset(HWND);
// Size of the client area.
int ClientWidth(HWND);
int ClientHeight(HWND);
// The window keeps a retained image of its client size; called at creation and at every resize. An image already
// drawn on is remade at the new size with what it showed kept where the size still covers it, the rest in the
// class background; an image not made yet is left to WindowImage.
void ResetWindowImage(HWND);
// The retained image of a window that keeps one, made at the client size in the class background (white without
// one) when it is first needed: windows made hidden at start cost nothing until they are drawn on or shown.
QImage *WindowImage(HWND);
// Calls the window's procedure (or the control's built-in handling) on the user-interface thread.
LRESULT CallWindowProcedure(HWND, UINT, WPARAM, LPARAM);
// Default handling of dialogs for messages the dialog procedure left alone.
LRESULT DefDialogProc(HWND, UINT, WPARAM, LPARAM);
// Built-in handling of the control classes (BUTTON, STATIC, EDIT, LISTBOX, COMBOBOX).
LRESULT ControlProcedure(HWND, UINT, WPARAM, LPARAM);
// Creates the Qt widget of a control window (called by CreateWindow for the built-in classes).
void CreateControlWidget(HWND w, QWidget *parentWidget);
// Tab stops of a dialog's controls: a control with WS_TABSTOP takes the focus with Tab; the others (and a read-only
// edit box, which is for reading) take it only from a click or the program.
void ApplyDialogTabStop(HWND w);
// The font a control shows (WM_SETFONT) is applied.
void ApplyControlFont(HWND w);
// Sets the font a control's label is drawn from (the dialog font or the WM_SETFONT font) and fits the label.
void SetControlLabelFont(HWND w, const QFont &font);
// A label (button, check box, radio button, group box title, static text) that does not fit its control in the
// control's font is drawn in the narrow face of the same height; called after every change of text, font or size.
void FitControlFace(HWND w);
// Whether the control's label fits it in the font it shows now.
bool ControlLabelFits(HWND w);
// The text of a window or control, as the program sees it.
std::wstring WindowTextOf(HWND);
void SetControlText(HWND, const std::wstring &);
// Sends WM_COMMAND (id, code) with the control as lParam to the control's parent (a user action).
void NotifyParent(HWND control, int code);
// Paints an owner-drawn button through WM_DRAWITEM to its parent.
void DrawOwnerButton(HWND button);

// Brings a top-level widget to the front and activates it (quietly where the window system cannot raise).
void RaiseAndActivate(QWidget *top);
// Schedules a Qt repaint of the widget that shows the window's image.
void PlatformWindowImageChanged(HWND owner);

// Runs `fn` on the user-interface thread: at once when called there, else queued (and not awaited).
void RunOnUiThread(std::function<void()> fn);
// Runs `fn` on the user-interface thread and waits for its result (served inside nested loops like SendMessage).
LRESULT RunOnUiThreadAndWait(std::function<LRESULT()> fn);

// Nested loop bookkeeping: modal dialogs, popup menus and PlatformPump run their loops inside these calls.
void EnterNestedLoop();
void LeaveNestedLoop();
// True once PostQuitMessage was called (nested loops end early then).
bool QuitRequested();
// Processes Qt events once, waiting for the next one when `wait` is set (at most `maxMs`).
void ProcessEventsOnce(bool wait, int maxMs);

// Key translation between Qt and virtual-key codes.
int VirtualKeyFromQt(int qtKey, Qt::KeyboardModifiers mods);
void QtKeyFromVirtualKey(int vk, int *qtKey, Qt::KeyboardModifiers *mods, QString *text);
// Delivers a Qt key press to a window of ours as WM_KEYDOWN / WM_CHAR (custom windows) or dialog keys.
void DeliverKeyDown(HWND w, int vk, const QString &text, bool repeat);
void DeliverKeyUp(HWND w, int vk);

// The modal dialogs open now, innermost last.
std::vector<HWND> OpenDialogs();
// Tracked keyboard focus (the window the program or the user focused last).
void NoteFocus(HWND w);
// The HWND of a widget of ours (walks up the widget parents); nullptr when none.
HWND WindowFromWidget(QWidget *widget);
// Template font of a dialog: Liberation Sans at the template's point size, pixel size at 96 dots per inch.
QFont DialogTemplateFont(const DialogTemplate *t);
// Records a shown dialog for the test hooks (templateName empty for choosers).
void RecordShownDialog(const std::wstring &templateName, const std::wstring &caption, const std::wstring &text);
// Runs the scripted answer for a dialog that has just opened, if one matches its template or caption.
bool RunDialogScript(HWND dialog, const std::wstring &templateName, const std::wstring &caption);
// Next scripted file chooser answer: true and the drive path when a script is waiting.
bool TakeScriptedFileChooser(std::wstring *drivePath);
// Test hook state read by RegisterClass and CreateWindow.
bool WindowClassFails(const std::wstring &className);
bool RegisterClassFails(const std::wstring &className);
int ScreenWidthOverride();
int ScreenHeightOverride();
