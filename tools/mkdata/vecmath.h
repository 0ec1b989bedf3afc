// vecmath.h -- the small vector and matrix arithmetic that the generator's pictures and meshes share
#pragma once

#include <cmath>

struct Vec2 {
    float x = 0, y = 0;
};

struct Vec3 {
    float x = 0, y = 0, z = 0;
};

inline Vec2 operator+(Vec2 a, Vec2 b) { return {a.x + b.x, a.y + b.y}; }
inline Vec2 operator-(Vec2 a, Vec2 b) { return {a.x - b.x, a.y - b.y}; }
inline Vec2 operator*(Vec2 a, float s) { return {a.x * s, a.y * s}; }
inline float dot(Vec2 a, Vec2 b) { return a.x * b.x + a.y * b.y; }
inline float length(Vec2 a) { return std::sqrt(dot(a, a)); }

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator-(Vec3 a) { return {-a.x, -a.y, -a.z}; }
inline Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline Vec3 mul(Vec3 a, Vec3 b) { return {a.x * b.x, a.y * b.y, a.z * b.z}; }
inline float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline float length(Vec3 a) { return std::sqrt(dot(a, a)); }
inline Vec3 normalize(Vec3 a) {
    const float l = length(a);
    return l > 0 ? a * (1.0f / l) : Vec3{0, 0, 0};
}

inline float clamp01(float v) { return v < 0 ? 0 : v > 1 ? 1 : v; }
inline float smoothstep(float e0, float e1, float x) {
    const float t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

inline constexpr float kPi = 3.14159265358979f;

// A 3 x 3 matrix in rows: m[row][column], applied as m * v.
struct Mat3 {
    float m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
};

inline Vec3 operator*(const Mat3& a, Vec3 v) {
    return {a.m[0][0] * v.x + a.m[0][1] * v.y + a.m[0][2] * v.z, a.m[1][0] * v.x + a.m[1][1] * v.y + a.m[1][2] * v.z,
            a.m[2][0] * v.x + a.m[2][1] * v.y + a.m[2][2] * v.z};
}

inline Mat3 operator*(const Mat3& a, const Mat3& b) {
    Mat3 r;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j];
    }
    return r;
}

inline float determinant(const Mat3& a) {
    return a.m[0][0] * (a.m[1][1] * a.m[2][2] - a.m[1][2] * a.m[2][1]) -
           a.m[0][1] * (a.m[1][0] * a.m[2][2] - a.m[1][2] * a.m[2][0]) +
           a.m[0][2] * (a.m[1][0] * a.m[2][1] - a.m[1][1] * a.m[2][0]);
}

// Rotation by degrees about a unit axis, as glRotatef builds it.
inline Mat3 rotation(float degrees, Vec3 axis) {
    const Vec3 u = normalize(axis);
    const float a = degrees * kPi / 180.0f;
    const float c = std::cos(a), s = std::sin(a), k = 1 - c;
    Mat3 r;
    r.m[0][0] = u.x * u.x * k + c;
    r.m[0][1] = u.x * u.y * k - u.z * s;
    r.m[0][2] = u.x * u.z * k + u.y * s;
    r.m[1][0] = u.y * u.x * k + u.z * s;
    r.m[1][1] = u.y * u.y * k + c;
    r.m[1][2] = u.y * u.z * k - u.x * s;
    r.m[2][0] = u.z * u.x * k - u.y * s;
    r.m[2][1] = u.z * u.y * k + u.x * s;
    r.m[2][2] = u.z * u.z * k + c;
    return r;
}

inline Mat3 scaling(Vec3 s) {
    Mat3 r;
    r.m[0][0] = s.x;
    r.m[1][1] = s.y;
    r.m[2][2] = s.z;
    return r;
}

// The matrix whose columns are a, b and c.
inline Mat3 from_columns(Vec3 a, Vec3 b, Vec3 c) {
    Mat3 r;
    r.m[0][0] = a.x, r.m[0][1] = b.x, r.m[0][2] = c.x;
    r.m[1][0] = a.y, r.m[1][1] = b.y, r.m[1][2] = c.y;
    r.m[2][0] = a.z, r.m[2][1] = b.z, r.m[2][2] = c.z;
    return r;
}
