// A process-wide service that the module registry starts and stops with the application.
#pragma once

#include "platform/MemAllocator.h"

#include <cstdint>

namespace quib {

// The virtual operations keep the module family's slot order: destructor, start-up,
// shut-down. A module whose start-up answers false stays registered but is never shut down.
class PlatformModule : public MemObject {
public:
    // Lower priorities start first and stop last. name must outlive the module.
    PlatformModule(uint8_t priority, const char* name);
    virtual ~PlatformModule();
    virtual bool Startup() = 0;
    virtual bool Shutdown() = 0;

    bool IsStarted() const { return (flags & startedFlag) != 0; }
    uint8_t Priority() const { return priority; }
    const char* Name() const { return name; }

    PlatformModule(const PlatformModule&) = delete;
    PlatformModule& operator=(const PlatformModule&) = delete;

private:
    friend class ModuleRegistry;
    static constexpr uint8_t startedFlag = 1;

    uint8_t flags = 0;
    uint8_t priority;
    const char* name;
};

} // namespace quib
