// qdp record end to end: videos of the demo disk read back with the real ffprobe and ffmpeg.
#include "host/gfx/ImageCodec.h"
#include "qdp/QdpTestSupport.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

namespace quib {
namespace {

namespace fs = std::filesystem;

const fs::path kDemo = fs::path(QUIB_BINARY_DIR) / "demo" / "demo.qdp";

class RecordCommand : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(kDemo)) << "build the demo_disk target first";
        scratch = fs::temp_directory_path() / ("quib-record-" + std::to_string(getpid()));
        fs::remove_all(scratch);
        fs::create_directories(scratch);
    }
    void TearDown() override { fs::remove_all(scratch); }

    Result Record(const fs::path& out, const std::string& arguments) {
        return Shell(kQdp + " record " + Quote(kDemo) + " --out " + Quote(out) + " " + arguments);
    }
    // ffprobe's answer for the first stream of a kind ("v" or "a"), the entries comma-separated.
    static std::string Probe(const fs::path& video, const char* kind, const char* entries) {
        const Result run =
            Shell(std::string("ffprobe -v error -count_frames -select_streams ") + kind +
                  ":0 -show_entries " + entries + " -of csv=p=0 " + Quote(video));
        EXPECT_EQ(run.status, 0) << run.output;
        return run.output.substr(0, run.output.find_last_not_of('\n') + 1);
    }
    // Where the first stream of a kind ends, in seconds, as the container tells: its start
    // and length (MP4), or the end Matroska keeps in a tag.
    static double StreamEnd(const fs::path& video, const char* kind) {
        std::istringstream fields(
            Probe(video, kind, "stream=start_time,duration:stream_tags=DURATION"));
        std::string start, length, end;
        std::getline(fields, start, ',');
        std::getline(fields, length, ',');
        std::getline(fields, end, ',');
        if (length != "N/A") {
            return std::atof(start.c_str()) + std::atof(length.c_str());
        }
        int hours = 0, minutes = 0;
        double seconds = 0.0;
        EXPECT_EQ(std::sscanf(end.c_str(), "%d:%d:%lf", &hours, &minutes, &seconds), 3) << end;
        return hours * 3600.0 + minutes * 60.0 + seconds;
    }

    fs::path scratch;
};

// Each container with its codecs, the frames asked for, and the sound as long as the
// pictures to within a frame.
TEST_F(RecordCommand, WritesTheStreamsOfEachContainerInStep) {
    const struct {
        const char* file;
        const char* options;
        int fps;
        const char* video;
        const char* audio;
    } kCases[] = {
        {"demo.mp4", "", 60, "h264,320,180,yuv420p", "aac,44100"},
        {"demo.webm", "", 60, "vp9,320,180,yuv420p", "opus,48000"},
        {"demo.mkv", "--fps 25", 25, "h264,320,180,yuv420p", "opus,48000"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.file);
        const fs::path video = scratch / c.file;
        const Result run =
            Record(video, std::string("--from 5 --to 7 --size 320x180 ") + c.options);
        ASSERT_EQ(run.status, 0) << run.output;
        EXPECT_TRUE(Mentions(run, std::to_string(2 * c.fps) + " frames"));
        EXPECT_EQ(Probe(video, "v", "stream=codec_name,width,height,pix_fmt,nb_read_frames"),
                  std::string(c.video) + "," + std::to_string(2 * c.fps));
        EXPECT_EQ(Probe(video, "a", "stream=codec_name,sample_rate"), c.audio);
        const double frame = 1.0 / c.fps;
        const double end = StreamEnd(video, "v");
        EXPECT_NEAR(end, 2.0, frame);
        EXPECT_NEAR(StreamEnd(video, "a"), end, frame);
    }
}

// Without --to, the song started with is recorded whole: song 1 of the demo lasts 42.0 s
// (song 0, 1:09.1).
TEST_F(RecordCommand, WithoutAnEndTheFirstSongPlayedIsRecordedWhole) {
    const fs::path video = scratch / "song.webm";
    const Result run = Record(video, "--song 1 --fps 2 --size 64x36");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(Mentions(run, "84 frames at 2 a second (42.000 s"));
    EXPECT_NEAR(StreamEnd(video, "a"), 42.0, 0.5);
}

double Psnr(const DecodedImage& a, const DecodedImage& b) {
    double squares = 0.0;
    for (size_t i = 0; i < a.argb.size(); ++i) {
        for (int shift = 0; shift < 24; shift += 8) {
            const double d = static_cast<double>(a.argb[i] >> shift & 0xFF) -
                             static_cast<double>(b.argb[i] >> shift & 0xFF);
            squares += d * d;
        }
    }
    const double mean = squares / (3.0 * static_cast<double>(a.argb.size()));
    return 10.0 * std::log10(255.0 * 255.0 / std::max(mean, 1e-10));
}

// Frame 30 of a video from 6 s is what qdp render draws at 6.5 s, closer than the frames around.
TEST_F(RecordCommand, AFrameOfTheVideoIsTheRenderedFrame) {
    const fs::path video = scratch / "demo.mp4";
    const Result run = Record(video, "--from 6 --to 7 --size 640x360");
    ASSERT_EQ(run.status, 0) << run.output;
    const auto image = [](const fs::path& png) {
        const auto bytes = ReadBytes(png);
        DecodedImage decoded;
        EXPECT_TRUE(DecodeImage(bytes.data(), bytes.size(), decoded)) << png;
        return decoded;
    };
    const fs::path extracted = scratch / "extracted.png";
    const Result extract =
        Shell("ffmpeg -v error -i " + Quote(video) + " -vf 'select=eq(n\\,30)' -frames:v 1 " +
              "-sws_flags bicubic+accurate_rnd+full_chroma_int " + Quote(extracted));
    ASSERT_EQ(extract.status, 0) << extract.output;
    const DecodedImage frame = image(extracted);
    const fs::path rendered = scratch / "rendered.png";
    const auto psnrAgainstRender = [&](const char* seconds) {
        const Result render = Shell(kQdp + " render " + Quote(kDemo) + " --size 640x360 --time " +
                                    seconds + " --out " + Quote(rendered));
        EXPECT_EQ(render.status, 0) << render.output;
        const DecodedImage expected = image(rendered);
        EXPECT_EQ(frame.argb.size(), expected.argb.size());
        return frame.argb.size() == expected.argb.size() ? Psnr(frame, expected) : 0.0;
    };
    const double psnr = psnrAgainstRender("6.5");
    EXPECT_GE(psnr, 35.0);
    // The demo moves slowly: frames 0.1 s away still look alike, but less so.
    EXPECT_GT(psnr, psnrAgainstRender("6.4") + 1.0);
    EXPECT_GT(psnr, psnrAgainstRender("6.6") + 1.0);
}

// Wrong command lines exit 2, work that fails 1, and no video is left behind.
TEST_F(RecordCommand, RefusesBadArgumentsAndFailuresLeaveNoVideo) {
    const fs::path events = scratch / "bad.txt";
    std::ofstream(events) << "1 jump\n";
    const std::string demo = Quote(kDemo);
    const std::string out = " --out " + Quote(scratch / "v.mp4");
    const struct {
        std::string arguments;
        int status;
        const char* says;
    } kCases[] = {
        {demo, 2, "a disk and --out are needed"},
        {demo + " --out x.avi", 2, "ends in .mp4, .mkv or .webm"},
        {demo + out + " --from soon", 2, "--from needs seconds"},
        {demo + out + " --from 3 --to 2", 2, "--to must come after --from"},
        {demo + out + " --fps 0", 2, "--fps needs frames a second from 1 to 240"},
        {demo + out + " --fps 241", 2, "--fps needs frames a second from 1 to 240"},
        {demo + out + " --size 321x180", 2, "even width and height"},
        {demo + out + " --song 99", 2, "--song 99"},
        {demo + " --out /nonexistent/x.mp4", 1, "/nonexistent/x.mp4: cannot create"},
        {demo + out + " --events " + Quote(events), 1, "line 1: unknown event"},
        {Quote(scratch / "none.qdp") + out + " --to 1", 1, "nothing recorded"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.arguments);
        const Result run = Shell(kQdp + " record " + c.arguments);
        EXPECT_EQ(run.status, c.status) << run.output;
        EXPECT_TRUE(Mentions(run, c.says));
        EXPECT_FALSE(fs::exists(scratch / "v.mp4"));
    }
    // A qdp whose video writer is not where the installation puts it says so.
    fs::copy_file(kQdp, scratch / "qdp");
    const Result alone = Shell(Quote(scratch / "qdp") + " record " + demo + out);
    EXPECT_EQ(alone.status, 1) << alone.output;
    EXPECT_TRUE(Mentions(alone, "the video writer cannot be loaded"));
    EXPECT_FALSE(fs::exists(scratch / "v.mp4"));
}

} // namespace
} // namespace quib
