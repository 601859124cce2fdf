// Frame buffers: render target choice, clear, swap and read-back.
#include <cstring>

#include "device.h"
#include "pixel/dither.h"
#include "queue/tile_queue.h"
#include "raster/clear_fill.h"

namespace glide {

std::uint16_t* ColourBuffer(GrBuffer_t buffer) {
    Device& d = TheDevice();
    const int index = buffer == GR_BUFFER_FRONTBUFFER ? d.front : 1 - d.front;
    return Buffers().colour[index];
}

std::uint16_t* RenderTargetBuffer() { return ColourBuffer(TheDevice().renderTarget); }

}  // namespace glide

void grRenderBuffer(GrBuffer_t buffer) {
    if (buffer != GR_BUFFER_FRONTBUFFER && buffer != GR_BUFFER_BACKBUFFER) return;
    glide::TheDevice().renderTarget = buffer;
    glide::UpdateDrawTarget();
}

// Clears the render target to the colour, dithered like any pixel (the four
// row patterns are built once and copied along the rows), and the depth
// buffer when depth writes are on. The buffers hold no alpha.
void grBufferClear(GrColor_t colour, GrAlpha_t alpha, FxU16 depth) {
    (void)alpha;
    using namespace glide;
    Device& d = TheDevice();
    if (!d.open) return;
    const Rgba8 c = UnpackColour(colour, d.colourFormat);
    ClearFill fill;
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) fill.pattern[y][x] = DitherRgb565(c.r, c.g, c.b, kDitherMatrix[y][x]);
    }
    fill.colour = RenderTargetBuffer();
    fill.depth = d.state.depthMask ? Buffers().depth : nullptr;
    fill.depthValue = depth;
    if (TileQueueRunning()) {
        QueueClear(fill);
    } else {
        SyncTileQueue(Access::kWriteBuffers);  // the pixels the inline path still holds
        FillClear(fill, TileRect{});
    }
}

void grBufferSwap(int swapInterval) {
    using namespace glide;
    Device& d = TheDevice();
    if (!d.open) return;
    SyncTileQueue(Access::kReadBuffers);  // the output reads the new front buffer
    TileQueueFrameShown();
    d.front = 1 - d.front;
    UpdateDrawTarget();
    CurrentOutput().Present(Buffers().colour[d.front], swapInterval > 0);
}

FxBool grLfbReadRegion(GrBuffer_t src, FxU32 x, FxU32 y, FxU32 width, FxU32 height, FxU32 dstStrideBytes,
                       void* dst) {
    using namespace glide;
    Device& d = TheDevice();
    if (!d.open || dst == nullptr) return FXFALSE;
    if (src != GR_BUFFER_FRONTBUFFER && src != GR_BUFFER_BACKBUFFER) return FXFALSE;
    if (x > kScreenWidth || y > kScreenHeight || width > kScreenWidth - x || height > kScreenHeight - y) {
        return FXFALSE;
    }
    if (dstStrideBytes < width * 2u) return FXFALSE;
    SyncTileQueue(Access::kReadBuffers);
    const std::uint16_t* buffer = ColourBuffer(src);
    auto* out = static_cast<std::uint8_t*>(dst);
    for (FxU32 row = 0; row < height; ++row) {
        // Rows count from the origin chosen at grSstOpen.
        const FxU32 screenRow = y + row;
        const FxU32 bufferRow = d.originUpperLeft ? kScreenHeight - 1 - screenRow : screenRow;
        std::memcpy(out + static_cast<std::size_t>(row) * dstStrideBytes, buffer + bufferRow * kScreenWidth + x,
                    width * 2u);
    }
    return FXTRUE;
}
