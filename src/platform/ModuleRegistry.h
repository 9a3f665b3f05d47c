// The ordered set of platform modules and their collective start and stop.
#pragma once

#include "platform/PlatformModule.h"
#include "platform/PtrArray.h"

#include <cstdint>

namespace quib {

// Modules are kept in ascending priority; a module registered with a priority already present
// goes after the ones that have it. Modules are borrowed: the registry never deletes them.
// Registration, start and stop belong to the main thread.
class ModuleRegistry {
public:
    // The process's registry: created by the first registration (during static
    // initialisation) and released at exit, after the modules registered into it.
    static ModuleRegistry& Global();

    ModuleRegistry() = default;
    ModuleRegistry(const ModuleRegistry&) = delete;
    ModuleRegistry& operator=(const ModuleRegistry&) = delete;

    // False when the module is null, already registered, or there is no memory.
    bool Register(PlatformModule* module);
    // Starts, in priority order, every module not yet started; returns how many are started.
    uint32_t StartAll();
    // Shuts down, last to first, every started module; a module whose shut-down answers
    // false keeps its started mark.
    void StopAll();

    bool IsStarted() const { return started; }
    int32_t Count() const { return modules.Count(); }
    PlatformModule* Module(int32_t index) const { return modules.Item(index); }

private:
    PtrArray<PlatformModule*> modules;
    bool started = false;
};

} // namespace quib
