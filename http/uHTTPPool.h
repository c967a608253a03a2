#pragma once

#include "http/HTTPClientUnit.h"
#include "http/uCurlEasy.h"

#include <QByteArray>
#include <QString>
#include <chrono>
#include <curl/curl.h>
#include <exception>
#include <memory>
#include <vector>

namespace tarrow {

// What one GET left: the body of its final 2xx reply and what the body is.
struct THTTPResponse {
    QByteArray Body;
    QString ContentType; // media type, without parameters
    QString Charset;
    QString URL;      // the last request sent: after redirects, where the body came from
    QString Location; // the last redirect followed by the final attempt, as received
    // Of the final reply, as received.
    QString ContentDisposition = {};
    QString ETag = {};
    QString LastModified = {};
    bool NotModified = false; // a conditional request's "304 Not Modified": no body
};

// Many GETs at once on one thread: libcurl's multi interface with up to a given number of
// transfers in flight (and of connections, per host and in all), connections kept alive, TLS
// sessions resumed and HTTP/2 offered over TLS. Each GET follows its redirects and decodes its
// body by the client's rules, with its own pauses, so one URL's waits never hold up another.
// Cookies are shared: a request carries those known when it starts, or only the client's custom
// cookie when it has one. Not thread safe.
class THTTPPool final {
public:
    // Called from Poll, on the pool's thread.
    class TEvents {
    public:
        virtual ~TEvents() = default;
        // A transfer of the job ended (with the settings' KeepHeads only): its heads, before
        // the redirect, failure or finish it leads to.
        virtual void Exchanged(int AJob, const TWireHeads& AHeads) {
            (void)AJob;
            (void)AHeads;
        }
        virtual void Redirected(int AJob, const QString& ALocation) = 0;
        // An attempt failed: the pause before the job starts over from its URL, or -1 to end it.
        virtual int Failed(int AJob, const std::exception& E) = 0;
        virtual void Finished(int AJob, THTTPResponse&& AResponse) = 0;
        // Milliseconds before an attempt of a due job may send its first request to AURL; 0
        // when it starts now. Asked once per attempt, in the order the jobs were added.
        virtual int StartDelayMs(int AJob, const QString& AURL) {
            (void)AJob;
            (void)AURL;
            return 0;
        }
    };

    THTTPPool(const THTTPRequestSettings& ASettings, int AConnections, TEvents& AEvents);
    ~THTTPPool();
    THTTPPool(const THTTPPool&) = delete;
    THTTPPool& operator=(const THTTPPool&) = delete;

    // Queues a GET of AURL; the Referer of its first request is AReferer (none when empty).
    void Add(int AJob, const QString& AURL, const QString& AReferer);
    // Jobs added and not ended.
    int Pending() const { return int(FJobs.size()); }
    // Runs the transfers for up to AMaxWaitMs, reporting what happens; it returns without
    // waiting once a transfer has ended. Once the abort flag is set, every job fails with
    // "Aborted.".
    void Poll(int AMaxWaitMs);

    static constexpr int kAbortPollMs = tarrow::kAbortPollMs;

private:
    void LoadCookies();
    struct TJob;
    using TClock = std::chrono::steady_clock;

    bool IsAborted() const;
    void AbortAll();
    void StartDue();
    void StartOver(TJob& AJob);
    void Start(TJob& AJob);
    bool ReadDone(); // whether a transfer ended
    void CheckReadTimeouts(int& AWaitMs);
    void End(TJob& AJob, CURLcode AResult);
    void TakeReply(TJob& AJob, const TReplyInfo& AReply);
    void Fail(TJob& AJob, const std::exception& E);
    void Wait(TJob& AJob, int AMs);
    void Remove(TJob& AJob);
    TCurlEasy* TakeEasy();
    TJob* FindRunning(CURL* AEasy);
    // Takes a running job's transfer off the multi handle; its easy handle becomes idle.
    void Detach(TJob& AJob);

    THTTPRequestSettings FSettings;
    int FConnections;
    TEvents& FEvents;
    // The easy handles outlive the multi handle, whose cache may hold their connections.
    TSocketRegistry FSockets;
    std::vector<std::unique_ptr<TCurlEasy>> FEasies;
    std::vector<TCurlEasy*> FIdle;
    TCurlShare FShare;
    TCurlMulti FMulti;
    std::vector<std::unique_ptr<TJob>> FJobs; // in the order they were added
    std::vector<TJob*> FRunning;              // those with a transfer, at most FConnections
};

} // namespace tarrow
