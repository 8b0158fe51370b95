#include "form/cli.h"

#include <charconv>
#include <optional>
#include <set>

namespace zorva {
namespace {

std::optional<std::int64_t> WholeNumber(const std::string& text) {
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end) {
        return std::nullopt;
    }
    return value;
}

struct Range {
    const char* name;
    std::int64_t low;
    std::int64_t high;
};

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine line;
    const auto fail = [&line](const std::string& message) {
        line.action = CommandLine::Action::Error;
        line.error = "zorva: " + message;
        return line;
    };
    if (args.empty()) {
        return line;
    }
    const auto name = [](const std::string& arg) {
        return arg.rfind("--", 0) == 0 ? arg.substr(0, arg.find('=')) : arg;
    };
    // --help and --version stand alone: whatever came with them would be
    // silently left undone.
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string option = name(args[i]);
        if (option != "--help" && option != "-h" && option != "--version") {
            continue;
        }
        if (option.size() != args[i].size()) {
            return fail(option + ": takes no value");
        }
        if (args.size() == 1) {
            line.action =
                option == "--version" ? CommandLine::Action::Version : CommandLine::Action::Help;
            return line;
        }
        if (i + 1 < args.size() && args[i + 1].rfind('-', 0) != 0) {
            return fail(option + ": takes no value, but '" + args[i + 1] + "' follows it");
        }
        return fail(option + ": cannot be combined with '" + name(args[i == 0 ? 1 : 0]) + "'");
    }
    bool run = false;
    std::set<std::string> given;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string option = name(args[i]);
        std::optional<std::string> value;
        if (option.size() != args[i].size()) {
            value = args[i].substr(option.size() + 1);
        }
        // The second would silently replace the first.
        if (!given.insert(option).second) {
            return fail(option + ": given twice");
        }
        const auto takeValue = [&]() -> std::optional<std::string> {
            if (value) {
                return value;
            }
            if (i + 1 < args.size()) {
                return args[++i];
            }
            return std::nullopt;
        };
        const auto number = [&](const Range& range, auto& target) -> bool {
            const std::optional<std::string> text = takeValue();
            if (!text) {
                fail(std::string(range.name) + ": a value is missing");
                return false;
            }
            const std::optional<std::int64_t> parsed = WholeNumber(*text);
            if (!parsed) {
                fail(std::string(range.name) + ": '" + *text + "' is not a whole number");
                return false;
            }
            if (*parsed < range.low || *parsed > range.high) {
                fail(std::string(range.name) + ": " + *text + " is out of range " +
                     std::to_string(range.low) + " to " + std::to_string(range.high));
                return false;
            }
            target = static_cast<std::remove_reference_t<decltype(target)>>(*parsed);
            return true;
        };
        const auto flag = [&](bool& target) -> bool {
            if (value) {
                fail(option + ": takes no value");
                return false;
            }
            target = true;
            return true;
        };
        const auto file = [&](std::string& target) -> bool {
            // The next argument is an option rather than a name unless it is
            // "-" alone; "--csv=-x" or "./-x" names such a file.
            if (!value && i + 1 < args.size() && args[i + 1].size() > 1 && args[i + 1][0] == '-') {
                fail(option + ": a file name is missing ('" + args[i + 1] + "' is an option)");
                return false;
            }
            const std::optional<std::string> text = takeValue();
            if (!text || text->empty()) {
                fail(option + ": a file name is missing");
                return false;
            }
            target = *text;
            return true;
        };

        bool ok = true;
        if (option == "--poltax") {
            ok = number({"--poltax", 1, 100}, line.poltax);
        } else if (option == "--vimaxrono") {
            ok = number({"--vimaxrono", 1, 10}, line.vimaxrono);
        } else if (option == "--klimax") {
            ok = number({"--klimax", 1, 20}, line.klimax);
        } else if (option == "--ticks") {
            ok = number({"--ticks", 1, kMaxTicks}, line.ticks);
            run = true;
        } else if (option == "--force-components") {
            ok = flag(line.forceComponents);
        } else if (option == "--velocity-components") {
            ok = flag(line.velocityComponents);
        } else if (option == "--weight-reaction") {
            ok = flag(line.weightReaction);
        } else if (option == "--csv") {
            ok = file(line.csv);
            run = true;
        } else if (option == "--png") {
            ok = file(line.png);
            run = true;
        } else if (option == "--density") {
            ok = number({"--density", 1, 4}, line.density);
        } else if (option == "--size") {
            const std::optional<std::string> text = takeValue();
            const std::size_t x = text ? text->find('x') : std::string::npos;
            const auto w =
                text && x != std::string::npos ? WholeNumber(text->substr(0, x)) : std::nullopt;
            const auto h =
                text && x != std::string::npos ? WholeNumber(text->substr(x + 1)) : std::nullopt;
            if (!w || !h || *w < 1 || *w > 16384 || *h < 1 || *h > 16384) {
                return fail("--size: '" + text.value_or("") +
                            "' is not WIDTHxHEIGHT with each 1 to 16384 pixels");
            }
            line.width = static_cast<int>(*w);
            line.height = static_cast<int>(*h);
        } else {
            return fail("unknown option '" + args[i] + "' (try --help)");
        }
        if (!ok) {
            return line;
        }
    }
    if (line.csv.empty() && line.png.empty()) {
        return fail(run ? "--ticks: give --csv FILE and/or --png FILE to write the run"
                        : "nothing to write: give --csv FILE and/or --png FILE");
    }
    if (static_cast<std::int64_t>(line.width) * line.density > 16384 ||
        static_cast<std::int64_t>(line.height) * line.density > 16384) {
        return fail("--density: " + std::to_string(line.width) + "x" + std::to_string(line.height) +
                    " at density " + std::to_string(line.density) +
                    " would be more than 16384 pixels across");
    }
    // Both would go to one file and the second would replace the first.
    if (line.csv == line.png) {
        return fail("--csv and --png name the same file '" + line.csv + "'");
    }
    line.action = CommandLine::Action::Run;
    return line;
}

std::string UsageText() {
    return R"(Usage: zorva [OPTION]...
Mechanics on a curve: a body slides without friction up the isochrone.
With no option, opens the window. With --csv or --png, runs "Time on"
without a window, writes the files and exits.

  --poltax N               launch-speed bar, 1 to 100 (default 20);
                           10 is the speed that keeps the vertical speed constant
  --vimaxrono N            time-step bar, 1 to 10 (default 1): step N x 0.00005 s
  --klimax N               scale bar, 1 to 20 (default 1)
  --force-components       tick "Show components of force"
  --velocity-components    tick "Show components of Velocity"
  --weight-reaction        tick "Show weight and Reaction"
  --ticks N                run N ticks, 1 to 1000000 (default: until the body
                           stops at the summit, at most 1000000 ticks)
  --csv FILE               write the per-tick data (t, x, y, vx, vy, |v|, Fx,
                           Fy, N, R, StepCount) as CSV; - is standard output
  --png FILE               write the final picture as PNG
  --size WxH               picture size in pixels, each 1 to 16384 (default
                           1920x1080); it takes 4 bytes of memory per pixel
  --density N              draw the picture as a screen with N device pixels
                           to a pixel shows it, 1 to 4 (default 1): the PNG is
                           N times as wide and as high, and takes N x N times
                           the memory
  --help                   show this help and exit
  --version                show the version and exit
Each option is given at most once; --help and --version come alone.

Each file is written whole or not at all: a run that fails or is stopped
leaves every old file as it was, but for a disk error once a new one is in
place, which its message names. A FIFO or a device is written to, never
replaced.

Exit status: 0 done, 1 a file could not be written or the picture's memory
could not be had (then before the first tick), 2 bad usage.
)";
}

}  // namespace zorva
