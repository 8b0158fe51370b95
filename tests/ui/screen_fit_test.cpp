// The window started as main starts it, on one screen given from outside
// (an offscreen screen of a chosen size and pixel ratio, with a frame round
// the window): every control lies inside the client area and shows its text
// whole, whatever the readouts say.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>

#include "ui/qt_window.h"

namespace zorva {
namespace {

// The room a caption's text takes in a widget's font.
int TextWidth(const QWidget* widget, const QString& text) {
    return widget->fontMetrics().horizontalAdvance(text);
}

void ExpectEveryControlWholeAndInside(QtWindow& window, const char* when) {
    SCOPED_TRACE(when);
    const QRect client = window.rect();
    const Zerkan& f = window.form();
    for (const Control* control : std::initializer_list<const Control*>{
             &f.Command1, &f.Command2, &f.Command3, &f.Command4, &f.POLTAX, &f.vimaxrono, &f.klimax,
             &f.Label1, &f.Label2, &f.Label3, &f.Check1, &f.Check2, &f.Check3}) {
        const QWidget* widget = window.widgetFor(*control);
        SCOPED_TRACE(control->Name());
        // A control wider than the whole client area starts at its left edge.
        if (widget->width() <= client.width()) {
            EXPECT_TRUE(client.contains(widget->geometry()))
                << "at " << widget->x() << "," << widget->y();
        } else {
            EXPECT_EQ(widget->x(), 0);
        }
        if (const auto* label = qobject_cast<const QLabel*>(widget)) {
            EXPECT_GE(widget->width(), TextWidth(widget, label->text()));
        } else if (const auto* button = qobject_cast<const QPushButton*>(widget)) {
            EXPECT_GE(widget->width(), TextWidth(widget, button->text()));
        } else if (qobject_cast<const QCheckBox*>(widget) != nullptr) {
            EXPECT_GE(widget->width(), widget->sizeHint().width());
        }
    }
    // The buttons stay one row, none over another.
    const QRect row[] = {
        window.widgetFor(f.Command1)->geometry(), window.widgetFor(f.Command2)->geometry(),
        window.widgetFor(f.Command4)->geometry(), window.widgetFor(f.Command3)->geometry()};
    for (std::size_t i = 1; i < std::size(row); ++i) {
        EXPECT_GE(row[i].left(), row[i - 1].right() + 1) << "button " << i;
    }
}

TEST(ScreenFit, TheOuterSizeIsTheScreenAndEveryControlShowsWhole) {
    SimulationState state;
    QtWindow window(state);
    window.form().Main(window);
    const QRect screen = window.screen()->geometry();
    EXPECT_EQ(window.frameGeometry().size(), screen.size());
    EXPECT_LT(window.width(), screen.width()) << "the test screen puts a frame round windows";
    // The frame's proportions are read from the client area, not the screen.
    EXPECT_DOUBLE_EQ(state.BaseWidth,
                     0.2 * window.width() / static_cast<double>(window.width() + window.height()));
    ExpectEveryControlWholeAndInside(window, "at start-up");

    Zerkan& form = window.form();
    form.POLTAX.SetValue(100);
    form.vimaxrono.SetValue(10);
    form.klimax.SetValue(20);
    ExpectEveryControlWholeAndInside(window, "with the longest readouts");
    EXPECT_TRUE(window.widgetFor(form.Label1)->property("text").toString().endsWith("0.89"));

    window.resize(window.width() / 2, window.height() / 2);
    ExpectEveryControlWholeAndInside(window, "in a window half the size");
}

}  // namespace
}  // namespace zorva
