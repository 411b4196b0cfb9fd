// EM38 record-length probe run on the instrument port before the EM38 reader starts.
#include "processing/em38_probe.h"

#include "acquisition/acquisition.h"
#include "core/rates.h"
#include "core/settings.h"
#include "core/text.h"
#include "platform/platform.h"

// One byte from the instrument port: 1 read, 0 none, -1 no port.
static int ReadProbeByte(unsigned char *pb)
{
    HANDLE hPort = hInstrumentPort;
    if (hPort == INVALID_HANDLE_VALUE) return -1;
    DWORD dwRead = 0;
    if (!ReadFile(hPort, pb, 1, &dwRead, nullptr)) {
        Sleep(1);
        return hInstrumentPort == INVALID_HANDLE_VALUE ? -1 : 0;
    }
    return dwRead == 1 ? 1 : 0;
}

static int AcceptEm38RecordLength(int nCount)
{
    if (nCount == 7) {
        nInstrumentRecordLength = 7;
        dFramePeriodMs = 72.0;
    } else if (nCount == 12) {
        nInstrumentRecordLength = 12;
        dFramePeriodMs = 91.0;
    } else {
        return 0;
    }
    double dFrames = dSampleInterval * 1000.0 / dFramePeriodMs + 0.5;
    // A sample interval that is no finite positive number still gives one frame per reading.
    if (!(dFrames >= 1.0))
        nFramesPerReading = 1;
    else if (dFrames > 1000000.0)
        nFramesPerReading = 1000000;
    else
        nFramesPerReading = (int)dFrames;
    return 1;
}

int DetectEm38RecordLength()
{
    nInstrumentRecordLength = 7;
    DWORD dwStart = GetTickCount();
    WaitMilliseconds(10);
    while (GetTickCount() - dwStart < 2000) {
        unsigned char b = 0;
        int nRead = ReadProbeByte(&b);
        if (nRead < 0) return 0;
        if (nRead == 0 || b != 'T') continue;
        int nCount = 1;
        DWORD dwRecordStart = GetTickCount();
        while (GetTickCount() - dwRecordStart < 1000) {
            nRead = ReadProbeByte(&b);
            if (nRead < 0) return 0;
            if (nRead == 0) continue;
            if (b == '\r') return AcceptEm38RecordLength(nCount);
            nCount++;
        }
    }
    return 0;
}
