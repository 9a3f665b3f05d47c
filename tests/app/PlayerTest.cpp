// The player against the offline audio output: commands, auto-advance, positions, shutdown.
#include "AppTestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace quib::test {

class PlayerTest : public ::testing::Test {
protected:
    PlayerTest() : app(host), player(app.Songs()) {
        player.OpenOutput(host.OpenAudio());
        dir = ScratchDirectory("player");
        std::filesystem::create_directories(dir + "/music");
        player.SetSongDirectory(dir + "/");
    }

    // Adds a module of `rows` rows (882 frames each).
    void AddTune(const std::string& name, int rows) {
        ASSERT_TRUE(WriteBytes(dir + "/music/" + name, TuneOfRows(rows)));
        player.AddSong(name, "Title of " + name, 0, false);
        ASSERT_NE(player.SongAt(static_cast<int32_t>(player.SongCount()) - 1)->handle, 0u) << name;
    }

    ChannelState State(int song) { return player.Output()->GetState(player.SongAt(song)->handle); }
    void Advance(uint64_t frames) { host.Audio()->Advance(frames); }
    // As while a command runs on another path of the render thread.
    void SetBusy(bool busy) { player.playerBusy = busy; }

    AppHostHeadless host;
    MusicDiskApp app;
    Player& player;
    std::string dir;
};

TEST_F(PlayerTest, SongsComeFromTheMusicFolderBesideTheDisk) {
    AddTune("a.mod", 4);
    player.AddSong("missing.mod", "Missing", 0, false);
    player.AddSong("sub\\b.ogg", "Stream", 0x4, true);
    EXPECT_EQ(player.SongAt(0)->path, dir + "/music/a.mod");
    EXPECT_EQ(player.SongAt(0)->title, "Title of a.mod");
    EXPECT_EQ(player.SongAt(1)->handle, 0u); // stays in the list, never plays
    EXPECT_EQ(player.SongAt(2)->path, dir + "/music/sub/b.ogg");
    EXPECT_TRUE(player.SongAt(2)->isStream);
    EXPECT_EQ(player.SongAt(2)->bassFlags, 0x4u);
    EXPECT_EQ(player.CurrentSong(), 0);
}

// Names from Windows ignore case: the exact name wins, else the first match in byte order.
TEST_F(PlayerTest, SongNamesIgnoreCaseAsOnWindows) {
    std::filesystem::rename(dir + "/music", dir + "/Music");
    std::filesystem::create_directories(dir + "/Music/Sub");
    const auto tune = TuneOfRows(4);
    for (const char* name :
         {"Music/a.mod", "Music/Sub/b.MOD", "Music/Sub/B.mod", "Music/c.mod", "Music/C.MOD"}) {
        ASSERT_TRUE(WriteBytes(dir + "/" + name, tune));
    }
    player.AddSong("A.MOD", "", 0, false);
    player.AddSong("sub\\b.mod", "", 0, false);
    player.AddSong("C.MOD", "", 0, false);
    player.AddSong("d.mod", "", 0, false);
    EXPECT_EQ(player.SongAt(0)->path, dir + "/Music/a.mod");
    EXPECT_NE(player.SongAt(0)->handle, 0u);
    EXPECT_EQ(player.SongAt(1)->path, dir + "/Music/Sub/B.mod");
    EXPECT_EQ(player.SongAt(2)->path, dir + "/Music/C.MOD");
    EXPECT_EQ(player.SongAt(3)->path, dir + "/Music/d.mod");
}

TEST_F(PlayerTest, NextAndPreviousWrapAround) {
    AddTune("a.mod", 8);
    AddTune("b.mod", 8);
    AddTune("c.mod", 8);
    player.Start();
    player.Previous();
    EXPECT_EQ(player.CurrentSong(), 2);
    EXPECT_EQ(State(2), ChannelState::Playing);
    EXPECT_EQ(State(0), ChannelState::Stopped);
    player.Next();
    EXPECT_EQ(player.CurrentSong(), 0);
    player.Next();
    EXPECT_EQ(player.CurrentSong(), 1);
    EXPECT_FALSE(player.UserStopped());
    EXPECT_FALSE(player.Busy());
}

TEST_F(PlayerTest, StopThenPlayRestartsAndPauseResumes) {
    AddTune("a.mod", 16);
    player.Start();
    Advance(4000);
    player.Stop();
    EXPECT_TRUE(player.UserStopped());
    EXPECT_EQ(player.GetPlaybackPosition(), 0); // stopped songs report no position
    player.Play();
    EXPECT_EQ(player.Output()->GetPosition(player.SongAt(0)->handle), 0u);
    Advance(1000);
    player.PauseResume();
    EXPECT_EQ(State(0), ChannelState::Paused);
    EXPECT_EQ(player.GetPlaybackPosition(), 1000);
    Advance(500);
    player.PauseResume();
    EXPECT_EQ(State(0), ChannelState::Playing);
    Advance(200);
    EXPECT_EQ(player.GetPlaybackPosition(), 1200);
    player.Stop();
    player.PauseResume(); // neither playing nor paused: nothing
    EXPECT_EQ(State(0), ChannelState::Stopped);
}

TEST_F(PlayerTest, StopOnPausedSongStopsIt) {
    AddTune("a.mod", 16);
    player.Start();
    player.PauseResume();
    player.Stop();
    EXPECT_EQ(State(0), ChannelState::Stopped);
    EXPECT_TRUE(player.UserStopped());
}

TEST_F(PlayerTest, EndedSongAdvancesAndSingleSongLoops) {
    AddTune("a.mod", 2);
    player.Start();
    Advance(2 * kFramesPerRow + 100);
    EXPECT_EQ(State(0), ChannelState::Stopped);
    player.AutoAdvance();
    EXPECT_EQ(player.CurrentSong(), 0);
    EXPECT_EQ(State(0), ChannelState::Playing);
    EXPECT_EQ(player.Output()->GetPosition(player.SongAt(0)->handle), 0u);
}

TEST_F(PlayerTest, AutoAdvanceWaitsForUserStopPauseAndBusy) {
    AddTune("a.mod", 2);
    AddTune("b.mod", 2);
    player.Start();
    player.Stop();
    player.AutoAdvance();
    EXPECT_EQ(player.CurrentSong(), 0); // stopped by the user: stays

    player.Play();
    player.PauseResume();
    player.AutoAdvance();
    EXPECT_EQ(player.CurrentSong(), 0); // paused: stays

    player.PauseResume();
    Advance(3 * kFramesPerRow);
    SetBusy(true);
    player.AutoAdvance();
    EXPECT_EQ(player.CurrentSong(), 0); // a command runs: stays
    SetBusy(false);
    player.AutoAdvance();
    EXPECT_EQ(player.CurrentSong(), 1);
    player.AutoAdvance();
    EXPECT_EQ(player.CurrentSong(), 1); // at most one step, and b plays
}

TEST_F(PlayerTest, FailedSongsArePassedOver) {
    AddTune("a.mod", 2);
    player.AddSong("gone.mod", "Gone", 0, false);
    AddTune("c.mod", 2);
    player.Start();
    Advance(3 * kFramesPerRow);
    player.AutoAdvance();
    EXPECT_EQ(player.CurrentSong(), 1);
    player.AutoAdvance();
    EXPECT_EQ(player.CurrentSong(), 2);
    EXPECT_EQ(State(2), ChannelState::Playing);
}

TEST_F(PlayerTest, SelectSongIgnoresIndicesOutsideThePlaylist) {
    AddTune("a.mod", 8);
    AddTune("b.mod", 8);
    player.Start();
    for (int32_t index : {-1, 2, 1000}) {
        player.SelectSong(index);
        EXPECT_EQ(player.CurrentSong(), 0);
        EXPECT_EQ(State(0), ChannelState::Playing);
    }
    Advance(300);
    player.SelectSong(0); // the current song starts again
    EXPECT_EQ(player.Output()->GetPosition(player.SongAt(0)->handle), 0u);
    player.SelectSong(1);
    EXPECT_EQ(player.CurrentSong(), 1);
    EXPECT_EQ(State(0), ChannelState::Stopped);
    EXPECT_EQ(State(1), ChannelState::Playing);
}

TEST_F(PlayerTest, CommandsOnEmptyPlaylistDoNothingButVolume) {
    for (int32_t code = 0; code <= 7; ++code) {
        app.ExecuteCommand(code, 0);
    }
    player.AutoAdvance();
    EXPECT_EQ(player.CurrentSong(), -1);
    EXPECT_FALSE(player.Busy());
    EXPECT_EQ(player.GetPlaybackPosition(), 0);
    app.ExecuteCommand(6, 50);
    EXPECT_FLOAT_EQ(player.Output()->GetVolume(), 0.5f);
    // A slider's knob reaches past its track's ends: the volume stays within 0..1.
    app.ExecuteCommand(6, 112);
    EXPECT_FLOAT_EQ(player.Output()->GetVolume(), 1.0f);
    app.ExecuteCommand(6, -12);
    EXPECT_FLOAT_EQ(player.Output()->GetVolume(), 0.0f);
}

TEST_F(PlayerTest, CommandCodesDispatch) {
    AddTune("a.mod", 8);
    AddTune("b.mod", 8);
    player.Start();
    app.ExecuteCommand(4, 0);
    EXPECT_EQ(player.CurrentSong(), 1);
    app.ExecuteCommand(3, 0);
    EXPECT_EQ(player.CurrentSong(), 0);
    app.ExecuteCommand(5, 1);
    EXPECT_EQ(player.CurrentSong(), 1);
    app.ExecuteCommand(1, 0);
    EXPECT_EQ(State(1), ChannelState::Paused);
    app.ExecuteCommand(0, 0);
    EXPECT_EQ(State(1), ChannelState::Playing);
    app.ExecuteCommand(2, 0);
    EXPECT_EQ(State(1), ChannelState::Stopped);
    app.ExecuteCommand(9, 0);
    app.ExecuteCommand(-1, 0);
    EXPECT_EQ(State(1), ChannelState::Stopped);
    EXPECT_FALSE(app.Quitting());
    app.ExecuteCommand(8, 0); // exit: the orderly quit of Escape
    EXPECT_TRUE(app.Quitting());
}

TEST_F(PlayerTest, TearDownStopsAndFreesEverySong) {
    AddTune("a.mod", 8);
    AddTune("b.mod", 8);
    player.Start();
    app.TearDown();
    EXPECT_TRUE(player.UserStopped());
    ASSERT_EQ(player.SongCount(), 2u);
    EXPECT_EQ(player.SongAt(0), nullptr);
    EXPECT_EQ(player.SongAt(1), nullptr);
    EXPECT_EQ(player.Output(), nullptr);
    app.TearDown(); // the destructor tears down again: nothing is left to free
}

} // namespace quib::test
