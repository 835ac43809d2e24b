#include "sim/pacer.h"

namespace sim {

Pacer::Clock::duration Pacer::WireTime(std::uint64_t bytes, std::uint32_t baud) {
    if (baud == 0) {
        return Clock::duration::zero();
    }
    // bytes * 10 bits * 1e9 ns / baud, split so that no product overflows.
    constexpr std::uint64_t kBitNs = 10'000'000'000;  // 10 bits, in nanoseconds per baud
    const std::uint64_t whole = bytes / baud;
    const std::uint64_t rest = bytes % baud;
    const auto ns = whole * kBitNs + rest * kBitNs / baud;
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::nanoseconds(static_cast<std::int64_t>(ns)));
}

std::uint64_t Pacer::Enqueue(Clock::time_point now, std::size_t count) {
    if (next_ == burstIndex_ || now >= Due(next_ - 1)) {
        burstStart_ = now;
        burstIndex_ = next_;
    }
    const std::uint64_t first = next_;
    next_ += count;
    return first;
}

Pacer::Clock::time_point Pacer::Due(std::uint64_t index) const {
    if (index < burstIndex_) {
        return burstStart_;  // finished before the current burst began
    }
    return burstStart_ + WireTime(index - burstIndex_ + 1, baud_);
}

}  // namespace sim
