// The run's data as text for a spreadsheet.
#pragma once

#include <ostream>
#include <string>

#include "sim/run_log.h"

namespace zorva {

/// Header row with units.
inline constexpr const char* kCsvHeader =
    "t (s),x (m),y (m),vx (m/s),vy (m/s),|v| (m/s),Fx (N),Fy (N),N (N),R (m),StepCount";

/// Appends one sample's row to line: comma-separated, numbers in the shortest
/// form that reads back to the same double, decimal point, then a newline.
void AppendCsvRow(std::string& line, const TickSample& sample);

/// What a saved file holds of a run cut short by the log's capacity, as "the
/// first 10,000 ticks only; 22,029 later ticks were not kept"; empty when
/// the log kept every tick.
std::string CsvCutNote(const RunLog& log);

/// Writes the header and one row per sample.
void WriteRunCsv(std::ostream& out, const RunLog& log);

/// Saves the header and the log's rows at path (bytes as given, "-" for
/// standard output), whole or not at all. Returns "" or a sentence naming the
/// file and the reason. Never throws.
std::string SaveRunCsv(const RunLog& log, const std::string& path);

}  // namespace zorva
