// Scene files ("Actor Database") and the placement of a camera that frames
// a set of actors. Everything here is in the viewer's frame: x right, y up,
// z into the screen; the camera looks along +z with identity orientation.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "mesh_model.h"

namespace tarnconv {

// The viewer's view volume: |kViewScaleX x| <= z, |kViewScaleY y| <= z,
// kNearZ <= z <= kFarZ, in camera coordinates.
constexpr double kViewScaleX = 1.73;
constexpr double kViewScaleY = 2.3066666;
constexpr double kNearZ = 1.0;
constexpr double kFarZ = 65000.0;

struct SceneLight {
    Vec3d position;  // omni: position; directional: the way the light travels
    double intensity = 0.8;
    bool directional = false;
    bool enabled = true;
};

struct SceneActor {
    std::string file;  // object file, one word of at most 79 characters
    Vec3d position;
    std::array<double, 4> color{1, 1, 1, 1};     // used by objects without materials
    std::array<double, 3> specular{0.3, 0.3, 0.3};
    double scale = 1.0;
};

struct SceneRecipe {
    std::string comment;
    std::string objectFilePath;  // empty: files beside the scene (the viewer's working folder)
    double specularity = 400.0;
    Vec3d camera;
    std::vector<SceneLight> lights;
    std::vector<SceneActor> actors;
};

// Z-up model frame -> viewer frame, as the object loader does: (x, z, y).
Vec3d ToViewerFrame(const Vec3d& p);
Bounds ToViewerFrame(const Bounds& b);

// A camera position (identity orientation) from which the whole box is
// inside the view volume with a margin: centred on the box in x, a little
// above its centre in y (flat models are seen from above), backed off
// along -z until its front face fits.
Vec3d FrameCamera(const Bounds& viewerBounds, double margin = 1.15);

// A camera position (identity orientation) from which a sphere is wholly
// inside the view volume with a margin: on the sphere's centre line along
// z, backed off until the sphere touches the narrower (vertical) sides.
Vec3d FrameSphere(const Vec3d& center, double radius, double margin = 1.05);

// True when the point lies inside the view volume of a camera at camera.
bool InViewVolume(const Vec3d& camera, const Vec3d& point);

// One omni light above and to the left of the camera and one directional
// light falling from the upper left into the scene, sized to the box.
std::vector<SceneLight> DefaultLights(const Bounds& viewerBounds, const Vec3d& camera);

// The scene file text. False when a file name cannot be written.
bool FormatSceneFile(const SceneRecipe& recipe, std::string* text, std::string* error);

}  // namespace tarnconv
