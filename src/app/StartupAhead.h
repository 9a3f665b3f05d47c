// Start-up work that needs nothing of the disk, done on a thread of its own while the disk is
// read and the display is made.
#pragma once

#include <memory>
#include <thread>

namespace quib {

class TextRenderer;

// Makes the module decoder's tables and a text renderer (the font configuration and the
// font library) ahead: both are otherwise made on the loading thread at the first song and
// the first text effect.
class StartupAhead {
public:
    // Starts the work; going, waits for it to end.
    StartupAhead();
    StartupAhead(const StartupAhead&) = delete; // the thread works on this one
    StartupAhead& operator=(const StartupAhead&) = delete;

    // The text renderer made ahead, after waiting for it; null when no thread could be
    // started or there was no memory for it, and on later calls.
    std::unique_ptr<TextRenderer> TakeText();

private:
    std::unique_ptr<TextRenderer> text;
    std::jthread thread;
};

} // namespace quib
