// Data-file naming and creation: proposed names and the free counter (letter case ignored), the save chooser, new
// files, the Jix line's refusal of existing names, and the name taken from the chosen path.
#include "datafile_test_support.h"

namespace {

// Today's "YYMMDD_", worked out here from the local date.
std::string TodayBase()
{
    SYSTEMTIME st;
    GetLocalTime(&st);
    char sz[16];
    snprintf(sz, sizeof sz, "%02d%02d%02d_", st.wYear % 100, st.wMonth, st.wDay);
    return sz;
}

std::string Narrow(const wchar_t *w)
{
    std::string s;
    for (; *w; ++w) s += (char)*w;
    return s;
}

class DataFileNamingTest : public DataFileDialogTest {};

TEST_F(DataFileNamingTest, ProposesTheFirstFreeCounter)
{
    Build(INSTRUMENT_EM61MK2, 0);
    wchar_t szName[261];
    MakeDefaultDataFileName(nullptr, szName);
    EXPECT_EQ(Narrow(szName), TodayBase() + "000");

    WriteFileBytes(DataPath((TodayBase() + "000.T61").c_str()), "x");
    MakeDefaultDataFileName(nullptr, szName);
    EXPECT_EQ(Narrow(szName), TodayBase() + "001");

    // A name that differs only in letter case is taken.
    WriteFileBytes(DataPath((TodayBase() + "001.t61").c_str()), "x");
    MakeDefaultDataFileName(nullptr, szName);
    EXPECT_EQ(Narrow(szName), TodayBase() + "002");

    // Another instrument's extension does not count.
    WriteFileBytes(DataPath((TodayBase() + "002.RX2").c_str()), "x");
    MakeDefaultDataFileName(nullptr, szName);
    EXPECT_EQ(Narrow(szName), TodayBase() + "002");
}

TEST_F(DataFileNamingTest, GpsOnlyBuildsSearchWithGxy)
{
    Build(INSTRUMENT_EM61LX2, 1);
    bInstrumentEnabled = 0;
    WriteFileBytes(DataPath((TodayBase() + "000.GXY").c_str()), "x");
    WriteFileBytes(DataPath((TodayBase() + "001.TX2").c_str()), "x");
    wchar_t szName[261];
    MakeDefaultDataFileName(nullptr, szName);
    EXPECT_EQ(Narrow(szName), TodayBase() + "001");
    EXPECT_EQ(Narrow(DataFileExtension()), "GXY");
}

TEST_F(DataFileNamingTest, NewFileIsCreatedWithTheExtensionAndOpenedInStandBy)
{
    Build(INSTRUMENT_EM61MK2, 0);
    PlainLine();
    wcscpy(szDataFolder, L"C:\\");
    std::filesystem::create_directories(root + "/C/survey");
    PlatformScriptFileChooser(L"C:\\survey\\261209_000");
    EXPECT_EQ(CreateDataFileDialog(nullptr), 0);
    EXPECT_NE(hDataFile.load(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(nRecordingState, -1);
    EXPECT_STREQ(szDataFileName, "261209_000");
    EXPECT_EQ(Narrow(szDataFolder), "C:\\survey\\");
    EXPECT_EQ(CompleteDataFileOpen(nullptr, 0), DATAFILE_NEW);
    EXPECT_TRUE(MessageBoxesShown().empty());

    // The chooser was offered the proposal, the filter and the extension.
    std::vector<ShownDialog> shown = PlatformShownDialogs();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown[0].caption, L"Create Data File");

    std::string bytes = ReadFileBytes(root + "/C/survey/261209_000.T61");
    ASSERT_EQ(bytes.size(), 18u * 27u);  // header 9, line block 8, time record
    EXPECT_EQ(bytes.substr(0, 27), std::string("ZNTMK2  W228GPS0000  1    \n"));
    EXPECT_EQ(bytes[17 * 27], '*');
}

TEST_F(DataFileNamingTest, GpsOnlyNewFileClearsOffsetsAndColourView)
{
    Build(INSTRUMENT_EM38MK2, 0);
    bInstrumentEnabled = 0;
    dGpsOffsetX = 1.0;
    dGpsOffsetY = 2.0;
    nColorMapView = 3;
    PlatformScriptFileChooser(L"C:\\data\\gps");
    EXPECT_EQ(CreateDataFileDialog(nullptr), 0);
    EXPECT_TRUE(std::filesystem::exists(DataPath("gps.GXY")));
    EXPECT_EQ(CompleteDataFileOpen(nullptr, 0), DATAFILE_NEW);
    EXPECT_EQ(dGpsOffsetX, 0.0);
    EXPECT_EQ(dGpsOffsetY, 0.0);
    EXPECT_EQ(nColorMapView, 0);
}

TEST_F(DataFileNamingTest, JixLineNeverReusesAnExistingFile)
{
    Build(INSTRUMENT_EM61MK2, 1);
    WriteFileBytes(DataPath("OLD.P61"), "keep me");
    PlatformScriptFileChooser(L"C:\\data\\old.p61");  // the same file, other letter case
    PlatformScriptFileChooser(L"");                   // then cancelled
    EXPECT_EQ(CreateDataFileDialog(nullptr), -1);
    EXPECT_EQ(hDataFile.load(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(CompleteDataFileOpen(nullptr, -1), DATAFILE_NOT_OPEN);
    std::vector<ShownDialog> boxes = MessageBoxesShown();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, L"WARNING");
    EXPECT_EQ(boxes[0].text, L"The file already exisits. Please enter another name");
    EXPECT_EQ(ReadFileBytes(DataPath("OLD.P61")), "keep me");
}

TEST_F(DataFileNamingTest, CancelLeavesEverythingAsItWas)
{
    Build(INSTRUMENT_EM61MK2, 0);
    wcscpy(szDataFolder, L"C:\\data\\");
    PlatformScriptFileChooser(L"");
    EXPECT_EQ(CreateDataFileDialog(nullptr), -1);
    EXPECT_EQ(hDataFile.load(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(nRecordingState, 0);
    EXPECT_EQ(Narrow(szDataFolder), "C:\\data\\");
    EXPECT_EQ(CompleteDataFileOpen(nullptr, -1), DATAFILE_NOT_OPEN);
}

TEST_F(DataFileNamingTest, NameEndsAtTheFirstDot)
{
    Build(INSTRUMENT_EM61MK2, 0);
    PlatformScriptFileChooser(L"C:\\data\\A.B.T61");
    EXPECT_EQ(CreateDataFileDialog(nullptr), 0);
    EXPECT_STREQ(szDataFileName, "A");
    CloseDataFile();
    std::string bytes = ReadFileBytes(DataPath("A.B.T61"));
    EXPECT_EQ(bytes.substr(27, 12), std::string("HA          "));
}

}  // namespace
