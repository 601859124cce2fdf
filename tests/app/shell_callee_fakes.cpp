// The shell's callees in the other subsystems and the cycle counter, as the
// shell's tests link them in place of the real ones (tests.cmake): each call
// is recorded. These are ordinary definitions of the declarations the shell
// includes, so a changed declaration leaves the shell's call unresolved and
// the test program fails to link.
#include "app/app_globals.h"
#include "app/winmain.h"
#include "call_recorder.h"
#include "input/input_devices.h"
#include "input/navigation.h"
#include "platform/cycle_counter.h"
#include "render/actor_renderer.h"
#include "render/fast_inv_sqrt.h"
#include "render/font.h"
#include "scene/scene_loader.h"

// The objects and helpers that live beside the faked calls, in the state the
// real ones are in before anything has run: the table is never built and the
// selection never moves, since BuildInvSqrtTable and UpdateNavigation are
// only recorded.
Font TextFont;
InputDevices Input;
std::int32_t SelectedActor = 0;
std::uint8_t* InvSqrtTable = nullptr;
const std::int32_t* InvSqrtSeeds() {
    static const std::int32_t unbuilt[128] = {};
    return unbuilt;
}
// The fake counter counts the same whatever source is chosen.
void SetCycleSource(CycleSource) {}

namespace {

int ActorIndex(const Actor* actor) {
    for (int i = 0; i < 4; ++i)
        if (actor == &FakeActors[i]) return i;
    return -1;
}

}  // namespace

void BuildInvSqrtTable() { RecordCall("BuildInvSqrtTable()"); }

int LoadScene(const char* path, Actor& camera, Actor** actors, Light** lights, int* lightCount) {
    RecordCall("LoadScene(%s)", path);
    Fake.loadedPath = path;
    Fake.glideReadyAtLoad = GlideReady;
    camera.position = Vec3(0.0f, 0.0f, -10.0f);
    *actors = FakeActors;
    *lights = nullptr;
    *lightCount = 0;
    return Fake.actorCount;
}

void Font::FontInit(const char* name) { RecordCall("FontInit(%s)", name ? name : "null"); }

void Font::DrawText(float x, float y, float w, float h, const char* text) {
    RecordCall("DrawText(%g,%g,%g,%g,%s)", static_cast<double>(x), static_cast<double>(y), static_cast<double>(w),
               static_cast<double>(h), text);
}

void InputDevices::Init(HINSTANCE, HWND window) {
    RecordCall("Input.Init(%s)", window == MainWindow && window != nullptr ? "MainWindow" : "other");
}

void UpdateNavigation() { RecordCall("UpdateNavigation()"); }

void RenderActor(Actor& actor, Actor& camera, Light*, int lightCount) {
    RecordCall("RenderActor(%d,%s,%d)", ActorIndex(&actor), &camera == &Scene.camera ? "camera" : "other",
               lightCount);
}

std::uint64_t ReadCycleCounter() {
    std::uint64_t value;
    if (!Fake.cycles.empty()) {
        value = Fake.cycles.front();
        Fake.cycles.erase(Fake.cycles.begin());
    } else {
        value = Fake.lastCycle + Fake.cycleStep;
    }
    Fake.lastCycle = value;
    RecordCall("ReadCycleCounter()");
    return value;
}
