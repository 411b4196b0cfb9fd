// Test hooks of the window layer: dialog records and scripts, button presses, keys, screen size, failing classes, PNGs.
#include "platform/qt/gdi_internal.h"
#include "platform/qt/window_internal.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>

#include <algorithm>
#include <deque>
#include <mutex>
#include <set>

namespace {

std::mutex hookLock;
std::vector<ShownDialog> shown;

struct DialogScript {
    std::wstring key;
    std::function<void(HWND)> handler;
    bool persistent = false;
};
std::vector<DialogScript> scripts;
std::deque<std::wstring> fileChooserAnswers;

std::set<std::wstring> failWindowClasses, failRegisterClasses;
int screenW = 0, screenH = 0;

std::wstring Upper(const std::wstring &s)
{
    std::wstring r = s;
    for (auto &c : r) c = (wchar_t)towupper(c);
    return r;
}

void Compose(HWND w, QPainter &p, int x, int y)
{
    if (!IsLiveWindow(w) || !w->widget) return;
    int inset = ClientInset(w);
    if (w->hasImage) {
        if (inset) {
            p.setPen(Qt::black);
            p.setBrush(Qt::NoBrush);
            p.drawRect(x, y, w->widget->width() - 1, w->widget->height() - 1);
        }
        p.drawImage(x + inset, y + inset, *WindowImage(w));
    } else {
        p.drawPixmap(x, y, w->widget->grab());
        return;
    }
    // Group boxes lie under the other controls.
    std::vector<HWND> order;
    for (HWND c : w->children)
        if (IsLiveWindow(c) && c->kind == WindowKind::Button && c->buttonType == BS_GROUPBOX) order.push_back(c);
    for (HWND c : w->children)
        if (IsLiveWindow(c) && !(c->kind == WindowKind::Button && c->buttonType == BS_GROUPBOX)) order.push_back(c);
    for (HWND c : order) {
        if (!c->visible || !c->widget) continue;
        QPoint pos = c->widget->pos();
        Compose(c, p, x + pos.x(), y + pos.y());
    }
}

}  // namespace

void RecordShownDialog(const std::wstring &templateName, const std::wstring &caption, const std::wstring &text)
{
    std::lock_guard<std::mutex> g(hookLock);
    shown.push_back(ShownDialog{templateName, caption, text});
}

std::vector<ShownDialog> PlatformShownDialogs()
{
    std::lock_guard<std::mutex> g(hookLock);
    return shown;
}

void PlatformClearShownDialogs()
{
    std::lock_guard<std::mutex> g(hookLock);
    shown.clear();
}

void PlatformScriptDialog(const std::wstring &key, std::function<void(HWND dialog)> handler, bool persistent)
{
    std::lock_guard<std::mutex> g(hookLock);
    scripts.push_back(DialogScript{key, std::move(handler), persistent});
}

void PlatformAnswerDialog(const std::wstring &key, int buttonId, bool persistent)
{
    PlatformScriptDialog(key, [buttonId](HWND d) { PlatformPressDialogButton(d, buttonId); }, persistent);
}

void PlatformClearDialogScripts()
{
    std::lock_guard<std::mutex> g(hookLock);
    scripts.clear();
    fileChooserAnswers.clear();
}

bool RunDialogScript(HWND dialog, const std::wstring &templateName, const std::wstring &caption)
{
    std::function<void(HWND)> handler;
    {
        std::lock_guard<std::mutex> g(hookLock);
        for (auto it = scripts.begin(); it != scripts.end(); ++it) {
            if ((!templateName.empty() && it->key == templateName) || it->key == caption) {
                handler = it->handler;
                if (!it->persistent) scripts.erase(it);
                break;
            }
        }
    }
    if (!handler) return false;
    handler(dialog);
    return true;
}

void PlatformPressDialogButton(HWND dialog, int id)
{
    if (!IsUserInterfaceThread()) {
        RunOnUiThreadAndWait([=] {
            PlatformPressDialogButton(dialog, id);
            return (LRESULT)0;
        });
        return;
    }
    if (!IsLiveWindow(dialog)) return;
    HWND b = GetDlgItem(dialog, id);
    if (!b) {
        // No such button: the keyboard equivalent (Escape for 2, Enter for the default) reaches the dialog.
        CallWindowProcedure(dialog, WM_COMMAND, MAKEWPARAM((unsigned)id, BN_CLICKED), 0);
        return;
    }
    PlatformClickButton(b);
}

void PlatformClickButton(HWND button)
{
    if (!IsUserInterfaceThread()) {
        RunOnUiThreadAndWait([=] {
            PlatformClickButton(button);
            return (LRESULT)0;
        });
        return;
    }
    if (!IsLiveWindow(button) || !button->enabled) return;
    if (auto *ab = dynamic_cast<QAbstractButton *>(button->widget)) {
        ab->click();
        return;
    }
    NotifyParent(button, BN_CLICKED);
}

void PlatformScriptFileChooser(const std::wstring &drivePath)
{
    std::lock_guard<std::mutex> g(hookLock);
    fileChooserAnswers.push_back(drivePath);
}

bool TakeScriptedFileChooser(std::wstring *drivePath)
{
    std::lock_guard<std::mutex> g(hookLock);
    if (fileChooserAnswers.empty()) return false;
    *drivePath = fileChooserAnswers.front();
    fileChooserAnswers.pop_front();
    return true;
}

// The widget a key goes to now: an open popup, else the focus inside the top modal dialog, else the focused window.
static QWidget *KeyTarget()
{
    QWidget *target = nullptr;
    if (QWidget *popup = QApplication::activePopupWidget()) {
        target = popup;
    } else {
        std::vector<HWND> dialogs = OpenDialogs();
        if (!dialogs.empty()) {
            HWND top = dialogs.back();
            QWidget *fw = QApplication::focusWidget();
            HWND f = GetFocus();
            if (fw && top->widget && fw->window() == top->widget) target = fw;
            else if (f && f->widget && top->widget && f->widget->window() == top->widget) target = f->widget;
            else target = top->widget;
        } else {
            HWND f = GetFocus();
            target = f && f->widget ? f->widget : QApplication::focusWidget();
        }
    }
    return target;
}

void PlatformPressKey(int vk)
{
    if (!IsUserInterfaceThread()) {
        RunOnUiThreadAndWait([=] {
            PlatformPressKey(vk);
            return (LRESULT)0;
        });
        return;
    }
    QWidget *target = KeyTarget();
    if (!target) return;
    int key;
    Qt::KeyboardModifiers mods;
    QString text;
    QtKeyFromVirtualKey(vk, &key, &mods, &text);
    if (!key) return;
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(target, &press);
    // The release goes where the focus is when the key comes up: the press may have closed or hidden its window.
    target = KeyTarget();
    if (!target) return;
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(target, &release);
}

void PlatformSetScreenSize(int w, int h)
{
    screenW = w;
    screenH = h;
}
int ScreenWidthOverride() { return screenW; }
int ScreenHeightOverride() { return screenH; }

void PlatformFailWindowClass(const wchar_t *className)
{
    std::lock_guard<std::mutex> g(hookLock);
    if (!className) failWindowClasses.clear();
    else failWindowClasses.insert(Upper(className));
}

void PlatformFailRegisterClass(const wchar_t *className)
{
    std::lock_guard<std::mutex> g(hookLock);
    if (!className) failRegisterClasses.clear();
    else failRegisterClasses.insert(Upper(className));
}

bool WindowClassFails(const std::wstring &className)
{
    std::lock_guard<std::mutex> g(hookLock);
    return failWindowClasses.count(Upper(className)) != 0;
}

bool RegisterClassFails(const std::wstring &className)
{
    std::lock_guard<std::mutex> g(hookLock);
    return failRegisterClasses.count(Upper(className)) != 0;
}

bool PlatformSaveWindowPng(HWND w, const std::string &path)
{
    if (!IsUserInterfaceThread())
        return RunOnUiThreadAndWait([=] { return (LRESULT)PlatformSaveWindowPng(w, path); }) != 0;
    if (!IsLiveWindow(w) || !w->widget) return false;
    QSize size = w->widget->size();
    if (size.isEmpty()) return false;
    QImage out(size, QImage::Format_RGB32);
    out.fill(Qt::white);
    {
        QPainter p(&out);
        Compose(w, p, 0, 0);
    }
    return out.save(QString::fromStdString(path), "PNG");
}

// ---------------------------------------------------------------------------------------------------------------
// A user's hand on dialog controls
// ---------------------------------------------------------------------------------------------------------------
namespace {

// Runs the step on the user-interface thread (the test may drive the dialog from a script or another thread).
void OnUi(const std::function<void()> &step)
{
    if (IsUserInterfaceThread()) {
        step();
        return;
    }
    RunOnUiThreadAndWait([&] {
        step();
        return (LRESULT)0;
    });
}

void SendKey(QWidget *target, int key, const QString &text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
}

std::string KindOf(HWND c)
{
    switch (c->kind) {
    case WindowKind::Button:
        switch (c->buttonType) {
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX: return "CHECKBOX";
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON: return "RADIOBUTTON";
        case BS_GROUPBOX: return "GROUPBOX";
        case BS_OWNERDRAW: return "OWNERDRAW";
        default: return "BUTTON";
        }
    case WindowKind::Static: return "STATIC";
    case WindowKind::Edit: return "EDIT";
    case WindowKind::ComboBox: return "COMBOBOX";
    case WindowKind::ListBox: return "LISTBOX";
    default: return "WINDOW";
    }
}

std::wstring ShownTextOf(HWND c)
{
    if (!c->widget) return c->text;
    if (auto *e = dynamic_cast<QLineEdit *>(c->widget)) return e->text().toStdWString();
    if (auto *l = dynamic_cast<QLabel *>(c->widget)) return l->text().toStdWString();
    if (auto *b = dynamic_cast<QComboBox *>(c->widget)) return b->currentIndex() < 0 ? L"" : b->currentText().toStdWString();
    if (auto *l = dynamic_cast<QListWidget *>(c->widget))
        return l->currentItem() ? l->currentItem()->text().toStdWString() : L"";
    return c->text;
}

}  // namespace

void PlatformTypeIntoEdit(HWND dialog, int id, const std::wstring &text)
{
    OnUi([&] {
        HWND c = GetDlgItem(dialog, id);
        if (!IsLiveWindow(c) || !c->enabled) return;
        auto *edit = dynamic_cast<QLineEdit *>(c->widget);
        if (!edit) return;
        SetFocus(c);
        edit->selectAll();
        if (text.empty()) {
            SendKey(edit, Qt::Key_Delete, QString());
            return;
        }
        for (wchar_t ch : text) {
            if (!IsLiveWindow(c)) return;  // the dialog may close on a change
            SendKey(edit, 0, QString(QChar((char16_t)ch)));
        }
    });
}

void PlatformPickListItem(HWND dialog, int id, int index)
{
    OnUi([&] {
        HWND c = GetDlgItem(dialog, id);
        if (!IsLiveWindow(c) || !c->enabled) return;
        SetFocus(c);
        if (auto *combo = dynamic_cast<QComboBox *>(c->widget)) {
            if (index >= 0 && index < combo->count()) combo->setCurrentIndex(index);
        } else if (auto *list = dynamic_cast<QListWidget *>(c->widget)) {
            if (index >= 0 && index < list->count()) list->setCurrentRow(index);
        }
    });
}

void PlatformSetDialogCheck(HWND dialog, int id, bool checked)
{
    HWND c = GetDlgItem(dialog, id);
    if (!IsLiveWindow(c)) return;
    if ((SendMessage(c, BM_GETCHECK, 0, 0) == BST_CHECKED) != checked) PlatformClickButton(c);
}

std::wstring PlatformDialogItemText(HWND dialog, int id)
{
    std::wstring r;
    OnUi([&] {
        HWND c = GetDlgItem(dialog, id);
        if (IsLiveWindow(c)) r = ShownTextOf(c);
    });
    return r;
}

std::vector<std::wstring> PlatformListItems(HWND dialog, int id)
{
    std::vector<std::wstring> r;
    OnUi([&] {
        HWND c = GetDlgItem(dialog, id);
        if (!IsLiveWindow(c) || !c->widget) return;
        if (auto *combo = dynamic_cast<QComboBox *>(c->widget))
            for (int i = 0; i < combo->count(); i++) r.push_back(combo->itemText(i).toStdWString());
        else if (auto *list = dynamic_cast<QListWidget *>(c->widget))
            for (int i = 0; i < list->count(); i++) r.push_back(list->item(i)->text().toStdWString());
    });
    return r;
}

std::vector<ControlView> PlatformChildControls(HWND parent)
{
    std::vector<ControlView> r;
    OnUi([&] {
        if (!IsLiveWindow(parent)) return;
        for (HWND c : parent->children) {
            if (!IsLiveWindow(c)) continue;
            ControlView v;
            v.hwnd = c;
            v.id = c->id;
            v.kind = KindOf(c);
            v.text = ShownTextOf(c);
            v.rect = c->rect;
            // A drop-down list shows one line closed; its template height is that of the open list.
            if (c->kind == WindowKind::ComboBox && c->widget) v.rect.bottom = v.rect.top + c->widget->height();
            v.visible = c->visible;
            v.enabled = c->enabled;
            v.labelFits = ControlLabelFits(c);
            r.push_back(v);
        }
    });
    return r;
}
