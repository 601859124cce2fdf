// Dither tables, built from DitherCode (dither.h).
#include "pixel/dither.h"

namespace glide {

namespace {

constexpr void FillChannel(std::uint8_t (&table)[16][256], int bits) {
    for (int cell = 0; cell < 16; ++cell) {
        for (int v = 0; v < 256; ++v) table[cell][v] = static_cast<std::uint8_t>(DitherCode(bits, v, cell));
    }
}

constexpr DitherTables BuildTables() {
    DitherTables t{};
    FillChannel(t.red, 5);
    FillChannel(t.green, 6);
    return t;
}

constexpr DitherTables kTables = BuildTables();

// A value that is already the expansion of a code (a pixel read back from
// the buffer) comes back unchanged in every cell.
constexpr bool ExpandedCodesComeBackUnchanged() {
    for (int cell = 0; cell < 16; ++cell) {
        for (int c = 0; c < 32; ++c) {
            if (kTables.red[cell][Expand5(c)] != c) return false;
        }
        for (int c = 0; c < 64; ++c) {
            if (kTables.green[cell][Expand6(c)] != c) return false;
        }
    }
    return true;
}
static_assert(ExpandedCodesComeBackUnchanged());

// The linear form of the rule (DitherBias) gives every code of the tables.
constexpr bool BiasedCodesMatchTheRule() {
    for (int cell = 0; cell < 16; ++cell) {
        const int red = DitherBias(5, cell), green = DitherBias(6, cell);
        for (int v = 0; v < 256; ++v) {
            if ((v * 31 + red) >> 8 != kTables.red[cell][v]) return false;
            if ((v * 63 + green) >> 8 != kTables.green[cell][v]) return false;
        }
    }
    return true;
}
static_assert(BiasedCodesMatchTheRule());

}  // namespace

const DitherTables& kDither = kTables;

}  // namespace glide
