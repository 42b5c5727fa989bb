#include "settings/placement.h"

#include <algorithm>
#include <cmath>
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
    {"MainLeft", &Placement::left},
    {"MainTop", &Placement::top},
    {"MainWidth", &Placement::width},
    {"MainHeight", &Placement::height},
};

// How far apart two rectangles are (squared), zero where they touch or overlap.
double Distance(const Placement& a, const Placement& b) {
    const double dx =
        std::max({0.0, double(b.left) - (a.left + a.width), double(a.left) - (b.left + b.width)});
    const double dy =
        std::max({0.0, double(b.top) - (a.top + a.height), double(a.top) - (b.top + b.height)});
    return dx * dx + dy * dy;
}

// Whether two rectangles share at least `least` across and down.
bool Overlaps(const Placement& a, const Placement& b, float least) {
    return std::min(a.left + a.width, b.left + b.width) - std::max(a.left, b.left) >= least &&
           std::min(a.top + a.height, b.top + b.height) - std::max(a.top, b.top) >= least;
}

// Slides [start, start + length) into [low, low + span); too long a window keeps its near edge.
float Clamp(float start, float length, float low, float span) {
    return std::max(low, std::min(start, low + span - length));
}

}  // namespace

int TwipsToPixels(double twips, int dpi) {
    // Halves away from zero, so that negatives mirror positives; clamped to 16-bit coordinates,
    // so that a hand-edited 1e30 cannot overflow.
    const double pixels = std::round(twips * dpi / kTwipsPerInch);
    return static_cast<int>(std::clamp(pixels, -32768.0, 32767.0));
}

double PixelsToTwips(int pixels, int dpi) {
    return static_cast<double>(pixels) * kTwipsPerInch / dpi;
}

Placement RestorePlacement(SettingsStore& store, std::string_view prefix,
                           const Placement& defaults) {
    Placement placement;
    store.AsOneUnit(kSettingsApplication, kSettingsSection, [&] {
        for (const Edge& edge : kEdges) {
            placement.*edge.field = ReadSingleSetting(store, std::string(prefix).append(edge.name),
                                                      defaults.*edge.field);
        }
    });
    return placement;
}

void SavePlacement(SettingsStore& store, std::string_view prefix, const Placement& placement) {
    // Copies closed together (a session end closes them all at once) each leave a whole set.
    store.AsOneUnit(kSettingsApplication, kSettingsSection, [&] {
        for (const Edge& edge : kEdges) {
            WriteSetting(store, std::string(prefix).append(edge.name),
                         FormatSingle(placement.*edge.field));
        }
    });
}

Placement KeepOnScreen(Placement placement, const Placement& firstRun, const CaptionFrame& frame,
                       std::span<const MonitorArea> monitors) {
    if (monitors.empty()) {
        return placement;  // no monitor known: nothing to measure against
    }
    float left = 0, top = 0, right = 0, bottom = 0;  // all monitors together
    for (const MonitorArea& monitor : monitors) {
        const Placement& b = monitor.bounds;
        left = std::min(left, b.left);
        top = std::min(top, b.top);
        right = std::max(right, b.left + b.width);
        bottom = std::max(bottom, b.top + b.height);
    }
    if (placement.width < frame.minWidth || placement.width > right - left) {
        placement.width = firstRun.width;
    }
    if (placement.height < frame.minHeight || placement.height > bottom - top) {
        placement.height = firstRun.height;
    }
    const Placement caption{placement.left, placement.top + frame.captionTop, placement.width,
                            frame.captionHeight};
    const MonitorArea* nearest = &monitors.front();
    for (const MonitorArea& monitor : monitors) {
        if (Overlaps(caption, monitor.workArea, frame.grip)) {
            return placement;
        }
        if (Distance(placement, monitor.bounds) < Distance(placement, nearest->bounds)) {
            nearest = &monitor;
        }
    }
    const Placement& work = nearest->workArea;
    placement.left = Clamp(placement.left, placement.width, work.left, work.width);
    placement.top = Clamp(placement.top, placement.height, work.top, work.height);
    return placement;
}

}  // namespace tavori
