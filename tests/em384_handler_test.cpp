// EM38-4 reading handler: frame averaging into records, the reading window, the drift procedure and the
// calibration with its boxes answered by script, driven with packets of chosen words and a data file in a
// private root.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "datafile/datafile_state.h"
#include "displays/scales.h"
#include "logscreen/logscreen.h"
#include "map/map_state.h"
#include "map/pens.h"
#include "platform/platform.h"
#include "core/logging_command.h"
#include "processing/conductivity_handlers.h"
#include "processing/em384_decode.h"
#include "processing/em384_handler.h"
#include "processing/em61mk2_handler.h"
#include "processing/handler_state.h"
#include "resources/resources.h"
#include "support/test_root.h"

namespace {

class HandlerEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        const std::string root = MakeTestRoot("em384-handler");
        ASSERT_FALSE(root.empty());
        static char arg0[] = "em384-handler-test";
        static char *argv[] = {arg0, nullptr};
        hInst = PlatformInit(1, argv);
        RegisterResources();
        std::filesystem::create_directories(root + "/C/data");
    }
};
const ::testing::Environment *const gEnvironment = ::testing::AddGlobalTestEnvironment(new HandlerEnvironment);

std::string ReadAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

DWORD gTick = 100000;

// Words of a packet: in-phase and conductivity of pairs 1..4 (as numbered by their packet place).
struct Words {
    unsigned c[4] = {32768, 32768, 32768, 32768};
    unsigned i[4] = {32768, 32768, 32768, 32768};
    unsigned height = 20, temp = 155;
};

void PutPacket(const Words &w, unsigned char status = 2)
{
    memset(szInstrumentRecord, 0, sizeof szInstrumentRecord);
    unsigned char *p = (unsigned char *)szInstrumentRecord;
    p[0] = 'T';
    p[1] = status;
    static const int anOffset[4] = {10, 14, 2, 6};
    auto put = [&](int at, unsigned v) {
        p[at] = (unsigned char)(v >> 8);
        p[at + 1] = (unsigned char)(v & 0xFF);
    };
    for (int k = 0; k < 4; k++) {
        put(anOffset[k], w.c[k]);
        put(anOffset[k] + 2, w.i[k]);
    }
    put(18, w.height);
    put(20, w.height);
    put(22, w.temp);
    put(24, w.temp);
}

// The word whose conductivity value is v (no coefficients): w = (v / 8 + 160) x 1024 / 5.
unsigned CondWord(double v) { return (unsigned)((v / 8 + 160) * 1024 / 5); }

class Em384HandlerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        PlatformSetTickSource([] { return gTick; });
        PlatformClearShownDialogs();
        PlatformClearDialogScripts();
        nInstrumentType = INSTRUMENT_EM384;
        SetDataRecordLength(47);
        for (double &d : adCalibration) d = 0.0;
        for (double &d : adCalibrationB) d = 0.0;
        for (double &d : adCalibrationPrev) d = 0.0;
        for (double &d : adCalibrationBPrev) d = 0.0;
        nInphaseUnits = 0;
        nEm384DisplayMode = 0;
        nEm384RateValue = 10;
        nEm384AverageState = -1;
        nCalProcedureState = 0;
        nEm384CalibrationState = 0;
        nFrameDecimation = 1;
        nFrameCount = 0;
        nSurveyMode = 0;
        nRecordTrigger = 0;
        nRecordingState = 1;
        nReadingInStation = 0;
        nEm34Configuration = 1;
        dStation = 0.0;
        dStationIncrement = 1.0;
        bStationStarted = 0;
        nLineReadingCount = nTotalReadingCount = 0;
        nColorMapView = 0;
        bSwathSampling = 0;
        nSwathRow = 0;
        nSwathCellCount = 0;
        bGpsEnabled = 0;
        bAudioTicks = 0;
        nDriftReadings = 10;

        path = NameFreshDataFile(L"em384h", L"T38");
        ASSERT_EQ(OpenDataFileHandle(), 1);
    }
    void TearDown() override
    {
        CloseDataFile();
        PlatformClearDialogScripts();
        PlatformSetTickSource(nullptr);
    }

    void Packet(const Words &w, DWORD dwFrameTick = 0, unsigned char status = 2)
    {
        PutPacket(w, status);
        adwFrameTick[0] = dwFrameTick ? dwFrameTick : gTick;
        EXPECT_EQ(OnEm384Reading(nullptr, WM_EM384_READING, 0, 0), 0);
    }
    std::vector<std::string> Records()
    {
        const std::string f = ReadAll(path);
        std::vector<std::string> r;
        for (size_t i = 0; i + 47 <= f.size(); i += 47) r.push_back(f.substr(i, 47));
        return r;
    }
    Em384Values Decoded(const std::string &rec)
    {
        Em384Values v;
        int abValid[16];
        double adValue[16];
        DecodeEm384Record(rec.data(), &v, abValid, adValue);
        return v;
    }
    std::string path;
};

TEST_F(Em384HandlerTest, FourFrameMeansMakeOneRecordWithTheFourthTick)
{
    nFrameDecimation = 4;
    const double adC1[8] = {10, 20, 30, 40, 100, 100, 100, 104};
    for (int n = 0; n < 8; n++) {
        Words w;
        w.c[0] = CondWord(adC1[n]);
        Packet(w, 5000 + n);
    }
    const std::vector<std::string> r = Records();
    ASSERT_EQ(r.size(), 2u);
    EXPECT_NEAR(Decoded(r[0]).adC[0], 25.0, 0.04);
    EXPECT_NEAR(Decoded(r[1]).adC[0], 101.0, 0.04);
    EXPECT_EQ(r[0].substr(36, 10), "      5003");
    EXPECT_EQ(r[1].substr(36, 10), "      5007");
    EXPECT_EQ(r[0][35], ' ');
    EXPECT_EQ(r[0][46], '\n');
    EXPECT_EQ(nTotalReadingCount, 2);
}

// Display mode 1, rate 10: the packet that finds the window restarting is handled; the ten after it fill the
// window and are absorbed; the next is recorded again.
TEST_F(Em384HandlerTest, FillingReadingWindowAbsorbsItsPackets)
{
    nEm384DisplayMode = 1;
    nEm384AverageState = -1;
    Words w;
    Packet(w);
    EXPECT_EQ(Records().size(), 1u);
    for (int n = 0; n < 10; n++) {
        Packet(w);
        EXPECT_EQ(szInstrumentRecord[0], 'T') << "absorbed packet " << n << " is left in the buffer";
    }
    EXPECT_EQ(Records().size(), 1u);
    EXPECT_EQ(nEm384AverageState, 1);
    Packet(w);
    EXPECT_EQ(Records().size(), 2u);
    EXPECT_EQ(szInstrumentRecord[0], 0);
}

TEST_F(Em384HandlerTest, NegativeConductivityMeanEmptiesTheInversionBlock)
{
    nEm384DisplayMode = 1;
    nEm384RateValue = 5;
    Words w;
    w.c[2] = CondWord(-5.0);  // C3 below zero
    for (int n = 0; n < 7; n++) Packet(w);
    const std::vector<std::string> r = Records();
    ASSERT_EQ(r.size(), 2u);
    const std::string &rec = r[1];
    EXPECT_EQ((unsigned char)rec[26], 0x79);
    EXPECT_EQ((unsigned char)rec[27], 0x18);
    EXPECT_EQ(rec.substr(28, 6), "      ");
    EXPECT_EQ(rec[34], 0);
    // With all means at or above zero the block holds zeros.
    Words ok;
    for (int n = 0; n < 6; n++) Packet(ok);
    const std::string last = Records().back();
    EXPECT_EQ(last.substr(26, 9), std::string(9, '\0'));
}

TEST_F(Em384HandlerTest, ManualModeRecordsTheFirstMarkedReadingOnly)
{
    nSurveyMode = 2;
    Words w;
    for (unsigned char status : {2, 3, 3, 3, 2, 18, 3}) Packet(w, 0, status);
    EXPECT_EQ(Records().size(), 2u);
}

// A manual sample series of three readings: the switch starts it, every reading of it counts, and one record
// carries the series' means with bytes 0 and 1 of its first reading; the survey-mode setting stays MANUAL.
TEST_F(Em384HandlerTest, ManualSampleSeriesRecordsTheMeansOfItsReadings)
{
    nSurveyMode = 2;
    bManualSampleSeries = 1;
    nReadingsPerStation = 3;
    nSeriesSampleCount = 0;
    bSeriesCollecting = 0;
    const struct {
        double dC1;
        unsigned char status;
    } kPackets[] = {{10.0, 2}, {20.0, 3},  {30.0, 2},  {60.0, 2},  {70.0, 2},
                    {100.0, 3}, {140.0, 2}, {180.0, 2}, {1.0, 2}};
    for (const auto &p : kPackets) {
        Words w;
        w.c[0] = CondWord(p.dC1);
        Packet(w, 0, p.status);
    }
    bManualSampleSeries = 0;
    // 10 and 70 are not marked; the switch at 20 starts a series of 20, 30, 60; the switch at 100 one of 100,
    // 140, 180.
    const std::vector<std::string> r = Records();
    ASSERT_EQ(r.size(), 2u);
    EXPECT_NEAR(Decoded(r[0]).adC[0], (20.0 + 30.0 + 60.0) / 3, 0.04);
    EXPECT_NEAR(Decoded(r[1]).adC[0], (100.0 + 140.0 + 180.0) / 3, 0.04);
    for (const std::string &rec : r) {
        EXPECT_EQ(rec[0], 'T');
        EXPECT_EQ(rec[1], 3) << "bytes 0 and 1 of the series' first reading";
    }
    EXPECT_EQ(nSurveyMode, 2);
    EXPECT_EQ(bSeriesCollecting, 0);
}

// ------------------------------------------------------------------------------------------------ procedures

Words VerticalWords()
{
    Words w;
    for (int k = 0; k < 4; k++) {
        w.c[k] = CondWord(40.0 + 10 * k);
        w.i[k] = 33792 + 512 * k;
    }
    return w;
}
Words HorizontalWords()
{
    Words w;
    for (int k = 0; k < 4; k++) {
        w.c[k] = CondWord(15.0 + k);
        w.i[k] = 33280;
    }
    return w;
}

class Em384ProcedureTest : public Em384HandlerTest {
protected:
    void Step(const Words &w, DWORD dwMs)
    {
        for (DWORD t = 0; t <= dwMs; t += 100) {
            Packet(w);
            gTick += 100;
        }
        gTick += 1000;
        Packet(w);  // past the limit: ends the step
    }
    void Settle(const Words &w)
    {
        gTick += 1001;
        Packet(w);
    }
    int Shown(const std::wstring &caption)
    {
        int n = 0;
        for (const ShownDialog &d : PlatformShownDialogs()) n += d.caption == caption;
        return n;
    }
    std::wstring TextOf(const std::wstring &caption)
    {
        for (const ShownDialog &d : PlatformShownDialogs())
            if (d.caption == caption) return d.text;
        return L"";
    }
    // The calibration with the vertical words v and horizontal words h, up to the completion question.
    void RunToCompletion(const Words &v, const Words &h)
    {
        StartEm384Calibration();
        ASSERT_EQ(nCalProcedureState, -1);
        Step(v, 5000);
        ASSERT_EQ(nCalPhase, 2);
        Settle(h);
        Step(h, 5000);
        ASSERT_EQ(nCalStep, 3);
    }
    // The whole calibration with OK to every box and No to the carrier question.
    void RunCalibrationAnsweredNo()
    {
        PlatformAnswerDialog(L"CALIBRATION", 1);
        PlatformAnswerDialog(L"Horizontal Calibration", 1);
        PlatformAnswerDialog(L"Instrument Calibration", 1);
        PlatformAnswerDialog(L"Removing Carrier Effect Calibration", 2);
        PlatformAnswerDialog(L"Instrument Calibration Completed", 1);
        RunToCompletion(VerticalWords(), HorizontalWords());
        Packet(HorizontalWords());
    }
    std::vector<std::string> CoefficientLines()
    {
        std::vector<std::string> out;
        for (const std::string &r : Records())
            if (r[0] == 'O') out.push_back(r);
        return out;
    }
    void SetOldCoefficients()
    {
        for (int i = 0; i < 12; i++) adCalibration[i] = 0.5 + i;
        for (int i = 0; i < 8; i++) adCalibrationB[i] = 0.01 * (i + 1);
    }
};

TEST_F(Em384ProcedureTest, CalibrationAnsweredNoWritesTheBlockAndSavesWithoutCarrier)
{
    SetOldCoefficients();
    RunCalibrationAnsweredNo();  // step 3: the completion question
    EXPECT_EQ(nCalProcedureState, 0);
    EXPECT_EQ(nEm384CalibrationState, 1);
    EXPECT_EQ(TextOf(L"CALIBRATION"),
              L"Place  EM38-4  on  Monopod\r\nin  Vertical  Dipole  Mode\r\nand  press  YES  when  ready\r\n");
    EXPECT_EQ(TextOf(L"Instrument Calibration"),
              L"Instrument Calibration is Completed.\r\nPress OK to accept or CANCEL this Calibration\r\n");
    for (double d : adCalibrationB) EXPECT_EQ(d, 0.0);
    // Conductivity zero: vertical mean - 2 x horizontal mean.
    for (int k = 0; k < 4; k++) EXPECT_NEAR(adCalibration[8 + k], (40.0 + 10 * k) - 2 * (15.0 + k), 0.1) << k;
    // The previous set is the one in force before.
    for (int i = 0; i < 12; i++) EXPECT_EQ(adCalibrationPrev[i], 0.5 + i);
    const std::vector<std::string> lines = CoefficientLines();
    ASSERT_EQ(lines.size(), 28u);
    for (int n = 12; n < 20; n++) {
        EXPECT_EQ(lines[n].substr(2, 10), "     0.000") << lines[n];
        EXPECT_EQ(lines[n].substr(13, 10), "     0.000") << lines[n];
    }
    // Saved: the settings file holds the new zeros.
    const double dSaved = adCalibration[8];
    adCalibration[8] = 12345;
    LoadSaveSettingsFile(0);
    EXPECT_NEAR(adCalibration[8], dSaved, 1e-3);
}

// After a calibration answered No a packet at the calibration position decodes to in-phase 0, whatever the carrier
// coefficients were before.
TEST_F(Em384ProcedureTest, CalibrationPositionDecodesToZeroInphase)
{
    SetOldCoefficients();
    RunCalibrationAnsweredNo();
    ASSERT_EQ(nCalProcedureState, 0);
    PutPacket(VerticalWords());
    Em384Values v;
    DecodeEm384Packet(&v);
    for (int k = 0; k < 4; k++) EXPECT_NEAR(v.adI[k], 0.0, 1e-9) << "I" << k + 1;
}

TEST_F(Em384ProcedureTest, CalibrationWithCarrierStepsStoresTheCarrierMeans)
{
    PlatformAnswerDialog(L"CALIBRATION", 1);
    PlatformAnswerDialog(L"Horizontal Calibration", 1);
    PlatformAnswerDialog(L"Instrument Calibration", 1);
    PlatformAnswerDialog(L"Removing Carrier Effect Calibration", 1);  // Yes
    PlatformAnswerDialog(L"Removing Carrier Effect Calibration", 1);  // rotate, OK
    PlatformAnswerDialog(L"Removing Carrier Effect Calibration", 1);  // mount on the carrier, OK
    PlatformAnswerDialog(L"Calibration Completed", 1);
    RunToCompletion(VerticalWords(), HorizontalWords());
    Packet(HorizontalWords());
    ASSERT_EQ(nCalStep, 7);
    Words off = VerticalWords(), on = VerticalWords();
    on.c[0] = CondWord(40.0 + 2.0);  // pair 1 reads 2 higher on the carrier
    Settle(off);
    Step(off, 5000);
    ASSERT_EQ(nCalStep, 9);
    Settle(on);
    Step(on, 5000);
    EXPECT_EQ(nCalProcedureState, 0);
    EXPECT_EQ(nEm384CalibrationState, 2);
    EXPECT_NEAR(adCalibrationB[0], 2.0, 0.05);
    for (int j = 1; j < 8; j++) EXPECT_NEAR(adCalibrationB[j], 0.0, 1e-9) << j;
    EXPECT_NEAR(adCarrierMean[0] - adCarrierFreeMean[0], 2.0, 0.05);
    EXPECT_EQ(CoefficientLines().size(), 28u);
}

TEST_F(Em384ProcedureTest, CancelAtTheQuestionRestoresEveryCoefficientAndSavesNothing)
{
    SetOldCoefficients();
    PlatformAnswerDialog(L"CALIBRATION", 1);
    PlatformAnswerDialog(L"Horizontal Calibration", 1);
    PlatformAnswerDialog(L"Instrument Calibration", 2);
    RunToCompletion(VerticalWords(), HorizontalWords());
    Packet(HorizontalWords());
    EXPECT_EQ(nCalProcedureState, 0);
    for (int i = 0; i < 12; i++) EXPECT_EQ(adCalibration[i], 0.5 + i) << i;
    for (int i = 0; i < 8; i++) EXPECT_EQ(adCalibrationB[i], 0.01 * (i + 1)) << i;
    EXPECT_TRUE(CoefficientLines().empty());
    EXPECT_EQ(nEm384CalibrationState, 0);
}

// Every set a coefficient block records, as it stands before a calibration.
struct AllSets {
    double a[12], b[8], aPrev[12], bPrev[8], free[8], on[8];
    static AllSets Now()
    {
        AllSets s;
        memcpy(s.a, adCalibration, sizeof s.a);
        memcpy(s.b, adCalibrationB, sizeof s.b);
        memcpy(s.aPrev, adCalibrationPrev, sizeof s.aPrev);
        memcpy(s.bPrev, adCalibrationBPrev, sizeof s.bPrev);
        memcpy(s.free, adCarrierFreeMean, sizeof s.free);
        memcpy(s.on, adCarrierMean, sizeof s.on);
        return s;
    }
    bool operator==(const AllSets &o) const { return memcmp(this, &o, sizeof *this) == 0; }
};

void SetOlderSets()
{
    for (int i = 0; i < 12; i++) adCalibrationPrev[i] = -2.0 - i;
    for (int i = 0; i < 8; i++) {
        adCalibrationBPrev[i] = -0.02 * (i + 1);
        adCarrierFreeMean[i] = 100.0 + i;
        adCarrierMean[i] = 103.0 + i;
    }
}

// Cancel at the completion question leaves the previous sets too: the next coefficient block still names the
// coefficients that were in force before the ones in force now.
TEST_F(Em384ProcedureTest, CancelAtTheQuestionKeepsThePreviousSets)
{
    SetOldCoefficients();
    SetOlderSets();
    const AllSets before = AllSets::Now();
    PlatformAnswerDialog(L"CALIBRATION", 1);
    PlatformAnswerDialog(L"Horizontal Calibration", 1);
    PlatformAnswerDialog(L"Instrument Calibration", 2);
    RunToCompletion(VerticalWords(), HorizontalWords());
    Packet(HorizontalWords());
    EXPECT_EQ(nCalProcedureState, 0);
    EXPECT_TRUE(AllSets::Now() == before);
}

// A carrier step in which no packet came (after the instrument calibration was accepted): the calibration ends with
// every set as before, nothing written.
TEST_F(Em384ProcedureTest, EmptyCarrierStepLeavesEverySetAsBefore)
{
    SetOldCoefficients();
    SetOlderSets();
    const AllSets before = AllSets::Now();
    PlatformAnswerDialog(L"CALIBRATION", 1);
    PlatformAnswerDialog(L"Horizontal Calibration", 1);
    PlatformAnswerDialog(L"Instrument Calibration", 1);
    PlatformAnswerDialog(L"Removing Carrier Effect Calibration", 1);  // Yes
    PlatformAnswerDialog(L"Removing Carrier Effect Calibration", 1);  // rotate, OK
    PlatformAnswerDialog(L"Removing Carrier Effect Calibration", 1);  // mount on the carrier, OK
    RunToCompletion(VerticalWords(), HorizontalWords());
    Packet(HorizontalWords());
    ASSERT_EQ(nCalStep, 7);
    Settle(VerticalWords());
    Step(VerticalWords(), 5000);  // off the carrier
    ASSERT_EQ(nCalStep, 9);
    Settle(VerticalWords());
    ASSERT_EQ(nCalStep, 10);
    gTick += 5001;
    Packet(VerticalWords());  // the first packet on the carrier comes after the step's time
    EXPECT_EQ(nCalProcedureState, 0);
    EXPECT_TRUE(AllSets::Now() == before);
    EXPECT_TRUE(CoefficientLines().empty());
    EXPECT_EQ(Shown(L"Calibration Completed"), 0);
}

TEST_F(Em384ProcedureTest, NoAtTheStartPutsTheCoefficientsBack)
{
    SetOldCoefficients();
    PlatformAnswerDialog(L"CALIBRATION", 2);
    StartEm384Calibration();
    EXPECT_EQ(nCalProcedureState, 0);
    for (int i = 0; i < 12; i++) EXPECT_EQ(adCalibration[i], 0.5 + i);
    for (int i = 0; i < 8; i++) EXPECT_EQ(adCalibrationB[i], 0.01 * (i + 1));
}

// A collection step in which no packet came ends the calibration with nothing changed (no NaN coefficients).
TEST_F(Em384ProcedureTest, StepWithoutPacketsFailsAndChangesNothing)
{
    SetOldCoefficients();
    PlatformAnswerDialog(L"CALIBRATION", 1);
    StartEm384Calibration();
    gTick += 5001;
    Packet(VerticalWords());
    EXPECT_EQ(nCalProcedureState, 0);
    for (int i = 0; i < 12; i++) EXPECT_EQ(adCalibration[i], 0.5 + i);
    for (int i = 0; i < 8; i++) EXPECT_EQ(adCalibrationB[i], 0.01 * (i + 1));
    EXPECT_TRUE(CoefficientLines().empty());
    EXPECT_EQ(Shown(L"Horizontal Calibration"), 0);
}

TEST_F(Em384ProcedureTest, PacketAfterTheLimitIsNotSummed)
{
    PlatformAnswerDialog(L"CALIBRATION", 1);
    PlatformAnswerDialog(L"Horizontal Calibration", 1);
    StartEm384Calibration();
    Words a = VerticalWords(), b = VerticalWords();
    b.i[0] = 40000;
    gTick += 5000;
    Packet(a);  // at 5000 ms: summed
    gTick += 1;
    Packet(b);  // at 5001 ms: ends the step
    EXPECT_EQ(nCalPhase, 2);
    PutPacket(a);
    Em384Values v;
    DecodeEm384Packet(&v);
    EXPECT_NEAR(v.adI[0], 0.0, 1e-9);
}

TEST_F(Em384ProcedureTest, DriftBoxOpensAtTheTenthPacketAndOkKeepsTheMeans)
{
    PlatformAnswerDialog(L"Confirm Drift Control Procedure", 1);
    PlatformAnswerDialog(L"Drift Procedure - DONE", 1);
    StartEm384DriftControl();
    ASSERT_EQ(nCalProcedureState, -3);
    Words w;
    for (int n = 0; n < 9; n++) {
        w.c[0] = CondWord(10.0 + n);
        Packet(w);
    }
    EXPECT_EQ(Shown(L"Drift Procedure - DONE"), 0);
    w.c[0] = CondWord(19.0);
    Packet(w);
    EXPECT_EQ(Shown(L"Drift Procedure - DONE"), 1);
    EXPECT_EQ(TextOf(L"Drift Procedure - DONE"),
              L"Drift Collection Completed.\r\nTap OK to Accept or Cancel to Discard\r\n");
    EXPECT_EQ(nCalProcedureState, 0);
    EXPECT_NEAR(adDriftMean[0], 14.5, 0.05);
    std::vector<std::string> v;
    for (const std::string &r : Records())
        if (r[0] == 'V') v.push_back(r);
    ASSERT_EQ(v.size(), 4u);
    EXPECT_EQ(v[0].substr(0, 3), "V1 ");
    EXPECT_EQ(v[3].substr(0, 3), "V4 ");
}

TEST_F(Em384ProcedureTest, DriftCancelKeepsTheOldMeans)
{
    for (int i = 0; i < 8; i++) adDriftMean[i] = 7.0;
    PlatformAnswerDialog(L"Confirm Drift Control Procedure", 1);
    PlatformAnswerDialog(L"Drift Procedure - DONE", 2);
    StartEm384DriftControl();
    Words w;
    for (int n = 0; n < 10; n++) Packet(w);
    EXPECT_EQ(nCalProcedureState, 0);
    for (double d : adDriftMean) EXPECT_EQ(d, 7.0);
    EXPECT_TRUE(Records().empty());
}

// A drift count setting below one still ends the collection after one packet, with finite means.
TEST_F(Em384ProcedureTest, DriftCountBelowOneCountsAsOne)
{
    nDriftReadings = 0;
    PlatformAnswerDialog(L"Confirm Drift Control Procedure", 1);
    PlatformAnswerDialog(L"Drift Procedure - DONE", 1);
    StartEm384DriftControl();
    Words w;
    w.c[0] = CondWord(8.0);
    Packet(w);
    EXPECT_EQ(nCalProcedureState, 0);
    EXPECT_NEAR(adDriftMean[0], 8.0, 0.05);
}

TEST_F(Em384ProcedureTest, DeleteCalibrationMovesTheSetToThePreviousOne)
{
    SetOldCoefficients();
    nEm384CalibrationState = 2;
    PlatformAnswerDialog(L"Delete Calibration", 1);
    RemoveEm384Calibration();
    for (int i = 0; i < 12; i++) {
        EXPECT_EQ(adCalibration[i], 0.0);
        EXPECT_EQ(adCalibrationPrev[i], 0.5 + i);
    }
    for (int i = 0; i < 8; i++) EXPECT_EQ(adCalibrationBPrev[i], 0.01 * (i + 1));
    EXPECT_EQ(nEm384CalibrationState, 0);
    const std::vector<std::string> lines = CoefficientLines();
    ASSERT_EQ(lines.size(), 28u);
    EXPECT_EQ(lines[0].substr(2, 10), "     0.000");
    EXPECT_EQ(lines[0].substr(13, 10), "     8.500");
    // No leaves everything.
    PlatformAnswerDialog(L"Delete Calibration", 2);
    adCalibration[0] = 3.0;
    RemoveEm384Calibration();
    EXPECT_EQ(adCalibration[0], 3.0);
    EXPECT_EQ(CoefficientLines().size(), 28u);
}

}  // namespace
