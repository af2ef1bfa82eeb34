#pragma once
#include <cmath>

namespace ember {

// Degrees to radians, held exactly as the engine has always used it.
constexpr double DEGREE = 0.01745329238474369;

struct Vec2 {
    float x = 0, y = 0;
    Vec2() = default;
    Vec2(float x_, float y_) : x(x_), y(y_) {}
    Vec2 operator+(const Vec2& o) const { return {x + o.x, y + o.y}; }
    Vec2 operator-(const Vec2& o) const { return {x - o.x, y - o.y}; }
    Vec2 operator*(float s) const { return {x * s, y * s}; }
    float dot(const Vec2& o) const { return x * o.x + y * o.y; }
    float length() const { return std::sqrt(dot(*this)); }
};

struct Vec3 {
    float x = 0, y = 0, z = 0;
    Vec3() = default;
    Vec3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
    Vec3 operator+(const Vec3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    Vec3 operator-(const Vec3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    Vec3 operator-() const { return {-x, -y, -z}; }
    Vec3 operator*(float s) const { return {x * s, y * s, z * s}; }
    Vec3& operator+=(const Vec3& o) { x += o.x; y += o.y; z += o.z; return *this; }
    float dot(const Vec3& o) const { return x * o.x + y * o.y + z * o.z; }
    Vec3 cross(const Vec3& o) const { return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x}; }
    float length() const { return std::sqrt(dot(*this)); }
    // Returns the unit vector; a zero vector stays zero.
    Vec3 normalized() const { float l = length(); return l > 0 ? *this * (1.0f / l) : *this; }
};

struct Vec4 {
    float x = 0, y = 0, z = 0, w = 0;
    Vec4() = default;
    Vec4(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}
    Vec4(const Vec3& v, float w_) : x(v.x), y(v.y), z(v.z), w(w_) {}
    Vec3 xyz() const { return {x, y, z}; }
};

// 3x3 matrix, 9 floats stored row by row.
struct Mat3 {
    float m[9];
    Mat3() : m{1, 0, 0, 0, 1, 0, 0, 0, 1} {}
    float& operator()(int r, int c) { return m[r * 3 + c]; }
    float operator()(int r, int c) const { return m[r * 3 + c]; }
    Vec3 operator*(const Vec3& v) const {
        return {m[0] * v.x + m[1] * v.y + m[2] * v.z, m[3] * v.x + m[4] * v.y + m[5] * v.z,
                m[6] * v.x + m[7] * v.y + m[8] * v.z};
    }
    Mat3 operator*(const Mat3& b) const {
        Mat3 r;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                r(i, j) = (*this)(i, 0) * b(0, j) + (*this)(i, 1) * b(1, j) + (*this)(i, 2) * b(2, j);
        return r;
    }
    Mat3 transposed() const {
        Mat3 r;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) r(i, j) = (*this)(j, i);
        return r;
    }
    // Inverse; a singular matrix yields the identity.
    Mat3 inverse() const;
};

// The 3x3 inverse used for normal matrices: the adjugate divided by the
// determinant, or the adjugate undivided when |determinant| <= 1e-7 (so a
// degenerate scale yields a usable direction instead of a blown-up matrix).
Mat3 inverse3(const Mat3& a);

// 4x4 matrix, 16 floats stored row by row. Points are column vectors
// (p' = M * p), so the translation lives in elements 3, 7 and 11, and A * B
// applies B first. Uploaded to GL as stored with transpose set to true.
struct Mat4 {
    float m[16];
    Mat4() : m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1} {}
    float& operator()(int r, int c) { return m[r * 4 + c]; }
    float operator()(int r, int c) const { return m[r * 4 + c]; }
    const float* data() const { return m; }

    Mat4 operator*(const Mat4& b) const {
        Mat4 r;
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) {
                float s = 0;
                for (int k = 0; k < 4; ++k) s += (*this)(i, k) * b(k, j);
                r(i, j) = s;
            }
        return r;
    }
    Vec4 operator*(const Vec4& v) const {
        return {m[0] * v.x + m[1] * v.y + m[2] * v.z + m[3] * v.w,
                m[4] * v.x + m[5] * v.y + m[6] * v.z + m[7] * v.w,
                m[8] * v.x + m[9] * v.y + m[10] * v.z + m[11] * v.w,
                m[12] * v.x + m[13] * v.y + m[14] * v.z + m[15] * v.w};
    }
    Vec3 transformPoint(const Vec3& p) const { return ((*this) * Vec4(p, 1.0f)).xyz(); }
    Vec3 transformVector(const Vec3& v) const { return ((*this) * Vec4(v, 0.0f)).xyz(); }
    Mat4 transposed() const {
        Mat4 r;
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) r(i, j) = (*this)(j, i);
        return r;
    }
    // Upper-left 3x3 block.
    Mat3 upper3() const {
        Mat3 r;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) r(i, j) = (*this)(i, j);
        return r;
    }
    // General inverse; a singular matrix yields the identity.
    Mat4 inverse() const;

    static Mat4 identity() { return Mat4(); }
    static Mat4 translation(float x, float y, float z) {
        Mat4 r; r.m[3] = x; r.m[7] = y; r.m[11] = z; return r;
    }
    static Mat4 scaling(float x, float y, float z) {
        Mat4 r; r.m[0] = x; r.m[5] = y; r.m[10] = z; return r;
    }
    static Mat4 rotationX(float a);
    static Mat4 rotationY(float a);
    static Mat4 rotationZ(float a);
    // Right-handed perspective projection to GL clip space; fovY in radians.
    static Mat4 perspective(float fovY, float aspect, float zNear, float zFar);
    static Mat4 orthographic(float l, float r, float b, float t, float n, float f);
    static Mat4 lookAt(const Vec3& eye, const Vec3& target, const Vec3& up);
};

} // namespace ember
