#pragma once
// A site on 127.0.0.1 for whole crawls: one reply (or a sequence of replies) per path, 404 for
// every other path unless a default is set, and hits counted per path.

#include "tests/support/TestReplies.h"
#include "tests/support/TestServer.h"

#include <QHash>
#include <QList>

#include <functional>
#include <memory>
#include <mutex>

namespace tarrow::test {

class TScriptedSite final {
public:
    TScriptedSite() { SetServer(std::make_unique<TScriptedServer>()); }
    // Serves from AServer instead (a TLS server, for instance).
    void SetServer(std::unique_ptr<TScriptedServer> AServer);

    void Page(const QByteArray& APath, TReply AReply) { Sequence(APath, {std::move(AReply)}); }
    // Replies for successive requests of one path; the last one repeats.
    void Sequence(const QByteArray& APath, QList<TReply> AReplies);
    void Html(const QByteArray& APath, const QByteArray& ABody) { Page(APath, OkReply(ABody)); }
    // The reply of every path that has none of its own (404 when not set).
    void Default(TReply AReply);
    // Called on the server's threads for each request, before the reply is chosen.
    void OnRequest(std::function<void(const TRequest&)> AHook);
    int Hits(const QByteArray& APath) const;
    QString URL(QStringView APath = u"/") const { return FServer->URL(APath); }
    QString HostPort() const { return FServer->HostPort(); }
    TScriptedServer& Server() { return *FServer; }

private:
    TReply Answer(const TRequest& ARequest);

    mutable std::mutex FLock;
    QHash<QByteArray, QList<TReply>> FReplies;
    QHash<QByteArray, int> FHits;
    TReply FDefault = MakeReply(404, "Not Found");
    std::function<void(const TRequest&)> FHook;
    std::unique_ptr<TScriptedServer> FServer;
};

} // namespace tarrow::test
