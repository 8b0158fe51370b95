#include "ui/qt_export.h"

#include <QBuffer>
#include <QFile>
#include <new>
#include <string>

#include "form/atomic_file.h"
#include "form/export.h"

namespace zorva {
namespace {

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

QByteArray EncodePng(const QImage& image) {
    try {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) {
            return {};
        }
        return bytes;
    } catch (const std::bad_alloc&) {
        return {};
    }
}

bool SavePng(const QImage& image, const QString& path, QString* error) {
    // Encoded before the file is touched: a picture that cannot be encoded
    // leaves the old file as it was.
    const QByteArray bytes = EncodePng(image);
    if (bytes.isEmpty()) {
        return Report("Could not save " + NativeName(path) + ": not enough memory.", error);
    }
    return Report(SaveBytes(NativeName(path), std::string_view(bytes.constData(), bytes.size())),
                  error);
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
