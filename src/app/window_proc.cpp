#include "app/window_proc.h"

#include "app/app_globals.h"
#include "app/frame_stats.h"
#include "app/render_flags.h"
#include "glide.h"
#include "scene/records.h"

namespace {

constexpr float kSpecularityStep = 10.0f;

// VK_F6: decided on the bit before it flips, so the device's comparison and
// the clear depth of the next frame always agree.
void SwitchDepthMode() {
    if (RenderFlags & RF_WBUFFER) {
        grDepthBufferMode(GR_DEPTHBUFFER_ZBUFFER);
        grDepthBufferFunction(GR_CMP_GREATER);
    } else {
        grDepthBufferMode(GR_DEPTHBUFFER_WBUFFER);
        grDepthBufferFunction(GR_CMP_LESS);
    }
    RenderFlags ^= RF_WBUFFER;
}

}  // namespace

unsigned short ClearDepthForFlags(unsigned flags) { return (flags & RF_WBUFFER) ? 0xFFFF : 0x0000; }

void HandleKeyDown(WPARAM key) {
    switch (key) {
    case VK_BACK: RenderFlags ^= RF_MIPMAP; break;
    case VK_TAB:
        RenderFlags ^= RF_MULTIPASS;
        if (RenderFlags & RF_MULTIPASS) guMPInit();
        break;
    case VK_ESCAPE:
    case VK_F12: PerfStats.Report(); break;
    case VK_SPACE: RenderFlags ^= RF_TEXTURES; break;
    case VK_PRIOR: RenderFlags ^= RF_OMNI_LIGHTS; break;
    case VK_NEXT: RenderFlags ^= RF_DIRECTIONAL_LIGHTS; break;
    case VK_END:
        RenderFlags ^= RF_FOG;
        grFogMode((RenderFlags & RF_FOG) ? GR_FOG_WITH_TABLE : GR_FOG_DISABLE);
        break;
    case VK_HOME: RenderFlags ^= RF_TWO_SIDED_FACES; break;
    case 'M': RenderFlags ^= RF_FAST_SPECULAR; break;
    case VK_ADD: Scene.specularity = Scene.specularity + kSpecularityStep; break;
    case VK_SUBTRACT: Scene.specularity = Scene.specularity - kSpecularityStep; break;
    case VK_F1: RenderFlags ^= RF_FLAT_SHADING; break;
    case VK_F2: RenderFlags ^= RF_ANTIALIAS; break;
    case VK_F3: RenderFlags ^= RF_BACKFACE_CULL; break;
    case VK_F4: RenderFlags ^= RF_FLIP_FACING; break;
    case VK_F5: RenderFlags ^= RF_LIGHT_BOTH_SIDES; break;
    case VK_F6: SwitchDepthMode(); break;
    case VK_F7: RenderFlags ^= RF_SPECULAR; break;
    case VK_F8: RenderFlags ^= RF_IGNORE_TEXTURE_AMOUNT; break;
    case VK_F9: RenderFlags ^= RF_BILINEAR; break;
    case VK_F11:
        RenderFlags ^= RF_MIPMAP_DITHER;
        grHints(GR_HINT_ALLOW_MIPMAP_DITHER, (RenderFlags & RF_MIPMAP_DITHER) ? 3u : 0u);
        break;
    default: break;
    }
}

LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        grGlideShutdown();
        PostQuitMessage(0);
        break;
    case WM_ACTIVATE:
        // Any nonzero value counts as active; the whole value is kept.
        AppActive = static_cast<std::int32_t>(wParam);
        if (GlideReady) grSstPassthruMode(wParam != 0 ? GR_PASSTHRU_SHOW_SST1 : GR_PASSTHRU_SHOW_VGA);
        break;
    case WM_KEYDOWN: HandleKeyDown(wParam); break;
    default: break;
    }
    // Every message, handled or not, goes on to the default handling.
    return DefWindowProcA(window, message, wParam, lParam);
}
