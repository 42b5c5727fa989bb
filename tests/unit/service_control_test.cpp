// Double-clicking a row: the toggle rule and the command it launches.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/catalogue.h"
#include "core/service_control.h"
#include "platform/error.h"
#include "tests/unit/fake_platform.h"
#include "ui/main_window.h"

namespace tavori {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class ServiceControlTest : public ::testing::Test {
  protected:
    ServiceControlTest() : main_(fake_.platform) {
        main_.Show();
        window_ = &fake_.windows.window("TAVORI_MAIN");
    }

    const std::vector<std::string>& Launched() const { return fake_.launcher.commandLines(); }

    fake::FakePlatform fake_;
    MainWindow main_;
    fake::FakeWindow* window_ = nullptr;
};

constexpr std::size_t kPopRow = 4;

TEST_F(ServiceControlTest, GreenRowIsStoppedRedRowIsStarted) {
    fake_.management.SetProcesses({"mepops.exe"});
    fake_.windows.Advance(MainWindow::kWatchIntervalMs);
    window_->DoubleClick(kPopRow);
    window_->DoubleClick(0);  // MEIMAPS is not running
    EXPECT_THAT(Launched(), ElementsAre("net.exe stop MEPOPS", "net.exe start MEIMAPS"));
}

TEST_F(ServiceControlTest, RowNotYetProbedIsStarted) {
    window_->DoubleClick(kPopRow);
    EXPECT_THAT(Launched(), ElementsAre("net.exe start MEPOPS"));
}

TEST_F(ServiceControlTest, EachDoubleClickLaunchesFromTheColourAtThatMoment) {
    fake_.management.SetProcesses({"mepops.exe"});
    fake_.windows.Advance(MainWindow::kWatchIntervalMs);
    window_->DoubleClick(kPopRow);
    window_->DoubleClick(kPopRow);
    EXPECT_THAT(Launched(), ElementsAre("net.exe stop MEPOPS", "net.exe stop MEPOPS"));

    // The double-click changes no colour itself; the next tick does.
    EXPECT_EQ(window_->textBox(kPopRow).Background(), kRunningColour);
    fake_.management.SetProcesses({});
    fake_.windows.Advance(MainWindow::kWatchIntervalMs);
    window_->DoubleClick(kPopRow);
    EXPECT_EQ(Launched().back(), "net.exe start MEPOPS");
}

// Each row's commands name its own service, not its image (MELCS runs melsc.exe).
TEST_F(ServiceControlTest, EveryRowCommandsItsOwnService) {
    std::vector<std::string> expected;
    for (std::size_t i = 0; i < kWatchedServices.size(); ++i) {
        window_->DoubleClick(i);
        expected.push_back("net.exe start " + std::string(kWatchedServices[i].serviceName));
    }
    fake_.management.SetProcesses({"MEIMAPS.exe", "melsc.exe", "memta.exe", "medms.exe",
                                   "mepops.exe", "mepoc.exe", "mesmtpc.exe"});
    fake_.windows.Advance(MainWindow::kWatchIntervalMs);
    for (std::size_t i = 0; i < kWatchedServices.size(); ++i) {
        window_->DoubleClick(i);
        expected.push_back("net.exe stop " + std::string(kWatchedServices[i].serviceName));
    }
    EXPECT_EQ(Launched(), expected);
    EXPECT_EQ(Launched()[1], "net.exe start MELCS");
}

TEST(ToggleCommand, OnlyExactGreenStops) {
    const ServiceRow& pop = kWatchedServices[kPopRow];
    EXPECT_EQ(ToggleCommand(pop, kRunningColour), "net.exe stop MEPOPS");
    EXPECT_EQ(ToggleCommand(pop, kNotRunningColour), "net.exe start MEPOPS");
    EXPECT_EQ(ToggleCommand(pop, kNotYetProbedColour), "net.exe start MEPOPS");
    EXPECT_EQ(ToggleCommand(pop, kRunningColour + 1), "net.exe start MEPOPS");
    EXPECT_EQ(ToggleCommand(kWebPublishingService, kRunningColour), "net.exe stop W3SVC");
}

TEST_F(ServiceControlTest, LaunchThatFailsEndsTheProgramWithOneMessage) {
    fake_.launcher.FailNextWith(Error("Running the command \"net.exe start MEPOPS\" failed.", 2,
                                      "The system cannot find the file specified.", false));
    window_->DoubleClick(kPopRow);
    ASSERT_EQ(fake_.fatalExit.messages().size(), 1u);
    EXPECT_THAT(fake_.fatalExit.messages()[0].message,
                HasSubstr("\"net.exe start MEPOPS\" failed.\n\nError 2: The system cannot find"));
    EXPECT_EQ(fake_.fatalExit.messages()[0].exitStatus, kUntrappedErrorExitStatus);
    fake_.windows.Advance(5 * MainWindow::kWatchIntervalMs);
    EXPECT_TRUE(fake_.management.queries().empty());
}

}  // namespace
}  // namespace tavori
