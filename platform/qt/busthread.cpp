#include "platform/qt/busthread.h"

#include <QThread>

#include <mutex>

namespace vindelor::platform {

QThread* BusThread() {
    static QThread* thread = nullptr;
    static std::once_flag once;
    std::call_once(once, [] {
        thread = new QThread;
        thread->setObjectName(QStringLiteral("D-Bus"));
        thread->start();
    });
    return thread;
}

}  // namespace vindelor::platform
