// Fuzz target: the CS-21 "$PDLM" and Grad601 "$PBAR" sentences as text of any bytes: their values, screen rows and
// colour cells, and their reading records, which stay exactly one record long.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile_state.h"
#include "datafile/datafile.h"
#include "datafile/record_length.h"
#include "displays/scales.h"
#include "map/pens.h"
#include "processing/sentence_handlers.h"
#include "support/fuzz_support.h"

namespace {

std::string gRoot;

void Start()
{
    gRoot = StartFuzzPlatform("sentences");
    RestoreInitialSettings();
    ApplyStartupDefaults();
}

// Bytes of the open data file.
int64_t FileBytes()
{
    DWORD dwHigh = 0;
    const DWORD dwLow = GetFileSize(hDataFile, &dwHigh);
    return (int64_t)(((uint64_t)dwHigh << 32) | dwLow);
}

}  // namespace

// Input: one byte of modes, then the sentence.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t nSize)
{
    static const int bStarted = (Start(), 1);
    (void)bStarted;
    if (nSize < 1) return 0;
    const int bGrad = pData[0] & 1;
    nSensorsMinus1 = (pData[0] >> 1) & 1;
    dScale1Min = -100.0;
    dScale1Max = 400.0;
    dScale2Min = -25.0;
    dScale2Max = 25.0;
    dScale1PixPerUnit = dScale1PixPerUnitB = 0.5;
    dScale2PixPerUnit = dScale2PixPerUnitB = 4.0;
    ComputeColorStep(dScale1Min, dScale1Max);
    const std::string text = FuzzText(pData + 1, nSize - 1, 4096);
    memset(szInstrumentRecord, 0, sizeof szInstrumentRecord);
    memcpy(szInstrumentRecord, text.data(), text.size() < sizeof szInstrumentRecord - 1 ? text.size()
                                                                                      : sizeof szInstrumentRecord - 1);

    if (bGrad) {
        double ad[2] = {0, 0};
        GradSentenceValues(szInstrumentRecord, ad);
        int p1 = 0, b1 = 0, p2 = 0, b2 = 0;
        ReadingsToPixelsGrad(ad[0], ad[1], &p1, &b1, &p2, &b2);
        const int nCell = SensorPairCell(ad[0], ad[1], nSensorsMinus1 == 1);
        if (nCell < 0 || nCell > 64 * 49 + 49) abort();
    } else {
        double ad[4] = {0, 0, 0, 0};
        DualEmSentenceValues(szInstrumentRecord, ad);
        int anProfile[8] = {0}, anBarQ[4] = {0}, anBarI[4] = {0};
        ScaleDualEmReadings(text.size() > 5 ? text[5] : 0, ad[0], ad[1], ad[2], ad[3], anProfile, anBarQ, anBarI);
        const int nCell = SensorPairCell(ad[0], ad[1], 0);
        if (nCell < 0 || nCell > 49) abort();
    }

    // The reading record: one record of the build's length, whatever the sentence's length.
    const int nLength = bGrad ? 27 : 65;
    SetDataRecordLength(nLength);
    CloseDataFile();
    swprintf(szDataFilePath, 261, L"C:\\data\\sentences.dat");
    if (!WriteFuzzFile(MapDrivePath(szDataFilePath), nullptr, 0)) abort();
    if (OpenDataFileHandle() != 1) abort();
    char szSentence[128];
    memcpy(szSentence, szInstrumentRecord, 127);
    szSentence[127] = 0;
    if (WriteSentenceRecord(szSentence, bGrad ? 2 : 0, bGrad ? 5 : 0, 4000000000u) != 1) abort();
    if (FileBytes() != nLength) abort();
    CloseDataFile();
    return 0;
}
