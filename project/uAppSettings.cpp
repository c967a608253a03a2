#include "project/uAppSettings.h"

#include "base/uExceptions.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>

namespace tarrow {

namespace {

const char Utf8Bom[] = "\xEF\xBB\xBF";

QString SystemReason(int AErrno) {
    return QString::fromLocal8Bit(std::strerror(AErrno));
}

} // namespace

QStringList TAppSettings::DecodeLines(const QByteArray& AData) {
    QByteArrayView data(AData);
    if (data.startsWith(QByteArrayView(Utf8Bom, 3)))
        data = data.sliced(3);
    // Line by line, straight from the bytes: CR and LF never occur inside a UTF-8 sequence, and
    // a stateless decoder ends a broken sequence at the line end as a whole-text decoder would.
    // Only the one mark at the start is skipped; the decoder keeps any other.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless |
                                                       QStringConverter::Flag::ConvertInitialBom);
    QStringList lines;
    qsizetype start = 0;
    const qsizetype size = data.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char c = data[i];
        if (c != '\r' && c != '\n')
            continue;
        lines.append(decoder(data.sliced(start, i - start)));
        if (c == '\r' && i + 1 < size && data[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < size)
        lines.append(decoder(data.sliced(start)));
    return lines;
}

QByteArray TAppSettings::EncodeLines(const QStringList& ALines) {
    QByteArray data(Utf8Bom, 3);
    for (const QString& line : ALines) {
        QByteArray bytes = line.toUtf8();
        // A line break inside a value would start a line of its own, a key the user never set.
        bytes.replace("\r\n", " ");
        bytes.replace('\r', ' ').replace('\n', ' ');
        data.append(bytes).append("\r\n", 2);
    }
    return data;
}

void TAppSettings::LoadFromFile(const QString& AFileName) {
    const QFileInfo info(AFileName);
    // Opening a pipe or a device could block or never end: only ordinary files are read.
    if (info.exists() && !info.isFile())
        throw EFOpenError(
            CannotOpenFileMessage(AFileName, SystemReason(info.isDir() ? EISDIR : EINVAL)));
    QFile file(AFileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EFOpenError(CannotOpenFileMessage(AFileName, file.errorString()));
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EFOpenError(CannotOpenFileMessage(AFileName, file.errorString()));
    FStrings.SetLines(DecodeLines(data));
}

void TAppSettings::SaveToFile(const QString& AFileName) const {
    // A file that exists keeps its mode (QSaveFile carries it over); a new one may hold proxy
    // passwords and is private to its owner.
    const bool created = !QFileInfo::exists(AFileName);
    QSaveFile file(AFileName);
    if (!file.open(QIODevice::WriteOnly))
        throw EFCreateError(CannotCreateFileMessage(AFileName, file.errorString()));
    if (created && !file.setPermissions(PrivateFilePermissions)) {
        const QString reason = file.errorString();
        file.cancelWriting();
        throw EFCreateError(CannotCreateFileMessage(AFileName, reason));
    }
    const QByteArray data = EncodeLines(FStrings.Lines());
    // Flushed before commit: a failure of the final flush inside commit() would otherwise go
    // unnoticed and put a truncated file in place of the old one.
    if (!WriteAll(file, data) || !file.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        throw EFCreateError(CannotCreateFileMessage(AFileName, reason));
    }
    if (!file.commit())
        throw EFCreateError(CannotCreateFileMessage(AFileName, file.errorString()));
}

} // namespace tarrow
