// The window started as main starts it, on one screen given from outside
// (an offscreen screen of a chosen size and pixel ratio, with a frame round
// the window): every control shows its text whole, lies over no other and
// takes a click at its centre, whatever the readouts say, also in a window
// narrowed after start-up.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <algorithm>
#include <vector>

#include "ui/qt_window.h"

namespace zorva {
namespace {

// The room a caption's text takes in a widget's font.
int TextWidth(const QWidget* widget, const QString& text) {
    return widget->fontMetrics().horizontalAdvance(text);
}

// Every control shows its text whole and lies over no other. In a client area
// with room for them all, each takes a click at its centre, and with room
// for the design, it lies wholly inside.
void ExpectEveryControlUsable(QtWindow& window, const char* when) {
    SCOPED_TRACE(when);
    const QRect client = window.rect();
    std::vector<const QWidget*> shown;
    for (const Control* control : window.form().Controls()) {
        const QWidget* widget = window.widgetFor(*control);
        SCOPED_TRACE(control->Name());
        const QRect place = widget->geometry();
        // A control wider than the whole client area starts at its left edge.
        if (client.width() >= 800 && client.height() >= 500) {
            if (place.width() <= client.width()) {
                EXPECT_TRUE(client.contains(place)) << "at " << place.x() << "," << place.y();
            } else {
                EXPECT_EQ(place.x(), 0);
            }
        }
        const QPoint centre = place.center();
        const QWidget* hit = window.childAt(centre);
        if (client.width() >= 480 && client.height() >= 300) {
            EXPECT_TRUE(hit == widget || (hit != nullptr && widget->isAncestorOf(hit)))
                << "a click at " << centre.x() << "," << centre.y() << " reaches "
                << (hit != nullptr ? hit->objectName().toStdString() : "the drawing");
        }
        for (const QWidget* other : shown) {
            EXPECT_FALSE(place.intersects(other->geometry()))
                << "over " << other->objectName().toStdString();
        }
        shown.push_back(widget);
        if (const auto* label = qobject_cast<const QLabel*>(widget)) {
            EXPECT_GE(widget->width(), TextWidth(widget, label->text()));
        } else if (const auto* button = qobject_cast<const QPushButton*>(widget)) {
            EXPECT_GE(widget->width(), TextWidth(widget, button->text()));
        } else if (qobject_cast<const QCheckBox*>(widget) != nullptr) {
            EXPECT_GE(widget->width(), widget->sizeHint().width());
        }
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
    ExpectEveryControlUsable(window, "at start-up");

    Zerkan& form = window.form();
    form.POLTAX.SetValue(100);
    form.vimaxrono.SetValue(10);
    form.klimax.SetValue(20);
    ExpectEveryControlUsable(window, "with the longest readouts");
    EXPECT_TRUE(window.widgetFor(form.Label1)->property("text").toString().endsWith("0.89"));

    const QSize started = window.size();
    window.resize(std::min(started.width(), 980), started.height());
    ExpectEveryControlUsable(window, "narrowed to 980 pixels after start-up");
    window.resize(started / 2);
    ExpectEveryControlUsable(window, "in a window half the size");
}

}  // namespace
}  // namespace zorva
