// Data file on a full disk (a small tmpfs as its folder) and deleted while open: whole records only, nothing shifted,
// the file put back at its path from the open handle.
#include "datafile_test_support.h"

#include <sys/mount.h>
#include <thread>
#include <unistd.h>

namespace {

const wchar_t kFileErrorText[] = L"Cannot write to the data file.\r\nCheck the card or disk.\r\nRecording is paused.";

// An event record of this label at the fixed tick.
std::string Event(const std::string &label)
{
    std::string padded = label;
    padded.resize(11, ' ');
    return Rec("X" + padded + "     123456789");
}

class DataFileLossTest : public DataFileDialogTest {
protected:
    void TearDown() override
    {
        DataFileDialogTest::TearDown();
        if (!mounted.empty()) umount2(mounted.c_str(), MNT_DETACH);
    }

    // Mounts a tmpfs of `bytes` on the data folder; false (the test is skipped) where that is not allowed.
    bool MountSmallDataFolder(const char *size)
    {
        std::string folder = root + "/C/data";
        std::string options = std::string("size=") + size;
        if (mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) != 0) return false;
        mounted = folder;
        return true;
    }

    int Count(const std::wstring &caption, const std::wstring &text = L"")
    {
        int n = 0;
        for (const ShownDialog &d : MessageBoxesShown())
            if (d.caption == caption && (text.empty() || d.text == text)) n++;
        return n;
    }

    // Every record whole: the size a multiple of 27 and the line feed at byte 26 of each.
    static ::testing::AssertionResult WholeRecords(const std::string &bytes)
    {
        if (bytes.size() % 27 != 0)
            return ::testing::AssertionFailure() << bytes.size() % 27 << " bytes of a part record at the end";
        for (size_t i = 0; i < bytes.size(); i += 27)
            if (bytes[i + 26] != '\n') return ::testing::AssertionFailure() << "record " << i / 27 << " shifted";
        return ::testing::AssertionSuccess();
    }

    std::string mounted;
};

// A record that no longer fits is cut back: the file ends at its last whole record, told once; after space is freed
// the next records follow it whole, in order.
TEST_F(DataFileLossTest, FullDiskLeavesNoPartRecordAndNothingShiftedAfterSpaceIsFreed)
{
    Build(INSTRUMENT_EM61MK2, 0);
    if (!MountSmallDataFolder("12k")) GTEST_SKIP() << "a tmpfs cannot be mounted here";
    WriteFileBytes(DataPath("filler.bin"), std::string(4096, 'f'));
    std::string path = OpenFile(L"full.T61");

    int nWritten = 0;
    while (nWritten < 2000 && WriteTaggedRecord((L"N" + std::to_wstring(nWritten)).c_str(), 'X')) nWritten++;
    ASSERT_LT(nWritten, 2000) << "the disk never filled";
    std::string bytes = ReadFileBytes(path);
    EXPECT_TRUE(WholeRecords(bytes));
    EXPECT_EQ(bytes.size(), (size_t)nWritten * 27);
    // Writes while the disk is still full fail and leave the file as it is.
    EXPECT_EQ(WriteTimeRecord(), 0);
    EXPECT_EQ(WriteMarkerRecords('{', 1, 1, 2, 3, 4), 0);
    EXPECT_EQ(ReadFileBytes(path), bytes);
    EXPECT_EQ(Count(L"FILE ERROR", kFileErrorText), 1);

    std::filesystem::remove(DataPath("filler.bin"));
    BeginDataFileRun();
    ASSERT_EQ(WriteTaggedRecord(L"$STARTED", 'X'), 1);
    ASSERT_EQ(WriteMarkerRecords('{', 1, 1, 2, 3, 4), 1);
    EXPECT_EQ(FlushDataFile(), 1);
    std::string after = ReadFileBytes(path);
    ASSERT_TRUE(WholeRecords(after));
    ASSERT_EQ(after.size(), bytes.size() + 5 * 27);
    EXPECT_EQ(after.compare(0, bytes.size(), bytes), 0);
    EXPECT_EQ(after.substr(bytes.size(), 27), Event("$STARTED"));
    EXPECT_EQ(after.substr(bytes.size() + 27, 3), "{a ");
    EXPECT_EQ(Count(L"FILE ERROR"), 1);
}

// A recording run tells its failure again: the report is once per run, not once per opened file.
TEST_F(DataFileLossTest, EachRecordingRunTellsItsFailure)
{
    Build(INSTRUMENT_EM61MK2, 0);
    wcscpy(szDataFilePath, L"/dev/full");
    ASSERT_EQ(OpenDataFileHandle(), 1);
    for (int run = 1; run <= 3; run++) {
        BeginDataFileRun();
        EXPECT_EQ(bDataFileWriteFailed.load(), 0);
        EXPECT_EQ(WriteTaggedRecord(L"$STARTED", 'X'), 0);
        EXPECT_EQ(WriteTimeRecord(), 0);
        EXPECT_EQ(bDataFileWriteFailed.load(), 1);
        EXPECT_EQ(Count(L"FILE ERROR", kFileErrorText), run);
    }
}

struct LossCase {
    const char *name;
    bool removeFolder;  // the whole data folder goes, not only the file
};

// The file, or its folder with it, deleted while open: put back at its path with every byte, the operator told once,
// and the records written afterwards go to the file at the path.
TEST_F(DataFileLossTest, DeletedFileIsPutBackWithEveryByte)
{
    for (const LossCase c : {LossCase{"file", false}, LossCase{"folder", true}}) {
        SCOPED_TRACE(c.name);
        PlatformClearShownDialogs();
        Build(INSTRUMENT_EM61MK2, 0);
        std::string path = root + "/C/data/sub/gone.T61";
        std::filesystem::remove_all(root + "/C/data/sub");
        std::filesystem::create_directories(root + "/C/data/sub");
        swprintf(szDataFilePath, 261, L"C:\\data\\sub\\gone.T61");
        ASSERT_EQ(OpenDataFileHandle(), 1);
        for (int i = 0; i < 3000; i++) ASSERT_EQ(WriteTaggedRecord(L"BEFORE", 'X'), 1);
        std::string before = ReadFileBytes(path);
        if (c.removeFolder)
            std::filesystem::remove_all(root + "/C/data");
        else
            std::filesystem::remove(path);
        ASSERT_FALSE(std::filesystem::exists(path));
        ASSERT_EQ(WriteTaggedRecord(L"BETWEEN", 'X'), 1);

        EXPECT_EQ(CheckDataFileAtPath(), 1);
        ASSERT_TRUE(std::filesystem::exists(path));
        EXPECT_EQ(ReadFileBytes(path), before + Event("BETWEEN"));
        EXPECT_EQ(Count(L"WARNING"), 1);
        // Once put back it is the file at its path again: nothing more to do or tell.
        EXPECT_EQ(CheckDataFileAtPath(), 1);
        ASSERT_EQ(WriteTaggedRecord(L"AFTER", 'X'), 1);
        EXPECT_EQ(ReadFileBytes(path), before + Event("BETWEEN") + Event("AFTER"));
        EXPECT_EQ(Count(L"WARNING"), 1);
        EXPECT_EQ(Count(L"FILE ERROR"), 0);
        // A scan reads the file from its start as before.
        DataFileScan scan;
        BeginDataFileScan(&scan);
        char rec[DATA_RECORD_MAX];
        int n = 0;
        while (NextScanRecord(&scan, rec)) n++;
        EXPECT_EQ(n, 3002);
        CloseDataFile();
    }
}

// A writer thread that finds the file deleted has it put back by the user-interface thread (the notice window).
TEST_F(DataFileLossTest, WriterThreadHandsThePutBackToTheUserInterfaceThread)
{
    Build(INSTRUMENT_EM61MK2, 0);
    std::string path = OpenFile(L"thread.T61");
    ASSERT_EQ(WriteTaggedRecord(L"ONE", 'X'), 1);
    std::filesystem::remove(path);
    int result = 0;
    std::thread writer([&] { result = WriteTaggedRecord(L"TWO", 'X'); });
    writer.join();
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(PlatformWaitFor([&] { return std::filesystem::exists(path) && Count(L"WARNING") == 1; }, 5000));
    EXPECT_EQ(ReadFileBytes(path), Event("ONE") + Event("TWO"));
}

// A file merely renamed goes on under its new name; nothing is made at the old path.
TEST_F(DataFileLossTest, RenamedFileGoesOnUnderItsNewName)
{
    Build(INSTRUMENT_EM61MK2, 0);
    std::string path = OpenFile(L"old.T61");
    ASSERT_EQ(WriteTaggedRecord(L"ONE", 'X'), 1);
    std::filesystem::rename(path, DataPath("new.T61"));
    EXPECT_EQ(CheckDataFileAtPath(), 1);
    ASSERT_EQ(WriteTaggedRecord(L"TWO", 'X'), 1);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(ReadFileBytes(DataPath("new.T61")), Event("ONE") + Event("TWO"));
    EXPECT_TRUE(MessageBoxesShown().empty());
}

// Deleted and another file made at its path: that file is not overwritten; the loss is told once and the check
// fails (the session drops to stand-by) until the path is free again.
TEST_F(DataFileLossTest, DeletedFileThatCannotBePutBackIsToldOnce)
{
    Build(INSTRUMENT_EM61MK2, 0);
    std::string path = OpenFile(L"taken.T61");
    ASSERT_EQ(WriteTaggedRecord(L"ONE", 'X'), 1);
    std::filesystem::remove(path);
    WriteFileBytes(path, "someone else's");
    EXPECT_EQ(CheckDataFileAtPath(), 0);
    EXPECT_EQ(CheckDataFileAtPath(), 0);
    EXPECT_EQ(ReadFileBytes(path), "someone else's");
    EXPECT_EQ(Count(L"FILE ERROR",
                    L"The data file was deleted from the disk\r\nand cannot be written back.\r\nRecording is paused."),
              1);
    EXPECT_EQ(bDataFileWriteFailed.load(), 1);

    std::filesystem::remove(path);
    BeginDataFileRun();
    EXPECT_EQ(CheckDataFileAtPath(), 1);
    EXPECT_EQ(ReadFileBytes(path), Event("ONE"));
}

// The put-back itself on a full disk: no part copy is left at the path, and the open file keeps every byte.
TEST_F(DataFileLossTest, PutBackOnAFullDiskLeavesNoPartCopy)
{
    Build(INSTRUMENT_EM61MK2, 0);
    if (!MountSmallDataFolder("128k")) GTEST_SKIP() << "a tmpfs cannot be mounted here";
    std::string path = OpenFile(L"big.T61");
    for (int i = 0; i < 1500; i++) ASSERT_EQ(WriteTaggedRecord(L"REC", 'X'), 1);
    std::string before = ReadFileBytes(path);
    std::filesystem::remove(path);
    // Its blocks stay taken while it is open: a filler takes the rest.
    WriteFileBytes(DataPath("filler.bin"), std::string(128 * 1024, 'f'));
    EXPECT_EQ(CheckDataFileAtPath(), 0);
    EXPECT_FALSE(std::filesystem::exists(path));
    std::filesystem::remove(DataPath("filler.bin"));
    BeginDataFileRun();
    EXPECT_EQ(CheckDataFileAtPath(), 1);
    EXPECT_EQ(ReadFileBytes(path), before);
}

}  // namespace
