// An error that escapes a handler becomes one message box and exit status 1, and then nothing
// runs again.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <new>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/event_dispatch.h"
#include "tests/unit/fake_platform.h"

namespace tavori {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class EventDispatch : public ::testing::Test {
  protected:
    // The one message shown; fails the test unless exactly one was.
    const fake::FatalMessage& OnlyMessage() {
        EXPECT_EQ(exit_.messages().size(), 1u);
        static const fake::FatalMessage none{"", "", 0};
        return exit_.messages().empty() ? none : exit_.messages().front();
    }

    fake::FakeFatalExit exit_;
    EventDispatcher dispatcher_{exit_};
};

TEST_F(EventDispatch, HandlerThatSucceedsShowsNothing) {
    int runs = 0;
    dispatcher_.Dispatch([&] { ++runs; });
    dispatcher_.Dispatch([&] { ++runs; });
    EXPECT_EQ(runs, 2);
    EXPECT_FALSE(dispatcher_.Failed());
    EXPECT_TRUE(exit_.messages().empty());
}

TEST_F(EventDispatch, EmptyHandlerIsIgnored) {
    dispatcher_.Dispatch(Handler{});
    EXPECT_FALSE(dispatcher_.Failed());
    EXPECT_TRUE(exit_.messages().empty());
}

TEST_F(EventDispatch, HresultErrorIsShownInHexAndEndsWithStatusOne) {
    dispatcher_.Dispatch(
        [] { throw Error("Checking whether MEPOPS runs", 0x80041003, "Access denied", true); });
    EXPECT_TRUE(dispatcher_.Failed());
    const fake::FatalMessage& shown = OnlyMessage();
    EXPECT_EQ(shown.caption, "TAVORI");
    EXPECT_EQ(shown.exitStatus, 1);
    EXPECT_THAT(shown.message, HasSubstr("Checking whether MEPOPS runs"));
    EXPECT_THAT(shown.message, HasSubstr("0x80041003"));
    EXPECT_THAT(shown.message, HasSubstr("Access denied"));
}

TEST_F(EventDispatch, SmallHresultKeepsAllEightDigits) {
    dispatcher_.Dispatch([] { throw Error("Binding", 0x00000005, "", true); });
    EXPECT_THAT(OnlyMessage().message, HasSubstr("0x00000005"));
}

TEST_F(EventDispatch, Win32ErrorIsShownInDecimal) {
    dispatcher_.Dispatch(
        [] { throw Error("Starting net.exe start MEPOPS", 1060, "No such service.", false); });
    const fake::FatalMessage& shown = OnlyMessage();
    EXPECT_THAT(shown.message, HasSubstr("Starting net.exe start MEPOPS"));
    EXPECT_THAT(shown.message, HasSubstr("1060"));
    EXPECT_THAT(shown.message, Not(HasSubstr("0x")));
    EXPECT_THAT(shown.message, HasSubstr("No such service."));
}

TEST_F(EventDispatch, ErrorWithoutCodeShowsItsDescription) {
    dispatcher_.Dispatch([] {
        throw Error("Reading the window position",
                    "HKEY_CURRENT_USER\\Software\\TAVORI\\Position holds \"abc\", not a number.");
    });
    const fake::FatalMessage& shown = OnlyMessage();
    EXPECT_THAT(shown.message, HasSubstr("Reading the window position"));
    EXPECT_THAT(shown.message, HasSubstr("holds \"abc\", not a number."));
    EXPECT_THAT(shown.message, Not(HasSubstr("Error 0")));
}

TEST_F(EventDispatch, OutOfMemoryIsDescribed) {
    dispatcher_.Dispatch([] { throw std::bad_alloc(); });
    const fake::FatalMessage& shown = OnlyMessage();
    EXPECT_EQ(shown.exitStatus, 1);
    EXPECT_THAT(shown.message, HasSubstr("out of memory"));
}

TEST_F(EventDispatch, OtherStandardExceptionIsDescribed) {
    dispatcher_.Dispatch([] { throw std::logic_error("row 9 does not exist"); });
    EXPECT_THAT(OnlyMessage().message, HasSubstr("row 9 does not exist"));
}

TEST_F(EventDispatch, UnknownExceptionIsDescribed) {
    dispatcher_.Dispatch([] { throw 42; });
    const fake::FatalMessage& shown = OnlyMessage();
    EXPECT_EQ(shown.caption, "TAVORI");
    EXPECT_EQ(shown.exitStatus, 1);
    EXPECT_THAT(shown.message, HasSubstr("unknown error"));
}

TEST_F(EventDispatch, NothingRunsAfterAFailure) {
    dispatcher_.Dispatch([] { throw Error("First", "one"); });
    int runs = 0;
    dispatcher_.Dispatch([&] { ++runs; });
    dispatcher_.Dispatch([&] {
        ++runs;
        throw Error("Second", "two");
    });
    EXPECT_EQ(runs, 0);
    EXPECT_THAT(OnlyMessage().message, HasSubstr("First"));
}

TEST_F(EventDispatch, HandlersDispatchedWhileTheBoxIsUpDoNotRun) {
    // The message box runs a message loop of its own: timers keep ticking into the dispatcher.
    int runs = 0;
    exit_.WhileShowing([&] {
        dispatcher_.Dispatch([&] { ++runs; });
        dispatcher_.Dispatch([] { throw Error("Second", "two"); });
    });
    dispatcher_.Dispatch([] { throw Error("First", "one"); });
    EXPECT_EQ(runs, 0);
    EXPECT_THAT(OnlyMessage().message, HasSubstr("First"));
}

TEST(DescribeUntrappedError, NamesWhatFailedFirst) {
    const std::string message =
        DescribeUntrappedError(Error("Stopping MEPOPS", 0x80070005, "Access is denied.", true));
    const auto what = message.find("Stopping MEPOPS");
    const auto code = message.find("0x80070005");
    ASSERT_NE(what, std::string::npos);
    ASSERT_NE(code, std::string::npos);
    EXPECT_LT(what, code);
}

// --- Handlers the window runtime runs ----------------------------------------------------------
// Later tests lean on the fake runtime's clock; these pin down how its timers behave.

class RuntimeTimers : public ::testing::Test {
  protected:
    RuntimeTimers()
        : window_(fake_.windows.CreateTopLevel({.className = "T",
                                                .caption = "T",
                                                .frame = Frame::FixedToolWindow,
                                                .programIcon = false,
                                                .onUnload = {}})) {}

    Timer& AddTimer(std::string name, unsigned interval) {
        Timer& timer = window_->AddTimer([this, name] { ticks_.push_back(name + "@" + Now()); });
        timer.SetInterval(interval);
        timer.SetEnabled(true);
        return timer;
    }

    std::string Now() const { return std::to_string(fake_.windows.now()); }

    fake::FakePlatform fake_;
    std::unique_ptr<Window> window_;
    std::vector<std::string> ticks_;
};

TEST_F(RuntimeTimers, TickInTimeOrderWithTiesInCreationOrder) {
    AddTimer("b", 1500);
    AddTimer("a", 1000);
    AddTimer("c", 1000);
    fake_.windows.Advance(3000);
    EXPECT_EQ(ticks_, (std::vector<std::string>{"a@1000", "c@1000", "b@1500", "a@2000", "c@2000",
                                                "b@3000", "a@3000", "c@3000"}));
}

TEST_F(RuntimeTimers, StoppedTimersDoNotTick) {
    Timer& disabled = AddTimer("disabled", 1000);
    disabled.SetEnabled(false);
    AddTimer("zero", 0);
    window_->AddTimer([this] { ticks_.push_back("never set up"); });
    fake_.windows.Advance(5000);
    EXPECT_TRUE(ticks_.empty());
}

TEST_F(RuntimeTimers, EnablingAgainOrChangingTheIntervalStartsAFreshPeriod) {
    Timer& reenabled = AddTimer("r", 1000);
    Timer& changed = AddTimer("c", 1000);
    fake_.windows.Advance(700);
    reenabled.SetEnabled(false);
    reenabled.SetEnabled(true);
    changed.SetInterval(1000);
    fake_.windows.Advance(1000);
    EXPECT_EQ(ticks_, (std::vector<std::string>{"r@1700", "c@1700"}));
}

TEST_F(RuntimeTimers, ClosedWindowsTimersStop) {
    AddTimer("t", 1000);
    fake_.windows.Advance(1000);
    window_->Close();
    fake_.windows.Advance(5000);
    EXPECT_EQ(ticks_, std::vector<std::string>{"t@1000"});
}

TEST_F(RuntimeTimers, NothingTicksAfterAFailingTick) {
    AddTimer("a", 1000);
    Timer& failing = window_->AddTimer([] { throw Error("Watching", "gone"); });
    failing.SetInterval(1500);
    failing.SetEnabled(true);
    fake_.windows.Advance(10'000);
    EXPECT_EQ(ticks_, std::vector<std::string>{"a@1000"});
    EXPECT_EQ(fake_.fatalExit.messages().size(), 1u);
}

TEST_F(RuntimeTimers, HandlerMayCloseAndDestroyItsOwnWindow) {
    Timer& timer = window_->AddTimer([this] {
        window_->Close();
        window_.reset();
    });
    timer.SetInterval(1000);
    timer.SetEnabled(true);
    fake_.windows.Advance(3000);
    EXPECT_EQ(window_, nullptr);
    EXPECT_TRUE(fake_.fatalExit.messages().empty());
}

}  // namespace
}  // namespace tavori
