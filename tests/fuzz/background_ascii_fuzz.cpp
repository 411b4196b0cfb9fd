// Fuzz target: an ASCII background file of any bytes through the block line reader, the conversion into
// temporary records and the redraw of those records as joined lines into the map's tiles. The first byte picks the
// delimiter, the columns, the coordinate type and the map units.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "background/background_files.h"
#include "background/background_state.h"
#include "core/core.h"
#include "map/pens.h"
#include "support/background_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t nSize)
{
    static const std::string path = StartBackgroundFuzz("background_ascii", "background.txt");
    static const std::string temp = [] {
        CreateFixedPensAndBrushes();
        const std::string folder = path.substr(0, path.rfind("/data/")) + "/ProgramData/Ulvane/Temp";
        std::filesystem::create_directories(folder);
        return folder + "/FUZZ.$00";
    }();
    if (nSize < 1) return 0;
    const uint8_t k = pData[0];
    AsciiBgOptions opt;
    opt.nDelimiter = k & 3;
    opt.nCoordType = (k >> 2) & 3;
    opt.nMapUnits = ((k >> 4) & 3) % 3;
    opt.nFileType = (k & 64) ? 2 : 1;
    opt.nColumnX = (k >> 7) ? 2 : 1;
    opt.nColumnY = 0;
    opt.nColumnLabel = (k >> 7) ? 1 : 2;
    opt.nZone = (k & 1) ? 18 : 0;
    if (!WriteFuzzFile(path, pData + 1, nSize - 1)) abort();
    std::wstring wpath(path.begin(), path.end());
    HANDLE h = CreateFile(wpath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) abort();
    BgSource src;
    BgSourceFromFile(&src, h);
    std::string out;
    BgSink sink;
    BgSinkToMemory(&sink, &out);
    int n = ConvertAsciiLines(&src, &sink, opt);
    CloseHandle(h);
    // Every record is whole and reads back as what a drawing expects.
    if (n < 0 || out.size() != (size_t)n * BG_RECORD_LEN) abort();
    BgSource back;
    BgSourceFromMemory(&back, out.data(), out.size());
    double x, y;
    int nLabel;
    char szLabel[8];
    for (int i = 0; i < n; i++) {
        if (out[(size_t)i * BG_RECORD_LEN + BG_RECORD_LEN - 1] != '\n') abort();
        if (!ReadBackgroundRecordXYLabel(&back, &x, &y, &nLabel, szLabel)) abort();
        if (nLabel < 0 || nLabel > 5 || strlen(szLabel) != (size_t)nLabel) abort();
    }
    // The records redrawn as a joined line, the style whose segments run between any two points.
    std::ofstream(temp, std::ios::binary | std::ios::trunc) << out;
    bJixProduct = 0;
    wcscpy(aszBackgroundTempFile[0], L"FUZZ.$00");
    aBgSlotStyle[0] = 9;
    aBgSlotFileType[0] = 1;
    nBackgroundFileCount = 1;
    FreeMapTiles();
    RedrawBackgroundFiles();
    FreeMapTiles();
    return 0;
}
