// qdp preview: a disk built from its source into memory and played, rebuilt whenever the
// source or a file it names changes, and swapped in while the songs play on.
#include "DiskPreview.h"

#include "ProgressBar.h"
#include "SourceBuild.h"
#include "app/MusicDiskApp.h"
#include "effects/Effect.h"
#include "effects/TextTexture.h"
#include "host/text/TextRenderer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quib::qdp {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// How often the watched files are looked at.
constexpr auto kLookInterval = std::chrono::milliseconds(200);

std::string MemoryFilePath(int fd) {
    return "/proc/self/fd/" + std::to_string(fd);
}

long long Milliseconds(Clock::duration d) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(d).count();
}

bool SameHeader(const DescriptionHeader& a, const DescriptionHeader& b) {
    return a.title == b.title && a.windowed == b.windowed && a.allowToggle == b.allowToggle &&
           a.aspect == b.aspect && a.windowHeight == b.windowHeight;
}

} // namespace

DiskPreview::DiskPreview(const Command& self, std::string source, std::vector<fs::path> assets)
    : self(self), source(std::move(source)), assets(std::move(assets)) {}

DiskPreview::~DiskPreview() {
    if (pending) {
        ::close(pending->fd);
    }
}

DiskPreview::Stamp DiskPreview::StampOf(const fs::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return {};
    }
    return {static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec,
            static_cast<uint64_t>(info.st_size), static_cast<uint64_t>(info.st_ino)};
}

void DiskPreview::Watch(const SourceBuild& build, bool whole) {
    std::vector<fs::path> files{source};
    for (const PackItem& item : build.items) {
        if (!item.file.empty()) {
            files.push_back(item.file);
        }
    }
    std::vector<fs::path> songs;
    for (const auto& song : build.songs) {
        songs.push_back(song.second);
        files.push_back(song.second);
    }
    std::map<fs::path, Stamp> looked;
    for (const fs::path& file : files) {
        const auto known = watched.find(file);
        looked[file] = known != watched.end() ? known->second : StampOf(file);
    }
    if (whole) {
        watched.swap(looked);
        songFiles = std::move(songs);
    } else {
        watched.merge(looked);
    }
}

std::optional<DiskPreview::Pending> DiskPreview::Build() {
    const Clock::time_point started = Clock::now();
    const uint64_t build = ++builds;
    SourceDiagnostics diagnostics(source);
    SourceBuild built;
    if (!BuildSource(self, source, assets, diagnostics, built)) {
        ShowError(source + ": cannot be read", build);
        return std::nullopt;
    }
    const std::string findings = diagnostics.Format();
    std::fputs(findings.c_str(), stderr);
    Watch(built, !diagnostics.HasErrors());
    if (diagnostics.HasErrors()) {
        const size_t error = findings.find(": error: ");
        const size_t begin = findings.rfind('\n', error);
        const size_t end = findings.find('\n', error);
        ShowError(findings.substr(begin == std::string::npos ? 0 : begin + 1,
                                  end == std::string::npos ? std::string::npos : end - begin - 1),
                  build);
        return std::nullopt;
    }
    const DescriptionHeader& now = built.disk.model.header;
    if (header && !SameHeader(*header, now)) {
        std::fprintf(stderr,
                     "qdp preview: %s: the window keeps its title, size, aspect and mode until "
                     "the preview starts again\n",
                     source.c_str());
    }
    header = now;
    Pending made;
    made.build = build;
    made.fd = ::memfd_create("qdp-preview.qdp", MFD_CLOEXEC);
    if (made.fd < 0) {
        Failure(self, "cannot make a memory file: %s", std::strerror(errno));
        ShowError(source + ": no memory for the disk", build);
        return std::nullopt;
    }
    ProgressBar progress("qdp preview", BuildSize(built));
    if (!WriteArchive(self, MemoryFilePath(made.fd), built, progress)) {
        ::close(made.fd);
        ShowError(source + ": the disk could not be packed", build);
        return std::nullopt;
    }
    made.songs = std::move(built.songs);
    made.building = Clock::now() - started;
    return made;
}

void DiskPreview::ShowError(const std::string& line, uint64_t build) {
    const std::lock_guard lock(mutex);
    errorLine = line;
    errorBuild = build;
}

std::string DiskPreview::ErrorLine() const {
    const std::lock_guard lock(mutex);
    return errorLine;
}

std::string DiskPreview::LocateSong(const std::string& fileName) const {
    return SongFilePath(songPaths, fileName);
}

bool DiskPreview::Start(MusicDiskApp& running) {
    std::optional<Pending> first = Build();
    if (!first) {
        return false;
    }
    app = &running;
    songPaths = std::move(first->songs);
    app->Songs().SetSongLocator([this](const std::string& name) { return LocateSong(name); });
    app->SetDriver(this);
    const bool loaded = app->Init(MemoryFilePath(first->fd), "");
    ::close(first->fd);
    lastLook = Clock::now();
    return loaded;
}

bool DiskPreview::CheckFiles() {
    lastLook = Clock::now();
    bool changed = false;
    for (auto& [file, stamp] : watched) {
        const Stamp now = StampOf(file);
        if (now == stamp) {
            continue;
        }
        stamp = now;
        changed = true;
        if (std::find(songFiles.begin(), songFiles.end(), file) != songFiles.end()) {
            songsChanged = true;
        }
    }
    if (changed) {
        Rebuild();
    }
    return changed;
}

void DiskPreview::Rebuild() {
    const Clock::time_point seen = Clock::now();
    std::optional<Pending> made = Build();
    if (!made) {
        return;
    }
    made->detected = seen;
    made->reloadSongs = songsChanged;
    songsChanged = false;
    const std::lock_guard lock(mutex);
    if (pending) {
        // Not swapped in yet: the newer build takes its place.
        made->reloadSongs = made->reloadSongs || pending->reloadSongs;
        ::close(pending->fd);
    }
    pending = std::move(made);
}

void DiskPreview::OnKey(WindowKey key) {
    switch (key) {
    case WindowKey::F5:
        rebuildAsked = true;
        break;
    case WindowKey::CtrlLeft:
        --songSteps;
        break;
    case WindowKey::CtrlRight:
        ++songSteps;
        break;
    default:
        break;
    }
}

void DiskPreview::OnPump() {
    if (rebuildAsked) {
        rebuildAsked = false;
        Rebuild();
    } else if (Clock::now() - lastLook >= kLookInterval) {
        CheckFiles();
    }
}

void DiskPreview::OnFrame() {
    for (int32_t steps = songSteps.exchange(0); steps != 0; steps += steps < 0 ? 1 : -1) {
        if (steps < 0) {
            app->Songs().Previous();
        } else {
            app->Songs().Next();
        }
    }
    std::optional<Pending> next;
    {
        const std::lock_guard lock(mutex);
        next.swap(pending);
    }
    if (!next) {
        return;
    }
    const Clock::time_point swapping = Clock::now();
    songPaths.swap(next->songs);
    std::string why;
    if (app->Reload(MemoryFilePath(next->fd), next->reloadSongs, why)) {
        const Clock::time_point done = Clock::now();
        std::fprintf(
            stderr,
            "qdp preview: %s: swapped in %lld ms after the change was seen (build %lld ms, "
            "swap %lld ms)\n",
            source.c_str(), Milliseconds(done - next->detected), Milliseconds(next->building),
            Milliseconds(done - swapping));
        const std::lock_guard lock(mutex);
        if (errorBuild < next->build) {
            errorLine.clear();
        }
    } else {
        songPaths.swap(next->songs);
        Failure(self, "%s: the new disk is refused: %s", source.c_str(), why.c_str());
        ShowError(source + ": the new disk is refused: " + why, next->build);
    }
    ::close(next->fd);
}

void DiskPreview::MakeErrorTexture(const std::string& line) {
    errorTexture.reset();
    GfxDevice& device = *app->Display().Device();
    const int width = device.BackBufferWidth();
    const int backHeight = device.BackBufferHeight();
    FontDescription font;
    font.pixelHeight = std::max(12, backHeight / 30);
    const int height = font.pixelHeight + font.pixelHeight / 2;
    if (!errorQuad) {
        errorQuad = device.CreateVertexBuffer(kQuadBytes);
    }
    std::unique_ptr<GfxTexture> texture = device.CreateTexture(width, height, TextureUsage::Plain);
    if (!texture || !errorQuad) {
        return;
    }
    // White text on a dark red band, most of the disk still showing through.
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height, 0xD0500000u);
    const TextSurface surface{pixels.data(), width, height, width * 4, RowOrder::BottomUp};
    const int margin = font.pixelHeight / 2;
    app->Text().DrawText(font, line, TextRect{margin, 0, width - margin, height},
                         DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX, surface);
    if (UploadPixels(device, pixels.data(), *texture)) {
        errorTexture = std::move(texture);
        errorHeight = 2.0f * static_cast<float>(height) / static_cast<float>(backHeight);
    }
}

void DiskPreview::DrawOverPages() {
    const std::string line = ErrorLine();
    if (line != drawnLine) {
        drawnLine = line;
        if (line.empty()) {
            errorTexture.reset();
        } else {
            MakeErrorTexture(line);
        }
    }
    if (!errorTexture) {
        return;
    }
    GfxDevice& device = *app->Display().Device();
    // v runs from 0 at the top to -1 at the bottom: with repeat addressing the bottom-first
    // rows show upright.
    Effect::WriteRect(*errorQuad, -1.0f, -1.0f + errorHeight, 1.0f, -1.0f, 0u, 0.0f, 0.0f, 1.0f,
                      -1.0f);
    device.SetAlphaSource(AlphaSource::Texture);
    device.SetTexture(errorTexture.get());
    device.Draw(*errorQuad, VertexFormat::Textured, Primitive::TriangleFan, 0, 2);
}

void DiskPreview::ReleaseResources() {
    errorTexture.reset();
    errorQuad.reset();
    drawnLine.clear();
}

} // namespace quib::qdp
