// Making the display: the two fatal messages, and Run's threads from start to orderly quit.
#include "AppTestSupport.h"
#include "app/EffectGroup.h"
#include "description/DescriptionModel.h"
#include "effects/ImageEffect.h"
#include "host/gfx/GfxContextEgl.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace quib {
namespace {

// A headless host whose graphics context cannot be made.
class NoContextHost final : public AppHost {
public:
    void DesktopSize(int& width, int& height) override { inner.DesktopSize(width, height); }
    int DisplayScale() const override { return 1; }
    std::unique_ptr<Window> CreateWindow(const std::string& title, int w, int h, bool max,
                                         std::string& error) override {
        return inner.CreateWindow(title, w, h, max, error);
    }
    std::unique_ptr<GfxContext> CreateContext(Window*, int, int, std::string& error) override {
        error = "no context in this test";
        return nullptr;
    }
    std::unique_ptr<AudioOutput> OpenAudio() override { return inner.OpenAudio(); }
    int32_t ClockMs() override { return 0; }
    void ShowMessage(const std::string& caption, const std::string& text) override {
        inner.ShowMessage(caption, text);
    }

    AppHostHeadless inner;
};

TEST(Display, ContextFailureIsTheObjectMessage) {
    NoContextHost host;
    MusicDiskApp app(host);
    EXPECT_FALSE(app.CreateDisplay());
    ASSERT_EQ(host.inner.Messages().size(), 1u);
    EXPECT_EQ(host.inner.Messages()[0], "Fatal Error: Failed to create Direct3D Object");
}

TEST(Display, DeviceFailureIsTheDeviceMessage) {
    AppHostHeadless host(HeadlessSettings{0, 0, 64, 64}); // no desktop to size a back buffer
    MusicDiskApp app(host);
    EXPECT_FALSE(app.CreateDisplay());
    ASSERT_EQ(host.Messages().size(), 1u);
    EXPECT_EQ(host.Messages()[0], "Fatal Error: Failed to create Direct3D Device");
}

TEST(Display, FailedDisplayStopsLoadingWithoutBlamingTheDisk) {
    const std::string dir = test::ScratchDirectory("display");
    DescriptionModel m;
    m.songs = {{"never-read.mod", "", 0, 0}};
    ASSERT_TRUE(test::MakeZip(dir + "/disk.qdp", {{"musicdisk.cfg", WriteDescription(m)}}));
    NoContextHost host;
    MusicDiskApp app(host);
    EXPECT_FALSE(app.Init(dir + "/disk.qdp", dir + "/"));
    EXPECT_EQ(host.inner.Messages().size(), 1u); // only the fatal message
    EXPECT_EQ(app.Songs().SongCount(), 0u);
}

// Headers that leave the window without a size: a full-desktop disk plays and keeps its header;
// a windowed one opens at 640 x 480 with the aspect of that window.
TEST(Display, WindowWithoutASizeStillOpens) {
    struct Case {
        int32_t windowed;
        float aspect;
        int32_t windowHeight;
        float aspectAfter;
        int32_t heightAfter;
    };
    for (const Case& c : {Case{0, 0.0f, 480, 0.0f, 480}, Case{0, 1.778f, 0, 1.778f, 0},
                          Case{1, 0.0f, 480, 4.0f / 3.0f, 480},
                          Case{1, 1.778f, -5, 4.0f / 3.0f, 480}, Case{1, 1.5f, 200, 1.5f, 200}}) {
        SCOPED_TRACE(testing::Message() << c.windowed << " " << c.aspect << " " << c.windowHeight);
        AppHostHeadless host(HeadlessSettings{64, 48, 0, 0});
        MusicDiskApp app(host);
        DescriptionHeader header;
        header.windowed = c.windowed;
        header.aspect = c.aspect;
        header.windowHeight = c.windowHeight;
        app.Display().Configure(header);
        ASSERT_TRUE(app.CreateDisplay());
        EXPECT_TRUE(host.Messages().empty());
        EXPECT_EQ(app.Display().Aspect(), c.aspectAfter);
        EXPECT_EQ(app.Display().WindowHeight(), c.heightAfter);
        int w = 0;
        int h = 0;
        app.Display().WindowedClientSize(w, h);
        EXPECT_EQ(h, c.heightAfter > 0 && c.aspectAfter > 0 ? c.heightAfter : 480);
        EXPECT_EQ(w, c.heightAfter > 0 && c.aspectAfter > 0
                         ? static_cast<int>(c.heightAfter * c.aspectAfter)
                         : 640);
        app.ToggleDisplayMode(); // the first frame, or Alt+Enter: now on the desktop
        EXPECT_FALSE(app.Windowed());
    }
}

TEST(Display, AScaledDesktopGivesTheWindowAndWhatIsDrawnInItMorePixels) {
    for (const int scale : {1, 2, 3}) {
        HeadlessSettings settings{3840, 2160, 0, 0};
        settings.scale = scale;
        AppHostHeadless host(settings);
        MusicDiskApp app(host);
        ASSERT_TRUE(test::CreateWideWindow(app));
        // Effects size their text from the window height: it counts the pixels shown.
        EXPECT_EQ(app.WindowHeight(), 480 * scale);
        int w = 0;
        int h = 0;
        host.Context()->ClientSize(w, h);
        EXPECT_EQ(w, static_cast<int>(480.0f * scale * 1.778f));
        EXPECT_EQ(h, 480 * scale);
        app.OnMouseMove(w, h);
        EXPECT_NEAR(app.MouseX(), 1.0f, 0.002f);
        EXPECT_FLOAT_EQ(app.MouseY(), -1.0f);
    }
}

TEST(Display, RunDrawsOnItsOwnThreadAndQuitsInOrder) {
    const std::string dir = test::ScratchDirectory("run");
    DescriptionModel m;
    m.header.windowed = 0; // the render thread's first frame switches to the full desktop
    m.pages = {PageRecord{{GroupRecord{{{0, 100}}, {{ImageEffectBlock{}}}}}}};
    ASSERT_TRUE(test::MakeZip(dir + "/disk.qdp", {{"musicdisk.cfg", WriteDescription(m)}}));
    AppHostHeadless host(HeadlessSettings{32, 32, 32, 32});
    MusicDiskApp app(host);
    ASSERT_TRUE(app.Init(dir + "/disk.qdp", dir + "/"));
    std::thread quitter([&] {
        while (app.Display().ToggleRequested()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        app.ExecuteCommand(8, 0);
    });
    EXPECT_EQ(app.Run(), 0);
    quitter.join();
    EXPECT_FALSE(app.Windowed());
    EXPECT_EQ(app.Display().Device(), nullptr); // torn down after the render thread ended
    EXPECT_EQ(app.Schedule().PageCount(), 0u);
}

TEST(Display, AspectChangesReachTheEffectsOnlyWhenReal) {
    test::HeadlessApp headless;
    ASSERT_TRUE(headless.displayMade);
    MusicDiskApp& app = *headless.app;
    DescriptionHeader header;
    header.aspect = 0.0f; // a disk without an aspect: switches tell the effects nothing
    app.Display().Configure(header);
    app.Schedule().AddPage(std::make_unique<Page>(app.Display().Device(), &app));
    Page& page = app.Schedule().PageAt(0);
    page.groups.push_back(std::make_unique<EffectGroup>(page.device, &page));
    auto& image = dynamic_cast<ImageEffect&>(*page.groups[0]->CreateEffect(EffectType::Image));
    app.ToggleDisplayMode();
    EXPECT_TRUE(image.firstAspectChange);
    app.NotifyAspectChange(); // nothing changed since
    EXPECT_TRUE(image.firstAspectChange);
    app.ToggleDisplayMode(); // back from the desktop's 1.0 to the disk's 0
    EXPECT_FALSE(image.firstAspectChange);
    EXPECT_EQ(app.Display().PreviousAspect(), 0.0f);
}

} // namespace
} // namespace quib
