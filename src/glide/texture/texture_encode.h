// Encoding of 0xAARRGGBB pixels into the board's texel formats, with the
// NCC table and palette construction the table formats need. Used by the
// 3DF writer and the project's tools; never at run time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gu3df_io.h"

namespace glide {

// Checks that levels form one mip chain (see EncodeTexture) and gives its
// GR_LOD range and aspect ratio; otherwise false with a message in *error.
bool DescribeChain(const std::vector<ArgbImage>& levels, GrLOD_t* largeLod, GrLOD_t* smallLod,
                   GrAspectRatio_t* aspect, std::string* error);

// An NCC table fitted to the given pixels (alpha ignored): 16 Y values at
// the quantiles of the pixels' luma, 4 I and 4 Q values at the quantiles of
// their chroma, each turned into r, g, b offsets. packed_data is left 0.
GuNccTable ComputeNccTable(const std::vector<std::uint32_t>& pixels);

// Up to 256 palette entries (0x00RRGGBB) for the pixels' colours (alpha
// ignored): every colour when there are at most 256, otherwise a median cut.
GuTexPalette ComputePalette(const std::vector<std::uint32_t>& pixels);

// Encodes count pixels into format (one byte per texel for 8-bit formats,
// one host-order FxU16 for 16-bit ones). table must hold the NCC table or
// palette for the table formats. Each texel is the nearest the format holds.
bool EncodeTexels(GrTextureFormat_t format, const std::uint32_t* pixels, std::size_t count,
                  const GuTexTable* table, std::uint8_t* dst);

}  // namespace glide
