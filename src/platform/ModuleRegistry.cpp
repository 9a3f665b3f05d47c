// Priority-ordered registration, start-up and shut-down of platform modules.
#include "platform/ModuleRegistry.h"

namespace quib {

ModuleRegistry& ModuleRegistry::Global() {
    static ModuleRegistry registry;
    return registry;
}

bool ModuleRegistry::Register(PlatformModule* module) {
    if (!module || modules.Contains(module) || !modules.Append(module)) {
        return false;
    }
    for (int32_t i = modules.Count() - 1;
         i > 0 && modules.Item(i - 1)->Priority() > module->Priority(); --i) {
        modules.Item(i) = modules.Item(i - 1);
        modules.Item(i - 1) = module;
    }
    return true;
}

uint32_t ModuleRegistry::StartAll() {
    uint32_t startedCount = 0;
    for (int32_t i = 0; i < modules.Count(); ++i) {
        PlatformModule* module = modules.Item(i);
        if (!module->IsStarted() && module->Startup()) {
            module->flags |= PlatformModule::startedFlag;
        }
        startedCount += module->IsStarted() ? 1 : 0;
    }
    started = true;
    return startedCount;
}

void ModuleRegistry::StopAll() {
    for (int32_t i = modules.Count() - 1; i >= 0; --i) {
        PlatformModule* module = modules.Item(i);
        if (module->IsStarted() && module->Shutdown()) {
            module->flags &= uint8_t(~PlatformModule::startedFlag);
        }
    }
    started = false;
}

} // namespace quib
