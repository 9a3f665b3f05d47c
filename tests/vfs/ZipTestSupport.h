// Reading whole entries and archives for the archive tests.
#pragma once

#include "vfs/Archive.h"

#include <string>

namespace quib::ziptest {

// Everything the stream's accessor delivers until it delivers nothing.
std::string ReadAll(Stream& stream);
// The content of the named entry through openEntry; empty when it cannot be opened.
std::string ReadEntry(Archive& archive, const char* name);
// Closes and deletes a stream returned by openEntry.
void Dispose(Stream* stream);

} // namespace quib::ziptest
