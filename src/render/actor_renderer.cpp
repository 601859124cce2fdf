#include "render/actor_renderer.h"

void RenderActor(Actor& actor, Actor& camera, Light* lights, int lightCount) {
    (void)actor;
    (void)camera;
    (void)lights;
    (void)lightCount;
}
