// Framing steps of the readers: the byte-by-byte search for frames, packets and sentences.
#include "acquisition/framers.h"

#include <cstdlib>
#include <cstring>

// A buffer that reaches this index without a frame is emptied (the 182nd byte).
static const int nOverflowIndex = 180;

void ResetFrameAccumulator(FrameAccumulator *pAcc)
{
    pAcc->nLast = -1;
}

// Appends a byte; returns 0 when the buffer overflowed and was emptied.
static int AppendByte(FrameAccumulator *pAcc, unsigned char b)
{
    pAcc->abBuffer[++pAcc->nLast] = b;
    if (pAcc->nLast > nOverflowIndex) {
        pAcc->nLast = -1;
        return 0;
    }
    return 1;
}

int StepEm61Frame(FrameAccumulator *pAcc, unsigned char b, const char *pszFirst, unsigned char *abFrame,
                  int *pbClosesFrame)
{
    *pbClosesFrame = 0;
    if (!AppendByte(pAcc, b)) return FRAME_DROPPED;
    if (b != 0x7F) return FRAME_NONE;
    int n = pAcc->nLast;
    if (n >= 14) *pbClosesFrame = 1;
    if (n < 1 || pAcc->abBuffer[n - 1] != 0x7F) return FRAME_MARKER;
    if (n < 14) return FRAME_NONE;
    unsigned char chFirst = pAcc->abBuffer[n - 14];
    if (chFirst == 0 || !strchr(pszFirst, (char)chFirst)) return FRAME_BAD_FIRST;
    memcpy(abFrame, pAcc->abBuffer + n - 14, 14);
    pAcc->nLast = -1;
    return FRAME_READY;
}

int StepTextFrame(FrameAccumulator *pAcc, unsigned char b, int nLength, unsigned char *abFrame)
{
    if (!AppendByte(pAcc, b)) return FRAME_DROPPED;
    if (b != '\r') return FRAME_NONE;
    int n = pAcc->nLast;
    pAcc->nLast = -1;
    if (nLength < 1 || nLength > 127 || n < nLength) return FRAME_NONE;
    if (pAcc->abBuffer[n - nLength] != 'T') return FRAME_BAD_FIRST;
    memcpy(abFrame, pAcc->abBuffer + n - nLength, nLength);
    return FRAME_READY;
}

// Frames closed by 0xFF 0xFF with the first byte 'T' or 't' nBack bytes before the last; copies nCopy bytes.
static int StepFfFrame(FrameAccumulator *pAcc, unsigned char b, int nBack, int nCopy, unsigned char *abFrame)
{
    if (!AppendByte(pAcc, b)) return FRAME_DROPPED;
    int n = pAcc->nLast;
    if (b != 0xFF || n < nBack || pAcc->abBuffer[n - 1] != 0xFF) return FRAME_NONE;
    unsigned char chFirst = pAcc->abBuffer[n - nBack];
    if (chFirst != 'T' && chFirst != 't') return FRAME_BAD_FIRST;
    memcpy(abFrame, pAcc->abBuffer + n - nBack, nCopy);
    pAcc->nLast = -1;
    return FRAME_READY;
}

int StepBinaryFrame(FrameAccumulator *pAcc, unsigned char b, unsigned char *abFrame)
{
    return StepFfFrame(pAcc, b, 14, 14, abFrame);
}

int StepEm384Packet(FrameAccumulator *pAcc, unsigned char b, unsigned char *abFrame)
{
    return StepFfFrame(pAcc, b, 27, 26, abFrame);
}

int StepGradAltLine(FrameAccumulator *pAcc, unsigned char b, char *szSentence)
{
    if (!AppendByte(pAcc, b)) return FRAME_DROPPED;
    if (b != '\r') return FRAME_NONE;
    int n = pAcc->nLast;
    pAcc->nLast = -1;
    if (n <= 11 || pAcc->abBuffer[n - 12] != 'T') return FRAME_NONE;
    memcpy(szSentence, "$PBAR,", 6);
    memcpy(szSentence + 6, pAcc->abBuffer + n - 10, 5);
    szSentence[11] = ',';
    memcpy(szSentence + 12, pAcc->abBuffer + n - 5, 5);
    szSentence[17] = 0;
    return FRAME_READY;
}

void ResetSentenceAccumulator(SentenceAccumulator *pAcc)
{
    pAcc->nLength = 0;
    pAcc->bInSentence = 0;
    pAcc->szBuffer[0] = 0;
}

int StepInstrumentSentence(SentenceAccumulator *pAcc, unsigned char b, const char *pszHeader, int nMinLength,
                           char *szSentence)
{
    if (b == '$') {
        pAcc->szBuffer[0] = '$';
        pAcc->nLength = 1;
        pAcc->bInSentence = 1;
        return FRAME_NONE;
    }
    if (b == '\n') {
        int nResult = FRAME_NONE;
        int n = pAcc->nLength;
        if (pAcc->bInSentence && n >= nMinLength && n >= 5 && pAcc->szBuffer[n - 1] == '\r' &&
            memcmp(pAcc->szBuffer + 1, pszHeader, 4) == 0) {
            // The sentence without its carriage return must fit the 128-byte record buffer.
            if (n - 1 <= 127) {
                memcpy(szSentence, pAcc->szBuffer, n - 1);
                szSentence[n - 1] = 0;
                nResult = FRAME_READY;
            } else {
                nResult = FRAME_DROPPED;
            }
            pAcc->nLength = 0;
        }
        pAcc->bInSentence = 0;
        return nResult;
    }
    if (pAcc->nLength > 180) pAcc->nLength = 0;
    pAcc->szBuffer[pAcc->nLength++] = (char)b;
    return FRAME_NONE;
}

int StepGpsLine(SentenceAccumulator *pAcc, unsigned char b, char *szLine, int *pbDollar)
{
    *pbDollar = 0;
    if (b == '$') {
        *pbDollar = 1;
        pAcc->szBuffer[0] = '$';
        pAcc->nLength = 1;
        return FRAME_NONE;
    }
    if (b == '\n') {
        if (pAcc->nLength == 0) return FRAME_NONE;
        memcpy(szLine, pAcc->szBuffer, pAcc->nLength);
        szLine[pAcc->nLength] = 0;
        pAcc->nLength = 0;
        return FRAME_READY;
    }
    if (pAcc->nLength > 200) pAcc->nLength = 0;
    if (b < '$' || b == 0x7F) return FRAME_NONE;
    pAcc->szBuffer[pAcc->nLength++] = (char)b;
    return FRAME_NONE;
}

int StepTiltLine(SentenceAccumulator *pAcc, unsigned char b, char *szLine, int *pbDollar)
{
    *pbDollar = 0;
    if (b == '$') {
        *pbDollar = 1;
        pAcc->szBuffer[0] = '$';
        pAcc->nLength = 1;
        return FRAME_NONE;
    }
    if (b == '\n') {
        if (pAcc->nLength == 0) return FRAME_NONE;
        int n = pAcc->nLength - 1;  // the carriage return before the line feed is cut off
        memcpy(szLine, pAcc->szBuffer, n);
        szLine[n] = 0;
        pAcc->nLength = 0;
        return FRAME_READY;
    }
    if (pAcc->nLength > 200) pAcc->nLength = 0;
    pAcc->szBuffer[pAcc->nLength++] = (char)b;
    return FRAME_NONE;
}

int StepMonitorLine(SentenceAccumulator *pAcc, unsigned char b, char *szLine)
{
    if (b == '$') {
        pAcc->szBuffer[0] = '$';
        pAcc->nLength = 1;
        pAcc->bInSentence = 1;
        return FRAME_NONE;
    }
    if (!pAcc->bInSentence) return FRAME_NONE;
    if (b == '\n') {
        int n = pAcc->nLength - 1;  // without its last character, the carriage return
        if (n < 0) n = 0;
        memcpy(szLine, pAcc->szBuffer, n);
        szLine[n] = 0;
        pAcc->nLength = 0;
        pAcc->bInSentence = 0;
        return FRAME_READY;
    }
    pAcc->szBuffer[pAcc->nLength++] = (char)b;
    if (pAcc->nLength > 200) {
        pAcc->nLength = 0;
        pAcc->bInSentence = 0;
    }
    return FRAME_NONE;
}

int NmeaChecksumOk(const char *szSentence)
{
    if (szSentence[0] != '$') return 0;
    const char *pStar = strchr(szSentence, '*');
    if (!pStar) return 0;
    unsigned nSum = 0;
    for (const char *p = szSentence + 1; p < pStar; ++p) nSum ^= (unsigned char)*p;
    unsigned long nGiven = strtoul(pStar + 1, nullptr, 16);
    return nGiven == nSum ? 1 : 0;
}
