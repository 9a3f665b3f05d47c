// Writes a disk description as TOML source that compiles back to the same description.
#pragma once

#include "description/DescriptionModel.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quib {

// The names a disk's source gave its event flags, by number.
using FlagNames = std::map<int32_t, std::string>;

// The frame names of an animation's list file, or nothing when the list is not at hand.
using AnimationFrameLister =
    std::function<std::optional<std::vector<std::string>>(const std::string& listName)>;

// The source of `model` for a disk named `diskName`. Every field is written out, so the text
// also serves to read what a description holds. Bytes after the last page are not part of it.
// An animation whose list `frames` gives is written with its frame names, so that a build
// writes the list again. Flags that `flags` names are written by name, and the names with
// their numbers in `flags = { ... }`, so that a build gives each the number it had.
std::string WriteSource(const DescriptionModel& model, std::string_view diskName,
                        const AnimationFrameLister& frames = {}, const FlagNames& flags = {});

} // namespace quib
