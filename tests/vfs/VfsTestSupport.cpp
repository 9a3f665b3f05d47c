// Shared helpers of the file-system tests.
#include "vfs/VfsTestSupport.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace quib::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quib-vfs-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        ADD_FAILURE() << "cannot create a temporary directory from " << pattern;
    }
    root = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}

std::vector<uint8_t> PatternBytes(size_t count, uint32_t seed) {
    std::vector<uint8_t> bytes(count);
    uint32_t state = seed * 2654435761u + 12345u;
    for (size_t i = 0; i < count; ++i) {
        state = state * 1664525u + 1013904223u;
        // Mostly small letters so the data compresses, with noise so it is not trivial.
        bytes[i] = static_cast<uint8_t>((state >> 24) % 7 == 0 ? state >> 16 : 'a' + (state >> 28));
    }
    return bytes;
}

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

} // namespace quib::test
