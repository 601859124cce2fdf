// Benchmark scenes: the same content (a ground tile, a textured smooth
// sphere and a faceted two-material pillar per actor, several lights, fog
// from the viewer's own set-up) tessellated finely enough to reach a wanted
// face count, written as a scene file, one object file, two 3DF textures,
// a timedemo script and a summary of the counts.
#pragma once

#include <cstdint>
#include <string>

namespace benchgen {

// How finely each mesh of one actor is cut.
struct Tessellation {
    int groundCells = 2;     // ground: cells per side, two faces per cell
    int sphereSlices = 6;    // sphere: segments around
    int sphereStacks = 3;    // sphere: segments from pole to pole
    int pillarSides = 6;     // pillar: sides around
    int pillarSegments = 1;  // pillar: bands up its height
};

struct MeshCounts {
    std::uint64_t faces = 0;
    std::uint64_t vertices = 0;
    std::uint64_t tvertices = 0;
};

struct SceneCounts {
    int actors = 0;
    int lights = 0;
    MeshCounts ground, sphere, pillar;  // per actor
    std::uint64_t facesPerActor = 0;
    std::uint64_t faces = 0;          // whole scene
    std::uint64_t smoothFaces = 0;    // whole scene
    std::uint64_t flatFaces = 0;
    std::uint64_t texturedFaces = 0;
};

struct SceneRecipe {
    std::uint64_t targetFaces = 1000;
    int actors = 4;          // laid out on a square grid, 1 to 16
    int warmupFrames = 10;   // the camera waits at its start for these frames
    int pathFrames = 120;    // then flies its path for these
};

// Face counts of each mesh for a tessellation.
MeshCounts GroundCounts(const Tessellation& t);
MeshCounts SphereCounts(const Tessellation& t);
MeshCounts PillarCounts(const Tessellation& t);

// The tessellation whose actor comes closest to `facesPerActor` faces
// (ground and sphere about two fifths each, the pillar the rest).
Tessellation ChooseTessellation(std::uint64_t facesPerActor);

// Counts of a whole scene.
SceneCounts CountScene(const SceneRecipe& recipe, const Tessellation& t);

// Checks a recipe; false with a message for values outside the ranges above
// or a target below 100 or above 4,000,000 faces.
bool CheckRecipe(const SceneRecipe& recipe, std::string* error);

// Writes the scene into `dir` (created when missing): objects.scn,
// cluster.3dx, ground.3df, sphere.3df, timedemo.txt and scene.json.
bool GenerateScene(const std::string& dir, const SceneRecipe& recipe, SceneCounts* counts, std::string* error);

// The timedemo script: frame 0 selects the camera, which then waits for the
// warm-up frames and flies forward while it rises and turns; the same
// frames for every run.
std::string TimedemoScript(const SceneRecipe& recipe);

// scene.json: the recipe, the counts and this generator's version; a scene
// whose summary equals the one GenerateScene would write needs no rewrite.
std::string SceneSummaryJson(const SceneRecipe& recipe, const SceneCounts& counts);

constexpr int kGeneratorVersion = 1;

}  // namespace benchgen
