#include "platform/directories.h"

#include "platform/atomicfile.h"

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <libgen.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vindelor::platform {

namespace {

QByteArray Parent(const QByteArray& path) {
    QByteArray copy = path;
    return QByteArray(::dirname(copy.data()));
}

}  // namespace

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

int RenameWithoutReplacing(const QByteArray& from, const QByteArray& to) {
    // A plain rename() would put a folder over an empty one of the same name.
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) != 0) {
        if (errno != EINVAL && errno != ENOSYS) {
            return errno == ENOTEMPTY ? EEXIST : errno;
        }
        // A file system without the flag: check, then rename (a small window, no loss).
        struct stat st {};
        if (::lstat(to.constData(), &st) == 0) {
            return EEXIST;
        }
        if (std::rename(from.constData(), to.constData()) != 0) {
            return errno;
        }
    }
    SyncDirectory(Parent(to));
    if (Parent(from) != Parent(to)) {
        SyncDirectory(Parent(from));
    }
    return 0;
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
