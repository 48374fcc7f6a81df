#include "platform/rm/math3d.h"

namespace rm {

Matrix Multiply(const Matrix& a, const Matrix& b) {
    Matrix r;
    for (int i = 0; i < 3; ++i)
        r.SetRow(i, TransformDirection(a.Row(i), b));
    r.SetRow(3, TransformPoint(a.Row(3), b));
    return r;
}

Matrix Inverse(const Matrix& a) {
    const Vec3 r0 = a.Row(0), r1 = a.Row(1), r2 = a.Row(2);
    const Vec3 c0 = Cross(r1, r2), c1 = Cross(r2, r0), c2 = Cross(r0, r1);
    const float det = Dot(r0, c0);
    if (std::fabs(det) < 1e-20f)
        return Matrix{};
    const float k = 1.0f / det;
    // The inverse of the 3x3 part has the cofactor vectors as its columns.
    Matrix r;
    r.m[0][0] = c0.x * k, r.m[0][1] = c1.x * k, r.m[0][2] = c2.x * k;
    r.m[1][0] = c0.y * k, r.m[1][1] = c1.y * k, r.m[1][2] = c2.y * k;
    r.m[2][0] = c0.z * k, r.m[2][1] = c1.z * k, r.m[2][2] = c2.z * k;
    r.SetRow(3, TransformDirection(a.Row(3), r) * -1.0f);
    return r;
}

Matrix Translation(Vec3 t) {
    Matrix r;
    r.SetRow(3, t);
    return r;
}

Matrix Rotation(Vec3 axis, float theta) {
    Matrix r;
    const float len = Length(axis);
    if (len <= 0)
        return r;
    const Vec3 k = axis * (1.0f / len);
    const float c = std::cos(theta), s = std::sin(theta), t = 1 - c;
    // Rodrigues: v' = v c + (k x v) s + k (k.v) t, written for each axis image.
    const Vec3 basis[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (int i = 0; i < 3; ++i) {
        const Vec3 v = basis[i];
        r.SetRow(i, v * c + Cross(k, v) * s + k * (Dot(k, v) * t));
    }
    return r;
}

Quaternion QuaternionFromRotation(Vec3 axis, float theta) {
    const Vec3 k = Normalized(axis);
    return {std::cos(theta / 2), k * std::sin(theta / 2)};
}

Matrix MatrixFromQuaternion(const Quaternion& q) {
    const float len = std::sqrt(q.s * q.s + Dot(q.v, q.v));
    if (len <= 0)
        return Matrix{};
    const float s = q.s / len;
    const Vec3 v = q.v * (1.0f / len);
    const float half = std::acos(std::fmax(-1.0f, std::fmin(1.0f, s)));
    return Rotation(v, -2.0f * half);
}

Quaternion Slerp(const Quaternion& a, const Quaternion& b0, float t) {
    Quaternion b = b0;
    float cosine = a.s * b.s + Dot(a.v, b.v);
    if (cosine < 0) {
        cosine = -cosine;
        b = {-b.s, b.v * -1.0f};
    }
    float wa = 1 - t, wb = t;
    if (cosine < 0.9999f) {
        const float angle = std::acos(cosine);
        const float inv = 1.0f / std::sin(angle);
        wa = std::sin((1 - t) * angle) * inv;
        wb = std::sin(t * angle) * inv;
    }
    return {a.s * wa + b.s * wb, a.v * wa + b.v * wb};
}

} // namespace rm
