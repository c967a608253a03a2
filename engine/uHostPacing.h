#pragma once

#include <QString>
#include <chrono>
#include <map>
#include <random>

namespace tarrow {

// The pause between the starts of two requests to one host (scheme, name and port): the
// project's wait with a random jitter of +-50 %, and never less than the host's own minimum
// (its robots.txt Crawl-delay). Requests ask in the order they are to start.
class THostPacing final {
public:
    using TClock = std::chrono::steady_clock;

    explicit THostPacing(int AWaitMs);
    void SetMinimum(const QString& AOrigin, int AMinimumMs);
    // Milliseconds until a request to AOrigin may start; 0 when it may start now, which then
    // counts as its start.
    int Reserve(const QString& AOrigin, TClock::time_point ANow = TClock::now());

private:
    struct THost {
        TClock::time_point Last{};
        TClock::time_point Next{};
        bool Started = false;
        int MinimumMs = 0;
    };
    int NextGapMs(const THost& AHost);

    int FWaitMs;
    std::map<QString, THost> FHosts;
    std::minstd_rand FRandom{std::random_device{}()};
};

} // namespace tarrow
