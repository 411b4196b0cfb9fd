// Fuzz target: a data file of any bytes laid under the map as a background: its kind recognised, its GPS
// sentences gathered, parsed and corrected for the antenna offsets, and written as temporary records.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "background/background_files.h"
#include "support/background_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t nSize)
{
    static const std::string path = StartBackgroundFuzz("background_datafile", "background.T61");
    if (nSize < 1) return 0;
    const int nMapUnits = pData[0] % 3;
    const int nZone = (pData[0] >> 2) % 61;
    if (!WriteFuzzFile(path, pData + 1, nSize - 1)) abort();
    std::wstring wpath(path.begin(), path.end());
    HANDLE h = CreateFile(wpath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) abort();
    BgSource src;
    BgSourceFromFile(&src, h);
    DataBgInfo info;
    int nKind = IdentifyDataFileKind(&src, &info);
    std::string out;
    if (nKind >= 0) {
        if (info.nRecordLen < 1 || info.nRecordLen > BG_DATA_RECORD_MAX) abort();
        if (!std::isfinite(info.dOffsetX) || !std::isfinite(info.dOffsetY)) abort();
        BgSink sink;
        BgSinkToMemory(&sink, &out);
        int n = ConvertDataFileRecords(&src, &sink, info, nMapUnits, nZone);
        if (n < 0 || out.size() != (size_t)n * BG_RECORD_LEN) abort();
    }
    CloseHandle(h);
    BgSource back;
    BgSourceFromMemory(&back, out.data(), out.size());
    double x, y;
    while (ReadBackgroundRecordXY(&back, &x, &y))
        if (!std::isfinite(x) || !std::isfinite(y)) abort();
    return 0;
}
