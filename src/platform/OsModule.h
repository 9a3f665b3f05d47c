// The operating-system module "ZQOS": clock start-up and the process's arguments and environment.
#pragma once

#include "platform/PlatformModule.h"
#include "platform/ProcessEnvironment.h"

namespace quib {

// One static instance is registered with the global module registry at static
// initialisation (priority 1). Further instances serve tests and tools; they are not
// registered. The environment query belongs to the main thread.
class OsModule : public PlatformModule {
public:
    OsModule();
    ~OsModule() override;
    bool Startup() override;
    bool Shutdown() override;

    // Where the arguments come from, first choice first: a command-line string given with
    // SetCommandLine (split by SplitCommandLine), the argument vector given with
    // SetArguments (main's), else the process's own /proc/self/cmdline. Both are read at the
    // first environment query and must stay valid until then.
    void SetCommandLine(const char* line);
    void SetArguments(int argc, char** argv);

    // Built on the first call and cached until shut-down; null when memory runs out, in which
    // case the next call tries again. An empty or missing argument 0 is replaced by the full
    // path of the program (/proc/self/exe).
    const ProcessEnvironment* Environment();

    static OsModule& Instance();

private:
    bool BuildArguments();
    bool AdoptSeparated(char* block, uint32_t length);
    bool BuildEnvironmentEntries();
    void ReleaseCaches();

    const char* givenLine = nullptr;
    int givenCount = 0;
    char** givenVector = nullptr;

    bool built = false;
    char* commandLineCopy = nullptr;
    char* modulePath = nullptr;
    char* environmentBlock = nullptr;
    ProcessEnvironment environment{0, 0, nullptr, nullptr, 0, nullptr, -1};
};

// The process's environment through the registered instance; main may hand its argument
// vector over first with SetProcessArguments.
void SetProcessArguments(int argc, char** argv);
const ProcessEnvironment* QueryProcessEnvironment();

} // namespace quib
