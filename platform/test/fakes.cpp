#include "platform/test/fakes.h"
