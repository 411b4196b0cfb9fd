// A data file that cannot be written (/dev/full): one FILE ERROR box per opened file, from the user-interface
// thread or handed over by a reader thread, the failure returned, and a new file that cannot be started refused.
#include "datafile_test_support.h"

#include <thread>

namespace {

const wchar_t kFileErrorText[] = L"Cannot write to the data file.\r\nCheck the card or disk.\r\nRecording is paused.";

class DataFileWriteFailureTest : public DataFileDialogTest {
protected:
    std::vector<ShownDialog> FileErrors()
    {
        std::vector<ShownDialog> errors;
        for (const ShownDialog &d : MessageBoxesShown())
            if (d.caption == L"FILE ERROR") errors.push_back(d);
        return errors;
    }
};

TEST_F(DataFileWriteFailureTest, FullDeviceGivesOneBoxAndAFailure)
{
    Build(INSTRUMENT_EM61MK2, 0);
    wcscpy(szDataFilePath, L"/dev/full");
    ASSERT_EQ(OpenDataFileHandle(), 1);
    EXPECT_EQ(WriteTaggedRecord(L"$STARTED", 'X'), 0);
    EXPECT_EQ(WriteTimeRecord(), 0);
    EXPECT_EQ(WriteMarkerRecords('{', 1, 1, 2, 3, 4), 0);
    EXPECT_EQ(FlushDataFile(), 0);
    EXPECT_EQ(bDataFileWriteFailed.load(), 1);
    std::vector<ShownDialog> errors = FileErrors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].templateName, L"MESSAGEOK");
    EXPECT_EQ(errors[0].text, kFileErrorText);

    // Reopened, the next failure is told again.
    ASSERT_EQ(OpenDataFileHandle(), 1);
    EXPECT_EQ(bDataFileWriteFailed.load(), 0);
    EXPECT_EQ(WriteTaggedRecord(L"PAUSED", 'X'), 0);
    EXPECT_EQ(FileErrors().size(), 2u);
}

TEST_F(DataFileWriteFailureTest, ReaderThreadFailureIsShownByTheUserInterfaceThread)
{
    Build(INSTRUMENT_EM61MK2, 0);
    wcscpy(szDataFilePath, L"/dev/full");
    ASSERT_EQ(OpenDataFileHandle(), 1);
    int results[2] = {1, 1};
    std::thread reader([&] {
        results[0] = WriteTextRecord("$GPGGA,1", 1, '@', '#', '!', ' ');
        results[1] = WriteTextRecord("$GPGSA,2", 1, '@', '#', '!', ' ');
    });
    reader.join();
    EXPECT_EQ(results[0], 0);
    EXPECT_EQ(results[1], 0);
    EXPECT_TRUE(PlatformWaitFor([&] { return !FileErrors().empty(); }, 5000));
    PlatformPump(100);
    EXPECT_EQ(FileErrors().size(), 1u);
}

TEST_F(DataFileWriteFailureTest, NewFileThatCannotBeWrittenIsNotTakenAsOpen)
{
    Build(INSTRUMENT_EM61MK2, 0);
    std::filesystem::create_symlink("/dev/full", DataPath("full.T61"));
    PlatformScriptFileChooser(L"C:\\data\\full.T61");
    int result = CreateDataFileDialog(nullptr);
    EXPECT_EQ(hDataFile.load(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(nRecordingState, 0);
    EXPECT_EQ(CompleteDataFileOpen(nullptr, result), DATAFILE_WRITE_FAILED);
    std::vector<ShownDialog> boxes = MessageBoxesShown();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, L"FILE ERROR");
    EXPECT_EQ(boxes[0].text, kFileErrorText);
}

}  // namespace
