// Texture formats, level sizes and the layout of a mip chain in memory.
#include <cctype>

#include "gu3df_io.h"

namespace glide {

namespace {

struct FormatEntry {
    GrTextureFormat_t format;
    const char* name;
    int bytes;
};

// Values 8 and above are the 16-bit formats.
constexpr FormatEntry kFormats[] = {
    {GR_TEXFMT_RGB_332, "rgb332", 1},         {GR_TEXFMT_YIQ_422, "yiq", 1},
    {GR_TEXFMT_ALPHA_8, "a8", 1},             {GR_TEXFMT_INTENSITY_8, "i8", 1},
    {GR_TEXFMT_ALPHA_INTENSITY_44, "ai44", 1}, {GR_TEXFMT_P_8, "p8", 1},
    {GR_TEXFMT_ARGB_8332, "argb8332", 2},     {GR_TEXFMT_AYIQ_8422, "ayiq8422", 2},
    {GR_TEXFMT_RGB_565, "rgb565", 2},         {GR_TEXFMT_ARGB_1555, "argb1555", 2},
    {GR_TEXFMT_ARGB_4444, "argb4444", 2},     {GR_TEXFMT_ALPHA_INTENSITY_88, "ai88", 2},
    {GR_TEXFMT_AP_88, "ap88", 2},
};

const FormatEntry* FindFormat(GrTextureFormat_t format) {
    for (const FormatEntry& e : kFormats) {
        if (e.format == format) return &e;
    }
    return nullptr;
}

bool IsLod(GrLOD_t lod) { return lod >= GR_LOD_256 && lod <= GR_LOD_1; }

}  // namespace

const char* TextureFormatName(GrTextureFormat_t format) {
    const FormatEntry* e = FindFormat(format);
    return e ? e->name : nullptr;
}

bool TextureFormatFromName(std::string_view name, GrTextureFormat_t* format) {
    for (const FormatEntry& e : kFormats) {
        std::string_view candidate(e.name);
        if (candidate.size() != name.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < name.size() && same; ++i) {
            same = std::tolower(static_cast<unsigned char>(name[i])) == candidate[i];
        }
        if (same) {
            if (format) *format = e.format;
            return true;
        }
    }
    return false;
}

int TextureFormatBytes(GrTextureFormat_t format) {
    const FormatEntry* e = FindFormat(format);
    return e ? e->bytes : 0;
}

std::vector<GrTextureFormat_t> AllTextureFormats() {
    std::vector<GrTextureFormat_t> all;
    for (const FormatEntry& e : kFormats) all.push_back(e.format);
    return all;
}

int LodEdge(GrLOD_t lod) { return IsLod(lod) ? (256 >> lod) : 0; }

bool LodFromEdge(int edge, GrLOD_t* lod) {
    for (GrLOD_t l = GR_LOD_256; l <= GR_LOD_1; ++l) {
        if ((256 >> l) == edge) {
            if (lod) *lod = l;
            return true;
        }
    }
    return false;
}

bool AspectRatioTerms(GrAspectRatio_t aspect, int* w, int* h) {
    // GR_ASPECT_8x1 (0) .. GR_ASPECT_1x1 (3) .. GR_ASPECT_1x8 (6).
    if (aspect < GR_ASPECT_8x1 || aspect > GR_ASPECT_1x8) return false;
    int ww = aspect < GR_ASPECT_1x1 ? 1 << (GR_ASPECT_1x1 - aspect) : 1;
    int hh = aspect > GR_ASPECT_1x1 ? 1 << (aspect - GR_ASPECT_1x1) : 1;
    if (w) *w = ww;
    if (h) *h = hh;
    return true;
}

bool AspectFromSize(int width, int height, GrAspectRatio_t* aspect) {
    for (GrAspectRatio_t a = GR_ASPECT_8x1; a <= GR_ASPECT_1x8; ++a) {
        int w = 0, h = 0;
        AspectRatioTerms(a, &w, &h);
        // width / height == w / h, compared without division.
        if (width > 0 && height > 0 && static_cast<long>(width) * h == static_cast<long>(height) * w) {
            if (aspect) *aspect = a;
            return true;
        }
    }
    return false;
}

bool LevelSize(GrLOD_t lod, GrAspectRatio_t aspect, int* width, int* height) {
    int w = 0, h = 0;
    if (!IsLod(lod) || !AspectRatioTerms(aspect, &w, &h)) return false;
    const int edge = LodEdge(lod);
    int ww = edge / h, hh = edge / w;
    if (ww < 1) ww = 1;
    if (hh < 1) hh = 1;
    if (width) *width = ww;
    if (height) *height = hh;
    return true;
}

std::uint32_t TextureBytes(GrTextureFormat_t format, GrLOD_t smallLod, GrLOD_t largeLod,
                           GrAspectRatio_t aspect, int oddEvenMask) {
    const int bytes = TextureFormatBytes(format);
    if (bytes == 0 || !IsLod(smallLod) || !IsLod(largeLod) || largeLod > smallLod) return 0;
    std::uint32_t total = 0;
    for (GrLOD_t lod = largeLod; lod <= smallLod; ++lod) {
        const int bit = (lod & 1) ? GR_MIPMAPLEVELMASK_ODD : GR_MIPMAPLEVELMASK_EVEN;
        if (!(oddEvenMask & bit)) continue;
        int w = 0, h = 0;
        if (!LevelSize(lod, aspect, &w, &h)) return 0;
        total += static_cast<std::uint32_t>(w * h * bytes);
    }
    return total;
}

int LevelCount(const Gu3dfHeader& header) {
    if (!IsLod(header.small_lod) || !IsLod(header.large_lod) || header.large_lod > header.small_lod ||
        TextureFormatBytes(header.format) == 0 || !AspectRatioTerms(header.aspect_ratio, nullptr, nullptr)) {
        return 0;
    }
    return header.small_lod - header.large_lod + 1;
}

bool LevelLocation(const Gu3dfHeader& header, GrLOD_t lod, std::uint32_t* offset, int* width,
                   int* height) {
    if (LevelCount(header) == 0 || lod < header.large_lod || lod > header.small_lod) return false;
    const int bytes = TextureFormatBytes(header.format);
    std::uint32_t at = 0;
    for (GrLOD_t l = header.large_lod; l < lod; ++l) {
        int w = 0, h = 0;
        LevelSize(l, header.aspect_ratio, &w, &h);
        at += static_cast<std::uint32_t>(w * h * bytes);
    }
    if (offset) *offset = at;
    return LevelSize(lod, header.aspect_ratio, width, height);
}

}  // namespace glide
