#include "platform/qt/busthread.h"

#include <QCoreApplication>
#include <QThread>

#include <mutex>

namespace vindelor::platform {

namespace {

QThread* gThread = nullptr;

// The application object goes away at the end of main(): a bus thread still running its
// events then would work on what is being torn down. It is asked to end and given a
// moment; one stuck in a bus that never answers is left to the process's end.
void EndBusThread() {
    if (gThread != nullptr) {
        gThread->quit();
        gThread->wait(2000);
    }
}

}  // namespace

QThread* BusThread() {
    static std::once_flag once;
    std::call_once(once, [] {
        gThread = new QThread;
        gThread->setObjectName(QStringLiteral("D-Bus"));
        gThread->start();
        qAddPostRoutine(EndBusThread);
    });
    return gThread;
}

}  // namespace vindelor::platform
