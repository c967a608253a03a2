#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

namespace tarrow {

// One request and the final reply to it, as they went over the wire.
struct TWireExchange {
    QByteArray URL;       // as requested
    QByteArray Request;   // request line and headers as sent, with the empty line that ends them
    QByteArray ReplyHead; // status line and headers of the final reply, with the empty line
    QString StatusLine;   // of the final reply, with the usual reason added to an HTTP/2 one
    int Code = 0;         // of the final reply
    QByteArrayView Body;  // the reply's body without its chunk framing, still content-encoded
    bool HTTP2 = false;   // the exchange went over HTTP/2 (or 3): the heads are no HTTP/1 text
    QString IPAddress;    // of the peer the connection went to
    QDateTime Time;       // when the request went out, UTC
};

// Told of every transfer that got a complete reply (redirects and error replies too), on the
// transfer's thread, as the transfer ends. It must not throw: a failure it keeps to itself.
class TWireRecorder {
public:
    virtual ~TWireRecorder() = default;
    virtual void Record(const TWireExchange& AExchange) noexcept = 0;
};

} // namespace tarrow
