// Device emulator: frames of every device checked against the wire formats, command answers and fault injection.
#include <algorithm>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/emulator_client.h"

namespace {

using namespace std::chrono_literals;

// ------------------------------------------------------------------------------------------ independent decoders

unsigned Xor(const std::string& s) {
    unsigned x = 0;
    for (unsigned char c : s) x ^= c;
    return x;
}

// "$body*HH": true when HH is the XOR of body.
bool ChecksumOk(const std::string& sentence) {
    if (sentence.empty() || sentence[0] != '$') return false;
    auto star = sentence.find('*');
    if (star == std::string::npos || star + 3 > sentence.size()) return false;
    unsigned want = static_cast<unsigned>(std::strtoul(sentence.substr(star + 1, 2).c_str(), nullptr, 16));
    return Xor(sentence.substr(1, star - 1)) == want;
}

std::vector<std::string> Fields(const std::string& s) {
    std::vector<std::string> f;
    std::string cur;
    for (char c : s) {
        if (c == ',' || c == '*') {
            f.push_back(cur);
            cur.clear();
            if (c == '*') return f;
        } else {
            cur.push_back(c);
        }
    }
    f.push_back(cur);
    return f;
}

// Whole lines ending in CR LF (without them); a partial first or last line is dropped.
std::vector<std::string> Lines(const std::string& stream) {
    std::vector<std::string> out;
    size_t start = stream.find('$');
    while (start != std::string::npos) {
        size_t end = stream.find("\r\n", start);
        if (end == std::string::npos) break;
        out.push_back(stream.substr(start, end - start));
        start = stream.find('$', end);
    }
    return out;
}

int Word(const std::string& f, size_t i) {
    return (static_cast<unsigned char>(f[i]) << 8) | static_cast<unsigned char>(f[i + 1]);
}
int SignedWord(const std::string& f, size_t i) { return static_cast<int16_t>(Word(f, i)); }

// Channel gains peeled from the top of a gain (or range) code.
void Gains(int code, int g[4]) {
    int rest = code;
    g[0] = rest >= 192 ? (rest -= 192, 100) : rest >= 64 ? (rest -= 64, 10) : 1;
    g[1] = rest >= 48 ? (rest -= 48, 100) : rest >= 16 ? (rest -= 16, 10) : 1;
    g[2] = rest >= 12 ? (rest -= 12, 100) : rest >= 4 ? (rest -= 4, 10) : 1;
    g[3] = rest == 3 ? 100 : rest == 1 ? 10 : 1;
}

// Frames of 15 bytes ending 0x7F 0x7F, in the order they came.
std::vector<std::string> Em61Frames(const std::string& s) {
    std::vector<std::string> out;
    for (size_t i = 0; i + 15 <= s.size();) {
        if (s[i + 13] == '\x7F' && s[i + 14] == '\x7F' && std::string("TDEFMNPQ").find(s[i]) != std::string::npos) {
            out.push_back(s.substr(i, 15));
            i += 15;
        } else {
            ++i;
        }
    }
    return out;
}

double WordValue(int w) { return (w * 5 / 1024.0 - 160) * 8; }

struct Port {
    explicit Port(const std::string& path) : fd(emu::OpenPort(path)) {}
    ~Port() {
        if (fd >= 0) close(fd);
    }
    int fd;
};

// ------------------------------------------------------------------------------------------ tests

TEST(EmulatorChecksum, TestDecoderAgreesWithTheKnownSample) {
    EXPECT_TRUE(ChecksumOk("$GPGGA,133524,4336.5940,N,07936.6403,W,8,11,2.0,142.5,M,-35.4,M,,*74"));
    EXPECT_FALSE(ChecksumOk("$GPGGA,133524,4336.5940,N,07936.6403,W,8,11,2.0,142.5,M,-35.4,M,,*70"));
}

TEST(EmulatorEm61Mk2, AnswersOvToTheCommandThenStreamsFrames) {
    emu::Emulator e(emu::MakeTempRoot("em61mk2"), {"COM4=em61mk2:static"});
    ASSERT_TRUE(e.ready()) << e.error();
    Port p(e.linkPath("COM4"));
    ASSERT_GE(p.fd, 0);
    EXPECT_EQ(emu::ReadFor(p.fd, 300), "") << "no frames before the instrument is commanded";
    ASSERT_TRUE(e.ok("COM4 value 10 20 30 -40 battery=12.5"));
    emu::WriteAll(p.fd, "H");
    std::this_thread::sleep_for(40ms);
    emu::WriteAll(p.fd, "X");
    std::string s = emu::ReadFor(p.fd, 1200);
    ASSERT_GE(s.size(), 2u);
    EXPECT_EQ(s.substr(0, 2), "OV");
    EXPECT_EQ(e.received("COM4"), "HX");
    auto frames = Em61Frames(s.substr(2));
    ASSERT_GE(frames.size(), 5u);
    EXPECT_EQ(frames.size() * 15, s.size() - 2) << "nothing but whole frames after the answer";
    const double want[4] = {10, 20, 30, -40};
    for (const auto& f : frames) {
        EXPECT_EQ(f[0], 'T');
        int g[4];
        Gains(static_cast<unsigned char>(f[1]), g);
        for (int k = 0; k < 4; ++k) {
            double v = SignedWord(f, 2 + 2 * k) * 4.8333 / g[k] * 2;   // letter T, Standard type
            EXPECT_NEAR(v, want[k], 4.8333 * 2 / g[k]) << "channel " << k + 1;
        }
        EXPECT_EQ(SignedWord(f, 10), 3141) << "current word of a continuous instrument";
        EXPECT_NEAR(static_cast<unsigned char>(f[12]) / 6.66757, 12.5, 0.1);
    }
    EXPECT_GE(e.count("COM4"), static_cast<long>(frames.size()));
}

TEST(EmulatorEm61Mk2, TriggeredInstrumentSendsOneFramePerA) {
    emu::Emulator e(emu::MakeTempRoot("em61trig"), {"COM3=em61mk2:answer=OK,static"});
    ASSERT_TRUE(e.ready()) << e.error();
    Port p(e.linkPath("COM3"));
    ASSERT_GE(p.fd, 0);
    emu::WriteAll(p.fd, "H");
    std::this_thread::sleep_for(40ms);
    emu::WriteAll(p.fd, "X");
    EXPECT_EQ(emu::ReadFor(p.fd, 600), "OK");
    emu::WriteAll(p.fd, "A");
    std::string one = emu::ReadFor(p.fd, 500);
    ASSERT_EQ(one.size(), 15u);
    EXPECT_EQ(Em61Frames(one).size(), 1u);
    EXPECT_EQ(SignedWord(one, 10), 3000);
    emu::WriteAll(p.fd, "AAA");
    EXPECT_EQ(Em61Frames(emu::ReadFor(p.fd, 600)).size(), 3u);
    EXPECT_EQ(e.count("COM3"), 4);
    // The wheel command makes it stream.
    emu::WriteAll(p.fd, "H");
    std::this_thread::sleep_for(40ms);
    emu::WriteAll(p.fd, "W");
    std::string wheel = emu::ReadFor(p.fd, 800);
    EXPECT_EQ(wheel.substr(0, 2), "OK");
    EXPECT_GE(Em61Frames(wheel).size(), 3u);
}

TEST(EmulatorEm61Mk2, InstrumentThatNeverAnswers) {
    emu::Emulator e(emu::MakeTempRoot("em61none"), {"COM2=em61mk2:answer=none"});
    ASSERT_TRUE(e.ready()) << e.error();
    Port p(e.linkPath("COM2"));
    emu::WriteAll(p.fd, "H");
    std::this_thread::sleep_for(40ms);
    emu::WriteAll(p.fd, "X");
    EXPECT_EQ(emu::ReadFor(p.fd, 1200), "");
    EXPECT_EQ(e.received("COM2"), "HX");
}

TEST(EmulatorEm61Lx2, ChannelsDecodeThroughTheRangeByte) {
    emu::Emulator e(emu::MakeTempRoot("lx2"), {"COM4=em61lx2:static"});
    ASSERT_TRUE(e.ready()) << e.error();
    Port p(e.linkPath("COM4"));
    ASSERT_TRUE(e.ok("COM4 value 5 -20 250 1000 marker=1"));
    emu::WriteAll(p.fd, "H");
    std::this_thread::sleep_for(40ms);
    emu::WriteAll(p.fd, "X");
    std::string s = emu::ReadFor(p.fd, 900);
    EXPECT_EQ(s.substr(0, 2), "OV");
    auto frames = Em61Frames(s);
    ASSERT_GE(frames.size(), 3u);
    EXPECT_EQ(frames[0][0], 'M') << "the marked frame carries the marker letter";
    EXPECT_EQ(frames[1][0], 'T');
    const double want[4] = {5, -20, 250, 1000};
    for (const auto& f : frames) {
        int r[4];
        Gains(static_cast<unsigned char>(f[1]), r);
        int current = SignedWord(f, 10);
        double factor = (current > 2212 ? 3171.2 : 1585.6) / current;
        for (int k = 0; k < 4; ++k) EXPECT_NEAR(SignedWord(f, 2 + 2 * k) * 20.0 / r[k] * factor, want[k], 20.0 / r[k] + 0.05);
    }
}

struct TextCase {
    const char* spec;
    const char* values;
    size_t length;           // characters before the carriage return
    char dipole;             // decoded dipole
    double field1, field2;   // expected decoded values (field 2 NaN: not checked)
    int separation;          // EM34-3 only
};

// Decodes a text frame by the flag rules of each meter; returns field values and fills dipole/separation.
void DecodeText(const std::string& kind, const std::string& f, char& dipole, int& sep, double& v1, double& v2) {
    int b = static_cast<unsigned char>(f[1]);
    if (b > 128) b -= 128;
    if (b >= 64) b -= 64;
    double n1 = std::atof(f.substr(2, 5).c_str());
    double n2 = f.size() >= 12 ? std::atof(f.substr(7, 5).c_str()) : 0;
    sep = 0;
    if (kind == "em34") {
        if (b >= 32) { dipole = 'H'; b -= 32; } else dipole = 'V';
        if (b >= 24) { sep = 40; b -= 24; } else if (b >= 16) { sep = 10; b -= 16; } else { sep = 20; if (b >= 8) b -= 8; }
        static const double scale[8] = {-0.00075, -0.25, -0.0025, -0.0075, -0.025, -0.075, -0.25, -0.25};
        v1 = n1 * scale[b];
        v2 = NAN;
        return;
    }
    if (b >= 32) { dipole = 'V'; b -= 32; } else dipole = 'H';
    int divisor = 1;
    if (b >= 16) { divisor = 8; b -= 16; }
    if (b >= 8) b -= 8;
    if (kind == "em31mk2") {
        double scale = (b == 0 || b == 6) ? -0.25 : b == 4 ? -0.025 : -0.0025;
        v1 = n1 * scale;
        v2 = n2 * -0.0025;
    } else {
        bool conductivity = b >= 4;
        if (conductivity) b -= 4;
        bool big = b == 3;
        double scale = conductivity ? (big ? -1.0 : -0.1) : (big ? -0.0288 : -0.00288);
        v1 = n1 * scale / divisor;
        v2 = NAN;
    }
}

TEST(EmulatorTextMeters, FramesFollowTheRecordLayout) {
    const TextCase cases[] = {
        {"COM1=em31mk2:static", "25 1.5", 12, 'V', 25, 1.5, 0},
        {"COM1=em31mk2:static,dipole=H", "150 -3", 12, 'H', 150, -3, 0},
        {"COM1=em31mk2:static", "4.2 0.5", 12, 'V', 4.2, 0.5, 0},
        {"COM1=em38:static,len=7", "30 2", 7, 'V', 30, NAN, 0},
        {"COM1=em38:static,len=12,dipole=H", "250 2", 12, 'H', 250, NAN, 0},
        {"COM1=em38:static,component=inphase", "30 4.5", 12, 'V', 4.5, NAN, 0},
        {"COM1=em34:static,sep=40,dipole=H", "15", 12, 'H', 15, NAN, 40},
        {"COM1=em34:static,sep=10", "2.5", 12, 'V', 2.5, NAN, 10},
        {"COM1=em34:static", "0.5", 12, 'V', 0.5, NAN, 20},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.spec);
        std::string spec = c.spec;
        std::string kind = spec.substr(5, spec.find(':') - 5);
        emu::Emulator e(emu::MakeTempRoot("text"), {spec});
        ASSERT_TRUE(e.ready()) << e.error();
        ASSERT_TRUE(e.ok(std::string("COM1 value ") + c.values));
        Port p(e.linkPath("COM1"));
        std::string s = emu::ReadFor(p.fd, 500);
        size_t first = s.find('\r');
        ASSERT_NE(first, std::string::npos);
        std::vector<std::string> frames;
        for (size_t at = first + 1, cr; (cr = s.find('\r', at)) != std::string::npos; at = cr + 1)
            frames.push_back(s.substr(at, cr - at));
        ASSERT_GE(frames.size(), 2u);
        for (const auto& f : frames) {
            ASSERT_EQ(f.size(), c.length) << "frame length before the carriage return";
            EXPECT_EQ(f[0], 'T');
            if (kind == "em31mk2") {
                EXPECT_EQ(static_cast<unsigned char>(f[1]) % 2, 0) << "a reading, not a battery record";
            }
            EXPECT_NE(f[1], '\0');
            char dipole;
            int sep;
            double v1, v2;
            DecodeText(kind, f, dipole, sep, v1, v2);
            EXPECT_EQ(dipole, c.dipole);
            EXPECT_NEAR(v1, c.field1, std::fabs(c.field1) * 0.002 + 0.002);
            if (!std::isnan(c.field2)) {
                EXPECT_NEAR(v2, c.field2, 0.002);
            }
            if (c.separation) {
                EXPECT_EQ(sep, c.separation);
            }
        }
    }
}

// EM38-MK2 frames (letter .. second end mark) in the order they came; a partial first frame is dropped.
std::vector<std::string> Em38Mk2Frames(const std::string& s) {
    std::vector<std::string> out;
    for (size_t end = s.find("\xFF\xFF"); end != std::string::npos; end = s.find("\xFF\xFF", end + 2)) {
        if (end >= 13) out.push_back(s.substr(end - 13, 15));
    }
    return out;
}

TEST(EmulatorEm38Mk2, BinaryFramesDecodeToTheValuesSet) {
    emu::Emulator e(emu::MakeTempRoot("em38mk2"), {"COM5=em38mk2:static"});
    ASSERT_TRUE(e.ready()) << e.error();
    ASSERT_TRUE(e.ok("COM5 value 30 2 -35 1.5"));
    Port p(e.linkPath("COM5"));
    std::string s = emu::ReadFor(p.fd, 500);
    int found = 0;
    for (const std::string& f : Em38Mk2Frames(s)) {
        ASSERT_EQ(f[0], 'T');
        EXPECT_EQ(f[1], 6) << "vertical dipole, no marker";
        EXPECT_NEAR(WordValue(Word(f, 6)), 30, 0.04);              // p
        EXPECT_NEAR(WordValue(Word(f, 8)) * 0.028819, 2, 0.002);   // q
        EXPECT_NEAR(WordValue(Word(f, 2)), -35, 0.04);             // r
        EXPECT_NEAR(WordValue(Word(f, 4)) * 0.00720475, 1.5, 0.001);
        ++found;
    }
    EXPECT_GE(found, 5);
    // Frames sent before the change may still wait in the port, however long the read above took: the change shows
    // as the first frame with another status byte, and is waited for (bounded) until it and the frame after it came.
    ASSERT_TRUE(e.ok("COM5 value marker=1 dipole=H"));
    std::vector<std::string> frames;
    size_t changed = 0;
    s.clear();
    for (int i = 0; i < 100; ++i) {
        s += emu::ReadFor(p.fd, 50);
        frames = Em38Mk2Frames(s);
        changed = std::find_if(frames.begin(), frames.end(), [](const std::string& f) { return f[1] != 6; }) -
                  frames.begin();
        if (changed + 2 <= frames.size()) break;
    }
    ASSERT_LT(changed + 1, frames.size()) << "the changed frames never came";
    EXPECT_EQ(frames[changed][1], 3) << "the first frame after the change: horizontal dipole with the marker";
    EXPECT_EQ(frames[changed + 1][1], 2) << "then horizontal dipole without it";
}

TEST(EmulatorEm384, PacketsCarryFourCoilPairs) {
    emu::Emulator e(emu::MakeTempRoot("em384"), {"COM5=em384:static"});
    ASSERT_TRUE(e.ready()) << e.error();
    ASSERT_TRUE(e.ok("COM5 value 10 1 20 2 30 3 40 4 h1=25 t1=18"));
    Port p(e.linkPath("COM5"));
    std::string s = emu::ReadFor(p.fd, 600);
    size_t first = s.find("\xFF\xFF");
    ASSERT_NE(first, std::string::npos);
    std::string rest = s.substr(first + 2);
    ASSERT_GE(rest.size(), 56u);
    const double f[4] = {0.00716, 0.0161, 0.0286, 0.0222};
    const size_t at[4] = {10, 14, 2, 6};   // pairs 1..4 in the packet
    for (size_t i = 0; i + 28 <= rest.size(); i += 28) {
        std::string pk = rest.substr(i, 28);
        ASSERT_EQ(pk[0], 'T');
        EXPECT_EQ(pk[1], 6);
        EXPECT_EQ(pk.substr(26), "\xFF\xFF");
        for (int k = 0; k < 4; ++k) {
            EXPECT_NEAR(WordValue(Word(pk, at[k])), 10.0 * (k + 1), 0.04);
            EXPECT_NEAR(WordValue(Word(pk, at[k] + 2)) * f[k], k + 1.0, 0.04 * f[k]);
        }
        EXPECT_NEAR(Word(pk, 18) * 0.66667 - 4 - 8.7, 25, 0.7);
        EXPECT_NEAR((Word(pk, 22) - 31) / 3.1 - 40, 18, 0.33);
    }
}

TEST(EmulatorSentences, Cs21AndGrad601) {
    emu::Emulator e(emu::MakeTempRoot("sentences"),
                    {"COM1=cs21:static", "COM2=grad601:static", "COM3=grad601:static,sensors=1"});
    ASSERT_TRUE(e.ready()) << e.error();
    ASSERT_TRUE(e.ok("COM1 value 12.5 -0.8 30.1 1.2 40 2 50 3"));
    ASSERT_TRUE(e.ok("COM2 value 12.5 -3"));
    Port a(e.linkPath("COM1")), b(e.linkPath("COM2")), c(e.linkPath("COM3"));
    std::this_thread::sleep_for(1100ms);
    auto cs = Lines(emu::ReadFor(a.fd, 100));
    int ones = 0, twos = 0, others = 0;
    for (const auto& l : cs) {
        EXPECT_TRUE(ChecksumOk(l)) << l;
        EXPECT_GE(l.size(), 9u);
        ASSERT_EQ(l.substr(0, 5), "$PDLM");
        auto fl = Fields(l);
        if (l[5] == '1' || l[5] == '2') {
            ASSERT_GE(fl.size(), 6u);
            double base = l[5] == '1' ? 0 : 1;
            const double want1[4] = {12.5, -0.8, 30.1, 1.2}, want2[4] = {40, 2, 50, 3};
            for (int k = 0; k < 4; ++k) EXPECT_DOUBLE_EQ(std::atof(fl[2 + k].c_str()), base ? want2[k] : want1[k]);
            (l[5] == '1' ? ones : twos)++;
        } else {
            ++others;
        }
    }
    EXPECT_GE(ones, 5);
    EXPECT_GE(twos, 5);
    EXPECT_GE(others, 1);
    for (const auto& l : Lines(emu::ReadFor(b.fd, 100))) EXPECT_EQ(l, "$PBAR,+12.5,-3.0");
    auto one = Lines(emu::ReadFor(c.fd, 100));
    ASSERT_FALSE(one.empty());
    EXPECT_EQ(Fields(one[0]).size(), 2u) << one[0];
}

struct GpsFormat {
    int format;
    const char* id;      // field 1, or field 2 for the proprietary sentences
    int idField;
    int timeField;
    int sats, quality, lat, latHem, lon, lonHem, northing, easting;   // 1-based fields, 0 = none
};

TEST(EmulatorGps, EveryFormatCarriesItsFields) {
    const GpsFormat formats[] = {
        {0, "$GPGGA", 1, 2, 8, 7, 3, 4, 5, 6, 0, 0},   {1, "$GPGGA", 1, 2, 8, 7, 3, 4, 5, 6, 0, 0},
        {2, "POS", 2, 5, 4, 3, 6, 7, 8, 9, 0, 0},       {3, "$GPLLK", 1, 2, 9, 8, 0, 0, 0, 0, 6, 4},
        {4, "$GPLLQ", 1, 2, 9, 8, 0, 0, 0, 0, 6, 4},    {5, "$GPGLL", 1, 6, 0, 0, 2, 3, 4, 5, 0, 0},
        {6, "GGK", 2, 3, 10, 9, 5, 6, 7, 8, 0, 0},      {7, "$GPGGA", 1, 2, 0, 0, 0, 0, 0, 0, 3, 5},
        {8, "$GPGLL", 1, 6, 0, 0, 2, 3, 4, 5, 0, 0},
    };
    std::vector<std::string> specs;
    for (const auto& f : formats) specs.push_back("COM" + std::to_string(f.format + 1) + "=gps:rate=8,format=" + std::to_string(f.format));
    emu::Emulator e(emu::MakeTempRoot("gps"), specs);
    ASSERT_TRUE(e.ready()) << e.error();
    std::vector<std::unique_ptr<Port>> ports;
    for (const auto& f : formats) ports.push_back(std::make_unique<Port>(e.linkPath("COM" + std::to_string(f.format + 1))));
    std::this_thread::sleep_for(900ms);
    for (const auto& f : formats) {
        SCOPED_TRACE("format " + std::to_string(f.format));
        std::string raw = emu::ReadFor(ports[f.format]->fd, 100);
        auto lines = Lines(raw);
        int positions = 0, gsa = 0;
        std::string prevTime;
        for (const auto& l : lines) {
            EXPECT_TRUE(ChecksumOk(l)) << l;
            auto fl = Fields(l);
            if (l.find("GSA") != std::string::npos) {
                ASSERT_GE(fl.size(), 16u);
                EXPECT_EQ(fl[15], "1.6") << "PDOP in field 16";
                ++gsa;
                continue;
            }
            ASSERT_GE(static_cast<int>(fl.size()), f.idField) << l;
            ASSERT_EQ(fl[f.idField - 1], f.id) << l;
            ++positions;
            const std::string& t = fl[f.timeField - 1];
            ASSERT_GE(t.size(), 6u) << l;
            EXPECT_EQ(t.find_first_not_of("0123456789."), std::string::npos) << l;
            if (!prevTime.empty()) {
                EXPECT_NEAR(std::atof(t.c_str()) - std::atof(prevTime.c_str()), 1.0, 0.01 + 4100.0 * (t.substr(4, 2) == "00"));
            }
            prevTime = t;
            if (f.sats) {
                EXPECT_EQ(std::atoi(fl[f.sats - 1].c_str()), 11);
            }
            if (f.quality) {
                EXPECT_GE(std::atoi(fl[f.quality - 1].c_str()), f.format == 2 ? 0 : 1);
            }
            if (f.lat) {
                EXPECT_EQ(fl[f.lat - 1].find('.'), 4u) << fl[f.lat - 1];
                EXPECT_EQ(fl[f.latHem - 1], "N");
                EXPECT_EQ(fl[f.lon - 1].find('.'), 5u) << fl[f.lon - 1];
                EXPECT_EQ(fl[f.lonHem - 1], "W");
            }
            if (f.northing) {
                EXPECT_GT(std::atof(fl[f.northing - 1].c_str()), 4000000);
                EXPECT_GT(std::atof(fl[f.easting - 1].c_str()), 100000);
                EXPECT_LT(std::atof(fl[f.easting - 1].c_str()), 900000);
            }
        }
        EXPECT_GE(positions, 3) << raw;
        EXPECT_EQ(gsa > 0, f.format == 0);
    }
}

TEST(EmulatorGps, PositionAndWalk) {
    emu::Emulator e(emu::MakeTempRoot("gpswalk"), {"COM1=gps:rate=10", "COM2=gps:rate=10,format=3"});
    ASSERT_TRUE(e.ready()) << e.error();
    ASSERT_TRUE(e.ok("COM1 position 43.5 -79.25"));
    ASSERT_TRUE(e.ok("COM1 walk 0 0"));
    ASSERT_TRUE(e.ok("COM2 position 43.5 -79.25"));
    ASSERT_TRUE(e.ok("COM2 walk 0 10 0"));
    EXPECT_FALSE(e.ok("COM1 position 95 0"));
    Port a(e.linkPath("COM1")), b(e.linkPath("COM2"));
    std::this_thread::sleep_for(700ms);
    auto gga = Lines(emu::ReadFor(a.fd, 100));
    ASSERT_GE(gga.size(), 3u);
    for (const auto& l : gga) {
        auto fl = Fields(l);
        EXPECT_EQ(fl[2], "4330.00000");
        EXPECT_EQ(fl[4], "07915.00000");
    }
    auto llk = Lines(emu::ReadFor(b.fd, 100));
    ASSERT_GE(llk.size(), 3u);
    for (size_t i = 1; i < llk.size(); ++i) {
        auto p = Fields(llk[i - 1]), q = Fields(llk[i]);
        EXPECT_NEAR(std::atof(q[5].c_str()) - std::atof(p[5].c_str()), 10.0, 0.1) << "northing, 10 m/s north";
        EXPECT_NEAR(std::atof(q[3].c_str()) - std::atof(p[3].c_str()), 0.0, 0.5) << "easting";
    }
}

TEST(EmulatorTilt, RateCommandIsConfirmedThenSentencesFlow) {
    emu::Emulator e(emu::MakeTempRoot("tilt"), {"COM7=tilt"});
    ASSERT_TRUE(e.ready()) << e.error();
    ASSERT_TRUE(e.ok("COM7 value 2.5 -1.25"));
    Port p(e.linkPath("COM7"));
    EXPECT_EQ(emu::ReadFor(p.fd, 300), "");
    emu::WriteAll(p.fd, std::string("[1D10") + '\r');
    std::string reply = emu::ReadUntil(p.fd, "\n", 1000);
    EXPECT_NE(reply.find(">New Output Data Rate"), std::string::npos) << reply;
    EXPECT_EQ(e.received("COM7"), "[1D10\r");
    auto lines = Lines(emu::ReadFor(p.fd, 700));
    ASSERT_GE(lines.size(), 4u) << "about ten sentences a second";
    for (const auto& l : lines) {
        EXPECT_TRUE(ChecksumOk(l)) << l;
        auto fl = Fields(l);
        ASSERT_GE(fl.size(), 6u);
        EXPECT_DOUBLE_EQ(std::atof(fl[4].c_str()), 2.5);
        EXPECT_DOUBLE_EQ(std::atof(fl[5].c_str()), -1.25);
    }
}

TEST(EmulatorFaults, BadChecksumGarbageAndTornFrames) {
    emu::Emulator e(emu::MakeTempRoot("faults"), {"COM1=gps:rate=10", "COM2=grad601:static,rate=2"});
    ASSERT_TRUE(e.ready()) << e.error();
    ASSERT_TRUE(e.ok("COM2 value 1 2"));
    Port g(e.linkPath("COM1")), s(e.linkPath("COM2"));
    emu::ReadFor(g.fd, 300);
    ASSERT_TRUE(e.ok("COM1 badsum"));
    auto lines = Lines(emu::ReadFor(g.fd, 600));
    int bad = 0;
    for (const auto& l : lines) bad += !ChecksumOk(l);
    EXPECT_EQ(bad, 1);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_FALSE(ChecksumOk(lines[0].substr(0)) && ChecksumOk(lines[1])) << "the first sentence after the command is bad";

    emu::ReadFor(s.fd, 200);
    ASSERT_TRUE(e.ok("COM2 garbage 7"));
    std::string t = emu::ReadFor(s.fd, 400);
    const std::string sentence = "$PBAR,+1.0,+2.0\r\n";
    size_t extra = t.size() % sentence.size();
    EXPECT_EQ(extra, 7u) << "seven bytes of garbage among whole sentences";
    size_t at = t.find(sentence);
    std::string stray;
    for (size_t i = 0; i < t.size();) {
        if (t.compare(i, sentence.size(), sentence) == 0) i += sentence.size();
        else stray.push_back(t[i++]);
    }
    EXPECT_EQ(stray.size(), 7u);
    EXPECT_EQ(stray.find_first_of("$\r\n"), std::string::npos);
    (void)at;

    ASSERT_TRUE(e.ok("COM2 torn"));
    t = emu::ReadFor(s.fd, 400);
    size_t half = sentence.size() / 2;
    EXPECT_NE(t.find(sentence.substr(0, half) + sentence), std::string::npos) << "half a sentence, then a whole one";

    EXPECT_FALSE(e.ok("COM2 badsum")) << "Grad601 sentences have no checksum";
}

TEST(EmulatorFaults, SilenceResumeCloseAndReopen) {
    emu::Emulator e(emu::MakeTempRoot("silence"), {"COM9=grad601:static,rate=2"});
    ASSERT_TRUE(e.ready()) << e.error();
    EXPECT_EQ(e.command("COM9 state"), "OK idle");
    EXPECT_FALSE(e.waitOpened("COM9", 100));
    Port p(e.linkPath("COM9"));
    ASSERT_GE(p.fd, 0);
    EXPECT_TRUE(e.waitOpened("COM9"));
    EXPECT_FALSE(emu::ReadFor(p.fd, 300).empty());
    ASSERT_TRUE(e.ok("COM9 silence 1500"));
    emu::ReadFor(p.fd, 100);   // what was already on its way
    EXPECT_EQ(emu::ReadFor(p.fd, 600), "");
    EXPECT_FALSE(emu::ReadFor(p.fd, 2500).empty()) << "sending resumes by itself";
    ASSERT_TRUE(e.ok("COM9 silence 0"));
    emu::ReadFor(p.fd, 100);
    EXPECT_EQ(emu::ReadFor(p.fd, 600), "");
    ASSERT_TRUE(e.ok("COM9 resume"));
    EXPECT_FALSE(emu::ReadFor(p.fd, 600).empty());

    long before = e.count("COM9");
    EXPECT_GT(before, 0);
    ASSERT_TRUE(e.ok("COM9 close"));
    emu::ReadFor(p.fd, 300);   // drains, then meets the broken link
    char c;
    ssize_t n = read(p.fd, &c, 1);
    EXPECT_TRUE(n == 0 || (n < 0 && errno == EIO)) << n << " " << errno;
    struct stat st;
    EXPECT_NE(stat(e.linkPath("COM9").c_str(), &st), 0) << "the port is gone";
    EXPECT_EQ(lstat(e.linkPath("COM9").c_str(), &st), 0) << "its link stays, dangling";
    EXPECT_FALSE(e.ok("COM9 close"));
    EXPECT_EQ(e.command("COM9 state"), "OK closed");

    ASSERT_TRUE(e.ok("COM9 reopen"));
    Port q(e.linkPath("COM9"));
    ASSERT_GE(q.fd, 0);
    EXPECT_NE(emu::ReadFor(q.fd, 400).find("$PBAR"), std::string::npos);
    EXPECT_GT(e.count("COM9"), before);
}

TEST(EmulatorCommands, SendRateAndErrors) {
    emu::Emulator e(emu::MakeTempRoot("commands"), {"COM4=em61mk2", "COM5=grad601"});
    ASSERT_TRUE(e.ready()) << e.error();
    Port p(e.linkPath("COM4")), g(e.linkPath("COM5"));
    ASSERT_TRUE(e.ok("COM4 send 48 65 6C 6C 6F 7F"));
    EXPECT_EQ(emu::ReadFor(p.fd, 300), "Hello\x7F");
    EXPECT_EQ(e.command("COM99 count").rfind("ERR", 0), 0u);
    EXPECT_EQ(e.command("COM4 bogus").rfind("ERR", 0), 0u);
    EXPECT_EQ(e.command("COM4 value 1 2 3 4 5").rfind("ERR", 0), 0u);
    EXPECT_EQ(e.command("COM4 value colour=red").rfind("ERR", 0), 0u);
    EXPECT_EQ(e.command("COM4 send 4").rfind("ERR", 0), 0u);
    EXPECT_EQ(e.command("COM5 rate -3").rfind("ERR", 0), 0u);

    emu::ReadFor(g.fd, 200);
    ASSERT_TRUE(e.ok("COM5 rate max"));
    std::string fast = emu::ReadFor(g.fd, 500);
    EXPECT_GT(Lines(fast).size(), 100u) << "far above the 11 sentences a second of the real rate";
    ASSERT_TRUE(e.ok("COM5 rate 1"));
}

TEST(EmulatorLinks, StaleLinksAreReplacedRealDevicesKept) {
    std::string root = emu::MakeTempRoot("links");
    mkdir((root + "/dev").c_str(), 0755);
    ASSERT_EQ(symlink("/nonexistent/ttyUSB9", (root + "/dev/COM3").c_str()), 0);
    ASSERT_EQ(symlink("/dev/null", (root + "/dev/COM4").c_str()), 0);
    {
        emu::Emulator e(root, {"COM3=grad601"});
        EXPECT_TRUE(e.ready()) << e.error();
        Port p(root + "/dev/COM3");
        EXPECT_GE(p.fd, 0);
    }
    struct stat st;
    EXPECT_NE(lstat((root + "/dev/COM3").c_str(), &st), 0) << "the emulator removes its links when it quits";
    emu::Emulator refused(root, {"COM4=grad601"});
    EXPECT_FALSE(refused.ready());
    char target[64] = {};
    ASSERT_GT(readlink((root + "/dev/COM4").c_str(), target, sizeof target - 1), 0);
    EXPECT_STREQ(target, "/dev/null");
}

}  // namespace

// "frames N" sends exactly N frames and then nothing until "resume": the count a test compares its records with.
TEST(EmulatorFaults, FramesSendsExactlyThatManyFrames) {
    emu::Emulator e(emu::MakeTempRoot("frames"), {"COM4=em31mk2:static,rate=5"});
    ASSERT_TRUE(e.ready()) << e.error();
    ASSERT_TRUE(e.ok("COM4 silence 0"));
    Port p(e.linkPath("COM4"));
    ASSERT_GE(p.fd, 0);
    ASSERT_TRUE(e.waitOpened("COM4"));
    emu::ReadFor(p.fd, 200);
    const long before = e.count("COM4");
    ASSERT_TRUE(e.ok("COM4 frames 7"));
    std::string got;
    for (int i = 0; i < 40 && std::count(got.begin(), got.end(), '\r') < 7; i++) got += emu::ReadFor(p.fd, 100);
    got += emu::ReadFor(p.fd, 500);  // nothing more comes
    EXPECT_EQ(std::count(got.begin(), got.end(), '\r'), 7) << got;
    EXPECT_EQ(e.count("COM4") - before, 7);
    ASSERT_TRUE(e.ok("COM4 frames 0"));
    EXPECT_FALSE(e.ok("COM4 frames x"));
    ASSERT_TRUE(e.ok("COM4 resume"));
    EXPECT_FALSE(emu::ReadFor(p.fd, 600).empty()) << "resume sends without a limit again";
}

namespace {

// The scale-1 reading of every whole frame in a stream (channel 1, conductivity of the first coil pair, sensor 1),
// decoded by the wire format of each device.
std::vector<double> MainReadings(const std::string& kind, const std::string& s) {
    std::vector<double> out;
    if (kind == "em61mk2" || kind == "em61lx2") {
        for (const auto& f : Em61Frames(s)) {
            int g[4];
            Gains(static_cast<unsigned char>(f[1]), g);
            if (kind == "em61mk2") {
                out.push_back(SignedWord(f, 2) * 4.8333 / g[0] * 2);   // letter T, Standard type
            } else {
                int current = SignedWord(f, 10);
                out.push_back(SignedWord(f, 2) * 20.0 / g[0] * (current > 2212 ? 3171.2 : 1585.6) / current);
            }
        }
    } else if (kind == "em31mk2" || kind == "em38" || kind == "em34") {
        size_t at = s.find('\r');
        for (size_t cr; at != std::string::npos && (cr = s.find('\r', at + 1)) != std::string::npos; at = cr) {
            std::string f = s.substr(at + 1, cr - at - 1);
            if (f.size() < 7 || f[0] != 'T') continue;
            char dipole;
            int sep;
            double v1, v2;
            DecodeText(kind, f, dipole, sep, v1, v2);
            out.push_back(v1);
        }
    } else if (kind == "em38mk2") {
        for (const auto& f : Em38Mk2Frames(s)) out.push_back(WordValue(Word(f, 6)));
    } else if (kind == "em384") {
        for (size_t end = s.find("\xFF\xFF"); end != std::string::npos; end = s.find("\xFF\xFF", end + 2)) {
            if (end >= 26 && s[end - 26] == 'T') out.push_back(WordValue(Word(s, end - 26 + 10)));   // pair 1
        }
    } else {
        for (const auto& l : Lines(s)) {
            auto f = Fields(l);
            if (kind == "cs21" && f[0] == "$PDLM1" && f.size() >= 6) out.push_back(std::atof(f[2].c_str()));
            if (kind == "grad601" && f[0] == "$PBAR" && f.size() >= 2) out.push_back(std::atof(f[1].c_str()));
        }
    }
    return out;
}

struct DemoCase {
    const char* device;
    double scaleMin, scaleMax;   // the build's default scale of these readings
};

}  // namespace

// --demo: the readings follow the ground along the GPS walk. On the default scale of each build they move (a tenth of
// the scale at least), stay on it, and a target shows as a peak that rises a tenth of the scale above the usual
// readings and falls back. The walk is fast (10 m/s, frames ten times faster) and read until both were seen.
TEST(EmulatorDemo, ReadingsMoveOverTheDefaultScaleWithAnomaliesAlongTheWalk) {
    const DemoCase cases[] = {
        {"em61mk2", 0, 2000}, {"em61lx2", 0, 2000}, {"em31mk2", 0, 500}, {"em38", 0, 500}, {"em34", 0, 500},
        {"em38mk2", 0, 1000}, {"em384", 0, 1000},   {"cs21", 0, 1000},   {"grad601", 0, 2000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.device);
        std::string kind = c.device;
        std::string options = kind == "em61mk2" || kind == "em61lx2" ? ":commanded,rate=10" : ":rate=10";
        emu::Emulator e(emu::MakeTempRoot("demo"), {"COM4=" + kind + options, "COM6=gps:hz=20"}, {"--demo"});
        ASSERT_TRUE(e.ready()) << e.error();
        ASSERT_TRUE(e.ok("COM6 walk 0 10"));
        Port gps(e.linkPath("COM6")), instrument(e.linkPath("COM4"));
        ASSERT_GE(instrument.fd, 0);
        const double tenth = (c.scaleMax - c.scaleMin) / 10;
        std::string s;
        std::vector<double> v;
        bool moved = false, peak = false;
        for (int i = 0; i < 300 && !(moved && peak); ++i) {
            emu::ReadFor(gps.fd, 1);   // the GPS walks while its port is read
            s += emu::ReadFor(instrument.fd, 100);
            v = MainReadings(kind, s);
            if (v.size() < 20) continue;
            std::vector<double> sorted = v;
            std::sort(sorted.begin(), sorted.end());
            double usual = sorted[sorted.size() / 2];
            moved = sorted.back() - sorted.front() >= tenth;
            // A peak: above the usual readings by a tenth of the scale, then back near them.
            size_t top = std::find_if(v.begin(), v.end(), [&](double x) { return x >= usual + tenth; }) - v.begin();
            peak = std::find_if(v.begin() + static_cast<long>(std::min(top, v.size())), v.end(),
                                [&](double x) { return x < usual + tenth / 2; }) != v.end();
        }
        EXPECT_TRUE(moved) << v.size() << " readings";
        EXPECT_TRUE(peak) << v.size() << " readings";
        ASSERT_FALSE(v.empty());
        EXPECT_GE(*std::min_element(v.begin(), v.end()), c.scaleMin - tenth / 2) << "on the default scale";
        EXPECT_LE(*std::max_element(v.begin(), v.end()), c.scaleMax) << "on the default scale";
    }
}

// Without --demo the readings stay as the tests above rely on: the values set, or the small default ones.
TEST(EmulatorDemo, WithoutTheFlagTheDefaultReadingsStay) {
    emu::Emulator e(emu::MakeTempRoot("nodemo"), {"COM4=em61mk2:commanded,rate=10", "COM6=gps:hz=20"});
    ASSERT_TRUE(e.ready()) << e.error();
    ASSERT_TRUE(e.ok("COM6 walk 0 10"));
    Port gps(e.linkPath("COM6")), instrument(e.linkPath("COM4"));
    std::string s;
    for (int i = 0; i < 30; ++i) {
        emu::ReadFor(gps.fd, 1);
        s += emu::ReadFor(instrument.fd, 100);
    }
    auto v = MainReadings("em61mk2", s);
    ASSERT_GE(v.size(), 100u);
    for (double x : v) EXPECT_LT(x, 8 + 150 + 5) << "the default 8 mV with its slow peak";
}
