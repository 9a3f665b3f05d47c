// Opening a disk for inspection: a NAME.qdp archive, or a bare description file.
#pragma once

#include "ArchiveFile.h"
#include "Command.h"
#include "description/DescriptionModel.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace quib::qdp {

struct DiskInput {
    std::string path;
    std::string name; // the archive's file name without ".qdp", or "musicdisk"
    // Where the player looks for songs: "music/" beside the archive, matched ignoring case.
    std::string musicFolder;
    bool isArchive = false;
    ArchiveFile archive; // open while isArchive
    std::vector<uint8_t> description;
};

// Opens path: a ZIP archive (told by its first bytes) whose "musicdisk.cfg" is read, or else a
// bare description. On failure reports "qdp CMD: PATH: reason" and answers false.
bool OpenDiskInput(const Command& command, const char* path, DiskInput& disk);

// The archive entry in which `qdp build` keeps the names the source gave event flags, one
// "NUMBER NAME" a line, so that `qdp check` can speak of them. The player does not read it.
inline constexpr char kFlagNamesEntry[] = "musicdisk.flags";
std::vector<uint8_t> FlagNamesEntry(const std::map<int32_t, std::string>& names);
// The names that entry holds; none when the archive has no such entry.
std::map<int32_t, std::string> ReadFlagNames(Archive& archive);

// The image names of an animation list as the player reads them: lines end at CR, LF or both,
// empty lines are skipped, and a line longer than 79 characters continues as the next name.
std::vector<std::string> AnimationFrameNames(const std::vector<uint8_t>& list);

} // namespace quib::qdp
