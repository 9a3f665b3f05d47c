// The platform module base.
#include "platform/PlatformModule.h"

namespace quib {

PlatformModule::PlatformModule(uint8_t priority, const char* name)
    : priority(priority), name(name) {}

PlatformModule::~PlatformModule() = default;

} // namespace quib
