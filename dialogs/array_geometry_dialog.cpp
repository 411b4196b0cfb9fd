// Array Geometry dialog (ARRAYGEOMETRY templates): GPS antenna offsets in the operator's units, sensor size,
// reference, height or separation, the swath they give, and the drawn array picture.
#include "dialogs/array_geometry_dialog.h"

#include <algorithm>
#include <cwchar>

#include "core/core.h"
#include "core/settings.h"
#include "dialogs/setup_dialogs.h"
#include "dialogs/setup_frame.h"

namespace {

const wchar_t *const aszSensorSize[] = {L"1 x 0.5 m", L"0.5 x 1.0 m", L"1 x 1 m", L"0.5 x 0.5 m", L"Hand Held"};
const wchar_t *const aszReference[] = {L"Leading Coil", L"Trailing Coil", L"EM34-3 Center"};

// Metres per unit of the geometry units: meters, centimeters, feet, inches.
double UnitFactor(int nUnits)
{
    static const double adFactor[4] = {1.0, 0.01, 0.3048, 0.0254};
    return nUnits >= 0 && nUnits <= 3 ? adFactor[nUnits] : 1.0;
}

// The units chosen while the dialog is open; a setting only after OK.
int nWorkUnits = 0;

bool HasHeightBox()
{
    return nInstrumentType == INSTRUMENT_EM384 || nInstrumentType == INSTRUMENT_CS21;
}

void OnInitDialog(HWND hDlg)
{
    PlaceDialogOnOwner(hDlg, 10);
    nWorkUnits = nGeometryUnits >= 0 && nGeometryUnits <= 3 ? nGeometryUnits : 0;
    CheckDlgButton(hDlg, IDC_GEOMETRY_METERS + nWorkUnits, BST_CHECKED);
    const double f = UnitFactor(nWorkUnits);

    if (nInstrumentType == INSTRUMENT_EM61MK2) FillSetupList(hDlg, IDC_GEOMETRY_LIST, aszSensorSize, nSensorSize);
    if (nInstrumentType == INSTRUMENT_EM34) FillSetupList(hDlg, IDC_GEOMETRY_LIST, aszReference, nReference);

    ShowSetupNumber(hDlg, IDC_GEOMETRY_OFFSET_X, "%.2f", dGpsOffsetX / f);
    ShowSetupNumber(hDlg, IDC_GEOMETRY_OFFSET_Y, "%.2f", dGpsOffsetYSaved / f);
    if (nInstrumentType == INSTRUMENT_GRAD601) ShowSetupNumber(hDlg, IDC_GEOMETRY_THIRD, "%.2f", dSensorSeparation);
    if (HasHeightBox()) ShowSetupNumber(hDlg, IDC_GEOMETRY_THIRD, "%.2f", dEm384Height / f);
}

void OnOk(HWND hDlg)
{
    nGeometryUnits = nWorkUnits;
    if (nInstrumentType == INSTRUMENT_GRAD601) dSensorSeparation = ReadSetupNumber(hDlg, IDC_GEOMETRY_THIRD);
    if (nInstrumentType == INSTRUMENT_EM61MK2 || nInstrumentType == INSTRUMENT_EM34) {
        const int nIndex = SetupListIndex(hDlg, IDC_GEOMETRY_LIST);
        if (nIndex >= 0) *(nInstrumentType == INSTRUMENT_EM34 ? &nReference : &nSensorSize) = nIndex;
    }
    // The typed numbers are in the units chosen last; stored lengths are metres.
    const double f = UnitFactor(nGeometryUnits);
    dGpsOffsetX = f * ReadSetupNumber(hDlg, IDC_GEOMETRY_OFFSET_X);
    dGpsOffsetY = f * ReadSetupNumber(hDlg, IDC_GEOMETRY_OFFSET_Y);
    dGpsOffsetYSaved = dGpsOffsetY;
    if (HasHeightBox()) dEm384Height = f * ReadSetupNumber(hDlg, IDC_GEOMETRY_THIRD);
    UpdateSwathEdges();
    LoadSaveSettingsFile(1);
}

// ---------------------------------------------------------------------------------------------------------------
// The array picture
// ---------------------------------------------------------------------------------------------------------------
const COLORREF kInk = RGB(0, 0, 0);
const COLORREF kSensorFill = RGB(192, 192, 192);
const COLORREF kAntennaFill = RGB(0, 0, 160);
const COLORREF kDimension = RGB(200, 0, 0);

void Line(HDC hdc, int x0, int y0, int x1, int y1)
{
    MoveToEx(hdc, x0, y0, nullptr);
    LineTo(hdc, x1, y1);
}

void Circle(HDC hdc, int x, int y, int r)
{
    Ellipse(hdc, x - r, y - r, x + r + 1, y + r + 1);
}

void Label(HDC hdc, int x, int y, const wchar_t *sz)
{
    TextOut(hdc, x, y, sz, (int)wcslen(sz));
}

// The sensors of the build's instrument around their reference point (x, y); w is the span across the track, h a
// sensor's depth along it.
void DrawSensors(HDC hdc, int x, int y, int w, int h)
{
    const int hw = w / 2;
    switch (nInstrumentType) {
    case INSTRUMENT_EM31MK2:
        // A boom with the transmitter and receiver coils at its ends and the console at the middle.
        Rectangle(hdc, x - hw, y - h / 6, x + hw, y + h / 6 + 1);
        Circle(hdc, x - hw, y, h / 2);
        Circle(hdc, x + hw, y, h / 2);
        Rectangle(hdc, x - h / 2, y - h / 2, x + h / 2, y + h / 2);
        break;
    case INSTRUMENT_EM38:
    case INSTRUMENT_EM38MK2:
        Rectangle(hdc, x - hw * 2 / 3, y - h / 4, x + hw * 2 / 3, y + h / 4 + 1);
        break;
    case INSTRUMENT_EM34: {
        // Two coils along the track joined by the reference cable: the leading coil ahead.
        Line(hdc, x, y - h, x, y + h);
        Circle(hdc, x, y - h, h / 2);
        Circle(hdc, x, y + h, h / 2);
        break;
    }
    case INSTRUMENT_EM384:
    case INSTRUMENT_CS21: {
        Rectangle(hdc, x - hw, y - h / 4, x + hw, y + h / 4 + 1);
        for (int i = 1; i <= 4; i++) {
            const int xr = x - hw + i * w / 5;
            Rectangle(hdc, xr - h / 8, y - h / 8, xr + h / 8 + 1, y + h / 8 + 1);
        }
        break;
    }
    case INSTRUMENT_GRAD601:
        // A bar across the track carrying the two sensors.
        Rectangle(hdc, x - hw, y - h / 8, x + hw, y + h / 8 + 1);
        Circle(hdc, x - hw + h / 3, y, h / 3);
        Circle(hdc, x + hw - h / 3, y, h / 3);
        break;
    default:
        // A coil on its cart: the coil with a wheel at each side.
        Rectangle(hdc, x - hw, y - h / 2, x + hw, y + h / 2);
        Rectangle(hdc, x - hw - h / 4, y - h / 4, x - hw, y + h / 4);
        Rectangle(hdc, x + hw, y - h / 4, x + hw + h / 4, y + h / 4);
        break;
    }
}

}  // namespace

void DrawArrayPicture(HDC hdc, const RECT &rc)
{
    const int W = rc.right - rc.left, H = rc.bottom - rc.top;
    if (W < 20 || H < 20) return;
    HBRUSH hWhite = (HBRUSH)GetStockObject(WHITE_BRUSH);
    FillRect(hdc, &rc, hWhite);
    FrameRect(hdc, &rc, (HBRUSH)GetStockObject(BLACK_BRUSH));

    const int u = std::max(4, std::min(W, H) / 10);
    // The sensors' reference point low in the picture, the antenna ahead of it and to its right.
    const int xs = rc.left + W * 2 / 5, ys = rc.top + H * 13 / 20;
    const int xa = rc.left + W * 7 / 10, ya = rc.top + H / 4;

    HPEN hInk = CreatePen(PS_SOLID, 2, kInk);
    HPEN hDimension = CreatePen(PS_DASH, 1, kDimension);
    HBRUSH hSensor = CreateSolidBrush(kSensorFill);
    HBRUSH hAntenna = CreateSolidBrush(kAntennaFill);
    HGDIOBJ hOldPen = SelectObject(hdc, hInk);
    HGDIOBJ hOldBrush = SelectObject(hdc, hSensor);
    HGDIOBJ hOldFont = hFontNormal ? SelectObject(hdc, hFontNormal) : nullptr;
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, kInk);

    // Direction of travel: an arrow up the left side.
    const int xt = rc.left + u, yTop = rc.top + u, yBottom = rc.bottom - u;
    Line(hdc, xt, yBottom, xt, yTop);
    Line(hdc, xt, yTop, xt - u / 2, yTop + u);
    Line(hdc, xt, yTop, xt + u / 2, yTop + u);

    // The sensors span half the picture, clear of the arrow.
    DrawSensors(hdc, xs, ys, std::max(u, std::min(W / 2, W * 4 / 5 - 4 * u)), std::max(6, H / 6));

    // The offsets: Y along the track from the sensors' reference up to the antenna's row, X across to it.
    SelectObject(hdc, hDimension);
    Line(hdc, xs, ys, xs, ya);
    Line(hdc, xs, ya, xa, ya);
    SelectObject(hdc, hInk);
    Line(hdc, xs - u / 2, ys, xs + u / 2 + 1, ys);
    Line(hdc, xs, ys - u / 2, xs, ys + u / 2 + 1);
    SIZE sz{};
    GetTextExtentPoint32(hdc, L"Y", 1, &sz);
    Label(hdc, xs - sz.cx - 3, ya + (ys - ya) / 4 - sz.cy / 2, L"Y");
    GetTextExtentPoint32(hdc, L"X", 1, &sz);
    Label(hdc, (xs + xa) / 2 - sz.cx / 2, ya - sz.cy - 2, L"X");

    SelectObject(hdc, hAntenna);
    const int r = std::max(3, u / 2);
    Circle(hdc, xa, ya, r);
    GetTextExtentPoint32(hdc, L"GPS", 3, &sz);
    Label(hdc, std::min(xa + r + 3, (int)rc.right - sz.cx - 2), ya + r + 2, L"GPS");

    if (hOldFont) SelectObject(hdc, hOldFont);
    SelectObject(hdc, hOldBrush);
    SelectObject(hdc, hOldPen);
    DeleteObject(hAntenna);
    DeleteObject(hSensor);
    DeleteObject(hDimension);
    DeleteObject(hInk);
}

INT_PTR ArrayGeometryDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(hDlg);
        return TRUE;
    case WM_COMMAND: {
        const int nId = LOWORD(wParam);
        if (nId >= IDC_GEOMETRY_METERS && nId <= IDC_GEOMETRY_INCHES) {
            // The numbers in the boxes stay as typed; the units chosen last apply to them on OK.
            nWorkUnits = nId - IDC_GEOMETRY_METERS;
            CheckDlgButton(hDlg, nId, BST_CHECKED);
            return TRUE;
        }
        if (nId == IDOK) {
            OnOk(hDlg);
            EndDialog(hDlg, 1);
            return TRUE;
        }
        if (nId == IDCANCEL) {
            EndDialog(hDlg, 0);
            return TRUE;
        }
        break;
    }
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT *pdis = (const DRAWITEMSTRUCT *)lParam;
        if (!pdis || pdis->CtlID != IDC_GEOMETRY_PICTURE) break;
        DrawArrayPicture(pdis->hDC, pdis->rcItem);
        return TRUE;
    }
    case WM_KEYDOWN:
        return EndSetupDialogOnCancelKey(hDlg, message, wParam);
    default:
        break;
    }
    return FALSE;
}
