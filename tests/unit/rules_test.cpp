// The rules behind the windows: toggling a row, one keeper tick, the options dialog's stored
// choice, the words of the closing error, the one fatal exit, and ticks that piled up.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "core/always_on_top.h"
#include "core/catalogue.h"
#include "core/error.h"
#include "core/ticks.h"
#include "settings/settings.h"
#include "tests/unit/map_store.h"

namespace tavori {
namespace {

using test::ErrorBoxOf;
using test::MapStore;
using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

TEST(Catalogue, OnlyTheRunningColourStopsARow) {
    const std::pair<Colour, const char*> colours[] = {
        {kRunningColour, "stop"}, {kNotRunningColour, "start"}, {kNotYetProbedColour, "start"},
        {0x0000FE00, "start"},    {0x0100FF00, "start"},        {0, "start"}};
    for (const ServiceRow& row : kWatchedServices) {
        for (const auto& [colour, verb] : colours) {
            SCOPED_TRACE(testing::Message() << row.serviceName << " colour " << colour);
            EXPECT_EQ(ToggleCommand(row, colour),
                      "net.exe " + std::string(verb) + " " + std::string(row.serviceName));
        }
    }
    // The list connector's image is not named after its service.
    const ServiceRow& connector = kWatchedServices[1];
    EXPECT_EQ(ToggleCommand(connector, kRunningColour), "net.exe stop MELCS");
    EXPECT_EQ(BuildProcessQuery(connector.probeImageName),
              "SELECT Name FROM Win32_Process WHERE Name='melsc.exe'");
    EXPECT_EQ(StartCommand(kWebPublishingService), "net.exe start W3SVC");
    EXPECT_EQ(StopCommand(kWebPublishingService), "net.exe stop W3SVC");
    EXPECT_FALSE(ProcessFound(0));
    EXPECT_TRUE(ProcessFound(1) && ProcessFound(2));
}

TEST(KeeperTick, LeavesTheForegroundAloneOrPutsTheMainWindowAboveIt) {
    constexpr int kMain = 1;
    using Call = std::pair<int, Band>;
    const struct {
        std::vector<int> foreground;  // the answers, in turn
        std::vector<Call> bands;
    } cases[] = {{{kMain}, {}},  // the main window in front
                 {{7, 7}, {{7, Band::NotTopmost}, {kMain, Band::Topmost}}},
                 {{7, 9}, {{9, Band::NotTopmost}, {kMain, Band::Topmost}}},   // the front moved on
                 {{7, 0}, {{0, Band::NotTopmost}, {kMain, Band::Topmost}}}};  // nothing in front
    for (const auto& c : cases) {
        SCOPED_TRACE(c.foreground.back());
        int asked = 0;
        std::vector<Call> bands;
        KeeperTick(
            kMain, [&] { return c.foreground.at(asked++); },
            [&](int window, Band band) { bands.emplace_back(window, band); });
        EXPECT_EQ(asked, static_cast<int>(c.foreground.size()));
        EXPECT_EQ(bands, c.bands);
    }
}

TEST(AlwaysOnTopChoice, LoadsAsTheBoxAndAsTheKeeperAtStart) {
    constexpr int kThrows = -1;
    const struct {
        const char* stored;  // null: no value stored
        int box, keeperAtStart;
    } cases[] = {{nullptr, 0, 0},       {"0", 0, 0},           {"1", 1, 1},
                 {" 1 ", 1, 1},         {"1.0", 1, 1},         {"1e0", 1, 1},
                 {"2", 2, 0},           {"1.5", 2, 0},         {"0.5", 0, 0},
                 {"1.2", 1, 0},         {"0.9999", 1, 0},      {"3", kThrows, 0},
                 {"-1", kThrows, 0},    {"40000", kThrows, 0}, {"abc", kThrows, kThrows},
                 {"", kThrows, kThrows}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored != nullptr ? c.stored : "(missing)");
        MapStore store;
        if (c.stored != nullptr) {
            store.values["AlwaysOnTopTimer_TICKBOX"] = c.stored;
        }
        if (c.box != kThrows) {
            EXPECT_EQ(ReadAlwaysOnTopBox(store), static_cast<CheckState>(c.box));
        } else {
            EXPECT_THAT(
                ErrorBoxOf([&] { ReadAlwaysOnTopBox(store); }),
                AllOf(HasSubstr("\"AlwaysOnTopTimer_TICKBOX\" holds \"" + std::string(c.stored)),
                      HasSubstr("HKCU\\Test\\TAVORI\\Settings")));
        }
        if (c.keeperAtStart != kThrows) {
            EXPECT_EQ(ReadKeeperOnAtStart(store), c.keeperAtStart == 1);
        } else {
            EXPECT_THROW(ReadKeeperOnAtStart(store), Error);
        }
        EXPECT_EQ(store.values.size(), c.stored != nullptr ? 1U : 0U);  // loading writes nothing
    }
}

TEST(AlwaysOnTopChoice, TheBoxIsStoredAsItsNumberAndOnlyTickedKeeps) {
    const std::pair<CheckState, const char*> boxes[] = {
        {CheckState::Cleared, "0"}, {CheckState::Ticked, "1"}, {CheckState::Greyed, "2"}};
    for (const auto& [box, text] : boxes) {
        SCOPED_TRACE(text);
        MapStore store;
        WriteAlwaysOnTopBox(store, box);
        EXPECT_EQ(store.values,
                  (std::map<std::string, std::string>{{"AlwaysOnTopTimer_TICKBOX", text}}));
        EXPECT_EQ(ReadAlwaysOnTopBox(store), box);
        EXPECT_EQ(KeeperOnFor(box), box == CheckState::Ticked);
        EXPECT_EQ(ReadKeeperOnAtStart(store), box == CheckState::Ticked);
    }
}

TEST(ErrorWording, ShowsTheNumberAsTheSystemWritesIt) {
    const auto message = [](Error::Code kind, std::uint32_t number, std::string words) {
        return DescribeUntrappedError(Error("Asking failed.", "Try again.", kind, number, words));
    };
    EXPECT_THAT(message(Error::Code::Hresult, 0x8004100E, "Invalid namespace"),
                HasSubstr("Asking failed.\n\nError 0x8004100E: Invalid namespace\n\nTry again."));
    EXPECT_THAT(message(Error::Code::Hresult, 5, ""), HasSubstr("Error 0x00000005\n"));
    EXPECT_THAT(message(Error::Code::Win32, 2, "Not found."), HasSubstr("\nError 2: Not found.\n"));
    EXPECT_THAT(message(Error::Code::Win32, 4294967295, ""), HasSubstr("Error 4294967295\n"));
    EXPECT_THAT(message(Error::Code::None, 0, ""), Not(HasSubstr("Error")));
    EXPECT_THAT(DescribeUntrappedError(std::runtime_error("disk full")), HasSubstr("disk full"));
    EXPECT_THAT(DescribeUntrappedError(std::bad_alloc()), HasSubstr("out of memory"));
}

TEST(ErrorWording, QuotesAStoredTextShortEnoughToFitTheBox) {
    EXPECT_EQ(QuoteStoredText("1000"), "\"1000\"");
    EXPECT_EQ(QuoteStoredText(""), "\"\"");
    const std::string forty(40, 'x');
    EXPECT_EQ(QuoteStoredText(forty), '"' + forty + '"');
    for (const std::string& unit : {std::string("7"), std::string("\xE2\x82\xAC")}) {  // 7 and €
        std::string text;
        for (int i = 0; i < 100000; ++i) {
            text += unit;
        }
        SCOPED_TRACE(unit);
        const std::string quoted = QuoteStoredText(text);
        EXPECT_THAT(quoted, HasSubstr('"' + text.substr(0, 20 * unit.size())));
        EXPECT_THAT(quoted, HasSubstr("cut"));
        EXPECT_THAT(quoted, HasSubstr("100000"));
        EXPECT_LT(quoted.size(), 200U);
        // Whole characters only: each lead byte keeps both of its continuation bytes.
        EXPECT_EQ(std::count(quoted.begin(), quoted.end(), '\xE2') * 2,
                  std::count(quoted.begin(), quoted.end(), '\x82') +
                      std::count(quoted.begin(), quoted.end(), '\xAC'));
    }
}

std::vector<std::string> fatalMessages;
void RecordFatal(const std::string& message) {
    fatalMessages.push_back(message);
}

TEST(EventDispatcher, TheFirstEscapedErrorEndsItAllOnce) {
    const struct {
        const char* name;
        void (*thrower)();
        const char* words;
    } cases[] = {
        {"tavori::Error", [] { throw Error("Reading failed.", "Mend it."); }, "Reading failed."},
        {"std::exception", [] { throw std::logic_error("broken"); }, "broken"},
        {"not an exception", [] { throw 42; }, "unknown error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fatalMessages.clear();
        EventDispatcher dispatcher(&RecordFatal);
        int ran = 0;
        dispatcher.Dispatch([&] { ++ran; });
        EXPECT_EQ(ran, 1);
        EXPECT_FALSE(dispatcher.Failed());
        EXPECT_TRUE(fatalMessages.empty());
        dispatcher.Dispatch(c.thrower);
        dispatcher.Dispatch([&] { ++ran; });
        dispatcher.Dispatch(c.thrower);
        EXPECT_EQ(ran, 1);
        EXPECT_TRUE(dispatcher.Failed());
        ASSERT_EQ(fatalMessages.size(), 1U);
        EXPECT_THAT(fatalMessages[0], HasSubstr(c.words));
    }
}

TEST(DistinctTicks, EachTimerOnceInTheOrderOfItsFirstTick) {
    EXPECT_THAT(DistinctTicks<int>({3, 3, 5, 3, 8, 5}), ElementsAre(3, 5, 8));
    EXPECT_THAT(DistinctTicks<int>({8, 3, 8}), ElementsAre(8, 3));
    EXPECT_TRUE(DistinctTicks<int>({}).empty());
}

}  // namespace
}  // namespace tavori
