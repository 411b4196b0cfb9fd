// EM61-LX2 offset ("O") and filter-factor ("I") lines of the data file.
#pragma once

// Kind 0: four "O" lines of the new values A1..A4 (with the previous values B1..B4 when bPrevious is 1); kind 1:
// two "I" lines of A1, B1 and A2, B2. Each line carries a blank and "1" before its line feed. Returns the line
// count of kind 0 or 1 for kind 1 when everything was written, 0 when a write failed or no file is open.
int WriteOffsetLines(int nKind, int bPrevious, double dA1, double dA2, double dA3, double dA4, double dB1, double dB2,
                     double dB3, double dB4);
