// Dither tables (see dither.h for the rule).
#include "dither.h"

namespace glide {

namespace {

constexpr void FillChannel(std::uint8_t (&table)[16][256], int bits) {
    const int maxCode = (1 << bits) - 1;
    auto expand = [bits](int c) { return bits == 5 ? Expand5(c) : Expand6(c); };
    for (int v = 0; v < 256; ++v) {
        int c = 0;
        while (c < maxCode && expand(c + 1) <= v) ++c;
        int upperCells = 0;  // how many of the 16 cells round up, 0..16
        if (c < maxCode) {
            const int lo = expand(c);
            const int span = expand(c + 1) - lo;
            upperCells = ((v - lo) * 32 + span) / (2 * span);
        }
        for (int cell = 0; cell < 16; ++cell) {
            table[cell][v] = static_cast<std::uint8_t>(c + (cell < upperCells ? 1 : 0));
        }
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
