// Data-file record length and the positions derived from it.
#include "datafile/record_length.h"

int nDataRecordLength = 27;
int nDataRecordNewline = 26;
int nDataRecordMarkPos = 25;
int nDataRecordBlankPos = 24;

void SetDataRecordLength(int length)
{
    nDataRecordLength = length;
    nDataRecordNewline = length - 1;
    nDataRecordMarkPos = length - 2;
    nDataRecordBlankPos = length - 3;
}
