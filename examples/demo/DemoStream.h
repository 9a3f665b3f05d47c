// The demo disk's sampled stream, synthesised by a program and written as Ogg Vorbis.
#pragma once

#include <string>

namespace quib {

// Writes about 40 seconds of stereo music at 44100 Hz to `path` as Ogg Vorbis through
// libsndfile. False, with a message on stderr, when the file cannot be written.
bool WriteDemoStream(const std::string& path);

} // namespace quib
