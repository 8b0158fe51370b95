#include "ui/headless.h"

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <memory>
#include <new>
#include <optional>
#include <string>

#include "form/atomic_file.h"
#include "form/export.h"
#include "form/fixed_screen.h"
#include "form/form.h"
#include "plot/null_surface.h"
#include "sim/state.h"
#include "ui/qt_export.h"
#include "ui/qt_surface.h"

namespace zorva {
namespace {

constexpr double kTwipsPerPixel = 15.0;  // 96 dots per inch

// Rows go to the file in pieces of about this size: a million ticks make
// 190 MB of text, which is never held at once.
constexpr std::size_t kChunkBytes = std::size_t{64} * 1024;

int Fail(std::ostream& err, const std::string& message) {
    err << message << '\n';
    return 1;
}

int Run(const CommandLine& line, std::ostream& err) {
    // The same file under two names ("a.csv" and "./a.csv") would hold only
    // the picture.
    if (!line.csv.empty() && !line.png.empty() && SameOutput(line.csv, line.png)) {
        err << "zorva: --csv and --png lead to the same file '" << line.csv << "'\n";
        return 2;
    }
    // Every output is opened before the run, so that a run that cannot write
    // one of them writes none.
    std::optional<OutputFile> csv;
    std::optional<OutputFile> png;
    if (!line.csv.empty()) {
        csv.emplace(line.csv);
        if (!csv->ok()) {
            return Fail(err, csv->error());
        }
    }
    if (!line.png.empty()) {
        png.emplace(line.png);
        if (!png->ok()) {
            return Fail(err, png->error());
        }
    }

    // Without a picture to save nothing needs drawing: a run at the largest
    // size allocates no image. With one, all the memory the picture takes,
    // its encoding's included, is had before the first tick, so that a run
    // that cannot have it fails at once rather than at its end.
    std::unique_ptr<Surface> surface;
    QtSurface* picture = nullptr;
    std::optional<PngOutput> encoder;
    if (png) {
        auto qt =
            std::make_unique<QtSurface>(line.width, line.height, kTwipsPerPixel, line.density);
        if (qt->image().pixels != nullptr) {
            encoder.emplace(*png, line.width * line.density, line.height * line.density);
        }
        if (!encoder || !encoder->ready()) {
            return Fail(err, "zorva: not enough memory for a " + std::to_string(line.width) + "x" +
                                 std::to_string(line.height) + " picture");
        }
        qt->setFont(QGuiApplication::font());
        picture = qt.get();
        surface = std::move(qt);
    } else {
        surface = std::make_unique<NullSurface>(line.width, line.height, kTwipsPerPixel);
    }

    SimulationState state;
    Zerkan form(state, *surface);
    form.SetFailureReport(&err);
    FixedScreen host(*surface, line.width, line.height);
    form.Main(host);

    // The bars are moved and the boxes ticked as a user would, so their
    // handlers run exactly as in the window.
    form.klimax.SetValue(line.klimax);
    form.vimaxrono.SetValue(line.vimaxrono);
    form.POLTAX.SetValue(line.poltax);
    form.Check1.SetValue(line.forceComponents ? 1 : 0);
    form.Check2.SetValue(line.velocityComponents ? 1 : 0);
    form.Check3.SetValue(line.weightReaction ? 1 : 0);

    // The rows are written as the ticks come rather than kept.
    form.SetLogCapacity(0);
    std::string chunk;
    if (csv) {
        chunk.reserve(kChunkBytes + 512);
        chunk.append(kCsvHeader).push_back('\n');
        form.tickDrawn = [&chunk, &csv](const TickSample& sample) {
            AppendCsvRow(chunk, sample);
            if (chunk.size() >= kChunkBytes) {
                csv->Write(chunk);
                chunk.clear();
            }
        };
    }

    const std::int64_t limit = line.ticks > 0 ? line.ticks : kMaxTicks;
    form.Command1.Press();
    std::int64_t ticks = 0;
    while (ticks < limit && form.Timer1.Active() && (!csv || csv->ok())) {
        form.Timer1.Elapse();
        ++ticks;
    }
    if (form.FailureCount() > 0) {
        return 1;
    }
    if (csv && !csv->Write(chunk)) {
        return Fail(err, csv->error());
    }
    // The tick that finds the body at the summit draws nothing and leaves no row.
    if (!form.Timer1.Active() && line.ticks > 0) {
        err << "zorva: the run reached the summit after " << ticks - 1 << " ticks, before the "
            << line.ticks << " asked for\n";
    } else if (form.Timer1.Active() && line.ticks == 0) {
        err << "zorva: the run stopped after " << kMaxTicks
            << " ticks, the most a run makes, before reaching the summit\n";
    }

    // Encoded straight from the image into the file; a file that failed says
    // why when it is finished.
    if (png && !encoder->write(ImageOf(*picture, line.width, line.height)) && png->ok()) {
        return Fail(err, NoMemoryToSave(line.png));
    }
    // Both are complete on the disk before either is put in place, so that
    // a failure at this last step still leaves both old files.
    for (auto* file : {csv ? &*csv : nullptr, png ? &*png : nullptr}) {
        if (file != nullptr && !file->Finish()) {
            return Fail(err, file->error());
        }
    }
    for (auto* file : {csv ? &*csv : nullptr, png ? &*png : nullptr}) {
        if (file != nullptr && !file->Commit()) {
            return Fail(err, file->error());
        }
    }
    return 0;
}

}  // namespace

int RunHeadless(const CommandLine& line, std::ostream& err) {
    try {
        return Run(line, err);
    } catch (const std::bad_alloc&) {
        // The outputs' temporaries went with the stack; the old files stay.
        err << "zorva: the run stopped: not enough memory\n";
        return 1;
    }
}

}  // namespace zorva
