#pragma once
// 3-vector of float millimetres or unit directions, the tracking layer's basic value type.

#include <cmath>

namespace Leap {

constexpr float PI = 3.1415926536f;

struct Vector {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    constexpr Vector() = default;
    constexpr Vector(float ax, float ay, float az) : x(ax), y(ay), z(az) {}

    float magnitudeSquared() const { return x * x + y * y + z * z; }
    float magnitude() const { return std::sqrt(magnitudeSquared()); }
    float distanceTo(const Vector& o) const { return (*this - o).magnitude(); }
    float dot(const Vector& o) const { return x * o.x + y * o.y + z * o.z; }
    Vector cross(const Vector& o) const
    {
        return Vector(y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x);
    }
    // Zero stays zero: a degenerate bone has no direction.
    Vector normalized() const
    {
        const float m = magnitude();
        return m > 1e-12f ? Vector(x / m, y / m, z / m) : Vector();
    }
    // The angle rule callers depend on: near-zero vectors give 0, the cosine is clamped to [-1, 1].
    float angleTo(const Vector& o) const
    {
        const float denom = magnitudeSquared() * o.magnitudeSquared();
        if (denom <= 1.1920929e-7f)
            return 0.0f;
        const float c = dot(o) / std::sqrt(denom);
        if (c <= -1.0f)
            return PI;
        if (c >= 1.0f)
            return 0.0f;
        return std::acos(c);
    }
    bool isValid() const { return std::isfinite(x) && std::isfinite(y) && std::isfinite(z); }

    Vector operator+(const Vector& o) const { return Vector(x + o.x, y + o.y, z + o.z); }
    Vector operator-(const Vector& o) const { return Vector(x - o.x, y - o.y, z - o.z); }
    Vector operator-() const { return Vector(-x, -y, -z); }
    Vector operator*(float s) const { return Vector(x * s, y * s, z * s); }
    Vector operator/(float s) const { return Vector(x / s, y / s, z / s); }
    Vector& operator+=(const Vector& o) { x += o.x; y += o.y; z += o.z; return *this; }
    Vector& operator-=(const Vector& o) { x -= o.x; y -= o.y; z -= o.z; return *this; }
    Vector& operator*=(float s) { x *= s; y *= s; z *= s; return *this; }
    bool operator==(const Vector& o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator!=(const Vector& o) const { return !(*this == o); }
    float operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }
};

inline Vector operator*(float s, const Vector& v) { return v * s; }

} // namespace Leap
