// Device emulator: the ground of the demo survey, soil, buried targets and a pipe below the GPS walk.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>

#include "device.h"

namespace devemu {

namespace {

constexpr double kDeg = 3.14159265358979323846 / 180.0;
// Targets lie one at most in each square of this side (metres), at a fixed place in it.
constexpr double kCell = 6.0;

Ms steadyMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// A fixed pseudo-random number 0..1 of a square and a purpose: the same ground on every run.
double cellHash(long i, long j, uint32_t salt) {
    uint32_t h = static_cast<uint32_t>(i) * 73856093u ^ static_cast<uint32_t>(j) * 19349663u ^ salt * 83492791u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return (h & 0xFFFFFF) / static_cast<double>(0x1000000);
}

}  // namespace

void Ground::walked(double east, double north, double headingDeg, double metresPerSecond) {
    east0 = east;
    north0 = north;
    heading = headingDeg;
    speed = metresPerSecond;
    at = steadyMs();
    walking = true;
}

void Ground::place(double& east, double& north) {
    Ms now = steadyMs();
    if (!walking) {
        if (start == 0) start = now;
        east = 0;
        north = (now - start) / 1000.0;
        return;
    }
    // The GPS steps once an epoch; between its steps the walk goes on at its speed (never beyond two seconds).
    double dt = std::min(2.0, std::max(0.0, (now - at) / 1000.0));
    east = east0 + speed * dt * std::sin(heading * kDeg);
    north = north0 + speed * dt * std::cos(heading * kDeg);
}

double Ground::soil(double east, double north, int layer) {
    double l = layer;
    double s = 0.5 + 0.25 * std::sin(east / 23.0 + 0.7 * l) * std::cos(north / 31.0 - 0.3 * l) +
               0.15 * std::sin((east + north) / (11.0 + 2 * l) + l) + 0.1 * std::sin(north / 7.0 - east / 13.0 + 0.5 * l);
    return std::clamp(s, 0.0, 1.0);
}

double Ground::targets(double east, double north) {
    long ci = static_cast<long>(std::floor(east / kCell)), cj = static_cast<long>(std::floor(north / kCell));
    double sum = 0;
    for (long i = ci - 1; i <= ci + 1; ++i) {
        for (long j = cj - 1; j <= cj + 1; ++j) {
            if (cellHash(i, j, 1) < 0.3) continue;   // seven squares in ten hold a target
            double te = (i + 0.1 + 0.8 * cellHash(i, j, 2)) * kCell;
            double tn = (j + 0.1 + 0.8 * cellHash(i, j, 3)) * kCell;
            double depth = 0.5 + 0.9 * cellHash(i, j, 4);
            double strength = 0.25 + 0.75 * cellHash(i, j, 5);
            double d2 = (east - te) * (east - te) + (north - tn) * (north - tn);
            double f = depth * depth / (depth * depth + d2);
            sum += strength * f * f;
        }
    }
    // A pipe a metre down, across the lines of the walk, so that every line meets an anomaly.
    double toPipe = std::fabs(north - 15.0 - 0.4 * east) / std::sqrt(1.16);
    sum += 0.6 / (1.0 + toPipe * toPipe);
    return std::min(1.0, sum);
}

}  // namespace devemu
