// PNG screenshots of RGB565 pictures.
#include <cstdint>
#include <string>
#include <vector>

#include <stb/stb_image_write.h>

#include "device.h"
#include "pixel/dither.h"
#include "queue/tile_queue.h"
#include "support/output_file.h"

namespace glide {

bool WriteRgb565Png(const char* path, const std::uint16_t* pixels, int width, int height, bool bottomUp,
                    std::string* error) {
    if (path == nullptr || pixels == nullptr || width <= 0 || height <= 0 || width > 16384 || height > 16384) {
        if (error != nullptr) *error = std::string(path != nullptr ? path : "\"\"") + ": cannot write (no picture)";
        return false;
    }
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3u);
    for (int row = 0; row < height; ++row) {
        // PNG rows run top to bottom.
        const int source = bottomUp ? height - 1 - row : row;
        const std::uint16_t* in = pixels + static_cast<std::size_t>(source) * static_cast<std::size_t>(width);
        std::uint8_t* out = rgb.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(width) * 3u;
        for (int x = 0; x < width; ++x) {
            const std::uint16_t p = in[x];
            out[3 * x + 0] = static_cast<std::uint8_t>(Expand5(p >> 11));
            out[3 * x + 1] = static_cast<std::uint8_t>(Expand6((p >> 5) & 63));
            out[3 * x + 2] = static_cast<std::uint8_t>(Expand5(p & 31));
        }
    }
    // The encoder hands its output in pieces; the file checks each write and
    // appears under its name only when complete.
    tarn::OutputFile out(path);
    if (!out.Open()) {
        if (error != nullptr) *error = out.Error();
        return false;
    }
    auto sink = [](void* context, void* data, int size) {
        static_cast<tarn::OutputFile*>(context)->Write(data, static_cast<std::size_t>(size));
    };
    const bool encoded = stbi_write_png_to_func(sink, &out, width, height, 3, rgb.data(), width * 3) != 0;
    if (encoded && out.Commit()) return true;
    if (error != nullptr) {
        *error = out.Error().empty() ? std::string(path) + ": cannot write (PNG encoding failed)" : out.Error();
    }
    return false;
}

bool WriteScreenshotPng(const char* path, std::string* error) {
    SyncTileQueue(Access::kReadBuffers);
    return WriteRgb565Png(path, ColourBuffer(GR_BUFFER_FRONTBUFFER), kScreenWidth, kScreenHeight, true, error);
}

}  // namespace glide
