// One song of the playlist: where it comes from, its title and its audio channel.
#pragma once

#include "host/audio/AudioOutput.h"
#include "platform/MemAllocator.h"

#include <cstdint>
#include <string>

namespace quib {

struct Song : MemObject {
    std::string path;  // native path of the song file
    std::string title; // shown by the effects that show the song's name
    uint32_t bassFlags = 0;
    bool isStream = false;  // sampled stream (true) or tracker module
    AudioHandle handle = 0; // 0 when the file could not be opened
};

} // namespace quib
