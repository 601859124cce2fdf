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

}  // namespace

const DitherTables& kDither = kTables;

}  // namespace glide
