// Shared text, field and time routines: widening, line reading, field cutting, trimming and the tick-count wait.
#include "core/text.h"

#include <chrono>
#include <cstdarg>
#include <cstring>
#include <cwchar>
#include <thread>

int NarrowToWide(const char *szSource, wchar_t *szDest)
{
    int i = 0;
    for (; szSource[i] != 0; i++)
        szDest[i] = (wchar_t)(uint16_t)(int16_t)(signed char)szSource[i];
    szDest[i] = 0;
    return 0;
}

int FormatBoxText(wchar_t *szText, size_t nSize, const wchar_t *szFormat, ...)
{
    if (!szText || nSize == 0) return 0;
    va_list args;
    va_start(args, szFormat);
    int n = vswprintf(szText, nSize, szFormat, args);
    va_end(args);
    if (n >= 0 && (size_t)n < nSize) return 1;
    static const wchar_t szNotAvailable[] = L"N/A";
    size_t i = 0;
    for (; i + 1 < nSize && szNotAvailable[i]; ++i) szText[i] = szNotAvailable[i];
    szText[i] = 0;
    return 0;
}

int NarrowToWideU(const char *szSource, wchar_t *szDest)
{
    int i = 0;
    for (; szSource[i] != 0; i++)
        szDest[i] = (wchar_t)(unsigned char)szSource[i];
    szDest[i] = 0;
    return 0;
}

int ReadFileLine(HANDLE hFile, char *szLine, int nBufferSize)
{
    char block[4096];
    int nStored = 0;
    int bLastStoredCR = 0;  // the byte read just before is a carriage return that was stored
    for (;;) {
        DWORD dwRead = 0;
        if (!ReadFile(hFile, block, (DWORD)sizeof block, &dwRead, nullptr) || dwRead == 0) {
            if (nBufferSize > 0)
                szLine[nStored] = 0;
            return -1;
        }
        for (DWORD i = 0; i < dwRead; i++) {
            char c = block[i];
            if (c == '\n') {
                // The bytes after the line go back to the file: the next read starts on the next line.
                DWORD dwAfter = dwRead - i - 1;
                if (dwAfter > 0)
                    SetFilePointer(hFile, -(int32_t)dwAfter, nullptr, FILE_CURRENT);
                if (bLastStoredCR)
                    nStored--;
                if (nBufferSize > 0)
                    szLine[nStored] = 0;
                return nStored;
            }
            if (nStored < nBufferSize - 1) {
                szLine[nStored++] = c;
                bLastStoredCR = (c == '\r');
            } else {
                bLastStoredCR = 0;  // the line is longer than the buffer: the rest is dropped
            }
        }
    }
}

int GetDelimitedField(const char *szLine, int n, char cDelimiter, char *szField)
{
    if (n < 1)
        return 0;
    int nStart = 0;  // first character of field k
    int k = 1;
    for (int i = 0;; i++) {
        char c = szLine[i];
        if (c == cDelimiter || c == 0) {
            if (k == n) {
                int nLen = i - nStart;
                memmove(szField, szLine + nStart, (size_t)nLen);
                szField[nLen] = 0;
                return 1;
            }
            if (c == 0)
                return 0;
            k++;
            nStart = i + 1;
        }
    }
}

int IsNumericText(const char *szText)
{
    if (szText[0] == 0)
        return 0;
    for (int i = 0; szText[i] != 0; i++) {
        char c = szText[i];
        if ((c >= '0' && c <= '9') || c == '.')
            continue;
        if ((c == '+' || c == '-') && i == 0)
            continue;
        return 0;
    }
    return 1;
}

int GetNumericField(const char *szLine, int n, char cDelimiter, char *szField)
{
    szField[0] = 0;
    if (n < 1)
        return 0;
    const char *p = szLine;  // current text
    for (int k = 1;; k++) {
        const char *pEnd = p;
        while (*pEnd != 0 && *pEnd != cDelimiter)
            pEnd++;
        int c = (int)(pEnd - p);
        if (k == n) {
            if (c == 0)
                return 0;
            memmove(szField, p, (size_t)c);
            szField[c] = 0;
            TrimSpaces(szField, 3);
            return IsNumericText(szField);
        }
        if (*pEnd == 0)
            return 0;
        p = pEnd + 1;
        while (*p == ' ')
            p++;
    }
}

int GetFieldAfterDelimiter(const char *szLine, int n, char cDelimiter, char *szField)
{
    szField[0] = 0;
    int s = 0;
    if (n >= 2) {
        int nFound = 0;
        for (int i = 0; szLine[i] != 0; i++) {
            if (szLine[i] == cDelimiter && ++nFound == n - 1) {
                s = i;
                break;
            }
        }
        if (nFound < n - 1)
            s = 0;
    }
    if (szLine[s] == 0)
        return 0;
    int nOut = 0;
    for (int i = s + 1; szLine[i] != 0; i++) {
        szField[nOut++] = szLine[i];
        if (szLine[i] == cDelimiter) {
            szField[nOut] = 0;
            return 1;
        }
    }
    szField[nOut] = 0;
    return 0;
}

int TrimSpaces(char *szText, int nMode)
{
    if (nMode == 1 || nMode == 3) {
        int nLead = 0;
        while (szText[nLead] == ' ')
            nLead++;
        if (nLead > 0)
            memmove(szText, szText + nLead, strlen(szText + nLead) + 1);
    }
    if (nMode == 2 || nMode == 3) {
        int nLen = (int)strlen(szText);
        while (nLen > 0 && szText[nLen - 1] == ' ')
            szText[--nLen] = 0;
    }
    return 1;
}

void WaitMilliseconds(int ms)
{
    // The thread sleeps between readings of the tick count instead of spinning: the same minimum duration without
    // keeping a processor busy (a field tablet runs on its battery).
    DWORD dwStart = GetTickCount();
    while ((int32_t)(GetTickCount() - dwStart) <= ms) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}
