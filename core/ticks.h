#pragma once

#include <algorithm>
#include <vector>

namespace tavori {

// The timers behind a pile of queued ticks, each once, in the order of their first tick. A timer
// that fell behind ticks once when the thread is free again, not once for every period missed.
template <typename Id>
std::vector<Id> DistinctTicks(const std::vector<Id>& queued) {
    std::vector<Id> distinct;
    for (const Id id : queued) {
        if (std::find(distinct.begin(), distinct.end(), id) == distinct.end()) {
            distinct.push_back(id);
        }
    }
    return distinct;
}

}  // namespace tavori
