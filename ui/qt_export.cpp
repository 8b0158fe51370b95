#include "ui/qt_export.h"

#include <QFile>
#include <QIODevice>
#include <cstdlib>
#include <new>
#include <string>
#include <string_view>

#include "form/export.h"

namespace zorva {
namespace {

// The encoded file goes to the disk in pieces of this size: the encoder
// hands over a few kilobytes at a time, each chunk's header and checksum
// apart.
constexpr std::size_t kPieceBytes = std::size_t{64} * 1024;

// The compressor's state (its window, hash chains and pending output, some
// 300 kB at the default level), the encoder's structures and Qt's writer, the
// file's piece, with room to spare.
constexpr std::size_t kEncoderFixedBytes = std::size_t{1} << 20U;

// The encoder keeps a few rows of 4 bytes a pixel: the row handed to it, the
// previous row and the trial rows of its filter choice. Twice as many are
// allowed for.
constexpr std::size_t kEncoderRows = 8;

constexpr std::size_t kPageBytes = 4096;

bool Report(const std::string& failure, QString* error) {
    if (!failure.empty() && error != nullptr) {
        *error = QString::fromLocal8Bit(failure);
    }
    return failure.empty();
}

// File names are bytes to the system: a name is passed on in the local
// encoding the file dialog decoded it from.
std::string NativeName(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

}  // namespace

// The file as Qt's image writer sees it: what the writer hands over is
// gathered into pieces, each written whole, in memory had beforehand.
class PngOutput::Device : public QIODevice {
  public:
    explicit Device(OutputFile& file) : file_(file) {
        piece_.reserve(kPieceBytes);
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }
    /// Writes what is gathered; false once the file has failed.
    bool flushPiece() {
        const bool ok = file_.Write(piece_);
        piece_.clear();
        return ok;
    }

  protected:
    qint64 readData(char* /*data*/, qint64 /*size*/) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        const std::string_view bytes(data, static_cast<std::size_t>(size));
        if (piece_.size() + bytes.size() > kPieceBytes && !flushPiece()) {
            return -1;
        }
        if (bytes.size() >= kPieceBytes) {
            return file_.Write(bytes) ? size : -1;
        }
        // Within the capacity reserved: nothing is allocated.
        piece_.append(bytes);
        return size;
    }

  private:
    OutputFile& file_;
    std::string piece_;
};

std::size_t PngEncoderBytes(int width, int height) {
    const auto w = static_cast<std::size_t>(width > 0 ? width : 1);
    const auto h = static_cast<std::size_t>(height > 0 ? height : 1);
    return kEncoderRows * w * 4 + h * sizeof(void*) + kEncoderFixedBytes;
}

PngOutput::PngOutput(OutputFile& file, int width, int height) noexcept {
    try {
        device_ = std::make_unique<Device>(file);
    } catch (const std::bad_alloc&) {
        return;
    }
    // Touched page by page, so that the memory is had now and not only
    // promised; the volatile writes cannot be left out.
    const std::size_t bytes = PngEncoderBytes(width, height);
    reserve_ = std::malloc(bytes);
    if (reserve_ == nullptr) {
        device_.reset();
        return;
    }
    volatile auto* page = static_cast<unsigned char*>(reserve_);
    for (std::size_t at = 0; at < bytes; at += kPageBytes) {
        page[at] = 0;
    }
}

PngOutput::~PngOutput() {
    std::free(reserve_);
}

bool PngOutput::write(const QImage& image) {
    if (!device_) {
        return false;
    }
    // What was held for the encoder is its own from here on.
    std::free(reserve_);
    reserve_ = nullptr;
    try {
        // Qt's encoder takes the rows of a 32-bit image as they lie, with
        // any stride: no converted copy is made.
        return image.save(device_.get(), "PNG") && device_->flushPiece();
    } catch (const std::bad_alloc&) {
        return false;
    }
}

std::string NoMemoryToSave(const std::string& path) {
    return "Could not save " + path + ": not enough memory.";
}

bool SavePng(const QImage& image, const QString& path, QString* error) {
    const std::string name = NativeName(path);
    OutputFile file(name);
    if (!file.ok()) {
        return Report(file.error(), error);
    }
    // A picture that cannot be encoded leaves the old file as it was: the
    // temporary is never put in place.
    PngOutput png(file, image.width(), image.height());
    if (!png.write(image) && file.ok()) {
        return Report(NoMemoryToSave(name), error);
    }
    file.Commit();
    return Report(file.error(), error);
}

bool SaveCsv(const RunLog& log, const QString& path, QString* error) {
    return Report(SaveRunCsv(log, NativeName(path)), error);
}

QString CsvDialogTitle(const RunLog& log) {
    const std::string note = CsvCutNote(log);
    return QStringLiteral("Save the run's data") +
           (note.empty() ? QString() : QStringLiteral(" (%1)").arg(QString::fromStdString(note)));
}

}  // namespace zorva
