// Map Display Options dialog (DISPLAYOPTIONS31 templates): cursor and marks, colours, grid or lines, map size,
// units, swath and colour-map view, with its preview.
#include "dialogs/display_options_dialog.h"

#include <cmath>
#include <cstdio>
#include <cwchar>

#include "core/core.h"
#include "core/settings.h"
#include "core/text.h"
#include "dialogs/dialog_services.h"
#include "dialogs/setup_dialogs.h"
#include "dialogs/setup_frame.h"
#include "displays/scales.h"
#include "logscreen/logscreen.h"
#include "map/map.h"
#include "map/map_view.h"
#include "map/pens.h"

namespace {

// Values kept at open, for Cancel and for the redraw requests of OK.
struct OpenValues {
    int nMapSize;
    double dLinesAngle;
    double dGridInterval;
    int nGridMode;
    int nMapUnits;
    COLORREF clrCursor, clrPosition;
    int nPositionSize, nCursorSize, nColorMapView;
};
OpenValues kept;
int nWorkingGridMode = 0;
int nWorkingMapUnits = 0;

const wchar_t *const aszMapUnits[] = {L"meters", L"feet", L"US Survey Feet"};
const wchar_t *const aszSizeUnit[] = {L"metres", L"feet", L"US feet"};
const wchar_t *const aszIntervalUnit[] = {L"m", L"feet", L"USft"};

const wchar_t *const aszSwathMetres[] = {L"0.25", L"0.5", L"1.0", L"2.0", L"3.0", L"4.0", L"5.0", L"10.0"};
const wchar_t *const aszSwathPercent[] = {L"50%%",  L"60%%",  L"70%%",  L"80%%",  L"90%%",  L"100%%",
                                          L"110%%", L"120%%", L"130%%", L"140%%", L"150%%", L"200%%"};
const wchar_t *const aszSwathGrad[] = {L"0.25", L"0.50", L"0.75", L"1.00", L"1.25", L"1.50", L"1.75", L"2.00"};

const wchar_t *const aszViewGrad[] = {L"Sensors Positions, No Color Image", L"Color Map View of Sensors Readings"};
const wchar_t *const aszViewLx2[] = {L"Sensor Positions, No Color Image", L"Colour Map View of Early Channel E",
                                     L"Colour Map View of Late Channel L", L"Colour Map View of Filtered Channel F"};
const wchar_t *const aszViewMk2[] = {L"Sensor Positions, No Color Image", L"Colour Map View of Channel 1",
                                     L"Colour Map View of Channel 2", L"Colour Map View of Channel 3",
                                     L"Colour Map View of Channel 4/T"};
const wchar_t *const aszViewEm31[] = {L"Sensor Positions, No Color Image", L"Conductivity Color Map",
                                      L"Inphase Color Map"};
const wchar_t *const aszViewEm38[] = {L"Sensor Positions, No Color Image", L"Map of Selected Component/Dipole"};
const wchar_t *const aszViewEm38Mk2[] = {L"Sensor Positions, No Color Image", L"Conductivity 1.0m Color Map",
                                         L"Inphase 1.0m Color Map", L"Conductivity 0.5 m Color Map",
                                         L"Inphase 0.5m Color Map"};
const wchar_t *const aszViewEm384[] = {
    L"Sensor Positions, No Color Image", L"Coil #1 Conductivity Color Map", L"Coil #1 Inphase Color Map",
    L"Coil #2 Conductivity Color Map",   L"Coil #2 Inphase Color Map",      L"Coil #3 Conductivity Color Map",
    L"Coil #3 Inphase Color Map",        L"Coil #4 Conductivity Color Map", L"Coil #4 Inphase Color Map"};

const wchar_t kViewTextStart[] =
    L"Colour Map View - Sensors positions and amplitude are represented by bars creating continuous colour image ";

struct ViewList {
    int nInstrument;
    const wchar_t *const *aszItems;
    int nCount;
    const wchar_t *szTextEnd;  // the end of the description sentence
};
const ViewList aViewLists[] = {
    {INSTRUMENT_GRAD601, aszViewGrad, 2, L"for connected Grad601 sensors."},
    {INSTRUMENT_EM61LX2, aszViewLx2, 4, L"for the selected EM61-LX2 channel."},
    {INSTRUMENT_EM61MK2, aszViewMk2, 5, L"for the selected EM61-MK2 channel."},
    {INSTRUMENT_EM31MK2, aszViewEm31, 3, L"for the selected EM31-MK2 component."},
    {INSTRUMENT_EM38, aszViewEm38, 2, L"for the selected EM38 component and dipole mode."},
    {INSTRUMENT_EM38MK2, aszViewEm38Mk2, 5, L"for the selected EM38-MK2 Component and Separation."},
    {INSTRUMENT_EM384, aszViewEm384, 9, L"for the selected EM38-4 Component and Separation."},
};

int IsEm61() { return nInstrumentType == INSTRUMENT_EM61MK2 || nInstrumentType == INSTRUMENT_EM61LX2; }

int UnitIndex(int nUnits) { return nUnits >= 0 && nUnits <= 2 ? nUnits : 0; }

// The grad601 list of one entry: the two sensors' fixed swath.
int GradFixedSwath() { return nInstrumentType == INSTRUMENT_GRAD601 && nRecordingState != -2 && nSensorsMinus1 == 1; }

void RepaintPreview(HWND hDlg)
{
    HWND hPreview = GetDlgItem(hDlg, IDC_MAPOPT_PREVIEW);
    if (!hPreview) return;
    InvalidateRect(hPreview, nullptr, TRUE);
    UpdateWindow(hPreview);
}

// Labels that follow the map-units choice (1259 only where the swath is given in map units and bSwathToo is set).
void ShowUnitLabels(HWND hDlg, int nUnits, int bSwathToo)
{
    const int u = UnitIndex(nUnits);
    SetDlgItemText(hDlg, IDC_MAPOPT_MAP_SIZE_UNIT, aszSizeUnit[u]);
    SetDlgItemText(hDlg, IDC_MAPOPT_INTERVAL_UNIT, aszIntervalUnit[u]);
    if (bSwathToo) SetDlgItemText(hDlg, IDC_MAPOPT_SWATH_UNIT, aszSizeUnit[u]);
}

void ShowSwathUnit(HWND hDlg)
{
    const wchar_t *sz = aszSizeUnit[UnitIndex(nWorkingMapUnits)];
    if (nInstrumentType == INSTRUMENT_EM61MK2) sz = L"Sensor";
    else if (nInstrumentType == INSTRUMENT_EM61LX2) sz = nSensorsMinus1 == 1 ? L"Sensors" : L"Sensor";
    else if (nInstrumentType == INSTRUMENT_GRAD601) sz = L"metres";
    SetDlgItemText(hDlg, IDC_MAPOPT_SWATH_UNIT, sz);
}

void ShowGridMode(HWND hDlg, int nMode)
{
    CheckDlgButton(hDlg, IDC_MAPOPT_GRID, nMode == 0 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(hDlg, IDC_MAPOPT_LINES, nMode == 1 ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(hDlg, IDC_MAPOPT_ANGLE), nMode == 1);
    SetDlgItemText(hDlg, IDC_MAPOPT_INTERVAL_LABEL, nMode == 1 ? L"Lines Interval:" : L"Grid Interval:");
}

void CheckRadioOfRow(HWND hDlg, int nFirstId, int nIndex)
{
    for (int i = 0; i < 6; i++) CheckDlgButton(hDlg, nFirstId + i, i == nIndex ? BST_CHECKED : BST_UNCHECKED);
}

void FillSwathList(HWND hDlg)
{
    if (nInstrumentType == INSTRUMENT_GRAD601) {
        if (GradFixedSwath()) {
            wchar_t szWidth[32];
            char szNarrow[32];
            const int n = snprintf(szNarrow, sizeof szNarrow, "%.2f", 2 * dSensorSeparation);
            if (n < 0 || n >= (int)sizeof szNarrow) snprintf(szNarrow, sizeof szNarrow, "N/A");
            NarrowToWide(szNarrow, szWidth);
            const wchar_t *aszOne[1] = {szWidth};
            FillSetupList(hDlg, IDC_MAPOPT_SWATH, aszOne, 1, 0);
        } else {
            FillSetupList(hDlg, IDC_MAPOPT_SWATH, aszSwathGrad, nSwathIndex);
        }
    } else if (IsEm61()) {
        FillSetupList(hDlg, IDC_MAPOPT_SWATH, aszSwathPercent, nSwathIndex);
    } else {
        FillSetupList(hDlg, IDC_MAPOPT_SWATH, aszSwathMetres, nSwathIndex);
    }
}

void FillViewList(HWND hDlg)
{
    for (const ViewList &v : aViewLists) {
        if (v.nInstrument != nInstrumentType) continue;
        FillSetupList(hDlg, IDC_MAPOPT_VIEW, v.aszItems, v.nCount, nColorMapView);
        wchar_t szText[320];
        if (swprintf(szText, 320, L"%ls%ls", kViewTextStart, v.szTextEnd) > 0)
            SetDlgItemText(hDlg, IDC_MAPOPT_VIEW_TEXT, szText);
        if (nInstrumentType == INSTRUMENT_GRAD601)
            SetDlgItemText(hDlg, IDC_MAPOPT_SWATH_TEXT,
                           L"Map Swath - selection valid for one sensor system only, it is fixed (double separation) "
                           L"for two sensors.");
        return;
    }
    // EM34-3 and CS-21: no entries.
    SendDlgItemMessage(hDlg, IDC_MAPOPT_VIEW, CB_RESETCONTENT, 0, 0);
}

void OnInit(HWND hDlg)
{
    PlaceDialogOnOwner(hDlg, 7);
    kept = {nMapSize,      dLinesAngle,   dGridInterval, nGridMode,     nMapUnits,     clrCursor,
            clrPosition,   nPositionSize, nCursorSize,   nColorMapView};
    nWorkingGridMode = nGridMode;
    nWorkingMapUnits = nMapUnits;
    if (nInstrumentType == INSTRUMENT_EM31MK2 && bInstrumentEnabled == 1 && nComponent == 1 && nColorMapView == 1)
        nColorMapView = 2;

    CheckRadioOfRow(hDlg, IDC_MAPOPT_CURSOR_SIZE1, nPositionSize);
    CheckRadioOfRow(hDlg, IDC_MAPOPT_MARK_STYLE1, nCursorSize);
    EnableWindow(GetDlgItem(hDlg, IDC_MAPOPT_MARK_STYLE1 + 4), TRUE);
    EnableWindow(GetDlgItem(hDlg, IDC_MAPOPT_MARK_STYLE1 + 5), TRUE);
    ShowWindow(GetDlgItem(hDlg, IDC_MAPOPT_POSITION_COLOR),
               nInstrumentType == INSTRUMENT_EM34 && nSurveyModePrev == 2 ? SW_HIDE : SW_SHOW);

    FillSetupList(hDlg, IDC_MAPOPT_UNITS, aszMapUnits, nMapUnits);
    const int bClosed = nRecordingState == -2;
    EnableWindow(GetDlgItem(hDlg, IDC_MAPOPT_UNITS), bClosed);
    EnableWindow(GetDlgItem(hDlg, IDC_MAPOPT_SWATH), bClosed && nInstrumentType != INSTRUMENT_EM61LX2);
    wchar_t szSize[32];
    if (swprintf(szSize, 32, L"%d", nMapSize) > 0) SetDlgItemText(hDlg, IDC_MAPOPT_MAP_SIZE, szSize);

    FillSwathList(hDlg);

    ShowUnitLabels(hDlg, nWorkingMapUnits, 0);
    ShowSwathUnit(hDlg);
    ShowGridMode(hDlg, nWorkingGridMode);
    ShowSetupNumber(hDlg, IDC_MAPOPT_INTERVAL, "%.2f", dGridInterval);
    ShowSetupNumber(hDlg, IDC_MAPOPT_ANGLE, "%.2f", dLinesAngle);

    FillViewList(hDlg);
}

void OnViewChoice(HWND hDlg)
{
    const int nChoice = SetupListIndex(hDlg, IDC_MAPOPT_VIEW);
    if (nChoice < 0) return;
    nColorMapView = nChoice;
    if (bInstrumentEnabled == 1) {
        if (nInstrumentType == INSTRUMENT_EM31MK2 && nComponent == 1 && nChoice == 1) {
            nColorMapView = 2;
            SendDlgItemMessage(hDlg, IDC_MAPOPT_VIEW, CB_SETCURSEL, 2, 0);
            ShowMessageDialog(hDlg, L"MESSAGEOK", L"WARNING", L"Inphase mode is fixed in the Survey Setup dialog");
        }
    } else if (nChoice > 0) {
        nColorMapView = 0;
        SendDlgItemMessage(hDlg, IDC_MAPOPT_VIEW, CB_SETCURSEL, 0, 0);
        ShowMessageDialog(hDlg, L"MESSAGEOK", L"WARNING", L"Only sensor position avaiable for GXY format");
    }
    RepaintPreview(hDlg);
}

void OnColorButton(HWND hDlg, int nWhich)
{
    const COLORREF clr = ChoosePositionOrCursorColor(hDlg, nWhich);
    if (nWhich == 0) clrCursor = clr;
    else clrPosition = clr;
    CreateTrackPens(1);
    InvalidateRect(hDlg, nullptr, TRUE);
    UpdateWindow(hDlg);
}

// Swath from the list: every instrument but the Grad601 of an open logging screen, whose swath is fixed there.
void ReadSwath(HWND hDlg)
{
    if (nInstrumentType == INSTRUMENT_GRAD601 && nRecordingState != -2) return;
    const int nIndex = SetupListIndex(hDlg, IDC_MAPOPT_SWATH);
    if (nIndex >= 0) nSwathIndex = nIndex;
    UpdateSwathEdges();
}

void OnOk(HWND hDlg)
{
    const int nUnits = SetupListIndex(hDlg, IDC_MAPOPT_UNITS);
    if (nUnits >= 0 && nUnits <= 2) nMapUnits = nUnits;
    const int nView = SetupListIndex(hDlg, IDC_MAPOPT_VIEW);
    if (nView >= 0) nColorMapView = nView;
    if (bInstrumentEnabled == 0 || bJixProduct == 1) nColorMapView = 0;

    if (ColorViewUsesScale2(nColorMapView)) ComputeColorStep(dScale2Min, dScale2Max);
    else ComputeColorStep(dScale1Min, dScale1Max);

    nMapSize = ReadMapSizeBox(hDlg, IDC_MAPOPT_MAP_SIZE);
    dMapPixelsPerUnit = (double)nTileWidth / nMapSize;

    ReadSwath(hDlg);

    nGridMode = nWorkingGridMode;
    dGridInterval = ReadSetupNumber(hDlg, IDC_MAPOPT_INTERVAL);
    if (!(dGridInterval >= 0.5)) dGridInterval = 0.5;
    dLinesAngle = FoldLinesAngle(ReadSetupNumber(hDlg, IDC_MAPOPT_ANGLE));

    SaveSettingsKeepingConfiguration();

    nRedrawFlags = 0;
    if (nCursorSize != kept.nCursorSize) nRedrawFlags |= REDRAW_MARK_STYLE;
    if (clrPosition != kept.clrPosition) nRedrawFlags |= REDRAW_POSITION_COLOUR;
    if (nColorMapView != kept.nColorMapView) nRedrawFlags |= REDRAW_COLOUR_VIEW;
    if (nGridMode != kept.nGridMode) nRedrawFlags |= REDRAW_GRID_MODE;
    if (dGridInterval != kept.dGridInterval) nRedrawFlags |= REDRAW_GRID_INTERVAL;
    if (dLinesAngle != kept.dLinesAngle) nRedrawFlags |= REDRAW_LINES_ANGLE;
    if (nMapSize != kept.nMapSize) nRedrawFlags |= REDRAW_MAP_SIZE;
    if (nMapUnits != kept.nMapUnits) nRedrawFlags |= REDRAW_MAP_UNITS;
}

void OnCancel()
{
    dLinesAngle = kept.dLinesAngle;
    nGridMode = kept.nGridMode;
    clrCursor = kept.clrCursor;
    clrPosition = kept.clrPosition;
    nPositionSize = kept.nPositionSize;
    UpdateCursorMarkerSize();
    nCursorSize = kept.nCursorSize;
    nColorMapView = kept.nColorMapView;
    CreateTrackPens(1);
}

BOOL OnCommand(HWND hDlg, int id)
{
    if (id >= IDC_MAPOPT_CURSOR_SIZE1 && id < IDC_MAPOPT_CURSOR_SIZE1 + 6) {
        nPositionSize = id - IDC_MAPOPT_CURSOR_SIZE1;
        UpdateCursorMarkerSize();
        RepaintPreview(hDlg);
        return TRUE;
    }
    if (id >= IDC_MAPOPT_MARK_STYLE1 && id < IDC_MAPOPT_MARK_STYLE1 + 6) {
        nCursorSize = id - IDC_MAPOPT_MARK_STYLE1;
        RepaintPreview(hDlg);
        return TRUE;
    }
    switch (id) {
    case IDC_MAPOPT_GRID:
    case IDC_MAPOPT_LINES:
        nWorkingGridMode = id - IDC_MAPOPT_GRID;
        ShowGridMode(hDlg, nWorkingGridMode);
        nGridMode = nWorkingGridMode;
        RepaintPreview(hDlg);
        return TRUE;
    case IDC_MAPOPT_ANGLE:
        dLinesAngle = ReadSetupNumber(hDlg, IDC_MAPOPT_ANGLE);
        RepaintPreview(hDlg);
        return TRUE;
    case IDC_MAPOPT_VIEW: OnViewChoice(hDlg); return TRUE;
    case IDC_MAPOPT_CURSOR_COLOR: OnColorButton(hDlg, 0); return TRUE;
    case IDC_MAPOPT_POSITION_COLOR: OnColorButton(hDlg, 1); return TRUE;
    case IDC_MAPOPT_UNITS: {
        const int nUnits = SetupListIndex(hDlg, IDC_MAPOPT_UNITS);
        if (nUnits < 0 || nUnits > 2) return TRUE;
        nWorkingMapUnits = nUnits;
        ShowUnitLabels(hDlg, nWorkingMapUnits,
                       nInstrumentType == INSTRUMENT_EM31MK2 || nInstrumentType == INSTRUMENT_EM38MK2);
        return TRUE;
    }
    default: return FALSE;
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Preview
// ---------------------------------------------------------------------------------------------------------------
const UINT kItemSelected = 0x0001;  // the item is pressed
const UINT kItemFocus = 0x0010;     // the item has the focus

// Doubles of the preview held inside a range that every int sum of the drawing keeps.
int PreviewInt(double d)
{
    const double kLimit = 1.0e6;
    if (!(d > -kLimit)) return (int)-kLimit;
    if (d > kLimit) return (int)kLimit;
    return (int)d;
}

void Line(HDC hdc, int x1, int y1, int x2, int y2)
{
    MoveToEx(hdc, x1, y1, nullptr);
    LineTo(hdc, x2, y2);
}

void DrawPreviewFrame(HDC hdc, const RECT &r, UINT nState)
{
    SelectObject(hdc, hpenButtonShadow3);
    SelectObject(hdc, hbrWhite);
    Rectangle(hdc, r.left, r.top, r.right, r.bottom);
    const int bPressed = (nState & kItemSelected) != 0;
    HPEN hpenTopLeft = bPressed ? hpen3dDarkShadow : hpen3dLight;
    HPEN hpenBottomRight = bPressed ? hpen3dLight : hpen3dDarkShadow;
    SelectObject(hdc, hpenTopLeft);
    Line(hdc, r.left + 1, r.bottom - 2, r.left + 1, r.top + 1);
    Line(hdc, r.left + 1, r.top + 1, r.right - 1, r.top + 1);
    SelectObject(hdc, hpenBottomRight);
    Line(hdc, r.right - 2, r.top + 1, r.right - 2, r.bottom - 2);
    Line(hdc, r.right - 2, r.bottom - 2, r.left, r.bottom - 2);
}

void DrawPreviewGrid(HDC hdc, const RECT &r)
{
    SelectObject(hdc, hpenGrid);
    double a = dLinesAngle;
    if (nGridMode == 0) {
        for (int y = r.top + 30; y < r.bottom; y += 50) Line(hdc, r.left, y, r.right, y);
        for (int x = r.left + 40; x < r.right; x += 50) Line(hdc, x, r.top, x, r.bottom);
        return;
    }
    // An angle too small to tell from 0 draws as 0: its spacing and slope would pass every int.
    if (!(std::fabs(a) >= 0.01)) a = 0.0;
    if (a == 0.0) {
        for (int x = r.left + 40; x < r.right; x += 50) Line(hdc, x, r.top, x, r.bottom);
        return;
    }
    double s = 40.0;
    if (std::fabs(a) <= 5) s = (double)PreviewInt(1000.0 / std::fabs(a));
    else if (std::fabs(a) <= 15) s = (double)PreviewInt(1200.0 / std::fabs(a));
    const int e = r.right - r.left - 2;
    const double t = std::tan((90.0 + a) * 3.14159265359 / 180.0);
    const int nRise = PreviewInt(e * t);
    for (int k = -e; k < r.right - 1; k++) {
        const double dEnd = (double)r.top + k * s + 30;
        // Lines wholly above or below the preview draw nothing.
        if (dEnd - nRise < r.top - 1e5 && dEnd < r.top - 1e5) continue;
        if (dEnd - nRise > r.bottom + 1e5 && dEnd > r.bottom + 1e5) continue;
        Line(hdc, r.left + 1, PreviewInt(dEnd - nRise), r.right - 1, PreviewInt(dEnd));
    }
}

void DrawPreviewMarks(HDC hdc, const RECT &r)
{
    const int nSpanX = (int)(1.39 * 14), nSpanY = (int)(1.39 * 3);
    const int f = nCursorSize < 3 ? 2 : 1;
    auto mark = [&](int x, int y) {
        DrawPointMarker(hdc, x - nSpanX, y - nSpanY, x + nSpanX, y + nSpanY, nCursorSize, hpenPosition, hpenPosition2,
                        hbrPosition, clrPosition);
    };
    for (int i = 0;; i++) {
        const int y = r.top + 14 * i / f + 112;
        if (y >= r.bottom - 1) break;
        mark(r.left + 3 * i / f - 1, y);
    }
    for (int j = 0; j < 4; j++)
        for (int i = 0;; i++) {
            const int y = r.top + 14 * i / f + 5;
            if (y >= r.bottom - 1) break;
            mark(r.left + 3 * i / f + 40 * j + 10, y);
            if (j == 3 && i >= 5 * f) break;
        }
}

}  // namespace

int ColorViewUsesScale2(int nView)
{
    switch (nInstrumentType) {
    case INSTRUMENT_EM31MK2:
    case INSTRUMENT_EM38: return nView == 2;
    case INSTRUMENT_EM38MK2: return nView == 2 || nView == 4;
    case INSTRUMENT_EM384:
    case INSTRUMENT_CS21: return nView == 2 || nView == 4 || nView == 6 || nView == 8;
    default: return 0;
    }
}

int ReadMapSizeBox(HWND hDlg, int nId)
{
    const double d = ReadSetupNumber(hDlg, nId);
    // The map size the configuration file accepts: 1 .. 1000000.
    if (!(d >= 1.0)) return 1;
    if (d > 1000000.0) return 1000000;
    return (int)d;
}

const wchar_t *DisplayOptionsTemplateName()
{
    const int bNarrow = nClientWidth < 784;
    if (bJixProduct == 1) return bNarrow ? L"DISPLAYOPTIONS31FLDNARROW" : L"DISPLAYOPTIONS31FLD";
    return bNarrow ? L"DISPLAYOPTIONS31NARROW" : L"DISPLAYOPTIONS31";
}

double FoldLinesAngle(double a)
{
    if (a > 90 && a <= 180) a -= 180;
    if (a >= -180 && a <= -90) a += 180;
    if (a < -180 || a > 180) a = 0;
    return a;
}

COLORREF ChoosePositionOrCursorColor(HWND hDlg, int nWhich)
{
    static COLORREF aclrCustom[16];
    for (COLORREF &c : aclrCustom) c = 0;
    CHOOSECOLOR cc = {};
    cc.hwndOwner = hDlg;
    cc.rgbResult = nWhich == 0 ? clrCursor : clrPosition;
    cc.lpCustColors = aclrCustom;
    cc.Flags = 0x1;  // start from the current colour
    if (!ChooseColor(&cc)) return nWhich == 0 ? clrCursor : clrPosition;
    return cc.rgbResult;
}

void DrawMapPreview(HWND, const DRAWITEMSTRUCT *pItem)
{
    if (!pItem || !pItem->hDC) return;
    HDC hdc = pItem->hDC;
    const RECT r = pItem->rcItem;
    DrawPreviewFrame(hdc, r, pItem->itemState);
    DrawPreviewGrid(hdc, r);
    DrawCrossHair(hdc, r.left + 145, r.top + 90);
    DrawPreviewMarks(hdc, r);
    if (pItem->itemState & kItemFocus) {
        RECT rcFocus = {r.left + 3, r.top + 3, r.right - 4, r.bottom - 4};
        FrameRect(hdc, &rcFocus, hbrMidGrey);
    }
}

INT_PTR DisplayOptionsDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DRAWITEM) {
        if ((int)wParam != IDC_MAPOPT_PREVIEW) return FALSE;
        DrawMapPreview(hDlg, (const DRAWITEMSTRUCT *)lParam);
        return TRUE;
    }
    static const LiveDialogSteps steps = {OnInit, OnCommand, OnOk, OnCancel};
    return LiveDialogMessage(hDlg, message, wParam, steps);
}
