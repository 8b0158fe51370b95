#include "ui/headless.h"

#include <QFont>
#include <QGuiApplication>
#include <QImage>

#include "sim/state.h"
#include "ui/fixed_screen.h"
#include "ui/form.h"
#include "ui/qt_export.h"
#include "ui/qt_surface.h"

namespace zorva {
namespace {

constexpr double kTwipsPerPixel = 15.0;  // 96 dots per inch

}  // namespace

int RunHeadless(const CommandLine& line, std::ostream& err) {
    SimulationState state;
    QtSurface surface(line.width, line.height, kTwipsPerPixel);
    surface.setFont(QGuiApplication::font());
    Zerkan form(state, surface);
    form.SetFailureReport(&err);
    FixedScreen host(surface, line.width, line.height);
    form.Main(host);

    // The bars are moved and the boxes ticked as a user would, so their
    // handlers run exactly as in the window.
    form.klimax.SetValue(line.klimax);
    form.vimaxrono.SetValue(line.vimaxrono);
    form.POLTAX.SetValue(line.poltax);
    form.Check1.SetValue(line.forceComponents ? 1 : 0);
    form.Check2.SetValue(line.velocityComponents ? 1 : 0);
    form.Check3.SetValue(line.weightReaction ? 1 : 0);

    const std::int64_t limit = line.ticks > 0 ? line.ticks : kMaxTicks;
    // Only the CSV needs the ticks kept.
    form.SetLogCapacity(line.csv.empty() ? 0 : static_cast<std::size_t>(limit));
    form.Command1.Press();
    for (std::int64_t i = 0; i < limit && form.Timer1.Active(); ++i) {
        form.Timer1.Elapse();
    }
    if (form.FailureCount() > 0) {
        return 1;
    }

    QString error;
    if (!line.csv.empty() && !SaveCsv(form.Log(), QString::fromStdString(line.csv), &error)) {
        err << error.toStdString() << '\n';
        return 1;
    }
    if (!line.png.empty()) {
        const QImage picture = surface.image().copy(0, 0, line.width, line.height);
        if (!SavePng(picture, QString::fromStdString(line.png), &error)) {
            err << error.toStdString() << '\n';
            return 1;
        }
    }
    return 0;
}

}  // namespace zorva
