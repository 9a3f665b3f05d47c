// The disk loader on descriptions the writer made, inside archives made by `zip`.
#include "AppTestSupport.h"
#include "app/EffectGroup.h"
#include "app/Page.h"
#include "description/DescriptionModel.h"
#include "effects/ImageEffect.h"
#include "effects/TextureStore.h"
#include "effects/ToggledImageEffect.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace quib {
namespace {

using Entries = std::vector<std::pair<std::string, std::vector<uint8_t>>>;

class DiskLoading : public ::testing::Test {
protected:
    DiskLoading() : host(HeadlessSettings{64, 64, 64, 64}), app(host) {
        dir = test::ScratchDirectory("disk");
        archive = dir + "/disk.qdp";
    }

    bool Load(const std::vector<uint8_t>& description, Entries more = {}) {
        more.emplace_back("musicdisk.cfg", description);
        EXPECT_TRUE(test::MakeZip(archive, more));
        return app.Init(archive, dir + "/");
    }
    std::string Message() const {
        return host.Messages().empty() ? std::string() : host.Messages().back();
    }

    AppHostHeadless host;
    MusicDiskApp app;
    std::string dir;
    std::string archive;
};

TEST_F(DiskLoading, BuildsWhatTheDescriptionSays) {
    std::filesystem::create_directories(dir + "/music");
    ASSERT_TRUE(test::WriteBytes(dir + "/music/a.mod", test::TuneOfRows(4)));
    DescriptionModel m;
    m.header = {"Demo", 1, 1, 1.5f, 300};
    m.songs = {{"a.mod", "Alpha", 0, 0x200}, {"b.ogg", "Beta", 1, 0}};
    m.textures = {"img/a.png", "IMG/A.PNG", "missing.png", "junk.png", "b.png"};
    ImageEffectBlock image;
    image.x = -0.5f;
    image.fadeIn = 300;
    image.texture = 1;
    image.u = 0.25f;
    image.discardedSpanU = 0.5f;
    image.discardedSpanV = 0.25f;
    ToggledImageEffectBlock toggled;
    toggled.eventFlag = 4;
    toggled.texture = 7; // past the end: no texture
    GroupRecord group{{{0, 100}, {200, 50}}, {{image}, {toggled}}};
    m.pages = {PageRecord{{group}}, PageRecord{}, PageRecord{{GroupRecord{}, GroupRecord{}}}};
    m.trailing = {1, 2, 3};

    ASSERT_TRUE(Load(WriteDescription(m), {{"img/a.png", test::SolidPng(2, 2, 0xFFFF0000u)},
                                           {"junk.png", {1, 2, 3}},
                                           {"b.png", test::SolidPng(3, 3, 0xFF00FF00u)}}))
        << Message();
    EXPECT_EQ(app.Display().Title(), "Demo");
    EXPECT_EQ(host.WindowTitle(), "Demo (press alt+enter to toggle fullscreen)");
    EXPECT_TRUE(app.Display().AllowToggle());
    EXPECT_EQ(app.Aspect(), 1.5f);
    EXPECT_EQ(app.Display().PreviousAspect(), 1.5f);
    EXPECT_EQ(app.Display().WindowedAspect(), 1.5f);
    EXPECT_EQ(app.WindowHeight(), 300);
    EXPECT_FALSE(app.Display().ToggleRequested());

    ASSERT_EQ(app.Songs().SongCount(), 2u);
    EXPECT_NE(app.Songs().SongAt(0)->handle, 0u);
    EXPECT_EQ(app.Songs().SongAt(0)->bassFlags, 0x200u);
    EXPECT_EQ(app.Songs().SongAt(1)->handle, 0u); // not there: stays in the list
    EXPECT_EQ(app.Songs().SongAt(1)->title, "Beta");

    ASSERT_EQ(app.Textures().Count(), 2u); // the duplicate, the missing and the junk take none
    EXPECT_EQ(app.Textures().GetByIndex(1)->Width(), 3);

    ASSERT_EQ(app.Schedule().PageCount(), 3u);
    ASSERT_EQ(app.Schedule().PageAt(0).groups.size(), 1u);
    const EffectGroup& loaded = *app.Schedule().PageAt(0).groups[0];
    ASSERT_EQ(loaded.intervals.size(), 2u);
    EXPECT_EQ(loaded.intervals[1].start, 200);
    EXPECT_EQ(loaded.intervals[1].end, 50);
    ASSERT_EQ(loaded.effects.size(), 2u);
    const auto& first = dynamic_cast<const ImageEffect&>(*loaded.effects[0]);
    EXPECT_EQ(first.x, -0.5f);
    EXPECT_EQ(first.fadeIn, 300);
    EXPECT_EQ(first.texture, app.Textures().GetByIndex(1));
    EXPECT_EQ(first.u, 0.25f);
    EXPECT_EQ(first.spanU, 1.0f); // the block's spans are read and ignored
    EXPECT_EQ(first.spanV, 1.0f);
    const auto& second = dynamic_cast<const ToggledImageEffect&>(*loaded.effects[1]);
    EXPECT_EQ(second.eventFlag, 4);
    EXPECT_EQ(second.texture, nullptr);
    EXPECT_EQ(app.Schedule().PageAt(1).groups.size(), 0u);
    EXPECT_EQ(app.Schedule().PageAt(2).groups.size(), 2u);
    EXPECT_TRUE(host.Messages().empty());
}

TEST_F(DiskLoading, FullDesktopDisksSwitchOnTheFirstFrame) {
    DescriptionModel m;
    m.header.windowed = 0;
    m.header.title = "Caf\xE9"; // Windows-1252, shown as UTF-8 without the hint
    ASSERT_TRUE(Load(WriteDescription(m))) << Message();
    EXPECT_EQ(host.WindowTitle(), "Caf\xC3\xA9");
    EXPECT_TRUE(app.Windowed());
    EXPECT_TRUE(app.Display().ToggleRequested());
    app.RenderFrame();
    EXPECT_FALSE(app.Windowed());
    EXPECT_FALSE(app.Display().ToggleRequested());
    EXPECT_EQ(app.Aspect(), 1.0f); // the 64 x 64 desktop
}

TEST_F(DiskLoading, EmptyDiskShowsBlackFrames) {
    ASSERT_TRUE(Load(WriteDescription(DescriptionModel{}))) << Message();
    app.Start();
    app.RenderFrame();
    std::vector<uint32_t> pixels;
    ASSERT_TRUE(app.Display().Device()->ReadBackBuffer(pixels));
    EXPECT_EQ(pixels[0], 0xFF000000u);
    EXPECT_EQ(app.CurrentSong(), -1);
}

TEST_F(DiskLoading, MissingArchiveIsRefused) {
    EXPECT_FALSE(app.Init(dir + "/nothing.qdp", dir + "/"));
    EXPECT_NE(Message().find(dir + "/nothing.qdp"), std::string::npos) << Message();
    EXPECT_NE(Message().find("No such file or directory"), std::string::npos) << Message();
    EXPECT_EQ(Message().rfind("Fatal Error: ", 0), 0u) << Message();
}

TEST_F(DiskLoading, FileThatIsNoArchiveIsRefused) {
    ASSERT_TRUE(test::WriteBytes(archive, {'n', 'o', 't', ' ', 'z', 'i', 'p'}));
    EXPECT_FALSE(app.Init(archive, dir + "/"));
    EXPECT_NE(Message().find("not a ZIP archive"), std::string::npos) << Message();
}

TEST_F(DiskLoading, ArchiveWithoutDescriptionIsRefused) {
    ASSERT_TRUE(test::MakeZip(archive, {{"other.cfg", {0}}}));
    EXPECT_FALSE(app.Init(archive, dir + "/"));
    EXPECT_NE(Message().find("no entry \"musicdisk.cfg\""), std::string::npos) << Message();
}

struct Damage {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* expected; // a piece of the message
};

TEST_F(DiskLoading, DamagedDescriptionsAreRefusedWithTheirOffset) {
    DescriptionModel two;
    two.songs = {{"x.mod", "X", 1, 0}};
    std::vector<uint8_t> cut = WriteDescription(two);
    cut.resize(cut.size() - 5); // inside the page count
    const std::vector<Damage> table = {
        {"cut", cut, "stopped at byte 28: expected int32 textureCount"},
        {"huge count", test::Bytes().Header().I32(0).I32(0).I32(1000).data,
         "stopped at byte 20: expected int32 pageCount of the page list no larger"},
        {"type 42",
         test::Bytes().Header().OneEffect(42).I32(0).I32(0).I32(0).I32(0).I32(0).I32(0).data,
         "stopped at byte 36: expected an effect type from 0 to 10 for page 0, group 0, "
         "effect 0, not 42"},
        {"button cut short",
         test::Bytes().Header().OneEffect(1).I32(0).I32(0).I32(0).I32(0).I32(0).I32(0).data,
         "stopped at byte 64: expected int32 texture of page 0, group 0, effect 0 (ButtonEffect)"},
    };
    for (const Damage& damage : table) {
        MusicDiskApp fresh(host);
        ASSERT_TRUE(test::MakeZip(archive, {{"musicdisk.cfg", damage.bytes}}));
        EXPECT_FALSE(fresh.Init(archive, dir + "/")) << damage.name;
        EXPECT_NE(Message().find(damage.expected), std::string::npos)
            << damage.name << ": " << Message();
        EXPECT_NE(Message().find(archive), std::string::npos) << damage.name;
        EXPECT_NE(Message().find("musicdisk.cfg"), std::string::npos) << damage.name;
    }
}

} // namespace
} // namespace quib
