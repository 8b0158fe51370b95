#include "ui/qt_export.h"

#include <QSaveFile>
#include <sstream>

#include "ui/export.h"

namespace zorva {
namespace {

// QSaveFile writes to a temporary file in the target folder and renames it
// over the target on commit; a failure anywhere discards the temporary.
bool Commit(QSaveFile& file, const QString& path, bool written, QString* error) {
    if (written && file.commit()) {
        return true;
    }
    const QString reason = file.errorString();
    file.cancelWriting();
    if (error != nullptr) {
        *error = QStringLiteral("Could not save %1: %2").arg(path, reason);
    }
    return false;
}

}  // namespace

bool SavePng(const QImage& image, const QString& path, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return Commit(file, path, false, error);
    }
    return Commit(file, path, image.save(&file, "PNG"), error);
}

bool SaveCsv(const RunLog& log, const QString& path, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return Commit(file, path, false, error);
    }
    std::ostringstream text;
    WriteRunCsv(text, log);
    const std::string bytes = text.str();
    const qint64 written = file.write(bytes.data(), static_cast<qint64>(bytes.size()));
    return Commit(file, path, written == static_cast<qint64>(bytes.size()), error);
}

}  // namespace zorva
