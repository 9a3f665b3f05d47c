// Image files made for tests: PNG bytes of given pixels.
#include "TestImages.h"

#include "host/gfx/ImageCodec.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace quib::test {

std::vector<uint8_t> SolidPng(int width, int height, uint32_t argb) {
    return PngBytes(width, height,
                    std::vector<uint32_t>(static_cast<size_t>(width) * height, argb));
}

std::vector<uint8_t> PngBytes(int width, int height, const std::vector<uint32_t>& argb) {
    std::string path = (std::filesystem::temp_directory_path() / "quib-png-XXXXXX").string();
    const int fd = ::mkstemp(path.data());
    if (fd < 0) {
        return {};
    }
    ::close(fd);
    std::vector<uint8_t> bytes;
    if (WritePng(path, width, height, argb.data())) {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::remove(path.c_str());
    return bytes;
}

} // namespace quib::test
