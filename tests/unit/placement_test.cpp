// A window's placement: its four keys in the store, and where it opens when the stored place
// would leave its caption bar out of reach.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/error.h"
#include "settings/placement.h"
#include "tests/unit/map_store.h"

namespace tavori {
namespace {

using test::ErrorBoxOf;
using test::MapStore;
using ::testing::HasSubstr;

constexpr Placement kFirstRun{1000, 1000, 1215, 3135};

TEST(Placement, RestoreFromAnEmptyStoreGivesTheDefaultsAndWritesNothing) {
    MapStore store;
    const Placement defaults{12.5F, -15, 0.1F, 3135};
    EXPECT_EQ(RestorePlacement(store, "", defaults), defaults);
    EXPECT_TRUE(store.values.empty());
}

TEST(Placement, SaveWritesTheFourKeysOfItsWindowAndRestoreReadsThemBack) {
    for (const std::string prefix : {"", "OPTIONS"}) {
        SCOPED_TRACE(prefix);
        MapStore store;
        const Placement saved{1000, -15, 1215.5F, 3135};
        SavePlacement(store, prefix, saved);
        const std::map<std::string, std::string> expected{{prefix + "MainLeft", "1000"},
                                                          {prefix + "MainTop", "-15"},
                                                          {prefix + "MainWidth", "1215.5"},
                                                          {prefix + "MainHeight", "3135"}};
        EXPECT_EQ(store.values, expected);
        EXPECT_EQ(store.places, std::set<std::string>{"HKCU\\Test\\TAVORI\\Settings"});
        EXPECT_EQ(RestorePlacement(store, prefix, kFirstRun), saved);
    }
}

TEST(Placement, RestoreTakesOnlyItsOwnWindowsKeys) {
    MapStore store;
    store.values = {{"MainTop", " -15 "}, {"OPTIONSMainLeft", "2e3"}};
    EXPECT_EQ(RestorePlacement(store, "", kFirstRun), (Placement{1000, -15, 1215, 3135}));
    EXPECT_EQ(RestorePlacement(store, "OPTIONS", kFirstRun), (Placement{2000, 1000, 1215, 3135}));
}

TEST(Placement, ABadStoredValueSaysWhichKeyWhatTextAndWhere) {
    const std::string huge(100000, '7');
    for (const std::string text : {"abc", "", "1,5", "1e39", "inf", "1000x", huge.c_str()}) {
        SCOPED_TRACE(text.substr(0, 10));
        MapStore store;
        store.values = {{"MainTop", "0"}, {"MainWidth", text}};
        const std::string box = ErrorBoxOf([&] { RestorePlacement(store, "", kFirstRun); });
        EXPECT_THAT(box, HasSubstr("\"MainWidth\" holds \"" + text.substr(0, 20)));
        EXPECT_THAT(box, HasSubstr("HKCU\\Test\\TAVORI\\Settings"));
        EXPECT_LT(box.size(), 500U);  // a box that still fits on the screen
        EXPECT_EQ(store.values.size(), 2U);
    }
}

// One 1024 x 768 screen at 96 dpi (15 twips a pixel), its task bar 40 pixels tall at the bottom.
constexpr MonitorArea kScreen{{0, 0, 15360, 11520}, {0, 0, 15360, 10920}};
// The same screen with the task bar on its left, and a second screen right of a gap.
constexpr MonitorArea kLeftBar{{0, 0, 15360, 11520}, {600, 0, 14760, 11520}};
constexpr MonitorArea kFarRight{{30720, 0, 15360, 11520}, {30720, 0, 15360, 11520}};
constexpr CaptionFrame kFrame{600, 450, 345};

TEST(KeepOnScreen, OpensTooSmallASizeAtItsFirstRunValue) {
    const struct {
        float width, height, keptWidth, keptHeight;
    } cases[] = {{0, 3135, 1215, 3135},   {-0.0F, 3135, 1215, 3135}, {-1000, 3135, 1215, 3135},
                 {599, 3135, 1215, 3135}, {1215, 0, 1215, 3135},     {1215, -1000, 1215, 3135},
                 {1215, 449, 1215, 3135}, {600, 450, 600, 450},      {9000, 9000, 9000, 9000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        EXPECT_EQ(KeepOnScreen({1000, 1000, c.width, c.height}, kFirstRun, kFrame, {{kScreen}}),
                  (Placement{1000, 1000, c.keptWidth, c.keptHeight}));
    }
}

TEST(KeepOnScreen, BringsInOnlyAWindowWhoseCaptionIsOutOfReach) {
    const struct {
        const char* name;
        float left, top;
        std::vector<MonitorArea> monitors;
        float keptLeft, keptTop;
    } cases[] = {{"first run", 1000, 1000, {kScreen}, 1000, 1000},
                 {"partly off the left", -1000, 1000, {kScreen}, -1000, 1000},
                 {"caption's last row on screen", 1000, 10905, {kScreen}, 1000, 10905},
                 {"one pixel row on screen", 1000, -3120, {kScreen}, 1000, 0},
                 {"caption just above", 1000, -345, {kScreen}, 1000, 0},
                 {"touching the right edge", 15360, 1000, {kScreen}, 14145, 1000},
                 {"touching the work area's bottom", 1000, 10920, {kScreen}, 1000, 7785},
                 {"caption on the task bar", 1000, 11000, {kScreen}, 1000, 7785},
                 {"far off both ways", -50000, 90000, {kScreen}, 0, 7785},
                 {"behind a left task bar", -1000, 1000, {kLeftBar}, 600, 1000},
                 {"nearer the second screen", 47000, 1000, {kScreen, kFarRight}, 44865, 1000},
                 {"on the second screen", 31000, 1000, {kScreen, kFarRight}, 31000, 1000},
                 // Halfway between the two screens: the first one listed wins.
                 {"tie", 22432.5F, 1000, {kScreen, kFarRight}, 14145, 1000},
                 {"tie, other order", 22432.5F, 1000, {kFarRight, kScreen}, 30720, 1000},
                 {"no monitors", 99999, 99999, {}, 99999, 99999}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Placement kept =
            KeepOnScreen({c.left, c.top, 1215, 3135}, kFirstRun, kFrame, c.monitors);
        EXPECT_EQ(kept, (Placement{c.keptLeft, c.keptTop, 1215, 3135}))
            << kept.left << ", " << kept.top;
    }
    // Too tall a window keeps its caption on screen; too small and off, it is both mended.
    EXPECT_EQ(KeepOnScreen({1000, -30000, 1215, 20000}, kFirstRun, kFrame, {{kScreen}}),
              (Placement{1000, 0, 1215, 20000}));
    EXPECT_EQ(KeepOnScreen({1000, -9000, -1000, 0}, kFirstRun, kFrame, {{kScreen}}),
              (Placement{1000, 0, 1215, 3135}));
}

}  // namespace
}  // namespace tavori
