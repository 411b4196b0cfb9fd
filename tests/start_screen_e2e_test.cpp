// The start screen through the real program: pictures of every instrument in landscape and portrait, the settings
// summary read back from the texts the program draws, the geometry diagram's pixels, a hostile configuration file,
// and the "Program Stop" notice of a system that has run for more than 20 days.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/core.h"
#include "core/settings.h"
#include "core/start_screen.h"
#include "support/program_runner.h"

namespace {

using Row = std::array<std::wstring, 4>;  // left label, left value, right label, right value

std::string Narrow(const std::wstring &w)
{
    std::string s;
    for (wchar_t c : w) s += (char)(c & 0x7F);
    return s;
}

std::string Describe(const Row &r)
{
    return "{" + Narrow(r[0]) + " | " + Narrow(r[1]) + " | " + Narrow(r[2]) + " | " + Narrow(r[3]) + "}";
}

StartScreenAreas Areas()
{
    HDC hdc = GetDC(hwndMain);
    StartScreenAreas a = GetStartScreenAreas(hdc);
    ReleaseDC(hwndMain, hdc);
    return a;
}

// Repaints the start screen as the program does after a setup dialog and returns the texts it drew.
std::vector<DrawnText> RepaintAndReadTexts()
{
    PlatformClearDrawnTexts();
    InvalidateRect(hwndMain, nullptr, TRUE);
    UpdateWindow(hwndMain);
    std::vector<DrawnText> texts;
    for (const DrawnText &t : PlatformDrawnTexts())
        if (t.window == hwndMain) texts.push_back(t);
    return texts;
}

const DrawnText *FindText(const std::vector<DrawnText> &texts, const std::wstring &text)
{
    for (const DrawnText &t : texts)
        if (t.text == text) return &t;
    return nullptr;
}

// The summary's rows: texts below the headers and above the geometry box, put into their four columns by x.
std::vector<Row> SummaryRows(const std::vector<DrawnText> &texts)
{
    std::vector<Row> rows;
    const DrawnText *left = FindText(texts, L"SURVEY PARAMETERS");
    const DrawnText *right = FindText(texts, L"SYSTEM SETUP");
    if (!left || !right) return rows;
    const int nLabelColumn = bPortrait && nClientHeight < 900 ? 130 : 160;
    const int ax[4] = {left->cell.left, left->cell.left + nLabelColumn, right->cell.left - 50,
                       right->cell.left - 50 + nLabelColumn};
    const int nBoxTop = Areas().rcBox.top;
    std::map<int, Row> byTop;
    for (const DrawnText &t : texts) {
        if (t.cell.top <= left->cell.top || t.cell.top >= nBoxTop || t.text.empty()) continue;
        for (int k = 0; k < 4; k++)
            if (t.cell.left == ax[k]) byTop[t.cell.top][k] = t.text;
    }
    for (auto &[top, row] : byTop) rows.push_back(row);
    return rows;
}

// Writes the rows the child sees to stderr, for a failing comparison.
void PrintRows(const std::vector<Row> &rows)
{
    for (const Row &r : rows) fprintf(stderr, "  row %s\n", Describe(r).c_str());
}

// ---------------------------------------------------------------------------------------------------------------
// Pictures of every instrument in landscape and portrait
// ---------------------------------------------------------------------------------------------------------------
struct Instrument {
    int type;
    const char *name;
};
const Instrument kInstruments[] = {
    {INSTRUMENT_GRAD601, "Grad601"}, {INSTRUMENT_EM61LX2, "EM61-LX2"}, {INSTRUMENT_EM61MK2, "EM61-MK2"},
    {INSTRUMENT_EM31MK2, "EM31-MK2"}, {INSTRUMENT_EM38, "EM38"},       {INSTRUMENT_EM34, "EM34-3"},
    {INSTRUMENT_EM38MK2, "EM38-MK2"}, {INSTRUMENT_EM384, "EM38-4"},    {INSTRUMENT_CS21, "CS-21"},
};

bool Intersect(const RECT &a, const RECT &b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

TEST(StartScreen, PicturesOfEveryInstrumentInLandscapeAndPortrait)
{
    struct Screen {
        const char *name;
        int w, h;
    };
    const Screen screens[] = {{"landscape", 1920, 1080}, {"portrait", 1080, 1920}, {"small_landscape", 800, 600}};
    int nBuild = 0;
    for (const Instrument &inst : kInstruments) {
        for (const Screen &screen : screens) {
            // The small screen for a few instruments only; both product lines among the others.
            if (strcmp(screen.name, "small_landscape") == 0 && inst.type != INSTRUMENT_EM61MK2 &&
                inst.type != INSTRUMENT_EM34 && inst.type != INSTRUMENT_GRAD601)
                continue;
            const int jix = nBuild++ % 2;
            ProgramStart start;
            start.instrumentType = inst.type;
            start.jixProduct = jix;
            start.screenWidth = screen.w;
            start.screenHeight = screen.h;
            const std::string path = std::string(TEST_OUTPUT_DIR "/start_screen_") + inst.name + "_" +
                                     (jix ? "Jix_" : "Zanth_") + screen.name + ".png";
            SCOPED_TRACE(path);
            ChildResult r = RunProgramInChild(start, [&path]() {
                const std::vector<DrawnText> texts = RepaintAndReadTexts();
                CHILD_CHECK(PlatformSaveWindowPng(hwndMain, path));
                const StartScreenAreas a = Areas();
                // Title, version, maker line, summary title and the box title are drawn.
                const wchar_t *caption = CaptionForBuild(nInstrumentType, bJixProduct);
                std::wstring version = L"Version ";
                for (const char *p = SettingsVersionString(nInstrumentType, bJixProduct); *p; p++) version += *p;
                for (const std::wstring &want : {std::wstring(caption), version, std::wstring(L"Ulvane Software Inc."),
                                                 std::wstring(L"CURRENT PROGRAM SETTINGS"),
                                                 std::wstring(L"Geometry Setup")}) {
                    if (!FindText(texts, want)) fprintf(stderr, "missing \"%s\"\n", Narrow(want).c_str());
                    CHILD_CHECK(FindText(texts, want) != nullptr);
                }
                // Five or six summary rows of four cells (the CS-21's row 1 has no right cell).
                const std::vector<Row> rows = SummaryRows(texts);
                const bool bRow0 = nInstrumentType == INSTRUMENT_GRAD601 || nInstrumentType == INSTRUMENT_EM61MK2 ||
                                   nInstrumentType == INSTRUMENT_EM61LX2;
                if (rows.size() != (bRow0 ? 6u : 5u)) PrintRows(rows);
                CHILD_CHECK(rows.size() == (bRow0 ? 6u : 5u));
                // Every text of the page lies in the client area, clear of the buttons and of every other text.
                std::vector<RECT> buttons;
                for (const ControlView &v : PlatformChildControls(hwndMain))
                    if (v.kind == "BUTTON" && v.visible) buttons.push_back(v.rect);
                CHILD_CHECK(buttons.size() == 10);
                auto OnAButton = [&buttons](const RECT &rc) {
                    for (const RECT &b : buttons)
                        if (Intersect(rc, b)) return true;
                    return false;
                };
                for (size_t i = 0; i < texts.size(); i++) {
                    const RECT &c = texts[i].cell;
                    if (texts[i].text.empty()) continue;
                    if (c.left < 0 || c.right > nClientWidth || c.top < 0 || c.bottom > nClientHeight || OnAButton(c))
                        fprintf(stderr, "\"%s\" at %d,%d-%d,%d\n", Narrow(texts[i].text).c_str(), c.left, c.top,
                                c.right, c.bottom);
                    CHILD_CHECK(c.left >= 0 && c.right <= nClientWidth && c.top >= 0 && c.bottom <= nClientHeight);
                    CHILD_CHECK(!OnAButton(c));
                    // The summary's texts and the box title stand apart.
                    if (c.top < a.nSummaryTop || c.top > a.rcBox.top + 4) continue;
                    for (size_t j = i + 1; j < texts.size(); j++) {
                        if (texts[j].text.empty() || texts[j].cell.top < a.nSummaryTop) continue;
                        if (!Intersect(c, texts[j].cell)) continue;
                        fprintf(stderr, "\"%s\" overlaps \"%s\"\n", Narrow(texts[i].text).c_str(),
                                Narrow(texts[j].text).c_str());
                        CHILD_CHECK(false);
                    }
                }
                // The summary stays above the box, and the box inside the client and clear of the buttons.
                for (const DrawnText &t : texts)
                    if (t.text == L"CURRENT PROGRAM SETTINGS") CHILD_CHECK(t.cell.top == a.nSummaryTop);
                CHILD_CHECK(a.rcBox.left >= 0 && a.rcBox.right <= nClientWidth && a.rcBox.top < a.rcBox.bottom);
                CHILD_CHECK(!OnAButton(a.rcBox));
                // The box outline is white; the instrument is drawn inside the box.
                HDC hdc = GetDC(hwndMain);
                const int yMid = (a.rcBox.top + a.rcBox.bottom) / 2;
                CHILD_CHECK(GetPixel(hdc, a.rcBox.left, yMid) == RGB(255, 255, 255));
                GeometryDiagram d;
                CHILD_CHECK(ComputeGeometryDiagram(a.rcBox, &d));
                int nDrawn = 0;
                for (int y = d.rcInstrument.top - 2; y <= d.rcInstrument.bottom + 2; y++)
                    for (int x = d.rcInstrument.left - 4; x <= d.rcInstrument.right + 4; x++)
                        nDrawn += GetPixel(hdc, x, y) != GetSysColor(COLOR_BTNFACE);
                ReleaseDC(hwndMain, hdc);
                CHILD_CHECK(nDrawn > 20);
                PlatformClickButton(ahMenuButton[9]);
                return 0;
            });
            EXPECT_TRUE(r.exited);
            EXPECT_EQ(r.exitCode, 0);
        }
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Summary texts
// ---------------------------------------------------------------------------------------------------------------
TEST(StartScreen, SummaryOfTheJixEm61Mk2AtItsStartUpDefaults)
{
    ProgramStart start;  // Jix EM61-MK2, landscape
    ChildResult r = RunProgramInChild(start, []() {
        const std::vector<DrawnText> texts = RepaintAndReadTexts();
        const StartScreenAreas a = Areas();
        const DrawnText *title = FindText(texts, L"CURRENT PROGRAM SETTINGS");
        const DrawnText *left = FindText(texts, L"SURVEY PARAMETERS");
        const DrawnText *right = FindText(texts, L"SYSTEM SETUP");
        CHILD_CHECK(title && left && right);
        // Title centred over the area, headers one title gap lower each, in the light font of a large screen.
        const int c = a.nSummaryLeft + (a.nSummaryRight - a.nSummaryLeft) / 2;
        CHILD_CHECK(std::abs((title->cell.left + title->cell.right) / 2 - c) <= 1);
        CHILD_CHECK(title->cell.top == 30 && left->cell.top == 55 && right->cell.top == 55);
        CHILD_CHECK(left->cell.left < c && right->cell.left > c);
        const std::vector<Row> want = {
            {L"Survey Mode:", L"AUTO", L"EM61-MK2 Port:", L"COM4"},
            {L"Update Rate:", L"5.00 Hz", L"EM61-MK2 Type:", L"Standard"},
            {L"Survey Line:", L"1", L"Sensor Size:", L"1 x 0.5 m"},
            {L"Line Increment:", L"1.00", L"Pause Key:", L"any key"},
            {L"Start Station:", L"0.000", L"GPS Input:", L"Enabled"},
            {L"Station Increment:", L"1.000", L"GPS Data:", L"GGA"},
        };
        const std::vector<Row> rows = SummaryRows(texts);
        if (rows != want) PrintRows(rows);
        CHILD_CHECK(rows == want);
        // Rows 25 pixels apart from two title gaps below the title.
        for (const DrawnText &t : texts)
            if (t.text == L"Survey Mode:") CHILD_CHECK(t.cell.top == 80);
            else if (t.text == L"Station Increment:") CHILD_CHECK(t.cell.top == 80 + 5 * 25);
        PlatformClickButton(ahMenuButton[9]);
        return 0;
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
}

struct RowsCase {
    const char *name;
    int type;
    int jix;
    std::function<void()> setup;  // settings changed before the repaint
    Row row1, row2;
};

TEST(StartScreen, RowsOneAndTwoPerInstrument)
{
    const RowsCase cases[] = {
        {"Grad601", INSTRUMENT_GRAD601, 1, nullptr,
         {L"Sensors Separation:", L"1.00 m", L"Pause Key:", L"any key"},
         {L"Survey Line:", L"1", L"GPS Input:", L"COM6"}},
        {"Grad601 one sensor, GPS off, pause <P>", INSTRUMENT_GRAD601, 0,
         [] { nSensorsMinus1 = 0; bGpsEnabled = 0; nPauseKey = 3; },
         {L"Swath bar:", L"0.50 m", L"Pause Key:", L"<P>"},
         {L"Survey Line:", L"1", L"GPS Input:", L"Disabled"}},
        {"Grad601 instrument disabled keeps its pause key", INSTRUMENT_GRAD601, 1,
         [] { bInstrumentEnabled = 0; nPauseKey = 1; },
         {L"Sensors Separation:", L"1.00 m", L"Pause Key:", L"<Enter>"},
         {L"Survey Line:", L"1", L"GPS Input:", L"COM6"}},
        {"EM61-LX2", INSTRUMENT_EM61LX2, 1, nullptr,
         {L"Update Rate:", L"5.00 Hz", L"EM61-LX2 Type:", L"Standard"},
         {L"Survey Line:", L"1", L"Number of Sensors:", L"2"}},
        {"EM61-LX2 one coil, HP N.C.C., 2 Hz", INSTRUMENT_EM61LX2, 0,
         [] { nSensorsMinus1 = 0; nEm61Type = 3; dSampleInterval = 0.5; },
         {L"Update Rate:", L"2.00 Hz", L"EM61-LX2 Type:", L"HP N.C.C."},
         {L"Survey Line:", L"1", L"Number of Sensors:", L"1"}},
        {"EM61-MK2", INSTRUMENT_EM61MK2, 1, nullptr,
         {L"Update Rate:", L"5.00 Hz", L"EM61-MK2 Type:", L"Standard"},
         {L"Survey Line:", L"1", L"Sensor Size:", L"1 x 0.5 m"}},
        {"EM61-MK2 wheel mode, hand held, line A7", INSTRUMENT_EM61MK2, 0,
         [] { nSurveyMode = 1; nSensorSize = 4; nEm61Type = 1; wcscpy(szSurveyLine, L"A7"); },
         {L"Update Rate:", L"N/A", L"EM61-MK2 Type:", L"High Power"},
         {L"Survey Line:", L"A7", L"Sensor Size:", L"Hand Held"}},
        {"EM61-MK2 instrument disabled", INSTRUMENT_EM61MK2, 1, [] { bInstrumentEnabled = 0; },
         {L"Update Rate:", L"N/A", L"EM61-MK2 Type:", L"Disabled"},
         {L"Survey Line:", L"1", L"Sensor Size:", L"N/A"}},
        {"EM31-MK2", INSTRUMENT_EM31MK2, 1, nullptr,
         {L"Update Rate:", L"5.00 Hz", L"EM31-MK2 Type:", L"Standard"},
         {L"Survey Line:", L"1", L"Dipole Mode:", L"Vertical"}},
        {"EM31-MK2 short, horizontal", INSTRUMENT_EM31MK2, 0, [] { nEm31Type = 1; nDipoleMode = 1; },
         {L"Update Rate:", L"5.00 Hz", L"EM31-MK2 Type:", L"Short"},
         {L"Survey Line:", L"1", L"Dipole Mode:", L"Horizontal"}},
        {"EM31-MK2 instrument disabled", INSTRUMENT_EM31MK2, 1, [] { bInstrumentEnabled = 0; },
         {L"Update Rate:", L"N/A", L"EM31-MK2 Type:", L"Disabled"},
         {L"Survey Line:", L"1", L"Dipole Mode:", L"Vertical"}},
        {"EM38", INSTRUMENT_EM38, 1, nullptr,
         {L"Update Rate:", L"5.00 Hz", L"EM38 Component:", L"Conductivity"},
         {L"Survey Line:", L"1", L"Dipole Mode:", L"Vertical"}},
        {"EM38 inphase", INSTRUMENT_EM38, 0, [] { nComponent = 1; },
         {L"Update Rate:", L"5.00 Hz", L"EM38 Component:", L"Inphase"},
         {L"Survey Line:", L"1", L"Dipole Mode:", L"Vertical"}},
        {"EM34-3", INSTRUMENT_EM34, 1, nullptr,
         {L"EM34-3 Mode:", L"Auto", L"Update Rate:", L"5.00 Hz"},
         {L"Survey Line:", L"1", L"Reference:", L"Leading Coil"}},
        {"EM34-3 manual, configuration 3, centre", INSTRUMENT_EM34, 0,
         [] { nSurveyMode = 2; nDipoleMode = 2; nReference = 2; },
         {L"EM34-3 Mode:", L"Manual", L"Configurations:", L"3"},
         {L"Survey Line:", L"1", L"Reference:", L"EM34-3 Center"}},
        {"EM34-3 disabled, reference out of its list", INSTRUMENT_EM34, 1,
         [] { bInstrumentEnabled = 0; nReference = 7; },
         {L"EM34-3 Mode:", L"Auto", L"Update Rate:", L"Disabled"},
         {L"Survey Line:", L"1", L"Reference:", L""}},
        {"EM38-MK2", INSTRUMENT_EM38MK2, 1, nullptr,
         {L"Update Rate:", L"5.00 Hz", L"EM38-MK2 Type:", L"EM38MK2"},
         {L"Survey Line:", L"1", L"Dipole Mode:", L"Vertical"}},
        {"EM38-MK2 type 1", INSTRUMENT_EM38MK2, 0, [] { nEm38Mk2Type = 1; },
         {L"Update Rate:", L"5.00 Hz", L"EM38-MK2 Type:", L"EM38MK2-1"},
         {L"Survey Line:", L"1", L"Dipole Mode:", L"Vertical"}},
        {"EM38-4", INSTRUMENT_EM384, 1, nullptr,
         {L"EM38-4 State:", L"Enabled", L"Update Rate:", L"10 Hz"},
         {L"Survey Line:", L"1", L"Inphase Units:", L"ppt"}},
        {"EM38-4 at 0.1 Hz in mS/m", INSTRUMENT_EM384, 0, [] { nRateChoice = 8; nInphaseUnits = 1; },
         {L"EM38-4 State:", L"Enabled", L"Update Rate:", L"0.1 Hz"},
         {L"Survey Line:", L"1", L"Inphase Units:", L"mS/m"}},
        {"EM38-4 disabled", INSTRUMENT_EM384, 1, [] { bInstrumentEnabled = 0; },
         {L"EM38-4 State:", L"Disabled", L"Update Rate:", L"N/A"},
         {L"Survey Line:", L"1", L"Inphase Units:", L"ppt"}},
        {"CS-21: no right cell", INSTRUMENT_CS21, 1, nullptr,
         {L"Update Rate:", L"5.00 Hz", L"", L""},
         {L"Survey Line:", L"1", L"Dipole Mode:", L"Vertical"}},
        {"CS-21 disabled: still no right cell", INSTRUMENT_CS21, 0, [] { bInstrumentEnabled = 0; },
         {L"Update Rate:", L"N/A", L"", L""},
         {L"Survey Line:", L"1", L"Dipole Mode:", L"Vertical"}},
    };
    for (const RowsCase &c : cases) {
        SCOPED_TRACE(c.name);
        ProgramStart start;
        start.instrumentType = c.type;
        start.jixProduct = c.jix;
        start.screenWidth = 1366;
        start.screenHeight = 768;
        ChildResult r = RunProgramInChild(start, [&c]() {
            if (c.setup) c.setup();
            const std::vector<Row> rows = SummaryRows(RepaintAndReadTexts());
            // Row 1 is the first row of instruments without row 0.
            const bool bRow0 = nInstrumentType == INSTRUMENT_GRAD601 || nInstrumentType == INSTRUMENT_EM61MK2 ||
                               nInstrumentType == INSTRUMENT_EM61LX2;
            const size_t n1 = bRow0 ? 1 : 0;
            CHILD_CHECK(rows.size() == n1 + 5);
            if (rows[n1] != c.row1 || rows[n1 + 1] != c.row2) {
                fprintf(stderr, "want %s %s\n", Describe(c.row1).c_str(), Describe(c.row2).c_str());
                PrintRows(rows);
            }
            CHILD_CHECK(rows[n1] == c.row1);
            CHILD_CHECK(rows[n1 + 1] == c.row2);
            PlatformClickButton(ahMenuButton[9]);
            return 0;
        });
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.exitCode, 0);
    }
}

TEST(StartScreen, RowsZeroFourAndFivePerBuild)
{
    struct Case {
        const char *name;
        int type, jix;
        std::function<void()> setup;
        Row row0, row4, row5;  // row0 empty for instruments without one
    };
    const Case cases[] = {
        {"Zanth EM61-MK2: tilt meter", INSTRUMENT_EM61MK2, 0, [] { bTiltMeterOn = 1; nInstrumentPort = 11; },
         {L"Survey Mode:", L"AUTO", L"EM61-MK2 Port:", L"COM12"},
         {L"Start Station:", L"0.000", L"Tilt Meter:", L"Enabled"},
         {L"Station Increment:", L"1.000", L"GPS Data:", L"GGA"}},
        {"Zanth EM61-MK2 disabled: tilt N/A", INSTRUMENT_EM61MK2, 0, [] { bInstrumentEnabled = 0; },
         {L"Survey Mode:", L"N/A", L"EM61-MK2 Port:", L"COM4"},
         {L"Start Station:", L"0.000", L"Tilt Meter:", L"N/A"},
         {L"Station Increment:", L"1.000", L"GPS Data:", L"GGA"}},
        {"Jix EM61-MK2 GPS disabled", INSTRUMENT_EM61MK2, 1, [] { bGpsEnabled = 0; },
         {L"Survey Mode:", L"AUTO", L"EM61-MK2 Port:", L"COM4"},
         {L"Start Station:", L"0.000", L"GPS Input:", L"Disabled"},
         {L"Station Increment:", L"1.000", L"GPS Data:", L"N/A"}},
        {"EM61-LX2 wheel mode saved, pseudo GGA with SLAM", INSTRUMENT_EM61LX2, 1,
         [] { nSurveyModeSaved = 1; nGpsFormat = 7; bPseudoGga = 1; dStartStation = 12.5; },
         {L"Survey Mode:", L"WHEEL", L"EM61-LX2 Port:", L"COM4"},
         {L"Start Station:", L"12.500", L"GPS Input:", L"Enabled"},
         {L"Station Increment:", L"1.000", L"GPS Data:", L"p-GGA SLAM"}},
        {"Grad601 offsets", INSTRUMENT_GRAD601, 1, [] { dGpsOffsetX = -0.25; dGpsOffsetY = 1.5; nGpsFormat = 0; },
         {L"Number of Sensors:", L"2", L"Grad601 Port:", L"COM4"},
         {L"Start Station:", L"0.000", L"GPS Y offset:", L"1.50 m"},
         {L"Station Increment:", L"1.000", L"GPS Data:", L"GGA/GSA"}},
        {"Grad601 values too long for their cells", INSTRUMENT_GRAD601, 0,
         [] { dStartStation = -1e300; dGpsOffsetY = 1e300; dStationIncrement = 4e40; },
         {L"Number of Sensors:", L"2", L"Grad601 Port:", L"COM4"},
         {L"Start Station:", L"N/A", L"GPS Y offset:", L"N/A"},
         {L"Station Increment:", L"N/A", L"GPS Data:", L"GGA"}},
        {"EM38 instrument disabled: GPS Auto", INSTRUMENT_EM38, 1, [] { bInstrumentEnabled = 0; nGpsFormat = 7; },
         {},
         {L"Start Station:", L"0.000", L"GPS Input:", L"Auto"},
         {L"Station Increment:", L"1.000", L"GPS Data:", L"Pseudo GGA"}},
        {"EM31-MK2 GPS disabled", INSTRUMENT_EM31MK2, 0, [] { bGpsEnabled = 0; nGpsFormat = 8; },
         {},
         {L"Start Station:", L"0.000", L"GPS Input:", L"Disabled"},
         {L"Station Increment:", L"1.000", L"GPS Data:", L"N/A"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ProgramStart start;
        start.instrumentType = c.type;
        start.jixProduct = c.jix;
        ChildResult r = RunProgramInChild(start, [&c]() {
            c.setup();
            const std::vector<Row> rows = SummaryRows(RepaintAndReadTexts());
            const bool bRow0 = !c.row0[0].empty();
            CHILD_CHECK(rows.size() == (bRow0 ? 6u : 5u));
            const size_t n = rows.size();
            if ((bRow0 && rows[0] != c.row0) || rows[n - 2] != c.row4 || rows[n - 1] != c.row5) PrintRows(rows);
            if (bRow0) CHILD_CHECK(rows[0] == c.row0);
            CHILD_CHECK(rows[n - 2] == c.row4);
            CHILD_CHECK(rows[n - 1] == c.row5);
            PlatformClickButton(ahMenuButton[9]);
            return 0;
        });
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.exitCode, 0);
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Geometry diagram pixels
// ---------------------------------------------------------------------------------------------------------------
struct Bounds {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1, count = 0;
    void Add(int x, int y)
    {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
        count++;
    }
};

// Pixels of one colour inside the geometry box.
Bounds PixelsOf(COLORREF colour)
{
    const RECT box = Areas().rcBox;
    Bounds b;
    HDC hdc = GetDC(hwndMain);
    for (int y = box.top + 1; y < box.bottom - 1; y++)
        for (int x = box.left + 1; x < box.right - 1; x++)
            if (GetPixel(hdc, x, y) == colour) b.Add(x, y);
    ReleaseDC(hwndMain, hdc);
    return b;
}

const COLORREF kAntennaRed = RGB(255, 0, 0);
const COLORREF kCoilYellow = RGB(255, 255, 0);

TEST(StartScreen, HandHeldCoilWithTheAntennaTwoMetresAhead)
{
    for (int portrait : {0, 1}) {
        ProgramStart start;  // Jix EM61-MK2
        start.screenWidth = portrait ? 1080 : 1920;
        start.screenHeight = portrait ? 1920 : 1080;
        const std::string path = std::string(TEST_OUTPUT_DIR "/start_screen_hand_held_coil_antenna_2m_ahead_") +
                                 (portrait ? "portrait" : "landscape") + ".png";
        ChildResult r = RunProgramInChild(start, [&path]() {
            nSensorSize = 4;
            dGpsOffsetX = 0;
            dGpsOffsetY = 2;
            const std::vector<Row> rows = SummaryRows(RepaintAndReadTexts());
            CHILD_CHECK(rows.size() == 6 && rows[2][3] == L"Hand Held");
            CHILD_CHECK(PlatformSaveWindowPng(hwndMain, path));
            GeometryDiagram d;
            CHILD_CHECK(ComputeGeometryDiagram(Areas().rcBox, &d));
            CHILD_CHECK(std::fabs(d.dExtentAlong - 2.075) < 1e-12 && std::fabs(d.dExtentAcross - 0.3) < 1e-12);
            // The red antenna stands above the yellow coil, on its centre line.
            const Bounds antenna = PixelsOf(kAntennaRed), coil = PixelsOf(kCoilYellow);
            fprintf(stderr, "antenna %d,%d-%d,%d coil %d,%d-%d,%d\n", antenna.left, antenna.top, antenna.right,
                    antenna.bottom, coil.left, coil.top, coil.right, coil.bottom);
            CHILD_CHECK(antenna.count > 20 && coil.count > 50);
            CHILD_CHECK(antenna.bottom < coil.top);
            CHILD_CHECK(std::abs((antenna.left + antenna.right) - (coil.left + coil.right)) <= 4);
            // The diagram spans 60 % of the box height: antenna top to coil bottom.
            const RECT box = Areas().rcBox;
            const double dSpan = coil.bottom - antenna.top;
            CHILD_CHECK(std::fabs(dSpan - 0.6 * (box.bottom - box.top)) < 0.05 * (box.bottom - box.top));
            PlatformClickButton(ahMenuButton[9]);
            return 0;
        });
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.exitCode, 0);
    }
}

TEST(StartScreen, GpsDisabledDrawsNoAntennaAndNoGpsData)
{
    ProgramStart start;
    start.instrumentType = INSTRUMENT_EM61MK2;
    start.jixProduct = 0;
    ChildResult r = RunProgramInChild(start, []() {
        // Enabled first: the antenna is there.
        RepaintAndReadTexts();
        CHILD_CHECK(PixelsOf(kAntennaRed).count > 20);
        bGpsEnabled = 0;
        const std::vector<Row> rows = SummaryRows(RepaintAndReadTexts());
        CHILD_CHECK(PlatformSaveWindowPng(hwndMain, std::string(TEST_OUTPUT_DIR "/start_screen_gps_disabled.png")));
        CHILD_CHECK(rows.size() == 6 && rows[5][2] == L"GPS Data:" && rows[5][3] == L"N/A");
        CHILD_CHECK(PixelsOf(kAntennaRed).count == 0);
        CHILD_CHECK(PixelsOf(kCoilYellow).count > 50);  // the coil is still drawn
        PlatformClickButton(ahMenuButton[9]);
        return 0;
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
}

// ---------------------------------------------------------------------------------------------------------------
// A hostile configuration file
// ---------------------------------------------------------------------------------------------------------------
std::string ReadAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string FindSettingsFile(const std::string &root)
{
    for (const auto &e : std::filesystem::recursive_directory_iterator(root))
        if (e.path().extension() == ".INI") return e.path().string();
    return std::string();
}

TEST(StartScreen, HostileOffsetsInTheConfigurationFileKeepTheDiagramInItsBox)
{
    struct Case {
        int type;
        const char *caption;
        const char *x, *y;
    };
    const Case cases[] = {
        {INSTRUMENT_GRAD601, "Jix601", "9e307", "-9e307"},
        {INSTRUMENT_EM61MK2, "Jix61MK2", "-1.7976931348623157e308", "1.7976931348623157e308"},
        {INSTRUMENT_EM34, "Jix34-3", "nan", "1e400"},
        {INSTRUMENT_EM61LX2, "Jix61LX2", "-2147483649", "4294967296.5"},
        {INSTRUMENT_EM31MK2, "Jix31", "123456789012345678901234567890", "-0.000000000001"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.caption) + " " + c.x + " " + c.y);
        ProgramStart start;
        start.instrumentType = c.type;
        start.rootFolder = MakeTestRootFolder(std::string("hostile-") + c.caption);
        std::wstring folder = L"C:\\ProgramData\\Ulvane\\";
        for (const char *p = c.caption; *p; p++) folder += (wchar_t)*p;
        start.makeFolders = {folder};
        // First start: the file with two marker offsets.
        ChildResult r = RunProgramInChild(start, []() {
            dGpsOffsetX = 4321.5;
            dGpsOffsetY = dGpsOffsetYSaved = -8765.25;
            CHILD_CHECK(LoadSaveSettingsFile(1));
            PlatformClickButton(ahMenuButton[9]);
            return 0;
        });
        ASSERT_TRUE(r.exited);
        ASSERT_EQ(r.exitCode, 0);
        const std::string path = FindSettingsFile(start.rootFolder);
        ASSERT_FALSE(path.empty());
        std::string text = ReadAll(path);
        for (auto [marker, value] : {std::pair<std::string, std::string>{"4321.500000", c.x}, {"-8765.250000", c.y}}) {
            size_t at = text.find(marker);
            ASSERT_NE(at, std::string::npos) << marker;
            text.replace(at, marker.size(), value);
        }
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
        // Second start reads them and paints.
        const std::string png = std::string(TEST_OUTPUT_DIR "/start_screen_hostile_offsets_") + c.caption + ".png";
        r = RunProgramInChild(start, [&png]() {
            RepaintAndReadTexts();
            CHILD_CHECK(PlatformSaveWindowPng(hwndMain, png));
            const RECT box = Areas().rcBox;
            GeometryDiagram d;
            CHILD_CHECK(ComputeGeometryDiagram(box, &d));
            CHILD_CHECK(std::isfinite(d.dScale) && d.dScale > 0);
            CHILD_CHECK(d.rcInstrument.left >= box.left && d.rcInstrument.right <= box.right);
            CHILD_CHECK(d.rcInstrument.top >= box.top && d.rcInstrument.bottom <= box.bottom);
            CHILD_CHECK(d.ptAntenna.x >= box.left && d.ptAntenna.x <= box.right);
            CHILD_CHECK(d.ptAntenna.y >= box.top && d.ptAntenna.y <= box.bottom);
            // The antenna marker is drawn inside the box.
            CHILD_CHECK(PixelsOf(kAntennaRed).count > 0);
            PlatformClickButton(ahMenuButton[9]);
            return 0;
        });
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.exitCode, 0);
    }
}

// ---------------------------------------------------------------------------------------------------------------
// The long-uptime notice
// ---------------------------------------------------------------------------------------------------------------
const std::wstring kUptimeText =
    L"Windows has run for more than 20 days.\r\nPlease restart the system to ensure efficient use of Windows "
    L"timer.\r\nUse RESTART not SHUT DOWN.";

// A clock that starts at `first` and runs on with real time, or stands still at `first` (for the boundary).
std::function<unsigned int()> ClockFrom(unsigned int first, bool bRunning)
{
    if (!bRunning)
        return [first]() { return first; };
    return [first, t0 = std::chrono::steady_clock::now()]() {
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0);
        return (unsigned int)(first + (unsigned int)ms.count());
    };
}

TEST(StartScreen, ProgramStopAfterTwentyDaysEndsWithExitCodeZero)
{
    struct Case {
        const char *name;
        unsigned int tick;
        bool notice;
    };
    const Case cases[] = {
        {"exactly 20 days", 1728000000u, false},
        {"20 days and 1 second", 1728001000u, true},
        {"49 days", 0xFFFF0000u, true},
        {"after the 32-bit count wrapped", 1000u, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ProgramStart start;
        start.tickSource = ClockFrom(c.tick, c.notice);
        ChildResult r = RunProgramInChild(
            start,
            [&c]() {
                CHILD_CHECK(bLongUptime == (c.notice ? 1 : 0));
                // The first paint is over and it opened nothing: the notice waits for the message loop. (Without the
                // notice nothing waits on the clock, so it may stand still.)
                CHILD_CHECK(PlatformShownDialogs().empty());
                if (!c.notice) {
                    // A notice posted by the paint would come before this Exit.
                    PlatformScriptDialog(L"Program Stop", [](HWND) { ChildCheckFailed("no notice", __FILE__, 1); });
                    PostMessage(hwndMain, WM_COMMAND, MAKEWPARAM(429, BN_CLICKED), (LPARAM)ahMenuButton[9]);
                    return 0;
                }
                PlatformScriptDialog(L"Program Stop", [](HWND dialog) {
                    const std::vector<ShownDialog> shown = PlatformShownDialogs();
                    CHILD_CHECK(shown.size() == 1);
                    CHILD_CHECK(shown[0].templateName == L"MESSAGEOK" && shown[0].caption == L"Program Stop");
                    CHILD_CHECK(shown[0].text == kUptimeText);
                    // The start screen is complete under the box: its direction arrow, the last thing drawn.
                    const RECT box = Areas().rcBox;
                    HDC hdc = GetDC(hwndMain);
                    const int x = box.left + (box.right - box.left) * 5 / 100;
                    const int y = box.top + (box.bottom - box.top) * 40 / 100;
                    CHILD_CHECK(GetPixel(hdc, x, y) == RGB(255, 255, 255));
                    ReleaseDC(hwndMain, hdc);
                    PlatformPressDialogButton(dialog, IDOK);
                });
                return 0;
            },
            30);
        EXPECT_TRUE(r.exited);
        EXPECT_FALSE(r.timedOut);
        EXPECT_EQ(r.exitCode, 0);
    }
}

}  // namespace
