#pragma once

#include "base/uBreakFlag.h"

#include <QString>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace tarrow {

class TWebsiteProject;

// The limits of one project's run: files saved, megabytes received and seconds. Reaching one
// sets the project's stop flag, as Break does for the whole run; the flag may be null, then the
// crawl only stops taking entries.
class TRunLimits final {
public:
    TRunLimits(const TWebsiteProject& AProject, TBreakFlag* AStop);
    TRunLimits(const TRunLimits&) = delete;
    TRunLimits& operator=(const TRunLimits&) = delete;
    ~TRunLimits();

    // Starts the clock of the time limit.
    void Start();
    // After each entry, with the files saved and the bytes received so far.
    void Count(int32_t AFilesSaved, qint64 ABytesReceived);
    bool Reached() const { return FReached.load() != lrNone; }
    // The line naming the limit that was reached, or an empty text.
    QString ReachedLine() const;

private:
    enum TLimit : uint8_t { lrNone, lrFiles, lrBytes, lrSeconds };
    void Reach(TLimit ALimit);

    int FMaxFiles;
    int FMaxBytesMB;
    int FMaxSeconds;
    TBreakFlag* FStop;
    std::atomic<TLimit> FReached{lrNone};
    std::mutex FMutex;
    std::condition_variable_any FWake;
    std::jthread FTimer; // last: stopped and joined before the rest goes
};

} // namespace tarrow
