#include "engine/uHostPacing.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tarrow;
using std::chrono::milliseconds;

namespace {

const QString kSite = QStringLiteral("http://site");

// The pause a second request right after the first would have to wait: the gap drawn.
int DrawnGap(THostPacing& APacing, THostPacing::TClock::time_point& ANow) {
    ANow += milliseconds(100000);
    EXPECT_EQ(APacing.Reserve(kSite, ANow), 0);
    return APacing.Reserve(kSite, ANow);
}

TEST(HostPacing, GapsAreTheWaitWithinHalfOfItEitherWay) {
    THostPacing pacing(200);
    auto now = THostPacing::TClock::now();
    int least = 1000, most = 0;
    for (int i = 0; i < 300; ++i) {
        const int gap = DrawnGap(pacing, now);
        least = std::min(least, gap);
        most = std::max(most, gap);
    }
    EXPECT_GE(least, 100);
    EXPECT_LE(most, 300);
    EXPECT_LT(least + 50, most); // jittered, not one fixed pause
}

TEST(HostPacing, EachHostHasItsOwnTurnAndAMinimumOfItsOwn) {
    THostPacing pacing(100);
    auto now = THostPacing::TClock::now();
    EXPECT_EQ(pacing.Reserve(kSite, now), 0);
    const int left = pacing.Reserve(kSite, now + milliseconds(10));
    EXPECT_GE(left, 40);
    EXPECT_LE(left, 140);
    // Asking again does not move the turn; another host is not held up.
    EXPECT_EQ(pacing.Reserve(kSite, now + milliseconds(10)), left);
    EXPECT_EQ(pacing.Reserve(QStringLiteral("https://site"), now), 0);
    EXPECT_EQ(pacing.Reserve(kSite, now + milliseconds(160)), 0);

    // A minimum learnt after a request (the robots file's) holds from that request on.
    THostPacing minimum(0);
    EXPECT_EQ(minimum.Reserve(kSite, now), 0);
    minimum.SetMinimum(kSite, 300);
    EXPECT_EQ(minimum.Reserve(kSite, now + milliseconds(100)), 200);
    EXPECT_EQ(minimum.Reserve(kSite, now + milliseconds(300)), 0);
    EXPECT_EQ(minimum.Reserve(kSite, now + milliseconds(301)), 299);
    EXPECT_EQ(minimum.Reserve(QStringLiteral("http://other"), now), 0);
    EXPECT_EQ(minimum.Reserve(QStringLiteral("http://other"), now), 0);

    THostPacing both(100);
    both.SetMinimum(kSite, 400);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(DrawnGap(both, now), 400);
}

} // namespace
