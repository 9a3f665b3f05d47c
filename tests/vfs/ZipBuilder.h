// Hand-made ZIP bytes for the archive tests: shapes that the tools do not write on request
// (descriptors without signatures, method 14, odd extra fields) and exact layouts to check.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quib::ziptest {

struct BuildEntry {
    std::string name;
    std::string content;
    uint16_t method = 0;     // 0 stored, 8 deflate (compressed here), anything else as is
    bool descriptor = false; // flag bit 3, zero sizes in the local header
    bool descriptorSignature = true;
    bool encrypted = false; // flag bit 0 (the content is not actually encrypted)
    std::string localExtra;
    std::string centralExtra;
    std::string comment;
};

struct BuiltZip {
    std::string bytes;
    std::vector<uint64_t> localOffsets; // of each local header's signature
    std::vector<uint64_t> dataOffsets;
    uint64_t directoryOffset = 0;
};

BuiltZip BuildZip(const std::vector<BuildEntry>& entries, const std::string& archiveComment = {});

// Raw deflate of content, as entries carry it.
std::string Deflate(const std::string& content);
uint32_t Crc32(const std::string& content);

} // namespace quib::ziptest
