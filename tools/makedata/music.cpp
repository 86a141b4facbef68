// The module "velq4.xm": a short piece in A minor at 125 BPM with synthesised instruments,
// and a sync channel whose Zxx commands direct the show (the choreography table below).
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "formats.h"
#include "makedata.h"

namespace velq::makedata {
namespace {

constexpr double twoPi = 6.283185307179586;

// ---- Channels, instruments, timing ---------------------------------------------------------

enum Channel : int { chKick, chSnare, chHat, chBass, chPad1, chPad2, chPad3, chLead, chFx, chSync, channelCount };
enum Instrument : std::uint8_t { insNone, insKick, insSnare, insHat, insCrash, insBass, insPad, insLead, insPluck };

constexpr int rowsPerBar = 16; // four beats of four rows
constexpr int barsPerPattern = 4;
constexpr int rowsPerPattern = rowsPerBar * barsPerPattern;
constexpr std::uint8_t keyOff = 97;
constexpr std::uint8_t effectZ = 35; // 'Z' in XM effect numbering (0-9, then A = 10)

// Pitched samples hold one cycle in 128 frames at this rate, so they sound C-4 at note C-4.
constexpr double pitchedRate = 33488.0;
// Drums are recorded at four times the base rate and played at C-4.
constexpr double drumRate = 8363.0 * 4;

// ---- Sample synthesis ------------------------------------------------------------------------

// A small generator of our own, so the noise is the same everywhere.
struct Noise {
    std::uint32_t state;
    double next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<double>(state) / 2147483648.0 - 1.0;
    }
};

std::int16_t toSample(double v)
{
    v = std::tanh(v * 1.2) / std::tanh(1.2); // gentle saturation keeps peaks round
    return static_cast<std::int16_t>(std::lround(v * 30000.0));
}

// A one-shot sample ends with a short fade, so cutting it off does not click.
void fadeTail(std::vector<std::int16_t>& data, double rate)
{
    const auto length = std::min(data.size(), static_cast<std::size_t>(rate * 0.006));
    for (std::size_t i = 0; i < length; ++i) {
        auto& v = data[data.size() - 1 - i];
        v = static_cast<std::int16_t>(v * static_cast<double>(i) / static_cast<double>(length));
    }
}

XmSample drumSample(std::vector<std::int16_t> data, bool sixteenBit, std::uint8_t volume)
{
    fadeTail(data, drumRate);
    XmSample s;
    s.data = std::move(data);
    s.sixteenBit = sixteenBit;
    s.volume = volume;
    s.relativeNote = 24;
    return s;
}

// Tuning of a pitched sample: 128 frames per cycle at pitchedRate should sound C-4 (261.63 Hz).
void tunePitched(XmSample& s)
{
    const double semitones = 12.0 * std::log2(pitchedRate / 8363.0);
    s.relativeNote = static_cast<std::int8_t>(std::floor(semitones));
    s.finetune = static_cast<std::int8_t>(std::lround((semitones - std::floor(semitones)) * 128.0));
}

std::vector<XmInstrument> makeInstruments()
{
    std::vector<XmInstrument> list;

    { // Kick: a sine falling from 155 to 45 Hz with a short click.
        std::vector<std::int16_t> d(static_cast<std::size_t>(drumRate * 0.38));
        double phase = 0;
        for (std::size_t i = 0; i < d.size(); ++i) {
            const double t = i / drumRate;
            phase += twoPi * (45.0 + 110.0 * std::exp(-t * 28.0)) / drumRate;
            const double click = t < 0.004 ? (1.0 - t / 0.004) * 0.4 : 0.0;
            d[i] = toSample(std::sin(phase) * std::exp(-t * 7.0) * std::min(1.0, t * 2000.0) + click);
        }
        list.push_back({"kick", drumSample(std::move(d), true, 64), {}, 0, 0, 0, 0});
    }
    { // Snare: a tone body under filtered noise.
        std::vector<std::int16_t> d(static_cast<std::size_t>(drumRate * 0.26));
        Noise noise{0x12345678u};
        double low = 0;
        for (std::size_t i = 0; i < d.size(); ++i) {
            const double t = i / drumRate;
            low += 0.45 * (noise.next() - low);
            const double body = std::sin(twoPi * 190.0 * t) * std::exp(-t * 30.0) * 0.55;
            d[i] = toSample(low * 1.3 * std::exp(-t * 16.0) + body);
        }
        list.push_back({"snare", drumSample(std::move(d), true, 50), {}, 0, 0, 0, 0});
    }
    { // Closed hat, 8-bit: high-passed noise, very short.
        std::vector<std::int16_t> d(static_cast<std::size_t>(drumRate * 0.07));
        Noise noise{0x9E3779B9u};
        double previous = 0;
        for (std::size_t i = 0; i < d.size(); ++i) {
            const double t = i / drumRate;
            const double n = noise.next();
            d[i] = toSample((n - previous) * 0.5 * std::exp(-t * 60.0));
            previous = n;
        }
        list.push_back({"hat", drumSample(std::move(d), false, 30), {}, 0, 0, 0, 0});
    }
    { // Crash, 8-bit: long high-passed noise.
        std::vector<std::int16_t> d(static_cast<std::size_t>(drumRate * 1.2));
        Noise noise{0x2545F491u};
        double previous = 0;
        for (std::size_t i = 0; i < d.size(); ++i) {
            const double t = i / drumRate;
            const double n = noise.next();
            d[i] = toSample((n * 0.7 - previous * 0.6) * std::exp(-t * 3.2));
            previous = n;
        }
        list.push_back({"crash", drumSample(std::move(d), false, 34), {}, 0, 0, 0, 0});
    }
    { // Bass: a band-limited saw with a sine sub, one looped cycle; plucked by its envelope.
        XmSample s;
        s.data.resize(128);
        for (int i = 0; i < 128; ++i) {
            const double p = twoPi * i / 128.0;
            double v = std::sin(p) * 0.6;
            for (int h = 1; h <= 7; ++h) v += std::sin(p * h) / h * 0.35;
            s.data[i] = toSample(v * 0.8);
        }
        s.loopLength = 128;
        s.volume = 46;
        tunePitched(s);
        XmEnvelope env{{{0, 64}, {6, 52}, {24, 40}, {80, 34}}, 3};
        list.push_back({"bass", std::move(s), env, 0x0500, 0, 0, 0});
    }
    { // Pad: two saws 13 cents apart (128 and 129 cycles in one 16384-frame loop).
        XmSample s;
        constexpr int length = 16384;
        s.data.resize(length);
        for (int i = 0; i < length; ++i) {
            const double p1 = twoPi * 128.0 * i / length;
            const double p2 = twoPi * 129.0 * i / length;
            double v = 0;
            for (int h = 1; h <= 6; ++h) v += (std::sin(p1 * h) + std::sin(p2 * h + 1.0)) / (h * h * 0.7 + 0.3);
            s.data[i] = toSample(v * 0.33);
        }
        s.loopLength = length;
        s.volume = 26;
        tunePitched(s);
        XmEnvelope env{{{0, 0}, {24, 52}, {60, 44}, {200, 40}}, 2};
        list.push_back({"pad", std::move(s), env, 0x0180, 0, 0, 0});
    }
    { // Lead: a soft pulse with delayed vibrato.
        XmSample s;
        s.data.resize(256);
        for (int i = 0; i < 256; ++i) {
            const double p = twoPi * i / 128.0;
            double v = 0;
            for (int h = 1; h <= 9; ++h) v += std::sin(p * h) * std::sin(h * 3.14159265 * 0.3) / h;
            s.data[i] = toSample(v * 0.7);
        }
        s.loopLength = 256;
        s.volume = 34;
        tunePitched(s);
        XmEnvelope env{{{0, 64}, {8, 54}, {40, 46}}, 2};
        list.push_back({"lead", std::move(s), env, 0x0300, 6, 10, 40});
    }
    { // Pluck for the arpeggios: decaying harmonics, no loop.
        XmSample s;
        const auto length = static_cast<std::size_t>(pitchedRate * 0.45);
        s.data.resize(length);
        for (std::size_t i = 0; i < length; ++i) {
            const double t = i / pitchedRate;
            const double p = twoPi * i / 128.0;
            double v = 0;
            for (int h = 1; h <= 5; ++h) v += std::sin(p * h) * std::exp(-t * (6.0 + 9.0 * h)) / h;
            s.data[i] = toSample(v * 0.8);
        }
        fadeTail(s.data, pitchedRate);
        s.volume = 30;
        tunePitched(s);
        list.push_back({"pluck", std::move(s), {}, 0, 0, 0, 0});
    }
    return list;
}

// ---- Harmony and phrases ---------------------------------------------------------------------

// Note names as trackers write them: "a4", "c#5". Returns the XM note number (C-0 = 1).
constexpr std::uint8_t noteOf(std::string_view name)
{
    constexpr std::string_view letters = "c d ef g a b";
    int semitone = static_cast<int>(letters.find(name[0]));
    std::size_t i = 1;
    if (name[i] == '#') {
        ++semitone;
        ++i;
    }
    return static_cast<std::uint8_t>(1 + (name[i] - '0') * 12 + semitone);
}

struct Chord {
    std::uint8_t root;              // bass note
    std::array<std::uint8_t, 3> pad; // voicing around middle C
};

constexpr Chord Am{noteOf("a1"), {noteOf("a3"), noteOf("c4"), noteOf("e4")}};
constexpr Chord F{noteOf("f1"), {noteOf("a3"), noteOf("c4"), noteOf("f4")}};
constexpr Chord C{noteOf("c2"), {noteOf("g3"), noteOf("c4"), noteOf("e4")}};
constexpr Chord G{noteOf("g1"), {noteOf("g3"), noteOf("b3"), noteOf("d4")}};
constexpr Chord Em{noteOf("e1"), {noteOf("g3"), noteOf("b3"), noteOf("e4")}};
constexpr Chord Dm{noteOf("d2"), {noteOf("a3"), noteOf("d4"), noteOf("f4")}};
constexpr Chord E{noteOf("e1"), {noteOf("g#3"), noteOf("b3"), noteOf("e4")}};

using Progression = std::array<Chord, barsPerPattern>;
constexpr Progression progA{Am, F, C, G};
constexpr Progression progB{F, G, Em, Am};
constexpr Progression progBreak{Dm, Am, F, E};
constexpr Progression progEnd{Am, F, G, Am};

// A lead phrase: four bars of sixteen rows; a note name starts a note, "." holds, "^" releases.
using Phrase = std::array<std::string_view, barsPerPattern>;
constexpr Phrase phraseA{
    "a4 . c5 . e5 . . . d5 . c5 . d5 . e5 .",
    "f5 . . . e5 . c5 . a4 . . . c5 . . .",
    "e5 . . . g5 . e5 . c5 . . . d5 . e5 .",
    "d5 . . . b4 . . . g4 . . . ^ . . .",
};
constexpr Phrase phraseB{
    "a5 . . . g5 . e5 . a5 . . . g5 . e5 .",
    "f5 . e5 . c5 . . . a4 . c5 . f5 . . .",
    "g5 . . . e5 . g5 . c6 . . . b5 . g5 .",
    "b5 . . . a5 . g5 . d5 . . . ^ . . .",
};
constexpr Phrase phraseC{
    "c6 . . . a5 . . . f5 . . . a5 . c6 .",
    "b5 . . . g5 . . . d5 . . . g5 . b5 .",
    "g5 . . . e5 . . . b4 . . . e5 . g5 .",
    "a5 . . . . . . . e5 . . . a5 . . .",
};
constexpr Phrase phraseBreak{
    "d5 . . . . . . . f5 . . . a5 . . .",
    "e5 . . . . . . . c5 . . . . . . .",
    "a4 . . . c5 . . . f5 . . . e5 . . .",
    "g#4 . . . . . . . b4 . . . ^ . . .",
};

// ---- Arrangement ---------------------------------------------------------------------------

enum class Drums { none, hats, build, full, half, outro };
enum class Pad { none, held, stabs };

struct Block {
    const char* name;
    Progression chords;
    Drums drums;
    bool bass;
    Pad pad;
    const Phrase* lead; // nullptr: no lead
    bool arp;
    bool crash; // crash on the first row
};

// The song, one block per order (each four bars, 7.68 s).
const std::array<Block, 20> song{{
    {"intro 1", progA, Drums::none, false, Pad::held, nullptr, false, false},
    {"intro 2", progA, Drums::hats, true, Pad::held, nullptr, true, false},
    {"build-up 1", progA, Drums::build, true, Pad::held, nullptr, true, false},
    {"verse 1", progA, Drums::full, true, Pad::stabs, nullptr, false, true},
    {"verse 2", progA, Drums::full, true, Pad::stabs, nullptr, true, false},
    {"chorus 1", progA, Drums::full, true, Pad::held, &phraseA, false, true},
    {"chorus 2", progA, Drums::full, true, Pad::held, &phraseB, true, false},
    {"chorus 3", progB, Drums::full, true, Pad::held, &phraseC, true, false},
    {"bridge 1", progB, Drums::half, true, Pad::stabs, nullptr, true, true},
    {"bridge 2", progA, Drums::full, true, Pad::held, &phraseA, false, false},
    {"break 1", progBreak, Drums::none, false, Pad::held, nullptr, true, true},
    {"break 2", progBreak, Drums::hats, false, Pad::held, &phraseBreak, false, false},
    {"build-up 2", progA, Drums::build, true, Pad::held, nullptr, true, false},
    {"drop 1", progA, Drums::full, true, Pad::stabs, &phraseB, true, true},
    {"drop 2", progB, Drums::full, true, Pad::held, &phraseC, false, false},
    {"drop 3", progA, Drums::full, true, Pad::stabs, &phraseA, true, true},
    {"drop 4", progB, Drums::full, true, Pad::held, &phraseC, true, false},
    {"outro 1", progA, Drums::outro, true, Pad::held, nullptr, true, true},
    {"outro 2", progEnd, Drums::hats, true, Pad::held, nullptr, true, false},
    {"ending", {Am, Am, Am, Am}, Drums::none, false, Pad::none, nullptr, false, true},
}};

// ---- The choreography ------------------------------------------------------------------------
//
// What the show does, as sync commands on the music's rows. Commands: high nibble the command,
// low nibble its argument (see the README's table). One command per row, so the show's ten-slot
// event queue never overflows even at low frame rates.

constexpr std::uint8_t scene(int n) { return static_cast<std::uint8_t>(n); } // 0 tunnel 1 bars 2 rotozoom 3 warp
constexpr std::uint8_t step(int n) { return static_cast<std::uint8_t>(0x10 | n); } // scene parameter
constexpr std::uint8_t overlayA(int n) { return static_cast<std::uint8_t>(0x20 | n); }
constexpr std::uint8_t overlayB(int n) { return static_cast<std::uint8_t>(0x30 | n); }
constexpr std::uint8_t flash = 0x41, blur = 0x42, longBlur = 0x44, fadeIn = 0x48;
constexpr std::uint8_t scrollerOff = 0x50, scrollerNext = 0x51, scrollerHide = 0x52;
constexpr std::uint8_t drawing(int n) { return static_cast<std::uint8_t>(0x61 + n); }
constexpr std::uint8_t drawingOff = 0x60;
constexpr std::uint8_t sideBand(int n) { return static_cast<std::uint8_t>(0x80 | n); }
constexpr std::uint8_t letterboxOff = 0x90, letterboxGrow = 0x91, letterboxClose = 0x92;
constexpr std::uint8_t endShow = 0xFF;

struct Cue {
    int order;
    int row;
    std::uint8_t command;
};

// Drawing numbers as the asset table orders them.
enum : int { dText, dMode, dDemo, dCompo, dGrubix, dWexhall, dPlumox, dKelvaro, dDunmoth, dVintrel,
             dVelqIsBack, dBringYoDemo, dSameDate, dSameRules, dSameGoal, dMakeItNice, dBeeThaKing };

const std::vector<Cue> choreography{
    // intro 1: out of black into the tunnel; the group logo.
    {0, 0, fadeIn}, {0, 1, scene(0)}, {0, 2, step(0)},
    {0, 32, overlayA(1)},
    {0, 48, step(1)},
    // intro 2: "velq presents", then "velq is back".
    {1, 0, longBlur}, {1, 1, overlayA(2)},
    {1, 16, step(2)},
    {1, 30, overlayA(0)}, {1, 32, drawing(dVelqIsBack)},
    {1, 48, step(3)},
    // build-up 1: the letterbox grows while the four words are written, then closes.
    {2, 0, step(0)}, {2, 2, letterboxGrow},
    {2, 8, drawing(dText)}, {2, 18, letterboxGrow},
    {2, 20, drawing(dMode)}, {2, 32, drawing(dDemo)}, {2, 34, letterboxGrow},
    {2, 44, drawing(dCompo)},
    {2, 56, flash}, {2, 60, letterboxClose},
    // verse 1: colour bars on the beat, then the rotozoomer with the second title card.
    {3, 0, scene(1)}, {3, 1, flash}, {3, 2, drawingOff}, {3, 3, letterboxOff},
    {3, 4, step(1)}, {3, 8, step(2)}, {3, 12, step(3)}, {3, 16, step(4)},
    {3, 20, step(5)}, {3, 24, step(6)}, {3, 28, step(7)},
    {3, 32, scene(2)}, {3, 33, overlayA(3)}, {3, 48, step(0)}, {3, 56, blur},
    // verse 2: the three names scroll past with their logos.
    {4, 0, flash}, {4, 1, overlayA(0)}, {4, 2, drawing(dKelvaro)},
    {4, 16, step(1)},
    {4, 32, drawing(dDunmoth)}, {4, 33, step(2)},
    // chorus 1
    {5, 0, flash}, {5, 1, drawing(dVintrel)}, {5, 2, step(3)},
    {5, 32, scene(0)}, {5, 33, step(0)}, {5, 34, drawingOff},
    // ... and the greetings scroll by, page by page.
    {5, 36, scrollerNext}, {5, 48, step(1)}, {5, 52, scrollerNext},
    // chorus 2
    {6, 0, flash}, {6, 4, scrollerNext}, {6, 16, step(2)}, {6, 20, scrollerNext},
    {6, 32, scrollerHide}, {6, 36, scrollerNext}, {6, 40, step(3)}, {6, 56, scrollerOff},
    // chorus 3: the warp with the side band widening, and the organisers' names.
    {7, 0, fadeIn}, {7, 1, scene(3)}, {7, 4, sideBand(1)},
    {7, 8, drawing(dGrubix)}, {7, 16, sideBand(2)},
    {7, 24, drawing(dWexhall)}, {7, 32, sideBand(3)},
    {7, 40, drawing(dPlumox)}, {7, 56, sideBand(0)}, {7, 58, drawingOff},
    // bridge 1: bars on every beat under the three small logos.
    {8, 0, scene(1)}, {8, 1, flash},
    {8, 4, step(1)}, {8, 8, step(2)}, {8, 9, overlayB(1)}, {8, 12, step(3)}, {8, 16, step(4)},
    {8, 20, step(5)}, {8, 24, step(6)}, {8, 25, overlayB(2)}, {8, 28, step(7)}, {8, 32, step(8)},
    {8, 36, step(9)}, {8, 40, step(10)}, {8, 41, overlayB(3)}, {8, 44, step(11)}, {8, 48, step(12)},
    {8, 52, step(13)}, {8, 56, step(14)}, {8, 57, overlayB(0)}, {8, 60, step(15)},
    // bridge 2: rotozoomer, "bring yo demo", and the decorations flicker on the beat.
    {9, 0, scene(2)}, {9, 1, flash}, {9, 2, drawing(dBringYoDemo)},
    {9, 16, step(4)}, {9, 24, overlayB(9)},
    {9, 32, overlayB(10)}, {9, 36, overlayB(11)}, {9, 40, overlayB(12)}, {9, 44, overlayB(13)},
    {9, 48, overlayB(0)}, {9, 49, step(5)}, {9, 56, drawingOff},
    // break 1: the tunnel slows into the break; the three rules rise one after the other.
    {10, 0, longBlur}, {10, 1, scene(0)}, {10, 2, step(2)},
    {10, 8, drawing(dSameDate)}, {10, 24, drawing(dSameRules)}, {10, 40, drawing(dSameGoal)},
    {10, 58, drawingOff},
    // break 2: the last title card; the letterbox closes in for the build-up.
    {11, 8, step(3)}, {11, 16, overlayA(4)},
    {11, 40, overlayA(0)}, {11, 41, blur}, {11, 48, step(1)},
    {11, 56, letterboxGrow}, {11, 58, letterboxGrow}, {11, 60, letterboxGrow},
    // build-up 2: warp behind the bars, the first greetings page, flashes with the roll.
    {12, 0, scene(3)}, {12, 1, letterboxClose}, {12, 16, overlayA(5)},
    {12, 32, flash}, {12, 40, flash}, {12, 44, overlayA(0)}, {12, 48, flash}, {12, 52, flash},
    {12, 56, flash}, {12, 58, flash}, {12, 60, flash}, {12, 62, flash},
    // drop 1
    {13, 0, scene(2)}, {13, 1, flash}, {13, 2, letterboxOff}, {13, 3, drawing(dMakeItNice)},
    {13, 16, step(6)}, {13, 32, step(7)}, {13, 48, step(8)}, {13, 60, blur},
    // drop 2
    {14, 0, scene(0)}, {14, 1, flash}, {14, 2, step(1)}, {14, 3, drawingOff},
    {14, 16, step(2)}, {14, 32, step(3)}, {14, 48, step(0)}, {14, 60, blur},
    // drop 3: bars again, every beat.
    {15, 0, scene(1)}, {15, 1, flash},
    {15, 4, step(1)}, {15, 8, step(2)}, {15, 12, step(3)}, {15, 16, step(4)},
    {15, 20, step(5)}, {15, 24, step(6)}, {15, 28, step(7)}, {15, 32, step(8)},
    {15, 36, scene(3)}, {15, 37, sideBand(1)}, {15, 48, sideBand(0)},
    // drop 4: "bee tha king".
    {16, 0, scene(2)}, {16, 1, flash}, {16, 2, drawing(dBeeThaKing)},
    {16, 16, step(9)}, {16, 32, step(10)}, {16, 48, step(11)}, {16, 60, longBlur},
    // outro 1: back to the tunnel and the logo.
    {17, 0, fadeIn}, {17, 1, scene(0)}, {17, 2, drawingOff}, {17, 3, step(0)},
    {17, 16, overlayA(1)}, {17, 32, step(3)},
    // outro 2: the letterbox closes the picture.
    {18, 16, letterboxGrow}, {18, 32, letterboxGrow}, {18, 48, letterboxGrow},
    {18, 56, letterboxGrow},
    // ending: the last chord rings out, then the show ends.
    {19, 0, flash}, {19, 40, endShow},
};

// ---- Pattern building ------------------------------------------------------------------------

struct PatternBuilder {
    XmPattern pattern;
    PatternBuilder()
    {
        pattern.rows = rowsPerPattern;
        pattern.cells.resize(rowsPerPattern * channelCount);
    }
    XmCell& cell(int row, int channel) { return pattern.cells[row * channelCount + channel]; }
    void note(int row, int channel, std::uint8_t n, std::uint8_t ins, int volume = -1)
    {
        XmCell& c = cell(row, channel);
        c.note = n;
        c.instrument = ins;
        if (volume >= 0) c.volume = static_cast<std::uint8_t>(0x10 + std::min(volume, 64));
    }
    void off(int row, int channel) { cell(row, channel).note = keyOff; }
};

void addDrums(PatternBuilder& b, const Block& block, bool lastBlockOfSection)
{
    const std::uint8_t c4 = noteOf("c4");
    for (int bar = 0; bar < barsPerPattern; ++bar) {
        const int base = bar * rowsPerBar;
        const bool fillBar = bar == barsPerPattern - 1 && lastBlockOfSection;
        for (int r = 0; r < rowsPerBar; ++r) {
            const int row = base + r;
            switch (block.drums) {
            case Drums::none:
                break;
            case Drums::hats:
                if (r % 4 == 2) b.note(row, chHat, c4, insHat, 40);
                if (bar >= 2 && r % 4 == 0) b.note(row, chHat, c4, insHat, 22);
                break;
            case Drums::build:
                if (r % 4 == 0) b.note(row, chKick, c4, insKick, 48 + bar * 4);
                {
                    // The roll doubles its rate each bar and grows louder.
                    const int every = bar == 0 ? 8 : bar == 1 ? 4 : bar == 2 ? 2 : 1;
                    if (r % every == (bar == 0 ? 4 : 0)) b.note(row, chSnare, c4, insSnare, 20 + (bar * 16 + r) * 44 / 64);
                }
                if (r % 2 == 0) b.note(row, chHat, c4, insHat, 18 + bar * 6);
                break;
            case Drums::full:
            case Drums::outro:
                if (r % 4 == 0 || (fillBar && r == 10)) b.note(row, chKick, c4, insKick);
                if (block.drums == Drums::full && (r == 4 || r == 12 || (fillBar && (r == 14 || r == 15))))
                    b.note(row, chSnare, c4, insSnare, r >= 14 ? 36 : 56);
                if (r % 2 == 0) b.note(row, chHat, c4, insHat, r % 4 == 2 ? 44 : 24);
                else if (block.drums == Drums::full) b.note(row, chHat, c4, insHat, 12);
                break;
            case Drums::half:
                if (r == 0 || r == 10) b.note(row, chKick, c4, insKick);
                if (r == 8) b.note(row, chSnare, c4, insSnare, 56);
                if (r % 4 == 2) b.note(row, chHat, c4, insHat, 40);
                break;
            }
        }
    }
    if (block.crash) b.note(0, chFx, noteOf("c4"), insCrash);
}

void addHarmony(PatternBuilder& b, const Block& block, int blockIndex, bool fadeOut)
{
    for (int bar = 0; bar < barsPerPattern; ++bar) {
        const Chord& chord = block.chords[bar];
        const int base = bar * rowsPerBar;
        const int fade = fadeOut ? 64 - bar * 12 : 64;
        if (block.bass) {
            // Root on the beat, the octave on the off-beat, a short note before the next bar.
            constexpr std::string_view rhythm = "R.^RO.^.R.^RO.RO";
            for (int r = 0; r < rowsPerBar; ++r) {
                if (rhythm[r] == 'R') b.note(base + r, chBass, chord.root + 12, insBass, fade * 3 / 4 + 16);
                if (rhythm[r] == 'O') b.note(base + r, chBass, chord.root + 24, insBass, fade / 2 + 8);
                if (rhythm[r] == '^') b.off(base + r, chBass);
            }
        }
        if (block.pad == Pad::held) {
            for (int v = 0; v < 3; ++v) b.note(base, chPad1 + v, chord.pad[v], insPad, fade);
        } else if (block.pad == Pad::stabs) {
            for (int v = 0; v < 3; ++v) {
                for (int r : {2, 6, 10, 14}) b.note(base + r, chPad1 + v, chord.pad[v] + 12, insPluck, 44);
            }
        }
        if (block.arp) {
            const std::array<std::uint8_t, 6> up{chord.pad[0], chord.pad[1], chord.pad[2],
                                                 static_cast<std::uint8_t>(chord.pad[0] + 12),
                                                 static_cast<std::uint8_t>(chord.pad[1] + 12),
                                                 static_cast<std::uint8_t>(chord.pad[2] + 12)};
            constexpr std::array<int, 8> order{0, 2, 4, 5, 3, 1, 2, 4};
            for (int r = 0; r < rowsPerBar; r += 2) {
                const int accent = r % 8 == 0 ? 48 : 32;
                b.note(base + r, chFx, up[order[(r / 2 + blockIndex) % 8]] + 12, insPluck,
                       accent * fade / 64);
            }
        }
        if (block.lead) {
            std::string_view line = (*block.lead)[bar];
            int r = 0;
            while (!line.empty() && r < rowsPerBar) {
                const std::size_t space = line.find(' ');
                const std::string_view token = line.substr(0, space);
                line = space == std::string_view::npos ? std::string_view{} : line.substr(space + 1);
                if (token == "^") b.off(base + r, chLead);
                else if (token != ".") b.note(base + r, chLead, noteOf(token), insLead, 48);
                ++r;
            }
        }
    }
    if (block.pad == Pad::none && blockIndex > 0) {
        // The ending: one last low chord that rings out.
        const Chord& chord = block.chords[0];
        b.note(0, chBass, chord.root + 12, insBass, 56);
        for (int v = 0; v < 3; ++v) b.note(0, chPad1 + v, chord.pad[v], insPad, 64);
        b.note(0, chLead, noteOf("a4"), insLead, 40);
        b.off(24, chLead);
        b.off(30, chBass);
        for (int v = 0; v < 3; ++v) b.off(32, chPad1 + v);
    }
}

void fail(const char* what, const Cue& cue)
{
    std::fprintf(stderr, "makedata: choreography: %s at order %d row %d\n", what, cue.order, cue.row);
    std::exit(1);
}

} // namespace

void makeModule(const std::string& dir)
{
    XmModule module;
    module.name = "velq4";
    module.channels = channelCount;
    module.speed = 6;
    module.tempo = 125;
    module.instruments = makeInstruments();

    std::vector<PatternBuilder> builders(song.size());
    for (std::size_t i = 0; i < song.size(); ++i) {
        const Block& block = song[i];
        const bool lastOfSection = i + 1 == song.size() || song[i + 1].drums != block.drums ||
                                   song[i + 1].crash;
        addDrums(builders[i], block, lastOfSection);
        addHarmony(builders[i], block, static_cast<int>(i), i + 2 == song.size());
    }

    int previousOrder = -1, previousRow = -1;
    for (const Cue& cue : choreography) {
        if (cue.order < 0 || cue.order >= static_cast<int>(song.size()) || cue.row < 0 || cue.row >= rowsPerPattern)
            fail("position outside the song", cue);
        if (cue.order < previousOrder || (cue.order == previousOrder && cue.row <= previousRow))
            fail("cues out of order or two on one row", cue);
        previousOrder = cue.order;
        previousRow = cue.row;
        XmCell& c = builders[cue.order].cell(cue.row, chSync);
        c.effect = effectZ;
        c.param = cue.command;
    }
    if (choreography.back().command != endShow) fail("the last cue must end the show", choreography.back());

    for (std::size_t i = 0; i < song.size(); ++i) {
        module.orders.push_back(static_cast<std::uint8_t>(i));
        module.patterns.push_back(std::move(builders[i].pattern));
    }
    writeFile(dir + "/velq4.xm", encodeXm(module));
}

} // namespace velq::makedata
