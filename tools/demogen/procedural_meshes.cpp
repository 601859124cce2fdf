#include "procedural_meshes.h"

#include <cmath>
#include <map>
#include <utility>

namespace demogen {

using tarnconv::MeshFace;

namespace {

Vec3d Normalized(const Vec3d& v) {
    const double l = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return {v.x / l, v.y / l, v.z / l};
}

}  // namespace

void AddSurface(MeshObject* o, const SurfaceRecipe& s, const std::function<Vec3d(double, double)>& p) {
    const int cu = s.wrapU ? s.nu : s.nu + 1;
    const int cv = s.wrapV ? s.nv : s.nv + 1;
    const int base = static_cast<int>(o->vertices.size());
    for (int j = 0; j < cv; ++j)
        for (int i = 0; i < cu; ++i)
            o->vertices.push_back(p(static_cast<double>(i) / s.nu, static_cast<double>(j) / s.nv));
    const bool textured = s.uvScaleU != 0.0 || s.uvScaleV != 0.0;
    const int tbase = static_cast<int>(o->tvertices.size());
    if (textured) {
        // Texture vertices never wrap: the seam needs u = 1 beside u = 0.
        for (int j = 0; j <= s.nv; ++j)
            for (int i = 0; i <= s.nu; ++i)
                o->tvertices.push_back({s.uvScaleU * i / s.nu, s.uvScaleV * j / s.nv});
    }
    auto vid = [&](int i, int j) { return base + (j % cv) * cu + (i % cu); };
    auto tid = [&](int i, int j) { return tbase + j * (s.nu + 1) + i; };
    for (int j = 0; j < s.nv; ++j) {
        for (int i = 0; i < s.nu; ++i) {
            MeshFace f1, f2;
            f1.v = {vid(i, j), vid(i + 1, j), vid(i + 1, j + 1)};
            f2.v = {vid(i, j), vid(i + 1, j + 1), vid(i, j + 1)};
            f1.edge = {true, true, false};  // CA is the diagonal
            f2.edge = {false, true, true};  // AB is the diagonal
            if (textured) {
                f1.t = {tid(i, j), tid(i + 1, j), tid(i + 1, j + 1)};
                f2.t = {tid(i, j), tid(i + 1, j + 1), tid(i, j + 1)};
            }
            f1.smoothing = f2.smoothing = s.smoothing;
            f1.material = f2.material = s.material;
            o->faces.push_back(f1);
            o->faces.push_back(f2);
        }
    }
}

void AddBox(MeshObject* o, const Vec3d& lo, const Vec3d& hi, int material, bool textured) {
    // Each side: origin corner and two edge vectors whose cross product points out.
    const Vec3d d{hi.x - lo.x, hi.y - lo.y, hi.z - lo.z};
    struct Side {
        Vec3d origin, a, b;
    };
    const Side sides[6] = {
        {{lo.x, lo.y, lo.z}, {0, d.y, 0}, {d.x, 0, 0}},    // bottom (-z)
        {{lo.x, lo.y, hi.z}, {d.x, 0, 0}, {0, d.y, 0}},    // top (+z)
        {{lo.x, lo.y, lo.z}, {d.x, 0, 0}, {0, 0, d.z}},    // front (-y)
        {{hi.x, hi.y, lo.z}, {-d.x, 0, 0}, {0, 0, d.z}},   // back (+y)
        {{lo.x, hi.y, lo.z}, {0, -d.y, 0}, {0, 0, d.z}},   // left (-x)
        {{hi.x, lo.y, lo.z}, {0, d.y, 0}, {0, 0, d.z}},    // right (+x)
    };
    for (const Side& s : sides) {
        SurfaceRecipe recipe;
        recipe.nu = 1;
        recipe.nv = 1;
        recipe.smoothing = 0;
        recipe.material = material;
        recipe.uvScaleU = recipe.uvScaleV = textured ? 1.0 : 0.0;
        AddSurface(o, recipe, [&](double u, double v) {
            return Vec3d{s.origin.x + s.a.x * u + s.b.x * v, s.origin.y + s.a.y * u + s.b.y * v,
                         s.origin.z + s.a.z * u + s.b.z * v};
        });
    }
}

void AddIcosphere(MeshObject* o, const Vec3d& c, double r, int levels, std::uint32_t smoothing, int material) {
    const double t = (1.0 + std::sqrt(5.0)) / 2.0;
    std::vector<Vec3d> pts = {{-1, t, 0}, {1, t, 0}, {-1, -t, 0}, {1, -t, 0}, {0, -1, t}, {0, 1, t},
                              {0, -1, -t}, {0, 1, -t}, {t, 0, -1}, {t, 0, 1}, {-t, 0, -1}, {-t, 0, 1}};
    for (Vec3d& p : pts) p = Normalized(p);
    std::vector<std::array<int, 3>> tris = {{0, 11, 5}, {0, 5, 1},  {0, 1, 7},   {0, 7, 10}, {0, 10, 11},
                                            {1, 5, 9},  {5, 11, 4}, {11, 10, 2}, {10, 7, 6}, {7, 1, 8},
                                            {3, 9, 4},  {3, 4, 2},  {3, 2, 6},   {3, 6, 8},  {3, 8, 9},
                                            {4, 9, 5},  {2, 4, 11}, {6, 2, 10},  {8, 6, 7},  {9, 8, 1}};
    for (int l = 0; l < levels; ++l) {
        std::map<std::pair<int, int>, int> mid;
        auto middle = [&](int a, int b) {
            auto key = std::make_pair(std::min(a, b), std::max(a, b));
            auto it = mid.find(key);
            if (it != mid.end()) return it->second;
            const Vec3d& p = pts[static_cast<std::size_t>(a)];
            const Vec3d& q = pts[static_cast<std::size_t>(b)];
            pts.push_back(Normalized({(p.x + q.x) / 2, (p.y + q.y) / 2, (p.z + q.z) / 2}));
            const int n = static_cast<int>(pts.size()) - 1;
            mid.emplace(key, n);
            return n;
        };
        std::vector<std::array<int, 3>> next;
        for (const auto& tr : tris) {
            const int a = middle(tr[0], tr[1]), b = middle(tr[1], tr[2]), d = middle(tr[2], tr[0]);
            next.push_back({tr[0], a, d});
            next.push_back({tr[1], b, a});
            next.push_back({tr[2], d, b});
            next.push_back({a, b, d});
        }
        tris = std::move(next);
    }
    const int base = static_cast<int>(o->vertices.size());
    for (const Vec3d& p : pts) o->vertices.push_back({c.x + p.x * r, c.y + p.y * r, c.z + p.z * r});
    for (const auto& tr : tris) {
        MeshFace f;
        f.v = {base + tr[0], base + tr[1], base + tr[2]};
        f.smoothing = smoothing;
        f.material = material;
        o->faces.push_back(f);
    }
}

}  // namespace demogen
