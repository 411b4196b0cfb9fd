// Dialog templates of the profile display setup (DISPLAYSETUP*): one row per channel, the scale list, OK and Cancel.
#include <vector>

#include "dialogs/display_setup_dialog.h"
#include "resources/resources.h"

namespace {

const DWORD kDisplaySetupStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
const DWORD kList = WS_TABSTOP | WS_VSCROLL;

// Each template is one column of channel rows (label, colour sample, thickness list), optionally split in two
// groups under the italic headings 1312 and 1313, then the scale list (when the instrument has one) and the
// buttons. Everything is in dialog units.
const int kWidth = 204;
const int kRowPitch = 13;
const int kHeadingPitch = 11;
const int kLabelX = 6, kLabelWidth = 88;
const int kSampleX = 98, kSampleWidth = 46;
const int kListX = 148, kListWidth = 50;

struct DisplaySetupLayout {
    const wchar_t *szName;
    const wchar_t *const *aszLabels;
    int nChannels;
    const wchar_t *szHeading1, *szHeading2;  // nullptr: no heading row
    int nSecondGroup;                       // first channel under heading 2 (0: the headings head the columns)
    const wchar_t *szScaleLabel;            // nullptr: no scale list
};

const wchar_t *const aszGrad601[] = {L"Sensor #1", L"Sensor #2"};
const wchar_t *const aszLx2[] = {L"Ch E (Early)", L"Ch L (Late)", L"Ch F (Filtered)"};
const wchar_t *const aszEm61Mk2[] = {L"Channel 1", L"Channel 2", L"Channel 3", L"Channel 4/T"};
const wchar_t *const aszEm31[] = {L"Conductivity/Vertical", L"Conductivity/Horizontal", L"Inphase/Vertical",
                                  L"Inphase/Horizontal"};
const wchar_t *const aszEm34[] = {L"Vertical   -   10 m", L"Vertical   -   20 m", L"Vertical   -   40 m",
                                  L"Horizontal - 10 m",   L"Horizontal - 20 m",   L"Horizontal - 40 m"};
const wchar_t *const aszEm38Mk2[] = {L"Conductivity / V / 1m",   L"Inphase / V / 1m",   L"Conductivity / V / 0.5m",
                                     L"Inphase / V / 0.5m",      L"Conductivity / H / 1m", L"Inphase / H / 1m",
                                     L"Conductivity / H / 0.5m", L"Inphase / H / 0.5m"};
const wchar_t *const aszEm384[] = {L"Coil #1 (0.50m)", L"Coil #2", L"Coil #3", L"Coil #4 (1.00m)",
                                   L"Coil #1 (0.50m)", L"Coil #2", L"Coil #3", L"Coil #4 (1.00m)"};
const wchar_t *const aszCs21[] = {L"Sensor HCP 1.0 m", L"Sensor PRP 1.1 m", L"Sensor HCP 2.0 m", L"Sensor PRP 2.1 m"};

const DisplaySetupLayout kLayouts[] = {
    {L"DISPLAYSETUP", aszEm61Mk2, 4, nullptr, nullptr, 0, L"Display Amplitude"},
    {L"DISPLAYSETUP31", aszEm31, 4, nullptr, nullptr, 0, L"Display Grid Lines for:"},
    {L"DISPLAYSETUP34", aszEm34, 6, nullptr, nullptr, 0, nullptr},
    {L"DISPLAYSETUP38MK2", aszEm38Mk2, 8, nullptr, nullptr, 0, L"Display Grid Lines for:"},
    {L"DISPLAYSETUP384", aszEm384, 8, L"Vertical", L"Horizontal", 4, L"Display Grid Lines for:"},
    {L"DISPLAYSETUPCS21", aszCs21, 4, L"Color", L"Line Thickness", 0, L"Display Grid Lines for:"},
    {L"DISPLAYSETUPLX2", aszLx2, 3, nullptr, nullptr, 0, nullptr},
    {L"DISPLAYSETUP601", aszGrad601, 2, nullptr, nullptr, 0, nullptr},
};
const int kLayoutCount = (int)(sizeof kLayouts / sizeof kLayouts[0]);

// Built once at registration; the platform keeps pointers to them.
std::vector<DialogControl> aControls[kLayoutCount];
DialogTemplate aTemplates[kLayoutCount];

DialogTemplate BuildTemplate(const DisplaySetupLayout &l, std::vector<DialogControl> &c)
{
    int y = 6;
    if (l.szHeading1 && l.nSecondGroup == 0) {
        // Column headings over the samples and the lists.
        c.push_back({IDC_DISPLAYSETUP_HEADING1, DC_LTEXT, l.szHeading1, kSampleX, y, kSampleWidth, 10, 0});
        c.push_back({IDC_DISPLAYSETUP_HEADING2, DC_LTEXT, l.szHeading2, kListX, y, kListWidth, 10, 0});
        y += kHeadingPitch;
    }
    for (int i = 0; i < l.nChannels; i++) {
        if (l.szHeading1 && l.nSecondGroup > 0 && (i == 0 || i == l.nSecondGroup)) {
            const bool bFirst = i == 0;
            c.push_back({bFirst ? IDC_DISPLAYSETUP_HEADING1 : IDC_DISPLAYSETUP_HEADING2, DC_LTEXT,
                         bFirst ? l.szHeading1 : l.szHeading2, kLabelX, y, kLabelWidth, 10, 0});
            y += kHeadingPitch;
        }
        c.push_back({-1, DC_LTEXT, l.aszLabels[i], kLabelX, y + 2, kLabelWidth, 9, 0});
        c.push_back({IDC_DISPLAYSETUP_COLOR + i, DC_OWNERDRAW, L"", kSampleX, y, kSampleWidth, 11, WS_TABSTOP});
        c.push_back({IDC_DISPLAYSETUP_THICKNESS + i, DC_COMBOBOX, L"", kListX, y + 1, kListWidth, 60, kList});
        y += kRowPitch;
    }
    y += 4;
    if (l.szScaleLabel) {
        c.push_back({-1, DC_LTEXT, l.szScaleLabel, kLabelX, y + 2, kLabelWidth, 9, 0});
        c.push_back({IDC_DISPLAYSETUP_SCALE, DC_COMBOBOX, L"", kSampleX, y, kListX + kListWidth - kSampleX, 40, kList});
        y += 15;
    }
    c.push_back({IDOK, DC_DEFPUSHBUTTON, L"OK", kWidth - 100, y, 46, 12, WS_TABSTOP});
    c.push_back({IDCANCEL, DC_PUSHBUTTON, L"Cancel", kWidth - 52, y, 46, 12, WS_TABSTOP});
    y += 17;
    return {l.szName, L"Setup Display Options", kWidth, y, 16, L"Microsoft Sans Serif", kDisplaySetupStyle,
            c.data(), (int)c.size()};
}

}  // namespace

void RegisterDisplaySetupDialogTemplates()
{
    for (int i = 0; i < kLayoutCount; i++) {
        if (aControls[i].empty()) aTemplates[i] = BuildTemplate(kLayouts[i], aControls[i]);
    }
    RegisterDialogTemplates(aTemplates, kLayoutCount);
}
