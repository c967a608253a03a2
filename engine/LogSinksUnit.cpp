#include "engine/LogSinksUnit.h"

#include <QThread>

#include <QMetaObject>

namespace tarrow {

void TStreamLogSink::LogMsg(const QString& AMsg) {
    const QByteArray line = AMsg.toUtf8() + '\n';
    QMutexLocker lock(&FLock);
    std::fwrite(line.constData(), 1, size_t(line.size()), FStream);
    std::fflush(FStream);
}

void TMemoryLogSink::LogMsg(const QString& AMsg) {
    QMutexLocker lock(&FLock);
    FLines.append(AMsg);
}

QStringList TMemoryLogSink::Lines() const {
    QMutexLocker lock(&FLock);
    return FLines;
}

void THandOverLogSink::LogMsg(const QString& AMsg) {
    if (QThread::currentThread() == thread()) {
        Q_EMIT MsgLogged(AMsg);
        return;
    }
    QMetaObject::invokeMethod(
        this, [this, &AMsg] { Q_EMIT MsgLogged(AMsg); }, Qt::BlockingQueuedConnection);
}

} // namespace tarrow
