// The process's arguments and environment as the OS module hands them out, and the rule
// that splits one command-line string into arguments.
#pragma once

#include <cstdint>

namespace quib {

// Both arrays end with a null pointer after their last element. The texts belong to the OS
// module and stay valid until it shuts down.
struct ProcessEnvironment {
    uint32_t argumentCount;    // program name included
    uint32_t environmentCount; // name=value entries
    char** arguments;
    char** environmentEntries;
    uint32_t reserved;
    void* moduleInstance;    // the dynamic loader's handle of the program itself
    int32_t consoleTerminal; // first standard descriptor (0-2) that is a terminal, else -1
};

// Splits line in place: spaces (only the space character) separate arguments; an argument
// that starts with a double quote runs to the next double quote, spaces included; any other
// argument runs to the next space. The character ending an argument becomes a zero byte.
// There are no escapes, and a quote inside an unquoted argument is an ordinary character.
// With arguments null the line is only counted and left as it is; otherwise arguments
// receives the count's pointers and a terminating null, so it needs count + 1 slots.
// Returns the number of arguments.
uint32_t SplitCommandLine(char* line, char** arguments);

} // namespace quib
