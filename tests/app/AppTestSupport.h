// Helpers of the application tests: scratch folders, generated tunes and images, a headless
// application with its display.
#pragma once

#include "app/AppHostHeadless.h"
#include "app/MusicDiskApp.h"
#include "description/DescriptionBytes.h"
#include "effects/TestImages.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace quib::test {

// A fresh, empty directory for one test; removed by the next test of the same name.
std::string ScratchDirectory(const std::string& name);
bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);

// A ZIP archive made by the `zip` tool from entries (name, bytes); names may hold folders.
bool MakeZip(const std::string& archive,
             const std::vector<std::pair<std::string, std::vector<uint8_t>>>& entries);

// A ProTracker module that plays a square tone for `rows` rows at speed 1, so it lasts
// rows x 882 frames.
std::vector<uint8_t> TuneBytes(int rows);
inline constexpr int32_t kFramesPerRow = 882;

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
