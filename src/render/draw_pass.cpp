// The front end's draw pass, on the calling thread: the faces to draw in
// face order, each as one triangle or, clipped, as a fan (the sequential
// draw pass's device calls, one for one).
#include "render/clip_codes.h"
#include "render/clipper.h"
#include "render/front_end_passes.h"
#include "render/triangle_drawer.h"

namespace {

// The three vertex records of an unclipped face, for one combination of
// Gouraud colours and texturing.
template <bool kGouraud, bool kTextured>
void FillFaceVertices(GrVertex* out, const Object& object, const Face& face, bool front) {
    for (int i = 0; i < 3; ++i) {
        const FaceCorner& corner = face.corners[i];
        out[i] = TriangleVertex<kGouraud, kTextured>(object.vertices[corner.vertex],
                                                     kTextured ? &object.tvertices[corner.tvertex] : nullptr,
                                                     kGouraud ? &object.vertexNormals[corner.normal] : nullptr, front,
                                                     face.flatAlpha);
    }
}

using FaceVerticesFill = void (*)(GrVertex* out, const Object& object, const Face& face, bool front);

FaceVerticesFill FillFor(const TrianglePlan& plan) {
    const bool textured = plan.texturing != TrianglePlan::Texturing::None;
    if (plan.gouraud) return textured ? &FillFaceVertices<true, true> : &FillFaceVertices<true, false>;
    return textured ? &FillFaceVertices<false, true> : &FillFaceVertices<false, false>;
}

}  // namespace

void DrawFaces(const ObjectFrame& frame, const std::uint32_t* drawn, std::size_t count) {
    const Object& object = frame.object;
    const std::uint32_t renderFlags = frame.lights.renderFlags;
    // Neighbouring faces mostly share their plan: it is made again only
    // when the flags it depends on or the material change.
    TrianglePlan plan;
    FaceVerticesFill fill = nullptr;
    std::uint32_t planFlags = 0, planMaterial = kNoIndex;
    for (std::size_t k = 0; k < count; ++k) {
        Face& face = object.faces[drawn[k]];
        int code = face.clipCode;
        code &= ~CLIP_FAR;  // faces are never clipped against the far plane
        face.clipCode = code;
        const Material& material = object.materials[face.material];
        if ((face.flags & FACE_PLAN_BITS) != planFlags || face.material != planMaterial) {
            planFlags = face.flags & FACE_PLAN_BITS;
            planMaterial = face.material;
            plan = PlanFaceTriangle(face.flags, renderFlags, material);
            fill = FillFor(plan);
        }
        if (plan.call == TrianglePlan::DrawCall::Antialiased) {
            plan.edgeAB = (face.flags & FACE_EDGE_AB) != 0;
            plan.edgeBC = (face.flags & FACE_EDGE_BC) != 0;
            plan.edgeCA = (face.flags & FACE_EDGE_CA) != 0;
        }
        // Texture vertices and normals only where drawing or clipping reads them.
        const bool textured = (face.flags & FACE_DRAW_TEXTURED) != 0, gouraud = (face.flags & FACE_GOURAUD) != 0;
        if (code == 0) {
            IssueTriangleState(plan, material, face.flatColor);
            GrVertex v[3];
            fill(v, object, face, plan.frontColors);
            IssueTriangleDraw(plan, v[0], v[1], v[2]);
            continue;
        }
        DrawCorner corners[3];
        for (int i = 0; i < 3; ++i) {
            const FaceCorner& corner = face.corners[i];
            corners[i].vertex = &object.vertices[corner.vertex];
            corners[i].tvertex = textured ? &object.tvertices[corner.tvertex] : nullptr;
            corners[i].normal = gouraud ? &object.vertexNormals[corner.normal] : nullptr;
        }
        int n = 3;
        DrawCorner** list = ClipPolygon(corners, n, code, face.flags);
        for (int i = 2; i < n; ++i) DrawPlannedTriangle(plan, face, material, *list[0], *list[i - 1], *list[i]);
    }
}
