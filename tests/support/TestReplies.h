#pragma once
// Builders of reply bytes for TScriptedServer, and the compressors tests need for bodies.

#include "tests/support/TestServer.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

namespace tarrow::test {

// "HTTP/1.1 <code> <reason>", the headers in order, "Content-Length" unless AHeaders holds one
// or a "Transfer-Encoding", an empty line and the body.
QByteArray ReplyBytes(int ACode, QByteArrayView AReason, const THeaderList& AHeaders = {},
                      QByteArrayView ABody = {});
TReply MakeReply(int ACode, QByteArrayView AReason, const THeaderList& AHeaders = {},
                 QByteArrayView ABody = {});
// A 200 reply with the given Content-Type.
TReply OkReply(QByteArrayView ABody, QByteArrayView AContentType = "text/html");
// A redirect with the usual reason phrase and an empty body.
TReply Redirect(int ACode, QByteArrayView ALocation);
// A 200 reply whose body is sent in the given chunks ("Transfer-Encoding: chunked").
TReply ChunkedReply(const THeaderList& AHeaders, const QList<QByteArray>& AChunks);
QByteArray ReasonPhrase(int ACode);

// A gzip member (RFC 1952) and a zlib stream (RFC 1950) of AData.
QByteArray GzipCompress(QByteArrayView AData);
QByteArray ZlibCompress(QByteArrayView AData);

} // namespace tarrow::test
