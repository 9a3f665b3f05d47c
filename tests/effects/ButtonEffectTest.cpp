// Buttons: the inclusive hit test, one command per press, the looks and their fallback, fade.
#include "effects/ButtonEffect.h"

#include "EffectTestSupport.h"

namespace quib::test {
namespace {

class Button : public EffectTest {
protected:
    void SetUp() override {
        EffectTest::SetUp();
        for (uint8_t red = 1; red <= 3; ++red) {
            const std::string image = PixelImage(red);
            host.textures.AddImage(image, image.data(), image.size());
        }
    }
    // The rectangle (-0.5, 0.5) to (0.5, 0): textures by store index, -1 .. 2; 99 for none.
    ButtonEffect& LoadButton(int32_t normal, int32_t hover, int32_t pressed) {
        ButtonEffectBlock block;
        block.x = -0.5f;
        block.y = 0.5f;
        block.width = 1.0f;
        block.height = 0.5f;
        block.looks[0].texture = normal;
        block.looks[1].texture = hover;
        block.looks[2].texture = pressed;
        block.command = 4;
        block.commandArgument = 7;
        return Load<ButtonEffect>(block);
    }
    // The red byte of the drawn look (1 normal, 2 hover, 3 pressed), 0 when nothing is drawn.
    int DrawnLook(ButtonEffect& button, float px, float py, bool down) {
        host.mouseX = px;
        host.mouseY = py;
        host.mouseDown = down;
        const auto& draws = DrawFrame(button, 0, 100, 0);
        if (draws.empty()) {
            return 0;
        }
        const auto* texture = static_cast<const MemoryTexture*>(draws[0].texture);
        return static_cast<int>(texture->argb[0] >> 16 & 0xFF);
    }
};

TEST_F(Button, SendsOneCommandPerPressAndShowsItsLooks) {
    auto& button = LoadButton(0, 1, 2);
    struct Step {
        float px, py;
        bool down;
        int look;
        size_t commands; // sent so far
    };
    const Step steps[] = {
        {-0.9f, 0.2f, false, 1, 0}, // outside
        {-0.5f, 0.5f, false, 2, 0}, // the top-left corner is inside
        {0.5f, 0.0f, true, 3, 1},   // the bottom-right corner too: the press sends
        {0.0f, 0.2f, true, 3, 1},   // holding sends nothing more
        {0.0f, 0.2f, false, 2, 1},  // release re-arms
        {0.0f, 0.2f, true, 3, 2},   {0.6f, 0.2f, true, 1, 2}, // dragged out: re-armed
        {0.0f, 0.2f, true, 3, 3},                             // dragged back in: counts as a press
        {0.0f, 0.51f, true, 1, 3},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(DrawnLook(button, s.px, s.py, s.down), s.look) << s.px << ", " << s.py;
        EXPECT_EQ(host.commands.size(), s.commands) << s.px << ", " << s.py;
    }
    EXPECT_EQ(host.commands.back(), std::make_pair(4, 7));
}

TEST_F(Button, MissingLooksFallBackToNormalAndNoNormalIsInvisibleButSends) {
    auto& onlyNormal = LoadButton(0, 99, 99);
    EXPECT_EQ(DrawnLook(onlyNormal, 0.0f, 0.2f, false), 1);
    EXPECT_EQ(DrawnLook(onlyNormal, 0.0f, 0.2f, true), 1);
    auto& invisible = LoadButton(99, 1, 2);
    EXPECT_EQ(DrawnLook(invisible, 0.9f, 0.2f, false), 0);
    EXPECT_EQ(DrawnLook(invisible, 0.0f, 0.2f, false), 2);
    auto& none = LoadButton(99, 99, 99);
    EXPECT_EQ(DrawnLook(none, 0.0f, 0.2f, false), 0);
    EXPECT_EQ(DrawnLook(none, 0.0f, 0.2f, true), 0);
    EXPECT_EQ(host.commands.size(), 2u); // onlyNormal's press and none's press
}

TEST_F(Button, DrawsTheLookWithItsOffsetOneExtentAndTheFade) {
    ButtonEffectBlock block;
    block.fadeIn = 1000;
    block.looks[1] = {1, 0.25f, 0.5f, 0.1f, 3.0f};
    auto& button = Load<ButtonEffect>(block);
    host.mouseX = 0.0f;
    host.mouseY = 0.0f;
    const auto& draws = DrawFrame(button, 500, 5000, 0);
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].alpha, AlphaSource::Vertex);
    EXPECT_EQ(draws[0].texture, host.textures.GetByIndex(1));
    const auto& v = draws[0].textured;
    EXPECT_EQ(v[0].colour, 0x7FFFFFFFu);
    EXPECT_EQ(v[0].u, 0.25f);
    EXPECT_EQ(v[0].v, 0.5f);
    EXPECT_EQ(v[2].u, 1.25f);
    EXPECT_EQ(v[2].v, 1.5f);
}

} // namespace
} // namespace quib::test
