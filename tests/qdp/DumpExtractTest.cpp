// qdp dump --extract: a disk taken apart into its source and files, and built again; the
// archives compared with Python's zipfile.
#include "description/DescriptionModel.h"
#include "qdp/QdpTestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace quib {
namespace {

namespace fs = std::filesystem;

class DumpExtract : public ::testing::Test {
protected:
    void SetUp() override {
        scratch = fs::temp_directory_path() / ("quib-extract-" + std::to_string(getpid()));
        fs::remove_all(scratch);
        fs::create_directories(scratch);
    }
    void TearDown() override { fs::remove_all(scratch); }

    Result Extract(const fs::path& disk, const std::string& options = "") {
        return Shell(kQdp + " dump " + Quote(disk) + " --extract " + Quote(scratch / "x") + " " +
                     options);
    }

    fs::path scratch;
};

TEST_F(DumpExtract, TheDemoDiskBuildsBackToTheSameEntriesAndSongs) {
    const fs::path demo = fs::path(QUIB_BINARY_DIR) / "demo";
    ASSERT_TRUE(fs::exists(demo / "demo.qdp")) << "build the demo_disk target first";
    const Result extract = Extract(demo / "demo.qdp");
    ASSERT_EQ(extract.status, 0) << extract.output;
    EXPECT_FALSE(Mentions(extract, "warning")) << extract.output;
    EXPECT_EQ(Extract(demo / "demo.qdp").status, 1) << "the folder is not empty";
    EXPECT_EQ(Extract(demo / "demo.qdp", "--force").status, 0);

    const Result build = Shell(kQdp + " build " + Quote(scratch / "x" / "demo.toml") + " -o " +
                               Quote(scratch / "out"));
    ASSERT_EQ(build.status, 0) << build.output;
    // The entries in order with their bytes (musicdisk.cfg among them), then the song files.
    const Result compare = Shell(
        "python3 -c 'import sys, zipfile, filecmp\n"
        "a, b = (zipfile.ZipFile(p + \"/demo.qdp\") for p in sys.argv[1:])\n"
        "print(a.namelist() == b.namelist(), all(a.read(n) == b.read(n) for n in a.namelist()))\n"
        "m = [p + \"/music\" for p in sys.argv[1:]]\n"
        "d = filecmp.dircmp(*m)\n"
        "print(d.left_only, d.right_only, filecmp.cmpfiles(*m, d.common_files, shallow=False))' " +
        Quote(demo) + " " + Quote(scratch / "out"));
    EXPECT_EQ(compare.output,
              "True True\n[] [] (['lantern-lights.mod', 'slow-tide.ogg'], [], [])\n");
}

// Names from the description are paths inside the folder: one that climbs out or is absolute
// is refused, whatever the archive holds under it.
TEST_F(DumpExtract, NamesLeadingOutOfTheFolderAreRefused) {
    const fs::path absolute = scratch / "absolute.png";
    DescriptionModel m;
    m.header = {"Hostile", 1, 1, 4.0f / 3.0f, 48};
    m.textures = {"..\\climbed.png", absolute.string(), "fine.png"};
    m.pages = {PageRecord{}, PageRecord{}};
    WriteBytes(scratch / "musicdisk.cfg", WriteDescription(m));
    const Result zip =
        Shell("python3 -c 'import sys, zipfile\n"
              "z = zipfile.ZipFile(sys.argv[1], \"w\")\n"
              "z.write(sys.argv[2], \"musicdisk.cfg\")\n"
              "for name in sys.argv[3:]: z.writestr(name, b\"image\")' " +
              Quote(scratch / "hostile.qdp") + " " + Quote(scratch / "musicdisk.cfg") +
              " ../climbed.png " + Quote(absolute) + " fine.png unnamed.txt");
    ASSERT_EQ(zip.status, 0) << zip.output;

    const Result extract = Extract(scratch / "hostile.qdp");
    EXPECT_EQ(extract.status, 1);
    EXPECT_TRUE(Mentions(extract, "'..\\\\climbed.png' leads out of"));
    EXPECT_TRUE(Mentions(extract, "'" + absolute.string() + "' leads out of"));
    EXPECT_TRUE(Mentions(extract, "entry 'unnamed.txt' is named by nothing"));
    EXPECT_FALSE(fs::exists(scratch / "climbed.png"));
    EXPECT_FALSE(fs::exists(absolute));
    EXPECT_EQ(ReadBytes(scratch / "x" / "fine.png"),
              std::vector<uint8_t>({'i', 'm', 'a', 'g', 'e'}));
}

} // namespace
} // namespace quib
