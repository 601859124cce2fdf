// Top of the per-frame render path: one call per actor, in array order.
#pragma once

#include "scene/records.h"

void RenderActor(Actor& actor, Actor& camera, Light* lights, int lightCount);

// One object of an actor: sphere test against the planes the actor crosses
// (clipMask 0 skips it), cache clearing, the face pass over every face, then
// the draw pass (clipped faces as triangle fans).
void RenderObject(Object& object, const Matrix3& modelToView, const Vec3& actorView, const Vec3& eye,
                  const Light* lights, int lightCount, int clipMask);

// The white frame of the view area, drawn once per actor.
void DrawViewportFrame();
