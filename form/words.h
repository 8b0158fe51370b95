// The program's words for people and screen readers: what each control is
// called and does, and which keys do what. The window, the page and their
// help read them from here, and the manual page says the same.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "form/layout.h"

namespace zorva {

class Zerkan;

/// Which front end the words are for: their keys differ.
enum class FrontEnd { Window, Page };

/// A control's accessible name and what it does, in one sentence.
struct ControlWords {
    std::string_view name;
    std::string_view description;
};

/// By the control order of form/layout.h.
extern const std::array<ControlWords, kControlCount> kControlWords;

/// The description of control (an index of form/layout.h's order) in that
/// front end, with the key that presses it where there is one.
std::string Description(std::size_t control, FrontEnd frontEnd);

/// What the whole drawing shows, for a screen reader.
extern const std::string_view kDrawingDescription;

/// One line of the key help.
struct KeyHelpLine {
    std::string keys;
    std::string action;
};

/// The key help of that front end, in order; the Tab line names the
/// controls in form's own Tab order.
std::vector<KeyHelpLine> KeyHelp(const Zerkan& form, FrontEnd frontEnd);

/// A note under the page's key help, on keys a browser may keep.
extern const std::string_view kPageKeyNote;

}  // namespace zorva
