// Folders made and moved whole: a plan's folder appears complete or not at all, and a
// plan put aside never lands on top of another.
#pragma once

#include <QByteArray>

namespace vindelor::platform {

// Creates `dir` with mode 0700 when it is missing. 0, or errno (ENOTDIR when something
// else has the name).
int MakePrivateDirectory(const QByteArray& dir);

// Renames `from` to `to` only when nothing has the name `to` yet, and makes the rename
// durable. 0, EEXIST when `to` is taken, else errno.
int RenameWithoutReplacing(const QByteArray& from, const QByteArray& to);

// True when another open file description holds an flock on `path` (a program's
// single-instance lock); false when nobody does or the file is not there.
bool FileLockedElsewhere(const QByteArray& path);

}  // namespace vindelor::platform
