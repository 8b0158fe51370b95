// The page's entry points. The page script starts a page with zorva_start,
// hands that page to every other entry point and frees it with zorva_stop.
// Controls are numbered as LayOutControls numbers them (form/layout.h): 0–3
// the buttons, 4–6 the bars, 7–9 the readouts, 10–12 the boxes.
#include <emscripten/emscripten.h>

#include <algorithm>
#include <array>
#include <sstream>
#include <string>
#include <vector>

#include "canvas/pixel_surface.h"
#include "form/export.h"
#include "form/fixed_screen.h"
#include "form/form.h"
#include "form/graph_looks.h"
#include "form/layout.h"
#include "form/pacer.h"
#include "form/words.h"
#include "sim/state.h"
#include "web/page_graphs.h"
#include "web/web_surface.h"

namespace {

using namespace zorva;

// 96 dots per inch: a CSS pixel is a ninety-sixth of an inch.
constexpr double kTwipsPerPixel = 15.0;

// One page: the state, the drawing and the window's form, with what the
// script reads back from it.
struct Page {
    PageTextPainter text;
    HeapMemory memory;
    SimulationState state;
    PixelSurface surface;
    Zerkan form;
    RunTimer runTimer;
    std::array<NeededSize, kControlCount> needed{};
    /// Places as 13 × (left, top, width, height), then the boxes' 3 × 4.
    std::array<int, (kControlCount + 3) * 4> places{};
    std::vector<int> textBoxes;
    std::vector<int> changedBoxes;
    /// The last text handed to the script.
    std::string handedOut;
    bool viewChanged = true;
    /// The run's graphs, fed by the form's hooks.
    PageGraphs graphs{form};

    Page(int widthPx, int heightPx, double ratio)
        : surface(widthPx, heightPx, kTwipsPerPixel, PixelOrder::Xbgr, memory, text, ratio),
          form(state, surface),
          runTimer(form.Timer1, [] { return emscripten_get_now(); }) {
        for (Control* control : form.Controls()) {
            control->viewChanged = [this] { viewChanged = true; };
        }
        runTimer.changed = [this] { viewChanged = true; };
        FixedScreen screen(surface, widthPx, heightPx);
        form.Main(screen);
    }
};

Control* ControlAt(Page* page, int index) {
    return index >= 0 && index < static_cast<int>(kControlCount) ? page->form.Controls()[index]
                                                                 : nullptr;
}

ScrollBar* Bar(Page* page, int index) {
    return index >= static_cast<int>(kFirstBar) && index < static_cast<int>(kFirstReadout)
               ? static_cast<ScrollBar*>(ControlAt(page, index))
               : nullptr;
}

CheckBox* Box(Page* page, int index) {
    return index >= static_cast<int>(kFirstBox) && index < static_cast<int>(kControlCount)
               ? static_cast<CheckBox*>(ControlAt(page, index))
               : nullptr;
}

const char* Keep(Page* page, std::string text) {
    page->handedOut = std::move(text);
    return page->handedOut.c_str();
}

}  // namespace

extern "C" {

/// Loads the window on a drawing area of widthPx × heightPx CSS pixels, drawn
/// at ratio device pixels a CSS pixel (the screen's density), and runs its
/// start-up; the page until zorva_stop.
EMSCRIPTEN_KEEPALIVE Page* zorva_start(int widthPx, int heightPx, double ratio) {
    return new Page(std::max(widthPx, 1), std::max(heightPx, 1), ratio);
}

EMSCRIPTEN_KEEPALIVE void zorva_stop(Page* page) {
    delete page;
}

/// The viewport changed size (CSS pixels ≥ 1).
EMSCRIPTEN_KEEPALIVE void zorva_resize(Page* page, int widthPx, int heightPx) {
    page->surface.Resize(std::max(widthPx, 1), std::max(heightPx, 1));
}

/// Presses button 0 to 3.
EMSCRIPTEN_KEEPALIVE void zorva_press(Page* page, int index) {
    if (index >= 0 && index < static_cast<int>(kFirstBar)) {
        static_cast<Button*>(ControlAt(page, index))->Press();
    }
}

/// Sets bar 4 to 6, clamped to its range.
EMSCRIPTEN_KEEPALIVE void zorva_set_bar(Page* page, int index, int value) {
    if (ScrollBar* bar = Bar(page, index)) {
        bar->SetValue(value);
    }
}

/// What of bar 4 to 6: 0 Min, 1 Max, 2 SmallChange, 3 LargeChange, 4 Value.
EMSCRIPTEN_KEEPALIVE int zorva_bar(Page* page, int index, int what) {
    const ScrollBar* bar = Bar(page, index);
    if (bar == nullptr || what < 0 || what > 4) {
        return 0;
    }
    const int values[] = {bar->Min(), bar->Max(), bar->SmallChange(), bar->LargeChange(),
                          bar->Value()};
    return values[what];
}

/// Ticks (1) or clears (0) box 10 to 12.
EMSCRIPTEN_KEEPALIVE void zorva_set_box(Page* page, int index, int value) {
    if (CheckBox* box = Box(page, index)) {
        box->SetValue(value);
    }
}

EMSCRIPTEN_KEEPALIVE int zorva_box(Page* page, int index) {
    const CheckBox* box = Box(page, index);
    return box != nullptr ? box->Value() : 0;
}

/// A mouse button (1 left, 2 right, 4 middle) pressed on the drawing at a CSS pixel.
EMSCRIPTEN_KEEPALIVE void zorva_mouse_down(Page* page, double xPx, double yPx, int button) {
    const WorldPoint world = page->surface.Frame().toWorld({xPx, yPx});
    page->form.MouseDown(button, 0, static_cast<float>(world.x), static_cast<float>(world.y));
}

/// An animation frame: raises the run timer's events that fell due; returns how many.
EMSCRIPTEN_KEEPALIVE int zorva_frame(Page* page) {
    return static_cast<int>(page->runTimer.wake());
}

/// Raises up to count timer events at once, as a run without a window does;
/// with restart, "Time on" is pressed whenever the run has stopped. Returns
/// how many were raised.
EMSCRIPTEN_KEEPALIVE int zorva_run_ticks(Page* page, int count, int restart) {
    int delivered = 0;
    for (; delivered < count; ++delivered) {
        if (!page->form.Timer1.Active()) {
            if (restart == 0) {
                break;
            }
            page->form.Command1.Press();
        }
        page->form.Timer1.Elapse();
    }
    return delivered;
}

/// Keeps no run's data: for a page that only warms the code up.
EMSCRIPTEN_KEEPALIVE void zorva_keep_no_data(Page* page) {
    page->form.SetLogCapacity(0);
}

EMSCRIPTEN_KEEPALIVE const std::uint32_t* zorva_pixels(Page* page) {
    return page->surface.image().pixels;
}
EMSCRIPTEN_KEEPALIVE int zorva_image_width(Page* page) {
    return page->surface.image().width;
}
EMSCRIPTEN_KEEPALIVE int zorva_image_height(Page* page) {
    return page->surface.image().height;
}

/// The boxes of the drawing that changed since the last call, as count
/// followed by count × (left, top, width, height) pixels, band by band of 16
/// rows from the top and left to right within a band; forgets them. Valid
/// until the next call.
EMSCRIPTEN_KEEPALIVE const int* zorva_take_changed_boxes(Page* page) {
    const std::vector<PixelBox>& boxes = page->surface.takeChangedBoxes();
    page->changedBoxes.assign(1, static_cast<int>(boxes.size()));
    for (const PixelBox& box : boxes) {
        page->changedBoxes.insert(page->changedBoxes.end(),
                                  {box.left, box.top, box.width, box.height});
    }
    return page->changedBoxes.data();
}

/// Whether a control's caption, value or place or the timer changed since the last call.
EMSCRIPTEN_KEEPALIVE int zorva_take_view_changed(Page* page) {
    const bool changed = page->viewChanged;
    page->viewChanged = false;
    return changed ? 1 : 0;
}

/// A control's text: 0 its name in the form, 1 its caption, 2 its accessible
/// name, 3 its description with the page's keys. Valid until the next call.
EMSCRIPTEN_KEEPALIVE const char* zorva_control_text(Page* page, int index, int what) {
    const Control* control = ControlAt(page, index);
    if (control == nullptr) {
        return "";
    }
    switch (what) {
        case 0:
            return control->Name().c_str();
        case 1:
            return control->Caption().c_str();
        case 2:
            return Keep(page, std::string(kControlWords[index].name));
        default:
            return Keep(page, Description(static_cast<std::size_t>(index), FrontEnd::Page));
    }
}

EMSCRIPTEN_KEEPALIVE int zorva_control_tab_index(Page* page, int index) {
    const Control* control = ControlAt(page, index);
    return control != nullptr ? control->TabIndex() : -1;
}

/// The page's key help, a line per key as keys, a tab and the action; then
/// the note on keys a browser keeps, then the drawing's description, each
/// on a line of its own.
EMSCRIPTEN_KEEPALIVE const char* zorva_help_text(Page* page) {
    std::string text;
    for (const KeyHelpLine& line : KeyHelp(page->form, FrontEnd::Page)) {
        text += line.keys + '\t' + line.action + '\n';
    }
    text += std::string(kPageKeyNote) + '\n' + std::string(kDrawingDescription) + '\n';
    return Keep(page, std::move(text));
}

/// How wide the window's design is, in CSS pixels: the right edge of its
/// widest row of controls.
EMSCRIPTEN_KEEPALIVE int zorva_design_width(Page* page) {
    double right = 0.0;
    for (const Control* control : page->form.Controls()) {
        right = std::max(right, control->Rect().left + control->Rect().width);
    }
    return static_cast<int>(right / kTwipsPerPixel);
}

/// What a saved CSV holds of a run the page kept only in part ("the first
/// 10,000 ticks only; …"), or "" when it holds the whole run.
EMSCRIPTEN_KEEPALIVE const char* zorva_csv_note(Page* page) {
    return Keep(page, CsvCutNote(page->form.Log()));
}

/// How the graphs look and what they are called, as JSON (GraphLooksJson).
EMSCRIPTEN_KEEPALIVE const char* zorva_graph_looks(Page* page) {
    return Keep(page, GraphLooksJson());
}

/// The room control index needs for its text, in CSS pixels.
EMSCRIPTEN_KEEPALIVE void zorva_set_needed(Page* page, int index, int widthPx, int heightPx) {
    if (ControlAt(page, index) != nullptr) {
        page->needed[index] = {widthPx, heightPx};
    }
}

/// Places every control in a client area of the given size; returns their
/// places as 13 × (left, top, width, height) CSS pixels, then the three
/// check boxes' own 3 × (left, top, width, height).
EMSCRIPTEN_KEEPALIVE const int* zorva_place_controls(Page* page, int clientWidth,
                                                     int clientHeight) {
    const ShownControls shown =
        LayOutControls(page->form, kTwipsPerPixel, page->needed, clientWidth, clientHeight);
    std::size_t at = 0;
    const auto put = [&](const PixelRect& r) {
        for (const int value : {r.left, r.top, r.width, r.height}) {
            page->places[at++] = value;
        }
    };
    std::for_each(shown.place.begin(), shown.place.end(), put);
    std::for_each(shown.box.begin(), shown.box.end(), put);
    return page->places.data();
}

/// The test hook's view of the run: 0 PosX, 1 PosY, 2 VelX, 3 VelY (SI units),
/// 4 StepCount, 5 timer active (0/1), 6 failed events, 7 logged ticks.
EMSCRIPTEN_KEEPALIVE double zorva_state(Page* page, int what) {
    const SimulationState& s = page->state;
    const double values[] = {s.PosX,
                             s.PosY,
                             s.VelX,
                             s.VelY,
                             static_cast<double>(s.StepCount),
                             page->form.Timer1.Active() ? 1.0 : 0.0,
                             static_cast<double>(page->form.FailureCount()),
                             static_cast<double>(page->form.Log().rows().size())};
    return what >= 0 && what < 8 ? values[what] : 0.0;
}

/// The run's data as the desktop saves it (UTF-8); valid until the next call.
EMSCRIPTEN_KEEPALIVE const char* zorva_csv(Page* page) {
    std::ostringstream out;
    WriteRunCsv(out, page->form.Log());
    return Keep(page, out.str());
}

/// The boxes the labels printed since the drawing was last cleared may have
/// changed, as count followed by count × (left, top, width, height) pixels.
EMSCRIPTEN_KEEPALIVE const int* zorva_text_boxes(Page* page) {
    const std::vector<PixelBox>& boxes = page->surface.textBoxes();
    page->textBoxes.assign(1, static_cast<int>(boxes.size()));
    for (const PixelBox& box : boxes) {
        page->textBoxes.insert(page->textBoxes.end(), {box.left, box.top, box.width, box.height});
    }
    return page->textBoxes.data();
}

}  // extern "C"

// --- The graphs ---------------------------------------------------------------
// What the page's graphs read from the page's GraphModel: the same model the
// desktop's graph window draws, fed by the same hooks.
extern "C" {

/// Whether a run started or a tick was drawn since the last call (0/1).
EMSCRIPTEN_KEEPALIVE int zorva_graphs_take_changed(Page* page) {
    return page->graphs.takeChanged() ? 1 : 0;
}

/// Run started, previous run (0/1), the launch's vy (m/s), samples, then the
/// time, velocity and height axes as min, max, step, decimals; valid until
/// the next call of a graphs entry point.
EMSCRIPTEN_KEEPALIVE const double* zorva_graphs_frame(Page* page) {
    return page->graphs.frame();
}

/// Run 0 the current, 1 the previous run's trace of quantity 0 vy, 1 vx,
/// 2 |v|, 3 y; run 2 the reference line; as count, then count × (t, value).
/// Valid until the next call of a graphs entry point.
EMSCRIPTEN_KEEPALIVE const double* zorva_graphs_trace(Page* page, int run, int quantity) {
    return page->graphs.trace(run, quantity);
}

}  // extern "C"
