// Entry-name matching, path pieces, archive extensions and locator schemes.
#include "vfs/ArchiveNames.h"

#include "vfs/LocatorScheme.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace quib {
namespace {

std::string Slashed(std::string name) {
    SlashEntryName(name.data());
    return name;
}

TEST(ArchiveNames, SlashEntryNameWalksUtf8) {
    struct Case {
        const char* in;
        const char* out;
    } cases[] = {
        {"Textures\\Logo.PNG", "Textures/Logo.PNG"},
        {"a\\b\\c", "a/b/c"},
        {"no separators", "no separators"},
        {"\xC3\xA9\\x", "\xC3\xA9/x"},                 // two-byte character, then a backslash
        {"\xE2\x82\xAC\\x", "\xE2\x82\xAC/x"},         // three bytes
        {"\xF0\x9F\x8E\xB5\\x", "\xF0\x9F\x8E\xB5/x"}, // four bytes
        {"\xC3\\x\\", "\xC3\\x/"},                     // the backslash is taken as a trail byte
        {"a\\\x80\\b", "a/\x80\\b"},                   // a stray trail byte ends the walk
        {"a\\\xC0\\b", "a/\xC0\\b"},                   // so does an overlong lead byte
        {"a\\\xF5\\b", "a/\xF5\\b"},
        {"\xE2\x82", "\xE2\x82"}, // a character cut by the terminator
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Slashed(c.in), c.out) << c.in;
    }
}

TEST(ArchiveNames, EntryNameMatchesFoldsAsciiOnlyAndNeedsExactLength) {
    struct Case {
        const char* stored;
        const char* wanted;
        bool match;
    } cases[] = {
        {"textures/logo.png", "Textures/Logo.PNG", true},
        {"textures/logo.png", "textures/logo.png ", false},
        {"textures/logo.png", "textures/logo.pn", false},
        {"./musicdisk.cfg", "musicdisk.cfg", false},
        {"./musicdisk.cfg", "./MusicDisk.cfg", true},
        {"/musicdisk.cfg", "musicdisk.cfg", false},
        {"\xC3\xA9.png", "\xC3\x89.png", false}, // no folding outside A to Z
        {"[x]", "{x}", false},                   // punctuation next to the letters is not folded
        {"", "", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EntryNameMatches(c.stored, c.wanted, std::strlen(c.wanted)), c.match)
            << c.stored << " vs " << c.wanted;
    }
    EXPECT_FALSE(EntryNameMatches(nullptr, "", 0));
}

TEST(ArchiveNames, FileBaseName) {
    struct Case {
        const char* path;
        size_t capacity;
        bool ok;
        const char* out;
    } cases[] = {
        {"C:\\player\\disk.exe", 64, true, "disk"},
        {"/usr/games/quib.bin", 64, true, "quib"},
        {"dir/archive.tar.gz", 64, true, "archive.tar"},
        {"dir.d/disk", 64, false, ""},  // the dot is not in the last component
        {"dir/.hidden", 64, false, ""}, // a leading dot is not an extension
        {"disk.exe", 64, false, ""},    // no separator
        {"C:\\player\\disk.exe", 3, true, "di"},
    };
    for (const Case& c : cases) {
        char out[64] = "untouched";
        EXPECT_EQ(FileBaseName(c.path, out, c.capacity), c.ok) << c.path;
        EXPECT_STREQ(out, c.out) << c.path;
    }
    char out[4] = "abc";
    EXPECT_FALSE(FileBaseName("a/b.c", out, 0));
    EXPECT_STREQ(out, "abc");
}

TEST(ArchiveNames, FileName) {
    struct Case {
        const char* path;
        size_t capacity;
        const char* out;
    } cases[] = {
        {"C:\\player\\disk.exe", 64, "disk.exe"},
        {"a/b\\c/d.txt", 64, "d.txt"},
        {"plain.bin", 64, "plain.bin"},
        {"dir/", 64, ""},
        {"dir/longname", 5, "long"},
    };
    for (const Case& c : cases) {
        char out[64] = "untouched";
        EXPECT_TRUE(FileName(c.path, out, c.capacity)) << c.path;
        EXPECT_STREQ(out, c.out) << c.path;
    }
}

TEST(ArchiveNames, SetArchiveExtension) {
    struct Case {
        const char* in;
        size_t capacity;
        bool ok;
        const char* out;
    } cases[] = {
        {"disk", 64, true, "disk.qdp"},
        {"disk.", 64, true, "disk.qdp"},
        {"disk.exe", 64, true, "disk.qdp"},
        {"disk.", 9, true, "disk.qdp"},
        {"disk.exe", 9, true, "disk.qdp"},
        {"disk", 9, false, "disk"},
        {"disk", 10, true, "disk.qdp"},
        {"disk.", 8, false, "disk."},
        {"disk.exe", 8, false, "disk.exe"},
        {"disk", 8, false, "disk"},
        {"", 64, true, ".qdp"},
        {"a.b/disk", 64, true, "a.b/disk.qdp"},
    };
    for (const Case& c : cases) {
        char name[64];
        std::strcpy(name, c.in);
        EXPECT_EQ(SetArchiveExtension(name, c.capacity), c.ok) << c.in << " in " << c.capacity;
        EXPECT_STREQ(name, c.out) << c.in << " in " << c.capacity;
    }
}

TEST(LocatorScheme, PrefixesInOrderIgnoringCase) {
    struct Case {
        const char* locator;
        LocatorScheme scheme;
        size_t prefix;
    } cases[] = {
        {"file://C:/x.bin", LocatorScheme::NativeFile, 7},
        {"FILE://C:/x.bin", LocatorScheme::NativeFile, 7},
        {"file:///C:/x.bin", LocatorScheme::NativeFile, 7},
        {"filesystem.dat", LocatorScheme::Plain, 0},
        {"zqmem://0x00001000:256", LocatorScheme::Memory, 8},
        {"ZQMem://0x1:1", LocatorScheme::Memory, 8},
        {"zqarc://disk/entry", LocatorScheme::Archive, 8},
        {"http://host/x", LocatorScheme::Remote, 7},
        {"HTTP://host/x", LocatorScheme::Remote, 7},
        {"ftp://host/x", LocatorScheme::Remote, 6},
        {"https://host/x", LocatorScheme::Plain, 0},
        {"file:/x", LocatorScheme::Plain, 0},
        {"", LocatorScheme::Plain, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindLocatorScheme(c.locator), c.scheme) << c.locator;
        EXPECT_EQ(LocatorPrefixLength(c.locator), c.prefix) << c.locator;
    }
}

} // namespace
} // namespace quib
