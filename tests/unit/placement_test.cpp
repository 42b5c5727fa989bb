// Window placement in the settings: the four keys, their order, bad values, and a placement that
// would leave the window out of sight.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "settings/placement.h"
#include "tests/unit/fake_platform.h"
#include "ui/main_window.h"

namespace tavori {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using Kind = fake::SettingsAccess::Kind;

class MainWindowPlacementTest : public ::testing::Test {
  protected:
    // Loads the main window as the program does: inside the dispatcher.
    void Load() {
        fake_.dispatcher.Dispatch([this] {
            main_ = std::make_unique<MainWindow>(fake_.platform);
            main_->Show();
        });
    }

    fake::FakePlatform fake_;
    std::unique_ptr<MainWindow> main_;
};

TEST_F(MainWindowPlacementTest, FirstRunReadsDefaultsInOrderAndWritesNothingUntilClosed) {
    Load();
    EXPECT_THAT(
        fake_.settings.accesses(),
        ElementsAre(fake::SettingsAccess{Kind::Read, "TAVORI", "Settings", "MainLeft", "1000"},
                    fake::SettingsAccess{Kind::Read, "TAVORI", "Settings", "MainTop", "1000"},
                    fake::SettingsAccess{Kind::Read, "TAVORI", "Settings", "MainWidth", "1215"},
                    fake::SettingsAccess{Kind::Read, "TAVORI", "Settings", "MainHeight", "3135"},
                    fake::SettingsAccess{Kind::Read, "TAVORI", "Settings",
                                         "AlwaysOnTopTimer_TICKBOX", "0"}));
    fake::FakeWindow& window = fake_.windows.window("TAVORI_MAIN");
    EXPECT_EQ(window.placements().back(), (Placement{1000, 1000, 1215, 3135}));

    fake_.windows.Advance(10 * MainWindow::kWatchIntervalMs);
    EXPECT_EQ(fake_.settings.writeCount(), 0u);

    window.CloseBox();
    EXPECT_THAT(fake_.settings.writes(),
                ElementsAre("MainLeft=1000", "MainTop=1000", "MainWidth=1215", "MainHeight=3135"));
}

TEST_F(MainWindowPlacementTest, StoredPlacementIsRestoredAndWhereTheUserLeftItIsSaved) {
    fake_.settings.Put("MainLeft", "-600");  // partly off the left edge: stays as stored
    fake_.settings.Put("MainTop", "2400.5");
    fake_.settings.Put("MainWidth", "1215");
    fake_.settings.Put("MainHeight", "3135");
    Load();
    fake::FakeWindow& window = fake_.windows.window("TAVORI_MAIN");
    EXPECT_EQ(window.placements().back(), (Placement{-600, 2400.5, 1215, 3135}));

    window.UserMovesTo({4500, 750, 1215, 3135});
    window.CloseBox();
    EXPECT_EQ(fake_.settings.Value("MainLeft"), "4500");
    EXPECT_EQ(fake_.settings.Value("MainTop"), "750");
}

TEST_F(MainWindowPlacementTest, BadStoredValueEndsTheStartWithOneMessageAndWritesNothing) {
    fake_.settings.Put("MainLeft", "1000");
    fake_.settings.Put("MainTop", "");  // empty is not missing
    fake_.settings.Put("MainWidth", "abc");
    Load();
    ASSERT_EQ(fake_.fatalExit.messages().size(), 1u);
    const std::string& message = fake_.fatalExit.messages()[0].message;
    EXPECT_THAT(message, HasSubstr("\"MainTop\" holds \"\""));
    EXPECT_THAT(message, HasSubstr("HKEY_CURRENT_USER\\Software\\TAVORI\\Settings"));
    EXPECT_THAT(message, HasSubstr("delete it"));
    EXPECT_EQ(fake_.fatalExit.messages()[0].exitStatus, kUntrappedErrorExitStatus);
    EXPECT_EQ(fake_.settings.writeCount(), 0u);
    EXPECT_EQ(fake_.settings.Value("MainWidth"), "abc");
    EXPECT_TRUE(fake_.management.queries().empty());
}

TEST_F(MainWindowPlacementTest, RefusedWriteAtCloseEndsWithOneMessage) {
    Load();
    fake_.settings.FailEveryWriteWith(
        Error("Saving the setting \"MainLeft\" failed.", 5, "Access is denied.", false));
    fake_.windows.window("TAVORI_MAIN").CloseBox();
    ASSERT_EQ(fake_.fatalExit.messages().size(), 1u);
    EXPECT_THAT(fake_.fatalExit.messages()[0].message, HasSubstr("Error 5: Access is denied."));
}

// One 1024 x 768 monitor at 96 dpi, its task bar 40 pixels high at the bottom, and a second one
// to its right.
const MonitorArea kPrimary{{0, 0, 15360, 11520}, {0, 0, 15360, 10920}};
const MonitorArea kRight{{15360, 0, 19200, 16200}, {15360, 0, 19200, 15600}};

TEST(KeepOnScreen, PartlyVisibleWindowStaysExactlyAsStored) {
    const MonitorArea monitors[] = {kPrimary, kRight};
    for (const Placement& placement :
         {Placement{1000, 1000, 1215, 3135}, Placement{-1200, -3000, 1215, 3135},
          Placement{15000, 11000, 1215, 3135}, Placement{33000, 100, 1215, 3135}}) {
        EXPECT_EQ(KeepOnScreen(placement, monitors), placement);
    }
}

TEST(KeepOnScreen, WindowOffEveryMonitorMovesIntoTheNearestWorkAreaKeepingItsSize) {
    const MonitorArea monitors[] = {kPrimary, kRight};
    // Far to the left: the primary monitor is nearest.
    EXPECT_EQ(KeepOnScreen({-90000, 2000, 1215, 3135}, monitors), (Placement{0, 2000, 1215, 3135}));
    // Below the right-hand monitor: lands above its task bar.
    EXPECT_EQ(KeepOnScreen({20000, 50000, 1215, 3135}, monitors),
              (Placement{20000, 15600 - 3135, 1215, 3135}));
    // Beyond the right edge of everything.
    EXPECT_EQ(KeepOnScreen({99999, -99999, 6375, 2805}, monitors),
              (Placement{34560 - 6375, 0, 6375, 2805}));
    // Just touching an edge is not in view.
    EXPECT_EQ(KeepOnScreen({-1215, 1000, 1215, 3135}, {&kPrimary, 1}),
              (Placement{0, 1000, 1215, 3135}));
}

TEST(KeepOnScreen, WindowLargerThanTheWorkAreaKeepsItsTopLeftInView) {
    EXPECT_EQ(KeepOnScreen({-50000, -50000, 20000, 20000}, {&kPrimary, 1}),
              (Placement{0, 0, 20000, 20000}));
}

TEST_F(MainWindowPlacementTest, WindowStoredOffScreenOpensInView) {
    fake_.settings.Put("MainLeft", "-90000");
    fake_.settings.Put("MainTop", "1000");
    Load();
    EXPECT_EQ(fake_.windows.window("TAVORI_MAIN").placements().back(),
              (Placement{0, 1000, 1215, 3135}));
    EXPECT_EQ(fake_.settings.writeCount(), 0u);
}

TEST(SavePlacement, OptionsDialogKeysCarryThePrefix) {
    fake::FakeSettingsStore store;
    SavePlacement(store, "OPTIONS", {1000, 1000, 6375, 2805});
    EXPECT_THAT(store.writes(), ElementsAre("OPTIONSMainLeft=1000", "OPTIONSMainTop=1000",
                                            "OPTIONSMainWidth=6375", "OPTIONSMainHeight=2805"));
    EXPECT_EQ(RestorePlacement(store, "OPTIONS", {}), (Placement{1000, 1000, 6375, 2805}));
}

}  // namespace
}  // namespace tavori
