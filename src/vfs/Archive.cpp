// A container of named entries read and written through a stream: the interface every archive
// format implements, entry lookup by name, and the default archive for plain locator names.
#include "vfs/Archive.h"

#include "platform/StringPrimitives.h"
#include "vfs/ArchiveNames.h"
#include "vfs/MemoryStream.h"

namespace quib {

Archive::Archive() = default;

Archive::~Archive() {
    Archive::close();
}

bool Archive::probeMemory(const void* address, uint32_t size) {
    MemoryStream stream;
    return OpenMemoryReadOnly(stream, address, size) && probe(stream);
}

bool Archive::probeLocator(const char* locator) {
    FileStream stream;
    return stream.open(locator, 'r') && probe(stream);
}

bool Archive::create(const char* locator) {
    return open(locator, 'c');
}

bool Archive::openStream(Stream& stream) {
    close();
    if (!probe(stream)) {
        return false;
    }
    source = &stream;
    if (!readDirectory()) {
        close();
        return false;
    }
    return true;
}

// Closing before ownStream is reopened keeps the old data from being read with the new
// directory (and the new stream from being closed by openStream's own close()).
bool Archive::openMemory(void* address, uint32_t size, char mode) {
    close();
    if (ownStream.openMemory(address, size, mode) && openStream(ownStream)) {
        return true;
    }
    CloseStream(ownStream);
    return false;
}

bool Archive::open(const char* locator, char mode) {
    close();
    if (ownStream.open(locator, mode) && openStream(ownStream)) {
        return true;
    }
    CloseStream(ownStream);
    return false;
}

void Archive::close() {
    if (source == &ownStream) {
        CloseStream(ownStream);
    }
    source = nullptr;
    entries.Clear();
}

bool Archive::addMemory(const void* address, uint32_t size, const char* entryName, int32_t method,
                        const void* options) {
    char locator[64];
    FormatMemoryLocator(locator, sizeof locator, address, size);
    return addFile(locator, entryName, method, options);
}

const ArchiveEntry* Archive::entryAt(int32_t index) const {
    return index >= 0 && index < entries.Count() ? &entries.Item(index) : nullptr;
}

int32_t FindEntry(const Archive& archive, const char* name) {
    if (name == nullptr) {
        return -1;
    }
    char* slashed = nullptr;
    for (const char* p = name; *p != 0; ++p) {
        if (*p == '\\') {
            slashed = StrDuplicate(name);
            if (slashed == nullptr) {
                return -1;
            }
            SlashEntryName(slashed);
            name = slashed;
            break;
        }
    }
    const uint32_t length = StrLength(name);
    int32_t found = -1;
    for (int32_t i = 0; i < archive.entries.Count() && found < 0; ++i) {
        if (EntryNameMatches(archive.entries.Item(i).name, name, length)) {
            found = i;
        }
    }
    MemFree(slashed);
    return found;
}

} // namespace quib
