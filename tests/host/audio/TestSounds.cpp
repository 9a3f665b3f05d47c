// Sounds the audio tests and benchmark generate: tone files through libsndfile and a small
// ProTracker tune through ModuleWriter.
#include "host/audio/TestSounds.h"

#include "host/audio/ModuleWriter.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sndfile.h>
#include <unistd.h>

namespace quib::test {

std::string ScratchDirectory(const std::string& name) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("quib-test-" + std::to_string(getpid())) / name;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

double BinFrequency(int bin) {
    return bin * 44100.0 / 512.0;
}

bool WriteTone(const std::string& path, int format, int rate, int channels, double seconds,
               double frequency, double amplitude) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        return false;
    }
    const auto frames = static_cast<size_t>(std::lround(seconds * rate));
    std::vector<float> samples(frames * static_cast<size_t>(channels));
    for (size_t i = 0; i < frames; ++i) {
        const double v = amplitude * std::sin(2.0 * std::numbers::pi * frequency * i / rate);
        for (int c = 0; c < channels; ++c) {
            samples[i * static_cast<size_t>(channels) + static_cast<size_t>(c)] =
                static_cast<float>(v);
        }
    }
    const sf_count_t written =
        sf_writef_float(file, samples.data(), static_cast<sf_count_t>(frames));
    return sf_close(file) == 0 && written == static_cast<sf_count_t>(frames);
}

std::vector<uint8_t> TuneBytes(int channels) {
    ModuleWriter writer(channels);
    writer.SetName("quib test tune");
    ModuleSample square;
    square.name = "square";
    for (int i = 0; i < 32; ++i) {
        square.data.push_back(static_cast<int8_t>(i < 16 ? 96 : -96));
    }
    square.loopStart = 0;
    square.loopLength = 32;
    const int sample = writer.AddSample(square);
    const int pattern = writer.AddPattern();
    writer.SetCell(pattern, 0, 1, {0, 0, 0xF, 3}); // speed 3
    const char* notes[] = {"C-2", "E-2", "G-2", "C-3"};
    for (int i = 0; i < 4; ++i) {
        writer.SetNote(pattern, 4 * i, i % channels, ModuleWriter::NoteIndex(notes[i]),
                       static_cast<uint8_t>(sample));
    }
    writer.SetCell(pattern, 15, channels - 1, {0, 0, 0xD, 0}); // break to the next order
    writer.AppendOrder(pattern);
    return writer.Bytes();
}

bool WriteTune(const std::string& path, int channels) {
    return WriteBytes(path, TuneBytes(channels));
}

std::vector<uint8_t> TuneOfRows(int rows) {
    ModuleWriter writer(4);
    ModuleSample square;
    square.name = "square";
    for (int i = 0; i < 32; ++i) {
        square.data.push_back(static_cast<int8_t>(i < 16 ? 96 : -96));
    }
    square.loopLength = 32;
    const int sample = writer.AddSample(square);
    const int pattern = writer.AddPattern();
    writer.SetCell(pattern, 0, 1, {0, 0, 0xF, 1}); // speed 1: one tick (882 frames) a row
    writer.SetNote(pattern, 0, 0, ModuleWriter::NoteIndex("C-2"), static_cast<uint8_t>(sample));
    writer.SetCell(pattern, rows - 1, 3, {0, 0, 0xD, 0}); // break: the song ends here
    writer.AppendOrder(pattern);
    return writer.Bytes();
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

} // namespace quib::test
