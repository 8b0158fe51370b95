#include "form/format.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace zorva {

std::string Format(double value, std::string_view pattern) {
    int decimals = 0;
    if (pattern == "0") {
        decimals = 0;
    } else if (pattern == "0.0") {
        decimals = 1;
    } else if (pattern == "0.00") {
        decimals = 2;
    } else {
        throw std::invalid_argument("Format: unknown number pattern");
    }
    if (!std::isfinite(value)) {
        return std::isnan(value) ? "NaN" : (value > 0 ? "Inf" : "-Inf");
    }
    // Rounded half away from zero on the decimal value, as a reader of the
    // readout expects (0.125 shows as 0.13), not on its binary neighbour.
    const double scale = std::pow(10.0, decimals);
    double rounded = std::round(value * scale) / scale;
    if (rounded == 0.0) {
        rounded = 0.0;  // drops the sign of a negative zero
    }
    char buffer[400];  // room for the widest double in fixed notation
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, rounded);
    return buffer;
}

}  // namespace zorva
