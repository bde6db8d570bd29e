// An errno as the system words it, in the user's locale: the one way the suite turns an
// error number into text (thread-safe, unlike strerror).
#pragma once

#include <QString>

namespace vindelor::platform {

QString ErrorText(int error);

}  // namespace vindelor::platform
