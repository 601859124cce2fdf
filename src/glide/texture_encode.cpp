#include "texture_encode.h"

namespace glide {

bool DescribeChain(const std::vector<ArgbImage>& levels, GrLOD_t* largeLod, GrLOD_t* smallLod,
                   GrAspectRatio_t* aspect, std::string* error) {
    auto fail = [error](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    if (levels.empty()) return fail("no levels");
    const ArgbImage& top = levels.front();
    GrAspectRatio_t a = 0;
    if (!AspectFromSize(top.width, top.height, &a)) {
        return fail("size " + std::to_string(top.width) + "x" + std::to_string(top.height) +
                    " is not a power-of-two ratio from 8:1 to 1:8");
    }
    GrLOD_t large = 0;
    if (!LodFromEdge(top.width > top.height ? top.width : top.height, &large)) {
        return fail("longer side " + std::to_string(top.width > top.height ? top.width : top.height) +
                    " is not a power of two from 1 to 256");
    }
    if (levels.size() > static_cast<std::size_t>(GR_LOD_1 - large + 1)) return fail("too many levels");
    for (std::size_t i = 0; i < levels.size(); ++i) {
        int w = 0, h = 0;
        LevelSize(large + static_cast<GrLOD_t>(i), a, &w, &h);
        if (levels[i].width != w || levels[i].height != h) {
            return fail("level " + std::to_string(i) + " is " + std::to_string(levels[i].width) + "x" +
                        std::to_string(levels[i].height) + ", expected " + std::to_string(w) + "x" +
                        std::to_string(h));
        }
        if (levels[i].pixels.size() != static_cast<std::size_t>(w) * static_cast<std::size_t>(h)) {
            return fail("level " + std::to_string(i) + " holds the wrong number of pixels");
        }
    }
    if (largeLod) *largeLod = large;
    if (smallLod) *smallLod = large + static_cast<GrLOD_t>(levels.size()) - 1;
    if (aspect) *aspect = a;
    return true;
}

GuNccTable ComputeNccTable(const std::vector<std::uint32_t>&) { return GuNccTable{}; }
GuTexPalette ComputePalette(const std::vector<std::uint32_t>&) { return GuTexPalette{}; }
bool EncodeTexels(GrTextureFormat_t, const std::uint32_t*, std::size_t, const GuTexTable*, std::uint8_t*) {
    return false;
}

}  // namespace glide
