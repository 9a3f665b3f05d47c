// The central directory of a ZIP archive, found through the end record at the archive's end.
#include "vfs/ZipCentralDirectory.h"

#include "platform/MemAllocator.h"
#include "platform/StringPrimitives.h"
#include "vfs/ZipFormat.h"

namespace quib {

using namespace zip;

ZipCentralDirectory::~ZipCentralDirectory() {
    MemFree(block);
}

void ZipCentralDirectory::reset() {
    records.Clear();
    MemFree(block);
    block = nullptr;
    directoryOffset = 0;
    directorySize = 0;
    archiveCommentLength = 0;
    cursor = 0;
    loaded = false;
}

bool ZipCentralDirectory::load(Stream& stream) {
    reset();
    if (!stream.hasCapability(Stream::Seekable)) {
        return false;
    }
    const uint64_t position = stream.accessor->tell();
    const uint64_t total = stream.size();
    if (total >= EndRecordSize) {
        const uint64_t maxTail = EndRecordSize + MaxCommentLength;
        const uint32_t tailSize = static_cast<uint32_t>(total < maxTail ? total : maxTail);
        uint8_t* tail = static_cast<uint8_t*>(MemAllocate(tailSize));
        if (tail != nullptr && Seek(stream, static_cast<int64_t>(total - tailSize), 's') &&
            ReadExact(stream, tail, tailSize)) {
            loaded = readFromTail(stream, tail, tailSize, total);
        }
        MemFree(tail);
    }
    if (!Seek(stream, static_cast<int64_t>(position), 's') || !loaded) {
        reset();
    }
    return loaded;
}

// Tries the end-record signatures of the tail from the last one back, so that a signature
// inside an archive comment cannot hide the real record.
bool ZipCentralDirectory::readFromTail(Stream& stream, const uint8_t* tail, uint32_t tailSize,
                                       uint64_t total) {
    const uint64_t tailStart = total - tailSize;
    for (uint32_t at = tailSize - EndRecordSize + 1; at-- > 0;) {
        const uint8_t* end = tail + at;
        if (Load32(end) != EndSignature) {
            continue;
        }
        const uint64_t endOffset = tailStart + at;
        const uint16_t entries = Load16(end + end::TotalEntries);
        const uint32_t size = Load32(end + end::DirectorySize);
        const uint32_t offset = Load32(end + end::DirectoryOffset);
        const uint16_t commentLength = Load16(end + end::CommentLength);
        const bool singleDisk = Load16(end + end::Disk) == 0 &&
                                Load16(end + end::DirectoryDisk) == 0 &&
                                Load16(end + end::DiskEntries) == entries;
        const bool needsZip64 = entries == 0xFFFF || size == 0xFFFFFFFF || offset == 0xFFFFFFFF;
        if (!singleDisk || needsZip64 || at + EndRecordSize + commentLength > tailSize ||
            uint64_t(offset) + size > endOffset) {
            continue;
        }
        if (readDirectory(stream, offset, size, entries, end + EndRecordSize, commentLength)) {
            return true;
        }
    }
    return false;
}

bool ZipCentralDirectory::readDirectory(Stream& stream, uint32_t offset, uint32_t size,
                                        uint16_t entries, const uint8_t* comment,
                                        uint16_t commentLength) {
    records.Clear();
    MemFree(block);
    block = static_cast<uint8_t*>(MemAllocate(size + commentLength + 1u));
    if (block == nullptr) {
        return false;
    }
    directoryOffset = offset;
    directorySize = size;
    archiveCommentLength = commentLength;
    MemMove(block + size, comment, commentLength);
    return (size == 0 || (Seek(stream, offset, 's') && ReadExact(stream, block, size))) &&
           parseRecords(entries);
}

bool ZipCentralDirectory::parseRecords(uint16_t expected) {
    uint32_t at = 0;
    for (uint32_t i = 0; i < expected; ++i) {
        if (directorySize - at < CentralRecordSize) {
            return false;
        }
        const uint8_t* p = block + at;
        const uint32_t length = CentralRecordSize + Load16(p + central::NameLength) +
                                Load16(p + central::ExtraLength) +
                                Load16(p + central::CommentLength);
        if (Load32(p) != CentralSignature || length > directorySize - at) {
            return false;
        }
        const Record record{Load32(p + central::LocalOffset),
                            Load32(p + central::CompressedSize),
                            Load32(p + central::UncompressedSize),
                            Load32(p + central::Crc),
                            at,
                            length};
        if (!records.Append(record)) {
            return false;
        }
        at += length;
    }
    return at == directorySize;
}

const ZipCentralDirectory::Record* ZipCentralDirectory::findByLocalOffset(uint64_t localOffset) {
    const int32_t n = records.Count();
    for (int32_t step = 0; step < n; ++step) {
        const int32_t i = (cursor + step) % n;
        if (records.Item(i).localOffset == localOffset) {
            cursor = (i + 1) % n;
            return &records.Item(i);
        }
    }
    return nullptr;
}

} // namespace quib
