// Data-file record length and the positions derived from it.
#pragma once

extern int nDataRecordLength;    // bytes of one record including its line feed: 27 at start
extern int nDataRecordNewline;   // index of the line feed: length - 1
extern int nDataRecordMarkPos;   // index of the record mark: length - 2
extern int nDataRecordBlankPos;  // length - 3

// Sets the record length and the three positions derived from it.
void SetDataRecordLength(int length);
