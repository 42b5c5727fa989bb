// The options dialog: its layout, its load from the stored choice, the switch, the IIS buttons,
// the credit and the saving of its placement.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/unit/fake_platform.h"
#include "ui/main_window.h"

namespace tavori {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr std::string_view kTickBox = "AlwaysOnTopTimer_TICKBOX";
constexpr std::string_view kAlwaysOnTop = "Always On Top";

class OptionsDialogTest : public ::testing::Test {
  protected:
    // Starts the program as it starts for real, after the test has put its settings in place.
    void Start() {
        fake_.dispatcher.Dispatch([this] {
            main_ = std::make_unique<MainWindow>(fake_.platform);
            main_->Show();
        });
    }

    // Opens the dialog with the OPTIONS button; `whileOpen` is what the user does in it.
    void Open(std::function<void(fake::FakeWindow&)> whileOpen) {
        if (!main_) {
            Start();
        }
        fake_.windows.OnNextModal(std::move(whileOpen));
        fake_.windows.window("TAVORI_MAIN").Click("OPTIONS");
    }

    fake::FakePlatform fake_;
    std::unique_ptr<MainWindow> main_;
};

TEST_F(OptionsDialogTest, IsASizableToolWindowOwnedModallyByTheMainWindow) {
    Open([this](fake::FakeWindow& dialog) {
        EXPECT_EQ(dialog.className(), "TAVORI_OPTIONS");
        EXPECT_EQ(dialog.caption(), "TAVORI - OPTIONS");
        EXPECT_EQ(dialog.frame(), Frame::SizableToolWindow);
        EXPECT_FALSE(dialog.programIcon());
        EXPECT_EQ(dialog.modalOwner(), main_->window().Handle());
        EXPECT_FALSE(fake_.windows.window("TAVORI_MAIN").enabled());
        EXPECT_EQ(dialog.placements().back(), (Placement{1000, 1000, 6375, 2805}));
        dialog.Click("OK");
    });
    EXPECT_TRUE(fake_.windows.window("TAVORI_MAIN").enabled());
}

TEST_F(OptionsDialogTest, ControlsStandInTabOrderWithTheCheckBoxFirst) {
    Open([](fake::FakeWindow& dialog) {
        std::vector<std::string> order;
        for (const auto& control : dialog.controls()) {
            order.push_back(control.text);
        }
        EXPECT_THAT(order,
                    ElementsAre("Always On Top", "OK", "START IIS SERVICE", "STOP IIS SERVICE",
                                "HALWERK - TAVORI", "Version 1.0", "Created By HALWERK"));
        for (std::size_t i = 0; i < dialog.labelCount(); ++i) {
            EXPECT_EQ(dialog.label(i).background(), 0u);
            EXPECT_EQ(dialog.label(i).foreground(), 65280u);
            EXPECT_EQ(dialog.label(i).font().face, "MS Sans Serif");
            EXPECT_EQ(dialog.label(i).font().points, 12);
            EXPECT_TRUE(dialog.label(i).font().bold);
        }
        dialog.Click("OK");
    });
}

TEST_F(OptionsDialogTest, NothingOrZeroStoredLeavesTheBoxClearedAndWritesNoChoice) {
    for (const char* stored : {"", "0"}) {
        if (*stored != '\0') {
            fake_.settings.Put(kTickBox, stored);
        }
        Open([](fake::FakeWindow& dialog) {
            EXPECT_EQ(dialog.checkBox(kAlwaysOnTop).Value(), 0);
            dialog.Click("OK");
        });
        EXPECT_FALSE(main_->keeper().Enabled());
        for (const std::string& write : fake_.settings.writes()) {
            EXPECT_EQ(write.find(kTickBox), std::string::npos) << write;
        }
    }
}

TEST_F(OptionsDialogTest, StoredOneTicksTheBoxStartsTheKeeperAndWritesItBack) {
    fake_.settings.Put(kTickBox,
                       "1.2");  // a hand edit: off at start, but the box rounds it to ticked
    Start();
    EXPECT_FALSE(main_->keeper().Enabled());
    Open([this](fake::FakeWindow& dialog) {
        EXPECT_EQ(dialog.checkBox(kAlwaysOnTop).Value(), 1);
        EXPECT_TRUE(main_->keeper().Enabled());
        EXPECT_EQ(fake_.settings.Value(kTickBox), "1");
        dialog.Click("OK");
    });
}

TEST_F(OptionsDialogTest, StoredTwoGreysTheBoxStopsTheKeeperAndWritesTwo) {
    fake_.settings.Put(kTickBox, "2");
    Open([this](fake::FakeWindow& dialog) {
        EXPECT_EQ(dialog.checkBox(kAlwaysOnTop).Value(), 2);
        EXPECT_FALSE(main_->keeper().Enabled());
        EXPECT_EQ(fake_.settings.Value(kTickBox), "2");
        dialog.Click("OK");
    });
}

TEST_F(OptionsDialogTest, ValueTheBoxCannotTakeEndsWithOneMessageAndNothingWritten) {
    for (const char* stored : {"3", "-1", "40000", "abc", ""}) {
        fake::FakePlatform fake;
        fake.settings.Put(kTickBox, "0");
        MainWindow main(fake.platform);
        main.Show();
        fake.settings.Put(kTickBox, stored);
        fake.windows.OnNextModal([](fake::FakeWindow&) {});
        fake.windows.window("TAVORI_MAIN").Click("OPTIONS");
        ASSERT_EQ(fake.fatalExit.messages().size(), 1u) << stored;
        const std::string& message = fake.fatalExit.messages()[0].message;
        EXPECT_THAT(message, HasSubstr("\"AlwaysOnTopTimer_TICKBOX\" holds \"" +
                                       std::string(stored) + "\""));
        EXPECT_THAT(message, HasSubstr("HKEY_CURRENT_USER\\Software\\TAVORI\\Settings"));
        EXPECT_EQ(fake.settings.writeCount(), 0u) << stored;
    }
}

TEST_F(OptionsDialogTest, EveryClickSwitchesTheKeeperAtOnceAndStoresTheChoice) {
    Open([this](fake::FakeWindow& dialog) {
        dialog.ClickCheckBox(kAlwaysOnTop);
        EXPECT_TRUE(main_->keeper().Enabled());
        EXPECT_EQ(fake_.settings.Value(kTickBox), "1");
        dialog.ClickCheckBox(kAlwaysOnTop);
        EXPECT_FALSE(main_->keeper().Enabled());
        EXPECT_EQ(fake_.settings.Value(kTickBox), "0");
        dialog.ClickCheckBox(kAlwaysOnTop);
        dialog.Click("OK");
    });
    EXPECT_THAT(
        fake_.settings.writes(),
        ElementsAre("AlwaysOnTopTimer_TICKBOX=1", "AlwaysOnTopTimer_TICKBOX=0",
                    "AlwaysOnTopTimer_TICKBOX=1", "OPTIONSMainLeft=1000", "OPTIONSMainTop=1000",
                    "OPTIONSMainWidth=6375", "OPTIONSMainHeight=2805"));
}

TEST_F(OptionsDialogTest, OkAndTheCloseBoxBothSaveExactlyTheFourOptionsKeys) {
    for (const bool useOk : {true, false}) {
        fake::FakePlatform fake;
        MainWindow main(fake.platform);
        main.Show();
        fake.windows.OnNextModal([useOk](fake::FakeWindow& dialog) {
            dialog.UserMovesTo({2000, -300, 7000.5, 3000});
            if (useOk) {
                dialog.Click("OK");
            } else {
                dialog.CloseBox();
            }
        });
        fake.windows.window("TAVORI_MAIN").Click("OPTIONS");
        EXPECT_THAT(fake.settings.writes(),
                    ElementsAre("OPTIONSMainLeft=2000", "OPTIONSMainTop=-300",
                                "OPTIONSMainWidth=7000.5", "OPTIONSMainHeight=3000"));
    }
}

TEST_F(OptionsDialogTest, IisButtonsLaunchTheirCommandOnEveryClick) {
    Open([](fake::FakeWindow& dialog) {
        dialog.Click("START IIS SERVICE");
        dialog.Click("START IIS SERVICE");
        dialog.Click("STOP IIS SERVICE");
        dialog.Click("OK");
    });
    EXPECT_THAT(fake_.launcher.commandLines(),
                ElementsAre("net.exe start W3SVC", "net.exe start W3SVC", "net.exe stop W3SVC"));
}

TEST_F(OptionsDialogTest, CreditShowsTheAddressUntilTheDialogCloses) {
    Open([](fake::FakeWindow& dialog) {
        fake::FakeLabel& credit = dialog.label(2);
        ASSERT_EQ(credit.caption(), "Created By HALWERK");
        dialog.DoubleClickLabel(2);
        EXPECT_EQ(credit.caption(), "tavori@halwerk.example");
        dialog.Click("OK");
    });
    Open([](fake::FakeWindow& dialog) {
        EXPECT_EQ(dialog.label(2).caption(), "Created By HALWERK");
        dialog.Click("OK");
    });
}

TEST_F(OptionsDialogTest, MainWindowKeepsWatchingWhileTheDialogIsOpen) {
    fake_.management.SetProcesses({"mepops.exe"});
    Open([this](fake::FakeWindow& dialog) {
        fake_.windows.Advance(1000);
        EXPECT_EQ(main_->window().Handle(), fake_.windows.window("TAVORI_MAIN").Handle());
        EXPECT_EQ(fake_.windows.window("TAVORI_MAIN").textBox(4).Background(), kRunningColour);
        EXPECT_EQ(fake_.management.queries().size(), kWatchedServices.size());
        dialog.Click("OK");
    });
}

TEST_F(OptionsDialogTest, TickedKeeperLiftsTheMainWindowWhileTheDialogHasTheForeground) {
    Open([this](fake::FakeWindow& dialog) {
        fake_.windowManager.SetForeground(dialog.Handle());
        dialog.ClickCheckBox(kAlwaysOnTop);
        fake_.windows.Advance(1000);
        const auto& calls = fake_.windowManager.calls();
        ASSERT_EQ(calls.size(), 4u);
        EXPECT_EQ(calls[2].window, dialog.Handle());
        EXPECT_EQ(calls[3].window, main_->window().Handle());
        EXPECT_EQ(calls[3].insertAfter, WindowManager::kTopmost);
        dialog.Click("OK");
    });
}

}  // namespace
}  // namespace tavori
