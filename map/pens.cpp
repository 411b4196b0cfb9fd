// Pens, brushes and the colour scale: made once at start (two groups re-made by the option dialogs).
#include "map/pens.h"

#include "core/core.h"
#include "core/settings.h"
#include "displays/scales.h"

// System colours of the 3-D frames (only their values are needed here).
#ifndef COLOR_BTNSHADOW
#define COLOR_BTNSHADOW 16
#endif
#ifndef COLOR_3DDKSHADOW
#define COLOR_3DDKSHADOW 21
#endif
#ifndef COLOR_3DLIGHT
#define COLOR_3DLIGHT 22
#endif

const COLORREF aclrColorScale[51] = {
    0xFF0020, 0xFF0018, 0xFF0010, 0xFF0008, 0xFF0000, 0xFF1000, 0xFF4000, 0xFF6000,
    0xFF6F00, 0xFF8800, 0xFFA000, 0xFFC000, 0xFFE000, 0xFFFF00, 0xE0FF00, 0xC0FF00,
    0xA0FF00, 0x80FF00, 0x60FF00, 0x20FF00, 0x10FF00, 0x08FF00, 0x00FF00, 0x00FF10,
    0x00FF20, 0x00FF40, 0x00FF60, 0x00FF80, 0x00FFA0, 0x00FFE0, 0x00FFF0, 0x00FFFF,
    0x00F2FF, 0x00E0FF, 0x00C4FF, 0x00A0FF, 0x0088FF, 0x006EFF, 0x0060FF, 0x0050FF,
    0x0040FF, 0x0020FF, 0x0000FF, 0x0800FF, 0x1000FF, 0x2000FF, 0x4000FF, 0x6000FF,
    0x8000FF, 0xFF00FF, 0xFFFFFF,
};
const int nColorScaleSteps = 49;
HPEN ahColorScalePen[51];
HBRUSH ahColorScaleBrush[51];
double dColorStep = 10.0;  // scale 0..500 by 50 classes

HPEN hpenButtonShadow3, hpen3dLight, hpen3dDarkShadow, hpenPictureBlack, hpenDarkGreen2, hpenRed2, hpenBlue2,
    hpenCyan2, hpenZeroLine, hpenGrid;
HBRUSH hbrLightGrey;
HPEN hpenDarkGrey;
HBRUSH hbrDarkGrey;
HPEN hpenMidGrey;
HBRUSH hbrMidGrey;
HPEN hpenBlack, hpenPictureRed, hpenWhite;
HBRUSH hbrWhite;
HPEN hpenGreen;
HBRUSH hbrGreen;
HPEN hpenDarkGreen;
HBRUSH hbrDarkGreen;
HPEN hpenRed;
HBRUSH hbrRed;
HPEN hpenOrange;
HBRUSH hbrOrange;
HPEN hpenBlue;
HBRUSH hbrBlue, hbrButtonFace, hbrPaleGrey;
HPEN hpenRed4, hpenYellow8;
HBRUSH hbrYellow;
HPEN hpenWhite3, hpenCyan3;

const COLORREF clrBackgroundFile = 0x202020;
HPEN hpenCursor, hpenPosition;
HBRUSH hbrPosition;
HPEN hpenPosition2, hpenBackgroundFile1;
HBRUSH hbrBackgroundFile;
HPEN hpenBackgroundFile2, hpenBackgroundFile3;

HPEN ahChannelPen[16];
HPEN ahChannelPenThin[16];
HBRUSH ahChannelBrush[16];

void CreateFixedPensAndBrushes()
{
    hpenButtonShadow3 = CreatePen(PS_SOLID, 3, GetSysColor(COLOR_BTNSHADOW));
    hpen3dLight = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_3DLIGHT));
    hpen3dDarkShadow = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_3DDKSHADOW));
    hpenPictureBlack = CreatePen(PS_SOLID, 1, 0x000000);
    hpenDarkGreen2 = CreatePen(PS_SOLID, 2, 0x15B535);
    hpenRed2 = CreatePen(PS_SOLID, 2, 0x0000FF);
    hpenBlue2 = CreatePen(PS_SOLID, 2, 0xFF0000);
    hpenCyan2 = CreatePen(PS_SOLID, 2, 0xFFFF00);
    hpenZeroLine = CreatePen(PS_SOLID, 2, 0xC0C0C0);
    hpenGrid = CreatePen(PS_SOLID, 1, 0xC0C0C0);
    hbrLightGrey = CreateSolidBrush(0xC0C0C0);
    hpenDarkGrey = CreatePen(PS_SOLID, 1, 0x404040);
    hbrDarkGrey = CreateSolidBrush(0x404040);
    hpenMidGrey = CreatePen(PS_SOLID, 1, 0xA0A0A0);
    hbrMidGrey = CreateSolidBrush(0xA0A0A0);
    hpenBlack = CreatePen(PS_SOLID, 1, 0x000000);
    hpenPictureRed = CreatePen(PS_SOLID, 1, 0x0000FF);
    hpenWhite = CreatePen(PS_SOLID, 1, 0xFFFFFF);
    hbrWhite = CreateSolidBrush(0xFFFFFF);
    hpenGreen = CreatePen(PS_SOLID, 1, 0x00FF00);
    hbrGreen = CreateSolidBrush(0x00FF00);
    hpenDarkGreen = CreatePen(PS_SOLID, 1, 0x15B535);
    hbrDarkGreen = CreateSolidBrush(0x15B535);
    hpenRed = CreatePen(PS_SOLID, 1, 0x0000FF);
    hbrRed = CreateSolidBrush(0x0000FF);
    hpenOrange = CreatePen(PS_SOLID, 1, 0x0060FF);
    hbrOrange = CreateSolidBrush(0x0060FF);
    hpenBlue = CreatePen(PS_SOLID, 1, 0xFF0000);
    hbrBlue = CreateSolidBrush(0xFF0000);
    hbrButtonFace = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    hbrPaleGrey = CreateSolidBrush(0xE0E0E0);
    hpenRed4 = CreatePen(PS_SOLID, 4, 0x0000FF);
    hpenYellow8 = CreatePen(PS_SOLID, 8, 0x00FFFF);
    hbrYellow = CreateSolidBrush(0x00FFFF);
    hpenWhite3 = CreatePen(PS_SOLID, 3, 0xFFFFFF);
    hpenCyan3 = CreatePen(PS_SOLID, 3, 0xFFFF00);
}

void CreateTrackPens(int bRecreate)
{
    if (bRecreate == 1) {
        HGDIOBJ aOld[8] = {hpenCursor,          hpenPosition,      hbrPosition,         hpenPosition2,
                           hpenBackgroundFile1, hbrBackgroundFile, hpenBackgroundFile2, hpenBackgroundFile3};
        for (HGDIOBJ h : aOld)
            if (h)
                DeleteObject(h);
    }
    hpenCursor = CreatePen(PS_SOLID, 1, clrCursor);
    hpenPosition = CreatePen(PS_SOLID, 1, clrPosition);
    hbrPosition = CreateSolidBrush(clrPosition);
    hpenPosition2 = CreatePen(PS_SOLID, 2, clrPosition);
    hpenBackgroundFile1 = CreatePen(PS_SOLID, 1, clrBackgroundFile);
    hbrBackgroundFile = CreateSolidBrush(clrBackgroundFile);
    hpenBackgroundFile2 = CreatePen(PS_SOLID, 2, clrBackgroundFile);
    hpenBackgroundFile3 = CreatePen(PS_SOLID, 3, clrBackgroundFile);
}

namespace {

// Deletes each distinct object of a slot array once and empties the array.
void DeleteSlotObjects(GdiObject **aSlots)
{
    for (int i = 0; i < 16; i++) {
        GdiObject *h = aSlots[i];
        if (!h)
            continue;
        for (int j = i; j < 16; j++)
            if (aSlots[j] == h)
                aSlots[j] = nullptr;
        DeleteObject(h);
    }
}

// Puts made[k] into the slots listed for it and deletes the made objects that serve no slot.
void RearrangeSlots(GdiObject **aSlots, const int anSource[16])
{
    GdiObject *aMade[8];
    for (int k = 0; k < 8; k++)
        aMade[k] = aSlots[k];
    for (int s = 0; s < 16; s++)
        aSlots[s] = anSource[s] >= 0 ? aMade[anSource[s]] : nullptr;
    for (int k = 0; k < 8; k++) {
        int bUsed = 0;
        for (int s = 0; s < 16; s++)
            if (anSource[s] == k)
                bUsed = 1;
        if (!bUsed && aMade[k])
            DeleteObject(aMade[k]);
    }
}

// The same rearrangement for the channel pens, thin pens and brushes.
void RearrangeChannelSlots(const int anSource[16])
{
    RearrangeSlots(ahChannelPen, anSource);
    RearrangeSlots(ahChannelPenThin, anSource);
    RearrangeSlots(ahChannelBrush, anSource);
}

}  // namespace

void CreateChannelPens(int bRecreate)
{
    if (bRecreate == 1) {
        DeleteSlotObjects(ahChannelPen);
        DeleteSlotObjects(ahChannelPenThin);
        DeleteSlotObjects(ahChannelBrush);
    }
    for (int k = 0; k < 8; k++) {
        ahChannelPen[k] = CreatePen(PS_SOLID, anChannelPenWidth[k], aclrChannel[k]);
        ahChannelPenThin[k] = CreatePen(PS_SOLID, 1, aclrChannel[k]);
        ahChannelBrush[k] = CreateSolidBrush(aclrChannel[k]);
    }
    if (nInstrumentType == INSTRUMENT_EM384) {
        // Channels 0..3 serve the even slots in pairs; the odd slots 1, 3, 5, 7 keep their own channels.
        static const int anSource[16] = {0, 1, 0, 3, 1, 5, 1, 7, 2, -1, 2, -1, 3, -1, 3, -1};
        RearrangeChannelSlots(anSource);
        for (int i = 0; i < 4; i++) {
            anBarQPenSlot[i] = 4 * i;
            anBarIPenSlot[i] = 4 * i + 2;
        }
    } else if (nInstrumentType == INSTRUMENT_CS21) {
        static const int anSource[16] = {0, 1, 2, 3, 0, 1, 2, 3, -1, -1, -1, -1, -1, -1, -1, -1};
        RearrangeChannelSlots(anSource);
        for (int i = 0; i < 4; i++) {
            anBarQPenSlot[i] = i;
            anBarIPenSlot[i] = i;
        }
    }
}

void CreateColorScalePens()
{
    for (int i = 0; i <= nColorScaleSteps + 1; i++) {
        ahColorScalePen[i] = CreatePen(PS_SOLID, 2, aclrColorScale[i]);
        ahColorScaleBrush[i] = CreateSolidBrush(aclrColorScale[i]);
    }
}

void ComputeColorStep(double dMin, double dMax)
{
    dColorStep = (dMax - dMin) / (nColorScaleSteps + 1);
}

int ColorStepScale()
{
    const int v = nColorMapView;
    switch (nInstrumentType) {
    case INSTRUMENT_EM31MK2:
    case INSTRUMENT_EM38:
        return v == 2 ? 2 : 1;
    case INSTRUMENT_EM38MK2:
        return v == 2 || v == 4 ? 2 : 1;
    case INSTRUMENT_EM384:
    case INSTRUMENT_CS21:
        // Even views show in-phase values on scale 2, whichever element they take.
        return v >= 2 && v <= 8 && v % 2 == 0 ? 2 : 1;
    default:
        return 1;
    }
}

void ComputeColorStepForView()
{
    if (ColorStepScale() == 2) ComputeColorStep(dScale2Min, dScale2Max);
    else ComputeColorStep(dScale1Min, dScale1Max);
}

int ColorScaleIndex(double dValue, double dScaleMin)
{
    if (dColorStep == 0.0)
        return 0;
    double dClass = (dValue - dScaleMin) / dColorStep;
    if (!(dClass > 0.0))  // also a value that is no number
        return 0;
    if (dClass >= nColorScaleSteps)
        return nColorScaleSteps;
    return (int)dClass;
}
