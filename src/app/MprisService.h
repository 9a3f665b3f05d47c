// The player on the session bus as org.mpris.MediaPlayer2.quib, for media keys and panels.
#pragma once

#include "app/MediaControls.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct sd_bus;

namespace quib {

// Owns a bus connection served by a thread of its own. Requests from the bus are queued and
// carried out by OnFrame on the render thread; the state OnFrame reads is what the bus sees,
// and a change of song, playback status or volume is announced with PropertiesChanged,
// whatever caused it. Uses sd-bus, which keeps the object's methods and properties in one
// table and writes the introspection data and the property signals itself.
class MprisService final : public MediaControls {
public:
    // Null when there is no session bus or the name cannot be owned: the player then runs
    // without it and nobody is told. `album` is the disk's title.
    static std::unique_ptr<MprisService> Start(const std::string& album);
    ~MprisService() override;
    MprisService(const MprisService&) = delete;
    MprisService& operator=(const MprisService&) = delete;

    void OnFrame(EffectHost& player) override;

    enum class Request { Play, Pause, PlayPause, Stop, Next, Previous, Volume, Quit };
    // What the bus sees of the player.
    struct State {
        int32_t song = -1;
        std::string title; // UTF-8
        enum class Status { Stopped, Playing, Paused } status = Status::Stopped;
        double volume = 1.0;
        int64_t positionUs = 0; // read on request; MPRIS announces no position changes
        int64_t lengthUs = 0;   // 0: unknown, left out of the metadata
    };

    // Bus thread: queue a request, read the state.
    void Queue(Request request, double volume = 0.0);
    State Snapshot() const;
    const std::string& Album() const { return album; }

private:
    MprisService(sd_bus* bus, const std::string& album);
    void Serve();
    // Emits PropertiesChanged for what differs between the announced and the current state.
    void Announce();

    sd_bus* bus;
    std::string album;
    mutable std::mutex mutex; // guards state and requests
    State state;
    std::vector<std::pair<Request, double>> requests;
    State announced; // bus thread only
    std::atomic<bool> stopping{false};
    std::thread thread;
};

} // namespace quib
