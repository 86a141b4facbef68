// The asset table: every picture and drawing of the show, loaded into fixed slots.
#pragma once

#include <array>

#include "gml/drawing.h"
#include "image/image.h"

namespace velq {

constexpr int imageSlots = 22;
constexpr int drawingSlots = 17;

// Picture slots addressed by number across the show; empty slots draw nothing.
extern std::array<Image, imageSlots> imageTable;
extern std::array<Drawing, drawingSlots> drawingTable;

void loadAssets();
void freeAssets();

} // namespace velq
