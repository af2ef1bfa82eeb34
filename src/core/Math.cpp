#include "core/Math.h"

namespace ember {

Mat3 Mat3::inverse() const {
    const float* a = m;
    float c0 = a[4] * a[8] - a[5] * a[7];
    float c1 = a[5] * a[6] - a[3] * a[8];
    float c2 = a[3] * a[7] - a[4] * a[6];
    float det = a[0] * c0 + a[1] * c1 + a[2] * c2;
    if (det == 0.0f) return Mat3();
    float id = 1.0f / det;
    Mat3 r;
    r.m[0] = c0 * id;
    r.m[1] = (a[2] * a[7] - a[1] * a[8]) * id;
    r.m[2] = (a[1] * a[5] - a[2] * a[4]) * id;
    r.m[3] = c1 * id;
    r.m[4] = (a[0] * a[8] - a[2] * a[6]) * id;
    r.m[5] = (a[2] * a[3] - a[0] * a[5]) * id;
    r.m[6] = c2 * id;
    r.m[7] = (a[1] * a[6] - a[0] * a[7]) * id;
    r.m[8] = (a[0] * a[4] - a[1] * a[3]) * id;
    return r;
}

Mat3 inverse3(const Mat3& m) {
    const float* a = m.m;
    Mat3 r;
    r.m[0] = a[4] * a[8] - a[5] * a[7];
    r.m[1] = a[2] * a[7] - a[1] * a[8];
    r.m[2] = a[1] * a[5] - a[2] * a[4];
    r.m[3] = a[5] * a[6] - a[3] * a[8];
    r.m[4] = a[0] * a[8] - a[2] * a[6];
    r.m[5] = a[2] * a[3] - a[0] * a[5];
    r.m[6] = a[3] * a[7] - a[4] * a[6];
    r.m[7] = a[1] * a[6] - a[0] * a[7];
    r.m[8] = a[0] * a[4] - a[1] * a[3];
    float det = a[0] * r.m[0] + a[1] * r.m[3] + a[2] * r.m[6];
    if (std::fabs(det) <= 1e-7f) return r;
    float id = 1.0f / det;
    for (float& v : r.m) v *= id;
    return r;
}

Mat4 Mat4::inverse() const {
    const float* a = m;
    float inv[16];
    inv[0] = a[5] * a[10] * a[15] - a[5] * a[11] * a[14] - a[9] * a[6] * a[15] + a[9] * a[7] * a[14] + a[13] * a[6] * a[11] - a[13] * a[7] * a[10];
    inv[4] = -a[4] * a[10] * a[15] + a[4] * a[11] * a[14] + a[8] * a[6] * a[15] - a[8] * a[7] * a[14] - a[12] * a[6] * a[11] + a[12] * a[7] * a[10];
    inv[8] = a[4] * a[9] * a[15] - a[4] * a[11] * a[13] - a[8] * a[5] * a[15] + a[8] * a[7] * a[13] + a[12] * a[5] * a[11] - a[12] * a[7] * a[9];
    inv[12] = -a[4] * a[9] * a[14] + a[4] * a[10] * a[13] + a[8] * a[5] * a[14] - a[8] * a[6] * a[13] - a[12] * a[5] * a[10] + a[12] * a[6] * a[9];
    inv[1] = -a[1] * a[10] * a[15] + a[1] * a[11] * a[14] + a[9] * a[2] * a[15] - a[9] * a[3] * a[14] - a[13] * a[2] * a[11] + a[13] * a[3] * a[10];
    inv[5] = a[0] * a[10] * a[15] - a[0] * a[11] * a[14] - a[8] * a[2] * a[15] + a[8] * a[3] * a[14] + a[12] * a[2] * a[11] - a[12] * a[3] * a[10];
    inv[9] = -a[0] * a[9] * a[15] + a[0] * a[11] * a[13] + a[8] * a[1] * a[15] - a[8] * a[3] * a[13] - a[12] * a[1] * a[11] + a[12] * a[3] * a[9];
    inv[13] = a[0] * a[9] * a[14] - a[0] * a[10] * a[13] - a[8] * a[1] * a[14] + a[8] * a[2] * a[13] + a[12] * a[1] * a[10] - a[12] * a[2] * a[9];
    inv[2] = a[1] * a[6] * a[15] - a[1] * a[7] * a[14] - a[5] * a[2] * a[15] + a[5] * a[3] * a[14] + a[13] * a[2] * a[7] - a[13] * a[3] * a[6];
    inv[6] = -a[0] * a[6] * a[15] + a[0] * a[7] * a[14] + a[4] * a[2] * a[15] - a[4] * a[3] * a[14] - a[12] * a[2] * a[7] + a[12] * a[3] * a[6];
    inv[10] = a[0] * a[5] * a[15] - a[0] * a[7] * a[13] - a[4] * a[1] * a[15] + a[4] * a[3] * a[13] + a[12] * a[1] * a[7] - a[12] * a[3] * a[5];
    inv[14] = -a[0] * a[5] * a[14] + a[0] * a[6] * a[13] + a[4] * a[1] * a[14] - a[4] * a[2] * a[13] - a[12] * a[1] * a[6] + a[12] * a[2] * a[5];
    inv[3] = -a[1] * a[6] * a[11] + a[1] * a[7] * a[10] + a[5] * a[2] * a[11] - a[5] * a[3] * a[10] - a[9] * a[2] * a[7] + a[9] * a[3] * a[6];
    inv[7] = a[0] * a[6] * a[11] - a[0] * a[7] * a[10] - a[4] * a[2] * a[11] + a[4] * a[3] * a[10] + a[8] * a[2] * a[7] - a[8] * a[3] * a[6];
    inv[11] = -a[0] * a[5] * a[11] + a[0] * a[7] * a[9] + a[4] * a[1] * a[11] - a[4] * a[3] * a[9] - a[8] * a[1] * a[7] + a[8] * a[3] * a[5];
    inv[15] = a[0] * a[5] * a[10] - a[0] * a[6] * a[9] - a[4] * a[1] * a[10] + a[4] * a[2] * a[9] + a[8] * a[1] * a[6] - a[8] * a[2] * a[5];
    float det = a[0] * inv[0] + a[1] * inv[4] + a[2] * inv[8] + a[3] * inv[12];
    if (det == 0.0f) return Mat4();
    float id = 1.0f / det;
    Mat4 r;
    for (int i = 0; i < 16; ++i) r.m[i] = inv[i] * id;
    return r;
}

Mat4 Mat4::rotationX(float a) {
    Mat4 r; float c = std::cos(a), s = std::sin(a);
    r(1, 1) = c; r(1, 2) = -s; r(2, 1) = s; r(2, 2) = c;
    return r;
}
Mat4 Mat4::rotationY(float a) {
    Mat4 r; float c = std::cos(a), s = std::sin(a);
    r(0, 0) = c; r(0, 2) = s; r(2, 0) = -s; r(2, 2) = c;
    return r;
}
Mat4 Mat4::rotationZ(float a) {
    Mat4 r; float c = std::cos(a), s = std::sin(a);
    r(0, 0) = c; r(0, 1) = -s; r(1, 0) = s; r(1, 1) = c;
    return r;
}

Mat4 Mat4::perspective(float fovY, float aspect, float n, float f) {
    Mat4 r;
    float t = 1.0f / std::tan(fovY * 0.5f);
    r(0, 0) = t / aspect; r(1, 1) = t;
    r(2, 2) = (f + n) / (n - f); r(2, 3) = 2.0f * f * n / (n - f);
    r(3, 2) = -1.0f; r(3, 3) = 0.0f;
    return r;
}

Mat4 Mat4::orthographic(float l, float rr, float b, float t, float n, float f) {
    Mat4 r;
    r(0, 0) = 2.0f / (rr - l); r(0, 3) = -(rr + l) / (rr - l);
    r(1, 1) = 2.0f / (t - b); r(1, 3) = -(t + b) / (t - b);
    r(2, 2) = -2.0f / (f - n); r(2, 3) = -(f + n) / (f - n);
    return r;
}

Mat4 Mat4::lookAt(const Vec3& eye, const Vec3& target, const Vec3& up) {
    Vec3 fw = (target - eye).normalized();
    Vec3 s = fw.cross(up).normalized();
    Vec3 u = s.cross(fw);
    Mat4 r;
    r(0, 0) = s.x; r(0, 1) = s.y; r(0, 2) = s.z; r(0, 3) = -s.dot(eye);
    r(1, 0) = u.x; r(1, 1) = u.y; r(1, 2) = u.z; r(1, 3) = -u.dot(eye);
    r(2, 0) = -fw.x; r(2, 1) = -fw.y; r(2, 2) = -fw.z; r(2, 3) = fw.dot(eye);
    return r;
}

} // namespace ember
