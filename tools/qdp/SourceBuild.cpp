// A disk compiled from its TOML source with every file it names found and the whole checked.
#include "SourceBuild.h"

#include "ArchiveFile.h"
#include "DiskChecker.h"
#include "DiskInput.h"
#include "EntryNameText.h"
#include "platform/StringPrimitives.h"
#include "vfs/ArchiveEntry.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <system_error>

namespace quib::qdp {
namespace {

namespace fs = std::filesystem;

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
    PackList(AssetFinder& finder, std::vector<PackItem>& items) : finder_(finder), items_(items) {}

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

private:
    static std::string Key(const std::string& name) {
        std::string key = LowerAscii(name);
        std::replace(key.begin(), key.end(), '\\', '/');
        return key;
    }

    bool Claim(const std::string& name) { return claimed_.insert(Key(name)).second; }

    AssetFinder& finder_;
    std::set<std::string> claimed_{std::string(kDescriptionEntry)};
    std::vector<PackItem>& items_;
};

} // namespace

bool BuildSource(const Command& self, const std::string& source,
                 const std::vector<fs::path>& assets, SourceDiagnostics& diagnostics,
                 SourceBuild& build) {
    std::ifstream sourceFile(source, std::ios::binary);
    if (!sourceFile) {
        Failure(self, "%s: cannot open: %s", source.c_str(), std::strerror(errno));
        return false;
    }
    const std::string text(std::istreambuf_iterator<char>(sourceFile), {});

    build.disk = CompileSource(text, source, diagnostics);
    CompiledDisk& disk = build.disk;
    std::vector<fs::path> folders = assets;
    folders.push_back(fs::path(source).parent_path().empty() ? fs::path(".")
                                                             : fs::path(source).parent_path());
    AssetFinder finder(folders, diagnostics);
    // Songs may also lie in music/ beside the source, as they do beside a disk.
    folders.push_back(folders.back() / "music");
    AssetFinder songFinder(folders, diagnostics);
    PackList pack(finder, build.items);
    auto& songs = build.songs;
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
            return SongFilePath(songs, fileName);
        };
        CheckCompiledDisk(disk, std::move(files), diagnostics);
    }
    if (!diagnostics.HasErrors()) {
        build.description = WriteDescription(disk.model);
    }
    return true;
}

bool WriteArchive(const Command& self, const std::string& path, const SourceBuild& build,
                  ProgressBar& progress) {
    ArchiveFile opened;
    if (!opened.file.open(NativeLocator(path.c_str()).c_str(), 'c') ||
        !opened.archive.openStream(opened.file)) {
        Failure(self, "%s: cannot create: %s", path.c_str(), std::strerror(errno));
        return false;
    }
    const std::vector<uint8_t>& description = build.description;
    bool ok =
        opened.archive.addMemory(description.data(), static_cast<uint32_t>(description.size()),
                                 kDescriptionEntry, ArchiveMethodDeflate, nullptr);
    progress.Advance(description.size(), kDescriptionEntry);
    for (size_t i = 0; ok && i < build.items.size(); ++i) {
        const PackItem& item = build.items[i];
        progress.Advance(0, item.entry);
        ok = item.file.empty()
                 ? opened.archive.addMemory(item.bytes.data(),
                                            static_cast<uint32_t>(item.bytes.size()),
                                            item.entry.c_str(), ArchiveMethodDeflate, nullptr)
                 : opened.archive.addFile(NativeLocator(item.file.c_str()).c_str(),
                                          item.entry.c_str(), ArchiveMethodDeflate, nullptr);
        if (!ok) {
            Failure(self, "%s: cannot add '%s'", path.c_str(), item.entry.c_str());
        }
        progress.Advance(item.size, item.entry);
    }
    opened.archive.close();
    CloseStream(opened.file);
    return ok;
}

int CheckAssetFolders(const Command& self, const std::vector<fs::path>& assets) {
    for (const fs::path& folder : assets) {
        std::error_code error;
        if (!fs::is_directory(folder, error)) {
            return UsageError(self, "--assets %s: not a folder", folder.c_str());
        }
    }
    return kExitOk;
}

std::string SongFilePath(const SongFiles& songs, const std::string& fileName) {
    std::string name = fileName;
    std::replace(name.begin(), name.end(), '\\', '/');
    const auto song =
        std::find_if(songs.begin(), songs.end(), [&](const auto& s) { return s.first == name; });
    return song != songs.end() ? song->second.string() : name;
}

uint64_t BuildSize(const SourceBuild& build) {
    uint64_t total = build.description.size();
    for (const PackItem& item : build.items) {
        total += item.size;
    }
    for (const auto& song : build.songs) {
        std::error_code error;
        total += fs::file_size(song.second, error);
    }
    return total;
}

} // namespace quib::qdp
