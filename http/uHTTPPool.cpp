#include "http/uHTTPPool.h"

#include "base/uStrUtils.h"
#include "base/uURLUtils.h"
#include "http/LibSSLUnit.h"

#include <algorithm>
#include <new>

namespace tarrow {

struct THTTPPool::TJob {
    int Id = 0;
    QString StartURL;
    QString StartReferer;
    QString URL;     // of the next request: the job's URL, then each redirect's Location
    QString Referer; // the chain within the job: each request names the one before it
    QString CurURL;  // the last request sent
    QString Location;
    int Attempt = 0; // requests of the current GET (redirects and time-out retries)
    int TimeoutRetries = 0;
    TCurlEasy* Easy = nullptr; // while running
    QByteArray Received;       // as received, when the body is decoded afterwards
    QByteArray Body;
    TClock::time_point Due;
};

THTTPPool::THTTPPool(const THTTPRequestSettings& ASettings, int AConnections, TEvents& AEvents)
    : FSettings(ASettings), FConnections(std::max(AConnections, 1)), FEvents(AEvents) {
    FSettings.Transfer.HTTP2 = true;
    FShare.reset(curl_share_init());
    FMulti.reset(curl_multi_init());
    if (!FShare || !FMulti)
        throw std::bad_alloc();
    for (const curl_lock_data data :
         {CURL_LOCK_DATA_COOKIE, CURL_LOCK_DATA_SSL_SESSION, CURL_LOCK_DATA_DNS})
        curl_share_setopt(FShare.get(), CURLSHOPT_SHARE, data);
    CURLM* m = FMulti.get();
    curl_multi_setopt(m, CURLMOPT_MAX_HOST_CONNECTIONS, long(FConnections));
    curl_multi_setopt(m, CURLMOPT_MAX_TOTAL_CONNECTIONS, long(FConnections));
    curl_multi_setopt(m, CURLMOPT_MAXCONNECTS, long(FConnections) * 2);
    curl_multi_setopt(m, CURLMOPT_PIPELINING, long(CURLPIPE_MULTIPLEX));
}

THTTPPool::~THTTPPool() {
    for (TJob* job : FRunning)
        curl_multi_remove_handle(FMulti.get(), job->Easy->Handle());
    // Connections close first, then the easy handles leave the share, which can then go.
    FMulti.reset();
    for (const auto& easy : FEasies)
        easy->SetShare(nullptr);
    FShare.reset();
}

void THTTPPool::Add(int AJob, const QString& AURL, const QString& AReferer) {
    auto job = std::make_unique<TJob>();
    job->Id = AJob;
    job->StartURL = AURL;
    job->StartReferer = AReferer;
    job->URL = AURL;
    job->Referer = AReferer;
    job->Due = TClock::now();
    FJobs.push_back(std::move(job));
}

bool THTTPPool::IsAborted() const {
    return FSettings.AbortFlag && FSettings.AbortFlag->IsSet();
}

void THTTPPool::Poll(int AMaxWaitMs) {
    if (IsAborted()) {
        AbortAll();
        return;
    }
    StartDue();
    int running = 0;
    curl_multi_perform(FMulti.get(), &running);
    ReadDone();
    StartDue();
    int waitMs = std::clamp(AMaxWaitMs, 0, kAbortPollMs);
    CheckReadTimeouts(waitMs);
    const TClock::time_point now = TClock::now();
    // A job waiting only for a free slot wakes with the transfer that frees it.
    const bool slotFree = int(FRunning.size()) < FConnections;
    for (std::size_t i = 0; slotFree && waitMs > 0 && i < FJobs.size(); ++i) {
        if (FJobs[i]->Easy)
            continue;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(FJobs[i]->Due - now).count();
        waitMs = int(std::clamp<qint64>(left, 0, waitMs));
    }
    if (!FJobs.empty() && waitMs > 0)
        curl_multi_poll(FMulti.get(), nullptr, 0, waitMs, nullptr);
}

void THTTPPool::AbortAll() {
    // Each job hears of it once; a job that asks to start over is failed again next time.
    const std::vector<TJob*> jobs = [this] {
        std::vector<TJob*> all;
        for (const auto& job : FJobs)
            all.push_back(job.get());
        return all;
    }();
    for (TJob* job : jobs) {
        if (job->Easy)
            Detach(*job);
        Fail(*job, AbortedError());
    }
}

void THTTPPool::StartDue() {
    const TClock::time_point now = TClock::now();
    // In the order added, so earlier entries are never overtaken for a slot.
    for (std::size_t i = 0; i < FJobs.size() && int(FRunning.size()) < FConnections; ++i) {
        TJob& job = *FJobs[i];
        if (!job.Easy && job.Due <= now)
            Start(job);
    }
}

TCurlEasy* THTTPPool::TakeEasy() {
    if (!FIdle.empty()) {
        TCurlEasy* easy = FIdle.back();
        FIdle.pop_back();
        return easy;
    }
    auto easy = std::make_unique<TCurlEasy>();
    easy->Apply(FSettings.Transfer);
    easy->SetShare(FShare.get());
    easy->SetSocketRegistry(&FSockets);
    FEasies.push_back(std::move(easy));
    return FEasies.back().get();
}

void THTTPPool::Start(TJob& AJob) {
    QString url = NormalizeURL(AJob.URL);
    if (!url.isEmpty() && !url.contains(u"://"))
        url = ExpandRefererURL(url, AJob.Referer);
    const QList<QByteArray> headers = RequestHeaders(FSettings.GzipDeflate, AJob.Referer, {});
    AJob.Referer = RemoveURLFragment(url);
    AJob.CurURL = url;
    AJob.URL = url;
    ++AJob.Attempt;
    if (AsciiStartsText(url, u"https:") && !IsSSLLibraryAvailable()) {
        Fail(AJob, ETransportError(TTransportFault::tfTLSUnavailable, SSLLibraryMissingMessage()));
        return;
    }
    TCurlEasy* easy = TakeEasy();
    AJob.Received.clear();
    AJob.Body.clear();
    easy->Begin(EncodeRequestURL(url), headers, FSettings.GzipDeflate ? AJob.Received : AJob.Body);
    if (curl_multi_add_handle(FMulti.get(), easy->Handle()) != CURLM_OK) {
        FIdle.push_back(easy);
        Fail(AJob, ETransportError(TTransportFault::tfOther,
                                   QStringLiteral("Could not start the request.")));
        return;
    }
    AJob.Easy = easy;
    FRunning.push_back(&AJob);
}

THTTPPool::TJob* THTTPPool::FindRunning(CURL* AEasy) {
    for (TJob* job : FRunning)
        if (job->Easy->Handle() == AEasy)
            return job;
    return nullptr;
}

void THTTPPool::Detach(TJob& AJob) {
    curl_multi_remove_handle(FMulti.get(), AJob.Easy->Handle());
    FIdle.push_back(AJob.Easy);
    AJob.Easy = nullptr;
    FRunning.erase(std::find(FRunning.begin(), FRunning.end(), &AJob));
}

void THTTPPool::ReadDone() {
    int queued = 0;
    while (CURLMsg* msg = curl_multi_info_read(FMulti.get(), &queued)) {
        if (msg->msg != CURLMSG_DONE)
            continue;
        if (TJob* job = FindRunning(msg->easy_handle))
            End(*job, msg->data.result);
    }
}

void THTTPPool::CheckReadTimeouts(int& AWaitMs) {
    std::vector<TJob*> timedOut;
    for (TJob* job : FRunning)
        if (job->Easy->CheckReadTimeout(AWaitMs))
            timedOut.push_back(job);
    for (TJob* job : timedOut)
        End(*job, CURLE_OPERATION_TIMEDOUT);
}

void THTTPPool::End(TJob& AJob, CURLcode AResult) {
    TCurlEasy* easy = AJob.Easy;
    Detach(AJob);
    TReplyInfo reply;
    try {
        reply = easy->End(AResult);
    } catch (const ETransportError& E) {
        // A time-out retry of the client's own counts as one of the GET's requests.
        if (IsRetryableError(E) && ++AJob.TimeoutRetries <= FSettings.TimeoutRetries &&
            AJob.Attempt <= FSettings.MaxRedirects) {
            Wait(AJob, FSettings.RetryPauseMs);
            return;
        }
        Fail(AJob, E);
        return;
    } catch (const std::exception& E) {
        Fail(AJob, E);
        return;
    }
    try {
        TakeReply(AJob, reply);
    } catch (const std::exception& E) {
        Fail(AJob, E);
    }
}

void THTTPPool::TakeReply(TJob& AJob, const TReplyInfo& AReply) {
    if (AReply.Code >= 200 && AReply.Code <= 299) {
        const TResponseType type =
            FinishResponse(AJob.CurURL, AReply, FSettings.GzipDeflate, AJob.Received, AJob.Body, 0,
                           FSettings.MaxDecodedSize);
        THTTPResponse response{std::move(AJob.Body), type.MediaType, type.Charset, AJob.CurURL,
                               AJob.Location};
        response.ContentDisposition = AReply.ContentDisposition;
        const int id = AJob.Id;
        Remove(AJob);
        FEvents.Finished(id, std::move(response));
        return;
    }
    // A redirect without a Location cannot be followed: it fails like any other reply.
    if (AJob.Attempt <= FSettings.MaxRedirects && IsRedirectReply(AReply.Code) &&
        !AReply.Location.isEmpty()) {
        FEvents.Redirected(AJob.Id, AReply.Location);
        AJob.Location = AReply.Location;
        AJob.URL = AReply.Location;
        AJob.TimeoutRetries = 0;
        Wait(AJob, FSettings.RetryPauseMs);
        return;
    }
    if (AReply.StatusLine.isEmpty())
        throw EHTTPProtocolError(AReply.Code, QStringLiteral("Reply Error # %1").arg(AReply.Code));
    throw EHTTPProtocolError(AReply.Code, AReply.StatusLine);
}

void THTTPPool::Fail(TJob& AJob, const std::exception& E) {
    const int pause = FEvents.Failed(AJob.Id, E);
    if (pause < 0) {
        Remove(AJob);
        return;
    }
    // Another attempt of the whole GET, from the job's own URL.
    AJob.URL = AJob.StartURL;
    AJob.Referer = AJob.StartReferer;
    AJob.Location.clear();
    AJob.Attempt = 0;
    AJob.TimeoutRetries = 0;
    Wait(AJob, pause);
}

void THTTPPool::Wait(TJob& AJob, int AMs) {
    AJob.Due = TClock::now() + std::chrono::milliseconds(std::max(AMs, 0));
}

void THTTPPool::Remove(TJob& AJob) {
    const auto it = std::find_if(FJobs.begin(), FJobs.end(),
                                 [&AJob](const auto& J) { return J.get() == &AJob; });
    if (it != FJobs.end())
        FJobs.erase(it);
}

} // namespace tarrow
