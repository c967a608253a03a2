#pragma once
// A scripted HTTP server on 127.0.0.1 for tests: each test states the exact bytes of each reply and
// afterwards reads the requests it received and the connections it accepted.
//
//   TScriptedServer server;                        // plain HTTP; TScriptedServer::TLS() for HTTPS
//   server.Queue(MakeReply(200, "OK", {{"Content-Type", "text/html"}}, "<p>hi</p>"));
//   server.Queue(Redirect(302, "/next"));          // replies are used one per request, in order
//   server.SetHandler([](const TRequest& R) {      // ... and when the queue is empty, the handler
//       return R.Path() == "/a" ? MakeReply(200, "OK", {}, "A") : MakeReply(404, "Not Found");
//   });
//   client.HTTPGet(server.URL(u"/page"), ...);
//   server.Requests()[0].Header("Referer");        // what the client sent
//   server.ConnectionCount();                      // connections accepted so far
//
// Each accepted connection is served on its own thread: requests are read one after another
// (keep-alive) until the client closes, a reply asks to close, or the server stops. A request is
// recorded before its reply is sent, so after a client call returns its requests are all there.
// The handler runs on those threads and must be safe to call from several at once. Reply options
// (TReply) add a delay, a stall, a close in the middle and a slow trickle. Without a queued reply
// or a handler the server answers "HTTP/1.1 500 No reply scripted".
// The builders of reply bytes (MakeReply, Redirect, GzipCompress, ...) are in TestReplies.h.

#include "tests/support/TestSocket.h"
#include "tests/support/TestTLS.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringView>
#include <deque>
#include <functional>
#include <mutex>

namespace tarrow::test {

using THeaderList = QList<QPair<QByteArray, QByteArray>>;

// One request as the server read it.
struct TRequest {
    int Connection = -1;    // index of the connection that carried it, counted from 0
    QByteArray PeerAddress; // the client's address, such as "127.0.0.1"
    QByteArray Raw;         // the head exactly as received, up to and including the empty line
    QByteArray Body;        // read by Content-Length
    QByteArray Method;
    QByteArray Target; // as in the request line (origin form, or absolute form through a proxy)
    QByteArray Version;
    THeaderList Headers; // in order; values without surrounding blanks

    // The first value of a header (name without regard to case); empty when absent.
    QByteArray Header(QByteArrayView AName) const;
    bool HasHeader(QByteArrayView AName) const;
    // How many times a header occurs.
    int HeaderCount(QByteArrayView AName) const;
    // The target in origin form: an absolute-form target loses its scheme and host.
    QByteArray Path() const;
};

// What the server does for one request.
struct TReply {
    QByteArray Bytes;           // written exactly as given
    int DelayMs = 0;            // pause before the first byte
    qsizetype StallAfter = -1;  // write only this many bytes, then nothing more until the client
                                // closes or the server stops
    qsizetype CloseAfter = -1;  // write only this many bytes, then close the connection
    qsizetype TrickleChunk = 0; // write in pieces of this size ...
    int TrickleDelayMs = 0;     // ... with this pause before each piece after the first
    bool Close = false;         // close the connection after the reply
};

using THandler = std::function<TReply(const TRequest& ARequest)>;

class TScriptedServer final : public TLoopbackListener {
public:
    // Plain HTTP.
    TScriptedServer();
    // HTTPS with the run's self-signed certificate, limited to the given OpenSSL protocol
    // versions (0 leaves a bound open) and, when given, to a cipher list (TLS 1.2 and older).
    static std::unique_ptr<TScriptedServer> TLS(int AMinVersion = 0, int AMaxVersion = 0,
                                                const char* ACipherList = nullptr);
    ~TScriptedServer() override;

    bool IsTLS() const { return FTLSContext != nullptr; }
    // "127.0.0.1:<port>"
    QString HostPort() const;
    // "http://127.0.0.1:<port>" (https for TLS) followed by APath.
    QString URL(QStringView APath = u"/") const;

    void Queue(TReply AReply);
    void Queue(QByteArray AReplyBytes);
    void SetHandler(THandler AHandler);

    QList<TRequest> Requests() const;
    int RequestCount() const;

private:
    explicit TScriptedServer(TTLSContext AContext);
    void Serve(TConnection& AConnection, int AIndex) override;
    TReply NextReply(const TRequest& ARequest);
    bool SendReply(TConnection& AConnection, const TReply& AReply);
    void WaitForClose(TConnection& AConnection);

    TTLSContext FTLSContext;
    mutable std::mutex FDataLock;
    std::deque<TReply> FQueue;
    THandler FHandler;
    QList<TRequest> FRequests;
};

// Reads one request head (and its Content-Length body) from a connection. APending holds bytes
// read beyond the previous request. False when the peer closed or sent a head over 1 MiB.
bool ReadRequest(TConnection& AConnection, QByteArray& APending, TRequest& ARequest);

} // namespace tarrow::test
