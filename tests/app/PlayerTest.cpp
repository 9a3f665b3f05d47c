// The player against the offline audio output: commands, auto-advance, positions, shutdown.
#include "AppTestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace quib {
namespace {

class Player : public ::testing::Test {
protected:
    Player() : app(host) {
        app.audio = host.OpenAudio();
        dir = test::ScratchDirectory("player");
        std::filesystem::create_directories(dir + "/music");
        app.songDirectory = dir + "/";
    }

    // Adds a module of `rows` rows (882 frames each).
    void AddTune(const std::string& name, int rows) {
        ASSERT_TRUE(test::WriteFile(dir + "/music/" + name, test::TuneBytes(rows)));
        app.AddSong(name, "Title of " + name, 0, false);
        ASSERT_NE(app.songs.back()->handle, 0u) << name;
    }

    ChannelState State(int song) { return app.audio->GetState(app.songs[song]->handle); }
    void Advance(uint64_t frames) { host.Audio()->Advance(frames); }

    AppHostHeadless host;
    MusicDiskApp app;
    std::string dir;
};

TEST_F(Player, SongsComeFromTheMusicFolderBesideTheDisk) {
    AddTune("a.mod", 4);
    app.AddSong("missing.mod", "Missing", 0, false);
    app.AddSong("sub\\b.ogg", "Stream", 0x4, true);
    EXPECT_EQ(app.songs[0]->path, dir + "/music/a.mod");
    EXPECT_EQ(app.songs[0]->title, "Title of a.mod");
    EXPECT_EQ(app.songs[1]->handle, 0u); // stays in the list, never plays
    EXPECT_EQ(app.songs[2]->path, dir + "/music/sub/b.ogg");
    EXPECT_TRUE(app.songs[2]->isStream);
    EXPECT_EQ(app.songs[2]->bassFlags, 0x4u);
    EXPECT_EQ(app.currentSong.load(), 0);
}

TEST_F(Player, NextAndPreviousWrapAround) {
    AddTune("a.mod", 8);
    AddTune("b.mod", 8);
    AddTune("c.mod", 8);
    app.Start();
    app.Previous();
    EXPECT_EQ(app.currentSong.load(), 2);
    EXPECT_EQ(State(2), ChannelState::Playing);
    EXPECT_EQ(State(0), ChannelState::Stopped);
    app.Next();
    EXPECT_EQ(app.currentSong.load(), 0);
    app.Next();
    EXPECT_EQ(app.currentSong.load(), 1);
    EXPECT_FALSE(app.userStopped.load());
    EXPECT_FALSE(app.playerBusy.load());
}

TEST_F(Player, StopThenPlayRestartsAndPauseResumes) {
    AddTune("a.mod", 16);
    app.Start();
    Advance(4000);
    app.Stop();
    EXPECT_TRUE(app.userStopped.load());
    EXPECT_EQ(app.GetPlaybackPosition(), 0); // stopped songs report no position
    app.Play();
    EXPECT_EQ(app.audio->GetPosition(app.songs[0]->handle), 0u);
    Advance(1000);
    app.PauseResume();
    EXPECT_EQ(State(0), ChannelState::Paused);
    EXPECT_EQ(app.GetPlaybackPosition(), 1000);
    Advance(500);
    app.PauseResume();
    EXPECT_EQ(State(0), ChannelState::Playing);
    Advance(200);
    EXPECT_EQ(app.GetPlaybackPosition(), 1200);
    app.Stop();
    app.PauseResume(); // neither playing nor paused: nothing
    EXPECT_EQ(State(0), ChannelState::Stopped);
}

TEST_F(Player, StopOnPausedSongStopsIt) {
    AddTune("a.mod", 16);
    app.Start();
    app.PauseResume();
    app.Stop();
    EXPECT_EQ(State(0), ChannelState::Stopped);
    EXPECT_TRUE(app.userStopped.load());
}

TEST_F(Player, EndedSongAdvancesAndSingleSongLoops) {
    AddTune("a.mod", 2);
    app.Start();
    Advance(2 * test::kFramesPerRow + 100);
    EXPECT_EQ(State(0), ChannelState::Stopped);
    app.AutoAdvance();
    EXPECT_EQ(app.currentSong.load(), 0);
    EXPECT_EQ(State(0), ChannelState::Playing);
    EXPECT_EQ(app.audio->GetPosition(app.songs[0]->handle), 0u);
}

TEST_F(Player, AutoAdvanceWaitsForUserStopPauseAndBusy) {
    AddTune("a.mod", 2);
    AddTune("b.mod", 2);
    app.Start();
    app.Stop();
    app.AutoAdvance();
    EXPECT_EQ(app.currentSong.load(), 0); // stopped by the user: stays

    app.Play();
    app.PauseResume();
    app.AutoAdvance();
    EXPECT_EQ(app.currentSong.load(), 0); // paused: stays

    app.PauseResume();
    Advance(3 * test::kFramesPerRow);
    app.playerBusy = true;
    app.AutoAdvance();
    EXPECT_EQ(app.currentSong.load(), 0); // a command runs: stays
    app.playerBusy = false;
    app.AutoAdvance();
    EXPECT_EQ(app.currentSong.load(), 1);
    app.AutoAdvance();
    EXPECT_EQ(app.currentSong.load(), 1); // at most one step, and b plays
}

TEST_F(Player, FailedSongsArePassedOver) {
    AddTune("a.mod", 2);
    app.AddSong("gone.mod", "Gone", 0, false);
    AddTune("c.mod", 2);
    app.Start();
    Advance(3 * test::kFramesPerRow);
    app.AutoAdvance();
    EXPECT_EQ(app.currentSong.load(), 1);
    app.AutoAdvance();
    EXPECT_EQ(app.currentSong.load(), 2);
    EXPECT_EQ(State(2), ChannelState::Playing);
}

TEST_F(Player, SelectSongIgnoresIndicesOutsideThePlaylist) {
    AddTune("a.mod", 8);
    AddTune("b.mod", 8);
    app.Start();
    for (int32_t index : {-1, 2, 1000}) {
        app.SelectSong(index);
        EXPECT_EQ(app.currentSong.load(), 0);
        EXPECT_EQ(State(0), ChannelState::Playing);
    }
    Advance(300);
    app.SelectSong(0); // the current song starts again
    EXPECT_EQ(app.audio->GetPosition(app.songs[0]->handle), 0u);
    app.SelectSong(1);
    EXPECT_EQ(app.currentSong.load(), 1);
    EXPECT_EQ(State(0), ChannelState::Stopped);
    EXPECT_EQ(State(1), ChannelState::Playing);
}

TEST_F(Player, CommandsOnEmptyPlaylistDoNothingButVolume) {
    for (int32_t code = 0; code <= 7; ++code) {
        app.ExecuteCommand(code, 0);
    }
    app.AutoAdvance();
    EXPECT_EQ(app.currentSong.load(), -1);
    EXPECT_FALSE(app.playerBusy.load());
    EXPECT_EQ(app.GetPlaybackPosition(), 0);
    app.ExecuteCommand(6, 50);
    EXPECT_FLOAT_EQ(app.audio->GetVolume(), 0.5f);
}

TEST_F(Player, CommandCodesDispatch) {
    AddTune("a.mod", 8);
    AddTune("b.mod", 8);
    app.Start();
    app.ExecuteCommand(4, 0);
    EXPECT_EQ(app.currentSong.load(), 1);
    app.ExecuteCommand(3, 0);
    EXPECT_EQ(app.currentSong.load(), 0);
    app.ExecuteCommand(5, 1);
    EXPECT_EQ(app.currentSong.load(), 1);
    app.ExecuteCommand(1, 0);
    EXPECT_EQ(State(1), ChannelState::Paused);
    app.ExecuteCommand(0, 0);
    EXPECT_EQ(State(1), ChannelState::Playing);
    app.ExecuteCommand(2, 0);
    EXPECT_EQ(State(1), ChannelState::Stopped);
    app.ExecuteCommand(9, 0);
    app.ExecuteCommand(-1, 0);
    EXPECT_EQ(State(1), ChannelState::Stopped);
    EXPECT_FALSE(app.quitting.load());
    app.ExecuteCommand(8, 0); // exit: the orderly quit of Escape
    EXPECT_TRUE(app.quitting.load());
}

TEST_F(Player, TearDownStopsAndFreesEverySong) {
    AddTune("a.mod", 8);
    AddTune("b.mod", 8);
    app.Start();
    app.TearDown();
    EXPECT_TRUE(app.userStopped.load());
    ASSERT_EQ(app.songs.size(), 2u);
    EXPECT_EQ(app.songs[0], nullptr);
    EXPECT_EQ(app.songs[1], nullptr);
    EXPECT_EQ(app.audio, nullptr);
    app.TearDown(); // the destructor tears down again: nothing is left to free
}

} // namespace
} // namespace quib
