// Tilt meter: checksummed sentences accepted and bad ones rejected (and kept while logging), angles, corrections
// and the tilt record.
#include "acquisition_test_support.h"

#include "core/settings.h"
#include "datafile/datafile.h"
#include "logscreen/logscreen.h"

#include <cmath>
#include <fstream>
#include <sstream>

using namespace acqtest;

namespace {

class TiltMeter : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitAcquisitionTestWindows();
        ReceivedMessages().clear();
        nTiltPort = 6;
        nTiltBaud = 1;
        nRecordingState = 0;
        nTiltRollField = 5;
        nTiltPitchField = 6;
        dGpsAntennaHeight = 2.0;
        dTiltCorrectionFactor = 1.0;
        mkdir((root_.root() + "/C").c_str(), 0755);
    }
    void TearDown() override
    {
        nRecordingState = 0;
        CloseDataFile();
    }
    void OpenDataFile()
    {
        wcscpy(szDataFilePath, L"C:\\tilt.T61");
        ASSERT_EQ(OpenDataFileHandle(), 1);
        SetDataRecordLength(27);
    }
    std::string DataFileContent()
    {
        std::ifstream in(root_.root() + "/C/tilt.T61", std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    PortRoot root_;
};

TEST_F(TiltMeter, GoodSentencesAreSentBadOnesKeptWhileLogging)
{
    int m = root_.AddPty(7);
    OpenDataFile();
    nRecordingState = 1;
    ASSERT_EQ(OpenTiltPort(), 1);
    HANDLE hThread = CreateThread(nullptr, 0, TiltReaderThread, nullptr, 0, nullptr);
    PlatformPump(30);
    ASSERT_TRUE(WriteBytes(m, "$PTILT,A,B,C,-1.237,0.5,T*6F\r\n"   // wrong checksum
                              "$PTILT,A,B,C,-1.237,0.5,T*6E\r\n"   // good
                              "$PTILT,A,B,C,80,-80,T\r\n"          // no checksum
                              "$PTILT,A,B,C,80,-80,T*6C\r\n"));    // good
    WaitUntil([&] { return ReceivedMessages().size() >= 2; }, 3000);
    PlatformPump(100);
    StopTiltReader();
    EXPECT_TRUE(ThreadEnds(hThread));
    CloseHandle(hThread);
    ASSERT_EQ(ReceivedMessages().size(), 2u);
    EXPECT_EQ(ReceivedMessages()[0].message, (UINT)WM_TILT_SENTENCE);
    EXPECT_EQ(ReceivedMessages()[0].bytes, "$PTILT,A,B,C,-1.237,0.5,T*6E");
    EXPECT_EQ(ReceivedMessages()[1].bytes, "$PTILT,A,B,C,80,-80,T*6C");
    // The two bad sentences are kept as "\" records of the record length.
    std::string content = DataFileContent();
    ASSERT_EQ(content.size(), 54u);
    EXPECT_EQ(content.substr(0, 27), "\\$PTILT,A,B,C,-1.237,0.5,T\n");
    EXPECT_EQ(content.substr(27, 27), "\\$PTILT,A,B,C,80,-80,T    \n");
}

TEST_F(TiltMeter, AnglesAreClampedAndTurnedIntoCorrections)
{
    const double kRad = 0.0174532925199433;
    strcpy(szTilt, "$PTILT,A,B,C,80,-80,T*6C");
    ProcessTiltSentence(nullptr, WM_TILT_SENTENCE, 0, 0);
    EXPECT_NEAR(dTiltCorrectionRoll, -2.0 * tan(75 * kRad), 1e-9);
    EXPECT_NEAR(dTiltCorrectionPitch, 2.0 * tan(-75 * kRad), 1e-9);
    EXPECT_EQ(szTilt[0], 0) << "the handler empties the sentence";

    strcpy(szTilt, "$PTILT,A,B,C,xyz*00");  // roll not a number, pitch missing
    ProcessTiltSentence(nullptr, WM_TILT_SENTENCE, 0, 0);
    EXPECT_EQ(dTiltCorrectionRoll, 0.0);
    EXPECT_EQ(dTiltCorrectionPitch, 0.0);

    dTiltCorrectionFactor = 0.0;
    strcpy(szTilt, "$PTILT,A,B,C,10,10,T*00");
    ProcessTiltSentence(nullptr, WM_TILT_SENTENCE, 0, 0);
    EXPECT_EQ(dTiltCorrectionRoll, 0.0);
    EXPECT_EQ(dTiltCorrectionPitch, 0.0);
}

TEST_F(TiltMeter, TiltRecordWhileLogging)
{
    OpenDataFile();
    nRecordingState = 1;
    dwTiltTick = 1234567;
    strcpy(szTilt, "$PTILT,A,B,C,-1.237,0.5,T*6E");
    ProcessTiltSentence(nullptr, WM_TILT_SENTENCE, 0, 0);
    std::string content = DataFileContent();
    ASSERT_EQ(content.size(), 27u);
    EXPECT_EQ(content.substr(0, 23), "~-00123+00050   1234567");
    EXPECT_EQ(content.substr(23, 3), std::string(3, '\0'));
    EXPECT_EQ(content[26], '\n');
}

}  // namespace
