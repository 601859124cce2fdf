#include "scene/records.h"

// The one scene: the camera gets its Actor defaults during static
// initialisation; the loader fills the rest.
SceneRecord Scene;
