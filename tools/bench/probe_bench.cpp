// tavori-probe-bench [IMAGE [CALLS]]: how long one answer to "is this image running?" takes,
// TAVORI's IsProcessRunning (platform/wmi.cpp) against the same WMI query written plainly
// (plain_probe.cpp). Defaults: mepops.exe, 300 calls each. The two take turns call by call, so
// that a busy spell of the machine falls on both alike. Prints one line per way: its name, the
// median and the 99th percentile in microseconds, and what it found (1 running, 0 not).

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/text.h"
#include "platform/wmi.h"
#include "tools/bench/plain_probe.h"

namespace {

double Microseconds(LONGLONG ticks) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(ticks) * 1e6 / static_cast<double>(frequency.QuadPart);
}

// Nearest rank.
double Percentile(const std::vector<double>& sorted, double fraction) {
    const auto rank = static_cast<std::size_t>(fraction * static_cast<double>(sorted.size()) + 0.5);
    return sorted[std::min(sorted.size() - 1, rank == 0 ? 0 : rank - 1)];
}

// TAVORI's probe, as a row reads it: true only when it found the process.
bool Found(const std::string& image) {
    return tavori::win32::IsProcessRunning(image) == tavori::ProbeAnswer::Found;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring image = argc > 1 ? argv[1] : L"mepops.exe";
    const int calls = argc > 2 ? std::max(1, _wtoi(argv[2])) : 300;
    try {
        tavori::win32::ComApartment com;
        const std::string narrow = tavori::win32::Narrow(image);
        // Warm-up, and time for the process that the caller has just started to show.
        for (int i = 0; i < 50 && !Found(narrow); ++i) {
            Sleep(100);
        }
        const char* names[] = {"IsProcessRunning", "plain-wmi"};
        std::vector<double> samples[2];
        int found[2] = {};
        for (int call = 0; call < 2 * calls; ++call) {
            const int way = (call + call / 2) % 2;  // ABBA: neither always goes first
            LARGE_INTEGER start;
            LARGE_INTEGER stop;
            QueryPerformanceCounter(&start);
            found[way] = way == 0 ? Found(narrow) : PlainWmiProcessCount(image.c_str());
            QueryPerformanceCounter(&stop);
            samples[way].push_back(Microseconds(stop.QuadPart - start.QuadPart));
        }
        for (int way = 0; way < 2; ++way) {
            std::sort(samples[way].begin(), samples[way].end());
            std::printf("%s %.1f %.1f %d\n", names[way], Percentile(samples[way], 0.5),
                        Percentile(samples[way], 0.99), found[way]);
        }
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tavori-probe-bench: %s\n", error.what());
        return 1;
    }
}
