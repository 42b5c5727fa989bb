#include "settings/placement.h"

#include <algorithm>
#include <limits>
#include <string>

#include "settings/number_text.h"
#include "settings/settings.h"

namespace tavori {

namespace {

struct Edge {
    std::string_view name;
    float Placement::*field;
};

constexpr Edge kEdges[] = {
    {"Left", &Placement::left},
    {"Top", &Placement::top},
    {"Width", &Placement::width},
    {"Height", &Placement::height},
};

std::string Key(std::string_view prefix, std::string_view edge) {
    return std::string(prefix) + "Main" + std::string(edge);
}

// How far apart two rectangles are (squared), zero where they touch or overlap.
double Distance(const Placement& a, const Placement& b) {
    const double dx =
        std::max({0.0, double(b.left) - (a.left + a.width), double(a.left) - (b.left + b.width)});
    const double dy =
        std::max({0.0, double(b.top) - (a.top + a.height), double(a.top) - (b.top + b.height)});
    return dx * dx + dy * dy;
}

bool Overlaps(const Placement& a, const Placement& b) {
    return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
           b.top < a.top + a.height;
}

// Slides [start, start + length) into [low, low + span); too long a window keeps its near edge.
float Clamp(float start, float length, float low, float span) {
    return std::max(low, std::min(start, low + span - length));
}

}  // namespace

Placement RestorePlacement(SettingsStore& store, std::string_view prefix,
                           const Placement& defaults) {
    Placement placement;
    for (const Edge& edge : kEdges) {
        placement.*edge.field =
            ReadSingleSetting(store, Key(prefix, edge.name), defaults.*edge.field);
    }
    return placement;
}

void SavePlacement(SettingsStore& store, std::string_view prefix, const Placement& placement) {
    for (const Edge& edge : kEdges) {
        WriteSetting(store, Key(prefix, edge.name), FormatSingle(placement.*edge.field));
    }
}

Placement KeepOnScreen(Placement placement, const Placement& firstRun, const CaptionFrame& frame,
                       std::span<const MonitorArea> monitors) {
    if (placement.width < frame.minWidth) {
        placement.width = firstRun.width;
    }
    if (placement.height < frame.minHeight) {
        placement.height = firstRun.height;
    }
    const Placement caption{placement.left, placement.top, placement.width, frame.captionHeight};
    const MonitorArea* nearest = nullptr;
    double nearestDistance = std::numeric_limits<double>::infinity();
    for (const MonitorArea& monitor : monitors) {
        if (Overlaps(caption, monitor.workArea)) {
            return placement;
        }
        const double distance = Distance(placement, monitor.bounds);
        if (distance < nearestDistance) {
            nearest = &monitor;
            nearestDistance = distance;
        }
    }
    if (nearest == nullptr) {
        return placement;  // no monitor known: nothing to measure against
    }
    const Placement& work = nearest->workArea;
    placement.left = Clamp(placement.left, placement.width, work.left, work.width);
    placement.top = Clamp(placement.top, placement.height, work.top, work.height);
    return placement;
}

}  // namespace tavori
