// Number-to-text formatting for the readouts.
#pragma once

#include <string>
#include <string_view>

namespace zorva {

/// value rendered with the pattern "0", "0.0" or "0.00": at least one digit
/// before the point, exactly that many decimals, rounded to the nearest, with
/// a decimal point whatever the locale. A value that rounds to zero has no
/// minus sign. Any other pattern throws std::invalid_argument.
std::string Format(double value, std::string_view pattern);

}  // namespace zorva
