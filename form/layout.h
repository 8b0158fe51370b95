// Where each control is shown, worked out once for every front end from the
// form's placements, the room the front end's texts need and the client size.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "form/controls.h"

namespace zorva {

class Zerkan;

/// The controls in a fixed order, the one every front end numbers them by:
/// the buttons Command1 to Command4, the bars POLTAX, vimaxrono and klimax,
/// the readouts Label1 to Label3, the boxes Check1 to Check3.
inline constexpr std::size_t kControlCount = 13;
inline constexpr std::size_t kFirstBar = 4;
inline constexpr std::size_t kFirstReadout = 7;
inline constexpr std::size_t kFirstBox = 10;

/// The room a control's text needs, with the front end's own margins, in
/// logical pixels (0: none).
struct NeededSize {
    int width = 0;
    int height = 0;
};

struct ShownControls {
    /// Each control's place in logical pixels, by the order above. A check
    /// box's place is the whole designed area that toggles it.
    std::array<PixelRect, kControlCount> place{};
    /// The check boxes themselves with their captions, Check1 to Check3: at
    /// the top right of their place, kept in sight.
    std::array<PixelRect, 3> box{};
};

/// The controls of form at twipsPerPixel (> 0) in a client area of
/// clientWidth × clientHeight logical pixels, each as wide and high as its
/// text needs, kept within the client area where it can be, and none over
/// another: a control that would cover one placed before it (in the order
/// above, a check box by its box) is moved just clear of it.
ShownControls LayOutControls(const Zerkan& form, double twipsPerPixel,
                             const std::array<NeededSize, kControlCount>& needed, int clientWidth,
                             int clientHeight);

/// Whether two places share any pixel.
bool Overlap(const PixelRect& a, const PixelRect& b);

/// place moved by the shortest distance to where it shares no pixel with any
/// of taken, preferring places within the client area; place itself when it
/// shares none already.
PixelRect ClearOf(const PixelRect& place, const std::vector<PixelRect>& taken, int clientWidth,
                  int clientHeight);

}  // namespace zorva
