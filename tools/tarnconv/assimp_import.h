// Every format assimp imports (OBJ+MTL, 3DS, glTF, PLY, STL, ...) into the
// converter's mesh: one object per assimp mesh, node transforms applied,
// rotated from assimp's Y-up frame into the Z-up frame of MeshModel.
// The file's up axis is then brought to +Z. A material whose opacity is 0
// with no opacity map is taken as opaque, with a warning: exporters write
// 0 where they mean "not set", and nothing meant to be see-through has it.
// Positions are welded so the viewer can smooth across shared corners;
// smoothing groups come from the source's normals or the crease angle.
#pragma once

#include <string>

#include "mesh_model.h"
#include "model_orientation.h"

namespace tarnconv {

struct ImportOptions {
    double creaseDegrees = 40.0;
    // The file's axis that points up, when the user names it. Otherwise the
    // file's own (assimp's "UpAxis"/"UpAxisSign" metadata), or the format's
    // convention: +y for what assimp reads, +z for 3ds Max's .ase.
    bool upGiven = false;
    AxisDirection up;
};

bool ImportWithAssimp(const std::string& path, const ImportOptions& options, MeshModel* model, std::string* error);

}  // namespace tarnconv
