// The ZIP structures this system reads and writes: signatures, sizes, field offsets, and
// little-endian access to their bytes.
#pragma once

#include "vfs/Stream.h"
#include "vfs/StreamAccessor.h"

#include <cstdint>

namespace quib::zip {

constexpr uint32_t LocalSignature = 0x04034b50;
constexpr uint32_t CentralSignature = 0x02014b50;
constexpr uint32_t EndSignature = 0x06054b50;
constexpr uint32_t DescriptorSignature = 0x08074b50;

constexpr uint32_t SignatureSize = 4;
constexpr uint32_t LocalHeaderSize = 30; // signature included
constexpr uint32_t CentralRecordSize = 46;
constexpr uint32_t EndRecordSize = 22;
constexpr uint32_t MaxCommentLength = 0xFFFF;
constexpr uint32_t DescriptorSize = 12; // after its optional signature

// General-purpose flag bits.
constexpr uint16_t FlagEncrypted = 1;
constexpr uint16_t FlagDescriptor = 8;

// Method numbers on disk.
constexpr uint16_t MethodStored = 0;
constexpr uint16_t MethodDeflate = 8;
constexpr uint16_t MethodLzma = 14;

// Offsets within the local header (from its signature).
namespace local {
constexpr uint32_t Flags = 6;
constexpr uint32_t Method = 8;
constexpr uint32_t Crc = 14;
constexpr uint32_t CompressedSize = 18;
constexpr uint32_t UncompressedSize = 22;
constexpr uint32_t NameLength = 26;
constexpr uint32_t ExtraLength = 28;
} // namespace local

// Offsets within a central directory record (from its signature).
namespace central {
constexpr uint32_t VersionMadeBy = 4;
constexpr uint32_t LocalCopy = 6; // bytes 4 to 29 of the local header are repeated here
constexpr uint32_t Crc = 16;
constexpr uint32_t CompressedSize = 20;
constexpr uint32_t UncompressedSize = 24;
constexpr uint32_t NameLength = 28;
constexpr uint32_t ExtraLength = 30;
constexpr uint32_t CommentLength = 32;
constexpr uint32_t ExternalAttributes = 38;
constexpr uint32_t LocalOffset = 42;
} // namespace central

// Offsets within the end of central directory record (from its signature).
namespace end {
constexpr uint32_t Disk = 4;
constexpr uint32_t DirectoryDisk = 6;
constexpr uint32_t DiskEntries = 8;
constexpr uint32_t TotalEntries = 10;
constexpr uint32_t DirectorySize = 12;
constexpr uint32_t DirectoryOffset = 16;
constexpr uint32_t CommentLength = 20;
} // namespace end

inline uint16_t Load16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
inline uint32_t Load32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
inline void Store16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void Store32(uint8_t* p, uint32_t v) {
    Store16(p, static_cast<uint16_t>(v));
    Store16(p + 2, static_cast<uint16_t>(v >> 16));
}

// Whole transfers through the stream's accessor: false when fewer bytes moved. Nothing to
// move is always a success (and never touches buffer, which may then be null).
inline bool ReadExact(Stream& stream, void* buffer, uint32_t count) {
    return count == 0 || stream.accessor->read(buffer, count) == count;
}
inline bool WriteExact(Stream& stream, const void* buffer, uint32_t count) {
    return count == 0 || stream.accessor->write(buffer, count) == count;
}

} // namespace quib::zip
