// Labels the logging screen paints on its own surface, per instrument and setting: the mode, battery and current
// rows, the reading-scale labels (units, values, a label wider than its half column moved 10 pixels left), the
// pseudo GGA's tilt line labels, the GPS-only rows, the speed scale and the colour-scale strip.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/core.h"
#include "core/logging_command.h"
#include "core/settings.h"
#include "logscreen/logscreen.h"
#include "logscreen/status_panel.h"
#include "map/pens.h"
#include "support/program_runner.h"

namespace {

// The logging screen arranged, laid out and painted afresh; `beforePaint` may change what the paint reads.
void Paint(const std::function<void()> &beforePaint)
{
    ArrangeAndLayOutLogScreen();
    DeriveGraphScales();
    if (beforePaint) beforePaint();
    for (HWND h : ahMenuButton)
        if (h) ShowWindow(h, SW_HIDE);
    nActiveScreen = 1;
    ShowWindow(hwndLog, SW_SHOW);
    PlatformClearDrawnTexts();
    InvalidateRect(hwndLog, nullptr, TRUE);
    UpdateWindow(hwndLog);
}

// The text the paint drew on the logging screen, or nullptr.
const DrawnText *Drawn(const std::vector<DrawnText> &texts, const std::wstring &text)
{
    for (const DrawnText &t : texts)
        if (t.window == hwndLog && t.text == text) return &t;
    return nullptr;
}

std::string Narrow(const std::wstring &w)
{
    std::string s;
    for (wchar_t c : w) s += c < 128 ? (char)c : '?';
    return s;
}

// The settings a case starts from: a landscape Zanth screen with the map, GPS format 1 in geodetic units.
void Defaults()
{
    bInstrumentEnabled = 1;
    bGpsEnabled = 1;
    bGpsActive = 1;
    nGpsFormat = 1;
    bPseudoGga = 0;
    nCoordUnits = 0;
    nRecordingState = 0;
    nSurveyModePrev = 0;
    bTiltMeterOn = 0;
    nColorMapView = 0;
    nDipoleMode = 0;
    nComponent = 0;
    nInphaseUnits = 0;
    dScale1Min = -10.0, dScale1Max = 100.0;
    dScale2Min = -5.0, dScale2Max = 20.0;
    dSpeedScaleMin = 0.5, dSpeedScaleMax = 3.5;
}

struct LabelCase {
    const char *name;
    int type;
    std::function<void()> set;          // after the defaults, before the arrangement
    std::function<void()> beforePaint;  // after the arrangement (nullptr: nothing)
    std::vector<std::wstring> shown, absent;
};

const std::vector<std::wstring> kTiltLine = {L"SLAM:", L"R:", L"P:", L"Y:"};

void Pseudo()
{
    nGpsFormat = 7;
    bPseudoGga = 1;
}

std::vector<LabelCase> Cases()
{
    return {
        {"EM61-MK2", INSTRUMENT_EM61MK2, [] {}, nullptr,
         {L"Mode: ", L"Battery: ", L"Current: ", L"100.0 mV", L"-10.0 mV", L"Tilt Meter: Disabled"},
         {L"Selected for file :", L"SLAM:", L"Roll:"}},
        {"EM61-MK2 tilt meter on", INSTRUMENT_EM61MK2, [] { bTiltMeterOn = 1; }, nullptr,
         {L"Tilt Meter:", L"Roll:", L"Pitch:"}, {L"Tilt Meter: Disabled"}},
        {"EM61-MK2 pseudo GGA", INSTRUMENT_EM61MK2, Pseudo, nullptr, kTiltLine, {}},
        {"EM61-MK2 GPS only", INSTRUMENT_EM61MK2, [] { bInstrumentEnabled = 0; }, nullptr,
         {L"Instrument", L"Disabled", L"GXY Mode"}, {L"Mode: ", L"100.0 mV"}},
        {"EM61-LX2", INSTRUMENT_EM61LX2, [] {}, nullptr, {L"Battery: ", L"Current: ", L"100.0 mV", L"-10.0 mV"},
         {L"Mode: ", L"B:", L"T:"}},
        {"EM61-LX2 narrow profile", INSTRUMENT_EM61LX2, [] {}, [] { nCurveWndWidth = 300; }, {L"B:", L"T:"},
         {L"Battery: ", L"Current: "}},
        {"EM61-LX2 pseudo GGA", INSTRUMENT_EM61LX2, Pseudo, nullptr, {}, kTiltLine},
        {"Grad601", INSTRUMENT_GRAD601, [] {}, nullptr, {L"100.0 nT/m", L"-10.0 nT/m", L"Gradient [nT/m]"},
         {L"Mode: ", L"Selected for file :"}},
        {"Grad601 pseudo GGA", INSTRUMENT_GRAD601, Pseudo, nullptr, kTiltLine, {}},
        {"EM31-MK2 vertical, both components", INSTRUMENT_EM31MK2, [] {}, nullptr,
         {L"Selected for file :", L"Dipole: Vertical", L"Component: Both", L"100mS/m", L"-10mS/m", L"20ppt",
          L"-5ppt"},
         {L"Mode: "}},
        {"EM31-MK2 horizontal, conductivity", INSTRUMENT_EM31MK2, [] { nDipoleMode = 1, nComponent = 2; }, nullptr,
         {L"Dipole: Horiz.", L"Component: Conductivity"}, {L"Dipole: Vertical"}},
        {"EM31-MK2 in-phase", INSTRUMENT_EM31MK2, [] { nComponent = 1; }, nullptr, {L"Component: Inph."}, {}},
        {"EM31-MK2 pseudo GGA", INSTRUMENT_EM31MK2, Pseudo, nullptr, kTiltLine, {}},
        {"EM38 in-phase", INSTRUMENT_EM38, [] { nComponent = 1; }, nullptr,
         {L"Selected for file :", L"Dipole: Vertical", L"Comp.: Inph.", L"100mS/m", L"20ppt"}, {L"Comp.: Cond."}},
        {"EM38 conductivity", INSTRUMENT_EM38, [] { nDipoleMode = 1; }, nullptr,
         {L"Dipole: Horiz.", L"Comp.: Cond."}, {}},
        {"EM38 pseudo GGA", INSTRUMENT_EM38, Pseudo, nullptr, {}, kTiltLine},
        {"EM34-3 manual", INSTRUMENT_EM34, [] { nSurveyModePrev = 2, nEm34Configuration = 6; }, nullptr,
         {L"Survey: Manual", L"   6  Readings", L"100mS/m", L"-10mS/m"},
         {L"Selected for file :", L"20ppt", L"-5ppt"}},
        {"EM34-3 auto, vertical 10 m", INSTRUMENT_EM34,
         [] { nEm34DipoleLetter = 'V', nEm34Separation = 10; }, nullptr,
         {L"Selected for file :", L"Dipole: Vertical", L"Sep:    10 m"}, {L"Survey: Manual"}},
        {"EM34-3 auto, horizontal 40 m", INSTRUMENT_EM34,
         [] { nDipoleMode = 5, nEm34DipoleLetter = 'H', nEm34Separation = 40; }, nullptr,
         {L"Dipole: Horiz.", L"Sep:    40 m"}, {L"Dipole: Vertical"}},
        // The dipole mode numbers the coil configuration: 1 is vertical at 20 m.
        {"EM34-3 auto, vertical 20 m", INSTRUMENT_EM34,
         [] { nDipoleMode = 1, nEm34DipoleLetter = 'V', nEm34Separation = 20; }, nullptr,
         {L"Dipole: Vertical", L"Sep:    20 m"}, {L"Dipole: Horiz."}},
        {"EM34-3 pseudo GGA", INSTRUMENT_EM34, Pseudo, nullptr, {}, kTiltLine},
        {"EM38-MK2", INSTRUMENT_EM38MK2, [] { nDipoleMode = 1; }, nullptr,
         {L"Selected for file :", L"Dipole: Horiz.", L"100mS/m", L"20ppt"}, {L"Component: Both", L"Comp.: Cond."}},
        {"EM38-MK2 pseudo GGA", INSTRUMENT_EM38MK2, Pseudo, nullptr, kTiltLine, {}},
        {"EM38-4 in-phase in ppt", INSTRUMENT_EM384, [] {}, nullptr, {L"100mS/m", L"20ppt", L"-5ppt"},
         {L"Selected for file :", L"Mode: "}},
        {"EM38-4 in-phase in mS/m", INSTRUMENT_EM384, [] { nInphaseUnits = 1; }, nullptr, {L"20mS/m", L"-5mS/m"},
         {L"20ppt"}},
        {"EM38-4 pseudo GGA", INSTRUMENT_EM384, Pseudo, nullptr, {}, kTiltLine},
        {"CS-21 in-phase in mS/m", INSTRUMENT_CS21, [] { nInphaseUnits = 1; }, nullptr, {L"100mS/m", L"20mS/m"},
         {L"20ppt", L"Selected for file :"}},
        {"CS-21 in-phase in ppt", INSTRUMENT_CS21, [] {}, nullptr, {L"20ppt"}, {L"20mS/m"}},
    };
}

int CheckCase(const LabelCase &c)
{
    Defaults();
    c.set();
    Paint(c.beforePaint);
    const std::vector<DrawnText> texts = PlatformDrawnTexts();
    int nBad = 0;
    for (const std::wstring &s : c.shown)
        if (!Drawn(texts, s)) {
            std::fprintf(stderr, "%s: \"%s\" not drawn\n", c.name, Narrow(s).c_str());
            nBad++;
        }
    for (const std::wstring &s : c.absent)
        if (Drawn(texts, s)) {
            std::fprintf(stderr, "%s: \"%s\" drawn\n", c.name, Narrow(s).c_str());
            nBad++;
        }
    return nBad;
}

ProgramStart StartOf(int type)
{
    ProgramStart start;
    start.instrumentType = type;
    start.jixProduct = 0;
    start.screenWidth = 1280;
    start.screenHeight = 800;
    return start;
}

}  // namespace

TEST(LogScreenPaintLabels, ModeRowsScaleLabelsAndTiltLinePerInstrumentAndSetting)
{
    const int anType[] = {INSTRUMENT_EM61MK2, INSTRUMENT_EM61LX2, INSTRUMENT_GRAD601, INSTRUMENT_EM31MK2,
                          INSTRUMENT_EM38,    INSTRUMENT_EM34,    INSTRUMENT_EM38MK2, INSTRUMENT_EM384,
                          INSTRUMENT_CS21};
    for (int type : anType) {
        SCOPED_TRACE(type);
        ChildResult r = RunProgramInChild(StartOf(type), [type]() {
            PlatformAnswerDialog(L"MESSAGEOK", IDOK, true);
            int nBad = 0;
            for (const LabelCase &c : Cases())
                if (c.type == type) nBad += CheckCase(c);
            CHILD_CHECK(nBad == 0);
            PostMessage(hwndMain, WM_CLOSE, 0, 0);
            return 0;
        });
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.exitCode, 0);
    }
}

// A scale label wider than its half of the column stands 10 pixels further left; a narrower one is centred in its
// half. The speed scale's ends stand at the left margin and right-aligned to the map's right edge.
TEST(LogScreenPaintLabels, WideScaleLabelMovesLeftAndTheSpeedScaleSpansTheBar)
{
    ChildResult r = RunProgramInChild(StartOf(INSTRUMENT_EM31MK2), []() {
        PlatformAnswerDialog(L"MESSAGEOK", IDOK, true);
        Defaults();
        dScale1Max = 123456.0;
        dScale1Min = 0.0;
        Paint(nullptr);
        const std::vector<DrawnText> texts = PlatformDrawnTexts();
        const int h = 110 / 2;
        for (const wchar_t *sz : {L"123456mS/m", L"0mS/m"}) {
            const DrawnText *t = Drawn(texts, sz);
            CHILD_CHECK(t != nullptr);
            const int w = t->cell.right - t->cell.left;
            const int x = nStatusPanelX - (w > h ? 10 : 0) + (h - w) / 2;
            if (t->cell.left != x) std::fprintf(stderr, "%ls at %d, not %d\n", sz, (int)t->cell.left, x);
            CHILD_CHECK(t->cell.left == x);
        }
        CHILD_CHECK(Drawn(texts, L"123456mS/m")->cell.right - Drawn(texts, L"123456mS/m")->cell.left > h);

        CHILD_CHECK(Drawn(texts, L"Speed:") != nullptr);
        const DrawnText *min = Drawn(texts, L"0.5"), *max = Drawn(texts, L"3.5");
        CHILD_CHECK(min != nullptr && max != nullptr);
        CHILD_CHECK(min->cell.left == nLayoutMarginX);
        CHILD_CHECK(max->cell.right == nMapWndX + nMapViewPixels);
        CHILD_CHECK(min->cell.top == rcSpeedValue.top && max->cell.top == rcSpeedValue.top);
        PostMessage(hwndMain, WM_CLOSE, 0, 0);
        return 0;
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
}

// The colour-scale strip: drawn only with the map shown and a colour channel chosen, colour 0 in the bottom band
// and the last colour in the top band.
TEST(LogScreenPaintLabels, ColourStripOnlyWithTheMapAndAChannelColourZeroAtTheBottom)
{
    ChildResult r = RunProgramInChild(StartOf(INSTRUMENT_EM61MK2), []() {
        PlatformAnswerDialog(L"MESSAGEOK", IDOK, true);
        for (int view : {1, 0}) {
            for (int active : {1, 0}) {
                Defaults();
                nColorMapView = view;
                bGpsActive = active;
                Paint(nullptr);
                if (nScaleStripWidth < 4) {
                    CHILD_CHECK(!(view && active));  // a strip needs its room
                    continue;
                }
                const int x = nScaleStripX + nScaleStripWidth / 2;
                const int bottom = nBarColumnY + nCurveAreaHeightB;
                HDC hdc = GetDC(hwndLog);
                const COLORREF cBottom = GetPixel(hdc, x, bottom - 2);
                const COLORREF cTop = GetPixel(hdc, x, nBarColumnY + 3);
                ReleaseDC(hwndLog, hdc);
                std::fprintf(stderr, "view %d map %d: bottom %06x top %06x\n", view, active, (unsigned)cBottom,
                             (unsigned)cTop);
                if (view && active) {
                    CHILD_CHECK(cBottom == aclrColorScale[0]);
                    CHILD_CHECK(cTop == aclrColorScale[nColorScaleSteps]);
                } else {
                    CHILD_CHECK(cBottom != aclrColorScale[0]);
                }
            }
        }
        PostMessage(hwndMain, WM_CLOSE, 0, 0);
        return 0;
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
}
