// ProTracker module writer: file layout, limits and the note table.
#include "host/audio/ModuleWriter.h"

#include <gtest/gtest.h>

namespace quib {
namespace {

ModuleSample Square(size_t length) {
    ModuleSample s;
    s.name = "square";
    for (size_t i = 0; i < length; ++i) {
        s.data.push_back(static_cast<int8_t>(i % 32 < 16 ? 100 : -100));
    }
    return s;
}

TEST(ModuleWriter, LaysOutHeaderPatternsAndSamples) {
    for (int channels : {4, 6, 8}) {
        ModuleWriter writer(channels);
        writer.SetName("a very long song name beyond twenty");
        ModuleSample looped = Square(64);
        looped.loopStart = 32;
        looped.loopLength = 32;
        looped.finetune = -1;
        ASSERT_EQ(writer.AddSample(looped), 1);
        ASSERT_EQ(writer.AddSample(Square(7)), 2); // odd length is padded
        ASSERT_EQ(writer.AddPattern(), 0);
        ASSERT_EQ(writer.AddPattern(), 1);
        ASSERT_TRUE(
            writer.SetNote(1, 63, channels - 1, ModuleWriter::NoteIndex("A-2"), 18, 0xC, 0x40));
        ASSERT_TRUE(writer.AppendOrder(1));
        ASSERT_TRUE(writer.AppendOrder(1));

        const std::vector<uint8_t> bytes = writer.Bytes();
        const size_t patternBytes = 64u * channels * 4;
        ASSERT_EQ(bytes.size(), 1084 + 2 * patternBytes + 64 + 8);
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 20), "a very long song nam");
        // Sample 1: length 32 words, finetune -1 as a nibble, volume 64, loop 16 + 16 words.
        const uint8_t* h1 = &bytes[20];
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(h1), 6), "square");
        EXPECT_EQ(h1[22] * 256 + h1[23], 32);
        EXPECT_EQ(h1[24], 0x0F);
        EXPECT_EQ(h1[25], 64);
        EXPECT_EQ(h1[26] * 256 + h1[27], 16);
        EXPECT_EQ(h1[28] * 256 + h1[29], 16);
        // Sample 2: 4 words, no loop (length 1 word); unused slots have no length.
        EXPECT_EQ(bytes[20 + 30 + 23], 4);
        EXPECT_EQ(bytes[20 + 30 + 29], 1);
        EXPECT_EQ(bytes[20 + 2 * 30 + 23], 0);
        EXPECT_EQ(bytes[950], 2);
        EXPECT_EQ(bytes[952], 1);
        EXPECT_EQ(bytes[953], 1);
        const char* tag = channels == 4 ? "M.K." : channels == 6 ? "6CHN" : "8CHN";
        EXPECT_EQ(std::string(bytes.begin() + 1080, bytes.begin() + 1084), tag);
        // Last cell of pattern 1: A-2 is period 254, sample 18 split into high and low nibbles.
        const uint8_t* cell = &bytes[1084 + 2 * patternBytes - 4];
        EXPECT_EQ(cell[0], 0x10);
        EXPECT_EQ(cell[1], 254);
        EXPECT_EQ(cell[2], 0x2C);
        EXPECT_EQ(cell[3], 0x40);
        EXPECT_EQ(static_cast<int8_t>(bytes[1084 + 2 * patternBytes]), 100);
        EXPECT_EQ(bytes.back(), 0);
    }
}

TEST(ModuleWriter, RefusesWhatDoesNotFit) {
    ModuleWriter writer;
    EXPECT_TRUE(writer.Bytes().empty());
    EXPECT_FALSE(writer.AppendOrder(0));
    ModuleSample badLoop = Square(16);
    badLoop.loopStart = 8;
    badLoop.loopLength = 16;
    EXPECT_EQ(writer.AddSample(badLoop), 0);
    EXPECT_EQ(writer.AddSample(Square(131072)), 0);
    for (int i = 1; i <= 31; ++i) {
        ASSERT_EQ(writer.AddSample(Square(2)), i);
    }
    EXPECT_EQ(writer.AddSample(Square(2)), 0);
    ASSERT_EQ(writer.AddPattern(), 0);
    EXPECT_FALSE(writer.SetCell(0, 64, 0, {}));
    EXPECT_FALSE(writer.SetCell(0, 0, 4, {}));
    EXPECT_FALSE(writer.SetCell(1, 0, 0, {}));
    EXPECT_FALSE(writer.SetCell(0, 0, 0, {428, 32, 0, 0}));
    EXPECT_FALSE(writer.SetNote(0, 0, 0, ModuleWriter::kNotes, 1));
    for (int i = 0; i < ModuleWriter::kMaxOrders; ++i) {
        ASSERT_TRUE(writer.AppendOrder(0));
    }
    EXPECT_FALSE(writer.AppendOrder(0));
}

TEST(ModuleWriter, NoteNamesAndPeriods) {
    EXPECT_EQ(ModuleWriter::NoteIndex("C-1"), 0);
    EXPECT_EQ(ModuleWriter::NoteIndex("C#2"), 13);
    EXPECT_EQ(ModuleWriter::NoteIndex("B-3"), 35);
    EXPECT_EQ(ModuleWriter::NoteIndex("H-2"), -1);
    EXPECT_EQ(ModuleWriter::NoteIndex("C-4"), -1);
    EXPECT_EQ(ModuleWriter::NoteIndex("C-"), -1);
    EXPECT_EQ(ModuleWriter::Period(ModuleWriter::NoteIndex("C-1")), 856);
    EXPECT_EQ(ModuleWriter::Period(ModuleWriter::NoteIndex("C-2")), 428);
    EXPECT_EQ(ModuleWriter::Period(ModuleWriter::NoteIndex("B-3")), 113);
    EXPECT_EQ(ModuleWriter::Period(-1), 0);
    // Each octave halves the period, within the table's rounding.
    for (int n = 0; n < 24; ++n) {
        EXPECT_NEAR(ModuleWriter::Period(n), 2 * ModuleWriter::Period(n + 12), 1);
    }
}

} // namespace
} // namespace quib
