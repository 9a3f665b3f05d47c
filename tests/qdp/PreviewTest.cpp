// qdp preview's reload, driven frame by frame on the headless host: a file changed under the
// running disk is built again and swapped in while the songs play on.
#include "Command.h"
#include "DiskPreview.h"
#include "app/DiskRenderer.h"
#include "app/MusicDiskApp.h"
#include "effects/TestImages.h"
#include "host/audio/TestSounds.h"
#include "host/gfx/GfxContextEgl.h"
#include "qdp/QdpTestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace quib {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kRed = 0xFFFF0000u;
constexpr uint32_t kBlue = 0xFF0000FFu;
constexpr uint32_t kGreen = 0xFF00FF00u;

// Songs of a few seconds each; every song's page is one picture over the whole window.
std::string Source(const std::vector<std::string>& songs, const std::string& picture) {
    std::string text = "name = \"preview\"\naspect = \"4:3\"\nwindowHeight = 48\n";
    for (const std::string& song : songs) {
        text += "\n[[songs]]\nfile = \"" + song + "\"\ntitle = \"" + song +
                "\"\n[[songs.page.groups]]\nintervals = [[0, 60]]\n"
                "[[songs.page.groups.effects]]\ntype = \"ImageEffect\"\ntexture = \"" +
                picture + "\"\nx = -1.0\ny = 1.0\nwidth = 2.0\nheight = 2.0\n";
    }
    return text;
}

class Preview : public ::testing::Test {
protected:
    void SetUp() override {
        test::WriteBytes(scratch + "/red.png", test::SolidPng(4, 4, kRed));
        test::WriteBytes(scratch + "/blue.png", test::SolidPng(4, 4, kBlue));
        for (const char* song : {"a.mod", "b.mod", "c.mod"}) {
            fs::create_directories(scratch + "/music");
            test::WriteBytes(scratch + "/music/" + song, test::TuneOfRows(400)); // 8 s
        }
        Edit(Source({"a.mod", "b.mod"}, "red.png"));
        ASSERT_TRUE(preview.Start(app));
        host.Context()->SetRasterising(true);
        app.Start();
    }
    void TearDown() override { fs::remove_all(scratch); }

    void Edit(const std::string& text) {
        test::WriteBytes(source, std::vector<uint8_t>(text.begin(), text.end()));
    }
    // Frames of 1/60 s, the last one read back.
    std::vector<uint32_t> Frames(int count) {
        for (int i = 0; i < count; ++i) {
            host.Audio()->Advance(kRenderFrameUnits);
            time += kRenderFrameUnits;
            RenderFrameAt(host, app, time);
        }
        std::vector<uint32_t> argb;
        EXPECT_TRUE(host.Context()->ReadClientArea(argb));
        return argb;
    }

    std::string scratch = test::ScratchDirectory("qdp-preview");
    std::string source = scratch + "/disk.toml";
    qdp::DiskPreview preview{*qdp::FindCommand("preview"), source, {}};
    AppHostHeadless host{HeadlessRunSettings(64, 48)};
    MusicDiskApp app{host};
    int64_t time = 0;
};

// Ctrl+Right moves to song 1; a new picture is swapped in on the next frame while song 1 plays
// on from where it was, and so is a picture whose file changed.
TEST_F(Preview, AnEditIsSwappedInWhileTheSongPlaysOn) {
    preview.OnKey(WindowKey::CtrlRight);
    std::vector<uint32_t> frame = Frames(60);
    ASSERT_EQ(app.Songs().CurrentSong(), 1);
    EXPECT_EQ(frame[24 * 64 + 32], kRed);
    const int32_t before = app.Songs().GetPlaybackPosition();
    ASSERT_GT(before, 44100 / 2);

    EXPECT_FALSE(preview.CheckFiles()); // nothing changed yet
    Edit(Source({"a.mod", "b.mod"}, "blue.png"));
    ASSERT_TRUE(preview.CheckFiles());
    frame = Frames(1);
    EXPECT_EQ(app.Songs().CurrentSong(), 1);
    EXPECT_EQ(app.Songs().GetPlaybackPosition(), before + kRenderFrameUnits);
    EXPECT_EQ(frame[24 * 64 + 32], kBlue);
    EXPECT_EQ(preview.ErrorLine(), "");

    // A picture changed under the same name is decoded again, not taken from the last disk.
    test::WriteBytes(scratch + "/blue.png", test::SolidPng(4, 4, kGreen));
    ASSERT_TRUE(preview.CheckFiles());
    EXPECT_EQ(Frames(1)[24 * 64 + 32], kGreen);
}

// A build with errors keeps the running disk and says where the error is, on standard error
// and in a band over the bottom of the disk, until the next good build.
TEST_F(Preview, ABrokenEditKeepsTheRunningDisk) {
    Frames(30);
    Edit(Source({"a.mod", "b.mod"}, "blue.png") + "x = \n");
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(preview.CheckFiles());
    const std::string printed = ::testing::internal::GetCapturedStderr();
    const std::string line = preview.ErrorLine();
    EXPECT_EQ(line.rfind(source + ":30:", 0), 0u) << line;
    EXPECT_NE(line.find(": error: "), std::string::npos) << line;
    EXPECT_NE(printed.find(line + "\n"), std::string::npos) << printed;

    std::vector<uint32_t> frame = Frames(1);
    EXPECT_EQ(frame[10 * 64 + 32], kRed); // the old disk
    EXPECT_NE(frame[46 * 64 + 32], kRed); // under the error band
    const int32_t position = app.Songs().GetPlaybackPosition();

    Edit(Source({"a.mod", "b.mod"}, "blue.png"));
    ASSERT_TRUE(preview.CheckFiles());
    frame = Frames(1);
    EXPECT_EQ(preview.ErrorLine(), "");
    EXPECT_EQ(frame[10 * 64 + 32], kBlue);
    EXPECT_EQ(frame[46 * 64 + 32], kBlue);
    EXPECT_EQ(app.Songs().GetPlaybackPosition(), position + kRenderFrameUnits);
}

// A changed playlist is loaded anew: the song at the same index plays from its start, or song
// 0 when the list no longer reaches it.
TEST_F(Preview, APlaylistChangeRestartsAtTheSameIndex) {
    preview.OnKey(WindowKey::CtrlRight);
    Frames(60);
    ASSERT_EQ(app.Songs().CurrentSong(), 1);
    const struct {
        std::vector<std::string> songs;
        int32_t current;
        const char* title;
    } kEdits[] = {{{"c.mod", "b.mod", "a.mod"}, 1, "b.mod"}, {{"c.mod"}, 0, "c.mod"}};
    for (const auto& edit : kEdits) {
        Edit(Source(edit.songs, "red.png"));
        ASSERT_TRUE(preview.CheckFiles());
        Frames(1);
        EXPECT_EQ(app.Songs().SongCount(), edit.songs.size());
        EXPECT_EQ(app.Songs().CurrentSong(), edit.current);
        EXPECT_EQ(app.Songs().CurrentSongTitle(), edit.title);
        EXPECT_LE(app.Songs().GetPlaybackPosition(), kRenderFrameUnits) << "from its start";
        Frames(30);
    }
}

} // namespace
} // namespace quib
