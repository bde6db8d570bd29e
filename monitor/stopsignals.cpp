#include "monitor/stopsignals.h"

#include "platform/signals.h"

#include <csignal>

namespace vindelor::monitor {

int InstallStopSignals() {
    return platform::RouteSignalsToPipe({SIGINT, SIGTERM, SIGHUP});
}

}  // namespace vindelor::monitor
