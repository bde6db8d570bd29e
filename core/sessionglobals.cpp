#include "core/sessionglobals.h"

namespace vindelor {

SessionGlobalsT& SessionGlobals() {
    static SessionGlobalsT globals;
    return globals;
}

}  // namespace vindelor
