// What a qdp command is, the table of all commands and the helpers they share for diagnostics.
//
// Adding a command: write CommandNAME.cpp defining `extern const Command commandName`, then
// add one line to the table in CommandTable.cpp.
#pragma once

#include <span>

namespace quib::qdp {

// Exit statuses: 0 success, 1 the work failed, 2 the command line was wrong.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

struct Command {
    const char* name;
    const char* summary; // one line for `qdp --help`
    const char* usage;   // full help: the synopsis line first, then the details
    // args are the command's own arguments (without "qdp" and the command name); "--help"
    // never reaches run.
    int (*run)(const Command& self, std::span<char* const> args);
};

// Every command, in the order `qdp --help` lists them.
std::span<const Command* const> Commands();
const Command* FindCommand(const char* name);

// "qdp NAME: message", the command's usage on stderr; answers kExitUsage.
int UsageError(const Command& command, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

// "qdp NAME: message" on stderr; answers kExitFailure.
int Failure(const Command& command, const char* format, ...) __attribute__((format(printf, 2, 3)));

} // namespace quib::qdp
