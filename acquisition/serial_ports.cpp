// Serial ports of the GPS receiver, the instrument and the tilt meter: opening, line settings and port errors.
#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/settings.h"

#include <cstdio>
#include <cwchar>
#include <condition_variable>
#include <mutex>

std::atomic<HANDLE> hGpsPort{INVALID_HANDLE_VALUE};
std::atomic<HANDLE> hInstrumentPort{INVALID_HANDLE_VALUE};
std::atomic<HANDLE> hTiltPort{INVALID_HANDLE_VALUE};

// One exchange lock per device: a command and the wait for its answer never interleave with another.
static std::mutex mtxPortExchange;
static std::condition_variable cvPortExchange;
static bool abPortExchangeBusy[3];

int LockPortExchange(int nDevice, DWORD dwWaitMs)
{
    if (nDevice < 0 || nDevice > 2) return 0;
    std::unique_lock<std::mutex> lock(mtxPortExchange);
    if (!cvPortExchange.wait_for(lock, std::chrono::milliseconds(dwWaitMs),
                                 [nDevice] { return !abPortExchangeBusy[nDevice]; }))
        return 0;
    abPortExchangeBusy[nDevice] = true;
    return 1;
}

void UnlockPortExchange(int nDevice)
{
    if (nDevice < 0 || nDevice > 2) return;
    {
        std::lock_guard<std::mutex> lock(mtxPortExchange);
        abPortExchangeBusy[nDevice] = false;
    }
    cvPortExchange.notify_all();
}

void FormatComPortName(int nPortIndex, wchar_t *szName, size_t nSize)
{
    int nCom = nPortIndex + 1;
    if (nCom >= 1 && nCom <= 9)
        swprintf(szName, nSize, L"COM%d:", nCom);
    else
        swprintf(szName, nSize, L"\\\\.\\COM%d", nCom);
}

static HANDLE OpenPortByIndex(int nPortIndex)
{
    wchar_t szName[32];
    FormatComPortName(nPortIndex, szName, 32);
    return CreateFile(szName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

// ---------------------------------------------------------------------------------------------------------------
// Port error box
// ---------------------------------------------------------------------------------------------------------------
struct PortErrorCall {
    int nErrorCode, nPortIndex, nDevice, nResult;
};

static void ShowPortErrorBox(LPARAM lParam)
{
    PortErrorCall *pCall = (PortErrorCall *)lParam;
    int nCom = pCall->nPortIndex + 1;
    wcscpy(szMessageTitle, L"Serial Port");
    switch (pCall->nErrorCode) {
    case 2:
        swprintf(szMessageText, 256, L"Port COM%d does not exists", nCom);
        break;
    case 5:
        swprintf(szMessageText, 256,
                 L"COM%d is already open by another process, or insufficient permission is provided", nCom);
        break;
    case 32:
        swprintf(szMessageText, 256, L"COM%d is in use by other process", nCom);
        break;
    case 121:
        if (pCall->nDevice == 0)
            swprintf(szMessageText, 256,
                     L"COM%d - A timeout occurred while waiting for a response from the GNSS/RTS (disconnected or "
                     L"powered off, port open but the device not streaming, incorrect settings: baud rate, parity, "
                     L"etc., faulty cabling).",
                     nCom);
        else if (pCall->nDevice == 1)
            swprintf(szMessageText, 256,
                     L"COM%d - A timeout occurred while waiting for a response from the instrument (disconnected or "
                     L"powered off, port open but the device not streaming, or faulty cabling).",
                     nCom);
        else
            swprintf(szMessageText, 256,
                     L"COM%d - A timeout occurred while waiting for a response from the Tiltmeter (disconnected or "
                     L"powered off, port open but the device not streaming, incorrect settings: baud rate, parity, "
                     L"etc., faulty cabling).",
                     nCom);
        break;
    default:
        swprintf(szMessageText, 256,
                 L"Port COM%d cannot be open - Error #%d. For a full list, see Windows System Error Codes.", nCom,
                 pCall->nErrorCode);
        break;
    }
    pCall->nResult = DialogBox(hInst, L"MESSAGEOK", hwndMain, MessageDlgProc) == 1 ? 1 : 0;
}

int ReportSerialPortError(int nErrorCode, int nPortIndex, int nDevice)
{
    PortErrorCall call = {nErrorCode, nPortIndex, nDevice, 0};
    RunOnUserInterfaceThread(ShowPortErrorBox, (LPARAM)&call);
    return call.nResult;
}

// ---------------------------------------------------------------------------------------------------------------
// Openers
// ---------------------------------------------------------------------------------------------------------------
int OpenGpsPort()
{
    HANDLE h = OpenPortByIndex(nGpsPort);
    if (h == INVALID_HANDLE_VALUE) {
        hGpsPort = INVALID_HANDLE_VALUE;
        ReportSerialPortError((int)GetLastError(), nGpsPort, 0);
        return 0;
    }
    SetupComm(h, 4096, 4096);

    COMMTIMEOUTS timeouts = {50, 0, 50, 10, 50};
    DCB dcb = {};
    dcb.DCBlength = sizeof(DCB);
    if (!SetCommTimeouts(h, &timeouts) || !GetCommState(h, &dcb)) {
        DWORD dwError = GetLastError();
        CloseHandle(h);
        hGpsPort = INVALID_HANDLE_VALUE;
        ReportSerialPortError((int)dwError, nGpsPort, 0);
        return 0;
    }
    static const DWORD adwGpsBaud[6] = {4800, 9600, 19200, 38400, 57600, 115200};
    dcb.BaudRate = (nGpsBaud >= 0 && nGpsBaud <= 5) ? adwGpsBaud[nGpsBaud] : 4800;
    dcb.Parity = nGpsParity == 1 ? EVENPARITY : nGpsParity == 2 ? ODDPARITY : NOPARITY;
    dcb.fParity = dcb.Parity != NOPARITY ? 1 : 0;
    dcb.ByteSize = nGpsDataBits == 0 ? 7 : 8;
    dcb.StopBits = nGpsStopBits == 1 ? TWOSTOPBITS : ONESTOPBIT;
    dcb.fBinary = 1;
    dcb.fOutxCtsFlow = 0;
    dcb.fOutxDsrFlow = 0;
    dcb.fDsrSensitivity = 0;
    dcb.fOutX = 0;
    dcb.fInX = 0;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    if (!SetCommState(h, &dcb)) {
        DWORD dwError = GetLastError();
        CloseHandle(h);
        hGpsPort = INVALID_HANDLE_VALUE;
        ReportSerialPortError((int)dwError, nGpsPort, 0);
        return 0;
    }
    EscapeCommFunction(h, CLRRTS);
    EscapeCommFunction(h, SETDTR);
    DWORD dwErrors = 0;
    ClearCommError(h, &dwErrors, nullptr);
    PurgeComm(h, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    hGpsPort = h;
    return 1;
}

// The instrument and tilt openers keep a port whose settings the device does not take, but a device that is no
// serial line at all (the line-setting calls fail with ERROR_INVALID_FUNCTION) is not a port: it is closed.
static int LineSettingRefused()
{
    return GetLastError() == ERROR_INVALID_FUNCTION ? 1 : 0;
}

int OpenInstrumentPort(int bShowError)
{
    HANDLE h = OpenPortByIndex(nInstrumentPort);
    if (h == INVALID_HANDLE_VALUE) {
        hInstrumentPort = INVALID_HANDLE_VALUE;
        if (bShowError) ReportSerialPortError((int)GetLastError(), nInstrumentPort, 1);
        return 0;
    }
    COMMTIMEOUTS timeouts = {0, (DWORD)(nInstrumentType < 0 ? 10 : 0), 10, 10, 10};
    SetCommTimeouts(h, &timeouts);
    DCB dcb = {};
    dcb.DCBlength = sizeof(DCB);
    int bRefused = 0;
    if (!GetCommState(h, &dcb)) bRefused = LineSettingRefused();
    static const DWORD adwInstrumentBaud[5] = {9600, 19200, 38400, 57600, 115200};
    if (nInstrumentBaudIndex >= 0 && nInstrumentBaudIndex <= 4) dcb.BaudRate = adwInstrumentBaud[nInstrumentBaudIndex];
    dcb.Parity = NOPARITY;
    dcb.ByteSize = 8;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = 1;
    dcb.fOutxCtsFlow = 0;
    dcb.fOutxDsrFlow = 0;
    dcb.fOutX = 0;
    dcb.fInX = 0;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    if (!bRefused && !SetCommState(h, &dcb)) bRefused = LineSettingRefused();
    if (bRefused) {
        CloseHandle(h);
        hInstrumentPort = INVALID_HANDLE_VALUE;
        if (bShowError) ReportSerialPortError(ERROR_INVALID_FUNCTION, nInstrumentPort, 1);
        return 0;
    }
    hInstrumentPort = h;
    return 1;
}

int OpenTiltPort()
{
    HANDLE h = OpenPortByIndex(nTiltPort);
    if (h == INVALID_HANDLE_VALUE) {
        hTiltPort = INVALID_HANDLE_VALUE;
        wchar_t szText[64];
        swprintf(szText, 64, L"Cannot open Tilt port COM%d", nTiltPort + 1);
        ShowMessageDialog(hwndMain, L"MESSAGEOK", L"Serial Port Issue", szText);
        return 0;
    }
    COMMTIMEOUTS timeouts = {10, 0, 10, 10, 10};
    SetCommTimeouts(h, &timeouts);
    DCB dcb = {};
    dcb.DCBlength = sizeof(DCB);
    int bRefused = 0;
    if (!GetCommState(h, &dcb)) bRefused = LineSettingRefused();
    static const DWORD adwTiltBaud[6] = {4800, 9600, 19200, 38400, 57600, 115200};
    if (nTiltBaud >= 0 && nTiltBaud <= 5) dcb.BaudRate = adwTiltBaud[nTiltBaud];
    dcb.Parity = NOPARITY;
    dcb.ByteSize = 8;
    dcb.StopBits = ONESTOPBIT;
    dcb.fOutxCtsFlow = 0;
    dcb.fOutxDsrFlow = 0;
    dcb.fOutX = 1;
    dcb.fInX = 1;
    if (!bRefused && !SetCommState(h, &dcb)) bRefused = LineSettingRefused();
    if (bRefused) {
        CloseHandle(h);
        hTiltPort = INVALID_HANDLE_VALUE;
        ReportSerialPortError(ERROR_INVALID_FUNCTION, nTiltPort, 2);
        return 0;
    }
    hTiltPort = h;
    return 1;
}
