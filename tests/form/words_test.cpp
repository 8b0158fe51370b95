#include "form/words.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "form/form.h"
#include "plot/null_surface.h"
#include "sim/state.h"

namespace zorva {
namespace {

struct Loaded {
    SimulationState state;
    NullSurface surface{800, 600, 15.0};
    Zerkan form{state, surface};
};

// The manual page as a reader sees its words: requests and fonts dropped,
// escapes spelt out, white space made single.
std::string ManualText() {
    std::ifstream in(ZORVA_MANUAL_PAGE);
    std::string text;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(".\\\"", 0) == 0) {
            continue;
        }
        if (!line.empty() && line[0] == '.') {
            const auto space = line.find(' ');
            line = space == std::string::npos ? "" : line.substr(space + 1);
        }
        text += line + ' ';
    }
    const std::pair<const char*, const char*> escapes[] = {
        {R"(\\f[BIR])", ""}, {R"(\\-)", "-"}, {R"(\\\(lq|\\\(rq)", "\""},
        {R"(\\\(mu)", "x"},  {R"(\\ )", " "}, {R"(\\[&|])", ""},
        {"\"", ""},          {R"(\s+)", " "}};
    for (const auto& [pattern, spelt] : escapes) {
        text = std::regex_replace(text, std::regex(pattern), spelt);
    }
    return text;
}

TEST(Words, TheManualPageSaysWhatTheWindowDoes) {
    Loaded loaded;
    const std::string manual = ManualText();
    ASSERT_GT(manual.size(), 1000U) << "no manual page at " << ZORVA_MANUAL_PAGE;
    for (const KeyHelpLine& line : KeyHelp(loaded.form, FrontEnd::Window)) {
        EXPECT_NE(manual.find(line.keys + " " + line.action + "."), std::string::npos)
            << line.keys << ": " << line.action;
    }
    for (const ControlWords& words : kControlWords) {
        EXPECT_NE(manual.find(std::string(words.name) + " " + std::string(words.description)),
                  std::string::npos)
            << words.name;
    }
}

TEST(Words, TabNamesTheControlsInTheFormsTabOrder) {
    Loaded loaded;
    const std::vector<KeyHelpLine> help = KeyHelp(loaded.form, FrontEnd::Window);
    const auto tab = std::find_if(help.begin(), help.end(),
                                  [](const KeyHelpLine& line) { return line.keys == "Tab"; });
    ASSERT_NE(tab, help.end());
    EXPECT_EQ(tab->action,
              "Move to the next control: Time on, STOP, step, Launch speed, CONTINUE, Time step, "
              "Scale, Show components of force, Show components of Velocity and Show weight and "
              "Reaction, in this order");
}

TEST(Words, EachFrontEndNamesItsOwnKeys) {
    EXPECT_EQ(Description(0, FrontEnd::Window),
              "Puts the body at its start point and starts the run. Shortcut F5.");
    EXPECT_EQ(Description(0, FrontEnd::Page),
              "Puts the body at its start point and starts the run. Shortcut F5 or T.");
    EXPECT_EQ(Description(kFirstBar, FrontEnd::Page), kControlWords[kFirstBar].description);
    Loaded loaded;
    const auto has = [&](FrontEnd end, const std::string& keys) {
        const std::vector<KeyHelpLine> help = KeyHelp(loaded.form, end);
        return std::any_of(help.begin(), help.end(),
                           [&](const KeyHelpLine& line) { return line.keys == keys; });
    };
    EXPECT_TRUE(has(FrontEnd::Window, "Ctrl+G"));
    EXPECT_TRUE(has(FrontEnd::Page, "Ctrl+E or P"));
    EXPECT_TRUE(has(FrontEnd::Page, "G or Ctrl+G"));
    EXPECT_FALSE(has(FrontEnd::Window, "Ctrl+E or P"));
}

}  // namespace
}  // namespace zorva
