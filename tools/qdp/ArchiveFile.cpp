// Opening the archive a command names, with diagnostics that say which file and what failed.
#include "ArchiveFile.h"

#include "EntryNameText.h"
#include "platform/Crc32Sink.h"
#include "vfs/Stream.h"
#include "vfs/StreamAccessor.h"

#include <cerrno>
#include <cstring>
#include <memory>

namespace quib::qdp {

std::string NativeLocator(const char* path) {
    return std::string("file://") + path;
}

bool OpenArchiveFile(const Command& command, ArchiveFile& opened, const char* path, char mode) {
    errno = 0;
    if (!opened.file.open(NativeLocator(path).c_str(), mode)) {
        const int error = errno;
        Failure(command, "%s: cannot open: %s", path,
                error != 0 ? std::strerror(error) : "unknown error");
        return false;
    }
    if (!opened.archive.openStream(opened.file)) {
        Failure(command,
                "%s: not a readable ZIP archive (damaged, cut off, or in a form qdp "
                "does not read)",
                path);
        return false;
    }
    return true;
}

bool CopyEntry(const Command& command, ArchiveFile& opened, const char* path,
               const ArchiveEntry& entry, std::FILE* out, const char* outName) {
    const std::string shown = EscapedName(entry.name);
    if (entry.encryption != 0) {
        Failure(command, "%s: entry '%s' is encrypted", path, shown.c_str());
        return false;
    }
    if (entry.method != ArchiveMethodStored && entry.method != ArchiveMethodDeflate) {
        Failure(command, "%s: entry '%s' is compressed with a method qdp cannot read (%s)", path,
                shown.c_str(), MethodName(entry.method));
        return false;
    }
    std::unique_ptr<Stream, StreamCloser> stream(opened.archive.openEntry(&entry));
    if (!stream) {
        Failure(command, "%s: cannot open entry '%s'", path, shown.c_str());
        return false;
    }
    Crc32Sink crc;
    crc.begin();
    uint64_t total = 0;
    static uint8_t block[65536];
    uint32_t got = 0;
    while ((got = stream->accessor->read(block, sizeof block)) > 0) {
        crc.update(block, got);
        total += got;
        if (std::fwrite(block, 1, got, out) != got) {
            Failure(command, "cannot write to %s", outName);
            return false;
        }
    }
    if (total != entry.uncompressedSize || crc.finish() != entry.checksum) {
        Failure(command, "%s: entry '%s' is damaged (%s)", path, shown.c_str(),
                total != entry.uncompressedSize ? "its data ends early" : "CRC-32 mismatch");
        return false;
    }
    return true;
}

const char* MethodName(int32_t method) {
    switch (method) {
    case ArchiveMethodStored:
        return "stored";
    case ArchiveMethodDeflate:
        return "deflate";
    case ArchiveMethodLzma:
        return "lzma";
    default:
        return "other";
    }
}

} // namespace quib::qdp
