// Turning a model as a whole: which of its file's axes points up (named on
// the command line as "+y", "-z", "x", ...), bringing that axis to +Z of
// the converter's frame, and the turn that shows a model from a raised,
// three-quarter view to a camera that cannot tilt.
#pragma once

#include <string>

#include "mesh_model.h"

namespace tarnconv {

// A signed coordinate axis: axis 0, 1, 2 for x, y, z; sign +1 or -1.
struct AxisDirection {
    int axis = 1;
    int sign = 1;
    Vec3d Vector() const;
};

// "+x" "-x" "x" "+y" ... "-z" (either case). False for anything else.
bool ParseAxisDirection(const std::string& text, AxisDirection* direction);

// Rotates every vertex so that up (a unit axis of the converter's frame)
// becomes +Z: the identity for +Z, a half turn about X for -Z, else a
// quarter turn about up x Z. Proper rotations only, so faces keep their
// winding.
void RotateUpToZ(MeshModel* model, const Vec3d& up);

// The camera looks along +Y of the converter's frame with Z up. The model is
// turned yawDegrees about Z (showing its front and one side) and then tipped
// pitchDegrees about X towards the camera, as a camera raised by that angle
// would see it.
void TurnForView(MeshModel* model, double yawDegrees, double pitchDegrees);

// Largest distance from the origin of a vertex that a face uses.
double ModelRadius(const MeshModel& model);

}  // namespace tarnconv
