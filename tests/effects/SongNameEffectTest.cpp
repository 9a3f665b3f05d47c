// The song title: gradient and fade in the pixels, centring, the back-and-forth scroll, when the
// title is rendered again, the sampler filters and the box in both display modes.
#include "effects/SongNameEffect.h"

#include "EffectTestSupport.h"
#include "host/text/TextRenderer.h"

namespace quib::test {
namespace {

class SongName : public EffectTest {
protected:
    // A title box 0.2 high (48 window pixels at 480) and `width` wide at the top left.
    SongNameEffect& LoadTitle(float width, int32_t scrollSpeed = 367, uint32_t bottom = 0xFF0000FFu,
                              uint32_t top = 0xFFFF0000u) {
        SongNameEffectBlock block;
        block.x = -0.5f;
        block.y = 0.5f;
        block.width = width;
        block.height = 0.2f;
        block.fadeIn = 1000;
        block.fadeOut = 1000;
        block.fontFace = "DejaVu Sans";
        block.scrollSpeed = scrollSpeed;
        block.bottomColour = bottom;
        block.topColour = top;
        auto& title = Load<SongNameEffect>(block);
        DrawFrame(title, 5000, 5000, 0); // outside both fades
        return title;
    }
    static const MemoryTexture& Pixels(const SongNameEffect& title) {
        return dynamic_cast<const MemoryTexture&>(*title.textTexture);
    }
};

TEST(SongNameArithmetic, GradientAndFadeTruncate) {
    struct Case {
        uint32_t value, bottom, top;
        int row, rows;
        double fade;
        uint8_t channel, alpha;
    };
    const Case cases[] = {
        {255, 0, 255, 5, 10, 1.0, 127, 127}, // 127.5 truncates
        {255, 255, 0, 0, 10, 1.0, 255, 255}, // the lowest row takes the bottom colour
        {255, 0, 255, 9, 10, 1.0, 229, 229}, // the highest row stops short of the top colour
        {200, 64, 255, 0, 10, 1.0, 50, 50},  // 200 * 64 / 255 = 50.2
        {255, 255, 255, 3, 10, 0.5, 255, 127}, {128, 255, 255, 0, 1, 0.25, 128, 32},
        {0, 0, 255, 1, 2, 1.0, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SongNameEffect::GradientChannel(c.value, c.bottom, c.top, c.row, c.rows),
                  c.channel)
            << c.value << " " << c.bottom << " " << c.top << " row " << c.row << "/" << c.rows;
        EXPECT_EQ(SongNameEffect::GradientAlpha(c.value, c.bottom, c.top, c.row, c.rows, c.fade),
                  c.alpha)
            << c.value << " " << c.bottom << " " << c.top << " fade " << c.fade;
    }
}

// Blue at the lowest row, red towards the highest, opaque: every texel is its coverage (the
// alpha) in that row's colour, and texture row 0 holds the lowest text row.
TEST_F(SongName, TexelsCarryTheGradientBottomRowFirst) {
    host.songTitle = "Lantern";
    auto& title = LoadTitle(1.0f);
    ASSERT_TRUE(title.textTexture);
    const MemoryTexture& texture = Pixels(title);
    const int rows = texture.height;
    int covered = 0;
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < texture.width; ++column) {
            const uint32_t p = texture.argb[static_cast<size_t>(row) * texture.width + column];
            const uint32_t coverage = p >> 24;
            covered += coverage != 0 ? 1 : 0;
            ASSERT_EQ(p & 0xFF, SongNameEffect::GradientChannel(coverage, 255, 0, row, rows));
            ASSERT_EQ(p >> 16 & 0xFF, SongNameEffect::GradientChannel(coverage, 0, 255, row, rows));
            ASSERT_EQ(p >> 8 & 0xFF, 0u);
        }
    }
    EXPECT_GT(covered, 100);
}

TEST_F(SongName, FadeIsInThePixelsAndRenderedEveryFadeFrame) {
    auto& title = LoadTitle(1.0f, 367, 0xFFFFFFFFu, 0xFFFFFFFFu);
    // (elapsed, remaining, fade, rendered anew): outside fades the last texture is kept.
    const std::tuple<int32_t, int32_t, double, bool> frames[] = {
        {500, 5000, 0.5, true},
        {2000, 5000, 0.5, false},
        {3000, 250, 0.25, true},
        {3000, 250, 0.25, true},
    };
    for (const auto& [elapsed, remaining, fade, anew] : frames) {
        const int created = device.createdTextures;
        DrawFrame(title, elapsed, remaining, 0);
        EXPECT_EQ(device.createdTextures > created, anew) << elapsed << " " << remaining;
        uint32_t brightest = 0;
        for (const uint32_t p : Pixels(title).argb) {
            // White: each colour channel is the coverage; alpha is the coverage faded.
            ASSERT_EQ(p >> 24, static_cast<uint32_t>((p & 0xFF) * fade));
            brightest = std::max(brightest, p & 0xFF);
        }
        EXPECT_EQ(brightest, 255u);
    }
}

TEST_F(SongName, ShortTitleIsCentredAndStill) {
    host.songTitle = "Tide";
    auto& title = LoadTitle(1.0f);
    FontDescription font;
    font.face = "DejaVu Sans";
    font.pixelHeight = 48;
    TextRect measured{0, 0, 1, 1};
    ASSERT_TRUE(host.Text().MeasureText(font, "Tide", measured, DT_CALCRECT | DT_NOPREFIX));
    EXPECT_EQ(title.boxWidth, 426); // trunc(480 * 1.778 * 1.0 * 0.5)
    EXPECT_EQ(title.textWidth, 426);
    const MemoryTexture& texture = Pixels(title);
    EXPECT_EQ(texture.height, measured.Height());
    int left = texture.width;
    int right = -1;
    for (int row = 0; row < texture.height; ++row) {
        for (int column = 0; column < texture.width; ++column) {
            if (texture.argb[static_cast<size_t>(row) * texture.width + column] >> 24 != 0) {
                left = std::min(left, column);
                right = std::max(right, column);
            }
        }
    }
    const int margin = (426 - measured.Width()) / 2;
    EXPECT_NEAR(left, margin, 3);
    EXPECT_NEAR(texture.width - 1 - right, margin, 3);
    for (const int32_t position : {0, 36700, 1234567}) {
        const auto& v = DrawFrame(title, 5000, 5000, position)[0].textured;
        EXPECT_EQ(v[0].u, 0.0f);
        EXPECT_EQ(v[1].u, 1.0f);
    }
}

// A title wider than its box moves one pixel every scrollSpeed units to its right end and back.
TEST_F(SongName, WideTitleScrollsBackAndForth) {
    host.songTitle = "A title far wider than its little box";
    auto& title = LoadTitle(0.2f);
    ASSERT_EQ(title.boxWidth, 85);
    ASSERT_GT(title.textWidth, title.boxWidth);
    const int64_t g = int64_t{title.textWidth - title.boxWidth} * 367;
    const float span = 85.0f / static_cast<float>(title.textWidth);
    // (position, s): s is how far the window has moved, in units of g, at that position.
    const std::pair<int64_t, int64_t> cases[] = {
        {0, 0},         {367, 367},     {g / 2, g / 2}, {g, g},
        {g + 1, g - 1}, {2 * g - 1, 1}, {2 * g, 0},     {5 * g, g},
    };
    for (const auto& [position, s] : cases) {
        const auto& draws = DrawFrame(title, 5000, 5000, static_cast<int32_t>(position));
        ASSERT_EQ(draws.size(), 1u);
        const auto& v = draws[0].textured;
        EXPECT_FLOAT_EQ(v[0].u, static_cast<float>(s) / static_cast<float>(g) * (1.0f - span))
            << "position " << position;
        EXPECT_FLOAT_EQ(v[1].u - v[0].u, span);
        EXPECT_EQ(v[0].v, 0.0f);
        EXPECT_EQ(v[3].v, -1.0f);
        EXPECT_EQ(draws[0].alpha, AlphaSource::Texture);
    }
}

TEST_F(SongName, NonPositiveSpeedRestsAtTheLeftEnd) {
    host.songTitle = "A title far wider than its little box";
    for (const int32_t speed : {0, -5}) {
        auto& title = LoadTitle(0.2f, speed);
        for (const int32_t position : {0, 1000, 999999}) {
            const auto& draws = DrawFrame(title, 5000, 5000, position);
            ASSERT_EQ(draws.size(), 1u);
            EXPECT_EQ(draws[0].textured[0].u, 0.0f);
        }
    }
}

TEST_F(SongName, DrawsLinearAndRestoresStartUpFilters) {
    auto& title = LoadTitle(1.0f);
    const auto& draws = DrawFrame(title, 5000, 5000, 0);
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].minFilter, TextureFilter::Linear);
    EXPECT_EQ(draws[0].magFilter, TextureFilter::Linear);
    EXPECT_EQ(draws[0].mipFilter, TextureFilter::Linear);
    EXPECT_EQ(device.state.minFilter, TextureFilter::Anisotropic);
    EXPECT_EQ(device.state.magFilter, TextureFilter::Anisotropic);
    EXPECT_EQ(device.state.mipFilter, TextureFilter::Anisotropic);
}

TEST_F(SongName, SongChangeRendersTheNewTitleAtFullStrength) {
    auto& title = LoadTitle(1.0f);
    const std::vector<uint32_t> first = Pixels(title).argb;
    host.currentSong = 1;
    host.songTitle = "Another";
    DrawFrame(title, 5000, 5000, 0);
    EXPECT_EQ(title.renderedSong, 1);
    EXPECT_NE(Pixels(title).argb, first);
    uint32_t brightest = 0;
    for (const uint32_t p : Pixels(title).argb) {
        brightest = std::max(brightest, p >> 24);
    }
    EXPECT_EQ(brightest, 255u);
    host.currentSong = -1;
    EXPECT_TRUE(DrawFrame(title, 5000, 5000, 0).empty());
}

// A title too wide to render draws nothing and is not measured again on every frame; the next
// song's title draws again.
TEST_F(SongName, TooWideTitleIsRememberedPerSong) {
    host.songTitle = std::string(2000, 'W');
    auto& title = LoadTitle(1.0f);
    EXPECT_FALSE(title.textTexture);
    EXPECT_EQ(title.tooWideSong, 0);
    EXPECT_EQ(title.renderedSong, -1);
    EXPECT_TRUE(DrawFrame(title, 500, 5000, 0).empty()); // even during a fade
    EXPECT_EQ(title.tooWideSong, 0);
    host.currentSong = 1;
    host.songTitle = "Short";
    EXPECT_EQ(DrawFrame(title, 5000, 5000, 0).size(), 1u);
}

// Window mode measures the box from the rectangle; the full desktop keeps that width, and a
// disk that starts on the full desktop measures its rectangle, not the whole screen.
TEST_F(SongName, BoxWidthInBothDisplayModes) {
    auto& title = LoadTitle(0.5f);
    EXPECT_EQ(title.boxWidth, 213); // trunc(480 * 1.778 * 0.5 * 0.5)
    host.windowed = false;
    host.aspect = 4.0f / 3.0f;
    title.RebuildMarked();
    EXPECT_EQ(title.boxWidth, 213);
    auto& fullDesktop = LoadTitle(0.5f);
    EXPECT_EQ(fullDesktop.boxWidth, 160); // trunc(480 * 4/3 * 0.5 * 0.5)
}

// A display-mode switch rebuilds the title in the middle of its page; it stays visible.
TEST_F(SongName, RebuildMidPageKeepsTheTitleVisible) {
    auto& title = LoadTitle(1.0f, 367, 0xFFFFFFFFu, 0xFFFFFFFFu);
    title.RebuildMarked();
    DrawFrame(title, 5000, 5000, 0);
    uint32_t brightest = 0;
    for (const uint32_t p : Pixels(title).argb) {
        brightest = std::max(brightest, p >> 24);
    }
    EXPECT_EQ(brightest, 255u);
}

} // namespace
} // namespace quib::test
