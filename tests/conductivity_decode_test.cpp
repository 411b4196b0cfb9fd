// Conductivity-meter record decoding: text records of the EM31-MK2, EM38 and EM34-3, word records of the EM38-MK2,
// live and buffer decoders alike.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile_state.h"
#include "displays/scales.h"
#include "processing/conductivity_decode.h"

namespace {

// A text record: kind 'T', the flags byte, two five-character fields.
std::string TextRecord(int nFlags, const char *szField1, const char *szField2 = "00000")
{
    std::string r = "T";
    r += (char)nFlags;
    r += szField1;
    r += szField2;
    r += ' ';
    return r;
}

struct TextCase {
    const char *name;
    int nType, nComponent, nSurveyMode;
    std::string record;
    double v1, v2;
    char chDipole;
    short nRange;
    char chMarker;
    int nSlot;  // the valid slot, -1 for none (the battery flag is bit 0 of the flags byte)
};

TEST(ConductivityDecode, TextRecordsDecodeByInstrumentTable)
{
    const TextCase cases[] = {
        // flags '0' (48): no marker, V, divisor 8 (EM31 ignores it), range index 0.
        {"em31 component 0", INSTRUMENT_EM31MK2, 0, 0, "T0-040000100 ", 100.0, -0.25, 'V', 1000, 'N', 0},
        // An odd flags byte is a battery record; bit 0 stays part of the range index (1: range 10), and both fields
        // take the range's scale.
        {"em31 battery odd flags", INSTRUMENT_EM31MK2, 0, 0, TextRecord(49, "-0400", "-0800"), 1.0, 2.0, 'V', 10, 'N', 0},
        {"em31 index 6 is 1000", INSTRUMENT_EM31MK2, 0, 0, TextRecord(6, "-1000"), 250.0, 0.0, 'H', 1000, 'N', 1},
        {"em31 index 2 is 10", INSTRUMENT_EM31MK2, 0, 0, TextRecord(2, "-1000"), 2.5, 0.0, 'H', 10, 'N', 1},
        {"em31 index 4 is 100", INSTRUMENT_EM31MK2, 0, 0, TextRecord(4, "-1000"), 25.0, 0.0, 'H', 100, 'N', 1},
        {"em31 in-phase 1000 range keeps -0.0025", INSTRUMENT_EM31MK2, 0, 0, TextRecord(0, "00000", "-1000"), 0.0,
         2.5, 'H', 1000, 'N', 1},
        {"em31 in-phase only", INSTRUMENT_EM31MK2, 1, 0, TextRecord(32, "-1000"), -1000.0, 62.5, 'V', 1000, 'N', 2},
        // 128 is not reduced: marker, then 64 goes on: V, 16, 8 dropped, index 8 has no row.
        {"em31 flags 128", INSTRUMENT_EM31MK2, 0, 0, TextRecord(128, "-1000"), 0.0, 0.0, 'V', 0, 'M', -1},
        {"em31 flags 192 reduced", INSTRUMENT_EM31MK2, 0, 0, TextRecord(192, "-1000"), 250.0, 0.0, 'H', 1000, 'M', 1},
        {"em31 manual marker N", INSTRUMENT_EM31MK2, 0, 2, TextRecord(64, "-1000"), 250.0, 0.0, 'H', 1000, 'N', 1},
        // EM34-3: reversed dipole, separations by code.
        {"em34 index 1 is 1000", INSTRUMENT_EM34, 0, 0, TextRecord(16 + 1, "-1000"), 250.0, 10.0, 'V', 1000, 'N', 0},
        {"em34 code 8 is 20 m", INSTRUMENT_EM34, 0, 0, TextRecord(8 + 2, "-1000"), 2.5, 20.0, 'V', 10, 'N', 1},
        {"em34 code 15 is 20 m", INSTRUMENT_EM34, 0, 0, TextRecord(15, "-1000"), 250.0, 20.0, 'V', 1000, 'N', 1},
        {"em34 code 0 is 20 m, index 0 is 3", INSTRUMENT_EM34, 0, 0, TextRecord(0, "-1000"), 0.75, 20.0, 'V', 3, 'N', 1},
        {"em34 H 40 m", INSTRUMENT_EM34, 0, 0, TextRecord(32 + 24 + 5, "-1000"), 75.0, 40.0, 'H', 300, 'N', 5},
        {"em34 flags 128", INSTRUMENT_EM34, 0, 0, TextRecord(128, "-1000"), 0.0, 40.0, 'H', 0, 'M', -1},
        // EM38: conductivity bit 4, range 1000 at index 3, divisor 8 at bit 16.
        {"em38 conductivity V 1000", INSTRUMENT_EM38, 0, 0, TextRecord(32 + 4 + 3, "-0100"), 100.0, 100.0, 'V', 1000,
         'N', 0},
        {"em38 conductivity H 100 divisor 8", INSTRUMENT_EM38, 0, 0, TextRecord(16 + 4, "-0800"), 10.0, 10.0, 'H', 100,
         'N', 1},
        {"em38 in-phase V 1000", INSTRUMENT_EM38, 0, 0, TextRecord(32 + 3, "-1000"), 28.8, 28.8, 'V', 1000, 'N', 2},
        {"em38 in-phase H 100", INSTRUMENT_EM38, 0, 0, TextRecord(1, "-1000"), 2.88, 2.88, 'H', 100, 'N', 3},
    };
    for (const TextCase &c : cases) {
        SCOPED_TRACE(c.name);
        nInstrumentType = c.nType;
        nComponent = c.nComponent;
        nSurveyMode = c.nSurveyMode;
        nEm31Type = 0;
        memset(szInstrumentRecord, 0, sizeof szInstrumentRecord);
        memcpy(szInstrumentRecord, c.record.data(), c.record.size());
        for (int i = 0; i < 8; i++) {
            dChannelValue[i] = 99.0;
            bChannelValid[i] = 1;
        }
        double v1 = -1, v2 = -1;
        char chDipole = 0, chMarker = 0;
        short nRange = -1;
        int nMode = -1, nBattery = -1;
        int nSlot = DecodeEmRecord(&v1, &v2, &chDipole, &nRange, &chMarker, &nMode, &nBattery);
        EXPECT_EQ(nSlot, c.nSlot);
        EXPECT_NEAR(v1, c.v1, 1e-9);
        EXPECT_NEAR(v2, c.v2, 1e-9);
        EXPECT_EQ(chDipole, c.chDipole);
        EXPECT_EQ(nRange, c.nRange);
        EXPECT_EQ(chMarker, c.chMarker);
        EXPECT_EQ(nBattery, (unsigned char)c.record[1] & 1);
        int nValid = 0;
        for (int i = 0; i < 8; i++) nValid += bChannelValid[i];
        if (c.nSlot < 0) {
            EXPECT_EQ(nValid, 0);
        } else {
            EXPECT_EQ(bChannelValid[c.nSlot], 1);
            EXPECT_NEAR(dChannelValue[c.nSlot], c.nType == INSTRUMENT_EM31MK2 && c.nComponent ? c.v2 : c.v1, 1e-9);
            EXPECT_EQ(nValid, c.nType == INSTRUMENT_EM31MK2 && c.nComponent == 0 ? 2 : 1);
        }
        // The buffer decoder gives the same values from the same record.
        double ad[8], b1, b2;
        int ab[8], nMode2 = -1;
        char d2, m2;
        short r2;
        EXPECT_EQ(DecodeEmRecordBuffer(c.record.data(), ab, ad, &b1, &b2, &d2, &r2, &m2, &nMode2), c.nSlot);
        EXPECT_EQ(b1, v1);
        EXPECT_EQ(b2, v2);
        for (int i = 0; i < 8; i++) {
            EXPECT_EQ(ab[i], bChannelValid[i]);
            EXPECT_EQ(ad[i], dChannelValue[i]);
        }
    }
    nSurveyMode = 0;
}

std::string Em38Mk2Record(int nStatus, unsigned r, unsigned s, unsigned p, unsigned q)
{
    std::string rec = "T";
    rec += (char)nStatus;
    for (unsigned w : {r, s, p, q, 0x1234u, 0x5678u}) {
        rec += (char)(w >> 8);
        rec += (char)(w & 0xFF);
    }
    return rec;
}

TEST(ConductivityDecode, Em38Mk2StatusGivesMarkerAndDipole)
{
    nInstrumentType = INSTRUMENT_EM38MK2;
    nEm38Mk2Type = 0;
    for (double &d : adCalibration) d = 0.0;
    for (int nStatus = 0; nStatus < 10; nStatus++) {
        SCOPED_TRACE(nStatus);
        const std::string rec = Em38Mk2Record(nStatus, 32768, 32768, 33792, 32768);
        memcpy(szInstrumentRecord, rec.data(), 14);
        double p, q, r, s, adTemp[2];
        int anRaw[4], anRawTemp[2];
        char chDipole, chMarker;
        short nCode = -1;
        DecodeEm38Mk2Record(&p, &q, &r, &s, anRaw, adTemp, anRawTemp, &chDipole, &chMarker, &nCode);
        EXPECT_EQ(chMarker, nStatus == 2 || nStatus == 6 ? 'N' : 'M');
        EXPECT_EQ(chDipole, nStatus < 4 ? 'H' : 'V');
        EXPECT_EQ(nCode, nStatus < 4 ? 1 : 0);
        EXPECT_DOUBLE_EQ(p, 40.0);  // (33792 x 5 / 1024 - 160) x 8
        EXPECT_EQ(anRaw[0], 33792);
        EXPECT_EQ(anRawTemp[0], 0x1234);
        EXPECT_EQ(bChannelValid[nStatus < 4 ? 1 : 0], 1);
        EXPECT_DOUBLE_EQ(dChannelValue[nStatus < 4 ? 1 : 0], 40.0);
    }
}

TEST(ConductivityDecode, Em38Mk2OffsetsApplyByDipoleAndSeparation)
{
    nInstrumentType = INSTRUMENT_EM38MK2;
    // Words giving x = 40 for p, 8 for the others.
    const std::string recV = Em38Mk2Record(6, 32973, 32973, 33792, 32973);
    const std::string recH = Em38Mk2Record(2, 32973, 32973, 33792, 32973);
    const double x8 = Em38Mk2WordValue(32973);
    struct Case {
        const std::string *rec;
        int nH;
    } cases[] = {{&recV, 0}, {&recH, 1}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.nH);
        double ad[8], p, q, r, s;
        int ab[8];
        char chDipole, chMarker;
        // p, r, q V, s V, q H, s H
        DecodeEm38Mk2RecordBuffer(c.rec->data(), ab, ad, &p, &q, &r, &s, &chDipole, &chMarker, 1.0, 2.0, 3.0, 4.0, 5.0,
                                  6.0);
        EXPECT_DOUBLE_EQ(p, 41.0);
        EXPECT_DOUBLE_EQ(r, x8 + 2.0);
        EXPECT_DOUBLE_EQ(q, x8 * 0.028819 - (c.nH ? 5.0 : 3.0));
        EXPECT_DOUBLE_EQ(s, x8 * 0.00720475 - (c.nH ? 6.0 : 4.0));
        for (int k = 0; k < 4; k++) {
            EXPECT_EQ(ab[2 * k + c.nH], 1);
            EXPECT_EQ(ab[2 * k + 1 - c.nH], 0);
        }
        EXPECT_DOUBLE_EQ(ad[4 + c.nH], r);
    }
    // The live decoder of the single-separation type gives p and q only, with the offsets of adCalibration.
    nEm38Mk2Type = 1;
    for (double &d : adCalibration) d = 0.0;
    adCalibration[10] = 1.5;
    memcpy(szInstrumentRecord, recV.data(), 14);
    double p, q, r, s, adTemp[2];
    int anRaw[4], anRawTemp[2];
    char chDipole, chMarker;
    short nCode;
    DecodeEm38Mk2Record(&p, &q, &r, &s, anRaw, adTemp, anRawTemp, &chDipole, &chMarker, &nCode);
    EXPECT_DOUBLE_EQ(p, 41.5);
    EXPECT_EQ(r, 0.0);
    EXPECT_EQ(s, 0.0);
    EXPECT_EQ(bChannelValid[4], 0);
    EXPECT_EQ(bChannelValid[6], 0);
    nEm38Mk2Type = 0;
}

}  // namespace
