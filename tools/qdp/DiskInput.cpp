// Opening a disk archive or a bare description for dump and check.
#include "DiskInput.h"

#include "app/Player.h"
#include "vfs/ArchiveEntryData.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

namespace quib::qdp {
namespace {

std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Folder(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace

std::vector<uint8_t> FlagNamesEntry(const std::map<int32_t, std::string>& names) {
    std::string text;
    for (const auto& [flag, name] : names) {
        if (name.find('\n') == std::string::npos) {
            text += std::to_string(flag) + " " + name + "\n";
        }
    }
    return {text.begin(), text.end()};
}

std::map<int32_t, std::string> ReadFlagNames(Archive& archive) {
    std::map<int32_t, std::string> names;
    std::vector<uint8_t> entry;
    if (ReadArchiveEntry(archive, kFlagNamesEntry, entry) != EntryRead::Ok) {
        return names;
    }
    std::istringstream lines(std::string(entry.begin(), entry.end()));
    int32_t flag = 0;
    std::string name;
    while (lines >> flag && std::getline(lines.ignore(1), name)) {
        names[flag] = name;
    }
    return names;
}

std::vector<std::string> AnimationFrameNames(const std::vector<uint8_t>& list) {
    constexpr size_t kLongestName = 79;
    std::vector<std::string> names;
    std::string line;
    auto endLine = [&] {
        if (!line.empty()) {
            names.push_back(line);
            line.clear();
        }
    };
    for (uint8_t byte : list) {
        if (byte == '\r' || byte == '\n') {
            endLine();
        } else {
            line += static_cast<char>(byte);
            if (line.size() == kLongestName) {
                endLine();
            }
        }
    }
    endLine();
    return names;
}

bool OpenDiskInput(const Command& command, const char* path, DiskInput& disk) {
    disk.path = path;
    disk.musicFolder = PathIgnoringCase(Folder(disk.path), "music") + "/";
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        Failure(command, "%s: cannot open: %s", path, std::strerror(errno));
        return false;
    }
    char magic[4] = {};
    file.read(magic, sizeof magic);
    disk.isArchive = file.gcount() == 0 || std::memcmp(magic, "PK\x03\x04", 4) == 0;
    if (!disk.isArchive) {
        file.seekg(0);
        disk.description.assign(std::istreambuf_iterator<char>(file), {});
        disk.name = "musicdisk";
        return true;
    }
    std::string name = BaseName(disk.path);
    if (name.size() > 4 && name.ends_with(".qdp")) {
        name.resize(name.size() - 4);
    }
    disk.name = name;
    if (!OpenArchiveFile(command, disk.archive, path, 'r')) {
        return false;
    }
    if (ReadArchiveEntry(disk.archive.archive, kDescriptionEntry, disk.description) !=
        EntryRead::Ok) {
        Failure(command, "%s: the archive has no readable entry '%s'", path, kDescriptionEntry);
        return false;
    }
    return true;
}

} // namespace quib::qdp
