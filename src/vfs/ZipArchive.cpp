// ZIP archives: the directory read by a forward scan of local headers, entries read as
// streams (stored or deflated), and deflated entries appended.
//
// Sections: probe and directory scan; opening entries; appending an entry.
#include "vfs/ZipArchive.h"

#include "platform/Crc32Sink.h"
#include "platform/DeflateCodec.h"
#include "platform/MemAllocator.h"
#include "platform/StringPrimitives.h"
#include "vfs/ArchiveNames.h"
#include "vfs/CodecFilter.h"
#include "vfs/StreamHelpers.h"
#include "vfs/ZipCentralDirectory.h"
#include "vfs/ZipEntryStream.h"
#include "vfs/ZipFormat.h"

#include <memory>

namespace quib {

using namespace zip;

namespace {

constexpr int32_t DefaultMethod = -3;
constexpr uint32_t CopyBlockSize = 65536;
constexpr uint16_t VersionWritten = 20;
constexpr uint32_t ExternalAttributesWritten = 0x2020;

int32_t MethodFromDisk(uint16_t method) {
    switch (method) {
    case MethodStored:
        return ArchiveMethodStored;
    case MethodDeflate:
        return ArchiveMethodDeflate;
    case MethodLzma:
        return ArchiveMethodLzma;
    default:
        return ArchiveMethodOther;
    }
}

bool Fits32(uint64_t value) {
    return value <= 0xFFFFFFFFu;
}

} // namespace

// ---- probe and directory scan ----

// An archive begins with its first local header; one without entries, as other tools write
// it, begins with its end record.
bool ZipArchive::probe(Stream& stream) {
    if (stream.size() == 0) {
        return true;
    }
    uint8_t signature[4];
    if (PeekU32(stream, signature) != 4) {
        return false;
    }
    return Load32(signature) == LocalSignature ||
           (Load32(signature) == EndSignature && stream.size() >= EndRecordSize);
}

// The archive's bytes as the scan of local headers reads them: the last block read stays at
// hand, so a header that lies within it costs no read of the stream, and the small entries of
// an archive are scanned several to one read.
class ZipScanWindow {
public:
    explicit ZipScanWindow(Stream& stream) : stream(stream) {}

    // The bytes from offset on, at least count of them (count <= Capacity) unless the stream
    // ends first; available says how many there are.
    const uint8_t* at(uint64_t offset, uint32_t count, uint32_t& available) {
        if (offset < start || offset - start + count > filled) {
            start = offset;
            filled = 0;
            if (!Seek(stream, static_cast<int64_t>(offset), 's')) {
                available = 0;
                return bytes;
            }
            uint32_t got = 0;
            while (filled < Capacity &&
                   (got = stream.accessor->read(bytes + filled, Capacity - filled)) > 0) {
                filled += got;
            }
        }
        available = static_cast<uint32_t>(start + filled - offset);
        return bytes + (offset - start);
    }

    // count bytes from offset, through the window when they fit it.
    bool read(uint64_t offset, void* destination, uint32_t count) {
        if (count > Capacity) {
            return Seek(stream, static_cast<int64_t>(offset), 's') &&
                   ReadExact(stream, destination, count);
        }
        uint32_t available = 0;
        const uint8_t* from = at(offset, count, available);
        if (available < count) {
            return false;
        }
        MemMove(destination, from, count);
        return true;
    }

    Stream& stream;

private:
    static constexpr uint32_t Capacity = 4096;
    uint64_t start = 0;
    uint32_t filled = 0;
    uint8_t bytes[Capacity];
};

// The scan reads an unbuffered clone of the source through a window of its own, so that it
// costs one read and a seek per block of headers rather than a refill of a read buffer after
// every skip over entry data. Every step either moves forward by at least one header or fails,
// and every read and skip is checked against the data, so a cut or damaged archive ends the
// scan with false.
bool ZipArchive::readDirectory() {
    directoryOffset = 0;
    const uint64_t total = source->size();
    if (total == 0) {
        return true;
    }
    // Entry data is skipped by seeking; without seeks the scan would read data as headers.
    if (!source->hasCapability(Stream::Seekable)) {
        return false;
    }
    Stream* clone = source->clone(source->mode | Stream::Unbuffered);
    ZipScanWindow window(clone != nullptr ? *clone : *source);
    ZipCentralDirectory central;
    uint64_t offset = 0;
    bool ok = true;
    while (ok) {
        uint32_t got = 0;
        const uint8_t* at = window.at(offset, EndRecordSize, got);
        if (got >= SignatureSize && Load32(at) == CentralSignature) {
            directoryOffset = offset;
            break;
        }
        // An archive without entries is its end record alone, which then stands where the
        // directory would start.
        if (got >= EndRecordSize && Load32(at) == EndSignature && entries.Count() == 0) {
            directoryOffset = offset;
            ok = Load16(at + end::DiskEntries) == 0 && Load16(at + end::TotalEntries) == 0 &&
                 directoryOffset + EndRecordSize + Load16(at + end::CommentLength) == total;
            break;
        }
        uint8_t header[LocalHeaderSize];
        ok = window.read(offset, header, LocalHeaderSize) && Load32(header) == LocalSignature &&
             scanEntry(window, header, offset, total, central);
    }
    delete clone;
    return ok;
}

// Records the entry whose header lies at offset and moves offset past its data (and data
// descriptor).
bool ZipArchive::scanEntry(ZipScanWindow& window, const uint8_t* header, uint64_t& offset,
                           uint64_t total, ZipCentralDirectory& central) {
    const int32_t index = entries.AppendDefault();
    if (index < 0) {
        return false;
    }
    ArchiveEntry& entry = entries.Item(index);
    entry.headerOffset = offset + SignatureSize;
    const uint16_t flags = Load16(header + local::Flags);
    entry.method = MethodFromDisk(Load16(header + local::Method));
    entry.encryption = (flags & FlagEncrypted) != 0 ? -1 : 0;
    entry.checksum = Load32(header + local::Crc);
    entry.compressedSize = Load32(header + local::CompressedSize);
    entry.uncompressedSize = Load32(header + local::UncompressedSize);

    const uint16_t nameLength = Load16(header + local::NameLength);
    const uint64_t nameOffset = offset + LocalHeaderSize;
    char* name = entry.reserveName(nameLength);
    if (name != nullptr) {
        if (!window.read(nameOffset, name, nameLength)) {
            return false;
        }
        entry.nameComplete = true;
    }
    entry.dataOffset = nameOffset + nameLength + Load16(header + local::ExtraLength);

    // A local header that defers its sizes to a data descriptor gives no way to find the end
    // of deflated data; the central directory's record for this header has the sizes.
    const bool hasDescriptor = (flags & FlagDescriptor) != 0;
    if (hasDescriptor) {
        if (!central.isLoaded() && !central.load(window.stream)) {
            return false;
        }
        const ZipCentralDirectory::Record* record = central.findByLocalOffset(offset);
        if (record == nullptr) {
            return false;
        }
        entry.checksum = record->checksum;
        entry.compressedSize = record->compressedSize;
        entry.uncompressedSize = record->uncompressedSize;
    }
    if (entry.dataOffset > total || entry.compressedSize > total - entry.dataOffset) {
        return false;
    }
    offset = entry.dataOffset + entry.compressedSize;
    if (!hasDescriptor) {
        return true;
    }
    uint32_t got = 0;
    const uint8_t* descriptor = window.at(offset, SignatureSize + DescriptorSize, got);
    const uint32_t length = got >= SignatureSize && Load32(descriptor) == DescriptorSignature
                                ? SignatureSize + DescriptorSize
                                : DescriptorSize;
    offset += length;
    return got >= length;
}

// ---- opening entries ----

Stream* ZipArchive::openEntry(const ArchiveEntry* entry) {
    if (entry == nullptr || source == nullptr) {
        return nullptr;
    }
    Stream* clone = source->clone(source->mode | Stream::Unbuffered);
    if (clone == nullptr) {
        return nullptr;
    }
    ZipEntryStream* stream = new ZipEntryStream(clone, *entry);
    if (stream == nullptr) {
        delete clone;
        return nullptr;
    }
    if (!stream->begin()) {
        delete stream;
        return nullptr;
    }
    return stream;
}

// ---- appending an entry ----

bool ZipArchive::addFile(const char* locator, const char* entryName, int32_t method,
                         const void* options) {
    if ((method != ArchiveMethodDeflate && method != DefaultMethod) || options != nullptr ||
        source == nullptr || locator == nullptr) {
        return false;
    }
    char derived[256];
    if (entryName == nullptr) {
        FileName(locator, derived, sizeof derived);
        entryName = derived;
    }
    // Names are stored with slashes, the only separator the format knows.
    char* name = StrDuplicate(entryName);
    if (name == nullptr) {
        return false;
    }
    SlashEntryName(name);
    const uint32_t nameLength = StrLength(name);
    bool added = false;
    if (nameLength != 0 && nameLength <= 0xFFFF && entries.Count() < 0xFFFF &&
        FindEntry(*this, name) < 0) {
        FileStream input;
        ZipCentralDirectory central;
        const bool keepable =
            source->size() == 0 || (central.load(*source) && central.offset() == directoryOffset &&
                                    central.count() == entries.Count());
        if (keepable && input.open(locator, 'r')) {
            added = appendEntry(input, name, nameLength, central);
        }
    }
    MemFree(name);
    return added;
}

namespace {

// What follows the last entry's data: kept so that a failed append can put it back.
class SavedTail {
public:
    ~SavedTail() { MemFree(bytes); }

    bool save(Stream& stream, uint64_t offset) {
        const uint64_t total = stream.size();
        start = offset;
        length = total > offset ? total - offset : 0;
        if (length == 0) {
            return true;
        }
        if (!Fits32(length)) {
            return false;
        }
        bytes = static_cast<uint8_t*>(MemAllocate(static_cast<uint32_t>(length)));
        return bytes != nullptr && Seek(stream, static_cast<int64_t>(start), 's') &&
               ReadExact(stream, bytes, static_cast<uint32_t>(length));
    }

    void restore(Stream& stream) const {
        if (Seek(stream, static_cast<int64_t>(start), 's') &&
            (length == 0 || WriteExact(stream, bytes, static_cast<uint32_t>(length)))) {
            stream.accessor->flush(false, true);
            stream.truncate();
        }
    }

private:
    uint8_t* bytes = nullptr;
    uint64_t start = 0;
    uint64_t length = 0;
};

// True when everything written so far reached the stream and it stands at expected.
bool WrittenTo(Stream& stream, uint64_t expected) {
    stream.accessor->flush(false, true);
    return stream.accessor->tell() == expected;
}

} // namespace

bool ZipArchive::appendEntry(Stream& input, const char* name, uint32_t nameLength,
                             const ZipCentralDirectory& central) {
    Stream& stream = *source;
    const uint64_t headerStart = directoryOffset;
    SavedTail tail;
    if (!tail.save(stream, headerStart) || !Seek(stream, static_cast<int64_t>(headerStart), 's')) {
        return false;
    }

    uint8_t header[LocalHeaderSize] = {};
    Store32(header, LocalSignature);
    Store16(header + 4, VersionWritten);
    Store16(header + local::Method, MethodDeflate);
    Store16(header + local::NameLength, static_cast<uint16_t>(nameLength));
    const uint64_t dataStart = headerStart + LocalHeaderSize + nameLength;
    bool ok = WriteExact(stream, header, LocalHeaderSize) && WriteExact(stream, name, nameLength) &&
              WrittenTo(stream, dataStart);

    // The content, deflated on its way out through a write filter. An input that reports a
    // size gives only as many bytes as it held when the copy began, so one that grows while it
    // is read (the archive itself, say) cannot keep the copy going. One that reports none (a
    // pipe, a file under /proc) is read until it ends.
    DeflateCodec codec(-15);
    Crc32Sink crc;
    CodecFilter filter(&codec, &crc);
    uint64_t copied = 0;
    if (ok && AttachWriteFilter(filter, stream)) {
        uint8_t* block = static_cast<uint8_t*>(MemAllocate(CopyBlockSize));
        const uint64_t reported = input.size();
        uint64_t remaining = reported != 0 ? reported : UINT64_MAX;
        ok = block != nullptr;
        while (ok && remaining > 0) {
            const uint32_t want = remaining < CopyBlockSize ? uint32_t(remaining) : CopyBlockSize;
            const uint32_t got = input.accessor->read(block, want);
            if (got == 0) {
                break;
            }
            ok = WriteExact(stream, block, got);
            copied += got;
            remaining -= got;
        }
        MemFree(block);
        DetachFilter(filter, stream);
    } else {
        ok = false;
    }
    stream.accessor->flush(false, true);
    const uint64_t dataEnd = stream.accessor->tell();
    const uint64_t compressed = dataEnd - dataStart;
    const uint64_t newDirectoryOffset = dataEnd;
    ok = ok && Fits32(copied) && Fits32(compressed) && Fits32(newDirectoryOffset);

    // The header again with the sizes and CRC, then the kept central records, the new one
    // and the end record with the archive comment.
    Store32(header + local::Crc, crc.value());
    Store32(header + local::CompressedSize, static_cast<uint32_t>(compressed));
    Store32(header + local::UncompressedSize, static_cast<uint32_t>(copied));
    uint8_t record[CentralRecordSize] = {};
    Store32(record, CentralSignature);
    Store16(record + central::VersionMadeBy, VersionWritten);
    MemMove(record + central::LocalCopy, header + 4, LocalHeaderSize - 4);
    Store32(record + central::ExternalAttributes, ExternalAttributesWritten);
    Store32(record + central::LocalOffset, static_cast<uint32_t>(headerStart));
    const uint32_t directorySize = central.size() + CentralRecordSize + nameLength;
    uint8_t end[EndRecordSize] = {};
    Store32(end, EndSignature);
    Store16(end + end::DiskEntries, static_cast<uint16_t>(entries.Count() + 1));
    Store16(end + end::TotalEntries, static_cast<uint16_t>(entries.Count() + 1));
    Store32(end + end::DirectorySize, directorySize);
    Store32(end + end::DirectoryOffset, static_cast<uint32_t>(newDirectoryOffset));
    Store16(end + end::CommentLength, central.commentLength());
    ok = ok && Seek(stream, static_cast<int64_t>(headerStart), 's') &&
         WriteExact(stream, header, LocalHeaderSize) &&
         Seek(stream, static_cast<int64_t>(newDirectoryOffset), 's') &&
         WriteExact(stream, central.bytes(), central.size()) &&
         WriteExact(stream, record, CentralRecordSize) && WriteExact(stream, name, nameLength) &&
         WriteExact(stream, end, EndRecordSize) &&
         WriteExact(stream, central.comment(), central.commentLength());
    const uint64_t fileEnd =
        newDirectoryOffset + directorySize + EndRecordSize + central.commentLength();
    ok = ok && WrittenTo(stream, fileEnd) && stream.truncate();

    // The new entry is read back before it counts: a write that failed quietly inside the
    // compression chain shows here, and the old directory is then put back.
    const int32_t index = ok ? entries.AppendDefault() : -1;
    if (index >= 0) {
        ArchiveEntry& entry = entries.Item(index);
        entry.method = ArchiveMethodDeflate;
        entry.compressedSize = compressed;
        entry.uncompressedSize = copied;
        entry.checksum = crc.value();
        entry.headerOffset = headerStart + SignatureSize;
        entry.dataOffset = dataStart;
        if (entry.setName(name, nameLength) && verifyEntry(entry)) {
            directoryOffset = newDirectoryOffset;
            return true;
        }
        entries.RemoveAt(index);
    }
    tail.restore(stream);
    return false;
}

bool ZipArchive::verifyEntry(const ArchiveEntry& entry) {
    const std::unique_ptr<Stream, StreamCloser> stream(openEntry(&entry));
    if (stream == nullptr) {
        return false;
    }
    uint8_t* block = static_cast<uint8_t*>(MemAllocate(CopyBlockSize));
    Crc32Sink crc;
    crc.begin();
    uint64_t total = 0;
    uint32_t got = 0;
    while (block != nullptr && (got = stream->accessor->read(block, CopyBlockSize)) > 0) {
        crc.update(block, got);
        total += got;
    }
    const bool same =
        block != nullptr && total == entry.uncompressedSize && crc.finish() == entry.checksum;
    MemFree(block);
    return same;
}

} // namespace quib
