// One triangle of a face to one Glide draw call: colour combine (cached),
// texture source and modes, constant colour, vertex records, and the plain,
// antialiased or multi-pass draw.
#pragma once

#include <cstdint>

#include "glide.h"
#include "render/draw_corner.h"
#include "scene/records.h"

// What DrawFaceTriangle will ask of Glide for one triangle, worked out from
// the face flags, the render switches and the material alone.
struct TrianglePlan {
    enum class Texturing { None, SinglePass, MultiPass };
    enum class DrawCall { Plain, Antialiased, MultiPass };

    int colorCombine = 0;                  // GR_COLORCOMBINE_* to request
    Texturing texturing = Texturing::None;
    int mipMapMode = -1;                   // GR_MIPMAP_* to set, -1: leave the texture's own
    bool pointSampled = false;             // force point sampling (bilinear switched off)
    bool constantColor = false;            // send the face's flat colour
    bool gouraud = false;                  // per-corner colours
    bool frontColors = false;              // corner colours from frontColor (else backColor)
    DrawCall call = DrawCall::Plain;
    bool edgeAB = false, edgeBC = false, edgeCA = false;  // antialiased edges
};

TrianglePlan PlanFaceTriangle(std::uint32_t faceFlags, std::uint32_t renderFlags, const Material& material);

// Depth sent for Z-buffering: 1/z on the 0..65535 scale, larger is nearer
// (1/z never exceeds 1 after near clipping).
constexpr float OOZ_SCALE = 65535.0f;

// One triangle of the face (its material given) with corners a, b, c.
void DrawFaceTriangle(const Face& face, const Material& material, const DrawCorner& a, const DrawCorner& b,
                      const DrawCorner& c, std::uint32_t faceFlags);

// DrawFaceTriangle with the plan already made (PlanFaceTriangle of the
// face's flags, the switches and the material): what a caller that draws
// many faces of the same plan calls.
void DrawPlannedTriangle(const TrianglePlan& plan, const Face& face, const Material& material, const DrawCorner& a,
                         const DrawCorner& b, const DrawCorner& c);

// DrawPlannedTriangle's steps, for a caller that fills the vertex records
// itself. The state calls the plan asks for (flatColor: the face's, sent
// as the constant colour of a flat face); the draw call.
void IssueTriangleState(const TrianglePlan& plan, const Material& material, std::uint32_t flatColor);
void IssueTriangleDraw(const TrianglePlan& plan, const GrVertex& a, const GrVertex& b, const GrVertex& c);

// One vertex record as a plan's combine mode reads it: screen position,
// 1/w and the Z-buffer depth; the corner colour of a Gouraud face (its
// normal's front or back colour) or else the face's flat alpha; texture
// coordinates over w when textured. Every other field is zero. tvertex and
// normal are read only where the plan reads them.
template <bool kGouraud, bool kTextured>
inline GrVertex TriangleVertex(const Vertex& v, const TVertex* tvertex, const VertexNormal* normal, bool front,
                               float flatAlpha) {
    static_assert(GLIDE_NUM_TMU == 2);
    float r = 0.0f, g = 0.0f, b = 0.0f, a = flatAlpha, s = 0.0f, t = 0.0f;
    if constexpr (kGouraud) {
        const ColorRGBA& c = front ? normal->frontColor : normal->backColor;
        r = c.r;
        g = c.g;
        b = c.b;
        a = c.a;
    }
    if constexpr (kTextured) {
        s = tvertex->u * v.invZ;
        t = tvertex->v * v.invZ;
    }
    return GrVertex{v.screenX, v.screenY, 0.0f, r, g, b, v.invZ * OOZ_SCALE, a, v.invZ, {{s, t, 0.0f}, {s, t, 0.0f}}};
}

inline GrVertex TriangleVertex(const TrianglePlan& plan, const Vertex& v, const TVertex* tvertex,
                               const VertexNormal* normal, float flatAlpha) {
    const bool textured = plan.texturing != TrianglePlan::Texturing::None;
    if (plan.gouraud) {
        return textured ? TriangleVertex<true, true>(v, tvertex, normal, plan.frontColors, flatAlpha)
                        : TriangleVertex<true, false>(v, tvertex, normal, plan.frontColors, flatAlpha);
    }
    return textured ? TriangleVertex<false, true>(v, tvertex, normal, plan.frontColors, flatAlpha)
                    : TriangleVertex<false, false>(v, tvertex, normal, plan.frontColors, flatAlpha);
}

// The face flags a plan depends on, besides the switches, the material and
// the edge flags (which an antialiased plan copies).
constexpr std::uint32_t FACE_PLAN_BITS = FACE_DRAW_TEXTURED | FACE_GOURAUD | FACE_FRONT;
