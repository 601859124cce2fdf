#include "glyph_sheet.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>

namespace makefont {

const char kCharacterSet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789,.:=- ";

namespace {

// Pixel size of the em square and the baseline's row inside a cell (from the
// cell's top): capitals about 14 rows high sit on row 16, leaving room below
// for the comma's tail.
constexpr int kPixelSize = 19;
constexpr int kBaselineRow = 16;

// Adds one rendered glyph (8-bit coverage) into its cell, white at full
// coverage, clipped to the cell so no glyph bleeds into a neighbour.
void BlitGlyph(const FT_Bitmap& bitmap, int left, int top, int cellX, int cellY, glide::ArgbImage* sheet) {
    for (unsigned row = 0; row < bitmap.rows; ++row) {
        int y = top + static_cast<int>(row);
        if (y < 0 || y >= kCellHeight) continue;
        for (unsigned col = 0; col < bitmap.width; ++col) {
            int x = left + static_cast<int>(col);
            if (x < 0 || x >= kCellWidth) continue;
            unsigned level = bitmap.buffer[row * bitmap.pitch + col];
            std::uint32_t& texel = sheet->pixels[(cellY + y) * sheet->width + cellX + x];
            unsigned old = texel & 0xFF;
            level = std::max(level, old);
            texel = 0xFF000000u | (level << 16) | (level << 8) | level;
        }
    }
}

}  // namespace

bool DrawGlyphSheet(const char* ttfPath, glide::ArgbImage* sheet, std::string* error) {
    sheet->width = kSheetWidth;
    sheet->height = kSheetHeight;
    sheet->pixels.assign(kSheetWidth * kSheetHeight, 0xFF000000u);

    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) {
        *error = "cannot start FreeType";
        return false;
    }
    FT_Face face = nullptr;
    if (FT_New_Face(library, ttfPath, 0, &face) != 0) {
        *error = std::string("cannot open font ") + ttfPath;
        FT_Done_FreeType(library);
        return false;
    }
    bool ok = FT_Set_Pixel_Sizes(face, 0, kPixelSize) == 0;
    for (int i = 0; ok && kCharacterSet[i] != '\0'; ++i) {
        char ch = kCharacterSet[i];
        if (ch == ' ') continue;
        if (FT_Load_Char(face, static_cast<unsigned char>(ch), FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT) != 0) {
            *error = std::string("cannot draw glyph '") + ch + "'";
            ok = false;
            break;
        }
        FT_GlyphSlot slot = face->glyph;
        // Centre the ink horizontally in the cell.
        int left = (kCellWidth - static_cast<int>(slot->bitmap.width)) / 2;
        int top = kBaselineRow - slot->bitmap_top;
        int cellX = (i % kCellsPerRow) * kCellWidth;
        int cellY = (i / kCellsPerRow) * kCellHeight;
        BlitGlyph(slot->bitmap, left, top, cellX, cellY, sheet);
    }
    if (!ok && error->empty()) *error = "cannot set the font size";
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return ok;
}

}  // namespace makefont
