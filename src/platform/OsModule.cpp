// The OS module: start-up, shut-down, and building the cached process environment.
#include "platform/OsModule.h"

#include "platform/Clock.h"
#include "platform/MemAllocator.h"
#include "platform/ModuleRegistry.h"
#include "platform/StringPrimitives.h"

#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

extern char** environ;

namespace quib {

namespace {

constexpr uint8_t osModulePriority = 1;

char** AllocatePointers(uint32_t count) {
    return static_cast<char**>(MemAllocate((count + 1) * uint32_t(sizeof(char*)), MemZero));
}

// The whole of /proc/self/cmdline (arguments each ending in a zero byte), in a block one
// byte longer than the text, which is zero too. Null when it cannot be read.
char* ReadOwnCommandLine(uint32_t& length) {
    const int file = open("/proc/self/cmdline", O_RDONLY | O_CLOEXEC);
    if (file < 0) {
        return nullptr;
    }
    void* block = nullptr;
    length = 0;
    for (;;) {
        constexpr uint32_t chunk = 4096;
        if (!MemResize(block, length + chunk + 1, MemZero)) {
            MemFree(block);
            block = nullptr;
            break;
        }
        const ssize_t got = read(file, static_cast<char*>(block) + length, chunk);
        if (got <= 0) {
            break;
        }
        length += uint32_t(got);
    }
    close(file);
    return static_cast<char*>(block);
}

int32_t FirstTerminal() {
    for (int32_t descriptor = 0; descriptor <= 2; ++descriptor) {
        if (isatty(descriptor)) {
            return descriptor;
        }
    }
    return -1;
}

// The registry is created before the module, so at exit the module goes first and the
// registry after it; both go before the allocator shuts down.
ModuleRegistry& registry = ModuleRegistry::Global();
OsModule osModule;
[[maybe_unused]] const bool osModuleRegistered = registry.Register(&osModule);

} // namespace

OsModule::OsModule() : PlatformModule(osModulePriority, "ZQOS") {}

OsModule::~OsModule() {
    Shutdown();
}

OsModule& OsModule::Instance() {
    return osModule;
}

// Linux needs no timer resolution raised: sleeps and timers already resolve microseconds.
bool OsModule::Startup() {
    Clock::Start();
    Shutdown();
    environment.moduleInstance = dlopen(nullptr, RTLD_LAZY);
    environment.consoleTerminal = FirstTerminal();
    return true;
}

bool OsModule::Shutdown() {
    ReleaseCaches();
    if (environment.moduleInstance) {
        dlclose(environment.moduleInstance);
    }
    environment.moduleInstance = nullptr;
    environment.consoleTerminal = -1;
    return true;
}

void OsModule::SetCommandLine(const char* line) {
    givenLine = line;
}

void OsModule::SetArguments(int argc, char** argv) {
    givenCount = argc;
    givenVector = argv;
}

const ProcessEnvironment* OsModule::Environment() {
    if (built) {
        return &environment;
    }
    if (!BuildArguments() || !BuildEnvironmentEntries()) {
        ReleaseCaches();
        return nullptr;
    }
    built = true;
    return &environment;
}

bool OsModule::BuildArguments() {
    if (givenLine) {
        commandLineCopy = StrDuplicate(givenLine);
        if (!commandLineCopy) {
            return false;
        }
        const uint32_t count = SplitCommandLine(commandLineCopy, nullptr);
        environment.arguments = AllocatePointers(count > 0 ? count : 1);
        if (!environment.arguments) {
            return false;
        }
        environment.argumentCount = SplitCommandLine(commandLineCopy, environment.arguments);
    } else if (givenVector) {
        uint32_t length = 0;
        for (int i = 0; i < givenCount; ++i) {
            length += StrLength(givenVector[i]) + 1;
        }
        commandLineCopy = static_cast<char*>(MemAllocate(length + 1, MemZero));
        if (!commandLineCopy) {
            return false;
        }
        char* cursor = commandLineCopy;
        for (int i = 0; i < givenCount; ++i) {
            cursor += StrCopyBounded(cursor, UINT32_MAX - 1, UINT32_MAX - 1, givenVector[i]) + 1;
        }
        if (!AdoptSeparated(commandLineCopy, length)) {
            return false;
        }
    } else {
        uint32_t length = 0;
        commandLineCopy = ReadOwnCommandLine(length);
        if (!commandLineCopy || !AdoptSeparated(commandLineCopy, length)) {
            return false;
        }
    }
    if (environment.argumentCount == 0 || environment.arguments[0][0] == 0) {
        char path[PATH_MAX];
        const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
        path[length > 0 ? length : 0] = 0;
        modulePath = StrDuplicate(path);
        if (!modulePath) {
            return false;
        }
        environment.arguments[0] = modulePath;
        environment.argumentCount = environment.argumentCount > 0 ? environment.argumentCount : 1;
    }
    return true;
}

// Points the argument array at the zero-terminated texts of block[0, length).
bool OsModule::AdoptSeparated(char* block, uint32_t length) {
    uint32_t count = 0;
    for (uint32_t i = 0; i < length; ++i) {
        count += block[i] == 0 ? 1 : 0;
    }
    count += (length > 0 && block[length - 1] != 0) ? 1 : 0;
    environment.arguments = AllocatePointers(count > 0 ? count : 1);
    if (!environment.arguments) {
        return false;
    }
    for (uint32_t i = 0, start = 0; i < count; ++i) {
        environment.arguments[i] = block + start;
        start += StrLength(block + start) + 1;
    }
    environment.argumentCount = count;
    return true;
}

// A private copy of the environment, so later changes to it cannot pull texts away from
// under the entries handed out.
bool OsModule::BuildEnvironmentEntries() {
    uint32_t count = 0;
    uint32_t length = 0;
    for (char** entry = environ; entry && *entry; ++entry) {
        length += StrLength(*entry) + 1;
        ++count;
    }
    environmentBlock = static_cast<char*>(MemAllocate(length + 1, MemZero));
    environment.environmentEntries = AllocatePointers(count);
    if (!environmentBlock || !environment.environmentEntries) {
        return false;
    }
    char* cursor = environmentBlock;
    for (uint32_t i = 0; i < count; ++i) {
        environment.environmentEntries[i] = cursor;
        cursor += StrCopyBounded(cursor, UINT32_MAX - 1, UINT32_MAX - 1, environ[i]) + 1;
    }
    environment.environmentCount = count;
    return true;
}

void OsModule::ReleaseCaches() {
    MemFree(commandLineCopy);
    MemFree(modulePath);
    MemFree(environmentBlock);
    MemFree(environment.arguments);
    MemFree(environment.environmentEntries);
    commandLineCopy = nullptr;
    modulePath = nullptr;
    environmentBlock = nullptr;
    environment.argumentCount = 0;
    environment.environmentCount = 0;
    environment.arguments = nullptr;
    environment.environmentEntries = nullptr;
    built = false;
}

void SetProcessArguments(int argc, char** argv) {
    osModule.SetArguments(argc, argv);
}

const ProcessEnvironment* QueryProcessEnvironment() {
    return osModule.Environment();
}

} // namespace quib
