// A row's toggle, colour and words, a keeper tick, when a tick probes, error words, the fatal exit.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <new>
#include <stdexcept>
#include <tuple>
#include <vector>

#include "core/catalogue.h"
#include "core/error.h"
#include "core/row_state.h"
#include "core/timers.h"

namespace tavori {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// Only the running colour stops a row; a screen reader hears the service, its colour and toggle.
// The list connector's service is MELCS, its image melsc.exe. (Every row and the IIS buttons are
// read and worked end to end.)
TEST(Catalogue, ARowSaysAndTogglesItsServiceByItsColour) {
    const std::tuple<Colour, const char*, const char*, const char*> cases[] = {
        {kRunningColour, "running", "Stop", "net.exe stop MELCS"},
        {kNotRunningColour, "not running", "Start", "net.exe start MELCS"},
        {kNotYetProbedColour, "unknown", "Start", "net.exe start MELCS"}};
    for (const auto& [colour, value, action, command] : cases) {
        const RowWords words = DescribeRow(kWatchedServices[1], colour);
        EXPECT_EQ(std::tuple(words.name, words.value, words.action),
                  std::tuple("MELCS", value, action));
        EXPECT_EQ(ToggleCommand(kWatchedServices[1], colour), command);
    }
    EXPECT_EQ(BuildProcessQuery(kWatchedServices[1].probeImageName),
              "SELECT Name FROM Win32_Process WHERE Name='melsc.exe'");
}

TEST(RowState, AProbeWithoutAnAnswerOrAnAnswerPastThreeSecondsShowsCyan) {
    using enum ProbeAnswer;
    constexpr std::uint32_t kOk = 0, kNoMore = 1, kTimedOut = 0x40004, kFailed = 0x80041003;
    // A success without an object, WBEM_S_TIMEDOUT or any other, is no answer, not "no process".
    const std::tuple<std::uint32_t, std::uint32_t, ProbeAnswer> results[] = {
        {kOk, 1, Found},        {kNoMore, 0, None},   {kTimedOut, 0, TimedOut},
        {0x40005, 0, TimedOut}, {kFailed, 0, Failed}, {0x80070005, 1, Failed}};
    for (const auto& [hresult, objects, answer] : results) {
        SCOPED_TRACE(testing::Message() << std::hex << hresult << " " << objects);
        EXPECT_EQ(ReadProbeResult(hresult, objects), answer);
    }
    // An answer 3001 ms old is stale: nothing probed the row since.
    const std::tuple<std::optional<ProbeAnswer>, std::uint64_t, Colour> shown[] = {
        {std::nullopt, 0, kNotYetProbedColour}, {Found, 3000, kRunningColour},
        {Found, 3001, kNotYetProbedColour},     {None, 2999, kNotRunningColour},
        {None, 60'000, kNotYetProbedColour},    {TimedOut, 0, kNotYetProbedColour}};
    for (const auto& [last, age, colour] : shown) {
        SCOPED_TRACE(testing::Message() << (last ? static_cast<int>(*last) : -1) << " " << age);
        EXPECT_EQ(RowColour(last, age), colour);
    }
}

TEST(KeeperTick, RaisesTheMainWindowQuietlyAndLowersOnlyAnotherProgramsOrdinaryWindow) {
    constexpr int kMain = 1, kDialog = 2, kShell = 3;  // the dialog is owned by the main window
    constexpr unsigned kQuietRaise = 0x13, kAsyncLower = 0x4003;
    using Call = std::tuple<int, Band, unsigned>;
    const Call raise{kMain, Band::Topmost, kQuietRaise};
    // On; the foreground window, each time asked; the calls made.
    const std::tuple<bool, std::vector<int>, std::vector<Call>> cases[] = {
        {true, {kMain}, {}},
        {true, {kDialog, kDialog}, {raise}},
        {true, {7, 7}, {{7, Band::NotTopmost, kAsyncLower}, raise}},
        {true, {7, 9}, {{9, Band::NotTopmost, kAsyncLower}, raise}},  // moved on
        {true, {0, 0}, {raise}},                                      // none in front
        {true, {7, 0}, {raise}},
        {true, {kShell, kShell}, {raise}},  // a taskbar or the desktop
        {false, {}, {}},                    // a tick posted while the keeper is off
    };
    for (const auto& [on, foreground, expected] : cases) {
        SCOPED_TRACE(testing::Message() << on << " " << foreground.size());
        std::size_t asked = 0;
        std::vector<Call> calls;
        KeeperTick(
            on, kMain, [&] { return foreground.at(asked++); },
            [](int window) { return window == kDialog; },
            [](int window) { return window == kShell; },
            [&](int window, Band band, unsigned flags) {
                calls.emplace_back(window, band, flags);
            });
        EXPECT_EQ(asked, foreground.size());
        EXPECT_EQ(calls, expected);
    }
}

TEST(TickProbes, OnlyATickHalfAPeriodAfterTheRowsLastAnswerWithNoProbeUnderWay) {
    constexpr std::uint64_t kNow = 50'000, kPeriod = 1000;
    // The row's last answer, a probe under way; whether the tick probes.
    const std::tuple<std::optional<std::uint64_t>, bool, bool> cases[] = {
        {std::nullopt, false, true},  // the first tick after load
        {std::nullopt, true, false},  // ... but not inside another row's probe
        {kNow - 500, false, true},   {kNow - 499, false, false}, {kNow - 3000, true, false},
    };
    for (const auto& [lastAnswerAt, probeUnderWay, probes] : cases) {
        SCOPED_TRACE(testing::Message() << lastAnswerAt.value_or(-1) << " " << probeUnderWay);
        EXPECT_EQ(TickProbes(kNow, lastAnswerAt, probeUnderWay, kPeriod), probes);
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
    // FormatMessage's words end in a line break, which would leave a gap before the advice.
    EXPECT_THAT(message(Error::Code::Win32, 5, "Access is denied. \r\n"),
                HasSubstr("\nError 5: Access is denied.\n\nTry again."));
    EXPECT_THAT(message(Error::Code::Win32, 6, "\r\n"), HasSubstr("\nError 6\n\nTry again."));
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

TEST(EventDispatcher, TheFirstEscapedErrorEndsItAllOnce) {
    const std::tuple<void (*)(), const char*> cases[] = {
        {[] { throw Error("Reading failed.", "Mend it."); }, "Reading failed.\n\nMend it."},
        {[] { throw std::logic_error("broken"); }, "broken"},
        {[] { throw 42; }, "unknown error"}};
    for (const auto& [thrower, words] : cases) {
        SCOPED_TRACE(words);
        fatalMessages.clear();
        EventDispatcher dispatcher(
            [](const std::string& message) { fatalMessages.push_back(message); });
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

}  // namespace
}  // namespace tavori
