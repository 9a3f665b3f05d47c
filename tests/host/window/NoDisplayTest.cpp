// Without a display: clear errors, and messages that still reach standard error.
#include "host/window/MessageBox.h"
#include "host/window/WindowSdl.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace quib {
namespace {

// Hides the display variables for the lifetime of the object.
class NoDisplay {
public:
    NoDisplay() {
        for (auto& [name, saved] : variables) {
            if (const char* value = std::getenv(name)) {
                saved = value;
            }
            unsetenv(name);
        }
    }
    ~NoDisplay() {
        for (auto& [name, saved] : variables) {
            if (saved) {
                setenv(name, saved->c_str(), 1);
            }
        }
    }

private:
    std::pair<const char*, std::optional<std::string>> variables[3] = {
        {"DISPLAY", std::nullopt}, {"WAYLAND_DISPLAY", std::nullopt}, {"SDL_VIDEODRIVER", {}}};
};

TEST(NoDisplayTest, WindowCreationSaysThereIsNoDisplay) {
    NoDisplay noDisplay;
    setenv("SDL_VIDEODRIVER", "x11", 1);
    std::string error;
    EXPECT_EQ(WindowSdl::Create(WindowSettings{}, error), nullptr);
    EXPECT_NE(error.find("no display"), std::string::npos) << error;
    error.clear();
    int width = 0;
    int height = 0;
    int scale = 0;
    EXPECT_FALSE(WindowSdl::QueryDesktopSize(width, height, scale, error));
    EXPECT_NE(error.find("no display"), std::string::npos) << error;
}

TEST(NoDisplayTest, WindowOfNoSizeIsRefused) {
    WindowSettings settings;
    settings.clientWidth = 0;
    std::string error;
    EXPECT_EQ(WindowSdl::Create(settings, error), nullptr);
    EXPECT_NE(error.find("0x480"), std::string::npos) << error;
}

TEST(NoDisplayTest, MessageBoxTextGoesToStandardError) {
    NoDisplay noDisplay;
    ::testing::internal::CaptureStderr();
    ShowMessageBox("Fatal Error", "Failed to create Direct3D Device");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Fatal Error: Failed to create Direct3D Device\n");
}

} // namespace
} // namespace quib
