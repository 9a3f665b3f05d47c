// libFuzzer target: qdp add on any bytes as the archive, with a fuzzed entry name and content.
// A successful add must reopen with one more entry holding the content; a failed one must leave
// the archive byte for byte as it was.
#include "ArchiveFile.h"
#include "Command.h"
#include "vfs/ArchiveEntryData.h"
#include "vfs/StreamSettings.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <fuzzer/FuzzedDataProvider.h>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quib::qdp {
extern const Command commandAdd;
} // namespace quib::qdp

namespace {

bool WriteBytes(const std::string& path, const void* data, size_t size) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    return static_cast<bool>(file);
}

std::string ReadBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

int32_t EntryCount(const std::string& bytes) {
    std::string copy = bytes;
    quib::ZipArchive archive;
    if (!archive.openMemory(copy.data(), static_cast<uint32_t>(copy.size()), 'r')) {
        return -1;
    }
    return archive.entries.Count();
}

// A plain buffer: it must still be there for the exit handler that empties it.
char folder[64];

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    quib::InstallBufferedAccessorFactory(32768, 32768);
    std::snprintf(folder, sizeof folder, "/tmp/qdp_add_fuzz_%d", int(getpid()));
    std::atexit([] {
        unlink((std::string(folder) + "/disk.qdp").c_str());
        unlink((std::string(folder) + "/file.bin").c_str());
        rmdir(folder);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1u << 20) {
        return 0;
    }
    FuzzedDataProvider input(data, size);
    std::string name = input.ConsumeRandomLengthString(64);
    name.resize(std::min(name.size(), name.find('\0'))); // as an argument can carry it
    const std::string content = input.ConsumeRandomLengthString(4096);
    const std::vector<uint8_t> original = input.ConsumeRemainingBytes<uint8_t>();

    const std::string archivePath = std::string(folder) + "/disk.qdp";
    const std::string filePath = std::string(folder) + "/file.bin";
    static const bool made = mkdir(folder, 0700) == 0 || errno == EEXIST;
    if (!made || !WriteBytes(archivePath, original.data(), original.size()) ||
        !WriteBytes(filePath, content.data(), content.size())) {
        return 0;
    }
    const std::string before(original.begin(), original.end());
    const int32_t countBefore = EntryCount(before);

    std::string archiveArg = archivePath, fileArg = filePath, asArg = "--as";
    char* args[] = {archiveArg.data(), fileArg.data(), asArg.data(), name.data()};
    const int status = quib::qdp::commandAdd.run(quib::qdp::commandAdd, args);

    const std::string after = ReadBytes(archivePath);
    if (status != quib::qdp::kExitOk) {
        if (after != before) {
            __builtin_trap(); // a failed add changed the archive
        }
        return 0;
    }
    if (countBefore < 0 || EntryCount(after) != countBefore + 1) {
        __builtin_trap(); // an add succeeded on an unreadable archive or lost an entry
    }
    std::string copy = after;
    quib::ZipArchive archive;
    std::vector<uint8_t> stored;
    if (!archive.openMemory(copy.data(), static_cast<uint32_t>(copy.size()), 'r') ||
        quib::ReadArchiveEntry(archive, name, stored) != quib::EntryRead::Ok ||
        std::string(stored.begin(), stored.end()) != content) {
        __builtin_trap(); // the new entry does not hold the file's bytes
    }
    return 0;
}
