#pragma once

#include "base/uBreakFlag.h"
#include "base/uLogSink.h"

#include <QMutex>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThread>
#include <cstdio>
#include <exception>

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

// Base of the workers that carry a run. Execute is the thread body; an exception that escapes it
// ends the run: it is logged as one line and kept in ErrorMessage for the completion handler.
class TTarrowThread : public QThread {
    Q_OBJECT
public:
    explicit TTarrowThread(TLogSink* ALogSink, QObject* AParent = nullptr);

    // Empty lines are ignored.
    void Log(const QString& AMsg);
    // The client's redirect log, in the shape of its log event.
    void HTTPLog(const QString& AMsg) { Log(AMsg); }
    void LogException(const std::exception& E);
    // The line LogException writes for a message.
    static QString FormatExceptionLine(const QString& AMessage);

    bool Failed() const { return FFailed; }
    QString ErrorMessage() const { return FErrorMessage; }

protected:
    virtual void Execute() = 0;

private:
    void run() final;

    TLogSink* FLogSink;
    QString FLogMsg;
    bool FFailed = false;
    QString FErrorMessage;
};

} // namespace tarrow
