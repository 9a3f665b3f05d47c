// An exclusive advisory lock on an archive file while a command changes it.
#include "ArchiveLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quib::qdp {

ArchiveLock::~ArchiveLock() {
    if (fd >= 0) {
        close(fd);
    }
}

bool ArchiveLock::Acquire(const std::string& path, void (*onBusy)(const std::string& path)) {
    bool told = false;
    while (true) {
        created = false;
        fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            created = true;
        } else if (errno == EEXIST) {
            fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
        }
        if (fd < 0) {
            return false;
        }
        // An open-file-description record lock: independent of the shared flock every stream
        // of the file layer holds, so it excludes other writers without refusing our own open.
        struct flock whole {};
        whole.l_type = F_WRLCK;
        whole.l_whence = SEEK_SET;
        if (fcntl(fd, F_OFD_SETLK, &whole) != 0) {
            if (!told) {
                onBusy(path);
                told = true;
            }
            if (fcntl(fd, F_OFD_SETLKW, &whole) != 0) {
                const int error = errno;
                close(fd);
                fd = -1;
                errno = error;
                return false;
            }
        }
        // The holder before us may have removed or replaced the file: lock the one the path
        // names now.
        struct stat locked {};
        struct stat named {};
        if (fstat(fd, &locked) == 0 && stat(path.c_str(), &named) == 0 &&
            locked.st_dev == named.st_dev && locked.st_ino == named.st_ino) {
            return true;
        }
        close(fd);
        fd = -1;
    }
}

} // namespace quib::qdp
