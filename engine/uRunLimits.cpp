#include "engine/uRunLimits.h"

#include "project/WebsiteUnit.h"

#include <chrono>

namespace tarrow {

TRunLimits::TRunLimits(const TWebsiteProject& AProject, TBreakFlag* AStop)
    : FMaxFiles(AProject.MaxFiles()), FMaxBytesMB(AProject.MaxBytesMB()),
      FMaxSeconds(AProject.MaxSeconds()), FStop(AStop) {}

TRunLimits::~TRunLimits() {
    if (FTimer.joinable()) {
        FTimer.request_stop();
        FWake.notify_all();
        FTimer.join();
    }
}

void TRunLimits::Start() {
    if (FMaxSeconds <= 0 || FTimer.joinable())
        return;
    // A transfer under way is aborted when the time is up, not only when it ends.
    FTimer = std::jthread([this](std::stop_token AStop) {
        std::unique_lock lock(FMutex);
        if (!FWake.wait_for(lock, AStop, std::chrono::seconds(FMaxSeconds), [] { return false; }) &&
            !AStop.stop_requested())
            Reach(lrSeconds);
    });
}

void TRunLimits::Count(int32_t AFilesSaved, qint64 ABytesReceived) {
    if (FMaxFiles > 0 && AFilesSaved >= FMaxFiles)
        Reach(lrFiles);
    else if (FMaxBytesMB > 0 && ABytesReceived >= qint64(FMaxBytesMB) << 20)
        Reach(lrBytes);
}

void TRunLimits::Reach(TLimit ALimit) {
    TLimit none = lrNone;
    if (FReached.compare_exchange_strong(none, ALimit) && FStop)
        FStop->Set();
}

QString TRunLimits::ReachedLine() const {
    switch (FReached.load()) {
    case lrFiles:
        return QStringLiteral("File limit reached: %1 files.").arg(FMaxFiles);
    case lrBytes:
        return QStringLiteral("Size limit reached: %1 MB.").arg(FMaxBytesMB);
    case lrSeconds:
        return QStringLiteral("Time limit reached: %1 s.").arg(FMaxSeconds);
    case lrNone:
        break;
    }
    return QString();
}

} // namespace tarrow
