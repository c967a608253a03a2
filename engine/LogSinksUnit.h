#pragma once

#include "base/uLogSink.h"

#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdio>

namespace tarrow {

// Writes each line, followed by a line break, to a C stream (standard output for tarrow-cli).
class TStreamLogSink final : public TLogSink {
public:
    explicit TStreamLogSink(FILE* AStream) : FStream(AStream) {}
    void LogMsg(const QString& AMsg) override;

private:
    QMutex FLock;
    FILE* FStream;
};

// Keeps the lines in memory (tests, and callers that show the log later).
class TMemoryLogSink final : public TLogSink {
public:
    void LogMsg(const QString& AMsg) override;
    QStringList Lines() const;

private:
    mutable QMutex FLock;
    QStringList FLines;
};

// Hands each line to the thread this object lives in and waits until the receivers of MsgLogged
// have run there. The receiving thread must keep its event loop running while a worker logs.
class THandOverLogSink final : public QObject, public TLogSink {
    Q_OBJECT
public:
    using QObject::QObject;
    void LogMsg(const QString& AMsg) override;
Q_SIGNALS:
    void MsgLogged(const QString& AMsg);
};

} // namespace tarrow
