// Row-vector matrix construction and products.
#include "host/gfx/Matrix4.h"

#include <cmath>

namespace quib {

Matrix4 Matrix4::Identity() {
    return Scaling(1.0f, 1.0f, 1.0f);
}

Matrix4 Matrix4::Scaling(float sx, float sy, float sz) {
    Matrix4 r{};
    r.m[0][0] = sx;
    r.m[1][1] = sy;
    r.m[2][2] = sz;
    r.m[3][3] = 1.0f;
    return r;
}

Matrix4 Matrix4::RotationZ(float radians) {
    const float c = std::cos(radians);
    const float s = std::sin(radians);
    Matrix4 r = Identity();
    r.m[0][0] = c;
    r.m[0][1] = s;
    r.m[1][0] = -s;
    r.m[1][1] = c;
    return r;
}

Matrix4 Matrix4::Translation(float tx, float ty, float tz) {
    Matrix4 r = Identity();
    r.m[3][0] = tx;
    r.m[3][1] = ty;
    r.m[3][2] = tz;
    return r;
}

Matrix4 Matrix4::Multiply(const Matrix4& a, const Matrix4& b) {
    Matrix4 r{};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) {
                sum += a.m[i][k] * b.m[k][j];
            }
            r.m[i][j] = sum;
        }
    }
    return r;
}

void Matrix4::TransformPoint(float& x, float& y, float& z) const {
    const float in[4] = {x, y, z, 1.0f};
    float out[3];
    for (int j = 0; j < 3; ++j) {
        out[j] = in[0] * m[0][j] + in[1] * m[1][j] + in[2] * m[2][j] + in[3] * m[3][j];
    }
    x = out[0];
    y = out[1];
    z = out[2];
}

} // namespace quib
