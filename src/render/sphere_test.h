// Bounding-sphere test of an actor or object against the view volume.
#pragma once

#include "math/vec3.h"

// centre in clip coordinates; radiusX and radiusY are the radius scaled by
// the side planes' factors (see records.h). Tests plane pairs whose bits are
// in mask and returns the bits of the planes the sphere crosses, or
// CLIP_REJECT as soon as one test proves it wholly outside.
int ClassifySphere(const Vec3& centre, float radius, float radiusX, float radiusY, int mask);
