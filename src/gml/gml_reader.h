// Reads GML drawings with a small tag scanner: strokes, points, their x, y, z and time, and the
// gml tag's spec attribute; every other token passes through without effect.
#pragma once

#include <span>

#include "gml/drawing.h"

namespace velq {

// Fills the drawing from a GML file. Resets only specText and strokeCount; a file
// that cannot be opened, or no drawing, prints a message, waits for a key when standard input
// is a terminal, and leaves the record as it was.
void loadDrawing(const char* path, Drawing* drawing);

// The same reading over text already in memory (what loadDrawing does once the file is read).
void readDrawingText(std::span<const char> text, Drawing& drawing);

} // namespace velq
