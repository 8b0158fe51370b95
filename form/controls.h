// The main window's controls as plain values: what they hold, the events they
// raise and when. The window layer shows them and feeds user input back in,
// so the form's handlers can be driven and tested without a window.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace zorva {

/// Placement in twips, measured from the client area's top-left corner.
struct TwipsRect {
    double left = 0.0;
    double top = 0.0;
    double width = 0.0;
    double height = 0.0;
    friend bool operator==(const TwipsRect&, const TwipsRect&) = default;
};

/// A place on screen in whole pixels, from the client area's top-left corner.
struct PixelRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int right() const { return left + width; }
    int bottom() const { return top + height; }
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

/// Where a control placed at `placed` is shown in a client area of
/// clientWidth × clientHeight pixels: at least neededWidth × neededHeight, so
/// that its text shows whole, and moved just inside the client area where it
/// would reach past the right or bottom edge (never past the left or top).
PixelRect ShownPlace(PixelRect placed, int neededWidth, int neededHeight, int clientWidth,
                     int clientHeight);

/// The same for controls placed side by side, left to right: one widened to
/// its text pushes those after it to the right, so that none covers another.
/// needed holds a width and a height per control.
std::vector<PixelRect> ShownRow(const std::vector<PixelRect>& placed,
                                const std::vector<std::pair<int, int>>& needed, int clientWidth,
                                int clientHeight);

class Control {
  public:
    /// tabIndex: place in the keyboard's Tab order, from 0; −1 for none.
    Control(std::string name, std::string caption, TwipsRect design, int tabIndex = -1)
        : name_(std::move(name)),
          caption_(std::move(caption)),
          rect_(design),
          tabIndex_(tabIndex) {}
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const std::string& Name() const { return name_; }
    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption);
    const TwipsRect& Rect() const { return rect_; }
    void SetRect(const TwipsRect& rect);
    int TabIndex() const { return tabIndex_; }

    /// Called after anything visible changed; set by the window layer.
    std::function<void()> viewChanged;

  protected:
    void notifyView() const;

  private:
    std::string name_;
    std::string caption_;
    TwipsRect rect_;
    int tabIndex_;
};

/// A horizontal scroll bar. Value always lies within [Min, Max]; Change fires
/// after every change of Value, whoever made it, and at no other time.
class ScrollBar : public Control {
  public:
    /// Requires min ≤ value ≤ max; the design value is taken without a Change.
    ScrollBar(std::string name, int min, int max, int smallChange, int largeChange, int value,
              TwipsRect design, int tabIndex = -1);

    int Min() const { return min_; }
    int Max() const { return max_; }
    int SmallChange() const { return smallChange_; }
    int LargeChange() const { return largeChange_; }
    int Value() const { return value_; }
    /// Clamps to [Min, Max]; fires Change only if Value changed.
    void SetValue(int value);

    std::function<void()> Change;

  private:
    int min_;
    int max_;
    int smallChange_;
    int largeChange_;
    int value_;
};

/// A check box: Value is 1 when checked and 0 when not.
class CheckBox : public Control {
  public:
    using Control::Control;
    int Value() const { return value_; }
    /// 1 checks the box; any other value clears it.
    void SetValue(int value);

  private:
    int value_ = 0;
};

class Button : public Control {
  public:
    using Control::Control;
    /// Raises Click, as a press of the button does.
    void Press() const;
    std::function<void()> Click;
};

class Label : public Control {
  public:
    using Control::Control;
};

/// The run timer. It raises TimerEvent once per Interval milliseconds while
/// Enabled, and never while Interval is 0.
class Timer {
  public:
    int Interval() const { return interval_; }
    /// Milliseconds, ≥ 0; a negative value is taken as 0.
    void SetInterval(int milliseconds);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    /// True when the timer delivers events: enabled with a positive interval.
    bool Active() const { return enabled_ && interval_ > 0; }
    /// One elapsed interval: raises TimerEvent if the timer is active.
    void Elapse() const;

    std::function<void()> TimerEvent;
    /// Called after Interval or Enabled changed; set by the window layer.
    std::function<void()> viewChanged;

  private:
    int interval_ = 0;
    bool enabled_ = true;
};

}  // namespace zorva
