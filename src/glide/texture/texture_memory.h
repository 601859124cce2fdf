// Texture memory of the software board: one texture unit of fixed size,
// mip-map allocations that are never released, and each downloaded level
// decoded once into the one layout the sampler reads.
//
// Owned by the texture side of the device (3DF reading, allocation,
// download, decoding); read by the rasterizer's sampler.
#pragma once

#include <cstddef>
#include <cstdint>

#include "glide.h"

namespace glide {

// Size of the board's one texture unit.
constexpr std::uint32_t kTextureMemoryBytes = 4u * 1024u * 1024u;

// Texels readable past the end of every decoded level: the vector sampler
// loads a texel and its right neighbour as one pair, and weights the
// neighbour by 0 where the level has none.
constexpr std::size_t kTexelSlack = 1;

// One decoded mip level: width x height texels, 0xAARRGGBB, row 0 = the
// level's first row in the file (t = 0), texels left to right (s = 0 first).
// Width and height are powers of two, so wrapping is a mask.
struct TextureLevel {
    int width = 0;
    int height = 0;
    int widthLog2 = 0;
    int heightLog2 = 0;
    const std::uint32_t* texels = nullptr;  // nullptr until downloaded
};

// What guTexAllocateMemory was told, plus the decoded levels.
struct MipMap {
    std::uint8_t oddEvenMask = GR_MIPMAPLEVELMASK_BOTH;
    int width = 0, height = 0;  // as passed at allocation (largest level)
    GrTextureFormat_t format = 0;
    GrMipMapMode_t mipmapMode = GR_MIPMAP_NEAREST;
    GrLOD_t smallLod = GR_LOD_1, largeLod = GR_LOD_256;
    GrAspectRatio_t aspect = GR_ASPECT_1x1;
    GrTextureClampMode_t sClamp = GR_TEXTURECLAMP_WRAP, tClamp = GR_TEXTURECLAMP_WRAP;
    GrTextureFilterMode_t minFilter = GR_TEXTUREFILTER_BILINEAR, magFilter = GR_TEXTUREFILTER_BILINEAR;
    float lodBias = 0.0f;
    bool trilinear = false;
    bool downloaded = false;
    // Indexed by GR_LOD value (0 = 256 ... 8 = 1). Only the levels in
    // [largeLod, smallLod] that the odd/even mask keeps are filled.
    TextureLevel levels[9];
    // Where the kept levels sit in texture memory, back to back, largest
    // first: byte offset of the first and bytes in all (0 when the mask
    // keeps none of the levels).
    std::uint32_t memoryOffset = 0;
    std::uint32_t memoryBytes = 0;
};

// The allocation behind a handle, or nullptr for GR_NULL_MIPMAP_HANDLE and
// handles never returned by guTexAllocateMemory.
const MipMap* FindMipMap(GrMipMapId_t handle);

// Forgets every allocation (grGlideInit / grGlideShutdown and tests).
void ResetTextureMemory();

// Bytes of texture memory still free.
std::uint32_t TextureMemoryFree();

}  // namespace glide
