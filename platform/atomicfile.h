// Whole-file replacement that survives a crash, a full disk or a power cut: the file
// holds either its old content or the new one, never a part of either. Every program
// that rewrites one of the shared files goes through here.
#pragma once

#include <QByteArray>

#include <sys/stat.h>

namespace vindelor::platform {

// Writes `bytes` to a new file beside `path` (mode 0600, a name nobody else made, no
// link followed), syncs it, renames it over `path` and syncs the directory so that the
// rename itself lasts. When `path` is a symbolic link the link stays and the file it
// points to is replaced. Returns 0, or the errno of the step that failed; the old file
// is then untouched and no temporary file is left behind. `written`, when given,
// receives the status of the new file.
int ReplaceFileAtomically(const QByteArray& path, const QByteArray& bytes,
                          struct stat* written = nullptr);

// Removes what writers that were killed in the middle left behind in `directory`: the
// temporary files ReplaceFileAtomically names ".<name>.<pid>[.<hex>].tmp", when the
// process <pid> is gone and the file was last written at least `minimumAgeSeconds` ago
// (a process of another PID namespace sharing the directory may still be writing).
// Returns how many were removed.
int RemoveAbandonedTemporaryFiles(const QByteArray& directory, int minimumAgeSeconds = 60);

// Writes all of `bytes` to `fd`, going on after a signal; 0 or the errno of the write.
int WriteAll(int fd, const QByteArray& bytes);

// Makes a rename, creation or removal inside `directory` durable. A directory that
// cannot be opened or synced is ignored: what is already written stays written.
void SyncDirectory(const QByteArray& directory);

}  // namespace vindelor::platform
