// Instrument command exchange and tilt output-rate command against a pseudo-terminal playing the device.
#include "acquisition_test_support.h"

#include "core/settings.h"
#include "support/emulator_client.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

using namespace acqtest;

namespace {

// Plays a device on the master end: collects what the program writes and answers each complete command.
class DeviceSide {
public:
    DeviceSide(int master, std::function<std::string(const std::string &)> answer) : m_(master), answer_(answer)
    {
        thread_ = std::thread([this] { Run(); });
    }
    ~DeviceSide()
    {
        stop_ = true;
        thread_.join();
    }
    std::string received()
    {
        std::lock_guard<std::mutex> g(lock_);
        return all_;
    }

private:
    void Run()
    {
        std::string pending;
        while (!stop_) {
            struct pollfd p {
                m_, POLLIN, 0
            };
            if (poll(&p, 1, 5) <= 0 || !(p.revents & POLLIN)) continue;
            char buf[64];
            ssize_t n = read(m_, buf, sizeof buf);
            if (n <= 0) continue;
            {
                std::lock_guard<std::mutex> g(lock_);
                all_.append(buf, (size_t)n);
            }
            pending.append(buf, (size_t)n);
            std::string reply = answer_(pending);
            if (!reply.empty() || pending.size() >= 2) {
                if (!reply.empty()) WriteBytes(m_, reply);
                if (pending.size() >= 2) pending.clear();
            }
        }
    }
    int m_;
    std::function<std::string(const std::string &)> answer_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::mutex lock_;
    std::string all_;
};

class InstrumentCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitAcquisitionTestWindows();
        PlatformAnswerDialog(L"MESSAGEOK", 1, true);
        nInstrumentPort = 3;
        nInstrumentType = INSTRUMENT_EM61MK2;
        m_ = root_.AddPty(4);
        ASSERT_GE(m_, 0);
        ASSERT_EQ(OpenInstrumentPort(1), 1);
    }
    void TearDown() override
    {
        HANDLE h = hInstrumentPort.exchange(INVALID_HANDLE_VALUE);
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        PlatformClearDialogScripts();
    }
    PortRoot root_;
    int m_ = -1;
};

struct ReplyCase {
    const char *answer;
    int result;
    int reply;
};

TEST_F(InstrumentCommand, ConfirmationsAndTheRecordedReply)
{
    const ReplyCase cases[] = {
        {"OK", 1, 1},
        {"OV", 1, 0},
        {"KOK", 1, 1},   // the first K clears nothing set; O then K confirms
        {"OXK", 1, 1},   // other bytes between keep the O
        {"\x7F\x01OV\r", 1, 0},
    };
    for (const ReplyCase &c : cases) {
        nInstrumentCmdReply = -1;
        std::string answer = c.answer;
        DeviceSide device(m_, [&](const std::string &got) { return got == "HX" ? answer : std::string(); });
        EXPECT_EQ(SendInstrumentCommand('H', 'X', 0), c.result) << c.answer;
        EXPECT_EQ(nInstrumentCmdReply, c.reply) << c.answer;
        EXPECT_EQ(device.received(), "HX") << "one transmission only";
    }
}

// A re-arm during line noise: only the confirmation of the mode chosen at the start confirms; stray "O", 0x00, "K"
// (or the other confirmation) is a failed try and never changes the decoding mode.
TEST_F(InstrumentCommand, ReArmKeepsTheDecodingModeOfTheRun)
{
    struct Case {
        int chosen;
        std::vector<std::string> answers;  // by transmission; the last one repeats
        int result;
        const char *sent;
    } cases[] = {
        {0, {"OV"}, 1, "HX"},
        {1, {"OK"}, 1, "HX"},
        {0, {std::string("O\0K", 3), "OV"}, 1, "HXHX"},
        {0, {std::string("O\0K", 3)}, 0, "HXHXHX"},
        {1, {"OV"}, 0, "HXHXHX"},
        {-1, {"OK"}, 1, "HX"},  // no mode chosen yet: the answer chooses it
    };
    for (const Case &c : cases) {
        nInstrumentCmdReply = c.chosen;
        std::atomic<int> transmissions{0};
        DeviceSide device(m_, [&](const std::string &got) {
            if (got != "HX") return std::string();
            size_t n = (size_t)transmissions++;
            return c.answers[n < c.answers.size() ? n : c.answers.size() - 1];
        });
        EXPECT_EQ(SendInstrumentReArm('H', 'X'), c.result) << c.chosen << " " << c.sent;
        EXPECT_EQ(nInstrumentCmdReply, c.chosen < 0 ? 1 : c.chosen) << c.chosen << " " << c.sent;
        PlatformPump(50);
        EXPECT_EQ(device.received(), c.sent) << c.chosen;
    }
}

TEST_F(InstrumentCommand, SilentInstrumentGetsThreeTransmissionsAndKeepsTheReply)
{
    nInstrumentCmdReply = 1;
    DeviceSide device(m_, [](const std::string &) { return std::string(); });
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SendInstrumentCommand('H', 'X', 0), 0);
    long ms = (long)std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                  .count();
    EXPECT_GE(ms, 3000);
    EXPECT_EQ(nInstrumentCmdReply, 1);
    PlatformPump(50);
    EXPECT_EQ(device.received(), "HXHXHX");
}

TEST_F(InstrumentCommand, ReopenSwitchClosesAndOpensThePortAgain)
{
    DeviceSide device(m_, [](const std::string &got) { return got == "HW" ? std::string("OK") : std::string(); });
    HANDLE hBefore = hInstrumentPort;
    EXPECT_EQ(SendInstrumentCommand('H', 'W', 1), 1);
    EXPECT_NE(hInstrumentPort.load(), INVALID_HANDLE_VALUE);
    EXPECT_NE(hInstrumentPort.load(), hBefore);
}

TEST_F(InstrumentCommand, ExchangesFromTwoThreadsNeverInterleave)
{
    DeviceSide device(m_, [](const std::string &got) {
        return (got == "HX" || got == "HW") ? std::string("OV") : std::string();
    });
    std::atomic<int> nOther{-1};
    std::thread other([&] { nOther = SendInstrumentCommand('H', 'W', 0); });
    int nMine = SendInstrumentCommand('H', 'X', 0);
    other.join();
    EXPECT_EQ(nMine, 1);
    EXPECT_EQ(nOther.load(), 1);
    std::string got = device.received();
    EXPECT_TRUE(got == "HXHW" || got == "HWHX") << got;
}

TEST_F(InstrumentCommand, ExchangeOnAClosedPortReturnsAtOnce)
{
    HANDLE h = hInstrumentPort.exchange(INVALID_HANDLE_VALUE);
    CloseHandle(h);
    EXPECT_EQ(SendInstrumentCommand('H', 'X', 0), 0);
}

class TiltRate : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitAcquisitionTestWindows();
        nTiltPort = 6;
        nTiltBaud = 1;
        m_ = root_.AddPty(7);
        ASSERT_GE(m_, 0);
        ASSERT_EQ(OpenTiltPort(), 1);
    }
    void TearDown() override
    {
        HANDLE h = hTiltPort.exchange(INVALID_HANDLE_VALUE);
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
    PortRoot root_;
    int m_ = -1;
};

// The confirmation waits in the port before the command goes out: the exchange does not hang on how soon a device
// thread is scheduled on a loaded machine, which the program's bounded wait for the answer cannot allow for.
TEST_F(TiltRate, CommandBytesPerIndexAndTheConfirmation)
{
    const char *commands[5] = {"[1D1\r", "[1D2\r", "[1D5\r", "[1D10\r", "[1D20\r"};
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(emu::WriteAll(m_, ">New Output Data Rate\r\n"));
        EXPECT_EQ(SetTiltOutputRate(i), 1) << i;
        EXPECT_EQ(emu::ReadUntil(m_, "\r", 5000), commands[i]);
    }
}

TEST_F(TiltRate, AnswerWithoutTheConfirmationTextFails)
{
    DeviceSide device(m_, [](const std::string &got) {
        return got.find('\r') != std::string::npos ? std::string("OK\r\n") : std::string();
    });
    EXPECT_EQ(SetTiltOutputRate(3), 0);
}

}  // namespace
