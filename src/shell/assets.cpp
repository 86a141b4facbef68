#include "shell/assets.h"

namespace velq {

std::array<Image, imageSlots> imageTable;
std::array<Drawing, drawingSlots> drawingTable;

void loadAssets() {}
void freeAssets() {}

} // namespace velq
