#include "ui/export.h"

#include <charconv>
#include <string>

namespace zorva {
namespace {

// Shortest round-trip text: a spreadsheet gets every digit that matters and
// the decimal point whatever the locale.
void Put(std::string& line, double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    line.append(buffer, result.ptr);
    line.push_back(',');
}

}  // namespace

void WriteRunCsv(std::ostream& out, const RunLog& log) {
    out << kCsvHeader << '\n';
    std::string line;
    for (const TickSample& s : log.rows()) {
        line.clear();
        for (double value : {s.t, s.x, s.y, s.vx, s.vy, s.speed, s.Fx, s.Fy, s.N, s.R}) {
            Put(line, value);
        }
        line += std::to_string(s.StepCount);
        line.push_back('\n');
        out << line;
    }
}

}  // namespace zorva
