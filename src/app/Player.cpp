// The playlist and the player: songs, the current song, and the commands that move between them.
#include "app/Player.h"

#include "platform/StringPrimitives.h"

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>
#include <vector>

namespace quib {

namespace {

// The entry of `directory` named `name`: the exact name when it exists, else the entry that
// matches ignoring ASCII case (the first in byte order when several do), else `name` itself.
std::string EntryIgnoringCase(const std::string& directory, const std::string& name) {
    struct stat info {};
    if (stat((directory + name).c_str(), &info) == 0) {
        return name;
    }
    DIR* folder = opendir(directory.empty() ? "." : directory.c_str());
    if (folder == nullptr) {
        return name;
    }
    std::vector<std::string> matches;
    while (const dirent* entry = readdir(folder)) {
        if (EqualIgnoringCase(name, entry->d_name)) {
            matches.emplace_back(entry->d_name);
        }
    }
    closedir(folder);
    return matches.empty() ? name : *std::min_element(matches.begin(), matches.end());
}

} // namespace

std::string PathIgnoringCase(const std::string& base, const std::string& relative) {
    std::string path = base;
    size_t start = 0;
    while (start <= relative.size()) {
        const size_t end = std::min(relative.find('/', start), relative.size());
        path += EntryIgnoringCase(path, relative.substr(start, end - start));
        if (end < relative.size()) {
            path += '/';
        }
        start = end + 1;
    }
    return path;
}

void Player::AddSong(const std::string& fileName, const std::string& songTitle, uint32_t bassFlags,
                     bool isStream) {
    auto song = std::unique_ptr<Song>(new Song);
    if (!song) {
        return; // out of memory: the song is left out
    }
    song->path = SongPath(fileName);
    song->title = songTitle;
    song->bassFlags = bassFlags;
    song->isStream = isStream;
    song->handle = isStream ? audio->CreateStream(song->path.c_str(), bassFlags | kAudioPrescan)
                            : audio->LoadModule(song->path.c_str(), bassFlags | kAudioPrescan);
    songs.push_back(std::move(song));
    if (currentSong.load() == -1) {
        currentSong = 0;
    }
}

std::string Player::SongPath(const std::string& fileName) const {
    if (songLocator) {
        return songLocator(fileName);
    }
    // Names in descriptions use backslashes as separators.
    std::string relative = "music\\" + fileName;
    std::replace(relative.begin(), relative.end(), '\\', '/');
    return PathIgnoringCase(songDirectory, relative);
}

bool Player::Holds(const std::vector<SongRecord>& records) const {
    return std::equal(songs.begin(), songs.end(), records.begin(), records.end(),
                      [this](const std::unique_ptr<Song>& song, const SongRecord& record) {
                          return song && song->path == SongPath(record.fileName) &&
                                 song->title == record.title &&
                                 song->isStream == (record.isStream != 0) &&
                                 song->bassFlags == record.bassFlags;
                      });
}

void Player::ReplaceSongs(const std::vector<SongRecord>& records) {
    const int32_t index = currentSong.load();
    FreeSongs();
    songs.clear();
    currentSong = -1;
    for (const SongRecord& record : records) {
        AddSong(record.fileName, record.title, record.bassFlags, record.isStream != 0);
    }
    if (!songs.empty()) {
        SwitchTo(index >= 0 && index < static_cast<int32_t>(songs.size()) ? index : 0);
    }
}

void Player::Start() {
    if (!songs.empty()) {
        currentSong = 0;
        audio->Play(songs[0]->handle, true);
        userStopped = false;
    }
}

void Player::FreeSongs() {
    for (auto& song : songs) {
        if (!song) {
            continue;
        }
        if (audio->GetState(song->handle) != ChannelState::Stopped) {
            audio->Stop(song->handle);
            userStopped = true;
        }
        if ((audio->GetChannelType(song->handle) & kChannelTypeStream) != 0) {
            audio->FreeStream(song->handle);
        } else {
            audio->FreeModule(song->handle);
        }
        song.reset();
    }
}

int32_t Player::BytePosition() const {
    return static_cast<int32_t>(static_cast<uint32_t>(audio->GetPosition(CurrentHandle())));
}

const Song* Player::SongAt(int32_t index) const {
    return index < 0 || index >= static_cast<int32_t>(songs.size()) ? nullptr : songs[index].get();
}

AudioHandle Player::CurrentHandle() const {
    const int32_t current = currentSong.load();
    return current < 0 || current >= static_cast<int32_t>(songs.size()) ? 0
                                                                        : songs[current]->handle;
}

bool Player::BeginCommand() {
    playerBusy = true;
    if (currentSong.load() == -1) {
        if (songs.empty()) {
            playerBusy = false;
            return false;
        }
        currentSong = 0;
    }
    return true;
}

void Player::Play() {
    if (!BeginCommand()) {
        return;
    }
    if (audio->GetState(CurrentHandle()) != ChannelState::Playing) {
        audio->Play(CurrentHandle(), userStopped.load());
        userStopped = false;
    }
    playerBusy = false;
}

void Player::PauseResume() {
    if (!BeginCommand()) {
        return;
    }
    switch (audio->GetState(CurrentHandle())) {
    case ChannelState::Playing:
        audio->Pause(CurrentHandle());
        break;
    case ChannelState::Paused:
        audio->Play(CurrentHandle(), false);
        userStopped = false;
        break;
    default:
        break;
    }
    playerBusy = false;
}

void Player::Stop() {
    if (!BeginCommand()) {
        return;
    }
    const ChannelState state = audio->GetState(CurrentHandle());
    if (state == ChannelState::Playing || state == ChannelState::Paused) {
        audio->Stop(CurrentHandle());
        userStopped = true;
    }
    playerBusy = false;
}

void Player::SwitchTo(int32_t index) {
    audio->Stop(CurrentHandle());
    userStopped = true;
    currentSong = index;
    audio->Play(CurrentHandle(), true);
    userStopped = false;
}

void Player::Previous() {
    if (!BeginCommand()) {
        return;
    }
    const int32_t current = currentSong.load();
    SwitchTo(current == 0 ? static_cast<int32_t>(songs.size()) - 1 : current - 1);
    playerBusy = false;
}

void Player::Next() {
    if (!BeginCommand()) {
        return;
    }
    const int32_t next = currentSong.load() + 1;
    SwitchTo(next == static_cast<int32_t>(songs.size()) ? 0 : next);
    playerBusy = false;
}

void Player::SelectSong(int32_t index) {
    if (index < 0 || index >= static_cast<int32_t>(songs.size()) || !BeginCommand()) {
        return;
    }
    SwitchTo(index);
    playerBusy = false;
}

void Player::SetVolume(int32_t percent) {
    audio->SetVolume(static_cast<float>(percent / 100.0));
}

void Player::AutoAdvance() {
    const int32_t current = currentSong.load();
    if (playerBusy.load() || userStopped.load() || current == -1 ||
        audio->GetState(CurrentHandle()) != ChannelState::Stopped) {
        return;
    }
    const int32_t next = current + 1 == static_cast<int32_t>(songs.size()) ? 0 : current + 1;
    currentSong = next;
    audio->Play(CurrentHandle(), true);
    userStopped = false;
}

int32_t Player::GetPlaybackPosition() const {
    const AudioHandle handle = CurrentHandle();
    if (handle == 0) {
        return 0;
    }
    const ChannelState state = audio->GetState(handle);
    if (state != ChannelState::Playing && state != ChannelState::Paused) {
        return 0;
    }
    return static_cast<int32_t>(static_cast<uint32_t>(audio->GetPosition(handle) >> 2));
}

int64_t Player::CurrentSongLength() const {
    return static_cast<int64_t>(audio->GetLength(CurrentHandle()) >> 2);
}

std::string Player::CurrentSongTitle() const {
    const int32_t current = currentSong.load();
    return current < 0 || current >= static_cast<int32_t>(songs.size()) ? std::string()
                                                                        : songs[current]->title;
}

ChannelState Player::CurrentChannelState() const {
    return audio->GetState(CurrentHandle());
}

float Player::MasterVolume() const {
    return audio->GetVolume();
}

bool Player::CurrentSpectrum(uint32_t bytePosition, float* magnitudes) const {
    return audio->GetSpectrumAt(CurrentHandle(), bytePosition, magnitudes);
}

} // namespace quib
