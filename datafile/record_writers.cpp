// Record writers: events and comments, GPS sentences, station, time, offset and map point records, EM38-MK2
// offsets and the EM31-MK2, EM38, EM34-3 and EM38-MK2 reading records.
#include <cstdio>
#include <cstring>

#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "datafile/datafile_state.h"

// "HH:MM:SS.mmm" of the local time.
static void FormatLocalTime(char *szOut, size_t nSize)
{
    SYSTEMTIME st;
    GetLocalTime(&st);
    snprintf(szOut, nSize, "%02d:%02d:%02d.%03d", st.wHour % 100, st.wMinute % 100, st.wSecond % 100,
             st.wMilliseconds % 1000);
}

int WriteTaggedRecord(const wchar_t *szLabel, char chKind)
{
    char szLabel8[64];
    WideToNarrowLowByte(szLabel ? szLabel : L"", szLabel8, sizeof szLabel8);
    char rec[DATA_RECORD_MAX];
    BeginRecord(rec);
    rec[0] = chKind;
    PutRecordText(rec, 1, 11, szLabel8);
    PutRecordTick(rec, GetTickCount());
    return WriteDataRecord(rec);
}

int WriteTextRecord(const char *szText, DWORD dwTick, char chFirst, char chNext, char chEnd, char chFlag)
{
    DWORD dwStart = dwRecordingStartTick;
    if (dwStart != 0 && !TickNotBefore(dwTick, dwStart)) return 0;
    if (!szText) szText = "";
    const int L = DataRecordBytes();
    const int W = L - 2;
    if (W <= 0) return 0;
    // All records of one sentence go out in one write; a text too long for the buffer is cut.
    char buffer[2048];
    const int maxRecords = (int)(sizeof buffer) / L;
    int len = (int)strlen(szText);
    if (len > (maxRecords - 1) * W) len = (maxRecords - 1) * W;
    int n = len / W;
    int count = 0;
    char *rec = buffer;
    if (n == 0) {
        BeginRecord(rec);
        rec[0] = chFirst;
        memcpy(rec + 1, szText, (size_t)len);
        rec += L;
        count++;
    } else {
        for (int i = 0; i < n; i++) {
            BeginRecord(rec);
            rec[0] = i == 0 ? chFirst : chNext;
            memcpy(rec + 1, szText + i * W, (size_t)W);
            rec += L;
            count++;
        }
        if (n * W < len) {
            BeginRecord(rec);
            rec[0] = chNext;
            memcpy(rec + 1, szText + n * W, (size_t)(len - n * W));
            rec += L;
            count++;
        }
    }
    BeginRecord(rec);
    rec[0] = chEnd;
    PutRecordField(rec, 1, 6, "%06ld", (long)nGpsSentenceCount);
    rec[7] = chFlag;
    PutRecordTick(rec, dwTick);
    count++;
    return WriteDataRecords(buffer, count);
}

int WriteStationRecord()
{
    char szTime[32];
    FormatLocalTime(szTime, sizeof szTime);
    char rec[DATA_RECORD_MAX];
    BeginRecord(rec);
    rec[0] = 'S';
    PutRecordField(rec, 1, 11, "%11.2f", dStation);
    PutRecordText(rec, 14, 12, szTime);
    return WriteDataRecord(rec);
}

int WriteOffsetRecords(double dNew1, double dNew2, double dNew3, double dNew4, double dOld1, double dOld2,
                       double dOld3, double dOld4)
{
    const double adNew[4] = {dNew1, dNew2, dNew3, dNew4};
    const double adOld[4] = {dOld1, dOld2, dOld3, dOld4};
    int result = 0;
    for (int k = 0; k < 4; k++) {
        char rec[DATA_RECORD_MAX];
        BeginRecord(rec);
        rec[0] = 'O';
        PutRecordField(rec, 1, 9, "%9.2f", adNew[k]);
        PutRecordField(rec, 11, 9, "%9.2f", adOld[k]);
        result = WriteDataRecord(rec);
        if (!result) break;
    }
    return result;
}

int WriteTimeRecord()
{
    char szTime[32];
    FormatLocalTime(szTime, sizeof szTime);
    char rec[DATA_RECORD_MAX];
    BeginRecord(rec);
    rec[0] = '*';
    PutRecordText(rec, 1, 12, szTime);
    PutRecordTick(rec, GetTickCount());
    return WriteDataRecord(rec);
}

int WriteMarkerRecords(char chKind, int nSet, double dValue1, double dValue2, double dValue3, double dValue4)
{
    const int L = DataRecordBytes();
    if (nSet == 0) {
        char rec[DATA_RECORD_MAX];
        BeginRecord(rec);
        rec[0] = chKind;
        rec[1] = '0';
        PutRecordField(rec, 2, 14, "%14.3f", 0.0);
        return WriteDataRecord(rec);
    }
    if (nSet < 1 || nSet > 3) return 0;
    const double adValue[4] = {dValue1, dValue2, dValue3, dValue4};
    char buffer[4 * DATA_RECORD_MAX];
    for (int i = 0; i < 4; i++) {
        char *rec = buffer + i * L;
        BeginRecord(rec);
        rec[0] = chKind;
        rec[1] = (char)(4 * nSet + 93 + i);
        PutRecordField(rec, 2, 14, "%14.3f", adValue[i]);
    }
    return WriteDataRecords(buffer, 4);
}

int WriteEm38Mk2OffsetLines()
{
    static const char *const aszId[6] = {"O1", "O2", "O3", "O4", "O5", "O6"};
    static const int anElement[6] = {10, 8, 2, 0, 6, 4};
    int result = 0;
    for (int i = 0; i < 6; i++) {
        char rec[DATA_RECORD_MAX];
        BeginRecord(rec);
        PutRecordText(rec, 0, 2, aszId[i]);
        PutRecordField(rec, 2, 10, "%10.3f", adCalibration[anElement[i]]);
        PutRecordField(rec, 13, 10, "%10.3f", adCalibrationPrev[anElement[i]]);
        result = WriteDataRecord(rec);
        if (!result) break;
    }
    return result;
}

// Bytes of a stored frame; a zero byte (a frame shorter than the field) is written as a blank.
static void PutFrameBytes(char *rec, int nIndex, const char *pFrame, int nCount)
{
    char szCopy[32];
    for (int i = 0; i < nCount; i++) szCopy[i] = pFrame[i] == 0 ? ' ' : pFrame[i];
    szCopy[nCount] = 0;
    PutRecordText(rec, nIndex, nCount, szCopy);
}

int WriteEmRawRecord()
{
    return WriteEmRawRecordOf(szInstrumentRecord, adwFrameTick[0]);
}

int WriteEmRawRecordOf(const char *pFrame, DWORD dwTick)
{
    char rec[DATA_RECORD_MAX];
    BeginRecord(rec);
    PutFrameBytes(rec, 0, pFrame, 12);
    PutRecordTick(rec, dwTick);
    return WriteDataRecord(rec);
}

int WriteEm34RawRecords()
{
    int count = nEm34Configuration;
    if (count > 6) count = 6;
    int result = 0;
    for (int i = 0; i < count; i++) {
        char rec[DATA_RECORD_MAX];
        BeginRecord(rec);
        PutFrameBytes(rec, 0, szStationRecords[i], 12);
        PutRecordTick(rec, adwFrameTick[i + 1]);
        result = WriteDataRecord(rec);
        if (!result) break;
    }
    return result;
}

int WriteEm38Mk2RawRecord(const char *pFrame)
{
    char rec[DATA_RECORD_MAX];
    BeginRecord(rec);
    // The 14 frame bytes as they came (binary values included).
    for (int i = 0; i < 14 && i < nDataRecordNewline; i++) rec[i] = pFrame[i];
    PutRecordTick(rec, adwFrameTick[0]);
    return WriteDataRecord(rec);
}
