// Geometry diagram of the start screen: extents, scale, instrument rectangle and antenna for each instrument, the
// one-sensor gradiometer with no extent across, offsets from a hostile configuration that must stay in range, and
// the summary's metrics on portrait screens.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>

#include "core/core.h"
#include "core/settings.h"
#include "core/start_screen.h"
#include "support/program_runner.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kMax = std::numeric_limits<double>::max();

const RECT kBox = {20, 250, 795, 708};  // a landscape 1272 x 728 client's box
const int kBoxW = 775, kBoxH = 458;

void StartInstrument(int type)
{
    nInstrumentType = type;
    bJixProduct = 1;
    RestoreInitialSettings();
    ApplyStartupDefaults();
    bGpsEnabled = 1;
    dGpsOffsetX = 0;
    dGpsOffsetY = 0;
}

struct DiagramCase {
    const char *name;
    int type;
    std::function<void()> setup;
    double extentAcross, extentAlong, centre;
    // Where the antenna stands against the instrument rectangle: 'a' above it, 'b' below it, 'i' inside it,
    // 'l' left of it, 'r' right of it.
    char antennaAt;
};

TEST(GeometryDiagram, ExtentsScaleAndAntennaPerInstrument)
{
    const DiagramCase cases[] = {
        {"hand-held coil, antenna 2 m ahead", INSTRUMENT_EM61MK2, [] { nSensorSize = 4; dGpsOffsetY = 2; },
         0.3, 2.075, 2.0, 'a'},
        {"1 x 0.5 m coil, antenna on it", INSTRUMENT_EM61MK2, [] {}, 1.0, 0.5, 0.25, 'i'},
        {"1 x 1 m coil, antenna 1.5 m behind", INSTRUMENT_EM61MK2, [] { nSensorSize = 2; dGpsOffsetY = -1.5; },
         1.0, 2.0, 0.5, 'b'},
        {"two LX2 coils, antenna 2 m left", INSTRUMENT_EM61LX2, [] { nSensorsMinus1 = 1; dGpsOffsetX = -2; },
         3.0, 0.5, 0.25, 'l'},
        {"one LX2 coil, antenna 1 m right", INSTRUMENT_EM61LX2, [] { nSensorsMinus1 = 0; dGpsOffsetX = 1; }, 1.5,
         0.5, 0.25, 'r'},
        {"EM31-MK2 standard, default offset", INSTRUMENT_EM31MK2, [] { dGpsOffsetX = -0.3; }, 0.38, 3.6, 1.8, 'l'},
        {"EM31-MK2 short", INSTRUMENT_EM31MK2, [] { nEm31Type = 1; }, 0.16, 2.0, 1.0, 'i'},
        {"EM34-3 leading coil reference", INSTRUMENT_EM34, [] { nReference = 0; }, 1.2, 10.0, 5.0, 'i'},
        {"EM34-3 leading coil reference, antenna 1 m ahead", INSTRUMENT_EM34,
         [] { nReference = 0; dGpsOffsetY = 1; }, 1.2, 11.0, 6.0, 'a'},
        {"EM34-3 trailing coil reference, antenna 1 m behind", INSTRUMENT_EM34,
         [] { nReference = 1; dGpsOffsetY = -1; }, 1.2, 11.0, 5.0, 'b'},
        {"CS-21", INSTRUMENT_CS21, [] { dGpsOffsetX = -0.3; }, 0.32, 2.0, 1.0, 'l'},
        {"Grad601 two sensors", INSTRUMENT_GRAD601, [] { nSensorsMinus1 = 1; dSensorSeparation = 1; }, 1.0, 0.1,
         0.05, 'i'},
    };
    for (const DiagramCase &c : cases) {
        SCOPED_TRACE(c.name);
        StartInstrument(c.type);
        c.setup();
        GeometryDiagram d;
        ASSERT_EQ(ComputeGeometryDiagram(kBox, &d), 1);
        EXPECT_NEAR(d.dExtentAcross, c.extentAcross, 1e-12);
        EXPECT_NEAR(d.dExtentAlong, c.extentAlong, 1e-12);
        EXPECT_NEAR(d.dCentre, c.centre, 1e-12);
        EXPECT_NEAR(d.dScale, std::min(0.6 * kBoxW / c.extentAcross, 0.6 * kBoxH / c.extentAlong), 1e-9);
        // The diagram is centred in the box and fills 60 % of it one way.
        const RECT &rc = d.rcInstrument;
        EXPECT_GE(rc.left, kBox.left + kBoxW / 5 - 1);
        EXPECT_LE(rc.right, kBox.right - kBoxW / 5 + 1);
        EXPECT_GE(d.ptAntenna.y, kBox.top + kBoxH / 5 - 1);
        EXPECT_LE(d.ptAntenna.y, kBox.bottom - kBoxH / 5 + 1);
        const POINT p = d.ptAntenna;
        switch (c.antennaAt) {
        case 'a': EXPECT_LT(p.y + d.nAntennaRadius, rc.top); break;
        case 'b': EXPECT_GT(p.y - d.nAntennaRadius, rc.bottom); break;
        case 'l': EXPECT_LT(p.x, rc.left); break;
        case 'r': EXPECT_GT(p.x, rc.right); break;
        default: EXPECT_TRUE(p.x >= rc.left && p.x <= rc.right && p.y >= rc.top - 1 && p.y <= rc.bottom + 1);
        }
        EXPECT_EQ(d.bAntenna, 1);
    }
}

TEST(GeometryDiagram, HandHeldCoilWithTheAntennaTwoMetresAheadStandsAtTheTop)
{
    StartInstrument(INSTRUMENT_EM61MK2);
    nSensorSize = 4;
    dGpsOffsetY = 2;
    GeometryDiagram d;
    ASSERT_EQ(ComputeGeometryDiagram(kBox, &d), 1);
    const double s = 0.6 * kBoxH / 2.075;  // the length decides
    EXPECT_NEAR(d.dScale, s, 1e-9);
    const int y0 = kBox.top + (int)((kBoxH - s * 2.075) / 2);
    // The antenna is at the diagram's top edge, the coil at its bottom, both on the centre line across.
    EXPECT_NEAR(d.ptAntenna.y, y0, 1);
    EXPECT_NEAR(d.rcInstrument.bottom, y0 + s * 2.075, 1.5);
    EXPECT_NEAR(d.rcInstrument.right - d.rcInstrument.left, s * 0.3, 1);
    EXPECT_NEAR(d.rcInstrument.bottom - d.rcInstrument.top, s * 0.15, 1);
    EXPECT_NEAR(d.ptAntenna.x, (d.rcInstrument.left + d.rcInstrument.right) / 2.0, 1);
    EXPECT_NEAR(d.nAntennaRadius, s * 0.1, 1);
}

TEST(GeometryDiagram, OneGradiometerSensorUnderTheAntennaHasNoExtentAcrossAndAFiniteScale)
{
    StartInstrument(INSTRUMENT_GRAD601);
    nSensorsMinus1 = 0;
    GeometryDiagram d;
    ASSERT_EQ(ComputeGeometryDiagram(kBox, &d), 1);
    EXPECT_EQ(d.dExtentAcross, 0.0);
    EXPECT_TRUE(std::isfinite(d.dScale));
    EXPECT_NEAR(d.dScale, 0.6 * kBoxH / 0.1, 1e-9);  // the length alone decides
    EXPECT_EQ(d.rcInstrument.right - d.rcInstrument.left, 0);
    EXPECT_EQ(d.rcInstrument.left, kBox.left + kBoxW / 2);
    EXPECT_LE(d.rcInstrument.bottom - d.rcInstrument.top, 30);  // drawn at most 30 pixels high
    EXPECT_EQ(d.nAntennaRadius, 45);                            // and its antenna at most 45 pixels
    EXPECT_EQ(d.ptAntenna.x, d.rcInstrument.left);
    EXPECT_EQ(d.ptAntenna.y, d.rcInstrument.top);  // antenna on the sensor axis
}

TEST(GeometryDiagram, SmallAntennaMarkersAreAtLeastFourPixelsAcross)
{
    StartInstrument(INSTRUMENT_EM38);
    dGpsOffsetX = 30;  // a far antenna makes the scale small
    GeometryDiagram d;
    ASSERT_EQ(ComputeGeometryDiagram(kBox, &d), 1);
    EXPECT_LT(2 * d.dScale * 0.1, 4);
    EXPECT_EQ(d.nAntennaRadius, 4);
}

TEST(GeometryDiagram, GpsDisabledDrawsNoAntenna)
{
    StartInstrument(INSTRUMENT_EM61MK2);
    bGpsEnabled = 0;
    GeometryDiagram d;
    ASSERT_EQ(ComputeGeometryDiagram(kBox, &d), 1);
    EXPECT_EQ(d.bAntenna, 0);
}

TEST(GeometryDiagram, NoBoxNoDiagram)
{
    StartInstrument(INSTRUMENT_EM61MK2);
    GeometryDiagram d;
    EXPECT_EQ(ComputeGeometryDiagram(RECT{20, 250, 20, 400}, &d), 0);
    EXPECT_EQ(ComputeGeometryDiagram(RECT{20, 250, 400, 240}, &d), 0);
}

// Offsets as a damaged or hostile configuration may hold them: every pixel stays near the box, nothing overflows.
TEST(GeometryDiagram, HostileOffsetsStayInsideTheBox)
{
    struct HostileCase {
        int type;
        double x, y;
        int sensors;
    };
    const HostileCase cases[] = {
        {INSTRUMENT_EM61MK2, 1e300, 1e300, 1},   {INSTRUMENT_EM61MK2, -1e300, -1e300, 1},
        {INSTRUMENT_EM61MK2, kMax, -kMax, 1},    {INSTRUMENT_EM61MK2, -kMax, kMax, 1},
        {INSTRUMENT_EM61MK2, kInf, -kInf, 1},    {INSTRUMENT_EM61MK2, kNaN, kNaN, 1},
        {INSTRUMENT_GRAD601, 0, kMax, 0},        {INSTRUMENT_GRAD601, -kMax, 0, 0},
        {INSTRUMENT_GRAD601, 2.5e9, -3e9, 1},    {INSTRUMENT_EM34, -4e9, 4e9, 1},
        {INSTRUMENT_EM34, 1e-300, -1e-300, 1},   {INSTRUMENT_EM31MK2, kNaN, 1e12, 1},
    };
    for (const HostileCase &c : cases) {
        SCOPED_TRACE("type " + std::to_string(c.type) + " x " + std::to_string(c.x) + " y " + std::to_string(c.y));
        StartInstrument(c.type);
        nSensorsMinus1 = c.sensors;
        dGpsOffsetX = c.x;
        dGpsOffsetY = c.y;
        GeometryDiagram d;
        ASSERT_EQ(ComputeGeometryDiagram(kBox, &d), 1);
        EXPECT_TRUE(std::isfinite(d.dScale) && d.dScale > 0);
        EXPECT_TRUE(std::isfinite(d.dExtentAcross) && std::isfinite(d.dExtentAlong));
        const RECT &rc = d.rcInstrument;
        EXPECT_TRUE(rc.left >= kBox.left && rc.right <= kBox.right && rc.top >= kBox.top && rc.bottom <= kBox.bottom)
            << rc.left << "," << rc.top << "-" << rc.right << "," << rc.bottom;
        EXPECT_TRUE(d.ptAntenna.x >= kBox.left && d.ptAntenna.x <= kBox.right && d.ptAntenna.y >= kBox.top &&
                    d.ptAntenna.y <= kBox.bottom)
            << d.ptAntenna.x << "," << d.ptAntenna.y;
        EXPECT_GE(d.nAntennaRadius, 4);
        EXPECT_LE(d.nAntennaRadius, kBoxH);
    }
}

// The smaller font, pitch and label column of a portrait client below 900 pixels high, and the larger ones above.
TEST(StartScreen, SummaryMetricsFollowTheClientHeight)
{
    for (int small : {1, 0}) {
        SCOPED_TRACE(small ? "portrait below 900" : "portrait 900 and more");
        ChildResult r = RunInChild([small]() {
            // The summary alone on a memory surface of the program's fonts, with the client height set.
            setenv("ULVANE_ROOT", MakeTestRootFolder("summary-metrics").c_str(), 1);
            static char arg0[] = "start-screen-test";
            static char *argv[] = {arg0, nullptr};
            PlatformInit(1, argv);
            nInstrumentType = INSTRUMENT_EM61MK2;
            bJixProduct = 1;
            RestoreInitialSettings();
            ApplyStartupDefaults();
            bPortrait = 1;
            nClientWidth = 632;
            nClientHeight = small ? 899 : 900;
            hFontSummary = CreateFont(16, 0, 0, 0, 400, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, L"Microsoft Sans Serif");
            hFontLight = CreateFont(20, 0, 0, 0, 200, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, L"Microsoft Sans Serif");
            HDC hdc = PlatformCreateMemorySurface(nClientWidth, 400);
            PlatformClearDrawnTexts();
            CHILD_CHECK(DrawCurrentSettings(hdc, 20, nClientWidth - 24, 40) != 0);
            const int nPitch = small ? 18 : 25, nGap = small ? 23 : 25, nColumn = small ? 130 : 160;
            int yMode = -1, yIncrement = -1, xLabel = -1, xValue = -1, yHeaders = -1;
            for (const DrawnText &t : PlatformDrawnTexts()) {
                if (t.text == L"Survey Mode:") { yMode = t.cell.top; xLabel = t.cell.left; }
                if (t.text == L"AUTO") xValue = t.cell.left;
                if (t.text == L"Station Increment:") yIncrement = t.cell.top;
                if (t.text == L"SURVEY PARAMETERS") yHeaders = t.cell.top;
            }
            CHILD_CHECK(yHeaders == 40 + nGap && yMode == 40 + 2 * nGap);
            CHILD_CHECK(yIncrement == yMode + 5 * nPitch);
            CHILD_CHECK(xValue - xLabel == nColumn);
            HGDIOBJ font = SelectObject(hdc, hFontLight);  // the summary left its font selected
            CHILD_CHECK(font == (small ? hFontSummary : hFontLight));
            DeleteDC(hdc);
            return 0;
        });
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.exitCode, 0);
    }
}

}  // namespace
