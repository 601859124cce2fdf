// Every format assimp imports (OBJ+MTL, 3DS, glTF, PLY, STL, ...) into the
// converter's mesh: one object per assimp mesh, node transforms applied,
// rotated from assimp's Y-up frame into the Z-up frame of MeshModel.
// Positions are welded so the viewer can smooth across shared corners;
// smoothing groups come from the source's normals or the crease angle.
#pragma once

#include <string>

#include "mesh_model.h"

namespace tarnconv {

struct ImportOptions {
    double creaseDegrees = 40.0;
};

bool ImportWithAssimp(const std::string& path, const ImportOptions& options, MeshModel* model, std::string* error);

}  // namespace tarnconv
