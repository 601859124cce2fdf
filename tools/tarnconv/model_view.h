// "tarnconv view": models straight into the viewer. The models become a
// scene folder in a cache (under $XDG_CACHE_HOME/tarnview/, else
// ~/.cache/tarnview/), named by a key made of the models' absolute paths,
// sizes and modification times and the options that shape the scene, so a
// second view of unchanged models finds its folder and starts at once. The
// viewer then runs with that folder as its working folder: tarnview in a
// window, or tarnview-headless, both found beside tarnconv itself.
#pragma once

#include <string>
#include <vector>

#include "scene_folder.h"

namespace tarnconv {

// The cache's root folder. Empty (with a message) when neither
// XDG_CACHE_HOME nor HOME is set.
std::string ViewCacheRoot(std::string* error);

// The scene folder's name for the models under these options. False, with a
// message naming the model, when a model cannot be found.
bool ViewCacheKey(const std::vector<std::string>& models, const SceneFolderOptions& options, std::string* key,
                  std::string* error);

// Finds the models' scene folder in the cache or makes it. *dir is the
// folder, *cached tells that it was already there.
bool PrepareViewScene(const std::vector<std::string>& models, const SceneFolderOptions& options,
                      const ProgressFn& progress, std::string* dir, bool* cached, std::vector<std::string>* warnings,
                      std::string* error);

// Runs program (a path) with args, in the working folder dir, and waits for
// it. Returns its exit status; 1 (with a message) when it cannot be run or
// ends by a signal.
int RunInFolder(const std::string& program, const std::vector<std::string>& args, const std::string& dir,
                std::string* error);

// The folder of the running executable.
std::string OwnFolder();

}  // namespace tarnconv
