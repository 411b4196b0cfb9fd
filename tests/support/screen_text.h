// Test support: reading texts back from a window's pixels, and the status boxes of the logging screen.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace screentext {

// True when the window shows `text` in `font` with its cell's top-left corner at (x, y): the dark pixels of the
// text drawn alone on a white surface are dark in the window too, and the window has no other dark pixels there.
bool ShowsText(HWND hwnd, int x, int y, HFONT font, const std::wstring &text);
// True when the text stands at the box's left and top.
bool BoxShows(HWND hwnd, const RECT &rc, HFONT font, const std::wstring &text);
// Width and height of a text in a font, measured on the window's context.
SIZE TextSize(HWND hwnd, HFONT font, const std::wstring &text);

}  // namespace screentext
