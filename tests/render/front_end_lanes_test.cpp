// The front end's vector lanes give the scalar code's values bit for bit,
// for every instruction set the processor runs: lighting under every
// combination of the switches it reads, and the vertex transform with its
// projection.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "render/fast_inv_sqrt.h"
#include "render/front_end_lanes.h"
#include "render/lighting.h"
#include "render_fixtures.h"

namespace {

bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

std::vector<const FrontEndIsa*> VectorIsas() {
    std::vector<const FrontEndIsa*> isas;
    int count = 0;
    const FrontEndIsa* all = CompiledFrontEndIsas(&count);
    for (const std::string& name : AvailableFrontEndIsas()) {
        for (int i = 0; i < count; ++i) {
            if (name == all[i].name) isas.push_back(&all[i]);
        }
    }
    return isas;
}

class FrontEndLanes : public testing::Test {
protected:
    static void SetUpTestSuite() {
        if (InvSqrtTable == nullptr) BuildInvSqrtTable();
    }
    std::mt19937 random_{22};
    float Uniform(float low, float high) { return std::uniform_real_distribution<float>(low, high)(random_); }
    Vec3 Point(float range) { return {Uniform(-range, range), Uniform(-range, range), Uniform(-range, range)}; }
};

TEST_F(FrontEndLanes, LightingMatchesTheScalarCodeUnderEverySwitch) {
    const std::vector<const FrontEndIsa*> isas = VectorIsas();
    Light lights[4] = {render_test::OmniLight({10, 20, -30}, 0.7f), render_test::DirectionalLight({0.6f, 0.0f, 0.8f}, 0.5f),
                       render_test::OmniLight({-5, 0, 5}, -0.25f), render_test::DirectionalLight({0, -1, 0}, 1.5f)};
    lights[2].enabled = 0;
    const std::uint32_t switches[] = {RF_LIGHT_BOTH_SIDES, RF_FLIP_FACING, RF_SPECULAR, RF_FAST_SPECULAR,
                                      RF_OMNI_LIGHTS, RF_DIRECTIONAL_LIGHTS};
    int lanesCompared = 0;
    for (std::uint32_t combination = 0; combination < (1u << 6); ++combination) {
        std::uint32_t flags = 0;
        for (int i = 0; i < 6; ++i) flags |= (combination >> i & 1u) ? switches[i] : 0u;
        lights[2].enabled = combination & 1;
        const LightSet set{lights, 4, flags};
        LightBatch batch;
        for (int lane = 0; lane < LightBatch::kCapacity - static_cast<int>(combination % 3); ++lane) {
            Material m;
            m.diffuse = {Uniform(0, 255), Uniform(0, 255), Uniform(0, 255), Uniform(0, 255)};
            m.textureColor = {Uniform(0, 300), Uniform(0, 300), Uniform(0, 300), Uniform(0, 510)};
            m.specular = {Uniform(0, 255), Uniform(0, 255), Uniform(0, 255), 0.0f};
            m.shininess = lane % 5 == 0 ? 0.0f : Uniform(0, 1);
            m.hasSpecular = lane % 4 != 0;
            // Normals of any length, one edge-on to the view, one of none.
            Vec3 normal = Point(1.5f);
            if (lane == 3) normal = {0, 0, 0};
            const Vec3 point = Point(40);
            Vec3 view = point - Point(5);
            if (lane == 5) view = {0, 0, 0};
            const std::uint32_t faceFlags = (lane % 2 ? FACE_FRONT : 0u) | (lane % 3 ? FACE_USE_TEXTURE_COLOR : 0u);
            batch.Add(m, point, normal, view, faceFlags, lane == 7 ? 0.0f : 400.0f);
        }
        LightBatch reference = batch;
        LightPointsScalar(reference, set);
        for (const FrontEndIsa* isa : isas) {
            LightBatch lanes = batch;
            isa->lightPoints(lanes, set);
            for (int i = 0; i < batch.count; ++i) {
                const ColorRGBA& want = reference.lit[i];
                const ColorRGBA& got = lanes.lit[i];
                ASSERT_TRUE(SameBits(got.r, want.r) && SameBits(got.g, want.g) && SameBits(got.b, want.b) &&
                            SameBits(got.a, want.a))
                    << isa->name << " flags " << std::hex << flags << std::dec << " lane " << i << ": " << got.r
                    << " " << got.g << " " << got.b << " " << got.a << " against " << want.r << " " << want.g << " "
                    << want.b << " " << want.a;
                ++lanesCompared;
            }
        }
    }
    // 64 combinations of 16, 15 or 14 lanes.
    EXPECT_EQ(lanesCompared, static_cast<int>(isas.size()) * (22 * 16 + 21 * 15 + 21 * 14));
}

TEST_F(FrontEndLanes, TheBatchLightsAsLightPointDoes) {
    // The batch's scalar form against the renderer's own call.
    Light light = render_test::OmniLight({3, 4, -10}, 0.9f);
    Material m;
    m.shininess = 0.2f;
    Vertex v;
    v.position = {1, 2, 3};
    const Vec3 normal{0.0f, 0.6f, -0.8f};
    ColorRGBA want;
    {
        render_test::ScopedRenderFlags flags(RENDER_FLAGS_INITIAL);
        LightPoint(want, m, v, normal, v.position - Vec3{0, 0, -20}, &light, 1, FACE_FRONT);
    }
    LightBatch batch;
    batch.Add(m, v.position, normal, v.position - Vec3{0, 0, -20}, FACE_FRONT, Scene.specularity);
    LightPointsScalar(batch, {&light, 1, RENDER_FLAGS_INITIAL});
    EXPECT_TRUE(SameBits(batch.lit[0].r, want.r) && SameBits(batch.lit[0].a, want.a));
}

TEST_F(FrontEndLanes, TransformAndProjectionMatchTheScalarCode) {
    const std::vector<const FrontEndIsa*> isas = VectorIsas();
    constexpr std::size_t kCount = 203;
    std::vector<Vertex> vertices(kCount);
    for (std::size_t i = 0; i < kCount; ++i) vertices[i].position = Point(100);
    vertices[7].position = {0, 0, 0};  // z = 0 after the translation below: infinite 1/z
    for (int trial = 0; trial < 20; ++trial) {
        Matrix3 r = Matrix3::RotationY(Uniform(-3, 3));
        r.RotateZ(Uniform(-3, 3));
        const Vec3 t = trial == 0 ? Vec3{0, 0, 0} : Point(50);
        std::vector<float> want(8 * kCount), got(8 * kCount);
        auto values = [](std::vector<float>& v) {
            return VertexValues{&v[0], &v[kCount], &v[2 * kCount], &v[3 * kCount],
                                &v[4 * kCount], &v[5 * kCount], &v[6 * kCount], &v[7 * kCount]};
        };
        TransformVerticesScalar(vertices.data(), 0, kCount, r, t, values(want));
        for (const FrontEndIsa* isa : isas) {
            std::fill(got.begin(), got.end(), 0.0f);
            isa->transformVertices(vertices.data(), 3, kCount, r, t, values(got));
            for (std::size_t i = 3 * 0; i < 8 * kCount; ++i) {
                if (i % kCount < 3) continue;
                ASSERT_TRUE(SameBits(got[i], want[i])) << isa->name << " value " << i / kCount << " of vertex "
                                                       << i % kCount << ": " << got[i] << " against " << want[i];
            }
        }
    }
}

}  // namespace
