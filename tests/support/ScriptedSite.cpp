#include "tests/support/ScriptedSite.h"

namespace tarrow::test {

void TScriptedSite::SetServer(std::unique_ptr<TScriptedServer> AServer) {
    FServer = std::move(AServer);
    FServer->SetHandler([this](const TRequest& ARequest) { return Answer(ARequest); });
}

void TScriptedSite::Sequence(const QByteArray& APath, QList<TReply> AReplies) {
    std::lock_guard lock(FLock);
    FReplies.insert(APath, std::move(AReplies));
}

void TScriptedSite::Default(TReply AReply) {
    std::lock_guard lock(FLock);
    FDefault = std::move(AReply);
}

void TScriptedSite::OnRequest(std::function<void(const TRequest&)> AHook) {
    std::lock_guard lock(FLock);
    FHook = std::move(AHook);
}

int TScriptedSite::Hits(const QByteArray& APath) const {
    std::lock_guard lock(FLock);
    return FHits.value(APath);
}

TReply TScriptedSite::Answer(const TRequest& ARequest) {
    std::function<void(const TRequest&)> hook;
    {
        std::lock_guard lock(FLock);
        hook = FHook;
    }
    if (hook)
        hook(ARequest);
    std::lock_guard lock(FLock);
    const int hit = FHits[ARequest.Path()]++;
    const auto it = FReplies.constFind(ARequest.Path());
    if (it == FReplies.constEnd() || it->isEmpty())
        return FDefault;
    return it->at(qMin<qsizetype>(hit, it->size() - 1));
}

} // namespace tarrow::test
