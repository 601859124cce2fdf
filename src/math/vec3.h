// Three-component single-precision vector: positions, directions, normals.
#pragma once

// The screen snapping (adding and subtracting 2^19) and the frame statistics
// depend on every float operation being rounded as IEEE single precision.
#ifdef __FAST_MATH__
#error "Tarnview must not be built with -ffast-math or -Ofast"
#endif

struct Vec3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    constexpr Vec3() = default;
    constexpr Vec3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}

    constexpr Vec3 operator+(const Vec3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    constexpr Vec3 operator-(const Vec3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    constexpr Vec3 operator*(float s) const { return {x * s, y * s, z * s}; }
    constexpr Vec3 operator-() const { return {-x, -y, -z}; }
    Vec3& operator+=(const Vec3& o) { x += o.x; y += o.y; z += o.z; return *this; }
    Vec3& operator-=(const Vec3& o) { x -= o.x; y -= o.y; z -= o.z; return *this; }

    constexpr float Dot(const Vec3& o) const { return x * o.x + y * o.y + z * o.z; }
};
