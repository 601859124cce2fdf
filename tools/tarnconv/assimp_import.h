// Every format assimp imports (OBJ+MTL, 3DS, glTF, PLY, STL, ...) into the
// converter's mesh: one object for each time a node places an assimp mesh,
// with the node's transform from the root applied (faces under a mirroring
// transform turned round so they still face out), rotated from assimp's
// Y-up frame into the Z-up frame of MeshModel. The model is then stood on
// its up axis and turned to show its front (OrientModel). The import runs
// on a thread with a large stack, and a tree of nodes nested deeper than
// kMaxNodeDepth is refused. A material whose opacity is 0
// with no opacity map is taken as opaque, with a warning: exporters write
// 0 where they mean "not set", and nothing meant to be see-through has it.
// Positions are welded so the viewer can smooth across shared corners;
// smoothing groups come from the source's normals or the crease angle.
#pragma once

#include <optional>
#include <string>

#include "mesh_model.h"
#include "model_orientation.h"

namespace tarnconv {

constexpr int kMaxNodeDepth = 1000;

struct ImportOptions {
    double creaseDegrees = 40.0;
    // The file's axes that point up and to the model's front, when the user
    // names them. Otherwise the file's own (assimp's "UpAxis"/"UpAxisSign"
    // and "FrontAxis"/"FrontAxisSign" metadata), or the format's convention
    // (ConventionalAxes).
    bool upGiven = false;
    AxisDirection up;
    bool frontGiven = false;
    AxisDirection front;
};

// Axes a file states for itself.
struct StatedAxes {
    std::optional<AxisDirection> up;
    std::optional<AxisDirection> front;
};

// The axes the model at path is stood and turned by: each one the options
// name, else the one the file states, else the format's convention.
ModelAxes ChooseAxes(const std::string& path, const ImportOptions& options, const StatedAxes& stated = {});

bool ImportWithAssimp(const std::string& path, const ImportOptions& options, MeshModel* model, std::string* error);

}  // namespace tarnconv
