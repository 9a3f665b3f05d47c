// Archives written by other tools (Info-ZIP zip, Python's zipfile) read here, and archives
// extended here checked by Info-ZIP unzip.
#include "vfs/StreamSettings.h"
#include "vfs/VfsTestSupport.h"
#include "vfs/ZipArchive.h"
#include "vfs/ZipBuilder.h"
#include "vfs/ZipFixtures.h"
#include "vfs/ZipTestSupport.h"

#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace quib {
namespace {

using ziptest::MakeBytes;
using ziptest::Quote;
using ziptest::ReadEntry;
using ziptest::RunShell;

struct Expected {
    std::string name;
    int32_t method;
    std::string content;
};

class ZipInterop : public ::testing::Test {
protected:
    void SetUp() override {
        InstallBufferedAccessorFactory(32768, 32768);
        files = {
            {"stored.txt", "short text, stored as it is\n"},
            {"deflated.txt", MakeBytes(150000, 30)},
            {"sub/dir/nested.bin", MakeBytes(70000, 31)},
            {"sub/Logo.PNG", MakeBytes(3000, 32)},
            {"empty.txt", ""},
        };
        ASSERT_EQ(RunShell(dir.Path(), "mkdir -p sub/dir emptydir").status, 0);
        for (const auto& [name, content] : files) {
            ASSERT_TRUE(ziptest::WriteFile(dir.File(name), content)) << name;
        }
    }
    void TearDown() override { ResetStreamSettings(); }

    std::string Locator(const std::string& name) const { return "file://" + dir.File(name); }

    // Opens the archive and checks that its entries are the expected ones, in the order that
    // Info-ZIP's zipinfo lists them, with their methods and contents.
    void ExpectEntries(const std::string& archiveName, const std::vector<Expected>& expected) {
        std::vector<std::string> order;
        std::string names = RunShell(dir.Path(), "zipinfo -1 " + archiveName).output;
        for (size_t at = 0, next = 0; (next = names.find('\n', at)) != std::string::npos;
             at = next + 1) {
            order.push_back(names.substr(at, next - at));
        }
        ZipArchive archive;
        ASSERT_TRUE(archive.open(Locator(archiveName).c_str(), 'r')) << archiveName;
        ASSERT_EQ(archive.entries.Count(), static_cast<int32_t>(expected.size())) << archiveName;
        ASSERT_EQ(order.size(), expected.size()) << archiveName;
        for (size_t i = 0; i < order.size(); ++i) {
            EXPECT_STREQ(archive.entries.Item(static_cast<int32_t>(i)).name, order[i].c_str());
        }
        for (const Expected& want : expected) {
            const ArchiveEntry* entry = archive.entryAt(FindEntry(archive, want.name.c_str()));
            ASSERT_NE(entry, nullptr) << archiveName << " " << want.name;
            EXPECT_STREQ(entry->name, want.name.c_str()) << archiveName;
            EXPECT_EQ(entry->method, want.method) << archiveName << " " << want.name;
            EXPECT_EQ(entry->uncompressedSize, want.content.size())
                << archiveName << " " << want.name;
            EXPECT_EQ(entry->checksum, ziptest::Crc32(want.content))
                << archiveName << " " << want.name;
            EXPECT_TRUE(ReadEntry(archive, want.name.c_str()) == want.content)
                << archiveName << " " << want.name;
        }
    }

    std::map<std::string, std::string> files;
    test::TempDir dir;
};

TEST_F(ZipInterop, InfoZipStoredDeflatedDirectoriesTimestampsAndComment) {
    ASSERT_EQ(RunShell(dir.Path(), "zip -q -r mixed.zip deflated.txt sub emptydir empty.txt && "
                                   "zip -q -0 mixed.zip stored.txt && "
                                   "echo 'a disk made by zip' | zip -q -z mixed.zip")
                  .status,
              0);
    // The extended-timestamp extra fields are there, and the comment.
    const std::string listing = RunShell(dir.Path(), "zipinfo -v mixed.zip").output;
    ASSERT_NE(listing.find("0x5455 (universal time)"), std::string::npos) << listing;
    ASSERT_NE(RunShell(dir.Path(), "unzip -z mixed.zip").output.find("a disk made by zip"),
              std::string::npos);
    ExpectEntries("mixed.zip",
                  {
                      {"deflated.txt", ArchiveMethodDeflate, files["deflated.txt"]},
                      {"sub/", ArchiveMethodStored, ""},
                      {"sub/dir/", ArchiveMethodStored, ""},
                      {"sub/dir/nested.bin", ArchiveMethodDeflate, files["sub/dir/nested.bin"]},
                      {"sub/Logo.PNG", ArchiveMethodDeflate, files["sub/Logo.PNG"]},
                      {"emptydir/", ArchiveMethodStored, ""},
                      {"empty.txt", ArchiveMethodStored, ""},
                      {"stored.txt", ArchiveMethodStored, files["stored.txt"]},
                  });
    ZipArchive archive;
    ASSERT_TRUE(archive.open(Locator("mixed.zip").c_str(), 'r'));
    EXPECT_EQ(ReadEntry(archive, "SUB\\logo.png"), files["sub/Logo.PNG"]);
}

TEST_F(ZipInterop, InfoZipWritingToAPipeUsesDataDescriptors) {
    ASSERT_EQ(
        RunShell(dir.Path(), "zip -q - deflated.txt stored.txt empty.txt | cat > piped.zip").status,
        0);
    ASSERT_NE(RunShell(dir.Path(), "zipinfo -v piped.zip")
                  .output.find("extended local header:"
                               "                          yes"),
              std::string::npos);
    ExpectEntries("piped.zip", {
                                   {"deflated.txt", ArchiveMethodDeflate, files["deflated.txt"]},
                                   {"stored.txt", ArchiveMethodDeflate, files["stored.txt"]},
                                   {"empty.txt", ArchiveMethodStored, ""},
                               });
}

// Writes python.zip (seekable: sizes in the local headers) and stream.zip (written to a
// stream without seek: every entry defers its sizes to a data descriptor).
const char kPythonWriter[] = R"(
import io, sys, zipfile
class Unseekable(io.RawIOBase):
    def __init__(self, f): self.f = f
    def writable(self): return True
    def seekable(self): return False
    def write(self, b): return self.f.write(b)
def fill(z):
    z.write('deflated.txt', compress_type=zipfile.ZIP_DEFLATED)
    z.write('stored.txt', compress_type=zipfile.ZIP_STORED)
    z.write('sub/dir/nested.bin', compress_type=zipfile.ZIP_DEFLATED)
    z.mkdir('made/') if hasattr(z, 'mkdir') else z.writestr('made/', b'')
    with z.open('streamed.bin', 'w') as f:
        f.write(open('sub/Logo.PNG', 'rb').read())
    z.comment = b'written by zipfile'
with zipfile.ZipFile('python.zip', 'w') as z:
    fill(z)
with open('stream.zip', 'wb') as raw:
    with zipfile.ZipFile(Unseekable(raw), 'w') as z:
        fill(z)
)";

TEST_F(ZipInterop, PythonZipfileSeekableAndStreamed) {
    ASSERT_TRUE(ziptest::WriteFile(dir.File("writer.py"), kPythonWriter));
    ASSERT_EQ(RunShell(dir.Path(), "python3 writer.py").status, 0);
    const std::vector<Expected> expected = {
        {"deflated.txt", ArchiveMethodDeflate, files["deflated.txt"]},
        {"stored.txt", ArchiveMethodStored, files["stored.txt"]},
        {"sub/dir/nested.bin", ArchiveMethodDeflate, files["sub/dir/nested.bin"]},
        {"made/", ArchiveMethodStored, ""},
        {"streamed.bin", ArchiveMethodStored, files["sub/Logo.PNG"]},
    };
    ExpectEntries("python.zip", expected);
    ExpectEntries("stream.zip", expected);
}

// An archive without entries is only an end record; it opens empty and can be extended.
TEST_F(ZipInterop, EmptyArchivesOfOtherToolsOpenAndExtend) {
    ASSERT_EQ(RunShell(dir.Path(), "python3 -c \"import zipfile\n"
                                   "with zipfile.ZipFile('empty.zip', 'w') as z: "
                                   "z.comment = b'nothing yet'\"")
                  .status,
              0);
    {
        ZipArchive archive;
        ASSERT_TRUE(archive.open(Locator("empty.zip").c_str(), 'r'));
        EXPECT_EQ(archive.entries.Count(), 0);
    }
    const std::string qdp = Quote(ziptest::QdpPath());
    ASSERT_EQ(RunShell(dir.Path(), qdp + " add empty.zip stored.txt").status, 0);
    EXPECT_EQ(RunShell(dir.Path(), "unzip -tq empty.zip >/dev/null").status, 0);
    EXPECT_EQ(RunShell(dir.Path(), "unzip -p empty.zip stored.txt").output, files["stored.txt"]);
    EXPECT_EQ(RunShell(dir.Path(), "unzip -z empty.zip").output,
              "Archive:  empty.zip\nnothing yet\n");
}

// qdp add on archives from every writer: unzip accepts the result, earlier entries come out
// byte for byte as before, and the archive comment stays.
TEST_F(ZipInterop, QdpAddKeepsArchivesOfOtherToolsIntact) {
    ASSERT_TRUE(ziptest::WriteFile(dir.File("writer.py"), kPythonWriter));
    ASSERT_EQ(RunShell(dir.Path(), "python3 writer.py").status, 0);
    ASSERT_EQ(RunShell(dir.Path(), "zip -q -r mixed.zip deflated.txt sub emptydir stored.txt && "
                                   "echo 'zip comment' | zip -q -z mixed.zip && "
                                   "zip -q - deflated.txt stored.txt | cat > piped.zip")
                  .status,
              0);
    auto built = ziptest::BuildZip({{.name = "x.txt", .content = "hand made", .comment = "note"}},
                                   "hand comment");
    ASSERT_TRUE(ziptest::WriteFile(dir.File("hand.zip"), built.bytes));
    const std::string qdp = Quote(ziptest::QdpPath());
    for (const char* archive : {"mixed.zip", "python.zip", "stream.zip", "piped.zip", "hand.zip"}) {
        SCOPED_TRACE(archive);
        const std::string names = RunShell(dir.Path(), std::string("zipinfo -1 ") + archive).output;
        const std::string before = RunShell(dir.Path(), std::string("unzip -p ") + archive).output;
        const std::string comment = RunShell(dir.Path(), std::string("unzip -z ") + archive).output;
        ASSERT_FALSE(names.empty());
        ASSERT_EQ(
            RunShell(dir.Path(), qdp + " add " + archive + " sub/dir/nested.bin --as added.bin")
                .status,
            0);
        ASSERT_EQ(
            RunShell(dir.Path(), qdp + " add " + archive + " empty.txt --as 'more\\empty'").status,
            0);
        EXPECT_EQ(RunShell(dir.Path(), std::string("unzip -tq ") + archive + " >/dev/null").status,
                  0);
        EXPECT_EQ(RunShell(dir.Path(), std::string("zipinfo -1 ") + archive).output,
                  names + "added.bin\nmore/empty\n");
        const std::string after = RunShell(dir.Path(), std::string("unzip -p ") + archive).output;
        EXPECT_TRUE(after == before + files["sub/dir/nested.bin"]);
        EXPECT_EQ(RunShell(dir.Path(), std::string("unzip -z ") + archive).output, comment);
    }
}

} // namespace
} // namespace quib
