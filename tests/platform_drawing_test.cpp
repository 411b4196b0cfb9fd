// Drawing layer tests: classic geometry, raster operations, text placement and object lifetimes, checked by pixels.
#include "platform/platform.h"

#include <QApplication>
#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

// Fonts need an application object; tests run without a display.
class DrawingEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        if (!QCoreApplication::instance()) {
            static int argc = 1;
            static char name[] = "platform_drawing_test";
            static char *argv[] = {name, nullptr};
            new QApplication(argc, argv);
        }
    }
};
const ::testing::Environment *const environment = ::testing::AddGlobalTestEnvironment(new DrawingEnvironment);

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

struct Surface {
    HDC dc;
    int w, h;
    Surface(int w_, int h_) : dc(PlatformCreateMemorySurface(w_, h_)), w(w_), h(h_) {}
    ~Surface() { DeleteDC(dc); }
    COLORREF At(int x, int y) const { return GetPixel(dc, x, y); }
    // Bounding box of the pixels that are not white (left, top, right, bottom inclusive); count of such pixels.
    int Ink(RECT *box = nullptr) const {
        int n = 0;
        RECT b{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++)
                if (At(x, y) != kWhite) {
                    n++;
                    b.left = std::min(b.left, x);
                    b.top = std::min(b.top, y);
                    b.right = std::max(b.right, x);
                    b.bottom = std::max(b.bottom, y);
                }
        if (box) *box = b;
        return n;
    }
    std::string Dump() const {
        std::string s;
        for (int y = 0; y < h; y++) {
            for (int x = 0; x < w; x++) s += At(x, y) == kWhite ? '.' : '#';
            s += '\n';
        }
        return s;
    }
};

TEST(PlatformDrawing, FreshSurfaceIsWhiteAndReadsOutsideAsInvalid) {
    Surface s(8, 5);
    EXPECT_EQ(s.Ink(), 0);
    EXPECT_EQ(s.At(8, 0), CLR_INVALID);
    EXPECT_EQ(s.At(0, -1), CLR_INVALID);
}

// Rectangle(2, 3, 8, 9) with a red one-pixel pen and a blue brush: outline on columns 2 and 7 and rows 3 and 8,
// blue inside, nothing on column 8 or row 9; the same whichever corners are given first.
TEST(PlatformDrawing, RectangleLeavesOutRightAndBottomEdgeWithCornersInEitherOrder) {
    const int corners[][4] = {{2, 3, 8, 9}, {8, 9, 2, 3}, {8, 3, 2, 9}, {2, 9, 8, 3}};
    for (const auto &c : corners) {
        Surface s(12, 12);
        HPEN pen = CreatePen(PS_SOLID, 1, kRed);
        HBRUSH brush = CreateSolidBrush(kBlue);
        HGDIOBJ oldPen = SelectObject(s.dc, pen);
        HGDIOBJ oldBrush = SelectObject(s.dc, brush);
        ASSERT_TRUE(Rectangle(s.dc, c[0], c[1], c[2], c[3]));
        for (int y = 0; y < 12; y++)
            for (int x = 0; x < 12; x++) {
                COLORREF want = kWhite;
                if (x >= 2 && x <= 7 && y >= 3 && y <= 8)
                    want = (x == 2 || x == 7 || y == 3 || y == 8) ? kRed : kBlue;
                ASSERT_EQ(s.At(x, y), want) << "corners " << c[0] << "," << c[1] << "," << c[2] << "," << c[3]
                                            << " pixel " << x << "," << y << "\n" << s.Dump();
            }
        SelectObject(s.dc, oldPen);
        SelectObject(s.dc, oldBrush);
        DeleteObject(pen);
        DeleteObject(brush);
    }
}

TEST(PlatformDrawing, NullPenAndNullBrushDrawNothingOfTheirPart) {
    Surface s(10, 10);
    SelectObject(s.dc, GetStockObject(NULL_PEN));
    HBRUSH brush = CreateSolidBrush(kBlue);
    SelectObject(s.dc, brush);
    Rectangle(s.dc, 1, 1, 5, 5);  // brush only: the whole [1,5) x [1,5)
    RECT box;
    EXPECT_EQ(s.Ink(&box), 16);
    EXPECT_EQ(box.left, 1);
    EXPECT_EQ(box.bottom, 4);
    EXPECT_EQ(s.At(1, 1), kBlue);

    Surface t(10, 10);
    SelectObject(t.dc, GetStockObject(NULL_BRUSH));
    Rectangle(t.dc, 1, 1, 6, 6);  // default black pen, hollow inside
    EXPECT_EQ(t.At(1, 1), kBlack);
    EXPECT_EQ(t.At(5, 5), kBlack);
    EXPECT_EQ(t.At(3, 3), kWhite);
    EXPECT_EQ(t.Ink(), 16);
    DeleteDC(s.dc);
    s.dc = nullptr;
    DeleteObject(brush);
}

// Lines drawn from A to B cover A and every pixel up to, but not including, B.
TEST(PlatformDrawing, LineLeavesOutItsLastPixel) {
    struct Case { int x0, y0, x1, y1; int pixels; };
    const Case cases[] = {
        {1, 1, 6, 1, 5},   // right
        {6, 1, 1, 1, 5},   // left
        {3, 2, 3, 9, 7},   // down
        {3, 9, 3, 2, 7},   // up
        {1, 1, 5, 5, 4},   // diagonal
        {4, 4, 4, 4, 0},   // zero length with a thin pen: nothing
    };
    for (const Case &c : cases) {
        Surface s(12, 12);
        MoveToEx(s.dc, c.x0, c.y0, nullptr);
        LineTo(s.dc, c.x1, c.y1);
        EXPECT_EQ(s.Ink(), c.pixels) << c.x0 << "," << c.y0 << " -> " << c.x1 << "," << c.y1 << "\n" << s.Dump();
        EXPECT_EQ(s.At(c.x1, c.y1), kWhite);
        if (c.pixels > 0) {
            EXPECT_EQ(s.At(c.x0, c.y0), kBlack);
        }
    }
    // The diagonal covers exactly (1,1) .. (4,4).
    Surface d(8, 8);
    MoveToEx(d.dc, 1, 1, nullptr);
    LineTo(d.dc, 5, 5);
    for (int i = 1; i <= 4; i++) EXPECT_EQ(d.At(i, i), kBlack) << i;
}

TEST(PlatformDrawing, LineToMovesThePositionAndPolylineJoinsWithoutGaps) {
    Surface s(12, 12);
    POINT old{-1, -1};
    MoveToEx(s.dc, 1, 1, &old);
    EXPECT_EQ(old.x, 0);
    EXPECT_EQ(old.y, 0);
    LineTo(s.dc, 5, 1);
    LineTo(s.dc, 5, 5);  // continues from (5,1), so (5,1) is drawn now
    EXPECT_EQ(s.At(5, 1), kBlack);
    EXPECT_EQ(s.At(5, 5), kWhite);
    EXPECT_EQ(s.Ink(), 8);

    Surface p(12, 12);
    POINT pts[] = {{1, 1}, {8, 1}, {8, 6}};
    Polyline(p.dc, pts, 3);
    EXPECT_EQ(p.Ink(), 12);  // 7 across, 5 down, the final point left out
    EXPECT_EQ(p.At(8, 1), kBlack);
    EXPECT_EQ(p.At(8, 6), kWhite);
}

// Lines to points far off the surface (a zoomed-in map) draw their visible part, pixel for pixel the same as
// the part of an unclipped line, and return at once.
TEST(PlatformDrawing, ClippedAndFarOffLinesMatchTheUnclippedLine) {
    Surface row(16, 8);
    MoveToEx(row.dc, -1000000000, 5, nullptr);
    LineTo(row.dc, 1000000000, 5);
    EXPECT_EQ(row.Ink(), 16);
    EXPECT_EQ(row.At(0, 5), kBlack);
    EXPECT_EQ(row.At(15, 5), kBlack);

    Surface diagonal(16, 16);
    MoveToEx(diagonal.dc, -2000000000, -2000000000, nullptr);
    LineTo(diagonal.dc, 2000000000, 2000000000);
    EXPECT_EQ(diagonal.Ink(), 16);
    for (int i = 0; i < 16; i++) EXPECT_EQ(diagonal.At(i, i), kBlack) << i;

    // Shallow and steep lines in all directions, clipped by a box and by the surface edge.
    const int lines[][4] = {{0, 0, 23, 9}, {23, 9, 0, 0}, {2, 21, 19, 1}, {19, 1, 2, 21}, {-7, 3, 30, 17},
                            {5, -9, 12, 30}, {30, 20, -5, 2}};
    for (const auto &l : lines) {
        Surface whole(24, 24), clipped(24, 24);
        MoveToEx(whole.dc, l[0], l[1], nullptr);
        LineTo(whole.dc, l[2], l[3]);
        IntersectClipRect(clipped.dc, 5, 4, 17, 15);
        MoveToEx(clipped.dc, l[0], l[1], nullptr);
        LineTo(clipped.dc, l[2], l[3]);
        ASSERT_GT(whole.Ink(), 0);
        for (int y = 0; y < 24; y++)
            for (int x = 0; x < 24; x++) {
                bool inside = x >= 5 && x < 17 && y >= 4 && y < 15;
                COLORREF want = inside ? whole.At(x, y) : kWhite;
                ASSERT_EQ(clipped.At(x, y), want) << l[0] << "," << l[1] << " -> " << l[2] << "," << l[3] << " at "
                                                  << x << "," << y << "\n" << whole.Dump() << "\n" << clipped.Dump();
            }
    }
}

// Lines whose spans pass 2^31 and 2^32 / 2 at every slope: each visible pixel sits at the minor offset
// round(i x minor / major) of its step i, worked out here in 128 bits.
TEST(PlatformDrawing, VeryLongLinesKeepTheirExactPixels) {
    struct Line {
        int x0, y0, x1, y1;
    };
    const Line lines[] = {{-2147483647, -3, 2147483647, 40},   {-2147483000, 50, 2147483600, -9},
                          {2147483647, 17, -2147483648, 30},   {-1999999999, -1234567, 2000000001, 1234601},
                          {-2147483648, -2147483648, 2147483647, 2147483647}, {-5, -2147483000, 30, 2147483000},
                          {-1000000000, 7, 1000000000, 8}};
    for (const Line &l : lines) {
        Surface s(40, 40);
        MoveToEx(s.dc, l.x0, l.y0, nullptr);
        LineTo(s.dc, l.x1, l.y1);
        const int64_t adx = std::llabs(int64_t(l.x1) - l.x0), ady = std::llabs(int64_t(l.y1) - l.y0);
        const bool xMajor = adx >= ady;
        const int64_t major = xMajor ? adx : ady, minor = xMajor ? ady : adx;
        const int sx = l.x0 < l.x1 ? 1 : -1, sy = l.y0 < l.y1 ? 1 : -1;
        int nExpected = 0;
        for (int m = 0; m < 40; m++) {
            // Step i of the major axis that lands on column or row m, and its pixel.
            int64_t i = xMajor ? (sx > 0 ? m - int64_t(l.x0) : int64_t(l.x0) - m)
                               : (sy > 0 ? m - int64_t(l.y0) : int64_t(l.y0) - m);
            if (i < 0 || i >= major) continue;
            int64_t off = int64_t((__int128(2) * i * minor + major) / (__int128(2) * major));
            int64_t other = xMajor ? l.y0 + sy * off : l.x0 + sx * off;
            if (other < 0 || other >= 40) continue;
            int x = xMajor ? m : int(other), y = xMajor ? int(other) : m;
            EXPECT_EQ(s.At(x, y), kBlack) << l.x0 << "," << l.y0 << " -> " << l.x1 << "," << l.y1 << " at " << x
                                          << "," << y;
            nExpected++;
        }
        EXPECT_GT(nExpected, 0) << l.x0 << "," << l.y0;
        EXPECT_EQ(s.Ink(), nExpected) << l.x0 << "," << l.y0 << " -> " << l.x1 << "," << l.y1 << "\n" << s.Dump();
    }
}

// Lines that lie wholly on the surface, at every slope and in every direction: each pixel of step i sits at the
// minor offset round(i x minor / major), and nothing else is inked.
TEST(PlatformDrawing, LinesInsideTheSurfaceKeepTheirExactPixelsAtEverySlope) {
    std::vector<POINT> ends;
    for (int k = 0; k < 20; k++) {
        ends.push_back({k, 0});
        ends.push_back({20, k});
        ends.push_back({20 - k, 20});
        ends.push_back({0, 20 - k});
    }
    for (const POINT &end : ends)
        for (bool outward : {true, false}) {
            const POINT a = outward ? POINT{10, 10} : end, b = outward ? end : POINT{10, 10};
            Surface s(21, 21);
            MoveToEx(s.dc, a.x, a.y, nullptr);
            LineTo(s.dc, b.x, b.y);
            const int adx = std::abs(b.x - a.x), ady = std::abs(b.y - a.y);
            const bool xMajor = adx >= ady;
            const int major = xMajor ? adx : ady, minor = xMajor ? ady : adx;
            const int sx = a.x < b.x ? 1 : -1, sy = a.y < b.y ? 1 : -1;
            for (int i = 0; i < major; i++) {
                const int off = (2 * i * minor + major) / (2 * major);
                const int x = a.x + sx * (xMajor ? i : off), y = a.y + sy * (xMajor ? off : i);
                EXPECT_EQ(s.At(x, y), kBlack) << a.x << "," << a.y << " -> " << b.x << "," << b.y << " step " << i;
            }
            EXPECT_EQ(s.Ink(), major) << a.x << "," << a.y << " -> " << b.x << "," << b.y << "\n" << s.Dump();
        }
}

TEST(PlatformDrawing, WidePenDrawsADotForAZeroLengthSegment) {
    Surface s(21, 21);
    HPEN pen = CreatePen(PS_SOLID, 5, kRed);
    SelectObject(s.dc, pen);
    MoveToEx(s.dc, 10, 10, nullptr);
    LineTo(s.dc, 10, 10);
    RECT box;
    int n = s.Ink(&box);
    // A round dot about 5 pixels across, around (10,10): area near pi * 2.5^2.
    EXPECT_GE(n, 12) << s.Dump();
    EXPECT_LE(n, 25) << s.Dump();
    EXPECT_EQ(s.At(10, 10), kRed);
    EXPECT_GE(box.left, 7);
    EXPECT_LE(box.right, 13);
    EXPECT_GE(box.top, 7);
    EXPECT_LE(box.bottom, 13);
    EXPECT_EQ(s.At(8, 8) == kWhite || s.At(12, 12) == kWhite, true) << "round, not square\n" << s.Dump();
    DeleteDC(s.dc);
    s.dc = nullptr;
    DeleteObject(pen);
}

TEST(PlatformDrawing, WidePenLineIsAsThickAsThePen) {
    Surface s(30, 20);
    HPEN pen = CreatePen(PS_SOLID, 3, kBlack);
    HGDIOBJ old = SelectObject(s.dc, pen);
    MoveToEx(s.dc, 5, 10, nullptr);
    LineTo(s.dc, 25, 10);
    int column = 0;
    for (int y = 0; y < 20; y++) column += s.At(15, y) != kWhite;
    EXPECT_EQ(column, 3) << s.Dump();
    SelectObject(s.dc, old);
    DeleteObject(pen);
}

TEST(PlatformDrawing, EllipseStaysInsideItsBoxLessRightAndBottomEdge) {
    const int corners[][4] = {{2, 3, 12, 11}, {12, 11, 2, 3}};
    for (const auto &c : corners) {
        Surface s(16, 16);
        SelectObject(s.dc, GetStockObject(BLACK_BRUSH));
        Ellipse(s.dc, c[0], c[1], c[2], c[3]);
        RECT box;
        s.Ink(&box);
        EXPECT_EQ(box.left, 2) << s.Dump();
        EXPECT_EQ(box.top, 3) << s.Dump();
        EXPECT_EQ(box.right, 11) << s.Dump();
        EXPECT_EQ(box.bottom, 10) << s.Dump();
        EXPECT_EQ(s.At(7, 7), kBlack);
        EXPECT_EQ(s.At(2, 3), kWhite);  // corners of the box stay clear
    }
}

TEST(PlatformDrawing, FillRectAndFrameRectCoverTheHalfOpenBox) {
    Surface s(10, 10);
    HBRUSH red = CreateSolidBrush(kRed);
    RECT r{7, 6, 2, 1};  // corners in the other order
    FillRect(s.dc, &r, red);
    RECT box;
    EXPECT_EQ(s.Ink(&box), 25);
    EXPECT_EQ(box.left, 2);
    EXPECT_EQ(box.top, 1);
    EXPECT_EQ(box.right, 6);
    EXPECT_EQ(box.bottom, 5);

    Surface f(10, 10);
    RECT fr{1, 1, 6, 5};
    FrameRect(f.dc, &fr, red);
    EXPECT_EQ(f.Ink(), 14);  // 5 x 4 border
    EXPECT_EQ(f.At(5, 4), kRed);
    EXPECT_EQ(f.At(3, 2), kWhite);

    // A system colour index plus one is accepted as a brush.
    Surface g(4, 4);
    RECT all{0, 0, 4, 4};
    FillRect(g.dc, &all, reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(COLOR_BTNFACE + 1)));
    EXPECT_EQ(g.At(3, 3), RGB(240, 240, 240));
    DeleteObject(red);
}

TEST(PlatformDrawing, SrcAndCombinesSourceAndDestinationPerChannel) {
    Surface dst(6, 4);
    HDC mem = CreateCompatibleDC(dst.dc);
    HBITMAP bmp = CreateCompatibleBitmap(dst.dc, 6, 4);
    HGDIOBJ oldBmp = SelectObject(mem, bmp);
    ASSERT_NE(oldBmp, nullptr);
    HBRUSH a = CreateSolidBrush(RGB(0xF0, 0x0F, 0xFF));
    HBRUSH b = CreateSolidBrush(RGB(0x3C, 0xFF, 0x55));
    RECT all{0, 0, 6, 4};
    FillRect(dst.dc, &all, a);
    RECT left{0, 0, 3, 4};
    FillRect(mem, &left, b);  // right half of the source stays white
    ASSERT_TRUE(BitBlt(dst.dc, 0, 0, 6, 4, mem, 0, 0, SRCAND));
    EXPECT_EQ(dst.At(0, 0), RGB(0x30, 0x0F, 0x55));
    EXPECT_EQ(dst.At(2, 3), RGB(0x30, 0x0F, 0x55));
    EXPECT_EQ(dst.At(3, 0), RGB(0xF0, 0x0F, 0xFF));  // AND with white keeps the destination
    // SRCCOPY replaces.
    ASSERT_TRUE(BitBlt(dst.dc, 1, 1, 2, 2, mem, 0, 0, SRCCOPY));
    EXPECT_EQ(dst.At(1, 1), RGB(0x3C, 0xFF, 0x55));
    EXPECT_EQ(dst.At(0, 0), RGB(0x30, 0x0F, 0x55));
    SelectObject(mem, oldBmp);
    DeleteDC(mem);
    DeleteObject(bmp);
    DeleteObject(a);
    DeleteObject(b);
}

// Scrolling a strip by two pixels within one surface moves every column; a forward copy would smear.
TEST(PlatformDrawing, OverlappingCopyWithinOneSurfaceActsAsAMove) {
    struct Case { int dx, dy; };
    const Case cases[] = {{-2, 0}, {2, 0}, {0, -2}, {0, 2}};
    for (const Case &c : cases) {
        Surface s(12, 12);
        for (int y = 0; y < 12; y++)
            for (int x = 0; x < 12; x++) SetPixel(s.dc, x, y, RGB(x * 20, y * 20, 7));
        // Move the block (2,2)-(10,10) by (dx, dy).
        ASSERT_TRUE(BitBlt(s.dc, 2 + c.dx, 2 + c.dy, 8, 8, s.dc, 2, 2, SRCCOPY));
        for (int y = 0; y < 12; y++)
            for (int x = 0; x < 12; x++) {
                int ox = x - c.dx, oy = y - c.dy;
                bool moved = x >= 2 + c.dx && x < 10 + c.dx && y >= 2 + c.dy && y < 10 + c.dy;
                COLORREF want = moved ? RGB(ox * 20, oy * 20, 7) : RGB(x * 20, y * 20, 7);
                ASSERT_EQ(s.At(x, y), want) << "shift " << c.dx << "," << c.dy << " at " << x << "," << y;
            }
    }
}

TEST(PlatformDrawing, PatBltWhitenessBlacknessAndPatternCopy) {
    Surface s(10, 10);
    ASSERT_TRUE(PatBlt(s.dc, 0, 0, 10, 10, BLACKNESS));
    EXPECT_EQ(s.At(9, 9), kBlack);
    ASSERT_TRUE(PatBlt(s.dc, 2, 2, 3, 4, WHITENESS));
    EXPECT_EQ(s.Ink(), 100 - 12);
    EXPECT_EQ(s.At(2, 2), kWhite);
    EXPECT_EQ(s.At(4, 5), kWhite);
    EXPECT_EQ(s.At(5, 5), kBlack);
    EXPECT_EQ(s.At(4, 6), kBlack);
    ASSERT_TRUE(PatBlt(s.dc, 9, 9, -2, -2, WHITENESS));  // negative size: the box to the upper left
    EXPECT_EQ(s.At(7, 7), kWhite);
    EXPECT_EQ(s.At(8, 8), kWhite);
    EXPECT_EQ(s.At(9, 9), kBlack);
    HBRUSH red = CreateSolidBrush(kRed);
    HGDIOBJ old = SelectObject(s.dc, red);
    PatBlt(s.dc, 0, 0, 1, 1, PATCOPY);
    EXPECT_EQ(s.At(0, 0), kRed);
    SelectObject(s.dc, old);
    DeleteObject(red);
}

TEST(PlatformDrawing, ClipLimitsDrawingUntilRemoved) {
    Surface s(10, 10);
    EXPECT_EQ(IntersectClipRect(s.dc, 2, 2, 6, 6), SIMPLEREGION);
    RECT all{0, 0, 10, 10};
    FillRect(s.dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    RECT box;
    EXPECT_EQ(s.Ink(&box), 16);
    EXPECT_EQ(box.left, 2);
    EXPECT_EQ(box.right, 5);
    IntersectClipRect(s.dc, 4, 4, 20, 20);  // clips add up
    PatBlt(s.dc, 0, 0, 10, 10, WHITENESS);
    EXPECT_EQ(s.Ink(), 12);
    SelectClipRgnNone(s.dc);
    PatBlt(s.dc, 0, 0, 10, 10, BLACKNESS);
    EXPECT_EQ(s.Ink(), 100);
}

TEST(PlatformDrawing, TextInkLiesBelowAndRightOfItsOriginAndExtentGrows) {
    Surface s(120, 60);
    SetBkMode(s.dc, TRANSPARENT);
    const wchar_t *text = L"Hg";
    ASSERT_TRUE(TextOut(s.dc, 30, 20, text, 2));
    SIZE size{0, 0};
    ASSERT_TRUE(GetTextExtentPoint32(s.dc, text, 2, &size));
    RECT box;
    int n = s.Ink(&box);
    EXPECT_GT(n, 20);
    EXPECT_GE(box.left, 30);
    EXPECT_GE(box.top, 20);
    EXPECT_LT(box.right, 30 + size.cx + 1);
    EXPECT_LT(box.bottom, 20 + size.cy);
    EXPECT_GT(box.bottom, 20 + size.cy / 2);  // the descender of g reaches the lower half of the cell

    SIZE longer{0, 0};
    GetTextExtentPoint32(s.dc, L"Hggg", 4, &longer);
    EXPECT_GT(longer.cx, size.cx);
    EXPECT_EQ(longer.cy, size.cy);
    SIZE empty{-1, -1};
    GetTextExtentPoint32(s.dc, L"", 0, &empty);
    EXPECT_EQ(empty.cx, 0);
}

// A text kept between two x bounds: the narrow face where that fits, a smaller one where even that passes them;
// its ink never leaves the bounds.
TEST(PlatformDrawing, TextOutWithinKeepsTheInkBetweenItsBoundsEvenWhereTheNarrowFacePasses) {
    HFONT bold = CreateFont(18, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, L"Microsoft Sans Serif");
    const wchar_t *text = L"Component: Conductivity";
    const int len = (int)wcslen(text);
    for (int room : {400, 150, 110}) {
        SCOPED_TRACE(room);
        Surface s(420, 40);
        SetBkMode(s.dc, TRANSPARENT);
        SelectObject(s.dc, bold);
        ASSERT_TRUE(TextOutWithin(s.dc, 10, 10, text, len, 10, 10 + room));
        RECT box;
        ASSERT_GT(s.Ink(&box), 20);
        EXPECT_GE(box.left, 10);
        EXPECT_LE(box.right, 10 + room);
    }
    DeleteObject(bold);
}

TEST(PlatformDrawing, TextAlignmentPlacesTheCellAroundTheOrigin) {
    Surface s(160, 80);
    SetBkMode(s.dc, TRANSPARENT);
    SetTextAlign(s.dc, TA_RIGHT | TA_BOTTOM);
    TextOut(s.dc, 100, 50, L"Wide", 4);
    RECT box;
    ASSERT_GT(s.Ink(&box), 0);
    EXPECT_LT(box.right, 100);
    EXPECT_LT(box.bottom, 50);

    Surface c(160, 80);
    SetBkMode(c.dc, TRANSPARENT);
    EXPECT_EQ(SetTextAlign(c.dc, TA_CENTER | TA_BASELINE), static_cast<UINT>(TA_TOP | TA_LEFT));
    TextOut(c.dc, 80, 40, L"HHHH", 4);
    ASSERT_GT(c.Ink(&box), 0);
    EXPECT_LT(box.left, 80);
    EXPECT_GT(box.right, 80);
    EXPECT_LE(box.bottom, 39);  // capitals sit on the baseline
    EXPECT_GE(box.bottom, 37);
}

TEST(PlatformDrawing, OpaqueTextFillsItsCellWithTheBackgroundColour) {
    Surface s(100, 40);
    SetBkColor(s.dc, RGB(0, 200, 0));
    SetTextColor(s.dc, kRed);
    TextOut(s.dc, 10, 5, L"a b", 3);
    SIZE size;
    GetTextExtentPoint32(s.dc, L"a b", 3, &size);
    int green = 0, red = 0, white = 0;
    for (int y = 0; y < 40; y++)
        for (int x = 0; x < 100; x++) {
            COLORREF c = s.At(x, y);
            bool inCell = x >= 10 && x < 10 + size.cx && y >= 5 && y < 5 + size.cy;
            if (c == RGB(0, 200, 0)) green += inCell ? 1 : 1000;
            else if (c == kRed) red += inCell ? 1 : 1000;
            else if (c == kWhite) white += inCell ? 1000 : 0;
        }
    EXPECT_GT(green, size.cx * size.cy / 2);
    EXPECT_LT(green, size.cx * size.cy);
    EXPECT_GT(red, 10);
    EXPECT_LT(red, 1000);
    EXPECT_EQ(white, 0);
}

TEST(PlatformDrawing, DrawTextAlignsInItsBoxAndMeasures) {
    Surface s(200, 60);
    SetBkMode(s.dc, TRANSPARENT);
    SIZE size;
    GetTextExtentPoint32(s.dc, L"Right", 5, &size);
    RECT r{0, 0, 200, 60};
    int h = DrawText(s.dc, L"Right", -1, &r, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    EXPECT_GT(h, size.cy);
    RECT box;
    ASSERT_GT(s.Ink(&box), 0);
    EXPECT_GE(box.left, 200 - size.cx);
    EXPECT_LE(box.right, 199);
    EXPECT_GE(box.top, (60 - size.cy) / 2);
    EXPECT_LT(box.bottom, (60 + size.cy) / 2 + 1);

    RECT calc{10, 10, 10, 10};
    int lines2 = DrawText(s.dc, L"one\ntwo two", -1, &calc, DT_CALCRECT);
    EXPECT_EQ(lines2, 2 * size.cy);
    EXPECT_EQ(calc.bottom, 10 + 2 * size.cy);
    SIZE two;
    GetTextExtentPoint32(s.dc, L"two two", 7, &two);
    EXPECT_EQ(calc.right, 10 + two.cx);
}

TEST(PlatformDrawing, DrawTextBreaksWordsToTheBoxWidth) {
    Surface s(200, 100);
    SIZE word, pair;
    GetTextExtentPoint32(s.dc, L"alpha", 5, &word);
    GetTextExtentPoint32(s.dc, L"alpha alpha", 11, &pair);
    // Room for two words a line, not three: six words make three lines.
    RECT box{0, 0, pair.cx + word.cx / 2, 0};
    int h = DrawText(s.dc, L"alpha alpha alpha alpha alpha alpha", -1, &box, DT_WORDBREAK | DT_CALCRECT);
    EXPECT_EQ(h, 3 * word.cy);
    EXPECT_EQ(box.right, pair.cx);
    RECT single{0, 0, 10, 0};
    EXPECT_EQ(DrawText(s.dc, L"alpha alpha", -1, &single, DT_SINGLELINE | DT_CALCRECT), word.cy);
    EXPECT_EQ(single.right, pair.cx);
}

TEST(PlatformDrawing, FontsFollowHeightWeightAndFace) {
    Surface s(10, 10);
    TEXTMETRIC system{};
    ASSERT_TRUE(GetTextMetrics(s.dc, &system));
    // The system font is a 16-pixel sans face: its cell is a little taller than 16 pixels.
    EXPECT_GE(system.tmHeight, 16);
    EXPECT_LE(system.tmHeight, 20);
    EXPECT_EQ(system.tmHeight, system.tmAscent + system.tmDescent);
    EXPECT_GE(system.tmAveCharWidth, 6);
    EXPECT_LE(system.tmAveCharWidth, 10);
    SIZE cell;
    GetTextExtentPoint32(s.dc, L"x", 1, &cell);
    EXPECT_EQ(cell.cy, system.tmHeight);

    HFONT negative = CreateFont(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, L"Microsoft Sans Serif");
    HFONT big = CreateFont(32, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, L"Microsoft Sans Serif");
    HGDIOBJ old = SelectObject(s.dc, negative);
    EXPECT_EQ(old, GetStockObject(SYSTEM_FONT));
    TEXTMETRIC tm{};
    GetTextMetrics(s.dc, &tm);
    EXPECT_EQ(tm.tmHeight, system.tmHeight);  // the system font is the same face and size
    EXPECT_EQ(tm.tmAveCharWidth, system.tmAveCharWidth);
    EXPECT_EQ(SelectObject(s.dc, big), negative);
    GetTextMetrics(s.dc, &tm);
    EXPECT_GE(tm.tmHeight, 2 * system.tmHeight - 2);
    EXPECT_EQ(tm.tmWeight, FW_BOLD);
    SIZE wide;
    GetTextExtentPoint32(s.dc, L"x", 1, &wide);
    EXPECT_GT(wide.cx, cell.cx);
    SelectObject(s.dc, old);
    DeleteObject(negative);
    DeleteObject(big);
}

TEST(PlatformDrawing, SelectedObjectsSurviveDeletionUntilReleasedAndStockObjectsStay) {
    const int before = GdiObjectCount();
    HDC dc = PlatformCreateMemorySurface(10, 10);
    HPEN pen = CreatePen(PS_SOLID, 1, kRed);
    HBRUSH brush = CreateSolidBrush(kBlue);
    EXPECT_EQ(GdiObjectCount(), before + 2);
    EXPECT_EQ(SelectObject(dc, pen), GetStockObject(BLACK_PEN));
    EXPECT_EQ(SelectObject(dc, brush), GetStockObject(WHITE_BRUSH));
    // Deleting while selected is safe: the context keeps drawing with them.
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_TRUE(DeleteObject(brush));
    Rectangle(dc, 0, 0, 5, 5);
    EXPECT_EQ(GetPixel(dc, 0, 0), kRed);
    EXPECT_EQ(GetPixel(dc, 2, 2), kBlue);
    // Selecting something else lets the pen go; deleting the context lets the brush go.
    SelectObject(dc, GetStockObject(BLACK_PEN));
    DeleteDC(dc);
    EXPECT_EQ(GdiObjectCount(), before);

    // Stock objects survive DeleteObject and keep working.
    DeleteObject(GetStockObject(BLACK_BRUSH));
    Surface s(4, 4);
    RECT all{0, 0, 4, 4};
    FillRect(s.dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(s.At(1, 1), kBlack);
    // Stale and null handles are refused without harm.
    EXPECT_FALSE(DeleteObject(nullptr));
    EXPECT_EQ(SelectObject(s.dc, nullptr), nullptr);
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), kWhite);
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), RGB(240, 240, 240));
}

TEST(PlatformDrawing, MemoryBitmapKeepsItsPictureBetweenSelections) {
    HDC mem = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(mem, 5, 5);
    HGDIOBJ old = SelectObject(mem, bmp);
    EXPECT_EQ(GetPixel(mem, 4, 4), kWhite);
    SetPixel(mem, 3, 3, kRed);
    SelectObject(mem, old);
    HDC other = CreateCompatibleDC(nullptr);
    SelectObject(other, bmp);
    EXPECT_EQ(GetPixel(other, 3, 3), kRed);
    Surface s(5, 5);
    BitBlt(s.dc, 0, 0, 5, 5, other, 0, 0, SRCCOPY);
    EXPECT_EQ(s.At(3, 3), kRed);
    EXPECT_EQ(s.Ink(), 1);
    DeleteDC(mem);
    DeleteDC(other);
    DeleteObject(bmp);
}

TEST(PlatformDrawing, SurfaceSavesAsPng) {
    Surface s(64, 32);
    HBRUSH brush = CreateSolidBrush(RGB(0, 128, 255));
    HGDIOBJ old = SelectObject(s.dc, brush);
    Ellipse(s.dc, 4, 4, 28, 28);
    SelectObject(s.dc, old);
    TextOut(s.dc, 32, 8, L"Ab", 2);
    std::string path = std::string(TEST_OUTPUT_DIR "/drawing_ellipse_and_text.png");
    ASSERT_TRUE(PlatformSaveSurfacePng(s.dc, path));
    QImage back(QString::fromStdString(path));
    ASSERT_FALSE(back.isNull());
    EXPECT_EQ(back.width(), 64);
    EXPECT_EQ(QColor(back.pixel(16, 16)), QColor(0, 128, 255));
    DeleteObject(brush);
}

}  // namespace

namespace {

// Draws marks of kinds never seen before, so that the next figure of any kind is painted afresh.
void ForgetRepeatedFigures() {
    static int serial = 0;
    Surface scratch(80, 40);
    for (int i = 0; i < 8; i++) {
        serial++;
        HBRUSH brush = CreateSolidBrush(RGB(serial % 251, serial / 251 % 251, 7));
        HPEN pen = CreatePen(PS_SOLID, 3, RGB(serial % 251, 9, serial / 251 % 251));
        HGDIOBJ oldBrush = SelectObject(scratch.dc, brush);
        HGDIOBJ oldPen = SelectObject(scratch.dc, pen);
        Ellipse(scratch.dc, 2, 2, 8, 8);
        std::wstring text = L"f" + std::to_wstring(serial);
        TextOut(scratch.dc, 20, 5, text.c_str(), static_cast<int>(text.size()));
        SelectObject(scratch.dc, oldBrush);
        SelectObject(scratch.dc, oldPen);
        DeleteObject(brush);
        DeleteObject(pen);
    }
}

}  // namespace

// Short segments of a wide pen in every direction and of no length, from (x, y) on.
void WideSegments(HDC dc, int x, int y, int width) {
    static const POINT runs[] = {{5, 0}, {0, -7}, {3, 2}, {-4, 9}, {16, -16}, {-16, 3}, {1, 1}, {0, 0}, {-2, -1}};
    HPEN pen = CreatePen(PS_SOLID, width, kRed);
    HGDIOBJ old = SelectObject(dc, pen);
    for (const POINT &run : runs) {
        POINT pts[2] = {{x, y}, {x + run.x, y + run.y}};
        Polyline(dc, pts, 2);
        x += 1;
    }
    SelectObject(dc, old);
    DeleteObject(pen);
}

// A rectangle's one-pixel solid outline is the four lines through its corners, clipped or not.
TEST(PlatformDrawing, SolidRectangleOutlineIsItsFourLines) {
    for (bool clipped : {false, true}) {
        for (int x : {-6, -1, 0, 3, 28, 36}) {
            for (int y : {-4, 0, 9, 25}) {
                for (int w : {2, 3, 9}) {
                    for (int h : {2, 5}) {
                        Surface a(40, 30), b(40, 30);
                        for (HDC dc : {a.dc, b.dc}) {
                            SelectObject(dc, GetStockObject(GRAY_BRUSH));
                            if (clipped) IntersectClipRect(dc, 5, 4, 30, 21);
                        }
                        Rectangle(a.dc, x, y, x + w, y + h);
                        FillRect(b.dc, std::vector<RECT>{{x + 1, y + 1, x + w - 1, y + h - 1}}.data(),
                                 static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
                        MoveToEx(b.dc, x, y, nullptr);
                        LineTo(b.dc, x + w - 1, y);
                        LineTo(b.dc, x + w - 1, y + h - 1);
                        LineTo(b.dc, x, y + h - 1);
                        LineTo(b.dc, x, y);
                        EXPECT_EQ(a.Dump(), b.Dump()) << x << "," << y << " " << w << "x" << h
                                                      << (clipped ? " clipped" : "");
                        for (int py = 0; py < a.h; py++)
                            for (int px = 0; px < a.w; px++) ASSERT_EQ(a.At(px, py), b.At(px, py));
                    }
                }
            }
        }
    }
}

// Marks and labels drawn over and over are copied from the first one drawn: at every place, the edges and a clip
// included, the copy must set exactly the pixels the painter sets.
TEST(PlatformDrawing, RepeatedFiguresSetTheSamePixelsAsTheFirst) {
    struct Figure {
        const char *name;
        void (*draw)(HDC, int, int);
    };
    static const Figure figures[] = {
        {"small dot", [](HDC dc, int x, int y) { Ellipse(dc, x - 2, y - 2, x + 2, y + 2); }},
        {"wide ring", [](HDC dc, int x, int y) {
             HPEN pen = CreatePen(PS_SOLID, 3, kBlue);
             HGDIOBJ old = SelectObject(dc, pen);
             SelectObject(dc, GetStockObject(NULL_BRUSH));
             Ellipse(dc, x - 5, y - 5, x + 5, y + 5);
             SelectObject(dc, old);
             DeleteObject(pen);
         }},
        {"ring of two pixels", [](HDC dc, int x, int y) {
             HPEN pen = CreatePen(PS_SOLID, 2, kRed);
             HGDIOBJ old = SelectObject(dc, pen);
             Ellipse(dc, x - 3, y - 3, x + 3, y + 3);
             SelectObject(dc, old);
             DeleteObject(pen);
         }},
        {"label", [](HDC dc, int x, int y) {
             SetBkMode(dc, TRANSPARENT);
             SetTextColor(dc, kRed);
             TextOut(dc, x, y, L"AB", 2);
         }},
        {"opaque label on its baseline", [](HDC dc, int x, int y) {
             SetBkColor(dc, kBlue);
             SetTextAlign(dc, TA_BASELINE | TA_CENTER);
             TextOut(dc, x, y, L" g7 ", 4);
         }},
        {"segments of a pen of three", [](HDC dc, int x, int y) { WideSegments(dc, x, y, 3); }},
        {"segments of a pen of two", [](HDC dc, int x, int y) { WideSegments(dc, x, y, 2); }},
    };
    const int places[] = {-9, -2, 0, 1, 17, 37, 39, 46};
    for (const Figure &figure : figures) {
        for (bool clipped : {false, true}) {
            for (int x : places) {
                for (int y : {-3, 0, 14, 29, 33}) {
                    SCOPED_TRACE(std::string(figure.name) + " at " + std::to_string(x) + "," + std::to_string(y) +
                                 (clipped ? " clipped" : ""));
                    ForgetRepeatedFigures();
                    // The first picture painted throughout, the others as figures come.
                    std::vector<COLORREF> pictures[4];
                    for (std::vector<COLORREF> &picture : pictures) {
                        PlatformPaintEveryFigure(&picture == &pictures[0]);
                        Surface s(40, 30);
                        SelectObject(s.dc, GetStockObject(GRAY_BRUSH));
                        if (clipped) IntersectClipRect(s.dc, 5, 4, 30, 21);
                        figure.draw(s.dc, x, y);
                        for (int py = 0; py < s.h; py++)
                            for (int px = 0; px < s.w; px++) picture.push_back(s.At(px, py));
                    }
                    PlatformPaintEveryFigure(false);
                    EXPECT_EQ(pictures[1], pictures[0]);
                    EXPECT_EQ(pictures[2], pictures[0]);
                    EXPECT_EQ(pictures[3], pictures[0]);
                    if (x == 17 && y == 14) {  // inside: the figure shows
                        EXPECT_NE(std::count(pictures[0].begin(), pictures[0].end(), kWhite),
                                  static_cast<long>(pictures[0].size()));
                    }
                }
            }
        }
    }
}
