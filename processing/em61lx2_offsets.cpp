// EM61-LX2 offset ("O") and filter-factor ("I") lines of the data file.
#include "processing/em61lx2_offsets.h"

#include "datafile/datafile.h"

// Blank at the blank position, "1" at the mark position (the line feed is already last).
static void PutLineMark(char *rec)
{
    PutRecordText(rec, nDataRecordBlankPos, 1, " ");
    PutRecordText(rec, nDataRecordMarkPos, 1, "1");
}

int WriteOffsetLines(int nKind, int bPrevious, double dA1, double dA2, double dA3, double dA4, double dB1, double dB2,
                     double dB3, double dB4)
{
    char rec[DATA_RECORD_MAX];
    if (nKind == 0) {
        const double adA[4] = {dA1, dA2, dA3, dA4};
        const double adB[4] = {dB1, dB2, dB3, dB4};
        int k;
        for (k = 0; k < 4; k++) {
            BeginRecord(rec);
            rec[0] = 'O';
            PutRecordField(rec, 1, 9, "%9.2f", adA[k]);
            if (bPrevious == 1) PutRecordField(rec, 11, 9, "%9.2f", adB[k]);
            PutLineMark(rec);
            if (!WriteDataRecord(rec)) return 0;
        }
        return k;
    }
    const double adA[2] = {dA1, dA2};
    const double adB[2] = {dB1, dB2};
    int result = 0;
    for (int k = 0; k < 2; k++) {
        BeginRecord(rec);
        rec[0] = 'I';
        PutRecordField(rec, 1, 9, "%9.2f", adA[k]);
        PutRecordField(rec, 11, 9, "%9.2f", adB[k]);
        PutLineMark(rec);
        result = WriteDataRecord(rec);
        if (!result) return 0;
    }
    return result;
}
