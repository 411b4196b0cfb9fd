// Profile display setup dialog (DISPLAYSETUP*): colour and line thickness of each profile channel, and the
// amplitude display or the scale the profile grid lines follow.
#pragma once

#include "platform/platform.h"

// Control ids of the DISPLAYSETUP templates.
enum {
    IDC_DISPLAYSETUP_COLOR = 658,      // 658 + channel (0..7): owner-drawn colour sample button
    IDC_DISPLAYSETUP_THICKNESS = 666,  // 666 + channel (0..7): thickness list, "1 pixel" .. "4 pixels"
    IDC_DISPLAYSETUP_SCALE = 1202,     // amplitude display or grid-line scale (nScaleType)
    IDC_DISPLAYSETUP_HEADING1 = 1312,  // headings of the EM38-4 and CS-21 templates, in the italic font
    IDC_DISPLAYSETUP_HEADING2 = 1313,
};

// The template of the build's instrument (nullptr for an instrument without profile display setup).
const wchar_t *DisplaySetupTemplate(int nInstrument);
// Number of profile channels the dialog edits for an instrument (0 for one without the dialog).
int DisplaySetupChannelCount(int nInstrument);

// Paints one colour button: a sample line in the channel's colour and width on a white, framed face.
void DrawDisplaySetupPreview(HWND hDlg, const DRAWITEMSTRUCT *pItem);
// Opens the colour chooser for a channel; returns 1 with the chosen colour in the channel's working slot, 0 when
// the operator cancelled.
int ChooseChannelColor(HWND hDlg, int nChannel);
