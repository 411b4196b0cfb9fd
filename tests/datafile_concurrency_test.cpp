// Concurrency of the data file: two threads write records while a scan rewinds and reads the file again and
// again; no record is lost, torn or overwritten, and every scan sees only whole records.
#include "datafile_test_support.h"

#include <atomic>
#include <thread>

namespace {

class DataFileConcurrencyTest : public DataFileTest {};

constexpr int kEvents = 1500;   // one "X" record per write
constexpr int kMarkers = 400;   // four "{" records per write

// A whole record as written by one of the two threads (zero at the line feed, as a scan hands it over).
bool WellFormed(const char *rec)
{
    if (rec[26] != 0) return false;
    if (rec[0] == 'X') return rec[1] == 'E' && strncmp(rec + 12, "    ", 4) == 0 && rec[25] != ' ';
    if (rec[0] == '{') return rec[1] >= 'a' && rec[1] <= 'd' && strncmp(rec + 16, "          ", 10) == 0;
    return false;
}

TEST_F(DataFileConcurrencyTest, TwoWritersAndARewindingScan)
{
    Build(INSTRUMENT_EM61MK2, 0);
    std::string path = OpenFile(L"busy.T61");
    std::atomic<int> writersLeft{2};
    std::atomic<int> failures{0};

    std::thread events([&] {
        for (int n = 0; n < kEvents; n++) {
            wchar_t label[16];
            swprintf(label, 16, L"E%010d", n);
            if (!WriteTaggedRecord(label, 'X')) failures++;
        }
        writersLeft--;
    });
    std::thread markers([&] {
        for (int n = 0; n < kMarkers; n++)
            if (!WriteMarkerRecords('{', 1, n, n + 0.25, n + 0.5, n + 0.75)) failures++;
        writersLeft--;
    });

    // The scan runs on this thread meanwhile, from the start each time.
    int scans = 0;
    long badRecords = 0;
    static DataFileScan scan;
    char rec[DATA_RECORD_MAX + 1];
    do {
        BeginDataFileScan(&scan);
        while (NextScanRecord(&scan, rec))
            if (!WellFormed(rec)) badRecords++;
        scans++;
    } while (writersLeft.load() > 0);
    events.join();
    markers.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(badRecords, 0);
    EXPECT_GT(scans, 0);

    // The final scan: every record once, each thread's records in their order, the four of a set together.
    BeginDataFileScan(&scan);
    int nextEvent = 0, nextMarker = 0, total = 0;
    while (NextScanRecord(&scan, rec)) {
        total++;
        ASSERT_TRUE(WellFormed(rec)) << rec;
        if (rec[0] == 'X') {
            char expected[16];
            snprintf(expected, sizeof expected, "E%010d", nextEvent);
            ASSERT_EQ(std::string(rec + 1, 11), std::string(expected));
            nextEvent++;
        } else {
            // A set of four follows in one piece: this record and the next three.
            ASSERT_EQ(rec[1], 'a');
            for (int i = 0; i < 4; i++) {
                if (i > 0) {
                    ASSERT_TRUE(NextScanRecord(&scan, rec));
                    total++;
                    ASSERT_EQ(rec[0], '{');
                    ASSERT_EQ(rec[1], 'a' + i);
                }
                char expected[32];
                snprintf(expected, sizeof expected, "%14.3f", nextMarker + 0.25 * i);
                ASSERT_EQ(std::string(rec + 2, 14), std::string(expected));
            }
            nextMarker++;
        }
    }
    EXPECT_EQ(nextEvent, kEvents);
    EXPECT_EQ(nextMarker, kMarkers);
    EXPECT_EQ(total, kEvents + 4 * kMarkers);
    CloseDataFile();
    EXPECT_EQ(ReadFileBytes(path).size(), (size_t)(kEvents + 4 * kMarkers) * 27u);
}

// Closing the file while a reader thread writes: the writes before the close are whole, the later ones are dropped
// without a failure report.
TEST_F(DataFileConcurrencyTest, CloseWhileAThreadWrites)
{
    Build(INSTRUMENT_EM61MK2, 0);
    std::string path = OpenFile(L"closing.T61");
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        int n = 0;
        while (!stop.load()) {
            wchar_t label[16];
            swprintf(label, 16, L"E%010d", n++);
            WriteTaggedRecord(label, 'X');
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    CloseDataFile();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    stop = true;
    writer.join();
    EXPECT_EQ(bDataFileWriteFailed.load(), 0);
    std::string bytes = ReadFileBytes(path);
    ASSERT_EQ(bytes.size() % 27, 0u);
    for (size_t i = 0; i < bytes.size(); i += 27) {
        char expected[16];
        snprintf(expected, sizeof expected, "E%010d", (int)(i / 27));
        ASSERT_EQ(bytes.substr(i + 1, 11), std::string(expected));
    }
}

}  // namespace
