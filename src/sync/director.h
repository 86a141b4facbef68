// The director: applies the music's sync commands and composes every frame.
#pragma once

#include <cstdint>

namespace velq {

// Composes and presents the frame at t milliseconds since the show began.
bool renderFrame(std::int32_t t);

} // namespace velq
