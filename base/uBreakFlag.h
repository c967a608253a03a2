#pragma once

#include <atomic>

namespace tarrow {

// The break flag of a run: set from the user interface, read by the engine between steps.
class TBreakFlag final {
public:
    void Set() { FValue.store(true, std::memory_order_release); }
    void Clear() { FValue.store(false, std::memory_order_release); }
    bool IsSet() const { return FValue.load(std::memory_order_acquire); }

private:
    std::atomic<bool> FValue{false};
};

} // namespace tarrow
