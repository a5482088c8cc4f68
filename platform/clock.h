#pragma once
// Time as the desk measures it outside the engine clock.
#include <cstdint>

namespace platform {

// Milliseconds since an arbitrary start, wrapping at 2^32 like the classic
// tick count. Use only for traces and seeds; compare times with MonotonicMs.
uint32_t TickCountMs();

// Milliseconds on a 64-bit monotonic clock; never wraps in practice.
uint64_t MonotonicMs();

// Nanoseconds on the monotonic clock.
uint64_t MonotonicNs();

void SleepMs(uint32_t ms);

}  // namespace platform
