// Toggling a row, a keeper tick, the error box's words, the one fatal exit, piled-up ticks.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "core/catalogue.h"
#include "core/error.h"
#include "core/timers.h"

namespace tavori {
namespace {

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
    EXPECT_EQ(QuoteStoredText("1\n2\r\t"), "\"1?2??\"");  // a box only as tall as it was
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
    const std::pair<void (*)(), const char*> cases[] = {
        {[] { throw Error("Reading failed.", "Mend it."); }, "Reading failed.\n\nMend it."},
        {[] { throw std::logic_error("broken"); }, "broken"},
        {[] { throw 42; }, "unknown error"}};
    for (const auto& [thrower, words] : cases) {
        SCOPED_TRACE(words);
        fatalMessages.clear();
        EventDispatcher dispatcher(&RecordFatal);
        int ran = 0;
        dispatcher.Dispatch([&] { ++ran; });
        EXPECT_TRUE(ran == 1 && fatalMessages.empty() && !dispatcher.Failed());
        dispatcher.Dispatch(thrower);
        dispatcher.Dispatch([&] { ++ran; });
        dispatcher.Dispatch(thrower);
        EXPECT_TRUE(ran == 1 && dispatcher.Failed());
        ASSERT_EQ(fatalMessages.size(), 1U);
        EXPECT_THAT(fatalMessages[0], HasSubstr(words));
    }
}

TEST(DistinctTicks, EachTimerOnceInTheOrderOfItsFirstTick) {
    EXPECT_THAT(DistinctTicks<int>({3, 3, 5, 3, 8, 5}), ElementsAre(3, 5, 8));
    EXPECT_THAT(DistinctTicks<int>({8, 3, 8}), ElementsAre(8, 3));
    EXPECT_TRUE(DistinctTicks<int>({}).empty());
}

}  // namespace
}  // namespace tavori
