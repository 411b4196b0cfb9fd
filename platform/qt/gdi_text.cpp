// Text on device contexts: placing by the cell's corner, alignment, opaque cells, formatted text and metrics.
#include "platform/qt/gdi_internal.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStringList>

#include <algorithm>
#include <cwchar>

namespace {

QString TextOf(const wchar_t *text, int len) {
    if (!text) return QString();
    if (len < 0) len = static_cast<int>(std::wcslen(text));
    return QString::fromWCharArray(text, len);
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

BOOL TextOut(HDC hdc, int x, int y, const wchar_t *text, int len) {
    if (!IsLiveDC(hdc)) return FALSE;
    DeviceContext *dc = DrawableDC(hdc);
    if (!dc) return TRUE;
    QString s = TextOf(text, len);
    if (s.isEmpty()) return TRUE;
    GdiObject *fontObject = DCFont(dc);
    QFontMetrics fm(fontObject->font);
    int width = fm.horizontalAdvance(s);
    int left = 0, top = 0;
    UINT horizontal = dc->textAlign & (TA_CENTER | TA_RIGHT);
    if (horizontal == TA_CENTER) left = -width / 2;
    else if (horizontal == TA_RIGHT) left = -width;
    UINT vertical = dc->textAlign & TA_BASELINE;
    if (vertical == TA_BASELINE) top = -fm.ascent();
    else if (vertical == TA_BOTTOM) top = -CellHeight(fm);
    {
        QPainter painter(dc->surface);
        PreparePainter(dc, painter, fontObject->font);
        painter.translate(x, y);
        if (fontObject->escapement != 0) painter.rotate(-fontObject->escapement / 10.0);
        DrawCell(dc, painter, fm, s, left, top);
    }
    DCChanged(dc);
    return TRUE;
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
        if (!(format & DT_NOCLIP))
            painter.setClipRect(DCClipRect(dc) & NormalRect(rc->left, rc->top, rc->right, rc->bottom));
        for (const QString &line : lines) {
            int w = fm.horizontalAdvance(line);
            int x = rc->left;
            if (format & DT_CENTER) x = rc->left + (boxWidth - w) / 2;
            else if (format & DT_RIGHT) x = rc->right - w;
            if (!line.isEmpty()) DrawCell(dc, painter, fm, line, x, y);
            y += lineHeight;
        }
    }
    DCChanged(dc);
    return result;
}

BOOL GetTextExtentPoint32(HDC hdc, const wchar_t *text, int len, SIZE *size) {
    if (!IsLiveDC(hdc) || !size) return FALSE;
    QFontMetrics fm(DCFont(hdc)->font);
    size->cx = fm.horizontalAdvance(TextOf(text, len));
    size->cy = CellHeight(fm);
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
