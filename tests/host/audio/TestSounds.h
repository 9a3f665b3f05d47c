// Sounds the audio and application tests generate: tone files through libsndfile and small
// ProTracker tunes through ModuleWriter, and the folders they are written to.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quib::test {

// A fresh, empty directory for one test's files, named after the test; what an earlier run
// left there is removed.
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

// A tune of `rows` rows at speed 1 playing one square tone, so it lasts rows x 882 frames.
std::vector<uint8_t> TuneOfRows(int rows);
inline constexpr int32_t kFramesPerRow = 882;

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

} // namespace quib::test
