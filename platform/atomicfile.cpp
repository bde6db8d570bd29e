#include "platform/atomicfile.h"

#include <QList>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace vindelor::platform {
namespace {

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

namespace {

bool IsPid(const QByteArray& text, long* pid) {
    if (text.isEmpty() || text.front() == '0' || text.size() > 10)
        return false;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    *pid = text.toLong();
    return *pid > 0;
}

// The processes that may own a name of the form ".<name>.<pid>.tmp" or
// ".<name>.<pid>.<hex>.tmp": one or two (".a.12.34.tmp" reads either way); none for
// any other name.
std::vector<long> TemporaryFileOwners(const QByteArray& name) {
    std::vector<long> owners;
    if (!name.startsWith('.') || !name.endsWith(".tmp"))
        return owners;
    const QList<QByteArray> parts = name.chopped(4).mid(1).split('.');
    const qsizetype n = parts.size();
    long pid = 0;
    if (n >= 2 && !parts[0].isEmpty() && IsPid(parts[n - 1], &pid))
        owners.push_back(pid);
    bool hex = false;
    if (n >= 3 && !parts[0].isEmpty() && !parts[n - 1].isEmpty() && parts[n - 1].size() <= 16)
        parts[n - 1].toULongLong(&hex, 16);
    if (hex && IsPid(parts[n - 2], &pid))
        owners.push_back(pid);
    return owners;
}

}  // namespace

int RemoveAbandonedTemporaryFiles(const QByteArray& directory, int minimumAgeSeconds) {
    DIR* dir = ::opendir(directory.constData());
    if (dir == nullptr)
        return 0;
    const time_t now = ::time(nullptr);
    int removed = 0;
    while (const dirent* e = ::readdir(dir)) {
        const std::vector<long> owners = TemporaryFileOwners(QByteArray(e->d_name));
        // Alive, or not ours to ask about: the file stays.
        const bool ownerGone =
            !owners.empty() && std::all_of(owners.begin(), owners.end(), [](long pid) {
                return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
            });
        if (!ownerGone)
            continue;
        struct stat st {};
        if (::fstatat(::dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode) || now - st.st_mtime < minimumAgeSeconds)
            continue;
        if (::unlinkat(::dirfd(dir), e->d_name, 0) == 0)
            ++removed;
    }
    ::closedir(dir);
    if (removed > 0)
        SyncDirectory(directory);
    return removed;
}

void SyncDirectory(const QByteArray& directory) {
    const int fd = ::open(directory.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace vindelor::platform
