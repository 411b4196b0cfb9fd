// Profile display setup dialog (DISPLAYSETUP*): channel colours and thicknesses applied live, amplitude or grid scale.
#include "dialogs/display_setup_dialog.h"

#include "core/core.h"
#include "core/settings.h"
#include "dialogs/setup_dialogs.h"
#include "dialogs/setup_frame.h"
#include "displays/displays.h"
#include "displays/grid.h"
#include "displays/scales.h"
#include "logscreen/logscreen.h"
#include "map/pens.h"

namespace {

const int kMaxChannels = 8;

// Owner-drawn button states of the draw-item record, and the colour chooser's "any colour" flag.
const UINT kItemSelected = 0x0001u;
const UINT kItemFocus = 0x0010u;
const DWORD kChooseAnyColor = 0x0100u;

const wchar_t *const aszThickness[] = {L"1 pixel", L"2 pixels", L"3 pixels", L"4 pixels"};
const wchar_t *const aszAmplitude[] = {L"Linear", L"Compressed"};
const wchar_t *const aszGridScale[] = {L"Conductivity", L"Inphase"};

// What the dialog edits per instrument: its template, the channels, the choices of list 1202 (nullptr: none), and
// how OK treats nScaleType.
enum ScaleRule {
    SCALE_KEEP,         // nScaleType and bAltGraphScale are left alone
    SCALE_STORE,        // nScaleType from the list
    SCALE_CONDUCTIVITY  // nScaleType from the list (0 without one), bAltGraphScale and the grid lines follow it
};
struct DisplaySetupKind {
    int nInstrument;
    const wchar_t *szTemplate;
    int nChannels;
    const wchar_t *const *aszScale;
    ScaleRule rule;
};
const DisplaySetupKind kKinds[] = {
    {INSTRUMENT_GRAD601, L"DISPLAYSETUP601", 2, nullptr, SCALE_KEEP},
    {INSTRUMENT_EM61LX2, L"DISPLAYSETUPLX2", 3, nullptr, SCALE_KEEP},
    {INSTRUMENT_EM61MK2, L"DISPLAYSETUP", 4, aszAmplitude, SCALE_STORE},
    {INSTRUMENT_EM31MK2, L"DISPLAYSETUP31", 4, aszGridScale, SCALE_CONDUCTIVITY},
    {INSTRUMENT_EM38, L"DISPLAYSETUP31", 4, aszGridScale, SCALE_CONDUCTIVITY},
    {INSTRUMENT_EM34, L"DISPLAYSETUP34", 6, nullptr, SCALE_CONDUCTIVITY},
    {INSTRUMENT_EM38MK2, L"DISPLAYSETUP38MK2", 8, aszGridScale, SCALE_CONDUCTIVITY},
    {INSTRUMENT_EM384, L"DISPLAYSETUP384", 8, aszGridScale, SCALE_KEEP},
    {INSTRUMENT_CS21, L"DISPLAYSETUPCS21", 4, aszGridScale, SCALE_KEEP},
};

const DisplaySetupKind *KindOf(int nInstrument)
{
    for (const DisplaySetupKind &k : kKinds)
        if (k.nInstrument == nInstrument) return &k;
    return nullptr;
}

// Colours and widths as they were at open (Cancel puts them back), the chooser's working slots and its custom colours.
COLORREF aclrSaved[kMaxChannels];
int anWidthSaved[kMaxChannels];
COLORREF aclrWorking[kMaxChannels];
COLORREF aclrCustom[16];

int ChannelsOfBuild()
{
    return DisplaySetupChannelCount(nInstrumentType);
}

// Paints one colour sample again; bErase clears its face first.
void RepaintSample(HWND hDlg, int nChannel, BOOL bErase)
{
    HWND hButton = GetDlgItem(hDlg, IDC_DISPLAYSETUP_COLOR + nChannel);
    if (!hButton) return;
    InvalidateRect(hButton, nullptr, bErase);
    UpdateWindow(hButton);
}

void OnInit(HWND hDlg)
{
    const DisplaySetupKind *k = KindOf(nInstrumentType);
    const int nChannels = ChannelsOfBuild();
    for (int i = 0; i < nChannels; i++) {
        aclrSaved[i] = aclrChannel[i];
        anWidthSaved[i] = anChannelPenWidth[i];
        aclrWorking[i] = aclrChannel[i];
        FillSetupList(hDlg, IDC_DISPLAYSETUP_THICKNESS + i, aszThickness, anChannelPenWidth[i] - 1);
    }
    if (k && k->aszScale) FillSetupList(hDlg, IDC_DISPLAYSETUP_SCALE, k->aszScale, 2, nScaleType);
    SendDlgItemMessage(hDlg, IDC_DISPLAYSETUP_HEADING1, WM_SETFONT, (WPARAM)hFontItalic18, TRUE);
    SendDlgItemMessage(hDlg, IDC_DISPLAYSETUP_HEADING2, WM_SETFONT, (WPARAM)hFontItalic18, TRUE);
}

void RecomputeGridLines()
{
    if (nScaleType == 1)
        ComputeGridLines(anGridLineY1, nCurveAreaHeight, dScale2Min, dScale2Max, dScale2PixPerUnit, &nScale2RangeSign);
    else
        ComputeGridLines(anGridLineY1, nCurveAreaHeight, dScale1Min, dScale1Max, dScale1PixPerUnit, &nScale1RangeSign);
}

void OnOk(HWND hDlg)
{
    const DisplaySetupKind *k = KindOf(nInstrumentType);
    if (k && k->rule != SCALE_KEEP) {
        // A list that shows no choice (a stored value outside it) keeps the setting.
        const int nChosen = k->aszScale ? SetupListIndex(hDlg, IDC_DISPLAYSETUP_SCALE) : 0;
        if (nChosen >= 0) nScaleType = nChosen;
        if (k->rule == SCALE_CONDUCTIVITY) {
            bAltGraphScale = nScaleType;
            RecomputeGridLines();
        }
    }
    bGraphFrameDrawn = 0;
    bBarQFrameDrawn = 0;
    bBarIFrameDrawn = 0;
    LoadSaveSettingsFile(1);
    CreateChannelPens(1);
}

void OnCancel()
{
    const int nChannels = ChannelsOfBuild();
    for (int i = 0; i < nChannels; i++) {
        aclrChannel[i] = aclrSaved[i];
        anChannelPenWidth[i] = anWidthSaved[i];
    }
}

}  // namespace

const wchar_t *DisplaySetupTemplate(int nInstrument)
{
    const DisplaySetupKind *k = KindOf(nInstrument);
    return k ? k->szTemplate : nullptr;
}

int DisplaySetupChannelCount(int nInstrument)
{
    const DisplaySetupKind *k = KindOf(nInstrument);
    return k ? k->nChannels : 0;
}

int ChooseChannelColor(HWND hDlg, int nChannel)
{
    if (nChannel < 0 || nChannel >= kMaxChannels) return 0;
    CHOOSECOLOR cc{};
    cc.hwndOwner = hDlg;
    cc.rgbResult = aclrWorking[nChannel];
    cc.lpCustColors = aclrCustom;
    cc.Flags = kChooseAnyColor;
    if (!ChooseColor(&cc)) return 0;
    aclrWorking[nChannel] = cc.rgbResult;
    return 1;
}

void DrawDisplaySetupPreview(HWND, const DRAWITEMSTRUCT *pItem)
{
    if (!pItem || !pItem->hDC) return;
    int nChannel = (int)pItem->CtlID - IDC_DISPLAYSETUP_COLOR;
    if (nChannel < 0 || nChannel >= kMaxChannels) nChannel = 0;
    HDC hdc = pItem->hDC;
    const RECT &rc = pItem->rcItem;
    const bool bPressed = (pItem->itemState & kItemSelected) != 0;
    HPEN hpenChannel = CreatePen(PS_SOLID, anChannelPenWidth[nChannel], aclrChannel[nChannel]);

    // White face in a 3-pixel shadow frame, with a 3-D edge inside (sunken while pressed).
    HGDIOBJ hOldPen = SelectObject(hdc, hpenButtonShadow3);
    HGDIOBJ hOldBrush = SelectObject(hdc, hbrWhite);
    Rectangle(hdc, rc.left, rc.top, rc.right, rc.bottom);
    SelectObject(hdc, bPressed ? hpen3dDarkShadow : hpen3dLight);
    MoveToEx(hdc, rc.left + 2, rc.bottom - 3, nullptr);
    LineTo(hdc, rc.left + 2, rc.top + 2);
    LineTo(hdc, rc.right - 2, rc.top + 2);
    SelectObject(hdc, bPressed ? hpen3dLight : hpen3dDarkShadow);
    MoveToEx(hdc, rc.right - 3, rc.top + 2, nullptr);
    LineTo(hdc, rc.right - 3, rc.bottom - 3);
    LineTo(hdc, rc.left + 1, rc.bottom - 3);

    // The sample line, bent down while pressed.
    SelectObject(hdc, hpenChannel);
    if (bPressed) {
        MoveToEx(hdc, rc.left + 3, rc.top + 6, nullptr);
        LineTo(hdc, rc.right - 5, rc.top + 14);
    } else {
        MoveToEx(hdc, rc.left + 3, rc.top + 10, nullptr);
        LineTo(hdc, rc.right - 5, rc.top + 10);
    }
    if (pItem->itemState & kItemFocus) {
        const RECT rcFocus{rc.left + 3, rc.top + 3, rc.right - 4, rc.bottom - 4};
        FrameRect(hdc, &rcFocus, hbrDarkGrey);
    }
    SelectObject(hdc, hOldBrush);
    SelectObject(hdc, hOldPen);
    DeleteObject(hpenChannel);
}

INT_PTR DisplaySetupDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInit(hDlg);
        return TRUE;
    case WM_DRAWITEM:
        DrawDisplaySetupPreview(hDlg, (const DRAWITEMSTRUCT *)lParam);
        return TRUE;
    case WM_COMMAND: {
        const int nId = LOWORD(wParam);
        const int nChannels = ChannelsOfBuild();
        if (nId >= IDC_DISPLAYSETUP_COLOR && nId < IDC_DISPLAYSETUP_COLOR + nChannels) {
            const int i = nId - IDC_DISPLAYSETUP_COLOR;
            if (ChooseChannelColor(hDlg, i)) {
                aclrChannel[i] = aclrWorking[i];
                InvalidateRect(hDlg, nullptr, TRUE);
                RepaintSample(hDlg, i, TRUE);
            }
            return TRUE;
        }
        if (nId >= IDC_DISPLAYSETUP_THICKNESS && nId < IDC_DISPLAYSETUP_THICKNESS + nChannels) {
            if (HIWORD(wParam) != CBN_SELCHANGE) return TRUE;
            const int i = nId - IDC_DISPLAYSETUP_THICKNESS;
            const int nChosen = SetupListIndex(hDlg, nId);
            if (nChosen >= 0) {
                anChannelPenWidth[i] = nChosen + 1;
                RepaintSample(hDlg, i, FALSE);
            }
            return TRUE;
        }
        if (nId == IDOK) {
            OnOk(hDlg);
            EndDialog(hDlg, 1);
            return TRUE;
        }
        if (nId == IDCANCEL) {
            OnCancel();
            EndDialog(hDlg, 0);
            return TRUE;
        }
        break;
    }
    default:
        break;
    }
    return FALSE;
}
