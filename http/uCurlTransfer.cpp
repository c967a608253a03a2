#include "http/uCurlTransfer.h"

#include <new>

namespace tarrow {

TCurlTransfer::TCurlTransfer() {
    FShare.reset(curl_share_init());
    FMulti.reset(curl_multi_init());
    if (!FShare || !FMulti)
        throw std::bad_alloc();
    curl_share_setopt(FShare.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    FEasy.SetShare(FShare.get());
    FEasy.SetSocketRegistry(&FSockets);
}

TCurlTransfer::~TCurlTransfer() {
    // Connections close before the share they may refer to.
    FMulti.reset();
    FEasy.SetShare(nullptr);
}

void TCurlTransfer::SetConnectTimeoutMs(int AMs) {
    Change([AMs](TCurlOptions& O) { O.ConnectTimeoutMs = AMs; });
}

void TCurlTransfer::SetReadTimeoutMs(int AMs) {
    Change([AMs](TCurlOptions& O) { O.ReadTimeoutMs = AMs; });
}

void TCurlTransfer::SetUserAgent(const QString& AUserAgent) {
    Change([&AUserAgent](TCurlOptions& O) { O.UserAgent = AUserAgent; });
}

void TCurlTransfer::SetVerifyTLS(bool AVerify, const QString& ACAFile) {
    Change([&](TCurlOptions& O) {
        O.VerifyTLS = AVerify;
        O.CAFile = ACAFile;
    });
}

void TCurlTransfer::SetBoundIP(const QString& ABoundIP) {
    Change([&ABoundIP](TCurlOptions& O) { O.BoundIP = ABoundIP; });
}

void TCurlTransfer::SetProxy(TProxyKind AKind, const QString& AHost, int APort,
                             const QString& AUser, const QString& APassword) {
    Change([&](TCurlOptions& O) {
        O.ProxyKind = AKind;
        O.ProxyHost = AHost;
        O.ProxyPort = APort;
        O.ProxyUser = AUser;
        O.ProxyPassword = APassword;
    });
}

void TCurlTransfer::SetMaxBodySize(qint64 ABytes) {
    Change([ABytes](TCurlOptions& O) { O.MaxBodySize = ABytes; });
}

void TCurlTransfer::SetRecorder(TWireRecorder* ARecorder) {
    Change([ARecorder](TCurlOptions& O) { O.Recorder = ARecorder; });
}

void TCurlTransfer::SetKeepHeads(bool AKeep) {
    Change([AKeep](TCurlOptions& O) { O.KeepHeads = AKeep; });
}

void TCurlTransfer::LoadCookies(const QList<QByteArray>& ALines) {
    // The handle is attached to the share, so the cookies land in the store every request reads.
    for (const QByteArray& line : ALines)
        curl_easy_setopt(FEasy.Handle(), CURLOPT_COOKIELIST, line.constData());
}

void TCurlTransfer::SetCookieStore(bool AOn) {
    if (AOn == FCookieStoreOn)
        return;
    FCookieStoreOn = AOn;
    // Detaching the share keeps its cookies for when the store is switched on again.
    FEasy.SetShare(AOn ? FShare.get() : nullptr);
}

void TCurlTransfer::CloseConnection() {
    // The connection lives in the multi handle's cache; a fresh multi handle closes it.
    TCurlMulti fresh(curl_multi_init());
    if (!fresh)
        throw std::bad_alloc();
    FMulti = std::move(fresh);
}

TReplyInfo TCurlTransfer::Get(const QByteArray& AURL, const QList<QByteArray>& AHeaders,
                              QByteArray& ABody) {
    FEasy.Begin(AURL, AHeaders, ABody);
    return FEasy.End(Run());
}

CURLcode TCurlTransfer::Run() {
    CURL* easy = FEasy.Handle();
    if (curl_multi_add_handle(FMulti.get(), easy) != CURLM_OK)
        return CURLE_FAILED_INIT;
    struct TRemove {
        CURLM* M;
        CURL* E;
        ~TRemove() { curl_multi_remove_handle(M, E); }
    } remove{FMulti.get(), easy};

    for (;;) {
        int running = 0;
        if (curl_multi_perform(FMulti.get(), &running) != CURLM_OK)
            return CURLE_FAILED_INIT;
        if (running == 0)
            break;
        if (FAbortFlag && FAbortFlag->IsSet()) {
            FEasy.MarkAborted();
            return CURLE_ABORTED_BY_CALLBACK;
        }
        int waitMs = kAbortPollMs;
        if (FEasy.CheckReadTimeout(waitMs))
            return CURLE_OPERATION_TIMEDOUT;
        curl_multi_poll(FMulti.get(), nullptr, 0, waitMs, nullptr);
    }
    int queued = 0;
    while (CURLMsg* msg = curl_multi_info_read(FMulti.get(), &queued))
        if (msg->msg == CURLMSG_DONE)
            return msg->data.result;
    return CURLE_FAILED_INIT;
}

} // namespace tarrow
