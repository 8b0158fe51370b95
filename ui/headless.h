// The run from the command line: the window's own form and tick, drawing
// into an image of the chosen size, with no window on screen.
#pragma once

#include <ostream>

#include "ui/cli.h"

namespace zorva {

/// Sets the bars and boxes, presses "Time on", ticks until the run stops by
/// itself or for the given number of ticks, then writes the CSV and/or PNG.
/// Needs a QGuiApplication. Returns the exit status: 0, or 1 when a file
/// could not be written (the reason goes to err).
int RunHeadless(const CommandLine& line, std::ostream& err);

}  // namespace zorva
