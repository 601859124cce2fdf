// "tarnconv scene": a folder the viewer can run in as it is. Each model is
// converted beside the scene file, turned for a raised three-quarter view
// (the scene file's camera has a position only, so the models turn instead),
// centred on its own origin and scaled to a common size; the models stand
// side by side along x, and the camera and two lights are placed to frame
// them all, the camera fitting their bounding sphere.
//
// The folder is made under a temporary name beside OUTDIR and renamed into
// place at the end (into an existing OUTDIR, file by file), so a failed run
// leaves no half-made folder behind.
#pragma once

#include <string>
#include <vector>

#include "mesh_convert.h"
#include "scene_builder.h"

namespace tarnconv {

struct SceneFolderOptions {
    double modelSize = 200.0;  // each model's largest extent, in scene units
    double gap = 0.25;         // space between models, as a share of modelSize
    std::string fontPath;      // ffont.3df to copy; empty: none
    double yawDegrees = 40.0;   // turn about the vertical, showing a side
    double pitchDegrees = 28.0; // the camera's height above the models, as an angle
    ImportOptions import;
    TextureOptions texture;
};

struct SceneFolderResult {
    SceneRecipe scene;
    std::vector<MeshConvertResult> models;
    std::vector<std::string> warnings;
    Bounds viewerBounds;  // every actor, in the viewer's frame
    Vec3d sphereCenter;   // a sphere holding every actor, in the viewer's frame
    double sphereRadius = 0.0;
};

bool BuildSceneFolder(const std::string& outDir, const std::vector<std::string>& models,
                      const SceneFolderOptions& options, const ProgressFn& progress, SceneFolderResult* result,
                      std::string* error);

}  // namespace tarnconv
