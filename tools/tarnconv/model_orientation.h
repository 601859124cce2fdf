// Turning a model as a whole: which of its file's axes point up and to its
// front (named on the command line as "+y", "-z", "x", ...; else the file's
// own or its format's convention), bringing them to +Z and -Y of the
// converter's frame (upright, facing a viewer, as 3ds Max models stand),
// and the turn that shows a model from a raised, three-quarter view to a
// camera that cannot tilt.
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

// The model's axes that point up and to its front (the side a viewer
// should see first); by default +y and +z.
struct ModelAxes {
    AxisDirection up;
    AxisDirection front{2, 1};
};

// The axes a format's files are made with, by the file's extension (any
// case), in the coordinates the model is read in: up +y and front +z (the
// glTF convention, which most exporters follow); up +z and front -y for
// 3ds Max (.ase), Blender (.blend) and STL, whose makers look at a model's
// front from -y; up +z and front +x for Source and Half-Life models (.smd);
// front +x for Quake models (.md2). The importer itself already stands
// Quake models and DXF drawings (made Z-up) on +y.
ModelAxes ConventionalAxes(const std::string& path);

// The point p of the converter's frame turned as RotateUpToZ turns it.
Vec3d UpToZ(const Vec3d& up, const Vec3d& p);

// Rotates every vertex so that up (a unit axis of the converter's frame)
// becomes +Z: the identity for +Z, a half turn about X for -Z, else a
// quarter turn about up x Z. Proper rotations only, so faces keep their
// winding.
void RotateUpToZ(MeshModel* model, const Vec3d& up);

// Stands the model up and turns it to face the viewer: up (a unit axis of
// the converter's frame) to +Z, then quarter turns about Z that take front
// (likewise) to -Y, where the object file's viewer looks from. A front along
// the up axis is left as the first turn puts it.
void OrientModel(MeshModel* model, const Vec3d& up, const Vec3d& front);

// The camera looks along +Y of the converter's frame with Z up. The model is
// turned yawDegrees about Z (showing its front and one side) and then tipped
// pitchDegrees about X towards the camera, as a camera raised by that angle
// would see it.
void TurnForView(MeshModel* model, double yawDegrees, double pitchDegrees);

// Largest distance from the origin of a vertex that a face uses.
double ModelRadius(const MeshModel& model);

}  // namespace tarnconv
