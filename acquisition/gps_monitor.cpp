// GPS monitor screen: controls, live sentence list, pause and go, sending a command to the receiver, exit.
#include "acquisition/acquisition.h"
#include "acquisition/framers.h"
#include "core/core.h"
#include "core/settings.h"
#include "core/text.h"
#include "dialogs/gps_message_dialog.h"

#include <cstring>
#include <cwchar>

wchar_t szGpsMonitorLine[256];
wchar_t szGpsCommandText[100];
std::atomic<int> bGpsMonitorPaused{0}, bGpsMonitorStop{0};
int bGpsMonitorListing = 1;
int nGpsMonitorDefaultButton = 1;
int nGpsMonitorMaxLines = 5000;

enum { IDC_GPSMON_GO = 750, IDC_GPSMON_PAUSE = 751, IDC_GPSMON_SEND = 752, IDC_GPSMON_EXIT = 753 };
enum { IDC_GPSMON_LIST = 760, IDC_GPSMON_EDIT = 770 };

// Longest command text: with carriage return, line feed and terminator it fills the 30-byte command buffer.
static const int nMaxGpsCommandLength = 27;
// Silence after which the monitor lists "NO DATA".
static const DWORD dwGpsMonitorSilenceMs = 7000;

static HWND GpsMonitorButton(HWND hwnd, int nIndex)
{
    return GetDlgItem(hwnd, IDC_GPSMON_GO + nIndex);
}

static void SetDefaultButton(HWND hwnd, int nIndex)
{
    SendMessage(GpsMonitorButton(hwnd, nGpsMonitorDefaultButton), BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    nGpsMonitorDefaultButton = nIndex;
    SendMessage(GpsMonitorButton(hwnd, nGpsMonitorDefaultButton), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
}

// Shows "&Pause" (listing) or "&Go" (paused); the other of the two is hidden and disabled.
static void ShowListingButtons(HWND hwnd, int bListing)
{
    HWND hGo = GpsMonitorButton(hwnd, 0), hPause = GpsMonitorButton(hwnd, 1);
    ShowWindow(bListing ? hPause : hGo, SW_SHOW);
    EnableWindow(bListing ? hPause : hGo, TRUE);
    ShowWindow(bListing ? hGo : hPause, SW_HIDE);
    EnableWindow(bListing ? hGo : hPause, FALSE);
    bGpsMonitorListing = bListing;
}

LRESULT CreateGpsMonitorControls(HWND hwnd, UINT, WPARAM, LPARAM)
{
    RegisterGpsMessageDialogTemplates();
    int W = nClientWidth, H = nClientHeight;
    static const wchar_t *const aszText[4] = {L"&Go", L"&Pause", L"&Send", L"E&xit"};
    int anX[4] = {W / 2 - 274, W / 2 - 274, W / 2 - 90, W / 2 + 94};
    HFONT hFont = (bPortrait || nMainWidth > 1024) ? hFontLarge : hFontSemibold24;
    for (int i = 0; i < 4; ++i) {
        DWORD dwStyle = WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON | (i == 0 ? 0 : WS_VISIBLE);
        HWND hButton = CreateWindow(L"BUTTON", aszText[i], dwStyle, anX[i], H - 80, 180, 65, hwnd,
                                    IDC_GPSMON_GO + i, hInst, nullptr);
        if (hFont) SendMessage(hButton, WM_SETFONT, (WPARAM)hFont, TRUE);
    }
    CreateWindow(L"LISTBOX", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_BORDER, 10, 10, W - 30, H - 140, hwnd,
                 IDC_GPSMON_LIST, hInst, nullptr);
    CreateWindow(L"EDIT", L"$PASHS,NME,SAT,A,ON", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 190, H - 122,
                 W - 210, 28, hwnd, IDC_GPSMON_EDIT, hInst, nullptr);
    EnableWindow(GpsMonitorButton(hwnd, 0), FALSE);
    EnableWindow(GpsMonitorButton(hwnd, 1), TRUE);
    SendMessage(GpsMonitorButton(hwnd, nGpsMonitorDefaultButton), BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    return 0;
}

LRESULT PaintGpsMonitor(HWND hwnd, UINT, WPARAM, LPARAM)
{
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    SetBkMode(hdc, TRANSPARENT);
    if (hFontLight) SelectObject(hdc, hFontLight);
    const wchar_t *pszLabel = L"Enter Command Text";
    // The label ends before the command edit (at x = 190); a label that would run under it narrows instead.
    TextOutWithin(hdc, 10, nClientHeight - 120, pszLabel, (int)wcslen(pszLabel), 10, 186);
    EndPaint(hwnd, &ps);
    if (nActiveScreen == 2) SetFocus(hwnd);
    return 0;
}

// A line from the monitor reader (its bytes travel with the message): listed while the monitor is shown.
LRESULT ListGpsMonitorLine(HWND hwnd, UINT, WPARAM, LPARAM)
{
    const std::vector<uint8_t> &line = GetMessageBytes();
    if (nActiveScreen != 2 || bGpsEnabled != 1) return 0;
    char szLine[256];
    size_t n = line.size() < 255 ? line.size() : 255;
    memcpy(szLine, line.data(), n);
    szLine[n] = 0;
    NarrowToWideU(szLine, szGpsMonitorLine);
    HWND hList = GetDlgItem(hwnd, IDC_GPSMON_LIST);
    LRESULT nIndex = SendMessage(hList, LB_ADDSTRING, 0, (LPARAM)szGpsMonitorLine);
    // The list keeps the most recent lines only.
    while (SendMessage(hList, LB_GETCOUNT, 0, 0) > nGpsMonitorMaxLines) {
        SendMessage(hList, LB_DELETESTRING, 0, 0);
        --nIndex;
    }
    SendMessage(hList, LB_SETTOPINDEX, (WPARAM)(nIndex < 0 ? 0 : nIndex), 0);
    bGpsNoChecksum = 0;
    UpdateWindow(hList);
    return 0;
}

// Runs a call handed over by a reader thread (the reader waits in SendMessage).
LRESULT RunHandedOverCall(HWND, UINT, WPARAM wParam, LPARAM lParam)
{
    void (*fn)(LPARAM) = (void (*)(LPARAM))wParam;
    if (fn) fn(lParam);
    return 0;
}

LRESULT FocusGpsMonitor(HWND hwnd, UINT, WPARAM, LPARAM)
{
    if (nActiveScreen == 2) SetFocus(hwnd);
    return 0;
}

// ---------------------------------------------------------------------------------------------------------------
// Reader and port
// ---------------------------------------------------------------------------------------------------------------
static void PostMonitorLine(const char *szLine)
{
    bGpsNoChecksum = 1;
    HWND hwnd = hwndGpsMonitor;
    if (hwnd) PostMessageWithBytes(hwnd, WM_GPS_MONITOR_LINE, 0, 0, szLine, strlen(szLine), GetTickCount());
}

DWORD GpsMonitorReaderThread(void *)
{
    SentenceAccumulator acc;
    ResetSentenceAccumulator(&acc);
    char szLine[256];
    DWORD dwLastLine = GetTickCount();
    while (hGpsPort != INVALID_HANDLE_VALUE && bGpsMonitorStop == 0) {
        // Paused (or a command being sent): read nothing, but stop when told to.
        while (bGpsMonitorPaused == 1 && bGpsMonitorStop == 0) Sleep(50);
        if (bGpsMonitorStop != 0) break;
        HANDLE hPort = hGpsPort;
        unsigned char b;
        DWORD dwRead = 0;
        if (hPort == INVALID_HANDLE_VALUE) break;
        if (!ReadFile(hPort, &b, 1, &dwRead, nullptr)) Sleep(20);
        if (dwRead == 1 && StepMonitorLine(&acc, b, szLine) == FRAME_READY) {
            strcpy(szGpsSentence, szLine);
            PostMonitorLine(szLine);
            dwLastLine = GetTickCount();
        }
        if (GetTickCount() - dwLastLine > dwGpsMonitorSilenceMs) {
            PostMonitorLine("NO DATA");
            dwLastLine = GetTickCount();
        }
    }
    return 0;
}

void CloseGpsPort()
{
    HANDLE hPort = hGpsPort;
    if (hPort == INVALID_HANDLE_VALUE) return;
    bGpsMonitorStop = 1;
    HANDLE hThread = hGpsThread;
    if (hThread && hThread != INVALID_HANDLE_VALUE) {
        // The monitor reader only posts, so it never waits for this thread: it ends within one read time-out.
        if (WaitForSingleObject(hThread, 5000) == WAIT_TIMEOUT && WaitForSingleObject(hThread, 2000) == WAIT_TIMEOUT) {
            wcscpy(szMessageText, L"The GPS port (cable or Bluetooth connection) cannot be closed. Please exit and "
                                  L"re-start the program.");
            DialogBox(hInst, L"MESSAGEOK", hwndMain, MessageDlgProc);
            return;
        }
        CloseHandle(hThread);
        hGpsThread = INVALID_HANDLE_VALUE;
    }
    PurgeComm(hPort, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    hGpsPort = INVALID_HANDLE_VALUE;
    CloseHandle(hPort);
    bGpsMonitorStop = 0;
}

// ---------------------------------------------------------------------------------------------------------------
// Commands
// ---------------------------------------------------------------------------------------------------------------
static void SendGpsCommand(HWND hwnd)
{
    HWND hEdit = GetDlgItem(hwnd, IDC_GPSMON_EDIT);
    GetWindowText(hEdit, szGpsCommandText, 100);
    if (DialogBox(hInst, L"GETGPSMESSAGE", hwnd, GetGPSMessageDlgProc) != 1) return;
    SetWindowText(hEdit, szGpsCommandText);
    int nLength = (int)wcslen(szGpsCommandText);
    if (nLength > nMaxGpsCommandLength) {
        ShowMessageDialog(hwnd, L"MESSAGEOK", L"INFORMATION", L"Message too long:\r\n27 characters at most.");
        return;
    }
    char szCommand[30];
    for (int i = 0; i < nLength; ++i) szCommand[i] = (char)(szGpsCommandText[i] & 0xFF);
    szCommand[nLength] = '\r';
    szCommand[nLength + 1] = '\n';
    szCommand[nLength + 2] = 0;
    if (bGpsMonitorPaused == 0) {
        bGpsMonitorPaused = 1;
        WaitMilliseconds(2);
    }
    HANDLE hPort = hGpsPort;
    if (hPort != INVALID_HANDLE_VALUE && LockPortExchange(0, 1000)) {
        PurgeComm(hPort, PURGE_TXCLEAR);
        WaitMilliseconds(2);
        PurgeComm(hPort, PURGE_RXCLEAR);
        WaitMilliseconds(2);
        DWORD dwWritten = 0;
        WriteFile(hPort, szCommand, (DWORD)(nLength + 2), &dwWritten, nullptr);
        UnlockPortExchange(0);
    }
    ShowListingButtons(hwnd, 1);
    SetDefaultButton(hwnd, 1);
    bGpsMonitorPaused = 0;
}

static void PressGpsMonitorButton(HWND hwnd, int nButton)
{
    // A hidden, disabled button does nothing, whether clicked or named by its key.
    if (!IsWindowEnabled(GpsMonitorButton(hwnd, nButton))) return;
    HANDLE hPort = hGpsPort;
    switch (nButton) {
    case 0:  // Go
        if (hPort != INVALID_HANDLE_VALUE) PurgeComm(hPort, PURGE_TXCLEAR | PURGE_RXCLEAR);
        bGpsMonitorPaused = 0;
        ShowListingButtons(hwnd, 1);
        if (nGpsMonitorDefaultButton == 0) SetDefaultButton(hwnd, 1);
        break;
    case 1:  // Pause
        bGpsMonitorPaused = 1;
        if (hPort != INVALID_HANDLE_VALUE) PurgeComm(hPort, PURGE_TXCLEAR | PURGE_RXCLEAR);
        ShowListingButtons(hwnd, 0);
        if (nGpsMonitorDefaultButton == 1) SetDefaultButton(hwnd, 0);
        break;
    case 2:  // Send
        SendGpsCommand(hwnd);
        break;
    case 3:  // Exit
        nActiveScreen = 0;
        bGpsMonitorPaused = 1;
        if (bGpsEnabled == 1) CloseGpsPort();
        bGpsMonitorPaused = 0;
        ShowWindow(hwnd, SW_HIDE);
        InvalidateRect(hwndMain, nullptr, TRUE);
        UpdateWindow(hwndMain);
        for (int i = 0; i < 10; ++i)
            if (ahMenuButton[i]) ShowWindow(ahMenuButton[i], SW_SHOW);
        SetFocus(hwndMain);
        break;
    }
}

// Next (+1) or previous (-1) default button, skipping the hidden one of "&Go" and "&Pause".
static void MoveDefaultButton(HWND hwnd, int nStep)
{
    int nHidden = bGpsMonitorListing ? 0 : 1;
    int nNext = nGpsMonitorDefaultButton;
    do {
        nNext = (nNext + nStep + 4) % 4;
    } while (nNext == nHidden);
    SetDefaultButton(hwnd, nNext);
}

LRESULT GpsMonitorCommand(HWND hwnd, UINT message, WPARAM wParam, LPARAM)
{
    SetFocus(hwnd);
    int nButton = -1;
    if (message == WM_KEYDOWN) {
        if (nActiveScreen != 2) return 0;
        switch (wParam) {
        case VK_TAB:
        case VK_RIGHT:
        case VK_DOWN:
            MoveDefaultButton(hwnd, 1);
            return 0;
        case VK_LEFT:
        case VK_UP:
            MoveDefaultButton(hwnd, -1);
            return 0;
        case VK_RETURN:
            nButton = nGpsMonitorDefaultButton;
            break;
        // The letters arrive as their upper-case key codes, typed in either case.
        case 'G':
            nButton = 0;
            break;
        case 'P':
            nButton = 1;
            break;
        case 'S':
            nButton = 2;
            break;
        case 'X':
            nButton = 3;
            break;
        default:
            return 0;
        }
    } else {
        int nId = LOWORD(wParam);
        if (nId < IDC_GPSMON_GO || nId > IDC_GPSMON_EXIT) return 0;
        nButton = nId - IDC_GPSMON_GO;
    }
    PressGpsMonitorButton(hwnd, nButton);
    return 0;
}

int StartGpsMonitoring()
{
    HWND hwnd = hwndGpsMonitor;
    if (bGpsEnabled == 1) {
        if (!OpenGpsPort()) return 0;
        bGpsMonitorStop = 0;
        bGpsMonitorPaused = 0;
        hGpsThread = CreateThread(nullptr, 0, GpsMonitorReaderThread, nullptr, 0, nullptr);
    }
    if (hwnd) {
        SendDlgItemMessage(hwnd, IDC_GPSMON_LIST, LB_RESETCONTENT, 0, 0);
        ShowListingButtons(hwnd, 1);
        if (nGpsMonitorDefaultButton == 0) SetDefaultButton(hwnd, 1);
    }
    for (int i = 0; i < 10; ++i)
        if (ahMenuButton[i]) ShowWindow(ahMenuButton[i], SW_HIDE);
    nActiveScreen = 2;
    SetFocus(hwnd);
    ShowWindow(hwnd, SW_SHOW);
    InvalidateRect(hwndMain, nullptr, TRUE);
    SetFocus(hwnd);
    return 1;
}
