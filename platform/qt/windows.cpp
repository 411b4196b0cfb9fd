// Windows on Qt: classes, creation and destruction, geometry, visibility, focus, painting and key translation.
#include "platform/qt/gdi_internal.h"
#include "platform/qt/window_internal.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <deque>
#include <mutex>
#include <set>
#include <unordered_set>

namespace {

struct WindowClassEntry {
    WNDCLASS wc{};
    std::wstring name;
};

std::map<std::wstring, WindowClassEntry> &Classes()
{
    static std::map<std::wstring, WindowClassEntry> classes;
    return classes;
}

std::wstring Upper(const std::wstring &s)
{
    std::wstring r = s;
    for (auto &c : r) c = (wchar_t)towupper(c);
    return r;
}

std::mutex liveLock;
std::unordered_set<HWND> &LiveSet()
{
    static std::unordered_set<HWND> live;
    return live;
}

HWND focusWindow = nullptr;

// Destroyed windows waiting to be freed, oldest first, with the widget that may still deliver Qt events for them.
struct RetiredWindow {
    HWND w;
    QPointer<QWidget> widget;
};
std::deque<RetiredWindow> retiredWindows;
// The newest retired objects kept back even when nothing can reach them.
constexpr size_t kRetiredKept = 32;

std::atomic<long> windowObjectCount{0};

bool IsBuiltInClass(const std::wstring &upper, WindowKind *kind)
{
    if (upper == L"BUTTON") { *kind = WindowKind::Button; return true; }
    if (upper == L"STATIC") { *kind = WindowKind::Static; return true; }
    if (upper == L"EDIT") { *kind = WindowKind::Edit; return true; }
    if (upper == L"LISTBOX") { *kind = WindowKind::ListBox; return true; }
    if (upper == L"COMBOBOX") { *kind = WindowKind::ComboBox; return true; }
    return false;
}

LPARAM PointParam(int x, int y) { return (LPARAM)(((unsigned)y & 0xFFFF) << 16 | ((unsigned)x & 0xFFFF)); }

// Shows a window's retained image; turns Qt input into the window's messages.
class ClientWidget : public QWidget {
public:
    ClientWidget(HWND w, QWidget *parent) : QWidget(parent), w_(w)
    {
        setFocusPolicy(Qt::NoFocus);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        if (!IsLiveWindow(w_)) return;
        QPainter p(this);
        int inset = ClientInset(w_);
        if (inset) {
            p.setPen(Qt::black);
            p.setBrush(Qt::NoBrush);
            p.drawRect(0, 0, width() - 1, height() - 1);
        }
        p.drawImage(inset, inset, *WindowImage(w_));
    }
    bool event(QEvent *e) override
    {
        // Tab is a key for the program's own windows, not a focus move.
        if (e->type() == QEvent::KeyPress && w_->kind == WindowKind::Custom) {
            auto *ke = static_cast<QKeyEvent *>(e);
            if (ke->key() == Qt::Key_Tab || ke->key() == Qt::Key_Backtab) {
                keyPressEvent(ke);
                return true;
            }
        }
        return QWidget::event(e);
    }
    void keyPressEvent(QKeyEvent *e) override
    {
        if (!IsLiveWindow(w_)) return;
        int vk = VirtualKeyFromQt(e->key(), e->modifiers());
        if (w_->kind == WindowKind::Dialog) {
            if (vk == VK_ESCAPE || vk == VK_RETURN) {
                DeliverKeyDown(w_, vk, e->text(), e->isAutoRepeat());
                e->accept();
                return;
            }
            e->ignore();
            return;
        }
        if (vk == 0) { e->ignore(); return; }
        DeliverKeyDown(w_, vk, e->text(), e->isAutoRepeat());
        e->accept();
    }
    void keyReleaseEvent(QKeyEvent *e) override
    {
        if (!IsLiveWindow(w_) || e->isAutoRepeat() || w_->kind == WindowKind::Dialog) { e->ignore(); return; }
        int vk = VirtualKeyFromQt(e->key(), e->modifiers());
        if (vk) DeliverKeyUp(w_, vk);
        e->accept();
    }
    void mousePressEvent(QMouseEvent *e) override
    {
        if (!IsLiveWindow(w_) || e->button() != Qt::LeftButton) return;
        int inset = ClientInset(w_);
        QPoint p = e->position().toPoint();
        pressedInside_ = true;
        if (w_->kind == WindowKind::Button) return;  // owner-drawn button: clicked on release
        CallWindowProcedure(w_, WM_LBUTTONDOWN, 1, PointParam(p.x() - inset, p.y() - inset));
    }
    void mouseReleaseEvent(QMouseEvent *e) override
    {
        if (!IsLiveWindow(w_) || e->button() != Qt::LeftButton) return;
        int inset = ClientInset(w_);
        QPoint p = e->position().toPoint();
        if (w_->kind == WindowKind::Button) {
            if (pressedInside_ && rect().contains(p) && w_->enabled) NotifyParent(w_, BN_CLICKED);
            pressedInside_ = false;
            return;
        }
        pressedInside_ = false;
        CallWindowProcedure(w_, WM_LBUTTONUP, 0, PointParam(p.x() - inset, p.y() - inset));
    }
    void mouseMoveEvent(QMouseEvent *e) override
    {
        if (!IsLiveWindow(w_) || w_->kind == WindowKind::Button) return;
        int inset = ClientInset(w_);
        QPoint p = e->position().toPoint();
        CallWindowProcedure(w_, WM_MOUSEMOVE, (e->buttons() & Qt::LeftButton) ? 1 : 0,
                            PointParam(p.x() - inset, p.y() - inset));
    }
    void focusInEvent(QFocusEvent *e) override
    {
        if (IsLiveWindow(w_) && w_->kind == WindowKind::Custom) NoteFocus(w_);
        QWidget::focusInEvent(e);
    }
    void closeEvent(QCloseEvent *e) override
    {
        e->ignore();
        if (!IsLiveWindow(w_)) return;
        HWND w = w_;
        // The close box: the program decides (dialogs turn it into id 2).
        QTimer::singleShot(0, qApp, [w] {
            if (IsLiveWindow(w)) SendMessage(w, WM_CLOSE, 0, 0);
        });
    }

private:
    HWND w_;
    bool pressedInside_ = false;
};

// Sends WM_DESTROY to the window and then to its children, innermost last.
void SendDestroy(HWND w)
{
    if (!IsLiveWindow(w)) return;
    CallWindowProcedure(w, WM_DESTROY, 0, 0);
    std::vector<HWND> children = w->children;
    for (HWND c : children) SendDestroy(c);
}

void ReleaseWindow(HWND w, bool deleteWidget)
{
    for (HWND c : std::vector<HWND>(w->children)) ReleaseWindow(c, false);
    for (auto &t : w->timers) {
        t.second->stop();
        t.second->deleteLater();
    }
    w->timers.clear();
    {
        std::lock_guard<std::mutex> g(liveLock);
        LiveSet().erase(w);
    }
    w->destroyed = true;
    if (focusWindow == w) focusWindow = nullptr;
    DetachImageDCs(&w->image);
    w->image = QImage();
    QPointer<QWidget> widget(w->widget);
    if (deleteWidget && w->widget) {
        w->widget->hide();
        w->widget->deleteLater();
    }
    w->widget = nullptr;
    w->children.clear();
    retiredWindows.push_back(RetiredWindow{w, widget});
}

void SchedulePaint(HWND w)
{
    if (w->paintScheduled) return;
    w->paintScheduled = true;
    QTimer::singleShot(0, qApp, [w] {
        if (!IsLiveWindow(w)) return;
        w->paintScheduled = false;
        UpdateWindow(w);
    });
}

void PaintTree(HWND w)
{
    if (!IsLiveWindow(w)) return;
    if (w->hasImage && !w->invalid.isEmpty() && IsWindowVisible(w)) {
        if (w->kind == WindowKind::Button)
            DrawOwnerButton(w);
        else
            CallWindowProcedure(w, WM_PAINT, 0, 0);
    }
    for (HWND c : std::vector<HWND>(w->children)) PaintTree(c);
}

void PlaceWidget(HWND w)
{
    if (!w->widget) return;
    int width = std::max(0, w->rect.right - w->rect.left);
    int height = std::max(0, w->rect.bottom - w->rect.top);
    if (w->topLevel) {
        SIZE f = GetFrameSize();
        int cw = std::max(1, width - f.cx), ch = std::max(1, height - f.cy);
        w->widget->setFixedSize(cw, ch);
        w->widget->move(w->rect.left + kFrameBorder, w->rect.top + kFrameCaption);
    } else {
        int inset = w->parent ? ClientInset(w->parent) : 0;
        // A drop-down list's height in the program is the height of the open list; closed it is one line.
        if (w->kind == WindowKind::ComboBox) height = std::min(height, w->widget->sizeHint().height());
        w->widget->setGeometry(w->rect.left + inset, w->rect.top + inset, width, height);
        FitControlFace(w);
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------------
// Shared helpers
// ---------------------------------------------------------------------------------------------------------------
WindowObject::WindowObject() { ++windowObjectCount; }
WindowObject::~WindowObject() { --windowObjectCount; }

long PlatformWindowObjectCount() { return windowObjectCount.load(); }

int nWindowProcedureDepth = 0;

void FreeRetiredWindows()
{
    if (nWindowProcedureDepth > 0) return;
    while (retiredWindows.size() > kRetiredKept) {
        RetiredWindow &r = retiredWindows.front();
        // Its widget still exists (its deletion is pending): it may deliver events; wait.
        if (!r.widget.isNull()) break;
        HWND w = r.w;
        retiredWindows.pop_front();
        DropPostedMessagesFor(w);
        delete w;
    }
}

bool IsLiveWindow(HWND w)
{
    if (!w) return false;
    std::lock_guard<std::mutex> g(liveLock);
    return LiveSet().count(w) != 0;
}

void RegisterLiveWindow(HWND w)
{
    std::lock_guard<std::mutex> g(liveLock);
    LiveSet().insert(w);
}

QWidget *NewClientWidget(HWND w, QWidget *parentWidget) { return new ClientWidget(w, parentWidget); }

int ClientInset(HWND w)
{
    if (!w || w->topLevel || w->kind == WindowKind::Dialog) return 0;
    return (w->style & WS_BORDER) ? 1 : 0;
}

int ClientWidth(HWND w)
{
    int width = w->rect.right - w->rect.left;
    if (w->topLevel) width -= GetFrameSize().cx;
    else width -= 2 * ClientInset(w);
    return std::max(0, width);
}

int ClientHeight(HWND w)
{
    int height = w->rect.bottom - w->rect.top;
    if (w->topLevel) height -= GetFrameSize().cy;
    else height -= 2 * ClientInset(w);
    return std::max(0, height);
}

namespace {

// The colour a window's image starts with: its class background, else white.
COLORREF WindowBackgroundColor(HWND w)
{
    COLORREF color = RGB(255, 255, 255);
    if (w->background && !BrushColor(w->background, &color)) color = RGB(255, 255, 255);
    return color;
}

}  // namespace

void ResetWindowImage(HWND w)
{
    w->hasImage = true;
    // Not drawn on yet: the image is made at the new size when it is first needed.
    if (w->image.isNull()) return;
    const int cw = std::max(1, ClientWidth(w)), ch = std::max(1, ClientHeight(w));
    if (w->image.width() == cw && w->image.height() == ch) return;
    const QRgb fill = QRgbFromColorRef(WindowBackgroundColor(w));
    const QImage &old = w->image;
    QImage fresh(cw, ch, QImage::Format_RGB32);
    if (fresh.isNull()) return;
    // Keep what was drawn where the new size still covers it; the rest shows the class background.
    const int kw = std::min(cw, old.width()), kh = std::min(ch, old.height());
    if (old.format() == QImage::Format_RGB32) {
        for (int y = 0; y < kh; y++) {
            QRgb *row = reinterpret_cast<QRgb *>(fresh.scanLine(y));
            std::memcpy(row, old.constScanLine(y), (size_t)kw * sizeof(QRgb));
            std::fill(row + kw, row + cw, fill);
        }
        for (int y = kh; y < ch; y++) {
            QRgb *row = reinterpret_cast<QRgb *>(fresh.scanLine(y));
            std::fill(row, row + cw, fill);
        }
    } else {
        fresh.fill(fill);
        QPainter p(&fresh);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(0, 0, old);
    }
    w->image = std::move(fresh);
}

QImage *WindowImage(HWND w)
{
    if (w->hasImage && w->image.isNull())
        w->image = NewSurfaceImage(std::max(1, ClientWidth(w)), std::max(1, ClientHeight(w)), WindowBackgroundColor(w));
    return &w->image;
}

void PlatformWindowImageChanged(HWND owner)
{
    if (!IsLiveWindow(owner) || !owner->widget) return;
    owner->widget->update();
}

void NoteFocus(HWND w) { focusWindow = w; }

void RaiseAndActivate(QWidget *top)
{
    if (!top) return;
    if (QGuiApplication::platformName() != QStringLiteral("offscreen")) top->raise();
    top->activateWindow();
}

HWND WindowFromWidget(QWidget *widget)
{
    std::lock_guard<std::mutex> g(liveLock);
    for (QWidget *q = widget; q; q = q->parentWidget()) {
        for (HWND w : LiveSet())
            if (w->widget == q) return w;
    }
    return nullptr;
}

SIZE GetFrameSize() { return SIZE{2 * kFrameBorder, kFrameCaption + kFrameBorder}; }

// ---------------------------------------------------------------------------------------------------------------
// Classes and creation
// ---------------------------------------------------------------------------------------------------------------
int RegisterClass(const WNDCLASS *wc)
{
    if (!wc || !wc->lpszClassName) return 0;
    std::wstring name = Upper(wc->lpszClassName);
    if (RegisterClassFails(name)) return 0;
    WindowKind kind;
    if (IsBuiltInClass(name, &kind)) return 0;
    auto &entry = Classes()[name];
    entry.wc = *wc;
    entry.name = wc->lpszClassName;
    entry.wc.lpszClassName = entry.name.c_str();
    return (int)(Classes().size() + 0xC000);
}

HWND CreateWindow(const wchar_t *className, const wchar_t *title, DWORD style, int x, int y, int w, int h,
                  HWND parent, int id, HINSTANCE inst, void *param)
{
    if (!IsUserInterfaceThread()) {
        std::wstring cls = className ? className : L"", ttl = title ? title : L"";
        return (HWND)RunOnUiThreadAndWait([=] {
            return (LRESULT)CreateWindow(cls.c_str(), ttl.c_str(), style, x, y, w, h, parent, id, inst, param);
        });
    }
    if (!className) return nullptr;
    std::wstring upper = Upper(className);
    if (WindowClassFails(upper)) return nullptr;
    if (parent && !IsLiveWindow(parent)) return nullptr;
    WindowKind kind = WindowKind::Custom;
    bool builtIn = IsBuiltInClass(upper, &kind);
    const WindowClassEntry *cls = nullptr;
    if (!builtIn) {
        auto it = Classes().find(upper);
        if (it == Classes().end()) return nullptr;
        cls = &it->second;
    } else if (!parent) {
        return nullptr;
    }

    auto *o = new WindowObject;
    o->kind = kind;
    o->className = className;
    o->style = style;
    o->id = id;
    o->parent = parent;
    o->topLevel = parent == nullptr;
    o->text = title ? title : L"";
    o->rect = RECT{x, y, x + std::max(0, w), y + std::max(0, h)};
    o->visible = (style & WS_VISIBLE) != 0;
    o->enabled = (style & WS_DISABLED) == 0;
    o->createParam = param;
    if (cls) {
        o->proc = cls->wc.lpfnWndProc;
        o->background = cls->wc.hbrBackground;
        o->classStyle = cls->wc.style;
    }
    RegisterLiveWindow(o);
    if (parent) parent->children.push_back(o);

    if (builtIn) {
        CreateControlWidget(o, parent->widget);
    } else {
        o->widget = NewClientWidget(o, parent ? parent->widget : nullptr);
        if (o->topLevel) o->widget->setWindowTitle(QString::fromStdWString(o->text));
        ResetWindowImage(o);
        o->invalid = QRegion(0, 0, ClientWidth(o), ClientHeight(o));
        o->erasePending = true;
    }
    PlaceWidget(o);
    if (o->widget) o->widget->setEnabled(o->enabled);

    CREATESTRUCT cs{};
    cs.lpCreateParams = param;
    cs.hInstance = inst;
    cs.hwndParent = parent;
    cs.x = x;
    cs.y = y;
    cs.cx = w;
    cs.cy = h;
    cs.style = style;
    cs.lpszName = title;
    cs.lpszClass = className;
    if (!builtIn && CallWindowProcedure(o, WM_CREATE, 0, (LPARAM)&cs) == -1) {
        DestroyWindow(o);
        return nullptr;
    }
    if (!IsLiveWindow(o)) return nullptr;
    if (!builtIn) {
        CallWindowProcedure(o, WM_SIZE, 0, PointParam(ClientWidth(o), ClientHeight(o)));
        if (IsLiveWindow(o)) CallWindowProcedure(o, WM_MOVE, 0, PointParam(x, y));
        if (!IsLiveWindow(o)) return nullptr;
    }
    if (o->widget) {
        if (o->visible) {
            o->widget->show();
            if (o->topLevel) RaiseAndActivate(o->widget);
            if (o->hasImage) SchedulePaint(o);
        } else {
            o->widget->hide();
        }
    }
    return o;
}

BOOL DestroyWindow(HWND w)
{
    if (!IsUserInterfaceThread()) return (BOOL)RunOnUiThreadAndWait([w] { return (LRESULT)DestroyWindow(w); });
    if (!IsLiveWindow(w)) return FALSE;
    SendDestroy(w);
    if (!IsLiveWindow(w)) return TRUE;
    if (w->parent && IsLiveWindow(w->parent)) {
        auto &sib = w->parent->children;
        sib.erase(std::remove(sib.begin(), sib.end(), w), sib.end());
    }
    ReleaseWindow(w, true);
    return TRUE;
}

BOOL IsWindow(HWND w) { return IsLiveWindow(w) ? TRUE : FALSE; }

BOOL IsWindowVisible(HWND w)
{
    if (!IsUserInterfaceThread()) return (BOOL)RunOnUiThreadAndWait([w] { return (LRESULT)IsWindowVisible(w); });
    for (HWND p = w; p; p = p->parent) {
        if (!IsLiveWindow(p) || !p->visible) return FALSE;
    }
    return TRUE;
}

BOOL ShowWindow(HWND w, int cmd)
{
    if (!IsUserInterfaceThread()) return (BOOL)RunOnUiThreadAndWait([=] { return (LRESULT)ShowWindow(w, cmd); });
    if (!IsLiveWindow(w)) return FALSE;
    BOOL was = w->visible ? TRUE : FALSE;
    bool show = cmd != SW_HIDE;
    if (show == (bool)was) return was;
    w->visible = show;
    if (w->widget) {
        w->widget->setVisible(show);
        if (show && w->topLevel) RaiseAndActivate(w->widget);
    }
    if (w->kind == WindowKind::Custom || w->kind == WindowKind::Dialog) CallWindowProcedure(w, WM_SHOWWINDOW, show, 0);
    if (show && w->hasImage) InvalidateRect(w, nullptr, TRUE);
    // What the child covered is the parent's to paint again.
    if (!show && w->parent && IsLiveWindow(w->parent)) InvalidateRect(w->parent, &w->rect, TRUE);
    // A hidden window cannot keep the keyboard: the focus goes to the hidden window's parent.
    if (!show && w->parent && IsLiveWindow(w->parent)) {
        for (HWND f = IsLiveWindow(focusWindow) ? focusWindow : nullptr; f; f = f->parent) {
            if (f == w) {
                SetFocus(w->parent);
                break;
            }
        }
    }
    return was;
}

BOOL MoveWindow(HWND w, int x, int y, int width, int height, BOOL repaint)
{
    if (!IsUserInterfaceThread())
        return (BOOL)RunOnUiThreadAndWait([=] { return (LRESULT)MoveWindow(w, x, y, width, height, repaint); });
    if (!IsLiveWindow(w)) return FALSE;
    bool resized = (w->rect.right - w->rect.left) != width || (w->rect.bottom - w->rect.top) != height;
    bool moved = w->rect.left != x || w->rect.top != y;
    if ((moved || resized) && w->visible && w->parent && IsLiveWindow(w->parent))
        InvalidateRect(w->parent, &w->rect, TRUE);
    w->rect = RECT{x, y, x + std::max(0, width), y + std::max(0, height)};
    PlaceWidget(w);
    if (w->hasImage && resized) ResetWindowImage(w);
    if (moved && (w->kind == WindowKind::Custom || w->kind == WindowKind::Dialog))
        CallWindowProcedure(w, WM_MOVE, 0, PointParam(x, y));
    if (resized && (w->kind == WindowKind::Custom || w->kind == WindowKind::Dialog))
        CallWindowProcedure(w, WM_SIZE, 0, PointParam(ClientWidth(w), ClientHeight(w)));
    if (IsLiveWindow(w) && (repaint || resized)) {
        if (w->hasImage) InvalidateRect(w, nullptr, TRUE);
        else if (w->widget) w->widget->update();
    }
    return TRUE;
}

BOOL EnableWindow(HWND w, BOOL enable)
{
    if (!IsUserInterfaceThread()) return (BOOL)RunOnUiThreadAndWait([=] { return (LRESULT)EnableWindow(w, enable); });
    if (!IsLiveWindow(w)) return FALSE;
    BOOL wasDisabled = w->enabled ? FALSE : TRUE;
    bool on = enable != FALSE;
    if (on == w->enabled) return wasDisabled;
    w->enabled = on;
    if (w->widget) w->widget->setEnabled(on);
    if (w->kind == WindowKind::Custom || w->kind == WindowKind::Dialog) CallWindowProcedure(w, WM_ENABLE, on, 0);
    if (w->kind == WindowKind::Button && w->hasImage) InvalidateRect(w, nullptr, FALSE);
    return wasDisabled;
}

BOOL IsWindowEnabled(HWND w)
{
    if (!IsUserInterfaceThread()) return (BOOL)RunOnUiThreadAndWait([w] { return (LRESULT)IsWindowEnabled(w); });
    return IsLiveWindow(w) && w->enabled ? TRUE : FALSE;
}

BOOL GetClientRect(HWND w, RECT *r)
{
    if (!IsUserInterfaceThread()) return (BOOL)RunOnUiThreadAndWait([=] { return (LRESULT)GetClientRect(w, r); });
    if (!r || !IsLiveWindow(w)) return FALSE;
    *r = RECT{0, 0, ClientWidth(w), ClientHeight(w)};
    return TRUE;
}

BOOL GetWindowRect(HWND w, RECT *r)
{
    if (!IsUserInterfaceThread()) return (BOOL)RunOnUiThreadAndWait([=] { return (LRESULT)GetWindowRect(w, r); });
    if (!r || !IsLiveWindow(w)) return FALSE;
    int dx = 0, dy = 0;
    for (HWND p = w->parent; p; p = p->parent) {
        if (p->topLevel) {
            dx += p->rect.left + kFrameBorder;
            dy += p->rect.top + kFrameCaption;
        } else {
            dx += p->rect.left + ClientInset(p);
            dy += p->rect.top + ClientInset(p);
        }
    }
    *r = RECT{w->rect.left + dx, w->rect.top + dy, w->rect.right + dx, w->rect.bottom + dy};
    return TRUE;
}

HWND GetParent(HWND w) { return IsLiveWindow(w) ? w->parent : nullptr; }

HWND GetDlgItem(HWND parent, int id)
{
    // Children change on the user-interface thread only; other threads ask there.
    if (!IsUserInterfaceThread()) return (HWND)RunOnUiThreadAndWait([=] { return (LRESULT)GetDlgItem(parent, id); });
    if (!IsLiveWindow(parent)) return nullptr;
    for (HWND c : parent->children)
        if (c->id == id && IsLiveWindow(c)) return c;
    return nullptr;
}

int GetDlgCtrlID(HWND w) { return IsLiveWindow(w) ? w->id : 0; }

HWND SetFocus(HWND w)
{
    if (!IsUserInterfaceThread()) return (HWND)RunOnUiThreadAndWait([w] { return (LRESULT)SetFocus(w); });
    HWND prev = IsLiveWindow(focusWindow) ? focusWindow : nullptr;
    if (!w) {
        focusWindow = nullptr;
        return prev;
    }
    if (!IsLiveWindow(w)) return prev;
    focusWindow = w;
    if (w->widget) {
        QWidget *top = w->widget->window();
        if (top && top->isVisible() && !top->isActiveWindow()) top->activateWindow();
        w->widget->setFocus(Qt::OtherFocusReason);
    }
    if (prev != w) {
        if (prev && prev->kind == WindowKind::Custom) CallWindowProcedure(prev, WM_KILLFOCUS, (WPARAM)w, 0);
        if (IsLiveWindow(w) && w->kind == WindowKind::Custom) CallWindowProcedure(w, WM_SETFOCUS, (WPARAM)prev, 0);
    }
    return prev;
}

HWND GetFocus()
{
    if (!IsUserInterfaceThread()) return (HWND)RunOnUiThreadAndWait([] { return (LRESULT)GetFocus(); });
    return IsLiveWindow(focusWindow) ? focusWindow : nullptr;
}

BOOL SetWindowText(HWND w, const wchar_t *text)
{
    if (!IsLiveWindow(w)) return FALSE;
    SendMessage(w, WM_SETTEXT, 0, (LPARAM)(text ? text : L""));
    return TRUE;
}

int GetWindowText(HWND w, wchar_t *buf, int max)
{
    if (!buf || max <= 0) return 0;
    buf[0] = 0;
    if (!IsLiveWindow(w)) return 0;
    return (int)SendMessage(w, WM_GETTEXT, (WPARAM)max, (LPARAM)buf);
}

DWORD GetWindowStyle(HWND w)
{
    if (!IsUserInterfaceThread()) return (DWORD)RunOnUiThreadAndWait([w] { return (LRESULT)GetWindowStyle(w); });
    if (!IsLiveWindow(w)) return 0;
    DWORD s = w->style & ~(WS_VISIBLE | WS_DISABLED);
    if (w->visible) s |= WS_VISIBLE;
    if (!w->enabled) s |= WS_DISABLED;
    if (w->kind == WindowKind::Button) s = (s & ~BS_TYPEMASK) | w->buttonType;
    return s;
}

std::wstring WindowTextOf(HWND w)
{
    if (!IsLiveWindow(w)) return L"";
    if (w->kind == WindowKind::Custom || w->kind == WindowKind::Dialog) return w->text;
    return w->text;
}

// ---------------------------------------------------------------------------------------------------------------
// Default handling
// ---------------------------------------------------------------------------------------------------------------
LRESULT DefWindowProc(HWND w, UINT msg, WPARAM wp, LPARAM lp)
{
    if (!IsLiveWindow(w)) return 0;
    if (w->kind != WindowKind::Custom && w->kind != WindowKind::Dialog) return ControlProcedure(w, msg, wp, lp);
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(w, &ps);
        EndPaint(w, &ps);
        return 0;
    }
    case WM_ERASEBKGND: {
        if (!w->background) return 0;
        HDC dc = (HDC)wp;
        QImage *img = dc ? ImageDCSurface(dc) : WindowImage(w);
        if (!img) return 0;
        QRect b = w->invalid.isEmpty() ? QRect(0, 0, img->width(), img->height()) : w->invalid.boundingRect();
        if (dc && dc->hasPaintClip) b = QRect(dc->paintClip.left, dc->paintClip.top,
                                              dc->paintClip.right - dc->paintClip.left,
                                              dc->paintClip.bottom - dc->paintClip.top);
        FillImageRect(img, RECT{b.left(), b.top(), b.left() + b.width(), b.top() + b.height()}, w->background);
        PlatformWindowImageChanged(w);
        return 1;
    }
    case WM_SETTEXT: {
        w->text = lp ? (const wchar_t *)lp : L"";
        if (w->topLevel && w->widget) w->widget->setWindowTitle(QString::fromStdWString(w->text));
        return TRUE;
    }
    case WM_GETTEXT: {
        int max = (int)wp;
        wchar_t *buf = (wchar_t *)lp;
        if (!buf || max <= 0) return 0;
        int n = std::min<int>((int)w->text.size(), max - 1);
        std::wmemcpy(buf, w->text.c_str(), n);
        buf[n] = 0;
        return n;
    }
    case WM_GETTEXTLENGTH:
        return (LRESULT)w->text.size();
    case WM_SETFONT:
        w->font = (HFONT)wp;
        return 0;
    case WM_CLOSE:
        DestroyWindow(w);
        return 0;
    default:
        return 0;
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Painting
// ---------------------------------------------------------------------------------------------------------------
BOOL InvalidateRect(HWND w, const RECT *r, BOOL erase)
{
    if (!IsUserInterfaceThread()) {
        bool hasRect = r != nullptr;
        RECT copy = r ? *r : RECT{0, 0, 0, 0};
        RunOnUiThread([=] { InvalidateRect(w, hasRect ? &copy : nullptr, erase); });
        return TRUE;
    }
    if (!IsLiveWindow(w)) return FALSE;
    if (!w->hasImage) {
        if (w->widget) w->widget->update();
        return TRUE;
    }
    QRect client(0, 0, ClientWidth(w), ClientHeight(w));
    QRect area = r ? QRect(QPoint(std::min(r->left, r->right), std::min(r->top, r->bottom)),
                           QPoint(std::max(r->left, r->right) - 1, std::max(r->top, r->bottom) - 1))
                   : client;
    area = area.intersected(client);
    if (area.isEmpty()) return TRUE;
    w->invalid += area;
    if (erase) w->erasePending = true;
    if (IsWindowVisible(w)) SchedulePaint(w);
    return TRUE;
}

BOOL UpdateWindow(HWND w)
{
    if (!IsUserInterfaceThread()) return (BOOL)RunOnUiThreadAndWait([w] { return (LRESULT)UpdateWindow(w); });
    if (!IsLiveWindow(w)) return FALSE;
    PaintTree(w);
    return TRUE;
}

HDC BeginPaint(HWND w, PAINTSTRUCT *ps)
{
    if (!IsLiveWindow(w) || !w->hasImage) return nullptr;
    QRect b = w->invalid.boundingRect();
    bool erase = w->erasePending;
    w->invalid = QRegion();
    w->erasePending = false;
    HDC dc = NewImageDC(WindowImage(w), w);
    RECT clip{b.left(), b.top(), b.left() + b.width(), b.top() + b.height()};
    if (b.isEmpty()) clip = RECT{0, 0, 0, 0};
    SetImageDCClip(dc, clip);
    BOOL erased = FALSE;
    if (erase && !b.isEmpty()) erased = CallWindowProcedure(w, WM_ERASEBKGND, (WPARAM)dc, 0) != 0;
    if (ps) {
        ps->hdc = dc;
        ps->fErase = erase && !erased;
        ps->rcPaint = clip;
    }
    return dc;
}

BOOL EndPaint(HWND w, const PAINTSTRUCT *ps)
{
    if (ps && ps->hdc) FreeImageDC(ps->hdc);
    if (IsLiveWindow(w)) PlatformWindowImageChanged(w);
    return TRUE;
}

HDC GetDC(HWND w)
{
    if (!w) {
        static QImage screen = NewSurfaceImage(16, 16);
        return NewImageDC(&screen, nullptr);
    }
    if (!IsLiveWindow(w)) return nullptr;
    if (!w->hasImage && w->image.isNull()) w->image = NewSurfaceImage(std::max(1, ClientWidth(w)), std::max(1, ClientHeight(w)));
    return NewImageDC(WindowImage(w), w);
}

int ReleaseDC(HWND, HDC dc)
{
    if (!dc || !IsLiveDC(dc)) return 0;
    FreeImageDC(dc);
    return 1;
}

// ---------------------------------------------------------------------------------------------------------------
// Keys
// ---------------------------------------------------------------------------------------------------------------
int VirtualKeyFromQt(int key, Qt::KeyboardModifiers mods)
{
    bool keypad = mods & Qt::KeypadModifier;
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return keypad ? VK_NUMPAD0 + (key - Qt::Key_0) : '0' + (key - Qt::Key_0);
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return 'A' + (key - Qt::Key_A);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return VK_F1 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab: case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Return: case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return 0x12;
    case Qt::Key_Pause: return 0x13;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Asterisk: return keypad ? VK_MULTIPLY : 0;
    case Qt::Key_Plus: return keypad ? VK_ADD : 0xBB;
    case Qt::Key_Minus: return keypad ? VK_SUBTRACT : 0xBD;
    case Qt::Key_Period: return keypad ? VK_DECIMAL : 0xBE;
    case Qt::Key_Slash: return keypad ? VK_DIVIDE : 0xBF;
    case Qt::Key_Comma: return 0xBC;
    case Qt::Key_Semicolon: return 0xBA;
    case Qt::Key_Equal: return 0xBB;
    case Qt::Key_Underscore: return 0xBD;
    default: return 0;
    }
}

void QtKeyFromVirtualKey(int vk, int *qtKey, Qt::KeyboardModifiers *mods, QString *text)
{
    *mods = Qt::NoModifier;
    *text = QString();
    int key = 0;
    if (vk >= 'A' && vk <= 'Z') { key = Qt::Key_A + (vk - 'A'); *text = QString(QChar(vk + 32)); }
    else if (vk >= '0' && vk <= '9') { key = Qt::Key_0 + (vk - '0'); *text = QString(QChar(vk)); }
    else if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) {
        key = Qt::Key_0 + (vk - VK_NUMPAD0);
        *mods = Qt::KeypadModifier;
        *text = QString(QChar('0' + vk - VK_NUMPAD0));
    } else if (vk >= VK_F1 && vk <= VK_F1 + 23) key = Qt::Key_F1 + (vk - VK_F1);
    else {
        switch (vk) {
        case VK_BACK: key = Qt::Key_Backspace; *text = QString(QChar(8)); break;
        case VK_TAB: key = Qt::Key_Tab; *text = QString(QChar(9)); break;
        case VK_RETURN: key = Qt::Key_Return; *text = QString(QChar(13)); break;
        case VK_SHIFT: key = Qt::Key_Shift; break;
        case VK_CONTROL: key = Qt::Key_Control; break;
        case VK_ESCAPE: key = Qt::Key_Escape; *text = QString(QChar(27)); break;
        case VK_SPACE: key = Qt::Key_Space; *text = QStringLiteral(" "); break;
        case VK_PRIOR: key = Qt::Key_PageUp; break;
        case VK_NEXT: key = Qt::Key_PageDown; break;
        case VK_END: key = Qt::Key_End; break;
        case VK_HOME: key = Qt::Key_Home; break;
        case VK_LEFT: key = Qt::Key_Left; break;
        case VK_UP: key = Qt::Key_Up; break;
        case VK_RIGHT: key = Qt::Key_Right; break;
        case VK_DOWN: key = Qt::Key_Down; break;
        case VK_INSERT: key = Qt::Key_Insert; break;
        case VK_DELETE: key = Qt::Key_Delete; break;
        case VK_MULTIPLY: key = Qt::Key_Asterisk; *mods = Qt::KeypadModifier; *text = QStringLiteral("*"); break;
        case VK_ADD: key = Qt::Key_Plus; *mods = Qt::KeypadModifier; *text = QStringLiteral("+"); break;
        case VK_SUBTRACT: key = Qt::Key_Minus; *mods = Qt::KeypadModifier; *text = QStringLiteral("-"); break;
        case VK_DECIMAL: key = Qt::Key_Period; *mods = Qt::KeypadModifier; *text = QStringLiteral("."); break;
        case VK_DIVIDE: key = Qt::Key_Slash; *mods = Qt::KeypadModifier; *text = QStringLiteral("/"); break;
        case 0xBC: key = Qt::Key_Comma; *text = QStringLiteral(","); break;
        case 0xBD: key = Qt::Key_Minus; *text = QStringLiteral("-"); break;
        case 0xBE: key = Qt::Key_Period; *text = QStringLiteral("."); break;
        case 0xBF: key = Qt::Key_Slash; *text = QStringLiteral("/"); break;
        case 0xBA: key = Qt::Key_Semicolon; *text = QStringLiteral(";"); break;
        case 0xBB: key = Qt::Key_Equal; *text = QStringLiteral("="); break;
        default: key = 0; break;
        }
    }
    *qtKey = key;
}

void DeliverKeyDown(HWND w, int vk, const QString &text, bool repeat)
{
    if (!IsLiveWindow(w)) return;
    if (w->kind == WindowKind::Dialog) {
        if (vk == VK_ESCAPE) {
            CallWindowProcedure(w, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), (LPARAM)GetDlgItem(w, IDCANCEL));
        } else if (vk == VK_RETURN) {
            // Enter presses the push button that has the focus, else the default button.
            int id = w->defaultButtonId;
            HWND focused = WindowFromWidget(QApplication::focusWidget());
            if (!focused || focused->parent != w) focused = GetFocus();
            if (focused && focused->parent == w && focused->kind == WindowKind::Button &&
                (focused->buttonType == BS_PUSHBUTTON || focused->buttonType == BS_DEFPUSHBUTTON))
                id = focused->id;
            HWND b = GetDlgItem(w, id);
            if (b && !b->enabled) return;
            CallWindowProcedure(w, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)b);
        }
        return;
    }
    LPARAM lp = 1 | (repeat ? (1 << 30) : 0);
    CallWindowProcedure(w, WM_KEYDOWN, (WPARAM)vk, lp);
    if (!text.isEmpty() && IsLiveWindow(w)) {
        ushort ch = text.at(0).unicode();
        if (ch >= 0x20 || ch == 8 || ch == 9 || ch == 13 || ch == 27) CallWindowProcedure(w, WM_CHAR, ch, lp);
    }
}

void DeliverKeyUp(HWND w, int vk)
{
    if (!IsLiveWindow(w)) return;
    CallWindowProcedure(w, WM_KEYUP, (WPARAM)vk, (LPARAM)(1 | (1u << 30) | (1u << 31)));
}
