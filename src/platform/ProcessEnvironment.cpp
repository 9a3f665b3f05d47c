// Splitting a command-line string into arguments.
#include "platform/ProcessEnvironment.h"

namespace quib {

uint32_t SplitCommandLine(char* line, char** arguments) {
    uint32_t count = 0;
    char* cursor = line;
    while (cursor && *cursor) {
        if (*cursor == ' ') {
            ++cursor;
            continue;
        }
        const char end = *cursor == '"' ? '"' : ' ';
        if (end == '"') {
            ++cursor;
        }
        char* argument = cursor;
        while (*cursor && *cursor != end) {
            ++cursor;
        }
        if (arguments) {
            arguments[count] = argument;
        }
        ++count;
        if (*cursor) {
            if (arguments) {
                *cursor = 0;
            }
            ++cursor;
        }
    }
    if (arguments) {
        arguments[count] = nullptr;
    }
    return count;
}

} // namespace quib
