// Logging screen window: class registration with the display child classes, dispatch table, creation, size and key up.
#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "displays/child_windows.h"
#include "displays/displays.h"
#include "displays/grid.h"
#include "logscreen/logscreen.h"
#include "map/map.h"
#include "processing/conductivity_handlers.h"
#include "processing/em61lx2_handler.h"
#include "processing/em384_handler.h"
#include "processing/em61mk2_handler.h"
#include "processing/sentence_handlers.h"
#include "processing/gps_position.h"

int nRecordingState = -2;
int nCurveAreaHeight = 0, nCurveAreaHeight2 = 0, nCurveAreaHeight3 = 0, nCurveAreaHeightB = 180, nCurveWndWidth = 0;
wchar_t awProfileRecordKinds[12];

namespace {

const MessageHandlerEntry aScreenLogHandlers[] = {
    {WM_CREATE, OnScreenLogCreate},
    {WM_SIZE, OnScreenLogSize},
    {WM_COMMAND, OnScreenLogCommand},
    {WM_DEADCHAR, OnScreenLogCommand},
    {WM_KEYDOWN, OnScreenLogCommand},
    {WM_KEYUP, OnScreenLogKeyUp},
    {WM_PAINT, OnScreenLogPaint},
    {WM_TIMER, OnScreenLogTimer},
    {WM_GPS_POSITION, OnGpsPositionMsg},
    {WM_GPS_DOP, OnGpsDopMsg},
    {WM_EM61MK2_READING, OnInstrumentReadingMsg},
    {WM_EM31MK2_READING, HandleEm31Mk2Reading},
    {WM_EM38_READING, HandleEm38Reading},
    {WM_EM34_READING, HandleEm34Reading},
    {WM_EM38MK2_READING, HandleEm38Mk2Reading},
    {WM_EM61LX2_READING, OnEm61Lx2ReadingMsg},
    {WM_EM61LX2_DUAL_READING, OnEm61Lx2DualReadingMsg},
    {WM_TILT_SENTENCE, ProcessTiltSentence},
    {WM_EM384_READING, OnEm384Reading},
    {WM_DUALEM_READING, OnDualEmReading},
    {WM_GRAD601_READING, OnGradReading},
    // A failed write or flush of the data file ends recording.
    {WM_DATAFILE_ERROR, OnScreenLogDataFileError},
};

HFONT ButtonFont() { return (nClientWidth > 1100 || nClientHeight > 1100) ? hFontLarge : hFontButton; }

HWND MakeButton(HWND parent, const wchar_t *text, DWORD style, int x, int y, int w, int h, int id, int bDefault)
{
    HWND b = CreateWindow(L"BUTTON", text, style, x, y, w, h, parent, id, hInst, nullptr);
    if (!b) return b;
    if (bDefault) SendMessage(b, BM_SETSTYLE, BS_DEFPUSHBUTTON, FALSE);
    SendMessage(b, WM_SETFONT, (WPARAM)ButtonFont(), TRUE);
    return b;
}

}  // namespace

LRESULT ScreenLogWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    for (const MessageHandlerEntry &e : aScreenLogHandlers)
        if (e.message == message) return e.handler(hwnd, message, wParam, lParam);
    return DefWindowProc(hwnd, message, wParam, lParam);
}

int RegisterScreenLogClasses(HINSTANCE inst)
{
    WNDCLASS wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = ScreenLogWndProc;
    wc.hInstance = inst;
    wc.cursor = 0;
    wc.hbrBackground = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    wc.lpszClassName = L"ScreenLogWnd";
    if (!RegisterClass(&wc)) return 1;

    int (*const apfnRegister[8])(HINSTANCE) = {RegisterDecayWnd,   RegisterBarQWnd,  RegisterBarIWnd,
                                               RegisterCurveWnd,   RegisterNumbersWnd, RegisterSpeedWnd,
                                               RegisterMapWnd,     RegisterColorBarWnd};
    for (auto pfn : apfnRegister)
        if (pfn(inst) != 0) return 2;
    return 0;
}

int InitProfileRecordKinds()
{
    static const wchar_t awKinds[12] = {L'D', L'E', L'F', L'M', L'N', L'P', L'Q', L'T', L'S', L'Z', L'O', L'X'};
    for (int i = 0; i < 12; i++) awProfileRecordKinds[i] = awKinds[i];
    return 2;
}

LRESULT OnScreenLogCreate(HWND hwnd, UINT, WPARAM, LPARAM)
{
    const int W = nClientWidth, H = nClientHeight, L = nLineHeight;
    for (int i = 0; i < 4; i++) anBarTop[i] = -1;

    // Graph band and side column.
    const int A = H - 8 * L;
    nLayoutMarginX = nLayoutMarginY = 20;
    nBottomMargin = 16;
    nCurveAreaHeight2 = A - 20;
    nSidePanelWidth = 110;
    nStatusPanelX = W - 110 - 20;
    const int bSixRows = nInstrumentType == INSTRUMENT_EM61LX2 || nInstrumentType == INSTRUMENT_GRAD601;
    nStatusPanelHeight = bSixRows ? 6 * L + 10 : 4 * L + 10;
    nStatusPanelTop = A - nStatusPanelHeight;
    nGraphBandWidth = W - 110 - 2 * 20 - 20;
    nPanelGap = 2;
    nBarColumnX = nStatusPanelX;
    nBarColumnY = 20;
    nBarColumnWidth = 110;
    nCurveAreaHeightB = A - nStatusPanelHeight - 20 - 3 * L;

    // Numbers panel boxes.
    rcSidePanelValues = {nTextMarginX + 20, 7, 110, nStatusPanelHeight - 5};
    if (nInstrumentType == INSTRUMENT_EM61LX2) {
        RECT *aprc[6] = {&rcLx2Row1, &rcLx2Row2, &rcLx2Row3, &rcLx2Row4, &rcLx2Row5, &rcLx2Row6};
        int nRows = nSensorsMinus1 == 1 ? 6 : 3;
        RECT r = rcSidePanelValues;
        r.left += 10;
        for (int i = 0; i < nRows; i++) {
            *aprc[i] = r;
            r.top += L;
            r.bottom += L;
        }
    }
    rcSidePanel = {0, 0, 110, nStatusPanelHeight};

    // Button column and speed bar.
    nButtonWidth = 108;
    nButtonColumnX = W - 108 - 20;
    nButtonColumnTop = A + L - 2;
    nButtonGap = 2;
    nButtonHeight = (H - nButtonColumnTop - 3 * 2 - 16) / 4;
    nSpeedBarWidth = nGraphBandWidth;
    nSpeedBarX = 20;
    nSpeedBarHeight = 8;
    nSpeedBarY = A + L - 2;
    dSpeedPixPerUnit =
        (dSpeedScaleMax - dSpeedScaleMin) != 0.0 ? nSpeedBarWidth / (dSpeedScaleMax - dSpeedScaleMin) : 0.0;

    // Square map and the profiles beside it.
    SetMapSide(nCurveAreaHeight2);
    nCurveWndX = 20 + nMapViewPixels + 5;
    nCurveWndWidth = nGraphBandWidth - nMapViewPixels - 5;

    // Map view buttons band.
    nLowerBandTop = nSpeedBarY + nSpeedBarHeight + 2;
    const int nMapButtonTop = nLowerBandTop;
    nMapButtonHeight = (H - nMapButtonTop - 2 * 2 - 16) / 3;

    LoadSaveSettingsFile(0);
    InitProfileRecordKinds();

    // The bar windows get their real size from the arrangement; until then, half the bar column.
    nBarWndWidth = (nBarColumnWidth - 2) / 2;
    nBarWndHeight = nCurveAreaHeightB;

    InitOpenFileRecord(hwnd);

    // Display children.
    int bChildFailed = 0;
    auto Child = [&](const wchar_t *cls, int id, DWORD style, int x, int y, int w, int h) {
        HWND c = CreateWindow(cls, nullptr, style, x, y, w, h, hwnd, id, hInst, nullptr);
        if (!IsWindow(c)) bChildFailed = 1;
        return c;
    };
    const DWORD dwHidden = WS_CHILD | WS_BORDER, dwShown = WS_CHILD | WS_VISIBLE | WS_BORDER;
    hwndCurve1 = Child(L"CurveWnd", 600, dwHidden, 20, 20, nGraphBandWidth, nCurveAreaHeight2);
    hwndCurve2 = Child(L"CurveWnd", 600, dwHidden, 20, 20, nGraphBandWidth, nCurveAreaHeight2);
    hwndCurve3 = Child(L"CurveWnd", 600, dwHidden, 20, 20, nGraphBandWidth, nCurveAreaHeight2);
    hwndDecay = Child(L"DecayWnd", 610, dwHidden, nBarColumnX, nBarColumnY, nBarColumnWidth, nCurveAreaHeightB);
    hwndBarQ = Child(L"BarQWnd", 620, dwHidden, nBarColumnX, nBarColumnY, (nBarColumnWidth - 2) / 2,
                     nCurveAreaHeightB);
    hwndBarI = Child(L"BarIWnd", 630, dwHidden, nBarColumnX + (nBarColumnWidth - 2) / 2 + 2, nBarColumnY,
                     (nBarColumnWidth - 2) / 2, nCurveAreaHeightB);
    hwndNumbers = Child(L"NumbersWnd", 650, dwShown, nStatusPanelX, nStatusPanelTop, 110, nStatusPanelHeight + 50);
    hwndMap = Child(L"MapWnd", 652, dwShown, 20, 20, nMapViewPixels, nMapWndHeight);
    const int bWideLegend = nInstrumentType == INSTRUMENT_EM31MK2 || nInstrumentType == INSTRUMENT_EM38MK2 ||
                            nInstrumentType == INSTRUMENT_EM384 || nInstrumentType == INSTRUMENT_CS21;
    hwndColorBar = Child(L"ColorBarWnd", 653, dwHidden, bWideLegend ? 30 : 40, 25, bWideLegend ? 244 : 142, 296);

    // Screen buttons.
    const int bEm61 = nInstrumentType == INSTRUMENT_EM61MK2 || nInstrumentType == INSTRUMENT_EM61LX2;
    const wchar_t *aszFirst[4] = {L"&File", bEm61 ? L"N&ull" : L"Map &Size", L"E&xit", L"&Menu"};
    const wchar_t *aszSecond[4] = {L"&Go", L"&QLine", L"E&xit", L"&Menu"};
    for (int i = 0; i < 4; i++)
        hwndLogButtons[i] = MakeButton(hwnd, aszFirst[i], WS_CHILD | WS_VISIBLE | WS_TABSTOP, nButtonColumnX,
                                       nButtonColumnTop + i * (nButtonHeight + nButtonGap), nButtonWidth,
                                       nButtonHeight, 460 + i, i == 0);
    for (int i = 0; i < 4; i++)
        hwndLogButtonsAlt[i] = MakeButton(hwnd, aszSecond[i], WS_CHILD | WS_TABSTOP, nButtonColumnX,
                                          nButtonColumnTop + i * (nButtonHeight + nButtonGap), nButtonWidth,
                                          nButtonHeight, 460 + i, i == 0);
    hwndPauseButton = MakeButton(hwnd, L"P A U S E", WS_CHILD | WS_TABSTOP, nStatusPanelX, nButtonColumnTop,
                                 nSidePanelWidth, 2 * nButtonHeight, 460, 1);
    static const wchar_t *const aszMap[9] = {L"&Lf",  L"&Rt",  L"U&p",     L"&Dn",          L"Zm&+",
                                             L"Zm&-", L"&Fit All", L"Enter Rev&iew", L"&Exit Review"};
    for (int i = 0; i < 9; i++)
        hwndMapViewButtons[i] = MakeButton(hwnd, aszMap[i], WS_CHILD | WS_TABSTOP,
                                           20 + nGraphBandWidth - nGraphBandWidth / 4 + 10 * i, nMapButtonTop, 10,
                                           nMapButtonHeight, 470 + i, 0);

    // Channel boxes.
    int nSkip = 0;
    switch (nInstrumentType) {
    case INSTRUMENT_EM61LX2:
    case INSTRUMENT_GRAD601: nSkip = 1; break;
    case INSTRUMENT_EM31MK2:
    case INSTRUMENT_EM38:
    case INSTRUMENT_EM34: nSkip = 2; break;
    case INSTRUMENT_EM384:
    case INSTRUMENT_CS21: nSkip = -4; break;
    default: nSkip = 0; break;
    }
    for (int i = 0; i < 4 - nSkip && i < 8; i++)
        hwndChannelBoxes[i] = CreateWindow(L"BUTTON", L"", WS_CHILD | WS_TABSTOP | BS_RADIOBUTTON, nStatusPanelX - 17,
                                           nStatusPanelTop + (i + nSkip) * (nButtonHeight - 2) + 10, 14, 14, hwnd,
                                           480 + i, hInst, nullptr);
    if (nInstrumentType == INSTRUMENT_EM61LX2)
        for (int i = 0; i < 3; i++)
            hwndChannelBoxes2[i] = CreateWindow(L"BUTTON", L"", WS_CHILD | WS_TABSTOP | BS_RADIOBUTTON,
                                                nStatusPanelX - 17, nStatusPanelTop + (i + 3) * (nButtonHeight - 2) + 10,
                                                14, 14, hwnd, 480 + i, hInst, nullptr);

    hwndSpeed = Child(L"SpeedWnd", 651, dwShown, nSpeedBarX, nSpeedBarY, nSpeedBarWidth, nSpeedBarHeight);
    // Without every display child the screen cannot work: its creation fails and so does the program's start.
    return bChildFailed ? -1 : 0;
}

LRESULT OnScreenLogSize(HWND hwnd, UINT, WPARAM, LPARAM)
{
    RECT rc;
    GetClientRect(hwnd, &rc);
    return 0;
}

LRESULT OnScreenLogKeyUp(HWND hwnd, UINT, WPARAM wParam, LPARAM)
{
    SetFocus(hwnd);
    const int k = (int)wParam;
    const int bMarkerKey = (k >= 0x25 && k <= 0x28) || (k >= 0x30 && k <= 0x39);
    if (nActiveScreen == 1 && bMarkerKey && nSoftMarkerKey == 1 && bSoftMarkerDown == 1) bSoftMarkerDown = 0;
    return 0;
}

