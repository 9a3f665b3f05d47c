// The table of qdp commands and the diagnostics they share.
#include "Command.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace quib::qdp {

extern const Command commandLs;
extern const Command commandCat;
extern const Command commandAdd;
extern const Command commandBuild;
extern const Command commandDump;
extern const Command commandCheck;
extern const Command commandRender;
extern const Command commandRecord;
extern const Command commandSoak;
extern const Command commandPreview;

namespace {

const Command* const kCommands[] = {
    &commandLs,   &commandCat,   &commandAdd,    &commandBuild,  &commandPreview,
    &commandDump, &commandCheck, &commandRender, &commandRecord, &commandSoak,
};

void Report(const Command& command, const char* format, va_list args) {
    std::fprintf(stderr, "qdp %s: ", command.name);
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
}

} // namespace

std::span<const Command* const> Commands() {
    return kCommands;
}

const Command* FindCommand(const char* name) {
    for (const Command* command : kCommands) {
        if (std::strcmp(command->name, name) == 0) {
            return command;
        }
    }
    return nullptr;
}

int UsageError(const Command& command, const char* format, ...) {
    va_list args;
    va_start(args, format);
    Report(command, format, args);
    va_end(args);
    std::fprintf(stderr, "%s", command.usage);
    return kExitUsage;
}

int Failure(const Command& command, const char* format, ...) {
    va_list args;
    va_start(args, format);
    Report(command, format, args);
    va_end(args);
    return kExitFailure;
}

} // namespace quib::qdp
