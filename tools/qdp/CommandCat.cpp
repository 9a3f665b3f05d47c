// qdp cat: the uncompressed bytes of one entry on standard output.
#include "ArchiveFile.h"
#include "Command.h"
#include "EntryNameText.h"

#include <cstdio>

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
    return CopyEntry(self, opened, path, *entry, stdout, "standard output") ? kExitOk
                                                                            : kExitFailure;
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
