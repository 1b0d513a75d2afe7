// 4 x 4 float matrices in row-vector convention (a point is row x matrix), stored row by row, and
// the left-handed camera matrices the scene uses. Sines and cosines are single precision.
#pragma once

#include <cmath>

namespace Zorva::Renderer {

struct Float4 {
    float x = 0, y = 0, z = 0, w = 0;
};

struct Matrix {
    float m[4][4] = {};

    static Matrix Identity()
    {
        Matrix r;
        for (int i = 0; i < 4; ++i)
            r.m[i][i] = 1.0f;
        return r;
    }
};

inline Matrix operator*(const Matrix& a, const Matrix& b)
{
    Matrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float s = 0.0f;
            for (int k = 0; k < 4; ++k)
                s += a.m[i][k] * b.m[k][j];
            r.m[i][j] = s;
        }
    return r;
}

inline Matrix Transpose(const Matrix& a)
{
    Matrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a.m[j][i];
    return r;
}

inline Float4 Transform(const Float4& v, const Matrix& a)
{
    const float in[4] = {v.x, v.y, v.z, v.w};
    float out[4];
    for (int j = 0; j < 4; ++j)
        out[j] = in[0] * a.m[0][j] + in[1] * a.m[1][j] + in[2] * a.m[2][j] + in[3] * a.m[3][j];
    return {out[0], out[1], out[2], out[3]};
}

inline Matrix Scaling(float x, float y, float z)
{
    Matrix r = Matrix::Identity();
    r.m[0][0] = x;
    r.m[1][1] = y;
    r.m[2][2] = z;
    return r;
}

inline Matrix Translation(float x, float y, float z)
{
    Matrix r = Matrix::Identity();
    r.m[3][0] = x;
    r.m[3][1] = y;
    r.m[3][2] = z;
    return r;
}

inline Matrix RotationY(float a)
{
    const float c = std::cos(a), s = std::sin(a);
    Matrix r = Matrix::Identity();
    r.m[0][0] = c;
    r.m[0][2] = -s;
    r.m[2][0] = s;
    r.m[2][2] = c;
    return r;
}

inline Matrix RotationZ(float a)
{
    const float c = std::cos(a), s = std::sin(a);
    Matrix r = Matrix::Identity();
    r.m[0][0] = c;
    r.m[0][1] = s;
    r.m[1][0] = -s;
    r.m[1][1] = c;
    return r;
}

// Left-handed view from `eye` looking along `dir` with `up`.
inline Matrix LookToLH(Float4 eye, Float4 dir, Float4 up)
{
    auto norm = [](Float4 v) {
        const float l = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
        return Float4{v.x / l, v.y / l, v.z / l, 0};
    };
    auto cross = [](Float4 a, Float4 b) {
        return Float4{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x, 0};
    };
    auto dot = [](Float4 a, Float4 b) { return a.x * b.x + a.y * b.y + a.z * b.z; };
    const Float4 z = norm(dir);
    const Float4 x = norm(cross(up, z));
    const Float4 y = cross(z, x);
    Matrix r = Matrix::Identity();
    r.m[0][0] = x.x;
    r.m[1][0] = x.y;
    r.m[2][0] = x.z;
    r.m[0][1] = y.x;
    r.m[1][1] = y.y;
    r.m[2][1] = y.z;
    r.m[0][2] = z.x;
    r.m[1][2] = z.y;
    r.m[2][2] = z.z;
    r.m[3][0] = -dot(x, eye);
    r.m[3][1] = -dot(y, eye);
    r.m[3][2] = -dot(z, eye);
    return r;
}

// Left-handed perspective, depth 0 at the near plane and 1 at the far plane.
inline Matrix PerspectiveFovLH(float fovY, float aspect, float zn, float zf)
{
    const float h = 1.0f / std::tan(fovY * 0.5f);
    const float w = h / aspect;
    const float q = zf / (zf - zn);
    Matrix r;
    r.m[0][0] = w;
    r.m[1][1] = h;
    r.m[2][2] = q;
    r.m[2][3] = 1.0f;
    r.m[3][2] = -q * zn;
    return r;
}

} // namespace Zorva::Renderer
