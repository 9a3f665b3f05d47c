// An exclusive advisory lock on an archive file while a command changes it.
#pragma once

#include <string>

namespace quib::qdp {

// Holds a write lock on the whole archive file for its lifetime, so a second writer waits
// until the first has finished instead of reading an archive half written. The file is created
// empty when it does not exist; Created() says so, and the holder removes it again if it fails.
class ArchiveLock {
public:
    ArchiveLock() = default;
    ~ArchiveLock();
    ArchiveLock(const ArchiveLock&) = delete;
    ArchiveLock& operator=(const ArchiveLock&) = delete;

    // Takes the lock, telling onBusy once before waiting when another process holds it. False
    // with errno set when the file cannot be opened or created.
    bool Acquire(const std::string& path, void (*onBusy)(const std::string& path));
    bool Created() const { return created; }

private:
    int fd = -1;
    bool created = false;
};

} // namespace quib::qdp
