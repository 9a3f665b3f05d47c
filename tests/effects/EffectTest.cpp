// The effect base through an image: the quad's corners and the fade carried in vertex alpha.
#include "EffectTestSupport.h"
#include "effects/ImageEffect.h"
#include "effects/TextureStore.h"

namespace quib::test {
namespace {

class ImageQuad : public EffectTest {
protected:
    ImageEffect& LoadImage(int32_t fadeIn, int32_t fadeOut) {
        auto texture = device.CreateTexture(2, 2, TextureUsage::Plain);
        ImageEffectBlock block;
        block.x = -0.5f;
        block.y = 0.25f;
        block.width = 1.0f;
        block.height = 0.5f;
        block.fadeIn = fadeIn;
        block.fadeOut = fadeOut;
        auto& image = Load<ImageEffect>(block);
        image.texture = texture.get();
        textures.push_back(std::move(texture));
        return image;
    }
    std::vector<std::unique_ptr<GfxTexture>> textures;
};

TEST_F(ImageQuad, CornersRunClockwiseFromTopLeft) {
    auto& image = LoadImage(0, 0);
    const auto& draws = DrawFrame(image, 0, 100, 0);
    ASSERT_EQ(draws.size(), 1u);
    const auto& v = draws[0].textured;
    ASSERT_EQ(v.size(), 4u);
    EXPECT_EQ(draws[0].primitive, Primitive::TriangleFan);
    EXPECT_EQ(draws[0].alpha, AlphaSource::Vertex);
    const float corners[4][4] = {
        {-0.5f, 0.25f, 0, 0}, {0.5f, 0.25f, 1, 0}, {0.5f, -0.25f, 1, 1}, {-0.5f, -0.25f, 0, 1}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(v[i].x, corners[i][0]) << i;
        EXPECT_EQ(v[i].y, corners[i][1]) << i;
        EXPECT_EQ(v[i].u, corners[i][2]) << i;
        EXPECT_EQ(v[i].v, corners[i][3]) << i;
        EXPECT_EQ(v[i].colour, 0xFFFFFFFFu) << i;
    }
}

TEST_F(ImageQuad, FadeAlphaTruncates) {
    struct Case {
        int32_t fadeIn, fadeOut, elapsed, remaining;
        uint32_t alpha;
    };
    const Case cases[] = {
        {1000, 0, 500, 5000, 127}, {1000, 0, 0, 5000, 0},    {1000, 0, 1000, 5000, 255},
        {0, 1000, 50, 999, 254},   {0, 1000, 50, 0, 0},      {0, 0, 0, 0, 255},
        {300, 300, 100, 100, 85},  {1000, 1000, 2000, 3, 0},
    };
    for (const Case& c : cases) {
        auto& image = LoadImage(c.fadeIn, c.fadeOut);
        const auto& draws = DrawFrame(image, c.elapsed, c.remaining, 0);
        // At alpha 0 the image would change no pixel: it is not drawn.
        ASSERT_EQ(draws.size(), c.alpha == 0 ? 0u : 1u);
        if (c.alpha != 0) {
            EXPECT_EQ(AlphaOf(draws[0].textured[0].colour), c.alpha)
                << "fadeIn " << c.fadeIn << " fadeOut " << c.fadeOut << " elapsed " << c.elapsed
                << " remaining " << c.remaining;
        }
    }
}

} // namespace
} // namespace quib::test
