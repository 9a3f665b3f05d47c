// Reading a command's options and the values they take.
#include "CommandLine.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace quib::qdp {

const char* ParseValueOptions(std::span<char* const> args, std::span<const ValueOption> options,
                              const char*& positional, std::span<const FlagOption> flags) {
    positional = nullptr;
    for (size_t i = 0; i < args.size(); ++i) {
        const char* arg = args[i];
        const ValueOption* option = nullptr;
        for (const ValueOption& o : options) {
            if (std::strcmp(arg, o.name) == 0) {
                option = &o;
            }
        }
        const FlagOption* flag = nullptr;
        for (const FlagOption& f : flags) {
            if (std::strcmp(arg, f.name) == 0) {
                flag = &f;
            }
        }
        if (flag != nullptr) {
            *flag->set = true;
        } else if (option != nullptr) {
            if (i + 1 == args.size()) {
                return "an option needs a value";
            }
            *option->value = args[++i];
        } else if (arg[0] == '-' && arg[1] != 0) {
            return "unknown option";
        } else if (positional != nullptr) {
            return "too many arguments";
        } else {
            positional = arg;
        }
    }
    return positional == nullptr ? "a disk is needed" : nullptr;
}

bool ParseSeconds(const char* text, double& seconds) {
    char* end = nullptr;
    errno = 0;
    seconds = std::strtod(text, &end);
    return end != text && *end == '\0' && errno == 0 && std::isfinite(seconds) && seconds >= 0.0 &&
           seconds <= 86400.0;
}

bool ParseSize(const char* text, int& width, int& height) {
    char x = 0;
    char extra = 0;
    std::istringstream in(text);
    return static_cast<bool>(in >> width >> x >> height) && (x == 'x' || x == 'X') &&
           !(in >> extra) && width > 0 && height > 0 && width <= 16384 && height <= 16384;
}

bool ParseUnsigned(const char* text, uint64_t& value) {
    if (*text < '0' || *text > '9') {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    value = std::strtoull(text, &end, 10);
    return *end == '\0' && errno == 0;
}

} // namespace quib::qdp
