// Popup menus from the program's menu resources, shown with QMenu; the choice reaches the owner as WM_COMMAND.
#include "platform/qt/window_internal.h"

#include <QAction>
#include <QApplication>
#include <QMenu>

#include <map>
#include <mutex>

struct MenuObject {
    struct Item {
        int id;
        std::wstring text;
        bool grayed = false;
        bool checked = false;
    };
    int resourceId = 0;
    std::vector<Item> items;
};

namespace {

std::map<int, const MenuTemplate *> &MenuTemplates()
{
    static std::map<int, const MenuTemplate *> menus;
    return menus;
}

std::mutex scriptLock;
bool popupScripted = false;
int popupAnswer = 0;
std::vector<ShownMenuItem> lastPopup;

MenuObject::Item *FindItem(HMENU m, UINT id)
{
    if (!m) return nullptr;
    for (auto &item : m->items)
        if (item.id != 0 && (UINT)item.id == id) return &item;
    return nullptr;
}

}  // namespace

void RegisterMenuTemplates(const MenuTemplate *menus, int count)
{
    for (int i = 0; i < count; ++i) MenuTemplates()[menus[i].resourceId] = &menus[i];
}

HMENU LoadMenu(HINSTANCE, int resourceId)
{
    auto it = MenuTemplates().find(resourceId);
    if (it == MenuTemplates().end()) return nullptr;
    auto *m = new MenuObject;
    m->resourceId = resourceId;
    for (int i = 0; i < it->second->count; ++i) {
        const MenuItemTemplate &t = it->second->items[i];
        m->items.push_back(MenuObject::Item{t.id, t.text ? t.text : L""});
    }
    return m;
}

BOOL DestroyMenu(HMENU m)
{
    if (!m) return FALSE;
    delete m;
    return TRUE;
}

UINT EnableMenuItem(HMENU m, UINT id, UINT flags)
{
    MenuObject::Item *item = FindItem(m, id);
    if (!item) return (UINT)-1;
    UINT prev = item->grayed ? MF_GRAYED : MF_ENABLED;
    item->grayed = (flags & MF_GRAYED) != 0;
    return prev;
}

DWORD CheckMenuItem(HMENU m, UINT id, UINT flags)
{
    MenuObject::Item *item = FindItem(m, id);
    if (!item) return (DWORD)-1;
    DWORD prev = item->checked ? MF_CHECKED : MF_UNCHECKED;
    item->checked = (flags & MF_CHECKED) != 0;
    return prev;
}

void PlatformScriptPopupMenu(int chosenId)
{
    std::lock_guard<std::mutex> g(scriptLock);
    popupScripted = true;
    popupAnswer = chosenId;
}

BOOL TrackPopupMenuEx(HMENU m, UINT, int x, int y, HWND owner, void *)
{
    if (!IsUserInterfaceThread())
        return (BOOL)RunOnUiThreadAndWait([=] { return (LRESULT)TrackPopupMenuEx(m, 0, x, y, owner, nullptr); });
    if (!m) return FALSE;
    int chosen = 0;
    bool scripted = false;
    {
        std::lock_guard<std::mutex> g(scriptLock);
        lastPopup.clear();
        for (const auto &item : m->items) lastPopup.push_back(ShownMenuItem{item.id, item.text, !item.grayed});
        if (popupScripted) {
            scripted = true;
            chosen = popupAnswer;
            popupScripted = false;
        }
    }
    if (scripted) {
        // A scripted choice still has to be one the operator could make.
        MenuObject::Item *item = FindItem(m, (UINT)chosen);
        if (!item || item->grayed) chosen = 0;
    } else {
        QMenu menu(IsLiveWindow(owner) && owner->widget ? owner->widget->window() : nullptr);
        for (const auto &item : m->items) {
            if (item.id == 0) {
                menu.addSeparator();
                continue;
            }
            QAction *a = menu.addAction(QString::fromStdWString(item.text));
            a->setData(item.id);
            a->setEnabled(!item.grayed);
            if (item.checked) {
                a->setCheckable(true);
                a->setChecked(true);
            }
        }
        EnterNestedLoop();
        QAction *picked = menu.exec(QPoint(x, y));
        LeaveNestedLoop();
        if (picked) chosen = picked->data().toInt();
    }
    if (chosen && IsLiveWindow(owner)) PostMessage(owner, WM_COMMAND, MAKEWPARAM((unsigned)chosen, 0), 0);
    return TRUE;
}

std::vector<ShownMenuItem> PlatformLastPopupMenu()
{
    std::lock_guard<std::mutex> g(scriptLock);
    return lastPopup;
}
