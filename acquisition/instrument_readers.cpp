// Instrument reader threads: frames, packets and sentences of every instrument handed to the logging screen.
#include "acquisition/acquisition.h"
#include "acquisition/framers.h"
#include "acquisition/neighbour_calls.h"
#include "acquisition/reader_common.h"
#include "core/core.h"
#include "core/settings.h"
#include "logscreen/logscreen.h"

#include <cstring>

std::atomic<int> nInstrumentRecordLength{12};
std::atomic<int> nFrameCount{0};
std::atomic<int> nFrameDecimation{1};
std::atomic<int> nFramesPerSound{6};
std::atomic<DWORD> dwInstrumentDataTick{0};
std::atomic<int> nInstrumentThreadState{0}, nGpsThreadState{0}, nTiltThreadState{0};
std::atomic<int> bInstrumentConnBreak{0}, bInstrumentIdle{1}, bConnLostNoticeShown{0};
std::atomic<int> bInstrumentPortLost{0};
std::atomic<DWORD> dwInstrumentByteTick{0};
std::atomic<int> nInstrumentScreenWaits{0};
std::atomic<HANDLE> hTriggerEvent{nullptr};
std::atomic<DWORD> dwTriggerWaitMs{55};
HANDLE hInstrumentThread = INVALID_HANDLE_VALUE, hInstrumentThread2 = INVALID_HANDLE_VALUE;
HANDLE hGpsThread = INVALID_HANDLE_VALUE, hTiltThread = INVALID_HANDLE_VALUE;
int bDualEmFormat = 0;

// Every stop of the readers ends a generation of the instrument port. A reader belongs to the generation in which
// it first looked at the port and leaves once that one has ended, even when a later session has opened the port
// again: a reader held up past the stop (waiting for its reading to be taken) would otherwise go on reading the new
// port beside the new reader, the two overwriting each other's record.
static std::atomic<unsigned> nInstrumentPortGeneration{0};
static thread_local unsigned tnReaderGeneration = 0;
static thread_local bool tbReaderGenerationTaken = false;

static bool ReaderGenerationEnded()
{
    const unsigned n = nInstrumentPortGeneration.load();
    if (!tbReaderGenerationTaken) {
        tnReaderGeneration = n;
        tbReaderGenerationTaken = true;
    }
    return tnReaderGeneration != n;
}

int InstrumentPortInUse()
{
    if (ReaderGenerationEnded()) return 0;
    return hInstrumentPort != INVALID_HANDLE_VALUE || bInstrumentPortLost == 1;
}

// One byte from the instrument port: 1 read, 0 none (time-out, or the port is being found again), -1 the port is
// closed.
static int ReadInstrumentByte(unsigned char *pb)
{
    if (ReaderGenerationEnded()) return -1;
    HANDLE hPort = hInstrumentPort;
    if (hPort == INVALID_HANDLE_VALUE) {
        if (bInstrumentPortLost != 1) return -1;
        Sleep(20);
        return 0;
    }
    DWORD dwRead = 0;
    if (!ReadFile(hPort, pb, 1, &dwRead, nullptr)) {
        if (hInstrumentPort == INVALID_HANDLE_VALUE) return -1;
        Sleep(1);  // closed under us; the handle global follows at once
        return 0;
    }
    if (dwRead != 1) return 0;
    dwInstrumentByteTick = GetTickCount();
    return 1;
}

// A reader starts listening: the port's silence is measured from now.
static void StartListening()
{
    dwInstrumentByteTick = GetTickCount();
}

// A reader waiting for the logging screen (its reading handed over, the labels drawn again) is not listening to
// the port: the link watch counts that time as no silence, and the silence starts again when the reader returns
// to the port.
struct ScreenWait {
    ScreenWait() { ++nInstrumentScreenWaits; }
    ~ScreenWait()
    {
        dwInstrumentByteTick = GetTickCount();
        --nInstrumentScreenWaits;
    }
    ScreenWait(const ScreenWait &) = delete;
    ScreenWait &operator=(const ScreenWait &) = delete;
};

static void PlayTickSound()
{
    PlaySound(L"SOUND_RESULT", hInst, SND_ASYNC | SND_RESOURCE | SND_NOSTOP | SND_NODEFAULT);
}

// Counts a frame while recording with audio ticks on (and the survey mode allows ticks); every nEvery-th plays
// the tick.
static void CountTickSound(int *pnCount, int nEvery, int bModeTicks)
{
    if (nRecordingState == 1 && bAudioTicks == 1 && bModeTicks && ++*pnCount >= nEvery) {
        PlayTickSound();
        *pnCount = 0;
    }
}

// Empties both directions of the instrument port before a reader starts.
static void PurgeInstrumentPort()
{
    HANDLE hPort = hInstrumentPort;
    if (hPort != INVALID_HANDLE_VALUE) PurgeComm(hPort, PURGE_TXCLEAR | PURGE_RXCLEAR);
}

// Counts a frame; 1 when the count has reached (or passed) the decimation, the count then starting again.
int CountFrameForNotice()
{
    int nCount = ++nFrameCount;
    if (nCount >= nFrameDecimation) {
        nFrameCount = 0;
        return 1;
    }
    return 0;
}

void NotifyLogScreen(UINT message)
{
    if (hwndLog) SendMessage(hwndLog, message, 0, 0);
}

// An instrument reading handed to the logging screen; the reader waits until the handler has taken it.
static void SendReadingToLogScreen(UINT message)
{
    ScreenWait wait;
    NotifyLogScreen(message);
}

static void PostFrameToLogScreen(UINT message, const unsigned char *pFrame, int nLength, DWORD dwTick)
{
    if (hwndLog) PostMessageWithBytes(hwndLog, message, 0, 0, pFrame, (size_t)nLength, dwTick);
}

// A reader that sets "ended" on exit does so only when nobody reset its state meanwhile.
static void MarkInstrumentReaderEnded()
{
    int nRunning = THREAD_RUNNING;
    nInstrumentThreadState.compare_exchange_strong(nRunning, THREAD_ENDED);
}

static void CopyInstrumentRecord(const void *pFrame, int nLength)
{
    memcpy(szInstrumentRecord, pFrame, nLength);
    szInstrumentRecord[nLength] = 0;
}

// Re-arm request of the link watch: the EM61 answers "H", "X" again after a lost link.
static void ReArmInstrument()
{
    SendInstrumentReArm('H', 'X');
    Sleep(1000);
}

// ---------------------------------------------------------------------------------------------------------------
// EM61-MK2 and EM61-LX2 binary frames
// ---------------------------------------------------------------------------------------------------------------
DWORD ContinuousFrameReaderThread(void *)
{
    nInstrumentThreadState = THREAD_RUNNING;
    StartListening();
    FrameAccumulator acc;
    ResetFrameAccumulator(&acc);
    unsigned char abFrame[16];
    int nSoundCount = 0;
    while (InstrumentPortInUse()) {
        if (bInstrumentConnBreak == 1) {
            ReArmInstrument();
            bInstrumentConnBreak = 0;
            continue;
        }
        unsigned char b;
        if (ReadInstrumentByte(&b) <= 0) continue;
        int bCloses = 0;
        int nResult = StepEm61Frame(&acc, b, "TDEFMNPQ", abFrame, &bCloses);
        if (nResult == FRAME_BAD_FIRST) {
            bInstrumentConnBreak = 0;
            continue;
        }
        if (nResult != FRAME_READY) continue;
        DWORD dwTick = GetTickCount();
        int bNotify = CountFrameForNotice();
        CopyInstrumentRecord(abFrame, 14);
        CountTickSound(&nSoundCount, 9, nSurveyModePrev == 0);
        if (bNotify) {
            adwFrameTick[0] = dwTick;
            ScreenWait wait;
            if (nInstrumentType == INSTRUMENT_EM61LX2) {
                RepaintChannelLabelsAfterLostLink();
                NotifyLogScreen(nSensorsMinus1 == 0 ? WM_EM61LX2_READING : WM_EM61LX2_DUAL_READING);
            } else {
                NotifyLogScreen(WM_EM61MK2_READING);
            }
        }
        bInstrumentConnBreak = 0;
        dwInstrumentDataTick = dwTick;
    }
    return 0;
}

DWORD TriggeredFrameReaderThread(void *)
{
    nInstrumentThreadState = THREAD_RUNNING;
    StartListening();
    bInstrumentIdle = 1;
    FrameAccumulator acc;
    ResetFrameAccumulator(&acc);
    unsigned char abFrame[16];
    int nSoundCount = 0;
    while (InstrumentPortInUse()) {
        HANDLE hEvent = hTriggerEvent;
        if (hEvent)
            WaitForSingleObject(hEvent, dwTriggerWaitMs);
        else
            Sleep(dwTriggerWaitMs);
        if (!InstrumentPortInUse()) break;
        if (bInstrumentConnBreak == 1) {
            bInstrumentIdle = 0;
            ReArmInstrument();
            if (hEvent) ResetEvent(hEvent);
            bInstrumentConnBreak = 0;
            bInstrumentIdle = 1;
            continue;
        }
        for (;;) {
            unsigned char b;
            if (ReadInstrumentByte(&b) <= 0) break;
            int bCloses = 0;
            int nResult = StepEm61Frame(&acc, b, "TDEFMNPQ", abFrame, &bCloses);
            if (nResult == FRAME_DROPPED || nResult == FRAME_MARKER) break;
            if (nResult == FRAME_BAD_FIRST) {
                bInstrumentIdle = 1;
                if (hEvent) ResetEvent(hEvent);
                bInstrumentConnBreak = 0;
                break;
            }
            if (nResult != FRAME_READY) continue;
            CopyInstrumentRecord(abFrame, 14);
            CountTickSound(&nSoundCount, nFramesPerSound, nSurveyModePrev == 0);
            adwFrameTick[0] = GetTickCount();
            SendReadingToLogScreen(WM_EM61MK2_READING);
            bInstrumentIdle = 1;
            if (hEvent) ResetEvent(hEvent);
            bInstrumentConnBreak = 0;
        }
    }
    nInstrumentThreadState = THREAD_ENDED;
    return 0;
}

DWORD FrameReaderThreadJK(void *)
{
    nInstrumentThreadState = THREAD_RUNNING;
    StartListening();
    FrameAccumulator acc;
    ResetFrameAccumulator(&acc);
    unsigned char abFrame[16];
    int nSoundCount = 0;
    while (InstrumentPortInUse()) {
        unsigned char b;
        if (ReadInstrumentByte(&b) <= 0) continue;
        int bCloses = 0;
        int nResult = StepEm61Frame(&acc, b, "TDEFMNPQJKjk", abFrame, &bCloses);
        if (bCloses) dwInstrumentDataTick = GetTickCount();
        if (nResult == FRAME_BAD_FIRST) {
            bInstrumentIdle = 1;
            continue;
        }
        if (nResult != FRAME_READY) continue;
        CopyInstrumentRecord(abFrame, 14);
        CountTickSound(&nSoundCount, nFramesPerSound, 1);
        adwFrameTick[0] = GetTickCount();
        SendReadingToLogScreen(WM_EM61MK2_READING);
    }
    nInstrumentThreadState = THREAD_ENDED;
    return 0;
}

DWORD TextFrameReaderThreadB(void *)
{
    nInstrumentThreadState = THREAD_RUNNING;
    StartListening();
    FrameAccumulator acc;
    ResetFrameAccumulator(&acc);
    unsigned char abFrame[16];
    while (InstrumentPortInUse()) {
        if (bInstrumentConnBreak == 1) {
            ReArmInstrument();
            bInstrumentConnBreak = 0;
            continue;
        }
        unsigned char b;
        if (ReadInstrumentByte(&b) <= 0) continue;
        int nResult = StepTextFrame(&acc, b, 12, abFrame);
        if (nResult == FRAME_BAD_FIRST) bInstrumentConnBreak = 0;
        if (nResult != FRAME_READY) continue;
        bInstrumentConnBreak = 0;
        CopyInstrumentRecord(abFrame, 12);
        adwFrameTick[0] = GetTickCount();
        SendReadingToLogScreen(nInstrumentType == INSTRUMENT_EM61LX2 ? WM_EM61LX2_DUAL_READING : WM_EM61MK2_READING);
        dwInstrumentDataTick = GetTickCount();
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------------------------
// EM31-MK2, EM38 and EM34-3 text records (posted with a copy of the record and its tick)
// ---------------------------------------------------------------------------------------------------------------
static UINT TextReadingMessage()
{
    if (nInstrumentType == INSTRUMENT_EM38) return WM_EM38_READING;
    if (nInstrumentType == INSTRUMENT_EM34) return WM_EM34_READING;
    return WM_EM31MK2_READING;
}

static void RunTextFrameReader(int bEventReader)
{
    if (!bEventReader && nInstrumentType != INSTRUMENT_EM38) nInstrumentRecordLength = 12;
    PurgeInstrumentPort();
    StartListening();
    FrameAccumulator acc;
    ResetFrameAccumulator(&acc);
    unsigned char abFrame[128];
    int nSoundCount = 0;
    UINT message = bEventReader ? WM_EM38_READING : TextReadingMessage();
    while (InstrumentPortInUse()) {
        unsigned char b;
        if (ReadInstrumentByte(&b) <= 0) continue;
        int nLength = nInstrumentRecordLength;
        int nResult = StepTextFrame(&acc, b, nLength, abFrame);
        if (nResult == FRAME_BAD_FIRST) {
            CountFrameForNotice();  // still counts the frame
            continue;
        }
        if (nResult != FRAME_READY) continue;
        DWORD dwTick = GetTickCount();
        adwFrameTick[0] = dwTick;
        int bNotify = CountFrameForNotice();
        if (!bEventReader) {
            CountTickSound(&nSoundCount, 6, nSurveyModePrev != 2);
            dwInstrumentDataTick = dwTick;
        }
        if (bNotify) PostFrameToLogScreen(message, abFrame, nLength, dwTick);
    }
}

DWORD TextFrameReaderThread(void *)
{
    RunTextFrameReader(0);
    return 0;
}

DWORD TextFrameEventReaderThread(void *)
{
    RunTextFrameReader(1);
    return 0;
}

// ---------------------------------------------------------------------------------------------------------------
// EM38-MK2 binary frames and EM38-4 packets
// ---------------------------------------------------------------------------------------------------------------
DWORD BinaryFrameReaderThread(void *)
{
    nInstrumentRecordLength = 14;
    PurgeInstrumentPort();
    StartListening();
    FrameAccumulator acc;
    ResetFrameAccumulator(&acc);
    unsigned char abFrame[16];
    int nSoundCount = 0;
    while (InstrumentPortInUse()) {
        unsigned char b;
        if (ReadInstrumentByte(&b) <= 0) continue;
        if (StepBinaryFrame(&acc, b, abFrame) != FRAME_READY) continue;
        DWORD dwTick = GetTickCount();
        adwFrameTick[0] = dwTick;
        int bNotify = CountFrameForNotice();
        CopyInstrumentRecord(abFrame, 14);
        CountTickSound(&nSoundCount, 10, 1);
        dwInstrumentDataTick = dwTick;
        if (bNotify) SendReadingToLogScreen(WM_EM38MK2_READING);
    }
    return 0;
}

DWORD Em384PortThread(void *)
{
    nInstrumentThreadState = THREAD_RUNNING;
    StartListening();
    nInstrumentRecordLength = 26;
    PurgeInstrumentPort();
    FrameAccumulator acc;
    ResetFrameAccumulator(&acc);
    unsigned char abPacket[28];
    while (InstrumentPortInUse()) {
        unsigned char b;
        if (ReadInstrumentByte(&b) <= 0) continue;
        if (StepEm384Packet(&acc, b, abPacket) != FRAME_READY) continue;
        if (SoftMarkerIsDown() == 1) abPacket[1] = (unsigned char)(abPacket[1] + 8);
        CopyInstrumentRecord(abPacket, 26);
        adwFrameTick[0] = GetTickCount();
        SendReadingToLogScreen(WM_EM384_READING);
    }
    nInstrumentThreadState = THREAD_ENDED;
    return 0;
}

// ---------------------------------------------------------------------------------------------------------------
// CS-21 and Grad601 sentences
// ---------------------------------------------------------------------------------------------------------------
// Hands a finished instrument sentence to the logging screen (tick, copy, lost-link repaint, message).
void HandOverInstrumentSentence(const char *szSentence, UINT message)
{
    dwInstrumentDataTick = GetTickCount();
    CopyInstrumentRecord(szSentence, (int)strlen(szSentence));
    ScreenWait wait;
    RepaintChannelLabelsAfterLostLink();
    NotifyLogScreen(message);
}

static void RunSentenceReader(const char *pszHeader, UINT message)
{
    nInstrumentThreadState = THREAD_RUNNING;
    StartListening();
    nInstrumentRecordLength = bDualEmFormat ? 7 : 9;
    PurgeInstrumentPort();
    SentenceAccumulator acc;
    ResetSentenceAccumulator(&acc);
    char szSentence[128];
    while (InstrumentPortInUse()) {
        unsigned char b;
        if (ReadInstrumentByte(&b) <= 0) continue;
        if (StepInstrumentSentence(&acc, b, pszHeader, nInstrumentRecordLength, szSentence) != FRAME_READY)
            continue;
        HandOverInstrumentSentence(szSentence, message);
    }
    MarkInstrumentReaderEnded();
}

DWORD DualEmPortThread(void *)
{
    RunSentenceReader("PDLM", WM_DUALEM_READING);
    return 0;
}

DWORD GradPortReaderThread(void *)
{
    RunSentenceReader("PBAR", WM_GRAD601_READING);
    return 0;
}

DWORD GradAltFormatReaderThread(void *)
{
    nInstrumentThreadState = THREAD_RUNNING;
    StartListening();
    FrameAccumulator acc;
    ResetFrameAccumulator(&acc);
    char szSentence[32];
    while (InstrumentPortInUse()) {
        unsigned char b;
        if (ReadInstrumentByte(&b) <= 0) continue;
        if (StepGradAltLine(&acc, b, szSentence) != FRAME_READY) continue;
        HandOverInstrumentSentence(szSentence, WM_GRAD601_READING);
        dwInstrumentDataTick = GetTickCount();
    }
    MarkInstrumentReaderEnded();
    return 0;
}

// ---------------------------------------------------------------------------------------------------------------
// Stopping
// ---------------------------------------------------------------------------------------------------------------
static void ResumeToEnd(HANDLE hThread)
{
    if (hThread && hThread != INVALID_HANDLE_VALUE) ResumeThread(hThread);
}

void StopInstrumentReaders()
{
    ++nInstrumentPortGeneration;
    bInstrumentPortLost = 0;
    HANDLE hPort = hInstrumentPort.exchange(INVALID_HANDLE_VALUE);
    if (hPort != INVALID_HANDLE_VALUE) CloseHandle(hPort);
    HANDLE hEvent = hTriggerEvent;
    if (hEvent) SetEvent(hEvent);
    // A reader that was suspended or never resumed runs once more, finds its port closed and ends.
    ResumeToEnd(hInstrumentThread);
    ResumeToEnd(hInstrumentThread2);
}

void StopTiltReader()
{
    HANDLE hPort = hTiltPort.exchange(INVALID_HANDLE_VALUE);
    if (hPort != INVALID_HANDLE_VALUE) CloseHandle(hPort);
    ResumeToEnd(hTiltThread);
}
