// The command line: the same run as in the window, without a window, for
// worksheets and reproducible data.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zorva {

struct CommandLine {
    enum class Action {
        Window,   ///< no options: open the window
        Help,     ///< --help
        Version,  ///< --version
        Run,      ///< run without a window and write the outputs
        Error,    ///< bad usage: `error` says which option and why
    };
    Action action = Action::Window;
    int poltax = 20;    ///< 1 to 100
    int vimaxrono = 1;  ///< 1 to 10
    int klimax = 1;     ///< 1 to 20
    bool forceComponents = false;
    bool velocityComponents = false;
    bool weightReaction = false;
    /// Ticks to run, 1 to kMaxTicks; 0 runs until the run stops by itself, at
    /// most kMaxTicks.
    std::int64_t ticks = 0;
    std::string csv;   ///< file for the per-tick data, "-" for standard output, or empty
    std::string png;   ///< file for the final picture, or empty; never the same as csv
    int width = 1920;  ///< picture size in pixels, 1 to 16384
    int height = 1080;
    /// Device pixels a pixel of the picture, 1 to 4, as on a screen of that
    /// density; the PNG is width × density by height × density, at most 16384 each way.
    int density = 1;
    std::string error;  ///< one line naming the option, for Action::Error
};

/// The most ticks a run from the command line makes. The CSV is written as
/// the run goes, so this bounds the file's size (about 190 MB), not memory.
inline constexpr std::int64_t kMaxTicks = 1'000'000;

/// Reads the arguments after the program name. Options take their value as
/// the next argument or after '='. Never throws.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

/// The --help text.
std::string UsageText();

}  // namespace zorva
