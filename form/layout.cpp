#include "form/layout.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>
#include <vector>

#include "form/form.h"

namespace zorva {
namespace {

PixelRect Placed(const Control& control, double twipsPerPixel) {
    const TwipsRect& r = control.Rect();
    const auto px = [twipsPerPixel](double twips) {
        return static_cast<int>(std::lround(twips / twipsPerPixel));
    };
    return {px(r.left), px(r.top), px(r.width), px(r.height)};
}

}  // namespace

bool Overlap(const PixelRect& a, const PixelRect& b) {
    return a.left < b.right() && b.left < a.right() && a.top < b.bottom() && b.top < a.bottom();
}

// An obstacle's edges bound where a rectangle pushed out of it comes to rest:
// the nearest place that clears every rectangle, within the client area where
// there is one, has each coordinate either unchanged or against an edge of
// one of them or of the client area, so those are all the places to try.
PixelRect ClearOf(const PixelRect& place, const std::vector<PixelRect>& taken, int clientWidth,
                  int clientHeight) {
    const auto clear = [&taken](const PixelRect& r) {
        return std::none_of(taken.begin(), taken.end(),
                            [&r](const PixelRect& t) { return Overlap(r, t); });
    };
    if (clear(place)) {
        return place;
    }
    std::vector<int> lefts{place.left, 0, clientWidth - place.width};
    std::vector<int> tops{place.top, 0, clientHeight - place.height};
    for (const PixelRect& t : taken) {
        lefts.insert(lefts.end(), {t.right(), t.left - place.width});
        tops.insert(tops.end(), {t.bottom(), t.top - place.height});
    }
    PixelRect best = place;
    // As little of it outside the client area as can be (a control wider than
    // the client area cannot help some), then the shortest move.
    std::pair<long long, long long> bestCost{0, 0};
    bool found = false;
    for (const int left : lefts) {
        for (const int top : tops) {
            const PixelRect r{left, top, place.width, place.height};
            if (!clear(r)) {
                continue;
            }
            const long long outside = std::max(0, -r.left) + std::max(0, -r.top) +
                                      std::max(0, r.right() - clientWidth) +
                                      std::max(0, r.bottom() - clientHeight);
            const long long dx = left - place.left;
            const long long dy = top - place.top;
            const std::pair<long long, long long> cost{outside, dx * dx + dy * dy};
            if (!found || cost < bestCost) {
                best = r;
                bestCost = cost;
                found = true;
            }
        }
    }
    return best;
}

ShownControls LayOutControls(const Zerkan& form, double twipsPerPixel,
                             const std::array<NeededSize, kControlCount>& needed, int clientWidth,
                             int clientHeight) {
    const std::array<const Control*, kControlCount> controls = form.Controls();
    ShownControls shown;

    // The buttons form one row, left to right as placed; one widened to its
    // caption pushes the rest along.
    std::array<std::size_t, kFirstBar> row{};
    std::iota(row.begin(), row.end(), std::size_t{0});
    std::stable_sort(row.begin(), row.end(), [&](std::size_t a, std::size_t b) {
        return controls[a]->Rect().left < controls[b]->Rect().left;
    });
    std::vector<PixelRect> rowPlaces;
    std::vector<std::pair<int, int>> rowNeeds;
    for (const std::size_t i : row) {
        rowPlaces.push_back(Placed(*controls[i], twipsPerPixel));
        rowNeeds.emplace_back(needed[i].width, 0);
    }
    const std::vector<PixelRect> rowShown =
        ShownRow(rowPlaces, rowNeeds, clientWidth, clientHeight);
    for (std::size_t k = 0; k < row.size(); ++k) {
        shown.place[row[k]] = rowShown[k];
    }

    for (std::size_t i = kFirstBar; i < kControlCount; ++i) {
        shown.place[i] = ShownPlace(Placed(*controls[i], twipsPerPixel), needed[i].width,
                                    needed[i].height, clientWidth, clientHeight);
    }
    for (std::size_t j = 0; j < shown.box.size(); ++j) {
        const PixelRect& place = shown.place[kFirstBox + j];
        const NeededSize& hint = needed[kFirstBox + j];
        // A place wider than the client area keeps its box in sight.
        const int right = std::min(place.right(), std::max(clientWidth, hint.width));
        shown.box[j] = {right - hint.width, place.top, hint.width, hint.height};
    }

    // The design keeps the check boxes where they were drawn whatever the
    // screen, and widens readouts and buttons to their text: on a screen the
    // design did not foresee (a 4K screen at scale 1, a narrowed window, a
    // phone) one would then lie over another and take its clicks. Each
    // control is moved just clear of those placed before it; a check box's
    // place, which takes clicks only where nothing lies over it, moves with
    // its box. A readout shows only its text (the drawing shows through the
    // rest of its place), so it counts here as wide as its text, and takes
    // the rest of its place back afterwards as far as nothing lies there.
    std::array<int, kControlCount> fullWidth{};
    std::vector<PixelRect> taken;
    for (std::size_t i = 0; i < kControlCount; ++i) {
        const bool readout = i >= kFirstReadout && i < kFirstBox;
        PixelRect& shownRect = i < kFirstBox ? shown.place[i] : shown.box[i - kFirstBox];
        fullWidth[i] = shownRect.width;
        if (readout && needed[i].width > 0) {
            shownRect.width = std::min(shownRect.width, needed[i].width);
        }
        const PixelRect cleared = ClearOf(shownRect, taken, clientWidth, clientHeight);
        if (i >= kFirstBox) {
            shown.place[i].left += cleared.left - shownRect.left;
            shown.place[i].top += cleared.top - shownRect.top;
        }
        shownRect = cleared;
        taken.push_back(cleared);
    }
    for (std::size_t i = kFirstReadout; i < kFirstBox; ++i) {
        PixelRect& r = shown.place[i];
        int right = r.left + fullWidth[i];
        for (std::size_t j = 0; j < kControlCount; ++j) {
            const PixelRect& other = taken[j];
            if (j != i && other.left >= r.right() && other.top < r.bottom() &&
                r.top < other.bottom()) {
                right = std::min(right, other.left);
            }
        }
        r.width = std::max(r.width, right - r.left);
    }
    return shown;
}

}  // namespace zorva
