// The main window: its layout, its first-run placement and its seven once-a-second watchers.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/catalogue.h"
#include "core/process_probe.h"
#include "tests/unit/fake_platform.h"
#include "ui/main_window.h"

namespace tavori {
namespace {

using fake::TwipsRect;
using ::testing::HasSubstr;

constexpr std::size_t kRows = kWatchedServices.size();

class MainWindowTest : public ::testing::Test {
  protected:
    void Create() {
        main_ = std::make_unique<MainWindow>(fake_.platform);
        window_ = &fake_.windows.window("TAVORI_MAIN");
    }

    void CreateAndShow() {
        Create();
        main_->Show();
    }

    fake::FakeTextBox& Row(std::size_t i) { return window_->textBox(i); }

    std::vector<Colour> RowColours() {
        std::vector<Colour> colours;
        for (std::size_t i = 0; i < window_->textBoxCount(); ++i) {
            colours.push_back(Row(i).Background());
        }
        return colours;
    }

    std::vector<std::size_t> RowWriteCounts() {
        std::vector<std::size_t> counts;
        for (std::size_t i = 0; i < window_->textBoxCount(); ++i) {
            counts.push_back(Row(i).setBackgroundCount());
        }
        return counts;
    }

    static std::vector<std::string> QueriesInCatalogueOrder() {
        std::vector<std::string> queries;
        for (const ServiceRow& row : kWatchedServices) {
            queries.push_back(BuildProcessQuery(row.probeImageName));
        }
        return queries;
    }

    fake::FakePlatform fake_;
    std::unique_ptr<MainWindow> main_;
    fake::FakeWindow* window_ = nullptr;
};

constexpr Colour kGreen = kRunningColour;
constexpr Colour kRed = kNotRunningColour;
constexpr Colour kCyan = kNotYetProbedColour;

// --- Layout -------------------------------------------------------------------------------------

TEST_F(MainWindowTest, IsAFixedToolWindowWithTheProgramIcon) {
    Create();
    ASSERT_EQ(fake_.windows.created().size(), 1u);
    const fake::CreatedWindow& created = fake_.windows.created().front();
    EXPECT_EQ(created.className, "TAVORI_MAIN");
    EXPECT_EQ(created.caption, "TAVORI");
    EXPECT_EQ(created.frame, Frame::FixedToolWindow);
    EXPECT_TRUE(created.programIcon);
}

TEST_F(MainWindowTest, HasOneRowPerWatchedServiceInCatalogueOrder) {
    Create();
    ASSERT_EQ(window_->textBoxCount(), kRows);
    for (std::size_t i = 0; i < kRows; ++i) {
        SCOPED_TRACE(kWatchedServices[i].serviceName);
        const fake::FakeTextBox& row = Row(i);
        EXPECT_EQ(window_->controls()[i].kind, fake::ControlKind::TextBox);
        EXPECT_EQ(row.text(), kWatchedServices[i].serviceName);
        EXPECT_EQ(row.tooltip(), kWatchedServices[i].description);
        EXPECT_EQ(row.at(), TwipsRect(0, 360 * static_cast<int>(i), 1095, 285));
        EXPECT_EQ(row.font(), fake::RecordedFont("MS Sans Serif", 8.25, true));
        EXPECT_EQ(row.initialBackground(), kCyan);
        EXPECT_EQ(row.setBackgroundCount(), 0u);
    }
    EXPECT_EQ(Row(kRows - 1).at().top, 2160);
}

TEST_F(MainWindowTest, OptionsButtonComesAfterTheRows) {
    Create();
    ASSERT_EQ(window_->controls().size(), kRows + 1);
    const fake::ControlEntry& options = window_->controls()[kRows];
    EXPECT_EQ(options.kind, fake::ControlKind::Button);
    EXPECT_EQ(options.text, "OPTIONS");
    EXPECT_EQ(options.at.top, 2520);
    EXPECT_EQ(options.at.height, 255);
    const TwipsRect lastRow = Row(kRows - 1).at();
    EXPECT_GE(options.at.top, lastRow.top + lastRow.height);
}

TEST_F(MainWindowTest, FirstRunPlacementIsSetWhileStillHidden) {
    Create();
    EXPECT_FALSE(window_->shown());
    main_->Show();
    EXPECT_TRUE(window_->shown());
    EXPECT_EQ(window_->placements(), (std::vector<Placement>{{1000, 1000, 1215, 3135}}));
    EXPECT_EQ(window_->GetPlacement(), (Placement{1000, 1000, 1215, 3135}));
    ASSERT_NE(window_->firstCall("SetPlacement"), std::string::npos);
    EXPECT_LT(window_->firstCall("SetPlacement"), window_->firstCall("Show"));
}

// --- Watchers -----------------------------------------------------------------------------------

TEST_F(MainWindowTest, StartsSevenWatchersAtOneSecondAndTheKeeperOff) {
    Create();
    // The seven watchers, then the always-on-top keeper, off with nothing stored.
    ASSERT_EQ(window_->timerCount(), kRows + 1);
    for (std::size_t i = 0; i < kRows; ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(window_->timer(i).Enabled());
        EXPECT_EQ(window_->timer(i).interval(), 1000u);
    }
    EXPECT_FALSE(window_->timer(kRows).Enabled());
    EXPECT_EQ(window_->timer(kRows).interval(), 1000u);
}

TEST_F(MainWindowTest, ProbesNothingBeforeTheFirstSecond) {
    fake_.management.SetProcesses({"mepops.exe"});
    CreateAndShow();
    EXPECT_TRUE(fake_.management.queries().empty());
    fake_.windows.Advance(999);
    EXPECT_TRUE(fake_.management.queries().empty());
    EXPECT_EQ(RowColours(), std::vector<Colour>(kRows, kCyan));
}

TEST_F(MainWindowTest, FirstTickPaintsEveryRowFromTheProcessTable) {
    fake_.management.SetProcesses(
        {"svchost.exe", "meimaps.exe", "melsc.exe", "MEPOPS.EXE", "mesmtpc.exe", "mesmtpc.exe"});
    CreateAndShow();
    fake_.windows.Advance(1000);
    EXPECT_EQ(fake_.management.queries(), QueriesInCatalogueOrder());
    //                                    MEIMAPS MELCS  MEMTAS MEDMS MEPOPS  MEPOCS MESMTPCS
    EXPECT_EQ(RowColours(),
              (std::vector<Colour>{kGreen, kGreen, kRed, kRed, kGreen, kRed, kGreen}));
}

TEST_F(MainWindowTest, ListConnectorRowFollowsItsImageNotItsServiceName) {
    fake_.management.SetProcesses({"melcs.exe"});  // the service name, not what MELCS runs
    CreateAndShow();
    fake_.windows.Advance(1000);
    EXPECT_EQ(Row(1).text(), "MELCS");
    EXPECT_EQ(Row(1).Background(), kRed);

    fake_.management.SetProcesses({"melsc.exe"});
    fake_.windows.Advance(1000);
    EXPECT_EQ(Row(1).Background(), kGreen);
}

TEST_F(MainWindowTest, ChangeInTheProcessTableShowsOnTheNextTick) {
    fake_.management.SetProcesses({"mepops.exe"});
    CreateAndShow();
    fake_.windows.Advance(1000);
    ASSERT_EQ(Row(4).Background(), kGreen);
    ASSERT_EQ(Row(2).Background(), kRed);

    fake_.management.RemoveProcess("mepops.exe");
    fake_.management.AddProcess("memta.exe");
    fake_.windows.Advance(999);
    EXPECT_EQ(Row(4).Background(), kGreen);
    EXPECT_EQ(Row(2).Background(), kRed);

    fake_.windows.Advance(1);
    EXPECT_EQ(Row(4).Background(), kRed);
    EXPECT_EQ(Row(2).Background(), kGreen);
}

TEST_F(MainWindowTest, EachWatcherProbesAndPaintsOnlyItsOwnRow) {
    CreateAndShow();
    for (std::size_t i = 0; i < kRows; ++i) {
        SCOPED_TRACE(kWatchedServices[i].serviceName);
        fake_.management.SetProcesses({std::string(kWatchedServices[i].probeImageName)});
        fake_.management.ClearQueries();
        std::vector<std::size_t> expectedWrites = RowWriteCounts();
        ++expectedWrites[i];

        window_->timer(i).Fire();

        EXPECT_EQ(fake_.management.queries(),
                  std::vector<std::string>{BuildProcessQuery(kWatchedServices[i].probeImageName)});
        EXPECT_EQ(RowWriteCounts(), expectedWrites);
        EXPECT_EQ(Row(i).Background(), kGreen);
    }
}

TEST_F(MainWindowTest, EveryTickWritesTheColourEvenWhenUnchanged) {
    fake_.management.SetProcesses({"medms.exe"});
    CreateAndShow();
    fake_.windows.Advance(5000);
    EXPECT_EQ(fake_.management.queries().size(), 5 * kRows);
    EXPECT_EQ(RowWriteCounts(), std::vector<std::size_t>(kRows, 5));
    EXPECT_EQ(Row(3).backgroundWrites(), std::vector<Colour>(5, kGreen));
    EXPECT_EQ(Row(0).backgroundWrites(), std::vector<Colour>(5, kRed));
}

// --- A failing probe ----------------------------------------------------------------------------

class MainWindowFailingProbe : public MainWindowTest {
  protected:
    void SetUp() override {
        // While the box is up the other watchers keep ticking for a while.
        fake_.fatalExit.WhileShowing([this] { fake_.windows.Advance(10'000); });
    }

    void ExpectOneFatalMessage() {
        ASSERT_EQ(fake_.fatalExit.messages().size(), 1u);
        const fake::FatalMessage& shown = fake_.fatalExit.messages().front();
        EXPECT_EQ(shown.caption, "TAVORI");
        EXPECT_EQ(shown.exitStatus, 1);
        EXPECT_THAT(shown.message, HasSubstr("0x80041003"));
        EXPECT_THAT(shown.message, HasSubstr("Access denied"));
    }

    static Error AccessDenied() {
        return Error("Asking the management service which processes run", 0x80041003,
                     "Access denied", true);
    }
};

TEST_F(MainWindowFailingProbe, OnTheFirstTickLeavesEveryRowCyan) {
    fake_.management.SetProcesses({"mepops.exe"});
    fake_.management.FailEveryCallWith(AccessDenied());
    CreateAndShow();
    fake_.windows.Advance(1000);

    ExpectOneFatalMessage();
    EXPECT_EQ(fake_.management.queries().size(), 1u);
    EXPECT_EQ(RowColours(), std::vector<Colour>(kRows, kCyan));
    EXPECT_EQ(RowWriteCounts(), std::vector<std::size_t>(kRows, 0));
}

TEST_F(MainWindowFailingProbe, LaterKeepsTheLastColoursAndRunsNothingMore) {
    fake_.management.SetProcesses({"meimaps.exe", "mepoc.exe"});
    CreateAndShow();
    fake_.windows.Advance(1000);
    const std::vector<Colour> before = RowColours();

    // The first row's probe fails on the second tick; the row's box is never painted for it.
    fake_.management.FailNextWith(AccessDenied());
    fake_.management.SetProcesses({"memta.exe", "medms.exe"});  // would change every row
    fake_.windows.Advance(1000);
    fake_.windows.Advance(5000);

    ExpectOneFatalMessage();
    EXPECT_EQ(fake_.management.queries().size(), kRows + 1);
    EXPECT_EQ(RowColours(), before);
    EXPECT_EQ(RowWriteCounts(), std::vector<std::size_t>(kRows, 1));
}

TEST_F(MainWindowFailingProbe, SavesNothing) {
    fake_.management.FailEveryCallWith(AccessDenied());
    CreateAndShow();
    fake_.windows.Advance(1000);
    window_->CloseBox();  // the unload handler does not run after the failure

    ExpectOneFatalMessage();
    EXPECT_EQ(fake_.settings.writeCount(), 0u);
}

}  // namespace
}  // namespace tavori
