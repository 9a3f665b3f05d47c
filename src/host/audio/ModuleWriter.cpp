// Writes ProTracker modules (4, 6 or 8 channels) from samples, patterns and an order list.
#include "host/audio/ModuleWriter.h"

#include <algorithm>

namespace quib {

namespace {

constexpr uint16_t kPeriods[ModuleWriter::kNotes] = {
    856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453, // C-1 .. B-1
    428, 404, 381, 360, 339, 320, 302, 285, 269, 254, 240, 226, // C-2 .. B-2
    214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113, // C-3 .. B-3
};

constexpr size_t kMaxSampleBytes = 0xFFFF * 2;

void PutText(std::vector<uint8_t>& out, std::string_view text, size_t width) {
    for (size_t i = 0; i < width; ++i) {
        out.push_back(i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
    }
}

void PutWordBE(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

} // namespace

ModuleWriter::ModuleWriter(int channels)
    : channels_(channels == 6 || channels == 8 ? channels : 4) {}

int ModuleWriter::AddSample(ModuleSample sample) {
    if (static_cast<int>(samples_.size()) >= kMaxSamples) {
        return 0;
    }
    if (sample.data.size() % 2 != 0) {
        sample.data.push_back(0);
    }
    const bool loops = sample.loopLength > 2;
    if (sample.data.size() > kMaxSampleBytes || sample.finetune < -8 || sample.finetune > 7 ||
        sample.volume > 64 || sample.loopStart % 2 != 0 || sample.loopLength % 2 != 0 ||
        (loops && sample.loopStart + sample.loopLength > sample.data.size())) {
        return 0;
    }
    sample.name.resize(std::min<size_t>(sample.name.size(), 22));
    samples_.push_back(std::move(sample));
    return static_cast<int>(samples_.size());
}

int ModuleWriter::AddPattern() {
    if (static_cast<int>(patterns_.size()) >= kMaxPatterns) {
        return -1;
    }
    patterns_.emplace_back(static_cast<size_t>(kRows * channels_));
    return static_cast<int>(patterns_.size()) - 1;
}

bool ModuleWriter::SetCell(int pattern, int row, int channel, const ModuleCell& cell) {
    if (pattern < 0 || pattern >= static_cast<int>(patterns_.size()) || row < 0 || row >= kRows ||
        channel < 0 || channel >= channels_ || cell.period > 0xFFF || cell.sample > kMaxSamples ||
        cell.effect > 0xF) {
        return false;
    }
    patterns_[pattern][static_cast<size_t>(row * channels_ + channel)] = cell;
    return true;
}

bool ModuleWriter::SetNote(int pattern, int row, int channel, int note, uint8_t sample,
                           uint8_t effect, uint8_t param) {
    const uint16_t period = Period(note);
    return period != 0 && SetCell(pattern, row, channel, {period, sample, effect, param});
}

bool ModuleWriter::AppendOrder(int pattern) {
    if (static_cast<int>(orders_.size()) >= kMaxOrders || pattern < 0 ||
        pattern >= static_cast<int>(patterns_.size())) {
        return false;
    }
    orders_.push_back(static_cast<uint8_t>(pattern));
    return true;
}

std::vector<uint8_t> ModuleWriter::Bytes() const {
    if (orders_.empty() || patterns_.empty()) {
        return {};
    }
    std::vector<uint8_t> out;
    PutText(out, name_, 20);
    for (int i = 0; i < kMaxSamples; ++i) {
        if (i >= static_cast<int>(samples_.size())) {
            PutText(out, {}, 22);
            out.insert(out.end(), {0, 0, 0, 0, 0, 0, 0, 1}); // empty: no loop (length 1 word)
            continue;
        }
        const ModuleSample& s = samples_[i];
        const bool loops = s.loopLength > 2;
        PutText(out, s.name, 22);
        PutWordBE(out, static_cast<uint32_t>(s.data.size() / 2));
        out.push_back(static_cast<uint8_t>(s.finetune & 0x0F));
        out.push_back(s.volume);
        PutWordBE(out, loops ? s.loopStart / 2 : 0);
        PutWordBE(out, loops ? s.loopLength / 2 : 1);
    }
    out.push_back(static_cast<uint8_t>(orders_.size()));
    out.push_back(0x7F); // restart byte as ProTracker writes it
    for (int i = 0; i < kMaxOrders; ++i) {
        out.push_back(i < static_cast<int>(orders_.size()) ? orders_[i] : 0);
    }
    PutText(out, channels_ == 4 ? "M.K." : channels_ == 6 ? "6CHN" : "8CHN", 4);
    // The file holds every pattern up to the highest one the order list names.
    const int stored = *std::max_element(orders_.begin(), orders_.end()) + 1;
    for (int p = 0; p < stored; ++p) {
        for (const ModuleCell& c : patterns_[p]) {
            out.push_back(static_cast<uint8_t>((c.sample & 0xF0) | (c.period >> 8)));
            out.push_back(static_cast<uint8_t>(c.period));
            out.push_back(static_cast<uint8_t>(((c.sample & 0x0F) << 4) | c.effect));
            out.push_back(c.param);
        }
    }
    for (const ModuleSample& s : samples_) {
        for (int8_t v : s.data) {
            out.push_back(static_cast<uint8_t>(v));
        }
    }
    return out;
}

uint16_t ModuleWriter::Period(int note) {
    return note >= 0 && note < kNotes ? kPeriods[note] : 0;
}

int ModuleWriter::NoteIndex(std::string_view name) {
    static constexpr std::string_view kNames[12] = {"C-", "C#", "D-", "D#", "E-", "F-",
                                                    "F#", "G-", "G#", "A-", "A#", "B-"};
    if (name.size() != 3 || name[2] < '1' || name[2] > '3') {
        return -1;
    }
    for (int i = 0; i < 12; ++i) {
        if (name.substr(0, 2) == kNames[i]) {
            return (name[2] - '1') * 12 + i;
        }
    }
    return -1;
}

} // namespace quib
