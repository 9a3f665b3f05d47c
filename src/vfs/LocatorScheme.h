// Which kind of stream a locator names, from its prefix.
#pragma once

#include <cstddef>

namespace quib {

// The values are the scheme kinds that locators have always had.
enum class LocatorScheme {
    NativeFile = 0, // "file://": a native path follows
    Plain = 1,      // no known prefix: the default archive first, then a native file
    Memory = 2,     // "zqmem://": a block of memory
    Archive = 3,    // "zqarc://": refused
    Remote = 4,     // "http://" and "ftp://": refused
};

// The scheme of a locator; prefixes are compared without regard to ASCII letter case.
LocatorScheme FindLocatorScheme(const char* locator);

// Length of the prefix of a locator with a prefixed scheme, 0 for plain names.
size_t LocatorPrefixLength(const char* locator);

} // namespace quib
