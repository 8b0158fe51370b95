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
    return shown;
}

}  // namespace zorva
