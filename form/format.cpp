#include "form/format.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
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

void AppendShortest(std::string& out, double value) {
#if defined(__cpp_lib_to_chars) && __cpp_lib_to_chars >= 201611L
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
#else
    AppendShortestPortably(out, value);
#endif
}

void AppendShortestPortably(std::string& out, double value) {
    if (std::isnan(value)) {
        out += std::signbit(value) ? "-nan" : "nan";
        return;
    }
    if (std::isinf(value)) {
        out += value < 0.0 ? "-inf" : "inf";
        return;
    }
    if (std::signbit(value)) {
        out.push_back('-');
        value = -value;
    }
    if (value == 0.0) {
        out.push_back('0');
        return;
    }
    // The fewest significant digits that read back to value: printf rounds
    // correctly, so the first precision that reads back is the shortest.
    char buffer[40];
    for (int precision = 0; precision < 17; ++precision) {
        std::snprintf(buffer, sizeof buffer, "%.*e", precision, value);
        if (std::strtod(buffer, nullptr) == value) {
            break;
        }
    }
    // buffer holds d[.ddd]e±XX: its digits and its exponent.
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
    char tail[16];
    std::snprintf(tail, sizeof tail, "e%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
    scientific += tail;

    std::string fixed;
    if (exponent >= 0 && count <= exponent + 1) {
        // A whole number is spelt with all its digits, as printf spells it,
        // not the shortest ones padded with zeros: 2^64 is
        // 18446744073709551616, not 18446744073709552000.
        char whole[400];
        std::snprintf(whole, sizeof whole, "%.0f", value);
        fixed = whole;
    } else if (exponent >= 0) {
        fixed = digits.substr(0, static_cast<std::size_t>(exponent) + 1) + "." +
                digits.substr(static_cast<std::size_t>(exponent) + 1);
    } else {
        fixed = "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    }
    out += fixed.size() <= scientific.size() ? fixed : scientific;
}

}  // namespace zorva
