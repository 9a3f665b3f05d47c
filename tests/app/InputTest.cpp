// Input recording, the mouse mapping, keys, event flags and the display-mode switch.
#include "AppTestSupport.h"

#include <gtest/gtest.h>

namespace quib {
namespace {

class Input : public ::testing::Test {
protected:
    Input() : host(HeadlessSettings{1920, 1080, 0, 0}), app(host) {}

    AppHostHeadless host;
    MusicDiskApp app;
};

TEST_F(Input, MouseStartsTopLeftAndMapsClientPixels) {
    EXPECT_EQ(app.mouseX.load(), -1.0f);
    EXPECT_EQ(app.mouseY.load(), 1.0f);
    app.windowHeight = 480;
    app.aspect = 1.778f; // reference width 853.44 rounds to 853
    app.OnMouseMove(0, 0);
    EXPECT_EQ(app.mouseX.load(), -1.0f);
    EXPECT_EQ(app.mouseY.load(), 1.0f);
    app.OnMouseMove(853, 480);
    EXPECT_FLOAT_EQ(app.mouseX.load(), 1.0f);
    EXPECT_FLOAT_EQ(app.mouseY.load(), -1.0f);
    app.OnMouseMove(426, 240);
    EXPECT_NEAR(app.mouseX.load(), -0.0012f, 0.0001f);
    EXPECT_FLOAT_EQ(app.mouseY.load(), 0.0f);
}

TEST_F(Input, ReferenceWidthRoundsHalfUpAndFullDesktopUsesTheDesktop) {
    app.windowHeight = 100;
    app.aspect = 1.255f; // 125.5 rounds up to 126
    app.OnMouseMove(126, 0);
    EXPECT_FLOAT_EQ(app.mouseX.load(), 1.0f);
    app.windowed = false;
    app.OnMouseMove(960, 270);
    EXPECT_FLOAT_EQ(app.mouseX.load(), 0.0f);
    EXPECT_FLOAT_EQ(app.mouseY.load(), 0.5f);
}

TEST_F(Input, ButtonAndKeys) {
    app.OnLeftButton(true);
    EXPECT_TRUE(app.mouseDown.load());
    app.OnLeftButton(false);
    EXPECT_FALSE(app.mouseDown.load());

    app.OnKeyDown(WindowKey::Enter, true); // toggling not allowed
    EXPECT_FALSE(app.toggleRequest.load());
    app.allowToggle = true;
    app.OnKeyDown(WindowKey::Enter, false);
    EXPECT_FALSE(app.toggleRequest.load());
    app.OnKeyDown(WindowKey::Enter, true);
    EXPECT_TRUE(app.toggleRequest.load());

    app.toggleRequest = false;
    app.allowToggle = false;
    app.OnMaximizeRequest(); // maximising requests a switch whatever allowToggle is
    EXPECT_TRUE(app.toggleRequest.load());

    app.OnKeyDown(WindowKey::F4, false);
    EXPECT_FALSE(app.quitting.load());
    app.OnKeyDown(WindowKey::F4, true);
    EXPECT_TRUE(app.quitting.load());
}

TEST_F(Input, EscapeAndCloseQuit) {
    app.OnKeyDown(WindowKey::Escape, false);
    EXPECT_TRUE(app.quitting.load());
    MusicDiskApp other(host);
    other.OnCloseRequest();
    EXPECT_TRUE(other.quitting.load());
}

TEST_F(Input, EventFlagsAreOneShot) {
    EXPECT_FALSE(app.ConsumeEventFlag(5));
    app.RaiseEventFlag(5);
    EXPECT_EQ(app.eventFlags.size(), 6u);
    EXPECT_FALSE(app.ConsumeEventFlag(4));
    EXPECT_TRUE(app.ConsumeEventFlag(5));
    EXPECT_FALSE(app.ConsumeEventFlag(5));

    app.ExecuteCommand(7, 2);
    app.ExecuteCommand(7, 2); // raising twice before consuming counts once
    EXPECT_EQ(app.eventFlags.size(), 6u);
    EXPECT_TRUE(app.ConsumeEventFlag(2));
    EXPECT_FALSE(app.ConsumeEventFlag(2));
    EXPECT_FALSE(app.ConsumeEventFlag(-1));
}

TEST_F(Input, OutOfRangeFlagNumbersAreIgnored) {
    app.RaiseEventFlag(-3);
    app.RaiseEventFlag(kMaxEventFlags);
    app.RaiseEventFlag(INT32_MAX);
    EXPECT_TRUE(app.eventFlags.empty());
    app.RaiseEventFlag(kMaxEventFlags - 1);
    EXPECT_TRUE(app.ConsumeEventFlag(kMaxEventFlags - 1));
}

TEST_F(Input, DisplaySwitchChangesAspectBothWays) {
    app.aspect = 1.25f;
    app.windowedAspect = 1.25f;
    app.previousAspect = 1.25f;
    app.ToggleDisplayMode();
    EXPECT_FALSE(app.windowed.load());
    EXPECT_FLOAT_EQ(app.aspect.load(), 1920.0f / 1080.0f);
    EXPECT_FLOAT_EQ(app.previousAspect.load(), app.aspect.load());
    app.ToggleDisplayMode();
    EXPECT_TRUE(app.windowed.load());
    EXPECT_FLOAT_EQ(app.aspect.load(), 1.25f);
}

TEST_F(Input, ClientWidthTruncates) {
    app.windowHeight = 480;
    app.aspect = 1.778f;
    EXPECT_EQ(app.WindowedClientWidth(), 853);
}

} // namespace
} // namespace quib
