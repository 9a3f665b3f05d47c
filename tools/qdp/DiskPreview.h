// qdp preview: a disk built from its source into memory and played, rebuilt whenever the
// source or a file it names changes, and swapped in while the songs play on.
#pragma once

#include "Command.h"
#include "SourceBuild.h"
#include "app/DiskDriver.h"
#include "description/DescriptionModel.h"
#include "host/gfx/GfxTexture.h"
#include "host/gfx/GfxVertexBuffer.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace quib {
class MusicDiskApp;
}

namespace quib::qdp {

// Threads: Start, CheckFiles, Rebuild and the keys run on the main thread (Start before the
// render thread exists); the swap and the drawing of the error line on the render thread. A
// build hands the render thread a packed archive in an anonymous memory file. Files are watched
// by polling their modification time, size and inode, five times a second.
class DiskPreview final : public DiskDriver {
public:
    DiskPreview(const Command& self, std::string source, std::vector<std::filesystem::path> assets);
    ~DiskPreview() override;
    DiskPreview(const DiskPreview&) = delete;
    DiskPreview& operator=(const DiskPreview&) = delete;

    // Builds the disk and loads it into `app` (display, songs, pages), which it then drives
    // until the application tears down. False when the source has errors or the disk is
    // refused; the user has been told why.
    bool Start(MusicDiskApp& app);
    // Rebuilds when a watched file changed since the last look; true when it did.
    bool CheckFiles();
    // Builds the source again. A whole build is swapped in by the next frame; a build with
    // errors leaves the running disk as it is, prints the findings on standard error and shows
    // the first error over the disk until a later build is swapped in.
    void Rebuild();
    // The line drawn over the disk; empty while the running disk is the latest build.
    std::string ErrorLine() const;

    // F5 rebuilds at the next pump; Control with the left or right arrow plays the previous or
    // next song.
    void OnKey(WindowKey key) override;
    void OnPump() override;
    void OnFrame() override;
    void DrawOverPages() override;
    void ReleaseResources() override;

private:
    // A packed build waiting for the render thread.
    struct Pending {
        int fd = -1; // the anonymous memory file holding the archive
        SongFiles songs;
        bool reloadSongs = false;
        uint64_t build = 0;
        std::chrono::steady_clock::time_point detected; // when the change was seen
        std::chrono::steady_clock::duration building{};
    };
    struct Stamp {
        int64_t modified = 0;
        uint64_t size = 0;
        uint64_t inode = 0;
        bool operator==(const Stamp&) const = default;
    };

    // Compiles, checks and packs the source; the findings go to standard error. Nothing (the
    // first error kept for the error line) when the build is not whole.
    std::optional<Pending> Build();
    // The files a build read, added to those watched (a whole build replaces them).
    void Watch(const SourceBuild& build, bool whole);
    static Stamp StampOf(const std::filesystem::path& path);
    void ShowError(const std::string& line, uint64_t build);
    std::string LocateSong(const std::string& fileName) const;
    // The error line as a texture the width of the back buffer (render thread).
    void MakeErrorTexture(const std::string& line);

    const Command& self;
    std::string source;
    std::vector<std::filesystem::path> assets;
    MusicDiskApp* app = nullptr;

    // Main thread.
    std::map<std::filesystem::path, Stamp> watched;
    std::vector<std::filesystem::path> songFiles; // of the last whole build
    bool songsChanged = false;                    // since the last whole build
    bool rebuildAsked = false;
    uint64_t builds = 0;
    std::optional<DescriptionHeader> header; // of the last whole build
    std::chrono::steady_clock::time_point lastLook;

    // Shared.
    mutable std::mutex mutex;
    std::optional<Pending> pending;
    std::string errorLine;
    uint64_t errorBuild = 0;           // the build that failed with errorLine
    std::atomic<int32_t> songSteps{0}; // songs to move on (negative: back) at the next frame

    // Render thread.
    SongFiles songPaths; // of the disk playing
    std::string drawnLine;
    std::unique_ptr<GfxTexture> errorTexture;
    std::unique_ptr<GfxVertexBuffer> errorQuad;
    float errorHeight = 0.0f; // of the quad, in normalised device coordinates
};

} // namespace quib::qdp
