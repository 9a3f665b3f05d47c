// A container of named entries read and written through a stream: the interface every archive
// format implements, entry lookup by name, and the default archive for plain locator names.
#pragma once

#include "platform/MemAllocator.h"
#include "platform/PtrArray.h"
#include "vfs/ArchiveEntry.h"
#include "vfs/FileStream.h"

#include <cstdint>

namespace quib {

class Stream;

// Closed after construction and after close(); open from a successful openStream (directly or
// through open, create or openMemory) until the next close(). Every open closes first. While
// open, entries mirrors the archive's directory, in the order of the archive file.
class Archive : public MemObject {
public:
    Archive();
    virtual ~Archive();
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    // Whether stream holds an archive of this format.
    virtual bool probe(Stream& stream) = 0;
    virtual bool probeMemory(const void* address, uint32_t size);
    virtual bool probeLocator(const char* locator);
    // An empty archive at locator (an existing file is emptied).
    virtual bool create(const char* locator);
    // Reads the directory of an archive held by stream, which the caller keeps open (and
    // owns) until the archive is closed.
    virtual bool openStream(Stream& stream);
    virtual bool openMemory(void* address, uint32_t size, char mode);
    // mode: 'r' read only, 'w' read and add entries, 'c' create.
    virtual bool open(const char* locator, char mode);
    virtual void close();
    // Adds a block of memory as an entry, through a "zqmem://" locator.
    virtual bool addMemory(const void* address, uint32_t size, const char* entryName,
                           int32_t method, const void* options);
    // Adds the data a locator names as an entry. entryName null: the locator's file name.
    // method -3 is the format's default. False, with the archive unchanged, on bad arguments,
    // an empty or present name, a locator that cannot be read, or a failed write.
    virtual bool addFile(const char* locator, const char* entryName, int32_t method,
                         const void* options) = 0;
    // A new stream over the entry's content, to be closed with CloseStream and deleted by the
    // caller; null for a null record or when the entry cannot be opened.
    virtual Stream* openEntry(const ArchiveEntry* entry) = 0;
    // The entry's content in a MemAllocate block of exactly its size; null for a null record or
    // when the format does not load entries whole.
    virtual void* loadEntry(const ArchiveEntry* entry) = 0;
    // Fills entries from source.
    virtual bool readDirectory() = 0;

    // The record at index, or null when index is outside the entries (FindEntry's -1
    // included), so that a lookup can be chained straight into openEntry.
    const ArchiveEntry* entryAt(int32_t index) const;

    Stream* source = nullptr; // none while closed; owned only when it is &ownStream
    PtrArray<ArchiveEntry> entries;
    FileStream ownStream; // what open and openMemory open
};

// Index of the first entry whose name equals name, with backslashes in name read as slashes
// and the letters A to Z compared without case; -1 when there is none.
int32_t FindEntry(const Archive& archive, const char* name);

} // namespace quib
