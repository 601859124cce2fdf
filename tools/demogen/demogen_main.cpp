// demogen: writes the demo scene (examples/demo) from procedural sources:
// meshes, textures and objects.scn. Every rendering feature has something
// to show: a tiled floor receding into the fog (mip-maps, filtering), smooth
// objects with highlights, flat-shaded facets, a multi-material object, a
// two-sided Moebius strip, a half-transparent glass ball and a colonnade
// that fades into the distance. Usage: demogen OUTDIR [--font FILE].
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <string>

#include "object_writer.h"
#include "procedural_meshes.h"
#include "procedural_textures.h"
#include "scene_builder.h"
#include "support/build_info.h"
#include "support/output_file.h"
#include "texture_convert.h"

namespace fs = std::filesystem;
using namespace tarnconv;
using namespace demogen;

namespace {

constexpr double kPi = 3.14159265358979323846;

// Faces with two corners at one position carry no area; the viewer would
// skip them anyway, so they are not written.
void RemoveDegenerateFaces(MeshObject* o) {
    std::vector<MeshFace> kept;
    for (const MeshFace& f : o->faces) {
        const Vec3d& a = o->vertices[static_cast<std::size_t>(f.v[0])];
        const Vec3d& b = o->vertices[static_cast<std::size_t>(f.v[1])];
        const Vec3d& c = o->vertices[static_cast<std::size_t>(f.v[2])];
        auto same = [](const Vec3d& p, const Vec3d& q) { return p.x == q.x && p.y == q.y && p.z == q.z; };
        if (!same(a, b) && !same(b, c) && !same(a, c)) kept.push_back(f);
    }
    o->faces = std::move(kept);
}

MeshMaterial Plain(const std::string& name, double r, double g, double b, double a = 1.0) {
    MeshMaterial m;
    m.name = name;
    m.diffuse = {r, g, b, a};
    return m;
}

MeshMaterial Shiny(MeshMaterial m, double shine, double strength) {
    m.hasSpecularLine = true;
    m.specular = {1.0, 1.0, 1.0};
    m.shine = shine;
    m.shineStrength = strength;
    return m;
}

MeshMaterial Textured(MeshMaterial m, const std::string& file, double amount) {
    m.textureFile = file;
    m.amount = amount;
    return m;
}

// Rotates about the x axis, then about z (angles in radians).
Vec3d Turn(const Vec3d& p, double ax, double az) {
    const Vec3d q{p.x, p.y * std::cos(ax) - p.z * std::sin(ax), p.y * std::sin(ax) + p.z * std::cos(ax)};
    return {q.x * std::cos(az) - q.y * std::sin(az), q.x * std::sin(az) + q.y * std::cos(az), q.z};
}

// Sphere of radius r about the origin; the poles are exact points so the
// triangles that meet there are recognisably degenerate.
Vec3d SpherePoint(double r, double u, double v) {
    const double theta = 2 * kPi * u, phi = kPi * (1 - v);
    if (v <= 0) return {0, 0, -r};
    if (v >= 1) return {0, 0, r};
    return {r * std::sin(phi) * std::cos(theta), r * std::sin(phi) * std::sin(theta), r * std::cos(phi)};
}

MeshModel Floor() {
    MeshObject o;
    o.name = "floor";
    o.materials.push_back(Textured(Plain("tiles", 0.85, 0.85, 0.85), "floor_tiles.3df", 1.0));
    SurfaceRecipe s;
    s.nu = 24;
    s.nv = 48;
    s.uvScaleU = 24;
    s.uvScaleV = 48;
    AddSurface(&o, s, [](double u, double v) { return Vec3d{-6000 + 12000 * u, -1500 + 24000 * v, 0}; });
    return {{o}};
}

MeshModel Sphere() {
    MeshObject o;
    o.name = "sphere";
    o.materials.push_back(Shiny(Plain("red lacquer", 0.85, 0.12, 0.08), 0.15, 1.0));
    SurfaceRecipe s;
    s.nu = 64;
    s.nv = 32;
    s.wrapU = true;
    AddSurface(&o, s, [](double u, double v) { return SpherePoint(100, u, v); });
    RemoveDegenerateFaces(&o);
    return {{o}};
}

MeshModel Torus() {
    MeshObject o;
    o.name = "torus";
    o.materials.push_back(Textured(Shiny(Plain("marble", 0.9, 0.85, 0.7), 0.08, 0.8), "marble.3df", 0.85));
    SurfaceRecipe s;
    s.nu = 72;
    s.nv = 32;
    s.wrapU = s.wrapV = true;
    s.uvScaleU = 6;
    s.uvScaleV = 1;
    AddSurface(&o, s, [](double u, double v) {
        const double th = 2 * kPi * u, ph = 2 * kPi * v, R = 110, r = 38;
        const Vec3d p{(R + r * std::cos(ph)) * std::cos(th), (R + r * std::cos(ph)) * std::sin(th), r * std::sin(ph)};
        return Turn(p, kPi / 2, 0.45);  // stand the ring up, facing the camera at an angle
    });
    return {{o}};
}

MeshModel Gems() {
    // A faceted ball with two materials, every facet flat shaded.
    MeshObject o;
    o.name = "gem";
    o.materials.push_back(Shiny(Plain("emerald", 0.1, 0.7, 0.3), 0.2, 0.9));
    o.materials.push_back(Shiny(Plain("gold", 0.9, 0.7, 0.15), 0.1, 0.7));
    AddIcosphere(&o, {0, 0, 0}, 75, 1, 0, 0);
    for (std::size_t i = 0; i < o.faces.size(); ++i) o.faces[i].material = (i % 4 == 3) ? 1 : 0;
    return {{o}};
}

MeshModel Crate() {
    MeshObject o;
    o.name = "crate";
    o.materials.push_back(Textured(Plain("planks", 1, 1, 1), "crate.3df", 1.0));
    AddBox(&o, {-60, -60, -60}, {60, 60, 60}, 0, true);
    return {{o}};
}

MeshModel Ribbon() {
    // A Moebius strip has one side only, so the two-sided material shows
    // front and back faces in one view.
    MeshObject o;
    o.name = "moebius";
    MeshMaterial m = Shiny(Plain("teal silk", 0.1, 0.65, 0.7), 0.05, 0.6);
    m.twoSided = true;
    o.materials.push_back(m);
    SurfaceRecipe s;
    s.nu = 120;
    s.nv = 8;
    AddSurface(&o, s, [](double u, double v) {
        const double th = 2 * kPi * u, w = (v - 0.5) * 80, R = 120;
        const Vec3d p{(R + w * std::cos(th / 2)) * std::cos(th), (R + w * std::cos(th / 2)) * std::sin(th),
                      w * std::sin(th / 2)};
        return Turn(p, 1.1, 0.3);
    });
    return {{o}};
}

MeshModel Colonnade() {
    MeshObject o;
    o.name = "colonnade";
    o.materials.push_back(Shiny(Plain("limestone", 0.85, 0.82, 0.74), 0.04, 0.3));
    for (int k = 0; k < 12; ++k) {
        for (int side = -1; side <= 1; side += 2) {
            const double cx = side * 650.0, cy = 300.0 + k * 800.0;
            SurfaceRecipe s;
            s.nu = 24;
            s.nv = 6;
            s.wrapU = true;
            AddSurface(&o, s, [&](double u, double v) {
                const double th = 2 * kPi * u, r = 32 + 4 * std::cos(v * kPi);  // slight entasis
                return Vec3d{cx + r * std::cos(th), cy + r * std::sin(th), 20 + 360 * v};
            });
            AddBox(&o, {cx - 50, cy - 50, 0}, {cx + 50, cy + 50, 20}, 0, false);
            AddBox(&o, {cx - 50, cy - 50, 380}, {cx + 50, cy + 50, 410}, 0, false);
        }
    }
    return {{o}};
}

MeshModel Glass() {
    MeshObject o;
    o.name = "glass";
    // Lighting adds each light's alpha: with both lights on it this reads
    // as about 0.6 opacity.
    o.materials.push_back(Shiny(Plain("glass", 0.55, 0.75, 1.0, 0.3), 0.3, 1.0));
    AddIcosphere(&o, {0, 0, 0}, 70, 3, 1, 0);
    return {{o}};
}

bool WriteTexture(const fs::path& dir, const std::string& name, const glide::ArgbImage& image, std::string* error) {
    TextureOptions options;
    glide::Texture3df tex;
    if (!ImageToTexture(image, false, options, &tex, error)) return false;
    return WriteTextureFile((dir / name).string(), tex, error);
}

int Run(int argc, char** argv) {
    std::string outDir, font;
#ifdef DEMOGEN_DEFAULT_FONT
    font = DEMOGEN_DEFAULT_FONT;
#endif
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::printf("usage: demogen OUTDIR [--font FILE]\n\nWrites the demo scene (objects.scn, its object files, textures and the font) to OUTDIR.\n");
            return 0;
        }
        if (a == "--version") {
            std::printf("%s\n", tarn::VersionLine("demogen").c_str());
            return 0;
        }
        if (a == "--font") {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "demogen: --font needs a value\ntry 'demogen --help'\n");
                return 2;
            }
            font = argv[++i];
        } else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "demogen: unknown option %s\ntry 'demogen --help'\n", a.c_str());
            return 2;
        } else if (outDir.empty()) {
            outDir = a;
        } else {
            std::fprintf(stderr, "demogen: more than one output folder\ntry 'demogen --help'\n");
            return 2;
        }
    }
    if (outDir.empty()) {
        std::fprintf(stderr, "demogen: no output folder given\ntry 'demogen --help'\n");
        return 2;
    }
    std::error_code ec;
    fs::create_directories(outDir, ec);
    std::string error;
    if (!WriteTexture(outDir, "floor_tiles.3df", FloorTiles(256), &error) ||
        !WriteTexture(outDir, "marble.3df", Marble(128), &error) ||
        !WriteTexture(outDir, "crate.3df", CratePlanks(128), &error)) {
        std::fprintf(stderr, "demogen: %s\n", error.c_str());
        return 1;
    }
    struct Item {
        const char* file;
        MeshModel model;
        Vec3d position;  // viewer frame
    };
    // Actor 0 is what the controls move at start (digit keys pick others,
    // P the camera), so it is the centrepiece. Array order is also drawing
    // order: the transparent ball goes last so what lies behind it is
    // already drawn.
    Item items[] = {
        {"torus.3dx", Torus(), {30, 165, 430}},
        {"sphere.3dx", Sphere(), {-230, 100, 260}},
        {"gem.3dx", Gems(), {250, 80, 200}},
        {"crate.3dx", Crate(), {430, 60, 430}},
        {"moebius.3dx", Ribbon(), {-480, 160, 600}},
        {"floor.3dx", Floor(), {0, 0, 0}},
        {"colonnade.3dx", Colonnade(), {0, 0, 0}},
        {"glass.3dx", Glass(), {-75, 72, 60}},
    };
    SceneRecipe scene;
    scene.comment = "Tarnview demo scene, written by demogen";
    scene.camera = {0, 170, -520};
    SceneLight omni;
    omni.position = {-400, 650, -300};
    omni.intensity = 0.8;
    SceneLight sun;
    sun.directional = true;
    sun.position = {0.35, -0.6, 0.72};
    sun.intensity = 0.55;
    scene.lights = {omni, sun};
    int faces = 0;
    for (Item& item : items) {
        ObjectWriteOptions wo;
        wo.comment = "Tarnview demo: " + std::string(item.file) + ", written by demogen";
        if (!WriteObjectFile(item.model, wo, (fs::path(outDir) / item.file).string(), &error)) {
            std::fprintf(stderr, "demogen: %s\n", error.c_str());
            return 1;
        }
        faces += CountFaces(item.model);
        SceneActor actor;
        actor.file = item.file;
        actor.position = item.position;
        scene.actors.push_back(actor);
    }
    std::string text;
    if (!FormatSceneFile(scene, &text, &error)) {
        std::fprintf(stderr, "demogen: %s\n", error.c_str());
        return 1;
    }
    if (!tarn::WriteWholeFile((fs::path(outDir) / "objects.scn").string(), text, &error)) {
        std::fprintf(stderr, "demogen: %s\n", error.c_str());
        return 1;
    }
    if (!font.empty()) {
        std::ifstream in(font, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!in.is_open() || in.bad()) {
            std::fprintf(stderr, "demogen: %s: cannot read the font\n", font.c_str());
            return 1;
        }
        if (!tarn::WriteWholeFile((fs::path(outDir) / "ffont.3df").string(), bytes, &error)) {
            std::fprintf(stderr, "demogen: %s\n", error.c_str());
            return 1;
        }
    }
    std::printf("%s: %zu actors, %d faces\n", outDir.c_str(), scene.actors.size(), faces);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("demogen: out of memory\n", stderr);
        return 1;
    }
}
