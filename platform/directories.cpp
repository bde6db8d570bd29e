#include "platform/directories.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vindelor::platform {

int MakePrivateDirectory(const QByteArray& dir) {
    if (::mkdir(dir.constData(), 0700) != 0 && errno != EEXIST) {
        return errno;
    }
    struct stat st {};
    if (::stat(dir.constData(), &st) != 0) {
        return errno;
    }
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

bool FileLockedElsewhere(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return false;
    }
    // A shared lock is enough to see an exclusive one, and never blocks the holder.
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);  // lets go of a lock taken just now
    return held;
}

}  // namespace vindelor::platform
