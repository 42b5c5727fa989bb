#pragma once

// An in-memory platform for the unit tests. Every fake records what the logic asked of it and
// answers from what the test scripted; nothing here touches the real system.
//
// Time: the window runtime keeps a virtual clock in milliseconds that moves only through
// Advance(). Handlers take no time, so no timer ever falls behind.
//
// Handlers: every handler the logic hands the window runtime (timer ticks, clicks, double clicks,
// unload) runs through the one EventDispatcher of the FakePlatform, exactly as on Windows. Once a
// handler has failed, the dispatcher runs nothing more, which stands in for the process having
// ended.
//
// Misuse of the fakes by the test or by the logic (clicking a control that does not exist,
// clicking a window that is hidden, closed or disabled under a modal dialog, a management query
// the fake does not understand) fails the running test with ADD_FAILURE.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "platform/error.h"
#include "platform/event_dispatch.h"
#include "platform/platform.h"

namespace tavori {

// Readable failure output for the platform's value types.
void PrintTo(const Placement& placement, std::ostream* out);

}  // namespace tavori

namespace tavori::fake {

// A control rectangle in twips that compares and prints, for layout checks.
struct TwipsRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    TwipsRect() = default;
    TwipsRect(int l, int t, int w, int h) : left(l), top(t), width(w), height(h) {}
    explicit TwipsRect(const ControlRect& rect)
        : left(rect.left), top(rect.top), width(rect.width), height(rect.height) {}

    friend bool operator==(const TwipsRect&, const TwipsRect&) = default;
    friend void PrintTo(const TwipsRect& rect, std::ostream* out);
};

// A font as the logic asked for it, kept beyond the lifetime of the request's string_view.
struct RecordedFont {
    std::string face;
    double points = 0;
    bool bold = false;

    RecordedFont() = default;
    RecordedFont(std::string f, double p, bool b) : face(std::move(f)), points(p), bold(b) {}
    explicit RecordedFont(const FontSpec& request)
        : face(request.face), points(request.points), bold(request.bold) {}

    friend bool operator==(const RecordedFont&, const RecordedFont&) = default;
    friend void PrintTo(const RecordedFont& font, std::ostream* out);
};

// A failure the test scripts into a fake: thrown by the next call only, or by every call until
// cleared.
class ScriptedFailure {
  public:
    void FailNext(Error error);
    void FailEvery(Error error);
    void Clear();
    // Throws the scripted error if one is due.
    void ThrowIfDue();

  private:
    std::optional<Error> error_;
    bool every_ = false;
};

class FakeWindowRuntime;
class FakeWindow;

// --- Controls -----------------------------------------------------------------------------------

enum class ControlKind { TextBox, Button, Label, CheckBox };

// One control in the order the window received it. `index` counts within its kind, so
// controls()[i] of kind TextBox is textBox(controls()[i].index).
struct ControlEntry {
    ControlKind kind;
    std::size_t index;
    TwipsRect at;
    std::string text;  // a text box's text or a button's, label's or check box's caption
};

class FakeTextBox final : public TextBox {
  public:
    explicit FakeTextBox(const TextBoxSpec& request);

    void SetBackground(Colour colour) override;
    Colour Background() const override { return background_; }

    TwipsRect at() const { return at_; }
    const std::string& text() const { return text_; }
    const std::string& tooltip() const { return tooltip_; }
    const RecordedFont& font() const { return font_; }
    Colour initialBackground() const { return initialBackground_; }
    // Every SetBackground call in order, including those that repeat the current colour.
    const std::vector<Colour>& backgroundWrites() const { return backgroundWrites_; }
    std::size_t setBackgroundCount() const { return backgroundWrites_.size(); }

  private:
    friend class FakeWindow;
    TwipsRect at_;
    std::string text_;
    std::string tooltip_;
    RecordedFont font_;
    Colour initialBackground_;
    Colour background_;
    std::vector<Colour> backgroundWrites_;
    Handler onDoubleClick_;
};

struct FakeButton {
    TwipsRect at;
    std::string caption;
    RecordedFont font;
    Handler onClick;
};

class FakeLabel final : public Label {
  public:
    explicit FakeLabel(const LabelSpec& request);

    void SetCaption(std::string_view caption) override;

    TwipsRect at() const { return at_; }
    const std::string& caption() const { return caption_; }
    const RecordedFont& font() const { return font_; }
    Colour background() const { return background_; }
    Colour foreground() const { return foreground_; }
    // Every SetCaption call in order.
    const std::vector<std::string>& captionWrites() const { return captionWrites_; }

  private:
    friend class FakeWindow;
    TwipsRect at_;
    std::string caption_;
    RecordedFont font_;
    Colour background_;
    Colour foreground_;
    std::vector<std::string> captionWrites_;
    Handler onDoubleClick_;
};

class FakeCheckBox final : public CheckBox {
  public:
    explicit FakeCheckBox(const CheckBoxSpec& request);

    int Value() const override { return value_; }
    // Throws tavori::Error for a value other than 0, 1 or 2, as the real check box does.
    void SetValue(int value) override;

    TwipsRect at() const { return at_; }
    const std::string& caption() const { return caption_; }
    std::size_t setValueCount() const { return setValueCount_; }

  private:
    friend class FakeWindow;
    TwipsRect at_;
    std::string caption_;
    int value_ = 0;
    std::size_t setValueCount_ = 0;
    Handler onClick_;
};

// A timer on the runtime's virtual clock. It is due one interval after the moment it became
// both enabled and non-zero; changing the interval while enabled, or enabling it again after it
// was disabled, starts a fresh period. Enabling a timer that is already enabled changes nothing.
class FakeTimer final : public Timer {
  public:
    FakeTimer(FakeWindowRuntime& runtime, Handler onTick, std::uint64_t sequence);

    void SetInterval(unsigned milliseconds) override;
    void SetEnabled(bool enabled) override;
    bool Enabled() const override { return enabled_; }

    unsigned interval() const { return interval_; }
    bool running() const { return enabled_ && interval_ != 0; }
    // The virtual time of the next tick; meaningful only while running().
    std::uint64_t due() const { return due_; }
    // Ticks delivered to the dispatcher so far (by Advance or Fire).
    std::size_t tickCount() const { return tickCount_; }
    // Delivers one tick now, as a single timer message would, whatever the clock says. Fails the
    // test if the timer is not running.
    void Fire();

  private:
    friend class FakeWindowRuntime;
    void Restart();

    FakeWindowRuntime& runtime_;
    Handler onTick_;
    std::uint64_t sequence_;
    unsigned interval_ = 0;
    bool enabled_ = false;
    std::uint64_t due_ = 0;
    std::size_t tickCount_ = 0;
};

// --- Windows ------------------------------------------------------------------------------------

class FakeWindow final : public Window {
  public:
    FakeWindow(FakeWindowRuntime& runtime, const WindowSpec& request, std::size_t index,
               WindowHandle handle);
    ~FakeWindow() override;
    FakeWindow(const FakeWindow&) = delete;
    FakeWindow& operator=(const FakeWindow&) = delete;

    // Window
    TextBox& AddTextBox(const TextBoxSpec& request) override;
    void AddButton(const ButtonSpec& request) override;
    Label& AddLabel(const LabelSpec& request) override;
    CheckBox& AddCheckBox(const CheckBoxSpec& request) override;
    Timer& AddTimer(Handler onTick) override;
    void SetPlacement(const Placement& placement) override;
    Placement GetPlacement() const override { return placement_; }
    WindowHandle Handle() const override { return handle_; }
    void Show() override;
    // Runs the runtime's next modal script (FakeWindowRuntime::OnNextModal) while this window is
    // up and its owner is disabled, then returns. The script must close the window.
    void ShowModal(Window& owner) override;
    void Close() override;

    // What the window was created with.
    const std::string& className() const { return className_; }
    const std::string& caption() const { return caption_; }
    Frame frame() const { return frame_; }
    bool programIcon() const { return programIcon_; }

    // Every call the logic made on the window, in order, by name: "AddTextBox", "AddButton",
    // "AddLabel", "AddCheckBox", "AddTimer", "SetPlacement", "Show", "ShowModal", "Close".
    const std::vector<std::string>& calls() const { return calls_; }
    // Position of the first call with this name in calls(), or npos.
    std::size_t firstCall(std::string_view name) const;

    // Controls in the order added, and each kind on its own.
    const std::vector<ControlEntry>& controls() const { return controls_; }
    std::size_t textBoxCount() const { return textBoxes_.size(); }
    FakeTextBox& textBox(std::size_t index);
    std::size_t buttonCount() const { return buttons_.size(); }
    const FakeButton& button(std::size_t index);
    std::size_t labelCount() const { return labels_.size(); }
    FakeLabel& label(std::size_t index);
    std::size_t checkBoxCount() const { return checkBoxes_.size(); }
    FakeCheckBox& checkBox(std::string_view caption);
    std::size_t timerCount() const { return timers_.size(); }
    FakeTimer& timer(std::size_t index);

    // Every SetPlacement in order, and where the window is now.
    const std::vector<Placement>& placements() const { return placements_; }
    // The user drags the window: GetPlacement answers this from now on (not a SetPlacement).
    void UserMovesTo(const Placement& placement) { placement_ = placement; }

    bool shown() const { return shown_; }
    bool closed() const { return closed_; }
    // False while a modal window owned by this one is up.
    bool enabled() const { return disabledByModals_ == 0; }
    // The owner passed to the last ShowModal, or 0.
    WindowHandle modalOwner() const { return modalOwner_; }

    // The user's input. Each fails the test if the window could not take it (hidden, closed or
    // disabled) or the control does not exist; the handler runs through the dispatcher.
    void DoubleClick(std::size_t textBoxIndex);
    void DoubleClickLabel(std::size_t labelIndex);
    void Click(std::string_view buttonCaption);
    // A click flips the box: cleared becomes ticked, ticked or greyed becomes cleared.
    void ClickCheckBox(std::string_view caption);
    // The close box: runs onUnload through the dispatcher, then the window is closed.
    void CloseBox();

  private:
    friend class FakeWindowRuntime;
    bool TakesInput(std::string_view what) const;
    void AddEntry(ControlKind kind, std::size_t index, const ControlRect& at,
                  std::string_view text);

    FakeWindowRuntime& runtime_;
    std::size_t index_;
    WindowHandle handle_;
    std::string className_;
    std::string caption_;
    Frame frame_;
    bool programIcon_;
    Handler onUnload_;

    std::vector<std::string> calls_;
    std::vector<ControlEntry> controls_;
    std::vector<std::unique_ptr<FakeTextBox>> textBoxes_;
    std::vector<std::unique_ptr<FakeButton>> buttons_;
    std::vector<std::unique_ptr<FakeLabel>> labels_;
    std::vector<std::unique_ptr<FakeCheckBox>> checkBoxes_;
    std::vector<std::unique_ptr<FakeTimer>> timers_;
    std::vector<Placement> placements_;
    Placement placement_;
    bool shown_ = false;
    bool closed_ = false;
    int disabledByModals_ = 0;
    WindowHandle modalOwner_ = 0;
};

// What CreateTopLevel was asked for, kept after the window itself has gone.
struct CreatedWindow {
    std::string className;
    std::string caption;
    Frame frame;
    bool programIcon;
};

class FakeWindowRuntime final : public WindowRuntime {
  public:
    using ModalScript = std::function<void(FakeWindow& dialog)>;

    explicit FakeWindowRuntime(EventDispatcher& dispatcher) : dispatcher_(dispatcher) {}
    FakeWindowRuntime(const FakeWindowRuntime&) = delete;
    FakeWindowRuntime& operator=(const FakeWindowRuntime&) = delete;

    std::unique_ptr<Window> CreateTopLevel(const WindowSpec& request) override;
    // Runs the script given to OnMessageLoop, if any, which stands for the user's session; with
    // no script it only counts the call and returns. A script must leave the main window closed.
    void RunMessageLoop() override;
    std::vector<MonitorArea> Monitors() const override { return monitors_; }
    // One 1024 x 768 monitor with a 40-pixel task bar at the bottom until a test says otherwise.
    void SetMonitors(std::vector<MonitorArea> monitors) { monitors_ = std::move(monitors); }

    // Every window created, in order.
    const std::vector<CreatedWindow>& created() const { return created_; }
    // The latest window of this class that still exists; throws std::out_of_range if none.
    FakeWindow& window(std::string_view className);
    // The window created index-th (0 is the main window); throws if it no longer exists.
    FakeWindow& window(std::size_t index);
    FakeWindow& mainWindow() { return window(std::size_t{0}); }

    // The virtual clock.
    std::uint64_t now() const { return now_; }
    // Moves the clock forward, delivering every tick that falls due on the way in time order
    // (equal times in the order the timers were created), each at its own moment.
    void Advance(std::uint64_t milliseconds);

    // Scripts what the user does while the next modal window is up; queued, one per ShowModal.
    void OnNextModal(ModalScript script) { modalScripts_.push_back(std::move(script)); }
    void OnMessageLoop(std::function<void()> script) { messageLoopScript_ = std::move(script); }
    std::size_t messageLoopRuns() const { return messageLoopRuns_; }

    EventDispatcher& dispatcher() { return dispatcher_; }

  private:
    std::vector<MonitorArea> monitors_{{{0, 0, 15360, 11520}, {0, 0, 15360, 10920}}};
    friend class FakeWindow;
    friend class FakeTimer;
    FakeTimer* NextDue(std::uint64_t until) const;
    void Deliver(FakeTimer& timer);
    std::uint64_t NextTimerSequence() { return timerSequence_++; }
    std::optional<ModalScript> TakeModalScript();

    EventDispatcher& dispatcher_;
    std::vector<CreatedWindow> created_;
    std::vector<FakeWindow*> live_;  // by creation index; null once destroyed
    std::uint64_t now_ = 0;
    std::uint64_t timerSequence_ = 0;
    std::deque<ModalScript> modalScripts_;
    std::function<void()> messageLoopScript_;
    std::size_t messageLoopRuns_ = 0;
};

// --- Management service -------------------------------------------------------------------------

// A scripted process table. It understands only the process query the probe builds,
// SELECT Name FROM Win32_Process WHERE Name='<image>', and counts the table entries equal to the
// image name without regard to ASCII case. Any other query fails the test and throws.
class FakeManagementService final : public ManagementService {
  public:
    std::size_t CountQueryResults(std::string_view query) override;

    void SetProcesses(std::vector<std::string> imageNames) { processes_ = std::move(imageNames); }
    void AddProcess(std::string imageName) { processes_.push_back(std::move(imageName)); }
    // Ends one process of exactly this name; fails the test if there is none.
    void RemoveProcess(std::string_view imageName);
    const std::vector<std::string>& processes() const { return processes_; }

    // Every query text in order, including those that failed.
    const std::vector<std::string>& queries() const { return queries_; }
    void ClearQueries() { queries_.clear(); }

    void FailNextWith(Error error) { failure_.FailNext(std::move(error)); }
    void FailEveryCallWith(Error error) { failure_.FailEvery(std::move(error)); }
    void StopFailing() { failure_.Clear(); }

  private:
    std::vector<std::string> processes_;
    std::vector<std::string> queries_;
    ScriptedFailure failure_;
};

// --- Process launcher ---------------------------------------------------------------------------

class FakeProcessLauncher final : public ProcessLauncher {
  public:
    // Records the command line, then throws if a failure is scripted.
    void Launch(std::string_view commandLine) override;

    const std::vector<std::string>& commandLines() const { return commandLines_; }

    void FailNextWith(Error error) { failure_.FailNext(std::move(error)); }
    void FailEveryCallWith(Error error) { failure_.FailEvery(std::move(error)); }
    void StopFailing() { failure_.Clear(); }

  private:
    std::vector<std::string> commandLines_;
    ScriptedFailure failure_;
};

// --- Settings store -----------------------------------------------------------------------------

struct SettingsAccess {
    enum class Kind { Read, Write };
    Kind kind;
    std::string application;
    std::string section;
    std::string key;
    std::string text;  // the value written, or the default text of a read

    friend bool operator==(const SettingsAccess&, const SettingsAccess&) = default;
    friend void PrintTo(const SettingsAccess& access, std::ostream* out);
};

class FakeSettingsStore final : public SettingsStore {
  public:
    std::string Read(std::string_view application, std::string_view section, std::string_view key,
                     std::string_view defaultText) override;
    void Write(std::string_view application, std::string_view section, std::string_view key,
               std::string_view value) override;
    // "HKEY_CURRENT_USER\Software\<application>\<section>"
    std::string Location(std::string_view application, std::string_view section) const override;

    // Every Read and Write in order, including refused ones.
    const std::vector<SettingsAccess>& accesses() const { return accesses_; }
    std::size_t writeCount() const;

    // Every write in order, as "key=value".
    std::vector<std::string> writes() const;

    // The test's own access to the program's values (application "TAVORI", section
    // "Settings"), not recorded.
    void Put(std::string_view key, std::string_view value);
    std::optional<std::string> Value(std::string_view key) const;

    void FailNextReadWith(Error error) { readFailure_.FailNext(std::move(error)); }
    void FailEveryReadWith(Error error) { readFailure_.FailEvery(std::move(error)); }
    void FailNextWriteWith(Error error) { writeFailure_.FailNext(std::move(error)); }
    void FailEveryWriteWith(Error error) { writeFailure_.FailEvery(std::move(error)); }
    void StopFailing();

  private:
    using Key = std::tuple<std::string, std::string, std::string>;
    std::map<Key, std::string> values_;
    std::vector<SettingsAccess> accesses_;
    ScriptedFailure readFailure_;
    ScriptedFailure writeFailure_;
};

// --- Window manager -----------------------------------------------------------------------------

struct WindowManagerCall {
    enum class Kind { GetForegroundWindow, SetWindowPos };
    Kind kind;
    // SetWindowPos arguments; zero for GetForegroundWindow.
    WindowHandle window = 0;
    WindowHandle insertAfter = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    unsigned flags = 0;

    friend bool operator==(const WindowManagerCall&, const WindowManagerCall&) = default;
    friend void PrintTo(const WindowManagerCall& call, std::ostream* out);
};

class FakeWindowManager final : public WindowManager {
  public:
    WindowHandle GetForegroundWindow() override;
    bool SetWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int width,
                      int height, unsigned flags) override;

    void SetForeground(WindowHandle window) { foreground_ = window; }
    void SetWindowPosResult(bool result) { setWindowPosResult_ = result; }
    const std::vector<WindowManagerCall>& calls() const { return calls_; }

  private:
    WindowHandle foreground_ = 0;
    bool setWindowPosResult_ = true;
    std::vector<WindowManagerCall> calls_;
};

// --- Fatal exit ---------------------------------------------------------------------------------

struct FatalMessage {
    std::string caption;
    std::string message;
    int exitStatus;
};

// Records each message box and returns instead of ending the process. A second message while the
// first is still up fails the test.
class FakeFatalExit final : public FatalExit {
  public:
    void ShowErrorAndExit(std::string_view caption, std::string_view message,
                          int exitStatus) override;

    const std::vector<FatalMessage>& messages() const { return messages_; }
    // Runs while the box is "up", before ShowErrorAndExit returns: the place to let timers fire
    // into a failing program.
    void WhileShowing(std::function<void()> script) { whileShowing_ = std::move(script); }

  private:
    std::vector<FatalMessage> messages_;
    std::function<void()> whileShowing_;
    bool showing_ = false;
};

// --- Everything together ------------------------------------------------------------------------

// The whole fake platform, with the one dispatcher every handler runs through.
struct FakePlatform {
    FakePlatform() = default;
    FakePlatform(const FakePlatform&) = delete;
    FakePlatform& operator=(const FakePlatform&) = delete;

    FakeFatalExit fatalExit;
    EventDispatcher dispatcher{fatalExit};
    FakeWindowRuntime windows{dispatcher};
    FakeManagementService management;
    FakeProcessLauncher launcher;
    FakeSettingsStore settings;
    FakeWindowManager windowManager;
    Platform platform{windows, management, launcher, settings, windowManager};
};

}  // namespace tavori::fake
