// The graphs' model for a sequence of runs, as the desktop's graph window
// would draw them: each POLTAX given on the command line is a "Time on" run
// to the summit through the form, feeding a GraphModel by the form's hooks.
// Writes the model's traces, reference line and axes as JSON to a file,
// every number exact, for the page's test to compare with what the page
// plots.
//
// graph_points OUT.json POLTAX...
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "form/graph_model.h"
#include "tests/form/graphed_program.h"

namespace {

using zorva::GraphModel;

std::string Number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

std::string Points(const std::vector<GraphModel::Point>& points) {
    std::string out = "[";
    for (const GraphModel::Point& p : points) {
        out += (out.size() > 1 ? "," : "") + Number(p.t) + "," + Number(p.value);
    }
    return out + "]";
}

std::string Axis(const GraphModel::Axis& a) {
    return "[" + Number(a.min) + "," + Number(a.max) + "," + Number(a.step) + "," +
           std::to_string(a.decimals) + "]";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: graph_points OUT.json POLTAX...\n");
        return 2;
    }
    zorva::GraphedProgram<GraphModel> program;
    for (int i = 2; i < argc; ++i) {
        program.run(std::atoi(argv[i]));
        if (program.form.Timer1.Active()) {
            std::fprintf(stderr, "the POLTAX %s run did not reach the summit\n", argv[i]);
            return 1;
        }
    }
    const GraphModel& model = program.graphs;
    std::string current;
    std::string previous;
    for (const GraphModel::Quantity q : GraphModel::kQuantities) {
        current += (current.empty() ? "" : ",") + Points(model.currentTrace(q));
        previous += (previous.empty() ? "" : ",") + Points(model.previousTrace(q));
    }
    std::ofstream out(argv[1]);
    out << "{\"current\":[" << current << "],\"previous\":[" << previous
        << "],\"reference\":" << Points(model.referenceLine())
        << ",\"referenceVy\":" << Number(model.referenceVy())
        << ",\"samples\":" << model.sampleCount() << ",\"axes\":[" << Axis(model.timeAxis()) << ","
        << Axis(model.valueAxis(GraphModel::Chart::Velocity)) << ","
        << Axis(model.valueAxis(GraphModel::Chart::Height)) << "]}\n";
    out.close();
    if (!out) {
        std::fprintf(stderr, "could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
