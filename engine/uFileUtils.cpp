#include "engine/uFileUtils.h"

#include "base/uRunContext.h"
#include "base/uExceptions.h"
#include "base/uFileIO.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tarrow {

namespace {

int HexValue(char C) {
    if (C >= '0' && C <= '9')
        return C - '0';
    if (C >= 'a' && C <= 'f')
        return C - 'a' + 10;
    if (C >= 'A' && C <= 'F')
        return C - 'A' + 10;
    return -1;
}

QByteArray FileMD5(const QString& AFileName) {
    // Opening a pipe would wait for a writer and a device may never end: only ordinary files
    // are read, so a stranger in the output folder counts as changed instead of hanging the run.
    const QFileInfo info(AFileName);
    if (info.exists() && !info.isFile())
        throw EFOpenError(CannotOpenFileMessage(
            QDir::toNativeSeparators(AFileName),
            QString::fromLocal8Bit(std::strerror(info.isDir() ? EISDIR : EINVAL))));
    QFile file(AFileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EFOpenError(
            CannotOpenFileMessage(QDir::toNativeSeparators(AFileName), file.errorString()));
    QCryptographicHash hash(QCryptographicHash::Md5);
    if (!hash.addData(&file) || file.error() != QFileDevice::NoError)
        throw EInOutError(QStringLiteral("Cannot read file \"%1\". %2")
                              .arg(QDir::toNativeSeparators(AFileName), file.errorString()));
    return hash.result();
}

} // namespace

QString PercentDecodePath(const QString& APath) {
    if (!APath.contains(u'%'))
        return APath;
    QByteArray out;
    out.reserve(APath.size());
    qsizetype runStart = 0; // start of the characters not yet copied
    const auto flush = [&](qsizetype AEnd) {
        out.append(QStringView(APath).mid(runStart, AEnd - runStart).toUtf8());
    };
    for (qsizetype i = 0; i < APath.size(); ++i) {
        if (APath[i] != u'%')
            continue;
        flush(i);
        if (i + 2 >= APath.size()) { // fewer than two characters follow: the "%" alone goes
            runStart = i + 1;
            continue;
        }
        const char16_t c1 = APath[i + 1].unicode();
        const char16_t c2 = APath[i + 2].unicode();
        const int hi = c1 < 0x80 ? HexValue(char(c1)) : -1;
        const int lo = c2 < 0x80 ? HexValue(char(c2)) : -1;
        if (hi >= 0 && lo >= 0)
            out.append(char(hi * 16 + lo));
        i += 2;
        runStart = i + 1;
    }
    flush(APath.size());
    return QString::fromUtf8(out);
}

bool FileChanged(const QString& AFileName, const QByteArray& AContent,
                 const TRunContext* AContext) {
    try {
        return FileMD5(AFileName) != QCryptographicHash::hash(AContent, QCryptographicHash::Md5);
    } catch (const Exception& E) {
        if (AContext)
            AContext->LogException(E);
        return true;
    }
}

bool ForceDirectories(const QString& AFolder) {
    return QDir().mkpath(AFolder);
}

void WriteFileAtomically(const QString& AFileName, const QByteArray& AContent) {
    // A temporary file beside the target, renamed over it. No sync to disk: the rename keeps a
    // reader from ever seeing half a file, and a sync per saved file would cost more than the
    // download itself.
    const QFileInfo info(AFileName);
    const QString temp = info.absolutePath() + QStringLiteral("/.") + info.fileName().left(64) +
                         QStringLiteral(".tarrow-") +
                         QString::number(QRandomGenerator::global()->generate64(), 36);
    QFile file(temp);
    QString error;
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        error = file.errorString();
    else if (!WriteAll(file, AContent) || !file.flush())
        error = file.errorString();
    file.close();
    if (error.isEmpty() && file.error() != QFileDevice::NoError)
        error = file.errorString();
    if (error.isEmpty() && ::rename(QFile::encodeName(temp).constData(),
                                    QFile::encodeName(AFileName).constData()) != 0)
        error = QString::fromLocal8Bit(std::strerror(errno));
    if (!error.isEmpty()) {
        QFile::remove(temp);
        throw EFCreateError(CannotCreateFileMessage(QDir::toNativeSeparators(AFileName), error));
    }
}

} // namespace tarrow
