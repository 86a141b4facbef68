#include "display/console.h"

namespace velq {

namespace {
NullConsole nullConsole;
}

Console* outputHandle = &nullConsole;
CellBuffer cellBuffer;

bool presentCanvas(ConstCanvasView pixels)
{
    convertCanvas(pixels, cellBuffer);
    return outputHandle->present(cellBuffer, pixels);
}

void configureConsole(int width, int height, int fullScreen)
{
    outputHandle->configure(width, height, fullScreen != 0);
}

} // namespace velq
