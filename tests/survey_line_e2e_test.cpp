// New line, new station and comment during an EM61-MK2 survey: the real program against the device emulator, the
// dialogs driven by hand (typing, picking, pressing), and the records they leave in the data file.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "datafile/datafile_state.h"
#include "logscreen/logscreen.h"
#include "support/emulator_client.h"
#include "support/program_runner.h"
#include "support/survey_harness.h"

using namespace survey;

namespace {

// Bytes of the data file so far (the program writes straight to the descriptor).
long long FileSize(const std::string &path)
{
    return (long long)ReadFileBytes(path).size();
}

// What a dialog showed, read in its script.
struct Shown {
    std::wstring currentLine, lastStation, newLine, increment, sequence, direction, startStation, stationIncrement;
};

void ReadNewLine(HWND d, Shown *s)
{
    s->currentLine = PlatformDialogItemText(d, 1182);
    s->lastStation = PlatformDialogItemText(d, 1184);
    s->newLine = PlatformDialogItemText(d, 1106);
    s->increment = PlatformDialogItemText(d, 1107);
    s->sequence = PlatformDialogItemText(d, 1178);
    s->direction = PlatformDialogItemText(d, 1180);
    s->startStation = PlatformDialogItemText(d, 1108);
    s->stationIncrement = PlatformDialogItemText(d, 1109);
}

}  // namespace

TEST(SurveyLineDialogs, NewLineNewStationAndCommentWriteTheirRecordsAndCancelWritesNothing)
{
    std::string root = emu::MakeTempRoot("survey_line_dialogs");
    emu::Emulator dev(root, {"COM4=em61mk2:static,answer=OV"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(dev.ok("COM4 value raw=1000,2000,-1000,0 gain=0 letter=T current=3141"));
    const std::string path = root + "/C/data/lines.P61";
    ChildResult r = RunProgramInChild(StartIn(root, 1), [&path]() {
        UseEmulatorPorts(false);
        nPauseKey = 0;
        nSurveyMode = 0;
        PlatformPressKey('L');
        CHILD_CHECK(nActiveScreen == 1);
        CHILD_CHECK(WaitNormalOperation(15000));
        PlatformScriptFileChooser(L"C:\\data\\lines.P61");
        PlatformPressKey('F');
        CHILD_CHECK(nRecordingState == -1);
        wcscpy(szSurveyLine, L"10");
        dLineIncrement = 1.0;
        nLineMode = 0;
        nLineDirection = 0;
        dStation = 25.5;
        dStartStation = 3.0;
        dStationIncrement = 0.5;

        // The proposals of both line sequences, each cancelled: nothing written, nothing changed.
        struct Proposal {
            int nMode;
            Shown expect;
        } const aProposal[] = {
            {0, {L"10", L"25.500", L"11.00", L"1.00", L"Alternate", L"East", L"25.500", L"-0.500"}},
            {1, {L"10", L"25.500", L"11.00", L"1.00", L"One Way", L"West", L"3.000", L"0.500"}},
        };
        for (const Proposal &p : aProposal) {
            nLineMode = p.nMode;
            Shown s;
            const long long nBefore = FileSize(path);
            PlatformScriptDialog(L"GETNEWLINE", [&s](HWND d) {
                ReadNewLine(d, &s);
                PlatformPressDialogButton(d, IDCANCEL);
            });
            PlatformPressKey('E');
            CHILD_CHECK(s.currentLine == p.expect.currentLine && s.lastStation == p.expect.lastStation);
            CHILD_CHECK(s.newLine == p.expect.newLine && s.increment == p.expect.increment);
            CHILD_CHECK(s.sequence == p.expect.sequence && s.direction == p.expect.direction);
            CHILD_CHECK(s.startStation == p.expect.startStation);
            CHILD_CHECK(s.stationIncrement == p.expect.stationIncrement);
            CHILD_CHECK(FileSize(path) == nBefore);
            CHILD_CHECK(wcscmp(szSurveyLine, L"10") == 0 && nLineDirection == 0 && dStation == 25.5);
        }

        // OK on the "Alternate" proposal: the line block is appended and the line settings change.
        nLineMode = 0;
        const int nLinesBefore = nLineCounter;
        PlatformAnswerDialog(L"GETNEWLINE", IDOK);
        PlatformPressKey('E');
        CHILD_CHECK(wcscmp(szSurveyLine, L"11.00") == 0);
        CHILD_CHECK(nLineDirection == 3 && dStation == 25.5 && dStartStation == 25.5 && dStationIncrement == -0.5);
        CHILD_CHECK(nLineCounter == nLinesBefore + 1);

        // A typed name of 20 characters keeps its first 12; "One Way" picked by hand, direction "South".
        PlatformScriptDialog(L"GETNEWLINE", [](HWND d) {
            PlatformTypeIntoEdit(d, 1106, L"ABCDEFGHIJKLMNOPQRST");
            PlatformPickListItem(d, 1178, 1);
            PlatformPickListItem(d, 1180, 1);
            PlatformTypeIntoEdit(d, 1108, L"40");
            PlatformPressDialogButton(d, IDOK);
        });
        PlatformPressKey('E');
        CHILD_CHECK(wcscmp(szSurveyLine, L"ABCDEFGHIJKL") == 0);
        CHILD_CHECK(nLineMode == 1 && nLineDirection == 1 && dStation == 40.0);

        // The "C" key ends New Survey Line like Cancel; a "c" typed into its edit stays in the edit.
        {
            const long long nSizeBefore = FileSize(path);
            const int nLinesNow = nLineCounter;
            bool bOpenAfterTyping = false, bClosedByKey = false;
            std::wstring typedName;
            PlatformScriptDialog(L"GETNEWLINE", [&](HWND d) {
                SetFocus(GetDlgItem(d, 1106));
                PlatformPressKey('C');
                bOpenAfterTyping = IsWindow(d) && IsWindowVisible(d);
                typedName = PlatformDialogItemText(d, 1106);
                PlatformPressDialogButton(d, IDCANCEL);
            });
            PlatformPressKey('E');
            PlatformScriptDialog(L"GETNEWLINE", [&](HWND d) {
                PlatformTypeIntoEdit(d, 1106, L"9c");
                SetFocus(GetDlgItem(d, IDOK));
                PlatformPressKey('C');
                bClosedByKey = !IsWindow(d) || !IsWindowVisible(d);
                if (!bClosedByKey) PlatformPressDialogButton(d, IDOK);  // would write a line "9c"
            });
            PlatformPressKey('E');
            CHILD_CHECK(bOpenAfterTyping);
            CHILD_CHECK(!typedName.empty() && (typedName.back() == L'c' || typedName.back() == L'C'));
            CHILD_CHECK(bClosedByKey);
            CHILD_CHECK(wcscmp(szSurveyLine, L"ABCDEFGHIJKL") == 0 && nLineCounter == nLinesNow);
            CHILD_CHECK(FileSize(path) == nSizeBefore);
        }

        // New Station: the dialog shows the line and stations; Cancel writes nothing; "100" writes its records.
        std::wstring line, start, current, typed;
        long long nBefore = FileSize(path);
        PlatformScriptDialog(L"NEWSTATION", [&](HWND d) {
            line = PlatformDialogItemText(d, 1186);
            start = PlatformDialogItemText(d, 1187);
            current = PlatformDialogItemText(d, 1189);
            typed = PlatformDialogItemText(d, 1188);
            PlatformTypeIntoEdit(d, 1188, L"55");
            PlatformPressDialogButton(d, IDCANCEL);
        });
        PlatformPressKey('N');
        CHILD_CHECK(line == L"ABCDEFGHIJKL" && start == L"40.000" && current == L"40.000" && typed.empty());
        CHILD_CHECK(FileSize(path) == nBefore && dStation == 40.0);
        PlatformScriptDialog(L"NEWSTATION", [](HWND d) {
            PlatformTypeIntoEdit(d, 1188, L"100");
            PlatformPressDialogButton(d, IDOK);
        });
        PlatformPressKey('N');
        CHILD_CHECK(dStation == 100.0);

        // Comment: Cancel writes nothing; 15 characters write a "C" record of the first 11.
        nBefore = FileSize(path);
        PlatformScriptDialog(L"COMMENT", [](HWND d) {
            PlatformTypeIntoEdit(d, 1190, L"never written");
            PlatformPressDialogButton(d, IDCANCEL);
        });
        PlatformPressKey('C');
        CHILD_CHECK(FileSize(path) == nBefore);
        PlatformScriptDialog(L"COMMENT", [](HWND d) {
            PlatformTypeIntoEdit(d, 1190, L"ABCDEFGHIJKLMNO");
            PlatformPressDialogButton(d, IDOK);
        });
        PlatformPressKey('C');

        PlatformAnswerDialog(L"Confirm Exit", 1);
        PlatformPressKey('X');
        CHILD_CHECK(nRecordingState == -2);
        CloseProgram();
        return 0;
    }, 120);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);

    std::vector<Record> recs = SplitRecords(ReadFileBytes(path), 27);
    std::vector<std::string> lines, starts, directions, stations, comments, times;
    for (const Record &rec : recs) {
        const std::string text = rec.bytes.substr(0, 26);
        switch (rec.Kind()) {
        case 'L': lines.push_back(text.substr(0, 13)); break;
        case 'B': starts.push_back(text.substr(1, 11)); break;
        case 'A': directions.push_back(text.substr(1, 1) + text.substr(8, 11)); break;
        case 'S': stations.push_back(text.substr(1, 11)); break;
        case 'C': comments.push_back(text.substr(0, 12)); break;
        case '*': times.push_back(text); break;
        default: break;
        }
    }
    // The first line block of the file, then one per accepted dialog.
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "L11.00       ");
    EXPECT_EQ(lines[2], "LABCDEFGHIJKL");
    ASSERT_EQ(starts.size(), 3u);
    EXPECT_EQ(starts[1], "      25.50");
    EXPECT_EQ(starts[2], "      40.00");
    ASSERT_EQ(directions.size(), 3u);
    EXPECT_EQ(directions[1], "E     -0.500");
    EXPECT_EQ(directions[2].substr(0, 1), "S");
    ASSERT_EQ(stations.size(), 1u);
    EXPECT_EQ(stations[0], "     100.00");
    ASSERT_EQ(comments.size(), 1u);
    EXPECT_EQ(comments[0], "CABCDEFGHIJK");
    // A time record after each accepted line and after the station (the file's first block has its own).
    EXPECT_GE(times.size(), 3u);
}
