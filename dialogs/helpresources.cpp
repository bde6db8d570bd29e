#include "dialogs/helpresources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void InitHelpResource() {
    Q_INIT_RESOURCE(help);
}

namespace vindelor {

void InitHelpResources() {
    InitHelpResource();
}

}  // namespace vindelor
