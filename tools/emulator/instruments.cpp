// Device emulator: the survey instruments (EM61 family, text-frame meters, EM38-MK2, EM38-4, CS-21, Grad601).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "device.h"

namespace devemu {

// ---------------------------------------------------------------------------------------------- helpers

bool parseDouble(const std::string& s, double& v) {
    if (s.empty()) return false;
    char* end = nullptr;
    double d = std::strtod(s.c_str(), &end);
    if (end == s.c_str() || *end != '\0' || !std::isfinite(d)) return false;
    v = d;
    return true;
}

bool parseInt(const std::string& s, long& v) {
    if (s.empty()) return false;
    char* end = nullptr;
    long d = std::strtol(s.c_str(), &end, 0);
    if (end == s.c_str() || *end != '\0') return false;
    v = d;
    return true;
}

void putWord(std::string& s, uint16_t w) {
    s.push_back(static_cast<char>(w >> 8));
    s.push_back(static_cast<char>(w & 0xFF));
}

std::string nmeaChecksumHex(const std::string& body) {
    unsigned x = 0;
    for (unsigned char c : body) x ^= c;
    char buf[4];
    std::snprintf(buf, sizeof buf, "%02X", x & 0xFF);
    return buf;
}

namespace {

// Positional numbers and key=value pairs of a "value" command.
struct ValueArgs {
    std::vector<double> nums;
    Options keys;
    std::string err;
};

ValueArgs splitValueArgs(const std::vector<std::string>& args) {
    ValueArgs r;
    for (const auto& a : args) {
        auto eq = a.find('=');
        if (eq != std::string::npos) {
            r.keys[a.substr(0, eq)] = a.substr(eq + 1);
        } else {
            double d;
            if (!parseDouble(a, d)) {
                r.err = "not a number: " + a;
                return r;
            }
            r.nums.push_back(d);
        }
    }
    return r;
}

// A smooth peak of height 1 between 13 and 14 seconds of every 14-second cycle, so the profiles show a target.
double peak(double seconds) {
    double phase = std::fmod(seconds, 14.0);
    return std::max(0.0, 1.0 - std::fabs(phase - 13.5) / 0.5);
}

long clampLong(long v, long lo, long hi) { return std::min(hi, std::max(lo, v)); }

// Takes anim=, marker= and the other keys common to all instruments; unknown keys are an error.
class Instrument : public Device {
public:
    using Device::Device;

protected:
    // Applies the keys this class knows; removes them from keys.
    std::string commonKeys(Options& keys) {
        if (auto it = keys.find("anim"); it != keys.end()) {
            animate = it->second != "0";
            keys.erase(it);
        }
        if (auto it = keys.find("marker"); it != keys.end()) {
            long n;
            if (!parseInt(it->second, n) || n < 0) return "marker=N wants a count of frames";
            markerFrames = n;
            keys.erase(it);
        }
        return "";
    }
    // Splits a value command into numbers and keys, applies the common keys and checks the count of numbers.
    std::string parseValues(const std::vector<std::string>& args, size_t maxNums, const char* tooMany,
                            ValueArgs& va) {
        va = splitValueArgs(args);
        if (!va.err.empty()) return va.err;
        if (std::string e = commonKeys(va.keys); !e.empty()) return e;
        if (va.nums.size() > maxNums) return tooMany;
        return "";
    }
    static std::string unknownKeys(const Options& keys) {
        if (keys.empty()) return "";
        return "unknown setting '" + keys.begin()->first + "'";
    }
    // Seconds of instrument time since the start (frames times the real period).
    double seconds() const { return frameNo * periodMs() / 1000.0; }
    bool takeMarker() {
        if (markerFrames <= 0) return false;
        --markerFrames;
        return true;
    }
    double anim(double base, double noiseAmp, double peakAmp) {
        if (!animate) return base;
        return base + noise(noiseAmp) + peakAmp * peak(seconds());
    }
    // Demo survey: true while the ground gives this frame's readings (--demo, values not fixed); it takes the place
    // below the walk now.
    bool readGround() {
        if (!ground || !animate) return false;
        ground->place(east, north);
        return true;
    }
    // A reading of the demo survey at the place of readGround: lo..hi with the soil of the layer, plus `target` right
    // above the strongest buried target, plus noise.
    double survey(double lo, double hi, double target, double noiseAmp, int layer) {
        return lo + (hi - lo) * Ground::soil(east, north, layer) + target * Ground::targets(east, north) +
               noise(noiseAmp);
    }
    long markerFrames = 0;
    long frameNo = 0;
    double east = 0, north = 0;   // place of the demo survey's readings
};

// ---------------------------------------------------------------------------------------------- EM61

// Gain (or range) code of four channels, each 1, 10 or 100.
int gainCode(const int g[4]) {
    static const int c100[4] = {192, 48, 12, 3};
    static const int c10[4] = {64, 16, 4, 1};
    int code = 0;
    for (int i = 0; i < 4; ++i) code += g[i] == 100 ? c100[i] : g[i] == 10 ? c10[i] : 0;
    return code;
}

void gainsOf(int code, int g[4]) {
    int rest = code;
    auto peel = [&](int hi, int lo, bool exact) {
        if (exact ? rest == hi : rest >= hi) { rest -= hi; return 100; }
        if (exact ? rest == lo : rest >= lo) { rest -= lo; return 10; }
        return 1;
    };
    g[0] = peel(192, 64, false);
    g[1] = peel(48, 16, false);
    g[2] = peel(12, 4, false);
    g[3] = peel(3, 1, true);
}

char markerLetter(char c) {
    switch (c) {
    case 'T': return 'M';
    case 'D': return 'N';
    case 'E': return 'P';
    case 'F': return 'Q';
    default: return c;
    }
}

class Em61 : public Instrument {
public:
    Em61(bool lx2, const Options& o, uint32_t seed, std::string& err) : Instrument(seed), lx2(lx2) {
        answer = lx2 ? "OV" : "OV";
        if (auto it = o.find("answer"); it != o.end()) answer = it->second;
        if (answer != "OK" && answer != "OV" && answer != "none") err = "answer must be OK, OV or none";
        if (auto it = o.find("coils"); it != o.end()) coils = it->second == "1" ? 1 : 2;
        if (o.count("static")) animate = false;
        if (o.count("commanded")) commanded = true;
        current = lx2 ? 3171 : (answer == "OV" ? 3141 : 3000);
        if (lx2) {
            const double d[4] = {6, 4, 5, 3};
            std::copy(d, d + 4, ch);
        } else {
            const double d[4] = {8, 5, 3, 1.5};
            std::copy(d, d + 4, ch);
        }
    }

    Ms periodMs() const override { return 55.078211059704785; }

    bool streaming(Ms now) const override {
        if (!commanded || now < holdUntil) return false;
        return lx2 || answer == "OV" || wheel;
    }

    void input(unsigned char b, Ms now, std::vector<Timed>& out) override {
        if (b == 'H') {
            hSeen = true;
            holdUntil = now + 1000;   // quiet while the command is under way
            return;
        }
        if (hSeen && (b == 'X' || b == 'W')) {
            hSeen = false;
            if (answer == "none") {
                holdUntil = 0;
                return;
            }
            out.push_back({8, answer, false});
            commanded = true;
            wheel = b == 'W';
            holdUntil = now + 8 + 60;
            return;
        }
        if (hSeen) holdUntil = 0;
        hSeen = false;
        if (b == 'A' && !lx2 && commanded && answer == "OK" && !wheel) {
            auto f = nextFrames(false);
            out.push_back({15, f[0], true});
        }
    }

    std::string markerBytes() const override { return std::string(1, '\x7F'); }

    std::vector<std::string> nextFrames(bool) override {
        double v[4];
        // Demo survey: millivolts of mineralised soil, and metal that decays slower than the soil over the gates.
        static const double soilDecay[4] = {1, 0.6, 0.35, 0.18}, metalDecay[4] = {1, 0.7, 0.45, 0.28};
        bool demo = readGround();
        for (int i = 0; i < 4; ++i) {
            double base = ch[i];
            v[i] = demo ? survey(20 * soilDecay[i], 90 * soilDecay[i], 700 * metalDecay[i], 1 + soilDecay[i], 0)
                        : anim(base, 0.02 * std::fabs(base) + 0.3, lx2 ? 60.0 / (i + 1) : 150.0 / (i + 1));
        }
        if (lx2 && coils == 1) v[2] = v[3] = 0;
        char letterNow = takeMarker() ? markerLetter(letter) : letter;
        int g[4];
        long raw[4];
        if (useRaw) {
            gainsOf(gainFixed < 0 ? 0 : gainFixed, g);
            for (int i = 0; i < 4; ++i) raw[i] = rawFixed[i];
        } else {
            double k[4] = {1, 1, 1, 1};
            if (!lx2) channelFactors(letter, k);
            for (int i = 0; i < 4; ++i) {
                // counts per unit at gain 1
                double perUnit = lx2 ? 1.0 / 20.0 : 1.0 / (4.8333 * k[i]);
                if (gainFixed >= 0) {
                    gainsOf(gainFixed, g);
                } else {
                    g[i] = 1;
                    for (int cand : {100, 10}) {
                        if (std::fabs(v[i] * perUnit * cand) <= 32000) {
                            g[i] = cand;
                            break;
                        }
                    }
                }
                raw[i] = clampLong(std::lround(v[i] * perUnit * g[i]), -32000, 32000);
            }
        }
        int code = gainFixed >= 0 ? gainFixed : gainCode(g);
        int batt = static_cast<int>(clampLong(std::lround(battery * 6.66757), 0, 255));
        if (batt == 0x7F) batt = 0x7E;   // never a second end mark inside the frame
        std::string f;
        f.push_back(letterNow);
        f.push_back(static_cast<char>(code));
        for (long r : raw) putWord(f, static_cast<uint16_t>(static_cast<int16_t>(r)));
        putWord(f, static_cast<uint16_t>(static_cast<int16_t>(current)));
        f.push_back(static_cast<char>(batt));
        f.push_back('\x7F');
        f.push_back('\x7F');
        ++frameNo;
        return {f};
    }

    std::string setValues(const std::vector<std::string>& args) override {
        ValueArgs va;
        if (std::string e = parseValues(args, 4, "at most four channel values", va); !e.empty()) return e;
        for (size_t i = 0; i < va.nums.size(); ++i) ch[i] = va.nums[i];
        if (!va.nums.empty()) {
            useRaw = false;
            if (!va.keys.count("anim")) animate = false;
        }
        for (auto it = va.keys.begin(); it != va.keys.end();) {
            const std::string& k = it->first;
            const std::string& v = it->second;
            long n;
            double d;
            if (k == "letter") {
                if (v.size() != 1) return "letter wants one character";
                letter = v[0];
            } else if (k == "gain" || k == "range") {
                if (v == "auto") gainFixed = -1;
                else if (parseInt(v, n) && n >= 0 && n <= 255) gainFixed = static_cast<int>(n);
                else return k + " wants auto or a code 0..255";
            } else if (k == "current") {
                if (!parseInt(v, n) || n < -32768 || n > 32767) return "current wants a word value";
                current = n;
            } else if (k == "battery") {
                if (!parseDouble(v, d) || d < 0 || d > 38) return "battery wants volts";
                battery = d;
            } else if (k == "answer") {
                if (v != "OK" && v != "OV" && v != "none") return "answer must be OK, OV or none";
                answer = v;
            } else if (k == "coils" && lx2) {
                coils = v == "1" ? 1 : 2;
            } else if (k == "raw") {
                long r[4] = {0, 0, 0, 0};
                size_t pos = 0;
                for (int i = 0; i < 4; ++i) {
                    size_t c = v.find(',', pos);
                    std::string part = v.substr(pos, c == std::string::npos ? std::string::npos : c - pos);
                    if (!parseInt(part, r[i]) || r[i] < -32768 || r[i] > 32767) return "raw wants four words a,b,c,d";
                    if (c == std::string::npos) {
                        if (i != 3) return "raw wants four words a,b,c,d";
                        break;
                    }
                    pos = c + 1;
                }
                std::copy(r, r + 4, rawFixed);
                useRaw = true;
                if (!va.keys.count("anim")) animate = false;
            } else {
                ++it;
                continue;
            }
            it = va.keys.erase(it);
        }
        return unknownKeys(va.keys);
    }

private:
    // Channel factors of a Standard EM61-MK2 for a mode letter, so that values are given as the program shows them.
    static void channelFactors(char letter, double k[4]) {
        switch (letter) {
        case 'D': case 'N': k[0] = 2; k[1] = 2; k[2] = 2; k[3] = 4; break;
        case 'E': case 'P': k[0] = 0.9025; k[1] = 1.363; k[2] = 2.026795; k[3] = 3.018856; break;
        case 'F': case 'Q': k[0] = 0.9025; k[1] = 1.363; k[2] = 2.043; k[3] = 12.152; break;
        default: k[0] = k[1] = k[2] = k[3] = 2; break;
        }
    }

    bool lx2;
    std::string answer;
    bool commanded = false, wheel = false, hSeen = false;
    Ms holdUntil = 0;
    char letter = 'T';
    double ch[4] = {0, 0, 0, 0};
    int gainFixed = -1;
    long rawFixed[4] = {0, 0, 0, 0};
    bool useRaw = false;
    long current = 3000;
    double battery = 12.5;
    int coils = 2;
};

// ---------------------------------------------------------------------------------------------- text frames

std::string field5(long v) {
    v = clampLong(v, -9999, 99999);
    char buf[48];
    if (v < 0) std::snprintf(buf, sizeof buf, "-%04ld", -v);
    else std::snprintf(buf, sizeof buf, "%05ld", v);
    return buf;
}

class TextMeter : public Instrument {
public:
    enum Kind { EM31, EM38, EM34 };
    TextMeter(Kind kind, const Options& o, uint32_t seed, std::string& err) : Instrument(seed), kind(kind) {
        if (o.count("static")) animate = false;
        if (auto it = o.find("len"); it != o.end()) {
            if (kind != EM38 || (it->second != "7" && it->second != "12")) err = "len=7|12 is for the em38";
            else len = it->second == "7" ? 7 : 12;
        }
        Options rest;
        for (const auto& [k, v] : o) {
            if (k == "dipole" || k == "sep" || k == "component" || k == "range") rest[k] = v;
        }
        if (err.empty()) {
            std::string e = applyKeys(rest);
            if (!e.empty()) err = e;
        }
        if (kind == EM34) cond = 12;
    }

    Ms periodMs() const override {
        switch (kind) {
        case EM31: return 1000.0 / 10.5;
        case EM38: return len == 7 ? 72 : 91;
        default: return 100;
        }
    }

    std::string markerBytes() const override { return "T\r"; }

    std::vector<std::string> nextFrames(bool) override {
        // Demo survey: conductivity (mS/m) of the soil with metal above it, in-phase (ppt) about zero with metal
        // far above it.
        bool demo = readGround();
        double c = demo ? (kind == EM34 ? survey(20, 160, 150, 0.5, 2)
                                        : kind == EM31 ? survey(30, 180, 120, 0.5, 0) : survey(20, 150, 100, 0.5, 0))
                        : anim(cond, 0.05 + 0.01 * std::fabs(cond), 15);
        double ip = demo ? (kind == EM31 ? survey(-4, 4, 18, 0.05, 1) : survey(-3, 3, 15, 0.05, 1))
                         : anim(inphase, 0.02, 2);
        bool marker = takeMarker();
        int f = marker ? 64 : 0;
        std::string fields;
        if (kind == EM31) {
            int idx = rangeIdx >= 0 ? rangeIdx : (std::fabs(c) < 10 ? 2 : std::fabs(c) < 100 ? 4 : 0);
            double scale = (idx == 0 || idx == 6) ? -0.25 : idx == 4 ? -0.025 : -0.0025;
            if (battery) idx |= 1;
            f += (dipoleV ? 32 : 0) + idx;
            if (f == 0) f = 8;   // the same meaning without a zero byte
            fields = field5(std::lround(c / scale)) + field5(std::lround(ip / -0.0025));
        } else if (kind == EM38) {
            bool conductivity = component == "cond";
            double main = conductivity ? c : ip;
            bool big = rangeIdx >= 0 ? rangeIdx == 3 : (conductivity ? std::fabs(main) >= 100 : std::fabs(main) >= 28);
            double scale = conductivity ? (big ? -1.0 : -0.1) : (big ? -0.0288 : -0.00288);
            double otherScale = conductivity ? (big ? -0.0288 : -0.00288) : (big ? -1.0 : -0.1);
            int idx = big ? 3 : 2;
            f += (dipoleV ? 32 : 0) + (conductivity ? 4 : 0) + idx;
            fields = field5(std::lround(main / scale));
            if (len == 12) fields += field5(std::lround((conductivity ? ip : c) / otherScale));
        } else {
            static const double scales[8] = {-0.00075, -0.25, -0.0025, -0.0075, -0.025, -0.075, -0.25, -0.25};
            int idx = rangeIdx >= 0 ? rangeIdx
                                    : (std::fabs(c) < 3 ? 0 : std::fabs(c) < 10 ? 2 : std::fabs(c) < 100 ? 4 : 6);
            double scale = scales[idx];
            if (battery) idx |= 1;
            f += (dipoleV ? 0 : 32) + (sep == 40 ? 24 : sep == 10 ? 16 : 0) + idx;
            if (f == 0) f = 8;
            fields = field5(std::lround(c / scale)) + "00000";
        }
        std::string frame = "T";
        frame.push_back(static_cast<char>(f));
        frame += fields;
        frame.push_back('\r');
        ++frameNo;
        return {frame};
    }

    std::string setValues(const std::vector<std::string>& args) override {
        ValueArgs va;
        if (std::string e = parseValues(args, kind == EM34 ? 1 : 2,
                                        kind == EM34 ? "one value: conductivity" : "two values: conductivity, in-phase",
                                        va);
            !e.empty())
            return e;
        if (va.nums.size() >= 1) cond = va.nums[0];
        if (va.nums.size() >= 2) inphase = va.nums[1];
        if (!va.nums.empty() && !va.keys.count("anim")) animate = false;
        return applyKeys(va.keys);
    }

private:
    std::string applyKeys(Options keys) {
        for (auto it = keys.begin(); it != keys.end();) {
            const std::string& k = it->first;
            const std::string& v = it->second;
            long n;
            if (k == "dipole") {
                if (v != "V" && v != "H") return "dipole must be V or H";
                dipoleV = v == "V";
            } else if (k == "range") {
                if (v == "auto") rangeIdx = -1;
                else if (parseInt(v, n) && n >= 0 && n <= 7) rangeIdx = static_cast<int>(n);
                else return "range wants auto or an index 0..7";
            } else if (k == "battery" && kind == EM31) {
                battery = v != "0";   // the EM31-MK2 marks battery records by an odd flags byte
            } else if (k == "sep" && kind == EM34) {
                if (v != "10" && v != "20" && v != "40") return "sep must be 10, 20 or 40";
                sep = std::atoi(v.c_str());
            } else if (k == "component" && kind == EM38) {
                if (v != "cond" && v != "inphase") return "component must be cond or inphase";
                component = v;
            } else {
                ++it;
                continue;
            }
            it = keys.erase(it);
        }
        return unknownKeys(keys);
    }

    Kind kind;
    int len = 12;
    double cond = 25, inphase = 1.5;
    bool dipoleV = true;
    int rangeIdx = -1;
    bool battery = false;
    int sep = 20;
    std::string component = "cond";
};

// ---------------------------------------------------------------------------------------------- EM38-MK2, EM38-4

uint16_t valueWord(double x) {
    // Inverse of (W * 5 / 1024 - 160) * 8; kept below 0xFF00 so that no 0xFF 0xFF pair appears inside a frame.
    return static_cast<uint16_t>(clampLong(std::lround((x / 8.0 + 160.0) * 1024.0 / 5.0), 0, 0xFEFF));
}

class Em38Mk2 : public Instrument {
public:
    Em38Mk2(const Options& o, uint32_t seed, std::string& err) : Instrument(seed) {
        if (o.count("static")) animate = false;
        if (auto it = o.find("lead"); it != o.end()) {
            long n;
            if (!parseInt(it->second, n) || n < 0 || n > 8) err = "lead wants 0..8";
            else lead = static_cast<int>(n);
        }
        if (auto it = o.find("dipole"); it != o.end()) dipoleV = it->second != "H";
    }
    Ms periodMs() const override { return 47; }
    std::string markerBytes() const override { return std::string(1, '\xFF'); }

    std::vector<std::string> nextFrames(bool) override {
        double pv, qv, rv, sv;
        if (readGround()) {   // demo survey: the in-phase words hold at most about 36 (q) and 9 (s) ppt
            pv = survey(60, 350, 250, 0.5, 0);
            qv = survey(0, 6, 25, 0.05, 1);
            rv = survey(80, 400, 200, 0.5, 2);
            sv = survey(0, 2, 6, 0.02, 3);
        } else {
            pv = anim(p, 0.1, 20), qv = anim(q, 0.02, 1), rv = anim(r, 0.1, 12), sv = anim(s, 0.01, 0.5);
        }
        bool marker = takeMarker();
        int status = dipoleV ? 6 : 2;
        if (marker) status += 1;
        std::string f(lead, '\0');
        f.push_back(letter);
        f.push_back(static_cast<char>(status));
        putWord(f, valueWord(rv));
        putWord(f, valueWord(sv / 0.00720475));
        putWord(f, valueWord(pv));
        putWord(f, valueWord(qv / 0.028819));
        putWord(f, temp1);
        f.push_back(static_cast<char>(temp2 >> 8));
        f.push_back('\xFF');
        f.push_back('\xFF');
        ++frameNo;
        return {f};
    }

    std::string setValues(const std::vector<std::string>& args) override {
        ValueArgs va;
        if (std::string e = parseValues(args, 4, "at most four values: p q r s", va); !e.empty()) return e;
        double* dst[4] = {&p, &q, &r, &s};
        for (size_t i = 0; i < va.nums.size(); ++i) *dst[i] = va.nums[i];
        if (!va.nums.empty() && !va.keys.count("anim")) animate = false;
        for (auto it = va.keys.begin(); it != va.keys.end();) {
            long n;
            if (it->first == "dipole") {
                if (it->second != "V" && it->second != "H") return "dipole must be V or H";
                dipoleV = it->second == "V";
            } else if (it->first == "letter") {
                if (it->second.size() != 1) return "letter wants one character";
                letter = it->second[0];
            } else if (it->first == "temp1" || it->first == "temp2") {
                if (!parseInt(it->second, n) || n < 0 || n > 0xFEFF) return "temperature words are 0..65279";
                (it->first == "temp1" ? temp1 : temp2) = static_cast<uint16_t>(n);
            } else {
                ++it;
                continue;
            }
            it = va.keys.erase(it);
        }
        return unknownKeys(va.keys);
    }

private:
    double p = 30, q = 2.0, r = 35, s = 1.0;
    bool dipoleV = true;
    char letter = 'T';
    int lead = 1;
    uint16_t temp1 = 0x0A00, temp2 = 0x0A00;
};

class Em384 : public Instrument {
public:
    Em384(const Options& o, uint32_t seed) : Instrument(seed) {
        if (o.count("static")) animate = false;
    }
    Ms periodMs() const override { return 100; }
    std::string markerBytes() const override { return std::string(1, '\xFF'); }

    std::vector<std::string> nextFrames(bool) override {
        static const double f[4] = {0.00716, 0.0161, 0.0286, 0.0222};
        double c[4], in[4];
        bool demo = readGround();
        for (int k = 0; k < 4; ++k) {
            // Demo survey: the in-phase of a pair stays within what its word holds (1270 times its factor).
            c[k] = demo ? survey(60 + 10 * k, 300 + 30 * k, 250, 0.5, k) : anim(cond[k], 0.1, 10);
            in[k] = demo ? survey(-3, 3, std::min(18.0, 1000 * f[k]), 0.05, 4 + k) : anim(inph[k], 0.02, 1);
        }
        bool marker = takeMarker();
        std::string pk;
        pk.push_back(letter);
        pk.push_back(static_cast<char>(marker ? 7 : 6));
        for (int k : {2, 3, 0, 1}) {   // packet order: pairs 3, 4, 1, 2
            putWord(pk, valueWord(c[k]));
            putWord(pk, valueWord(in[k] / f[k]));
        }
        for (double h : {h1, h2}) putWord(pk, static_cast<uint16_t>(clampLong(std::lround((h + 12.7) / 0.66667), 0, 0xFEFF)));
        for (double t : {t1, t2}) putWord(pk, static_cast<uint16_t>(clampLong(std::lround((t + 40) * 3.1 + 31), 0, 0xFEFF)));
        pk.push_back('\xFF');
        pk.push_back('\xFF');
        ++frameNo;
        return {pk};
    }

    std::string setValues(const std::vector<std::string>& args) override {
        ValueArgs va;
        if (std::string e = parseValues(args, 8, "at most eight values: C1 I1 C2 I2 C3 I3 C4 I4", va); !e.empty()) return e;
        for (size_t i = 0; i < va.nums.size(); ++i) (i % 2 == 0 ? cond : inph)[i / 2] = va.nums[i];
        if (!va.nums.empty() && !va.keys.count("anim")) animate = false;
        for (auto it = va.keys.begin(); it != va.keys.end();) {
            double d;
            double* dst = it->first == "h1" ? &h1 : it->first == "h2" ? &h2 : it->first == "t1" ? &t1 : it->first == "t2" ? &t2 : nullptr;
            if (dst) {
                if (!parseDouble(it->second, d)) return it->first + " wants a number";
                *dst = d;
            } else if (it->first == "letter") {
                if (it->second.size() != 1) return "letter wants one character";
                letter = it->second[0];
            } else {
                ++it;
                continue;
            }
            it = va.keys.erase(it);
        }
        return unknownKeys(va.keys);
    }

private:
    double cond[4] = {20, 22, 25, 28};
    double inph[4] = {1.0, 2.0, 3.0, 4.0};
    double h1 = 30, h2 = 30, t1 = 20, t2 = 21;
    char letter = 'T';
};

// ---------------------------------------------------------------------------------------------- sentences

class Cs21 : public Instrument {
public:
    Cs21(const Options& o, uint32_t seed) : Instrument(seed) {
        if (o.count("static")) animate = false;
    }
    Ms periodMs() const override { return 100; }
    bool hasChecksum() const override { return true; }
    std::string markerBytes() const override { return "$\r\n"; }

    std::vector<std::string> nextFrames(bool badsum) override {
        double t = 11 * 3600 + 23 * 60 + 45 + seconds();
        long ms = std::lround(std::fmod(t, 86400.0) * 1000);
        char tbuf[32];
        std::snprintf(tbuf, sizeof tbuf, "%02ld%02ld%02ld.%03ld", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
        std::vector<std::string> out;
        bool demo = readGround();
        for (int half = 0; half < 2; ++half) {
            char body[160];
            const double* v = half == 0 ? m1 : m2;
            double x[4];
            if (demo) {   // demo survey: conductivity (mS/m) and in-phase (ppt) of two coil pairs per sentence
                int l = 4 * half;
                x[0] = survey(60 + 20 * half, 300 + 50 * half, 250 - 50 * half, 0.5, l);
                x[1] = survey(-3, 3, 18 - 4 * half, 0.05, l + 1);
                x[2] = survey(70 + 20 * half, 330 + 50 * half, 200 - 40 * half, 0.5, l + 2);
                x[3] = survey(-2, 2, 12 - 2 * half, 0.05, l + 3);
            } else {
                x[0] = anim(v[0], 0.1, 10), x[1] = anim(v[1], 0.02, 1), x[2] = anim(v[2], 0.1, 12);
                x[3] = anim(v[3], 0.02, 1.5);
            }
            std::snprintf(body, sizeof body, "PDLM%d,%s,%.3f,%.3f,%.3f,%.3f", half + 1, tbuf, x[0], x[1], x[2], x[3]);
            out.push_back(sentence(body, badsum && half == 0));
        }
        if (frameNo % 10 == 0) {
            char body[96];
            std::snprintf(body, sizeof body, "PDLMA,%.2f,%.1f,%.1f,%.1f", 12.6 + noise(0.05), 24.5, 0.5, -0.3);
            out.push_back(sentence(body, false));
        }
        ++frameNo;
        return out;
    }

    std::string setValues(const std::vector<std::string>& args) override {
        ValueArgs va;
        if (std::string e = parseValues(args, 8, "at most eight values: PDLM1 F1..F4, PDLM2 F1..F4", va); !e.empty()) return e;
        for (size_t i = 0; i < va.nums.size(); ++i) (i < 4 ? m1 : m2)[i % 4] = va.nums[i];
        if (!va.nums.empty() && !va.keys.count("anim")) animate = false;
        return unknownKeys(va.keys);
    }

private:
    static std::string sentence(const std::string& body, bool bad) {
        std::string cs = nmeaChecksumHex(body);
        if (bad) cs = nmeaChecksumHex(body + "Z");
        return "$" + body + "*" + cs + "\r\n";
    }
    double m1[4] = {25.0, 1.2, 30.5, 2.1};
    double m2[4] = {28.0, 0.8, 35.2, 1.5};
};

class Grad601 : public Instrument {
public:
    Grad601(const Options& o, uint32_t seed, std::string& err) : Instrument(seed) {
        if (o.count("static")) animate = false;
        if (auto it = o.find("sensors"); it != o.end()) {
            if (it->second != "1" && it->second != "2") err = "sensors must be 1 or 2";
            sensors = it->second == "1" ? 1 : 2;
        }
    }
    Ms periodMs() const override { return 91; }
    std::string markerBytes() const override { return "$\r\n"; }

    std::vector<std::string> nextFrames(bool) override {
        char buf[64];
        auto fmt = [](double v) {
            v = std::max(-999.9, std::min(999.9, v));
            char b[16];
            std::snprintf(b, sizeof b, "%+.1f", v);
            return std::string(b);
        };
        // Demo survey: gradients (nT) of the soil a few nT, of iron hundreds.
        bool demo = readGround();
        std::string s = "$PBAR," + fmt(demo ? survey(-5, 25, 900, 0.5, 0) : anim(s1, 0.3, 40));
        if (sensors == 2) s += "," + fmt(demo ? survey(-5, 25, 700, 0.5, 1) : anim(s2, 0.3, 25));
        std::snprintf(buf, sizeof buf, "%s\r\n", s.c_str());
        ++frameNo;
        return {buf};
    }

    std::string setValues(const std::vector<std::string>& args) override {
        ValueArgs va;
        if (std::string e = parseValues(args, 2, "at most two values: sensor 1, sensor 2", va); !e.empty()) return e;
        if (va.nums.size() >= 1) s1 = va.nums[0];
        if (va.nums.size() >= 2) s2 = va.nums[1];
        if (!va.nums.empty() && !va.keys.count("anim")) animate = false;
        if (auto it = va.keys.find("sensors"); it != va.keys.end()) {
            if (it->second != "1" && it->second != "2") return "sensors must be 1 or 2";
            sensors = it->second == "1" ? 1 : 2;
            va.keys.erase(it);
        }
        return unknownKeys(va.keys);
    }

private:
    int sensors = 2;
    double s1 = 1.5, s2 = -0.8;
};

}  // namespace

const char* deviceKinds() { return "em61mk2, em61lx2, em31mk2, em38, em34, em38mk2, em384, cs21, grad601, gps, tilt"; }

std::unique_ptr<Device> makeDevice(const std::string& kind, const Options& opts, uint32_t seed, std::string& err) {
    std::unique_ptr<Device> d;
    if (kind == "em61mk2") d = std::make_unique<Em61>(false, opts, seed, err);
    else if (kind == "em61lx2") d = std::make_unique<Em61>(true, opts, seed, err);
    else if (kind == "em31mk2") d = std::make_unique<TextMeter>(TextMeter::EM31, opts, seed, err);
    else if (kind == "em38") d = std::make_unique<TextMeter>(TextMeter::EM38, opts, seed, err);
    else if (kind == "em34") d = std::make_unique<TextMeter>(TextMeter::EM34, opts, seed, err);
    else if (kind == "em38mk2") d = std::make_unique<Em38Mk2>(opts, seed, err);
    else if (kind == "em384") d = std::make_unique<Em384>(opts, seed);
    else if (kind == "cs21") d = std::make_unique<Cs21>(opts, seed);
    else if (kind == "grad601") d = std::make_unique<Grad601>(opts, seed, err);
    else if (kind == "gps") d = makeGps(opts, seed, err);
    else if (kind == "tilt") d = makeTilt(opts, seed, err);
    else err = "unknown device '" + kind + "' (one of " + deviceKinds() + ")";
    if (!err.empty()) return nullptr;
    return d;
}

}  // namespace devemu
