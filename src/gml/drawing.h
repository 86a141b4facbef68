// A hand-drawn picture read from a GML file: strokes of points with their recording times.
#pragma once

#include <array>
#include <cstdint>

namespace velq {

constexpr int maxStrokes = 64;
constexpr int maxPoints = 512;
constexpr int specTextSize = 32;

struct StrokePoint {
    float x = 0, y = 0, z = 0;
};

struct Stroke {
    std::int32_t pointCount = 0;
    // As written in the file: x and y normalised to 0..1 (0 at left and top), z unused.
    std::array<StrokePoint, maxPoints> points{};
    // Seconds from the start of the recording.
    std::array<float, maxPoints> times{};
};

struct Drawing {
    // The gml tag's spec attribute, zero-terminated; kept for information only.
    std::array<char, specTextSize> specText{};
    std::int32_t strokeCount = 0;
    std::array<Stroke, maxStrokes> strokes{};
};

} // namespace velq
