// Saving the picture and the run's data from the window. A file is written
// whole or not at all (see ui/atomic_file.h).
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include "sim/run_log.h"

namespace zorva {

/// The image as PNG bytes; empty when it cannot be encoded (no memory).
QByteArray EncodePng(const QImage& image);

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
