// Start screen: the main window's page (frame, title, version, settings summary, geometry diagram) and the notice
// that stops a system which has run too long.
#include "core/start_screen.h"

#include <cmath>
#include <cstdio>
#include <cwchar>

#include "core/core.h"
#include "core/settings.h"
#include "core/text.h"
#include "map/pens.h"

namespace {

// Antenna offsets beyond this many metres (or not numbers) are drawn as if at the limit: the diagram only shows
// where the antenna is, and every pixel it computes stays far inside the int range.
constexpr double kOffsetLimit = 1.0e6;
constexpr double kPixelLimit = 1.0e6;

double BoundedOffset(double d)
{
    if (!(d == d))
        return 0;
    if (d > kOffsetLimit)
        return kOffsetLimit;
    if (d < -kOffsetLimit)
        return -kOffsetLimit;
    return d;
}

// Truncates a pixel value toward zero after clamping it in double.
int ToPixel(double d)
{
    if (!(d == d))
        return 0;
    if (d > kPixelLimit)
        d = kPixelLimit;
    if (d < -kPixelLimit)
        d = -kPixelLimit;
    return (int)d;
}

int TextWidth(HDC hdc, const wchar_t *sz)
{
    SIZE s = {0, 0};
    GetTextExtentPoint32(hdc, sz, (int)wcslen(sz), &s);
    return s.cx;
}

int TextHeight(HDC hdc, const wchar_t *sz)
{
    SIZE s = {0, 0};
    GetTextExtentPoint32(hdc, sz, (int)wcslen(sz), &s);
    return s.cy;
}

BOOL DrawTextAt(HDC hdc, int x, int y, const wchar_t *sz) { return TextOut(hdc, x, y, sz, (int)wcslen(sz)); }

// ---------------------------------------------------------------------------------------------------------------
// Settings summary rows
// ---------------------------------------------------------------------------------------------------------------
struct SummaryRow {
    const wchar_t *szLeftLabel;
    wchar_t szLeftValue[40];
    const wchar_t *szRightLabel;
    wchar_t szRightValue[40];
};

// Text i of a list, or "" (no value text) for an index outside it.
template <int N>
const wchar_t *ListText(const wchar_t *const (&aszList)[N], int i)
{
    return i >= 0 && i < N ? aszList[i] : L"";
}

void SetText(wchar_t *szValue, const wchar_t *szText)
{
    wcsncpy(szValue, szText, 39);
    szValue[39] = 0;
}

const wchar_t *const aszPauseKeys[] = {L"any key", L"<Enter>", L"<Space Bar>", L"<P>"};
const wchar_t *const aszSurveyModes[] = {L"AUTO", L"WHEEL", L"MANUAL"};
const wchar_t *const aszEm61Types[] = {L"Standard", L"High Power", L"Standard N.C.C", L"HP N.C.C."};
const wchar_t *const aszEm384Rates[] = {L"10 Hz", L"5 Hz",   L"3.3 Hz", L"2.5 Hz", L"2 Hz",
                                        L"1 Hz",  L"0.5 Hz", L"0.2 Hz", L"0.1 Hz"};
const wchar_t *const aszSensorSizes[] = {L"1 x 0.5 m", L"0.5 x 1.0 m", L"1 x 1 m", L"0.5 x 0.5 m", L"Hand Held"};
const wchar_t *const aszReferences[] = {L"Leading Coil", L"Trailing Coil", L"EM34-3 Center"};
const wchar_t *const aszGpsInputs[] = {L"Disabled",  L"Enabled",    L"Manual",    L"Average 2",
                                       L"Average 5", L"Average 10", L"Average 20"};
const wchar_t *const aszGpsFormats[] = {L"GGA/GSA", L"GGA", L"POS", L"LLK", L"LLQ", L"GLL", L"GGK", L"Pseudo GGA",
                                        L"Pseudo GLL"};

void SetUpdateRate(wchar_t *szValue)
{
    if (dSampleInterval > 0)
        FormatBoxText(szValue, 40, L"%.2f Hz", 1.0 / dSampleInterval);
    else
        SetText(szValue, L"");
}

// Row 0 (Grad601, EM61-LX2, EM61-MK2).
void FillRow0(SummaryRow *pRow)
{
    if (nInstrumentType == INSTRUMENT_GRAD601) {
        pRow->szLeftLabel = L"Number of Sensors:";
        FormatBoxText(pRow->szLeftValue, 40, L"%1d", nSensorsMinus1 + 1);
        pRow->szRightLabel = L"Grad601 Port:";
    } else {
        pRow->szLeftLabel = L"Survey Mode:";
        SetText(pRow->szLeftValue, bInstrumentEnabled ? ListText(aszSurveyModes, nSurveyModeSaved) : L"N/A");
        pRow->szRightLabel = nInstrumentType == INSTRUMENT_EM61LX2 ? L"EM61-LX2 Port:" : L"EM61-MK2 Port:";
    }
    FormatBoxText(pRow->szRightValue, 40, L"COM%d", nInstrumentPort + 1);
}

// Row 1: the instrument's mode, rate and type.
void FillRow1(SummaryRow *pRow)
{
    // The common left cell: the update rate.
    pRow->szLeftLabel = L"Update Rate:";
    if (bInstrumentEnabled)
        SetUpdateRate(pRow->szLeftValue);
    else
        SetText(pRow->szLeftValue, L"N/A");
    const wchar_t *szRight = L"";
    switch (nInstrumentType) {
    case INSTRUMENT_GRAD601:
        pRow->szLeftLabel = nSensorsMinus1 ? L"Sensors Separation:" : L"Swath bar:";
        FormatBoxText(pRow->szLeftValue, 40, L"%.2f m", nSensorsMinus1 ? dSensorSeparation : dSwathWidth);
        pRow->szRightLabel = L"Pause Key:";
        SetText(pRow->szRightValue, ListText(aszPauseKeys, nPauseKey));
        return;
    case INSTRUMENT_EM61LX2:
    case INSTRUMENT_EM61MK2:
        if (nSurveyMode != 0)
            SetText(pRow->szLeftValue, L"N/A");
        pRow->szRightLabel = nInstrumentType == INSTRUMENT_EM61LX2 ? L"EM61-LX2 Type:" : L"EM61-MK2 Type:";
        szRight = ListText(aszEm61Types, nEm61Type);
        break;
    case INSTRUMENT_EM31MK2:
        pRow->szRightLabel = L"EM31-MK2 Type:";
        szRight = nEm31Type ? L"Short" : L"Standard";
        break;
    case INSTRUMENT_EM38:
        pRow->szRightLabel = L"EM38 Component:";
        szRight = nComponent ? L"Inphase" : L"Conductivity";
        break;
    case INSTRUMENT_EM34:
        pRow->szLeftLabel = L"EM34-3 Mode:";
        SetText(pRow->szLeftValue, nSurveyMode ? L"Manual" : L"Auto");
        if (nSurveyMode) {
            pRow->szRightLabel = L"Configurations:";
            FormatBoxText(pRow->szRightValue, 40, L"%d", nDipoleMode + 1);
        } else {
            pRow->szRightLabel = L"Update Rate:";
            SetUpdateRate(pRow->szRightValue);
        }
        if (!bInstrumentEnabled)
            SetText(pRow->szRightValue, L"Disabled");
        return;
    case INSTRUMENT_EM38MK2:
        pRow->szRightLabel = L"EM38-MK2 Type:";
        szRight = nEm38Mk2Type ? L"EM38MK2-1" : L"EM38MK2";
        break;
    case INSTRUMENT_EM384:
        pRow->szLeftLabel = L"EM38-4 State:";
        SetText(pRow->szLeftValue, bInstrumentEnabled ? L"Enabled" : L"Disabled");
        pRow->szRightLabel = L"Update Rate:";
        SetText(pRow->szRightValue, bInstrumentEnabled ? ListText(aszEm384Rates, nRateChoice) : L"N/A");
        return;
    case INSTRUMENT_CS21:
        // The CS-21 has no type or component of its own to show: the cell stays empty.
        pRow->szRightLabel = L"";
        SetText(pRow->szRightValue, L"");
        return;
    default:
        pRow->szRightLabel = L"";
        break;
    }
    SetText(pRow->szRightValue, bInstrumentEnabled ? szRight : L"Disabled");
}

// Row 2: the survey line and a sensor or GPS setting of the instrument.
void FillRow2(SummaryRow *pRow)
{
    pRow->szLeftLabel = L"Survey Line:";
    SetText(pRow->szLeftValue, szSurveyLine);
    switch (nInstrumentType) {
    case INSTRUMENT_GRAD601:
        pRow->szRightLabel = L"GPS Input:";
        if (bGpsEnabled)
            FormatBoxText(pRow->szRightValue, 40, L"COM%d", nGpsPort + 1);
        else
            SetText(pRow->szRightValue, L"Disabled");
        break;
    case INSTRUMENT_EM61LX2:
        pRow->szRightLabel = L"Number of Sensors:";
        FormatBoxText(pRow->szRightValue, 40, L"%1d", nSensorsMinus1 + 1);
        break;
    case INSTRUMENT_EM61MK2:
        pRow->szRightLabel = L"Sensor Size:";
        SetText(pRow->szRightValue, bInstrumentEnabled ? ListText(aszSensorSizes, nSensorSize) : L"N/A");
        break;
    case INSTRUMENT_EM34:
        pRow->szRightLabel = L"Reference:";
        SetText(pRow->szRightValue, ListText(aszReferences, nReference));
        break;
    case INSTRUMENT_EM384:
        pRow->szRightLabel = L"Inphase Units:";
        SetText(pRow->szRightValue, nInphaseUnits ? L"mS/m" : L"ppt");
        break;
    default:
        pRow->szRightLabel = L"Dipole Mode:";
        SetText(pRow->szRightValue, nDipoleMode ? L"Horizontal" : L"Vertical");
        break;
    }
}

void FillRow3(SummaryRow *pRow)
{
    pRow->szLeftLabel = L"Line Increment:";
    FormatBoxText(pRow->szLeftValue, 40, L"%.2f", dLineIncrement);
    if (nInstrumentType == INSTRUMENT_GRAD601) {
        pRow->szRightLabel = L"GPS X offset:";
        FormatBoxText(pRow->szRightValue, 40, L"%.2f m", dGpsOffsetX);
    } else {
        pRow->szRightLabel = L"Pause Key:";
        SetText(pRow->szRightValue, ListText(aszPauseKeys, nPauseKey));
    }
}

void FillRow4(SummaryRow *pRow)
{
    pRow->szLeftLabel = L"Start Station:";
    FormatBoxText(pRow->szLeftValue, 40, L"%.3f", dStartStation);
    if (nInstrumentType == INSTRUMENT_GRAD601) {
        pRow->szRightLabel = L"GPS Y offset:";
        FormatBoxText(pRow->szRightValue, 40, L"%.2f m", dGpsOffsetY);
    } else if (nInstrumentType == INSTRUMENT_EM61MK2 && !bJixProduct) {
        pRow->szRightLabel = L"Tilt Meter:";
        SetText(pRow->szRightValue, !bInstrumentEnabled ? L"N/A" : bTiltMeterOn ? L"Enabled" : L"Disabled");
    } else if (nInstrumentType == INSTRUMENT_EM61MK2) {
        pRow->szRightLabel = L"GPS Input:";
        SetText(pRow->szRightValue, bGpsEnabled ? L"Enabled" : L"Disabled");
    } else {
        pRow->szRightLabel = L"GPS Input:";
        if (bGpsEnabled == 1 && !bInstrumentEnabled)
            SetText(pRow->szRightValue, L"Auto");
        else
            SetText(pRow->szRightValue, ListText(aszGpsInputs, bGpsEnabled));
    }
}

void FillRow5(SummaryRow *pRow)
{
    pRow->szLeftLabel = L"Station Increment:";
    FormatBoxText(pRow->szLeftValue, 40, L"%.3f", dStationIncrement);
    pRow->szRightLabel = L"GPS Data:";
    if (!bGpsEnabled)
        SetText(pRow->szRightValue, L"N/A");
    else if (nGpsFormat == 7 && bPseudoGga == 1)
        SetText(pRow->szRightValue, L"p-GGA SLAM");
    else
        SetText(pRow->szRightValue, ListText(aszGpsFormats, nGpsFormat));
}

// The rows of the build's instrument, in order; returns their count (6 with row 0, else 5).
int BuildSummaryRows(SummaryRow aRows[6])
{
    int n = 0;
    if (nInstrumentType == INSTRUMENT_GRAD601 || nInstrumentType == INSTRUMENT_EM61LX2 ||
        nInstrumentType == INSTRUMENT_EM61MK2)
        FillRow0(&aRows[n++]);
    FillRow1(&aRows[n++]);
    FillRow2(&aRows[n++]);
    FillRow3(&aRows[n++]);
    FillRow4(&aRows[n++]);
    FillRow5(&aRows[n++]);
    return n;
}

// ---------------------------------------------------------------------------------------------------------------
// Picture helpers
// ---------------------------------------------------------------------------------------------------------------
// Selects a picture's pen and brush and puts the old ones back when it goes.
class PictureObjects {
public:
    PictureObjects(HDC hdc, HGDIOBJ hPen, HGDIOBJ hBrush)
        : m_hdc(hdc), m_hOldPen(SelectObject(hdc, hPen)), m_hOldBrush(SelectObject(hdc, hBrush))
    {
    }
    ~PictureObjects()
    {
        SelectObject(m_hdc, m_hOldBrush);
        SelectObject(m_hdc, m_hOldPen);
    }
    PictureObjects(const PictureObjects &) = delete;
    PictureObjects &operator=(const PictureObjects &) = delete;

private:
    HDC m_hdc;
    HGDIOBJ m_hOldPen, m_hOldBrush;
};

// A body nWidths footprint widths across, centred on the instrument rectangle and at least 2 x nMinHalf + 1
// pixels wide, so that a narrow instrument stays visible.
struct PictureBody {
    int cx, l, r, nHalf, nLength;
};
PictureBody CentredBody(int nLeft, int nTop, int nRight, int nBottom, int nWidths, int nMinHalf)
{
    PictureBody body;
    body.cx = nLeft + (nRight - nLeft) / 2;
    body.nHalf = nWidths * (nRight - nLeft) / 2;
    if (body.nHalf < nMinHalf) body.nHalf = nMinHalf;
    body.l = body.cx - body.nHalf;
    body.r = body.cx + body.nHalf + 1;
    body.nLength = nBottom - nTop;
    return body;
}

// Dark bands across a body at the given per-cent ranges of its length, inset by nInset pixels at the sides.
void DrawBodyBands(HDC hdc, const PictureBody &body, int nTop, const int (*anBand)[2], int nBands, int nInset)
{
    for (int i = 0; i < nBands; i++) {
        RECT rcBand = {body.l + nInset, nTop + body.nLength * anBand[i][0] / 100, body.r - nInset,
                       nTop + body.nLength * anBand[i][1] / 100};
        if (rcBand.bottom <= rcBand.top) rcBand.bottom = rcBand.top + 1;
        FillRect(hdc, &rcBand, hbrDarkGrey);
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Geometry diagram
// ---------------------------------------------------------------------------------------------------------------
// Footprint of the build's instrument across (w) and along (l) the direction of travel and the antenna radius.
void InstrumentFootprint(double *pw, double *pl, double *pr)
{
    static const double adSizeW[5] = {1.0, 0.5, 1.0, 0.5, 0.3};
    static const double adSizeL[5] = {0.5, 1.0, 1.0, 0.5, 0.15};
    double w = 0.04, l = 1.0, r = 0.1;
    switch (nInstrumentType) {
    case INSTRUMENT_GRAD601:
        r = 0.2;
        w = nSensorsMinus1 ? dSensorSeparation : 0;
        l = 0.1;
        break;
    case INSTRUMENT_EM61LX2:
        w = nSensorsMinus1 ? 2.0 : 1.0;
        l = 0.5;
        break;
    case INSTRUMENT_EM61MK2: {
        int i = nSensorSize >= 0 && nSensorSize < 5 ? nSensorSize : 0;
        w = adSizeW[i];
        l = adSizeL[i];
        break;
    }
    case INSTRUMENT_EM31MK2:
        r = 0.18;
        w = 0.16;
        l = nEm31Type ? 2.0 : 3.6;
        break;
    case INSTRUMENT_EM38:
        w = 0.05;
        break;
    case INSTRUMENT_EM34:
        r = 0.6;
        w = 1.2;
        l = 10.0;
        break;
    case INSTRUMENT_CS21:
        l = 2.0;
        break;
    default:  // EM38-MK2, EM38-4
        break;
    }
    // A separation out of its range (or not a number) is drawn as none.
    if (!(w >= 0 && w <= kOffsetLimit))
        w = 0;
    *pw = w;
    *pl = l;
    *pr = r;
}

// Grad601 sensor marks on the sensor axis y from x = nLeft to nRight: two lines 2 pixels above and below it with
// end marks, or one ellipse with one sensor.
void DrawGradSensorMarks(HDC hdc, const RECT &rc)
{
    PictureObjects objects(hdc, hpenPictureBlack, hbrDarkGrey);
    const int y = rc.top;
    if (nSensorsMinus1) {
        int aY[2] = {y - 2, y + 2};
        for (int yLine : aY) {
            MoveToEx(hdc, rc.left, yLine, nullptr);
            LineTo(hdc, rc.right + 1, yLine);
        }
        const int nEnd = (rc.bottom - rc.top) / 2 > 4 ? (rc.bottom - rc.top) / 2 : 4;
        for (int x : {rc.left, rc.right}) {
            MoveToEx(hdc, x, y - nEnd, nullptr);
            LineTo(hdc, x, y + nEnd + 1);
        }
    } else {
        int h = rc.bottom - rc.top;
        if (h < 8) h = 8;
        const int x = rc.left + (rc.right - rc.left) / 2;
        Ellipse(hdc, x - h / 2, y - h / 2, x + h / 2 + 1, y + h / 2 + 1);
    }
}

void DrawInstrument(HDC hdc, const RECT &rc)
{
    switch (nInstrumentType) {
    case INSTRUMENT_GRAD601:
        DrawGradSensorMarks(hdc, rc);
        break;
    case INSTRUMENT_EM61LX2:
    case INSTRUMENT_EM61MK2: {
        PictureObjects objects(hdc, hpenYellow8, GetStockObject(NULL_BRUSH));
        if (nInstrumentType == INSTRUMENT_EM61LX2 && nSensorsMinus1) {
            // Two coils side by side, each half the width, 10 pixels apart.
            const int nHalf = (rc.right - rc.left) / 2;
            DrawPictureLine(hdc, rc.left, rc.top, rc.left + nHalf - 5, rc.bottom);
            DrawPictureLine(hdc, rc.left + nHalf + 5, rc.top, rc.right, rc.bottom);
        } else {
            DrawPictureLine(hdc, rc.left, rc.top, rc.right, rc.bottom);
        }
        break;
    }
    case INSTRUMENT_EM31MK2: DrawInstrumentPicture1(hdc, rc.left, rc.top, rc.right, rc.bottom); break;
    case INSTRUMENT_EM38: DrawInstrumentPicture3(hdc, rc.left, rc.top, rc.right, rc.bottom); break;
    case INSTRUMENT_EM34: DrawInstrumentPicture2(hdc, rc.left, rc.top, rc.right, rc.bottom); break;
    case INSTRUMENT_EM38MK2: DrawInstrumentPicture5(hdc, rc.left, rc.top, rc.right, rc.bottom); break;
    case INSTRUMENT_EM384: DrawInstrumentPicture4(hdc, rc.left, rc.top, rc.right, rc.bottom); break;
    case INSTRUMENT_CS21: DrawRoundedBar(hdc, rc.left, rc.top, rc.right, rc.bottom); break;
    default: break;
    }
}

void DrawGeometryDiagram(HDC hdc, const RECT &rcBox)
{
    GeometryDiagram d;
    if (!ComputeGeometryDiagram(rcBox, &d))
        return;
    DrawInstrument(hdc, d.rcInstrument);
    if (d.bAntenna) {
        {
            PictureObjects objects(hdc, hpenBlack, hbrRed);
            Ellipse(hdc, d.ptAntenna.x - d.nAntennaRadius, d.ptAntenna.y - d.nAntennaRadius,
                    d.ptAntenna.x + d.nAntennaRadius + 1, d.ptAntenna.y + d.nAntennaRadius + 1);
        }
        // The Grad601's sensors stay visible over an antenna close to them.
        if (nInstrumentType == INSTRUMENT_GRAD601 && (std::fabs(d.dOffsetX) < 0.2 || std::fabs(d.dOffsetY) < 0.2))
            DrawGradSensorMarks(hdc, d.rcInstrument);
    }
    // Direction of travel: up the screen.
    const int nBoxW = rcBox.right - rcBox.left, nBoxH = rcBox.bottom - rcBox.top;
    const int x = rcBox.left + nBoxW * 5 / 100;
    const int yTail = rcBox.top + nBoxH * 70 / 100, yTip = rcBox.top + nBoxH * 10 / 100;
    PictureObjects objects(hdc, hpenWhite3, GetStockObject(NULL_BRUSH));
    MoveToEx(hdc, x, yTail, nullptr);
    LineTo(hdc, x, yTip);
    MoveToEx(hdc, x - 6, yTip + 10, nullptr);
    LineTo(hdc, x, yTip);
    MoveToEx(hdc, x + 6, yTip + 10, nullptr);
    LineTo(hdc, x, yTip);
}

const wchar_t *const szUptimeLine1 = L"Windows has run for more than 20 days.";
const wchar_t *const szUptimeLine2 = L"Please restart the system to ensure efficient use of Windows timer.";
const wchar_t *const szUptimeLine3 = L"Use RESTART not SHUT DOWN.";

int bUptimeNoticePosted = 0;

int AnySimulationSwitch()
{
    return bNoGpsRecords || bSimulateGps || bSimulatedReadings ||
           (bSimulateInstrument == 1 && nInstrumentType == INSTRUMENT_EM61MK2) ||
           (bSimulateSentences && nInstrumentType == INSTRUMENT_GRAD601) || nEm384SimMode == 1;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------------
// Pictures
// ---------------------------------------------------------------------------------------------------------------
void DrawPictureLine(HDC hdc, int nLeft, int nTop, int nRight, int nBottom)
{
    const POINT apt[5] = {{nLeft, nTop}, {nLeft, nBottom}, {nRight, nBottom}, {nRight, nTop}, {nLeft, nTop}};
    Polyline(hdc, apt, 5);
}

void DrawInstrumentPicture1(HDC hdc, int nLeft, int nTop, int nRight, int nBottom)
{
    // The boom.
    const PictureBody body = CentredBody(nLeft, nTop, nRight, nBottom, 1, 3);
    const int cx = body.cx, cy = nTop + body.nLength / 2;
    PictureObjects objects(hdc, hpenPictureBlack, hbrMidGrey);
    Rectangle(hdc, body.l, nTop, body.r, nBottom);
    // The console across the middle of the boom.
    int nConsoleHalfW = body.nHalf * 4;
    if (nConsoleHalfW < 12) nConsoleHalfW = 12;
    int nConsoleHalfH = body.nLength * 6 / 100;
    if (nConsoleHalfH < 6) nConsoleHalfH = 6;
    SelectObject(hdc, hbrDarkGrey);
    RoundRect(hdc, cx - nConsoleHalfW, cy - nConsoleHalfH, cx + nConsoleHalfW, cy + nConsoleHalfH, 10, 10);
    // Three small marks: the two coil ends and the console's display.
    SelectObject(hdc, hbrYellow);
    const int ay[3] = {nTop + 4, cy, nBottom - 4};
    for (int y : ay)
        Ellipse(hdc, cx - 2, y - 2, cx + 3, y + 3);
}

void DrawInstrumentPicture2(HDC hdc, int nLeft, int nTop, int nRight, int nBottom)
{
    const int nWidth = nRight - nLeft, nLength = nBottom - nTop;
    int nCoil = nWidth < nLength / 2 ? nWidth : nLength / 2;
    if (nCoil < 6) nCoil = 6;
    const int cx = nLeft + nWidth / 2, cy = nTop + nLength / 2;
    PictureObjects objects(hdc, hpenDarkGrey, hbrLightGrey);
    // The cable between the coils.
    MoveToEx(hdc, cx, nTop, nullptr);
    LineTo(hdc, cx, nBottom);
    SelectObject(hdc, hpenPictureBlack);
    // The coils centred on the two ends, leading at the top (forward is up); the reference coil is filled yellow.
    SelectObject(hdc, nReference == 0 ? hbrYellow : hbrLightGrey);
    Ellipse(hdc, cx - nCoil / 2, nTop - nCoil / 2, cx + nCoil / 2 + 1, nTop + nCoil / 2 + 1);
    SelectObject(hdc, nReference == 1 ? hbrYellow : hbrLightGrey);
    Ellipse(hdc, cx - nCoil / 2, nBottom - nCoil / 2, cx + nCoil / 2 + 1, nBottom + nCoil / 2 + 1);
    if (nReference == 2) {
        SelectObject(hdc, hpenRed2);
        MoveToEx(hdc, cx - nCoil / 2, cy, nullptr);
        LineTo(hdc, cx + nCoil / 2 + 1, cy);
    }
}

void DrawInstrumentPicture3(HDC hdc, int nLeft, int nTop, int nRight, int nBottom)
{
    const PictureBody body = CentredBody(nLeft, nTop, nRight, nBottom, 1, 3);
    const int cx = body.cx;
    PictureObjects objects(hdc, hpenPictureBlack, hbrLightGrey);
    RoundRect(hdc, body.l, nTop, body.r, nBottom, body.nHalf, body.nHalf);
    static const int anBand[3][2] = {{4, 7}, {55, 65}, {93, 96}};
    DrawBodyBands(hdc, body, nTop, anBand, 3, 0);
    // The console at 20-40 % with a pointed lower end, and four dots on it.
    const int yTop = nTop + body.nLength * 20 / 100, yBottom = nTop + body.nLength * 40 / 100;
    const int nConsoleHalf = body.nHalf * 3;
    const int nPoint = (yBottom - yTop) / 4;
    const POINT apt[5] = {{cx - nConsoleHalf, yTop},
                          {cx + nConsoleHalf, yTop},
                          {cx + nConsoleHalf, yBottom - nPoint},
                          {cx, yBottom},
                          {cx - nConsoleHalf, yBottom - nPoint}};
    SelectObject(hdc, hbrMidGrey);
    Polygon(hdc, apt, 5);
    SelectObject(hdc, hbrWhite);
    const int yDots = yTop + (yBottom - yTop) / 4, nDx = nConsoleHalf / 2 > 2 ? nConsoleHalf / 2 : 2;
    const POINT aDot[4] = {{cx - nDx, yDots}, {cx + nDx, yDots}, {cx - nDx, yDots + 6}, {cx + nDx, yDots + 6}};
    for (const POINT &p : aDot)
        Ellipse(hdc, p.x - 1, p.y - 1, p.x + 2, p.y + 2);
}

void DrawInstrumentPicture4(HDC hdc, int nLeft, int nTop, int nRight, int nBottom)
{
    // A body three footprint widths wide with corners of radius 25 (less on a small body).
    const PictureBody body = CentredBody(nLeft, nTop, nRight, nBottom, 3, 6);
    int nCorner = 50;
    if (nCorner > body.r - body.l) nCorner = body.r - body.l;
    if (nCorner > body.nLength) nCorner = body.nLength;
    PictureObjects objects(hdc, hpenPictureBlack, hbrLightGrey);
    RoundRect(hdc, body.l, nTop, body.r, nBottom, nCorner, nCorner);
    static const int anConsole[1][2] = {{10, 35}};
    DrawBodyBands(hdc, body, nTop, anConsole, 1, 2);
    // Coil marks at 35 % of the width to each side of the centre.
    const int nMark = (body.r - body.l) * 35 / 100;
    SelectObject(hdc, hpenDarkGrey);
    for (int x : {body.cx - nMark, body.cx + nMark}) {
        MoveToEx(hdc, x, nTop + body.nLength * 45 / 100, nullptr);
        LineTo(hdc, x, nTop + body.nLength * 92 / 100);
    }
}

void DrawInstrumentPicture5(HDC hdc, int nLeft, int nTop, int nRight, int nBottom)
{
    const PictureBody body = CentredBody(nLeft, nTop, nRight, nBottom, 1, 3);
    PictureObjects objects(hdc, hpenPictureBlack, hbrLightGrey);
    Rectangle(hdc, body.l, nTop, body.r, nBottom);
    // Transmitter and the two receivers as dark bands, the console block, and the centre line.
    static const int anBand[3][2] = {{1, 5}, {48, 52}, {95, 99}};
    DrawBodyBands(hdc, body, nTop, anBand, 3, 1);
    SelectObject(hdc, hbrMidGrey);
    Rectangle(hdc, body.l - 2, nTop + body.nLength * 20 / 100, body.r + 2, nTop + body.nLength * 34 / 100);
    SelectObject(hdc, hpenDarkGrey);
    MoveToEx(hdc, body.cx, nTop + body.nLength * 36 / 100, nullptr);
    LineTo(hdc, body.cx, nTop + body.nLength * 46 / 100);
}

void DrawRoundedBar(HDC hdc, int nLeft, int nTop, int nRight, int nBottom)
{
    // Twice the footprint's width, centred on it, corner radius 2.
    const PictureBody body = CentredBody(nLeft, nTop, nRight, nBottom, 2, 3);
    PictureObjects objects(hdc, hpenPictureBlack, hbrLightGrey);
    RoundRect(hdc, body.l, nTop, body.r, nBottom, 4, 4);
}

// ---------------------------------------------------------------------------------------------------------------
// Diagram geometry
// ---------------------------------------------------------------------------------------------------------------
int ComputeGeometryDiagram(const RECT &rcBox, GeometryDiagram *pd)
{
    *pd = GeometryDiagram{};
    const int nBoxW = rcBox.right - rcBox.left, nBoxH = rcBox.bottom - rcBox.top;
    if (nBoxW <= 0 || nBoxH <= 0)
        return 0;
    double w, l, r;
    InstrumentFootprint(&w, &l, &r);
    double x = BoundedOffset(dGpsOffsetX), y = BoundedOffset(dGpsOffsetY);
    if (nInstrumentType == INSTRUMENT_EM34) {
        if (nReference == 0) y += 5;
        else if (nReference == 1) y -= 5;
    }
    pd->dWidth = w;
    pd->dLength = l;
    pd->dRadius = r;
    pd->dOffsetX = x;
    pd->dOffsetY = y;

    // Extents: the instrument and the antenna together.
    double ex = w;
    if (std::fabs(x) > w / 2)
        ex = std::fabs(x) + w / 2;
    double ey = l, dCentre = l / 2;
    if (y >= 0 && y > l / 2) {
        ey = l / 2 + y;
        dCentre = y;
    } else if (y < 0 && -y > l / 2) {
        ey = std::fabs(y) + l / 2;
    }
    pd->dExtentAcross = ex;
    pd->dExtentAlong = ey;
    pd->dCentre = dCentre;

    // Scale: 60 % of the box; an extent of 0 across (one Grad601 sensor right under the antenna) sets no limit.
    double s = 0.6 * nBoxH / ey;
    if (ex > 0 && 0.6 * nBoxW / ex < s)
        s = 0.6 * nBoxW / ex;
    pd->dScale = s;
    const int x0 = rcBox.left + ToPixel((nBoxW - s * ex) / 2);
    const int y0 = rcBox.top + ToPixel((nBoxH - s * ey) / 2);

    // Instrument rectangle.
    int nWidth = ToPixel(s * w), nHeight = ToPixel(s * l);
    if (nInstrumentType == INSTRUMENT_GRAD601 && nHeight > 30)
        nHeight = 30;
    int nTop = nInstrumentType == INSTRUMENT_GRAD601 ? y0 + ToPixel(s * dCentre)
                                                     : y0 + ToPixel(s * dCentre) - nHeight / 2;
    int nLeft = x0;
    if (x < 0 && -x > w / 2)
        nLeft = x0 + ToPixel(std::fabs(s * x)) - nWidth / 2;
    pd->rcInstrument = RECT{nLeft, nTop, nLeft + nWidth, nTop + nHeight};

    // Antenna: forward offsets point up the screen.
    pd->bAntenna = bGpsEnabled != 0;
    // A marker under 4 pixels across is drawn with a radius of 4 pixels (r = 4 / s).
    double dRadiusPixels = s * r;
    if (2 * dRadiusPixels < 4)
        dRadiusPixels = 4;
    if (nInstrumentType == INSTRUMENT_GRAD601 && dRadiusPixels > 45)
        dRadiusPixels = 45;
    pd->nAntennaRadius = ToPixel(dRadiusPixels);
    const int yAnchor = nInstrumentType == INSTRUMENT_GRAD601 ? nTop : nTop + nHeight / 2;
    pd->ptAntenna.x = nLeft + nWidth / 2 + ToPixel(s * x);
    pd->ptAntenna.y = yAnchor - ToPixel(s * y);
    return 1;
}

// ---------------------------------------------------------------------------------------------------------------
// Settings summary
// ---------------------------------------------------------------------------------------------------------------
int DrawCurrentSettings(HDC hdc, int nLeft, int nRight, int nTop)
{
    // The Jix EM61-MK2 keeps its own station values: they become the working ones.
    if (bJixProduct == 1 && nInstrumentType == INSTRUMENT_EM61MK2) {
        dStartStation = dStartStationMk2;
        dStationIncrement = dStationIncrementPrev;
        dStationIncrementAuto = dStationIncrementAutoMk2;
        dStationIncrementWheel = dStationIncrementWheelMk2;
    }
    const int bSmall = bPortrait && nClientHeight < 900;
    SelectObject(hdc, bSmall ? hFontSummary : hFontLight);
    const int nTitleGap = bSmall ? 23 : 25, nRowPitch = bSmall ? 18 : 25, nLabelColumn = bSmall ? 130 : 160;
    const int c = nLeft + (nRight - nLeft) / 2;
    const int nGap = 40;

    const int nLeftBlock = nLabelColumn + TextWidth(hdc, L"1885.000");
    const int nRightBlock = nLabelColumn + TextWidth(hdc, L"Pseudo GGA");
    int xLeft = c - (nLeftBlock + nGap);
    if (xLeft < 40) xLeft = 40;
    int xRight = c + nGap;
    if (xRight < 300) xRight = 300;
    if (xRight + nRightBlock > nRight) xRight = nRight - nRightBlock;

    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, RGB(0, 0, 0));
    int y = nTop;
    const wchar_t *szTitle = L"CURRENT PROGRAM SETTINGS";
    BOOL bResult = DrawTextAt(hdc, c - TextWidth(hdc, szTitle) / 2, y, szTitle);
    y += nTitleGap;
    bResult = DrawTextAt(hdc, xLeft, y, L"SURVEY PARAMETERS");
    bResult = DrawTextAt(hdc, xRight + 50, y, L"SYSTEM SETUP");
    y += nTitleGap;

    // A label wider than its column, or a value wider than the room to the next column, is drawn narrow.
    auto DrawCell = [hdc](int x, int y, const wchar_t *sz, int nRoomRight) {
        return TextOutWithin(hdc, x, y, sz, (int)wcslen(sz), x, nRoomRight);
    };
    SummaryRow aRows[6];
    const int nRows = BuildSummaryRows(aRows);
    for (int i = 0; i < nRows; i++) {
        const SummaryRow &row = aRows[i];
        bResult = DrawCell(xLeft, y, row.szLeftLabel, xLeft + nLabelColumn - 4);
        bResult = DrawCell(xLeft + nLabelColumn, y, row.szLeftValue, xRight - 4);
        bResult = DrawCell(xRight, y, row.szRightLabel, xRight + nLabelColumn - 4);
        bResult = DrawCell(xRight + nLabelColumn, y, row.szRightValue, nRight);
        y += nRowPitch;
    }
    return (int)bResult;
}

// ---------------------------------------------------------------------------------------------------------------
// Start screen
// ---------------------------------------------------------------------------------------------------------------
StartScreenAreas GetStartScreenAreas(HDC hdc)
{
    StartScreenAreas a = {};
    const int W = nClientWidth, H = nClientHeight;
    if (!bPortrait) {
        a.nSummaryLeft = 20;
        a.nSummaryRight = nMenuButtonX - 20;
        a.nSummaryTop = 30;
        a.rcBox = RECT{20, 250, nMenuButtonX - 20, H - 20};
        return a;
    }
    const wchar_t *szCaption = CaptionForBuild(nInstrumentType, bJixProduct);
    HGDIOBJ hOld = SelectObject(hdc, hFontTitle);
    const int nTitleBottom = 5 + TextHeight(hdc, szCaption ? szCaption : L"");
    SelectObject(hdc, hOld);
    a.nSummaryLeft = 20;
    a.nSummaryRight = W - 24;
    int nBoxTop;
    if (H >= 900) {
        a.nSummaryTop = nTitleBottom + 2 * nLineHeight;
        nBoxTop = a.nSummaryTop + 200;
    } else {
        a.nSummaryTop = nTitleBottom + (int)(1.2 * nLineHeight);
        nBoxTop = a.nSummaryTop + 140;
    }
    a.rcBox = RECT{20, nBoxTop, W - 24, nMenuButtonY - 20};
    return a;
}

LRESULT MainOnPaint(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)message;
    (void)wParam;
    (void)lParam;
    const int W = nClientWidth, H = nClientHeight;
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    HGDIOBJ hOldBrush = SelectObject(hdc, hbrPaleGrey);
    HGDIOBJ hOldPen = SelectObject(hdc, hpenDarkGrey);
    HGDIOBJ hOldFont = SelectObject(hdc, hFontNormal);

    // Frame and its corner circles.
    auto Line = [hdc](int x1, int y1, int x2, int y2) {
        MoveToEx(hdc, x1, y1, nullptr);
        LineTo(hdc, x2, y2);
    };
    auto Circle = [hdc](int x, int y) { Ellipse(hdc, x - 3, y - 3, x + 3, y + 3); };
    if (bPortrait) {
        Line(10, 14, 10, H - 10);
        Line(W - 14, 14, W - 14, H - 10);
        Line(10, nMenuButtonY - 10, W - 14, nMenuButtonY - 10);
        Circle(10, 14);
        Circle(10, H - 10);
        Circle(W - 14, 14);
        Circle(W - 14, H - 10);
    } else {
        Line(10, 14, 10, H - 10);
        const POINT apt[5] = {
            {nMenuButtonX, 14}, {W - 14, 14}, {W - 14, H - 10}, {nMenuButtonX, H - 10}, {nMenuButtonX, H - 90}};
        Polyline(hdc, apt, 5);
        Circle(10, 14);
        Circle(nMenuButtonX, 14);
        Circle(nMenuButtonX, H - 90);
        Circle(10, H - 10);
    }

    // Maker line, title and version.
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, RGB(0, 0, 255));
    const wchar_t *szMaker = L"Ulvane Software Inc.";
    if (bPortrait)
        DrawTextAt(hdc, (W - TextWidth(hdc, szMaker)) / 2, H - 20, szMaker);
    else
        DrawTextAt(hdc, W - TextWidth(hdc, szMaker) - 30, H - 36, szMaker);

    const wchar_t *szCaption = CaptionForBuild(nInstrumentType, bJixProduct);
    if (!szCaption) szCaption = L"";
    SetTextColor(hdc, RGB(160, 160, 160));
    int nTitleRight = 0, nTitleBottom = 0;
    if (bPortrait) {
        SelectObject(hdc, hFontTitle);
        const int nTitleWidth = TextWidth(hdc, szCaption);
        DrawTextAt(hdc, (W - nTitleWidth) / 2, 5, szCaption);
        nTitleRight = (W + nTitleWidth) / 2;
        nTitleBottom = 5 + TextHeight(hdc, szCaption);
    } else {
        SelectObject(hdc, hFontLarge);
        DrawTextAt(hdc, W - TextWidth(hdc, szCaption) - 30, H - 100, szCaption);
    }

    char szVersion[64];
    int nLen = snprintf(szVersion, sizeof szVersion, "Version %s%s", SettingsVersionString(nInstrumentType, bJixProduct),
                        AnySimulationSwitch() ? " SIMULATOR" : "");
    if (nLen < 0 || nLen >= (int)sizeof szVersion)
        szVersion[0] = 0;
    wchar_t wszVersion[64];
    NarrowToWide(szVersion, wszVersion);
    SelectObject(hdc, hFontNormal);
    SetTextColor(hdc, RGB(0, 0, 255));
    const int nVersionWidth = TextWidth(hdc, wszVersion);
    if (bPortrait)
        DrawTextAt(hdc, nTitleRight - nVersionWidth, nTitleBottom, wszVersion);
    else
        DrawTextAt(hdc, W - nVersionWidth - 30, H - 70, wszVersion);

    // Summary, then the geometry box in the summary's font.
    const StartScreenAreas a = GetStartScreenAreas(hdc);
    DrawCurrentSettings(hdc, a.nSummaryLeft, a.nSummaryRight, a.nSummaryTop);
    const wchar_t *szGeometry = L"Geometry Setup";
    SetTextColor(hdc, RGB(80, 80, 80));
    DrawTextAt(hdc, a.rcBox.left + (a.rcBox.right - a.rcBox.left - TextWidth(hdc, szGeometry)) / 2, a.rcBox.top + 4,
               szGeometry);
    SelectObject(hdc, hpenWhite);
    SelectObject(hdc, GetStockObject(NULL_BRUSH));
    Rectangle(hdc, a.rcBox.left, a.rcBox.top, a.rcBox.right, a.rcBox.bottom);
    SetTextColor(hdc, RGB(0, 0, 0));
    DrawGeometryDiagram(hdc, a.rcBox);

    SelectObject(hdc, hOldFont);
    SelectObject(hdc, hOldPen);
    SelectObject(hdc, hOldBrush);
    EndPaint(hwnd, &ps);
    UpdateWindow(hwnd);
    // The start screen takes the keys, unless a screen shown over it has them.
    if (!(hwndLog && IsWindowVisible(hwndLog)) && !(hwndGpsMonitor && IsWindowVisible(hwndGpsMonitor)))
        SetFocus(hwnd);

    // A system that has run too long is stopped: the notice opens once this paint has ended.
    if (bLongUptime == 1 && !bUptimeNoticePosted) {
        bUptimeNoticePosted = 1;
        PostMessage(hwnd, WM_UPTIME_NOTICE, 0, 0);
    }
    return 0;
}

LRESULT MainOnUptimeNotice(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)message;
    (void)wParam;
    (void)lParam;
    wchar_t szText[256];
    int n = swprintf(szText, 256, L"%ls\r\n%ls\r\n%ls", szUptimeLine1, szUptimeLine2, szUptimeLine3);
    if (n < 0)
        szText[0] = 0;
    ShowMessageDialog(hwnd, L"MESSAGEOK", L"Program Stop", szText);
    WaitMilliseconds(100);
    SendMessage(hwnd, WM_CLOSE, 0, 0);
    return 0;
}
