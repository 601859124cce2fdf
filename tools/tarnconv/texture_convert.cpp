#include "texture_convert.h"

#include <stb/stb_image.h>
#include <stb/stb_image_resize.h>
#include <stb/stb_image_write.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "support/output_file.h"

namespace tarnconv {
namespace {

glide::ArgbImage FromRgba(const unsigned char* rgba, int w, int h, bool* hasAlpha) {
    glide::ArgbImage img;
    img.width = w;
    img.height = h;
    img.pixels.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    bool alpha = false;
    for (std::size_t i = 0; i < img.pixels.size(); ++i) {
        const unsigned char* p = rgba + i * 4;
        if (p[3] != 255) alpha = true;
        img.pixels[i] = (std::uint32_t{p[3]} << 24) | (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
    }
    if (hasAlpha) *hasAlpha = alpha;
    return img;
}

std::vector<unsigned char> ToRgba(const glide::ArgbImage& img) {
    std::vector<unsigned char> out(img.pixels.size() * 4);
    for (std::size_t i = 0; i < img.pixels.size(); ++i) {
        const std::uint32_t p = img.pixels[i];
        out[i * 4 + 0] = static_cast<unsigned char>(p >> 16);
        out[i * 4 + 1] = static_cast<unsigned char>(p >> 8);
        out[i * 4 + 2] = static_cast<unsigned char>(p);
        out[i * 4 + 3] = static_cast<unsigned char>(p >> 24);
    }
    return out;
}

int NearestPowerOfTwo(int v) {
    if (v <= 1) return 1;
    // Rounded in the log domain, so the picture is stretched or squeezed by
    // at most a factor of 1.41: 320 -> 256, 384 -> 512.
    const double l = std::log2(static_cast<double>(v));
    const int e = static_cast<int>(std::floor(l + 0.5));
    return 1 << std::min(e, 30);
}

}  // namespace

bool PictureSizeOk(int width, int height, const std::string& name, std::string* error) {
    if (width <= kMaxPictureSide && height <= kMaxPictureSide &&
        static_cast<long long>(width) * height <= kMaxPicturePixels)
        return true;
    if (error)
        *error = name + ": the picture is " + std::to_string(width) + " x " + std::to_string(height) +
                 " pixels, more than is read (" + std::to_string(kMaxPictureSide) + " on a side, " +
                 std::to_string(kMaxPicturePixels) + " in all)";
    return false;
}

bool LoadImageFile(const std::string& path, glide::ArgbImage* image, bool* hasAlpha, std::string* error) {
    int w = 0, h = 0, n = 0;
    // The header first: a small file can claim a picture of gigabytes.
    if (stbi_info(path.c_str(), &w, &h, &n) && !PictureSizeOk(w, h, path, error)) return false;
    unsigned char* data = stbi_load(path.c_str(), &w, &h, &n, 4);
    if (!data) {
        if (error) *error = path + ": cannot read the image (" + (stbi_failure_reason() ? stbi_failure_reason() : "unknown") + ")";
        return false;
    }
    *image = FromRgba(data, w, h, hasAlpha);
    stbi_image_free(data);
    return true;
}

bool LoadImageMemory(const std::vector<std::uint8_t>& bytes, const std::string& name, glide::ArgbImage* image,
                     bool* hasAlpha, std::string* error) {
    int w = 0, h = 0, n = 0;
    if (bytes.empty() || bytes.size() > 0x7FFFFFFF) {
        if (error) *error = name + ": empty image";
        return false;
    }
    const int size = static_cast<int>(bytes.size());
    if (stbi_info_from_memory(bytes.data(), size, &w, &h, &n) && !PictureSizeOk(w, h, name, error)) return false;
    unsigned char* data = stbi_load_from_memory(bytes.data(), size, &w, &h, &n, 4);
    if (!data) {
        if (error) *error = name + ": cannot decode the image (" + (stbi_failure_reason() ? stbi_failure_reason() : "unknown") + ")";
        return false;
    }
    *image = FromRgba(data, w, h, hasAlpha);
    stbi_image_free(data);
    return true;
}

void ChooseTextureSize(int width, int height, int maxEdge, int* outWidth, int* outHeight) {
    int w = NearestPowerOfTwo(width), h = NearestPowerOfTwo(height);
    if (maxEdge < 1) maxEdge = 1;
    while (std::max(w, h) > maxEdge) {
        w = std::max(1, w / 2);
        h = std::max(1, h / 2);
    }
    while (w > 8 * h) h *= 2;
    while (h > 8 * w) w *= 2;
    *outWidth = w;
    *outHeight = h;
}

glide::ArgbImage ResizeImage(const glide::ArgbImage& image, int width, int height) {
    if (image.width == width && image.height == height) return image;
    std::vector<unsigned char> in = ToRgba(image);
    std::vector<unsigned char> out(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    stbir_resize_uint8_generic(in.data(), image.width, image.height, 0, out.data(), width, height, 0, 4, 3, 0,
                               STBIR_EDGE_WRAP, STBIR_FILTER_DEFAULT, STBIR_COLORSPACE_LINEAR, nullptr);
    return FromRgba(out.data(), width, height, nullptr);
}

bool ImageToTexture(const glide::ArgbImage& image, bool hasAlpha, const TextureOptions& options,
                    glide::Texture3df* texture, std::string* error) {
    if (image.width < 1 || image.height < 1) {
        if (error) *error = "the image is empty";
        return false;
    }
    std::string name = options.formatName;
    if (name.empty()) name = hasAlpha ? "argb4444" : "rgb565";
    GrTextureFormat_t format = 0;
    if (!glide::TextureFormatFromName(name, &format)) {
        if (error) *error = "unknown texture format \"" + name + "\" (see tarnconv texture --help)";
        return false;
    }
    int w = 0, h = 0;
    ChooseTextureSize(image.width, image.height, std::min(options.maxEdge, 256), &w, &h);
    glide::ArgbImage top = ResizeImage(image, w, h);
    std::vector<glide::ArgbImage> levels;
    if (options.mipmaps) {
        levels = glide::BuildMipChain(top, 1);
    } else {
        levels.push_back(std::move(top));
    }
    std::string why;
    if (!glide::EncodeTexture(format, levels, texture, &why)) {
        if (error) *error = "cannot encode as " + name + ": " + why;
        return false;
    }
    return true;
}

bool WriteTextureFile(const std::string& path, const glide::Texture3df& texture, std::string* error) {
    std::vector<std::uint8_t> bytes;
    std::string why;
    if (!glide::Serialize3df(texture, &bytes, &why)) {
        if (error) *error = path + ": " + why;
        return false;
    }
    return tarn::WriteWholeFile(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                                error);
}

bool ConvertImageFile(const std::string& in, const std::string& out, const TextureOptions& options,
                      glide::Texture3df* written, std::string* error) {
    glide::ArgbImage image;
    bool alpha = false;
    if (!LoadImageFile(in, &image, &alpha, error)) return false;
    glide::Texture3df tex;
    std::string why;
    if (!ImageToTexture(image, alpha, options, &tex, &why)) {
        if (error) *error = in + ": " + why;
        return false;
    }
    if (!WriteTextureFile(out, tex, error)) return false;
    if (written) *written = std::move(tex);
    return true;
}

void TextureAspect(const Gu3dfHeader& header, int* w, int* h) {
    *w = 1;
    *h = 1;
    glide::AspectRatioTerms(header.aspect_ratio, w, h);
}

std::string DescribeTexture(const glide::Texture3df& texture) {
    const Gu3dfHeader& hd = texture.header;
    const char* name = glide::TextureFormatName(hd.format);
    int aw = 1, ah = 1;
    TextureAspect(hd, &aw, &ah);
    char buf[256];
    std::string s;
    std::snprintf(buf, sizeof buf, "format: %s (%d bits per texel)\n", name ? name : "unknown",
                  8 * glide::TextureFormatBytes(hd.format));
    s += buf;
    std::snprintf(buf, sizeof buf, "size: %u x %u, aspect ratio %d:%d\n", static_cast<unsigned>(hd.width),
                  static_cast<unsigned>(hd.height), aw, ah);
    s += buf;
    std::snprintf(buf, sizeof buf, "lod range: %d .. %d (%d levels)\n", glide::LodEdge(hd.small_lod),
                  glide::LodEdge(hd.large_lod), glide::LevelCount(hd));
    s += buf;
    switch (hd.format) {
        case GR_TEXFMT_YIQ_422:
        case GR_TEXFMT_AYIQ_8422:
            s += "table: NCC\n";
            break;
        case GR_TEXFMT_P_8:
        case GR_TEXFMT_AP_88:
            s += "table: palette (256 entries)\n";
            break;
        default:
            break;
    }
    for (GrLOD_t lod = hd.large_lod; lod <= hd.small_lod; ++lod) {
        std::uint32_t offset = 0;
        int w = 0, h = 0;
        if (!glide::LevelLocation(hd, lod, &offset, &w, &h)) break;
        std::snprintf(buf, sizeof buf, "  level %d: %d x %d at byte %u\n", lod - hd.large_lod, w, h,
                      static_cast<unsigned>(offset));
        s += buf;
    }
    std::snprintf(buf, sizeof buf, "texel bytes: %zu\n", texture.data.size());
    s += buf;
    return s;
}

bool WriteTextureLevelPng(const glide::Texture3df& texture, int level, const std::string& path,
                          std::string* error) {
    const int count = glide::LevelCount(texture.header);
    if (level < 0 || level >= count) {
        if (error) *error = "level " + std::to_string(level) + " is outside the texture's " + std::to_string(count) + " levels";
        return false;
    }
    glide::ArgbImage img;
    if (!glide::DecodeLevel(texture, texture.header.large_lod + level, &img)) {
        if (error) *error = "cannot decode level " + std::to_string(level);
        return false;
    }
    std::vector<unsigned char> rgba = ToRgba(img);
    // Encoded in memory, then written through the checked output file.
    std::string png;
    auto append = [](void* context, void* data, int size) {
        static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<std::size_t>(size));
    };
    if (!stbi_write_png_to_func(append, &png, img.width, img.height, 4, rgba.data(), img.width * 4)) {
        if (error) *error = path + ": cannot encode the PNG image";
        return false;
    }
    return tarn::WriteWholeFile(path, png, error);
}

}  // namespace tarnconv
