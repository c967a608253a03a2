#pragma once

#include "base/uRunContext.h"
#include "engine/uFetchOutcome.h"
#include "engine/uHostPacing.h"
#include "engine/uSpillFile.h"
#include "http/uHTTPPool.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <unordered_map>

namespace tarrow {

class TURLList;

// The table's entries fetched ahead of their turn, several at once, each with the crawl's own
// retries. The crawl still takes them one by one in table order and logs what each left, so the
// run reads as if they had been fetched one after another. Fetching runs up to kAheadPerConnection
// entries per connection ahead, with at most kQueuedPerConnection per connection handed to the
// pool at a time, so one slow entry (its retry pauses, say) holds up no others; at most
// kHeldPerConnection bodies per connection wait in memory, the rest (and every large one) wait on
// disk. When the disk takes no more, fetching ahead pauses while the bodies in memory reach
// their budget, and resumes as they are taken: the entry taken is always fetched.
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
    // Each attempt's first request waits for its host's turn in APacing, shared with the crawl.
    void SetPacing(THostPacing* APacing) { FPacing = APacing; }

    // Waits for entry AIndex of ATable (fetched by its URL, its first request naming
    // AReferers[AIndex], when there is one), starting the entries after it meanwhile.
    TFetchOutcome Take(int AIndex, const TURLList& ATable, const QStringList& AReferers);

private:
    struct TPending {
        TFetchOutcome Outcome;
        bool Done = false;
        bool InMemory = false; // its body counts against the memory budget
        TSpillFile::TPlace Spilled;
    };

    void Feed(int AIndex, const TURLList& ATable, const QStringList& AReferers);
    bool MayFetchAhead(int AIndex) const;
    void TakeBack(TPending& APending);
    void SetAside(int AJob, TPending& APending);
    void Hold(TPending& APending);
    void Redirected(int AJob, const QString& ALocation) override;
    int Failed(int AJob, const std::exception& E) override;
    void Finished(int AJob, THTTPResponse&& AResponse) override;
    int StartDelayMs(int AJob, const QString& AURL) override;

    const TRunContext& FContext;
    TGateCheck FGate;
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
    int FTaking = -1; // the entry Take waits for
    int FNext = 0;    // the first table entry not handed to the pool yet
    std::unordered_map<int, TPending> FPending;
    THTTPPool FPool;
};

} // namespace tarrow
