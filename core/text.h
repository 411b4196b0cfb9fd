// Shared text, field and time routines: widening, line reading, field cutting, trimming and the tick-count wait.
#pragma once

#include "platform/platform.h"

// Copies an 8-bit string into a wide buffer, each byte widened as a signed 8-bit value into 16 bits
// (0x80..0xFF become 0xFF80..0xFFFF). The destination holds the source length plus one. Returns 0.
int NarrowToWide(const char *szSource, wchar_t *szDest);
// As NarrowToWide, each byte widened as an unsigned value (0x80..0xFF become 0x0080..0x00FF). Returns 0.
int NarrowToWideU(const char *szSource, wchar_t *szDest);

// Formats (swprintf) into szText of nSize characters. A text that cannot be formatted or does not fit (a value out
// of the range the box is made for) gives "N/A" (cut to the buffer) in its place. Returns 1 when the text fits.
int FormatBoxText(wchar_t *szText, size_t nSize, const wchar_t *szFormat, ...);

// Reads one line from an open file, in blocks; the bytes read past the line feed are given back (the file's read
// offset ends just after the line). The line feed ends the line; a carriage return right before it is dropped. At
// most nBufferSize - 1 characters are stored and the line is always terminated; the rest of a longer line is read
// and dropped. Returns the number of characters stored, or -1 when a read delivers no
// byte (end of file): a last line without a line feed is not returned (its stored part is terminated).
int ReadFileLine(HANDLE hFile, char *szLine, int nBufferSize);

// Field n (1-based) of a line cut at the delimiter: the text between the (n-1)-th and the n-th delimiter, or all
// after the (n-1)-th for the last field; untrimmed. Returns 1 when the field exists, 0 otherwise (output unchanged).
// The output must be at least as long as the line.
int GetDelimitedField(const char *szLine, int n, char cDelimiter, char *szField);
// Field n (1-based); each field after the first loses its leading blanks first, so with the blank as delimiter a
// run of blanks is one separator. The output holds the field trimmed at both ends. Returns 1 when the field
// exists, is not empty and is a number (digits and points, '+' or '-' only first), else 0.
int GetNumericField(const char *szLine, int n, char cDelimiter, char *szField);
// The text after the (n-1)-th delimiter (after the first character for n = 1) up to and including the next
// delimiter. Returns 1 when that closing delimiter was reached, 0 when the line ended first.
int GetFieldAfterDelimiter(const char *szLine, int n, char cDelimiter, char *szField);
// Removes blanks (code 32) in place: mode 1 leading, 2 trailing, 3 both; other modes change nothing. Returns 1.
int TrimSpaces(char *szText, int nMode);
// 1 when the text is a number: every character a digit or a point, '+' or '-' allowed only first; not empty.
int IsNumericText(const char *szText);

// Waits on the millisecond tick count until more than ms milliseconds have passed (the thread sleeps meanwhile and
// serves no messages).
void WaitMilliseconds(int ms);
