// 4x4 ordered dither from 8-bit colour to the RGB565 frame buffer.
//
// For an 8-bit value v between the expansions of two neighbouring 5- (or
// 6-) bit codes c and c + 1, the share of the 16 matrix cells that take c + 1
// is (v - expand(c)) / (expand(c + 1) - expand(c)), rounded to sixteenths;
// the cell's matrix value (0..15) decides. So a flat colour keeps its average
// within 1/32 of a step, and a value that is already the expansion of a code
// (a pixel read back from the buffer) comes back unchanged in every cell.
#pragma once

#include <cstdint>

namespace glide {

inline constexpr std::uint8_t kDitherMatrix[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

// 565 back to 8 bits per channel by bit replication.
constexpr int Expand5(int v) { return (v << 3) | (v >> 2); }
constexpr int Expand6(int v) { return (v << 2) | (v >> 4); }

// The rule: the `bits`-bit code (5 or 6) of 8-bit value v in the cell whose
// matrix value is `cell` (0..15). The tables below are built from it.
constexpr int DitherCode(int bits, int v, int cell) {
    const int maxCode = (1 << bits) - 1;
    auto expand = [bits](int c) { return bits == 5 ? Expand5(c) : Expand6(c); };
    int c = 0;
    while (c < maxCode && expand(c + 1) <= v) ++c;
    if (c == maxCode) return c;
    const int lo = expand(c);
    const int span = expand(c + 1) - lo;
    const int upperCells = ((v - lo) * 32 + span) / (2 * span);  // how many of the 16 cells round up, 0..16
    return c + (cell < upperCells ? 1 : 0);
}

// The same codes as an ordered dither with one bias per cell:
// DitherCode(bits, v, cell) = (v (2^bits - 1) + bias[cell]) >> 8, where the
// bias is the least that reaches every code of the rule (dither.cpp checks
// that it gives the rule's code for every value in every cell). The vector
// stages work the codes out this way.
constexpr int DitherBias(int bits, int cell) {
    const int maxCode = (1 << bits) - 1;
    int bias = 0;
    for (int v = 0; v < 256; ++v) {
        const int reach = (DitherCode(bits, v, cell) << 8) - v * maxCode;
        bias = reach > bias ? reach : bias;
    }
    return bias;
}

struct DitherTables {
    std::uint8_t red[16][256];    // 5-bit code, also used for blue
    std::uint8_t green[16][256];  // 6-bit code
};
extern const DitherTables& kDither;

[[gnu::always_inline]] inline int DitherCell(int x, int y) { return kDitherMatrix[y & 3][x & 3]; }

[[gnu::always_inline]] inline std::uint16_t DitherRgb565(int r, int g, int b, int cell) {
    return static_cast<std::uint16_t>((kDither.red[cell][r] << 11) | (kDither.green[cell][g] << 5) |
                                      kDither.red[cell][b]);
}

}  // namespace glide
