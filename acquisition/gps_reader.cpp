// GPS NMEA reader: sentence framing, checksum test, position spacing, GPS text records and the connection break.
#include "acquisition/acquisition.h"
#include "acquisition/framers.h"
#include "acquisition/neighbour_calls.h"
#include "core/core.h"
#include "core/settings.h"
#include "logscreen/logscreen.h"
#include "processing/gps_formats.h"

#include <cstdlib>
#include <cstring>

char szGpsSentence[256];
char szGpsPosition[256], szGpsSatellites[256];
std::atomic<int> bGpsPositionHeld{0}, bGpsSatellitesHeld{0}, bGpsHoldBusy{0}, bWriteGpsWithReading{0};
std::atomic<DWORD> dwGpsPositionTick{0}, dwGpsSatellitesTick{0};
std::mutex mtxGpsHeld;
std::atomic<int> bGpsNoChecksum{0};
std::atomic<DWORD> dwGpsSentenceStartTick{0}, dwGpsSentenceTick{0}, dwGpsDataTick{0}, dwGpsLastAcceptedTick{0};
int nGpsIntervalMs = 910;
std::atomic<int> nGpsPositionCount{0};
std::atomic<int> bGpsThreadRun{0}, bGpsConnBroken{0};

// Silence after which the link counts as broken.
static const DWORD dwGpsWatchdogMs = 3000;

static void SendToLogScreen(UINT message)
{
    if (hwndLog) SendMessage(hwndLog, message, 0, 0);
}

static void WriteGoodSentence(const char *szText, DWORD dwTick, char chFlag)
{
    CallWriteTextRecord(szText, dwTick, '@', '#', '!', chFlag);
}

// Hands one framed line on: checksum test, position spacing, hold buffers, records and messages.
static void HandleGpsSentence(const char *szLine)
{
    int bLogging = nRecordingState == 1;
    int bLinkUp = InstrumentLinkIsUp() == 1;
    int bManual = nSurveyModePrev == 2;
    int bTested = 0;
    int bGood = 0;
    if (szLine[0] != '$') {
        dwGpsSentenceStartTick = GetTickCount();
        bGpsNoChecksum = 0;
    } else if (bGpsChecksumCheck != 1) {
        bGood = 1;
        bGpsNoChecksum = 1;
    } else if (NmeaChecksumOk(szLine)) {
        bGood = 1;
        bTested = 1;
        bGpsNoChecksum = 0;
    }
    if (!bGood) {
        if (bLogging && bLinkUp && !bManual)
            CallWriteTextRecord(szLine, dwGpsSentenceStartTick, '?', '"', '!', ' ');
        return;
    }
    strncpy(szGpsSentence, szLine, 255);
    szGpsSentence[255] = 0;
    dwGpsDataTick = GetTickCount();

    int bPosition = strstr(szLine, szGpsSentenceId) != nullptr;
    int bSatellites = strstr(szLine, "GSA") != nullptr && nGpsFormat == 0;
    if (bManual) {
        std::unique_lock<std::mutex> held(mtxGpsHeld);
        if (bPosition) {
            if (!bGpsHoldBusy) {
                bGpsPositionHeld = 0;
                strcpy(szGpsPosition, szGpsSentence);
                dwGpsPositionTick = (DWORD)dwGpsSentenceStartTick;
                bGpsPositionHeld = 1;
            }
            held.unlock();  // the screen may take the held sentences meanwhile
            SendToLogScreen(WM_GPS_POSITION);
            held.lock();
        } else if (bSatellites) {
            if (!bGpsHoldBusy) {
                bGpsSatellitesHeld = 0;
                strcpy(szGpsSatellites, szGpsSentence);
                dwGpsSatellitesTick = (DWORD)dwGpsSentenceStartTick;
                bGpsSatellitesHeld = 1;
            }
            held.unlock();
            SendToLogScreen(WM_GPS_DOP);
            held.lock();
        }
        if (bWriteGpsWithReading == 1 && bGpsPositionHeld == 1) {
            WriteGoodSentence(szGpsPosition, dwGpsPositionTick, ' ');
            ++nGpsPositionCount;
            bGpsPositionHeld = 0;
            bWriteGpsWithReading = 0;
            if (bGpsSatellitesHeld == 1) {
                WriteGoodSentence(szGpsSatellites, dwGpsSatellitesTick, ' ');
                bGpsSatellitesHeld = 0;
            }
        }
        return;
    }
    if (bPosition) {
        if (bTested && bLogging) ++nGpsSentenceCount;
        int32_t nApart = (int32_t)(dwGpsSentenceTick - dwGpsLastAcceptedTick);
        if (std::abs((long)nApart) > nGpsIntervalMs) {
            dwGpsLastAcceptedTick = (DWORD)dwGpsSentenceTick;
            if (bLogging && bLinkUp && bNoGpsRecords == 0) WriteGoodSentence(szGpsSentence, dwGpsSentenceTick, 'p');
            SendToLogScreen(WM_GPS_POSITION);
        } else if (bLogging && bLinkUp) {
            WriteGoodSentence(szGpsSentence, dwGpsSentenceTick, ' ');
        }
        return;
    }
    if (bTested) {
        if (bLogging && bLinkUp) {
            if (bSatellites) {
                WriteGoodSentence(szGpsSentence, dwGpsSentenceTick, ' ');
                SendToLogScreen(WM_GPS_DOP);
            }
        } else if (!bLogging && bSatellites) {
            SendToLogScreen(WM_GPS_DOP);
        }
        return;
    }
    if (bLogging) {
        ++nGpsSentenceCount;
        WriteGoodSentence(szGpsSentence, dwGpsSentenceTick, ' ');
    }
    if (bSatellites) SendToLogScreen(WM_GPS_DOP);
}

// One byte from the GPS port: 1 read, 0 none, -1 no usable port (the caller pauses).
static int ReadGpsByte(unsigned char *pb)
{
    HANDLE hPort = hGpsPort;
    if (hPort == INVALID_HANDLE_VALUE) return -1;
    DWORD dwRead = 0;
    if (!ReadFile(hPort, pb, 1, &dwRead, nullptr)) return -1;
    return dwRead == 1 ? 1 : 0;
}

static void CloseGpsPortHandle()
{
    HANDLE hPort = hGpsPort.exchange(INVALID_HANDLE_VALUE);
    if (hPort == INVALID_HANDLE_VALUE) return;
    DWORD dwStart = GetTickCount();
    while (!CloseHandle(hPort) && GetTickCount() - dwStart < 500) Sleep(10);
}

DWORD GpsNmeaReaderThread(void *)
{
    SentenceAccumulator acc;
    ResetSentenceAccumulator(&acc);
    char szLine[256];
    nGpsThreadState = THREAD_RUNNING;
    dwGpsDataTick = GetTickCount();
    while (bGpsThreadRun == 1) {
        if (GetTickCount() - dwGpsDataTick > dwGpsWatchdogMs && bGpsConnBroken == 0) {
            bGpsConnBroken = 1;
            HandleGpsConnectionBreak();
            dwGpsDataTick = GetTickCount();
        }
        if (bGpsConnBroken == 1) {
            Sleep(10);
            continue;
        }
        while (bGpsThreadRun == 1) {
            unsigned char b;
            int nRead = ReadGpsByte(&b);
            if (nRead < 0) Sleep(20);  // no port, or a broken line: wait for the watchdog
            if (nRead <= 0) break;
            int bDollar = 0;
            int nResult = StepGpsLine(&acc, b, szLine, &bDollar);
            if (bDollar) dwGpsSentenceStartTick = GetTickCount();
            if (nResult != FRAME_READY) continue;
            dwGpsSentenceTick = (DWORD)dwGpsSentenceStartTick;
            HandleGpsSentence(szLine);
        }
    }
    // The reader owns its port: it closes it when it leaves.
    CloseGpsPortHandle();
    nGpsThreadState = THREAD_ENDED;
    return 0;
}

int HandleGpsConnectionBreak()
{
    if (nRecordingState == 1) CallWriteTaggedRecord(L"GPS CONN BRK", 'X');
    // An alarm is never skipped for another sound that is playing.
    if (bDisconnectAlarm == 1) PlaySound(L"SOUND_RING", hInst, SND_ASYNC | SND_RESOURCE | SND_NODEFAULT);
    PaintGpsFieldsRed();
    CloseGpsPortHandle();
    int nResult = 0;
    // A reader told to stop does not open the port again.
    if (bGpsThreadRun == 1) nResult = OpenGpsPort();
    bGpsConnBroken = 0;
    return nResult;
}

int StartGpsNmeaReader()
{
    bGpsThreadRun = 1;
    HANDLE hThread = CreateThread(nullptr, 0, GpsNmeaReaderThread, nullptr, CREATE_SUSPENDED, nullptr);
    if (!hThread || hThread == INVALID_HANDLE_VALUE) {
        bGpsThreadRun = 0;
        hGpsThread = INVALID_HANDLE_VALUE;
        return 0;
    }
    hGpsThread = hThread;
    return 1;
}

void StopGpsNmeaReader()
{
    bGpsThreadRun = 0;
    HANDLE hThread = hGpsThread;
    if (hThread && hThread != INVALID_HANDLE_VALUE) ResumeThread(hThread);
}
