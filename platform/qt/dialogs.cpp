// Modal dialogs from templates: dialog units, controls, the modal loop, EndDialog and the dialog item calls.
#include "platform/qt/gdi_internal.h"
#include "platform/qt/window_internal.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <map>

namespace {

std::map<std::wstring, const DialogTemplate *> &Templates()
{
    static std::map<std::wstring, const DialogTemplate *> templates;
    return templates;
}

std::wstring Upper(const std::wstring &s)
{
    std::wstring r = s;
    for (auto &c : r) c = (wchar_t)towupper(c);
    return r;
}

std::vector<HWND> openDialogs;

int MulDivRound(int a, int b, int c) { return (int)std::lround((double)a * b / c); }

struct ControlClass {
    const wchar_t *cls;
    DWORD type;
};

ControlClass ClassOfControl(const DialogControl &c)
{
    DWORD extraType = c.style & BS_TYPEMASK;
    switch (c.kind) {
    case DC_PUSHBUTTON: return {L"BUTTON", BS_PUSHBUTTON};
    case DC_DEFPUSHBUTTON: return {L"BUTTON", BS_DEFPUSHBUTTON};
    case DC_CHECKBOX: return {L"BUTTON", extraType == BS_CHECKBOX ? BS_CHECKBOX : BS_AUTOCHECKBOX};
    case DC_RADIOBUTTON: return {L"BUTTON", extraType == BS_RADIOBUTTON ? BS_RADIOBUTTON : BS_AUTORADIOBUTTON};
    case DC_GROUPBOX: return {L"BUTTON", BS_GROUPBOX};
    case DC_LTEXT: return {L"STATIC", SS_LEFT};
    case DC_CTEXT: return {L"STATIC", SS_CENTER};
    case DC_RTEXT: return {L"STATIC", SS_RIGHT};
    case DC_EDITTEXT: return {L"EDIT", ES_LEFT};
    case DC_COMBOBOX: return {L"COMBOBOX", 0};
    case DC_LISTBOX: return {L"LISTBOX", 0};
    case DC_OWNERDRAW: return {L"BUTTON", BS_OWNERDRAW};
    }
    return {L"STATIC", 0};
}

bool IsButtonClass(DialogControlKind k)
{
    return k == DC_PUSHBUTTON || k == DC_DEFPUSHBUTTON || k == DC_CHECKBOX || k == DC_RADIOBUTTON ||
           k == DC_GROUPBOX || k == DC_OWNERDRAW;
}

// The control the dialog starts with: the first in template order that is a tab stop, shown and enabled.
HWND FirstTabStop(HWND d)
{
    for (HWND c : d->children)
        if (IsLiveWindow(c) && c->widget && c->visible && c->enabled && (c->widget->focusPolicy() & Qt::TabFocus))
            return c;
    return nullptr;
}

// Puts the keyboard into a control of the dialog; an edit box starts with all its text selected, so that what the
// operator types at once replaces it.
void FocusDialogControl(HWND c)
{
    SetFocus(c);
    if (IsLiveWindow(c) && c->kind == WindowKind::Edit)
        if (auto *edit = dynamic_cast<QLineEdit *>(c->widget)) edit->selectAll();
}

std::wstring ShownText(HWND d)
{
    HWND main = GetDlgItem(d, 550);
    if (main && main->kind == WindowKind::Static) return WindowTextOf(main);
    for (HWND c : d->children) {
        if (IsLiveWindow(c) && c->kind == WindowKind::Static && c->visible && !WindowTextOf(c).empty())
            return WindowTextOf(c);
    }
    return L"";
}

// Keys in a dialog: a key pressed while any control but an edit box has the focus (or the dialog itself) reaches
// the dialog procedure first as WM_KEYDOWN; when the procedure returns TRUE the key is used up, else the control
// takes it as usual. Typing in an edit box belongs to the edit box alone. Enter, Escape and Tab keep their dialog
// meaning.
class DialogKeyFilter : public QObject {
public:
    DialogKeyFilter(HWND d, QObject *parent) : QObject(parent), d_(d) {}

protected:
    bool eventFilter(QObject *receiver, QEvent *e) override
    {
        if (e->type() != QEvent::KeyPress || !IsLiveWindow(d_) || d_->dialogEnded) return false;
        if (receiver == d_->widget) {
            // A key an edit box or another control passed on to its dialog was theirs, not the dialog's.
            QWidget *focus = QApplication::focusWidget();
            HWND focused = GetFocus();
            if ((focus && focus != d_->widget && focus->window() == d_->widget) ||
                (focused && focused->parent == d_))
                return false;
        }
        auto *ke = static_cast<QKeyEvent *>(e);
        const int vk = VirtualKeyFromQt(ke->key(), ke->modifiers());
        if (vk == 0 || vk == VK_ESCAPE || vk == VK_RETURN || vk == VK_TAB) return false;
        const LPARAM lp = 1 | (ke->isAutoRepeat() ? (1 << 30) : 0);
        return CallWindowProcedure(d_, WM_KEYDOWN, (WPARAM)vk, lp) != 0;
    }

private:
    HWND d_;
};

}  // namespace

std::vector<const DialogTemplate *> PlatformDialogTemplates()
{
    std::vector<const DialogTemplate *> r;
    for (const auto &entry : Templates()) r.push_back(entry.second);
    return r;
}

void RegisterDialogTemplates(const DialogTemplate *templates, int count)
{
    for (int i = 0; i < count; ++i)
        if (templates[i].name) Templates()[Upper(templates[i].name)] = &templates[i];
}

const DialogTemplate *FindDialogTemplate(const wchar_t *name)
{
    if (!name) return nullptr;
    auto it = Templates().find(Upper(name));
    return it == Templates().end() ? nullptr : it->second;
}

QFont DialogTemplateFont(const DialogTemplate *t)
{
    std::wstring face = t && t->fontFace ? t->fontFace : L"";
    if (face.empty() || face == L"Microsoft Sans Serif" || face == L"MS Sans Serif" || face == L"MS Shell Dlg")
        face = L"Liberation Sans";
    int points = t && t->fontPoints > 0 ? t->fontPoints : 8;
    QFont f(QString::fromStdWString(face));
    f.setPixelSize(std::max(1, MulDivRound(points, 96, 72)));
    return f;
}

std::vector<HWND> OpenDialogs()
{
    std::vector<HWND> r;
    for (HWND d : openDialogs)
        if (IsLiveWindow(d)) r.push_back(d);
    return r;
}

INT_PTR DialogBox(HINSTANCE inst, const wchar_t *templateName, HWND parent, DLGPROC proc)
{
    if (!IsUserInterfaceThread()) {
        std::wstring name = templateName ? templateName : L"";
        return (INT_PTR)RunOnUiThreadAndWait([=] { return (LRESULT)DialogBox(inst, name.c_str(), parent, proc); });
    }
    const DialogTemplate *t = FindDialogTemplate(templateName);
    if (!t) return -1;

    QFont font = DialogTemplateFont(t);
    QFontMetrics fm(font);
    const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    int baseX = std::max(1, (fm.horizontalAdvance(alphabet) / 26 + 1) / 2);
    int baseY = std::max(1, fm.height());
    auto px = [&](int v) { return MulDivRound(v, baseX, 4); };
    auto py = [&](int v) { return MulDivRound(v, baseY, 8); };

    auto *d = new WindowObject;
    d->kind = WindowKind::Dialog;
    d->className = L"#32770";
    d->dlgProc = proc;
    d->dialogTemplate = t;
    d->dialogFont = font;
    d->topLevel = true;
    d->style = t->style;
    d->owner = parent && IsLiveWindow(parent) ? parent : nullptr;
    d->text = t->caption ? t->caption : L"";
    d->background = GetSysColorBrush(COLOR_BTNFACE);
    SIZE frame = GetFrameSize();
    int outerW = px(t->cx) + frame.cx, outerH = py(t->cy) + frame.cy;
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (parent && IsLiveWindow(parent)) {
        HWND top = parent;
        while (top->parent) top = top->parent;
        area = top->rect;
    }
    int x = area.left + ((area.right - area.left) - outerW) / 2;
    int y = area.top + ((area.bottom - area.top) - outerH) / 2;
    d->rect = RECT{x, y, x + outerW, y + outerH};
    d->visible = false;
    RegisterLiveWindow(d);
    d->widget = NewClientWidget(d, nullptr);
    d->widget->setFont(font);
    d->widget->setWindowTitle(QString::fromStdWString(d->text));
    d->widget->setWindowModality(Qt::ApplicationModal);
    d->widget->setFixedSize(px(t->cx), py(t->cy));
    d->widget->move(x + kFrameBorder, y + kFrameCaption);
    ResetWindowImage(d);
    d->invalid = QRegion(0, 0, ClientWidth(d), ClientHeight(d));
    d->erasePending = true;

    // Controls; consecutive radio buttons form a group, WS_GROUP starts a new one.
    int group = 0;
    bool prevRadio = false;
    for (int i = 0; i < t->controlCount; ++i) {
        const DialogControl &c = t->controls[i];
        ControlClass cc = ClassOfControl(c);
        DWORD extra = c.style & ~DC_HIDDEN;
        if (IsButtonClass(c.kind)) extra &= ~BS_TYPEMASK;
        else if (c.kind == DC_LTEXT || c.kind == DC_CTEXT || c.kind == DC_RTEXT) extra &= ~0x3u;
        DWORD style = WS_CHILD | extra | cc.type | ((c.style & DC_HIDDEN) ? 0 : WS_VISIBLE);
        HWND ctl = CreateWindow(cc.cls, c.text ? c.text : L"", style, px(c.x), py(c.y), px(c.cx), py(c.cy), d, c.id,
                                inst, nullptr);
        if (!ctl) continue;
        if (ctl->widget) SetControlLabelFont(ctl, font);
        bool radio = c.kind == DC_RADIOBUTTON;
        if (radio && (!prevRadio || (c.style & WS_GROUP))) ++group;
        if (radio) ctl->radioGroup = group;
        prevRadio = radio;
        if (c.kind == DC_DEFPUSHBUTTON) d->defaultButtonId = c.id;
        if (c.kind == DC_COMBOBOX) MoveWindow(ctl, px(c.x), py(c.y), px(c.cx), py(c.cy), FALSE);
    }
    auto *keyFilter = new DialogKeyFilter(d, d->widget);
    d->widget->installEventFilter(keyFilter);
    for (HWND ctl : d->children)
        if (IsLiveWindow(ctl) && ctl->widget && ctl->kind != WindowKind::Edit) ctl->widget->installEventFilter(keyFilter);

    HWND prevFocus = GetFocus();
    openDialogs.push_back(d);
    EnterNestedLoop();
    // TRUE from WM_INITDIALOG asks for the first tab stop (found again after the procedure has shown, hidden or
    // disabled its controls); FALSE means the procedure put the focus where it wants it.
    const LRESULT defaultFocus = CallWindowProcedure(d, WM_INITDIALOG, (WPARAM)FirstTabStop(d), 0);
    if (IsLiveWindow(d) && !d->dialogEnded) {
        HWND focus = GetFocus();
        if (defaultFocus || !focus || focus->parent != d) focus = FirstTabStop(d);
        d->visible = true;
        d->widget->show();
        RaiseAndActivate(d->widget);
        if (focus) FocusDialogControl(focus);
        UpdateWindow(d);
        std::wstring caption = d->text;
        RecordShownDialog(t->name ? t->name : L"", caption, ShownText(d));
        std::wstring name = t->name ? t->name : L"";
        QTimer::singleShot(0, qApp, [d, name, caption] {
            if (IsLiveWindow(d) && !d->dialogEnded) RunDialogScript(d, name, caption);
        });
        while (IsLiveWindow(d) && !d->dialogEnded && !QuitRequested()) ProcessEventsOnce(true, 100);
    }
    LeaveNestedLoop();
    openDialogs.erase(std::remove(openDialogs.begin(), openDialogs.end(), d), openDialogs.end());
    INT_PTR result = d->dialogEnded ? d->dialogResult : IDCANCEL;
    if (IsLiveWindow(d)) DestroyWindow(d);
    if (prevFocus && IsLiveWindow(prevFocus)) SetFocus(prevFocus);
    return result;
}

HWND GetWindow(HWND w, UINT cmd)
{
    if (!IsUserInterfaceThread()) return (HWND)RunOnUiThreadAndWait([=] { return (LRESULT)GetWindow(w, cmd); });
    if (cmd != GW_OWNER || !IsLiveWindow(w) || !IsLiveWindow(w->owner)) return nullptr;
    return w->owner;
}

BOOL EndDialog(HWND d, INT_PTR result)
{
    if (!IsUserInterfaceThread()) return (BOOL)RunOnUiThreadAndWait([=] { return (LRESULT)EndDialog(d, result); });
    if (!IsLiveWindow(d) || d->kind != WindowKind::Dialog) return FALSE;
    d->dialogEnded = true;
    d->dialogResult = result;
    d->visible = false;  // an ended dialog is no longer shown, even before its loop returns
    if (d->widget) d->widget->hide();
    QMetaObject::invokeMethod(qApp, [] {}, Qt::QueuedConnection);
    return TRUE;
}

LRESULT DefDialogProc(HWND d, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_CLOSE:
        CallWindowProcedure(d, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), (LPARAM)GetDlgItem(d, IDCANCEL));
        return 0;
    case WM_PAINT:
    case WM_ERASEBKGND:
    case WM_SETTEXT:
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
    case WM_SETFONT:
        return DefWindowProc(d, msg, wp, lp);
    default:
        return 0;
    }
}

BOOL SetDlgItemText(HWND d, int id, const wchar_t *text)
{
    HWND c = GetDlgItem(d, id);
    if (!c) return FALSE;
    SendMessage(c, WM_SETTEXT, 0, (LPARAM)(text ? text : L""));
    return TRUE;
}

UINT GetDlgItemText(HWND d, int id, wchar_t *buf, int max)
{
    if (buf && max > 0) buf[0] = 0;
    HWND c = GetDlgItem(d, id);
    if (!c || !buf || max <= 0) return 0;
    return (UINT)SendMessage(c, WM_GETTEXT, (WPARAM)max, (LPARAM)buf);
}

BOOL CheckDlgButton(HWND d, int id, UINT check)
{
    HWND c = GetDlgItem(d, id);
    if (!c) return FALSE;
    SendMessage(c, BM_SETCHECK, check, 0);
    return TRUE;
}

UINT IsDlgButtonChecked(HWND d, int id)
{
    HWND c = GetDlgItem(d, id);
    if (!c) return BST_UNCHECKED;
    return (UINT)SendMessage(c, BM_GETCHECK, 0, 0);
}

LRESULT SendDlgItemMessage(HWND d, int id, UINT msg, WPARAM wp, LPARAM lp)
{
    HWND c = GetDlgItem(d, id);
    if (!c) {
        if (msg == WM_GETTEXT && lp && wp > 0) ((wchar_t *)lp)[0] = 0;
        return 0;
    }
    return SendMessage(c, msg, wp, lp);
}
