#include "form/export.h"

#include <new>

#include "form/atomic_file.h"
#include "form/format.h"

namespace zorva {
namespace {

// Shortest round-trip text: a spreadsheet gets every digit that matters and
// the decimal point whatever the locale.
void Put(std::string& line, double value) {
    AppendShortest(line, value);
    line.push_back(',');
}

// Rows are handed to the file in pieces of about this size, so that the text
// of a run never has to fit in memory at once.
constexpr std::size_t kChunkBytes = std::size_t{64} * 1024;

// A count with a comma between each group of three digits.
std::string Grouped(std::size_t count) {
    std::string digits = std::to_string(count);
    for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3) {
        digits.insert(static_cast<std::size_t>(at), 1, ',');
    }
    return digits;
}

}  // namespace

std::string CsvCutNote(const RunLog& log) {
    if (log.dropped() == 0) {
        return {};
    }
    return "the first " + Grouped(log.rows().size()) + " ticks only; " + Grouped(log.dropped()) +
           " later ticks were not kept";
}

void AppendCsvRow(std::string& line, const TickSample& s) {
    for (double value : {s.t, s.x, s.y, s.vx, s.vy, s.speed, s.Fx, s.Fy, s.N, s.R}) {
        Put(line, value);
    }
    line += std::to_string(s.StepCount);
    line.push_back('\n');
}

void WriteRunCsv(std::ostream& out, const RunLog& log) {
    out << kCsvHeader << '\n';
    std::string line;
    for (const TickSample& s : log.rows()) {
        line.clear();
        AppendCsvRow(line, s);
        out << line;
    }
}

std::string SaveRunCsv(const RunLog& log, const std::string& path) {
    OutputFile file(path);
    try {
        std::string chunk = std::string(kCsvHeader) + '\n';
        for (const TickSample& s : log.rows()) {
            AppendCsvRow(chunk, s);
            if (chunk.size() >= kChunkBytes) {
                if (!file.Write(chunk)) {
                    break;
                }
                chunk.clear();
            }
        }
        file.Write(chunk);
    } catch (const std::bad_alloc&) {
        return "Could not save " + path + ": not enough memory.";
    }
    file.Commit();
    return file.error();
}

}  // namespace zorva
