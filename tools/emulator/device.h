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
