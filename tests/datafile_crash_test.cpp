// Crash safety of the data file: a child process writes records and is killed with SIGKILL at random moments;
// every record it had written is in the file, whole, in order.
#include "datafile_test_support.h"

#include <csignal>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class DataFileCrashTest : public DataFileTest {};

// The child: numbered event records, one write each; after each write its number goes down the pipe.
[[noreturn]] void WriteUntilKilled(int fd)
{
    for (long n = 0;; n++) {
        wchar_t label[16];
        swprintf(label, 16, L"N%010ld", n);
        if (!WriteTaggedRecord(label, 'X')) _exit(3);
        if (write(fd, &n, sizeof n) != (ssize_t)sizeof n) _exit(4);
    }
}

TEST_F(DataFileCrashTest, EveryWrittenRecordSurvivesSigkill)
{
    Build(INSTRUMENT_EM61MK2, 0);
    std::mt19937 rng(20261209);
    std::uniform_int_distribution<int> delayUs(200, 20000);
    for (int round = 0; round < 12; round++) {
        std::string name = "crash" + std::to_string(round) + ".T61";
        std::wstring wname(name.begin(), name.end());
        std::string path = OpenFile(wname.c_str());
        int pipeFd[2];
        ASSERT_EQ(pipe(pipeFd), 0);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(pipeFd[0]);
            WriteUntilKilled(pipeFd[1]);
        }
        close(pipeFd[1]);
        CloseDataFile();  // the parent's handle plays no part
        usleep((useconds_t)delayUs(rng));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "child ended by itself: " << status;
        long last = -1, n;
        while (read(pipeFd[0], &n, sizeof n) == (ssize_t)sizeof n) last = n;
        close(pipeFd[0]);

        std::string bytes = ReadFileBytes(path);
        ASSERT_EQ(bytes.size() % 27, 0u) << "a torn record in round " << round;
        long count = (long)(bytes.size() / 27);
        EXPECT_GE(count, last + 1) << "records written before the kill are missing";
        for (long i = 0; i < count; i++) {
            char expected[64];
            snprintf(expected, sizeof expected, "XN%010ld     123456789\n", i);
            ASSERT_EQ(bytes.substr((size_t)i * 27, 27), std::string(expected)) << "round " << round;
        }
    }
}

}  // namespace
