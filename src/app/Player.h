// The playlist and the player: songs, the current song, and the commands that move between them.
#pragma once

#include "app/Song.h"
#include "description/DescriptionModel.h"
#include "host/audio/AudioOutput.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quib {

namespace test {
class PlayerTest;
}

// A file below `base` (empty, or ending with '/') as the player finds its songs: each part of
// the slash-separated `relative` is the entry of that name when it exists, else the entry
// whose name differs only in ASCII case (the first in byte order when several do), else the
// name itself. Names on Windows ignore case, and disks were made there.
std::string PathIgnoringCase(const std::string& base, const std::string& relative);

// Songs are added on the main thread while the disk loads; afterwards the render thread runs
// the commands (through the effects) and the auto-advance. The fields effects read from that
// thread while the main thread tears down or starts are atomics.
class Player {
public:
    Player() = default;
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // The audio output every song plays on; made with the display, closed last.
    void OpenOutput(std::unique_ptr<AudioOutput> output) { audio = std::move(output); }
    void CloseOutput() { audio.reset(); }
    AudioOutput* Output() const { return audio.get(); }

    // Songs are found in `directory` + "music/" (the directory ends with its separator).
    void SetSongDirectory(const std::string& directory) { songDirectory = directory; }
    // Finds each song's file from the name the description gives it instead (a disk built in
    // memory from its source, whose songs lie where the source's folders hold them).
    void SetSongLocator(std::function<std::string(const std::string& fileName)> locate) {
        songLocator = std::move(locate);
    }
    // Appends a song; one whose file cannot be opened stays in the list with handle 0. The
    // first song becomes current.
    void AddSong(const std::string& fileName, const std::string& title, uint32_t bassFlags,
                 bool isStream);
    // Plays song 0 from its start (Run's start); nothing with an empty playlist.
    void Start();
    // Stops every song that is not stopped, frees every channel and empties every slot.
    void FreeSongs();
    // Whether the playlist is `records`: the same files, found at the same paths, in the same
    // order, with the same titles and flags.
    bool Holds(const std::vector<SongRecord>& records) const;
    // Frees every song and loads `records` as the playlist, then plays the song at the current
    // index from its start, or song 0 when the list no longer reaches that index (render
    // thread, like the commands).
    void ReplaceSongs(const std::vector<SongRecord>& records);

    void Play();
    void PauseResume();
    void Stop();
    void Previous();
    void Next();
    void SelectSong(int32_t index); // ignored outside the playlist
    void SetVolume(int32_t percent);
    // When the current song ended by itself (not stopped by the user, no command running),
    // the next one (wrapping) plays from its start.
    void AutoAdvance();

    // The current song's position in clock units while it plays or is paused, else 0.
    int32_t GetPlaybackPosition() const;
    // One pass through the current song in clock units; 0 when its file does not tell.
    int64_t CurrentSongLength() const;
    // The low 32 bits of the current song's position in bytes.
    int32_t BytePosition() const;
    int32_t CurrentSong() const { return currentSong.load(); }
    std::string CurrentSongTitle() const;
    bool UserStopped() const { return userStopped.load(); }
    bool Busy() const { return playerBusy.load(); }
    ChannelState CurrentChannelState() const;
    float MasterVolume() const;
    bool CurrentSpectrum(uint32_t bytePosition, float* magnitudes) const;

    size_t SongCount() const { return songs.size(); }
    // The song in that slot; null outside the list and once freed.
    const Song* SongAt(int32_t index) const;

private:
    friend class test::PlayerTest; // holds the busy flag as a command running elsewhere would

    // The current song's handle; 0 with no current song.
    AudioHandle CurrentHandle() const;
    // Sets playerBusy and makes a current song of song 0 when there is none; false (busy
    // cleared) when the playlist is empty.
    bool BeginCommand();
    // Stops the current song, makes `index` current and plays it from the start.
    void SwitchTo(int32_t index);
    // The native path of a song's file as the description names it.
    std::string SongPath(const std::string& fileName) const;

    std::unique_ptr<AudioOutput> audio;
    std::vector<std::unique_ptr<Song>> songs;
    std::atomic<int32_t> currentSong{-1};
    std::atomic<bool> userStopped{true};
    std::atomic<bool> playerBusy{false};
    std::string songDirectory;
    std::function<std::string(const std::string&)> songLocator;
};

} // namespace quib
