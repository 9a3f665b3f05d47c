// Which kind of stream a locator names, from its prefix.
#include "vfs/LocatorScheme.h"

#include <cstring>

namespace quib {

namespace {

struct SchemePrefix {
    const char* prefix;
    LocatorScheme scheme;
};

// Tried in this order; the first prefix that matches wins.
constexpr SchemePrefix kPrefixes[] = {
    {"http://", LocatorScheme::Remote},     {"ftp://", LocatorScheme::Remote},
    {"file://", LocatorScheme::NativeFile}, {"zqmem://", LocatorScheme::Memory},
    {"zqarc://", LocatorScheme::Archive},
};

bool HasPrefix(const char* text, const char* prefix) {
    for (; *prefix != 0; ++text, ++prefix) {
        char c = *text;
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != *prefix) {
            return false;
        }
    }
    return true;
}

const SchemePrefix* FindPrefix(const char* locator) {
    for (const SchemePrefix& entry : kPrefixes) {
        if (HasPrefix(locator, entry.prefix)) {
            return &entry;
        }
    }
    return nullptr;
}

} // namespace

LocatorScheme FindLocatorScheme(const char* locator) {
    const SchemePrefix* entry = FindPrefix(locator);
    return entry != nullptr ? entry->scheme : LocatorScheme::Plain;
}

size_t LocatorPrefixLength(const char* locator) {
    const SchemePrefix* entry = FindPrefix(locator);
    return entry != nullptr ? std::strlen(entry->prefix) : 0;
}

} // namespace quib
