#include "platform/atomicfile.h"

#include <QRandomGenerator>

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

namespace vindelor::platform {
namespace {

int WriteAll(int fd, const QByteArray& bytes) {
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t put = ::write(fd, p, static_cast<size_t>(left));
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        p += put;
        left -= put;
    }
    return 0;
}

// A user who keeps the file as a link to elsewhere keeps the link: the new content goes
// to where it points.
QByteArray FinalTarget(const QByteArray& path) {
    struct stat st {};
    if (::lstat(path.constData(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = ::realpath(path.constData(), nullptr)) {
            QByteArray target(real);
            std::free(real);
            return target;
        }
    }
    return path;
}

}  // namespace

int ReplaceFileAtomically(const QByteArray& path, const QByteArray& bytes, struct stat* written) {
    const QByteArray target = FinalTarget(path);
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray dir = slash < 0    ? QByteArray(".")
                           : slash == 0 ? QByteArray("/")
                                        : target.left(slash);
    const QByteArray base = target.mid(slash + 1);
    const QByteArray pid = QByteArray::number(static_cast<qlonglong>(::getpid()));

    // O_EXCL with O_NOFOLLOW: a name someone else made first, a planted link included,
    // is never opened; another name is tried instead.
    int fd = -1;
    QByteArray temp;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temp = dir + "/." + base + '.' + pid;
        if (attempt > 0)
            temp += '.' + QByteArray::number(QRandomGenerator::global()->generate64(), 16);
        temp += ".tmp";
        fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST)
            return errno;
    }
    if (fd < 0)
        return EEXIST;

    struct stat st {};
    int error = WriteAll(fd, bytes);
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (error == 0 && ::fstat(fd, &st) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temp.constData(), target.constData()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temp.constData());
        return error;
    }
    SyncDirectory(dir);
    if (written != nullptr)
        *written = st;
    return 0;
}

void SyncDirectory(const QByteArray& directory) {
    const int fd = ::open(directory.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace vindelor::platform
