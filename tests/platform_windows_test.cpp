// Window layer tests: cross-thread messages, posted bytes, the message loop, timers, keys and painting.
#include "platform/platform.h"
#include "platform/qt/window_internal.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>

namespace {

class PlatformEnvironment : public ::testing::Environment {
public:
    void SetUp() override { PlatformInit(0, nullptr); }
};
const auto *env = ::testing::AddGlobalTestEnvironment(new PlatformEnvironment);

// What the test windows saw.
struct Seen {
    UINT msg;
    WPARAM wp;
    LPARAM lp;
    std::vector<uint8_t> bytes;
    DWORD tick;
};
std::vector<Seen> seen;
std::atomic<int> timerCount{0};
std::atomic<int> paintCount{0};
std::atomic<int> sentCount{0};
int paintMode = 0;  // 0: draw nothing, 1: fill the client red

constexpr UINT WM_TEST_BYTES = WM_USER + 1;
constexpr UINT WM_TEST_SENT = WM_USER + 2;
constexpr UINT WM_TEST_PLAIN = WM_USER + 3;
constexpr UINT WM_TEST_NESTED = WM_USER + 4;

LRESULT TestProc(HWND w, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_TEST_BYTES:
    case WM_TEST_PLAIN:
        seen.push_back(Seen{msg, wp, lp, GetMessageBytes(), GetMessageTick()});
        return 0;
    case WM_TEST_NESTED: {
        // A bytes message whose handler runs a nested loop that serves another bytes message.
        seen.push_back(Seen{msg, wp, lp, GetMessageBytes(), GetMessageTick()});
        const uint8_t inner[] = {9, 9};
        PostMessageWithBytes(w, WM_TEST_BYTES, 2, 0, inner, sizeof inner, 222);
        PlatformPump(200, [] { return seen.size() >= 2; });
        seen.push_back(Seen{msg, wp, lp, GetMessageBytes(), GetMessageTick()});
        return 0;
    }
    case WM_TEST_SENT:
        ++sentCount;
        return 42 + (LRESULT)wp;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
        seen.push_back(Seen{msg, wp, lp, {}, 0});
        return 0;
    case WM_TIMER:
        ++timerCount;
        seen.push_back(Seen{msg, wp, lp, {}, 0});
        return 0;
    case WM_PAINT: {
        ++paintCount;
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(w, &ps);
        if (paintMode == 1) {
            HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
            RECT all;
            GetClientRect(w, &all);
            FillRect(dc, &all, red);
            DeleteObject(red);
        }
        EndPaint(w, &ps);
        return 0;
    }
    }
    return DefWindowProc(w, msg, wp, lp);
}

HBRUSH blueBrush = nullptr;

void RegisterTestClass()
{
    static bool done = false;
    if (done) return;
    done = true;
    blueBrush = CreateSolidBrush(RGB(0, 0, 255));
    WNDCLASS wc{};
    wc.lpfnWndProc = TestProc;
    wc.hbrBackground = blueBrush;
    wc.lpszClassName = L"PlatformTestWindow";
    ASSERT_NE(RegisterClass(&wc), 0);
}

HWND MakeWindow(HWND parent = nullptr, int id = 0, int w = 300, int h = 200)
{
    RegisterTestClass();
    DWORD style = parent ? (WS_CHILD | WS_VISIBLE) : (WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE);
    HWND hwnd = CreateWindow(L"PlatformTestWindow", L"Test", style, 0, 0, w, h, parent, id, nullptr, nullptr);
    EXPECT_NE(hwnd, nullptr);
    return hwnd;
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        seen.clear();
        timerCount = 0;
        paintCount = 0;
        sentCount = 0;
        paintMode = 0;
        PlatformClearDialogScripts();
        PlatformClearShownDialogs();
    }
    void TearDown() override
    {
        for (HWND w : made) DestroyWindow(w);
        PlatformPump(20);
    }
    HWND Make(HWND parent = nullptr, int id = 0, int w = 300, int h = 200)
    {
        HWND hwnd = MakeWindow(parent, id, w, h);
        if (!parent) made.push_back(hwnd);
        return hwnd;
    }
    std::vector<HWND> made;
};

const DialogControl kBoxControls[] = {
    {550, DC_CTEXT, L"", 10, 10, 180, 12, 0},
    {IDOK, DC_DEFPUSHBUTTON, L"OK", 75, 40, 50, 14, 0},
};
const DialogTemplate kBox[] = {
    {L"TESTBOX", L"Test box", 200, 60, 16, L"Microsoft Sans Serif", DS_MODALFRAME, kBoxControls, 2},
};

INT_PTR BoxProc(HWND d, UINT msg, WPARAM wp, LPARAM)
{
    if (msg == WM_INITDIALOG) {
        SetDlgItemText(d, 550, L"Worker is waiting");
        return TRUE;
    }
    if (msg == WM_COMMAND && (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL)) {
        EndDialog(d, LOWORD(wp));
        return TRUE;
    }
    return FALSE;
}

}  // namespace

TEST_F(WindowTest, QuitMessageEndsTheLoopWithItsExitCodeAfterEarlierPosts)
{
    HWND w = Make();
    PostMessage(w, WM_TEST_PLAIN, 1, 0);
    PostMessage(w, WM_TEST_PLAIN, 2, 0);
    PostQuitMessage(7);
    MSG msg{};
    int loops = 0;
    while (GetMessage(&msg, nullptr, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
        ASSERT_LT(++loops, 1000);
    }
    EXPECT_EQ(msg.message, (UINT)WM_QUIT);
    EXPECT_EQ(msg.wParam, 7u);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].wp, 1u);
    EXPECT_EQ(seen[1].wp, 2u);
}

TEST_F(WindowTest, PostedBytesAreACopyWithTheirTickEvenWhenTheSourceChanges)
{
    HWND w = Make();
    uint8_t frame[4] = {1, 2, 3, 4};
    ASSERT_TRUE(PostMessageWithBytes(w, WM_TEST_BYTES, 0, 0, frame, sizeof frame, 12345));
    std::memset(frame, 0xEE, sizeof frame);  // the reader reuses its buffer at once
    PostMessage(w, WM_TEST_PLAIN, 0, 0);
    PlatformPump(2000, [] { return seen.size() >= 2; });
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].bytes, (std::vector<uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(seen[0].tick, 12345u);
    EXPECT_TRUE(seen[1].bytes.empty()) << "a plain message carries no bytes";
    EXPECT_EQ(seen[1].tick, 0u);
    EXPECT_TRUE(GetMessageBytes().empty()) << "outside a handler there are no bytes";
}

TEST_F(WindowTest, PostedBytesStayWithTheirMessageThroughTheProgramLoop)
{
    HWND w = Make();
    const uint8_t frame[] = {7, 8, 9};
    PostMessageWithBytes(w, WM_TEST_BYTES, 0, 0, frame, sizeof frame, 77);
    PostQuitMessage(0);
    MSG msg{};
    while (GetMessage(&msg, nullptr, 0, 0)) DispatchMessage(&msg);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].bytes, (std::vector<uint8_t>{7, 8, 9}));
    EXPECT_EQ(seen[0].tick, 77u);
}

TEST_F(WindowTest, NestedBytesMessagesEachSeeTheirOwnBytes)
{
    HWND w = Make();
    const uint8_t outer[] = {1};
    PostMessageWithBytes(w, WM_TEST_NESTED, 0, 0, outer, sizeof outer, 111);
    PlatformPump(2000, [] { return seen.size() >= 3; });
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].bytes, (std::vector<uint8_t>{1}));
    EXPECT_EQ(seen[1].bytes, (std::vector<uint8_t>{9, 9}));
    EXPECT_EQ(seen[1].tick, 222u);
    EXPECT_EQ(seen[2].bytes, (std::vector<uint8_t>{1})) << "the outer handler's bytes come back after the nested one";
    EXPECT_EQ(seen[2].tick, 111u);
}

TEST_F(WindowTest, WorkerSendMessageIsServedWhileAModalBoxIsOpenAndTheWorkerGoesOn)
{
    HWND w = Make();
    RegisterDialogTemplates(kBox, 1);
    std::atomic<LRESULT> answer{0};
    std::atomic<bool> workerDone{false};
    std::thread worker;
    PlatformScriptDialog(L"TESTBOX", [&](HWND dialog) {
        worker = std::thread([&, dialog] {
            answer = SendMessage(w, WM_TEST_SENT, 3, 0);  // blocks until the user-interface thread ran it
            PlatformPressDialogButton(dialog, IDOK);
            workerDone = true;
        });
    });
    INT_PTR r = DialogBox(nullptr, L"TESTBOX", w, BoxProc);
    if (worker.joinable()) worker.join();
    EXPECT_EQ(r, IDOK);
    EXPECT_EQ(answer.load(), 45);
    EXPECT_EQ(sentCount.load(), 1);
    EXPECT_TRUE(workerDone.load());
    auto shown = PlatformShownDialogs();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].templateName, L"TESTBOX");
    EXPECT_EQ(shown[0].caption, L"Test box");
    EXPECT_EQ(shown[0].text, L"Worker is waiting");
}

TEST_F(WindowTest, SendMessageOnTheUserInterfaceThreadCallsTheProcedureAtOnce)
{
    HWND w = Make();
    EXPECT_EQ(SendMessage(w, WM_TEST_SENT, 1, 0), 43);
    EXPECT_EQ(sentCount.load(), 1);
}

TEST_F(WindowTest, TimerMessagesKeepArrivingInsideAModalLoop)
{
    HWND w = Make();
    RegisterDialogTemplates(kBox, 1);
    SetTimer(w, 5, 20, nullptr);
    PlatformScriptDialog(L"TESTBOX", [](HWND dialog) {
        timerCount = 0;
        PlatformWaitFor([] { return timerCount >= 5; }, 10000);
        PlatformPressDialogButton(dialog, IDOK);
    });
    DialogBox(nullptr, L"TESTBOX", w, BoxProc);
    KillTimer(w, 5);
    EXPECT_GE(timerCount.load(), 5);
    for (const Seen &s : seen) {
        if (s.msg == WM_TIMER) {
            EXPECT_EQ(s.wp, 5u);
        }
    }
}

TEST_F(WindowTest, TimerTicksWhileTheModalLoopItselfWaits)
{
    HWND w = Make();
    RegisterDialogTemplates(kBox, 1);
    SetTimer(w, 9, 15, nullptr);
    // The box is ended by a worker after it saw timer messages arrive: nothing but the modal loop pumps meanwhile.
    std::thread worker;
    PlatformScriptDialog(L"TESTBOX", [&](HWND dialog) {
        timerCount = 0;
        worker = std::thread([dialog] {
            for (int i = 0; i < 1000 && timerCount < 4; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
            PlatformPressDialogButton(dialog, IDOK);
        });
    });
    DialogBox(nullptr, L"TESTBOX", w, BoxProc);
    if (worker.joinable()) worker.join();
    KillTimer(w, 9);
    EXPECT_GE(timerCount.load(), 4);
}

TEST_F(WindowTest, SettingATimerIdAgainReplacesItsPeriod)
{
    HWND w = Make();
    SetTimer(w, 1, 20, nullptr);
    SetTimer(w, 1, 60000, nullptr);  // same id: now once a minute
    PlatformPump(300);
    EXPECT_EQ(timerCount.load(), 0) << "the old 20 ms period must be gone";
    SetTimer(w, 1, 20, nullptr);  // and back to 20 ms
    EXPECT_TRUE(PlatformWaitFor([] { return timerCount >= 3; }, 10000));
    KillTimer(w, 1);
    int after = timerCount;
    PlatformPump(200);
    EXPECT_EQ(timerCount.load(), after) << "killed timer keeps ticking";
}

TEST_F(WindowTest, TimersOfTwoWindowsWithTheSameIdAreSeparate)
{
    HWND a = Make(), b = Make();
    SetTimer(a, 1, 20, nullptr);
    SetTimer(b, 1, 60000, nullptr);
    EXPECT_TRUE(PlatformWaitFor([] { return timerCount >= 2; }, 10000)) << "b's timer must not replace a's";
    KillTimer(a, 1);
    KillTimer(b, 1);
}

TEST_F(WindowTest, KeysReachTheFocusedWindowWithVirtualKeyCodes)
{
    HWND top = Make();
    HWND other = Make(top, 100, 50, 50);
    HWND focused = Make(top, 101, 50, 50);
    // A button of the screen takes no focus: clicking it leaves the keys with the focused window.
    HWND button = CreateWindow(L"BUTTON", L"&Go", WS_CHILD | WS_VISIBLE, 60, 0, 60, 30, top, 460, nullptr, nullptr);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->widget->focusPolicy(), Qt::NoFocus);
    SetFocus(focused);
    PlatformClickButton(button);
    EXPECT_EQ(GetFocus(), focused);
    struct { int vk; } keys[] = {{'A'}, {'Z'}, {'0'}, {'7'}, {VK_NUMPAD0}, {VK_NUMPAD0 + 7}, {VK_LEFT}, {VK_UP}, {VK_RIGHT},
                                 {VK_DOWN}, {VK_TAB}, {VK_RETURN}, {VK_ESCAPE}, {VK_SPACE}, {VK_F1}, {VK_F1 + 4},
                                 {VK_F12}, {VK_MULTIPLY}, {VK_ADD}, {VK_SUBTRACT}, {VK_DECIMAL}, {VK_DIVIDE},
                                 {VK_BACK}, {VK_DELETE}, {VK_HOME}, {VK_END}, {VK_PRIOR}, {VK_NEXT}};
    for (auto k : keys) {
        seen.clear();
        PlatformPressKey(k.vk);
        std::vector<WPARAM> downs;
        for (const Seen &s : seen)
            if (s.msg == WM_KEYDOWN) downs.push_back(s.wp);
        ASSERT_EQ(downs.size(), 1u) << "key " << k.vk;
        EXPECT_EQ(downs[0], (WPARAM)k.vk);
    }
    // Letters also give their character; the other window got nothing.
    seen.clear();
    PlatformPressKey('Q');
    bool sawChar = false;
    for (const Seen &s : seen)
        if (s.msg == WM_CHAR && s.wp == 'q') sawChar = true;
    EXPECT_TRUE(sawChar);
    (void)other;
}

TEST_F(WindowTest, KeysGoToTheWindowTheProgramFocusedNotAnother)
{
    HWND top = Make();
    HWND a = Make(top, 1, 50, 50);
    HWND b = Make(top, 2, 50, 50);
    SetFocus(a);
    PlatformPressKey('A');
    SetFocus(b);
    seen.clear();
    PlatformPressKey('B');
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(GetFocus(), b);
}

TEST_F(WindowTest, HidingTheFocusedScreenGivesTheKeyboardToItsParent)
{
    HWND top = Make();
    HWND screen = Make(top, 4, 100, 100);
    HWND inner = Make(screen, 600, 50, 50);
    SetFocus(inner);
    ShowWindow(screen, SW_HIDE);
    EXPECT_EQ(GetFocus(), top);
    seen.clear();
    PlatformPressKey('X');
    EXPECT_FALSE(seen.empty());  // the key still reaches a window, the parent
}

TEST_F(WindowTest, AutoRepeatArrivesAsRepeatedKeyDowns)
{
    HWND w = Make();
    SetFocus(w);
    for (int i = 0; i < 3; ++i) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier, QString(), i > 0);
        QApplication::sendEvent(w->widget, &press);
        if (i > 0) {
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier, QString(), true);
            QApplication::sendEvent(w->widget, &release);
        }
    }
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Right, Qt::NoModifier);
    QApplication::sendEvent(w->widget, &release);
    int downs = 0, ups = 0;
    for (const Seen &s : seen) {
        if (s.msg == WM_KEYDOWN && s.wp == VK_RIGHT) ++downs;
        if (s.msg == WM_KEYUP && s.wp == VK_RIGHT) ++ups;
    }
    EXPECT_EQ(downs, 3);
    EXPECT_EQ(ups, 1);
}

TEST_F(WindowTest, TabIsAKeyForTheProgramNotAFocusMove)
{
    HWND top = Make();
    HWND a = Make(top, 1, 50, 50);
    Make(top, 2, 50, 50);
    SetFocus(a);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
    QApplication::sendEvent(a->widget, &press);
    bool tab = false;
    for (const Seen &s : seen) {
        if (s.msg == WM_KEYDOWN && s.wp == VK_TAB) tab = true;
    }
    EXPECT_TRUE(tab);
    EXPECT_EQ(GetFocus(), a);
}

TEST_F(WindowTest, TopLevelClientIsTheOuterSizeLessTheFrame)
{
    HWND w = Make(nullptr, 0, 400, 300);
    RECT rc;
    GetClientRect(w, &rc);
    SIZE f = GetFrameSize();
    EXPECT_GT(f.cy, 0);
    EXPECT_EQ(rc.right, 400 - f.cx);
    EXPECT_EQ(rc.bottom, 300 - f.cy);
    RECT wr;
    GetWindowRect(w, &wr);
    EXPECT_EQ(wr.right - wr.left, 400);
    EXPECT_EQ(wr.bottom - wr.top, 300);
}

TEST_F(WindowTest, InvalidateWithErasePaintsTheClassBackgroundAndUpdatePaintsOnlyTheInvalidPart)
{
    HWND w = Make(nullptr, 0, 200, 150);
    UpdateWindow(w);
    HDC dc = GetDC(w);
    EXPECT_EQ(GetPixel(dc, 5, 5), RGB(0, 0, 255)) << "creation erases with the class brush";
    // Something drawn outside WM_PAINT stays.
    HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
    RECT all{0, 0, 100, 100};
    FillRect(dc, &all, green);
    DeleteObject(green);
    EXPECT_EQ(GetPixel(dc, 50, 50), RGB(0, 255, 0));

    // Erase: the class background comes back in the marked part only.
    RECT part{10, 10, 20, 20};
    InvalidateRect(w, &part, TRUE);
    int before = paintCount;
    UpdateWindow(w);
    EXPECT_EQ(paintCount.load(), before + 1) << "UpdateWindow paints at once";
    EXPECT_EQ(GetPixel(dc, 15, 15), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(dc, 50, 50), RGB(0, 255, 0));

    // A paint handler filling everything only reaches the invalid region.
    paintMode = 1;
    RECT other{30, 30, 40, 40};
    InvalidateRect(w, &other, FALSE);
    UpdateWindow(w);
    EXPECT_EQ(GetPixel(dc, 35, 35), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 15, 15), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(dc, 50, 50), RGB(0, 255, 0));
    // Nothing left to paint: no second WM_PAINT.
    before = paintCount;
    UpdateWindow(w);
    EXPECT_EQ(paintCount.load(), before);
    ReleaseDC(w, dc);
}

// A window keeps its picture through resizes where the new size covers it; what the size adds shows the class
// background. A window made hidden costs no image until something draws on it; then the image has its latest size,
// all background.
TEST_F(WindowTest, ResizedWindowsKeepTheirPictureAndShowTheBackgroundWhereTheyGrew)
{
    HWND top = Make(nullptr, 0, 400, 300);
    RegisterTestClass();
    HWND w = CreateWindow(L"PlatformTestWindow", L"", WS_CHILD, 0, 0, 60, 40, top, 7, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    MoveWindow(w, 0, 0, 120, 90, FALSE);
    EXPECT_TRUE(w->image.isNull()) << "a hidden window nothing has drawn on holds no image yet";
    HDC dc = GetDC(w);
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(dc, 119, 89), RGB(0, 0, 255)) << "the image has the latest size";
    EXPECT_EQ(GetPixel(dc, 120, 89), CLR_INVALID);
    HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
    RECT all{0, 0, 120, 90};
    FillRect(dc, &all, green);
    DeleteObject(green);
    ReleaseDC(w, dc);
    struct Step {
        int width, height;
    } steps[] = {{200, 150}, {80, 150}, {200, 60}, {200, 150}};
    int keptW = 120, keptH = 90;  // the part still green
    for (const Step &s : steps) {
        MoveWindow(w, 0, 0, s.width, s.height, FALSE);
        keptW = std::min(keptW, s.width);
        keptH = std::min(keptH, s.height);
        dc = GetDC(w);
        for (int y = 0; y < s.height; y += 3)
            for (int x = 0; x < s.width; x += 3) {
                const COLORREF want = x < keptW && y < keptH ? RGB(0, 255, 0) : RGB(0, 0, 255);
                ASSERT_EQ(GetPixel(dc, x, y), want) << s.width << "x" << s.height << " at " << x << "," << y;
            }
        EXPECT_EQ(GetPixel(dc, s.width, 0), CLR_INVALID);
        ReleaseDC(w, dc);
    }
}

TEST_F(WindowTest, AnExposeFromQtShowsTheImageWithoutCallingTheProgram)
{
    HWND w = Make();
    UpdateWindow(w);
    PlatformPump(50);
    int before = paintCount;
    w->widget->repaint();
    w->widget->update();
    PlatformPump(50);
    EXPECT_EQ(paintCount.load(), before);
}

TEST_F(WindowTest, InvalidateWithoutUpdatePaintsLaterFromTheLoop)
{
    HWND w = Make();
    UpdateWindow(w);
    int before = paintCount;
    InvalidateRect(w, nullptr, FALSE);
    EXPECT_TRUE(PlatformWaitFor([&] { return paintCount > before; }, 5000));
}

TEST_F(WindowTest, CreateReturnsNullWhenCreateFailsOrTheClassIsMadeToFail)
{
    PlatformFailWindowClass(L"PlatformTestWindow");
    EXPECT_EQ(CreateWindow(L"PlatformTestWindow", L"", WS_VISIBLE, 0, 0, 10, 10, nullptr, 0, nullptr, nullptr),
              nullptr);
    PlatformFailWindowClass(nullptr);
    PlatformFailRegisterClass(L"AnotherClass");
    WNDCLASS wc{};
    wc.lpfnWndProc = TestProc;
    wc.lpszClassName = L"AnotherClass";
    EXPECT_EQ(RegisterClass(&wc), 0);
    PlatformFailRegisterClass(nullptr);
    EXPECT_NE(RegisterClass(&wc), 0);
}

TEST_F(WindowTest, DestroyedWindowsAreNoLongerWindowsAndTheirChildrenGoToo)
{
    HWND top = MakeWindow();
    HWND child = MakeWindow(top, 5, 20, 20);
    EXPECT_EQ(GetDlgItem(top, 5), child);
    EXPECT_EQ(GetParent(child), top);
    EXPECT_TRUE(DestroyWindow(top));
    EXPECT_FALSE(IsWindow(top));
    EXPECT_FALSE(IsWindow(child));
    EXPECT_EQ(SendMessage(child, WM_TEST_SENT, 0, 0), 0);
    EXPECT_FALSE(PostMessage(top, WM_TEST_PLAIN, 0, 0));
    PlatformPump(20);
}

TEST_F(WindowTest, WindowPictureIsSavedWithItsChildren)
{
    HWND top = Make(nullptr, 0, 200, 150);
    HWND child = Make(top, 7, 50, 40);
    MoveWindow(child, 20, 20, 50, 40, TRUE);
    CreateWindow(L"BUTTON", L"Button", WS_CHILD | WS_VISIBLE, 100, 20, 80, 30, top, 8, nullptr, nullptr);
    UpdateWindow(top);
    HDC dc = GetDC(child);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT all{0, 0, 50, 40};
    FillRect(dc, &all, red);
    DeleteObject(red);
    ReleaseDC(child, dc);
    std::string path = std::string(TEST_OUTPUT_DIR "/platform_window_with_children.png");
    ASSERT_TRUE(PlatformSaveWindowPng(top, path));
    QImage img(QString::fromStdString(path));
    ASSERT_FALSE(img.isNull());
    SIZE f = GetFrameSize();
    EXPECT_EQ(img.width(), 200 - f.cx);
    EXPECT_EQ(img.pixel(30, 30) & 0xFFFFFF, 0xFF0000u) << "child's picture at its place";
    EXPECT_EQ(img.pixel(5, 5) & 0xFFFFFF, 0x0000FFu) << "parent's background";
}

TEST_F(WindowTest, KeysReturnToTheFocusedWindowAfterAModalBoxClosed)
{
    HWND w = Make();
    RegisterDialogTemplates(kBox, 1);
    SetFocus(w);
    std::vector<Seen> inBox;
    PlatformScriptDialog(L"TESTBOX", [&](HWND) {
        seen.clear();
        PlatformPressKey('A');  // goes to the box, not to the window behind it
        inBox = seen;
        PlatformPressKey(VK_ESCAPE);
    });
    EXPECT_EQ(DialogBox(nullptr, L"TESTBOX", w, BoxProc), IDCANCEL);
    EXPECT_TRUE(inBox.empty());
    seen.clear();
    PlatformPressKey('B');
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen[0].msg, (UINT)WM_KEYDOWN);
    EXPECT_EQ(seen[0].wp, (WPARAM)'B');
}

TEST_F(WindowTest, WorkerMessagesReachTheProgramLoopInOrderAndSendsAreServedThere)
{
    HWND w = Make();
    std::atomic<LRESULT> answer{0};
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i) PostMessage(w, WM_TEST_PLAIN, (WPARAM)i, 0);
        answer = SendMessage(w, WM_TEST_SENT, 0, 0);  // served while the loop waits in GetMessage
        PostQuitMessage(3);
    });
    MSG msg{};
    while (GetMessage(&msg, nullptr, 0, 0)) DispatchMessage(&msg);
    worker.join();
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_EQ(answer.load(), 42);
    ASSERT_EQ(seen.size(), 50u);
    for (size_t i = 0; i < seen.size(); ++i) EXPECT_EQ(seen[i].wp, i);
}
