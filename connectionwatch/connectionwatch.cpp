#include "connectionwatch/connectionwatch.h"

namespace vindelor::watch {

// Out of line, so that the class's vtable and meta-object live in one place.
ConnectionWatch::~ConnectionWatch() = default;

}  // namespace vindelor::watch
