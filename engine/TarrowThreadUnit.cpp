#include "engine/TarrowThreadUnit.h"

#include "http/LibSSLUnit.h"
#include "base/uExceptions.h"
#include "base/uStrUtils.h"

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

TTarrowThread::TTarrowThread(TLogSink* ALogSink, QObject* AParent)
    : QThread(AParent), FLogSink(ALogSink) {}

void TTarrowThread::Log(const QString& AMsg) {
    if (AMsg.isEmpty() || !FLogSink)
        return;
    FLogMsg = EscapeLogControls(AMsg);
    FLogSink->LogMsg(FLogMsg);
}

QString TTarrowThread::FormatExceptionLine(const QString& AMessage) {
    constexpr qsizetype MaxLength = 1023;
    QString text = AMessage;
    if (!text.isEmpty() && text.back().unicode() > u'.')
        text.append(u'.');
    if (text.endsWith(QLatin1String("\n.")))
        text.chop(1);
    while (text.endsWith(u'\r') || text.endsWith(u'\n'))
        text.chop(1);
    if (text.size() > MaxLength) {
        // Never leave half of a surrogate pair at the cut.
        const bool splitsPair = text.at(MaxLength - 1).isHighSurrogate();
        text.truncate(splitsPair ? MaxLength - 1 : MaxLength);
    }
    return text;
}

void TTarrowThread::LogException(const std::exception& E) {
    QString line = FormatExceptionLine(ExceptionMessage(E));
    if (line.isEmpty()) {
        const auto* own = dynamic_cast<const Exception*>(&E);
        line = own ? own->ClassName() : QStringLiteral("Exception");
    }
    Log(line);
}

void TTarrowThread::run() {
    try {
        Execute();
    } catch (const std::exception& E) {
        FFailed = true;
        FErrorMessage = ExceptionMessage(E);
        LogException(E);
    } catch (...) {
        FFailed = true;
        FErrorMessage = QStringLiteral("Unknown exception");
        Log(FErrorMessage + u'.');
    }
    ReleaseThreadSSLState();
}

} // namespace tarrow
