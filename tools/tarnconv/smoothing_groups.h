// Smoothing groups for meshes that come without them: faces that meet along
// an edge are joined when the source gives them the same normals there (the
// modeller smoothed across the edge), or, where the source has no normals,
// when the angle between the two faces is at most a crease angle. Joined
// faces form patches; each patch gets one group bit, chosen so that patches
// that touch never share a bit, and patches of one face are left flat.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "mesh_model.h"

namespace tarnconv {

struct SmoothingInput {
    std::vector<Vec3d> positions;               // welded: one entry per distinct position
    std::vector<std::array<int, 3>> faces;      // indices into positions
    std::vector<std::array<Vec3d, 3>> normals;  // per face corner; empty: use the crease angle
    double creaseDegrees = 40.0;
};

// One group set per face (bit n = group n + 1); 0 for a flat face.
std::vector<std::uint32_t> BuildSmoothingGroups(const SmoothingInput& input);

}  // namespace tarnconv
