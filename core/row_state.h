#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "core/catalogue.h"
#include "core/colour.h"

namespace tavori {

// What a probe learnt: a process with the image runs, none does, or WMI gave no answer in time.
enum class ProbeAnswer { Found, None, TimedOut, Failed };

constexpr std::uint32_t kWbemNoMore = 1;  // WBEM_S_FALSE, the results' end (checked on Windows)

// The probe's first result: an object is a process found, the results' end no process, a failure
// code a failure; any other success with no object (WBEM_S_TIMEDOUT) is no answer, never "none".
constexpr ProbeAnswer ReadProbeResult(std::uint32_t hresult, std::uint32_t objects) {
    return (hresult & 0x80000000) != 0 ? ProbeAnswer::Failed
           : objects != 0              ? ProbeAnswer::Found
           : hresult == kWbemNoMore    ? ProbeAnswer::None
                                       : ProbeAnswer::TimedOut;
}

// An answer older than this is no longer shown: the row turns cyan until its next one.
constexpr std::uint64_t kAnswerFreshMs = 3000;

// The colour a row shows, from its last answer and that answer's age in milliseconds.
constexpr Colour RowColour(std::optional<ProbeAnswer> last, std::uint64_t age) {
    if (!last || age > kAnswerFreshMs) {
        return kNotYetProbedColour;
    }
    return *last == ProbeAnswer::Found  ? kRunningColour
           : *last == ProbeAnswer::None ? kNotRunningColour
                                        : kNotYetProbedColour;
}

// What assistive technology reads of a row: the service, its colour in words, its default action.
struct RowWords {
    std::string_view name;
    std::string_view value;
    std::string_view action;
};

constexpr RowWords DescribeRow(const ServiceRow& service, Colour colour) {
    const std::string_view value = colour == kRunningColour      ? "running"
                                   : colour == kNotRunningColour ? "not running"
                                                                 : "unknown";
    return {service.serviceName, value, colour == kRunningColour ? "Stop" : "Start"};
}

}  // namespace tavori
