// Survey Setup dialog in the real program: each control stored on OK into its line of the configuration file and
// shown again after a restart, Cancel and the C key leaving the file as it was, the rate, count, increment and
// survey-line rules, the mode list's station increments (the EM34-3's "Manual" is the manual slot) and the swath of
// the EM61-LX2 offsets.
#include <gtest/gtest.h>

#include <cmath>
#include <cwchar>
#include <string>
#include <vector>

#include "core/core.h"
#include "core/logging_command.h"
#include "core/rates.h"
#include "core/settings.h"
#include "dialogs/setup_dialogs.h"
#include "dialogs/survey_setup_dialog.h"
#include "processing/em61mk2_handler.h"
#include "setup_dialog_test_support.h"

using namespace setup_test;

namespace {

const wchar_t *SurveyTemplate(int type)
{
    switch (type) {
    case INSTRUMENT_GRAD601: return L"SURVEYSETUP601";
    case INSTRUMENT_EM61LX2: return L"SURVEYSETUPLX2";
    case INSTRUMENT_EM31MK2: return L"SURVEYSETUP31";
    case INSTRUMENT_EM38: return L"SURVEYSETUP38";
    case INSTRUMENT_EM34: return L"SURVEYSETUP34";
    case INSTRUMENT_EM38MK2:
    case INSTRUMENT_CS21: return L"SURVEYSETUP38MK2";
    case INSTRUMENT_EM384: return L"SURVEYSETUP384";
    default: return L"SURVEYSETUP";
    }
}

TEST(SurveySetupDialog, EachControlWritesItsLineAndARestartShowsIt)
{
    const std::vector<LineCase> aCase = {
        {"em61mk2_auto", INSTRUMENT_EM61MK2, 1,
         [](HWND d) {
             PlatformTypeIntoEdit(d, IDC_SURVEY_RATE, L"4");
             PlatformTypeIntoEdit(d, IDC_SURVEY_LINE, L"L7");
             PlatformTypeIntoEdit(d, IDC_SURVEY_LINE_INCREMENT, L"2.5");
             PlatformPickListItem(d, IDC_SURVEY_LINE_MODE, 1);
             PlatformPickListItem(d, IDC_SURVEY_LINE_DIRECTION, 3);
             PlatformTypeIntoEdit(d, IDC_SURVEY_START_STATION, L"12.5");
             PlatformTypeIntoEdit(d, IDC_SURVEY_STATION_INCREMENT, L"0.75");
             PlatformPickListItem(d, IDC_SURVEY_NULL_APPLY, 1);
         },
         "47=0.750000; 50=0.250000; 51=L7; 52=2.500000; 53=1; 54=3; 55=12.500000; 71=1",
         [] {
             return Near(dSampleInterval, 0.25) && wcscmp(szSurveyLine, L"L7") == 0 && Near(dLineIncrement, 2.5) &&
                    nLineMode == 1 && nLineDirection == 3 && Near(dStartStation, 12.5) &&
                    Near(dStationIncrementAuto, 0.75) && nNullApply == 1;
         }},
        {"em61mk2_manual", INSTRUMENT_EM61MK2, 0,
         [](HWND d) {
             PlatformPickListItem(d, IDC_SURVEY_MODE, 2);
             PlatformTypeIntoEdit(d, IDC_SURVEY_STATION_INCREMENT, L"3.5");
         },
         "45=2; 49=3.500000",
         [] { return nSurveyMode == 2 && Near(dStationIncrementManual, 3.5) && Near(dStationIncrementAuto, 1.0); }},
        {"em31mk2", INSTRUMENT_EM31MK2, 1,
         [](HWND d) {
             PlatformTypeIntoEdit(d, IDC_SURVEY_RATE, L"2");
             PlatformPickListItem(d, IDC_SURVEY_COMPONENT, 1);
             PlatformPickListItem(d, IDC_SURVEY_DIPOLE, 1);
         },
         "48=1; 49=1; 54=0.500000", [] { return Near(dSampleInterval, 0.5) && nComponent == 1 && nDipoleMode == 1; }},
        {"em38", INSTRUMENT_EM38, 0,
         [](HWND d) {
             PlatformPickListItem(d, IDC_SURVEY_COMPONENT, 1);
             PlatformTypeIntoEdit(d, IDC_SURVEY_LINE, L"North 3");
         },
         "48=1; 55=North 3",
         [] { return nComponent == 1 && nDipoleMode == 0 && wcscmp(szSurveyLine, L"North 3") == 0; }},
        {"em34_manual", INSTRUMENT_EM34, 1,
         [](HWND d) {
             PlatformPickListItem(d, IDC_SURVEY_MODE, 1);
             PlatformTypeIntoEdit(d, IDC_SURVEY_RATE, L"25");
             PlatformPickListItem(d, IDC_SURVEY_DIPOLE, 2);
         },
         "48=2; 50=2; 51=25", [] { return nSurveyMode == 2 && nReadingsPerStation == 25 && nDipoleMode == 2; }},
        {"em34_auto", INSTRUMENT_EM34, 0,
         [](HWND d) {
             PlatformTypeIntoEdit(d, IDC_SURVEY_RATE, L"0.5");
             PlatformPickListItem(d, IDC_SURVEY_DIPOLE, 5);
         },
         "50=5; 56=2.000000",
         [] {
             return nSurveyMode == 0 && Near(dSampleInterval, 2.0) && nDipoleMode == 5 && nEm34DipoleLetter == 'H' &&
                    nEm34Separation == 40;
         }},
        {"em38mk2", INSTRUMENT_EM38MK2, 1, [](HWND d) { PlatformPickListItem(d, IDC_SURVEY_DIPOLE, 1); }, "49=1",
         [] { return nDipoleMode == 1; }},
        {"em61lx2", INSTRUMENT_EM61LX2, 0,
         [](HWND d) {
             PlatformTypeIntoEdit(d, IDC_SURVEY_OFFSET_X, L"0.4");
             PlatformTypeIntoEdit(d, IDC_SURVEY_OFFSET_Y, L"-1.2");
             PlatformPickListItem(d, IDC_SURVEY_NULL_APPLY, 1);
         },
         "44=0.400000; 45=-1.200000; 72=1",
         [] { return Near(dGpsOffsetX, 0.4) && Near(dGpsOffsetY, -1.2) && nNullApply == 1; }},
        {"em384", INSTRUMENT_EM384, 1,
         [](HWND d) {
             PlatformTypeIntoEdit(d, IDC_SURVEY_LINE, L"A");
             PlatformTypeIntoEdit(d, IDC_SURVEY_START_STATION, L"-4");
         },
         "89=A; 93=-4.000000", [] { return wcscmp(szSurveyLine, L"A") == 0 && Near(dStartStation, -4.0); }},
        {"grad601", INSTRUMENT_GRAD601, 0,
         [](HWND d) {
             PlatformTypeIntoEdit(d, IDC_SURVEY_LINE_INCREMENT, L"0.5");
             PlatformPickListItem(d, IDC_SURVEY_LINE_DIRECTION, 1);
         },
         "38=0.500000; 40=1", [] { return Near(dLineIncrement, 0.5) && nLineDirection == 1; }},
    };
    ExpectEachLineAndRestart(aCase, SurveyTemplate, SurveySetupDlgProc, 0, "survey_lines_");
}

// Ways to leave the dialog without OK: the Cancel button, Escape, and the C key where no edit box takes it.
struct LeaveCase {
    const char *name;
    std::function<void(HWND)> leave;
};

TEST(SurveySetupDialog, CancelEscapeAndTheCKeyLeaveEverythingAsItWas)
{
    const LeaveCase aLeave[] = {
        {"cancel", [](HWND d) { PlatformPressDialogButton(d, IDCANCEL); }},
        {"escape", [](HWND) { PlatformPressKey(VK_ESCAPE); }},
        {"c_key",
         [](HWND d) {
             // Typed into an edit box the letter is text: the dialog stays open.
             SetFocus(GetDlgItem(d, IDC_SURVEY_LINE));
             PlatformPressKey('C');
             CHILD_CHECK(IsWindowVisible(d));
             CHILD_CHECK(PlatformDialogItemText(d, IDC_SURVEY_LINE) == L"Typedc");
             SetFocus(GetDlgItem(d, IDOK));
             PlatformPressKey('C');
         }},
    };
    const int aType[] = {INSTRUMENT_EM61MK2, INSTRUMENT_EM31MK2, INSTRUMENT_EM38,     INSTRUMENT_EM34,
                         INSTRUMENT_EM38MK2, INSTRUMENT_EM384,   INSTRUMENT_EM61LX2,  INSTRUMENT_GRAD601,
                         INSTRUMENT_CS21};
    for (const LeaveCase &l : aLeave) {
        for (int type : aType) {
            SCOPED_TRACE(std::string(l.name) + " " + std::to_string(type));
            const std::string root = std::string("survey_leave_") + l.name + std::to_string(type);
            const ProgramStart start = BuildStart(type, 1, root);
            ExpectInProgram(start, [&l]() {
                const std::string before = ReadBytes(SettingsPath());
                const double dInterval = dSampleInterval, dIncrement = dStationIncrementAuto;
                const int nMode = nSurveyMode, nDipole = nDipoleMode, nReadings = nReadingsPerStation;
                INT_PTR result = OpenDialog(SurveyTemplate(nInstrumentType), SurveySetupDlgProc, [&l](HWND d) {
                    PlatformPickListItem(d, IDC_SURVEY_MODE, 1);
                    PlatformTypeIntoEdit(d, IDC_SURVEY_RATE, L"7");
                    PlatformPickListItem(d, IDC_SURVEY_DIPOLE, 1);
                    PlatformTypeIntoEdit(d, IDC_SURVEY_LINE, L"Typed");
                    PlatformTypeIntoEdit(d, IDC_SURVEY_STATION_INCREMENT, L"9");
                    PlatformTypeIntoEdit(d, IDC_SURVEY_OFFSET_X, L"3");
                    l.leave(d);
                });
                CHILD_CHECK(result == 0);
                CHILD_CHECK(ReadBytes(SettingsPath()) == before);
                CHILD_CHECK(wcscmp(szSurveyLine, L"1") == 0 && dSampleInterval == dInterval);
                CHILD_CHECK(nSurveyMode == nMode && nDipoleMode == nDipole && nReadingsPerStation == nReadings);
                CHILD_CHECK(dStationIncrementAuto == dIncrement);
            });
        }
    }
}

// Readings per second typed in automatic mode: the interval, its milliseconds and the frames per reading.
struct RateCase {
    const wchar_t *typed;
    double dInterval;
    int nMs, nFrames;
};

TEST(SurveySetupDialog, ReadingRateBecomesTheIntervalWithinItsLimits)
{
    const RateCase aCase[] = {
        {L"4", 0.25, 250, 5},       {L"3", 1.0 / 3.0, 333, 6},   {L"0", 1.0, 1000, 18},
        {L"-3", 1.0, 1000, 18},     {L"abc", 1.0, 1000, 18},     {L"", 1.0, 1000, 18},
        {L"5000", 0.0002, 1, 1},    {L"0.0001", 3600.0, 3600000, 65362},
    };
    ExpectInProgram(BuildStart(INSTRUMENT_EM61MK2, 1, "survey_rates"), [&aCase]() {
        for (const RateCase &c : aCase) {
            nSurveyMode = 0;
            dSampleInterval = 0.2;
            OpenDialog(L"SURVEYSETUP", SurveySetupDlgProc, [&c](HWND d) {
                PlatformTypeIntoEdit(d, IDC_SURVEY_RATE, c.typed);
                PlatformPressDialogButton(d, IDOK);
            });
            std::fprintf(stderr, "%ls: %g s, %d ms, %d frames\n", c.typed, dSampleInterval, nSampleIntervalMs,
                         nFramesPerReading);
            CHILD_CHECK(Near(dSampleInterval, c.dInterval));
            CHILD_CHECK(nSampleIntervalMs == c.nMs);
            CHILD_CHECK(nFramesPerReading == c.nFrames);
        }
    });
}

// EM34-3 samples per reading typed in manual mode: limited to 1..999 before the fraction is dropped.
struct CountCase {
    const wchar_t *typed;
    int nReadings;
};

TEST(SurveySetupDialog, Em34SamplesPerReadingAreLimitedBeforeTruncation)
{
    const CountCase aCase[] = {{L"5000", 999}, {L"-3", 1}, {L"0", 1},    {L"abc", 1},
                               {L"12.7", 12},  {L"999.9", 999}, {L"0.5", 1}, {L"1", 1}};
    ExpectInProgram(BuildStart(INSTRUMENT_EM34, 0, "survey_em34_counts"), [&aCase]() {
        for (const CountCase &c : aCase) {
            nSurveyMode = 2;
            nReadingsPerStation = 10;
            OpenDialog(L"SURVEYSETUP34", SurveySetupDlgProc, [&c](HWND d) {
                CHILD_CHECK(PlatformDialogItemText(d, IDC_SURVEY_RATE) == L" 10");
                PlatformTypeIntoEdit(d, IDC_SURVEY_RATE, c.typed);
                PlatformPressDialogButton(d, IDOK);
            });
            CHILD_CHECK(nReadingsPerStation == c.nReadings);
            CHILD_CHECK(nSurveyMode == 2 && bManualSampleSeries == 1);
        }
    });
}

TEST(SurveySetupDialog, Em34ManualEntryIsTheManualSlotThroughout)
{
    ExpectInProgram(BuildStart(INSTRUMENT_EM34, 1, "survey_em34_slots"), []() {
        nSurveyMode = 0;
        dStationIncrementAuto = dStationIncrementPrev = 1.5;
        dStationIncrementWheel = 0.2;
        dStationIncrementManual = 2.5;
        nDipoleMode = 1;
        OpenDialog(L"SURVEYSETUP34", SurveySetupDlgProc, [](HWND d) {
            CHILD_CHECK(PlatformListItems(d, IDC_SURVEY_MODE) == std::vector<std::wstring>({L"Auto", L"Manual"}));
            CHILD_CHECK(PlatformDialogItemText(d, IDC_SURVEY_DIPOLE) == L"Vertical-20m");
            CHILD_CHECK(PlatformDialogItemText(d, IDC_SURVEY_STATION_INCREMENT) == L"1.500");
            PlatformPickListItem(d, IDC_SURVEY_MODE, 1);
            // The manual slot's increment, not the wheel's.
            CHILD_CHECK(PlatformDialogItemText(d, IDC_SURVEY_STATION_INCREMENT) == L"2.500");
            CHILD_CHECK(PlatformDialogItemText(d, IDC_SURVEY_RATE_LABEL) == L"Samples/Rdg:");
            CHILD_CHECK(PlatformDialogItemText(d, IDC_SURVEY_DIPOLE_LABEL) == L"Configurations:");
            CHILD_CHECK(PlatformDialogItemText(d, IDC_SURVEY_DIPOLE) == L"2 readings");
            PlatformTypeIntoEdit(d, IDC_SURVEY_STATION_INCREMENT, L"4");
            PlatformPickListItem(d, IDC_SURVEY_MODE, 0);
            CHILD_CHECK(PlatformDialogItemText(d, IDC_SURVEY_STATION_INCREMENT) == L"1.500");
            CHILD_CHECK(PlatformDialogItemText(d, IDC_SURVEY_DIPOLE_LABEL) == L"Dipole/Separ.:");
            CHILD_CHECK(PlatformDialogItemText(d, IDC_SURVEY_RATE_LABEL) == L"Readings/s:");
            PlatformPickListItem(d, IDC_SURVEY_MODE, 1);
            CHILD_CHECK(PlatformDialogItemText(d, IDC_SURVEY_STATION_INCREMENT) == L"4.000");
            PlatformPressDialogButton(d, IDOK);
        });
        CHILD_CHECK(nSurveyMode == 2 && nSurveyModeSaved == 2 && nSurveyModePrev == 2);
        CHILD_CHECK(dStationIncrementManual == 4.0 && dStationIncrementWheel == 0.2 && dStationIncrementAuto == 1.5);
        // Opened again in manual mode: "Manual" chosen, the samples and the manual increment shown.
        OpenDialog(L"SURVEYSETUP34", SurveySetupDlgProc, [](HWND d) {
            CHILD_CHECK(PlatformDialogItemText(d, IDC_SURVEY_MODE) == L"Manual");
            CHILD_CHECK(PlatformDialogItemText(d, IDC_SURVEY_RATE_LABEL) == L"Samples/Rdg:");
            CHILD_CHECK(PlatformDialogItemText(d, IDC_SURVEY_STATION_INCREMENT) == L"4.000");
            PlatformPickListItem(d, IDC_SURVEY_MODE, 0);
            PlatformPressDialogButton(d, IDOK);
        });
        CHILD_CHECK(nSurveyMode == 0 && dStationIncrementAuto == 1.5 && dStationIncrementManual == 4.0);
    });
}

TEST(SurveySetupDialog, ModeListShowsEachModesOwnIncrementAndTheTypedRate)
{
    ExpectInProgram(BuildStart(INSTRUMENT_EM61MK2, 0, "survey_mk2_modes"), []() {
        nSurveyMode = 0;
        dSampleInterval = 0.2;
        dStationIncrementAuto = dStationIncrementPrev = 1.0;
        dStationIncrementWheel = 0.2;
        dStationIncrementManual = 2.0;
        RECT rcDialog{}, rcMain{};
        OpenDialog(L"SURVEYSETUP", SurveySetupDlgProc, [&](HWND d) {
            GetWindowRect(d, &rcDialog);
            CHILD_CHECK(PlatformDialogItemText(d, IDC_SURVEY_RATE) == L"5.00");
            PlatformTypeIntoEdit(d, IDC_SURVEY_RATE, L"8");
            PlatformTypeIntoEdit(d, IDC_SURVEY_STATION_INCREMENT, L"1.25");
            PlatformPickListItem(d, IDC_SURVEY_MODE, 1);
            CHILD_CHECK(PlatformDialogItemText(d, IDC_SURVEY_INCREMENT_LABEL) == L"Wheel Increment");
            CHILD_CHECK(PlatformDialogItemText(d, IDC_SURVEY_RATE) == L"Not Available");
            CHILD_CHECK(GetWindowStyle(GetDlgItem(d, IDC_SURVEY_RATE)) & ES_READONLY);
            CHILD_CHECK(PlatformDialogItemText(d, IDC_SURVEY_STATION_INCREMENT) == L"0.200");
            PlatformPickListItem(d, IDC_SURVEY_MODE, 2);
            CHILD_CHECK(PlatformDialogItemText(d, IDC_SURVEY_INCREMENT_LABEL) == L"Station Increment");
            CHILD_CHECK(PlatformDialogItemText(d, IDC_SURVEY_STATION_INCREMENT) == L"2.000");
            PlatformPickListItem(d, IDC_SURVEY_MODE, 0);
            // The edited increment and the typed rate come back.
            CHILD_CHECK(PlatformDialogItemText(d, IDC_SURVEY_STATION_INCREMENT) == L"1.250");
            CHILD_CHECK(PlatformDialogItemText(d, IDC_SURVEY_RATE) == L"8.00");
            CHILD_CHECK(!(GetWindowStyle(GetDlgItem(d, IDC_SURVEY_RATE)) & ES_READONLY));
            PlatformPressDialogButton(d, IDOK);
        });
        CHILD_CHECK(dSampleInterval == 0.125 && dStationIncrementAuto == 1.25 && dStationIncrementAutoMk2 == 1.25);
        CHILD_CHECK(dStationIncrementWheel == 0.2 && dStationIncrementManual == 2.0 && dStationIncrement == 1.25);
        // Placed across the main window at a tenth of the height difference.
        GetWindowRect(hwndMain, &rcMain);
        const int w = rcDialog.right - rcDialog.left, h = rcDialog.bottom - rcDialog.top;
        CHILD_CHECK(rcDialog.left == rcMain.left + (rcMain.right - rcMain.left - w) / 2);
        CHILD_CHECK(rcDialog.top == rcMain.top + (rcMain.bottom - rcMain.top - h) / 10);
        // Opened in wheel mode: the rate box is not applicable and the wheel increment is named.
        OpenDialog(L"SURVEYSETUP", SurveySetupDlgProc, [](HWND d) {
            CHILD_CHECK(PlatformDialogItemText(d, IDC_SURVEY_RATE) == L"8.00");
            PlatformPickListItem(d, IDC_SURVEY_MODE, 1);
            PlatformPressDialogButton(d, IDOK);
        });
        OpenDialog(L"SURVEYSETUP", SurveySetupDlgProc, [](HWND d) {
            CHILD_CHECK(PlatformDialogItemText(d, IDC_SURVEY_RATE) == L"Not Applicable");
            CHILD_CHECK(PlatformDialogItemText(d, IDC_SURVEY_INCREMENT_LABEL) == L"Wheel Increment");
            CHILD_CHECK(PlatformDialogItemText(d, IDC_SURVEY_STATION_INCREMENT) == L"0.200");
            PlatformPressDialogButton(d, IDCANCEL);
        });
    });
}

TEST(SurveySetupDialog, StationIncrementZeroAndALongSurveyLine)
{
    ExpectInProgram(BuildStart(INSTRUMENT_EM31MK2, 0, "survey_increment_line"), []() {
        nSurveyMode = 0;
        OpenDialog(L"SURVEYSETUP31", SurveySetupDlgProc, [](HWND d) {
            PlatformTypeIntoEdit(d, IDC_SURVEY_STATION_INCREMENT, L"0");
            PlatformTypeIntoEdit(d, IDC_SURVEY_LINE, L"ABCDEFGHIJKLMNOPQRS");
            PlatformPressDialogButton(d, IDOK);
        });
        CHILD_CHECK(dStationIncrement == 1.0 && dStationIncrementAuto == 1.0 && dStationIncrementPrev == 1.0);
        CHILD_CHECK(wcscmp(szSurveyLine, L"ABCDEFGHIJKLMNO") == 0);
    });
}

// Builds whose dialog shows no rate or no mode list: OK keeps what they do not show.
TEST(SurveySetupDialog, TemplatesWithoutARateKeepTheIntervalAndEm384ItsModeAndStation)
{
    ExpectInProgram(BuildStart(INSTRUMENT_GRAD601, 1, "survey_grad601_rate"), []() {
        dSampleInterval = 0.7;
        nSampleIntervalMs = 700;
        SetReadingRateFactors();
        const int nFrames = nFramesPerReading;
        OpenDialog(L"SURVEYSETUP601", SurveySetupDlgProc, [](HWND d) { PlatformPressDialogButton(d, IDOK); });
        CHILD_CHECK(dSampleInterval == 0.7 && nSampleIntervalMs == 700 && nFramesPerReading == nFrames);
        CHILD_CHECK(nSurveyMode == 0);
    });
    ExpectInProgram(BuildStart(INSTRUMENT_EM384, 0, "survey_em384_mode"), []() {
        nSurveyMode = 1;
        dSampleInterval = 0.7;
        bStationStarted = 1;
        OpenDialog(L"SURVEYSETUP384", SurveySetupDlgProc, [](HWND d) { PlatformPressDialogButton(d, IDOK); });
        CHILD_CHECK(nSurveyMode == 1 && dSampleInterval == 0.7 && bStationStarted == 1);
    });
    // A conductivity meter left in another mode by an appended file: the box says "Not Applicable", OK goes back
    // to automatic mode and keeps the interval (no rate was shown to read).
    ExpectInProgram(BuildStart(INSTRUMENT_EM31MK2, 0, "survey_em31_no_rate"), []() {
        nSurveyMode = 2;
        dSampleInterval = 0.7;
        OpenDialog(L"SURVEYSETUP31", SurveySetupDlgProc, [](HWND d) {
            CHILD_CHECK(PlatformDialogItemText(d, IDC_SURVEY_RATE) == L"Not Applicable");
            PlatformPressDialogButton(d, IDOK);
        });
        CHILD_CHECK(nSurveyMode == 0 && dSampleInterval == 0.7);
    });
}

// EM61-LX2 swath edges after OK: coils 1.03 m wide, two side by side, times the swath factor.
struct SwathCase {
    int nSensorsMinus1, nSwathIndex, nMapUnits;
    const wchar_t *offsetX;
    double dLeftM, dRightM, dLeft, dRight;
};

TEST(SurveySetupDialog, Em61Lx2OffsetsMoveTheSwathEdges)
{
    const SwathCase aCase[] = {
        {0, 5, 0, L"0", 0.515, 0.515, 0.515, 0.515},
        {1, 5, 0, L"0", 1.03, 1.03, 1.03, 1.03},
        {1, 11, 0, L"0.2", 2.26, 1.86, 2.26, 1.86},
        {0, 5, 1, L"0", 0.515, 0.515, 0.515 / 0.3048, 0.515 / 0.3048},
        {0, 0, 0, L"-0.5", -0.2425, 0.7575, -0.2425, 0.7575},
    };
    ExpectInProgram(BuildStart(INSTRUMENT_EM61LX2, 0, "survey_lx2_swath"), [&aCase]() {
        for (const SwathCase &c : aCase) {
            nSensorsMinus1 = c.nSensorsMinus1;
            nSwathIndex = c.nSwathIndex;
            nMapUnits = c.nMapUnits;
            OpenDialog(L"SURVEYSETUPLX2", SurveySetupDlgProc, [&c](HWND d) {
                PlatformTypeIntoEdit(d, IDC_SURVEY_OFFSET_X, c.offsetX);
                PlatformPressDialogButton(d, IDOK);
            });
            CHILD_CHECK(Near(dSwathLeftM, c.dLeftM) && Near(dSwathRightM, c.dRightM));
            CHILD_CHECK(Near(dSwathLeft, c.dLeft) && Near(dSwathRight, c.dRight));
        }
    });
}

}  // namespace
