// 3DF texture files of any content, read the way the system reads them: the
// header with gu3dfGetInfo, the texels with gu3dfLoad into a buffer of
// exactly the size the info asked for (so that any write past it is an
// AddressSanitizer report), then allocated in texture memory and downloaded
// as a material does. The tools' reader (Read3dfFile) reads the same bytes.
// A refused file must say why.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "fuzz_support.h"
#include "glide.h"
#include "gu3df_io.h"
#include "texture/texture_memory.h"

namespace {

constexpr const char* kFileName = "texture.3df";

void RemoveFile() { std::remove(kFileName); }

// Every failure of the two readers comes with its reason.
void RequireReason() {
    if (glide::Last3dfFailure().empty()) std::abort();
}

void Download(const Gu3dfInfo& info, FxU8 levels, FxBool trilinear) {
    GrMipMapId_t id = guTexAllocateMemory(GR_TMU0, levels, static_cast<int>(info.header.width),
                                          static_cast<int>(info.header.height), info.header.format,
                                          GR_MIPMAP_NEAREST, info.header.small_lod, info.header.large_lod,
                                          info.header.aspect_ratio, GR_TEXTURECLAMP_WRAP, GR_TEXTURECLAMP_WRAP,
                                          GR_TEXTUREFILTER_BILINEAR, GR_TEXTUREFILTER_BILINEAR, 0.0f, trilinear);
    if (id != GR_NULL_MIPMAP_HANDLE) guTexDownloadMipMap(id, info.data, &info.table.nccTable);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static bool ready = false;
    if (!ready) {
        FuzzSetUp();
        std::atexit(RemoveFile);  // runs before the scratch folder is removed
        ready = true;
    }
    FuzzWriteFile(kFileName, data, size);

    glide::Texture3df texture;
    std::string error;
    if (!glide::Read3dfFile(kFileName, &texture, &error) && error.empty()) std::abort();

    Gu3dfInfo info{};
    if (!gu3dfGetInfo(kFileName, &info)) {
        RequireReason();
        return 0;
    }
    // Exactly the size asked for: new[] of 0 bytes is still a buffer.
    std::unique_ptr<std::uint8_t[]> texels(new std::uint8_t[info.mem_required]);
    info.data = texels.get();
    if (!gu3dfLoad(kFileName, &info)) {
        RequireReason();
        return 0;
    }
    Download(info, GR_MIPMAPLEVELMASK_BOTH, FXFALSE);
    Download(info, GR_MIPMAPLEVELMASK_ODD, FXTRUE);
    Download(info, GR_MIPMAPLEVELMASK_EVEN, FXTRUE);
    glide::ResetTextureMemory();
    return 0;
}
