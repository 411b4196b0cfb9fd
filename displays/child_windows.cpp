// Display child windows of the logging screen: class registration, window procedures and the common repaint.
#include "displays/child_windows.h"

#include "core/core.h"
#include "core/settings.h"
#include "displays/bar_windows.h"
#include "displays/displays.h"
#include "displays/grid.h"
#include "displays/legend.h"
#include "displays/numbers.h"
#include "displays/profiles.h"
#include "logscreen/logscreen.h"

namespace {

const MessageHandlerEntry aCurveWndMessages[] = {
    {WM_CREATE, ChildWndOnCreate},
    {WM_PAINT, ChildWndsOnPaint},
};
const MessageHandlerEntry aNumbersWndMessages[] = {
    {WM_PAINT, ChildWndsOnPaint},
};
const MessageHandlerEntry aColorBarWndMessages[] = {
    {WM_CREATE, ColorBarWndOnCreate},
    {WM_PAINT, ColorBarWndOnPaint},
};

template <size_t N>
LRESULT Dispatch(const MessageHandlerEntry (&aTable)[N], HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    for (const MessageHandlerEntry &entry : aTable)
        if (entry.message == message) return entry.handler(hwnd, message, wParam, lParam);
    return DefWindowProc(hwnd, message, wParam, lParam);
}

int RegisterDisplayClass(HINSTANCE inst, const wchar_t *szClassName, WNDPROC proc, UINT style)
{
    WNDCLASS wc = {};
    wc.style = style;
    wc.lpfnWndProc = proc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 4;
    wc.hInstance = inst;
    wc.cursor = 0;
    wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = szClassName;
    return RegisterClass(&wc) ? 0 : 1;
}

// One window's paint pair around a drawing step (nothing for a window not made).
template <typename F>
void PaintWindow(HWND hwnd, F draw)
{
    if (!hwnd) return;
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    if (hdc) draw(hdc);
    EndPaint(hwnd, &ps);
}

bool TwoWindowProfiles()
{
    return nInstrumentType == INSTRUMENT_EM61LX2 || nInstrumentType == INSTRUMENT_GRAD601 ||
           nInstrumentType == INSTRUMENT_EM384 || nInstrumentType == INSTRUMENT_CS21;
}

}  // namespace

LRESULT CurveWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return Dispatch(aCurveWndMessages, hwnd, message, wParam, lParam);
}
LRESULT DecayWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return Dispatch(aCurveWndMessages, hwnd, message, wParam, lParam);
}
LRESULT BarQWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return Dispatch(aCurveWndMessages, hwnd, message, wParam, lParam);
}
LRESULT BarIWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return Dispatch(aCurveWndMessages, hwnd, message, wParam, lParam);
}
LRESULT NumbersWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return Dispatch(aNumbersWndMessages, hwnd, message, wParam, lParam);
}
LRESULT SpeedWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return Dispatch(aNumbersWndMessages, hwnd, message, wParam, lParam);
}
LRESULT ColorBarWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return Dispatch(aColorBarWndMessages, hwnd, message, wParam, lParam);
}

int RegisterDecayWnd(HINSTANCE inst)
{
    return RegisterDisplayClass(inst, L"DecayWnd", DecayWndProc, CS_HREDRAW | CS_VREDRAW);
}
int RegisterBarQWnd(HINSTANCE inst)
{
    return RegisterDisplayClass(inst, L"BarQWnd", BarQWndProc, CS_HREDRAW | CS_VREDRAW);
}
int RegisterBarIWnd(HINSTANCE inst)
{
    return RegisterDisplayClass(inst, L"BarIWnd", BarIWndProc, CS_HREDRAW | CS_VREDRAW);
}
int RegisterCurveWnd(HINSTANCE inst)
{
    return RegisterDisplayClass(inst, L"CurveWnd", CurveWndProc, CS_HREDRAW | CS_VREDRAW);
}
int RegisterNumbersWnd(HINSTANCE inst)
{
    return RegisterDisplayClass(inst, L"NumbersWnd", NumbersWndProc, CS_HREDRAW | CS_VREDRAW);
}
int RegisterSpeedWnd(HINSTANCE inst)
{
    return RegisterDisplayClass(inst, L"SpeedWnd", SpeedWndProc, CS_HREDRAW | CS_VREDRAW);
}
int RegisterColorBarWnd(HINSTANCE inst)
{
    return RegisterDisplayClass(inst, L"ColorBarWnd", ColorBarWndProc, 0);
}

LRESULT ChildWndOnCreate(HWND, UINT, WPARAM, LPARAM)
{
    return 0;
}

LRESULT ColorBarWndOnCreate(HWND hwnd, UINT, WPARAM, LPARAM)
{
    UpdateWindow(hwnd);
    return 0;
}

LRESULT ChildWndsOnPaint(HWND, UINT, WPARAM, LPARAM)
{
    const bool bEnabled = bInstrumentEnabled > 0;

    // 1. Curve windows: their scale lines.
    if (!TwoWindowProfiles()) {
        PaintWindow(hwndCurve1, [&](HDC hdc) {
            if (!bEnabled) return;
            if (bAltGraphScale) DrawCurveGridLinesB(hdc, dScale2Min, dScale2Max);
            else DrawCurveGridLinesB(hdc, dScale1Min, dScale1Max);
        });
    } else {
        PaintWindow(hwndCurve2, [&](HDC hdc) {
            if (bEnabled) DrawCurveGridLinesB(hdc, dScale1Min, dScale1Max);
        });
        if (nSensorsMinus1 == 1 && nInstrumentType != INSTRUMENT_EM384)
            PaintWindow(hwndCurve3, [&](HDC hdc) {
                if (bEnabled) DrawCurveGridLinesB(hdc, dScale1Min, dScale1Max);
            });
        if (nInstrumentType == INSTRUMENT_EM384 || nInstrumentType == INSTRUMENT_CS21)
            PaintWindow(hwndCurve3, [&](HDC hdc) {
                if (bEnabled) DrawCurveGridLinesC(hdc, dScale2Min, dScale2Max);
            });
    }

    // 2. Decay window or bar windows with their stored bars, then their scale lines.
    const bool bDecay = nInstrumentType == INSTRUMENT_EM61MK2 ||
                        (nInstrumentType == INSTRUMENT_EM61LX2 && nSensorsMinus1 != 1) ||
                        (nInstrumentType == INSTRUMENT_GRAD601 && nSensorsMinus1 != 1);
    if (bDecay) {
        PaintWindow(hwndDecay, [&](HDC hdc) {
            if (!bEnabled) return;
            const int nBars =
                nInstrumentType == INSTRUMENT_GRAD601 ? 1 : (nInstrumentType == INSTRUMENT_EM61MK2 ? 4 : 3);
            if (bGraphFrameDrawn == 1 || DecayStoredBarsFit(nBars)) {
                if (nInstrumentType == INSTRUMENT_GRAD601) DrawSensorBars(hdc);
                else DrawSmallBar(hdc, nBars);
            }
            DrawCurveGridLinesMain(hdc);
        });
    } else {
        PaintWindow(hwndBarQ, [&](HDC hdc) {
            if (!bEnabled) return;
            if (bBarQFrameDrawn == 1 || BarQStoredBarsFit()) RedrawBarQBars(hdc);
            DrawBarQGrid(hdc, nBarWndWidth);
        });
        if (nInstrumentType != INSTRUMENT_EM34)
            PaintWindow(hwndBarI, [&](HDC hdc) {
                if (!bEnabled) return;
                if (bBarIFrameDrawn == 1 || BarIStoredBarsFit()) RedrawBarIBars(hdc);
                DrawBarIGrid(hdc);
            });
    }

    // 3. Numbers window: the channel labels (the values come with each reading).
    PaintWindow(hwndNumbers, [&](HDC hdc) {
        if (!bEnabled) return;
        if (nInstrumentType == INSTRUMENT_GRAD601 || nInstrumentType == INSTRUMENT_EM61LX2 ||
            nInstrumentType == INSTRUMENT_EM61MK2 || nInstrumentType == INSTRUMENT_EM38MK2 ||
            nInstrumentType == INSTRUMENT_CS21)
            DrawChannelLabels(hdc);
    });

    // 4. Speed window: the bar empty until the next position.
    PaintWindow(hwndSpeed, [](HDC hdc) { DrawSpeedBar(hdc, nSpeedBarWidth); });
    return 0;
}
