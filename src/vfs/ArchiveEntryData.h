// Reads a named archive entry whole into memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quib {

class Archive;
struct ArchiveEntry;

enum class EntryRead {
    Ok,
    Missing, // no entry of that name
    Failed,  // the entry could not be opened or read whole
};

// No entry is read whole beyond this many bytes, whatever its headers claim.
inline constexpr uint64_t kEntryReadLimit = uint64_t(512) << 20;

// Looks the name up as FindEntry does (backslashes as slashes, A-Z without case). Ok only when
// the entry delivers exactly its size; memory follows the bytes that really arrive, and an
// allocation failure is a Failed read.
EntryRead ReadArchiveEntry(Archive& archive, const std::string& name, std::vector<uint8_t>& bytes);
// The same for an entry looked up already: Ok or Failed.
EntryRead ReadArchiveEntry(Archive& archive, const ArchiveEntry& entry,
                           std::vector<uint8_t>& bytes);

} // namespace quib
