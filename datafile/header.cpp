// Header block and line block of the data file, with the file tags, format numbers and extensions of each build.
#include <cstdio>
#include <cstring>

#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "datafile/datafile_state.h"
#include "processing/em384_coefficients.h"
#include "processing/em61lx2_offsets.h"

const char *DataFileTag()
{
    const bool jix = bJixProduct != 0;
    switch (nInstrumentType) {
    case INSTRUMENT_GRAD601: return jix ? "JIX601 AW" : "ZNT601 AW";
    case INSTRUMENT_EM61LX2:
        if (nSensorsMinus1 == 0) {
            if (nEm61Type == 0) return jix ? "JIXLX1  W" : "ZNTLX1  W";
            return jix ? "JIXLX1N W" : "ZNTLX1N W";
        }
        if (nEm61Type == 0) return jix ? "JIXLX2  W" : "ZNTLX2  W";
        return jix ? "JIXLX2N W" : "ZNTLX2N W";
    case INSTRUMENT_EM61MK2:
        if (!jix) return "ZNTMK2  W";
        return (nEm61Type == 1 || nEm61Type == 3) ? "JIXMK2H W" : "JIXMK2  W";
    case INSTRUMENT_EM31MK2: return jix ? "JIX31   W" : "ZNT31   W";
    case INSTRUMENT_EM38: return jix ? "JIX38   W" : "ZNT38   W";
    case INSTRUMENT_EM34: return jix ? "JIX343  W" : "ZNT343  W";
    case INSTRUMENT_EM38MK2: return jix ? "JIX382  W" : "ZNT38MK2W";
    case INSTRUMENT_EM384: return jix ? "JIX384  W" : "ZNT384  W";
    case INSTRUMENT_CS21: return jix ? "JIXCS21 W" : "ZNTCS21 W";
    default: return jix ? "JIX      " : "ZNT      ";
    }
}

const char *DataFileFormatNumber()
{
    const bool jix = bJixProduct != 0;
    switch (nInstrumentType) {
    case INSTRUMENT_GRAD601: return jix ? "107" : "101";
    case INSTRUMENT_EM61LX2: return jix ? "100" : "109";
    case INSTRUMENT_EM61MK2: return jix ? "225" : "228";
    case INSTRUMENT_EM31MK2: return jix ? "218" : "230";
    case INSTRUMENT_EM38: return jix ? "200" : "215";
    case INSTRUMENT_EM34: return jix ? "215" : "214";
    case INSTRUMENT_EM38MK2: return jix ? "217" : "229";
    case INSTRUMENT_EM384: return "100";
    case INSTRUMENT_CS21: return "100";
    default: return "000";
    }
}

// Header record 1: tag, format, GPS or GRD, the instrument's digits.
static void BuildHeaderRecord1(char *rec, int bAppended)
{
    BeginRecord(rec);
    PutRecordText(rec, 0, 9, DataFileTag());
    if (bAppended == 1 && !bJixProduct && rec[0] >= 'A' && rec[0] <= 'Z') rec[0] = (char)(rec[0] - 'A' + 'a');
    PutRecordText(rec, 9, 3, DataFileFormatNumber());
    PutRecordText(rec, 12, 3, bGpsEnabled == 1 ? "GPS" : "GRD");
    PutRecordDigit(rec, 15, nMapUnits);
    switch (nInstrumentType) {
    case INSTRUMENT_GRAD601:
        PutRecordDigit(rec, 17, nSurveyMode);
        PutRecordDigit(rec, 19, nSensorsMinus1);
        PutRecordDigit(rec, 20, nSoftMarkerKey);
        PutRecordDigit(rec, 21, bInstrumentEnabled);
        break;
    case INSTRUMENT_EM61LX2:
        PutRecordDigit(rec, 16, nSensorSize);
        PutRecordDigit(rec, 17, nSurveyMode);
        PutRecordDigit(rec, 18, nEm61Type);
        PutRecordDigit(rec, 19, nSoftMarkerKey);
        PutRecordDigit(rec, 21, bInstrumentEnabled);
        PutRecordDigit(rec, 22, nSensorsMinus1);
        break;
    case INSTRUMENT_EM61MK2:
        PutRecordDigit(rec, 16, nSensorSize);
        PutRecordDigit(rec, 17, nSurveyMode);
        PutRecordDigit(rec, 18, nEm61Type);
        PutRecordDigit(rec, 21, bInstrumentEnabled);
        break;
    case INSTRUMENT_EM31MK2:
    case INSTRUMENT_EM38:
    case INSTRUMENT_EM34:
        PutRecordDigit(rec, 16, nDipoleMode);
        PutRecordDigit(rec, 17, nSurveyMode);
        PutRecordDigit(rec, 18, nComponent);
        PutRecordDigit(rec, 19, nInstrumentType == INSTRUMENT_EM34 ? nReference : nEm31Type);
        if (!bJixProduct) PutRecordField(rec, 20, 2, "%2d", bInstrumentEnabled);
        break;
    case INSTRUMENT_EM38MK2:
        PutRecordDigit(rec, 16, nDipoleMode);
        PutRecordDigit(rec, 17, nSurveyMode);
        PutRecordDigit(rec, 18, nComponent);
        PutRecordDigit(rec, 19, nEm38Mk2Type == 0 ? 2 : nEm38Mk2Type);
        PutRecordField(rec, 20, 2, "%2d", bInstrumentEnabled);
        break;
    case INSTRUMENT_EM384:
    case INSTRUMENT_CS21:
        PutRecordDigit(rec, 16, nDipoleMode);
        PutRecordDigit(rec, 17, nSurveyMode);
        PutRecordDigit(rec, 18, nComponent);
        PutRecordDigit(rec, 19, nEm38Mk2Type == 0 ? 2 : nEm38Mk2Type);
        PutRecordDigit(rec, 20, nInphaseUnits);
        PutRecordDigit(rec, 21, nSoftMarkerKey);
        PutRecordDigit(rec, 22, nEm384DisplayMode);
        PutRecordDigit(rec, 23, nEm384StoredInt1);
        PutRecordText(rec, nDataRecordMarkPos, 1, "1");
        break;
    default: break;
    }
}

int WriteDataFileHeader(int bAppended)
{
    char rec[DATA_RECORD_MAX];
    int result;

    // 1: tag, format and instrument settings.
    BuildHeaderRecord1(rec, bAppended);
    result = WriteDataRecord(rec);
    if (!result) return 0;

    // 2: "H", the file name and the interval.
    BeginRecord(rec);
    rec[0] = 'H';
    size_t nameLen = strlen(szDataFileName);
    PutRecordText(rec, 1, 10, szDataFileName);
    if (nameLen > 10) {
        bLongFileName = 1;
        snprintf(szFileNameTail, sizeof szFileNameTail, "%.10s", szDataFileName + 10);
    } else {
        bLongFileName = 0;
        szFileNameTail[0] = 0;
    }
    if (nInstrumentType == INSTRUMENT_GRAD601) {
        PutRecordField(rec, 11, 5, "%5.2f", dSensorSeparation);
    } else if (nSurveyMode == 0) {
        PutRecordField(rec, 11, 7, "%7.3f", dSampleInterval);
    } else if (nSurveyMode == 1) {
        PutRecordField(rec, 11, 7, "%7.3f", dStationIncrementWheel);
    } else if (nSurveyMode == 2) {
        if (nInstrumentType == INSTRUMENT_EM61MK2 || nInstrumentType == INSTRUMENT_EM61LX2)
            PutRecordField(rec, 11, 7, "%7.3f", dStationIncrementManual);
        else
            PutRecordField(rec, 11, 7, "%7d", nReadingsPerStation);
    }
    PutRecordField(rec, 20, 4, "%4d", 0);
    result = WriteDataRecord(rec);
    if (!result) return 0;

    // 3: "G", antenna offsets and GPS settings; each offset cut to its own seven characters.
    BeginRecord(rec);
    rec[0] = 'G';
    PutRecordField(rec, 1, 7, "%7.3f", dGpsOffsetX);
    PutRecordField(rec, 8, 7, "%7.3f", dGpsOffsetY);
    if (nInstrumentType == INSTRUMENT_EM61MK2) PutRecordDigit(rec, 15, nInstrumentCmdReply, 1);
    PutRecordText(rec, 16, 1, "7");
    PutRecordDigit(rec, 17, nRtsUnits);
    PutRecordDigit(rec, 18, bPseudoGga);
    PutRecordDigit(rec, 19, nGpsFormat);
    PutRecordDigit(rec, 20, bGpsEnabled);
    result = WriteDataRecord(rec);
    if (!result) return 0;

    if (!bJixProduct) {
        // 4: first fix easting and zone.
        BeginRecord(rec);
        rec[0] = 'G';
        PutRecordField(rec, 1, 14, "%14.3f", dFirstFixX);
        PutRecordField(rec, 16, 2, "%02d", nUtmZoneFirstFix);
        result = WriteDataRecord(rec);
        if (!result) return 0;
        // 5: first fix northing and the EM61-MK2 tilt settings.
        BeginRecord(rec);
        rec[0] = 'G';
        PutRecordField(rec, 1, 14, "%14.3f", dFirstFixY);
        if (nInstrumentType == INSTRUMENT_EM61MK2) {
            PutRecordDigit(rec, 16, bTiltMeterOn);
            PutRecordDigit(rec, 17, bAntennaRigidFix);
            PutRecordField(rec, 18, 3, "%3d", (int)(100.0 * dGpsAntennaHeight));
        }
        result = WriteDataRecord(rec);
        if (!result) return 0;
    }

    if (nInstrumentType == INSTRUMENT_EM61MK2 || nInstrumentType == INSTRUMENT_EM61LX2) {
        for (int k = 0; k < 4; k++) {
            BeginRecord(rec);
            rec[0] = 'O';
            PutRecordField(rec, 1, 9, "%9.2f", adOffset[k]);
            result = WriteDataRecord(rec);
            if (!result) return 0;
        }
    }
    if (nInstrumentType == INSTRUMENT_EM38MK2) {
        result = WriteEm38Mk2OffsetLines();
        if (!result) return 0;
    }
    if (nInstrumentType == INSTRUMENT_EM61LX2) {
        const double adFactor[2] = {dFilterFactorLeft, dFilterFactorRight};
        for (int k = 0; k < 2; k++) {
            BeginRecord(rec);
            rec[0] = 'I';
            PutRecordField(rec, 1, 9, "%9.2f", adFactor[k]);
            PutRecordField(rec, 11, 9, "%9.2f", 0.0);
            PutRecordText(rec, nDataRecordBlankPos, 1, " ");
            PutRecordText(rec, nDataRecordMarkPos, 1, "1");
            result = WriteDataRecord(rec);
            if (!result) return 0;
        }
    }
    return result;
}

int WriteLineHeader()
{
    SYSTEMTIME st;
    GetLocalTime(&st);
    char rec[DATA_RECORD_MAX];
    int result;

    // "L": line name, and the tail of a long file name.
    char szLine[32];
    WideToNarrowLowByte(szSurveyLine, szLine, sizeof szLine);
    BeginRecord(rec);
    rec[0] = 'L';
    PutRecordText(rec, 1, 12, szLine);
    if (bLongFileName == 1) PutRecordText(rec, 13, 10, szFileNameTail);
    result = WriteDataRecord(rec);
    if (!result) return 0;

    // "B": start station.
    BeginRecord(rec);
    rec[0] = 'B';
    PutRecordField(rec, 1, 11, "%11.2f", dStartStation);
    result = WriteDataRecord(rec);
    if (!result) return 0;

    // "A": direction letter and station increment.
    static const char achDirection[4] = {'W', 'S', 'N', 'E'};
    BeginRecord(rec);
    rec[0] = 'A';
    if (nLineDirection >= 0 && nLineDirection <= 3) rec[1] = achDirection[nLineDirection];
    PutRecordField(rec, 8, 11, "%11.3f", dStationIncrement);
    result = WriteDataRecord(rec);
    if (!result) return 0;

    // "Z": local date and time of the line start.
    BeginRecord(rec);
    rec[0] = 'Z';
    PutRecordField(rec, 1, 2, "%02d", st.wDay % 100);
    PutRecordField(rec, 3, 2, "%02d", st.wMonth % 100);
    PutRecordField(rec, 5, 4, "%04d", st.wYear % 10000);
    PutRecordField(rec, 10, 2, "%02d", st.wHour % 100);
    PutRecordText(rec, 12, 1, ":");
    PutRecordField(rec, 13, 2, "%02d", st.wMinute % 100);
    PutRecordText(rec, 15, 1, ":");
    PutRecordField(rec, 16, 2, "%02d", st.wSecond % 100);
    result = WriteDataRecord(rec);
    if (!result) return 0;

    if (nInstrumentType == INSTRUMENT_EM61MK2) {
        result = WriteOffsetRecords(adOffset[0], adOffset[1], adOffset[2], adOffset[3], adPrevOffset[0],
                                    adPrevOffset[1], adPrevOffset[2], adPrevOffset[3]);
    } else if (nInstrumentType == INSTRUMENT_EM61LX2) {
        result = WriteOffsetLines(0, 1, adOffset[0], adOffset[1], adOffset[2], adOffset[3], adPrevOffset[0],
                                  adPrevOffset[1], adPrevOffset[2], adPrevOffset[3]);
        if (!result) return 0;
        result = WriteOffsetLines(1, 1, dFilterFactorLeft, dFilterFactorRight, 0.0, 0.0, dFilterFactorLeftPrev,
                                  dFilterFactorRightPrev, 0.0, 0.0);
    } else if (nInstrumentType == INSTRUMENT_EM384) {
        result = WriteEm384CoefficientBlock();
    }
    return result ? 1 : 0;
}
