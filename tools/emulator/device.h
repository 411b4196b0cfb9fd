// Device emulator: the device models that build each instrument's frames and answer its commands.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace devemu {

// Milliseconds on the emulator's steady clock.
using Ms = double;

// Bytes a device wants sent after a delay (command answers, triggered frames).
struct Timed {
    Ms delayMs = 0;
    std::string bytes;
    bool frame = false;   // counts as a frame and takes the fault injections
};

// Options of a --port argument: "key=value" pairs and bare flags (value "1").
using Options = std::map<std::string, std::string>;

// The ground of the demo survey (--demo): the GPS tells where the walk is, and the instruments read the ground there,
// soil that changes over tens of metres, buried targets a few metres apart and a pipe across the lines, so that the
// profiles and the map look like a survey.
class Ground {
public:
    // The GPS's place after a step: metres east and north of where it started, heading (degrees) and speed (m/s).
    void walked(double east, double north, double headingDeg, double speed);
    // The place now, moved on from the GPS's last step; without a GPS, a walk north at 1 m/s.
    void place(double& east, double& north);
    // Soil below a place, 0..1, varying smoothly over tens of metres; each layer (coil, channel) its own pattern.
    static double soil(double east, double north, int layer);
    // Response of the buried targets at a place: 0 far from them, about 1 right above the strongest.
    static double targets(double east, double north);

private:
    bool walking = false;
    double east0 = 0, north0 = 0, heading = 0, speed = 0;
    Ms at = 0, start = 0;
};

class Device {
public:
    explicit Device(uint32_t seed) : rng(seed) {}
    virtual ~Device() = default;

    // Time between two frames (or frame groups) at the real rate.
    virtual Ms periodMs() const = 0;
    // True while the device sends frames on its own.
    virtual bool streaming(Ms now) const { (void)now; return true; }
    // The frames of the next time slot (most devices: one). badsum asks for a wrong checksum in the first
    // checksummed frame of the slot.
    virtual std::vector<std::string> nextFrames(bool badsum) = 0;
    // One byte from the program; answers go to out.
    virtual void input(unsigned char b, Ms now, std::vector<Timed>& out) { (void)b; (void)now; (void)out; }
    // True when the device's frames carry a checksum.
    virtual bool hasChecksum() const { return false; }
    // Bytes that "safe" garbage must not contain (frame markers of this device).
    virtual std::string markerBytes() const = 0;
    // "value ..." command: empty on success, else the error text.
    virtual std::string setValues(const std::vector<std::string>& args) = 0;
    // Device-specific commands (position, walk); empty on success.
    virtual std::string control(const std::string& verb, const std::vector<std::string>& args) {
        (void)args;
        return "unknown command '" + verb + "' for this device";
    }

    // Values vary slowly with noise and an occasional peak unless switched off.
    bool animate = true;
    // The demo survey's ground (--demo), shared by all ports; null otherwise. While animate is on, instruments read
    // it in place of the slow variation, and the GPS tells it where the walk is.
    Ground* ground = nullptr;

protected:
    double noise(double amplitude) {
        std::uniform_real_distribution<double> d(-amplitude, amplitude);
        return d(rng);
    }
    std::mt19937 rng;
};

// Creates the device of a kind (em61mk2, em61lx2, em31mk2, em38, em34, em38mk2, em384, cs21, grad601, gps, tilt).
// On failure returns null and sets err.
std::unique_ptr<Device> makeDevice(const std::string& kind, const Options& opts, uint32_t seed, std::string& err);

// The list of kinds, for help texts.
const char* deviceKinds();

// Helpers shared by the devices.
std::string nmeaChecksumHex(const std::string& body);   // XOR of body (the text between "$" and "*") as "HH"
bool parseDouble(const std::string& s, double& v);
bool parseInt(const std::string& s, long& v);
void putWord(std::string& s, uint16_t w);                 // high byte first

std::unique_ptr<Device> makeGps(const Options& opts, uint32_t seed, std::string& err);
std::unique_ptr<Device> makeTilt(const Options& opts, uint32_t seed, std::string& err);

}  // namespace devemu
