// Glide 2.x programming interface of the software accelerator.
//
// The system calls these exactly as it would call the board's own library:
// same names, argument lists, enumeration values and vertex layout. The
// device behind them is a software rasterizer (see the other files of this
// folder); extensions that only the project's tools use live in
// glide_device.h, never here.
#pragma once

#include <cstdint>

extern "C" {

// ---- scalar types ---------------------------------------------------------
typedef std::uint8_t FxU8;
typedef std::uint16_t FxU16;
typedef std::int16_t FxI16;
typedef std::uint32_t FxU32;
typedef std::int32_t FxI32;
typedef std::int32_t FxBool;
typedef float FxFloat;

#define FXTRUE 1
#define FXFALSE 0

typedef FxU32 GrColor_t;
typedef FxU8 GrAlpha_t;
typedef FxU8 GrFog_t;
typedef FxU32 GrMipMapId_t;
#define GR_NULL_MIPMAP_HANDLE ((GrMipMapId_t)-1)

typedef FxI32 GrChipID_t;
typedef FxI32 GrLOD_t;
typedef FxI32 GrAspectRatio_t;
typedef FxI32 GrTextureFormat_t;
typedef FxI32 GrMipMapMode_t;
typedef FxI32 GrTextureFilterMode_t;
typedef FxI32 GrTextureClampMode_t;
typedef FxI32 GrColorCombineFnc_t;
typedef FxI32 GrTextureCombineFnc_t;
typedef FxI32 GrMPTextureCombineFnc_t;
typedef FxI32 GrCmpFnc_t;
typedef FxI32 GrDepthBufferMode_t;
typedef FxI32 GrFogMode_t;
typedef FxI32 GrAlphaBlendFnc_t;
typedef FxI32 GrCombineFunction_t;
typedef FxI32 GrCombineFactor_t;
typedef FxI32 GrCombineLocal_t;
typedef FxI32 GrCombineOther_t;
typedef FxU32 GrHint_t;
typedef FxI32 GrPassthruMode_t;
typedef FxI32 GrBuffer_t;
typedef FxI32 GrScreenResolution_t;
typedef FxI32 GrScreenRefresh_t;
typedef FxI32 GrColorFormat_t;
typedef FxI32 GrOriginLocation_t;
typedef FxI32 GrSmoothingMode_t;

// ---- enumeration values ---------------------------------------------------
#define GR_LOD_256 0
#define GR_LOD_128 1
#define GR_LOD_64 2
#define GR_LOD_32 3
#define GR_LOD_16 4
#define GR_LOD_8 5
#define GR_LOD_4 6
#define GR_LOD_2 7
#define GR_LOD_1 8

#define GR_ASPECT_8x1 0
#define GR_ASPECT_4x1 1
#define GR_ASPECT_2x1 2
#define GR_ASPECT_1x1 3
#define GR_ASPECT_1x2 4
#define GR_ASPECT_1x4 5
#define GR_ASPECT_1x8 6

#define GR_TEXFMT_RGB_332 0x0
#define GR_TEXFMT_YIQ_422 0x1
#define GR_TEXFMT_ALPHA_8 0x2
#define GR_TEXFMT_INTENSITY_8 0x3
#define GR_TEXFMT_ALPHA_INTENSITY_44 0x4
#define GR_TEXFMT_P_8 0x5
#define GR_TEXFMT_ARGB_8332 0x8
#define GR_TEXFMT_AYIQ_8422 0x9
#define GR_TEXFMT_RGB_565 0xA
#define GR_TEXFMT_ARGB_1555 0xB
#define GR_TEXFMT_ARGB_4444 0xC
#define GR_TEXFMT_ALPHA_INTENSITY_88 0xD
#define GR_TEXFMT_AP_88 0xE

#define GR_MIPMAP_DISABLE 0
#define GR_MIPMAP_NEAREST 1
#define GR_MIPMAP_NEAREST_DITHER 2

#define GR_TEXTUREFILTER_POINT_SAMPLED 0
#define GR_TEXTUREFILTER_BILINEAR 1

#define GR_TEXTURECLAMP_WRAP 0
#define GR_TEXTURECLAMP_CLAMP 1

#define GR_MIPMAPLEVELMASK_EVEN 1
#define GR_MIPMAPLEVELMASK_ODD 2
#define GR_MIPMAPLEVELMASK_BOTH 3

#define GR_TMU0 0
#define GR_TMU1 1
#define GLIDE_NUM_TMU 2

#define GR_COLORCOMBINE_ZERO 0x0
#define GR_COLORCOMBINE_CCRGB 0x1
#define GR_COLORCOMBINE_ITRGB 0x2
#define GR_COLORCOMBINE_ITRGB_DELTA0 0x3
#define GR_COLORCOMBINE_DECAL_TEXTURE 0x4
#define GR_COLORCOMBINE_TEXTURE_TIMES_CCRGB 0x5
#define GR_COLORCOMBINE_TEXTURE_TIMES_ITRGB 0x6
#define GR_COLORCOMBINE_ONE 0x10

#define GR_TEXTURECOMBINE_ZERO 0x0
#define GR_TEXTURECOMBINE_DECAL 0x1
#define GR_TEXTURECOMBINE_OTHER 0x2
#define GR_TEXTURECOMBINE_ADD 0x3
#define GR_TEXTURECOMBINE_MULTIPLY 0x4
#define GR_TEXTURECOMBINE_SUBTRACT 0x5
#define GR_TEXTURECOMBINE_DETAIL 0x6
#define GR_TEXTURECOMBINE_DETAIL_OTHER 0x7
#define GR_TEXTURECOMBINE_TRILINEAR_ODD 0x8
#define GR_TEXTURECOMBINE_TRILINEAR_EVEN 0x9
#define GR_TEXTURECOMBINE_ONE 0xA

#define GR_MPTEXTURECOMBINE_ADD 0
#define GR_MPTEXTURECOMBINE_MULTIPLY 1
#define GR_MPTEXTURECOMBINE_DETAIL0 2
#define GR_MPTEXTURECOMBINE_DETAIL1 3
#define GR_MPTEXTURECOMBINE_TRILINEAR0 4
#define GR_MPTEXTURECOMBINE_TRILINEAR1 5
#define GR_MPTEXTURECOMBINE_SUBTRACT 6

#define GR_CMP_NEVER 0
#define GR_CMP_LESS 1
#define GR_CMP_EQUAL 2
#define GR_CMP_LEQUAL 3
#define GR_CMP_GREATER 4
#define GR_CMP_NOTEQUAL 5
#define GR_CMP_GEQUAL 6
#define GR_CMP_ALWAYS 7

#define GR_DEPTHBUFFER_DISABLE 0
#define GR_DEPTHBUFFER_ZBUFFER 1
#define GR_DEPTHBUFFER_WBUFFER 2

#define GR_FOG_DISABLE 0
#define GR_FOG_WITH_ITERATED_ALPHA 1
#define GR_FOG_WITH_TABLE 2
#define GR_FOG_TABLE_SIZE 64

#define GR_BLEND_ZERO 0
#define GR_BLEND_SRC_ALPHA 1
#define GR_BLEND_SRC_COLOR 2
#define GR_BLEND_DST_COLOR 2
#define GR_BLEND_DST_ALPHA 3
#define GR_BLEND_ONE 4
#define GR_BLEND_ONE_MINUS_SRC_ALPHA 5
#define GR_BLEND_ONE_MINUS_SRC_COLOR 6
#define GR_BLEND_ONE_MINUS_DST_COLOR 6
#define GR_BLEND_ONE_MINUS_DST_ALPHA 7

#define GR_COMBINE_FUNCTION_ZERO 0
#define GR_COMBINE_FUNCTION_NONE 0
#define GR_COMBINE_FUNCTION_LOCAL 1
#define GR_COMBINE_FUNCTION_LOCAL_ALPHA 2
#define GR_COMBINE_FUNCTION_SCALE_OTHER 3
#define GR_COMBINE_FUNCTION_BLEND_OTHER 3

#define GR_COMBINE_FACTOR_ZERO 0
#define GR_COMBINE_FACTOR_NONE 0
#define GR_COMBINE_FACTOR_LOCAL 1
#define GR_COMBINE_FACTOR_OTHER_ALPHA 2
#define GR_COMBINE_FACTOR_LOCAL_ALPHA 3
#define GR_COMBINE_FACTOR_TEXTURE_ALPHA 4
#define GR_COMBINE_FACTOR_ONE 8

#define GR_COMBINE_LOCAL_ITERATED 0
#define GR_COMBINE_LOCAL_CONSTANT 1
#define GR_COMBINE_LOCAL_NONE 1
#define GR_COMBINE_LOCAL_DEPTH 2

#define GR_COMBINE_OTHER_ITERATED 0
#define GR_COMBINE_OTHER_TEXTURE 1
#define GR_COMBINE_OTHER_CONSTANT 2
#define GR_COMBINE_OTHER_NONE 2

#define GR_HINT_ALLOW_MIPMAP_DITHER 3

#define GR_PASSTHRU_SHOW_VGA 0
#define GR_PASSTHRU_SHOW_SST1 1

#define GR_BUFFER_FRONTBUFFER 0
#define GR_BUFFER_BACKBUFFER 1

#define GR_RESOLUTION_640x480 7
#define GR_REFRESH_60Hz 0

#define GR_COLORFORMAT_ARGB 0
#define GR_COLORFORMAT_ABGR 1
#define GR_COLORFORMAT_RGBA 2
#define GR_COLORFORMAT_BGRA 3

#define GR_ORIGIN_UPPER_LEFT 0
#define GR_ORIGIN_LOWER_LEFT 1

#define GR_SMOOTHING_DISABLE 0

// ---- records --------------------------------------------------------------
typedef struct {
    float sow;  // s / w
    float tow;  // t / w
    float oow;  // 1 / w of this texture unit (unused: the device takes GrVertex.oow)
} GrTmuVertex;

typedef struct {
    float x, y, z;   // screen pixels; z unused by the system
    float r, g, b;   // 0..255
    float ooz;       // 0..65535, larger is nearer
    float a;         // 0..255
    float oow;       // 1 / w
    GrTmuVertex tmuvtx[GLIDE_NUM_TMU];
} GrVertex;

// The board description that grSstQueryHardware fills. The system never
// reads it; it is kept small and honest.
typedef struct {
    int num_sst;
    int fbRam;        // frame buffer memory in MB
    int tmuRam;       // texture memory in MB
    int num_tmu;
} GrHwConfiguration;

typedef struct {
    FxU8 yRGB[16];
    FxI16 iRGB[4][3];
    FxI16 qRGB[4][3];
    FxU32 packed_data[12];
} GuNccTable;

typedef struct {
    FxU32 data[256];
} GuTexPalette;

typedef union {
    GuNccTable nccTable;
    GuTexPalette palette;
} GuTexTable;

typedef struct {
    FxU32 width, height;
    int small_lod, large_lod;
    GrAspectRatio_t aspect_ratio;
    GrTextureFormat_t format;
} Gu3dfHeader;

typedef struct {
    Gu3dfHeader header;
    GuTexTable table;
    void* data;
    FxU32 mem_required;
} Gu3dfInfo;

// ---- device ---------------------------------------------------------------
void grGlideInit(void);
FxBool grSstQueryHardware(GrHwConfiguration* hw);
void grSstSelect(int which);
FxBool grSstOpen(GrScreenResolution_t res, GrScreenRefresh_t refresh, GrColorFormat_t fmt,
                 GrOriginLocation_t origin, GrSmoothingMode_t smoothing, int numBuffers);
void grGlideShutdown(void);
void grSstPassthruMode(GrPassthruMode_t mode);

// ---- frame ----------------------------------------------------------------
void grRenderBuffer(GrBuffer_t buffer);
void grBufferClear(GrColor_t colour, GrAlpha_t alpha, FxU16 depth);
void grBufferSwap(int swapInterval);

// ---- render state -----------------------------------------------------------
void grDepthBufferMode(GrDepthBufferMode_t mode);
void grDepthBufferFunction(GrCmpFnc_t function);
void grDepthMask(FxBool enable);
void grAlphaCombine(GrCombineFunction_t function, GrCombineFactor_t factor, GrCombineLocal_t local,
                    GrCombineOther_t other, FxBool invert);
void grAlphaBlendFunction(GrAlphaBlendFnc_t rgbSrc, GrAlphaBlendFnc_t rgbDst, GrAlphaBlendFnc_t alphaSrc,
                          GrAlphaBlendFnc_t alphaDst);
void grFogMode(GrFogMode_t mode);
void grFogTable(const GrFog_t table[GR_FOG_TABLE_SIZE]);
void grFogColorValue(GrColor_t colour);
void guFogGenerateExp2(GrFog_t table[GR_FOG_TABLE_SIZE], float density);
void grHints(GrHint_t type, FxU32 value);
void grConstantColorValue(GrColor_t colour);
void grTexFilterMode(GrChipID_t tmu, GrTextureFilterMode_t minFilter, GrTextureFilterMode_t magFilter);
void grTexMipMapMode(GrChipID_t tmu, GrMipMapMode_t mode, FxBool lodBlend);

// ---- combine ----------------------------------------------------------------
void guColorCombineFunction(GrColorCombineFnc_t function);
void guTexCombineFunction(GrChipID_t tmu, GrTextureCombineFnc_t function);
void guMPInit(void);
void guMPTexCombineFunction(GrMPTextureCombineFnc_t function);
void guMPTexSource(GrChipID_t virtualTmu, GrMipMapId_t mipmap);

// ---- textures ---------------------------------------------------------------
FxBool gu3dfGetInfo(const char* filename, Gu3dfInfo* info);
FxBool gu3dfLoad(const char* filename, Gu3dfInfo* info);
GrMipMapId_t guTexAllocateMemory(GrChipID_t tmu, FxU8 oddEvenMask, int width, int height,
                                 GrTextureFormat_t format, GrMipMapMode_t mipmapMode, GrLOD_t smallLod,
                                 GrLOD_t largeLod, GrAspectRatio_t aspect, GrTextureClampMode_t sClamp,
                                 GrTextureClampMode_t tClamp, GrTextureFilterMode_t minFilter,
                                 GrTextureFilterMode_t magFilter, float lodBias, FxBool trilinear);
void guTexDownloadMipMap(GrMipMapId_t mipmap, const void* data, const GuNccTable* ncc);
void guTexSource(GrMipMapId_t mipmap);

// ---- drawing ----------------------------------------------------------------
void grDrawTriangle(const GrVertex* a, const GrVertex* b, const GrVertex* c);
void grAADrawTriangle(const GrVertex* a, const GrVertex* b, const GrVertex* c, FxBool abAntialias,
                      FxBool bcAntialias, FxBool caAntialias);
void guMPDrawTriangle(const GrVertex* a, const GrVertex* b, const GrVertex* c);
void grDrawLine(const GrVertex* a, const GrVertex* b);

// ---- linear frame buffer read-back (screenshots and tests) -------------------
// Rows are counted from the origin chosen at grSstOpen; pixels are RGB565.
FxBool grLfbReadRegion(GrBuffer_t src, FxU32 x, FxU32 y, FxU32 width, FxU32 height, FxU32 dstStrideBytes,
                       void* dst);

}  // extern "C"
