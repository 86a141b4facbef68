// Any bytes as a GML file: the reader must stay inside its record and keep the counts in range.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "gml/gml_reader.h"

namespace {
// Reused between inputs, as a drawing slot is: fields the file does not give keep their values.
velq::Drawing drawing;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    velq::readDrawingText({reinterpret_cast<const char*>(data), size}, drawing);
    if (drawing.strokeCount < 0 || drawing.strokeCount > velq::maxStrokes) __builtin_trap();
    for (const velq::Stroke& stroke : drawing.strokes)
        if (stroke.pointCount < 0 || stroke.pointCount > velq::maxPoints) __builtin_trap();
    if (std::memchr(drawing.specText.data(), 0, drawing.specText.size()) == nullptr) __builtin_trap();
    return 0;
}
