#include "engine/LogSinksUnit.h"

#include "engine/TarrowVersion.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaObject>
#include <QThread>
#include <algorithm>
#include <cstring>
#include <unistd.h>

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

namespace tarrow {

namespace {

struct TLineKindRow {
    const char* Start;
    const char* End; // nullptr: any ending
    TLogLineKind Kind;
};

const TLineKindRow LineKinds[] = {
    {"Project \"", "\"...", lkProject},
    {"Downloading [ ", nullptr, lkDownloading},
    {"Saving: ", nullptr, lkSaving},
    {"File already exists: ", nullptr, lkExisted},
    {"File does not changed: ", nullptr, lkNotChanged},
    {"", " new URLs extracted.", lkExtracted},
    {"Retry #", nullptr, lkRetry},
    {"Downloaded: ", nullptr, lkSummary},
    {"Completed.", "", lkEnd},
    {"Terminated.", "", lkEnd},
    {"> ", nullptr, lkWire},
    {"< ", nullptr, lkWire},
};

QString AfterColon(const QString& AMsg) {
    return AMsg.mid(AMsg.indexOf(QLatin1String(": ")) + 2);
}

// "Downloaded: 1, already existed: 0, ..." as {"downloaded": 1, "already_existed": 0, ...}.
QJsonObject SummaryCounts(const QString& AMsg) {
    QJsonObject counts;
    QString text = AMsg;
    if (text.endsWith(u'.'))
        text.chop(1);
    for (const QString& part : text.split(QLatin1String(", "))) {
        const qsizetype colon = part.lastIndexOf(QLatin1String(": "));
        if (colon > 0)
            counts.insert(part.left(colon).toLower().replace(u' ', u'_'),
                          part.mid(colon + 2).toLongLong());
    }
    return counts;
}

QString SizeText(qint64 ABytes) {
    if (ABytes < 1024 * 1024)
        return QString::number(double(ABytes) / 1024.0, 'f', 1) + QStringLiteral(" kB");
    return QString::number(double(ABytes) / (1024.0 * 1024.0), 'f', 1) + QStringLiteral(" MB");
}

} // namespace

TLogLineKind LogLineKind(const QString& AMsg) {
    for (const TLineKindRow& row : LineKinds) {
        if (!AMsg.startsWith(QLatin1String(row.Start)))
            continue;
        if (!row.End || (row.End[0] == '\0' ? AMsg.size() == qsizetype(std::strlen(row.Start))
                                            : AMsg.endsWith(QLatin1String(row.End))))
            return row.Kind;
    }
    return lkOther;
}

TConsoleLogSink::TConsoleLogSink(FILE* AOut, const TConsoleLogOptions& AOptions)
    : FOut(AOut), FOptions(AOptions), FOutIsTerminal(isatty(fileno(AOut)) == 1) {
    FClock.start();
    if (FOptions.Json)
        Emit(QJsonObject{{QStringLiteral("event"), QStringLiteral("run")},
                         {QStringLiteral("program"), QStringLiteral("tarrow-cli")},
                         {QStringLiteral("version"), QLatin1String(TarrowVersion)}});
}

void TConsoleLogSink::LogMsg(const QString& AMsg) {
    QMutexLocker lock(&FLock);
    const TLogLineKind kind = LogLineKind(AMsg);
    if (FOptions.LogFile) {
        const QByteArray line = AMsg.toUtf8() + '\n';
        std::fwrite(line.constData(), 1, size_t(line.size()), FOptions.LogFile);
        std::fflush(FOptions.LogFile);
    }
    Track(AMsg, kind);
    if (FOptions.Json)
        WriteJson(AMsg, kind);
    else if (!FOptions.Quiet || kind == lkProject || kind == lkSummary || kind == lkEnd ||
             kind == lkOther)
        WritePlain(AMsg);
    DrawProgress(false);
}

void TConsoleLogSink::Finish(int AExitStatus) {
    QMutexLocker lock(&FLock);
    EndURL();
    if (FOptions.Json && !FEndResult.isEmpty())
        Emit({{QStringLiteral("event"), QStringLiteral("end")},
              {QStringLiteral("result"), FEndResult},
              {QStringLiteral("status"), AExitStatus}});
    if (FOptions.Progress && FOptions.Dots && FDone > 0)
        std::fputs("\n", FOptions.Progress);
    else if (FOptions.Progress && !FOptions.Dots && FDone > 0) {
        DrawProgress(true);
        std::fputs("\n", FOptions.Progress);
    }
    if (FOptions.Progress)
        std::fflush(FOptions.Progress);
}

// Follows the URLs of the run: a URL's lines come together, from its "Downloading" line to the
// next URL's, its project's summary or the run's end.
void TConsoleLogSink::Track(const QString& AMsg, TLogLineKind AKind) {
    switch (AKind) {
    case lkDownloading: {
        EndURL();
        FInURL = true;
        FURL = TURLState();
        const qsizetype close = AMsg.indexOf(QLatin1String(" ]: "));
        const QStringList numbers = AMsg.mid(14, close - 14).split(QLatin1String(" / "));
        FURL.Index = numbers.value(0).toInt();
        FURL.Known = numbers.value(1).toInt();
        FURL.URL = close < 0 ? QString() : AMsg.mid(close + 4);
        FKnown = std::max(FKnown, FURL.Known);
        break;
    }
    case lkSaving:
    case lkExisted:
    case lkNotChanged:
        FURL.Status = AKind == lkSaving    ? QStringLiteral("saved")
                      : AKind == lkExisted ? QStringLiteral("existed")
                                           : QStringLiteral("not-changed");
        FURL.File = AfterColon(AMsg);
        break;
    case lkRetry:
        ++FURL.Retries;
        break;
    case lkOther:
        FURL.Reason = AMsg;
        break;
    case lkProject:
    case lkSummary:
    case lkEnd:
        EndURL();
        break;
    case lkWire:
        TrackWire(AMsg);
        break;
    case lkExtracted:
        break;
    }
}

// A request line begins the next transfer's exchange; reply lines join the latest one.
void TConsoleLogSink::TrackWire(const QString& AMsg) {
    if (!FInURL || !FOptions.Json)
        return;
    const bool request = AMsg.startsWith(u'>');
    const QString part = request ? QStringLiteral("request") : QStringLiteral("reply");
    QJsonArray& exchanges = FURL.Exchanges;
    if (exchanges.isEmpty() ||
        (request && exchanges.last().toObject().contains(QStringLiteral("reply"))))
        exchanges.append(QJsonObject());
    QJsonObject exchange = exchanges.last().toObject();
    QJsonArray lines = exchange.value(part).toArray();
    lines.append(AMsg.mid(2));
    exchange.insert(part, lines);
    exchanges.replace(exchanges.size() - 1, exchange);
}

// The URL whose lines have all come: its event, and it counts as done.
void TConsoleLogSink::EndURL() {
    if (!FInURL)
        return;
    FInURL = false;
    ++FDone;
    if (FURL.Status.isEmpty())
        FURL.Status = FURL.Reason.isEmpty() ? QStringLiteral("empty") : QStringLiteral("failed");
    if (FURL.Status == u"failed")
        ++FFailed;
    // "Saving:" comes before the file is written; it is complete once the URL's lines are.
    if (FURL.Status == u"saved") {
        FURL.Bytes = QFileInfo(FURL.File).size();
        FBytes += FURL.Bytes;
    }
    if (FOptions.Progress && FOptions.Dots)
        std::fputc(FURL.Status == u"failed" ? '!' : '.', FOptions.Progress);
    if (!FOptions.Json)
        return;
    QJsonObject event{{QStringLiteral("event"), QStringLiteral("url")},
                      {QStringLiteral("url"), FURL.URL},
                      {QStringLiteral("index"), FURL.Index},
                      {QStringLiteral("known"), FURL.Known},
                      {QStringLiteral("status"), FURL.Status},
                      {QStringLiteral("retries"), FURL.Retries}};
    if (!FURL.File.isEmpty())
        event.insert(QStringLiteral("file"), FURL.File);
    if (FURL.Status == u"saved")
        event.insert(QStringLiteral("bytes"), FURL.Bytes);
    if (FURL.Status == u"failed")
        event.insert(QStringLiteral("reason"), FURL.Reason);
    if (!FURL.Exchanges.isEmpty())
        event.insert(QStringLiteral("exchanges"), FURL.Exchanges);
    Emit(event);
}

void TConsoleLogSink::WriteJson(const QString& AMsg, TLogLineKind AKind) {
    switch (AKind) {
    case lkProject:
        Emit({{QStringLiteral("event"), QStringLiteral("project")},
              {QStringLiteral("name"), AMsg.mid(9, AMsg.size() - 13)}});
        break;
    case lkSummary: {
        QJsonObject event{{QStringLiteral("event"), QStringLiteral("summary")},
                          {QStringLiteral("text"), AMsg}};
        const QJsonObject counts = SummaryCounts(AMsg);
        for (auto i = counts.begin(); i != counts.end(); ++i)
            event.insert(i.key(), i.value());
        Emit(event);
        break;
    }
    case lkEnd:
        FEndResult = AMsg.chopped(1).toLower();
        break;
    case lkOther:
        Emit(
            {{QStringLiteral("event"), QStringLiteral("message")}, {QStringLiteral("text"), AMsg}});
        break;
    default:
        break; // part of the URL's event
    }
}

void TConsoleLogSink::Emit(const QJsonObject& AObject) {
    WritePlain(QString::fromUtf8(QJsonDocument(AObject).toJson(QJsonDocument::Compact)));
}

void TConsoleLogSink::WritePlain(const QString& AMsg) {
    if (FOutIsTerminal)
        ClearProgress();
    const QByteArray line = AMsg.toUtf8() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), FOut);
    std::fflush(FOut);
}

// "[ 12 / 40 ] failed: 1, 1.2 MB, 300.0 kB/s, 0:12", at most ten times a second.
void TConsoleLogSink::DrawProgress(bool AForce) {
    if (!FOptions.Progress || FOptions.Dots)
        return;
    const qint64 now = FClock.elapsed();
    if (!AForce && FLastDraw >= 0 && now - FLastDraw < 100)
        return;
    FLastDraw = now;
    const qint64 seconds = now / 1000;
    const QString line = QStringLiteral("\r[ %1 / %2 ] failed: %3, %4, %5/s, %6:%7\x1b[K")
                             .arg(FDone)
                             .arg(std::max(FKnown, FDone))
                             .arg(FFailed)
                             .arg(SizeText(FBytes), SizeText(now > 0 ? FBytes * 1000 / now : 0))
                             .arg(seconds / 60)
                             .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    std::fputs(line.toUtf8().constData(), FOptions.Progress);
    std::fflush(FOptions.Progress);
    FProgressShown = true;
}

void TConsoleLogSink::ClearProgress() {
    if (!FProgressShown)
        return;
    std::fputs("\r\x1b[K", FOptions.Progress);
    std::fflush(FOptions.Progress);
    FProgressShown = false;
}

} // namespace tarrow
