// qdp ls: one line per entry of an archive.
#include "ArchiveFile.h"
#include "Command.h"
#include "EntryNameText.h"

#include <cinttypes>
#include <cstdio>

namespace quib::qdp {

namespace {

int RunLs(const Command& self, std::span<char* const> args) {
    if (args.size() != 1) {
        return UsageError(self, "%s", args.empty() ? "no archive given" : "too many arguments");
    }
    ArchiveFile opened;
    if (!OpenArchiveFile(self, opened, args[0], 'r')) {
        return kExitFailure;
    }
    const PtrArray<ArchiveEntry>& entries = opened.archive.entries;
    for (int32_t i = 0; i < entries.Count(); ++i) {
        const ArchiveEntry& entry = entries.Item(i);
        std::printf("%s\t%s\t%" PRIu64 "\t%" PRIu64 "\t%08" PRIx32 "\n",
                    EscapedName(entry.name).c_str(), MethodName(entry.method), entry.compressedSize,
                    entry.uncompressedSize, entry.checksum);
    }
    return kExitOk;
}

} // namespace

extern const Command commandLs = {
    "ls",
    "list the entries of an archive",
    "usage: qdp ls ARCHIVE\n"
    "\n"
    "Prints one line per entry, in the order of the archive, with tab-separated fields:\n"
    "name, method (stored, deflate, lzma or other), compressed size, uncompressed size,\n"
    "and CRC-32 as eight lower-case hexadecimal digits. Names are escaped so that each entry\n"
    "stays one line: a backslash is shown as \\\\, tab, line feed and carriage return as \\t,\n"
    "\\n and \\r, and any other control character as \\xHH (two upper-case hex digits).\n",
    RunLs,
};

} // namespace quib::qdp
