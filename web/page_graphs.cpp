#include "web/page_graphs.h"

#include <cstddef>

namespace zorva {

PageGraphs::PageGraphs(Zerkan& form) : form_(form) {
    form_.runStarted = [this](double referenceVy) {
        model_.startRun(referenceVy);
        changed_ = true;
    };
    form_.tickDrawn = [this](const TickSample& sample) {
        model_.addSample(sample);
        changed_ = true;
    };
}

PageGraphs::~PageGraphs() {
    form_.runStarted = nullptr;
    form_.tickDrawn = nullptr;
}

bool PageGraphs::takeChanged() {
    const bool changed = changed_;
    changed_ = false;
    return changed;
}

const double* PageGraphs::frame() {
    handedOut_ = {model_.hasRun() ? 1.0 : 0.0, model_.hasPrevious() ? 1.0 : 0.0,
                  model_.referenceVy(), static_cast<double>(model_.sampleCount())};
    for (const GraphModel::Axis& axis :
         {model_.timeAxis(), model_.valueAxis(GraphModel::Chart::Velocity),
          model_.valueAxis(GraphModel::Chart::Height)}) {
        handedOut_.insert(handedOut_.end(),
                          {axis.min, axis.max, axis.step, static_cast<double>(axis.decimals)});
    }
    return handedOut_.data();
}

const double* PageGraphs::trace(int run, int quantity) {
    std::vector<GraphModel::Point> points;
    const bool known = quantity >= 0 && quantity < static_cast<int>(GraphModel::kQuantityCount);
    const GraphModel::Quantity q =
        GraphModel::kQuantities[known ? static_cast<std::size_t>(quantity) : 0];
    if (run == 0 && known) {
        points = model_.currentTrace(q);
    } else if (run == 1 && known) {
        points = model_.previousTrace(q);
    } else if (run == 2) {
        points = model_.referenceLine();
    }
    handedOut_.assign(1, static_cast<double>(points.size()));
    for (const GraphModel::Point& p : points) {
        handedOut_.insert(handedOut_.end(), {p.t, p.value});
    }
    return handedOut_.data();
}

}  // namespace zorva
