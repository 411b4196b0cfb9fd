// Child controls on Qt widgets: buttons, check and radio boxes, group boxes, static text, edit, list and combo boxes.
#include "platform/qt/gdi_internal.h"
#include "platform/qt/window_internal.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QStyle>

#include <algorithm>

namespace {

// A check box whose state only the program changes unless it is automatic.
class CheckBoxWidget : public QCheckBox {
public:
    CheckBoxWidget(HWND w, QWidget *parent) : QCheckBox(parent), w_(w) {}

protected:
    void nextCheckState() override
    {
        if (IsLiveWindow(w_) && w_->autoCheck) QCheckBox::nextCheckState();
    }

private:
    HWND w_;
};

// A radio button; an automatic one checks itself and clears the others of its group.
class RadioButtonWidget : public QRadioButton {
public:
    RadioButtonWidget(HWND w, QWidget *parent) : QRadioButton(parent), w_(w) { setAutoExclusive(false); }

protected:
    void nextCheckState() override
    {
        if (!IsLiveWindow(w_) || !w_->autoCheck) return;
        setChecked(true);
        if (!w_->parent) return;
        for (HWND s : w_->parent->children) {
            if (s == w_ || !IsLiveWindow(s) || s->kind != WindowKind::Button || !s->widget) continue;
            if ((s->buttonType == BS_RADIOBUTTON || s->buttonType == BS_AUTORADIOBUTTON) &&
                s->radioGroup == w_->radioGroup) {
                if (auto *rb = dynamic_cast<QRadioButton *>(s->widget)) {
                    QSignalBlocker block(rb);
                    rb->setChecked(false);
                }
            }
        }
    }

private:
    HWND w_;
};

QString LabelText(const std::wstring &text)
{
    // Static text shows "&" as a mnemonic marker: "&&" is one ampersand, a single one is dropped.
    QString out;
    QString in = QString::fromStdWString(text);
    for (int i = 0; i < in.size(); ++i) {
        if (in[i] == '\r') continue;  // "\r\n" breaks a line like "\n"
        if (in[i] == '&') {
            if (i + 1 < in.size() && in[i + 1] == '&') {
                out += '&';
                ++i;
            }
            continue;
        }
        out += in[i];
    }
    return out;
}

bool InDialog(HWND w) { return w->parent && w->parent->kind == WindowKind::Dialog; }

bool IsReadOnlyEdit(HWND w) { return w->kind == WindowKind::Edit && (w->style & ES_READONLY) != 0; }

// An edit box the operator cannot type into shows so, as the system's own does: its background is the button face
// of the dialog around it, not the white of a box that takes text.
void ShowEditReadOnly(HWND w)
{
    auto *edit = static_cast<QLineEdit *>(w->widget);
    const bool readOnly = IsReadOnlyEdit(w);
    edit->setReadOnly(readOnly);
    QPalette palette = QApplication::palette(edit);
    if (readOnly) {
        const COLORREF face = GetSysColor(COLOR_BTNFACE);
        palette.setColor(QPalette::Base, QColor(GetRValue(face), GetGValue(face), GetBValue(face)));
    }
    edit->setPalette(palette);
}

int CopyText(const std::wstring &text, wchar_t *buf, int max)
{
    if (!buf || max <= 0) return 0;
    int n = std::min<int>((int)text.size(), max - 1);
    std::wmemcpy(buf, text.c_str(), n);
    buf[n] = 0;
    return n;
}

}  // namespace

void ApplyDialogTabStop(HWND w)
{
    if (!IsLiveWindow(w) || !w->widget || !InDialog(w)) return;
    switch (w->kind) {
    case WindowKind::Button:
        if (w->buttonType == BS_GROUPBOX || w->buttonType == BS_OWNERDRAW) return;
        break;
    case WindowKind::Edit:
    case WindowKind::ListBox:
    case WindowKind::ComboBox:
        break;
    default:
        return;
    }
    const bool stop = (w->style & WS_TABSTOP) != 0 && !IsReadOnlyEdit(w);
    w->widget->setFocusPolicy(stop ? (w->kind == WindowKind::ComboBox ? Qt::WheelFocus : Qt::StrongFocus)
                                   : Qt::ClickFocus);
}

void NotifyParent(HWND control, int code)
{
    if (!IsLiveWindow(control) || !IsLiveWindow(control->parent)) return;
    CallWindowProcedure(control->parent, WM_COMMAND, MAKEWPARAM((unsigned)control->id, (unsigned)code), (LPARAM)control);
}

void ApplyControlFont(HWND w)
{
    if (!IsLiveWindow(w) || !w->widget || !w->font) return;
    SetControlLabelFont(w, QFontFromHandle(w->font));
}

void SetControlLabelFont(HWND w, const QFont &font)
{
    if (!IsLiveWindow(w) || !w->widget) return;
    w->labelFont = font;
    w->hasLabelFont = true;
    w->widget->setFont(font);
    FitControlFace(w);
}

namespace {

// The label as shown: a single "&" marks a mnemonic and takes no room.
QString ShownLabel(const std::wstring &text)
{
    return LabelText(text);
}

bool LabelFitsIn(HWND w, const QFont &font)
{
    QWidget *widget = w->widget;
    const QString label = ShownLabel(w->text);
    if (label.isEmpty()) return true;
    const QFontMetrics fm(font);
    const int width = widget->width(), height = widget->height();
    if (w->kind == WindowKind::Static) {
        // Static text wraps at blanks: every word must fit the width and the wrapped lines the height.
        for (const QString &word : label.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts))
            if (fm.horizontalAdvance(word) > width) return false;
        const QRect r = fm.boundingRect(QRect(0, 0, width, 1 << 20), Qt::TextWordWrap, label);
        return r.height() <= height;
    }
    if (w->kind != WindowKind::Button) return true;
    const int textWidth = fm.horizontalAdvance(label);
    QStyle *style = widget->style();
    switch (w->buttonType) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
        return style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, widget) +
                   style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, widget) + textWidth <= width &&
               fm.height() <= height;
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
        return style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, widget) +
                   style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, widget) + textWidth <= width &&
               fm.height() <= height;
    case BS_GROUPBOX:
        return textWidth + 16 <= width;
    case BS_OWNERDRAW:
        return true;
    default: {
        // A push button keeps its frame and a small margin on each side.
        const int frame = style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, widget) +
                          2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, widget);
        return textWidth + frame <= width && fm.height() <= height;
    }
    }
}

}  // namespace

void FitControlFace(HWND w)
{
    if (!IsLiveWindow(w) || !w->widget) return;
    if (w->kind != WindowKind::Button && w->kind != WindowKind::Static) return;
    if (!w->hasLabelFont) {
        w->labelFont = w->widget->font();
        w->hasLabelFont = true;
    }
    const QFont &font = LabelFitsIn(w, w->labelFont) ? w->labelFont : NarrowFace(w->labelFont);
    if (w->widget->font() != font) w->widget->setFont(font);
}

bool ControlLabelFits(HWND w)
{
    if (!IsLiveWindow(w) || !w->widget) return true;
    return LabelFitsIn(w, w->widget->font());
}

void CreateControlWidget(HWND w, QWidget *parentWidget)
{
    QWidget *widget = nullptr;
    bool dialogChild = InDialog(w);
    switch (w->kind) {
    case WindowKind::Button: {
        w->buttonType = w->style & BS_TYPEMASK;
        switch (w->buttonType) {
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX: {
            w->autoCheck = w->buttonType == BS_AUTOCHECKBOX;
            auto *cb = new CheckBoxWidget(w, parentWidget);
            cb->setText(QString::fromStdWString(w->text));
            QObject::connect(cb, &QAbstractButton::clicked, cb, [w] { NotifyParent(w, BN_CLICKED); });
            widget = cb;
            break;
        }
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON: {
            w->autoCheck = w->buttonType == BS_AUTORADIOBUTTON;
            auto *rb = new RadioButtonWidget(w, parentWidget);
            rb->setText(QString::fromStdWString(w->text));
            QObject::connect(rb, &QAbstractButton::clicked, rb, [w] { NotifyParent(w, BN_CLICKED); });
            widget = rb;
            break;
        }
        case BS_GROUPBOX: {
            auto *gb = new QGroupBox(QString::fromStdWString(w->text), parentWidget);
            gb->setAttribute(Qt::WA_TransparentForMouseEvents);
            gb->setFocusPolicy(Qt::NoFocus);
            widget = gb;
            break;
        }
        case BS_OWNERDRAW: {
            widget = NewClientWidget(w, parentWidget);
            w->widget = widget;
            ResetWindowImage(w);
            w->invalid = QRegion(0, 0, ClientWidth(w), ClientHeight(w));
            break;
        }
        default: {
            if (w->buttonType != BS_DEFPUSHBUTTON) w->buttonType = BS_PUSHBUTTON;
            auto *pb = new QPushButton(QString::fromStdWString(w->text), parentWidget);
            pb->setAutoDefault(false);
            pb->setDefault(w->buttonType == BS_DEFPUSHBUTTON);
            QObject::connect(pb, &QAbstractButton::clicked, pb, [w] { NotifyParent(w, BN_CLICKED); });
            widget = pb;
            break;
        }
        }
        if (!dialogChild) widget->setFocusPolicy(Qt::NoFocus);
        break;
    }
    case WindowKind::Static: {
        auto *label = new QLabel(LabelText(w->text), parentWidget);
        Qt::Alignment a = Qt::AlignTop;
        DWORD align = w->style & 0x3;
        a |= align == SS_CENTER ? Qt::AlignHCenter : align == SS_RIGHT ? Qt::AlignRight : Qt::AlignLeft;
        label->setAlignment(a);
        label->setWordWrap(true);
        label->setTextFormat(Qt::PlainText);
        widget = label;
        break;
    }
    case WindowKind::Edit: {
        auto *edit = new QLineEdit(QString::fromStdWString(w->text), parentWidget);
        DWORD align = w->style & 0x3;
        edit->setAlignment((align == ES_CENTER ? Qt::AlignHCenter : align == ES_RIGHT ? Qt::AlignRight : Qt::AlignLeft) |
                           Qt::AlignVCenter);
        edit->setMaxLength(32767);
        QObject::connect(edit, &QLineEdit::textEdited, edit, [w] { NotifyParent(w, EN_CHANGE); });
        widget = edit;
        break;
    }
    case WindowKind::ListBox: {
        auto *list = new QListWidget(parentWidget);
        QObject::connect(list, &QListWidget::currentRowChanged, list, [w] { NotifyParent(w, LBN_SELCHANGE); });
        widget = list;
        break;
    }
    case WindowKind::ComboBox: {
        auto *combo = new QComboBox(parentWidget);
        combo->setEditable(false);
        QObject::connect(combo, &QComboBox::currentIndexChanged, combo, [w] { NotifyParent(w, CBN_SELCHANGE); });
        widget = combo;
        break;
    }
    default:
        break;
    }
    w->widget = widget;
    if (widget && w->kind == WindowKind::Edit) ShowEditReadOnly(w);
    ApplyDialogTabStop(w);
    if (widget && w->kind == WindowKind::Button && w->buttonType == BS_GROUPBOX) widget->lower();
}

void DrawOwnerButton(HWND b)
{
    if (!IsLiveWindow(b) || !b->hasImage || !IsLiveWindow(b->parent)) return;
    b->invalid = QRegion();
    b->erasePending = false;
    DRAWITEMSTRUCT dis{};
    dis.CtlType = 4;  // button
    dis.CtlID = (UINT)b->id;
    dis.itemID = 0;
    dis.itemAction = 1;  // draw entire
    dis.itemState = b->enabled ? 0 : 4;
    dis.hwndItem = b;
    dis.hDC = NewImageDC(WindowImage(b), b);
    dis.rcItem = RECT{0, 0, ClientWidth(b), ClientHeight(b)};
    CallWindowProcedure(b->parent, WM_DRAWITEM, (WPARAM)b->id, (LPARAM)&dis);
    FreeImageDC(dis.hDC);
    PlatformWindowImageChanged(b);
}

void SetControlText(HWND w, const std::wstring &text)
{
    w->text = text;
    if (!w->widget) return;
    QString q = QString::fromStdWString(text);
    QSignalBlocker block(w->widget);
    struct FitAfter {
        HWND w;
        ~FitAfter() { FitControlFace(w); }
    } fitAfter{w};
    switch (w->kind) {
    case WindowKind::Button:
        if (auto *ab = dynamic_cast<QAbstractButton *>(w->widget)) ab->setText(q);
        else if (auto *gb = dynamic_cast<QGroupBox *>(w->widget)) gb->setTitle(q);
        else InvalidateRect(w, nullptr, FALSE);
        break;
    case WindowKind::Static:
        static_cast<QLabel *>(w->widget)->setText(LabelText(text));
        break;
    case WindowKind::Edit:
        static_cast<QLineEdit *>(w->widget)->setText(q);
        break;
    default:
        break;
    }
}

static std::wstring ControlText(HWND w)
{
    if (!w->widget) return w->text;
    if (w->kind == WindowKind::Edit) return static_cast<QLineEdit *>(w->widget)->text().toStdWString();
    if (w->kind == WindowKind::ComboBox) {
        auto *c = static_cast<QComboBox *>(w->widget);
        return c->currentIndex() < 0 ? std::wstring() : c->currentText().toStdWString();
    }
    return w->text;
}

LRESULT ControlProcedure(HWND w, UINT msg, WPARAM wp, LPARAM lp)
{
    if (!IsLiveWindow(w)) return 0;
    QWidget *widget = w->widget;
    switch (msg) {
    case WM_SETTEXT:
        SetControlText(w, lp ? (const wchar_t *)lp : L"");
        return TRUE;
    case WM_GETTEXT:
        return CopyText(ControlText(w), (wchar_t *)lp, (int)wp);
    case WM_GETTEXTLENGTH:
        return (LRESULT)ControlText(w).size();
    case WM_SETFONT:
        w->font = (HFONT)wp;
        ApplyControlFont(w);
        return 0;
    case WM_PAINT:
        if (w->hasImage) DrawOwnerButton(w);
        return 0;
    default:
        break;
    }
    if (!widget) return 0;
    switch (w->kind) {
    case WindowKind::Button: {
        auto *ab = dynamic_cast<QAbstractButton *>(widget);
        switch (msg) {
        case BM_GETCHECK:
            return ab && ab->isCheckable() && ab->isChecked() ? BST_CHECKED : BST_UNCHECKED;
        case BM_SETCHECK:
            if (ab && ab->isCheckable()) {
                QSignalBlocker block(ab);
                ab->setChecked(wp == BST_CHECKED);
            }
            return 0;
        case BM_GETSTYLE:
            return (LRESULT)w->buttonType;
        case BM_SETSTYLE: {
            DWORD type = (DWORD)wp & BS_TYPEMASK;
            if ((w->buttonType == BS_PUSHBUTTON || w->buttonType == BS_DEFPUSHBUTTON) &&
                (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON)) {
                w->buttonType = type;
                if (auto *pb = dynamic_cast<QPushButton *>(widget)) pb->setDefault(type == BS_DEFPUSHBUTTON);
            }
            return 0;
        }
        case BM_CLICK:
            if (!w->enabled) return 0;
            if (ab) ab->click();
            else if (w->hasImage) NotifyParent(w, BN_CLICKED);
            return 0;
        default:
            return 0;
        }
    }
    case WindowKind::Edit: {
        auto *edit = static_cast<QLineEdit *>(widget);
        if (msg == EM_LIMITTEXT) {
            edit->setMaxLength(wp ? (int)std::min<WPARAM>(wp, 32767) : 32767);
            return 0;
        }
        if (msg == EM_SETREADONLY) {
            w->style = wp ? (w->style | ES_READONLY) : (w->style & ~ES_READONLY);
            ShowEditReadOnly(w);
            ApplyDialogTabStop(w);
            return TRUE;
        }
        return 0;
    }
    case WindowKind::ListBox: {
        auto *list = static_cast<QListWidget *>(widget);
        QSignalBlocker block(list);
        switch (msg) {
        case LB_ADDSTRING:
            list->addItem(QString::fromStdWString(lp ? (const wchar_t *)lp : L""));
            return list->count() - 1;
        case LB_DELETESTRING:
            if ((int)wp < 0 || (int)wp >= list->count()) return LB_ERR;
            delete list->takeItem((int)wp);
            return list->count();
        case LB_RESETCONTENT:
            list->clear();
            return 0;
        case LB_SETCURSEL: {
            int i = (int)(intptr_t)wp;
            if (i < 0 || i >= list->count()) {
                list->setCurrentRow(-1);
                list->clearSelection();
                return LB_ERR;
            }
            list->setCurrentRow(i);
            return i;
        }
        case LB_GETCURSEL: {
            int r = list->currentRow();
            return r < 0 ? LB_ERR : r;
        }
        case LB_GETTEXT: {
            int i = (int)wp;
            if (i < 0 || i >= list->count()) return LB_ERR;
            std::wstring t = list->item(i)->text().toStdWString();
            wchar_t *buf = (wchar_t *)lp;
            if (buf) {
                std::wmemcpy(buf, t.c_str(), t.size());
                buf[t.size()] = 0;
            }
            return (LRESULT)t.size();
        }
        case LB_GETCOUNT:
            return list->count();
        case LB_SETTOPINDEX: {
            int i = (int)wp;
            if (i < 0 || i >= list->count()) return LB_ERR;
            list->scrollToItem(list->item(i), QAbstractItemView::PositionAtTop);
            return 0;
        }
        default:
            return 0;
        }
    }
    case WindowKind::ComboBox: {
        auto *combo = static_cast<QComboBox *>(widget);
        QSignalBlocker block(combo);
        switch (msg) {
        case CB_ADDSTRING:
            combo->addItem(QString::fromStdWString(lp ? (const wchar_t *)lp : L""));
            if (combo->count() == 1) combo->setCurrentIndex(-1);  // adding never selects
            return combo->count() - 1;
        case CB_GETCOUNT:
            return combo->count();
        case CB_GETCURSEL: {
            int r = combo->currentIndex();
            return r < 0 ? CB_ERR : r;
        }
        case CB_RESETCONTENT:
            combo->clear();
            return 0;
        case CB_SETCURSEL: {
            int i = (int)(intptr_t)wp;
            if (i < 0 || i >= combo->count()) {
                combo->setCurrentIndex(-1);
                return CB_ERR;
            }
            combo->setCurrentIndex(i);
            return i;
        }
        default:
            return 0;
        }
    }
    default:
        return 0;
    }
}
