// Device emulator: the GPS receiver (NMEA sentences of every position format) and the tilt meter.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "device.h"

namespace devemu {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDeg = kPi / 180.0;

// WGS84 latitude/longitude to UTM (transverse Mercator, Krueger series to third order; millimetre accurate).
void toUtm(double latDeg, double lonDeg, double& easting, double& northing, int& zone) {
    const double a = 6378137.0, f = 1 / 298.257223563, k0 = 0.9996;
    zone = static_cast<int>(std::floor(lonDeg / 6.0)) + 31;
    zone = std::max(1, std::min(60, zone));
    double lon0 = (6.0 * zone - 183.0) * kDeg;
    double n = f / (2 - f);
    double A = a / (1 + n) * (1 + n * n / 4 + n * n * n * n / 64);
    double al[3] = {n / 2 - 2 * n * n / 3 + 5 * n * n * n / 16, 13 * n * n / 48 - 3 * n * n * n / 5, 61 * n * n * n / 240};
    double phi = latDeg * kDeg, dl = lonDeg * kDeg - lon0;
    double c = 2 * std::sqrt(n) / (1 + n);
    double t = std::sinh(std::atanh(std::sin(phi)) - c * std::atanh(c * std::sin(phi)));
    double xi = std::atan2(t, std::cos(dl));
    double eta = std::atanh(std::sin(dl) / std::sqrt(1 + t * t));
    double e = eta, nn = xi;
    for (int j = 1; j <= 3; ++j) {
        e += al[j - 1] * std::cos(2 * j * xi) * std::sinh(2 * j * eta);
        nn += al[j - 1] * std::sin(2 * j * xi) * std::cosh(2 * j * eta);
    }
    easting = 500000 + k0 * A * e;
    northing = k0 * A * nn + (latDeg < 0 ? 10000000.0 : 0.0);
}

// ddmm.mmmmm (latitude, 2 degree digits) or dddmm.mmmmm (longitude, 3), with the given minute decimals.
std::string degMin(double deg, int degDigits, int decimals) {
    double a = std::fabs(deg);
    int d = static_cast<int>(std::floor(a));
    double scale = std::pow(10.0, decimals);
    double m = std::round((a - d) * 60.0 * scale) / scale;
    if (m >= 60.0) {
        m -= 60.0;
        ++d;
    }
    char buf[40];
    std::snprintf(buf, sizeof buf, "%0*d%0*.*f", degDigits, d, decimals + 3, decimals, m);
    return buf;
}

std::string sentence(const std::string& body, bool bad, bool withSum = true) {
    if (!withSum) return "$" + body + "\r\n";
    std::string cs = nmeaChecksumHex(body);
    if (bad) cs = nmeaChecksumHex(body + "Z");
    return "$" + body + "*" + cs + "\r\n";
}

class Gps : public Device {
public:
    Gps(const Options& o, uint32_t seed, std::string& err) : Device(seed) {
        std::time_t now = std::time(nullptr);
        std::tm utc{};
        gmtime_r(&now, &utc);
        clock = utc.tm_hour * 3600 + utc.tm_min * 60 + utc.tm_sec;
        std::snprintf(dmy, sizeof dmy, "%02d%02d%02d", utc.tm_mday, utc.tm_mon + 1, utc.tm_year % 100);
        std::snprintf(mdy, sizeof mdy, "%02d%02d%02d", utc.tm_mon + 1, utc.tm_mday, utc.tm_year % 100);
        long n;
        double d;
        if (auto it = o.find("format"); it != o.end()) {
            if (!parseInt(it->second, n) || n < 0 || n > 8) err = "format must be 0..8";
            else format = static_cast<int>(n);
        }
        if (auto it = o.find("hz"); it != o.end()) {
            if (!parseDouble(it->second, d) || d <= 0 || d > 50) err = "hz must be above 0 and at most 50";
            else hz = d;
        }
        if (o.count("extra")) extra = o.at("extra") != "0";
        if (o.count("static")) speed = 0;
        if (o.count("feet")) feet = true;
    }

    Ms periodMs() const override { return 1000.0 / hz; }
    bool hasChecksum() const override { return true; }
    std::string markerBytes() const override { return "$\r\n"; }

    std::vector<std::string> nextFrames(bool badsum) override {
        std::vector<std::string> out;
        char t[32];
        double c = std::fmod(clock, 86400.0);
        int hh = static_cast<int>(c / 3600), mm = static_cast<int>(std::fmod(c, 3600) / 60);
        std::snprintf(t, sizeof t, "%02d%02d%05.2f", hh, mm, std::fmod(c, 60.0));
        std::string lat = degMin(latDeg, 2, 5), lon = degMin(lonDeg, 3, 5);
        char ns = latDeg < 0 ? 'S' : 'N', ew = lonDeg < 0 ? 'W' : 'E';
        char b[256];
        switch (format) {
        case 0:
        case 1:
            std::snprintf(b, sizeof b, "GPGGA,%s,%s,%c,%s,%c,%d,%02d,%.1f,%.1f,M,%.1f,M,,", t, lat.c_str(), ns, lon.c_str(),
                          ew, quality, sats, hdop, alt, geoid);
            out.push_back(sentence(b, badsum));
            if (format == 0) out.push_back(gsa());
            break;
        case 2:
            std::snprintf(b, sizeof b, "PASHR,POS,%d,%02d,%s,%s,%c,%s,%c,%+.2f,,%.1f,%.2f,%+.2f,%.1f,%.1f,%.1f,%.1f,GB00",
                          std::max(0, quality - 1), sats, t, lat.c_str(), ns, lon.c_str(), ew, alt, heading,
                          speed * 3.6, 0.0, pdop, hdop, vdop, 1.1);
            out.push_back(sentence(b, badsum));
            break;
        case 3:
        case 4: {
            double e, n;
            int zone;
            toUtm(latDeg, lonDeg, e, n, zone);
            std::snprintf(b, sizeof b, "GPLLK,%s,%s,%.3f,M,%.3f,M,%d,%02d,%.3f,%.3f,M", t, mdy, e, n, quality, sats,
                          format == 3 ? pdop : 0.02, alt);
            if (format == 4) b[4] = 'Q';
            out.push_back(sentence(b, badsum));
            break;
        }
        case 5:
        case 8:
            std::snprintf(b, sizeof b, "GPGLL,%s,%c,%s,%c,%s,A,A", lat.c_str(), ns, lon.c_str(), ew, t);
            out.push_back(sentence(b, badsum));
            break;
        case 6: {
            std::string lat7 = degMin(latDeg, 2, 7), lon7 = degMin(lonDeg, 3, 7);
            std::snprintf(b, sizeof b, "PTNL,GGK,%s,%s,%s,%c,%s,%c,%d,%02d,%.1f,EHT%.3f,M", t, mdy, lat7.c_str(), ns,
                          lon7.c_str(), ew, quality, sats, pdop, alt + geoid);
            out.push_back(sentence(b, badsum));
            break;
        }
        case 7: {
            double e, n;
            int zone;
            toUtm(latDeg, lonDeg, e, n, zone);
            double k = feet ? 1 / 0.3048 : 1.0;
            std::snprintf(b, sizeof b, "GPGGA,%s,%.3f,N,%.3f,E,%d,%02d,%.1f,%.1f,%c,%.1f,M,,", t, n * k, e * k, quality,
                          sats, hdop, alt, feet ? 'F' : 'M', geoid);
            out.push_back(sentence(b, badsum));
            break;
        }
        }
        if (extra) {
            if (format != 0) out.push_back(gsa());
            std::snprintf(b, sizeof b, "GPRMC,%s,A,%s,%c,%s,%c,%.2f,%.1f,%s,,,A", t, lat.c_str(), ns, lon.c_str(), ew,
                          speed / 0.514444, heading, dmy);
            out.push_back(sentence(b, false));
            std::snprintf(b, sizeof b, "GPVTG,%.1f,T,,M,%.2f,N,%.2f,K,A", heading, speed / 0.514444, speed * 3.6);
            out.push_back(sentence(b, false));
        }
        step(1.0 / hz);
        return out;
    }

    std::string setValues(const std::vector<std::string>& args) override {
        for (const auto& a : args) {
            auto eq = a.find('=');
            if (eq == std::string::npos) return "GPS values are key=value (quality, sats, hdop, pdop, alt, format, hz)";
            std::string k = a.substr(0, eq), v = a.substr(eq + 1);
            double d;
            long n;
            if (k == "quality" && parseInt(v, n) && n >= 0 && n <= 9) quality = static_cast<int>(n);
            else if (k == "sats" && parseInt(v, n) && n >= 0 && n <= 99) sats = static_cast<int>(n);
            else if (k == "hdop" && parseDouble(v, d) && d >= 0) hdop = d;
            else if (k == "pdop" && parseDouble(v, d) && d >= 0) pdop = d;
            else if (k == "alt" && parseDouble(v, d)) alt = d;
            else if (k == "format" && parseInt(v, n) && n >= 0 && n <= 8) format = static_cast<int>(n);
            else if (k == "hz" && parseDouble(v, d) && d > 0 && d <= 50) hz = d;
            else if (k == "extra") extra = v != "0";
            else if (k == "feet") feet = v != "0";
            else return "bad GPS setting '" + a + "'";
        }
        return "";
    }

    std::string control(const std::string& verb, const std::vector<std::string>& args) override {
        if (verb == "position") {
            double la, lo;
            if (args.size() != 2 || !parseDouble(args[0], la) || !parseDouble(args[1], lo) || std::fabs(la) > 84 ||
                std::fabs(lo) > 180)
                return "position LAT LON (decimal degrees)";
            latDeg = la;
            lonDeg = lo;
            along = 0;
            return "";
        }
        if (verb == "walk") {
            double v[4] = {heading, speed, lineLength, spacing};
            if (args.empty() || args.size() > 4) return "walk HEADING SPEED [LINE_LENGTH [SPACING]]";
            for (size_t i = 0; i < args.size(); ++i)
                if (!parseDouble(args[i], v[i])) return "walk HEADING SPEED [LINE_LENGTH [SPACING]]";
            if (v[1] < 0 || v[2] < 0) return "speed and line length are not negative";
            heading = std::fmod(v[0] + 360.0, 360.0);
            speed = v[1];
            lineLength = v[2];
            spacing = v[3];
            along = 0;
            return "";
        }
        return Device::control(verb, args);
    }

private:
    std::string gsa() {
        char b[128];
        std::snprintf(b, sizeof b, "GPGSA,A,3,04,05,09,12,24,25,29,31,,,,,%.1f,%.1f,%.1f", pdop, hdop, vdop);
        return sentence(b, false);
    }

    // One epoch of dt seconds: the clock goes on, the walk moves, and the demo survey's ground learns the place.
    void step(double dt) {
        clock += dt;
        if (speed > 0) walk(dt);
        if (ground) ground->walked(walkedEast, walkedNorth, heading, speed);
    }
    // Moves along the walk for dt seconds: straight lines of lineLength, turning back onto the next line.
    void walk(double dt) {
        double dist = speed * dt;
        double h = heading * kDeg;
        move(dist * std::sin(h), dist * std::cos(h));
        along += dist;
        if (lineLength > 0 && along >= lineLength) {
            double right = h + kPi / 2;   // the next line lies to the right
            move(spacing * std::sin(right), spacing * std::cos(right));
            heading = std::fmod(heading + 180.0, 360.0);
            along = 0;
        }
    }
    void move(double east, double north) {
        walkedEast += east;
        walkedNorth += north;
        double phi = latDeg * kDeg;
        double mPerDegLat = 111132.954 - 559.822 * std::cos(2 * phi) + 1.175 * std::cos(4 * phi);
        double mPerDegLon = kPi / 180 * 6378137.0 * std::cos(phi) / std::sqrt(1 - 0.00669437999014 * std::sin(phi) * std::sin(phi));
        latDeg += north / mPerDegLat;
        lonDeg += east / mPerDegLon;
    }

    int format = 1;
    double hz = 1;
    bool extra = false, feet = false;
    double latDeg = 43 + 36.5940 / 60, lonDeg = -(79 + 36.6403 / 60);
    double heading = 0, speed = 1.0, lineLength = 40, spacing = 2, along = 0;
    double walkedEast = 0, walkedNorth = 0;   // metres moved since the start, for the demo survey's ground
    int quality = 4, sats = 11;
    double hdop = 0.9, pdop = 1.6, vdop = 1.3, alt = 142.5, geoid = -35.4;
    double clock = 0;
    char dmy[32] = "010125", mdy[32] = "010125";
};

// ---------------------------------------------------------------------------------------------- tilt meter

class Tilt : public Device {
public:
    Tilt(const Options& o, uint32_t seed) : Device(seed) {
        if (o.count("static")) animate = false;
        if (o.count("autostart")) on = true;
    }
    Ms periodMs() const override { return 1000.0 / hz; }
    bool streaming(Ms now) const override { return on && now >= holdUntil; }
    bool hasChecksum() const override { return true; }
    std::string markerBytes() const override { return "$\r\n\x11\x13"; }

    void input(unsigned char b, Ms now, std::vector<Timed>& out) override {
        if (b == '\r' || b == '\n') {
            if (cmd.size() > 3 && cmd.compare(0, 3, "[1D") == 0) {
                long n;
                if (parseInt(cmd.substr(3), n) && (n == 1 || n == 2 || n == 5 || n == 10 || n == 20)) {
                    hz = static_cast<double>(n);
                    on = true;
                    holdUntil = now + 20 + 30;
                    out.push_back({20, ">New Output Data Rate: " + std::to_string(n) + " Hz\r\n", false});
                }
            }
            cmd.clear();
            return;
        }
        if (b == 0x11 || b == 0x13) return;   // flow control of the line, not a command
        if (b == '[') cmd.clear();
        if (cmd.size() < 32) cmd.push_back(static_cast<char>(b));
    }

    std::vector<std::string> nextFrames(bool badsum) override {
        double r = roll, p = pitch;
        if (animate) {
            r += 0.4 * std::sin(seq * 0.07) + noise(0.05);
            p += 0.3 * std::cos(seq * 0.05) + noise(0.05);
        }
        char b[96];
        std::snprintf(b, sizeof b, "PTILT,%06ld,%.1f,A,%+.2f,%+.2f", seq % 1000000, 24.0, r, p);
        ++seq;
        return {sentence(b, badsum)};
    }

    std::string setValues(const std::vector<std::string>& args) override {
        std::vector<double> nums;
        for (const auto& a : args) {
            double d;
            if (a.rfind("anim=", 0) == 0) {
                animate = a.substr(5) != "0";
            } else if (parseDouble(a, d)) {
                nums.push_back(d);
            } else {
                return "tilt values: ROLL PITCH (degrees) [anim=0|1]";
            }
        }
        if (nums.size() > 2) return "tilt values: ROLL PITCH (degrees)";
        if (nums.size() >= 1) roll = nums[0];
        if (nums.size() >= 2) pitch = nums[1];
        if (!nums.empty()) {
            bool animGiven = false;
            for (const auto& a : args) animGiven = animGiven || a.rfind("anim=", 0) == 0;
            if (!animGiven) animate = false;
        }
        return "";
    }

private:
    bool on = false;
    double hz = 5;
    Ms holdUntil = 0;
    std::string cmd;
    double roll = 1.2, pitch = -0.6;
    long seq = 0;
};

}  // namespace

std::unique_ptr<Device> makeGps(const Options& opts, uint32_t seed, std::string& err) {
    return std::make_unique<Gps>(opts, seed, err);
}

std::unique_ptr<Device> makeTilt(const Options& opts, uint32_t seed, std::string& err) {
    (void)err;
    return std::make_unique<Tilt>(opts, seed);
}

}  // namespace devemu
