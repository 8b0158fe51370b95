// The page's graphs of the run: a GraphModel fed by the form's runStarted and
// tickDrawn, as the desktop's graph window is fed, and what the page script
// reads back from it as plain numbers.
#pragma once

#include <vector>

#include "form/form.h"
#include "form/graph_model.h"

namespace zorva {

class PageGraphs {
  public:
    /// Feeds the model from form's hooks until destroyed; form must outlive it.
    explicit PageGraphs(Zerkan& form);
    ~PageGraphs();
    PageGraphs(const PageGraphs&) = delete;
    PageGraphs& operator=(const PageGraphs&) = delete;

    const GraphModel& model() const { return model_; }

    /// Whether a run started or a tick was drawn since the last call.
    bool takeChanged();
    /// Whether a run has started, whether there is a previous run (0/1), the
    /// launch's vertical speed (m/s), the current run's samples, then the
    /// time, velocity and height axes, each as min, max, step, decimals.
    /// Valid until the next call of frame or trace.
    const double* frame();
    /// A trace as count, then count × (t in s, value): run 0 the current
    /// run's trace of quantity (GraphModel::Quantity, 0 to 3), 1 the previous
    /// run's, 2 the reference line (quantity ignored). Empty for an unknown
    /// run or quantity. Valid until the next call of frame or trace.
    const double* trace(int run, int quantity);

  private:
    Zerkan& form_;
    GraphModel model_;
    bool changed_ = true;
    std::vector<double> handedOut_;
};

}  // namespace zorva
