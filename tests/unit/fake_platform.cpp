#include "tests/unit/fake_platform.h"

#include "settings/settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

namespace tavori {

void PrintTo(const Placement& placement, std::ostream* out) {
    *out << "Placement{" << placement.left << ", " << placement.top << ", " << placement.width
         << ", " << placement.height << "}";
}

}  // namespace tavori

namespace tavori::fake {

namespace {

// WBEM_E_INVALID_QUERY
constexpr std::uint32_t kInvalidQuery = 0x80041017;

constexpr std::string_view kProcessQueryHead = "SELECT Name FROM Win32_Process WHERE Name='";
constexpr std::string_view kProcessQueryTail = "'";

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiLower(x) == AsciiLower(y);
           });
}

}  // namespace

void PrintTo(const TwipsRect& rect, std::ostream* out) {
    *out << "{left " << rect.left << ", top " << rect.top << ", width " << rect.width << ", height "
         << rect.height << "}";
}

void PrintTo(const RecordedFont& font, std::ostream* out) {
    *out << "{\"" << font.face << "\", " << font.points << (font.bold ? ", bold}" : "}");
}

void PrintTo(const SettingsAccess& access, std::ostream* out) {
    *out << (access.kind == SettingsAccess::Kind::Read ? "Read(" : "Write(") << access.application
         << ", " << access.section << ", " << access.key << ", \"" << access.text << "\")";
}

void PrintTo(const WindowManagerCall& call, std::ostream* out) {
    if (call.kind == WindowManagerCall::Kind::GetForegroundWindow) {
        *out << "GetForegroundWindow()";
        return;
    }
    *out << "SetWindowPos(" << call.window << ", " << static_cast<std::intptr_t>(call.insertAfter)
         << ", " << call.x << ", " << call.y << ", " << call.width << ", " << call.height << ", "
         << call.flags << ")";
}

// --- ScriptedFailure ----------------------------------------------------------------------------

void ScriptedFailure::FailNext(Error error) {
    error_ = std::move(error);
    every_ = false;
}

void ScriptedFailure::FailEvery(Error error) {
    error_ = std::move(error);
    every_ = true;
}

void ScriptedFailure::Clear() {
    error_.reset();
}

void ScriptedFailure::ThrowIfDue() {
    if (!error_) {
        return;
    }
    Error error = *error_;
    if (!every_) {
        error_.reset();
    }
    throw error;
}

// --- Controls -----------------------------------------------------------------------------------

FakeTextBox::FakeTextBox(const TextBoxSpec& request)
    : at_(request.at),
      text_(request.text),
      tooltip_(request.tooltip),
      font_(request.font),
      initialBackground_(request.background),
      background_(request.background),
      onDoubleClick_(request.onDoubleClick) {}

void FakeTextBox::SetBackground(Colour colour) {
    background_ = colour;
    backgroundWrites_.push_back(colour);
}

FakeLabel::FakeLabel(const LabelSpec& request)
    : at_(request.at),
      caption_(request.caption),
      font_(request.font),
      background_(request.background),
      foreground_(request.foreground),
      onDoubleClick_(request.onDoubleClick) {}

void FakeLabel::SetCaption(std::string_view caption) {
    caption_ = caption;
    captionWrites_.emplace_back(caption);
}

FakeCheckBox::FakeCheckBox(const CheckBoxSpec& request)
    : at_(request.at), caption_(request.caption), onClick_(request.onClick) {}

void FakeCheckBox::SetValue(int value) {
    ++setValueCount_;
    if (value < 0 || value > 2) {
        throw Error("Setting the check box \"" + caption_ + "\"",
                    "The value " + std::to_string(value) + " is not 0, 1 or 2.");
    }
    value_ = value;
}

// --- FakeTimer ----------------------------------------------------------------------------------

FakeTimer::FakeTimer(FakeWindowRuntime& runtime, Handler onTick, std::uint64_t sequence)
    : runtime_(runtime), onTick_(std::move(onTick)), sequence_(sequence) {}

void FakeTimer::Restart() {
    if (running()) {
        due_ = runtime_.now() + interval_;
    }
}

void FakeTimer::SetInterval(unsigned milliseconds) {
    interval_ = milliseconds;
    Restart();
}

void FakeTimer::SetEnabled(bool enabled) {
    const bool wasEnabled = enabled_;
    enabled_ = enabled;
    if (enabled && !wasEnabled) {
        Restart();
    }
}

void FakeTimer::Fire() {
    if (!running()) {
        ADD_FAILURE() << "Fire() on a timer that is not running (enabled " << enabled_
                      << ", interval " << interval_ << ")";
        return;
    }
    runtime_.Deliver(*this);
}

// --- FakeWindow ---------------------------------------------------------------------------------

FakeWindow::FakeWindow(FakeWindowRuntime& runtime, const WindowSpec& request, std::size_t index,
                       WindowHandle handle)
    : runtime_(runtime),
      index_(index),
      handle_(handle),
      className_(request.className),
      caption_(request.caption),
      frame_(request.frame),
      programIcon_(request.programIcon),
      onUnload_(request.onUnload) {}

FakeWindow::~FakeWindow() {
    runtime_.live_[index_] = nullptr;
}

void FakeWindow::AddEntry(ControlKind kind, std::size_t index, const ControlRect& at,
                          std::string_view text) {
    controls_.push_back({kind, index, TwipsRect(at), std::string(text)});
}

TextBox& FakeWindow::AddTextBox(const TextBoxSpec& request) {
    calls_.emplace_back("AddTextBox");
    AddEntry(ControlKind::TextBox, textBoxes_.size(), request.at, request.text);
    return *textBoxes_.emplace_back(std::make_unique<FakeTextBox>(request));
}

void FakeWindow::AddButton(const ButtonSpec& request) {
    calls_.emplace_back("AddButton");
    AddEntry(ControlKind::Button, buttons_.size(), request.at, request.caption);
    buttons_.push_back(
        std::make_unique<FakeButton>(FakeButton{TwipsRect(request.at), std::string(request.caption),
                                                RecordedFont(request.font), request.onClick}));
}

Label& FakeWindow::AddLabel(const LabelSpec& request) {
    calls_.emplace_back("AddLabel");
    AddEntry(ControlKind::Label, labels_.size(), request.at, request.caption);
    return *labels_.emplace_back(std::make_unique<FakeLabel>(request));
}

CheckBox& FakeWindow::AddCheckBox(const CheckBoxSpec& request) {
    calls_.emplace_back("AddCheckBox");
    AddEntry(ControlKind::CheckBox, checkBoxes_.size(), request.at, request.caption);
    return *checkBoxes_.emplace_back(std::make_unique<FakeCheckBox>(request));
}

Timer& FakeWindow::AddTimer(Handler onTick) {
    calls_.emplace_back("AddTimer");
    return *timers_.emplace_back(
        std::make_unique<FakeTimer>(runtime_, std::move(onTick), runtime_.NextTimerSequence()));
}

void FakeWindow::SetPlacement(const Placement& placement) {
    calls_.emplace_back("SetPlacement");
    placements_.push_back(placement);
    placement_ = placement;
}

void FakeWindow::Show() {
    calls_.emplace_back("Show");
    shown_ = true;
}

void FakeWindow::ShowModal(Window& owner) {
    calls_.emplace_back("ShowModal");
    auto* fakeOwner = dynamic_cast<FakeWindow*>(&owner);
    if (fakeOwner == nullptr) {
        ADD_FAILURE() << "ShowModal with an owner that is not a FakeWindow";
        return;
    }
    modalOwner_ = fakeOwner->Handle();
    std::optional<FakeWindowRuntime::ModalScript> script = runtime_.TakeModalScript();
    if (!script) {
        ADD_FAILURE() << "ShowModal of " << className_ << " with no script (OnNextModal)";
        return;
    }
    shown_ = true;
    ++fakeOwner->disabledByModals_;
    (*script)(*this);
    --fakeOwner->disabledByModals_;
    if (!closed_ && !runtime_.dispatcher().Failed()) {
        ADD_FAILURE() << "the modal script left " << className_ << " open; ShowModal returns only"
                      << " once the window has been closed";
    }
}

void FakeWindow::Close() {
    if (closed_) {
        return;
    }
    calls_.emplace_back("Close");
    runtime_.dispatcher().Dispatch(onUnload_);
    closed_ = true;
    shown_ = false;
}

std::size_t FakeWindow::firstCall(std::string_view name) const {
    const auto found = std::find(calls_.begin(), calls_.end(), name);
    return found == calls_.end() ? std::string::npos
                                 : static_cast<std::size_t>(found - calls_.begin());
}

FakeTextBox& FakeWindow::textBox(std::size_t index) {
    return *textBoxes_.at(index);
}

const FakeButton& FakeWindow::button(std::size_t index) {
    return *buttons_.at(index);
}

FakeLabel& FakeWindow::label(std::size_t index) {
    return *labels_.at(index);
}

FakeCheckBox& FakeWindow::checkBox(std::string_view caption) {
    for (auto& box : checkBoxes_) {
        if (box->caption() == caption) {
            return *box;
        }
    }
    throw std::out_of_range("no check box \"" + std::string(caption) + "\" on " + className_);
}

FakeTimer& FakeWindow::timer(std::size_t index) {
    return *timers_.at(index);
}

bool FakeWindow::TakesInput(std::string_view what) const {
    if (closed_ || !shown_ || disabledByModals_ != 0) {
        ADD_FAILURE() << what << " on " << className_ << ", which is "
                      << (closed_   ? "closed"
                          : !shown_ ? "not shown"
                                    : "disabled by a modal window");
        return false;
    }
    return true;
}

void FakeWindow::DoubleClick(std::size_t textBoxIndex) {
    if (textBoxIndex >= textBoxes_.size()) {
        ADD_FAILURE() << "no text box " << textBoxIndex << " on " << className_;
        return;
    }
    if (TakesInput("a double click")) {
        runtime_.dispatcher().Dispatch(Handler(textBoxes_[textBoxIndex]->onDoubleClick_));
    }
}

void FakeWindow::DoubleClickLabel(std::size_t labelIndex) {
    if (labelIndex >= labels_.size()) {
        ADD_FAILURE() << "no label " << labelIndex << " on " << className_;
        return;
    }
    if (TakesInput("a double click")) {
        runtime_.dispatcher().Dispatch(Handler(labels_[labelIndex]->onDoubleClick_));
    }
}

void FakeWindow::Click(std::string_view buttonCaption) {
    const auto found = std::find_if(buttons_.begin(), buttons_.end(),
                                    [&](const auto& b) { return b->caption == buttonCaption; });
    if (found == buttons_.end()) {
        ADD_FAILURE() << "no button \"" << buttonCaption << "\" on " << className_;
        return;
    }
    if (TakesInput("a click")) {
        // A copy: the handler may close and destroy the window it belongs to.
        runtime_.dispatcher().Dispatch(Handler((*found)->onClick));
    }
}

void FakeWindow::ClickCheckBox(std::string_view caption) {
    const auto found = std::find_if(checkBoxes_.begin(), checkBoxes_.end(),
                                    [&](const auto& b) { return b->caption() == caption; });
    if (found == checkBoxes_.end()) {
        ADD_FAILURE() << "no check box \"" << caption << "\" on " << className_;
        return;
    }
    if (TakesInput("a click")) {
        FakeCheckBox& box = **found;
        box.value_ = box.value_ == 0 ? 1 : 0;
        runtime_.dispatcher().Dispatch(Handler(box.onClick_));
    }
}

void FakeWindow::CloseBox() {
    if (TakesInput("the close box")) {
        Close();
    }
}

// --- FakeWindowRuntime --------------------------------------------------------------------------

std::unique_ptr<Window> FakeWindowRuntime::CreateTopLevel(const WindowSpec& request) {
    const std::size_t index = created_.size();
    created_.push_back({std::string(request.className), std::string(request.caption), request.frame,
                        request.programIcon});
    // Handles look like the system's: non-zero, distinct, and clear of the insert-after values.
    const WindowHandle handle = 0x10000 + 0x10 * index;
    auto window = std::make_unique<FakeWindow>(*this, request, index, handle);
    live_.push_back(window.get());
    return window;
}

void FakeWindowRuntime::RunMessageLoop() {
    ++messageLoopRuns_;
    if (!messageLoopScript_) {
        return;
    }
    messageLoopScript_();
    const bool mainOpen = !live_.empty() && live_[0] != nullptr && !live_[0]->closed();
    if (mainOpen && !dispatcher_.Failed()) {
        ADD_FAILURE() << "the message loop script left the main window open";
    }
}

FakeWindow& FakeWindowRuntime::window(std::string_view className) {
    for (auto it = live_.rbegin(); it != live_.rend(); ++it) {
        if (*it != nullptr && (*it)->className() == className) {
            return **it;
        }
    }
    throw std::out_of_range("no window of class " + std::string(className));
}

FakeWindow& FakeWindowRuntime::window(std::size_t index) {
    if (index >= live_.size() || live_[index] == nullptr) {
        throw std::out_of_range("window " + std::to_string(index) + " does not exist");
    }
    return *live_[index];
}

FakeTimer* FakeWindowRuntime::NextDue(std::uint64_t until) const {
    FakeTimer* next = nullptr;
    for (FakeWindow* window : live_) {
        if (window == nullptr || window->closed()) {
            continue;
        }
        for (const auto& timer : window->timers_) {
            if (!timer->running() || timer->due_ > until) {
                continue;
            }
            if (next == nullptr || timer->due_ < next->due_ ||
                (timer->due_ == next->due_ && timer->sequence_ < next->sequence_)) {
                next = timer.get();
            }
        }
    }
    return next;
}

void FakeWindowRuntime::Deliver(FakeTimer& timer) {
    ++timer.tickCount_;
    // A copy: the handler may destroy the timer's window.
    const Handler onTick = timer.onTick_;
    dispatcher_.Dispatch(onTick);
}

void FakeWindowRuntime::Advance(std::uint64_t milliseconds) {
    const std::uint64_t until = now_ + milliseconds;
    while (FakeTimer* timer = NextDue(until)) {
        now_ = std::max(now_, timer->due_);
        timer->due_ += timer->interval_;
        Deliver(*timer);
    }
    now_ = std::max(now_, until);
}

std::optional<FakeWindowRuntime::ModalScript> FakeWindowRuntime::TakeModalScript() {
    if (modalScripts_.empty()) {
        return std::nullopt;
    }
    ModalScript script = std::move(modalScripts_.front());
    modalScripts_.pop_front();
    return script;
}

// --- FakeManagementService ----------------------------------------------------------------------

std::size_t FakeManagementService::CountQueryResults(std::string_view query) {
    queries_.emplace_back(query);
    const bool wellFormed = query.size() > kProcessQueryHead.size() + kProcessQueryTail.size() &&
                            query.starts_with(kProcessQueryHead) &&
                            query.ends_with(kProcessQueryTail);
    std::string_view name = query;
    if (wellFormed) {
        name.remove_prefix(kProcessQueryHead.size());
        name.remove_suffix(kProcessQueryTail.size());
    }
    if (!wellFormed || name.find('\'') != std::string_view::npos) {
        ADD_FAILURE() << "the fake management service does not understand: " << query;
        throw Error("Running the query " + std::string(query), kInvalidQuery, "Invalid query",
                    true);
    }
    failure_.ThrowIfDue();
    return static_cast<std::size_t>(
        std::count_if(processes_.begin(), processes_.end(),
                      [&](const std::string& p) { return EqualIgnoringAsciiCase(p, name); }));
}

void FakeManagementService::RemoveProcess(std::string_view imageName) {
    const auto found = std::find(processes_.begin(), processes_.end(), imageName);
    if (found == processes_.end()) {
        ADD_FAILURE() << "no process " << imageName << " to remove";
        return;
    }
    processes_.erase(found);
}

// --- FakeProcessLauncher ------------------------------------------------------------------------

void FakeProcessLauncher::Launch(std::string_view commandLine) {
    commandLines_.emplace_back(commandLine);
    failure_.ThrowIfDue();
}

// --- FakeSettingsStore --------------------------------------------------------------------------

std::string FakeSettingsStore::Read(std::string_view application, std::string_view section,
                                    std::string_view key, std::string_view defaultText) {
    accesses_.push_back({SettingsAccess::Kind::Read, std::string(application), std::string(section),
                         std::string(key), std::string(defaultText)});
    readFailure_.ThrowIfDue();
    const auto found = values_.find(Key(application, section, key));
    return found == values_.end() ? std::string(defaultText) : found->second;
}

void FakeSettingsStore::Write(std::string_view application, std::string_view section,
                              std::string_view key, std::string_view value) {
    accesses_.push_back({SettingsAccess::Kind::Write, std::string(application),
                         std::string(section), std::string(key), std::string(value)});
    writeFailure_.ThrowIfDue();
    values_[Key(application, section, key)] = std::string(value);
}

std::string FakeSettingsStore::Location(std::string_view application,
                                        std::string_view section) const {
    return "HKEY_CURRENT_USER\\Software\\" + std::string(application) + "\\" + std::string(section);
}

std::size_t FakeSettingsStore::writeCount() const {
    return static_cast<std::size_t>(
        std::count_if(accesses_.begin(), accesses_.end(),
                      [](const auto& a) { return a.kind == SettingsAccess::Kind::Write; }));
}

std::vector<std::string> FakeSettingsStore::writes() const {
    std::vector<std::string> writes;
    for (const SettingsAccess& access : accesses_) {
        if (access.kind == SettingsAccess::Kind::Write) {
            writes.push_back(access.key + "=" + access.text);
        }
    }
    return writes;
}

void FakeSettingsStore::Put(std::string_view key, std::string_view value) {
    values_[Key(kSettingsApplication, kSettingsSection, key)] = std::string(value);
}

std::optional<std::string> FakeSettingsStore::Value(std::string_view key) const {
    const auto found = values_.find(Key(kSettingsApplication, kSettingsSection, key));
    if (found == values_.end()) {
        return std::nullopt;
    }
    return found->second;
}

void FakeSettingsStore::StopFailing() {
    readFailure_.Clear();
    writeFailure_.Clear();
}

// --- FakeWindowManager --------------------------------------------------------------------------

WindowHandle FakeWindowManager::GetForegroundWindow() {
    calls_.push_back({WindowManagerCall::Kind::GetForegroundWindow});
    return foreground_;
}

bool FakeWindowManager::SetWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y,
                                     int width, int height, unsigned flags) {
    calls_.push_back(
        {WindowManagerCall::Kind::SetWindowPos, window, insertAfter, x, y, width, height, flags});
    return setWindowPosResult_;
}

// --- FakeFatalExit ------------------------------------------------------------------------------

void FakeFatalExit::ShowErrorAndExit(std::string_view caption, std::string_view message,
                                     int exitStatus) {
    messages_.push_back({std::string(caption), std::string(message), exitStatus});
    if (showing_) {
        // A real box would stack a second one over the first; say so rather than recurse.
        ADD_FAILURE() << "a second fatal message while the first is still up: " << message;
        return;
    }
    showing_ = true;
    if (whileShowing_) {
        whileShowing_();
    }
    showing_ = false;
}

}  // namespace tavori::fake
