// qdp render end to end: a disk made with the writer and `zip`, rendered by the real tool.
#include "app/DiskRenderer.h"
#include "description/DescriptionModel.h"
#include "host/audio/ModuleWriter.h"
#include "host/gfx/ImageCodec.h"
#include "qdp/QdpTestSupport.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <unistd.h>

namespace quib {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kRed = 0xFFFF0000u;
constexpr uint32_t kBlue = 0xFF0000FFu;
constexpr uint32_t kBlack = 0xFF000000u;

std::vector<uint8_t> Png(const fs::path& scratch, uint32_t argb) {
    const std::vector<uint32_t> pixels(16, argb);
    const fs::path path = scratch / "solid.png";
    EXPECT_TRUE(WritePng(path.string(), 4, 4, pixels.data()));
    return ReadBytes(path);
}

// A tune of one 64-row pattern at speed 6: 64 x 6 x 882 frames, about 7.7 seconds.
std::vector<uint8_t> Tune() {
    ModuleWriter writer(4);
    ModuleSample square;
    for (int i = 0; i < 32; ++i) {
        square.data.push_back(static_cast<int8_t>(i < 16 ? 64 : -64));
    }
    square.loopLength = 32;
    const int sample = writer.AddSample(square);
    const int pattern = writer.AddPattern();
    writer.SetCell(pattern, 0, 1, {0, 0, 0xF, 6});
    writer.SetNote(pattern, 0, 0, ModuleWriter::NoteIndex("C-2"), static_cast<uint8_t>(sample));
    writer.AppendOrder(pattern);
    return writer.Bytes();
}

ImageEffectBlock Image(int32_t texture, float x, float width) {
    ImageEffectBlock image;
    image.texture = texture;
    image.x = x;
    image.width = width;
    return image;
}

class RenderCommand : public ::testing::Test {
protected:
    void SetUp() override {
        scratch = fs::temp_directory_path() / ("quib-render-" + std::to_string(getpid()));
        fs::remove_all(scratch);
        fs::create_directories(scratch / "stage");
        // Intro: red on the left half for one second of song 0. Overlay: nothing. Song 0's
        // page: blue on the right half, fading in over one second.
        DescriptionModel m;
        m.header = {"Render test", 1, 1, 4.0f / 3.0f, 48};
        m.songs = {{"tune.mod", "Tune", 0, 0}};
        m.textures = {"red.png", "blue.png"};
        ImageEffectBlock fading = Image(1, 0.0f, 1.0f);
        fading.fadeIn = 44100;
        m.pages = {PageRecord{{GroupRecord{{{0, 44100}}, {{Image(0, -1.0f, 1.0f)}}}}}, PageRecord{},
                   PageRecord{{GroupRecord{{{0, 1000000}}, {{fading}}}}}};
        WriteBytes(scratch / "stage" / "musicdisk.cfg", WriteDescription(m));
        WriteBytes(scratch / "stage" / "red.png", Png(scratch, kRed));
        WriteBytes(scratch / "stage" / "blue.png", Png(scratch, kBlue));
        WriteBytes(scratch / "music" / "tune.mod", Tune());
        const std::string zip = "cd '" + (scratch / "stage").string() +
                                "' && zip -q -X ../disk.qdp musicdisk.cfg red.png blue.png";
        ASSERT_EQ(std::system(zip.c_str()), 0);
    }
    void TearDown() override { fs::remove_all(scratch); }

    // Packs disk.qdp anew from the description and the staged files named (space-separated).
    bool Pack(const DescriptionModel& m, const std::string& files = "") {
        WriteBytes(scratch / "stage" / "musicdisk.cfg", WriteDescription(m));
        fs::remove(scratch / "disk.qdp");
        const std::string zip = "cd '" + (scratch / "stage").string() +
                                "' && zip -q -X ../disk.qdp musicdisk.cfg " + files;
        return std::system(zip.c_str()) == 0;
    }

    // Runs qdp render; the exit status, kept in `rendered`.
    int Render(const std::string& arguments) {
        const Result run = Shell(kQdp + " render " + Quote(scratch / "disk.qdp") + " " + arguments +
                                 " --out " + Quote(scratch / "frame.png"));
        rendered = run;
        return run.status;
    }
    DecodedImage Frame() {
        const auto bytes = ReadBytes(scratch / "frame.png");
        DecodedImage image;
        EXPECT_TRUE(DecodeImage(bytes.data(), bytes.size(), image));
        return image;
    }
    static uint32_t At(const DecodedImage& image, int x, int y) {
        return image.argb[static_cast<size_t>(y) * image.width + x];
    }

    fs::path scratch;
    Result rendered; // the last run of qdp render
};

TEST_F(RenderCommand, IntroThenTheSongPageFadingIn) {
    ASSERT_EQ(Render("--time 0.5"), 0);
    DecodedImage frame = Frame();
    ASSERT_EQ(frame.width, 64); // the disk's window: 48 x 4/3
    ASSERT_EQ(frame.height, 48);
    EXPECT_EQ(At(frame, 16, 24), kRed);
    EXPECT_EQ(At(frame, 48, 24), kBlack);

    ASSERT_EQ(Render("--time 1.5 --size 128x96"), 0); // half a second into the fade
    frame = Frame();
    ASSERT_EQ(frame.width, 128);
    EXPECT_EQ(At(frame, 32, 48), kBlack);
    const uint32_t blue = At(frame, 96, 48) & 0xFF;
    EXPECT_GT(blue, 110u);
    EXPECT_LT(blue, 145u);

    ASSERT_EQ(Render("--time 3"), 0);
    EXPECT_EQ(At(Frame(), 48, 24), kBlue);
}

// Songs are found as the player finds them, ignoring case. Render names each song it does not
// find and still draws, and tells the time of the frame it drew; check names the song too.
TEST_F(RenderCommand, NamesTheSongsNotFoundAndTheTimeDrawn) {
    DescriptionModel m;
    m.header = {"Songs", 1, 1, 4.0f / 3.0f, 48};
    m.songs = {{"TUNE.MOD", "Tune", 0, 0}};
    m.pages = {PageRecord{}, PageRecord{}, PageRecord{}};
    ASSERT_TRUE(Pack(m));
    const std::string check = kQdp + " check " + Quote(scratch / "disk.qdp");
    ASSERT_EQ(Render("--time 0.51"), 0);
    EXPECT_FALSE(Mentions(rendered, "warning")) << rendered.output;
    EXPECT_TRUE(Mentions(rendered, "drew the frame at 0.517 s")); // frame 31 of 1/60 s
    EXPECT_FALSE(Mentions(Shell(check), "is missing"));

    fs::remove(scratch / "music" / "tune.mod");
    ASSERT_EQ(Render("--time 0.5"), 0);
    EXPECT_TRUE(Mentions(rendered, "warning: song 0 \"Tune\": " + (scratch / "music").string() +
                                       "/TUNE.MOD is not found"));
    EXPECT_TRUE(Mentions(Shell(check), "TUNE.MOD\" is missing; the player skips the song"));
}

TEST_F(RenderCommand, ScriptedKeys) {
    const fs::path events = scratch / "events.txt";
    std::ofstream(events) << "# full screen on a 4:3 desktop, then quit\n"
                             "0.1 key alt+enter\n"
                             "0.2 move 10 10\n"
                             "0.25 key escape\n";
    ASSERT_EQ(Render("--time 2 --size 64x48 --events '" + events.string() + "'"), 0);
    EXPECT_EQ(At(Frame(), 16, 24), kRed); // the frame before Escape, still in the intro
}

// Frames drawn on past the time asked for, as the frame benchmark times them: each answer
// "another" adds a frame, and the last one drawn is kept.
TEST_F(RenderCommand, DrawsOnWhileAskedForAnother) {
    RenderRequest request;
    request.archive = (scratch / "disk.qdp").string();
    request.seconds = 0.5;
    int asked = 0;
    request.drawAnother = [&] { return ++asked <= 60; };
    RenderedFrame frame;
    ASSERT_TRUE(RenderDisk(request, frame));
    EXPECT_EQ(asked, 61);
    EXPECT_NEAR(frame.seconds, 1.5, 1.0 / 60);
    EXPECT_EQ(frame.argb[24 * 64 + 16], kBlack); // the intro's red is gone after 1 s
}

TEST_F(RenderCommand, TimingsNameWhereStartUpWent) {
    ASSERT_EQ(Render("--time 0.1 --timings"), 0);
    const std::string& text = rendered.output;
    for (const char* step :
         {"archive open", "description read", "graphics context (EGL)", "graphics device",
          "audio output open", "songs (module loading)", "images (decode and upload) (2)",
          "effects (their images) (2)", "first frame", "later frames", "frame read-back",
          "tear-down", "PNG write", "total"}) {
        EXPECT_NE(text.find(step), std::string::npos) << step << " missing from:\n" << text;
    }
}

TEST_F(RenderCommand, RefusesBadArgumentsAndDisks) {
    EXPECT_EQ(Render("--time soon"), 2);
    EXPECT_EQ(Render("--time 1 --size 0x10"), 2);
    EXPECT_EQ(Render(""), 2);
    EXPECT_EQ(Render("--time 1 --song 1"), 2); // the disk has one song
    EXPECT_EQ(Render("--time 1 --song -1"), 2);
    const fs::path events = scratch / "bad.txt";
    std::ofstream(events) << "1 jump\n";
    EXPECT_EQ(Render("--time 1 --events '" + events.string() + "'"), 1);
    fs::remove(scratch / "disk.qdp");
    EXPECT_EQ(Render("--time 1"), 1);
}

// The playing song's title on each song page: centred, in its gradient (blue at the lowest
// text row, red towards the highest) and upright, and the next song's title once it plays.
TEST_F(RenderCommand, SongTitleInItsGradientFollowsTheSong) {
    DescriptionModel m;
    m.header = {"Title test", 1, 1, 4.0f / 3.0f, 96};
    m.songs = {{"tune.mod", "Tune", 0, 0}, {"tune.mod", "Another one", 0, 0}};
    SongNameEffectBlock title;
    title.height = 0.5f; // a 24-pixel font across the top quarter
    title.fontFace = "DejaVu Sans";
    title.bottomColour = 0xFF0000FFu;
    title.topColour = 0xFFFF0000u;
    const GroupRecord group{{{0, 10000000}}, {{title}}};
    m.pages = {PageRecord{}, PageRecord{}, PageRecord{{group}}, PageRecord{{group}}};
    ASSERT_TRUE(Pack(m));

    // The columns the title covers, after checking that it stays in its rectangle and runs
    // from red at its top to blue at its bottom.
    auto extent = [](const DecodedImage& frame) {
        int left = frame.width, right = -1, top = frame.height, bottom = -1;
        for (int y = 0; y < frame.height; ++y) {
            for (int x = 0; x < frame.width; ++x) {
                if ((At(frame, x, y) & 0xFFFFFF) != 0) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
            }
        }
        EXPECT_LT(bottom, 24) << "drawn outside the rectangle";
        long redOverBlue[2] = {0, 0}; // the upper and the lower half of the text
        for (int y = top; y <= bottom; ++y) {
            for (int x = left; x <= right; ++x) {
                const uint32_t p = At(frame, x, y);
                redOverBlue[y - top < (bottom - top) / 2 ? 0 : 1] +=
                    static_cast<long>(p >> 16 & 0xFF) - static_cast<long>(p & 0xFF);
            }
        }
        EXPECT_GT(redOverBlue[0], 0);
        EXPECT_LT(redOverBlue[1], 0);
        return std::pair{left, right};
    };
    ASSERT_EQ(Render("--time 2"), 0);
    const auto [left, right] = extent(Frame());
    EXPECT_NEAR(left, 128 - 1 - right, 2) << "not centred";
    ASSERT_EQ(Render("--time 9"), 0); // the tune lasts 7.7 s; the second song plays
    const auto [nextLeft, nextRight] = extent(Frame());
    EXPECT_GT(nextRight - nextLeft, right - left + 20);
    ASSERT_EQ(Render("--time 2 --song 1"), 0); // the second song from the start
    const auto [firstLeft, firstRight] = extent(Frame());
    EXPECT_EQ(firstRight - firstLeft, nextRight - nextLeft);
}

// The four visualizers, one a quadrant, on the song page of the square-wave tune.
TEST_F(RenderCommand, VisualizersReactRepeatably) {
    VerticalEQBarsVisualizerBlock bars;
    bars.x = -1.0f;
    bars.width = 1.0f;
    bars.height = 1.0f;
    bars.clipLevel = 0.05f;
    BouncingEQVisualizerBlock bouncing;
    bouncing.x = 0.0f;
    bouncing.width = 1.0f;
    bouncing.height = 1.0f;
    bouncing.clipLevel = 0.05f;
    PlasmaVisualizerBlock plasma;
    plasma.y = 0.0f;
    plasma.width = 1.0f;
    plasma.height = 1.0f;
    BeatFlowerVisualizerBlock flower;
    flower.x = 0.0f;
    flower.y = 0.0f;
    flower.width = 1.0f;
    flower.height = 1.0f;
    DescriptionModel m;
    m.header = {"Visualizers", 1, 1, 4.0f / 3.0f, 96};
    m.songs = {{"tune.mod", "Tune", 0, 0}};
    m.pages = {PageRecord{}, PageRecord{},
               PageRecord{{GroupRecord{{{0, 1000000}}, {{bars}, {bouncing}, {plasma}, {flower}}}}}};
    ASSERT_TRUE(Pack(m));

    // Pixels of a quadrant (0 top left, 1 top right, 2 bottom left, 3 bottom right).
    const auto quadrant = [](const DecodedImage& image, int q) {
        std::vector<uint32_t> pixels;
        for (int y = 0; y < image.height / 2; ++y) {
            for (int x = 0; x < image.width / 2; ++x) {
                pixels.push_back(
                    At(image, x + (q % 2) * image.width / 2, y + (q / 2) * image.height / 2));
            }
        }
        return pixels;
    };
    ASSERT_EQ(Render("--time 1"), 0);
    const DecodedImage early = Frame();
    ASSERT_EQ(Render("--time 1.5"), 0);
    const DecodedImage late = Frame();
    ASSERT_EQ(Render("--time 1.5"), 0);
    EXPECT_EQ(Frame().argb, late.argb) << "a headless frame is repeatable";
    for (int q = 0; q < 4; ++q) {
        const auto pixels = quadrant(late, q);
        const auto lit = std::count_if(pixels.begin(), pixels.end(),
                                       [](uint32_t argb) { return argb != kBlack; });
        EXPECT_GT(lit, 100) << "quadrant " << q << " shows its visualizer";
        if (q != 1) { // the bouncing bars stand still on a steady tone
            EXPECT_NE(quadrant(early, q), pixels) << "quadrant " << q << " moves";
        }
    }
}

// The player's controls through scripted input: a next button on the overlay's top-left
// quadrant (red, green when hovered, blue when pressed), a volume slider with a white knob a
// quarter of the screen wide across the upper half of the bottom, and each song's page
// showing its colour in the top-right quadrant.
TEST_F(RenderCommand, ButtonsAndTheVolumeSliderFollowThePointer) {
    constexpr uint32_t kGreen = 0xFF00FF00u;
    constexpr uint32_t kWhite = 0xFFFFFFFFu;
    ButtonEffectBlock next;
    next.width = 1.0f;
    next.height = 1.0f;
    next.looks[0].texture = 0;
    next.looks[1].texture = 2;
    next.looks[2].texture = 1;
    next.command = 4;
    SliderBarEffectBlock slider;
    slider.y = 0.0f;
    slider.height = 0.5f;
    slider.texture = 3;
    slider.knobAspectWidth = 2;
    slider.knobAspectHeight = 2;
    slider.command = 6;
    ImageEffectBlock first = Image(0, 0.0f, 1.0f);
    first.height = 1.0f;
    ImageEffectBlock second = Image(1, 0.0f, 1.0f);
    second.height = 1.0f;
    DescriptionModel m;
    m.header = {"Controls", 1, 1, 4.0f / 3.0f, 96};
    m.songs = {{"tune.mod", "One", 0, 0}, {"tune.mod", "Two", 0, 0}};
    m.textures = {"red.png", "blue.png", "green.png", "white.png"};
    m.pages = {PageRecord{}, PageRecord{{GroupRecord{{{0, 100000000}}, {{next}, {slider}}}}},
               PageRecord{{GroupRecord{{{0, 1000000}}, {{first}}}}},
               PageRecord{{GroupRecord{{{0, 1000000}}, {{second}}}}}};
    WriteBytes(scratch / "stage" / "green.png", Png(scratch, kGreen));
    WriteBytes(scratch / "stage" / "white.png", Png(scratch, kWhite));
    ASSERT_TRUE(Pack(m, "red.png blue.png green.png white.png"));
    const fs::path events = scratch / "events.txt";
    const auto run = [&](const std::string& script, double seconds) {
        std::ofstream(events) << script;
        EXPECT_EQ(
            Render("--time " + std::to_string(seconds) + " --events '" + events.string() + "'"), 0);
        return Frame();
    };

    DecodedImage frame = run("0.2 move 32 24\n", 0.5);
    EXPECT_EQ(At(frame, 32, 24), kGreen) << "hover look";
    EXPECT_EQ(At(frame, 96, 24), kRed) << "song 0's page";
    EXPECT_EQ(At(frame, 120, 60), kWhite) << "the knob shows the full volume, flush right";

    frame = run("0.2 move 32 24\n0.3 down\n", 0.5);
    EXPECT_EQ(At(frame, 32, 24), kBlue) << "pressed look";
    EXPECT_EQ(At(frame, 96, 24), kBlue) << "next: song 1's page";

    // Held for several frames, the press still sends one Next: song 1 stays.
    frame = run("0.2 move 32 24\n0.3 down\n0.8 up\n", 1.0);
    EXPECT_EQ(At(frame, 32, 24), kGreen);
    EXPECT_EQ(At(frame, 96, 24), kBlue);

    // A drag to x = -0.5 sets the volume to (-0.5 + 1 - 0.125) / 1.75, 21 percent: once let
    // go, the knob shows it from x = -1 + 1.75 x 0.21 = -0.6325 (pixel 23.5) on.
    frame = run("0.2 move 120 60\n0.3 down\n0.4 move 32 60\n0.6 up\n", 0.8);
    EXPECT_EQ(At(frame, 31, 60), kWhite);
    EXPECT_NE(At(frame, 120, 60), kWhite);
    EXPECT_NE(At(frame, 20, 60), kWhite);
}

// Only the frame kept is rasterised; the frames before it still update every effect. On the
// demo disk, whatever builds up frame by frame (the credits rolling from a click, the bars
// falling, the fades) must come out as when every frame is drawn, also when Escape ends the
// run and the frame before it is kept.
TEST(RenderDisk, FramesRunWithoutPixelsLeaveTheKeptFrameAsDrawingEveryFrame) {
    const std::string demo = std::string(QUIB_BINARY_DIR) + "/demo/demo.qdp";
    ASSERT_TRUE(fs::exists(demo)) << "build the demo_disk target first";
    const auto render = [&](const std::string& events, bool drawEveryFrame) {
        RenderRequest request;
        request.archive = demo;
        request.seconds = 10.0;
        request.width = 214;
        request.height = 120;
        request.drawEveryFrame = drawEveryFrame;
        std::string error;
        EXPECT_TRUE(ParseRenderEvents(events, request.events, error)) << error;
        RenderedFrame frame;
        EXPECT_TRUE(RenderDisk(request, frame));
        return frame;
    };
    const std::string click = "8 move 202 10\n8.1 down\n8.2 up\n"; // the credits button
    std::vector<std::vector<uint32_t>> kept;
    for (const std::string& events : {click, click + "9.5 key escape\n"}) {
        const RenderedFrame fast = render(events, false);
        const RenderedFrame full = render(events, true);
        EXPECT_EQ(fast.seconds, full.seconds) << events;
        EXPECT_EQ(fast.argb, full.argb) << events;
        kept.push_back(fast.argb);
    }
    EXPECT_NE(kept[0], render("", false).argb) << "the credits roll from the click";
}

} // namespace
} // namespace quib
