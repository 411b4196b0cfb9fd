// Framing speed of every reader's framing step (bytes per second), without ports or threads.
#include "acquisition/framers.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// A stream of n frames with a garbage byte before every seventh.
template <class MakeFrame> std::string Stream(int n, MakeFrame make)
{
    std::string s;
    for (int i = 0; i < n; ++i) {
        if (i % 7 == 0) s += '\x01';
        s += make(i);
    }
    return s;
}

std::string Em61Frame(int i)
{
    std::string f(1, "TDEFMNPQ"[i % 8]);
    for (int k = 0; k < 12; ++k) f += (char)(0x20 + (i * 7 + k * 3) % 90);
    return f + "\x7F\x7F";
}

void BM_Em61Framer(benchmark::State &state)
{
    std::string s = Stream(1000, Em61Frame);
    unsigned char frame[16];
    long frames = 0;
    for (auto _ : state) {
        FrameAccumulator acc;
        ResetFrameAccumulator(&acc);
        int closes = 0;
        for (unsigned char b : s) frames += StepEm61Frame(&acc, b, "TDEFMNPQ", frame, &closes) == FRAME_READY;
        benchmark::DoNotOptimize(frame);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)s.size());
    state.counters["frames"] = benchmark::Counter((double)frames, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Em61Framer);

void BM_TextFramer(benchmark::State &state)
{
    std::string s = Stream(1000, [](int i) { return "T" + std::string(1, (char)('0' + i % 10)) + "0012300456\r"; });
    unsigned char frame[128];
    long frames = 0;
    for (auto _ : state) {
        FrameAccumulator acc;
        ResetFrameAccumulator(&acc);
        for (unsigned char b : s) frames += StepTextFrame(&acc, b, 12, frame) == FRAME_READY;
        benchmark::DoNotOptimize(frame);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)s.size());
    state.counters["frames"] = benchmark::Counter((double)frames, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_TextFramer);

void BM_Em38Mk2Framer(benchmark::State &state)
{
    std::string s = Stream(1000, [](int i) {
        return std::string(1, '\0') + (i % 2 ? "T" : "t") + std::string(12, (char)(0x30 + i % 50)) + "\xFF\xFF";
    });
    unsigned char frame[16];
    long frames = 0;
    for (auto _ : state) {
        FrameAccumulator acc;
        ResetFrameAccumulator(&acc);
        for (unsigned char b : s) frames += StepBinaryFrame(&acc, b, frame) == FRAME_READY;
        benchmark::DoNotOptimize(frame);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)s.size());
    state.counters["frames"] = benchmark::Counter((double)frames, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Em38Mk2Framer);

void BM_Em384Framer(benchmark::State &state)
{
    std::string s = Stream(1000, [](int i) { return "T" + std::string(25, (char)(0x20 + i % 60)) + "\xFF\xFF"; });
    unsigned char frame[28];
    long frames = 0;
    for (auto _ : state) {
        FrameAccumulator acc;
        ResetFrameAccumulator(&acc);
        for (unsigned char b : s) frames += StepEm384Packet(&acc, b, frame) == FRAME_READY;
        benchmark::DoNotOptimize(frame);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)s.size());
    state.counters["frames"] = benchmark::Counter((double)frames, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Em384Framer);

// One instrument sentence framer over a stream of sentences with the given tag.
void RunSentenceFramer(benchmark::State &state, const std::string &s, const char *szTag)
{
    char sentence[128];
    long frames = 0;
    for (auto _ : state) {
        SentenceAccumulator acc;
        ResetSentenceAccumulator(&acc);
        for (unsigned char b : s) frames += StepInstrumentSentence(&acc, b, szTag, 9, sentence) == FRAME_READY;
        benchmark::DoNotOptimize(sentence);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)s.size());
    state.counters["frames"] = benchmark::Counter((double)frames, benchmark::Counter::kIsRate);
}

void BM_SentenceFramerCs21(benchmark::State &state)
{
    RunSentenceFramer(state, Stream(1000, [](int i) {
        return "$PDLM" + std::to_string(1 + i % 2) + ",112345.234,1070.0,735.00,1460.0,830.00*23\r\n";
    }), "PDLM");
}
BENCHMARK(BM_SentenceFramerCs21);

void BM_SentenceFramerGrad601(benchmark::State &state)
{
    RunSentenceFramer(state, Stream(1000, [](int) { return std::string("$PBAR,+12.3,+45.6\r\n"); }), "PBAR");
}
BENCHMARK(BM_SentenceFramerGrad601);

void BM_GradAltFramer(benchmark::State &state)
{
    std::string s = Stream(1000, [](int) { return std::string("Tx12345ABCDE\r"); });
    char sentence[32];
    long frames = 0;
    for (auto _ : state) {
        FrameAccumulator acc;
        ResetFrameAccumulator(&acc);
        for (unsigned char b : s) frames += StepGradAltLine(&acc, b, sentence) == FRAME_READY;
        benchmark::DoNotOptimize(sentence);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)s.size());
    state.counters["frames"] = benchmark::Counter((double)frames, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_GradAltFramer);

// Frames a stream of sentences with a line framer and checks each line's checksum, the stream once an iteration.
void FrameLinesWithChecksum(benchmark::State &state, const std::string &s,
                            int (*pfnStep)(SentenceAccumulator *, unsigned char, char *, int *))
{
    char line[256];
    long good = 0;
    for (auto _ : state) {
        SentenceAccumulator acc;
        ResetSentenceAccumulator(&acc);
        int dollar = 0;
        for (unsigned char b : s)
            if (pfnStep(&acc, b, line, &dollar) == FRAME_READY) good += NmeaChecksumOk(line);
        benchmark::DoNotOptimize(line);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)s.size());
    state.counters["sentences"] = benchmark::Counter((double)good, benchmark::Counter::kIsRate);
}

// The GPS reader passes on at most one position per 910 ms by design; only its framing and checksum test count.
void BM_GpsFramerWithChecksum(benchmark::State &state)
{
    std::string s = Stream(1000, [](int) {
        return std::string("$GPGGA,133524,4336.5940,N,07936.6403,W,8,11,2.0,142.5,M,-35.4,M,,*74\r\n");
    });
    FrameLinesWithChecksum(state, s, StepGpsLine);
}
BENCHMARK(BM_GpsFramerWithChecksum);

void BM_TiltFramerWithChecksum(benchmark::State &state)
{
    std::string s = Stream(1000, [](int) { return std::string("$PTILT,A,B,C,-1.237,0.5,T*6E\r\n"); });
    FrameLinesWithChecksum(state, s, StepTiltLine);
}
BENCHMARK(BM_TiltFramerWithChecksum);

}  // namespace
