// Writes a disk description as TOML source that compiles back to the same description.
#pragma once

#include "description/DescriptionModel.h"

#include <string>
#include <string_view>

namespace quib {

// The source of `model` for a disk named `diskName`. Every field is written out, so the text
// also serves to read what a description holds. Bytes after the last page are not part of it.
std::string WriteSource(const DescriptionModel& model, std::string_view diskName);

} // namespace quib
