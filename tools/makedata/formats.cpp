#include "formats.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace velq::makedata {

void writeFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "makedata: cannot write %s\n", path.c_str());
        std::exit(1);
    }
}

namespace {

void put8(Bytes& out, unsigned v) { out.push_back(static_cast<std::uint8_t>(v)); }
void put16(Bytes& out, unsigned v)
{
    put8(out, v & 0xFF);
    put8(out, (v >> 8) & 0xFF);
}
void put32(Bytes& out, std::uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}
// A fixed-size text field, padded with zeros (names longer than the field are cut).
void putText(Bytes& out, std::string_view text, std::size_t size, char pad = '\0')
{
    for (std::size_t i = 0; i < size; ++i)
        out.push_back(static_cast<std::uint8_t>(i < text.size() ? text[i] : pad));
}

} // namespace

// ---- TGA ----------------------------------------------------------------------------------

Bytes encodeTga(const Picture& picture, TgaDepth depth, TgaPacking packing, TgaOrder order)
{
    const bool alpha = depth == TgaDepth::rgba32;
    Bytes out;
    put8(out, 0);                                     // no image identifier
    put8(out, 0);                                     // no colour map
    put8(out, packing == TgaPacking::rle ? 10 : 2);   // true colour, raw or run-length
    for (int i = 0; i < 5; ++i) put8(out, 0);         // colour map: none
    put16(out, 0);                                    // x origin
    put16(out, 0);                                    // y origin
    put16(out, picture.width);
    put16(out, picture.height);
    put8(out, alpha ? 32 : 24);
    put8(out, (alpha ? 8 : 0) | (order == TgaOrder::topDown ? 0x20 : 0));

    auto pixelBytes = [&](std::uint32_t p, Bytes& dst) {
        put8(dst, (p >> 16) & 0xFF); // blue
        put8(dst, (p >> 8) & 0xFF);  // green
        put8(dst, p & 0xFF);         // red
        if (alpha) put8(dst, p >> 24);
    };
    // What the file can tell apart: a 24-bit picture drops alpha.
    auto stored = [&](std::uint32_t p) { return alpha ? p : (p & 0xFFFFFF); };

    for (int i = 0; i < picture.height; ++i) {
        const int y = order == TgaOrder::topDown ? i : picture.height - 1 - i;
        const std::uint32_t* row = &picture.pixels[y * picture.width];
        if (packing == TgaPacking::raw) {
            for (int x = 0; x < picture.width; ++x) pixelBytes(row[x], out);
            continue;
        }
        int x = 0;
        while (x < picture.width) {
            int run = 1;
            while (x + run < picture.width && run < 128 && stored(row[x + run]) == stored(row[x])) ++run;
            if (run >= 2) {
                put8(out, 0x80 | (run - 1));
                pixelBytes(row[x], out);
                x += run;
                continue;
            }
            // A literal packet up to the next run of two or more equal pixels.
            int count = 1;
            while (x + count < picture.width && count < 128 &&
                   !(x + count + 1 < picture.width &&
                     stored(row[x + count]) == stored(row[x + count + 1])))
                ++count;
            put8(out, count - 1);
            for (int k = 0; k < count; ++k) pixelBytes(row[x + k], out);
            x += count;
        }
    }
    // TGA 2.0 footer: no extension or developer area.
    for (int i = 0; i < 8; ++i) put8(out, 0);
    putText(out, "TRUEVISION-XFILE.", 18);
    return out;
}

// ---- GML ----------------------------------------------------------------------------------

std::string encodeGml(const std::vector<PenStroke>& strokes, std::string_view keywords)
{
    std::string out;
    char buf[160];
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out += "<gml spec=\"1.0\">\n";
    out += "  <tag>\n";
    out += "    <header>\n";
    out += "      <client>\n";
    out += "        <name>makedata</name>\n";
    out += "        <version>1.0</version>\n";
    out += "        <keywords>";
    out += keywords;
    out += "</keywords>\n";
    out += "      </client>\n";
    out += "      <environment>\n";
    out += "        <up><x>0</x><y>-1</y><z>0</z></up>\n";
    out += "        <screenBounds><x>1280</x><y>800</y><z>0</z></screenBounds>\n";
    out += "      </environment>\n";
    out += "    </header>\n";
    out += "    <drawing>\n";
    for (const PenStroke& stroke : strokes) {
        out += "      <stroke>\n";
        for (const PenPoint& p : stroke) {
            std::snprintf(buf, sizeof buf, "        <pt><x>%.5f</x><y>%.5f</y><t>%.4f</t></pt>\n", p.x,
                          p.y, p.t);
            out += buf;
        }
        out += "      </stroke>\n";
    }
    out += "    </drawing>\n";
    out += "  </tag>\n";
    out += "</gml>\n";
    return out;
}

// ---- XM -----------------------------------------------------------------------------------

namespace {

void putEnvelope(Bytes& out, const XmEnvelope& envelope)
{
    for (std::size_t i = 0; i < 12; ++i) {
        const XmEnvelopePoint p = i < envelope.points.size() ? envelope.points[i] : XmEnvelopePoint{};
        put16(out, p.tick);
        put16(out, p.value);
    }
}

} // namespace

Bytes encodeXm(const XmModule& module)
{
    Bytes out;
    putText(out, "Extended Module: ", 17);
    putText(out, module.name, 20);
    put8(out, 0x1A);
    putText(out, "makedata", 20, ' ');
    put16(out, 0x0104);
    put32(out, 276); // header size, counted from this field
    put16(out, static_cast<unsigned>(module.orders.size()));
    put16(out, 0); // restart position
    put16(out, module.channels);
    put16(out, static_cast<unsigned>(module.patterns.size()));
    put16(out, static_cast<unsigned>(module.instruments.size()));
    put16(out, 1); // linear frequency table
    put16(out, module.speed);
    put16(out, module.tempo);
    for (int i = 0; i < 256; ++i) put8(out, i < static_cast<int>(module.orders.size()) ? module.orders[i] : 0);

    for (const XmPattern& pattern : module.patterns) {
        Bytes packed;
        for (const XmCell& c : pattern.cells) {
            const unsigned mask = (c.note ? 1 : 0) | (c.instrument ? 2 : 0) | (c.volume ? 4 : 0) |
                                  (c.effect ? 8 : 0) | (c.param ? 16 : 0);
            if (mask == 31) {
                // All five present: the unpacked form is shorter.
                for (std::uint8_t b : {c.note, c.instrument, c.volume, c.effect, c.param}) put8(packed, b);
                continue;
            }
            put8(packed, 0x80 | mask);
            if (c.note) put8(packed, c.note);
            if (c.instrument) put8(packed, c.instrument);
            if (c.volume) put8(packed, c.volume);
            if (c.effect) put8(packed, c.effect);
            if (c.param) put8(packed, c.param);
        }
        put32(out, 9); // pattern header length
        put8(out, 0);  // packing type
        put16(out, pattern.rows);
        put16(out, static_cast<unsigned>(packed.size()));
        out.insert(out.end(), packed.begin(), packed.end());
    }

    for (const XmInstrument& ins : module.instruments) {
        const XmSample& s = ins.sample;
        put32(out, 263);
        putText(out, ins.name, 22);
        put8(out, 0);  // type
        put16(out, 1); // one sample
        put32(out, 40);
        for (int i = 0; i < 96; ++i) put8(out, 0); // every note plays sample 0
        putEnvelope(out, ins.volumeEnvelope);
        putEnvelope(out, XmEnvelope{});
        put8(out, static_cast<unsigned>(ins.volumeEnvelope.points.size()));
        put8(out, 0);
        put8(out, ins.volumeEnvelope.sustainPoint < 0 ? 0 : ins.volumeEnvelope.sustainPoint);
        put8(out, 0); // volume loop start
        put8(out, 0); // volume loop end
        put8(out, 0); // panning sustain, loop start, loop end
        put8(out, 0);
        put8(out, 0);
        const unsigned volumeType = ins.volumeEnvelope.points.empty()
                                        ? 0
                                        : 1 | (ins.volumeEnvelope.sustainPoint >= 0 ? 2 : 0);
        put8(out, volumeType);
        put8(out, 0); // panning envelope off
        put8(out, 0); // vibrato: sine
        put8(out, ins.vibratoSweep);
        put8(out, ins.vibratoDepth);
        put8(out, ins.vibratoRate);
        put16(out, ins.fadeout);
        for (int i = 0; i < 22; ++i) put8(out, 0); // reserved

        const unsigned width = s.sixteenBit ? 2 : 1;
        put32(out, static_cast<std::uint32_t>(s.data.size() * width));
        put32(out, s.loopStart * width);
        put32(out, s.loopLength * width);
        put8(out, s.volume);
        put8(out, static_cast<std::uint8_t>(s.finetune));
        put8(out, (s.loopLength ? 1 : 0) | (s.sixteenBit ? 0x10 : 0));
        put8(out, s.panning);
        put8(out, static_cast<std::uint8_t>(s.relativeNote));
        put8(out, 0);
        putText(out, ins.name, 22);

        // Sample data as differences from the previous value, which is how XM stores it.
        if (s.sixteenBit) {
            std::int16_t previous = 0;
            for (std::int16_t v : s.data) {
                put16(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(v - previous)));
                previous = v;
            }
        } else {
            std::int8_t previous = 0;
            for (std::int16_t v : s.data) {
                const auto b = static_cast<std::int8_t>(v >> 8);
                put8(out, static_cast<std::uint8_t>(static_cast<std::int8_t>(b - previous)));
                previous = b;
            }
        }
    }
    return out;
}

} // namespace velq::makedata
