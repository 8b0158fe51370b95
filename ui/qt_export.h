// Saving the picture and the run's data from the window. A file is written
// whole or not at all (see form/atomic_file.h).
#pragma once

#include <QImage>
#include <QString>
#include <cstddef>
#include <memory>
#include <string>

#include "form/atomic_file.h"
#include "sim/run_log.h"

namespace zorva {

/// Bytes the PNG encoder takes besides the image, for an image of
/// width × height pixels (≥ 1): its rows, the compressor, the rows'
/// addresses and the file's buffer, with room to spare.
std::size_t PngEncoderBytes(int width, int height);

/// A PNG written into a file as it is encoded: neither a copy of the image
/// nor the whole encoded file is ever held. Made before the picture is
/// drawn, it holds from then on, touched, the memory the encoding takes
/// besides the image, and gives it back to the encoder as it starts.
class PngOutput {
  public:
    /// For an image of width × height pixels (≥ 1) into file, which must
    /// outlive this. Never throws: ready() says whether the memory was had.
    PngOutput(OutputFile& file, int width, int height) noexcept;
    ~PngOutput();
    PngOutput(const PngOutput&) = delete;
    PngOutput& operator=(const PngOutput&) = delete;

    bool ready() const { return device_ != nullptr; }
    /// Encodes image into the file, once. False when the memory was not had,
    /// the file failed (its error() says why) or the encoder found no memory.
    bool write(const QImage& image);

  private:
    class Device;
    std::unique_ptr<Device> device_;
    /// The encoder's memory, held until write begins.
    void* reserve_ = nullptr;
};

/// "Could not save PATH: not enough memory.", for an encoder that found none.
std::string NoMemoryToSave(const std::string& path);

/// Saves image as PNG at path. On failure returns false, leaves no file
/// behind (an existing file at path is kept as it was) and sets *error to
/// a sentence naming the file and the reason.
bool SavePng(const QImage& image, const QString& path, QString* error);

/// Saves the run's samples as CSV at path, with the same guarantees.
bool SaveCsv(const RunLog& log, const QString& path, QString* error);

/// The title of the dialog that saves the run's data: it says when the log
/// holds only the first of the run's ticks.
QString CsvDialogTitle(const RunLog& log);

}  // namespace zorva
