#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/colour.h"

namespace tavori {

// The window and control runtime: top-level windows with text boxes, buttons, labels, check
// boxes, periodic timers and tooltips, modal display, and the message loop.
//
// Contract: positions and sizes are in twips; the runtime converts them at the system's dots per
// inch. Every handler given here is run on the user-interface thread through the program's event
// dispatcher (platform/event_dispatch.h), so an error that escapes a handler ends the program
// with one message. Controls and timers belong to their window and live as long as it does.

using Handler = std::function<void()>;

// An opaque window handle, as the window manager (platform/window_manager.h) takes it.
using WindowHandle = std::uintptr_t;

// A window's outer frame in twips from the top-left corner of the primary screen.
struct Placement {
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;

    friend bool operator==(const Placement&, const Placement&) = default;
};

// One monitor, in twips from the top-left corner of the primary screen: all of it, and the part
// that windows may use (without the task bar).
struct MonitorArea {
    Placement bounds;
    Placement workArea;
};

// A control's rectangle in twips within its window's client area.
struct ControlRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

struct FontSpec {
    std::string_view face;  // the platform substitutes a close face where this one is missing
    double points = 0;
    bool bold = false;
};

struct TextBoxSpec {
    ControlRect at;
    std::string_view text;
    std::string_view tooltip;
    Colour background = 0;
    FontSpec font;
    Handler onDoubleClick;
};

struct ButtonSpec {
    ControlRect at;
    std::string_view caption;
    FontSpec font;  // empty face: the platform's default font
    Handler onClick;
};

struct LabelSpec {
    ControlRect at;
    std::string_view caption;
    Colour background = 0;
    Colour foreground = 0;
    FontSpec font;
    Handler onDoubleClick;
};

struct CheckBoxSpec {
    ControlRect at;
    std::string_view caption;
    Handler onClick;  // a click by the mouse or the space bar
};

// A read-only, centred, single-line text box that takes the focus and allows selection.
class TextBox {
  public:
    virtual ~TextBox() = default;
    // Repaints the box; setting the colour it already has costs nothing.
    virtual void SetBackground(Colour colour) = 0;
    virtual Colour Background() const = 0;
};

class Label {
  public:
    virtual ~Label() = default;
    virtual void SetCaption(std::string_view caption) = 0;
};

// A three-state check box: 0 cleared, 1 ticked, 2 greyed.
class CheckBox {
  public:
    virtual ~CheckBox() = default;
    virtual int Value() const = 0;
    // Raises no click. Throws tavori::Error for a value other than 0, 1 or 2.
    virtual void SetValue(int value) = 0;
};

// A periodic timer. It ticks every interval while it is enabled and its interval is not zero;
// a timer that falls behind ticks once when the thread is free again.
class Timer {
  public:
    virtual ~Timer() = default;
    virtual void SetInterval(unsigned milliseconds) = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool Enabled() const = 0;
};

enum class Frame {
    FixedToolWindow,    // thin caption, close box only, not resizable, no task-bar button
    SizableToolWindow,  // the same, but the user can resize it
};

struct WindowSpec {
    std::string_view className;
    std::string_view caption;
    Frame frame = Frame::FixedToolWindow;
    bool programIcon = false;  // the program file's icon is also the window's
    // Run whatever closes the window (close box, Close(), the session ending), before it goes.
    Handler onUnload;
};

class Window {
  public:
    virtual ~Window() = default;

    // Controls take the keyboard focus in the order in which they are added.
    virtual TextBox& AddTextBox(const TextBoxSpec& request) = 0;
    virtual void AddButton(const ButtonSpec& request) = 0;
    virtual Label& AddLabel(const LabelSpec& request) = 0;
    virtual CheckBox& AddCheckBox(const CheckBoxSpec& request) = 0;
    // A new timer starts disabled with no interval.
    virtual Timer& AddTimer(Handler onTick) = 0;

    // The outer frame, exactly as given: the window keeps a size smaller than the platform's
    // usual minimum for a captioned window.
    virtual void SetPlacement(const Placement& placement) = 0;
    // Where the window is, or for a minimised window where it will be restored to.
    virtual Placement GetPlacement() const = 0;

    virtual WindowHandle Handle() const = 0;

    // Shows the window and returns; the message loop runs it.
    virtual void Show() = 0;
    // Shows the window above its disabled owner and returns when it has been closed.
    virtual void ShowModal(Window& owner) = 0;
    // Unloads the window as its close box does.
    virtual void Close() = 0;
};

class WindowRuntime {
  public:
    virtual ~WindowRuntime() = default;
    // Creates a hidden window. The first window created is the program's main window: the
    // message loop ends when it is closed.
    virtual std::unique_ptr<Window> CreateTopLevel(const WindowSpec& request) = 0;
    // Dispatches events until the main window has been closed.
    virtual void RunMessageLoop() = 0;
    // The monitors attached now.
    virtual std::vector<MonitorArea> Monitors() const = 0;
};

}  // namespace tavori
