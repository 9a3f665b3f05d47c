// The player on the session bus as org.mpris.MediaPlayer2.quib, for media keys and panels.
#include "app/MprisService.h"

#include "description/PlayerCommand.h"
#include "effects/EffectHost.h"
#include "platform/TextDecoding.h"

#include <cmath>
#include <string>
#include <systemd/sd-bus.h>

namespace quib {

namespace {

// Contents: property getters and method handlers of the two interfaces, their tables, then
// the service (start, the bus thread, the frame hook).

constexpr const char* kBusName = "org.mpris.MediaPlayer2.quib";
constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";
constexpr const char* kRootInterface = "org.mpris.MediaPlayer2";
constexpr const char* kPlayerInterface = "org.mpris.MediaPlayer2.Player";
constexpr uint64_t kWaitUs = 20000; // how late a change made by the player is announced

MprisService& Service(void* userdata) {
    return *static_cast<MprisService*>(userdata);
}

int GetTrue(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*,
            sd_bus_error*) {
    return sd_bus_message_append(reply, "b", 1);
}

int GetFalse(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*,
             sd_bus_error*) {
    return sd_bus_message_append(reply, "b", 0);
}

int GetOne(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*,
           sd_bus_error*) {
    return sd_bus_message_append(reply, "d", 1.0);
}

int GetIdentity(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*,
                sd_bus_error*) {
    return sd_bus_message_append(reply, "s", "quib");
}

int GetDesktopEntry(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*,
                    sd_bus_error*) {
    return sd_bus_message_append(reply, "s", "quib");
}

int GetEmptyList(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*,
                 sd_bus_error*) {
    return sd_bus_message_append(reply, "as", 0);
}

int GetMimeTypes(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*,
                 sd_bus_error*) {
    return sd_bus_message_append(reply, "as", 1, "application/x-quib-disk");
}

int GetPlaybackStatus(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply,
                      void* userdata, sd_bus_error*) {
    using Status = MprisService::State::Status;
    const Status status = Service(userdata).Snapshot().status;
    return sd_bus_message_append(reply, "s",
                                 status == Status::Playing  ? "Playing"
                                 : status == Status::Paused ? "Paused"
                                                            : "Stopped");
}

template <typename Value>
int AppendEntry(sd_bus_message* reply, const char* key, const char* type, Value value) {
    int r = sd_bus_message_open_container(reply, 'e', "sv");
    if (r >= 0)
        r = sd_bus_message_append(reply, "s", key);
    if (r >= 0)
        r = sd_bus_message_append(reply, "v", type, value);
    if (r >= 0)
        r = sd_bus_message_close_container(reply);
    return r;
}

// A song's track id names its place in the playlist; no song, no track.
int GetMetadata(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply,
                void* userdata, sd_bus_error*) {
    const MprisService& service = Service(userdata);
    const MprisService::State state = service.Snapshot();
    int r = sd_bus_message_open_container(reply, 'a', "{sv}");
    if (r >= 0 && state.song >= 0) {
        const std::string track = "/org/quib/track/" + std::to_string(state.song);
        r = AppendEntry(reply, "mpris:trackid", "o", track.c_str());
        if (r >= 0)
            r = AppendEntry(reply, "xesam:title", "s", state.title.c_str());
        if (r >= 0)
            r = AppendEntry(reply, "xesam:album", "s", service.Album().c_str());
        if (r >= 0 && state.lengthUs > 0)
            r = AppendEntry(reply, "mpris:length", "x", state.lengthUs);
    }
    if (r >= 0)
        r = sd_bus_message_close_container(reply);
    return r;
}

int GetVolume(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void* userdata,
              sd_bus_error*) {
    return sd_bus_message_append(reply, "d", Service(userdata).Snapshot().volume);
}

int SetVolume(sd_bus*, const char*, const char*, const char*, sd_bus_message* value, void* userdata,
              sd_bus_error*) {
    double volume = 0.0;
    const int r = sd_bus_message_read(value, "d", &volume);
    if (r < 0) {
        return r;
    }
    Service(userdata).Queue(MprisService::Request::Volume, volume);
    return 1;
}

int GetPosition(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply,
                void* userdata, sd_bus_error*) {
    return sd_bus_message_append(reply, "x", Service(userdata).Snapshot().positionUs);
}

template <MprisService::Request request>
int Call(sd_bus_message* message, void* userdata, sd_bus_error*) {
    Service(userdata).Queue(request);
    return sd_bus_reply_method_return(message, "");
}

int Ignore(sd_bus_message* message, void*, sd_bus_error*) {
    return sd_bus_reply_method_return(message, "");
}

using Request = MprisService::Request;
constexpr uint64_t kConst = SD_BUS_VTABLE_PROPERTY_CONST;
constexpr uint64_t kChanges = SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE;

const sd_bus_vtable kRootTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("Raise", "", "", Ignore, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Quit", "", "", Call<Request::Quit>, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_PROPERTY("CanQuit", "b", GetTrue, 0, kConst),
    SD_BUS_PROPERTY("CanRaise", "b", GetFalse, 0, kConst),
    SD_BUS_PROPERTY("HasTrackList", "b", GetFalse, 0, kConst),
    SD_BUS_PROPERTY("Identity", "s", GetIdentity, 0, kConst),
    SD_BUS_PROPERTY("DesktopEntry", "s", GetDesktopEntry, 0, kConst),
    SD_BUS_PROPERTY("SupportedUriSchemes", "as", GetEmptyList, 0, kConst),
    SD_BUS_PROPERTY("SupportedMimeTypes", "as", GetMimeTypes, 0, kConst),
    SD_BUS_VTABLE_END,
};

const sd_bus_vtable kPlayerTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("Play", "", "", Call<Request::Play>, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Pause", "", "", Call<Request::Pause>, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("PlayPause", "", "", Call<Request::PlayPause>, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Stop", "", "", Call<Request::Stop>, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Next", "", "", Call<Request::Next>, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("Previous", "", "", Call<Request::Previous>, SD_BUS_VTABLE_UNPRIVILEGED),
    // The disk has no seeking and opens no other media.
    SD_BUS_METHOD("Seek", "x", "", Ignore, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("SetPosition", "ox", "", Ignore, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_METHOD("OpenUri", "s", "", Ignore, SD_BUS_VTABLE_UNPRIVILEGED),
    SD_BUS_PROPERTY("PlaybackStatus", "s", GetPlaybackStatus, 0, kChanges),
    SD_BUS_PROPERTY("Metadata", "a{sv}", GetMetadata, 0, kChanges),
    SD_BUS_WRITABLE_PROPERTY("Volume", "d", GetVolume, SetVolume, 0, kChanges),
    SD_BUS_PROPERTY("Position", "x", GetPosition, 0, 0),
    SD_BUS_PROPERTY("Rate", "d", GetOne, 0, kConst),
    SD_BUS_PROPERTY("MinimumRate", "d", GetOne, 0, kConst),
    SD_BUS_PROPERTY("MaximumRate", "d", GetOne, 0, kConst),
    SD_BUS_PROPERTY("CanGoNext", "b", GetTrue, 0, kConst),
    SD_BUS_PROPERTY("CanGoPrevious", "b", GetTrue, 0, kConst),
    SD_BUS_PROPERTY("CanPlay", "b", GetTrue, 0, kConst),
    SD_BUS_PROPERTY("CanPause", "b", GetTrue, 0, kConst),
    SD_BUS_PROPERTY("CanSeek", "b", GetFalse, 0, kConst),
    SD_BUS_PROPERTY("CanControl", "b", GetTrue, 0, kConst),
    SD_BUS_VTABLE_END,
};

int32_t Command(PlayerCommand command) {
    return static_cast<int32_t>(command);
}

} // namespace

std::unique_ptr<MprisService> MprisService::Start(const std::string& album) {
    sd_bus* bus = nullptr;
    if (sd_bus_open_user(&bus) < 0) {
        return nullptr;
    }
    std::unique_ptr<MprisService> service(new MprisService(bus, DecodeTextToUtf8(album)));
    if (sd_bus_add_object_vtable(bus, nullptr, kObjectPath, kRootInterface, kRootTable,
                                 service.get()) < 0 ||
        sd_bus_add_object_vtable(bus, nullptr, kObjectPath, kPlayerInterface, kPlayerTable,
                                 service.get()) < 0 ||
        sd_bus_request_name(bus, kBusName, 0) < 0) {
        return nullptr;
    }
    service->thread = std::thread(&MprisService::Serve, service.get());
    return service;
}

MprisService::MprisService(sd_bus* bus, const std::string& album) : bus(bus), album(album) {}

MprisService::~MprisService() {
    stopping = true;
    if (thread.joinable()) {
        thread.join();
    }
    sd_bus_flush_close_unref(bus);
}

void MprisService::Queue(Request request, double volume) {
    const std::lock_guard lock(mutex);
    requests.emplace_back(request, volume);
}

MprisService::State MprisService::Snapshot() const {
    const std::lock_guard lock(mutex);
    return state;
}

void MprisService::Serve() {
    while (!stopping.load()) {
        const int r = sd_bus_process(bus, nullptr);
        if (r < 0) {
            return; // the bus went away: the player goes on without it
        }
        if (r > 0) {
            continue;
        }
        Announce();
        sd_bus_wait(bus, kWaitUs);
    }
}

void MprisService::Announce() {
    const State current = Snapshot();
    if (current.song != announced.song || current.title != announced.title ||
        current.lengthUs != announced.lengthUs) {
        sd_bus_emit_properties_changed(bus, kObjectPath, kPlayerInterface, "Metadata", nullptr);
    }
    if (current.status != announced.status) {
        sd_bus_emit_properties_changed(bus, kObjectPath, kPlayerInterface, "PlaybackStatus",
                                       nullptr);
    }
    if (current.volume != announced.volume) {
        sd_bus_emit_properties_changed(bus, kObjectPath, kPlayerInterface, "Volume", nullptr);
    }
    announced = current;
}

void MprisService::OnFrame(EffectHost& player) {
    std::vector<std::pair<Request, double>> pending;
    {
        const std::lock_guard lock(mutex);
        pending.swap(requests);
    }
    for (const auto& [request, volume] : pending) {
        const ChannelState channel = player.CurrentChannelState();
        const bool playing = channel == ChannelState::Playing || channel == ChannelState::Stalled;
        switch (request) {
        case Request::Play: // resumes a paused song, restarts a stopped one
            player.ExecuteCommand(Command(PlayerCommand::Play), 0);
            break;
        case Request::Pause:
            if (playing) {
                player.ExecuteCommand(Command(PlayerCommand::PauseResume), 0);
            }
            break;
        case Request::PlayPause:
            player.ExecuteCommand(
                Command(playing ? PlayerCommand::PauseResume : PlayerCommand::Play), 0);
            break;
        case Request::Stop:
            player.ExecuteCommand(Command(PlayerCommand::Stop), 0);
            break;
        case Request::Next:
            player.ExecuteCommand(Command(PlayerCommand::Next), 0);
            break;
        case Request::Previous:
            player.ExecuteCommand(Command(PlayerCommand::Previous), 0);
            break;
        case Request::Volume:
            // MPRIS allows any volume; the player's master volume is 0 to 100 percent.
            player.ExecuteCommand(
                Command(PlayerCommand::SetVolume),
                static_cast<int32_t>(std::lround(std::fmin(std::fmax(volume, 0.0), 1.0) * 100.0)));
            break;
        case Request::Quit:
            player.ExecuteCommand(Command(PlayerCommand::Exit), 0);
            break;
        }
    }
    State current;
    current.song = player.CurrentSong();
    current.title = DecodeTextToUtf8(player.CurrentSongTitle());
    const ChannelState channel = player.CurrentChannelState();
    current.status = player.UserStopped() || channel == ChannelState::Stopped
                         ? State::Status::Stopped
                     : channel == ChannelState::Paused ? State::Status::Paused
                                                       : State::Status::Playing;
    current.volume = player.MasterVolume();
    current.positionUs = int64_t{player.GetPlaybackPosition()} * 1000000 / AudioOutput::kFrequency;
    current.lengthUs = player.CurrentSongLength() * 1000000 / AudioOutput::kFrequency;
    const std::lock_guard lock(mutex);
    state = current;
}

} // namespace quib
