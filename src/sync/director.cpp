#include "sync/director.h"

#include "display/console.h"
#include "display/test_card.h"

namespace velq {

bool renderFrame(std::int32_t t)
{
    drawTestCard(t);
    return presentCanvas(ConstCanvasView(canvas, canvasPixels));
}

} // namespace velq
