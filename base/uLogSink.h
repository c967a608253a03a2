#pragma once

#include <QString>

namespace tarrow {

// Where the lines of a run log go. LogMsg is called on the worker thread and returns only when
// the line has been taken, so lines arrive in order and none is dropped.
class TLogSink {
public:
    virtual ~TLogSink() = default;
    virtual void LogMsg(const QString& AMsg) = 0;
};

} // namespace tarrow
