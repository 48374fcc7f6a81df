#pragma once
// Vectors, affine matrices and quaternions of the scene layer. Matrices follow the row-vector
// rule: a point p in a frame's space is p * M in its parent's space, so M = A * B applies A
// first, then B.

#include <cmath>

namespace rm {

struct Vec3 {
    float x = 0, y = 0, z = 0;
};

inline Vec3 operator+(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator*(Vec3 a, float s) {
    return {a.x * s, a.y * s, a.z * s};
}
inline float Dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3 Cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float Length(Vec3 a) {
    return std::sqrt(Dot(a, a));
}
// A zero vector stays zero rather than becoming NaN.
inline Vec3 Normalized(Vec3 a) {
    const float len = Length(a);
    return len > 0 ? a * (1.0f / len) : a;
}

// Affine transform: rows 0..2 are the images of the x, y and z axes, row 3 the translation.
struct Matrix {
    float m[4][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0}};

    Vec3 Row(int r) const { return {m[r][0], m[r][1], m[r][2]}; }
    void SetRow(int r, Vec3 v) {
        m[r][0] = v.x;
        m[r][1] = v.y;
        m[r][2] = v.z;
    }
};

inline Vec3 TransformPoint(Vec3 p, const Matrix& a) {
    return {p.x * a.m[0][0] + p.y * a.m[1][0] + p.z * a.m[2][0] + a.m[3][0],
            p.x * a.m[0][1] + p.y * a.m[1][1] + p.z * a.m[2][1] + a.m[3][1],
            p.x * a.m[0][2] + p.y * a.m[1][2] + p.z * a.m[2][2] + a.m[3][2]};
}

inline Vec3 TransformDirection(Vec3 d, const Matrix& a) {
    return {d.x * a.m[0][0] + d.y * a.m[1][0] + d.z * a.m[2][0],
            d.x * a.m[0][1] + d.y * a.m[1][1] + d.z * a.m[2][1],
            d.x * a.m[0][2] + d.y * a.m[1][2] + d.z * a.m[2][2]};
}

Matrix Multiply(const Matrix& a, const Matrix& b); // a first, then b
Matrix Inverse(const Matrix& a);                   // identity when a is singular
Matrix Translation(Vec3 t);
// Turns about `axis` by `theta`: about z, +x toward +y; about x, +y toward +z; about y, +z
// toward +x. A zero axis gives the identity.
Matrix Rotation(Vec3 axis, float theta);

struct Quaternion {
    float s = 1;
    Vec3 v;
};

Quaternion QuaternionFromRotation(Vec3 axis, float theta);
// The attitude a rotation key stands for: the key of (axis, theta) turns by -theta.
Matrix MatrixFromQuaternion(const Quaternion& q);
// Spherical interpolation along the shorter of the two arcs between a and b.
Quaternion Slerp(const Quaternion& a, const Quaternion& b, float t);

} // namespace rm
