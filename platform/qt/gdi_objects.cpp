// Drawing objects and device contexts: pens, brushes, fonts, bitmaps, stock objects, system colours, selection.
#include "platform/qt/gdi_internal.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>
#include <unordered_set>
#include <utility>

namespace {

// Contexts belong to the user-interface thread; objects may be made and deleted from any thread, so their
// registry has a lock.
std::recursive_mutex objectLock;
std::unordered_set<GdiObject *> liveObjects;
std::unordered_set<DeviceContext *> liveContexts;
std::map<int, GdiObject *> stockObjects;
std::map<int, GdiObject *> sysColorBrushes;
GdiObject *defaultBitmap = nullptr;

// Objects found live lately (under objectLock): a drawing loop selects the same few pens, brushes and bitmaps over
// and over, and each selection asks after the object it selects and the one it lets go of.
GdiObject *recentLive[4] = {};
unsigned nRecentLive = 0;

bool IsLiveObject(GdiObject *o) {
    if (!o) return false;
    for (GdiObject *r : recentLive)
        if (r == o) return true;
    if (liveObjects.count(o) == 0) return false;
    recentLive[nRecentLive++ % 4] = o;
    return true;
}

GdiObject *NewObject(GdiObject::Kind kind) {
    std::lock_guard<std::recursive_mutex> lock(objectLock);
    GdiObject *o = new GdiObject;
    o->kind = kind;
    liveObjects.insert(o);
    return o;
}

void FreeObject(GdiObject *o) {
    std::lock_guard<std::recursive_mutex> lock(objectLock);
    liveObjects.erase(o);
    for (GdiObject *&r : recentLive)
        if (r == o) r = nullptr;
    delete o;
}

// A context lets go of an object; a deletion asked for while it was selected happens now.
void Release(GdiObject *o) {
    std::lock_guard<std::recursive_mutex> lock(objectLock);
    if (!IsLiveObject(o)) return;
    if (o->selectedIn > 0) o->selectedIn--;
    if (o->selectedIn == 0 && o->deletePending && !o->stock) FreeObject(o);
}

void Hold(GdiObject *o) {
    std::lock_guard<std::recursive_mutex> lock(objectLock);
    if (o) o->selectedIn++;
}

// Maps face names the program uses to the free faces the setup installs.
QString MapFace(const wchar_t *face) {
    QString f = face ? QString::fromWCharArray(face) : QString();
    QString key = f.trimmed().toLower();
    if (key.isEmpty() || key == "microsoft sans serif" || key == "ms sans serif" || key == "ms shell dlg" ||
        key == "ms shell dlg 2" || key == "arial" || key == "tahoma" || key == "segoe ui" || key == "system")
        return QStringLiteral("Liberation Sans");
    if (key == "courier new" || key == "courier" || key == "lucida console" || key == "consolas")
        return QStringLiteral("Liberation Mono");
    if (key == "times new roman" || key == "times") return QStringLiteral("Liberation Serif");
    return f;
}

QFont MakeQFont(const QString &family, int pixelHeight, int weight, bool italic, bool underline, bool strikeOut) {
    QFont font(family);
    font.setPixelSize(std::max(1, pixelHeight));
    int w = weight <= 0 ? FW_NORMAL : std::clamp(weight, 100, 900);
    font.setWeight(static_cast<QFont::Weight>(w));
    font.setItalic(italic);
    font.setUnderline(underline);
    font.setStrikeOut(strikeOut);
    // Aliased like the rest of the drawing; exact colours on every pixel of a glyph.
    font.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::PreferMatch));
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setKerning(false);
    return font;
}

GdiObject *MakeStock(int index) {
    GdiObject *o = nullptr;
    auto brush = [&](bool isNull, COLORREF c) {
        o = NewObject(GdiObject::Brush);
        o->nullBrush = isNull;
        o->color = c;
    };
    auto pen = [&](int style, COLORREF c) {
        o = NewObject(GdiObject::Pen);
        o->penStyle = style;
        o->penWidth = 1;
        o->color = c;
    };
    switch (index) {
    case WHITE_BRUSH: brush(false, RGB(255, 255, 255)); break;
    case LTGRAY_BRUSH: brush(false, RGB(192, 192, 192)); break;
    case GRAY_BRUSH: brush(false, RGB(128, 128, 128)); break;
    case DKGRAY_BRUSH: brush(false, RGB(64, 64, 64)); break;
    case BLACK_BRUSH: brush(false, RGB(0, 0, 0)); break;
    case NULL_BRUSH: brush(true, 0); break;
    case WHITE_PEN: pen(PS_SOLID, RGB(255, 255, 255)); break;
    case BLACK_PEN: pen(PS_SOLID, RGB(0, 0, 0)); break;
    case NULL_PEN: pen(PS_NULL, 0); break;
    case SYSTEM_FONT:
        o = NewObject(GdiObject::Font);
        o->font = MakeQFont(QStringLiteral("Liberation Sans"), 16, FW_NORMAL, false, false, false);
        break;
    case DEFAULT_GUI_FONT:
        o = NewObject(GdiObject::Font);
        o->font = MakeQFont(QStringLiteral("Liberation Sans"), 11, FW_NORMAL, false, false, false);
        break;
    default: return nullptr;
    }
    o->stock = true;
    return o;
}

GdiObject *DefaultBitmap() {
    std::lock_guard<std::recursive_mutex> lock(objectLock);
    if (!defaultBitmap) {
        defaultBitmap = NewObject(GdiObject::Bitmap);
        defaultBitmap->stock = true;
        defaultBitmap->image = NewSurfaceImage(1, 1);
    }
    return defaultBitmap;
}

// The context found last: drawing calls come by the thousand on one context.
DeviceContext *lastLiveContext = nullptr;

DeviceContext *LiveContext(HDC dc) {
    if (dc && dc == lastLiveContext) return dc;
    if (!dc || !liveContexts.count(dc)) return nullptr;
    lastLiveContext = dc;
    return dc;
}

void ReleaseSelections(DeviceContext *dc) {
    Release(dc->pen);
    Release(dc->brush);
    Release(dc->font);
    Release(dc->bitmap);
    dc->pen = dc->brush = dc->font = dc->bitmap = nullptr;
    if (dc->ownedBitmap) {
        GdiObject *b = dc->ownedBitmap;
        dc->ownedBitmap = nullptr;
        std::lock_guard<std::recursive_mutex> lock(objectLock);
        if (IsLiveObject(b)) {
            if (b->selectedIn == 0) FreeObject(b);
            else b->deletePending = true;
        }
    }
}

void InitState(DeviceContext *dc) {
    dc->pen = GetStockObject(BLACK_PEN);
    dc->brush = GetStockObject(WHITE_BRUSH);
    dc->font = nullptr;  // the system font, made when first needed
    Hold(dc->pen);
    Hold(dc->brush);
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------------
// Colours
// ---------------------------------------------------------------------------------------------------------------
QColor QColorFromColorRef(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

COLORREF ColorRefFromQColor(const QColor &c) { return RGB(c.red(), c.green(), c.blue()); }

DWORD GetSysColor(int index) {
    switch (index) {
    case COLOR_WINDOW: return RGB(255, 255, 255);
    case COLOR_BTNFACE: return RGB(240, 240, 240);
    case 1: return RGB(0, 0, 0);            // desktop
    case 4: return RGB(240, 240, 240);      // menu
    case 6: return RGB(100, 100, 100);      // window frame
    case 7: return RGB(0, 0, 0);            // menu text
    case 8: return RGB(0, 0, 0);            // window text
    case 9: return RGB(0, 0, 0);            // caption text
    case 13: return RGB(0, 120, 215);       // highlight
    case 14: return RGB(255, 255, 255);     // highlight text
    case 16: return RGB(160, 160, 160);     // button shadow
    case 17: return RGB(109, 109, 109);     // grey text
    case 18: return RGB(0, 0, 0);           // button text
    case 20: return RGB(255, 255, 255);     // button highlight
    case 21: return RGB(105, 105, 105);     // dark shadow
    case 22: return RGB(227, 227, 227);     // light
    case 23: return RGB(0, 0, 0);           // info text
    case 24: return RGB(255, 255, 225);     // info background
    default: return RGB(0, 0, 0);
    }
}

HBRUSH GetSysColorBrush(int index) {
    if (index < 0 || index > 40) return nullptr;
    std::lock_guard<std::recursive_mutex> lock(objectLock);
    auto it = sysColorBrushes.find(index);
    if (it != sysColorBrushes.end()) return it->second;
    GdiObject *o = NewObject(GdiObject::Brush);
    o->stock = true;
    o->color = GetSysColor(index);
    sysColorBrushes[index] = o;
    return o;
}

// ---------------------------------------------------------------------------------------------------------------
// Objects
// ---------------------------------------------------------------------------------------------------------------
GdiObject *GdiLookup(HGDIOBJ h) {
    uintptr_t v = reinterpret_cast<uintptr_t>(h);
    if (v == 0) return nullptr;
    if (v <= 41) return GetSysColorBrush(static_cast<int>(v) - 1);  // (HBRUSH)(COLOR_xxx + 1)
    std::lock_guard<std::recursive_mutex> lock(objectLock);
    return IsLiveObject(h) ? h : nullptr;
}

bool BrushColor(HBRUSH brush, COLORREF *color) {
    GdiObject *o = GdiLookup(brush);
    if (!o || o->kind != GdiObject::Brush || o->nullBrush) return false;
    if (color) *color = o->color;
    return true;
}

HPEN CreatePen(int style, int width, COLORREF color) {
    GdiObject *o = NewObject(GdiObject::Pen);
    o->penStyle = (style == PS_DASH || style == PS_DOT || style == PS_NULL) ? style : PS_SOLID;
    o->penWidth = std::max(1, width);
    o->color = color & 0xFFFFFF;
    return o;
}

HBRUSH CreateSolidBrush(COLORREF color) {
    GdiObject *o = NewObject(GdiObject::Brush);
    o->color = color & 0xFFFFFF;
    return o;
}

HFONT CreateFont(int height, int /*width*/, int escapement, int /*orientation*/, int weight, DWORD italic,
                 DWORD underline, DWORD strikeOut, DWORD /*charSet*/, DWORD /*outPrecision*/,
                 DWORD /*clipPrecision*/, DWORD /*quality*/, DWORD /*pitchAndFamily*/, const wchar_t *face) {
    int pixels = height < 0 ? -height : height;
    if (pixels == 0) pixels = 16;
    GdiObject *o = NewObject(GdiObject::Font);
    o->font = MakeQFont(MapFace(face), pixels, weight, italic != 0, underline != 0, strikeOut != 0);
    o->fontWeight = weight <= 0 ? FW_NORMAL : std::clamp(weight, 100, 900);
    o->escapement = escapement;
    return o;
}

HGDIOBJ GetStockObject(int index) {
    std::lock_guard<std::recursive_mutex> lock(objectLock);
    auto it = stockObjects.find(index);
    if (it != stockObjects.end()) return it->second;
    GdiObject *o = MakeStock(index);
    if (o) stockObjects[index] = o;
    return o;
}

QFont QFontFromHandle(HFONT h) {
    GdiObject *o = GdiLookup(h);
    if (!o || o->kind != GdiObject::Font) o = GetStockObject(SYSTEM_FONT);
    return o->font;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h) {
    DeviceContext *dc = LiveContext(hdc);
    // Selecting what is selected already changes nothing (a selected object stays live while it is selected).
    if (dc && h && (h == dc->pen || h == dc->brush || h == dc->font || h == dc->bitmap)) return h;
    std::lock_guard<std::recursive_mutex> lock(objectLock);  // once for the lookup, the hold and the release
    GdiObject *o = reinterpret_cast<uintptr_t>(h) <= 41 ? GdiLookup(h) : IsLiveObject(h) ? h : nullptr;
    if (!dc || !o) return nullptr;
    HGDIOBJ *slot = nullptr;
    switch (o->kind) {
    case GdiObject::Pen: slot = &dc->pen; break;
    case GdiObject::Brush: slot = &dc->brush; break;
    case GdiObject::Font: slot = &dc->font; break;
    case GdiObject::Bitmap:
        if (!dc->memory) return nullptr;
        slot = &dc->bitmap;
        break;
    }
    GdiObject *previous = *slot;
    if (previous == o) return previous;
    o->selectedIn++;
    *slot = o;
    if (o->kind == GdiObject::Bitmap) dc->surface = &o->image;
    // The caller gets the previous object back to select it again later.
    HGDIOBJ result = previous;
    if (!result && o->kind == GdiObject::Font) result = GetStockObject(SYSTEM_FONT);
    if (!result && o->kind == GdiObject::Bitmap) result = DefaultBitmap();
    Release(previous);
    return result;
}

BOOL DeleteObject(HGDIOBJ h) {
    if (!h || reinterpret_cast<uintptr_t>(h) <= 41) return FALSE;
    std::lock_guard<std::recursive_mutex> lock(objectLock);
    if (!IsLiveObject(h)) return FALSE;
    GdiObject *o = h;
    if (o->stock) return TRUE;  // stock objects live for the whole run
    if (o->selectedIn > 0) {
        o->deletePending = true;  // freed when the last context selects something else or is deleted
        return TRUE;
    }
    FreeObject(o);
    return TRUE;
}

int GdiObjectCount() {
    std::lock_guard<std::recursive_mutex> lock(objectLock);
    int n = 0;
    for (GdiObject *o : liveObjects)
        if (!o->stock && !o->internal && !o->deletePending) n++;
    return n;
}

HBITMAP CreateCompatibleBitmap(HDC, int w, int h) {
    QImage image = NewSurfaceImage(std::max(1, w), std::max(1, h));
    if (image.isNull()) return nullptr;
    GdiObject *o = NewObject(GdiObject::Bitmap);
    o->image = std::move(image);
    return o;
}

namespace {

// The image of a live bitmap handle in the 32-bit layout the drawing works in, or nullptr.
QImage *BitmapImage(HBITMAP h) {
    GdiObject *o = GdiLookup(h);
    if (!o || o->kind != GdiObject::Bitmap || o->image.isNull()) return nullptr;
    if (o->image.format() != QImage::Format_RGB32) o->image = o->image.convertToFormat(QImage::Format_RGB32);
    return &o->image;
}

}  // namespace

int32_t GetBitmapBits(HBITMAP h, int32_t bytes, void *bits) {
    QImage *image = BitmapImage(h);
    if (!image || !bits || bytes <= 0) return 0;
    const int64_t rowBytes = int64_t(image->width()) * 4;
    int64_t copied = 0;
    for (int y = 0; y < image->height() && copied < bytes; y++) {
        int64_t n = std::min<int64_t>(rowBytes, bytes - copied);
        memcpy(static_cast<char *>(bits) + copied, image->constScanLine(y), size_t(n));
        copied += n;
    }
    return int32_t(copied);
}

int32_t SetBitmapBits(HBITMAP h, int32_t bytes, const void *bits) {
    QImage *image = BitmapImage(h);
    if (!image || !bits || bytes <= 0) return 0;
    const int64_t rowBytes = int64_t(image->width()) * 4;
    int64_t copied = 0;
    for (int y = 0; y < image->height() && copied < bytes; y++) {
        int64_t n = std::min<int64_t>(rowBytes, bytes - copied);
        memcpy(image->scanLine(y), static_cast<const char *>(bits) + copied, size_t(n));
        copied += n;
    }
    return int32_t(copied);
}

QImage NewSurfaceImage(int w, int h, COLORREF fill) {
    w = std::max(1, w);
    h = std::max(1, h);
    // Pixels from the ordinary heap, which keeps the memory of freed surfaces (a map tile is one to two megabytes)
    // for the next ones. Memory asked of the system with huge pages is zeroed in two-megabyte faults that can hold
    // the screen thread for tens of milliseconds when a map tile is made.
    QImage image(w, h, QImage::Format_RGB32);
    if (!image.isNull()) image.fill(QRgbFromColorRef(fill));
    return image;
}

// ---------------------------------------------------------------------------------------------------------------
// Contexts
// ---------------------------------------------------------------------------------------------------------------
DeviceContext *NewImageDC(QImage *target, HWND owner) {
    DeviceContext *dc = new DeviceContext;
    dc->surface = target;
    dc->owner = owner;
    InitState(dc);
    liveContexts.insert(dc);
    return dc;
}

void FreeImageDC(DeviceContext *dc) {
    if (!LiveContext(dc)) return;
    liveContexts.erase(dc);
    if (lastLiveContext == dc) lastLiveContext = nullptr;
    ReleaseSelections(dc);
    delete dc;
}

void SetImageDCClip(DeviceContext *dc, const RECT &clip) {
    if (!LiveContext(dc)) return;
    dc->hasPaintClip = true;
    dc->paintClip = clip;
}

void DetachImageDCs(const QImage *target) {
    for (DeviceContext *dc : liveContexts)
        if (dc->surface == target && !dc->memory) {
            dc->surface = nullptr;
            dc->owner = nullptr;
        }
}

QImage *ImageDCSurface(DeviceContext *dc) { return LiveContext(dc) ? dc->surface : nullptr; }

HWND ImageDCOwner(DeviceContext *dc) { return LiveContext(dc) ? dc->owner : nullptr; }

bool IsLiveDC(HDC dc) { return LiveContext(dc) != nullptr; }

HDC CreateCompatibleDC(HDC) {
    DeviceContext *dc = new DeviceContext;
    dc->memory = true;
    InitState(dc);
    dc->bitmap = DefaultBitmap();
    Hold(dc->bitmap);
    dc->surface = &dc->bitmap->image;
    liveContexts.insert(dc);
    return dc;
}

BOOL DeleteDC(HDC hdc) {
    DeviceContext *dc = LiveContext(hdc);
    if (!dc || !dc->memory) return FALSE;  // window contexts go back through ReleaseDC / EndPaint
    FreeImageDC(dc);
    return TRUE;
}

HDC PlatformCreateMemorySurface(int w, int h) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(dc, w, h);
    if (!bmp) {
        DeleteDC(dc);
        return nullptr;
    }
    bmp->internal = true;
    dc->ownedBitmap = bmp;
    SelectObject(dc, bmp);
    return dc;
}

bool PlatformSaveSurfacePng(HDC hdc, const std::string &path) {
    DeviceContext *dc = LiveContext(hdc);
    if (!dc || !dc->surface || dc->surface->isNull()) return false;
    return dc->surface->save(QString::fromStdString(path), "PNG");
}

// ---------------------------------------------------------------------------------------------------------------
// Context state
// ---------------------------------------------------------------------------------------------------------------
// A selected object is held by the context and stays live until it lets go of it.
GdiObject *DCPen(DeviceContext *dc) { return dc->pen ? dc->pen : GetStockObject(BLACK_PEN); }

GdiObject *DCBrush(DeviceContext *dc) { return dc->brush ? dc->brush : GetStockObject(WHITE_BRUSH); }

GdiObject *DCFont(DeviceContext *dc) {
    if (dc->font) return dc->font;
    static GdiObject *const systemFont = GetStockObject(SYSTEM_FONT);  // stock objects live for the whole run
    return systemFont;
}

DeviceContext *DrawableDC(HDC hdc) {
    DeviceContext *dc = LiveContext(hdc);
    if (!dc || !dc->surface || dc->surface->isNull()) return nullptr;
    QImage::Format f = dc->surface->format();
    if (f != QImage::Format_RGB32 && f != QImage::Format_ARGB32 && f != QImage::Format_ARGB32_Premultiplied)
        *dc->surface = dc->surface->convertToFormat(QImage::Format_RGB32);
    return dc;
}

QRect DCClipRect(DeviceContext *dc) {
    QRect r = dc->surface ? dc->surface->rect() : QRect();
    if (dc->hasPaintClip) r &= NormalRect(dc->paintClip.left, dc->paintClip.top, dc->paintClip.right,
                                          dc->paintClip.bottom);
    if (dc->hasClip) r &= NormalRect(dc->clip.left, dc->clip.top, dc->clip.right, dc->clip.bottom);
    return r;
}

void DCChanged(DeviceContext *dc) {
    if (dc->owner) PlatformWindowImageChanged(dc->owner);
}

QRect NormalRect(int l, int t, int r, int b) {
    // Far-off coordinates are pulled in to a range where widths cannot overflow; drawing there is clipped anyway.
    constexpr int kFar = 1 << 28;
    l = std::clamp(l, -kFar, kFar);
    t = std::clamp(t, -kFar, kFar);
    r = std::clamp(r, -kFar, kFar);
    b = std::clamp(b, -kFar, kFar);
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
    return QRect(l, t, r - l, b - t);
}

COLORREF SetTextColor(HDC hdc, COLORREF c) {
    DeviceContext *dc = LiveContext(hdc);
    return dc ? std::exchange(dc->textColor, c & 0xFFFFFF) : CLR_INVALID;
}

COLORREF SetBkColor(HDC hdc, COLORREF c) {
    DeviceContext *dc = LiveContext(hdc);
    return dc ? std::exchange(dc->bkColor, c & 0xFFFFFF) : CLR_INVALID;
}

int SetBkMode(HDC hdc, int mode) {
    DeviceContext *dc = LiveContext(hdc);
    if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
    return std::exchange(dc->bkMode, mode);
}

UINT SetTextAlign(HDC hdc, UINT align) {
    DeviceContext *dc = LiveContext(hdc);
    return dc ? std::exchange(dc->textAlign, align) : GDI_ERROR;
}

int IntersectClipRect(HDC hdc, int l, int t, int r, int b) {
    DeviceContext *dc = LiveContext(hdc);
    if (!dc) return 0;  // error
    QRect want = NormalRect(l, t, r, b);
    QRect now = dc->hasClip ? NormalRect(dc->clip.left, dc->clip.top, dc->clip.right, dc->clip.bottom) : want;
    QRect cut = now & want;
    dc->hasClip = true;
    if (cut.isEmpty()) dc->clip = RECT{0, 0, 0, 0};
    else dc->clip = RECT{cut.left(), cut.top(), cut.left() + cut.width(), cut.top() + cut.height()};
    return DCClipRect(dc).isEmpty() ? NULLREGION : SIMPLEREGION;
}

int SelectClipRgnNone(HDC hdc) {
    DeviceContext *dc = LiveContext(hdc);
    if (!dc) return 0;  // error
    dc->hasClip = false;
    return SIMPLEREGION;
}
