// GPS position handling: the nine position formats, quality, satellites, DOP, the mask, the zone of a run, units,
// speed across midnight and repeated fixes, the satellite sentence and the handler's first fix.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/settings.h"
#include "core/utm.h"
#include "datafile/datafile_state.h"
#include "logscreen/logscreen.h"
#include "map/map_state.h"
#include "map/pens.h"
#include "processing/gps_formats.h"
#include "processing/gps_position.h"

namespace {

// "$" word and fields joined by commas, with the NMEA checksum (XOR of everything between "$" and "*").
std::string Nmea(const std::vector<std::string> &fields)
{
    std::string body;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i) body += ",";
        body += fields[i];
    }
    unsigned sum = 0;
    for (size_t i = 1; i < body.size(); ++i) sum ^= (unsigned char)body[i];
    char tail[8];
    snprintf(tail, sizeof tail, "*%02X", sum);
    return body + tail;
}

std::string Checksum(const std::string &sentence)
{
    return sentence.substr(sentence.find('*') + 1);
}

const std::vector<std::string> kSampleGga = {"$GPGGA", "133524", "4336.5940", "N", "07936.6403", "W", "8",
                                             "11",     "2.0",    "142.5",     "M", "-35.4",      "M", "", ""};

class GpsPositionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitUtmConstants();
        nCoordUnits = 0;
        nMapUnits = 0;
        nSpeedUnits = 0;
        nRtsUnits = 0;
        bPseudoGga = 0;
        bSimulateGps = 0;
        bGpsMaskEnabled = 1;
        nGpsMinSatellites = 5;
        dGpsMaxDop = 4.0;
        nGpsMinQuality = 1;
        nInstrumentType = INSTRUMENT_EM61MK2;
        nUtmZone = -9;
        ResetGpsFixState();
        Format(1);
    }

    void Format(int n)
    {
        nGpsFormat = n;
        SelectGpsSentenceFields();
    }

    int Interpret(const std::string &s, GpsPositionFix *fix)
    {
        return InterpretGpsSentence(s.c_str(), fix);
    }

    // Interprets and, when valid, advances the track as the handler does.
    GpsPositionFix Feed(const std::string &s)
    {
        GpsPositionFix fix;
        InterpretGpsSentence(s.c_str(), &fix);
        AdvanceGpsTrack(&fix);
        return fix;
    }
};

TEST_F(GpsPositionTest, TestSentencesCarryCorrectChecksums)
{
    // The sample position sentence is commonly printed with "*70"; its checksum is 74.
    EXPECT_EQ(Checksum(Nmea(kSampleGga)), "74");
}

TEST_F(GpsPositionTest, SampleGgaInFormat1)
{
    GpsPositionFix fix;
    ASSERT_EQ(Interpret(Nmea(kSampleGga), &fix), 1);
    EXPECT_EQ(nGpsSatellites, 11);
    EXPECT_EQ(nGpsQuality, 8);
    EXPECT_DOUBLE_EQ(dGpsDop, 2.0);
    EXPECT_STREQ(fix.aszBox[GPS_BOX_SATELLITES], L"11");
    EXPECT_STREQ(fix.aszBox[GPS_BOX_QUALITY], L"RTK8");
    EXPECT_STREQ(fix.aszBox[GPS_BOX_DOP], L"2.0");
    EXPECT_NEAR(fix.dLatitude, 43.6099, 1e-12);
    EXPECT_NEAR(fix.dLongitude, -79.61067166666667, 1e-12);
    // Degrees, the degree sign, minutes, then the seconds of the minute's fraction (.5940 x 60 = 35.64).
    EXPECT_STREQ(fix.aszBox[GPS_BOX_LATITUDE], L"N43\u00B036'35.6400\"");
    EXPECT_STREQ(fix.aszBox[GPS_BOX_LONGITUDE], L"W079\u00B036'38.4180\"");
    // UTM (GeographicLib): 17n 612115.9357 4829484.4517.
    EXPECT_EQ(fix.nZone, 17);
    EXPECT_NEAR(fix.dEasting, 612115.9357, 0.01);
    EXPECT_NEAR(fix.dNorthing, 4829484.4517, 0.01);
    EXPECT_NEAR(fix.dX, 612115.9357, 0.01);
    EXPECT_NEAR(fix.dY, 4829484.4517, 0.01);
    EXPECT_DOUBLE_EQ(fix.dTimeOfDay, 13 * 3600 + 35 * 60 + 24);
}

// One sentence per format, built from its field list. Expected position: 43.7 N 78.1 W (geodetic) or easting
// 612345.67, northing 4829876.54 (grid); time 13:35:24.
TEST_F(GpsPositionTest, AllNineFormats)
{
    const std::string lat = "4342.0000", lon = "07806.0000";
    struct Case {
        int format;
        std::vector<std::string> fields;
        int geodetic;
        int satellites;  // -1: unchanged (20)
        int quality;     // -1: unchanged (10)
        const wchar_t *qualityText;
        double dop;      // < -1: unchanged (-2)
    } cases[] = {
        {0, {"$GPGGA", "133524", lat, "N", lon, "W", "2", "09", "1.2", "100.0", "M", "-35.4", "M", "", ""}, 1, 9, 2,
         L"DGPS", -2.0},
        {1, {"$GPGGA", "133524.00", lat, "N", lon, "W", "4", "12", "0.9", "100.0", "M", "-35.4", "M", "", ""}, 1, 12,
         4, L"RTK4", 0.9},
        {2, {"$PASHR", "POS", "1", "07", "133524.00", lat, "N", lon, "W", "100.0", "", "0.0", "0.0", "0.0", "1.8",
             "1.0", "1.5", "0.9", "FW01"},
         1, 7, 2, L"AGPS", 1.8},
        {3, {"$GPLLK", "133524", "101226", "612345.670", "M", "4829876.540", "M", "3", "08", "1.4", "120.1", "M"}, 0, 8,
         3, L"RTK3", 1.4},
        {4, {"$GPLLQ", "133524", "101226", "612345.670", "M", "4829876.540", "M", "2", "06", "0.031", "120.1", "M"}, 0,
         6, 2, L"DGPS", 0.031},
        {5, {"$GPGLL", lat, "N", lon, "W", "133524.00", "A"}, 1, -1, -1, nullptr, -3},
        {6, {"$PTNL", "GGK", "133524.00", "101226", lat, "N", lon, "W", "3", "10", "1.9", "EHT100.0", "M"}, 1, 10, 3,
         L"RTK3", 1.9},
        {7, {"$GPGGA", "133524", "4829876.540", "N", "612345.670", "E", "1", "05", "", "", "", ""}, 0, -1, -1, nullptr,
         -3},
        {8, {"$GPGLL", lat, "N", lon, "W", "133524", "A"}, 1, -1, -1, nullptr, -3},
    };
    for (const Case &c : cases) {
        SetUp();
        Format(c.format);
        GpsPositionFix fix;
        std::string s = Nmea(c.fields);
        ASSERT_EQ(Interpret(s, &fix), 1) << "format " << c.format << ": " << s;
        EXPECT_EQ(fix.bGeodetic, c.geodetic) << c.format;
        if (c.geodetic) {
            EXPECT_NEAR(fix.dLatitude, 43.7, 1e-12) << c.format;
            EXPECT_NEAR(fix.dLongitude, -78.1, 1e-12) << c.format;
            EXPECT_EQ(fix.nZone, 17) << c.format;
            EXPECT_NEAR(fix.dEasting, 733677.9179, 0.01) << c.format;  // GeographicLib
            EXPECT_NEAR(fix.dNorthing, 4842640.8825, 0.01) << c.format;
        } else {
            EXPECT_DOUBLE_EQ(fix.dX, 612345.67) << c.format;
            EXPECT_DOUBLE_EQ(fix.dY, 4829876.54) << c.format;
            EXPECT_STREQ(fix.aszBox[GPS_BOX_LATITUDE], L"4829876.54   m") << c.format;
            EXPECT_STREQ(fix.aszBox[GPS_BOX_LONGITUDE], L"612345.67    m") << c.format;
        }
        EXPECT_EQ(nGpsSatellites, c.satellites < 0 ? 20 : c.satellites) << c.format;
        EXPECT_EQ(nGpsQuality, c.quality < 0 ? 10 : c.quality) << c.format;
        if (c.qualityText) EXPECT_STREQ(fix.aszBox[GPS_BOX_QUALITY], c.qualityText) << c.format;
        else EXPECT_EQ(fix.abBoxSet[GPS_BOX_QUALITY], 0) << c.format;
        EXPECT_DOUBLE_EQ(dGpsDop, c.dop < -2.5 ? -2.0 : c.dop) << c.format;
        EXPECT_DOUBLE_EQ(fix.dTimeOfDay, 13 * 3600 + 35 * 60 + 24) << c.format;
    }
}

TEST_F(GpsPositionTest, TimeFieldOfEachFormat)
{
    int expect[9] = {2, 2, 5, 2, 2, 6, 3, 2, 6};
    for (int f = 0; f < 9; ++f) {
        Format(f);
        EXPECT_EQ(GpsPositionTimeField(), expect[f]) << f;
    }
    struct {
        const char *text;
        double seconds;
    } times[] = {{"000000", 0.0},        {"235959.50", 86399.5}, {"133524", 48924.0}, {"", -1.0},
                 {"1335", -1.0},         {"POS", -1.0},          {"246000", -1.0},    {"13x524", -1.0}};
    for (auto &t : times) EXPECT_DOUBLE_EQ(GpsTimeOfDay(t.text), t.seconds) << t.text;
}

TEST_F(GpsPositionTest, QualityTextsAndValidity)
{
    const wchar_t *texts[] = {L"NO FIX", L"AGPS", L"DGPS", L"RTK3", L"RTK4", L"RTK5",
                              L"RTK6",   L"RTK7", L"RTK8", L"RTK9"};
    for (int q = 0; q <= 9; ++q) {
        std::vector<std::string> f = kSampleGga;
        f[6] = std::to_string(q);
        GpsPositionFix fix;
        int valid = Interpret(Nmea(f), &fix);
        EXPECT_STREQ(fix.aszBox[GPS_BOX_QUALITY], texts[q]) << q;
        EXPECT_EQ(valid, q == 0 ? 0 : 1) << q;  // formats 0 and 1: quality 0 is no position
    }
    std::vector<std::string> f = kSampleGga;
    f[6] = "x";
    GpsPositionFix fix;
    Interpret(Nmea(f), &fix);
    EXPECT_STREQ(fix.aszBox[GPS_BOX_QUALITY], L"UNKW");

    // Format 0 with quality 0 is invalid as well.
    Format(0);
    f = kSampleGga;
    f[6] = "0";
    EXPECT_EQ(Interpret(Nmea(f), &fix), 0);

    // "POS" mode 0: "NO FIX", quality 1, still a position.
    Format(2);
    std::vector<std::string> pos = {"$PASHR", "POS", "0", "07", "133524.00", "4336.5940", "N", "07936.6403", "W",
                                    "100.0",  "",    "0.0", "0.0", "0.0",   "1.8",       "1.0", "1.5", "0.9", "FW01"};
    EXPECT_EQ(Interpret(Nmea(pos), &fix), 1);
    EXPECT_STREQ(fix.aszBox[GPS_BOX_QUALITY], L"NO FIX");
    EXPECT_EQ(nGpsQuality, 1);

    // "GGK" quality 0 stays a position (only satellites and coordinates are tested).
    Format(6);
    std::vector<std::string> ggk = {"$PTNL", "GGK", "133524.00", "101226", "4336.5940", "N", "07936.6403", "W", "0",
                                    "10",    "1.9", "EHT100.0",  "M"};
    EXPECT_EQ(Interpret(Nmea(ggk), &fix), 1);
    EXPECT_STREQ(fix.aszBox[GPS_BOX_QUALITY], L"NO FIX");
}

TEST_F(GpsPositionTest, SatelliteCounts)
{
    struct {
        const char *field;
        int count, valid;
    } cases[] = {{"0", 0, 0}, {"1", 1, 0}, {"2", 2, 1}, {"", 0, 0}, {"12", 12, 1}};
    for (auto &c : cases) {
        std::vector<std::string> f = kSampleGga;
        f[7] = c.field;
        GpsPositionFix fix;
        EXPECT_EQ(Interpret(Nmea(f), &fix), c.valid) << c.field;
        EXPECT_EQ(nGpsSatellites, c.count) << c.field;
        EXPECT_STREQ(fix.aszBox[GPS_BOX_SATELLITES], (c.count < 10 ? L" " + std::to_wstring(c.count)
                                                                      : std::to_wstring(c.count)).c_str());
    }
}

TEST_F(GpsPositionTest, DopTexts)
{
    struct {
        const char *field;
        const wchar_t *text;
    } cases[] = {{"9.95", L"9.9"}, {"10.2", L" 10"}, {"0.8", L"0.8"}, {"25", L" 25"}};
    for (auto &c : cases) {
        std::vector<std::string> f = kSampleGga;
        f[8] = c.field;
        GpsPositionFix fix;
        Interpret(Nmea(f), &fix);
        EXPECT_STREQ(fix.aszBox[GPS_BOX_DOP], c.text) << c.field;
    }
}

TEST_F(GpsPositionTest, MalformedPositionsAreShownButNotUsed)
{
    struct {
        int index;
        const char *field;
    } cases[] = {
        {2, "436.5940"},   // the point at index 3
        {2, "43365.940"},  // at index 5
        {4, "7936.6403"},  // longitude point at index 4
        {2, ""},           // missing latitude
        {3, "X"},          // hemisphere other than N or S
        {5, "N"},          // a latitude letter for the longitude
        {3, "NN"},
        {2, "4x36.5940"},  // not digits
        {2, "4375.0000"},  // 75 minutes
        {2, "4336.5940e-1"},  // an exponent in the minutes
    };
    for (auto &c : cases) {
        SetUp();
        std::vector<std::string> f = kSampleGga;
        f[c.index] = c.field;
        GpsPositionFix fix;
        EXPECT_EQ(Interpret(Nmea(f), &fix), 0) << c.field;
        EXPECT_STREQ(fix.aszBox[GPS_BOX_LATITUDE], L"     N/A     ") << c.field;
        EXPECT_STREQ(fix.aszBox[GPS_BOX_LONGITUDE], L"     N/A     ") << c.field;
        AdvanceGpsTrack(&fix);
        EXPECT_EQ(bGpsPositionValid, 0) << c.field;
        EXPECT_EQ(nUtmZone, -9) << c.field;
    }
}

TEST_F(GpsPositionTest, MissingFieldNeverTakesThePreviousItemsText)
{
    // Pseudo GGA: northing from field 3, easting from field 5. A sentence ending after field 4 has no easting.
    Format(7);
    GpsPositionFix fix;
    EXPECT_EQ(Interpret("$GPGGA,133524,4829876.540,N", &fix), 0);

    // GGA ending after the satellites: the HDOP (field 9) stays as it was.
    Format(1);
    dGpsDop = 3.3;
    std::vector<std::string> f(kSampleGga.begin(), kSampleGga.begin() + 8);
    EXPECT_EQ(Interpret(Nmea(f), &fix), 1);
    EXPECT_DOUBLE_EQ(dGpsDop, 3.3);
    EXPECT_EQ(fix.abBoxSet[GPS_BOX_DOP], 0);

    // GLL cut before the longitude hemisphere.
    Format(5);
    EXPECT_EQ(Interpret("$GPGLL,4336.5940,N,07936.6403", &fix), 0);
}

TEST_F(GpsPositionTest, GpsMask)
{
    struct {
        int format, enabled, satellites, quality;
        double dop;
        int fails;
    } cases[] = {
        {1, 1, 5, 2, 4.0, 0},  {1, 1, 4, 2, 1.0, 1},  {1, 1, 9, 2, 4.1, 1}, {1, 1, 9, 1, 1.0, 1},
        {0, 1, 4, 2, 1.0, 1},  {2, 1, 4, 2, 1.0, 1},  {3, 1, 4, 2, 1.0, 1}, {6, 1, 9, 1, 1.0, 1},
        {5, 1, 0, 0, 99, 0},   {7, 1, 0, 0, 99, 0},   {8, 1, 0, 0, 99, 0},  {1, 0, 0, 0, 99, 0},
    };
    for (auto &c : cases) {
        nGpsFormat = c.format;
        bGpsMaskEnabled = c.enabled;
        nGpsSatellites = c.satellites;
        nGpsQuality = c.quality;
        dGpsDop = c.dop;
        EXPECT_EQ(GpsMaskFails(), c.fails) << "format " << c.format << " sats " << c.satellites << " quality "
                                           << c.quality << " dop " << c.dop;
    }
    // Before any sentence the start values pass.
    ResetGpsFixState();
    nGpsFormat = 1;
    bGpsMaskEnabled = 1;
    dGpsDop = -2.0;
    EXPECT_EQ(GpsMaskFails(), 0);
}

TEST_F(GpsPositionTest, ZoneOfTheRunIsKeptAcrossTheBoundary)
{
    std::vector<std::string> f = kSampleGga;
    f[2] = "4342.0000";
    f[4] = "07806.0000";  // 78.1 W: zone 17
    GpsPositionFix first = Feed(Nmea(f));
    ASSERT_TRUE(first.bValid);
    EXPECT_EQ(nUtmZone, 17);
    EXPECT_EQ(nUtmZoneFirstFix, 17);
    EXPECT_DOUBLE_EQ(dGpsLatitude, 43.7);
    EXPECT_DOUBLE_EQ(dGpsLongitude, -78.1);

    f[1] = "133525";
    f[4] = "07754.0000";  // 77.9 W: zone 18 by itself, kept in 17 (GeographicLib -z 17n)
    GpsPositionFix second = Feed(Nmea(f));
    ASSERT_TRUE(second.bValid);
    EXPECT_EQ(second.nZone, 17);
    EXPECT_EQ(nUtmZone, 17);
    EXPECT_NEAR(second.dEasting, 749794.3425, 0.01);
    EXPECT_NEAR(second.dNorthing, 4843224.4233, 0.01);
    EXPECT_DOUBLE_EQ(dGpsLongitude, -78.1);  // the first fix's position stays

    // A new run chooses its zone at its own first fix.
    ResetGpsFixState();
    GpsPositionFix next = Feed(Nmea(f));
    EXPECT_EQ(next.nZone, 18);
    EXPECT_NEAR(next.dEasting, 266322.0821, 0.01);
    EXPECT_NEAR(next.dNorthing, 4842640.8825, 0.01);

    // A zone set from outside (the append check's neighbouring zone) is used for the positions that follow.
    nUtmZone = 17;
    GpsPositionFix moved = Feed(Nmea(f));
    EXPECT_EQ(moved.nZone, 17);
}

TEST_F(GpsPositionTest, FeetAndUsSurveyFeet)
{
    // 0 N 3 E: zone 31, easting 500000 m, northing 0 m.
    std::vector<std::string> f = kSampleGga;
    f[2] = "0000.0000";
    f[3] = "N";
    f[4] = "00300.0000";
    f[5] = "E";
    struct {
        int mapUnits, coordUnits;
        double x;
        const wchar_t *easting, *northing;
    } cases[] = {
        {0, 1, 500000.0, L"   500000.00 m", L"        0.00 m"},
        {1, 2, 1640419.9475065616, L"  1640419.95 ft", L"        0.00 ft"},
        {2, 3, 1640416.6666666677, L"  1640416.67 USft", L"        0.00 USft"},
        {1, 1, 1640419.9475065616, L"   500000.00 m", L"        0.00 m"},
    };
    for (auto &c : cases) {
        SetUp();
        nMapUnits = c.mapUnits;
        nCoordUnits = c.coordUnits;
        GpsPositionFix fix;
        ASSERT_EQ(Interpret(Nmea(f), &fix), 1);
        EXPECT_NEAR(fix.dX, c.x, 1e-6) << c.mapUnits;
        EXPECT_NEAR(fix.dY, 0.0, 1e-6) << c.mapUnits;
        EXPECT_STREQ(fix.aszBox[GPS_BOX_LONGITUDE], c.easting) << c.coordUnits;
        EXPECT_STREQ(fix.aszBox[GPS_BOX_LATITUDE], c.northing) << c.coordUnits;
        EXPECT_STREQ(fix.aszBox[GPS_BOX_ZONE], L"31");
    }
}

TEST_F(GpsPositionTest, GridSentencesInFeet)
{
    std::vector<std::string> llk = {"$GPLLK", "133524", "101226", "1000.000", "M", "2000.000",
                                    "M",      "3",      "08",     "1.4",      "120.1", "M"};
    Format(3);
    nMapUnits = 1;
    nCoordUnits = 0;
    GpsPositionFix fix;
    ASSERT_EQ(Interpret(Nmea(llk), &fix), 1);
    EXPECT_DOUBLE_EQ(fix.dX, 1000.0 * 3.28084);
    EXPECT_DOUBLE_EQ(fix.dY, 2000.0 * 3.28084);
    EXPECT_STREQ(fix.aszBox[GPS_BOX_LONGITUDE], L"3280.84      ft");
    nMapUnits = 2;
    Interpret(Nmea(llk), &fix);
    EXPECT_DOUBLE_EQ(fix.dX, 1000.0 * 3.2808333333333355);
    nCoordUnits = 2;
    Interpret(Nmea(llk), &fix);
    EXPECT_STREQ(fix.aszBox[GPS_BOX_LONGITUDE], L"3280.84      ft");  // 1000 / 0.3048
    nCoordUnits = 3;
    Interpret(Nmea(llk), &fix);
    EXPECT_STREQ(fix.aszBox[GPS_BOX_LONGITUDE], L"3280.83      USft");

    // Pseudo GGA with "F" in field 11: the values are feet; shown in metres, mapped in map units.
    Format(7);
    std::vector<std::string> pgga = {"$GPGGA", "133524", "2000.000", "N", "1000.000", "E", "1", "05", "", "", "F", ""};
    nMapUnits = 1;
    nCoordUnits = 1;
    ASSERT_EQ(Interpret(Nmea(pgga), &fix), 1);
    EXPECT_STREQ(fix.aszBox[GPS_BOX_LONGITUDE], L"304.80       m");
    EXPECT_NEAR(fix.dX, 1000.0 * 0.3048 * 3.28084, 1e-9);  // 1000 ft stay about 1000 ft on the map
    nMapUnits = 0;
    Interpret(Nmea(pgga), &fix);
    EXPECT_NEAR(fix.dX, 304.8, 1e-9);
    nRtsUnits = 1;
    Interpret(Nmea(pgga), &fix);
    EXPECT_NEAR(fix.dX, 304.800609601219, 1e-9);
}

TEST_F(GpsPositionTest, PseudoGgaExtras)
{
    bPseudoGga = 1;
    Format(7);
    std::vector<std::string> f = {"$GPGGA", "133524", "4829876.540", "N", "612345.670", "E", "1",
                                  "07",     "1.25",   "",            "",  "-2.5",       "",     "300"};
    GpsPositionFix fix;
    ASSERT_EQ(Interpret(Nmea(f), &fix), 1);
    EXPECT_STREQ(fix.aszBox[GPS_BOX_DOP], L" 07");
    EXPECT_EQ(fix.anBoxBackground[GPS_BOX_DOP], GPS_BOX_BG_FACE);
    EXPECT_STREQ(fix.aszBox[GPS_BOX_EXTRA1], L"   1.250");
    EXPECT_STREQ(fix.aszBox[GPS_BOX_EXTRA2], L"  -2.500");
    EXPECT_STREQ(fix.aszBox[GPS_BOX_EXTRA3], L" 300.000");
    f[7] = "0";
    Interpret(Nmea(f), &fix);
    EXPECT_STREQ(fix.aszBox[GPS_BOX_DOP], L" 00");
    EXPECT_EQ(fix.anBoxBackground[GPS_BOX_DOP], GPS_BOX_BG_RED);
    nInstrumentType = INSTRUMENT_EM61LX2;
    Interpret(Nmea(f), &fix);
    EXPECT_EQ(fix.abBoxSet[GPS_BOX_EXTRA1], 0);
}

// Every decimal of the minutes counts: RTK and DGPS receivers send seven.
TEST_F(GpsPositionTest, CoordinatesKeepEveryDecimal)
{
    std::vector<std::string> f = kSampleGga;
    f[2] = "4336.5940199";
    f[4] = "07936.6403099";
    GpsPositionFix fix;
    ASSERT_EQ(Interpret(Nmea(f), &fix), 1);
    EXPECT_NEAR(fix.dLatitude, 43.0 + 36.5940199 / 60.0, 1e-12);
    EXPECT_NEAR(fix.dLongitude, -(79.0 + 36.6403099 / 60.0), 1e-12);
    EXPECT_STREQ(fix.aszBox[GPS_BOX_LATITUDE], L"N43\u00B036'35.6412\"");
}

// A sentence with a valid checksum and absurd numbers: no fix, "N/A" where the number would not fit its box, and
// no box text longer than its box.
TEST_F(GpsPositionTest, ReceiverNumbersOutOfRangeGiveNoFix)
{
    const std::vector<std::string> pos = {"$PASHR", "POS", "1", "07", "133524.00", "4336.5940", "N", "07936.6403", "W",
                                          "100.0",  "",    "0.0", "0.0", "0.0",  "1.8",       "1.0", "1.5", "0.9",
                                          "FW01"};
    const std::vector<std::string> llk = {"$GPLLK", "133524", "101226", "612345.670", "M", "4829876.540", "M", "3",
                                          "08",     "1.4",    "120.1",  "M"};
    const std::vector<std::string> pgga = {"$GPGGA", "133524", "4829876.540", "N", "612345.670", "E", "1",
                                           "07",     "1.25",   "",            "",  "-2.5",       "",  "300"};
    struct Case {
        int format;
        std::vector<std::string> fields;
        int index;
        const char *value;
        int box;        // the box that shows "N/A"
        int valid;
    } cases[] = {
        {1, kSampleGga, 7, "2147483648", GPS_BOX_SATELLITES, 0},
        {1, kSampleGga, 7, "100", GPS_BOX_SATELLITES, 0},
        {1, kSampleGga, 7, "-3", GPS_BOX_SATELLITES, 0},
        {1, kSampleGga, 6, "99999999999", GPS_BOX_QUALITY, 0},
        {1, kSampleGga, 6, "-1", GPS_BOX_QUALITY, 0},
        {1, kSampleGga, 8, "1e300", GPS_BOX_DOP, 0},
        {1, kSampleGga, 8, "1000", GPS_BOX_DOP, 0},
        {1, kSampleGga, 8, "-0.5", GPS_BOX_DOP, 0},
        {2, pos, 2, "2147483647", GPS_BOX_QUALITY, 0},
        {2, pos, 14, "1e300", GPS_BOX_DOP, 0},
        {3, llk, 3, "1e300", GPS_BOX_LONGITUDE, 0},
        {3, llk, 5, "-1e300", GPS_BOX_LATITUDE, 0},
        {3, llk, 9, "1e300", GPS_BOX_DOP, 0},
        {4, llk, 9, "1e300", GPS_BOX_DOP, 0},
        {7, pgga, 2, "1e300", GPS_BOX_LATITUDE, 0},
        // The extras and the two-digit number are shown only: the position stays usable.
        {7, pgga, 7, "2147483648", GPS_BOX_DOP, 1},
        {7, pgga, 8, "1e300", GPS_BOX_EXTRA1, 1},
        {7, pgga, 11, "-1e300", GPS_BOX_EXTRA2, 1},
        {7, pgga, 13, "123456789", GPS_BOX_EXTRA3, 1},
    };
    for (const Case &c : cases) {
        SetUp();
        bPseudoGga = 1;
        Format(c.format);
        std::vector<std::string> f = c.fields;
        f[c.index] = c.value;
        std::string s = Nmea(f);
        GpsPositionFix fix;
        EXPECT_EQ(Interpret(s, &fix), c.valid) << s;
        EXPECT_STREQ(fix.aszBox[c.box], c.box == GPS_BOX_LATITUDE || c.box == GPS_BOX_LONGITUDE
                                            ? (c.valid ? L"N/A" : L"     N/A     ")
                                            : L"N/A")
            << s;
        for (int b = 0; b < GPS_BOX_COUNT; ++b) EXPECT_LT(wcsnlen(fix.aszBox[b], 48), 48u) << s << " box " << b;
        EXPECT_GE(nGpsQuality, 0) << s;
        EXPECT_LE(dGpsDop, 999.0) << s;
    }

    // The quality of "POS" is one more than the field; a field at the end of the integers stays no fix.
    Format(2);
    GpsPositionFix fix;
    EXPECT_EQ(InterpretGpsSentence("$GPPOS,,2147483647*51", &fix), 0);
    EXPECT_EQ(nGpsQuality, 0);
    EXPECT_STREQ(fix.aszBox[GPS_BOX_QUALITY], L"N/A");

    // The largest values that fit still show.
    Format(1);
    std::vector<std::string> f = kSampleGga;
    f[7] = "99";
    f[8] = "999";
    ASSERT_EQ(Interpret(Nmea(f), &fix), 1);
    EXPECT_STREQ(fix.aszBox[GPS_BOX_SATELLITES], L"99");
    EXPECT_STREQ(fix.aszBox[GPS_BOX_DOP], L"999");
}

class GpsSpeedTest : public GpsPositionTest {
protected:
    // Grid positions (LLK) in metres, so that distances are known exactly.
    std::string At(const char *time, double easting, double northing)
    {
        char e[32], n[32];
        snprintf(e, sizeof e, "%.3f", easting);
        snprintf(n, sizeof n, "%.3f", northing);
        return Nmea({"$GPLLK", time, "101226", e, "M", n, "M", "3", "08", "1.4", "120.1", "M"});
    }
    void SetUp() override
    {
        GpsPositionTest::SetUp();
        Format(3);
    }
};

TEST_F(GpsSpeedTest, FirstFixSetsOriginExtentsAndTime)
{
    GpsPositionFix fix = Feed(At("133524", 1000.0, 2000.0));
    EXPECT_EQ(fix.bFirstFix, 1);
    EXPECT_DOUBLE_EQ(fix.dDistance, 0.0);
    EXPECT_EQ(fix.bSpeedKnown, 0);
    EXPECT_EQ(bGpsPositionValid, 1);
    EXPECT_DOUBLE_EQ(dMapOriginX, 1000.0);
    EXPECT_DOUBLE_EQ(dMapOriginY, 2000.0);
    EXPECT_DOUBLE_EQ(dFirstFixX, 1000.0);
    EXPECT_DOUBLE_EQ(dFirstFixY, 2000.0);
    EXPECT_DOUBLE_EQ(dExtentMinX, 1000.0);
    EXPECT_DOUBLE_EQ(dExtentMaxX, 1000.0);
    EXPECT_DOUBLE_EQ(dExtentMinY, 2000.0);
    EXPECT_DOUBLE_EQ(dExtentMaxY, 2000.0);
    EXPECT_DOUBLE_EQ(dGpsPrevTime, 48924.0);

    // 3-4-5 metres in 2 seconds: 2.5 m/s; the origin stays.
    fix = Feed(At("133526", 1003.0, 2004.0));
    EXPECT_EQ(fix.bFirstFix, 0);
    EXPECT_NEAR(fix.dDistance, 5.0, 1e-9);
    EXPECT_EQ(fix.bSpeedKnown, 1);
    EXPECT_NEAR(dGpsSpeed, 2.5, 1e-9);
    EXPECT_STREQ(fix.aszBox[GPS_BOX_SPEED], L" 2.50 m/s");
    EXPECT_DOUBLE_EQ(dMapOriginX, 1000.0);
    EXPECT_DOUBLE_EQ(dGpsPrevX, 1003.0);
}

TEST_F(GpsSpeedTest, SpeedUnits)
{
    struct {
        int mapUnits, speedUnits;
        const wchar_t *text;
    } cases[] = {
        {0, 0, L" 2.50 m/s"},  {0, 1, L" 8.20 ft/s"}, {0, 2, L" 9.00 km/h"}, {0, 3, L" 5.59 mph"},
        {1, 0, L" 0.76 m/s"},  {1, 1, L" 2.50 ft/s"}, {1, 2, L" 2.74 km/h"}, {2, 3, L" 1.70 mph"},
    };
    for (auto &c : cases) {
        nMapUnits = c.mapUnits;
        nSpeedUnits = c.speedUnits;
        wchar_t sz[32];
        FormatGpsSpeed(2.5, sz, 32);
        EXPECT_STREQ(sz, c.text) << c.mapUnits << " " << c.speedUnits;
    }
}

TEST_F(GpsSpeedTest, MidnightAddsADay)
{
    Feed(At("235959", 0.0, 0.0));
    GpsPositionFix fix = Feed(At("000001", 0.0, 5.0));
    EXPECT_EQ(fix.bSpeedKnown, 1);
    EXPECT_NEAR(dGpsSpeed, 2.5, 1e-9);
    EXPECT_DOUBLE_EQ(dGpsPrevTime, 1.0);
    fix = Feed(At("000003", 0.0, 10.0));
    EXPECT_NEAR(dGpsSpeed, 2.5, 1e-9);
}

TEST_F(GpsSpeedTest, RepeatedFixKeepsTheLastSpeed)
{
    Feed(At("120000", 0.0, 0.0));
    Feed(At("120002", 0.0, 5.0));
    ASSERT_NEAR(dGpsSpeed, 2.5, 1e-9);
    // The same time again (the receiver repeated its fix): no speed, no bar, the last speed stays.
    GpsPositionFix fix = Feed(At("120002", 0.0, 5.0));
    EXPECT_EQ(fix.bSpeedKnown, 0);
    EXPECT_EQ(fix.abBoxSet[GPS_BOX_SPEED], 0);
    EXPECT_NEAR(dGpsSpeed, 2.5, 1e-9);
    EXPECT_TRUE(std::isfinite(dGpsSpeed));
    // Time going back within the day: no speed either.
    fix = Feed(At("115959", 0.0, 6.0));
    EXPECT_EQ(fix.bSpeedKnown, 0);
    EXPECT_NEAR(dGpsSpeed, 2.5, 1e-9);
    // An unreadable time: no speed, and none from it at the next position.
    Format(3);
    fix = Feed(Nmea({"$GPLLK", "", "101226", "0.000", "M", "7.000", "M", "3", "08", "1.4", "120.1", "M"}));
    EXPECT_TRUE(fix.bValid);
    EXPECT_EQ(fix.bSpeedKnown, 0);
    fix = Feed(At("120010", 0.0, 8.0));
    EXPECT_EQ(fix.bSpeedKnown, 0);
    fix = Feed(At("120012", 0.0, 13.0));
    EXPECT_EQ(fix.bSpeedKnown, 1);
    EXPECT_NEAR(dGpsSpeed, 2.5, 1e-9);
}

TEST_F(GpsSpeedTest, PosAndGgkTakeTheirTimeField)
{
    Format(2);
    auto pos = [](const char *time, const char *lat) {
        return Nmea({"$PASHR", "POS", "1", "07", time, lat, "N", "07806.0000", "W", "100.0", "", "0.0", "0.0", "0.0",
                     "1.8", "1.0", "1.5", "0.9", "FW01"});
    };
    Feed(pos("120000.00", "4342.0000"));
    GpsPositionFix fix = Feed(pos("120002.00", "4342.0010"));
    EXPECT_EQ(fix.bSpeedKnown, 1);
    EXPECT_GT(dGpsSpeed, 0.0);

    SetUp();
    Format(6);
    auto ggk = [](const char *time, const char *lat) {
        return Nmea({"$PTNL", "GGK", time, "101226", lat, "N", "07806.0000", "W", "3", "10", "1.9", "EHT100.0", "M"});
    };
    Feed(ggk("120000.00", "4342.0000"));
    fix = Feed(ggk("120002.00", "4342.0010"));
    EXPECT_EQ(fix.bSpeedKnown, 1);
    // 0.001 minute of latitude is about 1.85 m: under 1 m/s over two seconds.
    EXPECT_GT(dGpsSpeed, 0.9);
    EXPECT_LT(dGpsSpeed, 0.95);
}

TEST_F(GpsPositionTest, SatelliteSentenceDop)
{
    wchar_t sz[32];
    std::string gsa = Nmea({"$GPGSA", "A", "3", "04", "05", "", "09", "12", "", "", "24", "", "", "", "", "2.5", "1.3",
                            "2.1"});
    EXPECT_EQ(InterpretGpsDopSentence(gsa.c_str(), sz, 32), 1);
    EXPECT_DOUBLE_EQ(dGpsDop, 2.5);
    EXPECT_STREQ(sz, L"2.5 ");
    std::string cut = Nmea({"$GPGSA", "A", "3", "04", "05", "", "09", "12", "", "", "24", "", "", "", ""});
    EXPECT_EQ(InterpretGpsDopSentence(cut.c_str(), sz, 32), 0);
    EXPECT_STREQ(sz, L"N/A");
    EXPECT_DOUBLE_EQ(dGpsDop, 2.5);
    std::string empty = Nmea({"$GPGSA", "A", "3", "04", "05", "", "09", "12", "", "", "24", "", "", "", "", "", "1.3",
                              "2.1"});
    EXPECT_EQ(InterpretGpsDopSentence(empty.c_str(), sz, 32), 0);
    EXPECT_DOUBLE_EQ(dGpsDop, 2.5);

    // A DOP out of range shows "N/A" and leaves the last DOP; a box too small for the text likewise.
    for (const char *sentence : {"$GPGSA,A,3,,,,,,,,,,,,,1e300*7B", "$GPGSA,A,3,,,,,,,,,,,,,-1*00",
                                 "$GPGSA,A,3,,,,,,,,,,,,,1000*1D"}) {
        wmemset(sz, L'x', 32);
        EXPECT_EQ(InterpretGpsDopSentence(sentence, sz, 32), 0) << sentence;
        EXPECT_STREQ(sz, L"N/A") << sentence;
        EXPECT_DOUBLE_EQ(dGpsDop, 2.5) << sentence;
    }
    wchar_t small[3];
    EXPECT_EQ(InterpretGpsDopSentence(gsa.c_str(), small, 3), 0);
    EXPECT_STREQ(small, L"N/");
}

// Starts the platform layer and makes the program's brushes once for the handler tests.
void StartPlatformOnce()
{
    static bool started = false;
    if (started) return;
    started = true;
    static char arg0[] = "gps-position-test";
    static char *argv[] = {arg0, nullptr};
    hInst = PlatformInit(1, argv);
    CreateFixedPensAndBrushes();
}

TEST_F(GpsPositionTest, HandlerTakesTheFirstFixAndFlipsTheLamps)
{
    StartPlatformOnce();
    nRecordingState = 0;
    nSurveyModePrev = 0;
    bGpsMaskAudio = 0;
    dMapOriginX = dMapOriginY = -1.0;
    // An invalid sentence: shown, not used.
    std::vector<std::string> f = kSampleGga;
    f[7] = "01";
    std::string bad = Nmea(f);
    strcpy(szGpsSentence, bad.c_str());
    char blink = chGpsBlink;
    EXPECT_EQ(OnGpsPositionMsg(nullptr, WM_GPS_POSITION, 0, 0), 0);
    EXPECT_NE(chGpsBlink, blink);
    EXPECT_EQ(bGpsPositionValid, 0);
    EXPECT_DOUBLE_EQ(dMapOriginX, -1.0);

    std::string good = Nmea(kSampleGga);
    strcpy(szGpsSentence, good.c_str());
    EXPECT_EQ(OnGpsPositionMsg(nullptr, WM_GPS_POSITION, 0, 0), 0);
    EXPECT_EQ(chGpsBlink, blink);
    EXPECT_EQ(bGpsPositionValid, 1);
    EXPECT_NEAR(dMapOriginX, 612115.9357, 0.01);
    EXPECT_NEAR(dMapOriginY, 4829484.4517, 0.01);
    EXPECT_EQ(nUtmZone, 17);

    // Manual survey mode reads the held position.
    nSurveyModePrev = 2;
    ResetGpsFixState();
    nUtmZone = -9;
    szGpsSentence[0] = 0;
    strcpy(szGpsPosition, good.c_str());
    OnGpsPositionMsg(nullptr, WM_GPS_POSITION, 0, 0);
    EXPECT_EQ(bGpsPositionValid, 1);
    nSurveyModePrev = 0;
}

LRESULT PlainScreenProc(HWND w, UINT msg, WPARAM wp, LPARAM lp)
{
    return DefWindowProc(w, msg, wp, lp);
}

HWND MakeScreen()
{
    static bool registered = false;
    if (!registered) {
        registered = true;
        WNDCLASS wc{};
        wc.lpfnWndProc = PlainScreenProc;
        wc.hbrBackground = CreateSolidBrush(RGB(0, 0, 0));
        wc.lpszClassName = L"GpsPositionTestScreen";
        RegisterClass(&wc);
    }
    HWND hwnd = CreateWindow(L"GpsPositionTestScreen", L"Log", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 300, 200, nullptr,
                             0, nullptr, nullptr);
    EXPECT_NE(hwnd, nullptr);
    return hwnd;
}

TEST_F(GpsPositionTest, LampsTakeTurnsShowingTheMask)
{
    StartPlatformOnce();
    HWND screen = MakeScreen();
    ASSERT_NE(screen, nullptr);
    for (RECT &rc : arcGpsBox) rc = RECT{0, 0, 0, 0};
    arcGpsBox[GPS_BOX_LAMP1] = RECT{10, 10, 40, 40};
    arcGpsBox[GPS_BOX_LAMP2] = RECT{10, 50, 40, 80};
    arcGpsBox[GPS_BOX_DOP] = RECT{100, 10, 200, 30};
    nRecordingState = 0;
    nSurveyModePrev = 0;
    bGpsMaskAudio = 0;
    const COLORREF red = RGB(255, 0, 0), green = RGB(0, 255, 0), white = RGB(255, 255, 255);

    // 11 satellites against a minimum of 12: the mask fails.
    nGpsMinSatellites = 12;
    std::string s = Nmea(kSampleGga);
    strcpy(szGpsSentence, s.c_str());
    ASSERT_EQ(chGpsBlink, '\\');
    OnGpsPositionMsg(screen, WM_GPS_POSITION, 0, 0);
    HDC dc = GetDC(screen);
    EXPECT_EQ(GetPixel(dc, 25, 25), red);
    EXPECT_EQ(GetPixel(dc, 25, 65), white);
    ReleaseDC(screen, dc);

    // Passing: the other lamp shows it, in green.
    nGpsMinSatellites = 5;
    OnGpsPositionMsg(screen, WM_GPS_POSITION, 0, 0);
    dc = GetDC(screen);
    EXPECT_EQ(GetPixel(dc, 25, 25), white);
    EXPECT_EQ(GetPixel(dc, 25, 65), green);
    ReleaseDC(screen, dc);

    // Pseudo GGA: the two-digit value 0 is shown on red.
    bPseudoGga = 1;
    Format(7);
    std::vector<std::string> f = {"$GPGGA", "133524", "4829876.540", "N", "612345.670", "E", "1",
                                  "00",     "1.25",   "",            "",  "-2.5",       "",  "300"};
    s = Nmea(f);
    strcpy(szGpsSentence, s.c_str());
    OnGpsPositionMsg(screen, WM_GPS_POSITION, 0, 0);
    dc = GetDC(screen);
    EXPECT_EQ(GetPixel(dc, 195, 25), red);
    ReleaseDC(screen, dc);
    for (RECT &rc : arcGpsBox) rc = RECT{0, 0, 0, 0};
    DestroyWindow(screen);
}

}  // namespace
