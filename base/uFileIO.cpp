#include "base/uFileIO.h"

namespace tarrow {

QString CannotOpenFileMessage(const QString& APath, const QString& AReason) {
    return QStringLiteral("Cannot open file \"%1\". %2").arg(APath, AReason);
}

QString CannotCreateFileMessage(const QString& APath, const QString& AReason) {
    return QStringLiteral("Cannot create file \"%1\". %2").arg(APath, AReason);
}

bool WriteAll(QIODevice& AFile, const QByteArray& AData) {
    qsizetype done = 0;
    while (done < AData.size()) {
        const qint64 n = AFile.write(AData.constData() + done, AData.size() - done);
        if (n <= 0)
            return false;
        done += qsizetype(n);
    }
    return true;
}

} // namespace tarrow
