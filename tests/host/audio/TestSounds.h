// Sounds the audio tests and benchmark generate: tone files through libsndfile and a small
// ProTracker tune through ModuleWriter.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quib::test {

// A fresh, empty directory for one test's files; the test removes it when done.
std::string ScratchDirectory(const std::string& name);

// Frequency of the centre of FFT bin `bin` (512 points at 44100 Hz).
double BinFrequency(int bin);

// A sine tone of `amplitude` (0 writes silence) written through libsndfile in `format`
// (SF_FORMAT_* major | subtype), mono or stereo. False when libsndfile refuses it.
bool WriteTone(const std::string& path, int format, int rate, int channels, double seconds,
               double frequency, double amplitude);

// The test tune: one looped square-wave sample, four notes on the first channels, speed 3,
// and a pattern break after row 15, so it lasts exactly 16 rows x 3 ticks x 882 frames.
inline constexpr uint64_t kTuneFrames = 16 * 3 * 882;
std::vector<uint8_t> TuneBytes(int channels = 4);
bool WriteTune(const std::string& path, int channels = 4);

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

} // namespace quib::test
