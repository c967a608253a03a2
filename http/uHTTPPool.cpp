#include "http/uHTTPPool.h"

#include "http/uHTTPGetSteps.h"

#include <algorithm>
#include <new>
#include <optional>

namespace tarrow {

struct THTTPPool::TJob {
    int Id = 0;
    QString StartURL;
    QString StartReferer;
    std::optional<THTTPGetSteps> Get; // the GET of the current attempt
    TCurlEasy* Easy = nullptr;        // while running
    QByteArray Received;              // as received, when the body is decoded afterwards
    QByteArray Body;
    TClock::time_point Due;
    bool Paced = false; // the current attempt may start: its redirects follow without a pause
};

THTTPPool::THTTPPool(const THTTPRequestSettings& ASettings, int AConnections, TEvents& AEvents)
    : FSettings(ASettings), FConnections(std::max(AConnections, 1)), FEvents(AEvents) {
    FSettings.Transfer.HTTP2 = true;
    FShare.reset(curl_share_init());
    FMulti.reset(curl_multi_init());
    if (!FShare || !FMulti)
        throw std::bad_alloc();
    for (const curl_lock_data data : {CURL_LOCK_DATA_SSL_SESSION, CURL_LOCK_DATA_DNS})
        curl_share_setopt(FShare.get(), CURLSHOPT_SHARE, data);
    // A custom cookie replaces the cookie store, as with the client.
    if (FSettings.CustomCookie.isEmpty()) {
        curl_share_setopt(FShare.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
        LoadCookies();
    }
    CURLM* m = FMulti.get();
    curl_multi_setopt(m, CURLMOPT_MAX_HOST_CONNECTIONS, long(FConnections));
    curl_multi_setopt(m, CURLMOPT_MAX_TOTAL_CONNECTIONS, long(FConnections));
    curl_multi_setopt(m, CURLMOPT_MAXCONNECTS, long(FConnections) * 2);
    curl_multi_setopt(m, CURLMOPT_PIPELINING, long(CURLPIPE_MULTIPLEX));
}

// The cookies the store starts with, put into the share through a handle used for nothing else.
void THTTPPool::LoadCookies() {
    if (FSettings.CookieLines.isEmpty())
        return;
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> easy(curl_easy_init(), curl_easy_cleanup);
    if (!easy)
        throw std::bad_alloc();
    curl_easy_setopt(easy.get(), CURLOPT_SHARE, FShare.get());
    for (const QByteArray& line : FSettings.CookieLines)
        curl_easy_setopt(easy.get(), CURLOPT_COOKIELIST, line.constData());
    curl_easy_setopt(easy.get(), CURLOPT_SHARE, nullptr);
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
    job->Due = TClock::now();
    StartOver(*job);
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
    const bool ended = ReadDone();
    StartDue();
    // What ended may give the caller more to add: it hears of it before anything waits.
    int waitMs = ended ? 0 : std::clamp(AMaxWaitMs, 0, kAbortPollMs);
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
    if (IsAborted())
        return; // after Break no transfer starts, not even a redirect's
    const TClock::time_point now = TClock::now();
    // In the order added, so earlier entries are never overtaken for a slot.
    for (std::size_t i = 0; i < FJobs.size() && int(FRunning.size()) < FConnections; ++i) {
        TJob& job = *FJobs[i];
        if (job.Easy || job.Due > now)
            continue;
        if (!job.Paced) {
            const int delayMs = FEvents.StartDelayMs(job.Id, job.StartURL);
            if (delayMs > 0) {
                Wait(job, delayMs);
                continue;
            }
            job.Paced = true;
        }
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
    easy->SetShare(FShare.get(), FSettings.CustomCookie.isEmpty());
    easy->SetSocketRegistry(&FSockets);
    FEasies.push_back(std::move(easy));
    return FEasies.back().get();
}

void THTTPPool::StartOver(TJob& AJob) {
    AJob.Paced = false;
    AJob.Get.emplace(FSettings, AJob.StartURL, AJob.StartReferer, true, FSettings.GzipDeflate,
                     FSettings.MaxRedirects, FSettings.TimeoutRetries);
}

void THTTPPool::Start(TJob& AJob) {
    const THTTPGetSteps::TRequest request = AJob.Get->Next();
    try {
        THTTPGetSteps::CheckSendable(request);
    } catch (const ETransportError& E) {
        Fail(AJob, E);
        return;
    }
    TCurlEasy* easy = TakeEasy();
    AJob.Received.clear();
    AJob.Body.clear();
    easy->Begin(request.WireURL, request.Headers, AJob.Get->Decode() ? AJob.Received : AJob.Body);
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

bool THTTPPool::ReadDone() {
    bool ended = false;
    int queued = 0;
    while (CURLMsg* msg = curl_multi_info_read(FMulti.get(), &queued)) {
        if (msg->msg != CURLMSG_DONE)
            continue;
        if (TJob* job = FindRunning(msg->easy_handle)) {
            End(*job, msg->data.result);
            ended = true;
        }
    }
    return ended;
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
    if (FSettings.Transfer.KeepHeads)
        FEvents.Exchanged(AJob.Id, easy->Heads());
    try {
        TReplyInfo reply;
        try {
            reply = easy->End(AResult);
        } catch (const ETransportError& E) {
            AJob.Get->OnTransportError(E); // a retry, or raised again
            Wait(AJob, AJob.Get->PauseMs());
            return;
        }
        TakeReply(AJob, reply);
    } catch (const std::exception& E) {
        Fail(AJob, E);
    }
}

void THTTPPool::TakeReply(TJob& AJob, const TReplyInfo& AReply) {
    THTTPGetSteps& get = *AJob.Get;
    switch (get.OnReply(AReply, AJob.Received, AJob.Body, 0)) {
    case THTTPGetSteps::TStep::stFinished: {
        THTTPResponse response{std::move(AJob.Body), get.Type().MediaType, get.Type().Charset,
                               get.CurURL(), get.Location()};
        response.ContentDisposition = AReply.ContentDisposition;
        response.ETag = AReply.ETag;
        response.LastModified = AReply.LastModified;
        response.NotModified = get.NotModified();
        const int id = AJob.Id;
        Remove(AJob);
        FEvents.Finished(id, std::move(response));
        return;
    }
    case THTTPGetSteps::TStep::stRedirected:
        FEvents.Redirected(AJob.Id, get.Location());
        break;
    case THTTPGetSteps::TStep::stRetry:
        break;
    }
    Wait(AJob, get.PauseMs());
}

void THTTPPool::Fail(TJob& AJob, const std::exception& E) {
    const int pause = FEvents.Failed(AJob.Id, E);
    if (pause < 0) {
        Remove(AJob);
        return;
    }
    // Another attempt of the whole GET, from the job's own URL.
    StartOver(AJob);
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
