// The run's data as the desktop writes it (ui/export.h), for a standard
// library whose std::to_chars has no floating-point overloads, as that of
// Debian's Emscripten: the same shortest round-trip numbers, spelt the way
// std::to_chars spells them, so that the page's CSV file is the desktop's.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "form/export.h"

namespace zorva {
namespace {

// std::to_chars(first, last, value) for a double: the fewest significant
// digits that read back to value, in fixed or scientific notation, whichever
// is shorter (fixed on a tie); the exponent signed and of at least two digits.
void Put(std::string& line, double value) {
    if (std::isnan(value)) {
        line += std::signbit(value) ? "-nan," : "nan,";
        return;
    }
    if (std::isinf(value)) {
        line += value < 0.0 ? "-inf," : "inf,";
        return;
    }
    if (std::signbit(value)) {
        line.push_back('-');
        value = -value;
    }
    if (value == 0.0) {
        line += "0,";
        return;
    }
    char buffer[40];
    for (int precision = 0; precision < 17; ++precision) {
        std::snprintf(buffer, sizeof buffer, "%.*e", precision, value);
        if (std::strtod(buffer, nullptr) == value) {
            break;
        }
    }
    // buffer holds d[.ddd]e±XX; split it into its digits and exponent.
    std::string digits;
    const char* p = buffer;
    for (; *p != 'e'; ++p) {
        if (*p != '.') {
            digits.push_back(*p);
        }
    }
    const int exponent = std::atoi(p + 1);
    const int count = static_cast<int>(digits.size());

    std::string scientific = digits.substr(0, 1);
    if (count > 1) {
        scientific += "." + digits.substr(1);
    }
    char tail[8];
    std::snprintf(tail, sizeof tail, "e%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
    scientific += tail;

    std::string fixed;
    if (exponent >= 0) {
        fixed = count <= exponent + 1
                    ? digits + std::string(static_cast<std::size_t>(exponent + 1 - count), '0')
                    : digits.substr(0, exponent + 1) + "." + digits.substr(exponent + 1);
    } else {
        fixed = "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    }
    line += fixed.size() <= scientific.size() ? fixed : scientific;
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
