// qdp build: compiles a disk's TOML source and packs NAME.qdp, with the songs beside it.
//
// Sections: arguments; finding the files the source names; packing the archive; copying the
// songs.
#include "ArchiveFile.h"
#include "Command.h"
#include "DiskChecker.h"
#include "DiskInput.h"
#include "EntryNameText.h"
#include "ProgressBar.h"
#include "SourceCompiler.h"
#include "platform/StringPrimitives.h"
#include "vfs/ArchiveEntry.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <system_error>

namespace quib::qdp {
namespace {

namespace fs = std::filesystem;

// ---- Arguments -------------------------------------------------------------------------------

struct BuildArguments {
    const char* source = nullptr;
    const char* output = nullptr;
    std::vector<fs::path> assets;
    bool werror = false;
};

const char* ParseBuild(std::span<char* const> args, BuildArguments& parsed) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "-o" || arg == "--output" || arg == "--assets") {
            if (i + 1 == args.size()) {
                return arg == "--assets" ? "--assets needs a folder" : "-o needs a folder";
            }
            if (arg == "--assets") {
                parsed.assets.emplace_back(args[++i]);
            } else {
                parsed.output = args[++i];
            }
        } else if (arg == "--werror") {
            parsed.werror = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return "unknown option";
        } else if (parsed.source == nullptr) {
            parsed.source = args[i];
        } else {
            return "too many arguments";
        }
    }
    if (parsed.source == nullptr) {
        return "a source file is needed";
    }
    if (parsed.output == nullptr) {
        return "an output folder is needed (-o DIR)";
    }
    return nullptr;
}

// ---- Finding files ---------------------------------------------------------------------------

// One entry of the archive: a file from the assets, or bytes the compiler made.
struct PackItem {
    std::string entry;
    fs::path file;
    std::vector<uint8_t> bytes;
    uint64_t size = 0;
};

class AssetFinder {
public:
    AssetFinder(std::vector<fs::path> folders, SourceDiagnostics& diagnostics)
        : folders_(std::move(folders)), diagnostics_(diagnostics) {}

    // The file for a name, searched in the folders in order; reports a name that is not a
    // relative path inside the archive, or that no folder holds.
    std::optional<fs::path> Find(const SourceFile& name) {
        std::string relative = name.name;
        std::replace(relative.begin(), relative.end(), '\\', '/');
        const fs::path path(relative);
        if (!IsNameInsideArchive(relative)) {
            diagnostics_.Error(name.position,
                               "\"" + name.name + "\" is not a relative path inside the disk");
            return std::nullopt;
        }
        std::string searched;
        for (const fs::path& folder : folders_) {
            std::error_code error;
            if (fs::is_regular_file(folder / path, error)) {
                return folder / path;
            }
            searched += (searched.empty() ? "" : ", ") + folder.string();
        }
        diagnostics_.Error(name.position,
                           "\"" + name.name + "\" not found (looked in " + searched + ")");
        return std::nullopt;
    }

private:
    std::vector<fs::path> folders_;
    SourceDiagnostics& diagnostics_;
};

bool ReadFile(const fs::path& path, std::vector<uint8_t>& bytes) {
    std::ifstream file(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(file), {});
    return !file.bad();
}

// Everything the archive holds after the description, each entry once: the player finds
// entries ignoring case and with backslashes as slashes.
class PackList {
public:
    explicit PackList(AssetFinder& finder) : finder_(finder) {}

    void AddFile(const SourceFile& name) {
        if (Claim(name.name)) {
            if (std::optional<fs::path> file = finder_.Find(name)) {
                std::error_code error;
                items_.push_back({name.name, *file, {}, fs::file_size(*file, error)});
            }
        }
    }

    void AddAnimation(const AnimationList& animation) {
        std::vector<uint8_t> list;
        if (animation.frames) {
            for (const SourceFile& frame : *animation.frames) {
                list.insert(list.end(), frame.name.begin(), frame.name.end());
                list.push_back('\n');
            }
            if (Claim(animation.list.name)) {
                const uint64_t size = list.size();
                items_.push_back({animation.list.name, {}, std::move(list), size});
            }
            for (const SourceFile& frame : *animation.frames) {
                AddFile(frame);
            }
            return;
        }
        const std::optional<fs::path> file = finder_.Find(animation.list);
        if (!file || !ReadFile(*file, list)) {
            return;
        }
        if (Claim(animation.list.name)) {
            items_.push_back({animation.list.name, *file, {}, list.size()});
        }
        for (const std::string& frame : AnimationFrameNames(list)) {
            AddFile({frame, animation.list.position});
        }
    }

    void AddBytes(const std::string& entry, std::vector<uint8_t> bytes) {
        if (Claim(entry)) {
            const uint64_t size = bytes.size();
            items_.push_back({entry, {}, std::move(bytes), size});
        }
    }

    // An entry as the player will find it in the packed archive.
    EntryRead Read(const std::string& name, std::vector<uint8_t>& bytes) const {
        const std::string key = Key(name);
        const auto item = std::find_if(items_.begin(), items_.end(),
                                       [&](const PackItem& i) { return Key(i.entry) == key; });
        if (item == items_.end()) {
            return EntryRead::Missing;
        }
        if (item->file.empty()) {
            bytes = item->bytes;
            return EntryRead::Ok;
        }
        return ReadFile(item->file, bytes) ? EntryRead::Ok : EntryRead::Failed;
    }

    std::vector<PackItem>& Items() { return items_; }

private:
    static std::string Key(const std::string& name) {
        std::string key = LowerAscii(name);
        std::replace(key.begin(), key.end(), '\\', '/');
        return key;
    }

    bool Claim(const std::string& name) { return claimed_.insert(Key(name)).second; }

    AssetFinder& finder_;
    std::set<std::string> claimed_{std::string(kDescriptionEntry)};
    std::vector<PackItem> items_;
};

// ---- Packing ---------------------------------------------------------------------------------

bool Pack(const Command& self, const fs::path& target, const std::vector<uint8_t>& description,
          std::vector<PackItem>& items, ProgressBar& progress) {
    const fs::path temporary = target.string() + ".part";
    ArchiveFile opened;
    if (!opened.file.open(NativeLocator(temporary.c_str()).c_str(), 'c') ||
        !opened.archive.openStream(opened.file)) {
        Failure(self, "%s: cannot create: %s", temporary.c_str(), std::strerror(errno));
        return false;
    }
    bool ok =
        opened.archive.addMemory(description.data(), static_cast<uint32_t>(description.size()),
                                 kDescriptionEntry, ArchiveMethodDeflate, nullptr);
    progress.Advance(description.size(), kDescriptionEntry);
    for (size_t i = 0; ok && i < items.size(); ++i) {
        const PackItem& item = items[i];
        progress.Advance(0, item.entry);
        ok = item.file.empty()
                 ? opened.archive.addMemory(item.bytes.data(),
                                            static_cast<uint32_t>(item.bytes.size()),
                                            item.entry.c_str(), ArchiveMethodDeflate, nullptr)
                 : opened.archive.addFile(NativeLocator(item.file.c_str()).c_str(),
                                          item.entry.c_str(), ArchiveMethodDeflate, nullptr);
        if (!ok) {
            Failure(self, "%s: cannot add '%s'", temporary.c_str(), item.entry.c_str());
        }
        progress.Advance(item.size, item.entry);
    }
    opened.archive.close();
    CloseStream(opened.file);
    std::error_code error;
    if (ok) {
        fs::rename(temporary, target, error);
        if (error) {
            Failure(self, "%s: cannot write: %s", target.c_str(), error.message().c_str());
            ok = false;
        }
    }
    if (!ok) {
        fs::remove(temporary, error);
    }
    return ok;
}

// ---- Songs -----------------------------------------------------------------------------------

bool CopySongs(const Command& self, const std::vector<std::pair<std::string, fs::path>>& songs,
               const fs::path& musicFolder, ProgressBar& progress) {
    for (const auto& [name, file] : songs) {
        const fs::path target = musicFolder / name;
        std::error_code error;
        fs::create_directories(target.parent_path(), error);
        // A song found in music/ beside the source is already in place when OUT_DIR is there.
        const bool inPlace =
            !error && fs::exists(target, error) && fs::equivalent(file, target, error);
        if (!error && !inPlace) {
            fs::copy_file(file, target, fs::copy_options::overwrite_existing, error);
        }
        if (error) {
            Failure(self, "%s: cannot write: %s", target.c_str(), error.message().c_str());
            return false;
        }
        progress.Advance(fs::file_size(file, error), name);
    }
    return true;
}

int RunBuild(const Command& self, std::span<char* const> args) {
    BuildArguments arguments;
    if (const char* error = ParseBuild(args, arguments)) {
        return UsageError(self, "%s", error);
    }
    for (const fs::path& folder : arguments.assets) {
        std::error_code error;
        if (!fs::is_directory(folder, error)) {
            return UsageError(self, "--assets %s: not a folder", folder.c_str());
        }
    }
    std::ifstream sourceFile(arguments.source, std::ios::binary);
    if (!sourceFile) {
        return Failure(self, "%s: cannot open: %s", arguments.source, std::strerror(errno));
    }
    const std::string text(std::istreambuf_iterator<char>(sourceFile), {});

    SourceDiagnostics diagnostics(arguments.source);
    if (arguments.werror) {
        diagnostics.MakeWarningsErrors();
    }
    CompiledDisk disk = CompileSource(text, arguments.source, diagnostics);
    std::vector<fs::path> folders = arguments.assets;
    folders.push_back(fs::path(arguments.source).parent_path().empty()
                          ? fs::path(".")
                          : fs::path(arguments.source).parent_path());
    AssetFinder finder(folders, diagnostics);
    // Songs may also lie in music/ beside the source, as they do beside a disk.
    folders.push_back(folders.back() / "music");
    AssetFinder songFinder(folders, diagnostics);
    PackList pack(finder);
    std::vector<std::pair<std::string, fs::path>> songs;
    if (!diagnostics.HasErrors()) {
        for (const SourceFile& texture : disk.textures) {
            pack.AddFile(texture);
        }
        for (const AnimationList& animation : disk.animations) {
            pack.AddAnimation(animation);
        }
        std::set<std::string> copied;
        for (const SourceFile& song : disk.songs) {
            std::string name = song.name;
            std::replace(name.begin(), name.end(), '\\', '/');
            if (!copied.insert(name).second) {
                continue;
            }
            if (std::optional<fs::path> file = songFinder.Find(song)) {
                songs.emplace_back(name, *file);
            }
        }
        if (!disk.flagNames.empty()) {
            pack.AddBytes(kFlagNamesEntry, FlagNamesEntry(disk.flagNames));
        }
    }
    if (!diagnostics.HasErrors()) {
        DiskFiles files;
        files.readEntry = [&pack](const std::string& name, std::vector<uint8_t>& bytes) {
            return pack.Read(name, bytes);
        };
        files.songPath = [&songs](const std::string& fileName) {
            std::string name = fileName;
            std::replace(name.begin(), name.end(), '\\', '/');
            const auto song = std::find_if(songs.begin(), songs.end(),
                                           [&](const auto& s) { return s.first == name; });
            return song != songs.end() ? song->second.string() : name;
        };
        CheckCompiledDisk(disk, std::move(files), diagnostics);
    }
    std::fputs(diagnostics.Format().c_str(), stderr);
    if (diagnostics.HasErrors()) {
        return Failure(self, "%s: %d error%s; nothing was written", arguments.source,
                       diagnostics.ErrorCount(), diagnostics.ErrorCount() == 1 ? "" : "s");
    }

    const fs::path output(arguments.output);
    std::error_code error;
    fs::create_directories(output, error);
    if (error) {
        return Failure(self, "%s: cannot create: %s", arguments.output, error.message().c_str());
    }
    const std::vector<uint8_t> description = WriteDescription(disk.model);
    uint64_t total = description.size();
    for (const PackItem& item : pack.Items()) {
        total += item.size;
    }
    for (const auto& song : songs) {
        total += fs::file_size(song.second, error);
    }
    ProgressBar progress("qdp build", total);
    const fs::path archive = output / (disk.name + ".qdp");
    if (!Pack(self, archive, description, pack.Items(), progress) ||
        !CopySongs(self, songs, output / "music", progress)) {
        return kExitFailure;
    }
    progress.Finish();
    std::printf("%s: %zu entries; %zu song%s in %s\n", archive.c_str(), pack.Items().size() + 1,
                songs.size(), songs.size() == 1 ? "" : "s", (output / "music").c_str());
    return kExitOk;
}

} // namespace

extern const Command commandBuild = {
    "build",
    "compile a TOML disk source into NAME.qdp and music/",
    "usage: qdp build SOURCE.toml -o OUT_DIR [--assets DIR]... [--werror]\n"
    "\n"
    "Compiles SOURCE.toml into the description musicdisk.cfg and packs OUT_DIR/NAME.qdp with\n"
    "it, the images of the texture list, and every animation list with its frames; copies the\n"
    "songs into OUT_DIR/music/. NAME is the source's `name`, else the source's file name.\n"
    "Files are looked up in each --assets folder in turn, then beside SOURCE.toml, and songs\n"
    "last in music/ beside SOURCE.toml (where 'qdp dump --extract' puts them); --assets\n"
    "takes a folder (give it once per folder), not a file or an archive. Errors name the\n"
    "source file, line and column; with any error nothing is written. The disk is then\n"
    "checked as `qdp check` checks it, each finding reported at the value that causes it;\n"
    "warnings do not stop the build unless --werror makes them errors. The source format is\n"
    "described in docs/disk-format.md.\n",
    RunBuild,
};

} // namespace quib::qdp
