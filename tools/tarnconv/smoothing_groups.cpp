#include "smoothing_groups.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <set>
#include <utility>

namespace tarnconv {
namespace {

Vec3d Sub(const Vec3d& a, const Vec3d& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3d Cross(const Vec3d& a, const Vec3d& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double Dot(const Vec3d& a, const Vec3d& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
bool Unit(Vec3d* v) {
    const double l = std::sqrt(Dot(*v, *v));
    if (!(l > 0) || !std::isfinite(l)) return false;
    *v = {v->x / l, v->y / l, v->z / l};
    return true;
}

struct UnionFind {
    std::vector<int> parent;
    explicit UnionFind(std::size_t n) : parent(n) { std::iota(parent.begin(), parent.end(), 0); }
    int Find(int x) {
        while (parent[static_cast<std::size_t>(x)] != x) {
            parent[static_cast<std::size_t>(x)] = parent[static_cast<std::size_t>(parent[static_cast<std::size_t>(x)])];
            x = parent[static_cast<std::size_t>(x)];
        }
        return x;
    }
    void Join(int a, int b) { parent[static_cast<std::size_t>(Find(a))] = Find(b); }
};

}  // namespace

std::vector<std::uint32_t> BuildSmoothingGroups(const SmoothingInput& in) {
    const std::size_t nf = in.faces.size();
    std::vector<std::uint32_t> groups(nf, 0);
    std::vector<Vec3d> faceNormal(nf);
    std::vector<bool> valid(nf, false);
    for (std::size_t f = 0; f < nf; ++f) {
        const auto& v = in.faces[f];
        const Vec3d& a = in.positions[static_cast<std::size_t>(v[0])];
        const Vec3d& b = in.positions[static_cast<std::size_t>(v[1])];
        const Vec3d& c = in.positions[static_cast<std::size_t>(v[2])];
        faceNormal[f] = Cross(Sub(b, a), Sub(c, a));
        valid[f] = Unit(&faceNormal[f]);
    }
    // Edge (low, high position index) -> faces and the corner each starts at.
    std::map<std::pair<int, int>, std::vector<std::pair<int, int>>> edges;
    for (std::size_t f = 0; f < nf; ++f) {
        if (!valid[f]) continue;
        for (int k = 0; k < 3; ++k) {
            int a = in.faces[f][static_cast<std::size_t>(k)], b = in.faces[f][static_cast<std::size_t>((k + 1) % 3)];
            if (a == b) continue;
            edges[{std::min(a, b), std::max(a, b)}].push_back({static_cast<int>(f), k});
        }
    }
    const bool haveNormals = in.normals.size() == nf;
    const double cosCrease = std::cos(in.creaseDegrees * 3.14159265358979323846 / 180.0);
    auto cornerNormal = [&](int f, int position) {
        for (int k = 0; k < 3; ++k)
            if (in.faces[static_cast<std::size_t>(f)][static_cast<std::size_t>(k)] == position) {
                Vec3d n = in.normals[static_cast<std::size_t>(f)][static_cast<std::size_t>(k)];
                Unit(&n);
                return n;
            }
        return Vec3d{};
    };
    auto joined = [&](int f, int g, int p, int q) {
        if (haveNormals) {
            return Dot(cornerNormal(f, p), cornerNormal(g, p)) > 0.999 &&
                   Dot(cornerNormal(f, q), cornerNormal(g, q)) > 0.999;
        }
        return Dot(faceNormal[static_cast<std::size_t>(f)], faceNormal[static_cast<std::size_t>(g)]) >= cosCrease;
    };
    UnionFind patches(nf);
    for (const auto& [edge, list] : edges) {
        for (std::size_t i = 0; i < list.size(); ++i)
            for (std::size_t j = i + 1; j < list.size(); ++j) {
                const int f = list[i].first, g = list[j].first;
                if (joined(f, g, edge.first, edge.second)) patches.Join(f, g);
            }
    }
    // Faces that share only a corner must not share a group either, or the
    // viewer would average their normals at that corner.
    std::map<int, std::vector<int>> facesAtVertex;
    for (std::size_t f = 0; f < nf; ++f)
        if (valid[f])
            for (int v : in.faces[f]) facesAtVertex[v].push_back(static_cast<int>(f));
    std::map<int, std::set<int>> touching;  // patch -> patches that meet it
    std::map<int, int> patchSize;
    for (std::size_t f = 0; f < nf; ++f)
        if (valid[f]) ++patchSize[patches.Find(static_cast<int>(f))];
    for (const auto& [v, list] : facesAtVertex) {
        std::set<int> here;
        for (int f : list) here.insert(patches.Find(f));
        for (int p : here)
            for (int q : here)
                if (p != q) touching[p].insert(q);
    }
    // Greedy colouring, larger patches first: each patch takes the lowest
    // bit none of its neighbours holds (the least used one if all 32 are).
    std::vector<int> order;
    for (const auto& [p, size] : patchSize)
        if (size > 1) order.push_back(p);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return patchSize[a] > patchSize[b]; });
    std::map<int, int> bitOf;
    for (int p : order) {
        std::array<int, 32> used{};
        for (int q : touching[p]) {
            auto it = bitOf.find(q);
            if (it != bitOf.end()) ++used[static_cast<std::size_t>(it->second)];
        }
        int best = 0;
        for (int b = 0; b < 32; ++b) {
            if (used[static_cast<std::size_t>(b)] == 0) { best = b; break; }
            if (used[static_cast<std::size_t>(b)] < used[static_cast<std::size_t>(best)]) best = b;
        }
        bitOf[p] = best;
    }
    for (std::size_t f = 0; f < nf; ++f) {
        if (!valid[f]) continue;
        auto it = bitOf.find(patches.Find(static_cast<int>(f)));
        if (it != bitOf.end()) groups[f] = 1u << it->second;
    }
    return groups;
}

}  // namespace tarnconv
