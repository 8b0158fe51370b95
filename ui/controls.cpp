#include "ui/controls.h"

#include <algorithm>

namespace zorva {

void Control::SetCaption(std::string caption) {
    if (caption == caption_) {
        return;
    }
    caption_ = std::move(caption);
    notifyView();
}

void Control::SetRect(const TwipsRect& rect) {
    rect_ = rect;
    notifyView();
}

void Control::notifyView() const {
    if (viewChanged) {
        viewChanged();
    }
}

ScrollBar::ScrollBar(std::string name, int min, int max, int smallChange, int largeChange,
                     int value, TwipsRect design)
    : Control(std::move(name), {}, design),
      min_(min),
      max_(max),
      smallChange_(smallChange),
      largeChange_(largeChange),
      value_(std::clamp(value, min, max)) {}

void ScrollBar::SetValue(int value) {
    const int clamped = std::clamp(value, min_, max_);
    if (clamped == value_) {
        return;
    }
    value_ = clamped;
    notifyView();
    if (Change) {
        Change();
    }
}

void CheckBox::SetValue(int value) {
    const int normalised = value == 1 ? 1 : 0;
    if (normalised == value_) {
        return;
    }
    value_ = normalised;
    notifyView();
}

void Button::Press() const {
    if (Click) {
        Click();
    }
}

void Timer::SetInterval(int milliseconds) {
    interval_ = std::max(milliseconds, 0);
    if (viewChanged) {
        viewChanged();
    }
}

void Timer::SetEnabled(bool enabled) {
    enabled_ = enabled;
    if (viewChanged) {
        viewChanged();
    }
}

void Timer::Elapse() const {
    if (Active() && TimerEvent) {
        TimerEvent();
    }
}

}  // namespace zorva
