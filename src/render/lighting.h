// Blinn-Phong lighting in the frame of the object being drawn: one diffuse
// term per light and, when switched on, a specular highlight from the
// half-way vector. Contributions are summed and capped at 255.
#pragma once

#include <cstdint>

#include "math/color_rgba.h"
#include "math/vec3.h"
#include "scene/records.h"

// Contribution of one light. L is the direction the light travels at the
// point; V (point minus eye) is normalised in place the first time a
// specular term needs it, and vNormalised records that.
ColorRGBA ShadeLight(const Vec3& N, Vec3& V, bool& vNormalised, const Vec3& L, const Material& material,
                     std::uint32_t faceFlags, float intensity);

// What lighting takes of a surface point besides its position, normal and
// view vector: the colour lit (the material's diffuse, or its texture
// colour under FACE_USE_TEXTURE_COLOR), the specular colour and exponent
// (shininess times specularity), whether the material has a highlight, and
// which side is seen.
struct SurfaceLight {
    ColorRGBA colour;
    ColorRGBA specular;
    float exponent;
    bool highlight;
    bool front;
};

SurfaceLight SurfaceOf(const Material& material, std::uint32_t faceFlags, float specularity);

// Sum of every usable light at point P with normal N and view vector V
// (normalised here on a copy when a highlight needs it); every component
// capped at 255 (no lower bound). The one definition of a lit colour.
ColorRGBA LightSurface(const SurfaceLight& surface, const Vec3& P, const Vec3& N, Vec3 V, const Light* lights,
                       int lightCount, std::uint32_t renderFlags);

// Sum of every usable light at the vertex's position with normal N; every
// component capped at 255 (no lower bound). V is a copy: normalising it
// never touches the caller's value.
void LightPoint(ColorRGBA& result, const Material& material, const Vertex& vertex, const Vec3& N, Vec3 V,
                const Light* lights, int lightCount, std::uint32_t faceFlags);

// Lights entry normalIndex of the vertex's normals (in vertexNormals, its
// object's list) for the side the face flags name (FACE_FRONT: frontColor,
// else backColor), at most once per side per frame: litFlags bit 1 marks
// frontColor current, bit 2 backColor.
void LightVertex(const Vertex& vertex, VertexNormal* vertexNormals, const Light* lights, int lightCount,
                 const Vec3& eye, int normalIndex, const Material& material, std::uint32_t faceFlags);
