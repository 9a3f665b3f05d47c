// Input recording, the mouse mapping, keys, event flags and the display-mode switch.
#include "AppTestSupport.h"
#include "description/DescriptionModel.h"
#include "description/PlayerCommand.h"

#include <gtest/gtest.h>

namespace quib {
namespace {

class Input : public ::testing::Test {
protected:
    Input() : host(HeadlessSettings{1920, 1080, 0, 0}), app(host) {}

    // The display settings a description header gives.
    void Configure(float aspect, int32_t windowHeight, bool windowed = true,
                   bool allowToggle = false) {
        DescriptionHeader header;
        header.aspect = aspect;
        header.windowHeight = windowHeight;
        header.windowed = windowed ? 1 : 0;
        header.allowToggle = allowToggle ? 1 : 0;
        app.Display().Configure(header);
    }

    AppHostHeadless host;
    MusicDiskApp app;
};

TEST_F(Input, MouseStartsTopLeftAndMapsClientPixels) {
    EXPECT_EQ(app.MouseX(), -1.0f);
    EXPECT_EQ(app.MouseY(), 1.0f);
    Configure(1.778f, 480); // reference width 853.44 rounds to 853
    app.OnMouseMove(0, 0);
    EXPECT_EQ(app.MouseX(), -1.0f);
    EXPECT_EQ(app.MouseY(), 1.0f);
    app.OnMouseMove(853, 480);
    EXPECT_FLOAT_EQ(app.MouseX(), 1.0f);
    EXPECT_FLOAT_EQ(app.MouseY(), -1.0f);
    app.OnMouseMove(426, 240);
    EXPECT_NEAR(app.MouseX(), -0.0012f, 0.0001f);
    EXPECT_FLOAT_EQ(app.MouseY(), 0.0f);
}

TEST_F(Input, ReferenceWidthRoundsHalfUpAndFullDesktopUsesTheDesktop) {
    Configure(1.255f, 100); // 125.5 rounds up to 126
    app.OnMouseMove(126, 0);
    EXPECT_FLOAT_EQ(app.MouseX(), 1.0f);
    Configure(1.255f, 100, false);
    app.OnMouseMove(960, 270);
    EXPECT_FLOAT_EQ(app.MouseX(), 0.0f);
    EXPECT_FLOAT_EQ(app.MouseY(), 0.5f);
}

TEST(InputOnAnImposedClientSize, PointerMapsFromTheClientAreaTheWindowReallyHas) {
    // The disk asks for 853 x 480; the window was given twice that.
    AppHostHeadless host(HeadlessSettings{1920, 1080, 1706, 960});
    MusicDiskApp app(host);
    ASSERT_TRUE(test::CreateWideWindow(app));
    app.OnMouseMove(853, 480);
    EXPECT_FLOAT_EQ(app.MouseX(), 0.0f);
    EXPECT_FLOAT_EQ(app.MouseY(), 0.0f);
    app.OnMouseMove(1706, 960);
    EXPECT_FLOAT_EQ(app.MouseX(), 1.0f);
    EXPECT_FLOAT_EQ(app.MouseY(), -1.0f);
}

TEST_F(Input, ButtonAndKeys) {
    app.OnLeftButton(true);
    EXPECT_TRUE(app.MouseDown());
    app.OnLeftButton(false);
    EXPECT_FALSE(app.MouseDown());

    app.OnKeyDown(WindowKey::Enter, true); // toggling not allowed
    EXPECT_FALSE(app.Display().ToggleRequested());
    Configure(1.778f, 480, true, true);
    app.OnKeyDown(WindowKey::Enter, false);
    EXPECT_FALSE(app.Display().ToggleRequested());
    app.OnKeyDown(WindowKey::Enter, true);
    EXPECT_TRUE(app.Display().ToggleRequested());

    app.Display().ClearToggleRequest();
    Configure(1.778f, 480);
    app.OnMaximizeRequest(); // maximising requests a switch whatever allowToggle is
    EXPECT_TRUE(app.Display().ToggleRequested());

    app.OnKeyDown(WindowKey::F4, false);
    EXPECT_FALSE(app.Quitting());
    app.OnKeyDown(WindowKey::F4, true);
    EXPECT_TRUE(app.Quitting());
}

TEST_F(Input, EscapeAndCloseQuit) {
    app.OnKeyDown(WindowKey::Escape, false);
    EXPECT_TRUE(app.Quitting());
    MusicDiskApp other(host);
    other.OnCloseRequest();
    EXPECT_TRUE(other.Quitting());
}

TEST_F(Input, EventFlagsAreOneShot) {
    EXPECT_FALSE(app.ConsumeEventFlag(5));
    app.Input().RaiseEventFlag(5);
    EXPECT_FALSE(app.ConsumeEventFlag(4));
    EXPECT_TRUE(app.ConsumeEventFlag(5));
    EXPECT_FALSE(app.ConsumeEventFlag(5));

    app.ExecuteCommand(7, 2);
    app.ExecuteCommand(7, 2); // raising twice before consuming counts once
    EXPECT_TRUE(app.ConsumeEventFlag(2));
    EXPECT_FALSE(app.ConsumeEventFlag(2));
    EXPECT_FALSE(app.ConsumeEventFlag(-1));
}

TEST_F(Input, OutOfRangeFlagNumbersAreIgnored) {
    app.Input().RaiseEventFlag(-3);
    app.Input().RaiseEventFlag(kMaxEventFlags);
    app.Input().RaiseEventFlag(INT32_MAX);
    EXPECT_FALSE(app.ConsumeEventFlag(-3));
    EXPECT_FALSE(app.ConsumeEventFlag(kMaxEventFlags));
    EXPECT_FALSE(app.ConsumeEventFlag(INT32_MAX));
    app.Input().RaiseEventFlag(kMaxEventFlags - 1);
    EXPECT_TRUE(app.ConsumeEventFlag(kMaxEventFlags - 1));
}

TEST_F(Input, DisplaySwitchChangesAspectBothWays) {
    Configure(1.25f, 480);
    app.ToggleDisplayMode();
    EXPECT_FALSE(app.Windowed());
    EXPECT_FLOAT_EQ(app.Aspect(), 1920.0f / 1080.0f);
    EXPECT_FLOAT_EQ(app.Display().PreviousAspect(), app.Aspect());
    app.ToggleDisplayMode();
    EXPECT_TRUE(app.Windowed());
    EXPECT_FLOAT_EQ(app.Aspect(), 1.25f);
}

TEST_F(Input, ClientWidthTruncates) {
    Configure(1.778f, 480);
    int w = 0;
    int h = 0;
    app.Display().WindowedClientSize(w, h);
    EXPECT_EQ(w, 853);
}

} // namespace
} // namespace quib
