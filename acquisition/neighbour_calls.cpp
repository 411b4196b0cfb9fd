// Calls from the readers into the logging screen, the displays and the data-file writers.
#include "acquisition/neighbour_calls.h"
#include "acquisition/acquisition.h"
#include "datafile/datafile.h"
#include "logscreen/logscreen.h"

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
    return bInstrumentLinkUp;
}

int SoftMarkerIsDown()
{
    return bSoftMarkerDown;
}

static void ClearLostConnectionNoticeOnUi(LPARAM)
{
    ClearLostConnectionNotice();
}

// The flag is tested and cleared on the user-interface thread, with the drawing of the labels: a silent tick handled
// there between the labels and this thread's return draws the notice again and keeps its flag (cleared here
// afterwards, the notice would stay red with the flag down and no live tick would clear it).
void RepaintChannelLabelsAfterLostLink()
{
    if (bConnLostNoticeShown != 1) return;
    RunOnUserInterfaceThread(ClearLostConnectionNoticeOnUi, 0);
}

static void FillGpsFieldsOnUi(LPARAM)
{
    FillGpsStatusFieldsRed();
}

static void FillTiltFieldsOnUi(LPARAM)
{
    FillTiltAttitudeFieldsRed();
}

void PaintGpsFieldsRed()
{
    RunOnUserInterfaceThread(FillGpsFieldsOnUi, 0);
}

void PaintTiltFieldsRed()
{
    RunOnUserInterfaceThread(FillTiltFieldsOnUi, 0);
}

RECT TiltRollValueRect()
{
    return rcTiltRollValue;
}

RECT TiltPitchValueRect()
{
    return rcTiltPitchValue;
}
