// Helpers of the application tests: archives made by `zip` and a headless application with
// its display; folders, tunes and images come from the audio and effect tests' helpers.
#pragma once

#include "app/AppHostHeadless.h"
#include "app/MusicDiskApp.h"
#include "description/DescriptionBytes.h"
#include "effects/TestImages.h"
#include "host/audio/TestSounds.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace quib::test {

// A ZIP archive made by the `zip` tool from entries (name, bytes); names may hold folders.
bool MakeZip(const std::string& archive,
             const std::vector<std::pair<std::string, std::vector<uint8_t>>>& entries);

// Makes the display of `app` for a window of the demo's shape: 16:9, 480 high.
bool CreateWideWindow(MusicDiskApp& app);

// A headless application with its display (offscreen context and device of size x size
// pixels, offline audio) made as Init makes it after the header.
struct HeadlessApp {
    explicit HeadlessApp(int size = 64);

    AppHostHeadless host;
    std::unique_ptr<MusicDiskApp> app;
    bool displayMade = false;

    AudioOutputOffline& Audio() { return *host.Audio(); }
    // One frame of the back buffer, drawn by `draw` (by the page schedule when empty).
    std::vector<uint32_t> DrawFrame(const std::function<void()>& draw = {});
    // The pixel at (x, y) of the last frame, top row first.
    uint32_t Pixel(const std::vector<uint32_t>& frame, int x, int y) const;

    int size;
};

} // namespace quib::test
