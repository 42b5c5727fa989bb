// tavori-probe-bench: how long one answer to "is this image running?" takes, three ways:
//   IsProcessRunning   TAVORI's own probe (platform/wmi.cpp over the real WMI service)
//   plain-wmi          the same bind-query-release written plainly (plain_probe.cpp)
//   toolhelp           a Toolhelp32 process snapshot, for scale
//
//   tavori-probe-bench [IMAGE [CALLS]]     defaults: mepops.exe, 300
//
// The three take turns call by call (after a few warm-up calls each), so a busy spell on the
// machine falls on all of them alike. Prints one JSON object: per way, the median, 99th
// percentile, mean, fastest and slowest call in microseconds, and the count each way found.

#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/text.h"
#include "platform/wmi.h"
#include "tools/bench/plain_probe.h"

namespace {

constexpr int kWarmUpCalls = 10;

double Microseconds(LONGLONG ticks) {
    static const LONGLONG frequency = [] {
        LARGE_INTEGER value;
        QueryPerformanceFrequency(&value);
        return value.QuadPart;
    }();
    return static_cast<double>(ticks) * 1e6 / static_cast<double>(frequency);
}

struct Way {
    const char* name;
    int (*probe)(const std::string& image);
    std::vector<double> samples;
    int found = -2;
};

int TavoriProbe(const std::string& image) {
    return tavori::win32::IsProcessRunning(image) ? 1 : 0;
}

int PlainProbe(const std::string& image) {
    return PlainWmiProcessCount(tavori::win32::Widen(image).c_str());
}

int ToolhelpProbe(const std::string& image) {
    return ToolhelpProcessCount(tavori::win32::Widen(image).c_str());
}

double Percentile(const std::vector<double>& sorted, double fraction) {
    // Nearest rank.
    const auto rank = static_cast<std::size_t>(fraction * static_cast<double>(sorted.size()) + 0.5);
    return sorted[std::min(sorted.size() - 1, rank == 0 ? 0 : rank - 1)];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::string image = argc > 1 ? tavori::win32::Narrow(argv[1]) : "mepops.exe";
    const int calls = argc > 2 ? std::max(1, _wtoi(argv[2])) : 300;

    try {
        tavori::win32::ComApartment com;
        std::vector<Way> ways = {
            {"IsProcessRunning", TavoriProbe, {}},
            {"plain-wmi", PlainProbe, {}},
            {"toolhelp", ToolhelpProbe, {}},
        };
        for (Way& way : ways) {
            way.samples.reserve(static_cast<std::size_t>(calls));
            for (int i = 0; i < kWarmUpCalls; ++i) {
                way.found = way.probe(image);
            }
        }
        for (int call = 0; call < calls; ++call) {
            for (std::size_t turn = 0; turn < ways.size(); ++turn) {
                Way& way = ways[(turn + static_cast<std::size_t>(call)) % ways.size()];
                LARGE_INTEGER start;
                LARGE_INTEGER stop;
                QueryPerformanceCounter(&start);
                way.found = way.probe(image);
                QueryPerformanceCounter(&stop);
                way.samples.push_back(Microseconds(stop.QuadPart - start.QuadPart));
            }
        }

        std::string out =
            "{\"image\": \"" + image + "\", \"calls\": " + std::to_string(calls) + ", \"ways\": {";
        const char* separator = "";
        for (Way& way : ways) {
            std::sort(way.samples.begin(), way.samples.end());
            double sum = 0;
            for (const double sample : way.samples) {
                sum += sample;
            }
            char figures[320];
            std::snprintf(figures, sizeof figures,
                          "\"%s\": {\"median_us\": %.1f, \"p99_us\": %.1f, \"mean_us\": %.1f, "
                          "\"min_us\": %.1f, \"max_us\": %.1f, \"found\": %d}",
                          way.name, Percentile(way.samples, 0.5), Percentile(way.samples, 0.99),
                          sum / static_cast<double>(way.samples.size()), way.samples.front(),
                          way.samples.back(), way.found);
            out += separator;
            out += figures;
            separator = ", ";
        }
        out += "}}\n";
        std::fputs(out.c_str(), stdout);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tavori-probe-bench: %s\n", error.what());
        return 1;
    }
}
