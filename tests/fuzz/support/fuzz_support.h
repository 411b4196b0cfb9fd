// Shared start of the fuzz targets: the platform layer (offscreen), a private root folder, and byte readers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/platform.h"

// Starts the platform layer once (offscreen) and gives the program a private root folder under the build tree
// (C:\ is <root>/C, with C:\data\). Returns the root's path.
std::string StartFuzzPlatform(const char *szTarget);

// The input as a C string (bytes after the first zero dropped), at most nMax bytes.
std::string FuzzText(const uint8_t *pData, size_t nSize, size_t nMax);

// Writes bytes to a file (replacing it). Returns 1 on success.
int WriteFuzzFile(const std::string &path, const uint8_t *pData, size_t nSize);
