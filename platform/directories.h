// Folders of the plans: made private, and whether a program holds one's lock. Moving
// them goes through RenameWithoutReplacing (platform/files.h).
#pragma once

#include <QByteArray>

namespace vindelor::platform {

// Creates `dir` with mode 0700 when it is missing. 0, or errno (ENOTDIR when something
// else has the name).
int MakePrivateDirectory(const QByteArray& dir);

// True when another open file description holds an flock on `path` (a program's
// single-instance lock); false when nobody does or the file is not there.
bool FileLockedElsewhere(const QByteArray& path);

}  // namespace vindelor::platform
