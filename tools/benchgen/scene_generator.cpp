// Benchmark scene generation: tessellation choice, counts, and writing the
// scene file, the object file and the summary.
//
// Sections: counts; tessellation; text output; object file; scene file;
// summary; whole scene.
#include "scene_generator.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "scene_meshes.h"
#include "scene_textures.h"
#include "support/output_file.h"

namespace benchgen {

// ---- counts -----------------------------------------------------------------------

MeshCounts GroundCounts(const Tessellation& t) {
    const std::uint64_t n = static_cast<std::uint64_t>(t.groundCells);
    return {2 * n * n, (n + 1) * (n + 1), (n + 1) * (n + 1)};
}

MeshCounts SphereCounts(const Tessellation& t) {
    const std::uint64_t s = static_cast<std::uint64_t>(t.sphereSlices);
    const std::uint64_t st = static_cast<std::uint64_t>(t.sphereStacks);
    return {2 * s * (st - 1), 2 + s * (st - 1), (s + 1) * (st + 1)};
}

MeshCounts PillarCounts(const Tessellation& t) {
    const std::uint64_t p = static_cast<std::uint64_t>(t.pillarSides);
    const std::uint64_t q = static_cast<std::uint64_t>(t.pillarSegments);
    return {2 * p * q + p, p * (q + 1) + 1, 0};
}

SceneCounts CountScene(const SceneRecipe& recipe, const Tessellation& t) {
    SceneCounts c;
    c.actors = recipe.actors;
    c.lights = 3;
    c.ground = GroundCounts(t);
    c.sphere = SphereCounts(t);
    c.pillar = PillarCounts(t);
    c.facesPerActor = c.ground.faces + c.sphere.faces + c.pillar.faces;
    const auto actors = static_cast<std::uint64_t>(recipe.actors);
    c.faces = c.facesPerActor * actors;
    c.smoothFaces = c.sphere.faces * actors;
    c.flatFaces = (c.ground.faces + c.pillar.faces) * actors;
    c.texturedFaces = (c.ground.faces + c.sphere.faces) * actors;
    return c;
}

// ---- tessellation -----------------------------------------------------------------

Tessellation ChooseTessellation(std::uint64_t facesPerActor) {
    const double a = static_cast<double>(facesPerActor);
    Tessellation t;
    // Ground 2 n^2 = 0.4 a.
    t.groundCells = std::max(2, static_cast<int>(std::lround(std::sqrt(0.2 * a))));
    // Sphere 2 s (st - 1) = 0.4 a with st = s / 2 + 1: s^2 = 0.4 a.
    t.sphereSlices = std::max(6, static_cast<int>(std::lround(std::sqrt(0.4 * a))));
    t.sphereStacks = std::max(3, t.sphereSlices / 2 + 1);
    // Pillar: whatever is left, 2 p q + p.
    const double used = static_cast<double>(GroundCounts(t).faces + SphereCounts(t).faces);
    const double left = std::max(0.0, a - used);
    t.pillarSides = std::max(6, static_cast<int>(std::lround(std::sqrt(left / 2.0))));
    t.pillarSegments =
        std::max(1, static_cast<int>(std::lround((left - t.pillarSides) / (2.0 * t.pillarSides))));
    return t;
}

bool CheckRecipe(const SceneRecipe& recipe, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    if (recipe.targetFaces < 100 || recipe.targetFaces > 4000000) return fail("face count must be 100 to 4000000");
    if (recipe.actors < 1 || recipe.actors > 16) return fail("actor count must be 1 to 16");
    if (recipe.warmupFrames < 0 || recipe.warmupFrames > 100000) return fail("warm-up frames must be 0 to 100000");
    if (recipe.pathFrames < 1 || recipe.pathFrames > 100000) return fail("path frames must be 1 to 100000");
    return true;
}

// ---- text output ------------------------------------------------------------------

namespace {

// Buffered text file written through a temporary file and renamed into
// place at Close(); reports the first failure ("FILE: cannot write
// (reason)") there.
class TextFile {
public:
    explicit TextFile(const std::string& path) : out_(path) {
        open_ = out_.Open();
        buffer_.reserve(1 << 20);
    }
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;

    template <typename... Args>
    void Line(const char* format, Args... args) {
        char line[160];
        const int n = std::snprintf(line, sizeof(line), format, args...);
        buffer_.append(line, static_cast<std::size_t>(std::clamp(n, 0, static_cast<int>(sizeof(line)) - 1)));
        buffer_ += '\n';
        if (buffer_.size() > (1u << 20)) Flush();
    }

    void Raw(const std::string& text) {
        buffer_ += text;
        if (buffer_.size() > (1u << 20)) Flush();
    }

    bool Close(std::string* error) {
        Flush();
        if (open_ && out_.Commit()) return true;
        if (error) *error = out_.Error();
        return false;
    }

private:
    void Flush() {
        if (open_ && !buffer_.empty()) out_.Write(buffer_);
        buffer_.clear();
    }

    tarn::OutputFile out_;
    bool open_;
    std::string buffer_;
};

// ---- object file ------------------------------------------------------------------

struct MaterialText {
    float r, g, b;
    bool specular;
    bool twoSided;
    const char* texture;  // "NOBITMAP" for none
    float amount;         // < 0: no Amount line
};

// One object block. The file's Y and Z are the model's Z and Y.
void WriteObject(TextFile& out, const Mesh& mesh, const std::vector<MaterialText>& materials) {
    out.Line("Object");
    out.Line("Vertices: %zu TVertices: %zu Faces: %zu Materials: %zu Normals: 0", mesh.vertices.size(),
             mesh.tvertices.size(), mesh.faces.size(), materials.size());
    out.Line("Material list:");
    for (std::size_t m = 0; m < materials.size(); ++m) {
        const MaterialText& mt = materials[m];
        out.Line("Material %zu:", m);
        out.Line("Diffuse: R: %.3f G: %.3f B: %.3f A: 1", mt.r, mt.g, mt.b);
        if (mt.specular) out.Line("Specular: R: 0.9 G: 0.9 B: 0.9 Shininess: 0.25 Shiningstrength: 0.6");
        if (mt.twoSided) out.Line("Twosided: 1");
        out.Line("Texture: %s", mt.texture);
        if (mt.amount >= 0.0f) out.Line("Amount: %.2f", mt.amount);
    }
    out.Line("Vertex list:");
    for (std::size_t i = 0; i < mesh.vertices.size(); ++i) {
        const Point& p = mesh.vertices[i];
        out.Line("Vertex %zu: X: %.3f Y: %.3f Z: %.3f", i, p.x, p.z, p.y);
    }
    if (!mesh.tvertices.empty()) {
        out.Line("TVertex list:");
        for (std::size_t i = 0; i < mesh.tvertices.size(); ++i) {
            out.Line("TVertex %zu: U: %.5f V: %.5f", i, mesh.tvertices[i].u, mesh.tvertices[i].v);
        }
    }
    out.Line("Face list:");
    for (std::size_t i = 0; i < mesh.faces.size(); ++i) {
        const Triangle& f = mesh.faces[i];
        out.Line("Face %zu: A: %d B: %d C: %d AB: %d BC: %d CA: %d", i, f.a, f.b, f.c, f.ab ? 1 : 0, f.bc ? 1 : 0,
                 f.ca ? 1 : 0);
        out.Line("Smoothing: %u", f.smoothing);
        if (!mesh.tvertices.empty()) out.Line("TVFace %zu: TA: %d TB: %d TC: %d", i, f.ta, f.tb, f.tc);
        if (materials.size() > 1) out.Line("Material: %d", f.material);
    }
}

bool WriteObjectFile(const std::string& path, const Tessellation& t, std::string* error) {
    TextFile out(path);
    out.Line("# Tarnview benchmark actor: ground tile, sphere, pillar");
    out.Line("3DX");
    out.Line("NumObjects: 3");
    WriteObject(out, BuildGround(t), {{0.55f, 0.75f, 0.45f, false, false, kGroundTexture, 0.8f}});
    WriteObject(out, BuildSphere(t), {{0.9f, 0.6f, 0.3f, true, false, kSphereTexture, 0.7f}});
    WriteObject(out, BuildPillar(t),
                {{0.7f, 0.7f, 0.8f, true, false, "NOBITMAP", -1.0f}, {0.8f, 0.3f, 0.3f, false, true, "NOBITMAP", -1.0f}});
    return out.Close(error);
}

// ---- scene file -------------------------------------------------------------------

bool WriteSceneFile(const std::string& path, const SceneRecipe& recipe, std::string* error) {
    TextFile out(path);
    out.Line("# Tarnview benchmark scene, %llu faces wanted", static_cast<unsigned long long>(recipe.targetFaces));
    out.Line("Actor Database");
    out.Line("Specularity: 400");
    out.Line("Actors: %d Lights: 3", recipe.actors);
    out.Line("Camera: X: 0 Y: 250 Z: -2300");
    out.Line("Light List:");
    out.Line("Light 0: X: -800 Y: 900 Z: -900 Intensity: 0.8 Type: OMNI");
    out.Line("Light 1: X: 900 Y: 400 Z: 300 Intensity: 0.5 Type: OMNI");
    out.Line("Light 2: X: 1 Y: -3 Z: 2 Intensity: 0.4 Type: DIRECTIONAL");
    out.Line("Actor list:");
    // Actors on a square grid of 1000-unit cells (the ground tiles meet) centred on the origin.
    const int side = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(recipe.actors))));
    for (int i = 0; i < recipe.actors; ++i) {
        const float x = (static_cast<float>(i % side) - static_cast<float>(side - 1) / 2.0f) * 1000.0f;
        const float z = (static_cast<float>(i / side) - static_cast<float>(side - 1) / 2.0f) * 1000.0f;
        out.Line("Actor %d: X: %.1f Y: 0 Z: %.1f", i, x, z);
        out.Line("Filename: cluster.3dx");
        out.Line("Color: R: 1 G: 1 B: 1 A: 1");
        out.Line("Specular: R: 0.3 G: 0.3 B: 0.3");
        out.Line("Scale: 1");
    }
    out.Line("End Database");
    return out.Close(error);
}

}  // namespace

// ---- summary ----------------------------------------------------------------------

std::string SceneSummaryJson(const SceneRecipe& recipe, const SceneCounts& c) {
    char text[1024];
    auto mesh = [](const MeshCounts& m) {
        char part[128];
        std::snprintf(part, sizeof(part), "{\"faces\": %llu, \"vertices\": %llu, \"tvertices\": %llu}",
                      static_cast<unsigned long long>(m.faces), static_cast<unsigned long long>(m.vertices),
                      static_cast<unsigned long long>(m.tvertices));
        return std::string(part);
    };
    std::snprintf(text, sizeof(text),
                  "{\n  \"generator_version\": %d,\n  \"target_faces\": %llu,\n  \"faces\": %llu,\n"
                  "  \"actors\": %d,\n  \"lights\": %d,\n  \"faces_per_actor\": %llu,\n  \"smooth_faces\": %llu,\n"
                  "  \"flat_faces\": %llu,\n  \"textured_faces\": %llu,\n  \"warmup_frames\": %d,\n"
                  "  \"path_frames\": %d,\n  \"per_actor\": {\"ground\": %s, \"sphere\": %s, \"pillar\": %s}\n}\n",
                  kGeneratorVersion, static_cast<unsigned long long>(recipe.targetFaces),
                  static_cast<unsigned long long>(c.faces), c.actors, c.lights,
                  static_cast<unsigned long long>(c.facesPerActor), static_cast<unsigned long long>(c.smoothFaces),
                  static_cast<unsigned long long>(c.flatFaces), static_cast<unsigned long long>(c.texturedFaces),
                  recipe.warmupFrames, recipe.pathFrames, mesh(c.ground).c_str(), mesh(c.sphere).c_str(),
                  mesh(c.pillar).c_str());
    return text;
}

// ---- whole scene ------------------------------------------------------------------

bool GenerateScene(const std::string& dir, const SceneRecipe& recipe, SceneCounts* counts, std::string* error) {
    if (!CheckRecipe(recipe, error)) return false;
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        if (error) *error = dir + ": cannot create directory: " + ec.message();
        return false;
    }
    const Tessellation t = ChooseTessellation(recipe.targetFaces / static_cast<std::uint64_t>(recipe.actors));
    const SceneCounts c = CountScene(recipe, t);
    if (!WriteTextures(dir, error) || !WriteObjectFile(dir + "/cluster.3dx", t, error) ||
        !WriteSceneFile(dir + "/objects.scn", recipe, error)) {
        return false;
    }
    TextFile script(dir + "/timedemo.txt");
    script.Raw(TimedemoScript(recipe));
    if (!script.Close(error)) return false;
    // The summary goes last: its presence means the scene is complete.
    TextFile summary(dir + "/scene.json");
    summary.Raw(SceneSummaryJson(recipe, c));
    if (!summary.Close(error)) return false;
    if (counts) *counts = c;
    return true;
}

}  // namespace benchgen
