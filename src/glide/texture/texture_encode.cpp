// Pixels -> texel formats. Fixed-width channels take the value whose
// widened form (see texture_decode.h) is nearest; the table formats take the
// nearest of the 256 colours their NCC table or palette decodes to.
//
// Sections: chain checks; channel quantizing; NCC table fitting; palette
// (median cut); encoding.
#include "texture/texture_encode.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "texture/texture_decode.h"

namespace glide {

// ---- chain checks ----------------------------------------------------------------


bool DescribeChain(const std::vector<ArgbImage>& levels, GrLOD_t* largeLod, GrLOD_t* smallLod,
                   GrAspectRatio_t* aspect, std::string* error) {
    auto fail = [error](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    if (levels.empty()) return fail("no levels");
    const ArgbImage& top = levels.front();
    GrAspectRatio_t a = 0;
    if (!AspectFromSize(top.width, top.height, &a)) {
        return fail("size " + std::to_string(top.width) + "x" + std::to_string(top.height) +
                    " is not a power-of-two ratio from 8:1 to 1:8");
    }
    GrLOD_t large = 0;
    if (!LodFromEdge(top.width > top.height ? top.width : top.height, &large)) {
        return fail("longer side " + std::to_string(top.width > top.height ? top.width : top.height) +
                    " is not a power of two from 1 to 256");
    }
    if (levels.size() > static_cast<std::size_t>(GR_LOD_1 - large + 1)) return fail("too many levels");
    for (std::size_t i = 0; i < levels.size(); ++i) {
        int w = 0, h = 0;
        LevelSize(large + static_cast<GrLOD_t>(i), a, &w, &h);
        if (levels[i].width != w || levels[i].height != h) {
            return fail("level " + std::to_string(i) + " is " + std::to_string(levels[i].width) + "x" +
                        std::to_string(levels[i].height) + ", expected " + std::to_string(w) + "x" +
                        std::to_string(h));
        }
        if (levels[i].pixels.size() != static_cast<std::size_t>(w) * static_cast<std::size_t>(h)) {
            return fail("level " + std::to_string(i) + " holds the wrong number of pixels");
        }
    }
    if (largeLod) *largeLod = large;
    if (smallLod) *smallLod = large + static_cast<GrLOD_t>(levels.size()) - 1;
    if (aspect) *aspect = a;
    return true;
}


namespace {

// ---- channel quantizing ---------------------------------------------------------

std::uint32_t Alpha(std::uint32_t p) { return p >> 24; }
std::uint32_t Red(std::uint32_t p) { return (p >> 16) & 0xFF; }
std::uint32_t Green(std::uint32_t p) { return (p >> 8) & 0xFF; }
std::uint32_t Blue(std::uint32_t p) { return p & 0xFF; }

// Luma with the usual 0.299 / 0.587 / 0.114 weights, rounded.
std::uint32_t Luma(std::uint32_t p) { return (299 * Red(p) + 587 * Green(p) + 114 * Blue(p) + 500) / 1000; }

std::uint32_t WidenBits(std::uint32_t v, int bits) {
    switch (bits) {
        case 1: return Widen1(v);
        case 2: return Widen2(v);
        case 3: return Widen3(v);
        case 4: return Widen4(v);
        case 5: return Widen5(v);
        case 6: return Widen6(v);
        default: return v;
    }
}

// The bits-wide value whose widened form is nearest to c.
std::uint32_t Narrow(std::uint32_t c, int bits) {
    const std::uint32_t top = (1u << bits) - 1;
    const std::uint32_t guess = (c * top + 127) / 255;
    std::uint32_t best = guess;
    auto err = [&](std::uint32_t v) {
        const int d = static_cast<int>(WidenBits(v, bits)) - static_cast<int>(c);
        return d < 0 ? -d : d;
    };
    if (guess > 0 && err(guess - 1) < err(best)) best = guess - 1;
    if (guess < top && err(guess + 1) < err(best)) best = guess + 1;
    return best;
}

std::uint32_t ToRgb332(std::uint32_t p) {
    return (Narrow(Red(p), 3) << 5) | (Narrow(Green(p), 3) << 2) | Narrow(Blue(p), 2);
}

// ---- NCC table fitting ------------------------------------------------------------

// One-dimensional k-means over a histogram of integer values from `lo`:
// starts at the quantiles, then moves each centre to the mean of the values
// nearest to it. Deterministic and cheap (the histogram has at most 512 bins).
std::vector<double> FitCentres(const std::vector<std::uint64_t>& histogram, int lo, int k) {
    std::uint64_t total = 0;
    for (std::uint64_t n : histogram) total += n;
    std::vector<double> centres(static_cast<std::size_t>(k), 0.0);
    if (total == 0) return centres;
    for (int c = 0; c < k; ++c) {
        const double target = (c + 0.5) * static_cast<double>(total) / k;
        std::uint64_t seen = 0;
        for (std::size_t v = 0; v < histogram.size(); ++v) {
            seen += histogram[v];
            if (static_cast<double>(seen) > target) {
                centres[static_cast<std::size_t>(c)] = static_cast<double>(static_cast<int>(v) + lo);
                break;
            }
        }
    }
    for (int iteration = 0; iteration < 16; ++iteration) {
        std::vector<double> sum(static_cast<std::size_t>(k), 0.0), weight(static_cast<std::size_t>(k), 0.0);
        for (std::size_t v = 0; v < histogram.size(); ++v) {
            if (histogram[v] == 0) continue;
            const double x = static_cast<double>(static_cast<int>(v) + lo);
            std::size_t best = 0;
            for (std::size_t c = 1; c < centres.size(); ++c) {
                if (std::fabs(centres[c] - x) < std::fabs(centres[best] - x)) best = c;
            }
            sum[best] += x * static_cast<double>(histogram[v]);
            weight[best] += static_cast<double>(histogram[v]);
        }
        for (std::size_t c = 0; c < centres.size(); ++c) {
            if (weight[c] > 0) centres[c] = sum[c] / weight[c];
        }
    }
    std::sort(centres.begin(), centres.end());
    return centres;
}

FxI16 Offset(double v) {
    // I and Q entries hold 9-bit signed values.
    const long r = std::lround(v);
    return static_cast<FxI16>(std::clamp(r, -256L, 255L));
}

// ---- palette (median cut) -----------------------------------------------------------

struct ColourCount {
    std::uint32_t rgb;
    std::uint64_t count;
};

struct Box {
    std::vector<ColourCount> colours;
    int longestChannel = 0;  // 0 red, 1 green, 2 blue
    int range = 0;
};

std::uint32_t Channel(std::uint32_t rgb, int channel) { return (rgb >> (16 - 8 * channel)) & 0xFF; }

void MeasureBox(Box* box) {
    box->range = -1;
    for (int ch = 0; ch < 3; ++ch) {
        std::uint32_t lo = 255, hi = 0;
        for (const ColourCount& c : box->colours) {
            lo = std::min(lo, Channel(c.rgb, ch));
            hi = std::max(hi, Channel(c.rgb, ch));
        }
        const int range = static_cast<int>(hi) - static_cast<int>(lo);
        if (range > box->range) {
            box->range = range;
            box->longestChannel = ch;
        }
    }
}

std::uint32_t MeanColour(const Box& box) {
    double sum[3] = {0, 0, 0};
    double n = 0;
    for (const ColourCount& c : box.colours) {
        for (int ch = 0; ch < 3; ++ch) sum[ch] += static_cast<double>(Channel(c.rgb, ch) * c.count);
        n += static_cast<double>(c.count);
    }
    std::uint32_t rgb = 0;
    for (int ch = 0; ch < 3; ++ch) rgb = (rgb << 8) | static_cast<std::uint32_t>(std::lround(sum[ch] / n));
    return rgb;
}

// ---- encoding ------------------------------------------------------------------------

// Nearest of the 256 decoded colours (rgb distance; alpha is not part of
// the table), remembered per colour since images repeat colours a lot.
class NearestIndex {
public:
    explicit NearestIndex(const std::uint32_t* colours) : colours_(colours) {}
    std::uint32_t operator()(std::uint32_t pixel) {
        const std::uint32_t rgb = pixel & 0x00FFFFFFu;
        auto it = cache_.find(rgb);
        if (it != cache_.end()) return it->second;
        std::uint32_t best = 0;
        long bestDistance = -1;
        for (std::uint32_t i = 0; i < 256; ++i) {
            const long dr = static_cast<long>(Red(colours_[i])) - static_cast<long>(Red(rgb));
            const long dg = static_cast<long>(Green(colours_[i])) - static_cast<long>(Green(rgb));
            const long db = static_cast<long>(Blue(colours_[i])) - static_cast<long>(Blue(rgb));
            const long d = dr * dr + dg * dg + db * db;
            if (bestDistance < 0 || d < bestDistance) {
                bestDistance = d;
                best = i;
            }
        }
        cache_.emplace(rgb, best);
        return best;
    }

private:
    const std::uint32_t* colours_;
    std::unordered_map<std::uint32_t, std::uint32_t> cache_;
};

// Starting point: Y, I and Q each clustered on their own.
GuNccTable InitialNccTable(const std::vector<std::uint32_t>& pixels) {
    // Y in 0..255; I and Q in -256..255 (bins offset by 256).
    std::vector<std::uint64_t> yHist(256, 0), iHist(512, 0), qHist(512, 0);
    for (std::uint32_t p : pixels) {
        const double r = Red(p), g = Green(p), b = Blue(p);
        const double y = 0.299 * r + 0.587 * g + 0.114 * b;
        const double i = 0.596 * r - 0.274 * g - 0.322 * b;
        const double q = 0.211 * r - 0.523 * g + 0.312 * b;
        ++yHist[static_cast<std::size_t>(std::clamp(std::lround(y), 0L, 255L))];
        ++iHist[static_cast<std::size_t>(std::clamp(std::lround(i), -256L, 255L) + 256)];
        ++qHist[static_cast<std::size_t>(std::clamp(std::lround(q), -256L, 255L) + 256)];
    }
    GuNccTable ncc{};
    const std::vector<double> ys = FitCentres(yHist, 0, 16);
    const std::vector<double> is = FitCentres(iHist, -256, 4);
    const std::vector<double> qs = FitCentres(qHist, -256, 4);
    for (int k = 0; k < 16; ++k) {
        ncc.yRGB[k] = static_cast<FxU8>(std::clamp(std::lround(ys[static_cast<std::size_t>(k)]), 0L, 255L));
    }
    // The rows of the inverse transform: rgb = y + i * (0.956, -0.272, -1.106)
    // + q * (0.621, -0.647, 1.703).
    for (int k = 0; k < 4; ++k) {
        const double i = is[static_cast<std::size_t>(k)], q = qs[static_cast<std::size_t>(k)];
        ncc.iRGB[k][0] = Offset(0.956 * i);
        ncc.iRGB[k][1] = Offset(-0.272 * i);
        ncc.iRGB[k][2] = Offset(-1.106 * i);
        ncc.qRGB[k][0] = Offset(0.621 * q);
        ncc.qRGB[k][1] = Offset(-0.647 * q);
        ncc.qRGB[k][2] = Offset(1.703 * q);
    }
    return ncc;
}


// Squared error of every colour against its nearest table colour, with the
// index of that colour (the texel) in *texels.
double AssignNcc(const GuNccTable& ncc, const std::vector<ColourCount>& colours, std::vector<std::uint8_t>* texels) {
    std::uint32_t decoded[256];
    for (std::uint32_t v = 0; v < 256; ++v) decoded[v] = NccColor(ncc, static_cast<std::uint8_t>(v));
    texels->resize(colours.size());
    double total = 0;
    for (std::size_t n = 0; n < colours.size(); ++n) {
        long best = -1;
        for (std::uint32_t v = 0; v < 256; ++v) {
            long d = 0;
            for (int ch = 0; ch < 3; ++ch) {
                const long e =
                    static_cast<long>(Channel(decoded[v], ch)) - static_cast<long>(Channel(colours[n].rgb, ch));
                d += e * e;
            }
            if (best < 0 || d < best) {
                best = d;
                (*texels)[n] = static_cast<std::uint8_t>(v);
            }
        }
        total += static_cast<double>(best) * static_cast<double>(colours[n].count);
    }
    return total;
}

// With the texels fixed, moves each Y value and each I and Q entry to the
// mean of what its texels need of it (a few Gauss-Seidel sweeps of the
// least-squares fit; clamping is ignored here and checked by AssignNcc).
GuNccTable RefitNcc(const GuNccTable& start, const std::vector<ColourCount>& colours,
                    const std::vector<std::uint8_t>& texels) {
    double y[16], i[4][3], q[4][3];
    for (int k = 0; k < 16; ++k) y[k] = start.yRGB[k];
    for (int k = 0; k < 4; ++k) {
        for (int c = 0; c < 3; ++c) {
            i[k][c] = start.iRGB[k][c];
            q[k][c] = start.qRGB[k][c];
        }
    }
    for (int sweep = 0; sweep < 4; ++sweep) {
        double ySum[16] = {}, yN[16] = {}, iSum[4][3] = {}, iN[4] = {}, qSum[4][3] = {}, qN[4] = {};
        for (std::size_t n = 0; n < colours.size(); ++n) {
            const int t = texels[n], ky = t >> 4, ki = (t >> 2) & 3, kq = t & 3;
            const double w = static_cast<double>(colours[n].count);
            for (int c = 0; c < 3; ++c) ySum[ky] += w * (Channel(colours[n].rgb, c) - i[ki][c] - q[kq][c]);
            yN[ky] += 3 * w;
        }
        for (int k = 0; k < 16; ++k) {
            if (yN[k] > 0) y[k] = std::clamp(ySum[k] / yN[k], 0.0, 255.0);
        }
        for (std::size_t n = 0; n < colours.size(); ++n) {
            const int t = texels[n], ky = t >> 4, ki = (t >> 2) & 3, kq = t & 3;
            const double w = static_cast<double>(colours[n].count);
            for (int c = 0; c < 3; ++c) iSum[ki][c] += w * (Channel(colours[n].rgb, c) - y[ky] - q[kq][c]);
            iN[ki] += w;
        }
        for (int k = 0; k < 4; ++k) {
            for (int c = 0; c < 3 && iN[k] > 0; ++c) i[k][c] = iSum[k][c] / iN[k];
        }
        for (std::size_t n = 0; n < colours.size(); ++n) {
            const int t = texels[n], ky = t >> 4, ki = (t >> 2) & 3, kq = t & 3;
            const double w = static_cast<double>(colours[n].count);
            for (int c = 0; c < 3; ++c) qSum[kq][c] += w * (Channel(colours[n].rgb, c) - y[ky] - i[ki][c]);
            qN[kq] += w;
        }
        for (int k = 0; k < 4; ++k) {
            for (int c = 0; c < 3 && qN[k] > 0; ++c) q[k][c] = qSum[k][c] / qN[k];
        }
    }
    GuNccTable ncc{};
    for (int k = 0; k < 16; ++k) ncc.yRGB[k] = static_cast<FxU8>(std::lround(y[k]));
    for (int k = 0; k < 4; ++k) {
        for (int c = 0; c < 3; ++c) {
            ncc.iRGB[k][c] = Offset(i[k][c]);
            ncc.qRGB[k][c] = Offset(q[k][c]);
        }
    }
    return ncc;
}

}  // namespace

GuNccTable ComputeNccTable(const std::vector<std::uint32_t>& pixels) {
    GuNccTable best = InitialNccTable(pixels);
    std::unordered_map<std::uint32_t, std::uint64_t> counts;
    for (std::uint32_t p : pixels) ++counts[p & 0x00FFFFFFu];
    std::vector<ColourCount> colours;
    for (const auto& [rgb, n] : counts) colours.push_back({rgb, n});
    std::sort(colours.begin(), colours.end(), [](const ColourCount& a, const ColourCount& b) { return a.rgb < b.rgb; });

    // Alternate choosing texels and refitting the table; keep the best table
    // seen (a refit ignores clamping, so a round can be worse than the last).
    std::vector<std::uint8_t> texels;
    double bestError = AssignNcc(best, colours, &texels);
    GuNccTable current = best;
    for (int round = 0; round < 10 && bestError > 0; ++round) {
        current = RefitNcc(current, colours, texels);
        const double error = AssignNcc(current, colours, &texels);
        if (error < bestError) {
            best = current;
            bestError = error;
        }
    }
    return best;
}

GuTexPalette ComputePalette(const std::vector<std::uint32_t>& pixels) {
    std::unordered_map<std::uint32_t, std::uint64_t> counts;
    for (std::uint32_t p : pixels) ++counts[p & 0x00FFFFFFu];
    Box all;
    all.colours.reserve(counts.size());
    for (const auto& [rgb, n] : counts) all.colours.push_back({rgb, n});
    std::sort(all.colours.begin(), all.colours.end(),
              [](const ColourCount& a, const ColourCount& b) { return a.rgb < b.rgb; });

    GuTexPalette palette{};
    if (all.colours.size() <= 256) {
        for (std::size_t i = 0; i < all.colours.size(); ++i) palette.data[i] = all.colours[i].rgb;
        return palette;
    }
    std::vector<Box> boxes;
    MeasureBox(&all);
    boxes.push_back(std::move(all));
    while (boxes.size() < 256) {
        // Split the box with the widest channel range at its weighted median.
        std::size_t widest = 0;
        for (std::size_t b = 1; b < boxes.size(); ++b) {
            if (boxes[b].range > boxes[widest].range) widest = b;
        }
        Box& box = boxes[widest];
        if (box.range <= 0 || box.colours.size() < 2) break;
        const int ch = box.longestChannel;
        std::sort(box.colours.begin(), box.colours.end(), [ch](const ColourCount& a, const ColourCount& b) {
            return Channel(a.rgb, ch) != Channel(b.rgb, ch) ? Channel(a.rgb, ch) < Channel(b.rgb, ch) : a.rgb < b.rgb;
        });
        std::uint64_t total = 0;
        for (const ColourCount& c : box.colours) total += c.count;
        std::uint64_t seen = 0;
        std::size_t cut = 1;
        for (; cut < box.colours.size() - 1; ++cut) {
            seen += box.colours[cut - 1].count;
            if (2 * seen >= total) break;
        }
        Box upper;
        upper.colours.assign(box.colours.begin() + static_cast<std::ptrdiff_t>(cut), box.colours.end());
        box.colours.resize(cut);
        MeasureBox(&box);
        MeasureBox(&upper);
        boxes.push_back(std::move(upper));
    }
    for (std::size_t b = 0; b < boxes.size(); ++b) palette.data[b] = MeanColour(boxes[b]);
    return palette;
}

bool EncodeTexels(GrTextureFormat_t format, const std::uint32_t* pixels, std::size_t count, const GuTexTable* table,
                  std::uint8_t* dst) {
    const int bytes = TextureFormatBytes(format);
    if (bytes == 0 || (TableKindOf(format) != TexTableKind::kNone && table == nullptr)) return false;

    std::array<std::uint32_t, 256> tableColours{};
    if (TableKindOf(format) == TexTableKind::kNcc) {
        for (std::uint32_t v = 0; v < 256; ++v) {
            tableColours[v] = NccColor(table->nccTable, static_cast<std::uint8_t>(v));
        }
    } else if (TableKindOf(format) == TexTableKind::kPalette) {
        for (std::uint32_t v = 0; v < 256; ++v) tableColours[v] = table->palette.data[v] & 0x00FFFFFFu;
    }
    NearestIndex nearest(tableColours.data());

    for (std::size_t n = 0; n < count; ++n) {
        const std::uint32_t p = pixels[n];
        std::uint32_t texel = 0;
        switch (format) {
            case GR_TEXFMT_RGB_332: texel = ToRgb332(p); break;
            case GR_TEXFMT_YIQ_422: texel = nearest(p); break;
            case GR_TEXFMT_ALPHA_8: texel = Alpha(p); break;
            case GR_TEXFMT_INTENSITY_8: texel = Luma(p); break;
            case GR_TEXFMT_ALPHA_INTENSITY_44: texel = (Narrow(Alpha(p), 4) << 4) | Narrow(Luma(p), 4); break;
            case GR_TEXFMT_P_8: texel = nearest(p); break;
            case GR_TEXFMT_ARGB_8332: texel = (Alpha(p) << 8) | ToRgb332(p); break;
            case GR_TEXFMT_AYIQ_8422: texel = (Alpha(p) << 8) | nearest(p); break;
            case GR_TEXFMT_RGB_565:
                texel = (Narrow(Red(p), 5) << 11) | (Narrow(Green(p), 6) << 5) | Narrow(Blue(p), 5);
                break;
            case GR_TEXFMT_ARGB_1555:
                texel = (Narrow(Alpha(p), 1) << 15) | (Narrow(Red(p), 5) << 10) | (Narrow(Green(p), 5) << 5) |
                        Narrow(Blue(p), 5);
                break;
            case GR_TEXFMT_ARGB_4444:
                texel = (Narrow(Alpha(p), 4) << 12) | (Narrow(Red(p), 4) << 8) | (Narrow(Green(p), 4) << 4) |
                        Narrow(Blue(p), 4);
                break;
            case GR_TEXFMT_ALPHA_INTENSITY_88: texel = (Alpha(p) << 8) | Luma(p); break;
            case GR_TEXFMT_AP_88: texel = (Alpha(p) << 8) | nearest(p); break;
            default: return false;
        }
        if (bytes == 1) {
            dst[n] = static_cast<std::uint8_t>(texel);
        } else {
            const auto w = static_cast<std::uint16_t>(texel);
            std::memcpy(dst + 2 * n, &w, sizeof w);
        }
    }
    return true;
}

}  // namespace glide
