// The demo disk's tracker tune, composed by rules: synthesised instruments, a chord
// progression per section, bass, drums, arpeggios, pads and a lead melody drawn from the
// chords, arranged into nine patterns (about 70 seconds) of an 8-channel module.
#include "DemoTune.h"

#include "host/audio/ModuleWriter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

namespace quib {
namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
// A note C-2 plays a sample at about 8287 frames a second, C-3 at twice that.
constexpr double kRateC2 = 8287.0;
constexpr double kRateC3 = 16574.0;

// ---- Instruments -----------------------------------------------------------------------------

int8_t ToSample(double value) {
    return static_cast<int8_t>(std::lround(std::clamp(value, -1.0, 1.0) * 120.0));
}

// A band-limited sawtooth of `period` samples from its first harmonics.
double Saw(double phase, int harmonics) {
    double value = 0;
    for (int k = 1; k <= harmonics; ++k) {
        value += std::sin(kTwoPi * phase * k) / k;
    }
    return value * 0.55;
}

double Noise(uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return static_cast<double>(state >> 8) / 8388608.0 - 1.0;
}

ModuleSample Kick() {
    ModuleSample sample{"kick", {}, 0, 64};
    const int length = static_cast<int>(kRateC2 * 0.3);
    double phase = 0;
    for (int i = 0; i < length; ++i) {
        const double t = i / kRateC2;
        const double frequency = 45.0 + 110.0 * std::exp(-t * 30.0);
        phase += frequency / kRateC2;
        sample.data.push_back(ToSample(std::sin(kTwoPi * phase) * std::exp(-t * 9.0) * 1.1));
    }
    return sample;
}

ModuleSample Snare() {
    ModuleSample sample{"snare", {}, 0, 48};
    uint32_t state = 99;
    double low = 0;
    const int length = static_cast<int>(kRateC3 * 0.22);
    for (int i = 0; i < length; ++i) {
        const double t = i / kRateC3;
        const double noise = Noise(state);
        low += (noise - low) * 0.45;
        const double tone = std::sin(kTwoPi * 185.0 * t) * std::exp(-t * 30.0);
        sample.data.push_back(ToSample((low * 0.8 * std::exp(-t * 16.0) + tone * 0.6)));
    }
    return sample;
}

ModuleSample Hat() {
    ModuleSample sample{"hat", {}, 0, 32};
    uint32_t state = 7;
    double previous = 0;
    const int length = static_cast<int>(kRateC3 * 0.06);
    for (int i = 0; i < length; ++i) {
        const double noise = Noise(state);
        const double high = noise - previous; // a first difference keeps the hiss, drops the body
        previous = noise;
        sample.data.push_back(ToSample(high * 0.5 * std::exp(-i / kRateC3 * 60.0)));
    }
    return sample;
}

// Bass: a sawtooth whose brightness decays into a mellow sustained loop.
ModuleSample Bass() {
    ModuleSample sample{"bass", {}, 0, 56};
    constexpr int kPeriod = 64;
    constexpr int kCycles = 40;
    for (int i = 0; i < kPeriod * kCycles; ++i) {
        const double cycle = static_cast<double>(i) / kPeriod;
        const int harmonics = 2 + static_cast<int>(10 * std::exp(-cycle / 6.0));
        const double level = 0.6 + 0.4 * std::exp(-cycle / 5.0);
        sample.data.push_back(ToSample(Saw(cycle, harmonics) * level));
    }
    sample.loopStart = kPeriod * (kCycles - 4);
    sample.loopLength = kPeriod * 4;
    return sample;
}

// Lead: a soft square (odd harmonics), one octave above the bass's tuning, looped.
ModuleSample Lead() {
    ModuleSample sample{"lead", {}, 0, 44};
    constexpr int kPeriod = 32;
    for (int i = 0; i < kPeriod * 8; ++i) {
        const double phase = static_cast<double>(i) / kPeriod;
        double value = 0;
        for (int k = 1; k <= 9; k += 2) {
            value += std::sin(kTwoPi * phase * k) / (k * k * 0.6 + 0.4 * k);
        }
        sample.data.push_back(ToSample(value * 0.75));
    }
    sample.loopStart = 0;
    sample.loopLength = static_cast<uint32_t>(sample.data.size());
    return sample;
}

// Bell: a decaying pluck of a sine and its bright partials, for the arpeggios.
ModuleSample Bell() {
    ModuleSample sample{"bell", {}, 0, 40};
    constexpr int kPeriod = 32;
    const int length = kPeriod * 180;
    for (int i = 0; i < length; ++i) {
        const double phase = static_cast<double>(i) / kPeriod;
        const double t = static_cast<double>(i) / length;
        const double value = std::sin(kTwoPi * phase) * std::exp(-t * 4.0) +
                             0.35 * std::sin(kTwoPi * phase * 2) * std::exp(-t * 9.0) +
                             0.2 * std::sin(kTwoPi * phase * 3.01) * std::exp(-t * 14.0);
        sample.data.push_back(ToSample(value * 0.7));
    }
    return sample;
}

// Pad: two sawtooths 1% apart that both fit the loop a whole number of times, so the loop
// is seamless and the slow beating between them gives the chorus.
ModuleSample Pad() {
    ModuleSample sample{"pad", {}, 0, 36};
    constexpr int kCycles = 100;
    constexpr int kLength = 64 * kCycles;
    for (int i = 0; i < kLength; ++i) {
        const double position = static_cast<double>(i) / kLength;
        const double value = Saw(position * kCycles, 6) + Saw(position * (kCycles + 1), 6);
        sample.data.push_back(ToSample(value * 0.45));
    }
    sample.loopStart = 0;
    sample.loopLength = kLength;
    return sample;
}

// ---- Harmony -------------------------------------------------------------------------------

// A chord as semitones above C; the first is the root.
struct Chord {
    std::array<int, 3> tones;
};

constexpr Chord kAm{{9, 12, 16}};
constexpr Chord kF{{5, 9, 12}};
constexpr Chord kC{{0, 4, 7}};
constexpr Chord kG{{7, 11, 14}};
constexpr Chord kEm{{4, 7, 11}};
constexpr Chord kDm{{2, 5, 9}};
constexpr Chord kE{{4, 8, 11}};

using Progression = std::array<Chord, 4>;
constexpr Progression kVerse{kAm, kF, kC, kG};
constexpr Progression kChorus{kF, kG, kEm, kAm};
constexpr Progression kBridge{kDm, kAm, kF, kE};

constexpr std::array<int, 7> kScale{0, 2, 4, 5, 7, 9, 11}; // A minor's notes from C

enum Channel { kDrums, kHats, kBass, kLead, kArp, kPad0 };
enum Instrument : uint8_t {
    kKickSample = 1,
    kSnareSample,
    kHatSample,
    kBassSample,
    kLeadSample,
    kBellSample,
    kPadSample
};

constexpr uint8_t kSetVolume = 0xC;
constexpr uint8_t kVibrato = 0x4;
constexpr uint8_t kVolumeSlide = 0xA;

struct Section {
    Progression chords;
    bool drums;
    bool busyHats;
    bool bass;
    bool lead;
    int melodySeed;
    bool fadeOut;
};

class Composer {
public:
    explicit Composer(ModuleWriter& module) : module_(module) {}

    void Write(const Section& section) {
        // Speed 6 and tempo 125, the format's defaults: 7.68 seconds a pattern.
        const int pattern = module_.AddPattern();
        for (int bar = 0; bar < 4; ++bar) {
            const Chord& chord = section.chords[bar];
            const int row = bar * 16;
            Pads(pattern, row, chord, section.fadeOut ? 24 - bar * 6 : 26);
            Arpeggio(pattern, row, chord, section.fadeOut ? 30 - bar * 7 : 34);
            if (section.bass) {
                Bassline(pattern, row, chord);
            }
            if (section.drums) {
                Drums(pattern, row, section.busyHats, bar == 3);
            } else if (section.busyHats) {
                Hats(pattern, row, true, 10 + bar * 5);
            }
        }
        if (section.lead) {
            Melody(pattern, section.chords, section.melodySeed);
        }
        module_.AppendOrder(pattern);
    }

private:
    void Pads(int pattern, int row, const Chord& chord, int volume) {
        for (int voice = 0; voice < 3; ++voice) {
            // The chord's tones from octave 2 of the table up.
            const int note = 12 + chord.tones[static_cast<size_t>(voice)];
            module_.SetNote(pattern, row, kPad0 + voice, note, kPadSample, kSetVolume,
                            static_cast<uint8_t>(std::max(volume, 0)));
        }
    }

    void Arpeggio(int pattern, int row, const Chord& chord, int volume) {
        static constexpr int kOrder[8] = {0, 1, 2, 3, 2, 1, 0, 1};
        for (int step = 0; step < 8; ++step) {
            const int index = kOrder[step];
            const int tone =
                index == 3 ? chord.tones[0] + 12 : chord.tones[static_cast<size_t>(index)];
            // The bell sounds an octave above its note; octave 1 of the table keeps it mid-range.
            const int note = std::min(tone, 35);
            module_.SetNote(pattern, row + step * 2, kArp, note, kBellSample, kSetVolume,
                            static_cast<uint8_t>(std::max(volume - (step % 2) * 8, 0)));
        }
    }

    void Bassline(int pattern, int row, const Chord& chord) {
        const int root = chord.tones[0] % 12;
        const int fifth = (chord.tones[2] % 12);
        static constexpr int kRows[] = {0, 3, 6, 8, 10, 12, 14};
        for (size_t i = 0; i < std::size(kRows); ++i) {
            const int note = i == 2 ? fifth : (i == 4 ? root + 12 : root);
            module_.SetNote(pattern, row + kRows[i], kBass, note, kBassSample, kSetVolume,
                            i == 0 ? 48 : 36);
        }
    }

    void Hats(int pattern, int row, bool busy, int volume) {
        for (int step = 0; step < 16; step += busy ? 1 : 2) {
            const int accent = step % 4 == 2 ? 8 : (step % 2 == 1 ? -10 : 0);
            module_.SetNote(pattern, row + step, kHats, 24, kHatSample, kSetVolume,
                            static_cast<uint8_t>(std::clamp(volume + accent, 0, 64)));
        }
    }

    void Drums(int pattern, int row, bool busyHats, bool fill) {
        Hats(pattern, row, busyHats, 30);
        module_.SetNote(pattern, row, kDrums, 12, kKickSample);
        module_.SetNote(pattern, row + 4, kDrums, 24, kSnareSample);
        module_.SetNote(pattern, row + 8, kDrums, 12, kKickSample);
        module_.SetNote(pattern, row + 10, kDrums, 12, kKickSample, kSetVolume, 40);
        module_.SetNote(pattern, row + 12, kDrums, 24, kSnareSample);
        if (fill) {
            module_.SetNote(pattern, row + 14, kDrums, 24, kSnareSample, kSetVolume, 28);
            module_.SetNote(pattern, row + 15, kDrums, 24, kSnareSample, kSetVolume, 40);
        }
    }

    // A melody over the four chords: strong rows land on chord tones, the rows between walk
    // the scale by a step or two; bar 2 answers bar 1 with the same rhythm, and the last note
    // resolves to the last chord's root.
    void Melody(int pattern, const Progression& chords, int seed) {
        static constexpr std::array<std::array<int, 6>, 3> kRhythms{{
            {0, 3, 6, 8, 12, -1},
            {0, 2, 4, 8, 11, 14},
            {0, 6, 8, 10, 12, -1},
        }};
        uint32_t state = static_cast<uint32_t>(seed) * 2654435761u + 1;
        auto roll = [&](int range) {
            state = state * 1664525u + 1013904223u;
            return static_cast<int>((state >> 16) % static_cast<uint32_t>(range));
        };
        int degree = 5; // scale degree index into kScale, counted across octaves
        int octave = 1;
        for (int bar = 0; bar < 4; ++bar) {
            const auto& rhythm = kRhythms[static_cast<size_t>((bar == 1 ? 0 : bar) % 3)];
            const Chord& chord = chords[static_cast<size_t>(bar)];
            for (size_t i = 0; i < rhythm.size() && rhythm[i] >= 0; ++i) {
                const int row = bar * 16 + rhythm[i];
                const bool strong = rhythm[i] % 8 == 0;
                const bool last = bar == 3 && (i + 1 == rhythm.size() || rhythm[i + 1] < 0);
                int pitch = 0;
                if (strong || last) {
                    const int tone =
                        last ? chord.tones[0] : chord.tones[static_cast<size_t>(roll(3))];
                    pitch = Nearest(tone % 12, Pitch(degree, octave));
                    SetDegree(pitch, degree, octave);
                } else {
                    degree += roll(2) == 0 ? (roll(2) == 0 ? 1 : -1) : (roll(2) == 0 ? 2 : -2);
                    pitch = Pitch(degree, octave);
                    SetDegree(pitch, degree, octave);
                }
                const int note = std::clamp(pitch, 7, 28);
                module_.SetNote(pattern, row, kLead, note, kLeadSample, kSetVolume, 40);
                const int next = i + 1 < rhythm.size() && rhythm[i + 1] >= 0 ? rhythm[i + 1] : 16;
                for (int r = rhythm[i] + 2; r < next; ++r) {
                    module_.SetCell(pattern, bar * 16 + r, kLead, {0, 0, kVibrato, 0x33});
                }
                if (next - rhythm[i] > 3) {
                    module_.SetCell(pattern, bar * 16 + next - 1, kLead,
                                    {0, 0, kVolumeSlide, 0x04});
                }
            }
        }
    }

    // Pitch (a note of the table) of a scale degree counted from A in the given octave.
    static int Pitch(int degree, int octave) {
        const int steps = degree + 5; // degree 0 is A, the sixth note counted from C
        const int wrapped = ((steps % 7) + 7) % 7;
        const int octaves = (steps - wrapped) / 7;
        return kScale[static_cast<size_t>(wrapped)] + 12 * (octave + octaves - 1);
    }

    static void SetDegree(int pitch, int& degree, int& octave) {
        for (int d = -14; d <= 21; ++d) {
            if (Pitch(d, 1) == pitch) {
                degree = d;
                octave = 1;
                return;
            }
        }
        octave = 1;
    }

    // The pitch of pitch class `tone` nearest to `around`, kept within the lead's range.
    static int Nearest(int tone, int around) {
        int best = tone;
        for (int candidate = tone; candidate <= 35; candidate += 12) {
            if (std::abs(candidate - around) < std::abs(best - around)) {
                best = candidate;
            }
        }
        return std::clamp(best, 7, 28);
    }

    ModuleWriter& module_;
};

} // namespace

std::vector<uint8_t> ComposeDemoTune() {
    ModuleWriter module(8);
    module.SetName("Lantern Lights");
    for (ModuleSample sample : {Kick(), Snare(), Hat(), Bass(), Lead(), Bell(), Pad()}) {
        module.AddSample(std::move(sample));
    }
    Composer composer(module);
    const Section sections[] = {
        {kVerse, false, true, false, false, 0, false}, // intro: pads, bells, hats
        {kVerse, true, false, true, false, 0, false},  // verse
        {kVerse, true, true, true, true, 3, false},    // verse with the melody
        {kChorus, true, true, true, true, 11, false},  // chorus
        {kChorus, true, true, true, true, 12, false},  // chorus, answered
        {kBridge, false, true, true, true, 5, false},  // bridge without the kick
        {kVerse, true, true, true, true, 3, false},    // the verse melody again
        {kChorus, true, true, true, true, 11, false},  // last chorus
        {kVerse, false, false, false, false, 0, true}, // pads and bells fade out
    };
    for (const Section& section : sections) {
        composer.Write(section);
    }
    return module.Bytes();
}

} // namespace quib
