// qdp cat: the uncompressed bytes of one entry on standard output.
#include "ArchiveFile.h"
#include "Command.h"
#include "EntryNameText.h"
#include "platform/Crc32Sink.h"
#include "vfs/Stream.h"
#include "vfs/StreamAccessor.h"

#include <cstdio>
#include <memory>

namespace quib::qdp {

namespace {

int RunCat(const Command& self, std::span<char* const> args) {
    if (args.size() != 2) {
        return UsageError(self, "%s",
                          args.size() < 2 ? "an archive and an entry name are needed"
                                          : "too many arguments");
    }
    const char* path = args[0];
    const char* name = args[1];
    ArchiveFile opened;
    if (!OpenArchiveFile(self, opened, path, 'r')) {
        return kExitFailure;
    }
    const ArchiveEntry* entry = opened.archive.entryAt(FindEntry(opened.archive, name));
    if (entry == nullptr) {
        return Failure(self, "%s: no entry named '%s'", path, EscapedName(name).c_str());
    }
    const std::string shown = EscapedName(entry->name);
    if (entry->encryption != 0) {
        return Failure(self, "%s: entry '%s' is encrypted", path, shown.c_str());
    }
    if (entry->method != ArchiveMethodStored && entry->method != ArchiveMethodDeflate) {
        return Failure(self, "%s: entry '%s' is compressed with a method qdp cannot read (%s)",
                       path, shown.c_str(), MethodName(entry->method));
    }
    std::unique_ptr<Stream, StreamCloser> stream(opened.archive.openEntry(entry));
    if (!stream) {
        return Failure(self, "%s: cannot open entry '%s'", path, shown.c_str());
    }
    Crc32Sink crc;
    crc.begin();
    uint64_t total = 0;
    static uint8_t block[65536];
    uint32_t got = 0;
    while ((got = stream->accessor->read(block, sizeof block)) > 0) {
        crc.update(block, got);
        total += got;
        if (std::fwrite(block, 1, got, stdout) != got) {
            return Failure(self, "cannot write to standard output");
        }
    }
    if (total != entry->uncompressedSize || crc.finish() != entry->checksum) {
        return Failure(self, "%s: entry '%s' is damaged (%s)", path, shown.c_str(),
                       total != entry->uncompressedSize ? "its data ends early"
                                                        : "CRC-32 mismatch");
    }
    return kExitOk;
}

} // namespace

extern const Command commandCat = {
    "cat",
    "write the content of an entry to standard output",
    "usage: qdp cat ARCHIVE ENTRY\n"
    "\n"
    "Writes the uncompressed bytes of ENTRY to standard output and checks them against the\n"
    "archive's CRC-32. ENTRY is matched as the player matches names: backslashes stand for\n"
    "slashes and the letters A to Z match either case.\n",
    RunCat,
};

} // namespace quib::qdp
