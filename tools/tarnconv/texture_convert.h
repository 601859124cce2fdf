// Image files to 3DF textures and back: loading PNG/JPEG/TGA/BMP, fitting
// the picture to the sizes the board can hold (powers of two up to 256, side
// ratios from 8:1 to 1:8), the filtered mip chain, and the encoding into any
// of the board's formats through the 3DF writer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gu3df_io.h"

namespace tarnconv {

// The largest picture read: a few hundred megabytes while it is converted.
// A texture is at most 256 on a side, so nothing larger is of use.
constexpr int kMaxPictureSide = 16384;
constexpr long long kMaxPicturePixels = 8192LL * 8192;

// True when a picture of width x height is small enough to read; else
// false with "name: the picture is W x H pixels, ..." in *error.
bool PictureSizeOk(int width, int height, const std::string& name, std::string* error);

// Loads an image file (anything stb_image reads) as 0xAARRGGBB, top row
// first, after checking its size in the file's header (PictureSizeOk).
// *hasAlpha tells whether any pixel is less than fully opaque.
bool LoadImageFile(const std::string& path, glide::ArgbImage* image, bool* hasAlpha, std::string* error);

// The same from an encoded file held in memory (textures embedded in models).
bool LoadImageMemory(const std::vector<std::uint8_t>& bytes, const std::string& name, glide::ArgbImage* image,
                     bool* hasAlpha, std::string* error);

// The texture size for a picture of width x height: each side rounded to
// the nearest power of two, both halved together while the longer exceeds
// maxEdge, then the shorter raised until the ratio is at most 8:1.
void ChooseTextureSize(int width, int height, int maxEdge, int* outWidth, int* outHeight);

// Resamples with stb_image_resize (wrapping edges, since textures tile;
// alpha-weighted so transparent texels do not bleed their colour).
glide::ArgbImage ResizeImage(const glide::ArgbImage& image, int width, int height);

struct TextureOptions {
    std::string formatName;  // empty: rgb565, or argb4444 when the picture has alpha
    bool mipmaps = true;
    int maxEdge = 256;
};

// Picture -> fitted size -> mip chain -> encoded texture.
bool ImageToTexture(const glide::ArgbImage& image, bool hasAlpha, const TextureOptions& options,
                    glide::Texture3df* texture, std::string* error);

// Writes a 3DF file through a checked output file: on failure, false with
// "FILE: cannot write (reason)" in *error, and nothing under the name.
bool WriteTextureFile(const std::string& path, const glide::Texture3df& texture, std::string* error);

// Loads an image file and writes it as a 3DF file.
bool ConvertImageFile(const std::string& in, const std::string& out, const TextureOptions& options,
                      glide::Texture3df* written, std::string* error);

// Human-readable description of a 3DF texture (format, sizes, levels, bytes).
std::string DescribeTexture(const glide::Texture3df& texture);

// Writes one level of a texture as a PNG file (checked, as above).
bool WriteTextureLevelPng(const glide::Texture3df& texture, int level, const std::string& path,
                          std::string* error);

// Width:height of a header's aspect ratio in lowest terms, e.g. (2, 1).
void TextureAspect(const Gu3dfHeader& header, int* w, int* h);

}  // namespace tarnconv
