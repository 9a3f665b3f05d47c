// Compiles the TOML source of a disk into its description and the list of files it needs.
#pragma once

#include "SourceDiagnostics.h"
#include "SourceMap.h"
#include "description/DescriptionModel.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quib {

// A file the disk needs, and where the source names it.
struct SourceFile {
    std::string name;
    SourcePosition position;
};

// An animation's frame list: written by the compiler from `frames` when the source gives them,
// else taken from the assets as the file `listName`.
struct AnimationList {
    SourceFile list;
    std::optional<std::vector<SourceFile>> frames;
};

struct CompiledDisk {
    std::string name; // the archive is NAME.qdp
    DescriptionModel model;
    std::vector<SourceFile> textures; // one per entry of the texture list, in list order
    std::vector<AnimationList> animations;
    std::vector<SourceFile> songs; // one per song, in playlist order
    SourceMap sourceMap;           // where each record and field of the model was written
    std::map<int32_t, std::string> flagNames; // event flag numbers the source gave as names
    // Interval ends written "end", the end of the page's song: only the songs' files tell when
    // that is, so the model holds kSongEndUnknown there until the build measures them.
    std::vector<DescriptionPlace> songEnds;
};

inline constexpr int32_t kSongEndUnknown = INT32_MAX;

// The texture store's indices for a texture list: names equal ignoring ASCII case share the
// index of the first; -1 for a name that is not in the list.
class TextureIndex {
public:
    explicit TextureIndex(const std::vector<std::string>& names);
    int32_t Find(std::string_view name) const;
    // The first spelling of the texture with this index, or null when there is none.
    const std::string* Name(int32_t index) const;
    int32_t Count() const { return static_cast<int32_t>(distinct_.size()); }

private:
    std::vector<std::string> distinct_;
};

// Compiles `text`, the contents of the source file `fileName` (used in messages and for the
// default disk name). Errors and warnings go to `diagnostics`; the result is valid only when
// no error was reported.
CompiledDisk CompileSource(std::string_view text, const std::string& fileName,
                           SourceDiagnostics& diagnostics);

// True when a song's file name has the extension of a tracker module.
bool IsModuleFileName(std::string_view fileName);

} // namespace quib
