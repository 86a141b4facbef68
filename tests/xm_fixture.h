// A tiny XM writer for tests: modules with known speed, tempo, rows and effects, written on the
// fly. One optional instrument (a square wave) so that rendered audio is not silence.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace velq::xm {

// Effect numbers as XM stores them.
constexpr std::uint8_t effectBreak = 0x0D;    // Dxx: to row xx (decimal digits) of the next order
constexpr std::uint8_t effectJump = 0x0B;     // Bxx: to order xx
constexpr std::uint8_t effectExtended = 0x0E; // E6x: pattern loop (E60 marks the start)
constexpr std::uint8_t effectSpeed = 0x0F;    // Fxx: speed below 0x20, tempo from 0x20
constexpr std::uint8_t effectZ = 35;          // Zxx: the sync command

struct Cell {
    std::uint8_t note = 0; // 1..96, 97 = key off
    std::uint8_t instrument = 0;
    std::uint8_t volume = 0;
    std::uint8_t effect = 0;
    std::uint8_t param = 0;
};

struct Pattern {
    int rows = 0;
    int channels = 0;
    std::vector<Cell> cells;
    Pattern(int rowCount, int channelCount)
        : rows(rowCount), channels(channelCount), cells(static_cast<std::size_t>(rowCount * channelCount))
    {
    }
    Cell& at(int row, int channel) { return cells[static_cast<std::size_t>(row * channels + channel)]; }
    Pattern& z(int row, int channel, int value)
    {
        at(row, channel).effect = effectZ;
        at(row, channel).param = static_cast<std::uint8_t>(value);
        return *this;
    }
    Pattern& effect(int row, int channel, std::uint8_t number, std::uint8_t param)
    {
        at(row, channel).effect = number;
        at(row, channel).param = param;
        return *this;
    }
    Pattern& note(int row, int channel, std::uint8_t key)
    {
        at(row, channel).note = key;
        at(row, channel).instrument = 1;
        return *this;
    }
};

struct Module {
    int channels = 2;
    int speed = 6;   // ticks per row
    int tempo = 125; // so a row lasts speed * 2500 / tempo ms
    int restart = 0;
    std::vector<std::uint8_t> orders;
    std::vector<Pattern> patterns;
    bool withInstrument = false;
};

inline void put16(std::vector<std::uint8_t>& out, unsigned v)
{
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void put32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}
inline void putText(std::vector<std::uint8_t>& out, const std::string& text, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i) out.push_back(i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0);
}

inline std::vector<std::uint8_t> writeXm(const Module& m)
{
    std::vector<std::uint8_t> out;
    putText(out, "Extended Module: ", 17);
    putText(out, "test module", 20);
    out.push_back(0x1A);
    putText(out, "velq tests", 20);
    put16(out, 0x0104);
    put32(out, 276);
    put16(out, static_cast<unsigned>(m.orders.size()));
    put16(out, static_cast<unsigned>(m.restart));
    put16(out, static_cast<unsigned>(m.channels));
    put16(out, static_cast<unsigned>(m.patterns.size()));
    put16(out, m.withInstrument ? 1 : 0);
    put16(out, 1); // linear frequency table
    put16(out, static_cast<unsigned>(m.speed));
    put16(out, static_cast<unsigned>(m.tempo));
    for (std::size_t i = 0; i < 256; ++i) out.push_back(i < m.orders.size() ? m.orders[i] : 0);

    for (const Pattern& p : m.patterns) {
        std::vector<std::uint8_t> data;
        for (const Cell& c : p.cells) {
            data.push_back(0x80 | (c.note ? 1 : 0) | (c.instrument ? 2 : 0) | (c.volume ? 4 : 0) |
                           (c.effect ? 8 : 0) | (c.param ? 16 : 0));
            if (c.note) data.push_back(c.note);
            if (c.instrument) data.push_back(c.instrument);
            if (c.volume) data.push_back(c.volume);
            if (c.effect) data.push_back(c.effect);
            if (c.param) data.push_back(c.param);
        }
        put32(out, 9);
        out.push_back(0);
        put16(out, static_cast<unsigned>(p.rows));
        put16(out, static_cast<unsigned>(data.size()));
        out.insert(out.end(), data.begin(), data.end());
    }

    if (m.withInstrument) {
        constexpr std::uint32_t length = 64;
        put32(out, 263);
        putText(out, "square", 22);
        out.push_back(0);
        put16(out, 1);
        put32(out, 40);
        for (int i = 0; i < 96 + 48 + 48; ++i) out.push_back(0);
        for (int i = 0; i < 14; ++i) out.push_back(0);
        put16(out, 0);            // fadeout
        putText(out, "", 22);     // reserved
        put32(out, length);       // sample length
        put32(out, 0);            // loop start
        put32(out, length);       // loop length
        out.push_back(48);        // volume
        out.push_back(0);         // finetune
        out.push_back(1);         // forward loop, 8-bit
        out.push_back(128);       // panning
        out.push_back(0);         // relative note
        out.push_back(0);
        putText(out, "square", 22);
        // Delta-coded 8-bit samples: half the period high, half low.
        std::int8_t previous = 0;
        for (std::uint32_t i = 0; i < length; ++i) {
            const std::int8_t value = i < length / 2 ? 60 : -60;
            out.push_back(static_cast<std::uint8_t>(value - previous));
            previous = value;
        }
    }
    return out;
}

inline void saveXm(const std::filesystem::path& path, const Module& m)
{
    const std::vector<std::uint8_t> bytes = writeXm(m);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

} // namespace velq::xm
