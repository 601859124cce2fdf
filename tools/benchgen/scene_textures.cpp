// Procedural textures for the benchmark scenes: a mottled tiled ground and a
// banded sphere with a grid, both with enough detail that filtering and
// mip-level choice change what is drawn.
#include "scene_textures.h"

#include <cmath>
#include <cstdint>

#include "gu3df_io.h"

namespace benchgen {

namespace {

std::uint32_t Argb(int r, int g, int b) {
    auto c = [](int v) { return static_cast<std::uint32_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); };
    return 0xFF000000u | (c(r) << 16) | (c(g) << 8) | c(b);
}

// A small integer hash: the same "noise" on every machine.
int Noise(int x, int y) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u + static_cast<std::uint32_t>(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return static_cast<int>((h ^ (h >> 16)) & 0xFF);
}

glide::ArgbImage Ground() {
    glide::ArgbImage image{64, 64, std::vector<std::uint32_t>(64 * 64)};
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const int n = Noise(x, y) / 4 - 32;
            const bool stone = ((x / 16) + (y / 16)) % 2 == 0;
            const bool joint = x % 16 == 0 || y % 16 == 0;
            const int base = joint ? 60 : (stone ? 150 : 120);
            image.pixels[y * 64 + x] = Argb(base + n, base + 20 + n, base - 30 + n / 2);
        }
    }
    return image;
}

glide::ArgbImage Sphere() {
    glide::ArgbImage image{128, 128, std::vector<std::uint32_t>(128 * 128)};
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 128; ++x) {
            const float band = std::sin(static_cast<float>(y) * 0.35f) * 0.5f + 0.5f;
            const bool grid = x % 16 == 0 || y % 16 == 0;
            const int n = Noise(x, y) / 8 - 16;
            image.pixels[y * 128 + x] = grid ? Argb(250, 250, 230)
                                             : Argb(static_cast<int>(200 * band) + 40 + n, 90 + n,
                                                    static_cast<int>(180 * (1.0f - band)) + 50 + n);
        }
    }
    return image;
}

bool Write(const std::string& path, const glide::ArgbImage& image, std::string* error) {
    glide::Texture3df texture;
    std::string why;
    if (!glide::EncodeTexture(GR_TEXFMT_RGB_565, glide::BuildMipChain(image), &texture, &why) ||
        !glide::Write3dfFile(path.c_str(), texture, &why)) {
        if (error) *error = path + ": " + why;
        return false;
    }
    return true;
}

}  // namespace

bool WriteTextures(const std::string& dir, std::string* error) {
    return Write(dir + "/" + kGroundTexture, Ground(), error) && Write(dir + "/" + kSphereTexture, Sphere(), error);
}

}  // namespace benchgen
