// Speed of the UTM conversion beside the same conversion through GeographicLib, in one run.
#include <benchmark/benchmark.h>

#include <GeographicLib/UTMUPS.hpp>

#include <vector>

#include "core/utm.h"

namespace {

struct LatLon {
    double lat, lon;
};

// A survey-like walk of positions spread over both hemispheres and many zones.
std::vector<LatLon> Positions()
{
    std::vector<LatLon> v;
    for (int i = 0; i < 1024; i++) v.push_back({-79.0 + (i * 157.0) / 1024.0, -179.5 + (i * 359.0) / 1024.0});
    return v;
}

void BM_LatLonToUtm(benchmark::State &state)
{
    InitUtmConstants();
    std::vector<LatLon> positions = Positions();
    size_t i = 0;
    for (auto _ : state) {
        const LatLon &p = positions[i++ & 1023];
        int zone = 0;
        double n, e;
        LatLonToUtm(p.lat, p.lon, &zone, &n, &e, 0);
        benchmark::DoNotOptimize(n);
        benchmark::DoNotOptimize(e);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LatLonToUtm);

void BM_GeographicLibUtm(benchmark::State &state)
{
    std::vector<LatLon> positions = Positions();
    size_t i = 0;
    for (auto _ : state) {
        const LatLon &p = positions[i++ & 1023];
        int zone;
        bool northp;
        double x, y;
        GeographicLib::UTMUPS::Forward(p.lat, p.lon, zone, northp, x, y);
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(y);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GeographicLibUtm);

}  // namespace
