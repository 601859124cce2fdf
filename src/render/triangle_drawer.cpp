#include "render/triangle_drawer.h"

#include "app/render_flags.h"
#include "glide.h"
#include "render/color_combine.h"

TrianglePlan PlanFaceTriangle(std::uint32_t faceFlags, std::uint32_t renderFlags, const Material& material) {
    TrianglePlan plan;
    plan.gouraud = (faceFlags & FACE_GOURAUD) != 0;
    plan.frontColors = (faceFlags & FACE_FRONT) != 0;
    plan.constantColor = !plan.gouraud;
    if (faceFlags & FACE_DRAW_TEXTURED) {
        plan.colorCombine = plan.gouraud ? GR_COLORCOMBINE_TEXTURE_TIMES_ITRGB : GR_COLORCOMBINE_TEXTURE_TIMES_CCRGB;
        // Multi-pass needs one of the two half-chains; with only one the
        // device draws with that one, with neither the full chain is used.
        if ((renderFlags & RF_MULTIPASS) && (material.textureOdd != -1 || material.textureEven != -1)) {
            plan.texturing = TrianglePlan::Texturing::MultiPass;
        } else {
            plan.texturing = TrianglePlan::Texturing::SinglePass;
            if (!(renderFlags & RF_MIPMAP)) {
                plan.mipMapMode = GR_MIPMAP_DISABLE;
            } else if (renderFlags & RF_MIPMAP_DITHER) {
                plan.mipMapMode = GR_MIPMAP_NEAREST_DITHER;
            }
        }
        plan.pointSampled = !(renderFlags & RF_BILINEAR);
    } else {
        plan.colorCombine = plan.gouraud ? GR_COLORCOMBINE_ITRGB : GR_COLORCOMBINE_CCRGB;
    }
    if (plan.texturing == TrianglePlan::Texturing::MultiPass) {
        plan.call = TrianglePlan::DrawCall::MultiPass;
    } else if (renderFlags & RF_ANTIALIAS) {
        plan.call = TrianglePlan::DrawCall::Antialiased;
        plan.edgeAB = (faceFlags & FACE_EDGE_AB) != 0;
        plan.edgeBC = (faceFlags & FACE_EDGE_BC) != 0;
        plan.edgeCA = (faceFlags & FACE_EDGE_CA) != 0;
    }
    return plan;
}

void DrawFaceTriangle(const Face& face, const Material& material, const DrawCorner& a, const DrawCorner& b,
                      const DrawCorner& c, std::uint32_t faceFlags) {
    DrawPlannedTriangle(PlanFaceTriangle(faceFlags, RenderFlags, material), face, material, a, b, c);
}

void IssueTriangleState(const TrianglePlan& plan, const Material& material, std::uint32_t flatColor) {
    RequestColorCombine(plan.colorCombine);
    if (plan.texturing == TrianglePlan::Texturing::MultiPass) {
        guMPTexSource(GR_TMU0, static_cast<GrMipMapId_t>(material.textureOdd));
        guMPTexSource(GR_TMU1, static_cast<GrMipMapId_t>(material.textureEven));
        guMPTexCombineFunction(GR_MPTEXTURECOMBINE_TRILINEAR0);
    } else if (plan.texturing == TrianglePlan::Texturing::SinglePass) {
        guTexSource(static_cast<GrMipMapId_t>(material.texture));
        if (plan.mipMapMode >= 0) grTexMipMapMode(GR_TMU0, plan.mipMapMode, FXFALSE);
    }
    if (plan.texturing != TrianglePlan::Texturing::None && plan.pointSampled) {
        grTexFilterMode(GR_TMU0, GR_TEXTUREFILTER_POINT_SAMPLED, GR_TEXTUREFILTER_POINT_SAMPLED);
    }
    if (plan.constantColor) grConstantColorValue(flatColor);
}

void IssueTriangleDraw(const TrianglePlan& plan, const GrVertex& a, const GrVertex& b, const GrVertex& c) {
    switch (plan.call) {
        case TrianglePlan::DrawCall::MultiPass:
            guMPDrawTriangle(&a, &b, &c);
            break;
        case TrianglePlan::DrawCall::Antialiased:
            grAADrawTriangle(&a, &b, &c, plan.edgeAB, plan.edgeBC, plan.edgeCA);
            break;
        case TrianglePlan::DrawCall::Plain:
            grDrawTriangle(&a, &b, &c);
            break;
    }
}

void DrawPlannedTriangle(const TrianglePlan& plan, const Face& face, const Material& material, const DrawCorner& a,
                         const DrawCorner& b, const DrawCorner& c) {
    IssueTriangleState(plan, material, face.flatColor);
    const GrVertex va = TriangleVertex(plan, *a.vertex, a.tvertex, a.normal, face.flatAlpha);
    const GrVertex vb = TriangleVertex(plan, *b.vertex, b.tvertex, b.normal, face.flatAlpha);
    const GrVertex vc = TriangleVertex(plan, *c.vertex, c.tvertex, c.normal, face.flatAlpha);
    IssueTriangleDraw(plan, va, vb, vc);
}
