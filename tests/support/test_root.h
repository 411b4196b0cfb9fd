// A root folder of a test's own under the test output folder, made the program's root ($ULVANE_ROOT), and fresh
// data files in it.
#pragma once

#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <string>

#include "datafile/datafile.h"
#include "platform/platform.h"
#include "support/emulator_client.h"

// Makes a fresh root folder named after the test (emu::MakeTempRoot) and sets $ULVANE_ROOT to it; "" when it
// cannot be made.
inline std::string MakeTestRoot(const char *szName)
{
    const std::string root = emu::MakeTempRoot(szName);
    if (!root.empty()) setenv("ULVANE_ROOT", root.c_str(), 1);
    return root;
}

// Closes the open data file and names a fresh one, C:\data\<szStem><nnn>.<szExt> (nnn counting up), with no file of
// that name left; returns its path on disk.
inline std::string NameFreshDataFile(const wchar_t *szStem, const wchar_t *szExt)
{
    static int nFile = 0;
    CloseDataFile();
    swprintf(szDataFilePath, 261, L"C:\\data\\%ls%03d.%ls", szStem, nFile++, szExt);
    std::string path = MapDrivePath(szDataFilePath);
    std::filesystem::remove(path);
    return path;
}
