#pragma once

#include "base/uRunContext.h"
#include "engine/uSpillFile.h"
#include "http/uHTTPPool.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <unordered_map>

namespace tarrow {

class TURLList;

// What fetching one table entry left.
struct TFetched {
    bool Succeeded = false; // a 2xx reply with a body
    QByteArray Body;
    QString ContentType;
    QString Charset;
    QString URL;      // the last request sent: after redirects, where the body came from
    QString Location; // the last redirect followed by the final attempt, as received
    // Of the final reply.
    QString ContentDisposition;
};

// A fetch as the crawl reports it: the log lines of its failed attempts, retries and redirects,
// in order, the counts it adds to, and its result.
struct TFetchOutcome {
    QStringList Lines;
    bool Empty = false;
    bool Failed = false;
    TFetched Fetched;
};

// The crawl's rule for a failed attempt (counted from 0): whether it was the last one, and the line
// logged before the next.
bool IsLastAttempt(int AAttempt, const std::exception& E, const TRunContext& AContext);
QString RetryLine(int AAttempt);

// The table's entries fetched ahead of their turn, several at once, each with the crawl's own
// retries. The crawl still takes them one by one in table order and logs what each left, so the
// run reads as if they had been fetched one after another. Fetching runs up to kAheadPerConnection
// entries per connection ahead, so one slow entry (its retry pauses, say) holds up no others; at
// most kHeldPerConnection bodies per connection wait in memory, the rest (and every large one)
// wait on disk.
class TFetchAhead final : private THTTPPool::TEvents {
public:
    // ALogRedirects: a "Redirect to: " line for each redirect, as the client would log it.
    // A large body that must wait for its turn waits on disk, beside ASpillFolder.
    TFetchAhead(const THTTPRequestSettings& ASettings, int AConnections, bool ALogRedirects,
                const QString& ASpillFolder, const TRunContext& AContext);
    // Bodies larger than this wait on disk.
    static constexpr qsizetype kSpillBytes = qsizetype(4) << 20;
    static constexpr int kHeldPerConnection = 4;
    static constexpr int kAheadPerConnection = 256;

    // Waits for entry AIndex of ATable (fetched by its URL, its first request naming
    // AReferers[AIndex], when there is one), starting the entries after it meanwhile.
    TFetchOutcome Take(int AIndex, const TURLList& ATable, const QStringList& AReferers);

private:
    struct TPending {
        TFetchOutcome Outcome;
        int Attempts = 0;
        bool Done = false;
        bool InMemory = false; // its body counts against the memory budget
        TSpillFile::TPlace Spilled;
    };

    void Feed(int AIndex, const TURLList& ATable, const QStringList& AReferers);
    void TakeBack(TPending& APending);
    void SetAside(int AJob, TPending& APending);
    void Redirected(int AJob, const QString& ALocation) override;
    int Failed(int AJob, const std::exception& E) override;
    void Finished(int AJob, THTTPResponse&& AResponse) override;

    const TRunContext& FContext;
    bool FLogRedirects;
    TSpillFile FSpill;
    int FMemoryBudget;
    int FInMemory = 0;
    int FWindow;
    int FTaking = -1; // the entry Take waits for
    int FNext = 0;    // the first table entry not handed to the pool yet
    std::unordered_map<int, TPending> FPending;
    THTTPPool FPool;
};

} // namespace tarrow
