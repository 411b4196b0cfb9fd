// Test support: reading texts back from a window's pixels.
#include "support/screen_text.h"

namespace screentext {

namespace {

// Text ink: dark in every channel (a red or blue fill is no ink).
bool Dark(COLORREF c) { return GetRValue(c) < 110 && GetGValue(c) < 110 && GetBValue(c) < 110; }

}  // namespace

SIZE TextSize(HWND hwnd, HFONT font, const std::wstring &text)
{
    SIZE s = {0, 0};
    HDC hdc = GetDC(hwnd);
    HGDIOBJ old = SelectObject(hdc, font);
    GetTextExtentPoint32(hdc, text.c_str(), (int)text.size(), &s);
    SelectObject(hdc, old);
    ReleaseDC(hwnd, hdc);
    return s;
}

bool ShowsText(HWND hwnd, int x, int y, HFONT font, const std::wstring &text)
{
    const SIZE s = TextSize(hwnd, font, text);
    if (s.cx <= 0 || s.cy <= 0) return false;
    HDC mem = PlatformCreateMemorySurface(s.cx, s.cy);
    SelectObject(mem, font);
    SetBkMode(mem, TRANSPARENT);
    SetTextColor(mem, RGB(0, 0, 0));
    TextOut(mem, 0, 0, text.c_str(), (int)text.size());
    HDC win = GetDC(hwnd);
    int nInk = 0, nMissing = 0, nExtra = 0;
    for (int j = 0; j < s.cy; j++)
        for (int i = 0; i < s.cx; i++) {
            const bool bWant = Dark(GetPixel(mem, i, j));
            const bool bHave = Dark(GetPixel(win, x + i, y + j));
            nInk += bWant;
            nMissing += bWant && !bHave;
            nExtra += bHave && !bWant;
        }
    ReleaseDC(hwnd, win);
    DeleteDC(mem);
    // Anti-aliased edges may differ by a pixel here and there.
    return nInk > 0 && nMissing * 20 <= nInk && nExtra * 20 <= nInk;
}

bool BoxShows(HWND hwnd, const RECT &rc, HFONT font, const std::wstring &text)
{
    return ShowsText(hwnd, rc.left, rc.top, font, text);
}

}  // namespace screentext
