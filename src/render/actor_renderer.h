// Top of the per-frame render path: one call per actor, in array order.
#pragma once

#include "scene/records.h"

void RenderActor(Actor& actor, Actor& camera, Light* lights, int lightCount);
