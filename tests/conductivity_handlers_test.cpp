// Reading handlers of the EM31-MK2, EM38, EM34-3 and EM38-MK2 in the program's process: the reading records
// byte for byte on both record lengths, the record switch, the EM34-3 station confirmation and sample series, the
// EM38-MK2 calibration, and the map rebuilt from the file against the live map.
#include "map_test_support.h"

#include <atomic>
#include <string>

#include "acquisition/acquisition.h"
#include "core/logging_command.h"
#include "displays/scales.h"
#include "logscreen/logscreen.h"
#include "map/map_replot.h"
#include "processing/conductivity_decode.h"
#include "processing/conductivity_handlers.h"
#include "processing/dispatch.h"
#include "processing/em61mk2_handler.h"
#include "processing/handler_state.h"
#include "resources/resources.h"

namespace {

std::atomic<DWORD> gNow{100000};

class ConductivityHandlerTest : public MapTest {
protected:
    void SetUp() override
    {
        MapTest::SetUp();
        RegisterResources();
        PlatformClearDialogScripts();
        PlatformSetTickSource([] { return gNow.load(); });
        gNow = 100000;
        nRecordingState = 1;
        nRecordTrigger = 0;
        nSurveyMode = 0;
        nSurveyModePrev = 0;
        nColorMapView = 0;
        dRecordingStartTickReset();
        bSwathSampling = 0;
        nSwathRow = 0;
        nSwathCellCount = 0;
        dStation = 0.0;
        dStationIncrement = 1.0;
        bStationStarted = 0;
        nReadingInStation = 0;
        nTotalReadingCount = 0;
        bManualSampleSeries = 0;
        bSeriesCollecting = 0;
        nSeriesSampleCount = 0;
        bStationConfirmOpen = 0;
        nCalProcedureState = 0;
        bGpsEnabled = 0;
    }
    void TearDown() override
    {
        PlatformSetTickSource(nullptr);
        PlatformClearDialogScripts();
        MapTest::TearDown();
    }
    static void dRecordingStartTickReset() { dwRecordingStartTick = 0; }

    // Hands one frame to the handler as the reader does (the shared buffer and the frame tick).
    static void Feed(LRESULT (*pfnHandler)(HWND, UINT, WPARAM, LPARAM), const std::string &frame, DWORD dwTick)
    {
        memset(szInstrumentRecord, 0, sizeof szInstrumentRecord);
        memcpy(szInstrumentRecord, frame.data(), frame.size());
        adwFrameTick[0] = dwTick;
        pfnHandler(hwndLog, 0, 0, 0);
    }

    std::vector<std::string> Records(const std::string &path)
    {
        const std::string bytes = ReadWholeFile(path);
        const size_t L = (size_t)DataRecordBytes();
        std::vector<std::string> out;
        for (size_t i = 0; i + L <= bytes.size(); i += L) out.push_back(bytes.substr(i, L));
        return out;
    }
};

// The reading record: the frame's bytes (zero bytes and bytes past the received length blank), the tick in the ten
// bytes before the line feed.
std::string ExpectedRecord(const std::string &frame, int nFrameBytes, DWORD dwTick, int L)
{
    std::string r(L, ' ');
    for (int i = 0; i < nFrameBytes && i < (int)frame.size(); i++) r[i] = frame[i] == 0 ? ' ' : frame[i];
    char sz[16];
    snprintf(sz, sizeof sz, "%10lu", (unsigned long)dwTick);
    r.replace(L - 11, 10, sz);
    r[L - 1] = '\n';
    return r;
}

TEST_F(ConductivityHandlerTest, ReadingRecordsAreByteExactOnBothRecordLengths)
{
    struct Case {
        const char *name;
        int nType, nRecordLength, nFrameLength;
        std::string frame;
        LRESULT (*pfn)(HWND, UINT, WPARAM, LPARAM);
    } cases[] = {
        {"em31 jix", INSTRUMENT_EM31MK2, 24, 12, "T0-040000100", HandleEm31Mk2Reading},
        {"em31 zanth", INSTRUMENT_EM31MK2, 27, 12, "T0-040000100", HandleEm31Mk2Reading},
        // A 7-byte EM38 record: bytes 7 to 12 blank, whatever the buffer held behind it.
        {"em38 seven bytes", INSTRUMENT_EM38, 27, 7, "T'-0100XXXXX", HandleEm38Reading},
        {"em34 zanth", INSTRUMENT_EM34, 27, 12, "T\x11-100000000", HandleEm34Reading},
    };
    int nFile = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        CloseDataFile();
        std::string path = OpenFile(nFile++ ? L"records2.T31" : L"records1.T31");
        path = MapDrivePath(szDataFilePath);
        nInstrumentType = c.nType;
        SetDataRecordLength(c.nRecordLength);
        nInstrumentRecordLength = c.nFrameLength;
        for (DWORD t = 1000; t < 1003; t++) Feed(c.pfn, c.frame, t);
        FlushDataFile();
        const std::vector<std::string> records = Records(path);
        ASSERT_EQ(records.size(), 3u);
        for (DWORD t = 0; t < 3; t++) EXPECT_EQ(records[t], ExpectedRecord(c.frame, c.nFrameLength, 1000 + t, c.nRecordLength));
        EXPECT_EQ(nTotalReadingCount, 3);
        nTotalReadingCount = 0;
        std::filesystem::remove(path);
    }
}

// In the manual mode the record switch held over several readings records the first of them only; the next press
// records again; monitoring records nothing.
TEST_F(ConductivityHandlerTest, HeldSwitchInManualModeRecordsOneReading)
{
    const std::string path = OpenFile(L"manual.T31");
    nInstrumentType = INSTRUMENT_EM31MK2;
    nInstrumentRecordLength = 12;
    nSurveyMode = 2;
    const std::string pressed = "T\x70-040000100", released = "T0-040000100";
    const char *sequence = "PPPRRPPRP";  // three presses
    DWORD t = 5000;
    for (const char *p = sequence; *p; p++) Feed(HandleEm31Mk2Reading, *p == 'P' ? pressed : released, t++);
    nRecordingState = -1;
    Feed(HandleEm31Mk2Reading, released, t++);
    Feed(HandleEm31Mk2Reading, pressed, t++);
    FlushDataFile();
    const std::vector<std::string> records = Records(path);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].substr(17, 9), "     5000");
    EXPECT_EQ(records[1].substr(17, 9), "     5005");
    EXPECT_EQ(records[2].substr(17, 9), "     5008");
}

// A flags byte of 128 has no range row: the reading is recorded as it came, but colours no cell.
TEST_F(ConductivityHandlerTest, ReadingWithoutRangeRowStoresNoColourCell)
{
    OpenFile(L"norow.T31");
    nInstrumentType = INSTRUMENT_EM31MK2;
    nInstrumentRecordLength = 12;
    nColorMapView = 1;
    bSwathSampling = 1;
    dScale1Min = 0.0;
    dScale1Max = 500.0;
    ComputeColorStep(dScale1Min, dScale1Max);
    Feed(HandleEm31Mk2Reading, std::string("T\x80-040000100"), 10);
    EXPECT_EQ(nSwathCellCount, 0);
    Feed(HandleEm31Mk2Reading, "T0-040000100", 11);
    EXPECT_EQ(nSwathCellCount, 1);
    // A full row takes no more cells; with view 0 none are stored at all.
    nSwathCellCount = SWATH_CELLS_PER_ROW;
    Feed(HandleEm31Mk2Reading, "T0-040000100", 12);
    EXPECT_EQ(nSwathCellCount, SWATH_CELLS_PER_ROW);
    nSwathCellCount = 0;
    nColorMapView = 0;
    Feed(HandleEm31Mk2Reading, "T0-040000100", 13);
    EXPECT_EQ(nSwathCellCount, 0);
}

TEST(SeriesField, MeanKeepsEveryDigitInFiveCharacters)
{
    const struct {
        double dMean;
        const char *szField;
    } cases[] = {{12345.6, "12345"}, {9999.0, "+9999"}, {-42.7, "-0042"}, {0.0, "+0000"}, {-9999.0, "-9999"},
                 {-123456.0, "-9999"}, {1e300, "99999"}};
    for (const auto &c : cases) {
        char sz[6];
        FormatSeriesField(c.dMean, sz);
        EXPECT_STREQ(sz, c.szField) << c.dMean;
    }
}

class Em34StationTest : public ConductivityHandlerTest {
protected:
    void SetUp() override
    {
        ConductivityHandlerTest::SetUp();
        path = OpenFile(L"stations.T34");
        nInstrumentType = INSTRUMENT_EM34;
        nInstrumentRecordLength = 12;
        nSurveyMode = 2;
        nSurveyModePrev = 2;
        nEm34Configuration = 3;
        bWriteGpsWithReading = 0;
        strcpy(szGpsPosition, "$GPGGA,POSITION");
        dwGpsPositionTick = 4000;
        bGpsPositionHeld = 1;
        bGpsSatellitesHeld = 0;
    }
    // One press and release of the switch per reading: V 10 m, V 20 m, V 40 m on range 1000.
    void TakeStation(DWORD dwFirstTick)
    {
        static const char aFlags[3] = {'\x51', '\x4F', '\x59'};
        for (int i = 0; i < 3; i++) {
            std::string pressed = "T";
            pressed += aFlags[i];
            pressed += "-100000000";
            Feed(HandleEm34Reading, pressed, dwFirstTick + i);
            Feed(HandleEm34Reading, "T\x11-100000000", dwFirstTick + 100 + i);  // released
        }
    }
    std::string path;
};

TEST_F(Em34StationTest, AcceptWritesHeldGpsThenTheStationWithItsTicks)
{
    int nDuringDialog = 0;
    PlatformScriptDialog(L"CONFIRMSTATION", [&](HWND dlg) {
        // A reading while the dialog is open is dropped.
        Feed(HandleEm34Reading, "T\x51-100000000", 4500);
        nDuringDialog = nReadingInStation;
        wchar_t sz[128];
        GetDlgItemText(dlg, 703, sz, 128);
        EXPECT_EQ(sz[0], L'3');
        PlatformPressDialogButton(dlg, 1);
    });
    TakeStation(3000);
    FlushDataFile();
    const std::vector<std::string> records = Records(path);
    // The held position (its text record and its closing record with the sentence's tick), then the station.
    ASSERT_EQ(records.size(), 5u);
    EXPECT_EQ(records[0].substr(0, 16), "@$GPGGA,POSITION");
    EXPECT_EQ(records[1][0], '!');
    EXPECT_EQ(records[1].substr(16, 10), "      4000");
    EXPECT_EQ(records[2][0], 'T');
    EXPECT_EQ(records[3][0], '2');
    EXPECT_EQ(records[4][0], '3');
    EXPECT_EQ(records[2].substr(16, 10), "      3000");
    EXPECT_EQ(records[4].substr(16, 10), "      3002");
    EXPECT_EQ(nDuringDialog, 3);
    EXPECT_DOUBLE_EQ(dStation, 1.0);  // the first accepted station advances too
    EXPECT_EQ(nReadingInStation, 0);
    EXPECT_EQ(bEm34Sep10Shown + bEm34Sep20Shown + bEm34Sep40Shown, 3);
}

TEST_F(Em34StationTest, CancelWritesNothingAndStartsTheStationAgain)
{
    PlatformAnswerDialog(L"CONFIRMSTATION", 2);
    TakeStation(3000);
    FlushDataFile();
    EXPECT_TRUE(Records(path).empty());
    EXPECT_DOUBLE_EQ(dStation, 0.0);
    EXPECT_EQ(nReadingInStation, 0);
    EXPECT_EQ(bStationConfirmOpen, 0);
}

// A series whose raw mean is 12345 writes "12345"; the survey mode stays MANUAL while the series runs.
TEST_F(Em34StationTest, SeriesMeanOfFiveDigitsIsWrittenWhole)
{
    bManualSampleSeries = 1;
    nReadingsPerStation = 2;
    nEm34Configuration = 1;
    PlatformAnswerDialog(L"CONFIRMSTATION", 1);
    Feed(HandleEm34Reading, "T\x51" "12345 0000", 7000);
    EXPECT_EQ(nSurveyMode, 2);
    EXPECT_EQ(bSeriesCollecting, 1);
    Feed(HandleEm34Reading, "T\x11" "12345 0000", 7001);
    FlushDataFile();
    const std::vector<std::string> records = Records(path);
    ASSERT_EQ(records.size(), 3u);  // the held position (two records), then the station
    EXPECT_EQ(records[2].substr(2, 5), "12345");
    EXPECT_EQ(bSeriesCollecting, 0);
    EXPECT_EQ(nSurveyMode, 2);
}

class Em38Mk2CalibrationTest : public ConductivityHandlerTest {
protected:
    void SetUp() override
    {
        ConductivityHandlerTest::SetUp();
        path = OpenFile(L"calibration.M38");
        nInstrumentType = INSTRUMENT_EM38MK2;
        nEm38Mk2Type = 0;
        for (int i = 0; i < 12; i++) adCalibration[i] = 0.5 + i;
        nRecordingState = -1;
    }
    static std::string Frame(bool bVertical)
    {
        std::string f = "T";
        f += (char)(bVertical ? 6 : 2);
        for (unsigned w : {33000u, 33100u, 33792u, 33200u, 0u, 0u}) {
            f += (char)(w >> 8);
            f += (char)(w & 0xFF);
        }
        return f;
    }
    // n readings of one dipole, 20 ms apart, from the current time.
    void Readings(int n, bool bVertical)
    {
        for (int i = 0; i < n; i++) {
            Feed(HandleEm38Mk2Reading, Frame(bVertical), gNow);
            gNow += 20;
        }
    }
    void At(DWORD dwAfterStepStart, bool bVertical)
    {
        gNow = dwCalibStepTick + dwAfterStepStart;
        Feed(HandleEm38Mk2Reading, Frame(bVertical), gNow);
    }
    std::string path;
};

TEST_F(Em38Mk2CalibrationTest, FiftyVerticalThenFiftyHorizontalWriteTheSixOffsets)
{
    PlatformAnswerDialog(L"CALIBRATION", 1);
    ASSERT_EQ(StartEm38Mk2Calibration(), 1);
    EXPECT_EQ(nCalProcedureState, -1);
    Readings(50, true);
    At(2001, true);  // vertical sampling over
    EXPECT_EQ(nEm38Mk2CalStep, 0);
    At(100, false);  // the horizontal dipole
    EXPECT_EQ(nEm38Mk2CalStep, 1);
    At(1001, false);  // settled
    EXPECT_EQ(nEm38Mk2CalStep, 2);
    Readings(50, false);
    At(2001, false);
    EXPECT_EQ(nEm38Mk2CalStep, 3);
    At(1500, false);
    EXPECT_EQ(nCalProcedureState, 0);
    FlushDataFile();
    int nOffsets = 0;
    for (const std::string &r : Records(path)) nOffsets += r[0] == 'O';
    EXPECT_EQ(nOffsets, 6);
    const double p = Em38Mk2WordValue(33792), q = Em38Mk2WordValue(33200) * 0.028819;
    EXPECT_NEAR(adCalibration[2], q, 1e-9);         // q vertical: its mean
    EXPECT_NEAR(adCalibration[6], q, 1e-9);         // q horizontal
    EXPECT_NEAR(adCalibration[10], p - 2 * p, 1e-9);  // p: vertical - 2 x horizontal
    EXPECT_DOUBLE_EQ(adCalibrationPrev[10], 10.5);
}

TEST_F(Em38Mk2CalibrationTest, FailuresRestoreTheOffsetsAndWriteNothing)
{
    struct Case {
        const char *name;
        int nVertical;
        bool bHorizontalSeen;
        int nFailedStep;
    } cases[] = {{"29 vertical", 29, true, 4}, {"no horizontal in 60 s", 30, false, 6}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        for (int i = 0; i < 12; i++) adCalibration[i] = 0.5 + i;
        PlatformAnswerDialog(L"CALIBRATION", 1);
        ASSERT_EQ(StartEm38Mk2Calibration(), 1);
        Readings(c.nVertical, true);
        At(2001, true);
        if (c.nFailedStep == 6) At(60001, true);
        EXPECT_EQ(nEm38Mk2CalStep, c.nFailedStep);
        At(1500, true);
        EXPECT_EQ(nCalProcedureState, 0);
        for (int i = 0; i < 12; i++) EXPECT_DOUBLE_EQ(adCalibration[i], 0.5 + i);
    }
    FlushDataFile();
    EXPECT_TRUE(Records(path).empty());
}

TEST_F(Em38Mk2CalibrationTest, DeleteCalibrationAnsweredYesWritesTheCoefficientRecords)
{
    PlatformAnswerDialog(L"Delete Calibration", 1);
    ASSERT_EQ(RemoveEm38Mk2Calibration(), 1);
    EXPECT_EQ(adCalibration[10], 0.0);
    EXPECT_EQ(adCalibrationPrev[10], 10.5);
    FlushDataFile();
    const std::vector<std::string> records = Records(path);
    ASSERT_EQ(records.size(), 6u);
    EXPECT_EQ(records[0].substr(0, 2), "O1");
    EXPECT_EQ(records[5].substr(0, 2), "O6");
}

// The logging screen's "Delete Calibration" command (code 129): answered Yes, the offsets go and the
// calibration-present state with them; answered No, the offsets stay.
TEST_F(Em38Mk2CalibrationTest, DeleteCalibrationCommandClearsTheCalibrationPresentState)
{
    const struct {
        int nAnswer;
        double dOffsetAfter;
        int nStateAfter;
    } kCases[] = {{1, 0.0, 0}, {2, 10.5, 0}};
    for (const auto &c : kCases) {
        SCOPED_TRACE(c.nAnswer);
        for (int i = 0; i < 12; i++) adCalibration[i] = 0.5 + i;
        nEm384CalibrationState = 1;
        PlatformAnswerDialog(L"Delete Calibration", c.nAnswer);
        RunScreenLogCommandCode(129);
        EXPECT_EQ(adCalibration[10], c.dOffsetAfter);
        EXPECT_EQ(nEm384CalibrationState, c.nStateAfter);
    }
}

}  // namespace

namespace {

// A survey walked east one metre per position with readings through the live handler between positions: the map
// rebuilt from the data file equals the live survey layer pixel for pixel (EM38-MK2: with a calibration in
// mid-line), and the next record lands at the end of the file.
class RebuildAgainstLiveTest : public ConductivityHandlerTest {
protected:
    static constexpr double kEast = 500000.0, kNorth = 5000000.0;

    void StartWalk()
    {
        nSensorsMinus1 = 0;
        dGpsOffsetY = 0.0;
        dSwathLeft = 0.5;
        dSwathRight = 0.5;
        StartLogging(kEast, kNorth);
        nRecordingState = 1;
        bSwathSampling = 1;
        char rec[DATA_RECORD_MAX];
        BeginRecord(rec);
        memcpy(rec, "X$STARTED", 9);
        WriteDataRecord(rec);
        UpdateMapDisplay(hwndMap, 1, kNorth, kEast, 0.0);
    }
    // Hands the collected row to the painter and moves to metre m, as the position handler does.
    static void Position(int m)
    {
        nSwathPlotRow = nSwathRow;
        nSwathRow = 1 - nSwathRow;
        nSwathPlotLastCell = nSwathCellCount - 1;
        bSwathHasCells = nSwathCellCount > 0 ? 1 : 0;
        nSwathCellCount = 0;
        UpdateMapDisplay(hwndMap, 1, kNorth, kEast + m, 1.0);
    }
    void ExpectRebuildEqualsLive()
    {
        FlushDataFile();
        const LayerPicture live = SurveyLayer();
        ASSERT_GT(live.pixels.size(), 0u);
        int nColoured = 0;
        for (COLORREF c : live.pixels) nColoured += c != RGB(255, 255, 255);
        EXPECT_GT(nColoured, 100);
        CreateMapTiles(1);
        RebuildMapForInstrument();
        const LayerPicture rebuilt = SurveyLayer();
        EXPECT_EQ(rebuilt.tiles, live.tiles);
        size_t nDiffer = 0;
        for (size_t i = 0; i < live.pixels.size() && i < rebuilt.pixels.size(); ++i)
            nDiffer += live.pixels[i] != rebuilt.pixels[i];
        EXPECT_EQ(nDiffer, 0u);
        const DWORD dwSize = GetFileSize(hDataFile, nullptr);
        char rec[DATA_RECORD_MAX];
        BeginRecord(rec);
        rec[0] = 'C';
        ASSERT_EQ(WriteDataRecord(rec), 1);
        EXPECT_EQ(GetFileSize(hDataFile, nullptr), dwSize + (DWORD)DataRecordBytes());
    }
};

std::string TextFrame(int nFlags, int nField1, int nField2)
{
    char sz[32];
    snprintf(sz, sizeof sz, "T%c%+05d%+05d", (char)nFlags, nField1 % 10000, nField2 % 10000);
    return std::string(sz, 12);
}

TEST_F(RebuildAgainstLiveTest, TextInstrumentsRebuildTheirLiveColours)
{
    struct Case {
        const char *name;
        int nType, nView, nRecordLength;
    } cases[] = {{"em31 conductivity", INSTRUMENT_EM31MK2, 1, 12},
                 {"em31 in-phase", INSTRUMENT_EM31MK2, 2, 12},
                 {"em38 mixed modes", INSTRUMENT_EM38, 1, 7},
                 {"em38 in-phase view", INSTRUMENT_EM38, 2, 7},
                 {"em34 auto", INSTRUMENT_EM34, 1, 12}};
    int nFile = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        CloseDataFile();
        const std::wstring name = L"rebuild" + std::to_wstring(nFile++) + L".T31";
        OpenFile(name.c_str());
        nInstrumentType = c.nType;
        nInstrumentRecordLength = c.nRecordLength;
        nColorMapView = c.nView;
        nDipoleMode = 0;
        nComponent = c.nView == 2 ? 1 : 0;
        nModeCode = nDipoleMode + 2 * nComponent;
        dScale1Min = -10.0;
        dScale1Max = 300.0;
        dScale2Min = -5.0;
        dScale2Max = 20.0;
        ComputeColorStep(c.nView == 2 ? dScale2Min : dScale1Min, c.nView == 2 ? dScale2Max : dScale1Max);
        StartWalk();
        LRESULT (*pfn)(HWND, UINT, WPARAM, LPARAM) = c.nType == INSTRUMENT_EM38   ? HandleEm38Reading
                                                     : c.nType == INSTRUMENT_EM34 ? HandleEm34Reading
                                                                                  : HandleEm31Mk2Reading;
        DWORD t = 1000;
        for (int m = 1; m <= 40; m++) {
            for (int k = 0; k < 4; k++) {
                // EM38: conductivity V on range 1000, every third reading in-phase (white unless chosen).
                int nFlags = c.nType == INSTRUMENT_EM38 ? ((m + k) % 3 ? 32 + 4 + 3 : 32 + 3) : 48;
                if (c.nType == INSTRUMENT_EM34) nFlags = 16 + 1;
                Feed(pfn, TextFrame(nFlags, -(m * 23 + k * 7) * 3, -(m * 11 + k) * 40), t++);
            }
            Position(m);
        }
        ExpectRebuildEqualsLive();
    }
}

std::string Em38Mk2Frame(int m, int k)
{
    std::string f = "T";
    f += (char)6;
    const unsigned w = 32800u + (unsigned)((m * 37 + k * 11) % 600);
    for (unsigned word : {w + 5, w + 9, w, w + 3, 0u, 0u}) {
        f += (char)(word >> 8);
        f += (char)(word & 0xFF);
    }
    return f;
}

TEST_F(RebuildAgainstLiveTest, Em38Mk2RebuildTakesTheOffsetRecordsOfTheLine)
{
    for (int nView : {1, 2, 3, 4}) {
        SCOPED_TRACE(nView);
        CloseDataFile();
        const std::wstring name = L"mk2rebuild" + std::to_wstring(nView) + L".M38";
        OpenFile(name.c_str());
        nInstrumentType = INSTRUMENT_EM38MK2;
        nEm38Mk2Type = 0;
        nColorMapView = nView;
        for (double &d : adCalibration) d = 0.0;
        dScale1Min = 0.0;
        dScale1Max = 60.0;
        dScale2Min = -3.0;
        dScale2Max = 3.0;
        ComputeColorStep(nView % 2 ? dScale1Min : dScale2Min, nView % 2 ? dScale1Max : dScale2Max);
        WriteEm38Mk2OffsetLines();
        StartWalk();
        for (int m = 1; m <= 40; m++) {
            if (m == 20) {  // a calibration in mid-line: new offsets, written as the procedure writes them
                adCalibration[10] = 7.5;
                adCalibration[8] = -4.0;
                adCalibration[2] = 0.4;
                adCalibration[0] = 0.2;
                WriteEm38Mk2OffsetLines();
            }
            for (int k = 0; k < 4; k++) Feed(HandleEm38Mk2Reading, Em38Mk2Frame(m, k), 2000 + (DWORD)(m * 10 + k));
            Position(m);
        }
        ExpectRebuildEqualsLive();
    }
}

}  // namespace

namespace {

// Station mode: each recorded station draws one segment, one mark per separation read at it; a position without a
// recorded station draws nothing; the rebuild from the file draws the same marks.
TEST_F(RebuildAgainstLiveTest, StationModeMarksEachSeparationReadAtTheStation)
{
    OpenFile(L"stationmap.T34");
    nInstrumentType = INSTRUMENT_EM34;
    nSurveyModePrev = 2;
    nColorMapView = 0;
    nCursorSize = 5;
    dEm34Offset10 = 0.0;
    dEm34Offset20 = 1.0;
    dEm34Offset40 = 2.0;
    nSensorsMinus1 = 0;
    dGpsOffsetY = 0.0;
    dSwathLeft = dSwathRight = 0.5;
    StartLogging(kEast, kNorth);
    nRecordingState = 1;
    char rec[DATA_RECORD_MAX];
    BeginRecord(rec);
    memcpy(rec, "X$STARTED", 9);
    WriteDataRecord(rec);
    UpdateMapDisplayMode2(hwndMap, 1, kNorth, kEast, 0.0);
    struct Step {
        int nMetre;
        int ab[3];  // separations read at the station; none: no station recorded
        bool bStation;
    } steps[] = {{5, {1, 1, 1}, true}, {10, {0, 1, 0}, true}, {15, {0, 0, 0}, false}, {20, {1, 1, 1}, true}};
    for (const Step &s : steps) {
        bEm34Sep10Shown = s.ab[0];
        bEm34Sep20Shown = s.ab[1];
        bEm34Sep40Shown = s.ab[2];
        if (s.bStation) bMapSegmentPending = 1;
        UpdateMapDisplayMode2(hwndMap, 1, kNorth, kEast + s.nMetre, 5.0);
        EXPECT_EQ(bMapSegmentPending, 0);
    }
    FlushDataFile();
    // 10 pixels a metre: the 10 m mark at the station, the 20 m one a metre behind, the 40 m one two.
    const COLORREF clrBlue = 0xFF0000, clrRed = 0x0000FF, clrGreen = 0x15B535;  // the pens of the three separations
    struct Mark {
        int x;
        COLORREF clr;
    } marks[] = {{50, clrBlue}, {40, clrRed}, {30, clrGreen}, {100, RGB(255, 255, 255)}, {90, clrRed},
                 {80, RGB(255, 255, 255)}, {150, RGB(255, 255, 255)}, {140, RGB(255, 255, 255)},
                 {200, clrBlue}, {190, clrRed}, {180, clrGreen}};
    for (const Mark &m : marks) EXPECT_EQ(SurveyPixel(m.x, 0), m.clr) << m.x;
    // Style 5: bars 2 pixels wide.
    int nBlue = 0;
    for (int x = 45; x <= 55; x++) nBlue += SurveyPixel(x, 0) == clrBlue;
    EXPECT_EQ(nBlue, 2);
    // Map-point records per separation: the 20 m set at every station, the others where they were read.
    const std::vector<std::string> points = MapPointRecords(ReadWholeFile(MapDrivePath(szDataFilePath)));
    int anSet[3] = {0, 0, 0};
    for (const std::string &r : points)
        if (r[1] >= 'a' && r[1] <= 'l') anSet[(r[1] - 'a') / 4]++;
    EXPECT_EQ(anSet[0], 8);
    EXPECT_EQ(anSet[1], 12);
    EXPECT_EQ(anSet[2], 8);
    HDC hdcMem = CreateCompatibleDC(nullptr);
    int col, row, ox, oy;
    MapPixelToTile(0, 0, &col, &row, &ox, &oy);
    SelectMapTileBitmap(hdcMem, col, row, 1);
    PlatformSaveSurfacePng(hdcMem, std::string(TEST_OUTPUT_DIR "/station_mode_map_three_stations.png"));
    DeleteDC(hdcMem);

    const LayerPicture live = SurveyLayer();
    CreateMapTiles(1);
    RebuildMapForInstrument();
    EXPECT_TRUE(SurveyLayer().pixels == live.pixels);
}

}  // namespace

namespace {

// Station mode with the path-following set-back: after a turn, a separation's mark lies on the walked path behind
// the station, not on the straight line behind it. Stations at 0 and 10 m east, then 10 m north; the 40 m
// separation set back 14 m lies 4 m back on the east leg.
TEST_F(RebuildAgainstLiveTest, StationModePathFollowingSetBackFollowsTheTurn)
{
    const struct {
        int nOffsetSign;
        int xOnPath, yOnPath;    // pixels (10 a metre) of the path-following mark
        int xStraight, yStraight;  // pixels of the straight set-back's mark
        bool bOnPath;
    } kCases[] = {{1, 60, 0, 100, -40, true}, {0, 60, 0, 100, -40, false}};
    for (const auto &c : kCases) {
        SCOPED_TRACE(c.nOffsetSign);
        CloseDataFile();
        OpenFile(c.nOffsetSign ? L"stationpath.T34" : L"stationstraight.T34");
        nInstrumentType = INSTRUMENT_EM34;
        nSurveyModePrev = 2;
        nColorMapView = 0;
        nCursorSize = 5;
        dEm34Offset10 = 0.0;
        dEm34Offset20 = 0.0;
        dEm34Offset40 = 14.0;
        nSensorsMinus1 = 0;
        dGpsOffsetY = c.nOffsetSign;  // a set-back behind the antenna chooses the path-following set-back
        dSwathLeft = dSwathRight = 0.5;
        StartLogging(kEast, kNorth);
        nGpsOffsetSign = c.nOffsetSign;
        nRecordingState = 1;
        nMapTrackState = 0;
        nTrackPointCount = 0;
        bEm34Sep10Shown = bEm34Sep20Shown = 0;
        bEm34Sep40Shown = 1;
        UpdateMapDisplayMode2(hwndMap, 1, kNorth, kEast, 0.0);  // the first position places the view
        const double adStation[3][2] = {{0, 0}, {10, 0}, {10, 10}};
        for (const auto &st : adStation) {
            bMapSegmentPending = 1;
            UpdateMapDisplayMode2(hwndMap, 1, kNorth + st[1], kEast + st[0], 10.0);
        }
        const COLORREF clrGreen = 0x15B535;
        EXPECT_EQ(SurveyPixel(c.xOnPath, c.yOnPath) == clrGreen, c.bOnPath);
        EXPECT_EQ(SurveyPixel(c.xStraight, c.yStraight) == clrGreen, !c.bOnPath);
    }
    nGpsOffsetSign = 0;
    dGpsOffsetY = 0.0;
}

}  // namespace
