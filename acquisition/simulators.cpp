// Simulator threads: canned GPS sentences and made-up EM61-MK2 frames, EM38-4 packets, CS-21 and Grad601 sentences
// that stand in for the readers when the simulation switches are set.
#include "acquisition/acquisition.h"
#include "acquisition/framers.h"
#include "acquisition/neighbour_calls.h"
#include "acquisition/reader_common.h"
#include "core/core.h"
#include "core/settings.h"
#include "logscreen/logscreen.h"
#include "processing/gps_formats.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

std::atomic<int> bGpsSimulatorRun{0}, bInstrumentSimulatorRun{0}, bTextSimulatorRun{0};

// The standard pseudo-random generator in its classic range 0 to 32767.
static int Random32767()
{
    return rand() % 32768;
}

// A random value from dLow to dHigh.
static double RandomBetween(double dLow, double dHigh)
{
    return dLow + (dHigh - dLow) * Random32767() / 32767.0;
}

// ---------------------------------------------------------------------------------------------------------------
// GPS
// ---------------------------------------------------------------------------------------------------------------
DWORD GpsSimulatorThread(void *)
{
    static const char *const aszSentences[8] = {
        "$GPGGA,133524,4336.5940,N,07936.6403,W,8,11,2.0,142.5,M,-35.4,M,,*70",
        "$GPGSA,A,3,01,07,08,11,13,17,27,28,30,,,,3.6,2.0,3.0*30",
        "$GPGLL,4336.5973,N,07936.6482,W,152346,V,S*5E",
        "$GPBOD,325.5,T,336.3,M,TOUR5,TOUR4*42",
        "$GPBWC,152346,3512.7660,N,07630.8760,W,163.1,T,173.9,M,523.479,N,TOUR5,S*4E",
        "$GPVTG,0.0,T,10.8,M,0.0,N,0.0,K*77",
        "$GPXTE,V,V,9.99,L,N,S*18",
        "$GPRMC,152348,V,4336.5973,N,07936.6482,W,0.0,0.0,310520,10.8,W,S*22",
    };
    int nSeconds = 17 * 3600 + 3 * 60 + 56;  // the simulated clock starts at "170356"
    DWORD dwPassStart = GetTickCount() - 1000;
    while (bGpsSimulatorRun == 1) {
        while (GetTickCount() - dwPassStart < 1000 && bGpsSimulatorRun == 1) Sleep(1);
        if (bGpsSimulatorRun != 1) break;
        dwPassStart = GetTickCount();
        char szTime[16];
        snprintf(szTime, sizeof szTime, "%02d%02d%02d", (nSeconds / 3600) % 24, (nSeconds / 60) % 60, nSeconds % 60);
        nSeconds += 1;
        for (int i = 0; i < 8 && bGpsSimulatorRun == 1; ++i) {
            char szSentence[128];
            strcpy(szSentence, aszSentences[i]);
            if (i == 0) memcpy(szSentence + 7, szTime, 6);  // the time field of the GGA sentence
            dwGpsSentenceStartTick = GetTickCount();
            strcpy(szGpsSentence, szSentence);
            bGpsNoChecksum = 1;
            if (nActiveScreen == 2) {
                // The GPS monitor is shown: it lists the sentence, nothing else happens.
                if (hwndGpsMonitor)
                    PostMessageWithBytes(hwndGpsMonitor, WM_GPS_MONITOR_LINE, 0, 0, szSentence, strlen(szSentence),
                                         dwGpsSentenceStartTick);
                continue;
            }
            if (strstr(szSentence, szGpsSentenceId)) {
                NotifyLogScreen(WM_GPS_POSITION);
                if (nRecordingState == 1 && bNoGpsRecords == 0)
                    CallWriteTextRecord(szSentence, dwGpsSentenceStartTick, '@', '#', '!', 'p');
            } else if (strstr(szSentence, "GSA") && nGpsFormat == 0) {
                NotifyLogScreen(WM_GPS_DOP);
                if (nRecordingState == 1) CallWriteTextRecord(szSentence, dwGpsSentenceStartTick, '@', '#', '!', 'p');
            }
        }
        Sleep(850);
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------------------------
// EM61-MK2
// ---------------------------------------------------------------------------------------------------------------
DWORD InstrumentSimulatorThread(void *)
{
    DWORD dwCycleStart = GetTickCount();
    bInstrumentIdle = 1;
    while (bInstrumentSimulatorRun == 1) {
        Sleep(52);
        if (bInstrumentSimulatorRun != 1) break;
        unsigned char abFrame[14];
        abFrame[0] = 'T';
        abFrame[1] = 0xFF;
        DWORD dwElapsed = GetTickCount() - dwCycleStart;
        int nPeakBase = 50;
        if (dwElapsed >= 14000) {
            nPeakBase = 55;
            dwCycleStart = GetTickCount();
        } else if (dwElapsed >= 13750) {
            nPeakBase = 60;
        } else if (dwElapsed >= 13250) {
            nPeakBase = 80;
        } else if (dwElapsed >= 13000) {
            nPeakBase = 75;
        }
        for (int nChannel = 0; nChannel < 4; ++nChannel) {
            abFrame[2 + 2 * nChannel] = (unsigned char)(nPeakBase - 5 * nChannel);
            abFrame[3 + 2 * nChannel] = (unsigned char)((Random32767() * 960 / 32767 + 105 + 8 * nChannel) & 0xFF);
        }
        abFrame[10] = 11;
        abFrame[11] = 18;
        abFrame[12] = 81;
        abFrame[13] = 0;
        memcpy(szInstrumentRecord, abFrame, 14);
        szInstrumentRecord[14] = 0;
        DWORD dwTick = GetTickCount();
        dwInstrumentDataTick = dwTick;
        if (CountFrameForNotice()) {
            adwFrameTick[0] = dwTick;
            NotifyLogScreen(WM_EM61MK2_READING);
        }
        bInstrumentConnBreak = 0;
        bInstrumentIdle = 1;
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------------------------
// EM38-4
// ---------------------------------------------------------------------------------------------------------------
static void PutWord(unsigned char *p, int nWord)
{
    p[0] = (unsigned char)((nWord >> 8) & 0xFF);
    p[1] = (unsigned char)(nWord & 0xFF);
}

DWORD Em384SimulatorThread(void *)
{
    nInstrumentThreadState = THREAD_RUNNING;
    nInstrumentRecordLength = 26;
    HANDLE hPort = hInstrumentPort;
    if (hPort != INVALID_HANDLE_VALUE) PurgeComm(hPort, PURGE_TXCLEAR | PURGE_RXCLEAR);
    while (hInstrumentPort != INVALID_HANDLE_VALUE) {
        Sleep(200);
        if (hInstrumentPort == INVALID_HANDLE_VALUE) break;
        unsigned char abPacket[26];
        abPacket[0] = 'T';
        abPacket[1] = 2;
        // Four coil pairs (conductivity and in-phase words), two heights and two temperatures.
        static const int anWords[12] = {0x0120, 0x0210, 0x0118, 0x0208, 0x0110, 0x0200, 0x0114, 0x0204,
                                        0x0050, 0x0052, 0x0190, 0x0191};
        for (int i = 0; i < 12; ++i) PutWord(abPacket + 2 + 2 * i, anWords[i]);
        abPacket[3] = (unsigned char)RandomBetween(169, 192);
        abPacket[11] = (unsigned char)RandomBetween(209, 230);
        abPacket[19] = (unsigned char)RandomBetween(15, 56);
        memcpy(szInstrumentRecord, abPacket, 26);
        szInstrumentRecord[26] = 0;
        DWORD dwTick = GetTickCount();
        adwFrameTick[0] = dwTick;
        dwInstrumentDataTick = dwTick;
        NotifyLogScreen(WM_EM384_READING);
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------------------------
// CS-21 and Grad601 sentences
// ---------------------------------------------------------------------------------------------------------------
// Passes a made-up sentence through the instrument's sentence test and hand-over, as if it came from the port.
static void FeedInstrumentSentence(const char *szText, const char *pszHeader, UINT message)
{
    SentenceAccumulator acc;
    ResetSentenceAccumulator(&acc);
    char szSentence[128];
    for (const char *p = szText; *p; ++p)
        if (StepInstrumentSentence(&acc, (unsigned char)*p, pszHeader, nInstrumentRecordLength, szSentence) ==
            FRAME_READY)
            HandOverInstrumentSentence(szSentence, message);
}

DWORD DualEmSimulatorThread(void *)
{
    nInstrumentRecordLength = bDualEmFormat ? 7 : 9;
    while (bTextSimulatorRun == 1) {
        char szSentence[160];
        double dFirst = RandomBetween(60, 120) + 1000, dThird = RandomBetween(40, 90) + 1400;
        snprintf(szSentence, sizeof szSentence, "$PDLM1,112345.234,%6.1f,%6.2f,%6.1f,%6.2f*23\r\n", dFirst,
                 dFirst / 2 + 200, dThird, dThird / 2 + 100);
        FeedInstrumentSentence(szSentence, "PDLM", WM_DUALEM_READING);
        Sleep(2);
        dFirst += 200;
        dThird += 200;
        char szLast[32];
        snprintf(szLast, sizeof szLast, "%6.2f", dThird / 2 + 100);
        szLast[5] = 0;
        snprintf(szSentence, sizeof szSentence, "$PDLM2,112345.234,%6.1f,%6.2f,%6.1f,%s*78\r\n", dFirst,
                 dFirst / 2 + 200, dThird, szLast);
        FeedInstrumentSentence(szSentence, "PDLM", WM_DUALEM_READING);
        Sleep(2);
        snprintf(szSentence, sizeof szSentence, "$PDLMA,%5.2f,%4.1f,%4.1f,%4.1f*29\r\n", RandomBetween(70, 100),
                 RandomBetween(30, 80), RandomBetween(23, 73), RandomBetween(30, 40));
        FeedInstrumentSentence(szSentence, "PDLM", WM_DUALEM_READING);
        Sleep(25);
    }
    return 0;
}

DWORD GradSimulatorThread(void *)
{
    nInstrumentRecordLength = 9;
    while (bTextSimulatorRun == 1) {
        Sleep(150);
        if (bTextSimulatorRun != 1) break;
        char szFirst[32], szSecond[32], szSentence[96];
        snprintf(szFirst, sizeof szFirst, "%4.1f", RandomBetween(60, 120));
        snprintf(szSecond, sizeof szSecond, "%4.1f", RandomBetween(40, 90));
        szFirst[4] = 0;
        szSecond[4] = 0;
        snprintf(szSentence, sizeof szSentence, "$PBAR,+%s,+%s\r\n", szFirst, szSecond);
        FeedInstrumentSentence(szSentence, "PBAR", WM_GRAD601_READING);
    }
    return 0;
}
