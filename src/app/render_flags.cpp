#include "app/render_flags.h"

// Culling, W-buffer, specular, mipmaps, bilinear filtering, textures, fog,
// two-sided faces, both light types and the fast specular power start on;
// InitGraphics leaves the device in the matching state.
std::uint32_t RenderFlags = RENDER_FLAGS_INITIAL;

static_assert(RENDER_FLAGS_INITIAL == (RF_BACKFACE_CULL | RF_WBUFFER | RF_SPECULAR | RF_MIPMAP | RF_BILINEAR |
                                       RF_TEXTURES | RF_FOG | RF_TWO_SIDED_FACES | RF_OMNI_LIGHTS |
                                       RF_DIRECTIONAL_LIGHTS | RF_FAST_SPECULAR),
              "the initial render flags and the device set-up must agree");
