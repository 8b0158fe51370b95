// Number-to-text formatting for the readouts and the run's data.
#pragma once

#include <string>
#include <string_view>

namespace zorva {

/// value rendered with the pattern "0", "0.0" or "0.00": at least one digit
/// before the point, exactly that many decimals, rounded to the nearest, with
/// a decimal point whatever the locale. A value that rounds to zero has no
/// minus sign. Any other pattern throws std::invalid_argument.
std::string Format(double value, std::string_view pattern);

/// Appends value in the fewest significant digits that read back to the same
/// double, fixed or scientific, whichever is shorter (fixed on a tie), with
/// a decimal point whatever the locale: std::to_chars's spelling. Never
/// throws but std::bad_alloc.
void AppendShortest(std::string& out, double value);

/// The same spelling worked out without std::to_chars, for a standard library
/// that has none for double (the browser edition's); slower.
void AppendShortestPortably(std::string& out, double value);

}  // namespace zorva
