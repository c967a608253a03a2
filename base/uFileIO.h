#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

namespace tarrow {

// "Cannot open file \"%s\". %s" and "Cannot create file \"%s\". %s": the path and the system's
// reason, as every file error of the system reports them.
QString CannotOpenFileMessage(const QString& APath, const QString& AReason);
QString CannotCreateFileMessage(const QString& APath, const QString& AReason);

// Writes all of AData, going on after a short write: a device reports no error for a write that
// stored only part of its data, so only the next attempt brings the system's reason (a full disk,
// a file-size limit).
bool WriteAll(QIODevice& AFile, const QByteArray& AData);

} // namespace tarrow
