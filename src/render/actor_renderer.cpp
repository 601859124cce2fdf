#include "render/actor_renderer.h"

#include "glide.h"
#include "render/clip_codes.h"
#include "render/clipper.h"
#include "render/color_combine.h"
#include "render/face_processor.h"
#include "render/front_end.h"
#include "render/sphere_test.h"
#include "render/triangle_drawer.h"

namespace {

// Corners of the view area on screen: the side planes of the view volume
// map onto these lines. ooz 65535 keeps the frame in front when the depth
// buffer compares Z; oow 1.0 does so for W.
GrVertex FrameCorner(float x, float y) {
    GrVertex v{};
    v.x = x;
    v.y = y;
    v.a = 255.0f;
    v.oow = 1.0f;
    v.ooz = 65535.0f;
    return v;
}

const GrVertex kFrame[4] = {FrameCorner(64.0f, 48.0f), FrameCorner(64.0f, 432.0f), FrameCorner(576.0f, 432.0f),
                            FrameCorner(576.0f, 48.0f)};

inline Vec3 ToClip(const Vec3& view) { return {view.x * VIEW_SCALE_X, view.y * VIEW_SCALE_Y, view.z}; }

// Transpose of K times A: the rotation from the actor's model space to view
// space.
Matrix3 ModelToView(const Matrix3& K, const Matrix3& A) {
    Matrix3 r;
    for (int i = 0; i < 3; ++i) {
        for (int k = 0; k < 3; ++k) {
            r.m[i][k] = K.m[0][i] * A.m[0][k] + K.m[1][i] * A.m[1][k] + K.m[2][i] * A.m[2][k];
        }
    }
    return r;
}

}  // namespace

void DrawViewportFrame() {
    grConstantColorValue(0xFFFFFFFFu);
    RequestColorCombine(GR_COLORCOMBINE_CCRGB);
    grDrawLine(&kFrame[0], &kFrame[1]);
    grDrawLine(&kFrame[1], &kFrame[2]);
    grDrawLine(&kFrame[2], &kFrame[3]);
    grDrawLine(&kFrame[3], &kFrame[0]);
}

void RenderActor(Actor& actor, Actor& camera, Light* lights, int lightCount) {
    DrawViewportFrame();
    if (CurrentFrontEnd() == FrontEnd::kPasses) ReserveFrontEnd(actor);

    const Vec3 actorView = camera.orientation.TransformRow(actor.position - camera.position);
    const int mask = ClassifySphere(ToClip(actorView), actor.radius, actor.radiusX, actor.radiusY, CLIP_ALL);
    if (mask == CLIP_REJECT) return;

    const Matrix3 modelToView = ModelToView(camera.orientation, actor.orientation);
    const Vec3 eye = actor.orientation.TransformRow(camera.position - actor.position);
    for (int i = 0; i < lightCount; ++i) {
        Light& light = lights[i];
        if (light.enabled == 0) continue;
        if (light.type == OMNI) {
            light.local = actor.orientation.TransformRow(light.position - actor.position);
        } else {
            light.local = actor.orientation.TransformRow(light.position);
        }
    }
    for (int i = 0; i < actor.objectCount; ++i) {
        RenderObject(actor.objects[i], modelToView, actorView, eye, lights, lightCount, mask);
    }
}

void RenderObject(Object& object, const Matrix3& modelToView, const Vec3& actorView, const Vec3& eye,
                  const Light* lights, int lightCount, int clipMask) {
    if (clipMask != 0) {
        const Vec3 centre = ToClip(modelToView.Apply(object.center) + actorView);
        clipMask = ClassifySphere(centre, object.radius, object.radiusX, object.radiusY, clipMask);
        if (clipMask == CLIP_REJECT) return;
    }

    if (CurrentFrontEnd() == FrontEnd::kPasses &&
        RenderObjectInPasses(object, modelToView, actorView, eye, lights, lightCount, clipMask)) {
        return;
    }

    for (int i = 0; i < object.vertexCount; ++i) object.vertices[i].cacheFlags = 0;
    for (int i = 0; i < object.vertexNormalCount; ++i) object.vertexNormals[i].litFlags = 0;

    // Every face is processed before any is drawn, so shared vertices are
    // transformed and lit once.
    Face* const faces = object.faces;
    const int faceCount = object.faceCount;
    for (int i = 0; i < faceCount; ++i) {
        ProcessFace(faces[i], object, modelToView, actorView, eye, lights, lightCount, clipMask);
    }

    for (int i = 0; i < faceCount; ++i) {
        Face& face = faces[i];
        int code = face.clipCode;
        if (code == CLIP_REJECT) continue;
        code &= ~CLIP_FAR;  // faces are never clipped against the far plane
        face.clipCode = code;
        const Material& material = object.materials[face.material];
        DrawCorner corners[3] = {ResolveCorner(object, face.corners[0]), ResolveCorner(object, face.corners[1]),
                                 ResolveCorner(object, face.corners[2])};
        if (code == 0) {
            DrawFaceTriangle(face, material, corners[0], corners[1], corners[2], face.flags);
            continue;
        }
        int count = 3;
        DrawCorner** list = ClipPolygon(corners, count, code, face.flags);
        for (int k = 2; k < count; ++k) {
            DrawFaceTriangle(face, material, *list[0], *list[k - 1], *list[k], face.flags);
        }
    }
}
