// The file calls the suite's own files need beyond a plain read or an atomic rewrite:
// a whole read with the status that goes with it, status of a path, renames that must
// not replace anything, and exclusive locks. Every failure comes back as the errno of
// the step that failed, never through the global errno.
#pragma once

#include <QByteArray>

#include <sys/stat.h>

namespace vindelor::platform {

struct FileStatus {
    struct stat status {};
    int error = 0;  // 0, or why the status could not be taken
};

// The status of `path`, following a symbolic link.
FileStatus StatusOf(const QByteArray& path);
// The status of `path` itself: a symbolic link is described, not followed.
FileStatus LinkStatusOf(const QByteArray& path);

// The user the process acts as, to compare with a file's owner.
uid_t EffectiveUser();

struct WholeFile {
    QByteArray bytes;
    // Taken after the read: when the file changed while it was read, its time is recent.
    struct stat status {};
    int error = 0;  // 0, or the errno of the step that failed; EISDIR for no regular file
};

// Reads a regular file whole, however much it grew since it was opened.
WholeFile ReadWholeFile(const QByteArray& path);

// Renames `from` to `to`; 0 or the errno.
int RenameFile(const QByteArray& from, const QByteArray& to);
// Renames `from` to `to` only when `to` does not exist (then EEXIST). A file system
// without that kind of rename gets a hard link and the removal of `from` instead.
int RenameWithoutReplacing(const QByteArray& from, const QByteArray& to);
// Removes the name `path`; 0 or the errno (ENOENT when there was none).
int RemoveFile(const QByteArray& path);

struct DirectoryWrite {
    int error = 0;  // 0, or the errno of the step that failed; EISDIR: the name is a folder
    // Refused: the name is a symbolic link another user made in a shared (sticky) folder,
    // which is theirs to replace, not ours.
    bool foreignLink = false;
};

// Writes `bytes` as the file `name` in the folder `directory`, the folder opened once and
// every step taken inside it, so that no path is looked up twice: a new file beside the
// name (a name nobody else made, no link followed, the mode of the file it replaces, else
// 0666 less the umask), written and synced, then renamed over the name. A symbolic link
// of that name is replaced, never followed. On failure the name is untouched and no
// temporary file is left behind.
DirectoryWrite WriteFileInDirectory(const QByteArray& directory, const QByteArray& name,
                                    const QByteArray& bytes);

// An exclusive flock on a file made for the purpose (mode 0600, no link followed),
// held until the object goes. The lock is on the open file, so each holder opens its
// own: a descriptor shared with a forked child would share the lock too.
class FileLock {
  public:
    enum class Wait { UntilFree, No };

    FileLock() = default;
    FileLock(const QByteArray& path, Wait wait);
    ~FileLock();
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool Held() const { return fd_ >= 0; }
    // 0 while held; else the errno of the open or of the flock.
    int Error() const { return error_; }
    // Another open file holds the lock (only with Wait::No).
    bool TakenByAnother() const { return takenByAnother_; }

  private:
    void Release();

    int fd_ = -1;
    int error_ = 0;
    bool takenByAnother_ = false;
};

}  // namespace vindelor::platform
