// libFuzzer target: open any bytes as a ZIP archive from memory, list it, and read every
// entry front to back and again after a seek into its middle.
#include "platform/Crc32Sink.h"
#include "vfs/StreamAccessor.h"
#include "vfs/StreamSettings.h"
#include "vfs/ZipArchive.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

void ReadThrough(quib::Stream& stream, uint64_t size) {
    static uint8_t buffer[8192];
    uint64_t total = 0;
    uint32_t got = 0;
    while ((got = stream.accessor->read(buffer, sizeof buffer)) > 0) {
        total += got;
        if (total > size) {
            __builtin_trap(); // an entry stream delivered more than its size
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    quib::InstallBufferedAccessorFactory(32768, 32768);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1u << 24) {
        return 0;
    }
    // A private copy: the archive's memory stream is opened read-only, but a copy also keeps
    // any read past the input's end visible to the address sanitizer.
    std::vector<uint8_t> bytes(data, data + size);
    quib::ZipArchive archive;
    if (!archive.openMemory(bytes.data(), static_cast<uint32_t>(size), 'r')) {
        return 0;
    }
    for (int32_t i = 0; i < archive.entries.Count(); ++i) {
        const quib::ArchiveEntry* entry = archive.entryAt(i);
        (void)quib::FindEntry(archive, entry->name);
        quib::Stream* stream = archive.openEntry(entry);
        if (stream == nullptr) {
            continue;
        }
        const uint64_t entrySize = stream->size();
        ReadThrough(*stream, entrySize);
        if (quib::Seek(*stream, static_cast<int64_t>(entrySize / 2), 's')) {
            ReadThrough(*stream, entrySize);
        }
        quib::CloseStream(*stream);
        delete stream;
    }
    return 0;
}
