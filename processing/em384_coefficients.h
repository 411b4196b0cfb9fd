// EM38-4 coefficient lines of the data file.
#pragma once

// One line: the two letters, dFirst "%10.3f", a blank, dSecond "%10.3f", blanks, line feed; built in szLine (at
// least the record length) and written. Returns the write's result (1 written, 0 failed or no file open).
int WriteCoefficientLine(char chFirst, char chSecond, double dFirst, double dSecond, char *szLine);
// The 28 coefficient lines "O1" .. "O9", "OA" .. "OS". Returns 1 when all were written.
int WriteEm384CoefficientBlock();
