#include "scene/material_texture.h"

#include <memory>
#include <new>
#include <string>

#include "app/fatal_error.h"
#include "glide.h"
#include "gu3df_io.h"
#include "scene/load_message.h"
#include "scene/path_builder.h"
#include "scene/file_kind.h"

namespace {

// Materials that texture memory could not hold since the last reset.
struct TextureShortfall {
    int untextured = 0;     // not even the first allocation fitted
    int withoutLevels = 0;  // textured, but without the odd or even levels
    std::string first;      // the first texture of either kind, as built
};
TextureShortfall gShortfall;

[[noreturn]] void FailTexture(const std::string& built) {
    const std::string& reason = glide::Last3dfFailure();
    PrintLoadMessage("texture " + QuotedText(built) + ": " +
                     (reason.empty() ? std::string("cannot be read") : PrintableText(reason)));
    FatalError("err");
}

GrMipMapId_t AllocateLevels(const Gu3dfHeader& header, FxU8 oddEvenMask, FxBool trilinear) {
    return guTexAllocateMemory(GR_TMU0, oddEvenMask, static_cast<int>(header.width),
                               static_cast<int>(header.height), header.format, GR_MIPMAP_NEAREST,
                               header.small_lod, header.large_lod, header.aspect_ratio, GR_TEXTURECLAMP_WRAP,
                               GR_TEXTURECLAMP_WRAP, GR_TEXTUREFILTER_BILINEAR, GR_TEXTUREFILTER_BILINEAR, 0.0f,
                               trilinear);
}

}  // namespace

void LoadMaterialTexture(Material& material, const char* textureWord, const char* objectFilePath) {
    if (textureWord == nullptr) {
        material.texture = -1;
        return;
    }
    std::string built = BuildPath(objectFilePath, textureWord);
    std::string path;
    std::string error;
    if (!HostPath(built, &path, &error)) FatalError(error.c_str());
    // A FIFO or a device is refused before the texture reader opens it.
    if (const char* kind = NonRegularFileKind(path.c_str())) {
        PrintLoadMessage("texture " + QuotedText(built) + ": " + kind + ", not a regular file");
        FatalError("err");
    }

    Gu3dfInfo info{};
    if (!gu3dfGetInfo(path.c_str(), &info)) FailTexture(built);
    // The host copy of the texels lives only until the downloads are done.
    std::unique_ptr<unsigned char[]> texels(new (std::nothrow) unsigned char[info.mem_required ? info.mem_required : 1]);
    if (!texels) FatalError(("Out of memory for the texture \"" + built + "\"!").c_str());
    info.data = texels.get();
    if (!gu3dfLoad(path.c_str(), &info)) FailTexture(built);

    // All levels, then the odd and the even levels; the first allocation the
    // memory cannot hold stops the rest, and the material keeps the handles
    // it got. Each handle obtained is downloaded: a handle left without its
    // texels would draw whatever the memory held.
    GrMipMapId_t all = AllocateLevels(info.header, GR_MIPMAPLEVELMASK_BOTH, FXFALSE);
    material.texture = static_cast<int>(all);
    GrMipMapId_t odd = GR_NULL_MIPMAP_HANDLE;
    GrMipMapId_t even = GR_NULL_MIPMAP_HANDLE;
    if (all != GR_NULL_MIPMAP_HANDLE) {
        odd = AllocateLevels(info.header, GR_MIPMAPLEVELMASK_ODD, FXTRUE);
        material.textureOdd = static_cast<int>(odd);
        if (odd != GR_NULL_MIPMAP_HANDLE) {
            even = AllocateLevels(info.header, GR_MIPMAPLEVELMASK_EVEN, FXTRUE);
            material.textureEven = static_cast<int>(even);
        }
    }
    for (GrMipMapId_t handle : {all, odd, even}) {
        if (handle != GR_NULL_MIPMAP_HANDLE) guTexDownloadMipMap(handle, info.data, &info.table.nccTable);
    }
    if (even == GR_NULL_MIPMAP_HANDLE) {
        ++(all == GR_NULL_MIPMAP_HANDLE ? gShortfall.untextured : gShortfall.withoutLevels);
        if (gShortfall.first.empty()) gShortfall.first = built;
    }
}

void ResetTextureShortfall() { gShortfall = TextureShortfall(); }

void TextureShortfallWarning() {
    if (gShortfall.untextured == 0 && gShortfall.withoutLevels == 0) return;
    std::string line = "warning: texture memory is full: " + std::to_string(gShortfall.untextured) +
                       (gShortfall.untextured == 1 ? " material has" : " materials have") + " no texture";
    if (gShortfall.withoutLevels != 0) {
        line += " and " + std::to_string(gShortfall.withoutLevels) +
                (gShortfall.withoutLevels == 1 ? " has" : " have") + " no levels for multi-pass drawing";
    }
    PrintLoadMessage(line + "; the first is " + QuotedText(gShortfall.first));
}
