// libFuzzer target: any bytes as a disk archive, loaded and played for a few frames by the real
// player on the headless device, with a click on the way.
#include "app/DiskRenderer.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

std::string DiskPath() {
    static const std::string path = "/tmp/disk_fuzz_" + std::to_string(getpid()) + ".qdp";
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FILE* file = std::fopen(DiskPath().c_str(), "wb");
    if (file == nullptr) {
        return 0;
    }
    const bool written = std::fwrite(data, 1, size, file) == size;
    if (std::fclose(file) != 0 || !written) {
        return 0;
    }
    quib::RenderRequest request;
    request.archive = DiskPath();
    request.seconds = 0.05;
    request.width = 64;
    request.height = 48;
    using Kind = quib::RenderEvent::Kind;
    request.events = {{.time = 0, .kind = Kind::Move, .x = 20, .y = 20},
                      {.time = 735, .kind = Kind::Down},
                      {.time = 1470, .kind = Kind::Up}};
    quib::RenderedFrame frame;
    (void)quib::RenderDisk(request, frame);
    std::remove(DiskPath().c_str());
    return 0;
}
