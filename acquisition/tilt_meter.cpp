// Tilt meter: output-rate command, sentence reader, roll and pitch corrections, tilt records and display.
#include "acquisition/acquisition.h"
#include "acquisition/framers.h"
#include "acquisition/neighbour_calls.h"
#include "core/core.h"
#include "core/settings.h"
#include "core/text.h"
#include "datafile/datafile.h"
#include "logscreen/logscreen.h"
#include "map/pens.h"

#include <cmath>
#include <cstdio>
#include <cstring>

char szTilt[256];
std::atomic<DWORD> dwTiltTick{0};
int nTiltRollField = 5, nTiltPitchField = 6;
double dTiltCorrectionFactor = 0.0;
double dTiltCorrectionRoll = 0.0, dTiltCorrectionPitch = 0.0;

// Silence after which the attitude fields turn red, and how often they are painted red again meanwhile.
static const DWORD dwTiltSilenceMs = 2000;
static const DWORD dwTiltRedRepeatMs = 500;

int SetTiltOutputRate(int nRateIndex)
{
    static const char *const aszRateCommand[5] = {"[1D1\r", "[1D2\r", "[1D5\r", "[1D10\r", "[1D20\r"};
    if (nRateIndex < 0 || nRateIndex > 4) return 0;
    HANDLE hPort = hTiltPort;
    if (hPort == INVALID_HANDLE_VALUE) return 0;
    if (!LockPortExchange(2, 1000)) return 0;
    const char *pszCommand = aszRateCommand[nRateIndex];
    DWORD dwWritten = 0;
    WriteFile(hPort, pszCommand, (DWORD)strlen(pszCommand), &dwWritten, nullptr);
    char szReply[128];
    int nLength = 0;
    for (int nTry = 0; nTry < 40; ++nTry) {
        char c = 0;
        DWORD dwRead = 0;
        ReadFile(hPort, &c, 1, &dwRead, nullptr);
        if (dwRead != 1) continue;
        if (nLength < 127) szReply[nLength++] = c;
        if (c == '\n') break;
    }
    szReply[nLength] = 0;
    UnlockPortExchange(2);
    return strstr(szReply, ">New Output Data Rate") ? 1 : 0;
}

int WriteRawLineRecord(const char *szText, char chKind)
{
    char szRecord[DATA_RECORD_MAX + 1];
    BeginRecord(szRecord);
    szRecord[0] = chKind;
    PutRecordText(szRecord, 1, DataRecordBytes() - 2, szText);
    return WriteDataRecord(szRecord);
}

static int ReadTiltByte(unsigned char *pb)
{
    HANDLE hPort = hTiltPort;
    if (hPort == INVALID_HANDLE_VALUE) return -1;
    DWORD dwRead = 0;
    if (!ReadFile(hPort, pb, 1, &dwRead, nullptr)) {
        // Closed: the loop ends at once (no sleep, where a suspended reader would park).
        if (hTiltPort == INVALID_HANDLE_VALUE) return -1;
        Sleep(1);
        return -1;
    }
    return dwRead == 1 ? 1 : 0;
}

DWORD TiltReaderThread(void *)
{
    nTiltThreadState = THREAD_RUNNING;
    DWORD dwLastGood = GetTickCount();
    DWORD dwLastRed = 0;
    SentenceAccumulator acc;
    ResetSentenceAccumulator(&acc);
    char szLine[256];
    while (hTiltPort != INVALID_HANDLE_VALUE) {
        DWORD dwNow = GetTickCount();
        if (dwNow - dwLastGood > dwTiltSilenceMs && dwNow - dwLastRed >= dwTiltRedRepeatMs) {
            PaintTiltFieldsRed();
            dwLastRed = dwNow;
        }
        for (;;) {
            unsigned char b;
            if (ReadTiltByte(&b) <= 0) break;
            int bDollar = 0;
            int nResult = StepTiltLine(&acc, b, szLine, &bDollar);
            if (bDollar) dwTiltTick = GetTickCount();
            if (nResult != FRAME_READY) continue;
            strcpy(szTilt, szLine);
            if (NmeaChecksumOk(szLine)) {
                dwLastGood = GetTickCount();
                if (hwndLog) SendMessage(hwndLog, WM_TILT_SENTENCE, 0, 0);
            } else if (nRecordingState == 1) {
                WriteRawLineRecord(szLine, '\\');
            }
        }
    }
    nTiltThreadState = THREAD_ENDED;
    return 0;
}

// Angle in degrees from a comma field of the tilt sentence: 0 when missing or not a number; within +-75.
static double TiltAngleFromField(int nField)
{
    char szField[256];
    double dAngle = 0.0;
    if (GetDelimitedField(szTilt, nField, ',', szField) && IsNumericText(szField)) dAngle = TextToDouble(szField);
    if (dAngle > 75.0) dAngle = 75.0;
    if (dAngle < -75.0) dAngle = -75.0;
    return dAngle;
}

static void DrawTiltValue(HDC hdc, RECT rc, double dValue)
{
    if (rc.right <= rc.left) return;
    if (hbrButtonFace) FillRect(hdc, &rc, hbrButtonFace);
    wchar_t szText[32];
    FormatBoxText(szText, 32, L"%+0.2f", dValue);
    TextOut(hdc, rc.left, rc.top, szText, (int)wcslen(szText));
}

LRESULT ProcessTiltSentence(HWND hwnd, UINT, WPARAM, LPARAM)
{
    const double dDegToRad = 0.0174532925199433;
    double dRoll = TiltAngleFromField(nTiltRollField);
    dTiltCorrectionRoll = -dGpsAntennaHeight * tan(dRoll * dDegToRad) * dTiltCorrectionFactor;
    double dPitch = TiltAngleFromField(nTiltPitchField);
    dTiltCorrectionPitch = dGpsAntennaHeight * tan(dPitch * dDegToRad) * dTiltCorrectionFactor;

    if (nRecordingState == 1) {
        char szRecord[DATA_RECORD_MAX + 1];
        memset(szRecord, 0, sizeof szRecord);
        char szField[16];
        szRecord[0] = '~';
        snprintf(szField, sizeof szField, "%+06d", (int)(dRoll * 100.0));
        memcpy(szRecord + 1, szField, 6);
        snprintf(szField, sizeof szField, "%+06d", (int)(dPitch * 100.0));
        memcpy(szRecord + 7, szField, 6);
        snprintf(szField, sizeof szField, "%10lu", (unsigned long)dwTiltTick.load());
        memcpy(szRecord + 13, szField, 10);
        int nNewline = DataRecordBytes() - 1;
        for (int i = 23; i < DATA_RECORD_MAX && i < nNewline; ++i) szRecord[i] = 0;
        szRecord[nNewline] = '\n';
        WriteDataRecord(szRecord);
    }

    if (hwnd) {
        HDC hdc = GetDC(hwnd);
        SetBkMode(hdc, TRANSPARENT);
        if (hFontBold) SelectObject(hdc, hFontBold);
        DrawTiltValue(hdc, TiltRollValueRect(), dRoll);
        DrawTiltValue(hdc, TiltPitchValueRect(), dPitch);
        if (hFontNormal) SelectObject(hdc, hFontNormal);
        ReleaseDC(hwnd, hdc);
    }
    szTilt[0] = 0;
    return 0;
}
