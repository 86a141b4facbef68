#pragma once

#include <cstdint>

namespace velq {

// Milliseconds from a monotonic clock, as a wrapping unsigned 32-bit count: take differences
// as unsigned 32-bit values and a wrap does no harm.
std::uint32_t tickCount();

using TickSource = std::uint32_t (*)();

} // namespace velq
