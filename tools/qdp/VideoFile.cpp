// The video formats and the loading of the writer module.
#include "VideoFile.h"

#include <algorithm>
#include <cctype>
#include <dlfcn.h>
#include <filesystem>

namespace quib::qdp {

namespace {

constexpr VideoFormat kFormats[] = {
    {".mp4", "mp4", "libx264", "aac", "H.264 and AAC"},
    {".mkv", "matroska", "libx264", "libopus", "H.264 and Opus"},
    {".webm", "webm", "libvpx-vp9", "libopus", "VP9 and Opus"},
};

} // namespace

const VideoFormat* VideoFormatOf(const std::string& path) {
    std::string lower = path;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const VideoFormat& f : kFormats) {
        const std::string extension = f.extension;
        if (lower.size() > extension.size() &&
            lower.compare(lower.size() - extension.size(), extension.size(), extension) == 0) {
            return &f;
        }
    }
    return nullptr;
}

std::unique_ptr<VideoFile> LoadVideoFile(const std::string& module, std::string& error) {
    // Never closed: the writers' code stays in use as long as any of them lives.
    void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        error = std::string("the video writer cannot be loaded: ") + dlerror();
        return nullptr;
    }
    using Make = VideoFile* (*)();
    const auto make = reinterpret_cast<Make>(dlsym(handle, "quib_new_video_file"));
    if (make == nullptr) {
        error = module + " is not the video writer of this qdp";
        return nullptr;
    }
    std::unique_ptr<VideoFile> file(make());
    if (!file) {
        error = "out of memory for the video writer";
    }
    return file;
}

std::string VideoModuleOfProgram() {
    std::error_code failed;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", failed);
    return (program.parent_path() / QUIB_VIDEO_MODULE).lexically_normal().string();
}

} // namespace quib::qdp
