#include "platform/errortext.h"

#include <cstring>

namespace vindelor::platform {

namespace {

// strerror_r comes in two shapes; each overload takes the one glibc gives.
[[maybe_unused]] const char* Pick(int /*result*/, const char* buffer) {
    return buffer;
}
[[maybe_unused]] const char* Pick(const char* result, const char* /*buffer*/) {
    return result;
}

}  // namespace

QString ErrorText(int error) {
    char buffer[256] = {};
    return QString::fromLocal8Bit(Pick(::strerror_r(error, buffer, sizeof buffer), buffer));
}

}  // namespace vindelor::platform
