// Command-line splitting and the process environment of the OS module.
#include "platform/OsModule.h"

#include "platform/MemAllocator.h"

#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace quib {
namespace {

std::vector<std::string> Split(const char* text) {
    std::string line(text);
    const uint32_t counted = SplitCommandLine(line.data(), nullptr);
    EXPECT_EQ(line, text) << "counting leaves the line alone";
    std::vector<char*> arguments(counted + 1, line.data());
    EXPECT_EQ(SplitCommandLine(line.data(), arguments.data()), counted);
    EXPECT_EQ(arguments[counted], nullptr);
    return std::vector<std::string>(arguments.begin(), arguments.begin() + counted);
}

using Args = std::vector<std::string>;

TEST(SplitCommandLine, QuotesSpacesAndEnds) {
    EXPECT_EQ(Split("prog.exe \"a b\" c"), (Args{"prog.exe", "a b", "c"}));
    EXPECT_EQ(Split("\"\" x"), (Args{"", "x"}));
    EXPECT_EQ(Split("  a    b  "), (Args{"a", "b"}));
    EXPECT_EQ(Split("a\"b c"), (Args{"a\"b", "c"})) << "a quote inside an argument is plain";
    EXPECT_EQ(Split("\"open ended"), (Args{"open ended"}));
    EXPECT_EQ(Split("\"a\"b"), (Args{"a", "b"}));
    EXPECT_EQ(Split("tab\there"), (Args{"tab\there"})) << "only spaces separate";
    EXPECT_EQ(Split(""), Args{});
    EXPECT_EQ(Split("   "), Args{});
}

std::string OwnExecutable() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? std::string(path, size_t(length)) : std::string();
}

std::string OwnArgumentZero() {
    char text[PATH_MAX + 1] = {};
    const int file = open("/proc/self/cmdline", O_RDONLY);
    EXPECT_GE(read(file, text, PATH_MAX), 1);
    close(file);
    return text;
}

int32_t Outstanding() {
    const MemCounters counters = MemGetCounters();
    return int32_t(counters.allocations - counters.frees);
}

TEST(OsModule, AnEmptyQuotedProgramNameBecomesTheModulePath) {
    const int32_t outstanding = Outstanding();
    {
        OsModule module;
        ASSERT_TRUE(module.Startup());
        module.SetCommandLine("\"\" one \"two three\"");
        const ProcessEnvironment* environment = module.Environment();
        ASSERT_NE(environment, nullptr);
        ASSERT_EQ(environment->argumentCount, 3u);
        EXPECT_EQ(environment->arguments[0], OwnExecutable());
        EXPECT_FALSE(OwnExecutable().empty());
        EXPECT_STREQ(environment->arguments[1], "one");
        EXPECT_STREQ(environment->arguments[2], "two three");
        EXPECT_EQ(environment->arguments[3], nullptr);
        EXPECT_EQ(module.Environment(), environment) << "cached";
        EXPECT_NE(environment->moduleInstance, nullptr);
        ASSERT_TRUE(module.Shutdown());
    }
    EXPECT_EQ(Outstanding(), outstanding) << "shut-down releases every block";
}

TEST(OsModule, ArgumentVectorsAndTheProcessOwnCommandLine) {
    OsModule module;
    module.Startup();
    char empty[] = "";
    char first[] = "first arg";
    char* argv[] = {empty, first, nullptr};
    module.SetArguments(2, argv);
    const ProcessEnvironment* fromMain = module.Environment();
    ASSERT_NE(fromMain, nullptr);
    ASSERT_EQ(fromMain->argumentCount, 2u);
    EXPECT_EQ(fromMain->arguments[0], OwnExecutable());
    EXPECT_STREQ(fromMain->arguments[1], "first arg");
    EXPECT_NE(fromMain->arguments[1], first) << "a private copy";
    EXPECT_EQ(fromMain->arguments[2], nullptr);

    OsModule own;
    own.Startup();
    const ProcessEnvironment* fromProcess = own.Environment();
    ASSERT_NE(fromProcess, nullptr);
    ASSERT_GE(fromProcess->argumentCount, 1u);
    EXPECT_EQ(fromProcess->arguments[0], OwnArgumentZero());
    EXPECT_EQ(fromProcess->arguments[fromProcess->argumentCount], nullptr);
}

TEST(OsModule, EnvironmentEntriesAreAPrivateSnapshot) {
    ASSERT_EQ(setenv("QUIB_OS_MODULE_TEST", "before", 1), 0);
    OsModule module;
    module.Startup();
    const ProcessEnvironment* environment = module.Environment();
    ASSERT_NE(environment, nullptr);
    uint32_t count = 0;
    while (environ[count]) {
        ++count;
    }
    ASSERT_EQ(environment->environmentCount, count);
    EXPECT_EQ(environment->environmentEntries[count], nullptr);
    const char* entry = nullptr;
    for (uint32_t i = 0; i < count; ++i) {
        if (std::string(environment->environmentEntries[i]).starts_with("QUIB_OS_MODULE_TEST=")) {
            entry = environment->environmentEntries[i];
        }
    }
    ASSERT_NE(entry, nullptr);
    ASSERT_EQ(setenv("QUIB_OS_MODULE_TEST", "after, and longer than before", 1), 0);
    EXPECT_STREQ(entry, "QUIB_OS_MODULE_TEST=before");
    unsetenv("QUIB_OS_MODULE_TEST");
}

TEST(OsModule, TheRegisteredInstanceAnswersTheProcessQuery) {
    const ProcessEnvironment* environment = QueryProcessEnvironment();
    ASSERT_NE(environment, nullptr);
    EXPECT_EQ(environment, OsModule::Instance().Environment());
    ASSERT_GE(environment->argumentCount, 1u);
    EXPECT_EQ(environment->arguments[0], OwnArgumentZero());
}

} // namespace
} // namespace quib
