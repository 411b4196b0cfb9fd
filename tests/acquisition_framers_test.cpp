// Framing steps of every reader, byte by byte: split, back-to-back, garbage, torn frames and overflow.
#include "acquisition/framers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Em61Frame(char letter, int seed)
{
    std::string f(1, letter);
    for (int i = 0; i < 12; ++i) f += (char)(0x20 + (seed * 7 + i * 3) % 90);
    f += "\x7F\x7F";
    return f;
}

// Feeds a stream through the EM61 step; returns the frames found (14 bytes each).
std::vector<std::string> FeedEm61(const std::string &stream, const char *first, int *pBad = nullptr,
                                  int *pDropped = nullptr)
{
    FrameAccumulator acc;
    ResetFrameAccumulator(&acc);
    std::vector<std::string> frames;
    unsigned char frame[16];
    for (unsigned char b : stream) {
        int closes = 0;
        int r = StepEm61Frame(&acc, b, first, frame, &closes);
        if (r == FRAME_READY) frames.emplace_back((const char *)frame, 14);
        if (r == FRAME_BAD_FIRST && pBad) ++*pBad;
        if (r == FRAME_DROPPED && pDropped) ++*pDropped;
    }
    return frames;
}

TEST(Em61Framing, BackToBackGarbageAndTornFramesYieldEveryWholeFrame)
{
    std::string a = Em61Frame('T', 1), b = Em61Frame('D', 2), c = Em61Frame('Q', 3), d = Em61Frame('M', 4);
    // back to back, one garbage byte, a torn frame (its first 6 bytes), then two more whole frames
    std::string stream = a + b + "\x05" + c.substr(0, 6) + c + "xyz" + d;
    std::vector<std::string> frames = FeedEm61(stream, "TDEFMNPQ");
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames[0], a.substr(0, 14));
    EXPECT_EQ(frames[1], b.substr(0, 14));
    EXPECT_EQ(frames[2], c.substr(0, 14));
    EXPECT_EQ(frames[3], d.substr(0, 14));
}

TEST(Em61Framing, WheelLettersOnlyForTheWheelReader)
{
    std::string j = Em61Frame('J', 5);
    int bad = 0;
    EXPECT_TRUE(FeedEm61(j, "TDEFMNPQ", &bad).empty());
    EXPECT_EQ(bad, 1);
    EXPECT_EQ(FeedEm61(j, "TDEFMNPQJKjk").size(), 1u);
}

TEST(Em61Framing, BadFirstByteKeepsTheBufferSoALaterFrameIsFound)
{
    // A candidate with a wrong first byte, then more bytes that complete a frame 15 bytes back.
    std::string junk = std::string(13, 'x') + "\x7F\x7F";
    std::string f = Em61Frame('T', 9);
    int bad = 0;
    std::vector<std::string> frames = FeedEm61(junk + f, "TDEFMNPQ", &bad);
    EXPECT_EQ(bad, 1);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], f.substr(0, 14));
}

TEST(Em61Framing, The182ndByteWithoutAFrameDropsTheBuffer)
{
    int dropped = 0;
    FeedEm61(std::string(181, 'a'), "TDEFMNPQ", nullptr, &dropped);
    EXPECT_EQ(dropped, 0);
    FeedEm61(std::string(182, 'a'), "TDEFMNPQ", nullptr, &dropped);
    EXPECT_EQ(dropped, 1);
}

TEST(Em61Framing, TriggeredReaderSeesALoneClosingMarker)
{
    FrameAccumulator acc;
    ResetFrameAccumulator(&acc);
    unsigned char frame[16];
    int closes = 0;
    std::string f = Em61Frame('T', 3);
    int markers = 0, ready = 0;
    for (unsigned char b : f) {
        int r = StepEm61Frame(&acc, b, "TDEFMNPQ", frame, &closes);
        markers += r == FRAME_MARKER;
        ready += r == FRAME_READY;
    }
    EXPECT_EQ(markers, 1);  // the first 0x7F
    EXPECT_EQ(ready, 1);
    EXPECT_EQ(closes, 1);
}

TEST(TextFraming, RecordsOfTheConfiguredLengthStartingWithT)
{
    FrameAccumulator acc;
    ResetFrameAccumulator(&acc);
    unsigned char frame[128];
    std::string rec = "T0123456789A";  // 12 bytes
    std::string stream = "noise\r" + rec + "\r" + "X0123456789A\r" + "ab" + rec + "\r";
    std::vector<std::string> frames;
    int bad = 0;
    for (unsigned char b : stream) {
        int r = StepTextFrame(&acc, b, 12, frame);
        if (r == FRAME_READY) frames.emplace_back((const char *)frame, 12);
        bad += r == FRAME_BAD_FIRST;
    }
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0], rec);
    EXPECT_EQ(frames[1], rec);
    EXPECT_EQ(bad, 1);
}

TEST(BinaryFraming, Em38Mk2FramesBackToBackAreAllTakenAtTheirClosingByte)
{
    auto frameOf = [](int seed) {
        std::string f = (seed % 2) ? "T" : "t";
        for (int i = 0; i < 12; ++i) f += (char)(0x30 + (seed + i) % 40);
        return f + "\xFF\xFF";
    };
    std::string stream = frameOf(1) + frameOf(2) + frameOf(3);
    FrameAccumulator acc;
    ResetFrameAccumulator(&acc);
    unsigned char frame[16];
    std::vector<size_t> readyAt;
    for (size_t i = 0; i < stream.size(); ++i) {
        if (StepBinaryFrame(&acc, (unsigned char)stream[i], frame) == FRAME_READY) {
            readyAt.push_back(i);
            EXPECT_EQ(std::string((const char *)frame, 14), frameOf((int)readyAt.size()).substr(0, 14));
        }
    }
    // Each frame is complete at its own last byte: 14, 29, 44 (nothing waits for a byte of the next frame).
    EXPECT_EQ(readyAt, (std::vector<size_t>{14, 29, 44}));
}

TEST(BinaryFraming, Em384PacketsOf28Bytes)
{
    std::string p = "T" + std::string(25, '\x11') + "\xFF\xFF";
    FrameAccumulator acc;
    ResetFrameAccumulator(&acc);
    unsigned char frame[28];
    int ready = 0;
    for (unsigned char b : "zz" + p + p) ready += StepEm384Packet(&acc, b, frame) == FRAME_READY;
    EXPECT_EQ(ready, 2);
    EXPECT_EQ(std::string((const char *)frame, 26), p.substr(0, 26));
}

TEST(SentenceFraming, GradAltLineBecomesA17CharacterPbarSentence)
{
    FrameAccumulator acc;
    ResetFrameAccumulator(&acc);
    char out[32] = {};
    int ready = 0;
    for (unsigned char b : std::string("T5+12.3+45.6\r")) ready += StepGradAltLine(&acc, b, out) == FRAME_READY;
    EXPECT_EQ(ready, 1);
    EXPECT_STREQ(out, "$PBAR,+12.3,+45.6");
    // "T", one further character, two 5-character values and a carriage return
    ResetFrameAccumulator(&acc);
    for (unsigned char b : std::string("Tx12345ABCDE\r")) StepGradAltLine(&acc, b, out);
    EXPECT_STREQ(out, "$PBAR,12345,ABCDE");
    EXPECT_EQ(strlen(out), 17u);
}

struct SentenceCase {
    const char *input;
    const char *header;
    int minLength;
    const char *expected;  // nullptr: nothing
};

TEST(SentenceFraming, InstrumentSentencesTable)
{
    std::string longOne = "$PDLM1," + std::string(130, '1') + "\r\n";
    const SentenceCase cases[] = {
        {"$PDLM1,112345.234,1070.0,735.00\r\n", "PDLM", 9, "$PDLM1,112345.234,1070.0,735.00"},
        {"junk$PBAR,+12.3,+45.6\r\n", "PBAR", 9, "$PBAR,+12.3,+45.6"},
        {"$PDLM1\r\n", "PDLM", 9, nullptr},         // shorter than 9 with its carriage return
        {"$PDLM1,1234\n", "PDLM", 9, nullptr},      // no carriage return before the line feed
        {"$PBAR,+12.3,+45.6\r\n", "PDLM", 9, nullptr},  // another header
        {longOne.c_str(), "PDLM", 9, nullptr},      // longer than the record buffer: dropped
    };
    for (const SentenceCase &c : cases) {
        SentenceAccumulator acc;
        ResetSentenceAccumulator(&acc);
        char out[128] = {};
        int ready = 0;
        for (const char *p = c.input; *p; ++p)
            ready += StepInstrumentSentence(&acc, (unsigned char)*p, c.header, c.minLength, out) == FRAME_READY;
        if (c.expected) {
            EXPECT_EQ(ready, 1) << c.input;
            EXPECT_STREQ(out, c.expected);
        } else {
            EXPECT_EQ(ready, 0) << c.input;
        }
    }
}

TEST(SentenceFraming, GpsLinesDropControlCharactersAndRestartAtDollar)
{
    SentenceAccumulator acc;
    ResetSentenceAccumulator(&acc);
    char out[256];
    std::vector<std::string> lines;
    int dollar = 0;
    for (unsigned char b : std::string("xx$GPG$GPGSA,A,3*30\r\n\n $GPGLL, 1\x7F*5E\r\n")) {
        if (StepGpsLine(&acc, b, out, &dollar) == FRAME_READY) lines.push_back(out);
    }
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "$GPGSA,A,3*30");
    EXPECT_EQ(lines[1], "$GPGLL,1*5E");
}

TEST(SentenceFraming, MonitorLineRestartsAfter200Characters)
{
    SentenceAccumulator acc;
    ResetSentenceAccumulator(&acc);
    char out[256];
    int ready = 0;
    for (unsigned char b : "$" + std::string(249, 'A') + "\r\n") ready += StepMonitorLine(&acc, b, out) == FRAME_READY;
    EXPECT_EQ(ready, 0);
    for (unsigned char b : std::string("$GPGGA,1\r\n")) ready += StepMonitorLine(&acc, b, out) == FRAME_READY;
    EXPECT_EQ(ready, 1);
    EXPECT_STREQ(out, "$GPGGA,1");
}

TEST(SentenceFraming, TiltLinesLoseTheirCarriageReturn)
{
    SentenceAccumulator acc;
    ResetSentenceAccumulator(&acc);
    char out[256];
    int dollar = 0, ready = 0;
    for (unsigned char b : std::string("$PTILT,1,2*00\r\n")) ready += StepTiltLine(&acc, b, out, &dollar) == FRAME_READY;
    EXPECT_EQ(ready, 1);
    EXPECT_STREQ(out, "$PTILT,1,2*00");
}

TEST(NmeaChecksum, XorBetweenDollarAndStar)
{
    // Checksums computed independently of the program.
    EXPECT_EQ(NmeaChecksumOk("$GPGGA,133524,4336.5940,N,07936.6403,W,8,11,2.0,142.5,M,-35.4,M,,*74"), 1);
    EXPECT_EQ(NmeaChecksumOk("$GPGGA,133524,4336.5940,N,07936.6403,W,8,11,2.0,142.5,M,-35.4,M,,*70"), 0);
    EXPECT_EQ(NmeaChecksumOk("$GPGSA,A,3,01,07,08,11,13,17,27,28,30,,,,3.6,2.0,3.0*30"), 1);
    EXPECT_EQ(NmeaChecksumOk("$GPGLL,4336.5973,N,07936.6482,W,152346,V,S*5e"), 1);
    EXPECT_EQ(NmeaChecksumOk("$GPGLL,4336.5973,N,07936.6482,W,152346,V,S"), 0);  // no '*'
    EXPECT_EQ(NmeaChecksumOk("GPGSA,A,3,01,07,08,11,13,17,27,28,30,,,,3.6,2.0,3.0*30"), 0);  // no '$'
}

}  // namespace
