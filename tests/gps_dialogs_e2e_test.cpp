// GPS Port Setup and GPS Warning Mask through the running program: each control and OK writes its line of the
// configuration file and a restart shows it, Cancel leaves the file byte-identical, the mask labels and enabling by
// sentence format, the pseudo-GGA options, and the narrow template keeping what it cannot show.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialogs/setup_dialogs.h"
#include "dialogs/system_dialog.h"
#include "system_dialog_test_support.h"

using namespace setuptest;

namespace {

DLGPROC ProcOf(const wchar_t *szName)
{
    return std::wstring(szName) == L"GPSMASK" ? GpsMaskDlgProc : GpsInputDlgProc;
}

INT_PTR OpenGps(const wchar_t *name, std::function<void(HWND)> drive)
{
    return OpenDialog(name, ProcOf(name), std::move(drive));
}

const std::vector<LineRow> kLineRows = {
    {L"GPSINPUT", Pick(IDC_GPS_FORMAT, 7), {"7"}, L"LLK"},  // chosen again below
    {L"GPSINPUT", Check(IDC_GPS_PSEUDO_GGA, true), {"1"}, L"checked"},
    {L"GPSINPUT", Pick(IDC_GPS_RTS_UNITS, 1), {"1"}, L"US Survey Feet"},
    {L"GPSINPUT", Pick(IDC_GPS_PORT, 2), {"2"}, L"COM3:"},
    {L"GPSINPUT", Pick(IDC_GPS_BAUD, 3), {"3"}, L"115200"},  // chosen again below
    {L"GPSINPUT", Pick(IDC_GPS_PARITY, 2), {"2"}, L"Odd"},
    {L"GPSINPUT", Pick(IDC_GPS_DATA_BITS, 0), {"0"}, L"7"},
    {L"GPSINPUT", Pick(IDC_GPS_STOP_BITS, 1), {"1"}, L"2"},
    {L"GPSINPUT", Check(IDC_GPS_MASK_AUDIO, false), {"0"}, L"checked"},  // ticked again in the mask dialog
    {L"GPSINPUT", Pick(IDC_GPS_FORMAT, 3), {"3"}, L"LLK"},  // the mask lists are enabled again
    {L"GPSINPUT", Pick(IDC_GPS_MASK_ENABLED, 0), {"0"}, L"Enabled"},  // the mask dialog shares the settings
    {L"GPSINPUT", Pick(IDC_GPS_MIN_QUALITY, 4), {"4"}, L"RTK 3"},
    {L"GPSINPUT", Type(IDC_GPS_MAX_DOP, L"2.5"), {"2.500000"}, L"7.5"},  // typed again below
    {L"GPSINPUT", Pick(IDC_GPS_MIN_SATELLITES, 9), {"12"}, L"3"},
    {L"GPSINPUTNARROW", Pick(IDC_GPS_BAUD, 5), {"5"}, L"115200"},
    {L"GPSMASK", Pick(IDC_GPSMASK_ENABLED, 1), {"1"}, L"Enabled"},
    {L"GPSMASK", Pick(IDC_GPSMASK_MIN_QUALITY, 2), {"2"}, L"RTK 3"},
    {L"GPSMASK", Type(IDC_GPSMASK_MAX_DOP, L"7.5"), {"7.500000"}, L"7.5"},
    {L"GPSMASK", Pick(IDC_GPSMASK_MIN_SATELLITES, 0), {"3"}, L"3"},
    {L"GPSMASK", Check(IDC_GPSMASK_AUDIO, true), {"1"}, L"checked"},
    {L"GPSINPUT", Pick(IDC_GPS_ENABLED, 0), {"0"}, L"Disabled"},
};

TEST(GpsDialogsE2E, EachControlAndOkWritesItsLineAndARestartShowsIt)
{
    for (int jix : {1, 0}) {
        SCOPED_TRACE(jix);
        const std::string root = MakeTestRootFolder("gps_lines_" + std::to_string(jix));
        CheckLinesAndRestart(survey::StartBuildIn(root, INSTRUMENT_EM61MK2, jix), kLineRows, ProcOf);
        RunInProgram(survey::StartBuildIn(root, INSTRUMENT_EM61MK2, jix), []() {
            CHILD_CHECK(bGpsEnabled == 0 && bGpsActive == 0);  // the last row disabled GPS
            // Enabled again: GPS is used from this OK on.
            OpenGps(L"GPSINPUT", [](HWND d) {
                PlatformPickListItem(d, IDC_GPS_ENABLED, 1);
                PlatformPressDialogButton(d, IDOK);
            });
            CHILD_CHECK(bGpsEnabled == 1 && bGpsActive == 1);
        });
    }
}

// Each dialog with every control changed, then Cancel: it ends with 0 and saving afterwards writes the same bytes.
TEST(GpsDialogsE2E, CancelAfterChangesLeavesEverySettingAsItWas)
{
    RunInProgram(
        survey::StartBuildIn(MakeTestRootFolder("gps_cancel"), INSTRUMENT_EM38MK2, 0), []() {
            const std::string before = SettingsBytes();
            for (int nFormat : {1, 7}) {
                nGpsFormat = nFormat;  // 7: the pseudo-GGA options can be reached too
                LoadSaveSettingsFile(1);
                const std::string saved = SettingsBytes();
                for (const wchar_t *name : {L"GPSINPUT", L"GPSINPUTNARROW", L"GPSMASK"}) {
                    const INT_PTR result = OpenGps(name, [](HWND d) {
                        ChangeEveryControl(d);
                        PlatformPressDialogButton(d, IDCANCEL);
                    });
                    CHILD_CHECK(result == 0);
                    CHILD_CHECK(SettingsBytes() == saved);
                    LoadSaveSettingsFile(1);
                    CHILD_EXPECT_EQ(SettingsBytes(), saved, "settings changed by " + Narrow(name));
                }
            }
            nGpsFormat = 1;
            LoadSaveSettingsFile(1);
            CHILD_CHECK(SettingsBytes() == before);
        });
}

// The narrow GPS Port Setup has no pseudo-GGA box: its OK keeps the setting; a satellite count no list entry shows
// is kept too. Nothing changed: the file stays byte-identical.
TEST(GpsDialogsE2E, SettingsTheTemplateCannotShowAreKept)
{
    RunInProgram(
        survey::StartBuildIn(MakeTestRootFolder("gps_narrow"), INSTRUMENT_EM61LX2, 0), []() {
            bPseudoGga = 1;
            nRtsUnits = 1;
            nGpsMinSatellites = 20;
            LoadSaveSettingsFile(1);
            const std::string before = SettingsBytes();
            for (const wchar_t *name : {L"GPSINPUTNARROW", L"GPSMASK", L"GPSINPUT"}) {
                std::wstring satellites = L"?";
                const bool bNarrow = std::wstring(name) == L"GPSINPUTNARROW";
                const INT_PTR result = OpenGps(name, [&satellites, bNarrow](HWND d) {
                    if (bNarrow) CHILD_CHECK(!GetDlgItem(d, IDC_GPS_PSEUDO_GGA) && !GetDlgItem(d, IDC_GPS_RTS_UNITS_LABEL));
                    satellites = PlatformDialogItemText(d, GetDlgItem(d, IDC_GPSMASK_MIN_SATELLITES)
                                                               ? IDC_GPSMASK_MIN_SATELLITES
                                                               : IDC_GPS_MIN_SATELLITES);
                    PlatformPressDialogButton(d, IDOK);
                });
                CHILD_CHECK(result == 1);
                CHILD_CHECK(satellites.empty());
                CHILD_CHECK(bPseudoGga == 1 && nRtsUnits == 1 && nGpsMinSatellites == 20);
                CHILD_EXPECT_EQ(SettingsBytes(), before, "changed by " + Narrow(name));
            }
        });
}

// The mask labels by sentence format: GPS Port Setup at open and after a change of the format list (with the mask
// controls enabled only where the format has a mask, the pseudo-GGA options only for "RTS pseudo-GGA"), and GPS
// Warning Mask at open (never disabled).
TEST(GpsDialogsE2E, MaskLabelsAndEnablingFollowTheSentenceFormat)
{
    const struct {
        int nFormat;
        const wchar_t *szDilutionOpen, *szDilutionChanged, *szDilutionMask;
        bool bMask;
    } rows[] = {
        {0, L"PDOP", L"PDOP", L"PDOP", true},
        {1, L"HDOP", L"HDOP", L"HDOP", true},
        {2, L"PDOP", L"PDOP", L"PDOP", true},
        {3, L"GDOP", L"GDOP", L"GDOP", true},
        {4, L"Quality [m]", L"Quality[m]", L"Quality (m)", true},
        {5, L"N/A", L"N/A", L"N/A", false},
        {6, L"DOP", L"DOP", L"DOP", true},
        {7, L"N/A", L"N/A", L"N/A", false},
        {8, L"N/A", L"N/A", L"N/A", false},
    };
    RunInProgram(
        survey::StartBuildIn(MakeTestRootFolder("gps_labels"), INSTRUMENT_EM31MK2, 1), [&rows]() {
            auto Enabled = [](HWND d, int id) { return IsWindowEnabled(GetDlgItem(d, id)) != 0; };
            auto ExpectLabels = [](HWND d, const wchar_t *szDilution, bool bMask) {
                CHILD_CHECK(PlatformDialogItemText(d, IDC_GPS_WARNING_LABEL) == (bMask ? L"Warning" : L"N/A"));
                CHILD_CHECK(PlatformDialogItemText(d, IDC_GPS_QUALITY_LABEL) == (bMask ? L"Quality" : L"N/A"));
                CHILD_CHECK(PlatformDialogItemText(d, IDC_GPS_SATELLITES_LABEL) == (bMask ? L"Satellites" : L"N/A"));
                CHILD_EXPECT_EQ(PlatformDialogItemText(d, IDC_GPS_DOP_LABEL), std::wstring(szDilution),
                                Narrow(PlatformDialogItemText(d, IDC_GPS_DOP_LABEL)));
            };
            auto ExpectEnabling = [&Enabled](HWND d, bool bMask, bool bRts) {
                for (int id : {IDC_GPS_MASK_ENABLED, IDC_GPS_MIN_QUALITY, IDC_GPS_MAX_DOP, IDC_GPS_MIN_SATELLITES})
                    CHILD_EXPECT_EQ(Enabled(d, id), bMask, "control " + std::to_string(id));
                for (int id : {IDC_GPS_PSEUDO_GGA, IDC_GPS_RTS_UNITS, IDC_GPS_RTS_UNITS_LABEL})
                    if (GetDlgItem(d, id)) CHILD_EXPECT_EQ(Enabled(d, id), bRts, "control " + std::to_string(id));
            };
            for (const auto &row : rows) {
                std::fprintf(stderr, "format %d\n", row.nFormat);
                nGpsFormat = row.nFormat;
                for (const wchar_t *name : {L"GPSINPUT", L"GPSINPUTNARROW"})
                    OpenGps(name, [&](HWND d) {
                        ExpectLabels(d, row.szDilutionOpen, row.bMask);
                        ExpectEnabling(d, row.bMask, row.nFormat == 7);
                        PlatformPressDialogButton(d, IDCANCEL);
                    });
                OpenGps(L"GPSMASK", [&](HWND d) {
                    ExpectLabels(d, row.szDilutionMask, row.bMask);
                    for (int id : {IDC_GPSMASK_ENABLED, IDC_GPSMASK_MIN_QUALITY, IDC_GPSMASK_MAX_DOP,
                                   IDC_GPSMASK_MIN_SATELLITES})
                        CHILD_CHECK(Enabled(d, id));
                    PlatformPressDialogButton(d, IDCANCEL);
                });
                // The same format chosen in the list of an open dialog.
                nGpsFormat = row.nFormat == 1 ? 0 : 1;
                OpenGps(L"GPSINPUT", [&](HWND d) {
                    PlatformPickListItem(d, IDC_GPS_FORMAT, row.nFormat);
                    ExpectLabels(d, row.szDilutionChanged, row.bMask);
                    ExpectEnabling(d, row.bMask, row.nFormat == 7);
                    PlatformPressDialogButton(d, IDCANCEL);
                });
            }
        });
}

// "RTS pseudo-GGA" enables the pseudo-GGA box and the units list with the stored units; another format disables
// them and OK still stores their states. The dilution limit: text that is no number stores 0, and only the first
// 31 (GPS Port Setup) or 15 (GPS Warning Mask) characters are read.
TEST(GpsDialogsE2E, PseudoGgaOptionsAndTheDilutionLimit)
{
    RunInProgram(
        survey::StartBuildIn(MakeTestRootFolder("gps_rts"), INSTRUMENT_EM384, 0), []() {
            nGpsFormat = 1;
            bPseudoGga = 0;
            nRtsUnits = 1;
            OpenGps(L"GPSINPUT", [](HWND d) {
                CHILD_CHECK(!IsWindowEnabled(GetDlgItem(d, IDC_GPS_PSEUDO_GGA)));
                PlatformPickListItem(d, IDC_GPS_FORMAT, 7);
                CHILD_CHECK(IsWindowEnabled(GetDlgItem(d, IDC_GPS_PSEUDO_GGA)));
                CHILD_CHECK(IsWindowEnabled(GetDlgItem(d, IDC_GPS_RTS_UNITS)));
                CHILD_CHECK(PlatformListItems(d, IDC_GPS_RTS_UNITS).size() == 2);
                CHILD_CHECK(PlatformDialogItemText(d, IDC_GPS_RTS_UNITS) == L"US Survey Feet");
                PlatformSetDialogCheck(d, IDC_GPS_PSEUDO_GGA, true);
                PlatformPickListItem(d, IDC_GPS_RTS_UNITS, 0);
                PlatformPickListItem(d, IDC_GPS_FORMAT, 8);
                CHILD_CHECK(!IsWindowEnabled(GetDlgItem(d, IDC_GPS_PSEUDO_GGA)));
                CHILD_CHECK(!IsWindowEnabled(GetDlgItem(d, IDC_GPS_RTS_UNITS)));
                PlatformPressDialogButton(d, IDOK);
            });
            CHILD_CHECK(nGpsFormat == 8 && bPseudoGga == 1 && nRtsUnits == 0);

            const struct {
                const wchar_t *szTemplate;
                int nId;
                const wchar_t *szTyped;
                double dStored;
            } limits[] = {
                {L"GPSINPUT", IDC_GPS_MAX_DOP, L"abc", 0.0},
                {L"GPSMASK", IDC_GPSMASK_MAX_DOP, L"12345678901234567", 123456789012345.0},
                {L"GPSINPUT", IDC_GPS_MAX_DOP, L"12345678901234567", 12345678901234567.0},
                {L"GPSINPUT", IDC_GPS_MAX_DOP, L"0000000000000000000000000000001234", 1.0},
            };
            nGpsFormat = 1;
            for (const auto &l : limits) {
                OpenGps(l.szTemplate, [&l](HWND d) {
                    PlatformTypeIntoEdit(d, l.nId, l.szTyped);
                    PlatformPressDialogButton(d, IDOK);
                });
                CHILD_EXPECT_EQ(dGpsMaxDop, l.dStored, Narrow(l.szTyped) + " stored " + std::to_string(dGpsMaxDop));
            }
        });
}

}  // namespace
