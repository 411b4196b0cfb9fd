// The real program's data file when the disk fills up (a small tmpfs as the data folder) and when the file or its
// folder is deleted while recording: whole records only, nothing shifted, a failure never shown as recording, and a
// deleted file put back with every reading.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/mount.h>
#include <unistd.h>
#include <vector>

#include "core/core.h"
#include "core/rates.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "logscreen/logscreen.h"
#include "support/emulator_client.h"
#include "support/program_runner.h"
#include "support/survey_harness.h"

using namespace survey;

namespace {

// The EM61-MK2 streaming fast (one reading per frame) into the logging screen, the data file C:\data\<file> open in
// stand-by.
void MonitorAndOpenFile(const wchar_t *szFile)
{
    UseEmulatorPorts(false);
    nPauseKey = 0;
    nSurveyMode = 0;
    dSampleInterval = 0.05;
    PlatformAnswerDialog(L"MESSAGEOK", 1, true);
    PlatformPressKey('L');
    CHILD_CHECK(nActiveScreen == 1);
    CHILD_CHECK(WaitNormalOperation(15000));
    PlatformScriptFileChooser(szFile);
    PlatformPressKey('F');
    CHILD_CHECK(nRecordingState == -1);
    CHILD_CHECK(IsOpenHandle(hDataFile.load()));
}

long long FileSize(const std::string &path)
{
    std::error_code ec;
    auto n = std::filesystem::file_size(path, ec);
    return ec ? -1 : (long long)n;
}

// Counts of the records of a finished file; fails the test on a part record or a record without its line feed.
struct FileCounts {
    int started = 0, paused = 0, readings = 0, other = 0;
};
FileCounts CountRecords(const std::string &bytes)
{
    FileCounts c;
    size_t tail = 0;
    std::vector<Record> recs = SplitRecords(bytes, 27, &tail);
    EXPECT_EQ(tail, 0u) << "the file ends inside a record";
    for (const Record &r : recs) {
        EXPECT_EQ(r.bytes[26], '\n') << "record " << r.index << " shifted: [" << r.bytes << "]";
        if (r.StartsWith("X$STARTED"))
            c.started++;
        else if (r.StartsWith("XPAUSED"))
            c.paused++;
        else if (IsEm61Mk2Reading(r))
            c.readings++;
        else
            c.other++;
    }
    return c;
}

class DataFileLossE2e : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (!mounted.empty()) umount2(mounted.c_str(), MNT_DETACH);
    }
    std::string mounted;
};

// The disk fills while recording: the FILE ERROR box, stand-by, the file at its last whole record. Go while it is
// still full: the box again and stand-by, nothing written. Go after space is freed: recording goes on, every record
// after the tear whole and in place.
TEST_F(DataFileLossE2e, FullDiskDropsToStandByAndGoAfterwardsShiftsNothing)
{
    std::string root = emu::MakeTempRoot("datafile_loss_full");
    std::filesystem::create_directories(root + "/C/data");
    if (mount("tmpfs", (root + "/C/data").c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "a tmpfs cannot be mounted here";
    mounted = root + "/C/data";
    const std::string path = root + "/C/data/full.T61";
    const std::string filler = root + "/C/data/filler.bin";
    emu::Emulator dev(root, {"COM4=em61mk2:static,answer=OV"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(dev.ok("COM4 rate 100"));
    ChildResult r = RunProgramInChild(StartIn(root, 0), [&]() {
        MonitorAndOpenFile(L"C:\\data\\full.T61");
        const long long nOpened = FileSize(path);
        PlatformPressKey('G');
        CHILD_CHECK(nRecordingState == 1);
        CHILD_CHECK(PlatformWaitFor([&] { return FileSize(path) >= nOpened + 10 * 27; }, 15000));

        // Every free page taken: the record that crosses into the next page no longer fits.
        int fd = open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        CHILD_CHECK(fd >= 0);
        std::vector<char> block(4096, 'f');
        while (write(fd, block.data(), block.size()) > 0) {
        }
        close(fd);
        PlatformClearShownDialogs();
        CHILD_CHECK(PlatformWaitFor([] { return nRecordingState == -1; }, 20000));
        CHILD_CHECK(ShownWith(L"FILE ERROR"));
        CHILD_CHECK(FileSize(path) % 27 == 0);

        // Go on the full disk: told again, stand-by, nothing written.
        PlatformPump(300);
        const long long nStandBy = FileSize(path);
        for (int go = 0; go < 2; go++) {
            PlatformClearShownDialogs();
            PlatformPressKey('G');
            PlatformPump(300);
            CHILD_CHECK(nRecordingState == -1);
            CHILD_CHECK(ShownWith(L"FILE ERROR"));
            CHILD_CHECK(FileSize(path) == nStandBy);
        }

        // Space freed: Go records again after the last whole record.
        CHILD_CHECK(unlink(filler.c_str()) == 0);
        PlatformClearShownDialogs();
        PlatformPressKey('G');
        CHILD_CHECK(nRecordingState == 1);
        CHILD_CHECK(PlatformWaitFor([&] { return FileSize(path) >= nStandBy + 20 * 27; }, 15000));
        PauseAndStop();
        CHILD_CHECK(!ShownWith(L"FILE ERROR"));
        CloseProgram();
        return 0;
    }, 120);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    FileCounts c = CountRecords(ReadFileBytes(path));
    EXPECT_EQ(c.started, 2);
    EXPECT_EQ(c.paused, 1);
    EXPECT_GE(c.readings, 30);
}

// The data folder deleted while recording: the file is put back with every reading while recording goes on, the
// operator told once.
TEST_F(DataFileLossE2e, DataFolderDeletedWhileRecordingIsPutBackWithEveryReading)
{
    std::string root = emu::MakeTempRoot("datafile_loss_deleted");
    const std::string path = root + "/C/data/gone.P61";
    emu::Emulator dev(root, {"COM4=em61mk2:static,answer=OV"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(dev.ok("COM4 rate 50"));
    ChildResult r = RunProgramInChild(StartIn(root, 1), [&]() {
        Facts facts;
        MonitorAndOpenFile(L"C:\\data\\gone.P61");
        PlatformPressKey('G');
        CHILD_CHECK(nRecordingState == 1);
        CHILD_CHECK(PlatformWaitFor([] { return nTotalReadingCount >= 10; }, 15000));
        std::filesystem::remove_all(std::filesystem::path(path).parent_path());
        PlatformClearShownDialogs();
        CHILD_CHECK(PlatformWaitFor([&] { return FileSize(path) > 0 && ShownWith(L"WARNING"); }, 15000));
        CHILD_CHECK(nRecordingState == 1);
        const int nAtPutBack = nTotalReadingCount;
        CHILD_CHECK(PlatformWaitFor([&] { return nTotalReadingCount >= nAtPutBack + 10; }, 15000));
        PlatformPressKey(kKeySpace);
        CHILD_CHECK(nRecordingState == -1);
        facts.Set("readings", nTotalReadingCount);
        int nWarnings = 0;
        for (const ShownDialog &d : PlatformShownDialogs()) nWarnings += d.caption == L"WARNING";
        facts.Set("warnings", nWarnings);
        return StopSavingFacts(facts, root);
    }, 120);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    Facts facts = Facts::Load(FactsPath(root));
    EXPECT_EQ(facts.Get("warnings"), 1);
    FileCounts c = CountRecords(ReadFileBytes(root + "/C/data/gone.P61"));
    EXPECT_EQ(c.started, 1);
    EXPECT_EQ(c.paused, 1);
    // Every counted reading is in the file; a frame older than the start is counted but not written.
    EXPECT_LE(c.readings, facts.Get("readings"));
    EXPECT_GE(c.readings, facts.Get("readings") - 1);
}

}  // namespace
