// Smoothing groups rebuilt for models that come without them.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "smoothing_groups.h"

using namespace tarnconv;

namespace {

// A unit cube: 8 corners, two triangles per side, counter-clockwise from outside.
SmoothingInput Cube() {
    SmoothingInput in;
    for (int i = 0; i < 8; ++i) in.positions.push_back({double(i & 1), double((i >> 1) & 1), double((i >> 2) & 1)});
    const int quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (const auto& q : quads) {
        in.faces.push_back({q[0], q[1], q[2]});
        in.faces.push_back({q[0], q[2], q[3]});
    }
    return in;
}

// A ring of n quads around the z axis (a tube without caps).
SmoothingInput Tube(int n) {
    SmoothingInput in;
    for (int i = 0; i < n; ++i) {
        const double a = 2 * 3.14159265358979 * i / n;
        in.positions.push_back({std::cos(a), std::sin(a), 0});
        in.positions.push_back({std::cos(a), std::sin(a), 1});
    }
    for (int i = 0; i < n; ++i) {
        const int j = (i + 1) % n;
        in.faces.push_back({2 * i, 2 * j, 2 * j + 1});
        in.faces.push_back({2 * i, 2 * j + 1, 2 * i + 1});
    }
    return in;
}

}  // namespace

TEST(SmoothingGroups, CreaseAngleSplitsACubeIntoItsSides) {
    const SmoothingInput cube = Cube();
    const auto g = BuildSmoothingGroups(cube);
    ASSERT_EQ(g.size(), 12u);
    for (int side = 0; side < 6; ++side) {
        EXPECT_NE(g[static_cast<std::size_t>(2 * side)], 0u);
        EXPECT_EQ(g[static_cast<std::size_t>(2 * side)], g[static_cast<std::size_t>(2 * side + 1)]);
    }
    // Sides that meet (at an edge or a corner) never share a bit; on a
    // cube every side meets all but the opposite one.
    const int opposite[6] = {1, 0, 3, 2, 5, 4};
    for (int s = 0; s < 6; ++s) {
        for (int t = 0; t < 6; ++t) {
            if (s == t || t == opposite[s]) continue;
            EXPECT_EQ(g[static_cast<std::size_t>(2 * s)] & g[static_cast<std::size_t>(2 * t)], 0u) << s << " " << t;
        }
    }
}

TEST(SmoothingGroups, GentleCurvesShareOneGroup) {
    const auto g = BuildSmoothingGroups(Tube(24));  // 15 degrees between neighbours
    const std::set<std::uint32_t> groups(g.begin(), g.end());
    EXPECT_EQ(groups.size(), 1u);
    EXPECT_NE(*groups.begin(), 0u);
    SmoothingInput sharp = Tube(6);  // 60 degrees: every side on its own
    sharp.creaseDegrees = 40;
    const auto h = BuildSmoothingGroups(sharp);
    for (int s = 0; s < 6; ++s) {
        const std::size_t a = static_cast<std::size_t>(2 * s), b = static_cast<std::size_t>(2 * ((s + 1) % 6));
        EXPECT_EQ(h[a] & h[b], 0u);
    }
}

TEST(SmoothingGroups, SourceNormalsDecideWhereTheyAreGiven) {
    // The 60-degree hexagonal tube again, but with normals that say the
    // modeller smoothed it all round: radial normals at every corner.
    SmoothingInput tube = Tube(6);
    for (const auto& f : tube.faces) {
        std::array<Vec3d, 3> n;
        for (int k = 0; k < 3; ++k) {
            const Vec3d& p = tube.positions[static_cast<std::size_t>(f[static_cast<std::size_t>(k)])];
            n[static_cast<std::size_t>(k)] = {p.x, p.y, 0};
        }
        tube.normals.push_back(n);
    }
    const auto g = BuildSmoothingGroups(tube);
    EXPECT_EQ(std::set<std::uint32_t>(g.begin(), g.end()).size(), 1u);
    EXPECT_NE(g[0], 0u);
}

TEST(SmoothingGroups, LoneAndDegenerateFacesStayFlat) {
    SmoothingInput in;
    in.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {2, 0, 0}};
    in.faces = {{0, 1, 2}, {0, 1, 3}};  // a triangle, and one with no area
    const auto g = BuildSmoothingGroups(in);
    EXPECT_EQ(g[0], 0u);
    EXPECT_EQ(g[1], 0u);
}
