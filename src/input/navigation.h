// Per-frame movement of the camera or the selected actor.
#pragma once

#include <cstdint>

// Index of the actor the controls move; out of range selects the camera.
extern std::int32_t SelectedActor;

void UpdateNavigation();
