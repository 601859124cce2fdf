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
// folder, *cached tells that it was already there. A cached folder that
// the viewer refuses (ViewerAcceptsScene), as after a disk fault or an
// edit by hand, is converted again, once, saying so through progress.
bool PrepareViewScene(const std::vector<std::string>& models, const SceneFolderOptions& options,
                      const ProgressFn& progress, std::string* dir, bool* cached, std::vector<std::string>* warnings,
                      std::string* error);

// True unless the headless viewer beside tarnconv, run in dir without a
// frame, fails to load the scene there (its messages are not shown). True
// also when there is no headless viewer to ask.
bool ViewerAcceptsScene(const std::string& dir);

// Runs program (a path) with args, in the working folder dir, and waits for
// it; quiet sends its output to /dev/null. Returns its exit status; 1 (with
// a message) when it cannot be run or ends by a signal.
int RunInFolder(const std::string& program, const std::vector<std::string>& args, const std::string& dir,
                std::string* error, bool quiet = false);

// The folder of the running executable.
std::string OwnFolder();

}  // namespace tarnconv
