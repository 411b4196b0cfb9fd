// Text on device contexts: placing by the cell's corner, alignment, opaque cells, formatted text and metrics.
#include "platform/qt/gdi_internal.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStringList>

#include <algorithm>
#include <cwchar>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>

namespace {

std::mutex drawnTextLock;
std::deque<DrawnText> drawnTexts;
constexpr size_t kDrawnTextLimit = 8192;

// The cell of the visible part of a line (leading and trailing blanks left out) whose cell's top-left corner is
// (0, 0); empty when all of it is blank.
QRect VisibleCell(const QString &s, const QFontMetrics &fm) {
    int first = 0, last = static_cast<int>(s.size());
    while (first < last && s[first].isSpace()) first++;
    while (last > first && s[last - 1].isSpace()) last--;
    if (first == last) return QRect();
    return QRect(fm.horizontalAdvance(s.left(first)), 0, fm.horizontalAdvance(s.mid(first, last - first)),
                 fm.ascent() + fm.descent());
}

// Notes a drawn text: the visible cell moved to (x, y) and the bounds it was drawn within (the paint clip aside: a
// repaint of part of a window cuts nothing that was not drawn before).
void NoteDrawnCell(DeviceContext *dc, const std::wstring &s, const QRect &visible, int x, int y, const QRect *box) {
    if (visible.isNull()) return;
    const QRect cell = visible.translated(x, y);
    QRect bounds = dc->surface ? dc->surface->rect() : QRect();
    if (dc->hasClip) bounds &= NormalRect(dc->clip.left, dc->clip.top, dc->clip.right, dc->clip.bottom);
    if (box) bounds &= *box;
    DrawnText t;
    t.window = dc->owner;
    t.text = s;
    t.cell = RECT{cell.left(), cell.top(), cell.left() + cell.width(), cell.top() + cell.height()};
    t.bounds = RECT{bounds.left(), bounds.top(), bounds.left() + bounds.width(), bounds.top() + bounds.height()};
    std::lock_guard<std::mutex> lock(drawnTextLock);
    if (drawnTexts.size() >= kDrawnTextLimit) drawnTexts.pop_front();
    drawnTexts.push_back(std::move(t));
}

void NoteDrawnText(DeviceContext *dc, const QString &s, const QFontMetrics &fm, int x, int y, const QRect *box) {
    NoteDrawnCell(dc, s.toStdWString(), VisibleCell(s, fm), x, y, box);
}

std::wstring_view WideOf(const wchar_t *text, int len) {
    if (!text) return std::wstring_view();
    if (len < 0) len = static_cast<int>(std::wcslen(text));
    return std::wstring_view(text, size_t(len));
}

QString TextOf(const wchar_t *text, int len) {
    const std::wstring_view wide = WideOf(text, len);
    return QString::fromWCharArray(wide.data(), qsizetype(wide.size()));
}

int CellHeight(const QFontMetrics &fm) { return fm.ascent() + fm.descent(); }

// Draws one line whose cell's top-left corner is (x, y) in the painter's coordinates.
void DrawCell(DeviceContext *dc, QPainter &painter, const QFontMetrics &fm, const QString &s, int x, int y) {
    if (dc->bkMode == OPAQUE)
        painter.fillRect(QRect(x, y, fm.horizontalAdvance(s), CellHeight(fm)), QColorFromColorRef(dc->bkColor));
    painter.drawText(QPoint(x, y + fm.ascent()), s);
}

void PreparePainter(DeviceContext *dc, QPainter &painter, const QFont &font) {
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setClipRect(DCClipRect(dc));
    painter.setFont(font);
    painter.setPen(QColorFromColorRef(dc->textColor));
}

// Splits text into the lines DrawText shows.
QStringList LayoutLines(const QString &text, UINT format, const QFontMetrics &fm, int width) {
    QStringList lines;
    if (format & DT_SINGLELINE) {
        QString s = text;
        s.remove(QChar('\r'));
        s.replace(QChar('\n'), QChar(' '));
        lines << s;
        return lines;
    }
    QString normal = text;
    normal.remove(QChar('\r'));
    const QStringList paragraphs = normal.split(QChar('\n'));
    for (const QString &paragraph : paragraphs) {
        if (!(format & DT_WORDBREAK) || fm.horizontalAdvance(paragraph) <= width) {
            lines << paragraph;
            continue;
        }
        // Greedy word wrap at spaces; a word wider than the box stays whole on its own line.
        QString line;
        int i = 0;
        const int n = paragraph.size();
        while (i < n) {
            int j = i;
            while (j < n && paragraph[j] != QChar(' ')) j++;
            QString word = paragraph.mid(i, j - i);
            int k = j;
            while (k < n && paragraph[k] == QChar(' ')) k++;
            QString candidate = line.isEmpty() ? word : line + QChar(' ') + word;
            if (!line.isEmpty() && fm.horizontalAdvance(candidate) > width) {
                lines << line;
                line = word;
            } else {
                line = candidate;
            }
            i = k;
        }
        lines << line;
    }
    return lines;
}

}  // namespace

namespace {

// Width of the text in the font and its cell's left edge for the context's alignment at x.
int AlignedLeft(DeviceContext *dc, int x, int width) {
    const UINT horizontal = dc->textAlign & (TA_CENTER | TA_RIGHT);
    if (horizontal == TA_CENTER) return x - width / 2;
    if (horizontal == TA_RIGHT) return x - width;
    return x;
}

// Stamps of short texts drawn over and over (labels of the map): a text is painted normally the first time it is
// met and stamped from its second use. The stamp holds what the painter drew around the point (x, y) of the call.
struct TextStamp {
    QFont font;
    std::wstring text;    // as the caller gave it
    std::wstring shown;   // as the log of drawn texts shows it
    COLORREF textColor = 0, bkColor = 0;
    int bkMode = 0;
    UINT textAlign = 0;
    bool tried = false;   // met before: the stamp is made (or found impossible) at the next use
    bool made = false;
    Stamp stamp;
    QPoint origin;        // where (x, y) lies in the stamp
    QRect visible;        // the visible cell relative to (x, y)
    bool Matches(DeviceContext *dc, std::wstring_view s, const QFont &f) const {
        return tried && textColor == dc->textColor && bkMode == dc->bkMode && textAlign == dc->textAlign &&
               (bkMode == TRANSPARENT || bkColor == dc->bkColor) && text == s && font == f;
    }
};
constexpr int kStampedTextChars = 16;
// Kept for the life of the thread and never destroyed: fonts must not outlive the application object.
thread_local TextStamp *textStamps = new TextStamp[4];
thread_local int nextTextStamp = 0;

void PaintTextLine(DeviceContext *dc, QPainter &painter, const QFontMetrics &fm, const QString &s, const QFont &font,
                   int x, int y, int left, int top, int escapement) {
    PreparePainter(dc, painter, font);
    painter.translate(x, y);
    if (escapement != 0) painter.rotate(-escapement / 10.0);
    DrawCell(dc, painter, fm, s, left, top);
}

// The cell's corner relative to the point of the call for the context's alignment.
void CellCorner(DeviceContext *dc, const QFontMetrics &fm, int width, int *left, int *top) {
    *top = 0;
    *left = AlignedLeft(dc, 0, width);
    UINT vertical = dc->textAlign & TA_BASELINE;
    if (vertical == TA_BASELINE) *top = -fm.ascent();
    else if (vertical == TA_BOTTOM) *top = -CellHeight(fm);
}

// The stamp of the text in the context's state, or nullptr when it is to be painted.
const TextStamp *TextStampFor(DeviceContext *dc, std::wstring_view wide, const QFont &font) {
    if (paintEveryFigure || wide.size() > kStampedTextChars || dc->surface->format() != QImage::Format_RGB32)
        return nullptr;
    for (int i = 0; i < 4; i++) {
        TextStamp &entry = textStamps[i];
        if (!entry.Matches(dc, wide, font)) continue;
        if (!entry.made) {
            entry.made = true;
            const QString s = TextOf(wide.data(), int(wide.size()));
            entry.shown = s.toStdWString();
            QFontMetrics fm(font);
            const int width = fm.horizontalAdvance(s);
            int left, top;
            CellCorner(dc, fm, width, &left, &top);
            // Room around the cell for glyphs that reach past it.
            const int m = 2 * CellHeight(fm) + 2;
            const QPoint origin(m - left, m - top);
            entry.visible = VisibleCell(s, fm).translated(left, top);
            DeviceContext stampDC = *dc;
            stampDC.hasPaintClip = false;
            stampDC.hasClip = false;
            QPoint corner;
            entry.stamp = PaintStamp(width + 2 * m, CellHeight(fm) + 2 * m, &corner, [&](QImage &image) {
                stampDC.surface = &image;
                QPainter painter(&image);
                PaintTextLine(&stampDC, painter, fm, s, font, origin.x(), origin.y(), left, top, 0);
            });
            entry.origin = origin - corner;
        }
        return entry.stamp.isNull() ? nullptr : &entry;
    }
    TextStamp &slot = textStamps[nextTextStamp];
    nextTextStamp = (nextTextStamp + 1) % 4;
    slot = TextStamp();
    slot.font = font;
    slot.text = wide;
    slot.textColor = dc->textColor;
    slot.bkColor = dc->bkColor;
    slot.bkMode = dc->bkMode;
    slot.textAlign = dc->textAlign;
    slot.tried = true;
    return nullptr;
}

// One line of text (not empty) with its cell placed at (x, y) by the context's alignment.
void DrawTextLine(DeviceContext *dc, int x, int y, std::wstring_view wide, const QFont &font, int escapement) {
    if (escapement == 0) {
        const TextStamp *stamp = TextStampFor(dc, wide, font);
        if (stamp &&
            PutStamp(*dc->surface, DCClipRect(dc), stamp->stamp, x - stamp->origin.x(), y - stamp->origin.y(), true)) {
            NoteDrawnCell(dc, stamp->shown, stamp->visible, x, y, nullptr);
            DCChanged(dc);
            return;
        }
    }
    const QString s = TextOf(wide.data(), int(wide.size()));
    QFontMetrics fm(font);
    int left, top;
    CellCorner(dc, fm, fm.horizontalAdvance(s), &left, &top);
    {
        QPainter painter(dc->surface);
        PaintTextLine(dc, painter, fm, s, font, x, y, left, top, escapement);
    }
    if (escapement == 0) NoteDrawnText(dc, s, fm, x + left, y + top, nullptr);
    DCChanged(dc);
}

}  // namespace

BOOL TextOut(HDC hdc, int x, int y, const wchar_t *text, int len) {
    if (!IsLiveDC(hdc)) return FALSE;
    DeviceContext *dc = DrawableDC(hdc);
    if (!dc) return TRUE;
    const std::wstring_view wide = WideOf(text, len);
    if (wide.empty()) return TRUE;
    GdiObject *fontObject = DCFont(dc);
    DrawTextLine(dc, x, y, wide, fontObject->font, fontObject->escapement);
    return TRUE;
}

QFont NarrowFace(const QFont &font) {
    QFont narrow = font;
    narrow.setFamily(QStringLiteral("Liberation Sans Narrow"));
    return narrow;
}

BOOL TextOutWithin(HDC hdc, int x, int y, const wchar_t *text, int len, int left, int right) {
    if (!IsLiveDC(hdc)) return FALSE;
    DeviceContext *dc = DrawableDC(hdc);
    if (!dc) return TRUE;
    QString s = TextOf(text, len);
    if (s.isEmpty()) return TRUE;
    GdiObject *fontObject = DCFont(dc);
    QFont font = fontObject->font;
    // Only the visible part counts: blanks that pad a number to its column may pass the edge.
    QString visible = s;
    int lead = 0;
    while (lead < visible.size() && visible[lead].isSpace()) lead++;
    auto Passes = [&](const QFont &f) {
        const QFontMetrics fm(f);
        const int cellLeft = AlignedLeft(dc, x, fm.horizontalAdvance(s)) + fm.horizontalAdvance(s.left(lead));
        const int cellRight = cellLeft + fm.horizontalAdvance(s.mid(lead).trimmed());
        return cellLeft < left || cellRight > right;
    };
    if (Passes(font)) {
        font = NarrowFace(font);
        // Where even the narrow face passes the bounds, it is made a pixel smaller at a time (down to 6 pixels).
        while (Passes(font) && font.pixelSize() > 6) font.setPixelSize(font.pixelSize() - 1);
    }
    DrawTextLine(dc, x, y, WideOf(text, len), font, fontObject->escapement);
    return TRUE;
}

int NarrowTextWidth(HDC hdc, const wchar_t *text, int len) {
    if (!IsLiveDC(hdc)) return 0;
    return QFontMetrics(NarrowFace(DCFont(hdc)->font)).horizontalAdvance(TextOf(text, len));
}

int DrawText(HDC hdc, const wchar_t *text, int len, RECT *rc, UINT format) {
    if (!IsLiveDC(hdc) || !rc) return 0;
    QString s = TextOf(text, len);
    GdiObject *fontObject = DCFont(hdc);
    QFontMetrics fm(fontObject->font);
    const int lineHeight = CellHeight(fm);
    const int boxWidth = rc->right - rc->left;
    QStringList lines = LayoutLines(s, format, fm, boxWidth);
    const int total = lineHeight * static_cast<int>(lines.size());
    if (format & DT_CALCRECT) {
        int widest = 0;
        for (const QString &line : lines) widest = std::max(widest, fm.horizontalAdvance(line));
        rc->right = rc->left + widest;
        rc->bottom = rc->top + total;
        return total;
    }
    int y = rc->top;
    if (format & DT_SINGLELINE) {
        if (format & DT_BOTTOM) y = rc->bottom - lineHeight;
        else if (format & DT_VCENTER) y = rc->top + (rc->bottom - rc->top - lineHeight) / 2;
    }
    const int result = y - rc->top + total;
    DeviceContext *dc = DrawableDC(hdc);
    if (!dc || s.isEmpty()) return result;
    {
        QPainter painter(dc->surface);
        PreparePainter(dc, painter, fontObject->font);
        const QRect box = NormalRect(rc->left, rc->top, rc->right, rc->bottom);
        if (!(format & DT_NOCLIP)) painter.setClipRect(DCClipRect(dc) & box);
        for (const QString &line : lines) {
            int w = fm.horizontalAdvance(line);
            int x = rc->left;
            if (format & DT_CENTER) x = rc->left + (boxWidth - w) / 2;
            else if (format & DT_RIGHT) x = rc->right - w;
            if (!line.isEmpty()) {
                DrawCell(dc, painter, fm, line, x, y);
                NoteDrawnText(dc, line, fm, x, y, (format & DT_NOCLIP) ? nullptr : &box);
            }
            y += lineHeight;
        }
    }
    DCChanged(dc);
    return result;
}

BOOL GetTextExtentPoint32(HDC hdc, const wchar_t *text, int len, SIZE *size) {
    if (!IsLiveDC(hdc) || !size) return FALSE;
    // The last text measured: labels are measured over and over in one font.
    struct Measured {
        QFont font;
        std::wstring text;
        SIZE size{-1, -1};
    };
    thread_local Measured *last = new Measured;  // never destroyed: fonts must not outlive the application object
    const QFont &font = DCFont(hdc)->font;
    const std::wstring_view wide = WideOf(text, len);
    if (last->size.cx < 0 || wide != last->text || !(font == last->font)) {
        const QString s = TextOf(text, len);
        QFontMetrics fm(font);
        last->size.cx = fm.horizontalAdvance(s);
        last->size.cy = CellHeight(fm);
        last->font = font;
        last->text = wide;
    }
    *size = last->size;
    return TRUE;
}

BOOL GetTextMetrics(HDC hdc, TEXTMETRIC *tm) {
    if (!IsLiveDC(hdc) || !tm) return FALSE;
    GdiObject *fontObject = DCFont(hdc);
    QFontMetrics fm(fontObject->font);
    tm->tmAscent = fm.ascent();
    tm->tmDescent = fm.descent();
    tm->tmHeight = fm.ascent() + fm.descent();
    tm->tmInternalLeading = std::max(0, tm->tmHeight - fontObject->font.pixelSize());
    tm->tmExternalLeading = std::max(0, fm.leading());
    // Average width of the 52 letters, the customary base of dialog units.
    int sum = 0;
    for (char c = 'a'; c <= 'z'; c++) sum += fm.horizontalAdvance(QChar(c));
    for (char c = 'A'; c <= 'Z'; c++) sum += fm.horizontalAdvance(QChar(c));
    tm->tmAveCharWidth = (sum + 26) / 52;
    tm->tmMaxCharWidth = fm.maxWidth();
    tm->tmWeight = fontObject->stock ? FW_NORMAL : fontObject->fontWeight;
    return TRUE;
}

std::vector<DrawnText> PlatformDrawnTexts() {
    std::lock_guard<std::mutex> lock(drawnTextLock);
    return std::vector<DrawnText>(drawnTexts.begin(), drawnTexts.end());
}

void PlatformClearDrawnTexts() {
    std::lock_guard<std::mutex> lock(drawnTextLock);
    drawnTexts.clear();
}
