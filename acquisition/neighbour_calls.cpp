// Calls from the readers into the logging screen, the displays and the data-file writers, resolved when linked.
#include "acquisition/neighbour_calls.h"
#include "acquisition/acquisition.h"
#include "datafile/datafile.h"

// Services of other subsystems that the acquisition code uses but that may be built after it: weak references,
// so that a build without them still links (the calls are then skipped).
extern HWND hwndNumbers __attribute__((weak));
void DrawChannelLabels(HDC hdc) __attribute__((weak));
extern int bInstrumentLinkUp __attribute__((weak));
extern int bSoftMarkerDown __attribute__((weak));
extern RECT rcTiltRollValue __attribute__((weak));
extern RECT rcTiltPitchValue __attribute__((weak));
void FillGpsStatusFieldsRed() __attribute__((weak));
void FillTiltAttitudeFieldsRed() __attribute__((weak));

int CallWriteTextRecord(const char *szText, DWORD dwTick, char chFirst, char chNext, char chEnd, char chFlag)
{
    return WriteTextRecord(szText, dwTick, chFirst, chNext, chEnd, chFlag);
}

int CallWriteTaggedRecord(const wchar_t *szLabel, char chKind)
{
    return WriteTaggedRecord(szLabel, chKind);
}

int InstrumentLinkIsUp()
{
    return &bInstrumentLinkUp ? bInstrumentLinkUp : 0;
}

int SoftMarkerIsDown()
{
    return &bSoftMarkerDown ? bSoftMarkerDown : 0;
}

static void DrawChannelLabelsOnUi(LPARAM)
{
    if (!DrawChannelLabels || !&hwndNumbers || !hwndNumbers) return;
    HDC hdc = GetDC(hwndNumbers);
    DrawChannelLabels(hdc);
    ReleaseDC(hwndNumbers, hdc);
}

void RepaintChannelLabelsAfterLostLink()
{
    if (bConnLostNoticeShown != 1) return;
    RunOnUserInterfaceThread(DrawChannelLabelsOnUi, 0);
    bConnLostNoticeShown = 0;
}

static void FillGpsFieldsOnUi(LPARAM)
{
    if (FillGpsStatusFieldsRed) FillGpsStatusFieldsRed();
}

static void FillTiltFieldsOnUi(LPARAM)
{
    if (FillTiltAttitudeFieldsRed) FillTiltAttitudeFieldsRed();
}

void PaintGpsFieldsRed()
{
    if (FillGpsStatusFieldsRed) RunOnUserInterfaceThread(FillGpsFieldsOnUi, 0);
}

void PaintTiltFieldsRed()
{
    if (FillTiltAttitudeFieldsRed) RunOnUserInterfaceThread(FillTiltFieldsOnUi, 0);
}

RECT TiltRollValueRect()
{
    RECT rc = {0, 0, 0, 0};
    if (&rcTiltRollValue) rc = rcTiltRollValue;
    return rc;
}

RECT TiltPitchValueRect()
{
    RECT rc = {0, 0, 0, 0};
    if (&rcTiltPitchValue) rc = rcTiltPitchValue;
    return rc;
}
