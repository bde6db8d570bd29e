#include "platform/files.h"

#include "platform/atomicfile.h"

#include <QRandomGenerator>

#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace vindelor::platform {

FileStatus StatusOf(const QByteArray& path) {
    FileStatus s;
    if (::stat(path.constData(), &s.status) != 0) {
        s.error = errno;
    }
    return s;
}

FileStatus LinkStatusOf(const QByteArray& path) {
    FileStatus s;
    if (::lstat(path.constData(), &s.status) != 0) {
        s.error = errno;
    }
    return s;
}

uid_t EffectiveUser() {
    return ::geteuid();
}

WholeFile ReadWholeFile(const QByteArray& path) {
    WholeFile w;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        w.error = errno;
        return w;
    }
    struct stat before {};
    if (::fstat(fd, &before) != 0 || !S_ISREG(before.st_mode)) {
        w.error = S_ISREG(before.st_mode) ? errno : EISDIR;
        ::close(fd);
        return w;
    }
    QByteArray bytes;
    // One byte more than the size, so that a file that did not grow ends in one read.
    bytes.resize(static_cast<qsizetype>(before.st_size) + 1);
    qsizetype filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            bytes.resize(bytes.size() * 2);
        }
        const ssize_t got =
            ::read(fd, bytes.data() + filled, static_cast<size_t>(bytes.size() - filled));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            w.error = errno;
            ::close(fd);
            return w;
        }
        if (got == 0) {
            break;
        }
        filled += got;
    }
    bytes.resize(filled);
    if (::fstat(fd, &w.status) != 0) {
        w.error = errno;
    } else {
        w.bytes = std::move(bytes);
    }
    ::close(fd);
    return w;
}

namespace {

DirectoryWrite WriteInOpenDirectory(int dir, const QByteArray& name, const QByteArray& bytes) {
    DirectoryWrite result;
    struct stat existing {};
    const bool exists = ::fstatat(dir, name.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
    if (!exists && errno != ENOENT) {
        result.error = errno;
        return result;
    }
    if (exists && S_ISDIR(existing.st_mode)) {
        result.error = EISDIR;
        return result;
    }
    if (exists && S_ISLNK(existing.st_mode) && existing.st_uid != ::geteuid()) {
        struct stat folder {};
        if (::fstat(dir, &folder) == 0 && (folder.st_mode & S_ISVTX) != 0 &&
            folder.st_uid != existing.st_uid) {
            result.foreignLink = true;
            result.error = EPERM;
            return result;
        }
    }

    const QByteArray pid = QByteArray::number(static_cast<qlonglong>(::getpid()));
    QByteArray temp;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temp = '.' + name + '.' + pid;
        if (attempt > 0) {
            temp += '.' + QByteArray::number(QRandomGenerator::global()->generate64(), 16);
        }
        temp += ".tmp";
        fd = ::openat(dir, temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                      0666);
        if (fd < 0 && errno != EEXIST) {
            result.error = errno;
            return result;
        }
    }
    if (fd < 0) {
        result.error = EEXIST;
        return result;
    }
    int error = 0;
    if (exists && S_ISREG(existing.st_mode) && ::fchmod(fd, existing.st_mode & 07777) != 0) {
        error = errno;
    }
    if (error == 0) {
        error = WriteAll(fd, bytes);
    }
    if (error == 0 && ::fsync(fd) != 0) {
        error = errno;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0 && ::renameat(dir, temp.constData(), dir, name.constData()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlinkat(dir, temp.constData(), 0);
        result.error = error;
        return result;
    }
    ::fsync(dir);  // the rename lasts; a folder that cannot be synced keeps what is written
    return result;
}

}  // namespace

DirectoryWrite WriteFileInDirectory(const QByteArray& directory, const QByteArray& name,
                                    const QByteArray& bytes) {
    DirectoryWrite result;
    if (name.isEmpty() || name == "." || name == ".." || name.contains('/')) {
        result.error = name.contains('/') ? EINVAL : EISDIR;
        return result;
    }
    const int dir = ::open(directory.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) {
        result.error = errno;
        return result;
    }
    result = WriteInOpenDirectory(dir, name, bytes);
    ::close(dir);
    return result;
}

int RenameFile(const QByteArray& from, const QByteArray& to) {
    return ::rename(from.constData(), to.constData()) == 0 ? 0 : errno;
}

int RenameWithoutReplacing(const QByteArray& from, const QByteArray& to) {
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL) {
        return errno;
    }
    if (::link(from.constData(), to.constData()) != 0) {
        return errno;
    }
    ::unlink(from.constData());
    return 0;
}

int RemoveFile(const QByteArray& path) {
    return ::unlink(path.constData()) == 0 ? 0 : errno;
}

FileLock::FileLock(const QByteArray& path, Wait wait) {
    fd_ = ::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        error_ = errno;
        return;
    }
    const int operation = wait == Wait::UntilFree ? LOCK_EX : LOCK_EX | LOCK_NB;
    while (::flock(fd_, operation) != 0) {
        if (errno == EINTR) {
            continue;
        }
        error_ = errno;
        takenByAnother_ = error_ == EWOULDBLOCK;
        ::close(fd_);
        fd_ = -1;
        return;
    }
}

FileLock::~FileLock() {
    Release();
}

FileLock::FileLock(FileLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      error_(other.error_),
      takenByAnother_(other.takenByAnother_) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        Release();
        fd_ = std::exchange(other.fd_, -1);
        error_ = other.error_;
        takenByAnother_ = other.takenByAnother_;
    }
    return *this;
}

void FileLock::Release() {
    if (fd_ >= 0) {
        ::close(fd_);  // closing the last descriptor of the open file releases the flock
        fd_ = -1;
    }
}

}  // namespace vindelor::platform
