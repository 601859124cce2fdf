// The render path on a generated 100,352-face scene: a smooth, textured,
// wavy sheet lit by two omni lights and one directional light, wider than
// the view's height so that the top and bottom planes clip it.
//
//   BM_RenderFrontEnd: transform, cull, light, clip and vertex set-up, with
//                      the device only counting triangles.
//   BM_RenderFrame:    whole frames (clear, render, swap) through the
//                      software device.
// Each with the front end in passes (argument 1, the default) and with the
// sequential face pass (argument 0); TARNVIEW_THREADS=N runs the device (and
// the passes of the front end) with N threads.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "app/render_flags.h"
#include "glide.h"
#include "glide_device.h"
#include "render/actor_renderer.h"
#include "render/fast_inv_sqrt.h"
#include "render/front_end.h"
#include "render/init_graphics.h"
#include "scene/records.h"

namespace {

constexpr int kGrid = 224;  // quads per side: 2 * 224 * 224 = 100,352 faces
constexpr float kHalfSize = 50.0f;

float Height(float x, float y) { return 3.0f * std::sin(x * 0.2f) * std::cos(y * 0.15f); }

// Texture: a 256 x 256 RGB565 checkerboard with every mip level.
GrMipMapId_t MakeTexture() {
    std::vector<std::uint16_t> texels;
    for (int size = 256; size >= 1; size /= 2) {
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const bool light = ((x * 8 / size) + (y * 8 / size)) % 2 == 0;
                texels.push_back(light ? 0xFFE0 : 0x041F);
            }
        }
    }
    const GrMipMapId_t id = guTexAllocateMemory(GR_TMU0, GR_MIPMAPLEVELMASK_BOTH, 256, 256, GR_TEXFMT_RGB_565,
                                                GR_MIPMAP_NEAREST, GR_LOD_1, GR_LOD_256, GR_ASPECT_1x1,
                                                GR_TEXTURECLAMP_WRAP, GR_TEXTURECLAMP_WRAP, GR_TEXTUREFILTER_BILINEAR,
                                                GR_TEXTUREFILTER_BILINEAR, 0.0f, FXFALSE);
    guTexDownloadMipMap(id, texels.data(), nullptr);
    return id;
}

struct BenchScene {
    Material materials[2];  // the sheet's, then (as in every object) the actor's own
    Material& material = materials[0];
    std::vector<Vertex> vertices;
    std::vector<VertexNormal> normals;
    std::vector<TVertex> tvertices;
    Face* faces = nullptr;
    int faceCount = 0;
    Object object;
    Actor actor;
    Actor camera;
    Light lights[3];

    BenchScene() {
        // TARNVIEW_THREADS chooses the device's threads, as in the programs.
        glide::SetThreadCount(std::max(glide::ThreadCountFromEnvironment(), 0));
        InitGraphics();
        grSstPassthruMode(GR_PASSTHRU_SHOW_SST1);
        material.diffuse = {200.0f, 180.0f, 160.0f, 255.0f};
        material.textureColor = {255.0f, 255.0f, 255.0f, 255.0f};
        material.specular = {120.0f, 120.0f, 120.0f, 0.0f};
        material.shininess = 0.05f;
        material.texture = static_cast<int>(MakeTexture());

        const int n = kGrid + 1;
        vertices.resize(n * n);
        normals.resize(n * n);
        tvertices.resize(n * n);
        for (int j = 0; j < n; ++j) {
            for (int i = 0; i < n; ++i) {
                const int k = j * n + i;
                const float x = -kHalfSize + 2.0f * kHalfSize * i / kGrid;
                const float y = -kHalfSize + 2.0f * kHalfSize * j / kGrid;
                const float dx = 0.6f * std::cos(x * 0.2f) * std::cos(y * 0.15f);
                const float dy = -0.45f * std::sin(x * 0.2f) * std::sin(y * 0.15f);
                const float len = std::sqrt(dx * dx + dy * dy + 1.0f);
                vertices[k].position = {x, y, Height(x, y)};
                normals[k].normal = {dx / len, dy / len, -1.0f / len};
                vertices[k].normals = static_cast<std::uint32_t>(k);
                vertices[k].normalCount = 1;
                tvertices[k] = {255.0f * 4.0f * i / kGrid, 255.0f * 4.0f * j / kGrid};
            }
        }
        faceCount = 2 * kGrid * kGrid;
        faces = new Face[faceCount];
        int f = 0;
        for (int j = 0; j < kGrid; ++j) {
            for (int i = 0; i < kGrid; ++i) {
                const int a = j * n + i, b = (j + 1) * n + i, c = (j + 1) * n + i + 1, d = j * n + i + 1;
                AddFace(faces[f++], a, b, c);
                AddFace(faces[f++], a, c, d);
            }
        }
        object.vertexCount = static_cast<int>(vertices.size());
        object.vertices = vertices.data();
        object.tvertexCount = static_cast<int>(tvertices.size());
        object.tvertices = tvertices.data();
        object.faceCount = faceCount;
        object.faces = faces;
        object.vertexNormalCount = static_cast<int>(normals.size());
        object.vertexNormals = normals.data();
        object.materialCount = 1;
        object.materials = materials;
        object.radius = std::sqrt(2.0f * kHalfSize * kHalfSize + 9.0f);
        object.radiusX = object.radius * std::sqrt(RADIUS_FACTOR_X_SQUARED);
        object.radiusY = object.radius * std::sqrt(RADIUS_FACTOR_Y_SQUARED);
        actor.objects = &object;
        actor.objectCount = 1;
        actor.position = {0.0f, 0.0f, 95.0f};
        actor.radius = object.radius;
        actor.radiusX = object.radiusX;
        actor.radiusY = object.radiusY;

        lights[0].type = OMNI;
        lights[0].position = {-30.0f, 20.0f, 0.0f};
        lights[0].intensity = 0.6f;
        lights[1].type = OMNI;
        lights[1].position = {30.0f, -10.0f, 20.0f};
        lights[1].intensity = 0.5f;
        lights[2].type = DIRECTIONAL;
        lights[2].position = {0.0f, -0.6f, 0.8f};
        lights[2].intensity = 0.4f;
    }

    void AddFace(Face& face, int a, int b, int c) {
        face.flags = FACE_TEXTURED | FACE_SMOOTH | FACE_SPECULAR | FACE_EDGE_AB | FACE_EDGE_BC | FACE_EDGE_CA;
        face.material = 0;
        const int idx[3] = {a, b, c};
        for (int i = 0; i < 3; ++i) {
            const auto v = static_cast<std::uint32_t>(idx[i]);
            face.corners[i] = FaceCorner{v, v, 0, v};
        }
        const Vec3 pa = vertices[a].position;
        const Vec3 ab = vertices[b].position - pa;
        const Vec3 ac = vertices[c].position - pa;
        const Vec3 nrm{ab.y * ac.z - ab.z * ac.y, ab.z * ac.x - ab.x * ac.z, ab.x * ac.y - ab.y * ac.x};
        face.point = pa;
        face.normal = nrm * (1.0f / std::sqrt(nrm.Dot(nrm)));
    }

    void Render() { RenderActor(actor, camera, lights, 3); }
};

BenchScene& TheScene() {
    static BenchScene* scene = [] {
        BuildInvSqrtTable();
        RenderFlags = RENDER_FLAGS_INITIAL;
        return new BenchScene();
    }();
    return *scene;
}

void ReportPerFace(benchmark::State& state, const BenchScene& scene) {
    // Shown as time per face (CPU time, like the Time column's CPU figure).
    state.counters["per_face"] = benchmark::Counter(static_cast<double>(scene.faceCount),
                                                    benchmark::Counter::kIsIterationInvariantRate |
                                                        benchmark::Counter::kInvert);
    state.counters["fps"] = benchmark::Counter(1.0, benchmark::Counter::kIsIterationInvariantRate);
    const glide::DeviceCounters c = glide::GetCounters();
    const double frames = static_cast<double>(state.iterations());
    state.counters["triangles_per_frame"] = static_cast<double>(c.trianglesSubmitted) / frames;
    state.counters["pixels_per_frame"] = static_cast<double>(c.pixelsWritten) / frames;
}

void BM_RenderFrontEnd(benchmark::State& state) {
    BenchScene& scene = TheScene();
    SetFrontEnd(state.range(0) ? FrontEnd::kPasses : FrontEnd::kSequential);
    glide::SetRasterizationEnabled(false);
    glide::ResetCounters();
    for (auto _ : state) {
        scene.Render();
        benchmark::ClobberMemory();
    }
    ReportPerFace(state, scene);
    glide::SetRasterizationEnabled(true);
}
BENCHMARK(BM_RenderFrontEnd)->ArgName("passes")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_RenderFrame(benchmark::State& state) {
    BenchScene& scene = TheScene();
    SetFrontEnd(state.range(0) ? FrontEnd::kPasses : FrontEnd::kSequential);
    glide::SetRasterizationEnabled(true);
    glide::ResetCounters();
    for (auto _ : state) {
        grRenderBuffer(GR_BUFFER_BACKBUFFER);
        grBufferClear(0, 0, 0xFFFF);
        scene.Render();
        grBufferSwap(1);
    }
    ReportPerFace(state, scene);
}
BENCHMARK(BM_RenderFrame)->ArgName("passes")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
