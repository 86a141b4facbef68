#include "sync/director.h"

#include "display/canvas.h"
#include "display/console.h"
#include "fx/bar_wipe.h"
#include "fx/filters.h"
#include "fx/texture_scenes.h"
#include "gml/drawing_scene.h"
#include "image/image.h"
#include "shell/assets.h"
#include "shell/main_loop.h"
#include "sync/sync_queue.h"

namespace velq {

namespace {

DirectorState director;

constexpr int scrollerSlot = 5;
constexpr int overlayBBase = 8; // the second overlay's number n shows slot 8 + n

// The high nibble of a sync value picks the command, the low nibble is its argument.
void applyCommand(DirectorState& d, std::int32_t value, std::int32_t t)
{
    const std::int32_t n = value & 0x0F;
    switch (value >> 4) {
    case 0x0: // scene switch; the same scene again changes nothing, so the bars are not reset
        if (n != d.currentScene) {
            d.currentScene = n;
            d.sceneChanged = true;
        }
        break;
    case 0x1: // scene parameter
        d.sceneParam = n;
        d.paramTime = t;
        d.paramChanged = true;
        break;
    case 0x2: d.overlayA = n; break;
    case 0x3: d.overlayB = n; break;
    case 0x4: // timed effects, one bit each
        if (n & 1) d.flashTimer = 500;
        if (n & 2) d.blurTimer = 500;
        if (n & 4) d.longBlurTimer = 2000;
        if (n & 8) d.fadeTimer = 1000;
        break;
    case 0x5:
        if (value == 0x50) {
            d.scrollerPage = -1;
            d.scrollerShown = false;
        } else if (value == 0x51) {
            ++d.scrollerPage;
            d.scrollerShown = true;
        } else if (value == 0x52) {
            d.scrollerShown = false;
        } // 0x53 to 0x5F: nothing
        break;
    case 0x6:
    case 0x7: // drawings: 0x60 off, 0x61 drawing 0 ... 0x7F drawing 30 (above 16 draws nothing)
        d.drawingChoice = value - 0x60;
        d.drawingStart = t;
        break;
    case 0x8: d.sideBand = n; break;
    case 0x9:
        if (value == 0x90) d.letterbox = 0.0f;
        else if (value == 0x91) d.letterbox += 1.0f;
        else if (value == 0x92) d.letterbox = -d.letterbox;
        break; // 0x93 to 0x9F: nothing
    case 0xF:
        if (value == 0xFF) quitFlag = 1;
        break;
    default: break; // 0xA0 to 0xEF: nothing
    }
}

// An imageTable slot, or nothing for numbers that name no slot.
const Image* pictureAt(std::int32_t slot)
{
    if (slot < 0 || slot >= imageSlots) return nullptr;
    return &imageTable[static_cast<std::size_t>(slot)];
}

} // namespace

DirectorState& directorState() { return director; }

bool renderFrame(std::int32_t t)
{
    DirectorState& d = director;
    const CanvasView pixels(canvas, canvasPixels);

    d.sceneChanged = false;
    d.paramChanged = false;
    // Every command takes effect before anything is drawn, in the order pushed.
    while (const auto event = popSyncEvent()) applyCommand(d, event->value & 0xFF, t);

    switch (d.currentScene) {
    case 0: tunnelScene(t, d.sceneParam); break;
    case 1: barsScene(t - d.paramTime, d.sceneChanged, d.paramChanged); break;
    case 2: rotozoomScene(t, t - d.paramTime); break;
    case 3: warpScene(t); break;
    default: break; // no scene: the canvas keeps the previous frame
    }

    d.frameDelta = t - d.lastFrameTime;
    d.lastFrameTime = t;

    if (d.sideBand != 0) {
        const std::int32_t left = canvasWidth - (d.sideBand * canvasWidth) / 3;
        addNoise(pixels, left, 0, canvasWidth, canvasHeight, 240);
        boxBlur(pixels, left, 0, canvasWidth, canvasHeight, 3);
        applyLevels(pixels, left, 0, canvasWidth, canvasHeight, 120, 240);
    }

    if (d.letterbox != 0.0f) {
        float g = d.letterbox;
        if (d.letterbox < 0.0f) {
            g = -d.letterbox;
            // Closing bars shrink 0.003 units a millisecond, from the next frame on.
            d.letterbox += static_cast<float>(d.frameDelta) * 0.003f;
        }
        const double h = static_cast<double>(g) * 50 * 0.25; // 12.5 rows per unit
        fillRect(0, 0, canvasWidth, static_cast<std::int32_t>(h), 0);
        fillRect(0, static_cast<std::int32_t>(canvasHeight - h), canvasWidth, canvasHeight, 0);
    }

    if (d.overlayA != 0)
        if (const Image* picture = pictureAt(d.overlayA)) blitImage(*picture, 0, 0);
    if (d.overlayB != 0)
        if (const Image* picture = pictureAt(overlayBBase + d.overlayB)) blitImage(*picture, 0, 0);

    if (d.drawingChoice != 0) drawingScene(t - d.drawingStart, d.drawingChoice - 1);

    if (d.scrollerShown) blitImage(imageTable[scrollerSlot], 0, -100 * d.scrollerPage);

    if (d.flashTimer > 0) {
        applyLevels(pixels, 0, 0, canvasWidth, canvasHeight, (-64 * d.flashTimer) / 500, 255 - (256 * d.flashTimer) / 500);
        d.flashTimer -= d.frameDelta;
    }
    if (d.fadeTimer > 0) {
        applyLevels(pixels, 0, 0, canvasWidth, canvasHeight, 0, 255 - (256 * d.fadeTimer) / 1000);
        d.fadeTimer -= d.frameDelta;
    }
    if (d.blurTimer > 0) {
        boxBlur(pixels, 0, 0, canvasWidth, canvasHeight, (4 * d.blurTimer) / 500);
        d.blurTimer -= d.frameDelta;
    }
    if (d.longBlurTimer > 0) {
        boxBlur(pixels, 0, 0, canvasWidth, canvasHeight, (16 * d.longBlurTimer) / 2000);
        d.longBlurTimer -= d.frameDelta;
    }

    return presentCanvas(ConstCanvasView(canvas, canvasPixels));
}

} // namespace velq
