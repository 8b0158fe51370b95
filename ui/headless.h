// The run from the command line: the window's own form and tick, drawing
// into an image of the chosen size (or nowhere, when no picture is asked
// for), with no window on screen.
#pragma once

#include <ostream>

#include "form/cli.h"

namespace zorva {

/// Opens every output, sets the bars and boxes, presses "Time on", ticks
/// until the run stops by itself or for the given number of ticks, writing
/// the CSV as it goes, then puts the CSV and/or PNG in place. Needs a
/// QGuiApplication when a PNG is asked for. Returns the exit status: 0; 1
/// when a file could not be written, with every old file left as it was; 2
/// when both outputs lead to one file. Reasons and notes go to err.
int RunHeadless(const CommandLine& line, std::ostream& err);

}  // namespace zorva
