// How the graphs of a run look and what they are called, the same in the
// graph window and the page: each quantity's name, colour and pen, each
// chart's title and axis, the faded previous run and the dashed reference.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "form/graph_model.h"
#include "plot/surface.h"

namespace zorva {

/// A plotted quantity: its name in the legend, its colour and pen width
/// (pixels), and its column in a table of values, with that many decimals.
struct QuantityLook {
    std::string_view name;
    Colour colour;
    double penWidth;
    std::string_view column;
    int decimals;
};

/// By GraphModel::Quantity: vy, vx, |v|, y. The colours stay apart for the
/// common kinds of colour blindness; vy, the one the lesson is about, gets
/// the strongest and the widest pen.
extern const std::array<QuantityLook, GraphModel::kQuantityCount> kQuantityLooks;

/// A chart: its title, its name and description for a screen reader, and
/// its value axis's title.
struct ChartLook {
    std::string_view title;
    std::string_view name;
    std::string_view description;
    std::string_view valueAxis;
};

/// By GraphModel::Chart: velocity, height.
extern const std::array<ChartLook, 2> kChartLooks;

/// What the graphs share.
struct GraphsLook {
    std::string_view title;
    std::string_view name;
    std::string_view description;
    std::string_view timeAxis;
    /// The previous run: its legend entry, and how much of its colour's
    /// strength (0 to 255) and what pen width (pixels) it keeps.
    std::string_view previousRun;
    int fadedAlpha;
    double fadedPenWidth;
    /// The launch's vertical speed, dashed: its legend entry, colour, pen
    /// width (pixels), and dash and gap in pen widths.
    std::string_view reference;
    Colour referenceColour;
    double referencePenWidth;
    double referenceDash;
    double referenceGap;
};

extern const GraphsLook kGraphsLook;

/// All of the above as one JSON object, for the page's script:
/// {"quantities":[{"name","colour":"#rrggbb","width","column","decimals"}…],
///  "charts":[{"title","name","description","valueAxis"}…], and the
/// GraphsLook fields by their names}.
std::string GraphLooksJson();

}  // namespace zorva
