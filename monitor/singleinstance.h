// One Vindelor per data directory. Two copies would both see the same connection (and
// each other's port probes as connections) and log every session twice.
#pragma once

#include "platform/files.h"

namespace vindelor::monitor {

// Holds an exclusive flock on a file in the data directory for its lifetime. When the
// file cannot be made at all (a folder we may not write), the lock counts as held: the
// program then runs as before rather than not at all.
class InstanceLock {
  public:
    InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // False only when another live process holds it.
    bool Held() const { return held_; }
    // True only when this process has the lock itself (not merely counted as held).
    bool Owned() const { return lock_.Held(); }

  private:
    platform::FileLock lock_;
    bool held_ = true;
};

// A crash or a kill during a session leaves [Aktiv] "Aktiv" at "Ja", and the log viewer
// then refuses every deletion until some later session ends. While `lock` is owned no
// session of this data directory can be open, so a flag still set is stale: it is
// cleared. True when it was.
bool ClearStaleActiveFlag(const InstanceLock& lock);

}  // namespace vindelor::monitor
