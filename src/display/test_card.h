#pragma once

#include <cstdint>

namespace velq {

// An animated card drawn with the primitives alone: proof that the display works.
void drawTestCard(std::int32_t t);

} // namespace velq
