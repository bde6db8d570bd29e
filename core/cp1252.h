// The Windows-1252 conversions moved to the platform layer, where the locale texts need
// them too; this name stays for the code that includes it.
#pragma once

#include "platform/cp1252.h"
