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

// The scan runs on an unbuffered clone of the source, so that each entry costs two small
// reads (header, name) and a seek over its data rather than a refill of a read buffer.
// Every step either moves forward by at least one header or fails, and every read and skip is
// checked against the data, so a cut or damaged archive ends the scan with false.
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
    Stream& scan = clone != nullptr ? *clone : *source;
    ZipCentralDirectory central;
    bool ok = Seek(scan, 0, 's');
    while (ok) {
        uint8_t header[LocalHeaderSize];
        const uint32_t got = scan.accessor->read(header, LocalHeaderSize);
        if (got >= SignatureSize && Load32(header) == CentralSignature) {
            directoryOffset = scan.accessor->tell() - got;
            break;
        }
        // An archive without entries is its end record alone, which then stands where the
        // directory would start.
        if (got >= EndRecordSize && Load32(header) == EndSignature && entries.Count() == 0) {
            directoryOffset = scan.accessor->tell() - got;
            ok = Load16(header + end::DiskEntries) == 0 &&
                 Load16(header + end::TotalEntries) == 0 &&
                 directoryOffset + EndRecordSize + Load16(header + end::CommentLength) == total;
            break;
        }
        ok = got == LocalHeaderSize && Load32(header) == LocalSignature &&
             scanEntry(scan, header, total, central);
    }
    delete clone;
    return ok;
}

bool ZipArchive::scanEntry(Stream& scan, const uint8_t* header, uint64_t total,
                           ZipCentralDirectory& central) {
    const int32_t index = entries.AppendDefault();
    if (index < 0) {
        return false;
    }
    ArchiveEntry& entry = entries.Item(index);
    entry.headerOffset = scan.accessor->tell() - (LocalHeaderSize - SignatureSize);
    const uint16_t flags = Load16(header + local::Flags);
    entry.method = MethodFromDisk(Load16(header + local::Method));
    entry.encryption = (flags & FlagEncrypted) != 0 ? -1 : 0;
    entry.checksum = Load32(header + local::Crc);
    entry.compressedSize = Load32(header + local::CompressedSize);
    entry.uncompressedSize = Load32(header + local::UncompressedSize);

    const uint16_t nameLength = Load16(header + local::NameLength);
    char* name = entry.reserveName(nameLength);
    if (name != nullptr) {
        if (!ReadExact(scan, name, nameLength)) {
            return false;
        }
        entry.nameComplete = true;
    } else if (!Seek(scan, nameLength, 'c')) {
        return false;
    }
    const uint16_t extraLength = Load16(header + local::ExtraLength);
    if (extraLength != 0 && !Seek(scan, extraLength, 'c')) {
        return false;
    }
    entry.dataOffset = scan.accessor->tell();

    // A local header that defers its sizes to a data descriptor gives no way to find the end
    // of deflated data; the central directory's record for this header has the sizes.
    const bool hasDescriptor = (flags & FlagDescriptor) != 0;
    if (hasDescriptor) {
        if (!central.isLoaded() && !central.load(scan)) {
            return false;
        }
        const ZipCentralDirectory::Record* record =
            central.findByLocalOffset(entry.headerOffset - SignatureSize);
        if (record == nullptr) {
            return false;
        }
        entry.checksum = record->checksum;
        entry.compressedSize = record->compressedSize;
        entry.uncompressedSize = record->uncompressedSize;
    }
    if (entry.dataOffset > total || entry.compressedSize > total - entry.dataOffset ||
        !Seek(scan, static_cast<int64_t>(entry.compressedSize), 'c')) {
        return false;
    }
    if (!hasDescriptor) {
        return true;
    }
    uint8_t descriptor[SignatureSize + DescriptorSize];
    if (PeekU32(scan, descriptor) != SignatureSize) {
        return false;
    }
    const bool signed_ = Load32(descriptor) == DescriptorSignature;
    return (!signed_ || Seek(scan, SignatureSize, 'c')) &&
           ReadExact(scan, descriptor, DescriptorSize);
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
