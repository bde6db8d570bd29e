// The per-user directory that holds the shared files of all three programs:
// "Vindelor.ini", "Vindelor.log", "Vindelor.ny" and "Vindelor.dta".
#pragma once

#include <QString>

namespace vindelor::platform {

// $VINDELOR_DIR when set, else $XDG_CONFIG_HOME/vindelor, else ~/.config/vindelor.
QString DataDirectory();

// Creates the directory (mode 0700) when it is missing. Returns false when it cannot.
bool EnsureDataDirectory();

// A bare file name resolved inside the data directory; a name with a "/" is kept as is.
QString DataFilePath(const QString& name);

}  // namespace vindelor::platform
