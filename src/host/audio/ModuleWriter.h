// Writes ProTracker modules (4, 6 or 8 channels) from samples, patterns and an order list.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quib {

// One instrument: 8-bit signed PCM, played at the note's period.
struct ModuleSample {
    std::string name;         // up to 22 bytes are kept
    std::vector<int8_t> data; // up to 131070 bytes; an odd length gets a zero byte appended
    int8_t finetune = 0;      // -8..7
    uint8_t volume = 64;      // 0..64
    uint32_t loopStart = 0;   // in bytes (even); loopLength 0 or 2 means no loop
    uint32_t loopLength = 0;
};

// One cell of a pattern. period 0 means no note, sample 0 keeps the channel's sample.
struct ModuleCell {
    uint16_t period = 0;
    uint8_t sample = 0; // 1..31
    uint8_t effect = 0; // 0x0..0xF
    uint8_t param = 0;
};

class ModuleWriter {
public:
    static constexpr int kRows = 64;
    static constexpr int kMaxSamples = 31;
    static constexpr int kMaxOrders = 128;
    static constexpr int kMaxPatterns = 64;
    // Notes C-1 .. B-3: the three octaves of the ProTracker period table.
    static constexpr int kNotes = 36;

    // 4 ("M.K."), 6 ("6CHN") or 8 ("8CHN") channels; any other count is taken as 4.
    explicit ModuleWriter(int channels = 4);

    void SetName(std::string_view name) { name_ = name.substr(0, 20); }
    // The new sample's number (1..31), or 0 when 31 exist or the sample is invalid.
    int AddSample(ModuleSample sample);
    // The new empty pattern's index, or -1 when kMaxPatterns exist.
    int AddPattern();
    // False (nothing changed) when an index is out of range or a field does not fit.
    bool SetCell(int pattern, int row, int channel, const ModuleCell& cell);
    // SetCell with the period of note `note` (0 = C-1 .. kNotes - 1 = B-3).
    bool SetNote(int pattern, int row, int channel, int note, uint8_t sample, uint8_t effect = 0,
                 uint8_t param = 0);
    // False when the list is full or the pattern does not exist.
    bool AppendOrder(int pattern);

    // The .mod file; empty while there is no order or no pattern.
    std::vector<uint8_t> Bytes() const;

    // Amiga period of a note (finetune 0), 0 outside 0..kNotes - 1.
    static uint16_t Period(int note);
    // "C-1", "C#2", "A-3" ... to a note index; -1 when the name is not a note of the table.
    static int NoteIndex(std::string_view name);

private:
    using Pattern = std::vector<ModuleCell>;

    int channels_;
    std::string name_;
    std::vector<ModuleSample> samples_;
    std::vector<Pattern> patterns_;
    std::vector<uint8_t> orders_;
};

} // namespace quib
