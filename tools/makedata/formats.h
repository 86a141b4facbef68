// Small writers for the three file formats of the data set: TGA pictures, GML drawings and
// XM modules. Each encodes into a byte buffer; writeFile puts a buffer on disk.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velq::makedata {

using Bytes = std::vector<std::uint8_t>;

// Writes the bytes or ends the program with a message: a half-written data set is no use.
void writeFile(const std::string& path, const Bytes& bytes);

// ---- TGA ----------------------------------------------------------------------------------

// A picture being made: width x height pixels, top row first, red in the low byte as on the
// canvas, alpha in the high byte (255 opaque).
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    Picture(int w, int h, std::uint32_t fill = 0) : width(w), height(h), pixels(w * h, fill) {}
    std::uint32_t& at(int x, int y) { return pixels[y * width + x]; }
    std::uint32_t at(int x, int y) const { return pixels[y * width + x]; }
};

enum class TgaDepth { rgb24, rgba32 };
enum class TgaPacking { raw, rle };
enum class TgaOrder { bottomUp, topDown };

// True-colour TGA (type 2, or 10 when run-length encoded). Packets never cross a row, as
// readers that decode row by row expect.
Bytes encodeTga(const Picture& picture, TgaDepth depth, TgaPacking packing, TgaOrder order);

// ---- GML ----------------------------------------------------------------------------------

struct PenPoint {
    double x = 0; // 0..1, left to right
    double y = 0; // 0..1, top to bottom
    double t = 0; // seconds since the recording started
};
using PenStroke = std::vector<PenPoint>;

// A GML 1.0 file as drawing tools write it: XML declaration, header with client and
// environment (screen bounds), then the drawing's strokes of points with x, y and t.
std::string encodeGml(const std::vector<PenStroke>& strokes, std::string_view keywords);

// ---- XM -----------------------------------------------------------------------------------

struct XmCell {
    std::uint8_t note = 0;       // 1..96 (C-0..B-7), 97 key off, 0 none
    std::uint8_t instrument = 0; // 1-based, 0 none
    std::uint8_t volume = 0;     // volume column byte (0x10..0x50 sets volume 0..64), 0 none
    std::uint8_t effect = 0;     // effect number (0..35; 'Z' is 35)
    std::uint8_t param = 0;
};

struct XmPattern {
    int rows = 64;
    std::vector<XmCell> cells; // rows x channels, row-major
};

struct XmEnvelopePoint {
    std::uint16_t tick = 0;
    std::uint16_t value = 0; // 0..64
};

struct XmEnvelope {
    std::vector<XmEnvelopePoint> points; // at most 12; empty means off
    int sustainPoint = -1;               // -1: no sustain
};

struct XmSample {
    std::vector<std::int16_t> data; // signed; written 8-bit (high byte) or 16-bit
    bool sixteenBit = true;
    std::uint32_t loopStart = 0;  // in sample frames
    std::uint32_t loopLength = 0; // 0: no loop
    std::uint8_t volume = 64;
    std::int8_t finetune = 0;      // 1/128 semitone
    std::uint8_t panning = 128;
    std::int8_t relativeNote = 0;  // semitones; 0 plays C-4 at 8363 Hz
};

struct XmInstrument {
    std::string name;
    XmSample sample;
    XmEnvelope volumeEnvelope;
    std::uint16_t fadeout = 0;
    std::uint8_t vibratoDepth = 0, vibratoRate = 0, vibratoSweep = 0;
};

struct XmModule {
    std::string name;
    int channels = 8;
    int speed = 6;  // ticks per row
    int tempo = 125; // BPM
    std::vector<std::uint8_t> orders;
    std::vector<XmPattern> patterns;
    std::vector<XmInstrument> instruments;
};

// Extended Module 1.04 with linear frequencies; pattern data packed, sample data delta-coded.
Bytes encodeXm(const XmModule& module);

} // namespace velq::makedata
