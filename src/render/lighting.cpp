#include "render/lighting.h"

#include <cmath>

#include "app/render_flags.h"
#include "render/fast_inv_sqrt.h"

namespace {

constexpr float kColorCap = 255.0f;
constexpr int kFrontLit = 1;
constexpr int kBackLit = 2;

inline Vec3 Normalised(const Vec3& v) { return v * FastInvSqrtInline(v.Dot(v)); }

// One light's contribution. L points the way the light travels, so a lit
// front face has L . N < 0. The sign is chosen so that both sides are lit
// from the side the eye sees; FLIP_FACING's inversion of FACE_FRONT is
// undone here.
inline ColorRGBA Shade(const Vec3& N, Vec3& V, bool& vNormalised, const Vec3& L, const SurfaceLight& surface,
                       float intensity, std::uint32_t renderFlags) {
    float d = L.Dot(N);
    bool negate = !(d > 0.0f && (renderFlags & RF_LIGHT_BOTH_SIDES));
    if (renderFlags & RF_FLIP_FACING) negate = !negate;
    if (!surface.front) negate = !negate;
    if (negate) d = -d;
    if (!(d > 0.0f)) return {0.0f, 0.0f, 0.0f, 255.0f};

    const float k = intensity * d;
    const ColorRGBA& colour = surface.colour;
    ColorRGBA result{colour.r * k, colour.g * k, colour.b * k, colour.a};
    if (!(renderFlags & RF_SPECULAR) || !surface.highlight) return result;

    if (!vNormalised) {
        V = Normalised(V);
        vNormalised = true;
    }
    const Vec3 H = Normalised(L + V);
    float s = N.Dot(H);
    if (negate) s = -s;
    if (!(s > 0.0f)) return result;

    const float n = surface.exponent;
    float f;
    if (renderFlags & RF_FAST_SPECULAR) {
        f = s / ((1.0f - s) * n + s);  // Schlick's rational form of s^n
    } else {
        f = static_cast<float>(std::pow(static_cast<double>(s), static_cast<double>(n)));
    }
    const float k2 = intensity * f;
    const ColorRGBA& S = surface.specular;
    result.r += S.r * k2;
    result.g += S.g * k2;
    result.b += S.b * k2;
    result.a += S.a;
    return result;
}

}  // namespace

SurfaceLight SurfaceOf(const Material& material, std::uint32_t faceFlags, float specularity) {
    SurfaceLight surface;
    surface.colour = (faceFlags & FACE_USE_TEXTURE_COLOR) ? material.textureColor : material.diffuse;
    surface.specular = material.specular;
    surface.exponent = material.shininess * specularity;
    surface.highlight = material.hasSpecular != 0;
    surface.front = (faceFlags & FACE_FRONT) != 0;
    return surface;
}

ColorRGBA ShadeLight(const Vec3& N, Vec3& V, bool& vNormalised, const Vec3& L, const Material& material,
                     std::uint32_t faceFlags, float intensity) {
    return Shade(N, V, vNormalised, L, SurfaceOf(material, faceFlags, Scene.specularity), intensity, RenderFlags);
}

ColorRGBA LightSurface(const SurfaceLight& surface, const Vec3& P, const Vec3& N, Vec3 V, const Light* lights,
                       int lightCount, std::uint32_t renderFlags) {
    ColorRGBA sum{0.0f, 0.0f, 0.0f, 0.0f};
    bool vNormalised = false;
    for (int i = 0; i < lightCount; ++i) {
        const Light& light = lights[i];
        if (light.enabled == 0) continue;
        Vec3 L;
        if (light.type != OMNI) {
            if (!(renderFlags & RF_DIRECTIONAL_LIGHTS)) continue;
            // Stored as a unit vector; the rotation into the object's frame
            // keeps its length.
            L = light.local;
        } else {
            if (!(renderFlags & RF_OMNI_LIGHTS)) continue;
            L = Normalised(P - light.local);
        }
        const ColorRGBA c = Shade(N, V, vNormalised, L, surface, light.intensity, renderFlags);
        sum.r += c.r;
        sum.g += c.g;
        sum.b += c.b;
        sum.a += c.a;
    }
    if (sum.r > kColorCap) sum.r = kColorCap;
    if (sum.g > kColorCap) sum.g = kColorCap;
    if (sum.b > kColorCap) sum.b = kColorCap;
    if (sum.a > kColorCap) sum.a = kColorCap;
    return sum;
}

void LightPoint(ColorRGBA& result, const Material& material, const Vertex& vertex, const Vec3& N, Vec3 V,
                const Light* lights, int lightCount, std::uint32_t faceFlags) {
    result = LightSurface(SurfaceOf(material, faceFlags, Scene.specularity), vertex.position, N, V, lights, lightCount,
                          RenderFlags);
}

void LightVertex(const Vertex& vertex, VertexNormal* vertexNormals, const Light* lights, int lightCount,
                 const Vec3& eye, int normalIndex, const Material& material, std::uint32_t faceFlags) {
    VertexNormal& vn = vertexNormals[vertex.normals + static_cast<std::uint32_t>(normalIndex)];
    ColorRGBA* destination;
    if (faceFlags & FACE_FRONT) {
        if (vn.litFlags & kFrontLit) return;
        vn.litFlags |= kFrontLit;
        destination = &vn.frontColor;
    } else {
        if (vn.litFlags & kBackLit) return;
        vn.litFlags |= kBackLit;
        destination = &vn.backColor;
    }
    LightPoint(*destination, material, vertex, vn.normal, vertex.position - eye, lights, lightCount, faceFlags);
}
