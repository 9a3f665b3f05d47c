// A disk compiled from its TOML source with every file it names found and the whole checked:
// what `qdp build` packs and `qdp preview` plays.
#pragma once

#include "Command.h"
#include "ProgressBar.h"
#include "SourceCompiler.h"
#include "SourceDiagnostics.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace quib::qdp {

// One entry of the archive after the description: a file from the assets, or bytes the
// compiler made.
struct PackItem {
    std::string entry;
    std::filesystem::path file; // empty for made bytes
    std::vector<uint8_t> bytes;
    uint64_t size = 0;
};

// Each song file once: its name below music/ (slashes), and where it was found.
using SongFiles = std::vector<std::pair<std::string, std::filesystem::path>>;

struct SourceBuild {
    CompiledDisk disk;
    std::vector<uint8_t> description; // musicdisk.cfg, once the build is whole
    std::vector<PackItem> items;
    SongFiles songs;
};

// kExitOk when every one of `assets` is a folder, else the usage error's status once the user
// has been told which is not.
int CheckAssetFolders(const Command& self, const std::vector<std::filesystem::path>& assets);

// Where the build found the song a description names `fileName` (backslashes read as
// slashes); the name itself when it found none.
std::string SongFilePath(const SongFiles& songs, const std::string& fileName);

// Compiles the source file `source` and finds the files it names in each of `assets` in turn,
// then beside the source, and songs last in music/ beside the source; then checks the disk as
// `qdp check` does. Every finding goes to `diagnostics` at the source's file, line and column;
// the build is whole only when it holds no error. False, after saying why, when the source
// cannot be read.
bool BuildSource(const Command& self, const std::string& source,
                 const std::vector<std::filesystem::path>& assets, SourceDiagnostics& diagnostics,
                 SourceBuild& build);

// Writes the archive of a whole build to `path` (created or emptied): the description first,
// then the items. False after saying why.
bool WriteArchive(const Command& self, const std::string& path, const SourceBuild& build,
                  ProgressBar& progress);

// The bytes `WriteArchive` puts in the archive and those of the song files, for a progress bar.
uint64_t BuildSize(const SourceBuild& build);

} // namespace quib::qdp
