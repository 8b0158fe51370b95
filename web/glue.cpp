// The page's entry points: the form's events, the run timer's pace, the
// controls' places and texts, the image, and what the tests read. Every
// function is called from the page script; controls are numbered
// as in Page::controls (0–3 the buttons, 4–6 the bars, 7–9 the readouts, 10–12 the boxes).
#include <emscripten/emscripten.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "form/controls.h"
#include "form/export.h"
#include "form/fixed_screen.h"
#include "form/form.h"
#include "sim/state.h"
#include "web/web_surface.h"

namespace {

using namespace zorva;

// 96 dots per inch: a CSS pixel is a ninety-sixth of an inch.
constexpr double kTwipsPerPixel = 15.0;
// Most late ticks one timeout of the run timer delivers: the desktop's cap.
constexpr long long kMostTicksPerTimeout = 4;
// The page gets control once an animation frame rather than once an
// interval. A frame up to this long delivers every interval it spans, as the
// desktop's timeouts over the same time would; a longer stall (a hidden tab,
// a busy machine) is made up only by kMostTicksPerTimeout more.
constexpr double kLongestFrameMs = 50.0;

// The browser's text rasteriser, through the page script.
EM_JS(double, PageLineHeight, (), { return Module["zorvaText"].lineHeight(); });
EM_JS(int, PageRasterise, (const char* text, int length, int bold),
      { return Module["zorvaText"].rasterise(UTF8ToString(text, length), bold > 0); });
EM_JS(int, PageCoverageWidth, (), { return Module["zorvaText"].last.width; });
EM_JS(int, PageCoverageHeight, (), { return Module["zorvaText"].last.height; });
EM_JS(int, PageCoverageOrigin, (), { return Module["zorvaText"].last.originX; });
EM_JS(void, PageCopyCoverage, (unsigned char* to),
      { HEAPU8.set(Module["zorvaText"].last.alpha, to); });

class PageText : public TextRasteriser {
  public:
    TextCoverage rasterise(std::string_view text, bool bold) override {
        TextCoverage coverage;
        if (PageRasterise(text.data(), static_cast<int>(text.size()), bold ? 1 : 0) == 0) {
            return coverage;
        }
        coverage.width = PageCoverageWidth();
        coverage.height = PageCoverageHeight();
        coverage.originX = PageCoverageOrigin();
        coverage.alpha.resize(static_cast<std::size_t>(coverage.width) *
                              static_cast<std::size_t>(coverage.height));
        PageCopyCoverage(coverage.alpha.data());
        return coverage;
    }
    double lineHeightPx() const override { return PageLineHeight(); }
};

struct Page {
    PageText text;
    SimulationState state;
    WebSurface surface;
    Zerkan form;
    std::array<Control*, 13> controls;
    std::array<PixelRect, 13> shown{};
    std::array<std::pair<int, int>, 13> needed{};
    bool viewChanged = true;
    // The run timer's clock: when it was last started and the ticks since.
    bool running = false;
    int runningInterval = 0;
    double clockStartMs = 0.0;
    long long ticksDelivered = 0;
    std::string csv;

    Page(int widthPx, int heightPx)
        : surface(widthPx, heightPx, kTwipsPerPixel, text),
          form(state, surface),
          controls{&form.Command1,  &form.Command2, &form.Command3, &form.Command4, &form.POLTAX,
                   &form.vimaxrono, &form.klimax,   &form.Label1,   &form.Label2,   &form.Label3,
                   &form.Check1,    &form.Check2,   &form.Check3} {
        for (Control* control : controls) {
            control->viewChanged = [this] { viewChanged = true; };
        }
        form.Timer1.viewChanged = [this] { timerChanged(); };
    }

    void timerChanged() {
        const Timer& timer = form.Timer1;
        if (!timer.Active()) {
            running = false;
        } else if (!running || runningInterval != timer.Interval()) {
            running = true;
            runningInterval = timer.Interval();
            clockStartMs = emscripten_get_now();
            ticksDelivered = 0;
        }
        viewChanged = true;
    }

    int runDueTicks(double nowMs) {
        if (!running || runningInterval <= 0) {
            return 0;
        }
        const auto due = static_cast<long long>((nowMs - clockStartMs) / runningInterval);
        const long long cap = static_cast<long long>(std::ceil(kLongestFrameMs / runningInterval)) +
                              kMostTicksPerTimeout;
        const long long owed = std::clamp(due - ticksDelivered, 0LL, cap);
        int delivered = 0;
        for (long long i = 0; i < owed && form.Timer1.Active(); ++i) {
            form.Timer1.Elapse();
            ++ticksDelivered;
            ++delivered;
        }
        ticksDelivered = std::max(ticksDelivered, due - kMostTicksPerTimeout);
        return delivered;
    }

    PixelRect placed(const Control& control) const {
        const TwipsRect& r = control.Rect();
        const auto px = [](double twips) {
            return static_cast<int>(std::lround(twips / kTwipsPerPixel));
        };
        return {px(r.left), px(r.top), px(r.width), px(r.height)};
    }

    // The desktop window's placement, with the page's client area.
    void placeControls(int clientWidth, int clientHeight) {
        std::vector<int> row = {0, 1, 2, 3};
        std::stable_sort(row.begin(), row.end(), [this](int a, int b) {
            return controls[a]->Rect().left < controls[b]->Rect().left;
        });
        std::vector<PixelRect> rowPlaces;
        std::vector<std::pair<int, int>> rowNeeds;
        for (const int i : row) {
            rowPlaces.push_back(placed(*controls[i]));
            rowNeeds.emplace_back(needed[i].first, 0);
        }
        const std::vector<PixelRect> rowShown =
            ShownRow(rowPlaces, rowNeeds, clientWidth, clientHeight);
        for (std::size_t k = 0; k < row.size(); ++k) {
            shown[row[k]] = rowShown[k];
        }
        for (int i = 4; i < 7; ++i) {
            shown[i] = ShownPlace(placed(*controls[i]), 0, 0, clientWidth, clientHeight);
        }
        for (int i = 7; i < 13; ++i) {
            shown[i] = ShownPlace(placed(*controls[i]), needed[i].first, needed[i].second,
                                  clientWidth, clientHeight);
        }
    }
};

std::unique_ptr<Page> page;

// The browser compiles the module's code with a quick compiler first and
// optimises a function only once it has run often: the first ticks of the
// first run cost some twenty times what later ones do, enough to lose the
// first quarter second of a run. A hidden window run through some ticks
// after the page is shown makes the tick's code ready before the user's
// first "Time on".
constexpr int kWarmUpWidthPx = 640;
constexpr int kWarmUpHeightPx = 400;
constexpr int kWarmUpTicks = 600;
std::unique_ptr<Page> warmUp;
int warmUpTicksLeft = kWarmUpTicks;

ScrollBar* Bar(int index) {
    ScrollBar* bars[] = {&page->form.POLTAX, &page->form.vimaxrono, &page->form.klimax};
    return index >= 0 && index < 3 ? bars[index] : nullptr;
}

CheckBox* Box(int index) {
    CheckBox* boxes[] = {&page->form.Check1, &page->form.Check2, &page->form.Check3};
    return index >= 0 && index < 3 ? boxes[index] : nullptr;
}

Control* ControlAt(int index) {
    return page && index >= 0 && index < 13 ? page->controls[index] : nullptr;
}

}  // namespace

extern "C" {

/// Loads the window on a viewport of widthPx × heightPx CSS pixels and runs its start-up.
EMSCRIPTEN_KEEPALIVE void zorva_start(int widthPx, int heightPx) {
    page = std::make_unique<Page>(std::max(widthPx, 1), std::max(heightPx, 1));
    FixedScreen screen(page->surface, std::max(widthPx, 1), std::max(heightPx, 1));
    page->form.Main(screen);
}

/// The viewport changed size (CSS pixels ≥ 1).
EMSCRIPTEN_KEEPALIVE void zorva_resize(int widthPx, int heightPx) {
    page->surface.Resize(std::max(widthPx, 1), std::max(heightPx, 1));
}

/// Presses button 0 to 3 (Command1 to Command4).
EMSCRIPTEN_KEEPALIVE void zorva_press(int index) {
    if (const auto* button = dynamic_cast<Button*>(ControlAt(index))) {
        button->Press();
    }
}

/// Sets bar 0 to 2 (POLTAX, vimaxrono, klimax); clamped to its range.
EMSCRIPTEN_KEEPALIVE void zorva_set_bar(int index, int value) {
    if (ScrollBar* bar = Bar(index)) {
        bar->SetValue(value);
    }
}

/// What of bar 0 to 2: 0 Min, 1 Max, 2 SmallChange, 3 LargeChange, 4 Value.
EMSCRIPTEN_KEEPALIVE int zorva_bar(int index, int what) {
    const ScrollBar* bar = Bar(index);
    if (bar == nullptr) {
        return 0;
    }
    const int values[] = {bar->Min(), bar->Max(), bar->SmallChange(), bar->LargeChange(),
                          bar->Value()};
    return what >= 0 && what < 5 ? values[what] : 0;
}

/// Ticks (1) or clears (0) box 0 to 2 (Check1 to Check3).
EMSCRIPTEN_KEEPALIVE void zorva_set_box(int index, int value) {
    if (CheckBox* box = Box(index)) {
        box->SetValue(value);
    }
}

EMSCRIPTEN_KEEPALIVE int zorva_box(int index) {
    const CheckBox* box = Box(index);
    return box != nullptr ? box->Value() : 0;
}

/// A mouse button (1 left, 2 right, 4 middle) pressed on the drawing at a pixel.
EMSCRIPTEN_KEEPALIVE void zorva_mouse_down(double xPx, double yPx, int button) {
    const WorldPoint world = page->surface.Frame().toWorld({xPx, yPx});
    page->form.MouseDown(button, 0, static_cast<float>(world.x), static_cast<float>(world.y));
}

/// An animation frame at nowMs (the page's clock): delivers the run timer's
/// due ticks and returns how many.
EMSCRIPTEN_KEEPALIVE int zorva_frame(double nowMs) {
    return page->runDueTicks(nowMs);
}

/// Runs up to count ticks of the hidden warm-up window; returns how many are
/// left to run (0 once it is done and gone).
EMSCRIPTEN_KEEPALIVE int zorva_warm_up(int count) {
    if (warmUpTicksLeft <= 0) {
        return 0;
    }
    if (!warmUp) {
        warmUp = std::make_unique<Page>(kWarmUpWidthPx, kWarmUpHeightPx);
        FixedScreen screen(warmUp->surface, kWarmUpWidthPx, kWarmUpHeightPx);
        warmUp->form.Main(screen);
        warmUp->form.SetLogCapacity(0);
        for (CheckBox* box : {&warmUp->form.Check1, &warmUp->form.Check2, &warmUp->form.Check3}) {
            box->SetValue(1);
        }
    }
    Zerkan& form = warmUp->form;
    for (int i = 0; i < count && warmUpTicksLeft > 0; ++i, --warmUpTicksLeft) {
        if (!form.Timer1.Active()) {
            form.Command1.Press();
        }
        form.Timer1.Elapse();
    }
    if (warmUpTicksLeft <= 0) {
        warmUp.reset();
    }
    return warmUpTicksLeft;
}

/// Delivers up to count timer events at once, as a headless run does; returns how many.
EMSCRIPTEN_KEEPALIVE int zorva_run_ticks(int count) {
    int delivered = 0;
    for (; delivered < count && page->form.Timer1.Active(); ++delivered) {
        page->form.Timer1.Elapse();
    }
    return delivered;
}

EMSCRIPTEN_KEEPALIVE const std::uint32_t* zorva_pixels() {
    return page->surface.pixels();
}
EMSCRIPTEN_KEEPALIVE int zorva_image_width() {
    return page->surface.imageWidth();
}
EMSCRIPTEN_KEEPALIVE int zorva_image_height() {
    return page->surface.imageHeight();
}

/// The rows that changed since the last call, as top × 65536 + bottom
/// (top ≥ bottom when none); forgets them.
EMSCRIPTEN_KEEPALIVE double zorva_take_changed_rows() {
    const WebSurface::RowSpan span = page->surface.takeChangedRows();
    return span.top * 65536.0 + span.bottom;
}

/// Whether a control's caption, value or place or the timer changed since the last call.
EMSCRIPTEN_KEEPALIVE int zorva_take_view_changed() {
    const bool changed = page->viewChanged;
    page->viewChanged = false;
    return changed ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE const char* zorva_control_name(int index) {
    const Control* control = ControlAt(index);
    return control != nullptr ? control->Name().c_str() : "";
}
EMSCRIPTEN_KEEPALIVE const char* zorva_control_caption(int index) {
    const Control* control = ControlAt(index);
    return control != nullptr ? control->Caption().c_str() : "";
}
EMSCRIPTEN_KEEPALIVE int zorva_control_tab_index(int index) {
    const Control* control = ControlAt(index);
    return control != nullptr ? control->TabIndex() : -1;
}

/// The room control index needs for its text, in CSS pixels.
EMSCRIPTEN_KEEPALIVE void zorva_set_needed(int index, int widthPx, int heightPx) {
    if (ControlAt(index) != nullptr) {
        page->needed[index] = {widthPx, heightPx};
    }
}

/// Places every control in a client area of the given size; returns their
/// places as 13 × (left, top, width, height) CSS pixels.
EMSCRIPTEN_KEEPALIVE const int* zorva_place_controls(int clientWidth, int clientHeight) {
    static std::array<int, 52> places{};
    page->placeControls(clientWidth, clientHeight);
    for (std::size_t i = 0; i < 13; ++i) {
        const PixelRect& r = page->shown[i];
        places[i * 4] = r.left;
        places[i * 4 + 1] = r.top;
        places[i * 4 + 2] = r.width;
        places[i * 4 + 3] = r.height;
    }
    return places.data();
}

/// The test hook's view of the run: 0 PosX, 1 PosY, 2 VelX, 3 VelY (SI units),
/// 4 StepCount, 5 timer active (0/1), 6 failed events, 7 logged ticks.
EMSCRIPTEN_KEEPALIVE double zorva_state(int what) {
    const SimulationState& s = page->state;
    switch (what) {
        case 0:
            return s.PosX;
        case 1:
            return s.PosY;
        case 2:
            return s.VelX;
        case 3:
            return s.VelY;
        case 4:
            return static_cast<double>(s.StepCount);
        case 5:
            return page->form.Timer1.Active() ? 1.0 : 0.0;
        case 6:
            return page->form.FailureCount();
        case 7:
            return static_cast<double>(page->form.Log().rows().size());
        default:
            return 0.0;
    }
}

/// The run's data as the desktop saves it (UTF-8, NUL-terminated); valid
/// until the next call.
EMSCRIPTEN_KEEPALIVE const char* zorva_csv() {
    std::ostringstream out;
    WriteRunCsv(out, page->form.Log());
    page->csv = out.str();
    return page->csv.c_str();
}

/// The boxes of the labels printed since the drawing was last cleared, as
/// count followed by count × (left, top, width, height) pixels.
EMSCRIPTEN_KEEPALIVE const int* zorva_text_boxes() {
    static std::vector<int> flat;
    const std::vector<TextBox>& boxes = page->surface.textBoxes();
    flat.assign(1, static_cast<int>(boxes.size()));
    for (const TextBox& box : boxes) {
        flat.insert(flat.end(), {box.left, box.top, box.width, box.height});
    }
    return flat.data();
}

}  // extern "C"
