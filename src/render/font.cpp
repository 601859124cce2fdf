// The text overlay: a bitmap font in one 3DF texture, each character drawn
// as a textured rectangle (two triangles) with the texture alone giving the
// colour.
#include "render/font.h"

#include <memory>

#include "app/fatal_error.h"
#include "render/color_combine.h"

Font TextFont;

namespace {
constexpr const char* kCharacterSet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789,.:=- ";
constexpr const char* kDefaultFontFile = "ffont.3df";

// The loaded file's texels, kept for the life of the process (a new load
// replaces them; the device holds its own copy after the download).
std::unique_ptr<unsigned char[]> fontTexels;
}  // namespace

void Font::FontInit(const char* fileName) {
    originS = 0.0f;
    cellWidth = 16.0f;
    originT = 0.0f;
    cellHeight = 20.0f;
    glyphSpacing = 0.0f;
    glyphsPerRow = 16;
    characterSet = kCharacterSet;

    FontLoad(fileName != nullptr ? fileName : kDefaultFontFile);

    for (int i = 0; characterSet[i] != '\0'; ++i) {
        GlyphEntry& glyph = glyphs[static_cast<unsigned char>(characterSet[i])];
        glyph.s = static_cast<float>(i % glyphsPerRow) * cellWidth + originS;
        glyph.t = static_cast<float>(i / glyphsPerRow) * cellHeight + originT;
    }
}

void Font::FontLoad(const char* fileName) {
    Gu3dfInfo info = {};
    if (!gu3dfGetInfo(fileName, &info)) FatalError("Font file not found!");
    fontTexels.reset(new unsigned char[info.mem_required]);
    info.data = fontTexels.get();
    if (!gu3dfLoad(fileName, &info)) FatalError("Cannot read font file!");
    texture = guTexAllocateMemory(GR_TMU0, GR_MIPMAPLEVELMASK_BOTH, static_cast<int>(info.header.width),
                                  static_cast<int>(info.header.height), info.header.format, GR_MIPMAP_NEAREST,
                                  info.header.small_lod, info.header.large_lod, info.header.aspect_ratio,
                                  GR_TEXTURECLAMP_WRAP, GR_TEXTURECLAMP_WRAP, GR_TEXTUREFILTER_BILINEAR,
                                  GR_TEXTUREFILTER_BILINEAR, 0.0f, FXFALSE);
    if (texture == GR_NULL_MIPMAP_HANDLE) FatalError("Cannot read font file!");
    guTexDownloadMipMap(texture, info.data, &info.table.nccTable);
}

void SetGlyphQuad(const Font& font, unsigned char ch, float x, float y, float w, float h, GrVertex quad[4]) {
    const GlyphEntry& g = font.glyphs[ch];
    const float left = g.s, right = g.s + font.cellWidth;
    const float top = g.t, bottom = g.t + font.cellHeight;  // texture rows grow downward
    quad[0].x = x;
    quad[0].y = y;
    quad[0].tmuvtx[0].sow = left;
    quad[0].tmuvtx[0].tow = bottom;
    quad[1].x = x;
    quad[1].y = y + h;
    quad[1].tmuvtx[0].sow = left;
    quad[1].tmuvtx[0].tow = top;
    quad[2].x = x + w;
    quad[2].y = y;
    quad[2].tmuvtx[0].sow = right;
    quad[2].tmuvtx[0].tow = bottom;
    quad[3].x = x + w;
    quad[3].y = y + h;
    quad[3].tmuvtx[0].sow = right;
    quad[3].tmuvtx[0].tow = top;
}

void Font::DrawText(float x, float y, float w, float h, const char* text) {
    RequestColorCombine(GR_COLORCOMBINE_DECAL_TEXTURE);
    guTexSource(texture);

    // Fields other than position and texture coordinates do not vary: the
    // decal combine ignores colour, and 1/w of 1 keeps s/w, t/w equal to s, t.
    GrVertex quad[4] = {};
    for (GrVertex& v : quad) {
        v.a = 255.0f;
        v.oow = 1.0f;
    }
    if (text == nullptr) return;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != '\0'; ++p) {
        SetGlyphQuad(*this, *p, x, y, w, h, quad);
        grDrawTriangle(&quad[0], &quad[1], &quad[2]);
        grDrawTriangle(&quad[1], &quad[2], &quad[3]);
        x = x + w + glyphSpacing;
    }
}
