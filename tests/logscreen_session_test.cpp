// Logging session steps against a real data file in a private root: file, start, pause, quick line, stop; a refused
// file keeps monitoring; a file error drops to stand-by; a GPS-only file keeps the configuration's offsets.
#include "datafile_test_support.h"

#include "acquisition/acquisition.h"
#include "core/rates.h"
#include "map/map.h"
#include "map/map_view.h"
#include "processing/em61mk2_decode.h"

namespace {

class LogSessionTest : public DataFileDialogTest {
protected:
    void SetUp() override
    {
        DataFileDialogTest::SetUp();
        // The session waits on the clock (after the file dialog, around instrument commands).
        PlatformSetTickSource(nullptr);
        Build(INSTRUMENT_EM61MK2, 1);
        PlainLine();
        bInstrumentEnabled = 1;
        bGpsEnabled = 0;
        bGpsActive = 0;
        nSurveyMode = 0;
        nLineMode = 1;
        dLineIncrement = 1.0;
        nMapEdgeState = 0;
        nRecordingState = 0;
        nActiveScreen = 1;
        // The settings file of the build lives in the private root.
        std::filesystem::create_directories(root + "/C/ProgramData/Ulvane/Jix61MK2");
        std::filesystem::create_directories(root + "/C/ProgramData/Ulvane/Zanth61MK2");
    }
    void TearDown() override
    {
        if (nRecordingState != -2) StopLogging(1);
        DataFileDialogTest::TearDown();
    }

    // The records of the file as strings without their line feeds.
    std::vector<std::string> Records(const std::string &path)
    {
        std::string bytes = ReadFileBytes(path);
        std::vector<std::string> out;
        for (size_t i = 0; i + 27 <= bytes.size(); i += 27) out.push_back(bytes.substr(i, 26));
        return out;
    }
    static int Count(const std::vector<std::string> &recs, const std::string &prefix)
    {
        int n = 0;
        for (const std::string &r : recs)
            if (r.rfind(prefix, 0) == 0) n++;
        return n;
    }
};

TEST_F(LogSessionTest, WholeSessionWritesItsEventAndLineRecords)
{
    PlatformScriptFileChooser(L"C:\\data\\s1.T61");
    EXPECT_EQ(CreateDataFileStep(), -1);
    ASSERT_NE(hDataFile.load(), INVALID_HANDLE_VALUE);

    nFramesPerReading = 4;
    EXPECT_EQ(StartLogging(), 1);
    EXPECT_EQ(nFrameDecimation.load(), 4);
    EXPECT_NE(dwRecordingStartTick.load(), 0u);

    EXPECT_EQ(PauseLogging(), -1);
    EXPECT_EQ(nFrameDecimation.load(), 1);

    PlatformClearShownDialogs();
    EXPECT_EQ(QuickLine(), -1);
    std::vector<ShownDialog> boxes = MessageBoxesShown();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, L"Quick Line");
    EXPECT_EQ(boxes[0].text, L"New Line: 2.00");
    EXPECT_STREQ(szSurveyLine, L"2.00");
    EXPECT_EQ(nLineCounter, 1);

    EXPECT_EQ(StartLogging(), 1);
    EXPECT_EQ(StopLogging(1), 1);
    EXPECT_EQ(nRecordingState, -2);
    EXPECT_EQ(hDataFile.load(), INVALID_HANDLE_VALUE);

    std::vector<std::string> recs = Records(DataPath("s1.T61"));
    EXPECT_EQ(Count(recs, "X$STARTED"), 2);
    EXPECT_EQ(Count(recs, "XPAUSED "), 1);
    EXPECT_EQ(Count(recs, "L2.00"), 1);
    // Order: start, pause, the new line, the second start.
    int nStart = -1, nPause = -1, nLine = -1, nStart2 = -1;
    for (int i = 0; i < (int)recs.size(); i++) {
        if (recs[i].rfind("X$STARTED", 0) == 0) (nStart < 0 ? nStart : nStart2) = i;
        if (recs[i].rfind("XPAUSED", 0) == 0) nPause = i;
        if (recs[i].rfind("L2.00", 0) == 0) nLine = i;
    }
    EXPECT_LT(nStart, nPause);
    EXPECT_LT(nPause, nLine);
    EXPECT_LT(nLine, nStart2);
}

TEST_F(LogSessionTest, QuickLineCutsALongNameLikeATypedOne)
{
    PlatformScriptFileChooser(L"C:\\data\\s2.T61");
    ASSERT_EQ(CreateDataFileStep(), -1);
    // 1e14 + 1 gives "100000000000001.00": 18 characters, more than the name holds.
    wcscpy(szSurveyLine, L"100000000000000");
    QuickLine();
    EXPECT_EQ(wcslen(szSurveyLine), 12u);
    EXPECT_STREQ(szSurveyLine, L"100000000000");
    // A line number that is no number at all still gives a name within the buffer.
    wcscpy(szSurveyLine, L"1e308");
    dLineIncrement = 1e308;
    QuickLine();
    EXPECT_LE(wcslen(szSurveyLine), 12u);
}

TEST_F(LogSessionTest, CancelledChooserStaysInMonitoring)
{
    PlatformScriptFileChooser(L"");
    EXPECT_EQ(CreateDataFileStep(), 0);
    EXPECT_EQ(hDataFile.load(), INVALID_HANDLE_VALUE);
}

TEST_F(LogSessionTest, FileRefusedByTheMapCheckLeavesMonitoringWithoutAFile)
{
    // A file of this build first, then chosen again for appending on the mapping line with a full map.
    Build(INSTRUMENT_EM61MK2, 0);
    PlainLine();
    bInstrumentEnabled = 1;
    bGpsEnabled = 1;
    PlatformScriptFileChooser(L"C:\\data\\full.T61");
    ASSERT_EQ(CreateDataFileStep(), -1);
    StopLogging(1);
    nRecordingState = 0;

    bGpsEnabled = 1;
    bGpsPositionValid = 1;
    nMaxGpsPositions = 0;
    PlatformScriptFileChooser(L"C:\\data\\full.T61");
    PlatformClearShownDialogs();
    EXPECT_EQ(CreateDataFileStep(), 0);
    bool bMapRefusal = false;
    for (const ShownDialog &d : MessageBoxesShown())
        if (d.text == L"Number of GPS Positions in the file has reached its maximum") bMapRefusal = true;
        else ADD_FAILURE() << std::string(d.caption.begin(), d.caption.end()) << ": " << std::string(d.text.begin(), d.text.end());
    EXPECT_TRUE(bMapRefusal);
    EXPECT_EQ(nRecordingState, 0);
    EXPECT_EQ(hDataFile.load(), INVALID_HANDLE_VALUE);
    nMaxGpsPositions = 28800;
    bGpsEnabled = 0;
}

TEST_F(LogSessionTest, FileErrorDropsRecordingToStandBy)
{
    PlatformScriptFileChooser(L"C:\\data\\s3.T61");
    ASSERT_EQ(CreateDataFileStep(), -1);
    ASSERT_EQ(StartLogging(), 1);
    OnScreenLogDataFileError(nullptr, WM_DATAFILE_ERROR, 0, 0);
    EXPECT_EQ(nRecordingState, -1);
    EXPECT_EQ(nFrameDecimation.load(), 1);
    // A second report changes nothing.
    OnScreenLogDataFileError(nullptr, WM_DATAFILE_ERROR, 0, 0);
    EXPECT_EQ(nRecordingState, -1);
    // Stand-by without a file is no state of its own: back to monitoring.
    CloseDataFile();
    OnScreenLogDataFileError(nullptr, WM_DATAFILE_ERROR, 0, 0);
    EXPECT_EQ(nRecordingState, 0);
}

TEST_F(LogSessionTest, GpsOnlyFileZeroesRunTimeCopiesButNotTheConfiguration)
{
    Build(INSTRUMENT_EM61MK2, 0);
    PlainLine();
    bInstrumentEnabled = 0;
    bGpsEnabled = 0;
    dGpsOffsetX = 1.5;
    nColorMapView = 2;
    LoadSaveSettingsFile(1);

    PlatformScriptFileChooser(L"C:\\data\\gps.T61");
    ASSERT_EQ(CreateDataFileStep(), -1);
    EXPECT_EQ(dGpsOffsetX, 0.0);
    EXPECT_EQ(nColorMapView, 0);
    // A settings save during the run keeps the operator's values in the file.
    SaveSettingsKeepingConfiguration();
    EXPECT_EQ(dGpsOffsetX, 0.0);

    EXPECT_EQ(StopLogging(1), 1);
    EXPECT_EQ(dGpsOffsetX, 1.5);
    EXPECT_EQ(nColorMapView, 2);

    dGpsOffsetX = 9.0;
    nColorMapView = 1;
    LoadSaveSettingsFile(0);
    EXPECT_DOUBLE_EQ(dGpsOffsetX, 1.5);
}

TEST_F(LogSessionTest, StartRefusedAfterTheMapEdgePause)
{
    PlatformScriptFileChooser(L"C:\\data\\s4.T61");
    ASSERT_EQ(CreateDataFileStep(), -1);
    ASSERT_EQ(StartLogging(), 1);
    nMapEdgeState = 1;
    PlatformClearShownDialogs();
    EXPECT_EQ(PauseLogging(), -1);
    EXPECT_EQ(nMapEdgeState, 2);
    EXPECT_EQ(StartLogging(), -1);
    std::vector<ShownDialog> boxes = MessageBoxesShown();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, L"Cannot start logging.\r\nPlease increase the map size\r\nby 20-25%.");
    StopLogging(1);
    std::vector<std::string> recs = Records(DataPath("s4.T61"));
    EXPECT_EQ(Count(recs, "XPAUSED BMP"), 1);
    nMapEdgeState = 0;
}

TEST_F(LogSessionTest, ExitAnsweredNoKeepsStandBy)
{
    PlatformScriptFileChooser(L"C:\\data\\s5.T61");
    ASSERT_EQ(CreateDataFileStep(), -1);
    PlatformClearDialogScripts();
    PlatformAnswerDialog(L"MESSAGEYESNO", 2, false);
    EXPECT_EQ(StopLogging(0), 0);
    EXPECT_EQ(nRecordingState, -1);
    EXPECT_NE(hDataFile.load(), INVALID_HANDLE_VALUE);
    PlatformAnswerDialog(L"MESSAGEYESNO", 1, false);
    EXPECT_EQ(StopLogging(0), 1);
    EXPECT_EQ(nRecordingState, -2);
}

// A stop during a map review ends the review with the map size, scale and colour view of before it; a stop
// answered No leaves the review on.
TEST_F(LogSessionTest, StopInReviewGivesBackTheMapSizeAndScale)
{
    PlatformScriptFileChooser(L"C:\\data\\s6.T61");
    ASSERT_EQ(CreateDataFileStep(), -1);
    nMapSizeSaved = 40;
    dSavedMapPixelsPerUnit = 9.95;
    nColorMapViewSaved = 1;
    bMapReviewMode = 1;
    nMapSize = 36;
    dMapPixelsPerUnit = 398.0 / 36;
    nColorMapView = 3;
    PlatformClearDialogScripts();
    PlatformAnswerDialog(L"MESSAGEYESNO", 2, false);
    StopLoggingStep();
    EXPECT_EQ(nRecordingState, -1);
    EXPECT_EQ(bMapReviewMode, 1);
    EXPECT_EQ(nMapSize, 36);
    PlatformAnswerDialog(L"MESSAGEYESNO", 1, false);
    StopLoggingStep();
    EXPECT_EQ(nRecordingState, -2);
    EXPECT_EQ(bMapReviewMode, 0);
    EXPECT_EQ(nMapSize, 40);
    EXPECT_DOUBLE_EQ(dMapPixelsPerUnit, 9.95);
    EXPECT_EQ(nColorMapView, 1);
}

// Go on a file that cannot be written (a full disk, a file gone read-only): the start record fails, the FILE ERROR
// box tells it, and the session stays in stand-by with the readers back in their stand-by mode; every further Go
// tells it again.
TEST_F(LogSessionTest, GoThatCannotWriteItsStartRecordStaysInStandBy)
{
    PlatformScriptFileChooser(L"C:\\data\\s7.T61");
    ASSERT_EQ(CreateDataFileStep(), -1);
    wcscpy(szDataFilePath, L"/dev/full");
    ASSERT_EQ(OpenDataFileHandle(), 1);
    nFramesPerReading = 4;
    PlatformClearShownDialogs();
    for (int go = 1; go <= 2; go++) {
        EXPECT_EQ(StartLogging(), -1);
        EXPECT_EQ(nRecordingState, -1);
        EXPECT_EQ(nFrameDecimation.load(), 1);
        std::vector<ShownDialog> boxes = MessageBoxesShown();
        ASSERT_EQ(boxes.size(), (size_t)go);
        EXPECT_EQ(boxes.back().caption, L"FILE ERROR");
    }
}

// The data file, or its folder, deleted while recording: the pause puts it back at its path with every record, the
// operator is told once, and the session goes on into the same file.
TEST_F(LogSessionTest, FileDeletedWhileRecordingIsPutBackAtThePause)
{
    for (bool bFolder : {false, true}) {
        SCOPED_TRACE(bFolder ? "folder" : "file");
        std::filesystem::create_directories(root + "/C/data/run");
        std::filesystem::remove(root + "/C/data/run/s8.T61");
        PlatformScriptFileChooser(L"C:\\data\\run\\s8.T61");
        ASSERT_EQ(CreateDataFileStep(), -1);
        const std::string path = root + "/C/data/run/s8.T61";
        ASSERT_EQ(StartLogging(), 1);
        const std::string started = ReadFileBytes(path);
        if (bFolder)
            std::filesystem::remove_all(root + "/C/data/run");
        else
            std::filesystem::remove(path);
        PlatformClearShownDialogs();
        EXPECT_EQ(PauseLogging(), -1);
        std::vector<ShownDialog> boxes = MessageBoxesShown();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].caption, L"WARNING");
        ASSERT_TRUE(std::filesystem::exists(path));
        std::vector<std::string> recs = Records(path);
        EXPECT_EQ(ReadFileBytes(path).compare(0, started.size(), started), 0);
        EXPECT_EQ(Count(recs, "X$STARTED"), 1);
        EXPECT_EQ(Count(recs, "XPAUSED "), 1);
        EXPECT_EQ(StartLogging(), 1);
        EXPECT_EQ(StopLogging(1), 1);
        EXPECT_EQ(Count(Records(path), "X$STARTED"), 2);
        EXPECT_EQ(MessageBoxesShown().size(), 1u);
    }
}

// Deleted, and its path taken by another file: Go is refused with the box, and the other file is left alone.
TEST_F(LogSessionTest, GoOnADeletedFileThatCannotBePutBackStaysInStandBy)
{
    PlatformScriptFileChooser(L"C:\\data\\s9.T61");
    ASSERT_EQ(CreateDataFileStep(), -1);
    std::filesystem::remove(DataPath("s9.T61"));
    WriteFileBytes(DataPath("s9.T61"), "other");
    PlatformClearShownDialogs();
    EXPECT_EQ(StartLogging(), -1);
    std::vector<ShownDialog> boxes = MessageBoxesShown();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, L"FILE ERROR");
    EXPECT_EQ(ReadFileBytes(DataPath("s9.T61")), "other");
}

}  // namespace
