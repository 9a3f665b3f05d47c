// Names inside archives and the path pieces the archive's own file name is built from.
#pragma once

#include <cstddef>

namespace quib {

// Walks a name as UTF-8 and turns every one-byte backslash into a slash, in place. The walk
// stops at the terminator or at a byte that cannot start a character; what follows such a byte
// is left as it is.
void SlashEntryName(char* name);

// True when the stored entry name has exactly wantedLength bytes and equals wanted with the
// letters A to Z folded to lower case (no other folding, no path normalisation).
bool EntryNameMatches(const char* stored, const char* wanted, size_t wantedLength);

// The file name of a path without its extension: "C:\player\disk.exe" gives "disk". False, with
// dst empty, when the path has no separator or its last part has no extension (a leading dot is
// not an extension), or when capacity is 0. The copy is cut to capacity - 1 characters.
bool FileBaseName(const char* path, char* dst, size_t capacity);

// Everything after the last slash or backslash (the whole path when there is none), cut to
// capacity - 1 characters and terminated. False only when capacity is 0.
bool FileName(const char* path, char* dst, size_t capacity);

// Gives name the extension "qdp": "disk", "disk." and "disk.exe" all become "disk.qdp". Only
// dots in the last path component count. Adding a missing dot asks for one spare byte beyond
// the result and its terminator. False, with name unchanged, when the result does not fit.
bool SetArchiveExtension(char* name, size_t capacity);

} // namespace quib
