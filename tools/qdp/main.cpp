// qdp: inspects and builds disk archives; dispatches to one command per source file.
#include "Command.h"
#include "vfs/StreamSettings.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace {

using quib::qdp::Command;

const char kProgramUsage[] = "usage: qdp COMMAND [ARGUMENTS...]\n"
                             "       qdp help COMMAND | qdp COMMAND --help | qdp --version\n";

bool IsHelp(const char* arg) {
    return std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0;
}

void PrintOverview(FILE* out) {
    std::fprintf(out, "%s\ncommands:\n", kProgramUsage);
    for (const Command* command : quib::qdp::Commands()) {
        std::fprintf(out, "  %-8s %s\n", command->name, command->summary);
    }
    std::fprintf(out, "\nRun 'qdp help COMMAND' for the details of one command.\n");
}

int UnknownCommand(const char* name) {
    std::fprintf(stderr, "qdp: unknown command '%s'\n", name);
    PrintOverview(stderr);
    return quib::qdp::kExitUsage;
}

int Help(int argc, char** argv) {
    if (argc == 2) {
        PrintOverview(stdout);
        return quib::qdp::kExitOk;
    }
    const Command* command = quib::qdp::FindCommand(argv[2]);
    if (argc > 3 || command == nullptr) {
        return UnknownCommand(argv[2]);
    }
    std::fputs(command->usage, stdout);
    return quib::qdp::kExitOk;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("qdp: no command given\n", stderr);
        PrintOverview(stderr);
        return quib::qdp::kExitUsage;
    }
    if (IsHelp(argv[1])) {
        PrintOverview(stdout);
        return quib::qdp::kExitOk;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("qdp %s\n", QUIB_VERSION);
        return quib::qdp::kExitOk;
    }
    if (std::strcmp(argv[1], "help") == 0) {
        return Help(argc, argv);
    }
    const Command* command = quib::qdp::FindCommand(argv[1]);
    if (command == nullptr) {
        return UnknownCommand(argv[1]);
    }
    for (int i = 2; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (IsHelp(argv[i])) {
            std::fputs(command->usage, stdout);
            return quib::qdp::kExitOk;
        }
    }
    quib::InstallBufferedAccessorFactory(32768, 32768);
    // Sizes in the files a command reads decide what it allocates: running out of memory is
    // a failure of that command, never an abort.
    int result = quib::qdp::kExitFailure;
    try {
        result = command->run(*command, {argv + 2, static_cast<size_t>(argc - 2)});
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "qdp %s: out of memory\n", command->name);
        return quib::qdp::kExitFailure;
    }
    if (std::fflush(stdout) != 0 && result == quib::qdp::kExitOk) {
        std::fputs("qdp: cannot write to standard output\n", stderr);
        return quib::qdp::kExitFailure;
    }
    return result;
}
