// "tarnconv scene": a folder the viewer can run in as it is. Each model is
// converted beside the scene file, centred on its own origin and scaled to
// a common size, the models stand side by side along x, and the camera and
// two lights are placed to frame them all.
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
    ImportOptions import;
    TextureOptions texture;
};

struct SceneFolderResult {
    SceneRecipe scene;
    std::vector<MeshConvertResult> models;
    std::vector<std::string> warnings;
    Bounds viewerBounds;  // every actor, in the viewer's frame
};

bool BuildSceneFolder(const std::string& outDir, const std::vector<std::string>& models,
                      const SceneFolderOptions& options, const ProgressFn& progress, SceneFolderResult* result,
                      std::string* error);

}  // namespace tarnconv
