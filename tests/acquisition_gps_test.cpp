// GPS reader through a pseudo-terminal: checksum test per format, position spacing, GSA, broken link recovery.
#include "acquisition_test_support.h"

#include "core/settings.h"
#include "datafile/datafile.h"
#include "logscreen/logscreen.h"
#include "processing/gps_formats.h"

#include <fstream>
#include <sstream>

using namespace acqtest;

namespace {

class GpsReader : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitAcquisitionTestWindows();
        PlatformClearShownDialogs();
        PlatformAnswerDialog(L"MESSAGEOK", 1, true);
        ReceivedMessages().clear();
        nGpsPort = 5;
        nGpsBaud = 1;
        nGpsParity = 0;
        nGpsDataBits = 1;
        nGpsStopBits = 0;
        nRecordingState = 0;
        nSurveyModePrev = 0;
        nGpsIntervalMs = 910;
        dwGpsLastAcceptedTick = 0;
    }
    void TearDown() override
    {
        StopReader();
        nGpsIntervalMs = 910;
        PlatformClearDialogScripts();
    }
    void StartReader()
    {
        ASSERT_EQ(OpenGpsPort(), 1);
        ASSERT_EQ(StartGpsNmeaReader(), 1);
        ResumeThread(hGpsThread);
    }
    // Stops the reader; it closes the GPS port itself.
    void StopReader()
    {
        if (hGpsThread == INVALID_HANDLE_VALUE) return;
        StopGpsNmeaReader();
        EXPECT_TRUE(ThreadEnds(hGpsThread));
        EXPECT_EQ(hGpsPort.load(), INVALID_HANDLE_VALUE) << "the reader left its port open";
        CloseHandle(hGpsThread);
        hGpsThread = INVALID_HANDLE_VALUE;
    }
    size_t CountOf(UINT message)
    {
        size_t n = 0;
        for (const Received &r : ReceivedMessages()) n += r.message == message;
        return n;
    }
};

std::string WithWrongChecksum(const std::string &s)
{
    std::string bad = s;
    size_t star = bad.find('*');
    bad[star + 2] = bad[star + 2] == '0' ? '1' : '0';
    return bad;
}

struct FormatCase {
    int format;
    const char *sentence;  // with its correct checksum (computed independently)
    bool checksumTested;
};

TEST_F(GpsReader, ChecksumTestPerGpsFormat)
{
    const FormatCase cases[] = {
        {0, "$GPGGA,133524,4336.5940,N,07936.6403,W,8,11,2.0,142.5,M,-35.4,M,,*74", true},
        {1, "$GPGGA,133524,4336.5940,N,07936.6403,W,8,11,2.0,142.5,M,-35.4,M,,*74", true},
        {2, "$PASHR,POS,0,10,133524.00,4336.5940,N,07936.6403,W,142.5,,0.0,0.0,0.0,2.1,1.2,1.6,1.0,AB12*24", true},
        {3, "$PTNL,LLK,133524,061520,4000.123,M,5000.456,M,3,11,0.9,142.5,M*3C", true},
        {4, "$PTNL,LLQ,133524,061520,4000.123,M,5000.456,M,3,11,0.02,142.5,M*1D", true},
        {5, "$GPGLL,4336.5973,N,07936.6482,W,152346,V,S*5E", true},
        {6, "$PTNL,GGK,133524,061520,4336.5940,N,07936.6403,W,3,11,2.0,EHT142.5,M*41", true},
        {7, "$GPGGA,133524,4336.5940,N,07936.6403,W,8,11,2.0,142.5,M,-35.4,M,,*74", false},
        {8, "$GPGLL,4336.5973,N,07936.6482,W,152346,V,S*5E", false},
    };
    PortRoot root;
    int m = root.AddPty(6);
    ASSERT_GE(m, 0);
    bPseudoGga = 0;
    for (const FormatCase &c : cases) {
        ReceivedMessages().clear();
        nGpsFormat = c.format;
        SelectGpsSentenceFields();
        EXPECT_EQ(bGpsChecksumCheck.load(), c.checksumTested ? 1 : 0) << c.format;
        nGpsIntervalMs = -1;  // every position passes the spacing here
        StartReader();
        std::string bad = WithWrongChecksum(c.sentence);
        ASSERT_TRUE(WriteBytes(m, bad + "\r\n" + std::string(c.sentence) + "\r\n" + "$GPXTE,V,V*00\r\n"));
        size_t want = c.checksumTested ? 1 : 2;
        WaitUntil([&] { return CountOf(WM_GPS_POSITION) >= want; }, 3000);
        PlatformPump(100);
        StopReader();
        ASSERT_EQ(CountOf(WM_GPS_POSITION), want) << "format " << c.format;
        EXPECT_EQ(ReceivedMessages().back().bytes, c.sentence) << "format " << c.format;
        if (!c.checksumTested) {
            EXPECT_EQ(ReceivedMessages()[0].bytes, bad);
        }
        EXPECT_EQ(bGpsNoChecksum.load(), c.checksumTested ? 0 : 1);
    }
}

TEST_F(GpsReader, PositionsCloserThan910MsAreNotPassedOn)
{
    PortRoot root;
    int m = root.AddPty(6);
    nGpsFormat = 1;
    SelectGpsSentenceFields();
    StartReader();
    const std::string gga = "$GPGGA,133524,4336.5940,N,07936.6403,W,8,11,2.0,142.5,M,-35.4,M,,*74\r\n";
    ASSERT_TRUE(WriteBytes(m, gga));
    PlatformPump(300);
    ASSERT_TRUE(WriteBytes(m, gga));
    PlatformPump(1000);
    ASSERT_TRUE(WriteBytes(m, gga));
    WaitUntil([&] { return CountOf(WM_GPS_POSITION) >= 2; }, 3000);
    PlatformPump(100);
    EXPECT_EQ(CountOf(WM_GPS_POSITION), 2u);
}

TEST_F(GpsReader, SatelliteSentenceOnlyInGgaGsaFormat)
{
    PortRoot root;
    int m = root.AddPty(6);
    const std::string gsa = "$GPGSA,A,3,01,07,08,11,13,17,27,28,30,,,,3.6,2.0,3.0*30\r\n";
    for (int format : {0, 1}) {
        ReceivedMessages().clear();
        nGpsFormat = format;
        SelectGpsSentenceFields();
        StartReader();
        ASSERT_TRUE(WriteBytes(m, gsa + gsa));
        WaitUntil([&] { return CountOf(WM_GPS_DOP) >= 2; }, format == 0 ? 3000 : 400);
        StopReader();
        EXPECT_EQ(CountOf(WM_GPS_DOP), format == 0 ? 2u : 0u) << format;
    }
}

TEST_F(GpsReader, BrokenLinkIsReopenedAndTheBreakRecorded)
{
    PortRoot root;
    int m = root.AddPty(6);
    nGpsFormat = 1;
    SelectGpsSentenceFields();
    bDisconnectAlarm = 1;
    // A data file while logging receives the break record.
    mkdir((root.root() + "/C").c_str(), 0755);
    std::string dataPath = root.root() + "/C/gpsbreak.T61";
    wcscpy(szDataFilePath, L"C:\\gpsbreak.T61");
    ASSERT_EQ(OpenDataFileHandle(), 1);
    nRecordingState = 1;

    StartReader();
    HANDLE hFirst = hGpsPort;
    const std::string gga = "$GPGGA,133524,4336.5940,N,07936.6403,W,8,11,2.0,142.5,M,-35.4,M,,*74\r\n";
    ASSERT_TRUE(WriteBytes(m, gga));
    ASSERT_TRUE(WaitUntil([&] { return CountOf(WM_GPS_POSITION) >= 1; }, 3000));

    // The receiver goes away (its end closes); a new one appears on the same port name.
    root.CloseMaster(m);
    int m2 = root.AddPty(6);
    ASSERT_GE(m2, 0);
    ASSERT_TRUE(WaitUntil([&] { return hGpsPort.load() != hFirst && hGpsPort.load() != INVALID_HANDLE_VALUE; }, 8000))
        << "the GPS port was not reopened";
    PlatformPump(1000);
    ASSERT_TRUE(WriteBytes(m2, gga));
    EXPECT_TRUE(WaitUntil([&] { return CountOf(WM_GPS_POSITION) >= 2; }, 3000));
    StopReader();
    nRecordingState = 0;

    std::vector<std::wstring> sounds = PlatformSoundLog();
    EXPECT_NE(std::find(sounds.begin(), sounds.end(), L"SOUND_RING"), sounds.end());
    CloseDataFile();
    std::ifstream in(dataPath, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    // The event label is cut to the record's 11 characters.
    EXPECT_NE(content.str().find("XGPS CONN BR "), std::string::npos) << content.str();
    EXPECT_TRUE(DialogsWithText(L"COM6").empty());
}

TEST_F(GpsReader, FailedReopenShowsItsBoxOnTheUserInterfaceThreadAndTheReaderGoesOn)
{
    PortRoot root;
    int m = root.AddPty(6);
    nGpsFormat = 1;
    SelectGpsSentenceFields();
    StartReader();
    root.CloseMaster(m);
    root.LinkTo(6, root.root() + "/unplugged");
    ASSERT_TRUE(WaitUntil([&] { return !DialogsWithText(L"Port COM6 does not exists").empty(); }, 8000));
    EXPECT_EQ(hGpsPort.load(), INVALID_HANDLE_VALUE);
    // The receiver comes back: the next watchdog round opens it again.
    int m2 = root.AddPty(6);
    ASSERT_TRUE(WaitUntil([&] { return hGpsPort.load() != INVALID_HANDLE_VALUE; }, 8000));
    (void)m2;
}

}  // namespace
