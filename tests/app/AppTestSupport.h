// Helpers of the application tests: scratch folders, generated tunes and images, a headless
// application with its display.
#pragma once

#include "app/AppHostHeadless.h"
#include "app/MusicDiskApp.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace quib::test {

// Little-endian bytes built by hand, independent of the writer.
struct Bytes {
    std::vector<uint8_t> data;
    Bytes& I32(int32_t v) {
        for (int i = 0; i < 4; ++i) {
            data.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
        }
        return *this;
    }
    Bytes& F32(float f) {
        int32_t v;
        std::memcpy(&v, &f, 4);
        return I32(v);
    }
    Bytes& U8(uint8_t v) {
        data.push_back(v);
        return *this;
    }
    Bytes& Str(const std::string& s) {
        data.insert(data.end(), s.begin(), s.end());
        data.push_back(0);
        return *this;
    }
    Bytes& Header() { return Str("t").U8(1).U8(0).F32(1.5f).I32(480); }
    // After the header: no songs, no textures, one page holding one group with no intervals
    // and one effect, written up to its type.
    Bytes& OneEffect(int32_t type) { return I32(0).I32(0).I32(1).I32(1).I32(0).I32(1).I32(type); }
};

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

// A PNG of width x height ARGB pixels (top row first), or of one colour.
std::vector<uint8_t> PngBytes(int width, int height, const std::vector<uint32_t>& argb);
std::vector<uint8_t> SolidPng(int width, int height, uint32_t argb);

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
