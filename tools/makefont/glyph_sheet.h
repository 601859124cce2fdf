// The overlay font's glyph sheet: the 42 characters drawn into 16 x 20
// cells of a 256 x 64 image, 16 cells per row, light glyphs on black, each
// glyph upright with its top in the cell's first row.
#pragma once

#include <string>

#include "gu3df_io.h"

namespace makefont {

constexpr int kSheetWidth = 256;
constexpr int kSheetHeight = 64;
constexpr int kCellWidth = 16;
constexpr int kCellHeight = 20;
constexpr int kCellsPerRow = 16;
extern const char kCharacterSet[];  // 42 characters, the last a space

// Draws the sheet from the TrueType font at ttfPath. False (with *error)
// when the font cannot be opened or a glyph cannot be drawn.
bool DrawGlyphSheet(const char* ttfPath, glide::ArgbImage* sheet, std::string* error);

}  // namespace makefont
