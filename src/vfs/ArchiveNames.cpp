// Names inside archives and the path pieces the archive's own file name is built from.
#include "vfs/ArchiveNames.h"

#include "platform/StringPrimitives.h"

#include <cstring>

namespace quib {

namespace {

// Bytes taken by the UTF-8 character that starts with lead, or 0 when lead cannot start one.
size_t Utf8Length(unsigned char lead) {
    if (lead >= 0x01 && lead <= 0x7F) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    return 0;
}

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

// Start of the last path component (just after the last separator), and whether there was one.
const char* LastComponent(const char* path, bool* hadSeparator) {
    const char* start = path;
    for (const char* p = path; *p != 0; ++p) {
        if (IsSeparator(*p)) {
            start = p + 1;
        }
    }
    if (hadSeparator != nullptr) {
        *hadSeparator = start != path;
    }
    return start;
}

void CopyCut(char* dst, size_t capacity, const char* src, size_t length) {
    if (length > capacity - 1) {
        length = capacity - 1;
    }
    std::memmove(dst, src, length);
    dst[length] = 0;
}

} // namespace

void SlashEntryName(char* name) {
    char* p = name;
    for (;;) {
        const size_t length = Utf8Length(static_cast<unsigned char>(*p));
        if (length == 0) {
            return;
        }
        if (length == 1 && *p == '\\') {
            *p = '/';
        }
        for (size_t i = 0; i < length; ++i) {
            if (*p == 0) {
                return;
            }
            ++p;
        }
    }
}

bool EntryNameMatches(const char* stored, const char* wanted, size_t wantedLength) {
    return stored != nullptr && StrLength(stored) == wantedLength &&
           StrCompareNoCase(static_cast<uint32_t>(wantedLength), stored, wanted) == 0;
}

bool FileBaseName(const char* path, char* dst, size_t capacity) {
    if (capacity == 0) {
        return false;
    }
    bool hadSeparator = false;
    const char* name = LastComponent(path, &hadSeparator);
    const char* dot = std::strrchr(name, '.');
    if (!hadSeparator || dot == nullptr || dot == name) {
        dst[0] = 0;
        return false;
    }
    CopyCut(dst, capacity, name, static_cast<size_t>(dot - name));
    return true;
}

bool FileName(const char* path, char* dst, size_t capacity) {
    if (capacity == 0) {
        return false;
    }
    const char* name = LastComponent(path, nullptr);
    CopyCut(dst, capacity, name, std::strlen(name));
    return true;
}

bool SetArchiveExtension(char* name, size_t capacity) {
    static const char kExtension[] = "qdp";
    const size_t extensionLength = sizeof(kExtension) - 1;
    const size_t length = std::strlen(name);
    const char* dot = std::strrchr(LastComponent(name, nullptr), '.');
    if (dot != nullptr) {
        const size_t stem = static_cast<size_t>(dot - name) + 1;
        if (stem + extensionLength + 1 > capacity) {
            return false;
        }
        std::memcpy(name + stem, kExtension, extensionLength + 1);
        return true;
    }
    if (length + extensionLength + 2 >= capacity) {
        return false;
    }
    name[length] = '.';
    std::memcpy(name + length + 1, kExtension, extensionLength + 1);
    return true;
}

} // namespace quib
