#include "form/words.h"

#include <algorithm>
#include <utility>

#include "form/form.h"

namespace zorva {

const std::array<ControlWords, kControlCount> kControlWords{{
    {"Time on", "Puts the body at its start point and starts the run."},
    {"STOP",
     "Stops the run and sets the velocity to (-2, 1) m/s, twice the isochrone launch "
     "velocity: the next tick, by CONTINUE or step, starts from it."},
    {"step", "Runs one tick of the motion."},
    {"CONTINUE", "Goes on with a stopped run."},
    {"Launch speed",
     "Launch-speed factor times ten, 1 to 100; 10 keeps the vertical speed constant."},
    {"Time step", "Time step and timer interval for the next run, 1 to 10, in units of 0.00005 s."},
    {"Scale", "Drawing scale, 1 to 20; a larger value zooms out."},
    {"Launch speed readout",
     "The speed factor, the vertical force FY at the start point, the sine of the normal that "
     "keeps the vertical speed constant at this speed, and the normal's actual sine; written "
     "when the launch-speed bar moves."},
    {"Time step readout", "The time-step bar's value."},
    {"Scale readout", "The scale bar's value."},
    {"Show components of force", "Adds the force's horizontal and vertical components."},
    {"Show components of Velocity", "Adds the velocity's horizontal and vertical components."},
    {"Show weight and Reaction", "Adds the weight and the normal reaction."},
}};

const std::string_view kDrawingDescription =
    "The isochrone, a curve on which a body launched at the right speed keeps a constant "
    "vertical speed, with the body's trace, its velocity, the forces on it and its circle of "
    "curvature.";

const std::string_view kPageKeyNote =
    "Some browsers keep F5 (reload), Ctrl+G, Ctrl+E or Ctrl+D for themselves: the letter "
    "beside each works everywhere.";

namespace {

// The keys of each front end; a binding one front end lacks has no keys there.
struct KeyBinding {
    std::string_view windowKeys;
    std::string_view pageKeys;
    std::string_view action;
    /// The control the keys press, or kControlCount for none.
    std::size_t presses = kControlCount;
};

constexpr KeyBinding kBindings[] = {
    {"F5", "F5 or T", "Time on: start the run from the start point", 0},
    {"F6", "F6 or S", "STOP: stop the run", 1},
    {"F7", "F7 or N", "step: run one tick", 2},
    {"F8", "F8 or C", "CONTINUE: go on with a stopped run", 3},
    {"Ctrl+G", "G or Ctrl+G", "Show or hide the graphs of the run"},
    {"Ctrl+E", "Ctrl+E or P", "Save the drawing as PNG"},
    {"Ctrl+D", "Ctrl+D or D", "Save the run's data as CSV"},
    {"F1", "F1 or H", "Show this help"},
    {"Left, Up", "Left, Up", "Move the bar that has the focus one step down"},
    {"Right, Down", "Right, Down", "Move it one step up"},
    {"Page Up, Page Down", "Page Up, Page Down", "Move it a large step down or up"},
    {"Home, End", "Home, End", "Move it to its least or greatest value"},
    {"Space", "Space", "Press the button or tick the box that has the focus"},
};

std::string_view KeysIn(const KeyBinding& binding, FrontEnd frontEnd) {
    return frontEnd == FrontEnd::Window ? binding.windowKeys : binding.pageKeys;
}

}  // namespace

std::string Description(std::size_t control, FrontEnd frontEnd) {
    std::string text(kControlWords.at(control).description);
    for (const KeyBinding& binding : kBindings) {
        if (binding.presses == control && !KeysIn(binding, frontEnd).empty()) {
            text += " Shortcut ";
            text += KeysIn(binding, frontEnd);
            text += '.';
        }
    }
    return text;
}

std::vector<KeyHelpLine> KeyHelp(const Zerkan& form, FrontEnd frontEnd) {
    std::vector<KeyHelpLine> lines;
    for (const KeyBinding& binding : kBindings) {
        const std::string_view keys = KeysIn(binding, frontEnd);
        if (!keys.empty()) {
            lines.push_back({std::string(keys), std::string(binding.action)});
        }
    }
    // Tab follows the controls' tab indices; the readouts take no focus.
    const auto controls = form.Controls();
    std::vector<std::pair<int, std::size_t>> order;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const bool readout = i >= kFirstReadout && i < kFirstBox;
        if (!readout && controls[i]->TabIndex() >= 0) {
            order.emplace_back(controls[i]->TabIndex(), i);
        }
    }
    std::sort(order.begin(), order.end());
    std::string tab = "Move to the next control: ";
    for (std::size_t k = 0; k < order.size(); ++k) {
        tab += k == 0 ? "" : k + 1 == order.size() ? " and " : ", ";
        tab += kControlWords[order[k].second].name;
    }
    tab += ", in this order";
    const auto help = std::find_if(lines.begin(), lines.end(), [](const KeyHelpLine& line) {
        return line.action == "Show this help";
    });
    lines.insert(help + 1, {"Tab", tab});
    return lines;
}

}  // namespace zorva
