#include "form/controls.h"

#include <algorithm>

namespace zorva {

// The placements keep the window's design on every screen it was made for. A
// readout's text, a caption in another font or a screen much smaller than
// the design can still need more room than the placement gives, and a
// readout cut short would show a wrong number: the control then takes the
// room its text needs, and stays within reach.
PixelRect ShownPlace(PixelRect placed, int neededWidth, int neededHeight, int clientWidth,
                     int clientHeight) {
    PixelRect shown = placed;
    shown.width = std::max(placed.width, neededWidth);
    shown.height = std::max(placed.height, neededHeight);
    if (shown.right() > clientWidth) {
        shown.left = std::max(clientWidth - shown.width, 0);
    }
    if (shown.bottom() > clientHeight) {
        shown.top = std::max(clientHeight - shown.height, 0);
    }
    return shown;
}

std::vector<PixelRect> ShownRow(const std::vector<PixelRect>& placed,
                                const std::vector<std::pair<int, int>>& needed, int clientWidth,
                                int clientHeight) {
    std::vector<PixelRect> shown;
    shown.reserve(placed.size());
    int rowEnd = 0;
    for (std::size_t i = 0; i < placed.size(); ++i) {
        PixelRect r = placed[i];
        r.width = std::max(r.width, needed[i].first);
        r.left = i == 0 ? r.left : std::max(r.left, rowEnd);
        rowEnd = r.right();
        shown.push_back(r);
    }
    // A row wider than the client area moves left as a whole, as far as it
    // can, so that its last control is not the one lost.
    const int overhang = shown.empty() ? 0 : std::min(rowEnd - clientWidth, shown.front().left);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (overhang > 0) {
            shown[i].left -= overhang;
        }
        shown[i] =
            ShownPlace(shown[i], shown[i].width, needed[i].second, clientWidth, clientHeight);
    }
    return shown;
}

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
                     int value, TwipsRect design, int tabIndex)
    : Control(std::move(name), {}, design, tabIndex),
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
