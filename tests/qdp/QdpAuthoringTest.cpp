// qdp build, dump and check, run as a user runs them: real sources, real images, songs and
// archives in a scratch folder, the archives read back with Python's zipfile.
#include "SourceCompiler.h"
#include "app/DiskRenderer.h"
#include "authoring/DocumentedExample.h"
#include "description/DescriptionModel.h"
#include "host/audio/ModuleWriter.h"
#include "host/audio/TestSounds.h"
#include "host/gfx/ImageCodec.h"
#include "qdp/QdpTestSupport.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sstream>

namespace quib {
namespace {

namespace fs = std::filesystem;

void WriteText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// An entry of a ZIP archive as Python's zipfile reads it.
std::vector<uint8_t> ZipEntry(const fs::path& archive, const std::string& entry,
                              const fs::path& scratch) {
    const fs::path out = scratch / "entry.bin";
    const Result run =
        Shell("python3 -c 'import sys, zipfile; "
              "open(sys.argv[3], \"wb\").write(zipfile.ZipFile(sys.argv[1]).read(sys.argv[2]))' " +
              Quote(archive) + " '" + entry + "' " + Quote(out));
    EXPECT_EQ(run.status, 0) << run.output;
    return ReadBytes(out);
}

std::string ZipNames(const fs::path& archive) {
    return Shell("python3 -c 'import sys, zipfile; print(\" "
                 "\".join(zipfile.ZipFile(sys.argv[1]).namelist()))' " +
                 Quote(archive))
        .output;
}

// The findings of `qdp check` output, leaving out effect types this player cannot show yet
// (errors of their own, which go away as the player grows).
struct Findings {
    int errors = 0;
    int warnings = 0;
    bool unavailableTypes = false;
};

Findings CountFindings(const std::string& output) {
    Findings findings;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        if (line.find("this player has no") != std::string::npos) {
            findings.unavailableTypes = true;
        } else {
            findings.errors += line.find(": error: ") != std::string::npos ? 1 : 0;
            findings.warnings += line.find(": warning: ") != std::string::npos ? 1 : 0;
        }
    }
    return findings;
}

class QdpAuthoring : public testing::Test {
protected:
    void SetUp() override {
        const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::path(QUIB_BINARY_DIR) / "tests" / "qdp-scratch" /
               (std::string(info->test_suite_name()) + "." + info->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "assets");
    }

    void Image(const std::string& name, int width = 8, int height = 8,
               uint32_t argb = 0xFF336699u) {
        fs::create_directories((dir_ / "assets" / name).parent_path());
        std::vector<uint32_t> pixels(static_cast<size_t>(width * height), argb);
        ASSERT_TRUE(WritePng((dir_ / "assets" / name).string(), width, height, pixels.data()));
    }

    void Module(const std::string& name) {
        ModuleWriter module(4);
        ModuleSample sample{"tone", std::vector<int8_t>(64), 0, 64, 0, 64};
        for (size_t i = 0; i < sample.data.size(); ++i) {
            sample.data[i] = static_cast<int8_t>(i < 32 ? 60 : -60);
        }
        const uint8_t number = static_cast<uint8_t>(module.AddSample(sample));
        const int pattern = module.AddPattern();
        module.SetNote(pattern, 0, 0, 12, number);
        module.AppendOrder(pattern);
        WriteBytes(dir_ / "assets" / name, module.Bytes());
    }

    // A 16-bit mono WAV file, a tenth of a second long unless told.
    void Wave(const std::string& name, uint32_t frames = 4410) {
        std::vector<uint8_t> bytes;
        auto put = [&](uint32_t value, int size) {
            for (int i = 0; i < size; ++i) {
                bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
            }
        };
        bytes.insert(bytes.end(), {'R', 'I', 'F', 'F'});
        put(36 + frames * 2, 4);
        bytes.insert(bytes.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
        put(16, 4), put(1, 2), put(1, 2), put(44100, 4), put(88200, 4), put(2, 2), put(16, 2);
        bytes.insert(bytes.end(), {'d', 'a', 't', 'a'});
        put(frames * 2, 4);
        for (uint32_t i = 0; i < frames; ++i) {
            put(static_cast<uint32_t>(static_cast<int16_t>(i % 100 < 50 ? 8000 : -8000)), 2);
        }
        WriteBytes(dir_ / "assets" / name, bytes);
    }

    Result Build(const std::string& source, const std::string& file = "disk.toml",
                 const std::string& options = "") {
        WriteText(dir_ / file, source);
        return Shell(kQdp + " build " + Quote(dir_ / file) + " -o " + Quote(dir_ / "out") +
                     " --assets " + Quote(dir_ / "assets") + options);
    }

    Result Check(const std::string& disk = "out/disk.qdp") {
        return Shell(kQdp + " check " + Quote(dir_ / disk));
    }

    // The description of `source` alone, beside a music folder holding the assets, for a check
    // of what `qdp build` refuses to pack. Returns its path for Check.
    std::string BareDisk(const std::string& source) {
        SourceDiagnostics diagnostics("disk.toml");
        const CompiledDisk disk = CompileSource(source, "disk.toml", diagnostics);
        EXPECT_FALSE(diagnostics.HasErrors()) << diagnostics.Format();
        WriteBytes(dir_ / "bare" / "musicdisk.cfg", WriteDescription(disk.model));
        fs::copy(dir_ / "assets", dir_ / "bare" / "music", fs::copy_options::recursive);
        return "bare/musicdisk.cfg";
    }

    // Writes out/edited.qdp: out/disk.qdp with the entry `name` holding `bytes` (a Python
    // bytes literal) instead.
    void EditEntry(const std::string& name, const std::string& bytes) {
        const Result edit =
            Shell("python3 -c 'import sys, zipfile; src = zipfile.ZipFile(sys.argv[1]); "
                  "dst = zipfile.ZipFile(sys.argv[2], \"w\", zipfile.ZIP_DEFLATED); "
                  "[dst.writestr(n, src.read(n) if n != \"" +
                  name + "\" else " + bytes + ") for n in src.namelist()]; dst.close()' " +
                  Quote(dir_ / "out" / "disk.qdp") + " " + Quote(dir_ / "out" / "edited.qdp"));
        ASSERT_EQ(edit.status, 0) << edit.output;
    }

    fs::path dir_;
};

constexpr char kSmallDisk[] = R"(title = "Small"
[[songs]]
file = "tune.mod"
title = "Tune"
[[songs]]
file = "waves/take.wav"

[[overlay.groups]]
intervals = [[0, 10]]
[[overlay.groups.effects]]
type = "ImageEffect"
texture = "bg.png"
[[overlay.groups.effects]]
type = "ToggledImageEffect"
texture = "Bg.PNG"
eventFlag = "panel"
[[overlay.groups.effects]]
type = "ButtonEffect"
normal = { texture = "button.png" }
command = "raise"
commandArgument = "panel"
[[overlay.groups.effects]]
type = "AnimationEffect"
listName = "anim/list.txt"
frames = ["anim/a.png", "anim/b.png"]
)";

TEST_F(QdpAuthoring, BuildPacksTheDiskAndCopiesTheSongs) {
    Image("bg.png");
    Image("button.png");
    Image("anim/a.png");
    Image("anim/b.png");
    Module("tune.mod");
    Wave("waves/take.wav");
    const Result run = Build(kSmallDisk);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(fs::exists(dir_ / "out" / "music" / "tune.mod"));
    EXPECT_TRUE(fs::exists(dir_ / "out" / "music" / "waves" / "take.wav"));
    EXPECT_EQ(ZipNames(dir_ / "out" / "disk.qdp"),
              "musicdisk.cfg bg.png button.png anim/list.txt anim/a.png anim/b.png "
              "musicdisk.flags\n");
    EXPECT_EQ(ZipEntry(dir_ / "out" / "disk.qdp", "anim/list.txt", dir_),
              (std::vector<uint8_t>{'a', 'n', 'i', 'm', '/', 'a', '.', 'p', 'n', 'g', '\n',
                                    'a', 'n', 'i', 'm', '/', 'b', '.', 'p', 'n', 'g', '\n'}));
    const ParsedDescription parsed =
        ParseDescription(ZipEntry(dir_ / "out" / "disk.qdp", "musicdisk.cfg", dir_));
    ASSERT_FALSE(parsed.error.has_value());
    EXPECT_EQ(parsed.model.header.title, "Small");
    EXPECT_EQ(parsed.model.songs.size(), 2u);
    EXPECT_EQ(parsed.model.songs[1].isStream, 1);

    const Result check = Check();
    const Findings findings = CountFindings(check.output);
    EXPECT_EQ(findings.errors, 0) << check.output;
    EXPECT_EQ(findings.warnings, 0) << check.output;
    EXPECT_EQ(check.status, findings.unavailableTypes ? 1 : 0) << check.output;
}

TEST_F(QdpAuthoring, BuildReportsMissingFilesWhereTheSourceNamesThem) {
    Image("bg.png");
    const Result run = Build("[[songs]]\nfile = \"gone.mod\"\n[[intro.groups]]\n"
                             "effects = [{ type = \"ImageEffect\", texture = \"bg.png\" },\n"
                             "           { type = \"ImageEffect\", texture = \"nope.png\" }]\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Mentions(run, "disk.toml:5:46: error: \"nope.png\" not found"));
    EXPECT_TRUE(Mentions(run, "disk.toml:2:8: error: \"gone.mod\" not found"));
    EXPECT_FALSE(fs::exists(dir_ / "out" / "disk.qdp"));
}

TEST_F(QdpAuthoring, BuildRefusesSourceErrorsAndBadArguments) {
    const Result broken = Build("title = \"x\"\nwindowHeight = \"tall\"\n");
    EXPECT_EQ(broken.status, 1);
    EXPECT_TRUE(Mentions(broken, "disk.toml:2:16: error: `windowHeight`: expected an integer"));
    EXPECT_EQ(Shell(kQdp + " build " + Quote(dir_ / "disk.toml")).status, 2);
    EXPECT_EQ(Shell(kQdp + " build " + Quote(dir_ / "missing.toml") + " -o " + Quote(dir_)).status,
              1);
    const Result notAFolder = Shell(kQdp + " build " + Quote(dir_ / "disk.toml") + " -o " +
                                    Quote(dir_ / "out") + " --assets " + Quote(dir_ / "disk.toml"));
    EXPECT_EQ(notAFolder.status, 2);
    EXPECT_TRUE(Mentions(notAFolder, "qdp build: --assets " + (dir_ / "disk.toml").string() +
                                         ": not a folder"));
}

TEST_F(QdpAuthoring, TheDocumentedExampleBuildsAndPlays) {
    const std::string example = test::DocumentedExample();
    SourceDiagnostics diagnostics("example.toml");
    const CompiledDisk disk = CompileSource(example, "example.toml", diagnostics);
    ASSERT_FALSE(diagnostics.HasErrors()) << diagnostics.Format();
    // Each picture a colour of its own: the background dark blue, the logo orange.
    for (const SourceFile& texture : disk.textures) {
        Image(texture.name, 8, 8,
              texture.name == "images/logo.png"         ? 0xFFFF8000u
              : texture.name == "images/background.png" ? 0xFF000080u
                                                        : 0xFF808080u);
    }
    for (const AnimationList& animation : disk.animations) {
        for (const SourceFile& frame : *animation.frames) {
            Image(frame.name);
        }
    }
    Module(disk.songs.at(0).name);
    ASSERT_TRUE(test::WriteTone((dir_ / "assets" / disk.songs.at(1).name).string(),
                                SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, 2, 1.0, 440.0, 0.5));
    const Result build = Build(example, "example.toml");
    ASSERT_EQ(build.status, 0) << build.output;

    // Two seconds in, the intro's logo has faded in at the centre; at six the intro (four
    // seconds long) has ended and the overlay's background shows at the right edge.
    const fs::path frame = dir_ / "frame.png";
    const auto pixel = [&](double seconds, double x, double y) {
        const Result render =
            Shell(kQdp + " render " + Quote(dir_ / "out" / "example.qdp") + " --time " +
                  std::to_string(seconds) + " --size 160x90 --out " + Quote(frame));
        EXPECT_EQ(render.status, 0) << render.output;
        const std::vector<uint8_t> png = ReadBytes(frame);
        DecodedImage image;
        EXPECT_TRUE(DecodeImage(png.data(), png.size(), image));
        const auto column = static_cast<size_t>((x + 1) / 2 * image.width);
        const auto row = static_cast<size_t>((1 - y) / 2 * image.height);
        return image.argb.empty() ? 0u
                                  : image.argb[row * static_cast<size_t>(image.width) + column];
    };
    EXPECT_EQ(pixel(2, 0, 0), 0xFFFF8000u);
    EXPECT_EQ(pixel(6, 0.95, 0), 0xFF000080u);
}

TEST_F(QdpAuthoring, BuildShowsProgressOnATerminalForLargeDisks) {
    Wave("large.wav", 9u << 19); // 9 MiB
    WriteText(dir_ / "disk.toml", "[[songs]]\nfile = \"large.wav\"\n");
    const std::string build = kQdp + " build " + Quote(dir_ / "disk.toml") + " -o " +
                              Quote(dir_ / "out") + " --assets " + Quote(dir_ / "assets");
    // script(1) gives the build a terminal; without one there is no bar.
    const Result terminal = Shell("script -qec \"" + build + "\" /dev/null");
    EXPECT_EQ(terminal.status, 0) << terminal.output;
    EXPECT_TRUE(Mentions(terminal, "qdp build [##############################] 100%"));
    const Result piped = Shell(build);
    EXPECT_EQ(piped.output.find("qdp build ["), std::string::npos) << piped.output;
}

TEST_F(QdpAuthoring, DumpBuildsBackTheSameDescription) {
    Image("bg.png");
    Image("button.png");
    Image("anim/a.png");
    Image("anim/b.png");
    Module("tune.mod");
    Wave("waves/take.wav");
    ASSERT_EQ(Build(kSmallDisk).status, 0);
    const fs::path disk = dir_ / "out" / "disk.qdp";
    const std::vector<uint8_t> original = ZipEntry(disk, "musicdisk.cfg", dir_);

    // The source keeps the list's lines, so the rebuild writes the list without its file.
    const Result dump = Shell(kQdp + " dump " + Quote(disk) + " > " + Quote(dir_ / "again.toml"));
    ASSERT_EQ(dump.status, 0) << dump.output;
    const Result rebuild = Shell(kQdp + " build " + Quote(dir_ / "again.toml") + " -o " +
                                 Quote(dir_ / "again") + " --assets " + Quote(dir_ / "assets"));
    ASSERT_EQ(rebuild.status, 0) << rebuild.output;
    EXPECT_EQ(ZipEntry(dir_ / "again" / "disk.qdp", "musicdisk.cfg", dir_), original);
    EXPECT_EQ(ZipEntry(dir_ / "again" / "disk.qdp", "anim/list.txt", dir_),
              ZipEntry(disk, "anim/list.txt", dir_));

    // A bare description dumps the same way.
    WriteBytes(dir_ / "musicdisk.cfg", original);
    const Result bare = Shell(kQdp + " dump " + Quote(dir_ / "musicdisk.cfg"));
    EXPECT_EQ(bare.status, 0);
    EXPECT_TRUE(Mentions(bare, "name = \"musicdisk\""));
}

TEST_F(QdpAuthoring, DumpWarnsAboutWhatASourceCannotKeep) {
    DescriptionModel model;
    model.trailing = {1, 2, 3};
    WriteBytes(dir_ / "musicdisk.cfg", WriteDescription(model));
    const Result run = Shell(kQdp + " dump " + Quote(dir_ / "musicdisk.cfg"));
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(Mentions(run, "warning: the 3 bytes after the last page"));

    std::vector<uint8_t> negative = WriteDescription(DescriptionModel{});
    negative[negative.size() - 12] = 0xFF; // songCount -1: songs, textures, pages are the last 12
    negative[negative.size() - 11] = 0xFF;
    negative[negative.size() - 10] = 0xFF;
    negative[negative.size() - 9] = 0xFF;
    WriteBytes(dir_ / "musicdisk.cfg", negative);
    const Result counts = Shell(kQdp + " dump " + Quote(dir_ / "musicdisk.cfg"));
    EXPECT_TRUE(Mentions(counts, "warning: the description has negative counts"));

    WriteBytes(dir_ / "musicdisk.cfg", {'q', 'u', 'i', 'b'});
    const Result cut = Shell(kQdp + " dump " + Quote(dir_ / "musicdisk.cfg"));
    EXPECT_EQ(cut.status, 1);
    EXPECT_TRUE(Mentions(cut, "at byte 4"));
}

// ---- check -------------------------------------------------------------------------------

struct CheckCase {
    const char* name;
    const char* source;  // an overlay group's effects and intervals, after a standard header
    const char* at;      // where in `source` the finding points: build reports its column
    const char* finding; // expected in the output of build and check
    bool error;
};

const CheckCase kCheckCases[] = {
    {"TexturePastTheEnd", "effects = [{ type = \"ImageEffect\", texture = 5 }]", "5 }]",
     "texture index 5 is past the end: only 1 texture loads", true},
    {"OffScreen",
     "effects = [{ type = \"ImageEffect\", texture = \"ok.png\", x = 1.5, width = 0.2 }]", "1.5",
     "the rectangle lies entirely off screen", false},
    {"IntervalBackwards", "intervals = [[5, 1]]", "[5, 1]",
     "the interval [5, 1] starts after it ends", false},
    {"FlagNeverConsumed",
     "effects = [{ type = \"ButtonEffect\", normal = { texture = \"ok.png\" }, command = "
     "\"raise\", commandArgument = 3 }]",
     "3 }]", "raises event flag 3, which no effect waits on", false},
    {"FlagBeyondTheLast",
     "effects = [{ type = \"ButtonEffect\", normal = { texture = \"ok.png\" }, command = "
     "\"raise\", commandArgument = 70000 }]",
     "70000", "raises event flag 70000, which the player ignores (flags go up to 65535)", false},
    {"FlagNeverRaised",
     "effects = [{ type = \"ToggledImageEffect\", texture = \"ok.png\", eventFlag = 2 }]", "2 }]",
     "waits on event flag 2, which no button raises", false},
    {"FlagTakenByTwo",
     "effects = [{ type = \"ButtonEffect\", normal = { texture = \"ok.png\" }, command = "
     "\"raise\", commandArgument = 2 }, { type = \"ToggledImageEffect\", texture = \"ok.png\", "
     "eventFlag = 2 }, { type = \"ToggledImageEffect\", texture = \"ok.png\", eventFlag = 2 }]",
     "2 }]", "waits on event flag 2 like ", false},
    {"SliderAsWideAsItsKnob",
     "effects = [{ type = \"SliderBarEffect\", texture = \"ok.png\", width = 0.1, height = 0.2 }]",
     "0.1,", "the slider is exactly as wide as its knob", true},
    {"CommandOutsideThePlayer",
     "effects = [{ type = \"ButtonEffect\", normal = { texture = \"ok.png\" }, command = 9 }]",
     "9 }]", "command 9 is not a player command (0..8); it does nothing", false},
    {"SongOutsideThePlaylist",
     "effects = [{ type = \"ButtonEffect\", normal = { texture = \"ok.png\" }, command = "
     "\"select\", commandArgument = 1 }]",
     "1 }]", "selects song 1 but the playlist has 1 songs (0..0)", false},
    {"VolumeOutsidePercent",
     "effects = [{ type = \"ButtonEffect\", normal = { texture = \"ok.png\" }, command = "
     "\"volume\", commandArgument = 101 }]",
     "101", "sets the volume to 101 percent, outside 0..100", false},
    {"ClipLevelZero", "effects = [{ type = \"BouncingEQVisualizer\", clipLevel = 0 }]", "0 }]",
     "clipLevel is 0.0, not above 0: every band reads 0", true},
    {"ClipLevelNegative", "effects = [{ type = \"PlasmaVisualizer\", clipLevel = -0.5 }]", "-0.5",
     "clipLevel is -0.5, not above 0", true},
    {"BandsPastTheSpectrum",
     "effects = [{ type = \"VerticalEQBarsVisualizer\", linearBands = true, bandFactor = 2 }]",
     "2 }]", "band 32 of 64 would end at bin 264, past the spectrum's 256 bins", false},
    {"LogBandsPastTheSpectrum",
     "effects = [{ type = \"BouncingEQVisualizer\", bandCount = 4, bandFactor = 16 }]", "16",
     "band 3 of 4 would end at bin 512", false},
    {"TooManyBands", "effects = [{ type = \"PlasmaVisualizer\", beatBandCount = 70000 }]", "70000",
     "beatBandCount is 70000, above 65536: the visualizer draws nothing", true},
    {"PlasmaBands", "effects = [{ type = \"PlasmaVisualizer\", beatBandCount = 4 }]", "4 }]",
     "the plasma reads 6 beat bands but beatBandCount is 4", false},
    {"FlowerBands", "effects = [{ type = \"BeatFlowerVisualizer\", bandCount = 12 }]", "12",
     "the flowers read 18 bands and 5 beat bands but bandCount is 12", false},
    {"FrameDurationZero",
     "effects = [{ type = \"AnimationEffect\", listName = \"l.txt\", frames = [\"ok.png\"], "
     "frameDuration = 0 }]",
     "0 }]", "frameDuration 0 must be above 0", true},
    {"ScrollSpeedZero", "effects = [{ type = \"SongNameEffect\", scrollSpeed = 0 }]", "0 }]",
     "scrollSpeed 0 must be above 0", true},
    {"ScrollerSpeedNegative",
     "effects = [{ type = \"VerticalScrollerEffect\", text = \"x\", scrollSpeed = -1 }]", "-1",
     "scrollSpeed -1 must be above 0", true},
    {"ScrollerFlagNeverRaised",
     "effects = [{ type = \"VerticalScrollerEffect\", text = \"x\", eventFlag = 4 }]", "4 }]",
     "waits on event flag 4, which no button raises", false},
    {"FontFaceMissing",
     "effects = [{ type = \"SongNameEffect\", fontFace = \"Quib Missing Face\" }]", "\"Quib",
     "font face \"Quib Missing Face\" is not installed on this machine; the text is drawn in \"",
     false},
    {"ScrollerLineCutOff",
     "effects = [{ type = \"VerticalScrollerEffect\", width = 0.5, textFormat = [\"center\"], "
     "text = \"a line far too long for a box a quarter of the screen wide\" }]",
     "\"a line", "the text's widest line is ", false},
};

class QdpCheckCase : public QdpAuthoring, public testing::WithParamInterface<CheckCase> {};

// Build reports the finding at the value that causes it (and packs nothing on an error);
// check reports it in the description, as the only finding.
TEST_P(QdpCheckCase, ReportsTheFinding) {
    Image("ok.png");
    Module("tune.mod");
    const CheckCase& c = GetParam();
    const std::string source = c.source;
    const std::string head =
        std::string(
            "textures = [\"ok.png\"]\n[[songs]]\nfile = \"tune.mod\"\n[[overlay.groups]]\n") +
        (source.find("intervals") == std::string::npos ? "intervals = [[0, 10]]\n" : "");
    const std::string severity = c.error ? ": error: " : ": warning: ";
    const Result build = Build(head + source + "\n");
    const auto line = std::count(head.begin(), head.end(), '\n') + 1;
    EXPECT_TRUE(Mentions(build, "disk.toml:" + std::to_string(line) + ":" +
                                    std::to_string(source.find(c.at) + 1) + severity + c.finding));
    const Findings built = CountFindings(build.output);
    EXPECT_EQ(built.errors + built.warnings, 1) << build.output;
    EXPECT_EQ(build.status, c.error ? 1 : 0) << build.output;

    const Result check = Check(BareDisk(head + source + "\n"));
    EXPECT_TRUE(Mentions(check, c.finding));
    const Findings findings = CountFindings(check.output);
    EXPECT_EQ(findings.errors, c.error ? 1 : 0) << check.output;
    EXPECT_EQ(findings.warnings, c.error ? 0 : 1) << check.output;
    EXPECT_EQ(check.status, c.error ? 1 : 0) << check.output;
}

INSTANTIATE_TEST_SUITE_P(QdpCheck, QdpCheckCase, testing::ValuesIn(kCheckCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(QdpAuthoring, AnOpaquePictureOverAWholeSongPageIsSaidToHideTheOverlay) {
    Image("ok.png");
    Image("glass.png", 8, 8, 0x80336699u);
    Module("tune.mod");
    const Result build = Build(R"(textures = ["ok.png", "glass.png"]
[[overlay.groups]]
intervals = [[0, 10]]
effects = [{ type = "ImageEffect", texture = "ok.png", width = 0.5, height = 0.5 }]
[[songs]]
file = "tune.mod"
[[songs.page.groups]]
intervals = [[0, 5]]
effects = [{ type = "ImageEffect", texture = "glass.png" },
           { type = "ImageEffect", texture = "ok.png" },
           { type = "ImageEffect", texture = "ok.png", x = -0.9 }]
)");
    EXPECT_TRUE(Mentions(build, "disk.toml:10:12: warning: an opaque picture over the whole screen "
                                "on a song page hides the overlay page"))
        << build.output;
    EXPECT_EQ(CountFindings(build.output).warnings, 1) << build.output;
}

constexpr char kNamedFlagDisk[] = R"([[overlay.groups]]
intervals = [[0, 10]]
effects = [
  { type = "ButtonEffect", normal = { texture = "ok.png" }, command = "raise", commandArgument = "flag1" },
  { type = "ToggledImageEffect", texture = "ok.png", eventFlag = "flag1" },
  { type = "ToggledImageEffect", texture = "ok.png", eventFlag = "flag1" },
]
)";

TEST_F(QdpAuthoring, BuildAndCheckNameTheFlagsTheSourceNamed) {
    Image("ok.png");
    const Result build = Build(kNamedFlagDisk);
    EXPECT_EQ(build.status, 0) << build.output;
    // Build names the rival by its place in the source, check by its place in the disk.
    EXPECT_TRUE(Mentions(build, "disk.toml:6:66: warning: waits on event flag \"flag1\" like the "
                                "one at " +
                                    (dir_ / "disk.toml").string() + ":5:66; a raised flag"));
    EXPECT_TRUE(Mentions(Check(), "waits on event flag \"flag1\" like page 1 (overlay), group 0, "
                                  "effect 1 (ToggledImageEffect); a raised flag is taken by one of "
                                  "them only"));
}

TEST_F(QdpAuthoring, BuildWithWerrorRefusesWarnings) {
    Image("ok.png");
    const Result build = Build(kNamedFlagDisk, "disk.toml", " --werror");
    EXPECT_EQ(build.status, 1);
    EXPECT_TRUE(Mentions(build, "disk.toml:6:66: error: waits on event flag \"flag1\""));
    EXPECT_FALSE(fs::exists(dir_ / "out" / "disk.qdp"));
}

// ---- Timing ------------------------------------------------------------------------------

struct TimingCase {
    const char* name;
    const char* source;  // a whole source; one.wav lasts 1 s, loop.mod loops forever
    const char* at;      // where in `source` the finding points
    const char* finding; // expected from build and, for a warning, from check; null for none
    bool error;
};

const TimingCase kTimingCases[] = {
    {"IntroLongerThanTheFirstSong",
     "[[songs]]\nfile = \"one.wav\"\n[intro]\n[[intro.groups]]\n"
     "intervals = [[0, 2]]\n",
     "2]]",
     "the intro lasts 0:02.0, longer than song 0 \"one.wav\" (0:01.0) whose position times it",
     false},
    {"FadeOutAfterTheSongEnds",
     "[[songs]]\nfile = \"one.wav\"\n[[songs.page.groups]]\nintervals = [[0, 3]]\n"
     "effects = [{ type = \"ImageEffect\", texture = \"ok.png\", fadeOut = 1.5 }]\n",
     "1.5", "the fade-out at the end of [0, 3] begins after song 0 \"one.wav\" ends at 0:01.0",
     false},
    {"FadeOutBeforeTheSongEnds",
     "[[songs]]\nfile = \"one.wav\"\n[[songs.page.groups]]\nintervals = [[0, 3]]\n"
     "effects = [{ type = \"ImageEffect\", texture = \"ok.png\", fadeOut = 2.5 }]\n",
     "", nullptr, false},
    {"FadeInAfterTheSongEnds",
     "[[songs]]\nfile = \"one.wav\"\n[[intro.groups]]\nintervals = [[0, 0.5]]\n"
     "[[songs.page.groups]]\nintervals = [[0.75, 3]]\n"
     "effects = [{ type = \"ImageEffect\", texture = \"ok.png\", fadeIn = 0.25 }]\n",
     "0.25",
     "the fade-in at the start of [0.75, 3] begins after song 0 \"one.wav\" ends at "
     "0:00.5 on its page's clock, which starts after the intro",
     false},
    {"FadeLongerThanItsInterval",
     "[[songs]]\nfile = \"one.wav\"\n[[overlay.groups]]\nintervals = [[0, 10], [20, 21]]\n"
     "effects = [{ type = \"ButtonEffect\", normal = { texture = \"ok.png\" }, command = "
     "\"play\", fadeIn = 2 }]\n",
     "2 }", "fadeIn 2 is longer than the interval [20, 21]: the fade never completes", false},
    {"IntervalShorterThanAFrame",
     "[[songs]]\nfile = \"one.wav\"\n[[overlay.groups]]\nintervals = [[0, 10], [4, 4.01]]\n",
     "[4, 4.01]", "the interval [4, 4.01] is shorter than one frame (1/60 s)", false},
    {"GroupWithoutIntervals",
     "[[songs]]\nfile = \"one.wav\"\n[[overlay.groups]]\n"
     "effects = [{ type = \"ImageEffect\", texture = \"ok.png\" }]\n",
     "[[overlay.groups]]", "the group has no intervals, so it is never drawn", false},
    {"DiskWithoutSongs", "title = \"Silent\"\n", "title",
     "the disk has no songs: nothing plays and the player never gets past the intro", false},
    {"EndOnTheOverlay",
     "[[songs]]\nfile = \"one.wav\"\n[[overlay.groups]]\nintervals = [[0, \"end\"]]\n", "\"end\"",
     "\"end\" is the end of the page's song, but the overlay has no song of its own", true},
    {"EndOfALoopingSong",
     "[[songs]]\nfile = \"loop.mod\"\nmoduleFlags = [\"loop\"]\n[[songs.page.groups]]\n"
     "intervals = [[0, \"end\"]]\n",
     "\"end\"", "\"end\": song 0 \"loop.mod\" loops forever, so when it ends is unknown", true},
};

class QdpTimingCase : public QdpAuthoring, public testing::WithParamInterface<TimingCase> {};

TEST_P(QdpTimingCase, ReportsTheFinding) {
    Image("ok.png");
    Wave("one.wav", 44100);
    Module("loop.mod");
    const TimingCase& c = GetParam();
    const std::string source = c.source;
    const Result build = Build(source);
    const Findings built = CountFindings(build.output);
    EXPECT_EQ(build.status, c.error ? 1 : 0) << build.output;
    if (c.finding == nullptr) {
        EXPECT_EQ(built.errors + built.warnings, 0) << build.output;
        EXPECT_TRUE(Mentions(Check(), ": 0 errors, 0 warnings"));
        return;
    }
    const size_t at = source.find(c.at);
    const auto line = std::count(source.begin(), source.begin() + static_cast<long>(at), '\n') + 1;
    const size_t column = at - (at == 0 ? 0 : source.rfind('\n', at - 1) + 1) + 1;
    EXPECT_TRUE(Mentions(build, "disk.toml:" + std::to_string(line) + ":" + std::to_string(column) +
                                    (c.error ? ": error: " : ": warning: ") + c.finding));
    EXPECT_EQ(built.errors + built.warnings, 1) << build.output;
    if (!c.error) {
        EXPECT_TRUE(Mentions(Check(), c.finding));
    }
}

INSTANTIATE_TEST_SUITE_P(QdpTiming, QdpTimingCase, testing::ValuesIn(kTimingCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(QdpAuthoring, EndIsTheEndOfThePagesSongAndCheckListsTheLengths) {
    Wave("one.wav", 44100);
    Wave("two.wav", 88200);
    ASSERT_EQ(Build("[[songs]]\nfile = \"one.wav\"\n[[songs.page.groups]]\n"
                    "intervals = [[0, \"end\"]]\n[[songs]]\nfile = \"two.wav\"\n"
                    "[[songs.page.groups]]\nintervals = [[0.5, \"end\"]]\n"
                    "[[intro.groups]]\nintervals = [[0, 0.25]]\n")
                  .status,
              0);
    const ParsedDescription parsed =
        ParseDescription(ZipEntry(dir_ / "out" / "disk.qdp", "musicdisk.cfg", dir_));
    ASSERT_EQ(parsed.model.pages.size(), 4u);
    // Song 0's page starts when the intro ends.
    EXPECT_EQ(parsed.model.pages[2].groups[0].intervals[0].end, 44100 - 11025);
    EXPECT_EQ(parsed.model.pages[3].groups[0].intervals[0].end, 88200);
    const Result check = Check();
    EXPECT_TRUE(Mentions(check, "song 0 \"one.wav\": 0:01.0\n"));
    EXPECT_TRUE(Mentions(check, "song 1 \"two.wav\": 0:02.0\n"));
}

TEST_F(QdpAuthoring, CheckWarnsOfAWindowWithoutASize) {
    Module("tune.mod");
    ASSERT_EQ(Build("windowHeight = 0\n[[songs]]\nfile = \"tune.mod\"\n").status, 0);
    EXPECT_TRUE(Mentions(Check(),
                         "warning: header: windowHeight 0 by aspect 1.7777778 gives the window "
                         "no size; the window opens at 640 x 480 instead"));
}

TEST_F(QdpAuthoring, CheckFindsSongsThatAreMissingOrDoNotDecode) {
    Module("tune.mod");
    WriteText(dir_ / "assets" / "noise.mod", "this is not a tracker module");
    WriteText(dir_ / "assets" / "noise.ogg", "nor is this a stream");
    const std::string source = "[[songs]]\nfile = \"tune.mod\"\n[[songs]]\nfile = \"noise.mod\"\n"
                               "[[songs]]\nfile = \"noise.ogg\"\n";
    const Result build = Build(source);
    EXPECT_EQ(build.status, 1);
    EXPECT_TRUE(Mentions(build, "disk.toml:4:8: error: \"" + (dir_ / "assets").string() +
                                    "/noise.mod\" does not decode as a tracker module"));
    EXPECT_TRUE(Mentions(build, "disk.toml:6:8: error: "));
    const std::string disk = BareDisk(source);
    fs::remove(dir_ / "bare" / "music" / "tune.mod");
    const Result check = Check(disk);
    EXPECT_EQ(check.status, 1);
    EXPECT_TRUE(Mentions(check, "song 0 \"tune.mod\": \"" + (dir_ / "bare" / "music").string() +
                                    "/tune.mod\" is missing"));
    EXPECT_TRUE(Mentions(check, "noise.mod\" does not decode as a tracker module"));
    EXPECT_TRUE(Mentions(check, "noise.ogg\" does not decode as a sampled stream"));
}

TEST_F(QdpAuthoring, CheckExplainsTheIndexShiftOfAnImageThatDoesNotDecode) {
    Image("a.png");
    WriteText(dir_ / "assets" / "broken.png", "not a picture");
    Image("c.png");
    const std::string source =
        "textures = [\"a.png\", \"broken.png\", \"c.png\"]\n[[intro.groups]]\n"
        "effects = [{ type = \"ImageEffect\", texture = \"c.png\" }]\n";
    const std::string shift = "\"broken.png\": it is not an image the player can decode. It takes "
                              "no index, so the texture after it moves up by one (\"c.png\" gets "
                              "index 1 instead of 2)";
    const Result build = Build(source);
    EXPECT_EQ(build.status, 1);
    EXPECT_TRUE(Mentions(build, "disk.toml:1:22: error: " + shift));
    // The image effect asks for index 2, which no longer exists.
    EXPECT_TRUE(
        Mentions(build, "disk.toml:3:46: error: texture \"c.png\" (index 2) is past the end"));

    Image("broken.png");
    ASSERT_EQ(Build(source).status, 0);
    EditEntry("broken.png", "b\"not a picture\"");
    const Result check = Check("out/edited.qdp");
    EXPECT_EQ(check.status, 1);
    EXPECT_TRUE(Mentions(check, "texture 1: " + shift));
    EXPECT_TRUE(
        Mentions(check, "texture \"c.png\" (index 2) is past the end: only 2 textures load"));
}

TEST_F(QdpAuthoring, CheckFindsMissingAnimationFrames) {
    Image("a.png");
    ASSERT_EQ(Build("[[intro.groups]]\neffects = [{ type = \"AnimationEffect\", listName = "
                    "\"l.txt\", frames = [\"a.png\"] }]\n")
                  .status,
              0);
    // Rewrite the list inside the archive so that it names a frame the archive lacks.
    EditEntry("l.txt", "b\"a.png\\r\\n\\r\\nb.png\"");
    const Result check = Check("out/edited.qdp");
    EXPECT_EQ(check.status, 1);
    EXPECT_TRUE(Mentions(check, "frame \"b.png\" of \"l.txt\": the archive has no readable entry"));
    EXPECT_EQ(check.output.find("frame \"a.png\""), std::string::npos) << check.output;
}

TEST_F(QdpAuthoring, CheckRefusesAnUnreadableDescriptionAndSpeaksJson) {
    WriteBytes(dir_ / "musicdisk.cfg", {'t', 0, 1, 1});
    const Result check = Shell(kQdp + " check --json " + Quote(dir_ / "musicdisk.cfg"));
    EXPECT_EQ(check.status, 1);
    const Result parse = Shell(kQdp + " check --json " + Quote(dir_ / "musicdisk.cfg") +
                               " | python3 -c 'import json, sys; f = json.load(sys.stdin); "
                               "print(f[0][\"severity\"], f[0][\"where\"])'");
    EXPECT_EQ(parse.output, "error description at byte 4\n") << check.output;
}

// ---- The demo disk -------------------------------------------------------------------------

const fs::path kDemo = fs::path(QUIB_BINARY_DIR) / "demo" / "demo.qdp";

TEST_F(QdpAuthoring, TheDemoDiskPassesCheckAndDumpsBackToItself) {
    ASSERT_TRUE(fs::exists(kDemo)) << "build the demo_disk target first";
    const Result check = Shell(kQdp + " check " + Quote(kDemo));
    EXPECT_EQ(check.status, 0) << check.output;
    // Each song page's about panel waits on the same flag; only one song page draws at a time.
    EXPECT_TRUE(Mentions(check, ": 0 errors, 0 warnings")) << check.output;

    const Result dump = Shell(kQdp + " dump " + Quote(kDemo) + " 2>/dev/null");
    ASSERT_EQ(dump.status, 0);
    SourceDiagnostics diagnostics("demo-dump.toml");
    const CompiledDisk again = CompileSource(dump.output, "demo-dump.toml", diagnostics);
    EXPECT_FALSE(diagnostics.HasErrors()) << diagnostics.Format();
    EXPECT_EQ(WriteDescription(again.model), ZipEntry(kDemo, "musicdisk.cfg", dir_));
}

TEST_F(QdpAuthoring, AFrameOfTheDemoRendersHeadless) {
    ASSERT_TRUE(fs::exists(kDemo)) << "build the demo_disk target first";
    const fs::path frame = dir_ / "frame.png";
    const Result render =
        Shell(kQdp + " render " + Quote(kDemo) + " --time 2 --size 428x240 --out " + Quote(frame));
    ASSERT_EQ(render.status, 0) << render.output;
    const std::vector<uint8_t> png = ReadBytes(frame);
    DecodedImage image;
    ASSERT_TRUE(DecodeImage(png.data(), png.size(), image));
    EXPECT_EQ(image.width, 428);
    EXPECT_EQ(image.height, 240);
    // Two seconds in, the intro's background has faded in: the frame is not black.
    uint64_t brightness = 0;
    for (uint32_t pixel : image.argb) {
        brightness += ((pixel >> 16) & 0xFF) + ((pixel >> 8) & 0xFF) + (pixel & 0xFF);
    }
    EXPECT_GT(brightness / image.argb.size(), 30u);
}

// The frame at (x, y) of `large` scaled to `width` x `height` as a linear blit samples it.
uint32_t ScaledDown(const RenderedFrame& large, int width, int height, int x, int y) {
    const double sx = std::max(0.0, (x + 0.5) * large.width / width - 0.5);
    const double sy = std::max(0.0, (y + 0.5) * large.height / height - 0.5);
    const int x0 = static_cast<int>(sx);
    const int y0 = static_cast<int>(sy);
    const int x1 = std::min(x0 + 1, large.width - 1);
    const int y1 = std::min(y0 + 1, large.height - 1);
    const double fx = sx - x0;
    const double fy = sy - y0;
    uint32_t result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const auto at = [&](int px, int py) {
            return static_cast<double>(
                (large.argb[static_cast<size_t>(py) * large.width + px] >> shift) & 0xFF);
        };
        const double top = at(x0, y0) * (1 - fx) + at(x1, y0) * fx;
        const double bottom = at(x0, y1) * (1 - fx) + at(x1, y1) * fx;
        result |= static_cast<uint32_t>(std::lround(top * (1 - fy) + bottom * fy)) << shift;
    }
    return result;
}

TEST_F(QdpAuthoring, TheDemoDrawnAtItsWindowSizeLooksAsDrawnLargeAndScaledDown) {
    ASSERT_TRUE(fs::exists(kDemo)) << "build the demo_disk target first";
    // A song page with text, pictures and visualizers, drawn at the window's own size and at
    // a desktop's size, then scaled down as a window once showed a desktop-sized frame.
    RenderedFrame own;
    RenderedFrame large;
    ASSERT_TRUE(RenderDisk({{kDemo.string()}, 12.0}, own));
    ASSERT_TRUE(RenderDisk({{kDemo.string(), 1920, 1080}, 12.0}, large));
    ASSERT_EQ(own.width, 853);
    ASSERT_EQ(own.height, 480);
    // Edges are sampled differently (a texture minified once, or drawn large and then
    // averaged), so single pixels may differ; the picture as a whole may not.
    uint64_t difference = 0;
    size_t far = 0;
    for (int y = 0; y < own.height; ++y) {
        for (int x = 0; x < own.width; ++x) {
            const uint32_t a = own.argb[static_cast<size_t>(y) * own.width + x];
            const uint32_t b = ScaledDown(large, own.width, own.height, x, y);
            int worst = 0;
            for (int shift = 0; shift < 24; shift += 8) {
                const int d = std::abs(static_cast<int>((a >> shift) & 0xFF) -
                                       static_cast<int>((b >> shift) & 0xFF));
                difference += static_cast<uint64_t>(d);
                worst = std::max(worst, d);
            }
            far += worst > 48 ? 1 : 0;
        }
    }
    const double pixels = static_cast<double>(own.argb.size());
    EXPECT_LT(static_cast<double>(difference) / (3 * pixels), 3.0);
    EXPECT_LT(static_cast<double>(far) / pixels, 0.01);
}

} // namespace
} // namespace quib
