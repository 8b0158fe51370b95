#include "ui/qt_export.h"

#include <QBuffer>
#include <QFile>
#include <QLocale>
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
    QString title = QStringLiteral("Save the run's data");
    if (log.dropped() == 0) {
        return title;
    }
    const QLocale english(QLocale::English);
    return QStringLiteral("%1 (the first %2 ticks only; %3 later ticks were not kept)")
        .arg(title, english.toString(static_cast<qulonglong>(log.rows().size())),
             english.toString(static_cast<qulonglong>(log.dropped())));
}

}  // namespace zorva
