// A clear fills exactly its rectangle, with the colour's row patterns and
// the depth value, at every width a rectangle may have (multiples of 4).
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "glide_device.h"
#include "raster/clear_fill.h"

namespace {

struct ClearCase {
    int x0, x1;
    bool depth;
};

class ClearFillRect : public ::testing::TestWithParam<ClearCase> {};

TEST_P(ClearFillRect, FillsTheRectangleAndNothingElse) {
    const ClearCase c = GetParam();
    constexpr std::uint16_t kUntouched = 0xDEAD;
    constexpr int kRows = 7;
    std::vector<std::uint16_t> colour(glide::kScreenWidth * kRows, kUntouched), depth = colour;
    glide::ClearFill fill;
    fill.colour = colour.data();
    fill.depth = c.depth ? depth.data() : nullptr;
    fill.depthValue = 0x1234;
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) fill.pattern[y][x] = static_cast<std::uint16_t>(y * 4 + x + 1);
    }
    const glide::TileRect rect{c.x0, 1, c.x1, kRows - 2};
    glide::FillClear(fill, rect);
    for (int y = 0; y < kRows; ++y) {
        for (int x = 0; x < glide::kScreenWidth; ++x) {
            const bool inside = x >= rect.x0 && x <= rect.x1 && y >= rect.y0 && y <= rect.y1;
            const std::size_t i = static_cast<std::size_t>(y * glide::kScreenWidth + x);
            ASSERT_EQ(colour[i], inside ? fill.pattern[y & 3][x & 3] : kUntouched) << x << "," << y;
            ASSERT_EQ(depth[i], inside && c.depth ? fill.depthValue : kUntouched) << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Widths, ClearFillRect,
                         ::testing::Values(ClearCase{0, glide::kScreenWidth - 1, true}, ClearCase{64, 127, true},
                                           ClearCase{4, 7, true}, ClearCase{8, 27, true}, ClearCase{12, 59, false},
                                           ClearCase{600, glide::kScreenWidth - 1, true}));

}  // namespace
