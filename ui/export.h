// The run's data as text for a spreadsheet.
#pragma once

#include <ostream>

#include "sim/run_log.h"

namespace zorva {

/// Header row with units.
inline constexpr const char* kCsvHeader =
    "t (s),x (m),y (m),vx (m/s),vy (m/s),|v| (m/s),Fx (N),Fy (N),N (N),R (m),StepCount";

/// Writes the header and one row per sample, comma-separated, numbers in
/// the shortest form that reads back to the same double, decimal point.
void WriteRunCsv(std::ostream& out, const RunLog& log);

}  // namespace zorva
