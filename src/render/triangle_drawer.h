// One triangle of a face to one Glide draw call: colour combine (cached),
// texture source and modes, constant colour, vertex records, and the plain,
// antialiased or multi-pass draw.
#pragma once

#include <cstdint>

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

// The face flags a plan depends on, besides the switches, the material and
// the edge flags (which an antialiased plan copies).
constexpr std::uint32_t FACE_PLAN_BITS = FACE_DRAW_TEXTURED | FACE_GOURAUD | FACE_FRONT;
