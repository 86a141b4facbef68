// The asset table: every picture and drawing of the show, loaded into fixed slots.
#pragma once

#include <array>
#include <variant>

#include "gml/drawing.h"
#include "image/image.h"

namespace velq {

constexpr int imageSlots = 22;
constexpr int drawingSlots = 17;
constexpr int assetRows = 30;

// Picture slots addressed by number across the show; empty slots draw nothing.
extern std::array<Image, imageSlots> imageTable;
extern std::array<Drawing, drawingSlots> drawingTable;

// The record a row fills: a picture slot or a drawing slot.
using AssetTarget = std::variant<Image*, Drawing*>;

struct AssetEntry {
    AssetTarget target;
    const char* path;
    void (*load)(const char* path, AssetTarget target);
    void (*free)(AssetTarget target);
};

// Rows 0 to 12 are pictures, 13 to 29 drawings; loaded and freed in row order.
extern const std::array<AssetEntry, assetRows> assetTable;

void loadAssets();
void freeAssets();

} // namespace velq
