// The scroller: its states and their timing, the window of text uploaded each frame, the box
// in both display modes, and a speed that cannot scroll.
#include "effects/VerticalScrollerEffect.h"

#include "EffectTestSupport.h"

namespace quib::test {
namespace {

constexpr int32_t kFlag = 3;

class Scroller : public EffectTest {
protected:
    // A box of 200 x 100 window pixels at 400 pixels high and 4:3.
    VerticalScrollerEffect& LoadScroller(int32_t fadeIn, int32_t fadeOut,
                                         int32_t scrollSpeed = 735) {
        host.windowHeight = 400;
        host.aspect = 4.0f / 3.0f;
        VerticalScrollerEffectBlock block;
        block.x = -0.5f;
        block.y = 0.5f;
        block.width = 0.75f;
        block.height = 0.5f;
        block.fadeIn = fadeIn;
        block.fadeOut = fadeOut;
        block.text = "Credits\nline two\nline three\nthe end";
        block.fontFace = "DejaVu Sans";
        block.fontHeight = 20;
        block.scrollSpeed = scrollSpeed;
        block.eventFlag = kFlag;
        return Load<VerticalScrollerEffect>(block);
    }
    // Draws one frame at p; the alpha of the drawn quad, or -1 when nothing was drawn.
    int Frame(VerticalScrollerEffect& scroller, int32_t p) {
        const auto& draws = DrawFrame(scroller, 0, 0, p);
        return draws.empty() ? -1 : static_cast<int>(AlphaOf(draws[0].textured[0].colour));
    }
    void Raise() { host.raisedFlags.insert(kFlag); }
};

TEST_F(Scroller, WindowRowAtItsTurningPoints) {
    auto& scroller = LoadScroller(7350, 0);
    ASSERT_EQ(scroller.boxHeight, 100);
    const int32_t top = scroller.textHeight + 100;
    const struct {
        int64_t sinceStart;
        int32_t row;
    } cases[] = {
        {0, top},
        {7350, top},
        {7350 + 734, top - 1},
        {7350 + 735, top - 1},
        {7350 + 1470, top - 2},
        {7350 + int64_t{top} * 735, 0},
        {100000000, 0},
        {-5000, top},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(scroller.WindowRow(c.sinceStart), c.row) << c.sinceStart;
    }
}

// The flag's frame draws nothing; the text rises one row every 735 units; the fade-out begins
// on the frame at which the text has left the box, and the scroll then waits for the flag.
TEST_F(Scroller, StatesAndTimingWithoutFadeIn) {
    auto& scroller = LoadScroller(0, 7350);
    const int32_t top = scroller.textHeight + scroller.boxHeight;
    const int32_t start = 1000;
    EXPECT_EQ(Frame(scroller, 500), -1); // waiting
    Raise();
    EXPECT_EQ(Frame(scroller, start), -1);
    EXPECT_TRUE(scroller.scrollActive);
    EXPECT_EQ(Frame(scroller, start + 735), 255); // the colour Rebuild wrote
    const int32_t leaves = start + top * 735;
    EXPECT_EQ(Frame(scroller, leaves - 1), 255);
    EXPECT_EQ(scroller.endTime, -1);
    EXPECT_EQ(Frame(scroller, leaves), 255);
    EXPECT_EQ(scroller.endTime, leaves);
    EXPECT_EQ(Frame(scroller, leaves + 3675), 255 - 127);
    EXPECT_EQ(Frame(scroller, leaves + 7350), 255 - 127); // the last colour, drawn once more
    EXPECT_FALSE(scroller.scrollActive);
    EXPECT_EQ(Frame(scroller, leaves + 8000), -1);
    // The next scroll starts afresh and opaque, not at the alpha the fade-out left.
    Raise();
    EXPECT_EQ(Frame(scroller, leaves + 9000), -1);
    EXPECT_EQ(Frame(scroller, leaves + 9735), 255);
}

TEST_F(Scroller, SecondRaiseEndsTheScrollOnceFadedIn) {
    auto& scroller = LoadScroller(1000, 1000);
    Raise();
    Frame(scroller, 0);
    Raise(); // during the fade-in: remembered
    EXPECT_EQ(Frame(scroller, 500), 127);
    EXPECT_EQ(scroller.endTime, -1);
    EXPECT_EQ(Frame(scroller, 1000), 127); // the fade-in's last colour stays in the quad
    EXPECT_EQ(scroller.endTime, 1000);
    EXPECT_EQ(Frame(scroller, 1250), 255 - 63);
    Frame(scroller, 2000);
    EXPECT_FALSE(scroller.scrollActive);

    Raise();
    Frame(scroller, 3000);
    Frame(scroller, 5000);
    EXPECT_EQ(scroller.endTime, -1);
    Raise(); // while scrolling: the fade-out begins on this frame, wherever the text is
    Frame(scroller, 6000);
    EXPECT_EQ(scroller.endTime, 6000);
}

// A new song restarts the position: the scroll goes on from the bottom, fully faded in and
// listening to its flag; a fade-out under way is over.
TEST_F(Scroller, PositionRunningBackwards) {
    auto& scroller = LoadScroller(1000, 1000);
    Raise();
    Frame(scroller, 500000);
    Frame(scroller, 600000);
    EXPECT_EQ(Frame(scroller, 700), 255);
    EXPECT_EQ(scroller.WindowRow(700 - scroller.startTime),
              scroller.textHeight + scroller.boxHeight);
    Raise();
    Frame(scroller, 1400);
    EXPECT_EQ(scroller.endTime, 1400);
    EXPECT_EQ(Frame(scroller, 100), -1);
    EXPECT_FALSE(scroller.scrollActive);
}

// Each frame uploads boxHeight rows of the text buffer from the window row, the first cleared.
TEST_F(Scroller, UploadsTheVisibleWindowWithItsFirstRowCleared) {
    auto& scroller = LoadScroller(0, 0);
    const int w = scroller.boxWidth;
    ASSERT_EQ(w, 200);
    ASSERT_EQ(scroller.textPixels.size(),
              static_cast<size_t>(w) * (scroller.textHeight + 2 * scroller.boxHeight));
    Raise();
    Frame(scroller, 0);
    const auto& texture = dynamic_cast<const MemoryTexture&>(*scroller.textTexture);
    bool sawText = false;
    for (const int32_t p : {735 * 60, 735 * 100, 735 * 140}) {
        const auto& draws = DrawFrame(scroller, 0, 0, p);
        ASSERT_EQ(draws.size(), 1u);
        EXPECT_EQ(draws[0].texture, scroller.textTexture.get());
        EXPECT_EQ(draws[0].alpha, AlphaSource::Vertex);
        const int32_t row = scroller.WindowRow(p);
        for (int r = 0; r < scroller.boxHeight; ++r) {
            for (int c = 0; c < w; ++c) {
                const uint32_t expected =
                    r == 0 ? 0u : scroller.textPixels[static_cast<size_t>(row + r) * w + c];
                ASSERT_EQ(texture.argb[static_cast<size_t>(r) * w + c], expected);
                sawText |= expected != 0;
            }
        }
    }
    EXPECT_TRUE(sawText);
    // The window's rows are bottom first: v = 0 at the bottom corners, 1 at the top.
    const auto& v = device.draws[0].textured;
    EXPECT_EQ(v[0].v, 1.0f);
    EXPECT_EQ(v[2].v, 0.0f);
}

// The full desktop scales the window-pixel box, the font and the speed by desktop height over
// window height, however often it is rebuilt; a disk that starts there scales its rectangle.
TEST_F(Scroller, FullDesktopScalesByDesktopHeight) {
    auto& scroller = LoadScroller(0, 0);
    host.windowed = false;
    host.desktopHeight = 900; // k = 2.25
    for (int rebuild = 0; rebuild < 2; ++rebuild) {
        scroller.RebuildMarked();
        EXPECT_EQ(scroller.boxWidth, 450);
        EXPECT_EQ(scroller.boxHeight, 225);
        EXPECT_EQ(scroller.fontPixels, 45);
        EXPECT_DOUBLE_EQ(scroller.timePerPixel, 735.0 / 2.25);
    }
    host.windowed = true;
    scroller.RebuildMarked();
    EXPECT_EQ(scroller.boxWidth, 200);
    EXPECT_EQ(scroller.fontPixels, 20);
    EXPECT_EQ(scroller.timePerPixel, 735.0);

    host.windowed = false;
    auto& startedFull = LoadScroller(0, 0);
    EXPECT_EQ(startedFull.boxWidth, 450);
    EXPECT_EQ(startedFull.boxHeight, 225);
}

// Without a speed the text stands at its start until the flag ends the scroll.
TEST_F(Scroller, NonPositiveSpeedStandsStill) {
    for (const int32_t speed : {0, -735}) {
        auto& scroller = LoadScroller(0, 0, speed);
        Raise();
        Frame(scroller, 0);
        for (const int32_t p : {735, 10000000}) {
            EXPECT_EQ(Frame(scroller, p), 255);
            EXPECT_EQ(scroller.WindowRow(p), scroller.textHeight + scroller.boxHeight);
            EXPECT_EQ(scroller.endTime, -1);
        }
        Raise();
        Frame(scroller, 10000735);
        EXPECT_EQ(scroller.endTime, 10000735);
    }
}

TEST_F(Scroller, WithoutFlagOrTextNothingRuns) {
    VerticalScrollerEffectBlock block;
    block.text = "";
    block.eventFlag = kFlag;
    auto& empty = Load<VerticalScrollerEffect>(block);
    Raise();
    EXPECT_EQ(Frame(empty, 0), -1);
    EXPECT_EQ(Frame(empty, 735), -1);
    block.text = "x";
    block.eventFlag = -1;
    auto& unflagged = Load<VerticalScrollerEffect>(block);
    host.raisedFlags.insert(-1);
    EXPECT_EQ(Frame(unflagged, 0), -1);
    EXPECT_EQ(Frame(unflagged, 735), -1);
}

} // namespace
} // namespace quib::test
