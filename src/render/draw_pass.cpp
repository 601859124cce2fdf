// The front end's draw pass, on the calling thread: the faces to draw in
// face order, each as one triangle or, clipped, as a fan (the sequential
// draw pass's device calls, one for one).
#include "render/clip_codes.h"
#include "render/clipper.h"
#include "render/front_end_passes.h"
#include "render/triangle_drawer.h"

void DrawFaces(const ObjectFrame& frame, const std::uint32_t* drawn, std::size_t count) {
    const Object& object = frame.object;
    for (std::size_t k = 0; k < count; ++k) {
        Face& face = object.faces[drawn[k]];
        int code = face.clipCode;
        code &= ~CLIP_FAR;  // faces are never clipped against the far plane
        face.clipCode = code;
        const Material& material = object.materials[face.material];
        DrawCorner corners[3] = {ResolveCorner(object, face.corners[0]), ResolveCorner(object, face.corners[1]),
                                 ResolveCorner(object, face.corners[2])};
        if (code == 0) {
            DrawFaceTriangle(face, material, corners[0], corners[1], corners[2], face.flags);
            continue;
        }
        int n = 3;
        DrawCorner** list = ClipPolygon(corners, n, code, face.flags);
        for (int i = 2; i < n; ++i) DrawFaceTriangle(face, material, *list[0], *list[i - 1], *list[i], face.flags);
    }
}
