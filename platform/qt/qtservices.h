// Qt implementations of the interactive services: message boxes and the help viewer.
#pragma once

#include "platform/services.h"

namespace vindelor::platform {

MessageBoxes& QtMessageBoxesInstance();
HelpViewer& QtHelpViewerInstance();

}  // namespace vindelor::platform
