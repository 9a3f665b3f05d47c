// Drawing rules read back from the headless device: blending, stage 0, lists, world, filters.
#include "GfxTestFixture.h"

#include <cmath>

namespace quib {
namespace {

TEST_F(GfxTest, ClearIsOpaqueBlackAndHalfTransparentQuadBlendsOverIt) {
    EXPECT_EQ(Pixel(10, 10), 0xFF000000u);
    DrawQuad(-1.0f, 1.0f, 1.0f, -1.0f, 0x80FF4020u);
    // 0x80 / 255 of the source over black; the frame stays opaque.
    EXPECT_TRUE(ColourNear(Pixel(10, 10), 0xFF802010u, 1));
    DrawQuad(-1.0f, 1.0f, 1.0f, -1.0f, 0x400000FFu);
    // 0x40 / 255 of blue over the previous colour.
    EXPECT_TRUE(ColourNear(Pixel(10, 10), 0xFF60184Bu, 2));
}

TEST_F(GfxTest, QuadCoversItsRectangleInDeviceCoordinates) {
    // The top-left quarter: x -1..0, y 0..1 is pixels 0..31 across, rows 0..31 from the top.
    DrawQuad(-1.0f, 1.0f, 0.0f, 0.0f, 0xFFFFFFFFu);
    EXPECT_EQ(Pixel(1, 1), 0xFFFFFFFFu);
    EXPECT_EQ(Pixel(30, 30), 0xFFFFFFFFu);
    EXPECT_EQ(Pixel(33, 30), 0xFF000000u);
    EXPECT_EQ(Pixel(30, 33), 0xFF000000u);
}

TEST_F(GfxTest, TextureGivesColourAndAlphaComesFromTheSelectedSource) {
    auto texture = MakeTexture(4, 4, TextureUsage::Plain, [](int, int) { return 0x4000FF00u; });
    device->SetTexture(texture.get());

    // Vertex alpha 0xC0 (diffuse-then-texture): the vertex's red never shows.
    device->SetAlphaSource(AlphaSource::Vertex);
    DrawQuad(-1.0f, 1.0f, 0.0f, -1.0f, 0xC0FF0000u);
    EXPECT_TRUE(ColourNear(Pixel(10, 10), 0xFF00C000u, 1));

    // Texture alpha 0x40 (texture-then-diffuse).
    device->SetAlphaSource(AlphaSource::Texture);
    DrawQuad(0.0f, 1.0f, 1.0f, -1.0f, 0xC0FF0000u);
    EXPECT_TRUE(ColourNear(Pixel(50, 10), 0xFF004000u, 1));
}

TEST_F(GfxTest, WithoutTextureColourAndAlphaComeFromTheVertices) {
    auto texture = MakeTexture(2, 2, TextureUsage::Plain, [](int, int) { return 0xFFFFFFFFu; });
    device->SetTexture(texture.get());
    device->SetAlphaSource(AlphaSource::Texture);
    device->SetTexture(nullptr);

    // Two triangles of a list: the left half red at alpha 0x80, the right half opaque green.
    auto buffer = device->CreateVertexBuffer(6 * sizeof(ColouredVertex));
    auto* v = static_cast<ColouredVertex*>(buffer->Lock());
    v[0] = {-1.0f, 1.0f, 0.0f, 0x80FF0000u};
    v[1] = {0.0f, 1.0f, 0.0f, 0x80FF0000u};
    v[2] = {-1.0f, -1.0f, 0.0f, 0x80FF0000u};
    v[3] = {0.0f, 1.0f, 0.0f, 0xFF00FF00u};
    v[4] = {1.0f, 1.0f, 0.0f, 0xFF00FF00u};
    v[5] = {1.0f, -1.0f, 0.0f, 0xFF00FF00u};
    buffer->Unlock();
    device->Draw(*buffer, VertexFormat::Coloured, Primitive::TriangleList, 0, 2);

    EXPECT_TRUE(ColourNear(Pixel(2, 10), 0xFF800000u, 1));
    EXPECT_EQ(Pixel(60, 10), 0xFF00FF00u);
    // Below each diagonal nothing was drawn.
    EXPECT_EQ(Pixel(30, 60), 0xFF000000u);
    EXPECT_EQ(Pixel(34, 60), 0xFF000000u);
}

TEST_F(GfxTest, VertexColoursAreInterpolated) {
    auto buffer = device->CreateVertexBuffer(4 * sizeof(ColouredVertex));
    auto* v = static_cast<ColouredVertex*>(buffer->Lock());
    v[0] = {-1.0f, 1.0f, 0.0f, 0xFF000000u};
    v[1] = {1.0f, 1.0f, 0.0f, 0xFFFFFFFFu};
    v[2] = {1.0f, -1.0f, 0.0f, 0xFFFFFFFFu};
    v[3] = {-1.0f, -1.0f, 0.0f, 0xFF000000u};
    buffer->Unlock();
    device->Draw(*buffer, VertexFormat::Coloured, Primitive::TriangleFan, 0, 2);
    EXPECT_TRUE(ColourNear(Pixel(32, 20), 0xFF818181u, 4));
    EXPECT_LT(Channel(Pixel(4, 20), 0), 0x20);
    EXPECT_GT(Channel(Pixel(60, 20), 0), 0xE0);
}

TEST_F(GfxTest, DrawStartsAtTheGivenVertexAndRefusesRangesPastTheEnd) {
    // Two fans in one buffer; only the second (starting at vertex 4) is drawn.
    auto buffer = device->CreateVertexBuffer(8 * sizeof(ColouredVertex));
    auto* v = static_cast<ColouredVertex*>(buffer->Lock());
    const float x[2][2] = {{-1.0f, 0.0f}, {0.0f, 1.0f}};
    for (int fan = 0; fan < 2; ++fan) {
        v[fan * 4 + 0] = {x[fan][0], 1.0f, 0.0f, 0xFFFFFFFFu};
        v[fan * 4 + 1] = {x[fan][1], 1.0f, 0.0f, 0xFFFFFFFFu};
        v[fan * 4 + 2] = {x[fan][1], -1.0f, 0.0f, 0xFFFFFFFFu};
        v[fan * 4 + 3] = {x[fan][0], -1.0f, 0.0f, 0xFFFFFFFFu};
    }
    buffer->Unlock();
    device->Draw(*buffer, VertexFormat::Coloured, Primitive::TriangleFan, 4, 2);
    EXPECT_EQ(Pixel(10, 10), 0xFF000000u);
    EXPECT_EQ(Pixel(50, 10), 0xFFFFFFFFu);

    device->Clear();
    device->Draw(*buffer, VertexFormat::Coloured, Primitive::TriangleFan, 5, 2);
    device->Draw(*buffer, VertexFormat::Coloured, Primitive::TriangleList, 0, 3);
    device->Draw(*buffer, VertexFormat::Textured, Primitive::TriangleFan, 4, 2);
    device->Draw(*buffer, VertexFormat::Coloured, Primitive::TriangleFan, 0xFFFFFFFFu, 2);
    device->Draw(*buffer, VertexFormat::Coloured, Primitive::TriangleList, 0, 0xFFFFFFFFu);
    EXPECT_EQ(Pixel(10, 10), 0xFF000000u);
    EXPECT_EQ(Pixel(50, 10), 0xFF000000u);
}

TEST_F(GfxTest, WorldTransformPlacesTheFollowingDrawsUntilReset) {
    // A square of side 0.2 around the origin, scaled by 2, turned a quarter (a no-op for a
    // square centred there), then moved to (0.5, 0.5): it covers 0.3..0.7 on both axes.
    const Matrix4 world = Matrix4::Multiply(
        Matrix4::Multiply(Matrix4::Scaling(2.0f, 2.0f, 1.0f), Matrix4::RotationZ(1.5707964f)),
        Matrix4::Translation(0.5f, 0.5f, 0.0f));
    device->SetWorldTransform(world);
    DrawQuad(-0.1f, 0.1f, 0.1f, -0.1f, 0xFFFFFFFFu);
    // x 0.5 is pixel 48; y 0.5 is row 16 from the top.
    EXPECT_EQ(Pixel(48, 16), 0xFFFFFFFFu);
    EXPECT_EQ(Pixel(32, 32), 0xFF000000u);
    EXPECT_EQ(Pixel(48, 48), 0xFF000000u);
    EXPECT_EQ(Pixel(56, 16), 0xFF000000u);

    device->SetWorldTransform(Matrix4::Identity());
    DrawQuad(-0.1f, 0.1f, 0.1f, -0.1f, 0xFFFF0000u);
    EXPECT_EQ(Pixel(32, 32), 0xFFFF0000u);
    EXPECT_EQ(Pixel(48, 16), 0xFFFFFFFFu);
}

TEST_F(GfxTest, RotationTurnsCounterClockwise) {
    // A bar along +x from the origin, turned by +90 degrees, points up.
    device->SetWorldTransform(Matrix4::RotationZ(1.5707964f));
    DrawQuad(0.0f, 0.05f, 0.9f, -0.05f, 0xFFFFFFFFu);
    EXPECT_EQ(Pixel(32, 8), 0xFFFFFFFFu);
    EXPECT_EQ(Pixel(56, 32), 0xFF000000u);
    EXPECT_EQ(Pixel(32, 56), 0xFF000000u);
}

TEST_F(GfxTest, SamplerFiltersAndRepeatAddressing) {
    // One black and one white texel stretched over the whole width.
    auto texture = MakeTexture(2, 1, TextureUsage::Plain,
                               [](int x, int) { return x == 0 ? 0xFF000000u : 0xFFFFFFFFu; });
    device->SetTexture(texture.get());

    device->SetSamplerFilters(TextureFilter::Point, TextureFilter::Point, TextureFilter::None);
    DrawQuad(-1.0f, 1.0f, 1.0f, -1.0f, 0xFFFFFFFFu);
    EXPECT_EQ(Pixel(20, 5), 0xFF000000u);
    EXPECT_EQ(Pixel(34, 5), 0xFFFFFFFFu);

    // Linear: texel centres at 1/4 and 3/4 of the width, a ramp between them; at the left
    // edge the ramp runs on into the repeated white texel.
    device->SetSamplerFilters(TextureFilter::Linear, TextureFilter::Linear, TextureFilter::Linear);
    DrawQuad(-1.0f, 1.0f, 1.0f, -1.0f, 0xFFFFFFFFu);
    EXPECT_TRUE(ColourNear(Pixel(32, 5), 0xFF808080u, 8));
    EXPECT_TRUE(ColourNear(Pixel(16, 5), 0xFF000000u, 6));
    EXPECT_TRUE(ColourNear(Pixel(0, 5), 0xFF7B7B7Bu, 8));

    // u from 0 to 2 shows the texture twice: black, white, black, white.
    device->SetSamplerFilters(TextureFilter::Point, TextureFilter::Point, TextureFilter::None);
    DrawQuad(-1.0f, 1.0f, 1.0f, -1.0f, 0xFFFFFFFFu, 0.0f, 0.0f, 2.0f, 1.0f);
    EXPECT_EQ(Pixel(8, 5), 0xFF000000u);
    EXPECT_EQ(Pixel(24, 5), 0xFFFFFFFFu);
    EXPECT_EQ(Pixel(40, 5), 0xFF000000u);
    EXPECT_EQ(Pixel(56, 5), 0xFFFFFFFFu);
}

TEST_F(GfxTest, ReleasingTheSetTextureLeavesStageZeroWithoutOne) {
    auto texture = MakeTexture(2, 2, TextureUsage::Plain, [](int, int) { return 0xFF0000FFu; });
    device->SetTexture(texture.get());
    texture.reset();
    DrawQuad(-1.0f, 1.0f, 1.0f, -1.0f, 0xFFFF0000u);
    EXPECT_EQ(Pixel(10, 10), 0xFFFF0000u);
}

} // namespace
} // namespace quib
