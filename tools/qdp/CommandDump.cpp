// qdp dump: the TOML source of a disk's description, which `qdp build` turns back into the
// same bytes; with --extract, the source and every file it names, ready to build again.
//
// Sections: arguments; extracting; the command.
#include "ArchiveFile.h"
#include "Command.h"
#include "CommandLine.h"
#include "DiskInput.h"
#include "EntryNameText.h"
#include "SourceCompiler.h"
#include "SourceWriter.h"
#include "app/Player.h"
#include "description/DescriptionModel.h"
#include "platform/StringPrimitives.h"
#include "vfs/ArchiveEntryData.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string_view>

namespace quib::qdp {
namespace {

namespace fs = std::filesystem;

// ---- Arguments -------------------------------------------------------------------------------

struct DumpArguments {
    const char* disk = nullptr;
    const char* extract = nullptr; // the folder to extract into
    bool force = false;
};

const char* ParseDump(std::span<char* const> args, DumpArguments& parsed) {
    const ValueOption options[] = {{"--extract", &parsed.extract}};
    const FlagOption flags[] = {{"--force", &parsed.force}};
    if (const char* error = ParseValueOptions(args, options, parsed.disk, flags)) {
        return error;
    }
    if (parsed.force && parsed.extract == nullptr) {
        return "--force goes with --extract";
    }
    return nullptr;
}

// ---- Extracting ------------------------------------------------------------------------------

// Writes files named as the source names them into the folder, each once (names equal ignoring
// ASCII case and with backslashes as slashes are one file, as they are one entry to build).
class Extractor {
public:
    Extractor(const Command& self, DiskInput& disk, fs::path folder)
        : self_(self), disk_(disk), folder_(std::move(folder)) {}

    // The archive's entry for `name`, written to FOLDER/name. A name that would leave the
    // folder is refused; a name the archive lacks is a warning (the player skips it too).
    void Entry(const std::string& name) {
        const int32_t index = FindEntry(disk_.archive.archive, name.c_str());
        named_.insert(index);
        std::string key;
        if (!Inside(name, key) || !entryNames_.insert(LowerAscii(key)).second) {
            return;
        }
        const ArchiveEntry* entry = disk_.archive.archive.entryAt(index);
        if (entry == nullptr) {
            std::fprintf(stderr,
                         "qdp dump: %s: warning: the archive has no entry '%s'; not extracted, "
                         "so the source does not build until it is added\n",
                         disk_.path.c_str(), EscapedName(name.c_str()).c_str());
            return;
        }
        const fs::path target = Target(key);
        if (target.empty()) {
            return;
        }
        std::FILE* out = std::fopen(target.c_str(), "wb");
        if (out == nullptr) {
            Fail("%s: cannot write: %s", target.c_str(), std::strerror(errno));
            return;
        }
        const bool copied =
            CopyEntry(self_, disk_.archive, disk_.path.c_str(), *entry, out, target.c_str());
        if (std::fclose(out) != 0 && copied) {
            Fail("%s: cannot write: %s", target.c_str(), std::strerror(errno));
        } else if (copied) {
            ++entries_;
        }
        failed_ = failed_ || !copied;
    }

    // An animation list and every frame it names.
    void Animation(const std::string& listName) {
        Entry(listName);
        std::vector<uint8_t> list;
        if (ReadArchiveEntry(disk_.archive.archive, listName, list) == EntryRead::Ok) {
            for (const std::string& frame : AnimationFrameNames(list)) {
                Entry(frame);
            }
        }
    }

    // A song from music/ beside the disk, found as the player finds it, to FOLDER/music/.
    void Song(const std::string& name) {
        std::string relative;
        if (!Inside(name, relative) || !songNames_.insert(relative).second) {
            return;
        }
        const std::string file = PathIgnoringCase(disk_.musicFolder, relative);
        std::error_code error;
        if (!fs::is_regular_file(file, error)) {
            std::fprintf(stderr,
                         "qdp dump: %s: warning: song file %s is not found; not extracted, so "
                         "the source does not build until it is added\n",
                         disk_.path.c_str(), file.c_str());
            return;
        }
        const fs::path target = Target("music/" + relative);
        if (!target.empty()) {
            fs::copy_file(file, target, fs::copy_options::overwrite_existing, error);
            if (error) {
                Fail("%s: cannot write: %s", target.c_str(), error.message().c_str());
            } else {
                ++songs_;
            }
        }
    }

    // Warns of each entry that no name of the description leads to: a build leaves it out.
    void WarnOfTheRest() {
        const ZipArchive& archive = disk_.archive.archive;
        const int32_t description = FindEntry(archive, kDescriptionEntry);
        for (int32_t i = 0; i < archive.entries.Count(); ++i) {
            const char* name = archive.entryAt(i)->name;
            const size_t length = std::strlen(name);
            // The flags' names come back through the source.
            const bool flagNames = std::strcmp(name, kFlagNamesEntry) == 0;
            if (named_.count(i) == 0 && i != description && !flagNames && length > 0 &&
                name[length - 1] != '/') {
                std::fprintf(stderr,
                             "qdp dump: %s: warning: entry '%s' is named by nothing in the "
                             "description; not extracted, and a build leaves it out\n",
                             disk_.path.c_str(), EscapedName(name).c_str());
            }
        }
    }

    size_t Entries() const { return entries_; }
    size_t Songs() const { return songs_; }
    bool Failed() const { return failed_; }

private:
    // `name` with slashes for backslashes in `key`; false (reported) when it leads out of the
    // folder.
    bool Inside(const std::string& name, std::string& key) {
        key = name;
        std::replace(key.begin(), key.end(), '\\', '/');
        if (!IsNameInsideArchive(key)) {
            Fail("%s: the name '%s' leads out of %s; not extracted", disk_.path.c_str(),
                 EscapedName(name.c_str()).c_str(), folder_.c_str());
            return false;
        }
        return true;
    }

    // FOLDER/key with its folders made; empty (reported) when they cannot be made.
    fs::path Target(const std::string& key) {
        const fs::path target = folder_ / key;
        std::error_code error;
        fs::create_directories(target.parent_path(), error);
        if (error) {
            Fail("%s: cannot create: %s", target.parent_path().c_str(), error.message().c_str());
            return {};
        }
        return target;
    }

    template <typename... Args>
    void Fail(const char* format, Args... args) {
        Failure(self_, format, args...);
        failed_ = true;
    }

    const Command& self_;
    DiskInput& disk_;
    fs::path folder_;
    std::set<std::string> entryNames_; // ignoring ASCII case, as the archive finds entries
    std::set<std::string> songNames_;
    std::set<int32_t> named_; // indices of the entries the description's names lead to
    size_t entries_ = 0;
    size_t songs_ = 0;
    bool failed_ = false;
};

// Writes FOLDER/NAME.toml, naming the animation lists rather than their frames so that the
// lists are packed again as they are (and flags by the names `flags` gives), and every file the
// source names.
int Extract(const Command& self, DiskInput& disk, const DescriptionModel& model,
            const FlagNames& flags, const DumpArguments& arguments) {
    if (!disk.isArchive) {
        return Failure(self, "%s: --extract needs a disk archive; a bare description has no files",
                       disk.path.c_str());
    }
    const fs::path folder(arguments.extract);
    std::error_code error;
    if (!arguments.force && fs::exists(folder, error) && !fs::is_empty(folder, error)) {
        return Failure(self, "%s: the folder is not empty (--force writes into it)",
                       arguments.extract);
    }
    fs::create_directories(folder, error);
    if (error) {
        return Failure(self, "%s: cannot create: %s", arguments.extract, error.message().c_str());
    }
    const fs::path sourcePath = folder / (disk.name + ".toml");
    const std::string source = WriteSource(model, disk.name, {}, flags);
    SourceDiagnostics diagnostics(sourcePath.string());
    const CompiledDisk compiled = CompileSource(source, sourcePath.string(), diagnostics);
    if (diagnostics.HasErrors()) {
        std::fputs(diagnostics.Format().c_str(), stderr);
        return Failure(self, "%s: the source written does not compile", disk.path.c_str());
    }
    std::ofstream written(sourcePath, std::ios::binary);
    written << source;
    written.close();
    if (!written) {
        return Failure(self, "%s: cannot write", sourcePath.c_str());
    }

    Extractor extractor(self, disk, folder);
    for (const SourceFile& texture : compiled.textures) {
        extractor.Entry(texture.name);
    }
    for (const AnimationList& animation : compiled.animations) {
        extractor.Animation(animation.list.name);
    }
    for (const SourceFile& song : compiled.songs) {
        extractor.Song(song.name);
    }
    extractor.WarnOfTheRest();
    if (extractor.Failed()) {
        return kExitFailure;
    }
    std::printf("%s: %zu entries; %zu song%s in %s\n", sourcePath.c_str(), extractor.Entries(),
                extractor.Songs(), extractor.Songs() == 1 ? "" : "s", (folder / "music").c_str());
    return kExitOk;
}

// ---- The command -----------------------------------------------------------------------------

int RunDump(const Command& self, std::span<char* const> args) {
    DumpArguments arguments;
    if (const char* error = ParseDump(args, arguments)) {
        return UsageError(self, "%s", error);
    }
    DiskInput disk;
    if (!OpenDiskInput(self, arguments.disk, disk)) {
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
    const FlagNames flags = disk.isArchive ? ReadFlagNames(disk.archive.archive) : FlagNames{};
    if (arguments.extract != nullptr) {
        return Extract(self, disk, parsed.model, flags, arguments);
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
    std::fputs(WriteSource(parsed.model, disk.name, frames, flags).c_str(), stdout);
    return kExitOk;
}

} // namespace

extern const Command commandDump = {
    "dump",
    "print the TOML source of a disk's description, or extract the disk to build again",
    "usage: qdp dump DISK [--extract DIR [--force]]\n"
    "\n"
    "Prints the description of DISK (a .qdp archive, or a bare musicdisk.cfg) as the TOML\n"
    "source that 'qdp build' compiles, with every field written out. Building that source\n"
    "gives back the same musicdisk.cfg, byte for byte; a warning on stderr says when the\n"
    "description holds something a source cannot keep (bytes after the last page, negative\n"
    "counts). The format is described in docs/disk-format.md.\n"
    "\n"
    "  --extract DIR  write the source as DIR/NAME.toml (NAME: the archive's file name) and\n"
    "                 every file it names: the images, the animation lists as they are and\n"
    "                 their frames from the archive, and the songs from music/ beside DISK\n"
    "                 into DIR/music/. 'qdp build DIR/NAME.toml -o OUT' then packs the same\n"
    "                 entries and musicdisk.cfg. A name leading out of DIR is refused; a\n"
    "                 warning names what is missing and each entry nothing names.\n"
    "  --force        write into DIR even when it is not empty\n",
    RunDump,
};

} // namespace quib::qdp
