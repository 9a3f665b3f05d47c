// Start-up work done ahead on a thread of its own.
#include "app/StartupAhead.h"

#include "host/audio/AudioOutput.h"
#include "host/text/TextRenderer.h"
#include "platform/ThreadPriority.h"

#include <new>
#include <system_error>

namespace quib {

StartupAhead::StartupAhead() {
    try {
        thread = std::jthread([this] {
            // The display is made meanwhile, and the start-up waits for it first.
            LowerCurrentThreadPriority();
            AudioOutput::PrepareModuleDecoder();
            try {
                text = std::make_unique<TextRenderer>();
            } catch (const std::bad_alloc&) {
                // Left to the loading thread, which reports it as it would have.
            }
        });
    } catch (const std::system_error&) {
        // No thread: the loading thread does the work when it comes to it.
    }
}

std::unique_ptr<TextRenderer> StartupAhead::TakeText() {
    if (thread.joinable()) {
        thread.join();
    }
    return std::move(text);
}

} // namespace quib
