// The render switch word: function keys flip its bits, the renderer reads
// them every frame.
#pragma once

#include <cstdint>

constexpr std::uint32_t RF_ANTIALIAS = 0x1;
constexpr std::uint32_t RF_FLAT_SHADING = 0x2;
constexpr std::uint32_t RF_LIGHT_BOTH_SIDES = 0x4;
constexpr std::uint32_t RF_BACKFACE_CULL = 0x8;
constexpr std::uint32_t RF_FLIP_FACING = 0x10;
constexpr std::uint32_t RF_WBUFFER = 0x20;
constexpr std::uint32_t RF_SPECULAR = 0x40;
constexpr std::uint32_t RF_IGNORE_TEXTURE_AMOUNT = 0x80;
constexpr std::uint32_t RF_MIPMAP = 0x100;
constexpr std::uint32_t RF_BILINEAR = 0x200;
constexpr std::uint32_t RF_TEXTURES = 0x400;
constexpr std::uint32_t RF_MIPMAP_DITHER = 0x800;
constexpr std::uint32_t RF_MULTIPASS = 0x1000;
constexpr std::uint32_t RF_FOG = 0x2000;
constexpr std::uint32_t RF_TWO_SIDED_FACES = 0x4000;
constexpr std::uint32_t RF_OMNI_LIGHTS = 0x8000;
constexpr std::uint32_t RF_DIRECTIONAL_LIGHTS = 0x10000;
constexpr std::uint32_t RF_FAST_SPECULAR = 0x20000;

constexpr std::uint32_t RENDER_FLAGS_INITIAL = 0x3E768;

extern std::uint32_t RenderFlags;
