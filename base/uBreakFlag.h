#pragma once

#include <atomic>

namespace tarrow {

// The break flag of a run: set from the user interface, read by the engine between steps.
// A flag with a parent (one project's, under its run's) also reads as set while the parent is.
class TBreakFlag final {
public:
    explicit TBreakFlag(const TBreakFlag* AParent = nullptr) : FParent(AParent) {}
    TBreakFlag(const TBreakFlag&) = delete;
    TBreakFlag& operator=(const TBreakFlag&) = delete;

    void Set() { FValue.store(true, std::memory_order_release); }
    void Clear() { FValue.store(false, std::memory_order_release); }
    bool IsSet() const {
        return FValue.load(std::memory_order_acquire) || (FParent && FParent->IsSet());
    }

private:
    const TBreakFlag* FParent;
    std::atomic<bool> FValue{false};
};

} // namespace tarrow
