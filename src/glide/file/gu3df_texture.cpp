// Whole textures in memory: building one from pixels in any format,
// decoding its levels back, and making mip chains by halving.
#include "gu3df_io.h"
#include "texture/texture_decode.h"
#include "texture/texture_encode.h"

namespace glide {

bool EncodeTexture(GrTextureFormat_t format, const std::vector<ArgbImage>& levels, Texture3df* out,
                   std::string* error) {
    if (TextureFormatBytes(format) == 0) {
        if (error) *error = "unknown texture format " + std::to_string(format);
        return false;
    }
    GrLOD_t largeLod = 0, smallLod = 0;
    GrAspectRatio_t aspect = 0;
    if (!DescribeChain(levels, &largeLod, &smallLod, &aspect, error)) return false;

    Texture3df t;
    t.header.width = static_cast<FxU32>(levels[0].width);
    t.header.height = static_cast<FxU32>(levels[0].height);
    t.header.small_lod = smallLod;
    t.header.large_lod = largeLod;
    t.header.aspect_ratio = aspect;
    t.header.format = format;

    // One table serves every level, so it is fitted to all of them.
    if (TableKindOf(format) != TexTableKind::kNone) {
        std::vector<std::uint32_t> all;
        for (const ArgbImage& level : levels) all.insert(all.end(), level.pixels.begin(), level.pixels.end());
        if (TableKindOf(format) == TexTableKind::kNcc) {
            t.table.nccTable = ComputeNccTable(all);
        } else {
            t.table.palette = ComputePalette(all);
        }
    }

    t.data.resize(TextureBytes(format, smallLod, largeLod, aspect));
    std::size_t at = 0;
    for (const ArgbImage& level : levels) {
        EncodeTexels(format, level.pixels.data(), level.pixels.size(), &t.table, t.data.data() + at);
        at += level.pixels.size() * static_cast<std::size_t>(TextureFormatBytes(format));
    }
    *out = std::move(t);
    return true;
}

bool DecodeLevel(const Texture3df& texture, GrLOD_t lod, ArgbImage* out) {
    std::uint32_t offset = 0;
    int w = 0, h = 0;
    if (!LevelLocation(texture.header, lod, &offset, &w, &h)) return false;
    const std::size_t count = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    const std::size_t bytes = count * static_cast<std::size_t>(TextureFormatBytes(texture.header.format));
    if (offset > texture.data.size() || texture.data.size() - offset < bytes) return false;
    ArgbImage image;
    image.width = w;
    image.height = h;
    image.pixels.resize(count);
    if (!DecodeTexels(texture.header.format, texture.data.data() + offset, count, &texture.table,
                      image.pixels.data())) {
        return false;
    }
    *out = std::move(image);
    return true;
}

ArgbImage HalveImage(const ArgbImage& image) {
    ArgbImage half;
    half.width = image.width > 1 ? image.width / 2 : 1;
    half.height = image.height > 1 ? image.height / 2 : 1;
    const int bw = image.width > 1 ? 2 : 1;
    const int bh = image.height > 1 ? 2 : 1;
    half.pixels.resize(static_cast<std::size_t>(half.width) * static_cast<std::size_t>(half.height));
    if (image.pixels.size() < static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height)) {
        return half;  // not a whole image: zero pixels rather than a read past it
    }
    const std::uint32_t n = static_cast<std::uint32_t>(bw * bh);
    for (int y = 0; y < half.height; ++y) {
        for (int x = 0; x < half.width; ++x) {
            std::uint32_t sum[4] = {0, 0, 0, 0};
            for (int dy = 0; dy < bh; ++dy) {
                for (int dx = 0; dx < bw; ++dx) {
                    const std::uint32_t p =
                        image.pixels[static_cast<std::size_t>(y * bh + dy) * static_cast<std::size_t>(image.width) +
                                     static_cast<std::size_t>(x * bw + dx)];
                    for (int c = 0; c < 4; ++c) sum[c] += (p >> (24 - 8 * c)) & 0xFF;
                }
            }
            std::uint32_t out = 0;
            for (int c = 0; c < 4; ++c) out = (out << 8) | ((sum[c] + n / 2) / n);
            half.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(half.width) +
                        static_cast<std::size_t>(x)] = out;
        }
    }
    return half;
}

std::vector<ArgbImage> BuildMipChain(const ArgbImage& image, int smallestEdge) {
    std::vector<ArgbImage> chain{image};
    for (;;) {
        const ArgbImage& last = chain.back();
        const int longer = last.width > last.height ? last.width : last.height;
        if (longer <= 1 || longer <= smallestEdge) break;
        chain.push_back(HalveImage(last));
    }
    return chain;
}

}  // namespace glide
