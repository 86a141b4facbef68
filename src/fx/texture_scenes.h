// The texture-mapped scenes: a polar tunnel drawn twice with different clocks, a double
// rotozoomer and a sine-warped tile. Each mapping routine draws one layer from an Image; each
// scene routine is called by the director once per frame while its scene is current.
//
// Texture addressing: a coordinate is truncated toward zero and ANDed with side - 1, so
// power-of-two textures tile in both directions and negative coordinates wrap. Any other side
// still yields an index inside the texture. A texture that did not load (width or height 0)
// draws nothing: its layer is skipped.
#pragma once

#include <cstdint>

#include "display/canvas.h"
#include "image/image.h"

namespace velq {

// Picture slots the scenes read from imageTable.
constexpr int firstDotsSlot = 18;
constexpr int secondDotsSlot = 19;
constexpr int darkeningSlot = 20;
constexpr int tileSlot = 21;

// The smoothed vanishing point of the tunnel, in canvas pixels. Starts at (0, 0), moves a
// quarter of the way to its target each tunnel frame and is never reset.
struct TunnelCentre {
    float x = 0;
    float y = 0;
};
extern TunnelCentre tunnelCentre;

// Blends one layer, turned by angle and scaled by zoom around canvas point (80, 50), which shows
// texture point (W/2 + shift, H/2 + shift). A non-square texture keeps its own width and height
// for columns and rows.
void rotozoom(float angle, float zoom, float shift, const Image& texture, CanvasView pixels);

// Blends one tunnel layer with its vanishing point at (centreX, centreY); the texture's columns
// run along the depth and its rows around the point, both moving with the effect clock.
void tunnel(float centreX, float centreY, const Image& texture, CanvasView pixels);

// Overwrites the rectangle (clamped like the filters' rectangles) with the texture, its column
// swayed by a sine of the row and its row by a cosine of the column, both moving with the
// effect clock. Texels are copied, alpha included.
void warp(CanvasView pixels, std::int32_t left, std::int32_t top, std::int32_t right,
          std::int32_t bottom, const Image& texture);

// Scene 0: darkening picture, then two tunnel layers, the second 1.2 times as fast and one
// second ahead. variant picks the target of the vanishing point; it repeats every four values.
void tunnelScene(std::int32_t frameTime, std::int32_t variant);
// Scene 2: darkening picture, then two rotozoom layers with swinging zooms; the shift grows
// with the milliseconds since the last scene parameter command.
void rotozoomScene(std::int32_t frameTime, std::int32_t elapsedMs);
// Scene 3: the warped tile over the whole canvas.
void warpScene(std::int32_t frameTime);

} // namespace velq
