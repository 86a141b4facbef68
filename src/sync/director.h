// The director: applies the music's sync commands and composes every frame.
#pragma once

#include <cstdint>

namespace velq {

// Everything the director remembers between frames (and the two flags of the current frame).
// It starts as below and changes only through sync commands and the per-frame updates; the
// show never resets it.
struct DirectorState {
    std::int32_t currentScene = -1;  // 0 tunnel, 1 bars, 2 rotozoom, 3 warp; others draw no scene
    std::int32_t sceneParam = 0;     // argument of the last scene parameter command
    std::int32_t paramTime = 0;      // frame time of the last scene parameter command
    std::int32_t overlayA = 0;       // first overlay's picture slot, 0 = off
    std::int32_t overlayB = 0;       // second overlay's number (slot 8 + n), 0 = off
    std::int32_t drawingChoice = 0;  // 0 = none, else drawing number + 1
    std::int32_t drawingStart = 0;   // frame time of the last drawing command
    std::int32_t sideBand = 0;       // width step of the filtered band at the right, 0 = off
    float letterbox = 0.0f;          // size of the bars; negative while they close
    std::int32_t scrollerPage = -1;
    bool scrollerShown = true;
    std::int32_t flashTimer = 0;     // milliseconds left of each timed effect
    std::int32_t fadeTimer = 0;
    std::int32_t blurTimer = 0;
    std::int32_t longBlurTimer = 0;
    std::int32_t lastFrameTime = 0;
    // Of the current frame only: cleared at its start.
    bool sceneChanged = false;
    bool paramChanged = false;
    std::int32_t frameDelta = 0;
};

// The director's state, for the show and for tests that inspect or set it.
DirectorState& directorState();

// Drains the sync queue, composes the frame at t milliseconds since the show began and
// presents it; returns what presenting returned.
bool renderFrame(std::int32_t t);

} // namespace velq
