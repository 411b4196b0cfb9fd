// Pens, brushes and colour scale: the colour classes of readings, the channel slots of the array instruments,
// re-creation without leaks, and pens that draw in their colours.
#include <gtest/gtest.h>

#include "core/core.h"
#include "core/settings.h"
#include "displays/scales.h"
#include "map/pens.h"
#include "support/program_runner.h"

namespace {

void StartPlatformInChild(int instrumentType)
{
    static char arg0[] = "pens-test";
    static char *argv[] = {arg0, nullptr};
    hInst = PlatformInit(1, argv);
    nInstrumentType = instrumentType;
}

TEST(Pens, ColourClassOfAReading)
{
    struct { double value; int index; COLORREF colour; } cases[] = {
        {0.0, 0, 0xFF0020},     // the scale minimum
        {-5.0, 0, 0xFF0020},    // up to one class below the minimum
        {-9.99, 0, 0xFF0020},
        {-1000.0, 0, 0xFF0020}, // far below
        {255.0, 25, 0x00FF40},
        {80.0, 8, 0xFF6F00},
        {489.9, 48, 0x8000FF},
        {490.0, 49, 0xFF00FF},  // the last class
        {500.0, 49, 0xFF00FF},  // the scale maximum shows magenta
        {1e9, 49, 0xFF00FF},
    };
    ComputeColorStep(0.0, 500.0);
    EXPECT_DOUBLE_EQ(dColorStep, 10.0);
    for (const auto &c : cases) {
        int index = ColorScaleIndex(c.value, 0.0);
        EXPECT_EQ(index, c.index) << c.value;
        EXPECT_EQ(aclrColorScale[index], c.colour) << c.value;
    }
    // A scale below zero: -25..25 gives classes of 1.
    ComputeColorStep(-25.0, 25.0);
    EXPECT_EQ(ColorScaleIndex(-25.0, -25.0), 0);
    EXPECT_EQ(ColorScaleIndex(0.5, -25.0), 25);
    EXPECT_EQ(ColorScaleIndex(24.99, -25.0), 49);
    EXPECT_EQ(nColorScaleSteps, 49);
    EXPECT_EQ(aclrColorScale[50], 0xFFFFFFu);  // white: never a reading's colour
    EXPECT_EQ(aclrColorScale[19], 0x20FF00u);
}

TEST(Pens, GroupsMakeTheirObjectsAndReCreationLeaksNothing)
{
    ChildResult r = RunInChild([]() {
        StartPlatformInChild(INSTRUMENT_EM61MK2);
        int n0 = GdiObjectCount();
        CreateFixedPensAndBrushes();
        CHILD_CHECK(GdiObjectCount() - n0 == 36);
        CreateColorScalePens();
        CHILD_CHECK(GdiObjectCount() - n0 == 36 + 102);
        int n1 = GdiObjectCount();
        CreateTrackPens(0);
        CHILD_CHECK(GdiObjectCount() - n1 == 8);
        for (int i = 0; i < 5; i++)
            CreateTrackPens(1);
        CHILD_CHECK(GdiObjectCount() - n1 == 8);
        int n2 = GdiObjectCount();
        CreateChannelPens(0);
        CHILD_CHECK(GdiObjectCount() - n2 == 24);
        for (int k = 0; k < 8; k++)
            for (int j = k + 1; j < 8; j++)
                CHILD_CHECK(ahChannelPen[k] != ahChannelPen[j]);
        CreateChannelPens(1);
        CHILD_CHECK(GdiObjectCount() - n2 == 24);
        return 0;
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
}

TEST(Pens, ArrayInstrumentsShareChannelObjectsBetweenSlots)
{
    ChildResult r = RunInChild([]() {
        StartPlatformInChild(INSTRUMENT_EM384);
        int n0 = GdiObjectCount();
        CreateChannelPens(0);
        GdiObject **arrays[3] = {ahChannelPen, ahChannelPenThin, ahChannelBrush};
        for (GdiObject **a : arrays) {
            CHILD_CHECK(a[2] == a[0] && a[4] == a[1] && a[6] == a[1]);
            CHILD_CHECK(a[8] != nullptr && a[10] == a[8] && a[12] == a[3] && a[14] == a[3]);
            CHILD_CHECK(a[5] != nullptr && a[7] != nullptr && a[5] != a[7]);
        }
        const int q[4] = {0, 4, 8, 12}, i[4] = {2, 6, 10, 14};
        for (int k = 0; k < 4; k++)
            CHILD_CHECK(anBarQPenSlot[k] == q[k] && anBarIPenSlot[k] == i[k]);
        // Channels 4 and 6 serve no slot: their objects are not kept.
        CHILD_CHECK(GdiObjectCount() - n0 == 18);
        CreateChannelPens(1);
        CHILD_CHECK(GdiObjectCount() - n0 == 18);

        nInstrumentType = INSTRUMENT_CS21;
        CreateChannelPens(1);
        for (GdiObject **a : arrays)
            for (int k = 0; k < 4; k++)
                CHILD_CHECK(a[k + 4] == a[k] && a[k] != nullptr);
        for (int k = 0; k < 4; k++)
            CHILD_CHECK(anBarQPenSlot[k] == k && anBarIPenSlot[k] == k);
        CHILD_CHECK(GdiObjectCount() - n0 == 12);

        // Other instruments keep the bar slots the reading scales set.
        nInstrumentType = INSTRUMENT_EM31MK2;
        anBarQPenSlot[0] = 7;
        anBarIPenSlot[0] = 5;
        CreateChannelPens(1);
        CHILD_CHECK(anBarQPenSlot[0] == 7 && anBarIPenSlot[0] == 5);
        CHILD_CHECK(GdiObjectCount() - n0 == 24);
        return 0;
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
}

TEST(Pens, RemadeGroupsDrawInTheNewColours)
{
    ChildResult r = RunInChild([]() {
        StartPlatformInChild(INSTRUMENT_EM61MK2);
        clrPosition = RGB(0, 255, 0);
        CreateTrackPens(0);
        clrPosition = RGB(255, 0, 255);  // a new position colour chosen in the options
        CreateTrackPens(1);
        aclrChannel[2] = RGB(0, 128, 255);
        anChannelPenWidth[2] = 4;
        CreateChannelPens(0);
        CreateColorScalePens();
        HDC dc = PlatformCreateMemorySurface(60, 60);
        SelectObject(dc, hpenPosition);
        MoveToEx(dc, 5, 5, nullptr);
        LineTo(dc, 50, 5);
        SelectObject(dc, ahChannelPen[2]);
        MoveToEx(dc, 5, 30, nullptr);
        LineTo(dc, 50, 30);
        SelectObject(dc, ahColorScaleBrush[25]);
        RECT rc = {5, 45, 15, 55};
        FillRect(dc, &rc, ahColorScaleBrush[25]);
        CHILD_CHECK(GetPixel(dc, 20, 5) == RGB(255, 0, 255));
        CHILD_CHECK(GetPixel(dc, 20, 30) == RGB(0, 128, 255));
        int rows = 0;  // the 4-pixel pen covers about four rows
        for (int y = 24; y < 37; y++)
            if (GetPixel(dc, 20, y) == RGB(0, 128, 255))
                rows++;
        CHILD_CHECK(rows >= 3 && rows <= 5);
        CHILD_CHECK(GetPixel(dc, 10, 50) == 0x00FF40u);
        return 0;
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
}

}  // namespace
