// Background files, pure routines: temporary names, the 38-byte records, ASCII lines and files, data-file kinds,
// sentence gathering, sentence layouts and the antenna offset correction.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "background/background_files.h"
#include "background/background_state.h"
#include "core/utm.h"
#include "map/map.h"
#include "map/map_state.h"

namespace {

// A map of 400-pixel tiles, 1 pixel per unit, origin (500000, 5000000): the grid spans about 800 km.
class BackgroundTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitUtmConstants();
        ClearBackgroundSlots();
        nTileWidth = nTileHeight = 400;
        nTileMaxX = nTileMaxY = 399;
        dMapPixelsPerUnit = 1.0;
        dMapOriginX = 500000.0;
        dMapOriginY = 5000000.0;
        nTileIndexMin = 3;
        nTileIndexMax = 1996;
        dExtentMinX = dExtentMaxX = 500000.0;
        dExtentMinY = dExtentMaxY = 5000000.0;
    }
    void TearDown() override { nBackgroundFileCount = 0; }
};

std::string Convert(const std::string &text, const AsciiBgOptions &opt)
{
    BgSource src;
    BgSourceFromMemory(&src, text.data(), text.size());
    std::string out;
    BgSink sink;
    BgSinkToMemory(&sink, &out);
    ConvertAsciiLines(&src, &sink, opt);
    return out;
}

struct Rec {
    double x, y;
    int n;
    std::string label;
};

std::vector<Rec> Records(const std::string &bytes)
{
    std::vector<Rec> v;
    EXPECT_EQ(bytes.size() % BG_RECORD_LEN, 0u);
    for (size_t i = 0; i + BG_RECORD_LEN <= bytes.size(); i += BG_RECORD_LEN) {
        Rec r;
        char label[8];
        ParseBackgroundRecord(bytes.data() + i, &r.x, &r.y, &r.n, label);
        r.label = label;
        v.push_back(r);
    }
    return v;
}

TEST_F(BackgroundTest, TemporaryNames)
{
    wchar_t name[BACKGROUND_NAME_CHARS];
    struct Case {
        const wchar_t *chosen;
        int slot;
        const wchar_t *expected;
    } cases[] = {
        {L"C:\\DATA\\SITE.TXT", 1, L"SITETXT.$01"},
        {L"D:\\A.XYZ", 2, L"AXYZ.$02"},
        {L"C:\\X\\AB", 0, L"AB.$00"},                // shorter than an extension: nothing removed
        {L"C:\\X\\TRACK.DATA", 3, L"TRACK.ATA.$03"},  // the fourth-last character, whatever it is
        {L"C:\\X\\C:D.TXT", 4, L"C_DTXT.$04"},        // a drive letter inside a name stays in the folder
    };
    for (const Case &c : cases) {
        ASSERT_EQ(BuildBackgroundTempName(c.chosen, c.slot, name, BACKGROUND_NAME_CHARS), 1);
        EXPECT_STREQ(name, c.expected) << c.chosen;
    }
}

TEST_F(BackgroundTest, TemporaryNameNeverTakesALoadedSlotsName)
{
    // Two loaded files; the first removed, the second moved up to slot 0 with its name ...$01.
    nBackgroundFileCount = 1;
    wcscpy(aszBackgroundTempFile[0], L"SITETXT.$01");
    wchar_t name[BACKGROUND_NAME_CHARS];
    ASSERT_EQ(BuildBackgroundTempName(L"C:\\OTHER\\site.txt", 1, name, BACKGROUND_NAME_CHARS), 1);
    EXPECT_STRNE(name, L"SITETXT.$01");
    EXPECT_STREQ(name, L"sitetxt.$02");
    // Every slot held: ten names, all different.
    nBackgroundFileCount = 0;
    for (int i = 0; i < 10; i++) {
        ASSERT_EQ(BuildBackgroundTempName(L"C:\\S.TXT", i % 3, name, BACKGROUND_NAME_CHARS), 1);
        for (int k = 0; k < i; k++) EXPECT_STRNE(name, aszBackgroundTempFile[k]);
        wcscpy(aszBackgroundTempFile[i], name);
        nBackgroundFileCount = i + 1;
    }
}

TEST_F(BackgroundTest, LongNameIsCutToTheSlot)
{
    std::wstring chosen = L"C:\\DATA\\" + std::wstring(200, L'N') + L".TXT";
    wchar_t name[BACKGROUND_NAME_CHARS + 4];
    for (size_t i = 0; i < sizeof name / sizeof name[0]; i++) name[i] = L'#';
    ASSERT_EQ(BuildBackgroundTempName(chosen.c_str(), 7, name, BACKGROUND_NAME_CHARS), 1);
    EXPECT_EQ(wcslen(name), (size_t)BACKGROUND_NAME_CHARS - 1);
    EXPECT_EQ(std::wstring(name).substr(wcslen(name) - 4), L".$07");
    EXPECT_EQ(name[BACKGROUND_NAME_CHARS], L'#') << "nothing written past the slot name";
    wchar_t display[BACKGROUND_NAME_CHARS];
    CopyBoundedName(display, BACKGROUND_NAME_CHARS, BareFileName(chosen.c_str()));
    EXPECT_EQ(wcslen(display), (size_t)BACKGROUND_NAME_CHARS - 1);
}

TEST_F(BackgroundTest, RecordLayoutAndReadBack)
{
    struct Case {
        double x, y;
        int n;
        const char *label;
        const char *expected;
    } cases[] = {
        {500123.25, 5000456.5, 2, "L1", "    500123.250,   5000456.500,2,L1   \n"},
        {1.0, 2.0, 7, "ABCDEFG", "         1.000,         2.000,5,ABCDE\n"},
        {-99999.0, -99999.0, 0, nullptr, "    -99999.000,    -99999.000,0,     \n"},
        {9999999999.999, 0.0, 0, "", "9999999999.999,         0.000,0,     \n"},
    };
    for (const Case &c : cases) {
        char rec[BG_RECORD_LEN + 1];
        ASSERT_EQ(FormatBackgroundRecord(rec, c.x, c.y, c.n, c.label), 1) << c.expected;
        EXPECT_EQ(std::string(rec, BG_RECORD_LEN), c.expected);
        EXPECT_EQ(rec[37], '\n');
        double x, y;
        int n;
        char label[8];
        ParseBackgroundRecord(rec, &x, &y, &n, label);
        EXPECT_DOUBLE_EQ(x, std::round(c.x * 1000) / 1000);
        EXPECT_DOUBLE_EQ(y, c.y);
        EXPECT_EQ(n, std::min(c.n, 5));
        EXPECT_EQ(std::string(label), std::string(c.label ? c.label : "").substr(0, 5));
    }
    char rec[BG_RECORD_LEN + 1];
    FormatPenUpRecord(rec);
    double x, y;
    int n = 9;
    char label[8];
    ParseBackgroundRecord(rec, &x, &y, &n, label);
    EXPECT_EQ(x, -99999.0);
    EXPECT_EQ(y, -99999.0);
    EXPECT_EQ(n, 0);
    // Values that would not fit the 14-character field or are no numbers.
    for (double bad : {1e10, -1e9 - 1, 1e12, (double)NAN, (double)INFINITY})
        EXPECT_EQ(FormatBackgroundRecord(rec, bad, 1.0, 0, nullptr), 0) << bad;
}

// The coordinate fields are read as TextToDouble reads them, to the last bit, whatever they hold.
TEST_F(BackgroundTest, RecordFieldsReadExactlyAsText)
{
    std::vector<std::string> fields = {"    500123.250", "  -5000456.501", "         0.000", "        -0.000",
                                       "     -99999.000", "9999999999.999", "999999999999999", "1234567890123456",
                                       "   +12.5      ", "  1.5e3       ", "      abc     ", "              ",
                                       "\t     12.125  ", "  .5          ", "  7.          ", "  -           ",
                                       "  12..5       ", "0.000000000001"};
    // Values as the converters write them, over the whole range of a field.
    unsigned seed = 12345;
    for (int i = 0; i < 20000; i++) {
        seed = seed * 1103515245u + 12345u;
        const double v = ((double)(seed >> 8) / (1 << 24) - 0.5) * std::pow(10.0, i % 11);
        char text[32];
        snprintf(text, sizeof text, "%14.3f", v);
        fields.push_back(text);
    }
    for (const std::string &field : fields) {
        char rec[BG_RECORD_LEN + 1];
        std::string x = (field + std::string(14, ' ')).substr(0, 14);
        snprintf(rec, sizeof rec, "%s,%s,0,     \n", x.c_str(), x.c_str());
        double dX = 1, dY = 1;
        ParseBackgroundRecord(rec, &dX, &dY, nullptr, nullptr);
        const double dText = TextToDouble(x.c_str());
        EXPECT_EQ(std::memcmp(&dX, &dText, sizeof dX), 0) << "[" << x << "] " << dX << " " << dText;
        EXPECT_EQ(std::memcmp(&dY, &dText, sizeof dY), 0) << "[" << x << "]";
    }
}

TEST_F(BackgroundTest, AsciiBlankDelimiterExampleWithLabel)
{
    AsciiBgOptions opt;
    opt.nFileType = 2;
    opt.nDelimiter = 0;
    opt.nColumnX = 1;
    opt.nColumnY = 0;
    opt.nColumnLabel = 2;
    opt.nCoordType = 1;
    std::vector<Rec> r = Records(Convert("  100.5    200.7   L1\r\n", opt));
    ASSERT_EQ(r.size(), 1u);
    EXPECT_DOUBLE_EQ(r[0].x, 100.5);
    EXPECT_DOUBLE_EQ(r[0].y, 200.7);
    EXPECT_EQ(r[0].n, 2);
    EXPECT_EQ(r[0].label, "L1");
}

TEST_F(BackgroundTest, AsciiLineKinds)
{
    AsciiBgOptions opt;  // comma, northing column 2, easting column 1, UTM metres, no labels
    struct Case {
        const char *line;
        int kind;
    } cases[] = {
        {"/ a comment,1,2", 0},
        {"", 0},
        {"B", 2},
        {"b 500000,5000000", 2},  // a pen-up with coordinates is only a pen-up
        {"500000,5000000", 1},
        {"500000,5e6", 0},         // an exponent
        {"500000,abc", 0},
        {"500000", 0},             // a missing column
        {"1000000000000,5000000", 0},  // beyond the record's field
        {" 500000 , 5000000 ", 1},
    };
    for (const Case &c : cases) {
        char line[256];
        strcpy(line, c.line);
        char rec[BG_RECORD_LEN + 1];
        EXPECT_EQ(ConvertAsciiBackgroundLine(line, opt, rec, nullptr, nullptr), c.kind) << c.line;
    }
    opt.nFileType = 2;
    opt.nColumnLabel = 2;
    std::vector<Rec> r = Records(Convert("1,2,ABCDEFG\n3,4\n5,6,  XY  \n", opt));
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].label, "ABCDE");
    EXPECT_EQ(r[0].n, 5);
    EXPECT_EQ(r[1].n, 0);  // the label column missing on this line
    EXPECT_EQ(r[2].label, "XY");
}

TEST_F(BackgroundTest, AsciiUnitTable)
{
    const double ft = 0.3048, us = 0.304800609601219;
    int zone = 0;
    double n0, e0;
    LatLonToUtm(45.5, -75.5, &zone, &n0, &e0, 0);
    struct Case {
        int coord, map;
        double a, b;
        double e, n;
    } cases[] = {
        {0, 0, 45.5, -75.5, e0, n0},
        {0, 1, 45.5, -75.5, e0 / ft, n0 / ft},
        {0, 2, 45.5, -75.5, e0 / us, n0 / us},
        {1, 0, 2000.0, 1000.0, 1000.0, 2000.0},
        {1, 1, 2000.0, 1000.0, 1000.0 / ft, 2000.0 / ft},
        {1, 2, 2000.0, 1000.0, 1000.0 / us, 2000.0 / us},
        {2, 0, 2000.0, 1000.0, 1000.0 * ft, 2000.0 * ft},
        {2, 1, 2000.0, 1000.0, 1000.0, 2000.0},
        {2, 2, 2000.0, 1000.0, 1000.0 * ft / us, 2000.0 * ft / us},
        {3, 0, 2000.0, 1000.0, 1000.0 * us, 2000.0 * us},
        {3, 1, 2000.0, 1000.0, 1000.0 * us / ft, 2000.0 * us / ft},  // the exact ratio
        {3, 2, 2000.0, 1000.0, 1000.0, 2000.0},
    };
    for (const Case &c : cases) {
        AsciiBgOptions opt;
        opt.nCoordType = c.coord;
        opt.nMapUnits = c.map;
        double e, n;
        ASSERT_EQ(AsciiPointToMap(c.a, c.b, opt, &e, &n), 1);
        EXPECT_NEAR(e, c.e, 1e-9 * std::fabs(c.e)) << c.coord << "/" << c.map;
        EXPECT_NEAR(n, c.n, 1e-9 * std::fabs(c.n)) << c.coord << "/" << c.map;
    }
    // US survey feet into feet differ from the old divisor by far more than the record's millimetre.
    AsciiBgOptions opt;
    opt.nCoordType = 3;
    opt.nMapUnits = 1;
    double e, n;
    AsciiPointToMap(16000000.0, 1000000.0, opt, &e, &n);
    EXPECT_GT(std::fabs(n - 16000000.0 / 0.99999803149994), 0.01);
    // Geodetic points outside the globe.
    opt.nCoordType = 0;
    EXPECT_EQ(AsciiPointToMap(90.5, 10.0, opt, &e, &n), 0);
    EXPECT_EQ(AsciiPointToMap(45.0, 180.5, opt, &e, &n), 0);
    EXPECT_EQ(AsciiPointToMap(NAN, 10.0, opt, &e, &n), 0);
}

TEST_F(BackgroundTest, GeodeticPointsAcrossAZoneBorderUseTheSurveysZone)
{
    AsciiBgOptions opt;
    opt.nCoordType = 0;
    opt.nZone = 18;  // the survey's first fix west of -72
    double eWest, nWest, eEast, nEast;
    ASSERT_EQ(AsciiPointToMap(45.0, -72.0001, opt, &eWest, &nWest), 1);
    ASSERT_EQ(AsciiPointToMap(45.0, -71.9999, opt, &eEast, &nEast), 1);
    EXPECT_NEAR(eEast - eWest, 15.7, 0.5) << "about 16 m apart, not hundreds of kilometres";
    EXPECT_NEAR(nEast, nWest, 1.0);  // the meridians converge 3 degrees off the centre
}

TEST_F(BackgroundTest, AsciiFilesLineEndsAndLongLines)
{
    AsciiBgOptions opt;
    const std::string crlf = "500000,5000000\r\n/ x\r\nB\r\n500010,5000020\r\n";
    const std::string lf = "500000,5000000\n/ x\nB\n500010,5000020\n";
    const std::string noEnd = "500000,5000000\n/ x\nB\n500010,5000020";
    const std::string a = Convert(crlf, opt);
    EXPECT_EQ(a.size(), 3u * BG_RECORD_LEN);
    EXPECT_EQ(Convert(lf, opt), a);
    EXPECT_EQ(Convert(noEnd, opt), a);
    EXPECT_EQ(Convert("/ only\r\n/ comments\r\n\r\n", opt), "");
    // A line of 300 characters: cut to 255, the rest dropped, the next line read as usual.
    std::string longLine = "500001,5000001," + std::string(286, 'x') + "\n500002,5000002\n";
    std::vector<Rec> r = Records(Convert(longLine, opt));
    ASSERT_EQ(r.size(), 2u);
    EXPECT_DOUBLE_EQ(r[0].x, 500001.0);
    EXPECT_DOUBLE_EQ(r[1].y, 5000002.0);
}

TEST_F(BackgroundTest, OnlyPointsOnTheGridWidenTheExtents)
{
    AsciiBgOptions opt;
    Convert("500100,5000200\n900000000,5000000\n", opt);
    EXPECT_DOUBLE_EQ(dExtentMaxX, 500100.0);
    EXPECT_DOUBLE_EQ(dExtentMaxY, 5000200.0);
}

TEST_F(BackgroundTest, DataFileKinds)
{
    struct Case {
        std::string bytes;
        int kind, len;
    } cases[] = {
        {"EMJIX   " + std::string(18, ' ') + "\n", 0, 27},  // "EM" and "JIX": the first magic wins
        {"XPRO    " + std::string(10, ' ') + "\n", 0, 19},
        {"BV      " + std::string(10, ' ') + "\n", 1, 19},
        {"JIXMK2  " + std::string(18, ' ') + "\n", 2, 27},
        {"ZNTMK2  " + std::string(18, ' ') + "\n", 3, 27},
        {"QQQQQQQQ" + std::string(18, ' ') + "\n", -1, 0},
        {"ZN" + std::string(40, ' ') + "\n", -1, 0},  // no line feed within 36 bytes
        {"ZN\n", -1, 0},                             // fewer than 8 bytes
        {"Z\0ZN    \n", -1, 0},                       // text ends at the zero byte
    };
    for (const Case &c : cases) {
        BgSource src;
        std::string bytes = c.bytes;
        if (c.bytes[1] == 0) bytes = std::string("Z\0ZN    \n", 9);
        BgSourceFromMemory(&src, bytes.data(), bytes.size());
        DataBgInfo info;
        EXPECT_EQ(IdentifyDataFileKind(&src, &info), c.kind) << c.bytes;
        if (c.kind >= 0) {
            EXPECT_EQ(info.nRecordLen, c.len);
        }
        EXPECT_EQ(info.bCorrection, c.kind >= 2 ? 1 : 0);
    }
}

TEST_F(BackgroundTest, SentenceGathering)
{
    struct Case {
        std::vector<std::string> records;
        std::vector<std::string> sentences;
    } cases[] = {
        {{"@$GPGGA,1", "#23,45", "#67,89", "!000001"}, {"$GPGGA,123,4567,89"}},
        {{"@$GPGGA,1", "#23", "?", "#45", "!000001", "@$X", "!"}, {"$X"}},
        {{"@$A", "\"", "!"}, {}},
        {{"#no start", "!"}, {}},
        {{"@$A", "@$B", "#C", "!"}, {"$BC"}},
        {{"@$A", "!", "!"}, {"$A"}},
    };
    for (const Case &c : cases) {
        SentenceGatherer g;
        std::vector<std::string> got;
        for (const std::string &r : c.records)
            if (FeedSentenceRecord(&g, r.data(), (int)r.size())) got.push_back(g.szText);
        EXPECT_EQ(got, c.sentences) << c.records.front();
    }
    // A sentence longer than any is dropped, never overrun.
    SentenceGatherer g;
    std::string piece = "#" + std::string(30, 'x');
    FeedSentenceRecord(&g, "@$", 2);
    for (int i = 0; i < 40; i++) FeedSentenceRecord(&g, piece.data(), (int)piece.size());
    EXPECT_EQ(FeedSentenceRecord(&g, "!", 1), 0);
}

TEST_F(BackgroundTest, SentenceLayouts)
{
    int zone = 0;
    double n0, e0;
    LatLonToUtm(45.5, -75.5, &zone, &n0, &e0, 0);
    struct Case {
        int kind;
        char format, unit;
        const char *sentence;
        int map;
        int ok;
        double e, n;
    } cases[] = {
        {3, '1', '0', "$GPGGA,120000,4530.000,N,07530.000,W,1,08,1.0,100.0,M", 0, 1, e0, n0},
        {0, 0, 0, "$GPGGA,120000,4530.000,N,07530.000,W,1", 1, 1, e0 / 0.3048, n0 / 0.3048},
        {3, '1', '0', "$GPGGA,120000,4530.000,X,07530.000,W,1", 0, 0, 0, 0},
        {3, '1', '0', "$GPGGA,120000,,N,,W,1", 0, 0, 0, 0},
        {3, '1', '0', "$GPGGA,120000,4575.000,N,07530.000,W,1", 0, 0, 0, 0},  // 75 minutes
        {3, '5', '0', "$GPGLL,4530.000,N,07530.000,W,120000,A", 0, 1, e0, n0},
        {3, '2', '0', "$PASHR,POS,0,08,120000,4530.000,N,07530.000,W", 0, 1, e0, n0},
        {3, '6', '0', "$PTNL,GGK,120000,010120,4530.000,N,07530.000,W,3", 0, 1, e0, n0},
        {3, '3', '0', "$PTNL,LLK,120000,1000.5,N,2000.25,M", 0, 1, 1000.5, 2000.25},
        {3, '4', '0', "$PTNL,LLQ,120000,010120,1000.5", 0, 0, 0, 0},  // field 6 missing
        {3, '7', '0', "$GPGGA,x,2000.0,N,1000.0,E,1,8,1,1,M", 2, 1, 1000.0 * 3.2808333333333355,
         2000.0 * 3.2808333333333355},
        {3, '7', '0', "$GPGGA,x,2000.0,N,1000.0,E,1,8,1,1,F", 2, 1, 1000.0 * 0.3048 / 0.304800609601219,
         2000.0 * 0.3048 / 0.304800609601219},
        {3, '7', '1', "$GPGGA,x,2000.0,N,1000.0,E,1,8,1,1,F", 1, 1, 1000.0 * 1.0000020000039993,
         2000.0 * 1.0000020000039993},
        {3, '7', '0', "$GPGGA,x,2000.0,N,1000.0,E,1,8,1,1", 0, 0, 0, 0},  // field 11 missing
        {2, '9', '1', ">37=100.0,38=200.0,", 0, 1, 200.0 * 0.3048, 100.0 * 0.3048},
        {2, '9', '0', ">37=100.0,38=200.0", 0, 0, 0, 0},  // no comma after the value
        {2, '9', '0', ">37=100.0,", 0, 0, 0, 0},          // no "38="
        {2, '9', '5', ">37=100.0,38=200.0,", 0, 0, 0, 0}, // unknown unit digit
    };
    for (const Case &c : cases) {
        BgSentenceRule rule = BgSentenceRuleFor(c.kind, c.format, c.unit);
        double e = 0, n = 0;
        EXPECT_EQ(ParseBackgroundSentence(c.sentence, rule, c.map, 0, &e, &n), c.ok) << c.sentence;
        if (c.ok) {
            EXPECT_NEAR(e, c.e, 1e-6) << c.sentence;
            EXPECT_NEAR(n, c.n, 1e-6) << c.sentence;
        }
    }
    struct Tag {
        int kind;
        char format;
        const char *tag;
    } tags[] = {{1, '8', "GLL"}, {2, '8', ""}, {3, '8', ""}, {1, '9', ">"}, {3, '9', ""}, {2, 'x', ""},
                {0, '5', "GGA"}, {3, '6', "GGK"}};
    for (const Tag &t : tags) EXPECT_STREQ(BgSentenceRuleFor(t.kind, t.format, '0').szTag, t.tag);
}

TEST_F(BackgroundTest, OffsetCorrectionBehindTheAntenna)
{
    // Y = 2 m, positions 1 m apart due north: each output 2 m behind its position on the track.
    OffsetCorrector c;
    StartOffsetCorrector(&c, 1, 0.0, 2.0);
    double e, n;
    EXPECT_EQ(CorrectBackgroundPosition(&c, 1000.0, 0.0, &e, &n), 0);
    for (int i = 1; i <= 60; i++) {
        ASSERT_EQ(CorrectBackgroundPosition(&c, 1000.0, i, &e, &n), 1) << i;
        EXPECT_NEAR(e, 1000.0, 1e-9);
        EXPECT_NEAR(n, i - 2.0, 1e-9) << i;
        // A repeated position: no output, nothing changed.
        EXPECT_EQ(CorrectBackgroundPosition(&c, 1000.0, i, &e, &n), 0);
    }
    // X = 1 m across (to the left of travel north: west).
    StartOffsetCorrector(&c, 1, 1.0, 2.0);
    CorrectBackgroundPosition(&c, 0.0, 0.0, &e, &n);
    CorrectBackgroundPosition(&c, 0.0, 1.0, &e, &n);
    ASSERT_EQ(CorrectBackgroundPosition(&c, 0.0, 2.0, &e, &n), 1);
    EXPECT_NEAR(e, -1.0, 1e-9);
    EXPECT_NEAR(n, 0.0, 1e-9);
    // Y = 0 and X = 0: every position after the first unchanged; Y negative: ahead of the position.
    StartOffsetCorrector(&c, 1, 0.0, 0.0);
    EXPECT_EQ(CorrectBackgroundPosition(&c, 5.0, 5.0, &e, &n), 0);
    ASSERT_EQ(CorrectBackgroundPosition(&c, 6.0, 5.0, &e, &n), 1);
    EXPECT_DOUBLE_EQ(e, 6.0);
    EXPECT_DOUBLE_EQ(n, 5.0);
    EXPECT_EQ(CorrectBackgroundPosition(&c, 6.0, 5.0, &e, &n), 0);
    StartOffsetCorrector(&c, 1, 0.0, -1.5);
    CorrectBackgroundPosition(&c, 0.0, 0.0, &e, &n);
    ASSERT_EQ(CorrectBackgroundPosition(&c, 3.0, 0.0, &e, &n), 1);
    EXPECT_NEAR(e, 4.5, 1e-9);
    EXPECT_TRUE(std::isfinite(n));
}

// A data file of 27-byte records: header, the GPS record with offsets Y = 2, and GGA sentences 1 m apart north.
std::string DataFileWithTrack(int nPositions, bool repeatEach)
{
    auto rec = [](std::string s) {
        s.resize(26, ' ');
        return s + "\n";
    };
    std::string f = rec("ZNTMK2  W") + rec("2 line");
    f += rec("G  0.000  2.000 7001 1");  // X 0, Y 2; unit digit at 17 "0", format digit at 19 "1"
    int zone = 0;
    double n0, e0;
    LatLonToUtm(45.0, -75.0, &zone, &n0, &e0, 0);
    for (int i = 0; i < nPositions; i++) {
        for (int k = 0; k < (repeatEach ? 2 : 1); k++) {
            // Latitude from northing: 1 m is about 1 / 111132 degree; minutes with enough decimals.
            double lat = 45.0 + i / 111132.0;
            double minutes = (lat - 45.0) * 60.0;
            char s[128];
            snprintf(s, sizeof s, "$GPGGA,120000,45%08.5f,N,07500.000,W,1,08,1.0", minutes);
            std::string text = s;
            for (size_t p = 0; p < text.size(); p += 25) f += rec(std::string(p == 0 ? "@" : "#") + text.substr(p, 25));
            f += rec("!000001p");
        }
    }
    return f;
}

TEST_F(BackgroundTest, DataFileConversionPutsEachOutputBehindItsPosition)
{
    for (bool repeat : {false, true}) {
        std::string file = DataFileWithTrack(12, repeat);
        BgSource src;
        BgSourceFromMemory(&src, file.data(), file.size());
        DataBgInfo info;
        ASSERT_EQ(IdentifyDataFileKind(&src, &info), 3);
        EXPECT_DOUBLE_EQ(info.dOffsetY, 2.0);
        std::string out;
        BgSink sink;
        BgSinkToMemory(&sink, &out);
        EXPECT_EQ(ConvertDataFileRecords(&src, &sink, info, 0, 18), 11) << "repeat " << repeat;
        std::vector<Rec> r = Records(out);
        ASSERT_EQ(r.size(), 11u);
        int zone = 18;
        double n0, e0;
        LatLonToUtm(45.0, -75.0, &zone, &n0, &e0, 1);
        for (size_t i = 0; i < r.size(); i++) {
            EXPECT_TRUE(std::isfinite(r[i].x) && std::isfinite(r[i].y));
            // Position i + 1 lies about i + 1 m north of the first; its output 2 m behind it.
            EXPECT_NEAR(r[i].y - n0, (double)i + 1 - 2.0, 0.02) << i;
            EXPECT_NEAR(r[i].x, e0, 0.02);
        }
    }
}

TEST_F(BackgroundTest, DataFileWithoutGpsRecordGivesNothing)
{
    std::string file = "ZNTMK2  W" + std::string(17, ' ') + "\n" + std::string(26, 'x') + "\n";
    BgSource src;
    BgSourceFromMemory(&src, file.data(), file.size());
    DataBgInfo info;
    ASSERT_EQ(IdentifyDataFileKind(&src, &info), 3);
    std::string out;
    BgSink sink;
    BgSinkToMemory(&sink, &out);
    EXPECT_EQ(ConvertDataFileRecords(&src, &sink, info, 0, 18), 0);
    EXPECT_TRUE(out.empty());
}

TEST_F(BackgroundTest, RecordsOf31To36BytesAreReadWhole)
{
    auto rec = [](std::string s) {
        s.resize(35, ' ');
        return s + "\n";
    };
    std::string f = rec("EM61    ") + rec("@$GPGGA,1,4500.000,N,07500.000,W,1") + rec("!");
    BgSource src;
    BgSourceFromMemory(&src, f.data(), f.size());
    DataBgInfo info;
    ASSERT_EQ(IdentifyDataFileKind(&src, &info), 0);
    EXPECT_EQ(info.nRecordLen, 36);
    std::string out;
    BgSink sink;
    BgSinkToMemory(&sink, &out);
    EXPECT_EQ(ConvertDataFileRecords(&src, &sink, info, 0, 18), 1);
}

}  // namespace
