// The SDL window under a private Xvfb with openbox: modes, input, and drawing from a thread.
#include "XvfbSession.h"
#include "host/gfx/GfxDeviceGl.h"
#include "host/gfx/GfxVertex.h"
#include "host/window/WindowSdl.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

namespace quib {
namespace {

struct Recorder : WindowListener {
    struct Key {
        WindowKey key;
        bool alt;
    };
    std::vector<std::pair<int, int>> moves;
    std::vector<bool> buttons;
    std::vector<Key> keys;
    int closeRequests = 0;
    int maximizeRequests = 0;
    std::vector<std::pair<int, int>> sizes;

    void OnMouseMove(int x, int y) override { moves.emplace_back(x, y); }
    void OnLeftButton(bool down) override { buttons.push_back(down); }
    void OnKeyDown(WindowKey key, bool altHeld) override { keys.push_back({key, altHeld}); }
    void OnCloseRequest() override { ++closeRequests; }
    void OnMaximizeRequest() override { ++maximizeRequests; }
    void OnClientSizeChanged(int w, int h) override { sizes.emplace_back(w, h); }
};

class WindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        session = std::make_unique<XvfbSession>();
        if (!session->Start(sessionError)) {
            session.reset();
        }
    }
    static void TearDownTestSuite() { session.reset(); }

    void SetUp() override {
        ASSERT_NE(session, nullptr) << "window tests need an X server: " << sessionError;
        title = "quib-window-test-" + std::to_string(getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name();
        WindowSettings settings;
        settings.title = title;
        settings.clientWidth = 200;
        settings.clientHeight = 150;
        settings.maximizable = true;
        std::string error;
        window = WindowSdl::Create(settings, error);
        ASSERT_NE(window, nullptr) << error;
    }

    void TearDown() override { window.reset(); }

    // Pumps events until `done` holds, for at most five seconds.
    bool PumpUntil(const std::function<bool()>& done) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) {
                return false;
            }
            window->PumpEvents(recorder, 20);
        }
        return true;
    }

    // Shows the window and waits until the server maps it; its X window id.
    std::string ShowAndFind() {
        window->Show();
        window->PumpEvents(recorder, 0);
        std::string id = XvfbSession::Output(
            "timeout 10 xdotool search --sync --onlyvisible --name '^" + title + "$'");
        while (!id.empty() && (id.back() == '\n' || id.back() == ' ')) {
            id.pop_back();
        }
        if (id.find('\n') != std::string::npos) {
            id = id.substr(0, id.find('\n'));
        }
        return id;
    }

    bool ClientSizeIs(int width, int height) {
        int w = 0;
        int h = 0;
        window->ClientSize(w, h);
        return w == width && h == height;
    }

    static std::unique_ptr<XvfbSession> session;
    static std::string sessionError;
    std::string title;
    std::unique_ptr<WindowSdl> window;
    Recorder recorder;
};

std::unique_ptr<XvfbSession> WindowTest::session;
std::string WindowTest::sessionError;

TEST_F(WindowTest, OpensHiddenCentredWithItsClientSize) {
    EXPECT_FALSE(window->IsVisible());
    EXPECT_FALSE(window->IsFullDesktop());
    EXPECT_TRUE(ClientSizeIs(200, 150));
    int desktopWidth = 0;
    int desktopHeight = 0;
    window->DesktopSize(desktopWidth, desktopHeight);
    EXPECT_EQ(desktopWidth, XvfbSession::desktopWidth);
    EXPECT_EQ(desktopHeight, XvfbSession::desktopHeight);
    std::string error;
    int queriedWidth = 0;
    int queriedHeight = 0;
    int scale = 0;
    for (const auto& [given, expected] : {std::pair{"", 1}, std::pair{"2", 2}, std::pair{"9", 1}}) {
        setenv("GDK_SCALE", given, 1);
        ASSERT_TRUE(WindowSdl::QueryDesktopSize(queriedWidth, queriedHeight, scale, error))
            << error;
        EXPECT_EQ(scale, expected) << "GDK_SCALE=" << given;
    }
    unsetenv("GDK_SCALE");
    EXPECT_EQ(queriedWidth, desktopWidth);
    EXPECT_EQ(queriedHeight, desktopHeight);

    const std::string id = ShowAndFind();
    ASSERT_FALSE(id.empty()) << "the shown window was not found by its title";
    EXPECT_TRUE(window->IsVisible());
    // The client area's position on the screen: centred, give or take the frame's decoration.
    const std::string geometry = XvfbSession::Output("xdotool getwindowgeometry " + id);
    int x = -1;
    int y = -1;
    ASSERT_EQ(
        std::sscanf(geometry.substr(geometry.find("Position:")).c_str(), "Position: %d,%d", &x, &y),
        2)
        << geometry;
    EXPECT_NEAR(x, (desktopWidth - 200) / 2, 8);
    EXPECT_NEAR(y, (desktopHeight - 150) / 2, 40);
}

TEST_F(WindowTest, TitleAndIconReachTheServer) {
    const std::string id = ShowAndFind();
    ASSERT_FALSE(id.empty());
    window->SetTitle(title + "-\xC3\xA9t\xC3\xA9");
    const uint32_t icon[4] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0x80FFFFFFu};
    window->SetIcon(2, 2, icon);
    window->PumpEvents(recorder, 0);
    std::string name;
    ASSERT_TRUE(PumpUntil([&] {
        name = XvfbSession::Output("xprop -id " + id + " _NET_WM_NAME");
        return name.find("\xC3\xA9t\xC3\xA9") != std::string::npos;
    })) << name;
    const std::string iconProperty = XvfbSession::Output("xprop -id " + id + " _NET_WM_ICON");
    EXPECT_NE(iconProperty.find("2 x 2"), std::string::npos) << iconProperty;
}

TEST_F(WindowTest, MouseAndKeysArriveInClientCoordinates) {
    const std::string id = ShowAndFind();
    ASSERT_FALSE(id.empty());
    ASSERT_TRUE(XvfbSession::Run("xdotool windowactivate --sync " + id));
    window->PumpEvents(recorder, 50);

    ASSERT_TRUE(XvfbSession::Run("xdotool mousemove --sync --window " + id + " 37 21"));
    EXPECT_TRUE(PumpUntil([&] {
        return !recorder.moves.empty() && recorder.moves.back() == std::make_pair(37, 21);
    })) << (recorder.moves.empty() ? std::string("no move")
                                   : std::to_string(recorder.moves.back().first) + "," +
                                         std::to_string(recorder.moves.back().second));

    ASSERT_TRUE(XvfbSession::Run("xdotool mousedown 1"));
    ASSERT_TRUE(PumpUntil([&] { return recorder.buttons.size() == 1; }));
    EXPECT_TRUE(recorder.buttons[0]);
    ASSERT_TRUE(XvfbSession::Run("xdotool mouseup 1"));
    ASSERT_TRUE(PumpUntil([&] { return recorder.buttons.size() == 2; }));
    EXPECT_FALSE(recorder.buttons[1]);
    // A release outside the window still ends the press.
    ASSERT_TRUE(XvfbSession::Run("xdotool mousedown 1 mousemove --sync 0 0 mouseup 1"));
    ASSERT_TRUE(PumpUntil([&] { return recorder.buttons.size() == 4; }));
    EXPECT_FALSE(recorder.buttons[3]);
    // Other buttons are not the left button.
    ASSERT_TRUE(XvfbSession::Run("xdotool click 3"));

    for (const char* keys : {"alt+Return", "Return", "Escape", "alt+F4", "a", "F4", "Left", "F5",
                             "ctrl+Left", "ctrl+Right"}) {
        ASSERT_TRUE(XvfbSession::Run(std::string("xdotool key ") + keys)) << keys;
    }
    ASSERT_TRUE(PumpUntil([&] { return recorder.keys.size() >= 8; }));
    window->PumpEvents(recorder, 100);
    ASSERT_EQ(recorder.keys.size(), 8u); // a plain arrow is not reported
    EXPECT_EQ(recorder.keys[0].key, WindowKey::Enter);
    EXPECT_TRUE(recorder.keys[0].alt);
    EXPECT_EQ(recorder.keys[1].key, WindowKey::Enter);
    EXPECT_FALSE(recorder.keys[1].alt);
    EXPECT_EQ(recorder.keys[2].key, WindowKey::Escape);
    EXPECT_EQ(recorder.keys[3].key, WindowKey::F4);
    EXPECT_TRUE(recorder.keys[3].alt);
    EXPECT_EQ(recorder.keys[4].key, WindowKey::F4);
    EXPECT_FALSE(recorder.keys[4].alt);
    EXPECT_EQ(recorder.keys[5].key, WindowKey::F5);
    EXPECT_EQ(recorder.keys[6].key, WindowKey::CtrlLeft);
    EXPECT_EQ(recorder.keys[7].key, WindowKey::CtrlRight);
    EXPECT_EQ(recorder.buttons.size(), 4u);
    EXPECT_EQ(recorder.closeRequests, 0);
}

TEST_F(WindowTest, SwitchesModesWhileTheRenderThreadDraws) {
    std::string error;
    auto context = window->CreateGfxContext(error);
    ASSERT_NE(context, nullptr) << error;
    int desktopWidth = 0;
    int desktopHeight = 0;
    window->DesktopSize(desktopWidth, desktopHeight);
    // A small back buffer keeps frames cheap, so that only the cap holds the rate down.
    auto device = GfxDeviceGl::Create(*context, 160, 120, error);
    ASSERT_NE(device, nullptr) << error;
    auto quad = device->CreateVertexBuffer(4 * sizeof(ColouredVertex));
    context->ReleaseCurrent();

    const std::string id = ShowAndFind();
    ASSERT_FALSE(id.empty());

    // The render thread draws and presents; it asks for the mode switches, as the disk does.
    std::atomic<int> frames{0};
    std::atomic<int> request{0};
    std::atomic<bool> stop{false};
    std::atomic<bool> drawing{false};
    std::thread render([&] {
        if (!context->MakeCurrent()) {
            return;
        }
        drawing = true;
        while (!stop) {
            if (const int r = request.exchange(0); r == 1) {
                window->RequestFullDesktop();
            } else if (r == 2) {
                window->RequestWindowMode(200, 150);
            }
            device->BeginFrame();
            device->Clear();
            auto* v = static_cast<ColouredVertex*>(quad->Lock());
            v[0] = {-0.5f, 0.5f, 0.0f, 0xFFFF0000u};
            v[1] = {0.5f, 0.5f, 0.0f, 0xFFFF0000u};
            v[2] = {0.5f, -0.5f, 0.0f, 0xFFFF0000u};
            v[3] = {-0.5f, -0.5f, 0.0f, 0xFFFF0000u};
            quad->Unlock();
            device->Draw(*quad, VertexFormat::Coloured, Primitive::TriangleFan, 0, 2);
            device->EndFrame();
            device->Present();
            ++frames;
        }
        context->ReleaseCurrent();
    });

    ASSERT_TRUE(PumpUntil([&] { return frames > 3; })) << "the render thread does not draw";
    EXPECT_TRUE(drawing);

    // Without vertical sync the frame rate is capped at the display's refresh rate.
    const int before = frames;
    const auto start = std::chrono::steady_clock::now();
    PumpUntil([&] { return std::chrono::steady_clock::now() - start > std::chrono::seconds(1); });
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LE(frames - before, context->RefreshRate() * seconds + 3)
        << "vsync " << context->HasVsync() << ", refresh " << context->RefreshRate();

    request = 1;
    EXPECT_TRUE(PumpUntil([&] { return ClientSizeIs(desktopWidth, desktopHeight); }));
    EXPECT_TRUE(window->IsFullDesktop());
    ASSERT_TRUE(XvfbSession::Run("xdotool mousemove --sync 700 600"));
    EXPECT_TRUE(PumpUntil([&] {
        return !recorder.moves.empty() && recorder.moves.back() == std::make_pair(700, 600);
    }));

    request = 2;
    EXPECT_TRUE(PumpUntil([&] { return ClientSizeIs(200, 150); }));
    EXPECT_FALSE(window->IsFullDesktop());
    const int framesAfterSwitches = frames;
    EXPECT_TRUE(PumpUntil([&] { return frames > framesAfterSwitches + 3; }));

    stop = true;
    render.join();
    ASSERT_TRUE(context->MakeCurrent());
    quad.reset();
    device.reset();
    context.reset();
    EXPECT_FALSE(recorder.sizes.empty());
}

TEST_F(WindowTest, MaximisingIsReportedAndWindowModeRestores) {
    const std::string id = ShowAndFind();
    ASSERT_FALSE(id.empty());
    // The window manager's maximise (bound to Super+Up by the session), as the button does it.
    ASSERT_TRUE(XvfbSession::Run("xdotool windowactivate --sync " + id + " key super+Up"));
    ASSERT_TRUE(PumpUntil([&] { return recorder.maximizeRequests == 1; }));
    window->RequestFullDesktop();
    EXPECT_TRUE(PumpUntil(
        [&] { return ClientSizeIs(XvfbSession::desktopWidth, XvfbSession::desktopHeight); }));
    window->RequestWindowMode(200, 150);
    EXPECT_TRUE(PumpUntil([&] { return ClientSizeIs(200, 150); }));
}

TEST_F(WindowTest, ASizeTheUserGivesInWindowModeIsGivenBack) {
    const std::string id = ShowAndFind();
    ASSERT_FALSE(id.empty());
    const auto given = [&](int w, int h) {
        return std::find(recorder.sizes.begin(), recorder.sizes.end(), std::pair{w, h}) !=
               recorder.sizes.end();
    };
    // As a drag on the frame ends: the window manager configures the window to a new size.
    for (const auto& [w, h] : {std::pair{400, 300}, std::pair{300, 100}}) {
        ASSERT_TRUE(XvfbSession::Run("xdotool windowsize " + id + " " + std::to_string(w) + " " +
                                     std::to_string(h)));
        ASSERT_TRUE(PumpUntil([&] { return given(w, h); })) << w << "x" << h;
        EXPECT_TRUE(PumpUntil([&] { return ClientSizeIs(200, 150); })) << w << "x" << h;
    }
}

TEST_F(WindowTest, EndOfSessionIsACloseRequest) {
    ASSERT_FALSE(ShowAndFind().empty());
    std::raise(SIGINT);
    EXPECT_TRUE(PumpUntil([&] { return recorder.closeRequests == 1; }));
}

TEST_F(WindowTest, WakeEndsAWaitEarly) {
    std::thread waker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        window->Wake();
    });
    const auto start = std::chrono::steady_clock::now();
    window->PumpEvents(recorder, 10000);
    waker.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

} // namespace
} // namespace quib
