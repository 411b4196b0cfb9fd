// Framing steps of the readers: one byte in, a finished frame, packet or sentence out (no ports, no threads).
#pragma once

#include "platform/platform.h"

// Results of a framing step.
enum {
    FRAME_NONE = 0,       // keep reading
    FRAME_READY = 1,      // a frame is complete; its bytes are in the step's output
    FRAME_BAD_FIRST = 2,  // an end marker was found but the first byte is wrong (buffer kept)
    FRAME_DROPPED = 3,    // the buffer overflowed and was emptied
    FRAME_MARKER = 4,     // a closing marker without a frame (triggered and wheel readers act on it)
};

// Accumulation buffer of the frame readers: bytes since the last frame, index of the newest (-1 empty).
struct FrameAccumulator {
    unsigned char abBuffer[200];
    int nLast;
};
void ResetFrameAccumulator(FrameAccumulator *pAcc);

// EM61 frames: 15 bytes on the wire, a mode letter, 12 data bytes, 0x7F 0x7F. pszFirst lists the accepted first
// bytes ("TDEFMNPQ", the wheel reader adds "JKjk"). On FRAME_READY the 14 bytes from the letter to the first 0x7F
// are in abFrame and the buffer is emptied. FRAME_MARKER: a 0x7F not preceded by 0x7F; *pbClosesFrame tells
// whether a 0x7F (either kind) closed at least 15 bytes.
int StepEm61Frame(FrameAccumulator *pAcc, unsigned char b, const char *pszFirst, unsigned char *abFrame,
                  int *pbClosesFrame);

// Text records: nLength bytes and a carriage return, the first byte 'T'. Every carriage return ends the line and
// empties the buffer. FRAME_READY: abFrame holds the nLength bytes. FRAME_BAD_FIRST: a carriage return closed
// at least nLength bytes whose first is no 'T' (the frame still counts).
int StepTextFrame(FrameAccumulator *pAcc, unsigned char b, int nLength, unsigned char *abFrame);

// EM38-MK2 binary frames: 15 bytes ending 0xFF 0xFF, first byte 'T' or 't'; taken at the closing byte.
// FRAME_READY: abFrame holds 14 bytes (letter, 12 data bytes, first 0xFF).
int StepBinaryFrame(FrameAccumulator *pAcc, unsigned char b, unsigned char *abFrame);

// EM38-4 packets: 28 bytes ending 0xFF 0xFF, first byte 'T' or 't'. FRAME_READY: abFrame holds 26 bytes.
int StepEm384Packet(FrameAccumulator *pAcc, unsigned char b, unsigned char *abFrame);

// Grad601 alternative lines: a carriage return with more than 11 bytes before it and 'T' 12 bytes before it.
// FRAME_READY: szSentence holds the 17-character "$PBAR,vvvvv,wwwww".
int StepGradAltLine(FrameAccumulator *pAcc, unsigned char b, char *szSentence);

// Instrument sentences ("$PDLM...", "$PBAR..."), ended by carriage return and line feed.
struct SentenceAccumulator {
    char szBuffer[300];
    int nLength;
    int bInSentence;
};
void ResetSentenceAccumulator(SentenceAccumulator *pAcc);
// FRAME_READY: szSentence holds the sentence without carriage return and line feed (at most 127 characters;
// longer ones are dropped). pszHeader is "PDLM" or "PBAR"; nMinLength the minimum length with the carriage return.
int StepInstrumentSentence(SentenceAccumulator *pAcc, unsigned char b, const char *pszHeader, int nMinLength,
                           char *szSentence);

// GPS NMEA lines: '$' restarts, a line feed ends, control characters, blanks, '!', '"', '#' and 0x7F are dropped,
// more than 200 characters restart the line. FRAME_READY: szLine holds the line (at most 255 characters).
// *pbDollar is set when the byte was a '$' (the reader takes the sentence's start tick then).
int StepGpsLine(SentenceAccumulator *pAcc, unsigned char b, char *szLine, int *pbDollar);

// Tilt-meter lines: '$' restarts, a line feed ends (the byte before it is cut), more than 200 restart.
int StepTiltLine(SentenceAccumulator *pAcc, unsigned char b, char *szLine, int *pbDollar);

// GPS monitor lines: '$' starts a line, a line feed ends a started line (its last character is cut), more than
// 200 characters leave the line.
int StepMonitorLine(SentenceAccumulator *pAcc, unsigned char b, char *szLine);

// Checksum of "$...*hh": 1 when the XOR of the characters between '$' and the first '*' equals the hexadecimal
// number after the '*'; 0 when it differs or there is no '*' (or no leading '$').
int NmeaChecksumOk(const char *szSentence);
