// Shared start of the fuzz targets: the platform layer (offscreen), a private root folder, and byte readers.
#include "support/fuzz_support.h"

#include "core/core.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

std::string StartFuzzPlatform(const char *szTarget)
{
    static std::string root;
    if (!root.empty()) return root;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::string base = std::string(FUZZ_WORK_DIR "/") + szTarget + "-XXXXXX";
    std::vector<char> buf(base.begin(), base.end());
    buf.push_back(0);
    if (!mkdtemp(buf.data())) {
        perror("mkdtemp");
        abort();
    }
    root = buf.data();
    setenv("ULVANE_ROOT", root.c_str(), 1);
    std::filesystem::create_directories(root + "/C/data");
    static char arg0[64];
    snprintf(arg0, sizeof arg0, "%s", szTarget);
    static char *argv[] = {arg0, nullptr};
    hInst = PlatformInit(1, argv);
    return root;
}

std::string FuzzText(const uint8_t *pData, size_t nSize, size_t nMax)
{
    std::string s(reinterpret_cast<const char *>(pData), nSize < nMax ? nSize : nMax);
    size_t nZero = s.find('\0');
    if (nZero != std::string::npos) s.resize(nZero);
    return s;
}

int WriteFuzzFile(const std::string &path, const uint8_t *pData, size_t nSize)
{
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) return 0;
    size_t n = nSize ? fwrite(pData, 1, nSize, f) : 0;
    int ok = fclose(f) == 0 && n == nSize;
    return ok;
}
