// Which pixels a triangle or line covers: the tie rule, shared edges, fans,
// both origins, clipping and bad input.
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "device.h"
#include "raster/rasterizer.h"
#include "raster_test_support.h"

namespace raster_test {
namespace {

class Coverage : public DeviceTest {
protected:
    // Adds 1 to count[] for every pixel the triangle changes on a cleared buffer.
    void Accumulate(const GrVertex& a, const GrVertex& b, const GrVertex& c, std::vector<int>& count) {
        grBufferClear(0, 0, 0);
        grDrawTriangle(&a, &b, &c);
        const std::vector<std::uint16_t> pixels = Read();
        for (std::size_t i = 0; i < pixels.size(); ++i) count[i] += pixels[i] != 0;
    }
};

TEST_F(Coverage, RightTrianglesFollowTheTieRuleAndTileASquare) {
    // Pixel centres on the shared hypotenuse (x + y = 4) belong to the
    // triangle for which it is a left edge only.
    const GrVertex a = V(0, 0), b = V(4, 0), c = V(0, 4), d = V(4, 4);
    grDrawTriangle(&a, &b, &c);
    std::vector<std::uint16_t> lower = Read();
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 6; ++x) {
            EXPECT_EQ(lower[y * kW + x] != 0, x + y <= 2) << x << "," << y;
        }
    }
    std::vector<int> count(static_cast<std::size_t>(kW) * kH, 0);
    Accumulate(a, b, c, count);
    Accumulate(b, d, c, count);
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 6; ++x) EXPECT_EQ(count[y * kW + x], (x < 4 && y < 4) ? 1 : 0) << x << "," << y;
    }
}

TEST_F(Coverage, QuadsSplitAlongADiagonalCoverEveryPixelOnce) {
    // Irregular quads with sub-pixel corners, including corners on exact
    // pixel centres and on the 1/16 grid.
    const float quads[][8] = {
        {10.5f, 10.5f, 90.5f, 12.5f, 85.5f, 70.5f, 12.5f, 65.5f},
        {100.3f, 100.7f, 180.9f, 101.1f, 179.2f, 181.6f, 99.4f, 180.0f},
        {200.0f, 300.0f, 260.0f, 240.0f, 320.0f, 300.0f, 260.0f, 360.0f},
        {400.0625f, 50.1875f, 470.9375f, 60.0f, 430.5f, 140.25f, 401.0f, 120.0f},
    };
    for (const auto& q : quads) {
        std::vector<int> count(static_cast<std::size_t>(kW) * kH, 0);
        const GrVertex p0 = V(q[0], q[1]), p1 = V(q[2], q[3]), p2 = V(q[4], q[5]), p3 = V(q[6], q[7]);
        Accumulate(p0, p1, p2, count);
        Accumulate(p0, p2, p3, count);
        int twice = 0, holes = 0;
        for (int y = 1; y < kH - 1; ++y) {
            for (int x = 1; x < kW - 1; ++x) {
                const int i = y * kW + x;
                twice += count[i] > 1;
                // A pixel covered on both sides (left/right and up/down) but
                // not itself is a crack.
                if (count[i] == 0 && count[i - 1] && count[i + 1] && count[i - kW] && count[i + kW]) ++holes;
            }
        }
        EXPECT_EQ(twice, 0);
        EXPECT_EQ(holes, 0);
    }
}

TEST_F(Coverage, FanAroundOneVertexCoversEachPixelOnce) {
    const float cx = 320.37f, cy = 240.61f, radius = 150.0f;
    constexpr int kSpokes = 23;
    std::vector<int> count(static_cast<std::size_t>(kW) * kH, 0);
    const GrVertex centre = V(cx, cy);
    for (int i = 0; i < kSpokes; ++i) {
        const double a0 = 2.0 * M_PI * i / kSpokes, a1 = 2.0 * M_PI * (i + 1) / kSpokes;
        const GrVertex p = V(cx + radius * static_cast<float>(std::cos(a0)), cy + radius * static_cast<float>(std::sin(a0)));
        const GrVertex q = V(cx + radius * static_cast<float>(std::cos(a1)), cy + radius * static_cast<float>(std::sin(a1)));
        Accumulate(centre, p, q, count);
    }
    const double inner = radius * std::cos(M_PI / kSpokes) - 1.0;
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            const int n = count[y * kW + x];
            ASSERT_LE(n, 1) << x << "," << y;
            if (std::hypot(x + 0.5 - cx, y + 0.5 - cy) < inner) {
                ASSERT_EQ(n, 1) << x << "," << y;
            }
        }
    }
}

TEST_F(Coverage, HalfTransparentTrianglesSharingAnEdgeBlendEachPixelOnce) {
    grAlphaBlendFunction(GR_BLEND_SRC_ALPHA, GR_BLEND_ONE_MINUS_SRC_ALPHA, GR_BLEND_ZERO, GR_BLEND_ZERO);
    const GrVertex a = V(100.2f, 100.9f, 255, 255, 255, 128), b = V(300.6f, 130.1f, 255, 255, 255, 128),
                   c = V(220.3f, 310.4f, 255, 255, 255, 128), d = V(90.0f, 280.7f, 255, 255, 255, 128);
    grDrawTriangle(&a, &b, &c);
    grDrawTriangle(&a, &c, &d);
    const std::vector<std::uint16_t> pixels = Read();
    std::size_t covered = 0;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        if (pixels[i] == 0) continue;
        ++covered;
        // Dithering varies the low bit by position: compare expanded channels.
        const int r = Red(pixels[i]);
        EXPECT_NEAR(r, 128, 6) << i;
    }
    EXPECT_GT(covered, 30000u);
}

TEST_F(Coverage, LowerLeftOriginPutsYZeroAtTheBottom) {
    const GrVertex a = V(0, 0), b = V(20, 0), c = V(0, 10);
    grDrawTriangle(&a, &b, &c);
    EXPECT_NE(Pixel(1, 0), 0);
    EXPECT_EQ(Pixel(1, kH - 1), 0);
    // Row 0 of the frame buffer is the bottom row of the screen.
    EXPECT_NE(glide::ColourBuffer(GR_BUFFER_BACKBUFFER)[1], 0);
}

TEST_F(Coverage, UpperLeftOriginPutsYZeroAtTheTop) {
    grGlideShutdown();
    Open(GR_ORIGIN_UPPER_LEFT);
    const GrVertex a = V(0, 0), b = V(20, 0), c = V(0, 10);
    grDrawTriangle(&a, &b, &c);
    EXPECT_NE(Pixel(1, 0), 0);  // read-back rows count from the chosen origin
    EXPECT_EQ(Pixel(1, kH - 1), 0);
    EXPECT_NE(glide::ColourBuffer(GR_BUFFER_BACKBUFFER)[(kH - 1) * kW + 1], 0);
    EXPECT_EQ(glide::ColourBuffer(GR_BUFFER_BACKBUFFER)[1], 0);
}

TEST_F(Coverage, OffscreenAndHugeTrianglesAreClipped) {
    const GrVertex o1 = V(-100, -100), o2 = V(-10, -100), o3 = V(-50, -20);
    grDrawTriangle(&o1, &o2, &o3);
    const GrVertex r1 = V(700, 10), r2 = V(900, 10), r3 = V(800, 400);
    grDrawTriangle(&r1, &r2, &r3);
    EXPECT_EQ(CountNonZero(Read()), 0u);
    // A huge triangle covering the screen fills every pixel once, nothing outside.
    const GrVertex h1 = V(-100000, -100000), h2 = V(200000, -100000), h3 = V(-100000, 200000);
    grDrawTriangle(&h1, &h2, &h3);
    EXPECT_EQ(CountNonZero(Read()), static_cast<std::size_t>(kW) * kH);
    EXPECT_EQ(glide::GetCounters().pixelsWritten, static_cast<std::uint64_t>(kW) * kH);
}

TEST_F(Coverage, BadVerticesDrawNothingAndDoNotCrash) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const GrVertex ok1 = V(10, 10), ok2 = V(100, 10), ok3 = V(50, 90);
    const GrVertex bad[] = {V(nan, 10), V(10, inf), V(1e9f, 10), V(10, -1e12f)};
    for (const GrVertex& b : bad) {
        grDrawTriangle(&b, &ok2, &ok3);
        grDrawTriangle(&ok1, &b, &ok3);
        grDrawLine(&b, &ok1);
    }
    grDrawTriangle(nullptr, &ok2, &ok3);
    grAADrawTriangle(&ok1, nullptr, &ok3, FXTRUE, FXTRUE, FXTRUE);
    guMPDrawTriangle(&ok1, &ok2, nullptr);
    grDrawLine(nullptr, &ok1);
    EXPECT_EQ(CountNonZero(Read()), 0u);
    // Attributes that are not numbers do not poison coverage.
    GrVertex weird = V(50, 90, nan, inf, -inf, nan, nan);
    grDrawTriangle(&ok1, &ok2, &weird);
    EXPECT_GT(glide::GetCounters().pixelsWritten, 3000u);
    // Degenerate: all on one line.
    grBufferClear(0, 0, 0);
    const GrVertex l1 = V(10, 10), l2 = V(20, 20), l3 = V(30, 30);
    grDrawTriangle(&l1, &l2, &l3);
    EXPECT_EQ(CountNonZero(Read()), 0u);
}

TEST_F(Coverage, CountersSeparateSubmittedFromDrawn) {
    glide::ResetCounters();
    const GrVertex a = V(10, 10), b = V(30, 10), c = V(10, 30);
    const GrVertex far1 = V(-50, -50), far2 = V(-40, -50), far3 = V(-50, -40);
    grDrawTriangle(&a, &b, &c);
    grDrawTriangle(&far1, &far2, &far3);
    glide::DeviceCounters n = glide::GetCounters();
    EXPECT_EQ(n.trianglesSubmitted, 2u);
    EXPECT_EQ(n.trianglesDrawn, 1u);
    EXPECT_EQ(n.pixelsWritten, 190u);  // centres with x + y < 20 of the 20 x 20 corner
    glide::SetRasterizationEnabled(false);
    grBufferClear(0, 0, 0);
    grDrawTriangle(&a, &b, &c);
    glide::SetRasterizationEnabled(true);
    n = glide::GetCounters();
    EXPECT_EQ(n.trianglesSubmitted, 3u);
    EXPECT_EQ(n.trianglesDrawn, 1u);
    EXPECT_EQ(CountNonZero(Read()), 0u);
}

TEST_F(Coverage, LinesAreOnePixelWideAndZeroLengthDrawsNothing) {
    const GrVertex a = V(10.5f, 20.5f), b = V(20.5f, 20.5f);
    grDrawLine(&a, &b);
    std::vector<std::uint16_t> pixels = Read();
    EXPECT_EQ(CountNonZero(pixels), 10u);
    for (int x = 10; x < 20; ++x) EXPECT_NE(pixels[20 * kW + x], 0) << x;

    grBufferClear(0, 0, 0);
    grDrawLine(&a, &a);
    EXPECT_EQ(CountNonZero(Read()), 0u);

    // Steep and diagonal lines light one pixel per step of the major axis.
    grBufferClear(0, 0, 0);
    const GrVertex s0 = V(100.2f, 50.5f), s1 = V(110.7f, 150.5f);
    grDrawLine(&s0, &s1);
    pixels = Read();
    EXPECT_EQ(CountNonZero(pixels), 100u);
    for (int y = 50; y < 150; ++y) {
        int inRow = 0;
        for (int x = 95; x < 115; ++x) inRow += pixels[y * kW + x] != 0;
        EXPECT_EQ(inRow, 1) << y;
    }
    // Colour is interpolated along the line.
    grBufferClear(0, 0, 0);
    const GrVertex g0 = V(0.5f, 5.5f, 0, 0, 0), g1 = V(256.5f, 5.5f, 255, 255, 255);
    grDrawLine(&g0, &g1);
    EXPECT_LT(Red(Pixel(10, 5)), 20);
    EXPECT_GT(Red(Pixel(250, 5)), 235);
    // Off-screen lines are clipped.
    const GrVertex c0 = V(-1000, 240.5f), c1 = V(2000, 240.5f);
    grDrawLine(&c0, &c1);
    pixels = Read();
    int row = 0;
    for (int x = 0; x < kW; ++x) row += pixels[240 * kW + x] != 0;
    EXPECT_EQ(row, kW);
}

// The outer bounds as first defined, in doubles: the reference the device's
// vector form must match on every input.
bool ReferenceOuterBounds(const GrVertex& a, const GrVertex& b, const GrVertex& c, bool upperLeft,
                          glide::PixelBounds* out) {
    const auto within = [](const GrVertex& v) {
        return std::fabs(v.x) <= glide::kMaxCoordinate && std::fabs(v.y) <= glide::kMaxCoordinate;
    };
    if (!within(a) || !within(b) || !within(c)) return false;
    const auto y = [upperLeft](const GrVertex& v) { return upperLeft ? static_cast<float>(kH) - v.y : v.y; };
    const double x0 = std::ceil(static_cast<double>(std::min({a.x, b.x, c.x})) - 17.0 / 32.0);
    const double x1 = std::floor(static_cast<double>(std::max({a.x, b.x, c.x})) - 15.0 / 32.0);
    const double y0 = std::ceil(static_cast<double>(std::min({y(a), y(b), y(c)})) - 17.0 / 32.0);
    const double y1 = std::floor(static_cast<double>(std::max({y(a), y(b), y(c)})) - 15.0 / 32.0);
    out->minX = x0 < 0.0 ? 0 : static_cast<int>(x0);
    out->minY = y0 < 0.0 ? 0 : static_cast<int>(y0);
    out->maxX = x1 > kW - 1 ? kW - 1 : static_cast<int>(x1);
    out->maxY = y1 > kH - 1 ? kH - 1 : static_cast<int>(y1);
    return true;
}

// The outer bounds' answer for one input against the reference's; "" when they agree.
std::string OuterBoundsDiffer(const GrVertex* v, bool upperLeft) {
    glide::PixelBounds got, want;
    const bool ok = glide::OuterPixelBounds(v[0], v[1], v[2], upperLeft, &got);
    if (ok != ReferenceOuterBounds(v[0], v[1], v[2], upperLeft, &want)) return "accepted differently";
    if (!ok || std::memcmp(&got, &want, sizeof(got)) == 0) return "";
    return "got " + std::to_string(got.minX) + "," + std::to_string(got.minY) + ".." + std::to_string(got.maxX) +
           "," + std::to_string(got.maxY) + ", want " + std::to_string(want.minX) + "," + std::to_string(want.minY) +
           ".." + std::to_string(want.maxX) + "," + std::to_string(want.maxY);
}

// Each bound is a function of one coordinate, so a triangle of three equal
// vertices at (f, -f) checks all four for f and -f. Every float from 3/8
// to 5/8 (around the thresholds 15/32 and 17/32 at the finest spacing the
// screen sees), both signs; then every coordinate within 64 steps of each
// bound's thresholds (n + 15/32, n + 17/32) across the screen; then the
// limits, infinities and not-a-numbers.
TEST(OuterBounds, VectorFormGivesTheReferenceBoundsOnEveryInput) {
    auto check = [](float f, float g) {
        GrVertex v[3] = {};
        for (GrVertex& x : v) x.x = f, x.y = g;
        for (bool upperLeft : {false, true}) {
            const std::string diff = OuterBoundsDiffer(v, upperLeft);
            if (!diff.empty()) {
                ADD_FAILURE() << "x " << f << " y " << g << (upperLeft ? " upper left: " : ": ") << diff;
                return false;
            }
        }
        return true;
    };
    for (std::uint32_t bits = std::bit_cast<std::uint32_t>(0.375f); bits < std::bit_cast<std::uint32_t>(0.625f);
         ++bits) {
        const float f = std::bit_cast<float>(bits);
        if (!check(f, -f)) return;
    }
    for (int n = -2; n <= kW + 2; ++n) {
        for (const float threshold : {n + 15.0f / 32.0f, n + 17.0f / 32.0f}) {
            float f = threshold, g = threshold;
            for (int step = 0; step < 64; ++step) {
                if (!check(f, -g) || !check(-g, f)) return;
                f = std::nextafter(f, std::numeric_limits<float>::infinity());
                g = std::nextafter(g, -std::numeric_limits<float>::infinity());
            }
        }
    }
    const float inf = std::numeric_limits<float>::infinity();
    for (const float f : {glide::kMaxCoordinate, std::nextafter(glide::kMaxCoordinate, inf), inf, std::nanf(""),
                          std::numeric_limits<float>::denorm_min(), 0.0f}) {
        if (!check(f, -f) || !check(-f, f)) return;
    }
}

// The runs a span shader is handed: y, first x, last x.
std::vector<std::array<int, 3>>* gRuns = nullptr;
void RecordRun(const glide::TriangleSetup&, int y, int x0, int x1, glide::SpanCounters&) {
    gRuns->push_back({y, x0, x1});
}

// The walk hands each row's covered pixels, exactly those whose three edge
// values are all at least 0, as one run, rows in order, on the screen and in
// tiles, for triangles from a few pixels to larger than the screen.
TEST_F(Coverage, EachRowRunIsExactlyThePixelsInsideAllThreeEdges) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> pos(-200.0f, 840.0f), unit(-1.0f, 1.0f);
    const glide::DrawContext ctx = glide::MakeDrawContext(glide::TextureUse::kSingle);
    const glide::TileRect rects[] = {glide::TileRect{}, {64, 32, 127, 63}, {576, 448, 639, 479}};
    std::vector<std::array<int, 3>> runs, expected;
    gRuns = &runs;
    for (int i = 0; i < 90; ++i) {
        const float size = i % 3 == 0 ? 900.0f : i % 3 == 1 ? 90.0f : 14.0f;
        const float cx = pos(rng), cy = pos(rng) * 0.75f;
        GrVertex v[3];
        for (GrVertex& x : v) x = V(cx + size * unit(rng), cy + size * unit(rng));
        glide::TriangleSetup t;
        if (!glide::SetupTriangle(v[0], v[1], v[2], ctx, &t)) continue;
        t.shader = &RecordRun, t.blockShader = nullptr, t.batchShader = nullptr;
        for (const glide::TileRect& r : rects) {
            expected.clear();
            std::uint64_t inside = 0;
            for (int y = std::max(t.minY, r.y0); y <= std::min(t.maxY, r.y1); ++y) {
                int first = -1, last = -1;
                for (int x = std::max(t.minX, r.x0); x <= std::min(t.maxX, r.x1); ++x) {
                    bool in = true;
                    for (const glide::EdgeFunction& e : t.edge) in = in && e.a * x + e.b * y + e.c >= 0;
                    if (!in) continue;
                    first = first < 0 ? x : first, last = x;
                    ++inside;
                }
                if (first >= 0) expected.push_back({y, first, last});
            }
            runs.clear();
            glide::SpanCounters counters;
            EXPECT_EQ(glide::RasterizeTriangle(t, r, counters), inside) << "triangle " << i;
            EXPECT_EQ(runs, expected) << "triangle " << i << " in the rectangle from " << r.x0 << "," << r.y0;
        }
    }
}

// The tile queue bins a triangle by bounds worked out before snapping: they
// must hold every pixel snapping admits, near the snapping grid's halves,
// the screen's edges and the coordinate limit, with either origin.
TEST(OuterBounds, HoldSnappedBoundsAndAreEmptyOnlyWhenNothingIsCovered) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> pos(-20.0f, 660.0f), nudge(-3.0f, 3.0f);
    const float grid[] = {0.46875f, 0.5f, 0.53125f, 1.0f / 32.0f, -1.0f / 32.0f, 0.0f};
    for (int i = 0; i < 200000; ++i) {
        GrVertex v[3] = {};
        const float cx = pos(rng), cy = pos(rng) * 0.75f;
        for (GrVertex& x : v) {
            x.x = cx + nudge(rng), x.y = cy + nudge(rng);
            // Coordinates on and beside the grid's halves and sixteenths.
            if (rng() % 3 == 0) x.x = std::floor(x.x) + grid[rng() % 6];
            if (rng() % 3 == 0) x.y = std::floor(x.y) + grid[rng() % 6];
        }
        if (i % 1000 == 0) v[i / 1000 % 3].x = (i / 1000 % 2 ? -1.0f : 1.0f) * glide::kMaxCoordinate;
        const bool upperLeft = i % 2 == 1;
        ASSERT_EQ(OuterBoundsDiffer(v, upperLeft), "") << i;
        glide::PixelBounds outer;
        glide::SnappedTriangle s;
        const bool snapped = glide::SnapTriangle(v[0], v[1], v[2], upperLeft, &s);
        ASSERT_TRUE(glide::OuterPixelBounds(v[0], v[1], v[2], upperLeft, &outer));
        if (!snapped) continue;
        ASSERT_FALSE(outer.Empty()) << i;
        const glide::PixelBounds& in = s.bounds;
        EXPECT_TRUE(outer.minX <= in.minX && outer.minY <= in.minY && outer.maxX >= in.maxX && outer.maxY >= in.maxY)
            << i << ": outer " << outer.minX << "," << outer.minY << ".." << outer.maxX << "," << outer.maxY
            << " snapped " << in.minX << "," << in.minY << ".." << in.maxX << "," << in.maxY;
    }
    GrVertex far[3] = {};
    far[1].x = 2.0f * glide::kMaxCoordinate, far[2].y = std::nanf("");
    glide::PixelBounds outer;
    EXPECT_FALSE(glide::OuterPixelBounds(far[0], far[1], far[2], false, &outer));
}

}  // namespace
}  // namespace raster_test
