#pragma once

#include "base/uLogSink.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
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

// What a line of the run log says, read from its text.
enum TLogLineKind {
    lkProject,     // Project "NAME"...
    lkDownloading, // Downloading [ k / N ]: URL
    lkSaving,      // Saving: FILE
    lkExisted,     // File already exists: FILE
    lkNotChanged,  // File does not changed: FILE
    lkExtracted,   // N new URLs extracted.
    lkRetry,       // Retry #n...
    lkSummary,     // Downloaded: ..., failed: n.
    lkEnd,         // Completed. / Terminated.
    lkWire,        // "> " request or "< " reply head line (-v)
    lkOther,       // anything else: a failure, a skipped URL, an error
};
TLogLineKind LogLineKind(const QString& AMsg);

// tarrow-cli's view of the run log: the plain lines (all of them, or with AQuiet only those that
// are not routine progress) or one JSON object per event to AOut, every plain line to ALogFile
// too, and a progress line (redrawn in place at most ten times a second) or dots to AProgress.
struct TConsoleLogOptions {
    bool Quiet = false;
    bool Json = false;
    FILE* LogFile = nullptr;
    FILE* Progress = nullptr;
    bool Dots = false;
};

class TConsoleLogSink final : public TLogSink {
public:
    TConsoleLogSink(FILE* AOut, const TConsoleLogOptions& AOptions);
    void LogMsg(const QString& AMsg) override;
    // The run ended with the program's exit status: the last URL's event, the end event (which
    // carries the status), and the progress line ends.
    void Finish(int AExitStatus);

private:
    struct TURLState {
        QString URL;
        int Index = 0;
        int Known = 0;
        QString Status;
        QString File;
        qint64 Bytes = 0;
        int Retries = 0;
        QString Reason;
        QJsonArray Exchanges; // {"request": [lines], "reply": [lines]} per transfer
    };
    void WritePlain(const QString& AMsg);
    void WriteJson(const QString& AMsg, TLogLineKind AKind);
    void EndURL();
    void Emit(const QJsonObject& AObject);
    void Track(const QString& AMsg, TLogLineKind AKind);
    void TrackWire(const QString& AMsg);
    void DrawProgress(bool AForce);
    void ClearProgress();

    QMutex FLock;
    FILE* FOut;
    TConsoleLogOptions FOptions;
    bool FOutIsTerminal;
    bool FInURL = false;
    TURLState FURL;
    int FDone = 0;
    int FKnown = 0;
    int FFailed = 0;
    qint64 FBytes = 0;
    QElapsedTimer FClock;
    qint64 FLastDraw = -1;
    bool FProgressShown = false;
    QString FEndResult; // of the end line, whose event waits for the exit status
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
