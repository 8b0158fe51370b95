// Saving the picture and the run's data. A file is written whole or not at
// all: the data go to a temporary file beside it, renamed into place only
// once everything was written.
#pragma once

#include <QImage>
#include <QString>

#include "sim/run_log.h"

namespace zorva {

/// Saves image as PNG at path. On failure returns false, leaves no file
/// behind (an existing file at path is kept as it was) and sets *error to
/// a sentence for the user.
bool SavePng(const QImage& image, const QString& path, QString* error);

/// Saves the run's samples as CSV at path, with the same guarantees.
bool SaveCsv(const RunLog& log, const QString& path, QString* error);

}  // namespace zorva
