// Procedural meshes for the demo scene, built in the converter's Z-up,
// counter-clockwise-front frame so they go through the same object writer
// as converted models.
#pragma once

#include <functional>

#include "mesh_model.h"

namespace demogen {

using tarnconv::MeshObject;
using tarnconv::Vec3d;

// A parametric surface p(u, v), u and v in 0..1, as nu x nv quads of two
// triangles. The front is the side dp/du x dp/dv points to. Each quad's
// diagonal is marked as an invisible edge. uvScale multiplies the texture
// coordinates (repeats of the map); 0 writes none.
struct SurfaceRecipe {
    int nu = 16;
    int nv = 16;
    bool wrapU = false;  // u = 1 meets u = 0: vertices are shared across the seam
    bool wrapV = false;
    std::uint32_t smoothing = 1;
    int material = 0;
    double uvScaleU = 0.0;
    double uvScaleV = 0.0;
};

void AddSurface(MeshObject* object, const SurfaceRecipe& recipe, const std::function<Vec3d(double, double)>& p);

// A box from lo to hi, flat shaded (one smoothing group per side would be
// the same picture), with one map per side.
void AddBox(MeshObject* object, const Vec3d& lo, const Vec3d& hi, int material, bool textured);

// A regular icosahedron split `levels` times, projected onto the sphere.
// smoothing 0 keeps every facet flat.
void AddIcosphere(MeshObject* object, const Vec3d& center, double radius, int levels, std::uint32_t smoothing,
                  int material);

}  // namespace demogen
