// A 4x4 float matrix for row vectors (v' = v * M), built the way the effects compose placements.
#pragma once

namespace quib {

// m[row][column]; translation lives in row 3. Multiply(a, b) applies a first, then b.
struct Matrix4 {
    float m[4][4];

    static Matrix4 Identity();
    static Matrix4 Scaling(float sx, float sy, float sz);
    // Counter-clockwise by `radians` as seen with y up.
    static Matrix4 RotationZ(float radians);
    static Matrix4 Translation(float tx, float ty, float tz);
    static Matrix4 Multiply(const Matrix4& a, const Matrix4& b);

    // The row vector (x, y, z, 1) times this matrix; w is dropped (these matrices are affine).
    void TransformPoint(float& x, float& y, float& z) const;

    bool operator==(const Matrix4&) const = default;
};

} // namespace quib
