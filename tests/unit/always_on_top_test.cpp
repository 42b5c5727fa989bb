// The always-on-top keeper: its calls to the window manager, and whether it starts.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/unit/fake_platform.h"
#include "ui/main_window.h"

namespace tavori {
namespace {

using ::testing::ElementsAre;
using Call = fake::WindowManagerCall;

constexpr WindowHandle kRival = 0x4242;

Call GetForeground() {
    return {Call::Kind::GetForegroundWindow};
}
Call SetPos(WindowHandle window, WindowHandle after) {
    return {Call::Kind::SetWindowPos, window, after, 0, 0, 0, 0, 3};
}

class AlwaysOnTopTest : public ::testing::Test {
  protected:
    void Start(std::string_view stored) {
        fake_.settings.Put("AlwaysOnTopTimer_TICKBOX", stored);
        Start();
    }
    void Start() {
        fake_.dispatcher.Dispatch([this] {
            main_ = std::make_unique<MainWindow>(fake_.platform);
            main_->Show();
        });
    }
    WindowHandle Main() const { return main_->window().Handle(); }
    const std::vector<Call>& Calls() const { return fake_.windowManager.calls(); }

    fake::FakePlatform fake_;
    std::unique_ptr<MainWindow> main_;
};

TEST_F(AlwaysOnTopTest, MainWindowInTheForegroundAsksOnceAndDoesNothingElse) {
    Start("1");
    fake_.windowManager.SetForeground(Main());
    fake_.windows.Advance(3000);
    EXPECT_THAT(Calls(), ElementsAre(GetForeground(), GetForeground(), GetForeground()));
}

TEST_F(AlwaysOnTopTest, AnotherWindowInTheForegroundLosesTheTopmostBandToTheMainWindow) {
    Start("1");
    fake_.windowManager.SetForeground(kRival);
    fake_.windows.Advance(1000);
    EXPECT_THAT(Calls(), ElementsAre(GetForeground(), GetForeground(),
                                     SetPos(kRival, WindowManager::kNotTopmost),
                                     SetPos(Main(), WindowManager::kTopmost)));
}

TEST_F(AlwaysOnTopTest, NoForegroundWindowStillMakesTheMainWindowTopmost) {
    Start("1");
    fake_.windowManager.SetForeground(0);
    fake_.windowManager.SetWindowPosResult(false);  // results are ignored
    fake_.windows.Advance(1000);
    EXPECT_THAT(Calls(),
                ElementsAre(GetForeground(), GetForeground(), SetPos(0, WindowManager::kNotTopmost),
                            SetPos(Main(), WindowManager::kTopmost)));
    EXPECT_TRUE(fake_.fatalExit.messages().empty());
}

TEST_F(AlwaysOnTopTest, OnlyExactlyOneStartsTheKeeper) {
    for (const char* stored : {"1", "1.0", " 1 ", "1e0"}) {
        fake::FakePlatform fake;
        fake.settings.Put("AlwaysOnTopTimer_TICKBOX", stored);
        MainWindow main(fake.platform);
        EXPECT_TRUE(main.keeper().Enabled()) << stored;
    }
    for (const char* stored : {"0", "1.2", "2", "-1", "0.9999999"}) {
        fake::FakePlatform fake;
        fake.settings.Put("AlwaysOnTopTimer_TICKBOX", stored);
        MainWindow main(fake.platform);
        EXPECT_FALSE(main.keeper().Enabled()) << stored;
        fake.windows.Advance(2000);
        EXPECT_TRUE(fake.windowManager.calls().empty()) << stored;
    }
}

TEST_F(AlwaysOnTopTest, NothingStoredLeavesTheKeeperOffAndWritesNothing) {
    Start();
    fake_.windowManager.SetForeground(kRival);
    fake_.windows.Advance(5000);
    EXPECT_FALSE(main_->keeper().Enabled());
    EXPECT_TRUE(Calls().empty());
    EXPECT_EQ(fake_.settings.writeCount(), 0u);
}

TEST_F(AlwaysOnTopTest, StoredChoiceThatIsNotANumberEndsTheStart) {
    Start("yes");
    ASSERT_EQ(fake_.fatalExit.messages().size(), 1u);
    EXPECT_THAT(fake_.fatalExit.messages()[0].message,
                ::testing::HasSubstr("\"AlwaysOnTopTimer_TICKBOX\" holds \"yes\""));
}

}  // namespace
}  // namespace tavori
