// Frames a second of qdp record: the disk run, drawn and read back alone, then with each
// container's encoders writing the video.
// Usage: record_bench [seconds, default 10] [WIDTHxHEIGHT, default 640x360] [disk]
#include "VideoFile.h"
#include "app/DiskRecorder.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

using namespace quib;

// Hands the frames to a video file, or drops them when there is none.
class BenchSink final : public RecordSink {
public:
    explicit BenchSink(qdp::VideoFile* file) : file(file) {}
    bool Begin(int64_t) override { return true; }
    bool Picture(const std::vector<uint32_t>& argb, int width, int height) override {
        return file == nullptr || file->Picture(argb.data(), width, height, error);
    }
    bool Sound(const float* stereo, size_t frames) override {
        return file == nullptr || file->Sound(stereo, frames, error);
    }
    std::string error;

private:
    qdp::VideoFile* file;
};

} // namespace

int main(int argc, char** argv) {
    RecordRequest request;
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    request.to = static_cast<int64_t>(seconds * kRenderUnitsPerSecond);
    request.width = 640;
    request.height = 360;
    if (argc > 2 && std::sscanf(argv[2], "%dx%d", &request.width, &request.height) != 2) {
        std::fprintf(stderr, "record_bench: the size is WIDTHxHEIGHT\n");
        return 2;
    }
    request.archive = argc > 3 ? argv[3] : QUIB_DEMO_DISK;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("record-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::printf("%s, %g s at 60 frames a second, %dx%d\n", request.archive.c_str(), seconds,
                request.width, request.height);
    int status = 0;
    for (const char* name : {"", "bench.mp4", "bench.webm", "bench.mkv"}) {
        const std::string path = (folder / name).string();
        const qdp::VideoFormat* format = *name != '\0' ? qdp::VideoFormatOf(path) : nullptr;
        std::string error;
        const std::unique_ptr<qdp::VideoFile> file =
            format != nullptr ? qdp::LoadVideoFile(QUIB_VIDEO_MODULE, error) : nullptr;
        if (format != nullptr && !file) {
            std::fprintf(stderr, "record_bench: %s\n", error.c_str());
            return 1;
        }
        BenchSink sink(file.get());
        const auto start = std::chrono::steady_clock::now();
        RecordReport report;
        const bool done = (!file || file->Open(path, *format, 60, 44100, sink.error)) &&
                          RecordDisk(request, sink, report) && (!file || file->Finish(sink.error));
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!done) {
            std::fprintf(stderr, "record_bench: %s: %s\n", name, sink.error.c_str());
            status = 1;
            continue;
        }
        std::printf("%-34s %8.1f frames a second\n",
                    format == nullptr ? "run, drawn and read back"
                                      : (std::string("encoded: ") + format->codecs).c_str(),
                    static_cast<double>(report.frames) / wall);
    }
    std::filesystem::remove_all(folder);
    return status;
}
