#include "procedural_textures.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace demogen {
namespace {

// Integer hash -> 0..1, the lattice values of the noise.
double Hash(int x, int y, int seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u + static_cast<std::uint32_t>(y) * 668265263u +
                      static_cast<std::uint32_t>(seed) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xFFFFFF) / static_cast<double>(0xFFFFFF);
}

// Smooth value noise that tiles with the given period (in lattice cells).
double Noise(double x, double y, int period, int seed) {
    const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    const double fx = x - x0, fy = y - y0;
    const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    auto at = [&](int i, int j) { return Hash(((i % period) + period) % period, ((j % period) + period) % period, seed); };
    const double a = at(x0, y0), b = at(x0 + 1, y0), c = at(x0, y0 + 1), d = at(x0 + 1, y0 + 1);
    return (a + (b - a) * sx) + ((c + (d - c) * sx) - (a + (b - a) * sx)) * sy;
}

double Fractal(double u, double v, int basePeriod, int octaves, int seed) {
    double sum = 0, amp = 0.5, norm = 0;
    int period = basePeriod;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * Noise(u * period, v * period, period, seed + o);
        norm += amp;
        amp *= 0.5;
        period *= 2;
    }
    return sum / norm;
}

std::uint32_t Rgb(double r, double g, double b) {
    auto c = [](double v) { return static_cast<std::uint32_t>(std::clamp(v, 0.0, 1.0) * 255.0 + 0.5); };
    return 0xFF000000u | (c(r) << 16) | (c(g) << 8) | c(b);
}

template <typename F>
glide::ArgbImage Draw(int size, F f) {
    glide::ArgbImage img;
    img.width = img.height = size;
    img.pixels.resize(static_cast<std::size_t>(size) * static_cast<std::size_t>(size));
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            img.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(size) + static_cast<std::size_t>(x)] =
                f((x + 0.5) / size, (y + 0.5) / size);
    return img;
}

}  // namespace

glide::ArgbImage FloorTiles(int size) {
    return Draw(size, [](double u, double v) {
        // 4 x 4 tiles per map; each tile its own shade.
        const double tu = u * 4, tv = v * 4;
        const int ti = static_cast<int>(tu), tj = static_cast<int>(tv);
        const double fu = tu - ti, fv = tv - tj;
        const double grout = std::min({fu, 1 - fu, fv, 1 - fv});
        const double shade = 0.55 + 0.3 * Hash(ti, tj, 7) + 0.25 * (Fractal(u, v, 8, 4, 3) - 0.5);
        const bool light = ((ti + tj) & 1) == 0;
        double r = shade * (light ? 0.95 : 0.62), g = shade * (light ? 0.88 : 0.6), b = shade * (light ? 0.75 : 0.66);
        if (grout < 0.035) r = g = b = 0.12;
        return Rgb(r, g, b);
    });
}

glide::ArgbImage Marble(int size) {
    return Draw(size, [](double u, double v) {
        const double turb = Fractal(u, v, 4, 5, 11);
        const double vein = 0.5 + 0.5 * std::sin((u * 3 + v * 2) * 2 * 3.14159265358979 + turb * 9.0);
        const double k = std::pow(vein, 3.0);
        return Rgb(0.92 - 0.55 * k, 0.9 - 0.5 * k, 0.86 - 0.35 * k);
    });
}

glide::ArgbImage CratePlanks(int size) {
    return Draw(size, [](double u, double v) {
        const double border = std::min({u, 1 - u, v, 1 - v});
        const double plank = v * 5;
        const int row = static_cast<int>(plank);
        const double grain = Fractal(u * 0.25 + row * 0.37, v * 4, 4, 4, 21 + row);
        double r = 0.55 + 0.25 * grain, g = 0.36 + 0.18 * grain, b = 0.18 + 0.08 * grain;
        if (plank - row < 0.04 || border < 0.08) {
            r *= 0.6;
            g *= 0.6;
            b *= 0.6;
        }
        const double diag = std::fabs(u - v);
        if (diag < 0.05 && border >= 0.08) {
            r *= 0.8;
            g *= 0.8;
            b *= 0.8;
        }
        return Rgb(r, g, b);
    });
}

}  // namespace demogen
