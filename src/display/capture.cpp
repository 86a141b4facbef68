#include "display/capture.h"

#include <algorithm>
#include <cinttypes>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "display/glyph_renderer.h"

namespace velq {

namespace {

constexpr int audioRate = 44100;
constexpr int audioChannels = 2;
constexpr int audioBytesPerFrame = audioChannels * 2;
constexpr std::size_t wavHeaderSize = 44;

void putLe16(std::uint8_t* out, std::uint32_t v)
{
    out[0] = static_cast<std::uint8_t>(v);
    out[1] = static_cast<std::uint8_t>(v >> 8);
}
void putLe32(std::uint8_t* out, std::uint32_t v)
{
    putLe16(out, v & 0xFFFF);
    putLe16(out + 2, v >> 16);
}

// The canonical 44-byte header of a PCM WAV file holding dataBytes of samples.
std::array<std::uint8_t, wavHeaderSize> wavHeader(std::uint32_t dataBytes)
{
    std::array<std::uint8_t, wavHeaderSize> h{};
    std::memcpy(h.data(), "RIFF", 4);
    putLe32(h.data() + 4, 36 + dataBytes);
    std::memcpy(h.data() + 8, "WAVEfmt ", 8);
    putLe32(h.data() + 16, 16);
    putLe16(h.data() + 20, 1); // PCM
    putLe16(h.data() + 22, audioChannels);
    putLe32(h.data() + 24, audioRate);
    putLe32(h.data() + 28, audioRate * audioBytesPerFrame);
    putLe16(h.data() + 32, audioBytesPerFrame);
    putLe16(h.data() + 34, 16);
    std::memcpy(h.data() + 36, "data", 4);
    putLe32(h.data() + 40, dataBytes);
    return h;
}

} // namespace

std::unique_ptr<CaptureConsole> CaptureConsole::open(const CaptureSettings& settings, std::string& problem)
{
    namespace fs = std::filesystem;
    std::error_code error;
    fs::create_directories(settings.dir, error);
    if (error || !fs::is_directory(settings.dir)) {
        problem = "cannot create the capture folder " + settings.dir;
        return nullptr;
    }
    auto console = std::make_unique<CaptureConsole>(Token{});
    console->settings_ = settings;
    auto openFile = [&](File& file, const char* name) {
        const std::string path = (fs::path(settings.dir) / name).string();
        file.reset(std::fopen(path.c_str(), "wb"));
        if (!file && problem.empty()) problem = "cannot write " + path + ": " + std::strerror(errno);
    };
    openFile(console->cellsFile_, "cells.bin");
    openFile(console->framesFile_, "frames.tsv");
    openFile(console->audioFile_, "audio.wav");
    if (settings.canvas) openFile(console->canvasFile_, "canvas.bin");
    if (!problem.empty()) return nullptr;
    const char header[] = "frame\tt_ms\tevents\n";
    console->write(console->framesFile_.get(), header, sizeof header - 1, "frames.tsv");
    const auto wav = wavHeader(0); // sizes are filled in by finish
    console->write(console->audioFile_.get(), wav.data(), wav.size(), "audio.wav");
    if (!console->problem_.empty()) {
        problem = console->problem_;
        return nullptr;
    }
    return console;
}

CaptureConsole::~CaptureConsole() = default;

void CaptureConsole::write(std::FILE* file, const void* data, std::size_t size, const char* name)
{
    if (!file || size == 0) return;
    if (std::fwrite(data, 1, size, file) != size && problem_.empty())
        problem_ = std::string("cannot write ") + name + " in " + settings_.dir + ": " + std::strerror(errno);
}

void CaptureConsole::beginFrame(std::int64_t index, std::int32_t t, std::span<const std::uint8_t> events)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    frameIndex_ = index;
    frameTime_ = t;
    eventsLength_ = 0;
    for (const std::uint8_t value : events) {
        if (eventsLength_ + 3 > eventsText_.size()) break;
        if (eventsLength_ > 0) eventsText_[eventsLength_++] = ',';
        eventsText_[eventsLength_++] = hex[value >> 4];
        eventsText_[eventsLength_++] = hex[value & 0x0F];
    }
}

bool CaptureConsole::present(const CellBuffer& cells, ConstCanvasView pixels)
{
    for (std::size_t i = 0; i < cells.size(); ++i) {
        cellBytes_[2 * i] = static_cast<std::uint8_t>(cells[i].character);
        cellBytes_[2 * i + 1] = static_cast<std::uint8_t>(cells[i].attributes);
    }
    write(cellsFile_.get(), cellBytes_.data(), cellBytes_.size(), "cells.bin");
    if (canvasFile_) {
        for (std::size_t i = 0; i < pixels.size(); ++i) putLe32(canvasBytes_.data() + 4 * i, pixels[i]);
        write(canvasFile_.get(), canvasBytes_.data(), canvasBytes_.size(), "canvas.bin");
    }
    if (framesFile_) {
        std::array<char, 48> line{};
        const int n = std::snprintf(line.data(), line.size(), "%" PRId64 "\t%" PRId32 "\t", frameIndex_, frameTime_);
        write(framesFile_.get(), line.data(), static_cast<std::size_t>(std::max(n, 0)), "frames.tsv");
        write(framesFile_.get(), eventsText_.data(), eventsLength_, "frames.tsv");
        write(framesFile_.get(), "\n", 1, "frames.tsv");
    }
    if (settings_.png) {
        std::array<char, 24> name{};
        std::snprintf(name.data(), name.size(), "frame_%06" PRId64 ".png", frameIndex_);
        const std::string reason = writeCellsPng((std::filesystem::path(settings_.dir) / name.data()).string(), cells);
        if (!reason.empty() && problem_.empty()) problem_ = reason;
    }
    ++frames_;
    eventsLength_ = 0;
    return problem_.empty();
}

void CaptureConsole::writeAudio(std::span<const std::int16_t> stereo)
{
    // Little-endian samples, a block at a time.
    while (!stereo.empty()) {
        const std::size_t count = std::min(stereo.size(), audioBytes_.size() / 2);
        for (std::size_t i = 0; i < count; ++i) putLe16(audioBytes_.data() + 2 * i, static_cast<std::uint16_t>(stereo[i]));
        write(audioFile_.get(), audioBytes_.data(), 2 * count, "audio.wav");
        audioFrames_ += static_cast<std::int64_t>(count / audioChannels);
        stereo = stereo.subspan(count);
    }
}

std::string CaptureConsole::finish(std::int64_t audioFrames)
{
    if (audioFile_) {
        // Silence up to the span, if the music fell short of it.
        audioBytes_.fill(0);
        while (audioFrames_ < audioFrames) {
            const std::int64_t count = std::min<std::int64_t>(audioFrames - audioFrames_, audioBytes_.size() / audioBytesPerFrame);
            write(audioFile_.get(), audioBytes_.data(), static_cast<std::size_t>(count * audioBytesPerFrame), "audio.wav");
            audioFrames_ += count;
        }
        const auto dataBytes = static_cast<std::uint32_t>(audioFrames * audioBytesPerFrame);
        const auto header = wavHeader(dataBytes);
        if (std::fflush(audioFile_.get()) != 0 || std::fseek(audioFile_.get(), 0, SEEK_SET) != 0) {
            if (problem_.empty()) problem_ = "cannot complete audio.wav in " + settings_.dir;
        } else {
            write(audioFile_.get(), header.data(), header.size(), "audio.wav");
        }
        audioFile_.reset();
        // Music rendered past the span is cut off.
        std::error_code error;
        std::filesystem::resize_file(std::filesystem::path(settings_.dir) / "audio.wav", wavHeaderSize + dataBytes, error);
        if (error && problem_.empty()) problem_ = "cannot complete audio.wav in " + settings_.dir;
    }
    for (File* file : {&cellsFile_, &framesFile_, &canvasFile_}) {
        if (*file && std::fclose(file->release()) != 0 && problem_.empty())
            problem_ = "cannot finish writing the capture in " + settings_.dir;
    }
    return problem_;
}

} // namespace velq
