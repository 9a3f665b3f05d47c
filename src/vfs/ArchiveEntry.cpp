// One entry of an archive's directory: its name, how it is stored and where its data lies.
#include "vfs/ArchiveEntry.h"

#include "platform/MemAllocator.h"
#include "platform/StringPrimitives.h"

#include <utility>

namespace quib {

ArchiveEntry::~ArchiveEntry() {
    MemFree(name);
}

ArchiveEntry::ArchiveEntry(ArchiveEntry&& other) noexcept
    : name(std::exchange(other.name, nullptr)), nameComplete(other.nameComplete),
      method(other.method), encryption(other.encryption), compressedSize(other.compressedSize),
      uncompressedSize(other.uncompressedSize), checksum(other.checksum),
      headerOffset(other.headerOffset), dataOffset(other.dataOffset) {}

ArchiveEntry& ArchiveEntry::operator=(ArchiveEntry&& other) noexcept {
    if (this != &other) {
        MemFree(name);
        name = std::exchange(other.name, nullptr);
        nameComplete = other.nameComplete;
        method = other.method;
        encryption = other.encryption;
        compressedSize = other.compressedSize;
        uncompressedSize = other.uncompressedSize;
        checksum = other.checksum;
        headerOffset = other.headerOffset;
        dataOffset = other.dataOffset;
    }
    return *this;
}

char* ArchiveEntry::reserveName(uint32_t length) {
    MemFree(name);
    nameComplete = false;
    name = static_cast<char*>(MemAllocate(length + 1, MemZero));
    return name;
}

bool ArchiveEntry::setName(const char* bytes, uint32_t length) {
    char* buffer = reserveName(length);
    if (buffer == nullptr) {
        return false;
    }
    MemMove(buffer, bytes, length);
    nameComplete = true;
    return true;
}

} // namespace quib
