#include "form/graph_looks.h"

#include <cstdio>

namespace zorva {

const std::array<QuantityLook, GraphModel::kQuantityCount> kQuantityLooks{{
    {"vy (vertical)", RGB(0x00, 0x5a, 0xb5), 2.5, "vy (m/s)", 3},
    {"vx (horizontal)", RGB(0xe6, 0x7e, 0x00), 2.0, "vx (m/s)", 3},
    {"|v| (speed)", RGB(0x1b, 0x9e, 0x77), 2.0, "|v| (m/s)", 3},
    {"y (height)", RGB(0x7b, 0x3f, 0x9e), 2.0, "y (m)", 4},
}};

const std::array<ChartLook, 2> kChartLooks{{
    {"Velocity", "Velocity graph",
     "Vertical velocity vy, horizontal velocity vx and speed |v| in metres per second against "
     "time t in seconds",
     "velocity (m/s)"},
    {"Height", "Height graph", "Height y of the body in metres against time t in seconds",
     "height y (m)"},
}};

const GraphsLook kGraphsLook{
    "ZORVA \u2014 graphs",
    "ZORVA graphs",
    "Velocity and height of the body against time, for the current run and, faded, for the "
    "previous one.",
    "time t (s)",
    // The previous run keeps its hue, so that a student matches it with the
    // current trace of the same quantity, but light and thin enough to stay
    // behind.
    "previous run",
    85,
    1.5,
    "vy at launch",
    RGB(0x20, 0x20, 0x20),
    1.2,
    4.0,
    2.0,
};

namespace {

// A string as JSON: the words hold no control characters, only quotes and
// backslashes to escape.
std::string Quoted(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out.push_back('\\');
        }
        out.push_back(c);
    }
    return out + '"';
}

std::string Hex(Colour colour) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", colour.red & 0xff, colour.green & 0xff,
                  colour.blue & 0xff);
    return Quoted(text);
}

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

}  // namespace

std::string GraphLooksJson() {
    std::string json = "{\"quantities\":[";
    for (const QuantityLook& q : kQuantityLooks) {
        json += (&q == kQuantityLooks.data() ? "" : ",") + std::string("{\"name\":") +
                Quoted(q.name) + ",\"colour\":" + Hex(q.colour) +
                ",\"width\":" + Number(q.penWidth) + ",\"column\":" + Quoted(q.column) +
                ",\"decimals\":" + Number(q.decimals) + "}";
    }
    json += "],\"charts\":[";
    for (const ChartLook& c : kChartLooks) {
        json += (&c == kChartLooks.data() ? "" : ",") + std::string("{\"title\":") +
                Quoted(c.title) + ",\"name\":" + Quoted(c.name) +
                ",\"description\":" + Quoted(c.description) +
                ",\"valueAxis\":" + Quoted(c.valueAxis) + "}";
    }
    const GraphsLook& g = kGraphsLook;
    json +=
        "],\"title\":" + Quoted(g.title) + ",\"name\":" + Quoted(g.name) +
        ",\"description\":" + Quoted(g.description) + ",\"timeAxis\":" + Quoted(g.timeAxis) +
        ",\"previousRun\":" + Quoted(g.previousRun) + ",\"fadedAlpha\":" + Number(g.fadedAlpha) +
        ",\"fadedPenWidth\":" + Number(g.fadedPenWidth) + ",\"reference\":" + Quoted(g.reference) +
        ",\"referenceColour\":" + Hex(g.referenceColour) +
        ",\"referencePenWidth\":" + Number(g.referencePenWidth) +
        ",\"referenceDash\":" + Number(g.referenceDash) +
        ",\"referenceGap\":" + Number(g.referenceGap) + "}";
    return json;
}

}  // namespace zorva
