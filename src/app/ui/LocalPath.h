#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <string>

namespace trx {

// Paths reach the core in the file system's own encoding and come back from
// it for display and dialogs.
[[nodiscard]] inline std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

[[nodiscard]] inline QString DisplayPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

} // namespace trx
