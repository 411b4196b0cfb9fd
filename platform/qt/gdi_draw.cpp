// Drawing on device contexts: lines, shapes, fills, pixels and block transfers, aliased with the classic geometry.
#include "platform/qt/gdi_internal.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

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

inline void PutPixel(QImage &image, const QRect &clip, int x, int y, QRgb c) {
    if (!clip.contains(x, y)) return;
    reinterpret_cast<QRgb *>(image.scanLine(y))[x] = c;
}

void FillArea(QImage &image, const QRect &area, QRgb c) {
    if (area.isEmpty()) return;
    for (int y = area.top(); y <= area.bottom(); y++) {
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        std::fill(line + area.left(), line + area.left() + area.width(), c);
    }
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

// One-pixel line from (x0, y0) to (x1, y1), last pixel left out. `step` carries the dash position across the
// segments of one figure.
void ThinLine(DeviceContext *dc, const QRect &clip, GdiObject *pen, int x0, int y0, int x1, int y1, int &step) {
    QImage &image = *dc->surface;
    const std::vector<int> &pattern = DashPattern(pen->penStyle);
    int period = 0;
    for (int run : pattern) period += run;
    QRgb ink = QRgbFromColorRef(pen->color);
    QRgb gap = QRgbFromColorRef(dc->bkColor);
    bool paintGaps = dc->bkMode == OPAQUE;
    int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    int x = x0, y = y0;
    while (x != x1 || y != y1) {
        bool on = true;
        if (period > 0) on = (step % period) < pattern[0];
        if (on) PutPixel(image, clip, x, y, ink);
        else if (paintGaps) PutPixel(image, clip, x, y, gap);
        step++;
        int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
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

// Open or closed figure through the points with the context's pen.
void StrokeFigure(DeviceContext *dc, const POINT *pts, int n, bool closed) {
    GdiObject *pen = DCPen(dc);
    if (pen->penStyle == PS_NULL || n < 1) return;
    QRect clip = DCClipRect(dc);
    if (clip.isEmpty()) return;
    if (pen->penWidth <= 1) {
        int step = 0;
        for (int i = 0; i + 1 < n; i++) ThinLine(dc, clip, pen, pts[i].x, pts[i].y, pts[i + 1].x, pts[i + 1].y, step);
        if (closed && n > 1) ThinLine(dc, clip, pen, pts[n - 1].x, pts[n - 1].y, pts[0].x, pts[0].y, step);
        return;
    }
    bool allSame = true;
    for (int i = 1; i < n; i++)
        if (pts[i].x != pts[0].x || pts[i].y != pts[0].y) allSame = false;
    ContextPainter cp(dc);
    if (allSame) {
        // A zero-length stroke with round ends is a dot as wide as the pen.
        cp.painter.setPen(Qt::NoPen);
        cp.painter.setBrush(QColorFromColorRef(pen->color));
        double r = pen->penWidth / 2.0;
        cp.painter.drawEllipse(QPointF(pts[0].x + 0.5, pts[0].y + 0.5), r, r);
        return;
    }
    QPainterPath path;
    path.moveTo(pts[0].x + 0.5, pts[0].y + 0.5);
    for (int i = 1; i < n; i++) path.lineTo(pts[i].x + 0.5, pts[i].y + 0.5);
    if (closed) path.closeSubpath();
    cp.painter.setPen(WidePen(pen));
    cp.painter.setBrush(Qt::NoBrush);
    cp.painter.drawPath(path);
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
    if (!brush->nullBrush) {
        QRect inside = (outline && pen->penWidth <= 1) ? box.adjusted(1, 1, -1, -1) : box;
        FillArea(*dc->surface, inside & clip, QRgbFromColorRef(brush->color));
    }
    if (outline) {
        int x0 = box.left(), y0 = box.top(), x1 = box.left() + box.width() - 1, y1 = box.top() + box.height() - 1;
        if (pen->penWidth <= 1) {
            if (x0 == x1 || y0 == y1) {
                FillArea(*dc->surface, box & clip, QRgbFromColorRef(pen->color));
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

BOOL Ellipse(HDC hdc, int l, int t, int r, int b) {
    DeviceContext *dc = DrawableDC(hdc);
    if (!dc) return FALSE;
    QRect box = NormalRect(l, t, r, b);
    if (box.isEmpty()) return TRUE;
    GdiObject *pen = DCPen(dc);
    ContextPainter cp(dc);
    cp.painter.setBrush(FillBrush(DCBrush(dc)));
    cp.painter.setPen(OutlinePen(pen));
    if (pen->penStyle == PS_NULL)
        cp.painter.drawEllipse(QRectF(box.left(), box.top(), box.width(), box.height()));
    else
        cp.painter.drawEllipse(QRectF(box.left() + 0.5, box.top() + 0.5, box.width() - 1, box.height() - 1));
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
    FillArea(*dc->surface, NormalRect(x, y, x + w, y + h) & DCClipRect(dc), c);
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
    QRect area = QRect(x, y, w, h) & DCClipRect(dst);
    area &= src->surface->rect().translated(x - sx, y - sy);
    if (area.isEmpty()) return TRUE;
    // The source block is copied out first, so a transfer within one surface behaves like a move.
    QImage block = src->surface->copy(area.translated(sx - x, sy - y));
    if (block.format() != QImage::Format_RGB32) block = block.convertToFormat(QImage::Format_RGB32);
    QImage &image = *dst->surface;
    for (int row = 0; row < area.height(); row++) {
        const QRgb *from = reinterpret_cast<const QRgb *>(block.constScanLine(row));
        QRgb *to = reinterpret_cast<QRgb *>(image.scanLine(area.top() + row)) + area.left();
        if (rop == SRCCOPY) {
            for (int i = 0; i < area.width(); i++) to[i] = from[i] | 0xFF000000u;
        } else {
            for (int i = 0; i < area.width(); i++) to[i] = (to[i] & from[i]) | 0xFF000000u;
        }
    }
    DCChanged(dst);
    return TRUE;
}
