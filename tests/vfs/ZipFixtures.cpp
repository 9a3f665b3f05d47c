// External tools (zip, unzip, python3, qdp) and file helpers for the archive tests.
#include "vfs/ZipFixtures.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/wait.h>

namespace quib::ziptest {

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

CommandResult RunShell(const std::string& dir, const std::string& command) {
    const std::string full = "cd " + Quote(dir) + " && " + command;
    FILE* pipe = popen(full.c_str(), "r");
    if (pipe == nullptr) {
        return {-1, {}};
    }
    CommandResult result{-1, {}};
    char buffer[4096];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        result.output.append(buffer, got);
    }
    const int status = pclose(pipe);
    if (status != -1 && WIFEXITED(status)) {
        result.status = WEXITSTATUS(status);
    }
    return result;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string MakeBytes(size_t size, uint32_t seed) {
    static const char* const kWords[] = {"quib ", "disk ", "song ", "page ", "\n", "effect "};
    std::string bytes;
    bytes.reserve(size + 16);
    uint32_t state = seed * 2654435761u + 1;
    while (bytes.size() < size) {
        state = state * 1664525u + 1013904223u;
        if ((state >> 28) < 10) {
            bytes += kWords[(state >> 8) % 6];
        } else {
            bytes += static_cast<char>(state >> 16);
        }
    }
    bytes.resize(size);
    return bytes;
}

std::string QdpPath() {
    return QUIB_BINARY_DIR "/tools/qdp/qdp";
}

} // namespace quib::ziptest
