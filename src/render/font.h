// The bitmap font of the text overlay: one 3DF texture with the glyphs in a
// grid of 16 x 20 texel cells, 16 per row.
#pragma once

#include "glide.h"

struct GlyphEntry {
    float s;  // texel coordinates of the cell's corner at its first texture row
    float t;
};

class Font {
public:
    GrMipMapId_t texture = GR_NULL_MIPMAP_HANDLE;
    GlyphEntry glyphs[256] = {};
    const char* characterSet = nullptr;
    float originT = 0.0f;
    float cellHeight = 0.0f;
    float originS = 0.0f;
    float cellWidth = 0.0f;
    float glyphSpacing = 0.0f;
    int glyphsPerRow = 0;

    // Fills the record and loads the texture (name nullptr: "ffont.3df").
    void FontInit(const char* fileName = nullptr);
    void FontLoad(const char* fileName);
    // x, y: lower-left corner of the first character; w, h: one character's size.
    void DrawText(float x, float y, float w, float h, const char* text);
};

extern Font TextFont;

// The four corners of one character's rectangle as DrawText sends them:
// quad[0] bottom-left, [1] top-left, [2] bottom-right, [3] top-right. Only
// screen x, y and the first texture unit's s/w, t/w are written; the cell's
// first texture row goes to the top edge. The frame's triangles are
// (quad[0], quad[1], quad[2]) and (quad[1], quad[2], quad[3]).
void SetGlyphQuad(const Font& font, unsigned char ch, float x, float y, float w, float h, GrVertex quad[4]);
