// The options of the commands that run a disk headless: its size, first song and input.
#pragma once

#include "Command.h"
#include "app/DiskRenderer.h"

#include <vector>

namespace quib::qdp {

// The values given, null when not.
struct HeadlessOptions {
    const char* size = nullptr;   // --size WxH
    const char* song = nullptr;   // --song N
    const char* events = nullptr; // --events FILE
};

// Fills the request's size, first song and scripted input from the options given. Answers
// kExitOk, or the exit status once the user has been told what is wrong.
int ApplyHeadlessOptions(const Command& self, const char* disk, const HeadlessOptions& options,
                         HeadlessRunRequest& request);

// "qdp NAME: DISK: warning: ..." for each song the run did not find.
void WarnMissingSongs(const Command& self, const char* disk, const std::vector<MissingSong>& songs);

} // namespace quib::qdp
