#pragma once

#include "base/uRunContext.h"
#include "engine/URLListUnit.h"
#include "engine/uFetchOutcome.h"
#include "engine/uHostPacing.h"
#include "engine/uSpillFile.h"
#include "http/uHTTPPool.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <unordered_map>

namespace tarrow {

// The table's entries fetched ahead of their turn, several at once, each with the crawl's own
// retries. The crawl still takes them one by one in table order and logs what each left, so the
// run reads as if they had been fetched one after another. Fetching runs up to kAheadPerConnection
// entries per connection ahead, with at most kQueuedPerConnection per connection handed to the
// pool at a time, so one slow entry (its retry pauses, say) holds up no others; at most
// kHeldPerConnection bodies per connection wait in memory, the rest (and every large one) wait on
// disk. When the disk takes no more, fetching ahead pauses while the bodies in memory reach
// their budget, and resumes as they are taken: the entry taken is always fetched.
// With a link scan, a body that arrives ahead of its turn is read for links at once on a copy of
// the table, so the entries it will add are fetched ahead too, in the order they will take; an
// entry whose retries pause is taken to add nothing meanwhile. Fetches are matched to entries by
// URL and referer, so a guess that turns out wrong costs a request, never a result: what the
// crawl does not take is dropped unsaved.
class TFetchAhead final : private THTTPPool::TEvents {
public:
    // A large body that must wait for its turn waits on disk, beside ASpillFolder.
    TFetchAhead(const THTTPRequestSettings& ASettings, int AConnections,
                const QString& ASpillFolder, const TRunContext& AContext);
    // Bodies larger than this wait on disk.
    static constexpr qsizetype kSpillBytes = qsizetype(4) << 20;
    static constexpr int kHeldPerConnection = 4;
    static constexpr int kQueuedPerConnection = 2;
    static constexpr int kAheadPerConnection = 256;

    // Whether an entry after the one taken may be fetched ahead now (gGo), never will be (gSkip:
    // the crawl refuses it without a request), or must wait until the crawl reaches it (gWait:
    // nothing after it is fetched ahead meanwhile). Without a gate, every entry may.
    enum class TGate { gGo, gSkip, gWait };
    using TGateCheck = std::function<TGate(const QString& AURL)>;
    void SetGate(TGateCheck AGate) { FGate = std::move(AGate); }
    // What processing entry AIndex of ATable with AFetched adds to ATable; the URL its links are
    // found on (the referer of the entries it adds).
    using TLinkScan =
        std::function<QString(TURLList& ATable, int AIndex, const TFetched& AFetched)>;
    void SetLinkScan(TLinkScan AScan) { FScan = std::move(AScan); }
    // Each attempt's first request waits for its host's turn in APacing, shared with the crawl.
    void SetPacing(THostPacing* APacing) { FPacing = APacing; }

    // Waits for entry AIndex of ATable (fetched by its URL, its first request naming
    // AReferers[AIndex], when there is one), starting the entries after it meanwhile.
    TFetchOutcome Take(int AIndex, const TURLList& ATable, const QStringList& AReferers);

    // Copies of the table made, fetches started, and those dropped without being taken.
    struct TStats {
        int Copies = 0;
        int Started = 0;
        int Wasted = 0;
    };
    ~TFetchAhead() override;

private:
    struct TPending {
        TFetchOutcome Outcome;
        QString URL;
        QString Referer;
        bool Done = false;
        bool Dropped = false;  // no entry will take it; ends unseen
        bool Assumed = false;  // the copy of the table took it to add nothing while it retried
        bool InMemory = false; // its body counts against the memory budget
        bool ReadBack = false; // from disk, to be scanned
        TSpillFile::TPlace Spilled;
    };

    void Feed(int AIndex, const TURLList& ATable, const QStringList& AReferers);
    int Start(const QString& AURL, const QString& AReferer);
    void Drop(int AJob);
    void Ended(int AJob);
    void Sync(int AIndex, const TURLList& ATable, const QStringList& AReferers);
    void ScanAhead();
    bool ReadBack(int AJob, TPending& APending);
    bool MayFetchAhead(int AIndex) const;
    void TakeBack(TPending& APending);
    void SetAside(int AJob, TPending& APending);
    void Hold(TPending& APending);
    void Exchanged(int AJob, const TWireHeads& AHeads) override;
    void Redirected(int AJob, const QString& ALocation) override;
    int Failed(int AJob, const std::exception& E) override;
    void Finished(int AJob, THTTPResponse&& AResponse) override;
    int StartDelayMs(int AJob, const QString& AURL) override;

    const TRunContext& FContext;
    TGateCheck FGate;
    TLinkScan FScan;
    THostPacing* FPacing = nullptr;
    TSpillFile FSpill;
    int FMemoryBudget;   // bodies
    qint64 FMemoryBytes; // what they may hold while the disk takes no more
    qint64 FInMemoryBytes = 0;
    int FInMemory = 0;
    bool FSpillRefused = false; // the disk took no more since it last gave space back
    int FQueueLimit;
    int FInPool = 0; // entries handed to the pool and not done
    int FWindow;
    int FTaking = -1; // the job Take waits for
    int FNext = 0;    // the first entry of the table (or its copy) not looked at yet
    int FLastJob = 0;
    std::unordered_map<int, TPending> FPending; // by job
    std::unordered_map<QString, int> FJobOfURL; // jobs an entry may still take
    // The table as it will be once the entries before FScanned are processed; the real table's
    // entries are its first ones.
    std::unique_ptr<TURLList> FAhead;
    QStringList FAheadReferers;
    int FScanned = 0;
    int FChecked = 0; // the real table's entries found equal to the copy's
    bool FAheadWrong = false;
    TStats FStats;
    THTTPPool FPool;
};

} // namespace tarrow
