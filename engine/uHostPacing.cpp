#include "engine/uHostPacing.h"

#include <algorithm>

namespace tarrow {

THostPacing::THostPacing(int AWaitMs) : FWaitMs(std::max(AWaitMs, 0)) {}

void THostPacing::SetMinimum(const QString& AOrigin, int AMinimumMs) {
    if (AMinimumMs <= 0)
        return;
    THost& host = FHosts[AOrigin];
    host.MinimumMs = AMinimumMs;
    if (host.Started) // the request that brought the minimum is one of the host's too
        host.Next = std::max(host.Next, host.Last + std::chrono::milliseconds(AMinimumMs));
}

int THostPacing::NextGapMs(const THost& AHost) {
    int gap = 0;
    if (FWaitMs > 0) {
        std::uniform_int_distribution<int> jitter(FWaitMs - FWaitMs / 2, FWaitMs + FWaitMs / 2);
        gap = jitter(FRandom);
    }
    return std::max(gap, AHost.MinimumMs);
}

int THostPacing::Reserve(const QString& AOrigin, TClock::time_point ANow) {
    THost& host = FHosts[AOrigin];
    if (ANow < host.Next) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(host.Next - ANow).count();
        return int(std::max<qint64>(left, 1));
    }
    host.Last = ANow;
    host.Started = true;
    host.Next = ANow + std::chrono::milliseconds(NextGapMs(host));
    return 0;
}

} // namespace tarrow
