// Reads a named archive entry whole into memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quib {

class Archive;

enum class EntryRead {
    Ok,
    Missing, // no entry of that name
    Failed,  // the entry could not be opened or read whole
};

// Looks the name up as FindEntry does (backslashes as slashes, A-Z without case).
EntryRead ReadArchiveEntry(Archive& archive, const std::string& name, std::vector<uint8_t>& bytes);

} // namespace quib
