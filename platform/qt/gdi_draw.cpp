// Drawing on device contexts: lines, shapes, fills, pixels and block transfers, aliased with the classic geometry.
#include "platform/qt/gdi_internal.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <unordered_map>
#include <vector>

bool paintEveryFigure = false;

void PlatformPaintEveryFigure(bool on) { paintEveryFigure = on; }

namespace {

// A short-lived painter: aliased, clipped to what the context may touch.
struct ContextPainter {
    QPainter painter;
    explicit ContextPainter(DeviceContext *dc) : painter(dc->surface) {
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.setClipRect(DCClipRect(dc));
    }
};

// The pixels of a 32-bit image, row after row `stride` pixels apart.
struct Pixels {
    QRgb *bits;
    qsizetype stride;
    explicit Pixels(QImage &image)
        : bits(reinterpret_cast<QRgb *>(image.bits())), stride(image.bytesPerLine() / qsizetype(sizeof(QRgb))) {}
    QRgb *Row(int y) const { return bits + y * stride; }
};

// The part of `a` inside `b` (QRect's own intersection is not inlined).
inline QRect Cut(const QRect &a, const QRect &b) {
    return QRect(QPoint(std::max(a.left(), b.left()), std::max(a.top(), b.top())),
                 QPoint(std::min(a.right(), b.right()), std::min(a.bottom(), b.bottom())));
}

inline bool Inside(const QRect &clip, int x, int y) {
    return x >= clip.left() && x <= clip.right() && y >= clip.top() && y <= clip.bottom();
}

inline void PutPixel(QImage &image, const QRect &clip, int x, int y, QRgb c) {
    if (!Inside(clip, x, y)) return;
    reinterpret_cast<QRgb *>(image.scanLine(y))[x] = c;
}

void FillArea(const Pixels &pixels, const QRect &area, QRgb c) {
    if (area.isEmpty()) return;
    for (int y = area.top(); y <= area.bottom(); y++) {
        QRgb *line = pixels.Row(y);
        std::fill(line + area.left(), line + area.left() + area.width(), c);
    }
}

void FillArea(QImage &image, const QRect &area, QRgb c) {
    if (!area.isEmpty()) FillArea(Pixels(image), area, c);
}

// On/off run lengths of the dashed styles, in pixels.
const std::vector<int> &DashPattern(int style) {
    static const std::vector<int> solid;
    static const std::vector<int> dash{18, 6};
    static const std::vector<int> dot{3, 3};
    if (style == PS_DASH) return dash;
    if (style == PS_DOT) return dot;
    return solid;
}

// Minor offset of step i of a line, floor((2 i minor + major) / (2 major)), and the remainder of that division;
// exact in 64 bits for 0 <= i < major and 0 <= minor <= major < 2^32: i is taken in two halves of 16 bits so that
// no product passes 2^51.
void MinorOffsetAt(int64_t i, int64_t minor, int64_t major, int64_t *offset, int64_t *remainder) {
    const int64_t a = 2 * minor, d = 2 * major;
    const int64_t high = (i >> 16) * a;
    const int64_t rest = (high % d) * 65536 + (i & 0xFFFF) * a + major;
    *offset = (high / d) * 65536 + rest / d;
    *remainder = rest % d;
}

// One-pixel line from (x0, y0) to (x1, y1), last pixel left out. Step i along the major axis puts its pixel at
// the minor offset round(i * minor / major). Only the steps whose pixels fall inside the clip are visited, so lines
// to far-off points cost no more than the visible part. `step` carries the dash position across the segments of
// one figure.
void ThinLine(DeviceContext *dc, const QRect &clip, GdiObject *pen, int x0, int y0, int x1, int y1, int64_t &step) {
    QImage &image = *dc->surface;
    const std::vector<int> &pattern = DashPattern(pen->penStyle);
    int period = 0;
    for (int run : pattern) period += run;
    const QRgb ink = QRgbFromColorRef(pen->color);
    const QRgb gap = QRgbFromColorRef(dc->bkColor);
    const bool paintGaps = dc->bkMode == OPAQUE;
    const int64_t adx = std::llabs(int64_t(x1) - x0), ady = std::llabs(int64_t(y1) - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    const bool xMajor = adx >= ady;
    const int64_t major = xMajor ? adx : ady, minor = xMajor ? ady : adx;
    const int64_t firstStep = step;
    step += major;
    if (major == 0 || clip.isEmpty()) return;
    // Major and minor coordinates of step i.
    const int64_t ma0 = xMajor ? x0 : y0, mi0 = xMajor ? y0 : x0;
    const int sMa = xMajor ? sx : sy, sMi = xMajor ? sy : sx;
    auto minorOffset = [&](int64_t i) {
        int64_t offset, remainder;
        MinorOffsetAt(i, minor, major, &offset, &remainder);
        return offset;
    };
    // Steps whose major coordinate lies inside the clip.
    int64_t iLo = 0, iHi = major - 1;
    // Every pixel lies in the box of the two ends: a line with both ends inside the clip needs no narrowing.
    if (!Inside(clip, x0, y0) || !Inside(clip, x1, y1)) {
        const int64_t maLo = xMajor ? clip.left() : clip.top(), maHi = xMajor ? clip.right() : clip.bottom();
        const int64_t miLo = xMajor ? clip.top() : clip.left(), miHi = xMajor ? clip.bottom() : clip.right();
        iLo = std::max<int64_t>(sMa > 0 ? maLo - ma0 : ma0 - maHi, 0);
        iHi = std::min<int64_t>(sMa > 0 ? maHi - ma0 : ma0 - maLo, major - 1);
        if (iLo > iHi) return;
        // The minor offset grows with i: narrow the range to the steps inside the clip's minor extent.
        const int64_t offLo = sMi > 0 ? miLo - mi0 : mi0 - miHi;  // wanted offsets [offLo, offHi]
        const int64_t offHi = sMi > 0 ? miHi - mi0 : mi0 - miLo;
        auto firstAtLeast = [&](int64_t lo, int64_t hi, int64_t off) {  // first i in [lo, hi+1] with offset >= off
            while (lo <= hi) {
                int64_t mid = lo + (hi - lo) / 2;
                if (minorOffset(mid) >= off) hi = mid - 1;
                else lo = mid + 1;
            }
            return lo;
        };
        iLo = firstAtLeast(iLo, iHi, offLo);
        iHi = firstAtLeast(iLo, iHi, offHi + 1) - 1;
        if (iLo > iHi) return;
    }
    // The offset of the first visible step (at the first end: none, with half a step's remainder), then one
    // addition per step.
    int64_t offset = 0, remainder = major;
    if (iLo > 0) MinorOffsetAt(iLo, minor, major, &offset, &remainder);
    const int64_t twiceMinor = 2 * minor, twiceMajor = 2 * major;
    const Pixels pixels(image);
    if (period == 0) {
        // Solid: every visible step is inside the clip, so walk a pointer through the pixels.
        const int64_t ma = ma0 + sMa * iLo, mi = mi0 + sMi * offset;
        QRgb *at = pixels.Row(int(xMajor ? mi : ma)) + int(xMajor ? ma : mi);
        const qsizetype alongMajor = xMajor ? sMa : sMa * pixels.stride;
        const qsizetype alongMinor = xMajor ? sMi * pixels.stride : sMi;
        for (int64_t left = iHi - iLo;; left--) {
            *at = ink;
            if (left == 0) break;  // no step past the last pixel
            at += alongMajor;
            remainder += twiceMinor;
            if (remainder >= twiceMajor) {
                remainder -= twiceMajor;
                at += alongMinor;
            }
        }
        return;
    }
    for (int64_t i = iLo; i <= iHi; i++) {
        int64_t ma = ma0 + sMa * i, mi = mi0 + sMi * offset;
        int x = int(xMajor ? ma : mi), y = int(xMajor ? mi : ma);
        bool on = period == 0 || ((firstStep + i) % period) < pattern[0];
        if ((on || paintGaps) && Inside(clip, x, y)) pixels.Row(y)[x] = on ? ink : gap;
        remainder += twiceMinor;
        if (remainder >= twiceMajor) {
            remainder -= twiceMajor;
            offset++;
        }
    }
}

// One row of a block transfer: the source pixels (bAnd: ANDed with the destination), opaque. Two pixels at a time.
void CombineRow(QRgb *__restrict to, const QRgb *__restrict from, int width, bool bAnd) {
    const uint64_t opaque = 0xFF000000FF000000ull;
    int i = 0;
    for (; i + 1 < width; i += 2) {
        uint64_t a, b;
        memcpy(&b, from + i, 8);
        if (bAnd) {
            memcpy(&a, to + i, 8);
            b &= a;
        }
        b |= opaque;
        memcpy(to + i, &b, 8);
    }
    for (; i < width; i++) to[i] = (bAnd ? (to[i] & from[i]) : from[i]) | 0xFF000000u;
}

QPen WidePen(GdiObject *pen) {
    QPen p(QColorFromColorRef(pen->color));
    p.setWidth(pen->penWidth);
    p.setCapStyle(Qt::RoundCap);
    p.setJoinStyle(Qt::RoundJoin);
    return p;
}

QPen OutlinePen(GdiObject *pen) {
    if (pen->penStyle == PS_NULL) return QPen(Qt::NoPen);
    if (pen->penWidth > 1) return WidePen(pen);
    QPen p(QColorFromColorRef(pen->color));
    p.setWidth(1);
    if (pen->penStyle == PS_DASH) p.setStyle(Qt::DashLine);
    if (pen->penStyle == PS_DOT) p.setStyle(Qt::DotLine);
    return p;
}

QBrush FillBrush(GdiObject *brush) {
    if (brush->nullBrush) return QBrush(Qt::NoBrush);
    return QBrush(QColorFromColorRef(brush->color));
}

// Figure through the points with a pen wider than one pixel, in the painter's coordinates.
void PaintWideFigure(QPainter &painter, GdiObject *pen, const POINT *pts, int n, bool closed) {
    bool allSame = true;
    for (int i = 1; i < n; i++)
        if (pts[i].x != pts[0].x || pts[i].y != pts[0].y) allSame = false;
    if (allSame) {
        // A zero-length stroke with round ends is a dot as wide as the pen.
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColorFromColorRef(pen->color));
        double r = pen->penWidth / 2.0;
        painter.drawEllipse(QPointF(pts[0].x + 0.5, pts[0].y + 0.5), r, r);
        return;
    }
    QPainterPath path;
    path.moveTo(pts[0].x + 0.5, pts[0].y + 0.5);
    for (int i = 1; i < n; i++) path.lineTo(pts[i].x + 0.5, pts[i].y + 0.5);
    if (closed) path.closeSubpath();
    painter.setPen(WidePen(pen));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
}

// Stamps of short wide segments (the lines of tracks and profiles): a segment of a kind, its run from start to end,
// pen width and colour, is painted once into its stamp and every segment of that kind is stamped, so it sets the same
// pixels wherever it lies (the stroker's round ends are not exact under translation) and whatever was drawn before.
struct SegmentStamp {
    bool made = false;
    Stamp stamp;
    QPoint corner;  // of the stamp relative to the segment's start
};
constexpr int kStampedSegmentRun = 16;     // longest run stamped along either axis
constexpr size_t kSegmentStampLimit = 4096;  // kinds kept at most; then they are forgotten and met afresh
thread_local std::unordered_map<uint64_t, SegmentStamp> *segmentStamps = new std::unordered_map<uint64_t, SegmentStamp>;

// The stamp of the segment's kind, or nullptr when it is to be painted.
const SegmentStamp *SegmentStampFor(const POINT &a, const POINT &b, GdiObject *pen) {
    const int dx = b.x - a.x, dy = b.y - a.y;
    if (dx < -kStampedSegmentRun || dx > kStampedSegmentRun || dy < -kStampedSegmentRun || dy > kStampedSegmentRun ||
        pen->penWidth > 8)
        return nullptr;
    const uint64_t key = (uint64_t(uint8_t(dx)) << 48) | (uint64_t(uint8_t(dy)) << 40) |
                         (uint64_t(uint8_t(pen->penWidth)) << 32) | pen->color;
    auto found = segmentStamps->find(key);
    if (found == segmentStamps->end()) {
        if (segmentStamps->size() >= kSegmentStampLimit) segmentStamps->clear();
        found = segmentStamps->emplace(key, SegmentStamp()).first;
    }
    SegmentStamp &entry = found->second;
    if (!entry.made) {
        entry.made = true;
        const int m = pen->penWidth + 2;
        const POINT start{m + std::max(0, -dx), m + std::max(0, -dy)};
        const POINT pts[2] = {start, POINT{start.x + dx, start.y + dy}};
        QPoint corner;
        entry.stamp = PaintStamp(std::abs(dx) + 2 * m + 1, std::abs(dy) + 2 * m + 1, &corner, [&](QImage &image) {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing, false);
            PaintWideFigure(painter, pen, pts, 2, false);
        });
        entry.corner = corner - QPoint(start.x, start.y);
    }
    return entry.stamp.isNull() ? nullptr : &entry;
}

// Open or closed figure through the points with the context's pen.
void StrokeFigure(DeviceContext *dc, const POINT *pts, int n, bool closed) {
    GdiObject *pen = DCPen(dc);
    if (pen->penStyle == PS_NULL || n < 1) return;
    QRect clip = DCClipRect(dc);
    if (clip.isEmpty()) return;
    if (pen->penWidth <= 1) {
        int64_t step = 0;
        for (int i = 0; i + 1 < n; i++) ThinLine(dc, clip, pen, pts[i].x, pts[i].y, pts[i + 1].x, pts[i + 1].y, step);
        if (closed && n > 1) ThinLine(dc, clip, pen, pts[n - 1].x, pts[n - 1].y, pts[0].x, pts[0].y, step);
        return;
    }
    if (n == 2 && !closed && !paintEveryFigure && dc->surface->format() == QImage::Format_RGB32) {
        const SegmentStamp *stamp = SegmentStampFor(pts[0], pts[1], pen);
        if (stamp && PutStamp(*dc->surface, clip, stamp->stamp, pts[0].x + stamp->corner.x(),
                              pts[0].y + stamp->corner.y(), true))
            return;
    }
    ContextPainter cp(dc);
    PaintWideFigure(cp.painter, pen, pts, n, closed);
}

}  // namespace

BOOL MoveToEx(HDC hdc, int x, int y, POINT *old) {
    if (!IsLiveDC(hdc)) return FALSE;
    if (old) *old = hdc->position;
    hdc->position = POINT{x, y};
    return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y) {
    if (!IsLiveDC(hdc)) return FALSE;
    POINT pts[2] = {hdc->position, POINT{x, y}};
    hdc->position = pts[1];
    DeviceContext *dc = DrawableDC(hdc);
    if (!dc) return TRUE;
    StrokeFigure(dc, pts, 2, false);
    DCChanged(dc);
    return TRUE;
}

BOOL Polyline(HDC hdc, const POINT *pts, int n) {
    DeviceContext *dc = DrawableDC(hdc);
    if (!dc || !pts || n < 2) return dc != nullptr && n >= 2;
    StrokeFigure(dc, pts, n, false);
    DCChanged(dc);
    return TRUE;
}

BOOL Polygon(HDC hdc, const POINT *pts, int n) {
    DeviceContext *dc = DrawableDC(hdc);
    if (!dc || !pts || n < 2) return dc != nullptr && n >= 2;
    GdiObject *brush = DCBrush(dc);
    if (!brush->nullBrush) {
        QPolygonF poly;
        for (int i = 0; i < n; i++) poly << QPointF(pts[i].x + 0.5, pts[i].y + 0.5);
        ContextPainter cp(dc);
        cp.painter.setPen(Qt::NoPen);
        cp.painter.setBrush(FillBrush(brush));
        cp.painter.drawPolygon(poly, Qt::OddEvenFill);
    }
    StrokeFigure(dc, pts, n, true);
    DCChanged(dc);
    return TRUE;
}

BOOL Rectangle(HDC hdc, int l, int t, int r, int b) {
    DeviceContext *dc = DrawableDC(hdc);
    if (!dc) return FALSE;
    QRect box = NormalRect(l, t, r, b);
    if (box.isEmpty()) return TRUE;
    QRect clip = DCClipRect(dc);
    GdiObject *pen = DCPen(dc);
    GdiObject *brush = DCBrush(dc);
    bool outline = pen->penStyle != PS_NULL;
    const Pixels pixels(*dc->surface);
    if (!brush->nullBrush) {
        QRect inside = (outline && pen->penWidth <= 1) ? box.adjusted(1, 1, -1, -1) : box;
        FillArea(pixels, Cut(inside, clip), QRgbFromColorRef(brush->color));
    }
    if (outline) {
        int x0 = box.left(), y0 = box.top(), x1 = box.left() + box.width() - 1, y1 = box.top() + box.height() - 1;
        if (pen->penWidth <= 1) {
            const QRgb ink = QRgbFromColorRef(pen->color);
            if (x0 == x1 || y0 == y1) {
                FillArea(pixels, Cut(box, clip), ink);
            } else if (pen->penStyle == PS_SOLID) {
                // The four sides a solid one-pixel outline sets, each pixel once.
                FillArea(pixels, Cut(QRect(x0, y0, x1 - x0 + 1, 1), clip), ink);
                FillArea(pixels, Cut(QRect(x0, y1, x1 - x0 + 1, 1), clip), ink);
                FillArea(pixels, Cut(QRect(x0, y0 + 1, 1, y1 - y0 - 1), clip), ink);
                FillArea(pixels, Cut(QRect(x1, y0 + 1, 1, y1 - y0 - 1), clip), ink);
            } else {
                POINT corners[4] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
                StrokeFigure(dc, corners, 4, true);
            }
        } else {
            ContextPainter cp(dc);
            cp.painter.setPen(WidePen(pen));
            cp.painter.setBrush(Qt::NoBrush);
            cp.painter.drawRect(QRectF(x0 + 0.5, y0 + 0.5, x1 - x0, y1 - y0));
        }
    }
    DCChanged(dc);
    return TRUE;
}

namespace {

void PaintEllipse(QPainter &painter, const QRect &box, GdiObject *pen, GdiObject *brush) {
    painter.setBrush(FillBrush(brush));
    painter.setPen(OutlinePen(pen));
    if (pen->penStyle == PS_NULL)
        painter.drawEllipse(QRectF(box.left(), box.top(), box.width(), box.height()));
    else
        painter.drawEllipse(QRectF(box.left() + 0.5, box.top() + 0.5, box.width() - 1, box.height() - 1));
}

// Stamps of small ellipses: a kind is painted normally the first time it is met and stamped from its second use.
struct EllipseStamp {
    int width = 0, height = 0, penStyle = 0, penWidth = 0;
    COLORREF penColor = 0, brushColor = 0;
    bool nullBrush = false;
    int margin = 0;
    QPoint corner;       // of the stamp relative to the box's top-left corner
    bool tried = false;  // met before: the stamp is made (or found impossible) at the next use
    Stamp stamp;
    bool operator==(const EllipseStamp &o) const {
        return width == o.width && height == o.height && penStyle == o.penStyle && penWidth == o.penWidth &&
               penColor == o.penColor && brushColor == o.brushColor && nullBrush == o.nullBrush;
    }
};
// Circles of the map's marks; each kind was checked to set the same pixels at every place of a tile.
constexpr int kStampedCircleSides[2] = {4, 12};
constexpr int kStampedPenWidths[2] = {1, 3};
thread_local EllipseStamp ellipseStamps[8];
thread_local int nextEllipseStamp = 0;

// The stamp of the ellipse kind, or nullptr when it is to be painted.
const EllipseStamp *EllipseStampFor(const QRect &box, GdiObject *pen, GdiObject *brush) {
    if (box.width() != box.height() || box.width() % 2 != 0 || box.width() < kStampedCircleSides[0] || box.width() > kStampedCircleSides[1] ||
        pen->penStyle != PS_SOLID || pen->penWidth < kStampedPenWidths[0] || pen->penWidth > kStampedPenWidths[1])
        return nullptr;
    EllipseStamp key;
    key.width = box.width();
    key.height = box.height();
    key.penStyle = pen->penStyle;
    key.penWidth = pen->penWidth;
    key.penColor = pen->color;
    key.nullBrush = brush->nullBrush;
    key.brushColor = brush->nullBrush ? 0 : brush->color;
    for (EllipseStamp &entry : ellipseStamps) {
        if (!entry.tried || !(entry == key)) continue;
        if (entry.stamp.isNull() && entry.margin == 0) {
            entry.margin = std::max(2, pen->penWidth + 2);
            const int m = entry.margin;
            QPoint corner;
            entry.stamp = PaintStamp(key.width + 2 * m, key.height + 2 * m, &corner, [&](QImage &image) {
                QPainter painter(&image);
                painter.setRenderHint(QPainter::Antialiasing, false);
                PaintEllipse(painter, QRect(m, m, key.width, key.height), pen, brush);
            });
            entry.corner = corner - QPoint(m, m);
        }
        return entry.stamp.isNull() ? nullptr : &entry;
    }
    EllipseStamp &slot = ellipseStamps[nextEllipseStamp];
    nextEllipseStamp = (nextEllipseStamp + 1) % 8;
    slot = key;
    slot.tried = true;
    return nullptr;
}

}  // namespace

Stamp StampFromImage(const QImage &image) {
    Stamp stamp;
    stamp.width = image.width();
    stamp.height = image.height();
    for (int y = 0; y < image.height(); y++) {
        const QRgb *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width();) {
            if (qAlpha(line[x]) != 255) {
                x++;
                continue;
            }
            Stamp::Run run{x, y, 0, stamp.colors.size(), true};
            for (; x < image.width() && qAlpha(line[x]) == 255; x++, run.n++) {
                run.uniform = run.uniform && line[x] == line[run.x];
                stamp.colors.push_back(line[x]);
            }
            stamp.runs.push_back(run);
        }
    }
    return stamp;
}

bool PutStamp(QImage &target, const QRect &clip, const Stamp &stamp, int x, int y, bool cut) {
    const QRect area(x, y, stamp.width, stamp.height);
    const QRect room = Cut(clip, target.rect());
    const bool whole = room.contains(area.adjusted(-1, -1, 1, 1));
    if (!whole && !cut) return false;
    if (!whole && Cut(area, room).isEmpty()) return true;
    const Pixels to(target);
    for (const Stamp::Run &run : stamp.runs) {
        const int row = y + run.y;
        int from = x + run.x, n = run.n;
        size_t first = run.first;
        if (!whole) {
            if (row < room.top() || row > room.bottom()) continue;
            const int skip = std::max(0, room.left() - from);
            n = std::min(from + n, room.right() + 1) - from - skip;
            if (n <= 0) continue;
            from += skip;
            first += size_t(skip);
        }
        QRgb *line = to.Row(row) + from;
        if (run.uniform) {
            const QRgb ink = stamp.colors[first];
            for (int i = 0; i < n; i++) line[i] = ink;
        } else {
            std::copy_n(stamp.colors.data() + first, n, line);
        }
    }
    return true;
}

BOOL Ellipse(HDC hdc, int l, int t, int r, int b) {
    DeviceContext *dc = DrawableDC(hdc);
    if (!dc) return FALSE;
    QRect box = NormalRect(l, t, r, b);
    if (box.isEmpty()) return TRUE;
    GdiObject *pen = DCPen(dc);
    GdiObject *brush = DCBrush(dc);
    const QRect clip = DCClipRect(dc);
    // Only an ellipse well inside what may change is stamped.
    const int reach = std::max(1, pen->penWidth);
    const EllipseStamp *stamp =
        !paintEveryFigure && dc->surface->format() == QImage::Format_RGB32 &&
                clip.contains(box.adjusted(-reach, -reach, reach, reach))
            ? EllipseStampFor(box, pen, brush)
            : nullptr;
    if (!stamp ||
        !PutStamp(*dc->surface, clip, stamp->stamp, box.left() + stamp->corner.x(), box.top() + stamp->corner.y())) {
        ContextPainter cp(dc);
        PaintEllipse(cp.painter, box, pen, brush);
    }
    DCChanged(dc);
    return TRUE;
}

BOOL RoundRect(HDC hdc, int l, int t, int r, int b, int w, int h) {
    DeviceContext *dc = DrawableDC(hdc);
    if (!dc) return FALSE;
    QRect box = NormalRect(l, t, r, b);
    if (box.isEmpty()) return TRUE;
    GdiObject *pen = DCPen(dc);
    ContextPainter cp(dc);
    cp.painter.setBrush(FillBrush(DCBrush(dc)));
    cp.painter.setPen(OutlinePen(pen));
    double rx = std::abs(w) / 2.0, ry = std::abs(h) / 2.0;
    if (pen->penStyle == PS_NULL)
        cp.painter.drawRoundedRect(QRectF(box.left(), box.top(), box.width(), box.height()), rx, ry);
    else
        cp.painter.drawRoundedRect(QRectF(box.left() + 0.5, box.top() + 0.5, box.width() - 1, box.height() - 1),
                                   rx, ry);
    DCChanged(dc);
    return TRUE;
}

int FillRect(HDC hdc, const RECT *rc, HBRUSH brush) {
    DeviceContext *dc = DrawableDC(hdc);
    if (!dc || !rc) return 0;
    COLORREF color;
    if (!BrushColor(brush, &color)) return GdiLookup(brush) ? 1 : 0;
    FillArea(*dc->surface, NormalRect(rc->left, rc->top, rc->right, rc->bottom) & DCClipRect(dc),
             QRgbFromColorRef(color));
    DCChanged(dc);
    return 1;
}

int FrameRect(HDC hdc, const RECT *rc, HBRUSH brush) {
    DeviceContext *dc = DrawableDC(hdc);
    if (!dc || !rc) return 0;
    COLORREF color;
    if (!BrushColor(brush, &color)) return GdiLookup(brush) ? 1 : 0;
    QRect box = NormalRect(rc->left, rc->top, rc->right, rc->bottom);
    if (box.isEmpty()) return 1;
    QRect clip = DCClipRect(dc);
    QRgb c = QRgbFromColorRef(color);
    int x0 = box.left(), y0 = box.top(), w = box.width(), h = box.height();
    FillArea(*dc->surface, QRect(x0, y0, w, 1) & clip, c);
    FillArea(*dc->surface, QRect(x0, y0 + h - 1, w, 1) & clip, c);
    FillArea(*dc->surface, QRect(x0, y0, 1, h) & clip, c);
    FillArea(*dc->surface, QRect(x0 + w - 1, y0, 1, h) & clip, c);
    DCChanged(dc);
    return 1;
}

void FillImageRect(QImage *target, const RECT &r, HBRUSH brush) {
    if (!target || target->isNull()) return;
    COLORREF color;
    if (!BrushColor(brush, &color)) return;
    QImage::Format f = target->format();
    if (f != QImage::Format_RGB32 && f != QImage::Format_ARGB32 && f != QImage::Format_ARGB32_Premultiplied)
        *target = target->convertToFormat(QImage::Format_RGB32);
    FillArea(*target, NormalRect(r.left, r.top, r.right, r.bottom) & target->rect(), QRgbFromColorRef(color));
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) {
    DeviceContext *dc = DrawableDC(hdc);
    if (!dc) return CLR_INVALID;
    QRect clip = DCClipRect(dc);
    if (!clip.contains(x, y)) return CLR_INVALID;
    PutPixel(*dc->surface, clip, x, y, QRgbFromColorRef(color));
    DCChanged(dc);
    return color & 0xFFFFFF;
}

COLORREF GetPixel(HDC hdc, int x, int y) {
    DeviceContext *dc = DrawableDC(hdc);
    if (!dc || !dc->surface->rect().contains(x, y)) return CLR_INVALID;
    QRgb c = reinterpret_cast<const QRgb *>(dc->surface->constScanLine(y))[x];
    return RGB(qRed(c), qGreen(c), qBlue(c));
}

BOOL PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop) {
    DeviceContext *dc = DrawableDC(hdc);
    if (!dc) return FALSE;
    QRgb c;
    if (rop == WHITENESS) {
        c = qRgb(255, 255, 255);
    } else if (rop == BLACKNESS) {
        c = qRgb(0, 0, 0);
    } else if (rop == PATCOPY) {
        COLORREF color;
        if (!BrushColor(dc->brush, &color)) return TRUE;  // null brush: nothing to paint
        c = QRgbFromColorRef(color);
    } else {
        return FALSE;
    }
    auto far = [](int64_t v) { return int(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
    FillArea(*dc->surface, NormalRect(x, y, far(int64_t(x) + w), far(int64_t(y) + h)) & DCClipRect(dc), c);
    DCChanged(dc);
    return TRUE;
}

BOOL BitBlt(HDC hdst, int x, int y, int w, int h, HDC hsrc, int sx, int sy, DWORD rop) {
    if (rop == WHITENESS || rop == BLACKNESS || rop == PATCOPY) return PatBlt(hdst, x, y, w, h, rop);
    if (rop != SRCCOPY && rop != SRCAND) return FALSE;
    DeviceContext *dst = DrawableDC(hdst);
    DeviceContext *src = DrawableDC(hsrc);
    if (!dst || !src) return FALSE;
    if (w < 0) {
        x += w;
        sx += w;
        w = -w;
    }
    if (h < 0) {
        y += h;
        sy += h;
        h = -h;
    }
    // Destination pixels that may change and have a source pixel.
    QRect area = NormalRect(x, y, int(std::min<int64_t>(int64_t(x) + w, INT32_MAX)),
                            int(std::min<int64_t>(int64_t(y) + h, INT32_MAX))) & DCClipRect(dst);
    area &= src->surface->rect().translated(x - sx, y - sy);
    if (area.isEmpty()) return TRUE;
    // Within one surface the source block is copied out first, so that the transfer behaves like a move; from
    // another 32-bit surface the rows are read in place.
    QImage block;
    const QImage *from32 = src->surface;
    QPoint origin = area.topLeft() + QPoint(sx - x, sy - y);
    if (src->surface == dst->surface || src->surface->format() != QImage::Format_RGB32) {
        block = src->surface->copy(area.translated(sx - x, sy - y));
        if (block.format() != QImage::Format_RGB32) block = block.convertToFormat(QImage::Format_RGB32);
        from32 = &block;
        origin = QPoint(0, 0);
    }
    QImage &image = *dst->surface;
    const int width = area.width(), height = area.height();
    for (int row = 0; row < height; row++) {
        const QRgb *__restrict from =
            reinterpret_cast<const QRgb *>(from32->constScanLine(origin.y() + row)) + origin.x();
        QRgb *__restrict to = reinterpret_cast<QRgb *>(image.scanLine(area.top() + row)) + area.left();
        if (rop == SRCCOPY)
            CombineRow(to, from, width, false);
        else
            CombineRow(to, from, width, true);
    }
    DCChanged(dst);
    return TRUE;
}
