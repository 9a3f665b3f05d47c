// qdp dump: the TOML source of a disk's description, which `qdp build` turns back into the
// same bytes.
#include "Command.h"
#include "DiskInput.h"
#include "SourceWriter.h"
#include "description/DescriptionModel.h"
#include "vfs/ArchiveEntryData.h"

#include <cinttypes>
#include <cstdio>

namespace quib::qdp {
namespace {

int RunDump(const Command& self, std::span<char* const> args) {
    if (args.size() != 1) {
        return UsageError(self, "%s", args.empty() ? "a disk is needed" : "too many arguments");
    }
    DiskInput disk;
    if (!OpenDiskInput(self, args[0], disk)) {
        return kExitFailure;
    }
    const ParsedDescription parsed = ParseDescription(disk.description);
    if (parsed.error) {
        return Failure(self, "%s: %s: cannot read the description at byte %" PRIu64 ": %s",
                       disk.path.c_str(), disk.isArchive ? kDescriptionEntry : "description",
                       parsed.error->offset, parsed.error->expected.c_str());
    }
    if (!parsed.model.trailing.empty()) {
        std::fprintf(stderr,
                     "qdp dump: %s: warning: the %zu bytes after the last page are not part "
                     "of the source; a disk built from it ends at the last page\n",
                     disk.path.c_str(), parsed.model.trailing.size());
    }
    DescriptionModel withoutTrailing = parsed.model;
    withoutTrailing.trailing.clear();
    const std::vector<uint8_t> rewritten = WriteDescription(withoutTrailing);
    if (rewritten.size() != parsed.consumed ||
        !std::equal(rewritten.begin(), rewritten.end(), disk.description.begin())) {
        std::fprintf(stderr,
                     "qdp dump: %s: warning: the description has negative counts, which the "
                     "player reads as none; a disk built from this source stores them as 0\n",
                     disk.path.c_str());
    }
    // The lists' lines go into the source, so that the dump builds again without the list
    // files themselves.
    AnimationFrameLister frames;
    if (disk.isArchive) {
        frames = [&disk](const std::string& listName) -> std::optional<std::vector<std::string>> {
            std::vector<uint8_t> list;
            if (ReadArchiveEntry(disk.archive.archive, listName, list) != EntryRead::Ok) {
                return std::nullopt;
            }
            return AnimationFrameNames(list);
        };
    }
    std::fputs(WriteSource(parsed.model, disk.name, frames).c_str(), stdout);
    return kExitOk;
}

} // namespace

extern const Command commandDump = {
    "dump",
    "print the TOML source of a disk's description",
    "usage: qdp dump DISK\n"
    "\n"
    "Prints the description of DISK (a .qdp archive, or a bare musicdisk.cfg) as the TOML\n"
    "source that 'qdp build' compiles, with every field written out. Building that source\n"
    "gives back the same musicdisk.cfg, byte for byte; a warning on stderr says when the\n"
    "description holds something a source cannot keep (bytes after the last page, negative\n"
    "counts). The format is described in docs/disk-format.md.\n",
    RunDump,
};

} // namespace quib::qdp
