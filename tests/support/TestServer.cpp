#include "tests/support/TestServer.h"

#include <algorithm>

namespace tarrow::test {

namespace {

constexpr qsizetype kMaxHead = 1 << 20;

QByteArrayView Trim(QByteArrayView AText) {
    while (!AText.isEmpty() && (AText.front() == ' ' || AText.front() == '\t'))
        AText = AText.sliced(1);
    while (!AText.isEmpty() &&
           (AText.back() == ' ' || AText.back() == '\t' || AText.back() == '\r'))
        AText.chop(1);
    return AText;
}

void ParseHead(TRequest& ARequest) {
    const QList<QByteArray> lines = ARequest.Raw.split('\n');
    const QList<QByteArray> parts = Trim(lines.value(0)).toByteArray().split(' ');
    ARequest.Method = parts.value(0);
    ARequest.Target = parts.value(1);
    ARequest.Version = parts.value(2);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArrayView line = Trim(lines[i]);
        const qsizetype colon = line.indexOf(':');
        if (colon > 0)
            ARequest.Headers.append({Trim(line.first(colon)).toByteArray(),
                                     Trim(line.sliced(colon + 1)).toByteArray()});
    }
}

bool ReadMore(TConnection& AConnection, QByteArray& ABuffer) {
    char chunk[16384];
    const qsizetype n = AConnection.Read(chunk, sizeof(chunk));
    if (n <= 0)
        return false;
    ABuffer.append(chunk, n);
    return true;
}

} // namespace

// ---- TRequest ----

QByteArray TRequest::Header(QByteArrayView AName) const {
    for (const auto& header : Headers)
        if (QByteArrayView(header.first).compare(AName, Qt::CaseInsensitive) == 0)
            return header.second;
    return {};
}

bool TRequest::HasHeader(QByteArrayView AName) const {
    return HeaderCount(AName) > 0;
}

int TRequest::HeaderCount(QByteArrayView AName) const {
    return int(std::count_if(Headers.begin(), Headers.end(), [&](const auto& header) {
        return QByteArrayView(header.first).compare(AName, Qt::CaseInsensitive) == 0;
    }));
}

QByteArray TRequest::Path() const {
    const qsizetype sep = Target.indexOf("://");
    if (sep < 0 || Target.startsWith('/'))
        return Target;
    const qsizetype slash = Target.indexOf('/', sep + 3);
    return slash < 0 ? QByteArray("/") : Target.mid(slash);
}

bool ReadRequest(TConnection& AConnection, QByteArray& APending, TRequest& ARequest) {
    qsizetype end;
    while ((end = APending.indexOf("\r\n\r\n")) < 0) {
        if (APending.size() > kMaxHead || !ReadMore(AConnection, APending))
            return false;
    }
    ARequest.Raw = APending.left(end + 4);
    APending.remove(0, end + 4);
    ParseHead(ARequest);
    bool ok = false;
    const qsizetype length = ARequest.Header("Content-Length").toLongLong(&ok);
    if (ok && length > 0) {
        while (APending.size() < length)
            if (!ReadMore(AConnection, APending))
                return false;
        ARequest.Body = APending.left(length);
        APending.remove(0, length);
    }
    return true;
}

// ---- TScriptedServer ----

TScriptedServer::TScriptedServer() : TScriptedServer(TTLSContext()) {}

TScriptedServer::TScriptedServer(TTLSContext AContext)
    : TLoopbackListener(AContext.get()), FTLSContext(std::move(AContext)) {
    Start();
}

std::unique_ptr<TScriptedServer> TScriptedServer::TLS(int AMinVersion, int AMaxVersion,
                                                      const char* ACipherList) {
    return std::unique_ptr<TScriptedServer>(
        new TScriptedServer(NewServerTLSContext(AMinVersion, AMaxVersion, ACipherList)));
}

TScriptedServer::~TScriptedServer() {
    Stop();
}

QString TScriptedServer::HostPort() const {
    return QStringLiteral("127.0.0.1:%1").arg(Port());
}

QString TScriptedServer::URL(QStringView APath) const {
    QString url = IsTLS() ? QStringLiteral("https://") : QStringLiteral("http://");
    return url.append(HostPort()).append(APath);
}

void TScriptedServer::Queue(TReply AReply) {
    std::lock_guard<std::mutex> lock(FDataLock);
    FQueue.push_back(std::move(AReply));
}

void TScriptedServer::Queue(QByteArray AReplyBytes) {
    TReply reply;
    reply.Bytes = std::move(AReplyBytes);
    Queue(std::move(reply));
}

void TScriptedServer::SetHandler(THandler AHandler) {
    std::lock_guard<std::mutex> lock(FDataLock);
    FHandler = std::move(AHandler);
}

QList<TRequest> TScriptedServer::Requests() const {
    std::lock_guard<std::mutex> lock(FDataLock);
    return FRequests;
}

int TScriptedServer::RequestCount() const {
    std::lock_guard<std::mutex> lock(FDataLock);
    return int(FRequests.size());
}

TReply TScriptedServer::NextReply(const TRequest& ARequest) {
    THandler handler;
    {
        std::lock_guard<std::mutex> lock(FDataLock);
        FRequests.append(ARequest);
        if (!FQueue.empty()) {
            TReply reply = std::move(FQueue.front());
            FQueue.pop_front();
            return reply;
        }
        handler = FHandler;
    }
    if (handler)
        return handler(ARequest);
    TReply reply;
    reply.Bytes = "HTTP/1.1 500 No reply scripted\r\nContent-Length: 0\r\n\r\n";
    return reply;
}

void TScriptedServer::Serve(TConnection& AConnection, int AIndex) {
    QByteArray pending;
    while (!Stopping()) {
        TRequest request;
        request.Connection = AIndex;
        request.PeerAddress = AConnection.PeerAddress();
        if (!ReadRequest(AConnection, pending, request))
            return;
        const TReply reply = NextReply(request);
        if (!SendReply(AConnection, reply))
            return;
        if (reply.Close ||
            QByteArrayView(request.Header("Connection")).compare("close", Qt::CaseInsensitive) == 0)
            return;
    }
}

// False when the connection is to end after this reply.
bool TScriptedServer::SendReply(TConnection& AConnection, const TReply& AReply) {
    if (AReply.DelayMs > 0 && !SleepMs(AReply.DelayMs))
        return false;
    QByteArrayView bytes(AReply.Bytes);
    if (AReply.StallAfter >= 0)
        bytes = bytes.first(std::min(AReply.StallAfter, bytes.size()));
    if (AReply.CloseAfter >= 0)
        bytes = bytes.first(std::min(AReply.CloseAfter, bytes.size()));
    const qsizetype chunk = AReply.TrickleChunk > 0 ? AReply.TrickleChunk : bytes.size();
    for (qsizetype pos = 0; pos < bytes.size(); pos += chunk) {
        if (pos > 0 && AReply.TrickleDelayMs > 0 && !SleepMs(AReply.TrickleDelayMs))
            return false;
        if (!AConnection.Write(bytes.sliced(pos, std::min(chunk, bytes.size() - pos))))
            return false;
    }
    if (AReply.StallAfter >= 0) {
        WaitForClose(AConnection);
        return false;
    }
    return AReply.CloseAfter < 0;
}

void TScriptedServer::WaitForClose(TConnection& AConnection) {
    char sink[4096];
    while (!Stopping()) {
        if (AConnection.WaitReadable(50) && AConnection.Read(sink, sizeof(sink)) <= 0)
            return;
    }
}

} // namespace tarrow::test
