// The qdp program's archive commands as a user runs them: output, diagnostics, exit statuses.
#include "vfs/VfsTestSupport.h"
#include "vfs/ZipBuilder.h"
#include "vfs/ZipFixtures.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace quib {
namespace {

using ziptest::MakeBytes;
using ziptest::ReadFile;
using ziptest::RunShell;

class QdpTool : public ::testing::Test {
protected:
    // Runs qdp with arguments (already quoted for the shell); stderr goes to err.
    ziptest::CommandResult RunQdp(const std::string& arguments) {
        return RunShell(dir.Path(),
                        ziptest::Quote(ziptest::QdpPath()) + " " + arguments + " 2>err");
    }
    std::string Err() const { return ReadFile(dir.File("err")); }

    test::TempDir dir;
};

TEST_F(QdpTool, HelpVersionAndUsageErrors) {
    struct Case {
        std::string arguments;
        int status;
        const char* inOutput; // expected in stdout
        const char* inError;  // expected in stderr
    } cases[] = {
        {"--help", 0, "commands:", ""},
        {"help", 0, "  add ", ""},
        {"help cat", 0, "usage: qdp cat ARCHIVE ENTRY", ""},
        {"ls --help", 0, "usage: qdp ls ARCHIVE", ""},
        {"help ls", 0, "a backslash is shown as \\\\", ""},
        {"add a.zip --help", 0, "usage: qdp add ARCHIVE FILE [--as NAME] [--force]", ""},
        {"--version", 0, "qdp ", ""},
        {"", 2, "", "no command given"},
        {"frobnicate", 2, "", "unknown command 'frobnicate'"},
        {"help frobnicate", 2, "", "unknown command 'frobnicate'"},
        {"ls", 2, "", "qdp ls: no archive given"},
        {"ls a b", 2, "", "usage: qdp ls"},
        {"cat a.zip", 2, "", "usage: qdp cat"},
        {"add a.zip", 2, "", "usage: qdp add"},
        {"add a.zip f --as", 2, "", "--as needs an entry name"},
        {"add a.zip f --as ''", 2, "", "must not be empty"},
        {"add a.zip f --level 9", 2, "", "unknown option"},
    };
    for (const Case& c : cases) {
        const auto result = RunQdp(c.arguments);
        EXPECT_EQ(result.status, c.status) << c.arguments;
        EXPECT_NE(result.output.find(c.inOutput), std::string::npos) << c.arguments;
        EXPECT_NE(Err().find(c.inError), std::string::npos) << c.arguments << ": " << Err();
    }
}

TEST_F(QdpTool, LsAndCat) {
    const std::string big = MakeBytes(100000, 40);
    auto built = ziptest::BuildZip({{.name = "Textures/Logo.png", .content = "png bytes"},
                                    {.name = "music.txt", .content = big, .method = 8},
                                    {.name = "odd.lz", .content = "lz", .method = 14},
                                    {.name = "x.bin", .content = "x", .method = 99}});
    ASSERT_TRUE(ziptest::WriteFile(dir.File("d.qdp"), built.bytes));
    const auto listed = RunQdp("ls d.qdp");
    EXPECT_EQ(listed.status, 0);
    const auto line = [](const std::string& name, const char* method, size_t compressed,
                         const std::string& content) {
        char crc[16];
        std::snprintf(crc, sizeof crc, "%08x", ziptest::Crc32(content));
        return name + "\t" + method + "\t" + std::to_string(compressed) + "\t" +
               std::to_string(content.size()) + "\t" + crc + "\n";
    };
    EXPECT_EQ(listed.output, line("Textures/Logo.png", "stored", 9, "png bytes") +
                                 line("music.txt", "deflate", ziptest::Deflate(big).size(), big) +
                                 line("odd.lz", "lzma", 2, "lz") + line("x.bin", "other", 1, "x"));

    EXPECT_EQ(RunQdp("cat d.qdp music.txt").output, big);
    const auto byAnotherName = RunQdp("cat d.qdp 'textures\\LOGO.PNG'");
    EXPECT_EQ(byAnotherName.status, 0);
    EXPECT_EQ(byAnotherName.output, "png bytes");

    EXPECT_EQ(RunQdp("cat d.qdp missing.txt").status, 1);
    EXPECT_NE(Err().find("d.qdp: no entry named 'missing.txt'"), std::string::npos) << Err();
    EXPECT_EQ(RunQdp("cat d.qdp odd.lz").status, 1);
    EXPECT_NE(Err().find("method qdp cannot read (lzma)"), std::string::npos) << Err();
    EXPECT_EQ(RunQdp("ls nothere.qdp").status, 1);
    EXPECT_NE(Err().find("nothere.qdp: cannot open: No such file or directory"), std::string::npos)
        << Err();
    ASSERT_TRUE(ziptest::WriteFile(dir.File("text.qdp"), "just text"));
    EXPECT_EQ(RunQdp("ls text.qdp").status, 1);
    EXPECT_NE(Err().find("text.qdp: not a readable ZIP archive"), std::string::npos) << Err();

    // A flipped byte in the stored entry's data: cat delivers it but says it is damaged.
    std::string damaged = built.bytes;
    damaged[built.dataOffsets[0]] ^= 1;
    ASSERT_TRUE(ziptest::WriteFile(dir.File("bad.qdp"), damaged));
    EXPECT_EQ(RunQdp("cat bad.qdp Textures/Logo.png").status, 1);
    EXPECT_NE(Err().find("entry 'Textures/Logo.png' is damaged (CRC-32 mismatch)"),
              std::string::npos)
        << Err();
}

TEST_F(QdpTool, AddCreatesAppendsAndRefusesDuplicates) {
    ASSERT_TRUE(ziptest::WriteFile(dir.File("a.txt"), "first file"));
    ASSERT_TRUE(ziptest::WriteFile(dir.File("b.txt"), MakeBytes(50000, 41)));
    EXPECT_EQ(RunQdp("add new.qdp a.txt").status, 0) << Err();
    EXPECT_EQ(RunQdp("add new.qdp b.txt --as 'Data\\B.txt'").status, 0) << Err();
    EXPECT_EQ(RunShell(dir.Path(), "unzip -tq new.qdp >/dev/null").status, 0);
    EXPECT_EQ(RunQdp("cat new.qdp data/b.txt").output, MakeBytes(50000, 41));
    EXPECT_EQ(RunShell(dir.Path(), "unzip -p new.qdp a.txt").output, "first file");

    const std::string before = ReadFile(dir.File("new.qdp"));
    EXPECT_EQ(RunQdp("add new.qdp b.txt --as A.TXT").status, 1);
    EXPECT_NE(Err().find("new.qdp: an entry named 'A.TXT' is already present"), std::string::npos)
        << Err();
    EXPECT_EQ(RunQdp("add new.qdp missing.txt").status, 1);
    EXPECT_NE(Err().find("missing.txt: cannot open"), std::string::npos) << Err();
    EXPECT_EQ(RunQdp("add new.qdp new.qdp --as self").status, 1);
    EXPECT_EQ(ReadFile(dir.File("new.qdp")), before);

    ASSERT_TRUE(ziptest::WriteFile(dir.File("text.qdp"), "not an archive"));
    EXPECT_EQ(RunQdp("add text.qdp a.txt").status, 1);
    EXPECT_EQ(ReadFile(dir.File("text.qdp")), "not an archive");
    EXPECT_EQ(RunQdp("add nodir/x.qdp a.txt").status, 1);
    EXPECT_NE(Err().find("nodir/x.qdp: cannot create"), std::string::npos) << Err();
}

TEST_F(QdpTool, LsAndCatEscapeControlCharactersInNames) {
    auto built = ziptest::BuildZip({{.name = "a\nb\tc\x01\x7F\\d", .content = "x"}});
    ASSERT_TRUE(ziptest::WriteFile(dir.File("odd.zip"), built.bytes));
    const auto listed = RunQdp("ls odd.zip");
    EXPECT_EQ(listed.status, 0) << Err();
    EXPECT_EQ(listed.output.substr(0, listed.output.find('\t')), "a\\nb\\tc\\x01\\x7F\\\\d");
    EXPECT_EQ(std::count(listed.output.begin(), listed.output.end(), '\n'), 1) << listed.output;
    EXPECT_EQ(RunQdp("cat odd.zip 'new\nline'").status, 1);
    EXPECT_NE(Err().find("no entry named 'new\\nline'"), std::string::npos) << Err();
}

TEST_F(QdpTool, AddRefusesNamesOutsideTheArchiveUnlessForced) {
    ASSERT_TRUE(ziptest::WriteFile(dir.File("a.txt"), "content"));
    ASSERT_EQ(RunQdp("add d.qdp a.txt").status, 0) << Err();
    const std::string before = ReadFile(dir.File("d.qdp"));
    for (const char* name : {"../../x", "/etc/x", "C:/x", "a/../../b", "..\\\\x", "a/.."}) {
        EXPECT_EQ(RunQdp("add d.qdp a.txt --as " + ziptest::Quote(name)).status, 1) << name;
        EXPECT_NE(Err().find("give --force"), std::string::npos) << name << ": " << Err();
        EXPECT_EQ(ReadFile(dir.File("d.qdp")), before) << name;
    }
    EXPECT_EQ(RunQdp("add d.qdp a.txt --as ../x --force").status, 0) << Err();
    EXPECT_EQ(RunQdp("cat d.qdp ../x").output, "content");
    EXPECT_EQ(RunQdp("add d.qdp a.txt --as sub/..x/x..").status, 0) << Err();
}

TEST_F(QdpTool, SecondAddWaitsWhileTheArchiveIsBeingChanged) {
    ASSERT_TRUE(ziptest::WriteFile(dir.File("a.txt"), "content"));
    ASSERT_EQ(RunQdp("add d.qdp a.txt").status, 0) << Err();
    // Held here as a running add holds it.
    const int fd = open(dir.File("d.qdp").c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    struct flock whole {};
    whole.l_type = F_WRLCK;
    ASSERT_EQ(fcntl(fd, F_OFD_SETLK, &whole), 0);
    RunShell(dir.Path(), "(" + ziptest::Quote(ziptest::QdpPath()) +
                             " add d.qdp a.txt --as b.txt 2>err; echo $? >status) >/dev/null &");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(ReadFile(dir.File("status")), "") << "the second add went ahead: " << Err();
    EXPECT_NE(Err().find("d.qdp: busy"), std::string::npos) << Err();
    close(fd);
    for (int i = 0; i < 100 && ReadFile(dir.File("status")).empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(ReadFile(dir.File("status")), "0\n") << Err();
    EXPECT_EQ(RunQdp("cat d.qdp b.txt").output, "content");
}

} // namespace
} // namespace quib
