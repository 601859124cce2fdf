// Texture files and texture formats of the software accelerator, for the
// project's tools, tests and benchmarks: naming formats, mip-level sizes,
// reading and writing 3DF files, converting texels to and from 0xAARRGGBB,
// and putting a ready-made texture straight into texture memory.
//
// The system itself reads textures only through gu3dfGetInfo / gu3dfLoad of
// glide.h; nothing here is on its path.
//
// Sections: formats and sizes; in-memory 3DF texture; encode / decode;
// 3DF files; texture memory helpers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "glide.h"

namespace glide {

// ---- formats and sizes -------------------------------------------------------

// The format's 3DF name ("rgb565", "yiq", ...), or nullptr for a value that
// is not one of the thirteen texture formats.
const char* TextureFormatName(GrTextureFormat_t format);

// Looks a 3DF format name up, ignoring case. False for an unknown name
// (including "argb8888", which the board cannot hold).
bool TextureFormatFromName(std::string_view name, GrTextureFormat_t* format);

// 1 or 2 bytes per texel; 0 for an unknown format.
int TextureFormatBytes(GrTextureFormat_t format);

// Every format value the board knows, in enumeration order.
std::vector<GrTextureFormat_t> AllTextureFormats();

// Edge length of a level: GR_LOD_256 -> 256 ... GR_LOD_1 -> 1; 0 when lod is
// not a GR_LOD value.
int LodEdge(GrLOD_t lod);

// GR_LOD value of an edge length (1, 2, 4 ... 256). False otherwise.
bool LodFromEdge(int edge, GrLOD_t* lod);

// Aspect ratio as the 3DF header writes it: GR_ASPECT_4x1 -> (4, 1). False
// for an unknown value.
bool AspectRatioTerms(GrAspectRatio_t aspect, int* w, int* h);

// GR_ASPECT value of a width:height ratio of powers of two (8:1 ... 1:8),
// e.g. (256, 64) -> GR_ASPECT_4x1. False for any other ratio.
bool AspectFromSize(int width, int height, GrAspectRatio_t* aspect);

// Size of one level: the longer side is LodEdge(lod), the shorter one that
// divided by the aspect, never below 1. False for an invalid lod or aspect.
bool LevelSize(GrLOD_t lod, GrAspectRatio_t aspect, int* width, int* height);

// Bytes of texels of the levels largeLod..smallLod that oddEvenMask keeps
// (GR_LOD value odd -> GR_MIPMAPLEVELMASK_ODD). For GR_MIPMAPLEVELMASK_BOTH
// this is the 3DF file's mem_required. 0 for invalid arguments.
std::uint32_t TextureBytes(GrTextureFormat_t format, GrLOD_t smallLod, GrLOD_t largeLod,
                           GrAspectRatio_t aspect, int oddEvenMask = GR_MIPMAPLEVELMASK_BOTH);

// ---- in-memory 3DF texture ---------------------------------------------------

// Pixels of one level: width x height, 0xAARRGGBB, row 0 = top row.
struct ArgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
};

// A whole 3DF texture as gu3dfLoad leaves it: the header, the NCC table
// (yiq, ayiq8422) or palette (p8, ap88; entries 0x00RRGGBB), and the texels
// of every level, largest first, rows top to bottom. 8-bit formats take one
// byte per texel, 16-bit formats one FxU16 in host byte order.
struct Texture3df {
    Gu3dfHeader header{};
    GuTexTable table{};
    std::vector<std::uint8_t> data;
};

// Number of levels (largeLod..smallLod) of a header, 0 when it is invalid.
int LevelCount(const Gu3dfHeader& header);

// Byte offset of level lod inside Texture3df::data / gu3dfLoad's data, and
// that level's size; false when lod is outside the header's range.
bool LevelLocation(const Gu3dfHeader& header, GrLOD_t lod, std::uint32_t* offset, int* width,
                   int* height);

// ---- encode / decode -----------------------------------------------------------

// Builds a texture of the given format from its levels, largest first, each
// half the size of the one before (never below 1), all of one aspect ratio
// from 8:1 to 1:8 and at most 256 on a side. yiq and ayiq8422 get an NCC
// table computed from all levels, p8 and ap88 a palette (exact when the
// image has at most 256 colours). On failure returns false and says why in
// *error (when given).
bool EncodeTexture(GrTextureFormat_t format, const std::vector<ArgbImage>& levels, Texture3df* out,
                   std::string* error = nullptr);

// Decodes one level of a texture to 0xAARRGGBB exactly as the device does at
// download. False when lod is outside the texture or the data is too short.
bool DecodeLevel(const Texture3df& texture, GrLOD_t lod, ArgbImage* out);

// The next smaller level: each pixel the rounded mean of the 2x2 (or 2x1 /
// 1x2 once a side is 1) block it covers, per channel. A 1x1 image stays 1x1.
ArgbImage HalveImage(const ArgbImage& image);

// The full chain from image down to a longer side of smallestEdge.
std::vector<ArgbImage> BuildMipChain(const ArgbImage& image, int smallestEdge = 1);

// ---- 3DF files -----------------------------------------------------------------

// Reads a 3DF file (header, table, every level). On failure returns false
// and puts a message naming the file and the fault in *error.
bool Read3dfFile(const char* path, Texture3df* out, std::string* error = nullptr);

// Parses only the header lines of a 3DF file; mem_required as gu3dfGetInfo.
bool Read3dfHeader(const char* path, Gu3dfHeader* header, std::uint32_t* memRequired,
                   std::string* error = nullptr);

// Writes a texture as a "3df v1.1" file. False (with *error) when the texture
// is inconsistent or the file cannot be written.
bool Write3dfFile(const char* path, const Texture3df& texture, std::string* error = nullptr);

// The same file as bytes in memory.
bool Serialize3df(const Texture3df& texture, std::vector<std::uint8_t>* bytes, std::string* error = nullptr);

// Why the calling thread's last gu3dfGetInfo or gu3dfLoad failed, without
// the file name (e.g. "the file ends inside the texel data (512 bytes
// expected)"); empty after one that succeeded.
const std::string& Last3dfFailure();

// ---- texture memory helpers (tests, benchmarks, tools) -------------------------

// Allocates a mip-map for levels (largest first, as EncodeTexture takes them)
// and downloads their pixels exactly, with no format in between. Memory is
// counted as for a 16-bit format. Returns GR_NULL_MIPMAP_HANDLE when the
// levels are not a valid chain or do not fit.
GrMipMapId_t AllocateArgbMipMap(const std::vector<ArgbImage>& levels,
                                int oddEvenMask = GR_MIPMAPLEVELMASK_BOTH,
                                GrMipMapMode_t mipmapMode = GR_MIPMAP_NEAREST,
                                GrTextureClampMode_t sClamp = GR_TEXTURECLAMP_WRAP,
                                GrTextureClampMode_t tClamp = GR_TEXTURECLAMP_WRAP,
                                GrTextureFilterMode_t minFilter = GR_TEXTUREFILTER_BILINEAR,
                                GrTextureFilterMode_t magFilter = GR_TEXTUREFILTER_BILINEAR,
                                float lodBias = 0.0f, bool trilinear = false);

// Allocates and downloads a texture (as EncodeTexture or Read3dfFile made it)
// the way the system does: guTexAllocateMemory + guTexDownloadMipMap.
GrMipMapId_t AllocateTexture3df(const Texture3df& texture, int oddEvenMask = GR_MIPMAPLEVELMASK_BOTH,
                                bool trilinear = false);

}  // namespace glide
