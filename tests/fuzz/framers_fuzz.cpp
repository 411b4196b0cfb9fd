// Fuzz target: every framing step of the readers fed an arbitrary byte stream (the first byte picks the framer).
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "acquisition/framers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t nSize)
{
    if (nSize < 1) return 0;
    const int nFramer = pData[0] % 10;
    FrameAccumulator acc;
    ResetFrameAccumulator(&acc);
    SentenceAccumulator sentence;
    ResetSentenceAccumulator(&sentence);
    unsigned char abFrame[256];
    char szLine[512];
    for (size_t i = 1; i < nSize; ++i) {
        const unsigned char b = pData[i];
        int bFlag = 0;
        int nResult = FRAME_NONE;
        memset(szLine, 0, sizeof szLine);
        switch (nFramer) {
        case 0: nResult = StepEm61Frame(&acc, b, "TDEFMNPQ", abFrame, &bFlag); break;
        case 1: nResult = StepEm61Frame(&acc, b, "TDEFMNPQJKjk", abFrame, &bFlag); break;
        case 2: nResult = StepTextFrame(&acc, b, 1 + pData[0] / 10 % 60, abFrame); break;
        case 3: nResult = StepBinaryFrame(&acc, b, abFrame); break;
        case 4: nResult = StepEm384Packet(&acc, b, abFrame); break;
        case 5: nResult = StepGradAltLine(&acc, b, szLine); break;
        case 6: nResult = StepInstrumentSentence(&sentence, b, pData[0] & 0x80 ? "PBAR" : "PDLM", 12, szLine); break;
        case 7: nResult = StepGpsLine(&sentence, b, szLine, &bFlag); break;
        case 8: nResult = StepTiltLine(&sentence, b, szLine, &bFlag); break;
        default: nResult = StepMonitorLine(&sentence, b, szLine); break;
        }
        if (acc.nLast < -1 || acc.nLast >= (int)sizeof acc.abBuffer) abort();
        if (sentence.nLength < 0 || sentence.nLength >= (int)sizeof sentence.szBuffer) abort();
        if (nResult == FRAME_READY && nFramer >= 5 && strnlen(szLine, sizeof szLine) > 255) abort();
        if (nResult == FRAME_READY && nFramer >= 5) NmeaChecksumOk(szLine);
    }
    return 0;
}
