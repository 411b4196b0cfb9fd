// Drawing layer internals: device contexts, pens, brushes, fonts and bitmaps on retained QImages.
//
// The window code (GetDC, ReleaseDC, BeginPaint, EndPaint, class background erase, fonts of Qt controls) uses the
// functions below. A context is a light state object; every drawing call opens a short-lived QPainter on the
// target image, so contexts may be held for a long time and several may point at one image.
#pragma once

#include "platform/platform.h"

#include <QColor>
#include <QFont>
#include <QImage>

#include <algorithm>
#include <vector>

// The object behind HPEN, HBRUSH, HFONT and HBITMAP.
struct GdiObject {
    enum Kind { Pen, Brush, Font, Bitmap };
    Kind kind = Pen;
    bool stock = false;          // never deleted
    bool internal = false;       // made by the layer itself (not counted by GdiObjectCount)
    bool deletePending = false;  // DeleteObject while selected: freed when the last context lets go of it
    int selectedIn = 0;          // number of contexts that have it selected
    // Pen and brush
    int penStyle = PS_SOLID;     // PS_NULL for NULL_PEN
    int penWidth = 1;
    bool nullBrush = false;
    COLORREF color = 0;
    // Font
    QFont font;
    int fontWeight = FW_NORMAL;
    int escapement = 0;          // tenths of a degree, counter-clockwise
    // Bitmap
    QImage image;
};

// The state behind HDC.
struct DeviceContext {
    QImage *surface = nullptr;   // where drawing lands (a window's retained image or the selected bitmap's image)
    HWND owner = nullptr;        // window whose image this is (told of every change), nullptr otherwise
    bool memory = false;         // made by CreateCompatibleDC / PlatformCreateMemorySurface
    HBITMAP bitmap = nullptr;    // selected bitmap of a memory context
    HBITMAP ownedBitmap = nullptr;  // surface made for PlatformCreateMemorySurface, freed with the context
    HPEN pen = nullptr;
    HBRUSH brush = nullptr;
    HFONT font = nullptr;
    COLORREF textColor = 0;
    COLORREF bkColor = 0xFFFFFF;
    int bkMode = OPAQUE;
    UINT textAlign = TA_TOP | TA_LEFT;
    POINT position{0, 0};
    bool hasPaintClip = false;   // set by SetImageDCClip (BeginPaint), kept by SelectClipRgnNone
    RECT paintClip{0, 0, 0, 0};
    bool hasClip = false;        // set by IntersectClipRect
    RECT clip{0, 0, 0, 0};
};

// A context drawing on `target` (a window's retained image; owner nullptr for a free-standing image). The image
// must outlive the context or be detached with DetachImageDCs. Fresh state: black pen, white brush, the 16-pixel
// system font, black text on white, opaque background, text aligned top-left, no clip.
DeviceContext *NewImageDC(QImage *target, HWND owner);
// Frees a context made by NewImageDC, releasing the objects selected into it.
void FreeImageDC(DeviceContext *);
// Clips everything the context draws to `clip` (BeginPaint: the invalid region). SelectClipRgnNone keeps it.
void SetImageDCClip(DeviceContext *, const RECT &clip);
// Every context still drawing on `target` stops drawing (call before the image is destroyed).
void DetachImageDCs(const QImage *target);
// The image a context draws on (nullptr when none), its owner window, and whether the handle is a live context.
QImage *ImageDCSurface(DeviceContext *);
HWND ImageDCOwner(DeviceContext *);
bool IsLiveDC(HDC);

// Defined by the window code: the image of `owner` was drawn on (schedule a repaint of the widget).
void PlatformWindowImageChanged(HWND owner);

// Fills [left, right) x [top, bottom) of `target` with the brush (class background erase). Accepts a brush
// handle or a system colour index plus one cast to HBRUSH. A null brush paints nothing.
void FillImageRect(QImage *target, const RECT &r, HBRUSH brush);
// The Qt font of a font handle (the system font for nullptr or a stale handle).
QFont QFontFromHandle(HFONT);
// A white (or `fill`) image in the pixel format the drawing layer works in; use it for window images.
QImage NewSurfaceImage(int w, int h, COLORREF fill = 0xFFFFFF);
// The same font in the narrow face (Liberation Sans Narrow) at the same pixel height and weight: what a text that
// does not fit its place is drawn in.
QFont NarrowFace(const QFont &);
// COLORREF (0x00BBGGRR) to Qt and back.
QColor QColorFromColorRef(COLORREF);
COLORREF ColorRefFromQColor(const QColor &);
// The colour of a brush handle (or system colour index plus one); false for a null brush or a stale handle.
bool BrushColor(HBRUSH brush, COLORREF *color);

// ---------------------------------------------------------------------------------------------------------------
// Shared by the drawing files only.
// ---------------------------------------------------------------------------------------------------------------
// The live object behind a handle (nullptr for a stale or foreign handle). Small values are system colour
// brushes (index plus one) and resolve to the matching system colour brush.
GdiObject *GdiLookup(HGDIOBJ);
// The live context behind a handle with a drawable 32-bit surface, or nullptr.
DeviceContext *DrawableDC(HDC);
// Area drawing may touch: the surface bounds cut by the paint clip and the clip; empty when nothing may change.
QRect DCClipRect(DeviceContext *);
// Tells the owner window that its image changed.
void DCChanged(DeviceContext *);
// The pen, brush and font in use (stock defaults when none is selected).
GdiObject *DCPen(DeviceContext *);
GdiObject *DCBrush(DeviceContext *);
GdiObject *DCFont(DeviceContext *);
// Normalised [l, r) x [t, b) rectangle as a QRect (corners in either order).
QRect NormalRect(int l, int t, int r, int b);
inline QRgb QRgbFromColorRef(COLORREF c) { return qRgb(GetRValue(c), GetGValue(c), GetBValue(c)); }

// Stamps of small figures that repeat by the thousand (marks and labels of the map). Aliased drawing in whole pixels
// moves with its figure, so a figure painted once into a transparent image sets, when copied elsewhere, the very
// pixels the painter would have set there.
// The pixels a figure set, as runs along its rows, in a box of width x height.
struct Stamp {
    struct Run {
        int x, y, n;
        size_t first;   // of the run's colours in `colors`
        bool uniform;   // all of one colour (the ink of a mark or a glyph)
    };
    int width = 0, height = 0;
    std::vector<Run> runs;
    std::vector<QRgb> colors;
    bool isNull() const { return runs.empty(); }
};
// The runs of opaque pixels of an image cut to its opaque pixels; a null stamp when one is part-transparent.
Stamp StampFromImage(const QImage &image);
// A transparent image of w x h in which `paint` draws, cut to the pixels it set (their top-left corner in the
// image of w x h goes to *corner); null when it set none or left a pixel part-transparent (then the figure cannot be
// stamped).
template <typename Paint>
Stamp PaintStamp(int w, int h, QPoint *corner, Paint paint) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return Stamp();
    image.fill(Qt::transparent);
    paint(image);
    int left = w, right = -1, top = h, bottom = -1;
    for (int y = 0; y < h; y++) {
        const QRgb *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < w; x++) {
            if (qAlpha(line[x]) == 0) continue;
            if (qAlpha(line[x]) != 255) return Stamp();
            left = std::min(left, x), right = std::max(right, x);
            top = std::min(top, y), bottom = std::max(bottom, y);
        }
    }
    if (right < 0) return Stamp();
    *corner = QPoint(left, top);
    return StampFromImage(image.copy(left, top, right - left + 1, bottom - top + 1));
}
// Copies the pixels of a stamp onto a 32-bit RGB surface with its top-left corner at (x, y) when the stamp's box
// and a pixel around it lie inside clip; false (nothing copied) otherwise: where a figure meets the edge of what may
// change the painter may set other pixels, so such a figure is painted. With `cut` (text, whose glyphs the painter
// copies from the font's cache and clips pixel by pixel) the part inside clip is copied instead.
bool PutStamp(QImage &target, const QRect &clip, const Stamp &stamp, int x, int y, bool cut = false);
// Set by PlatformPaintEveryFigure: no figure is stamped.
extern bool paintEveryFigure;
