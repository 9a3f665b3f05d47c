// Row-vector matrix products as the effects compose them.
#include "host/gfx/Matrix4.h"

#include <gtest/gtest.h>

namespace quib {
namespace {

void ExpectPoint(const Matrix4& m, float x, float y, float ex, float ey) {
    float z = 0.0f;
    m.TransformPoint(x, y, z);
    EXPECT_NEAR(x, ex, 1e-5f);
    EXPECT_NEAR(y, ey, 1e-5f);
    EXPECT_NEAR(z, 0.0f, 1e-6f);
}

TEST(Matrix4Test, BuildingBlocks) {
    ExpectPoint(Matrix4::Identity(), 0.3f, -0.7f, 0.3f, -0.7f);
    ExpectPoint(Matrix4::Scaling(2.0f, 0.5f, 1.0f), 0.3f, -0.8f, 0.6f, -0.4f);
    ExpectPoint(Matrix4::Translation(0.25f, -1.0f, 0.0f), 0.5f, 0.5f, 0.75f, -0.5f);
    ExpectPoint(Matrix4::RotationZ(1.5707964f), 1.0f, 0.0f, 0.0f, 1.0f);
    ExpectPoint(Matrix4::RotationZ(-1.5707964f), 1.0f, 0.0f, 0.0f, -1.0f);
}

TEST(Matrix4Test, MultiplyAppliesTheLeftMatrixFirst) {
    const Matrix4 scale = Matrix4::Scaling(2.0f, 2.0f, 1.0f);
    const Matrix4 move = Matrix4::Translation(1.0f, 0.0f, 0.0f);
    ExpectPoint(Matrix4::Multiply(scale, move), 1.0f, 1.0f, 3.0f, 2.0f);
    ExpectPoint(Matrix4::Multiply(move, scale), 1.0f, 1.0f, 4.0f, 2.0f);
    EXPECT_EQ(Matrix4::Multiply(Matrix4::Identity(), move), move);
    EXPECT_EQ(Matrix4::Multiply(move, Matrix4::Identity()), move);
}

} // namespace
} // namespace quib
