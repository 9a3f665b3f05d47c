// The slider's knob: its width, the drag fraction and command, the volume it shows.
#include "effects/SliderBarEffect.h"

#include "EffectTestSupport.h"

namespace quib::test {
namespace {

class Slider : public EffectTest {
protected:
    void SetUp() override {
        EffectTest::SetUp();
        const std::string knob = PixelImage(9);
        host.textures.AddImage("knob", knob.data(), knob.size());
    }
    // Track (-1, 0.2) to (0, 0): a knob of aspect 2:1 is 0.2 wide, so the travel is 0.8.
    SliderBarEffect& LoadSlider(int32_t command, float width = 1.0f) {
        SliderBarEffectBlock block;
        block.x = -1.0f;
        block.y = 0.2f;
        block.width = width;
        block.height = 0.2f;
        block.fadeIn = 1000; // read, never used
        block.knobAspectWidth = 2;
        block.knobAspectHeight = 1;
        block.command = command;
        block.knobSpanU = 0.5f;
        block.knobSpanV = 0.75f;
        return Load<SliderBarEffect>(block);
    }
    // The knob's left edge in one frame with the pointer at px (inside) and the button as given.
    float KnobLeft(SliderBarEffect& slider, float px, bool down) {
        host.mouseX = px;
        host.mouseY = 0.1f;
        host.mouseDown = down;
        const auto& draws = DrawFrame(slider, 0, 0, 0);
        EXPECT_EQ(draws.size(), 1u);
        return draws.empty() ? -9.0f : draws[0].textured[0].x;
    }
};

TEST_F(Slider, KnobRestsFlushRightUnfadedWithItsSpans) {
    auto& slider = LoadSlider(4);
    EXPECT_FLOAT_EQ(slider.KnobWidth(), 0.2f);
    host.mouseX = 0.5f; // outside
    const auto& draws = DrawFrame(slider, 0, 0, 0);
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].alpha, AlphaSource::Texture);
    const auto& v = draws[0].textured;
    EXPECT_FLOAT_EQ(v[0].x, -0.2f);
    EXPECT_NEAR(v[1].x, 0.0f, 1e-6f);
    EXPECT_EQ(v[0].y, 0.2f);
    EXPECT_FLOAT_EQ(v[2].y, 0.0f);
    EXPECT_EQ(v[0].colour, 0xFFFFFFFFu);
    EXPECT_EQ(v[2].u, 0.5f);
    EXPECT_EQ(v[2].v, 0.75f);
    EXPECT_TRUE(host.commands.empty());
}

TEST_F(Slider, DragSendsTruncatedPercentEveryFrameUnclampedAndTheKnobFollows) {
    auto& slider = LoadSlider(3);
    struct Case {
        float px;
        int32_t argument;
        float left;
    };
    // f = (px + 1 - 0.1) / 0.8 rounded to single precision; the argument truncates f x 100
    // toward 0 (at -0.1 f is just below 1 before the rounding, which makes it 1).
    const Case cases[] = {
        {-0.5f, 50, -0.6f},   {-0.5f, 50, -0.6f}, // a still pointer sends again
        {-1.0f, -12, -1.1f},  {0.0f, 112, -0.1f},  {-0.9f, 0, -1.0f},
        {-0.82f, 10, -0.92f}, {-0.1f, 100, -0.2f},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(KnobLeft(slider, c.px, true), c.left, 1e-6f) << c.px;
        EXPECT_EQ(host.commands.back(), std::make_pair(3, c.argument)) << c.px;
    }
    EXPECT_EQ(host.commands.size(), std::size(cases));
    KnobLeft(slider, -0.5f, false);
    EXPECT_EQ(host.commands.size(), std::size(cases));
}

TEST_F(Slider, VolumeSliderShowsTheMasterVolumeEvenWhileDragged) {
    auto& slider = LoadSlider(6);
    host.volume = 0.25f;
    EXPECT_FLOAT_EQ(KnobLeft(slider, -0.5f, true), -0.8f);
    EXPECT_EQ(host.commands.back(), std::make_pair(6, 50));
    EXPECT_FLOAT_EQ(KnobLeft(slider, -0.5f, false), -0.8f);
}

TEST_F(Slider, TrackAsWideAsTheKnobRestsLeftAndSendsZero) {
    auto& slider = LoadSlider(3, 0.2f);
    EXPECT_FLOAT_EQ(KnobLeft(slider, -0.85f, true), -1.0f);
    EXPECT_EQ(host.commands.back(), std::make_pair(3, 0));
}

} // namespace
} // namespace quib::test
