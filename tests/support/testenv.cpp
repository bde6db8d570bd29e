#include "support/testenv.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

namespace vindelor::test {

ScopedDataDir::ScopedDataDir() {
    hadPrevious_ = qEnvironmentVariableIsSet("VINDELOR_DIR");
    previous_ = qgetenv("VINDELOR_DIR");
    qputenv("VINDELOR_DIR", dir_.path().toLocal8Bit());
}

ScopedDataDir::~ScopedDataDir() {
    if (hadPrevious_) {
        qputenv("VINDELOR_DIR", previous_);
    } else {
        qunsetenv("VINDELOR_DIR");
    }
}

QByteArray ReadFileBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return f.readAll();
}

void WriteFileBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        f.write(bytes);
    }
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (condition()) {
            return true;
        }
        QThread::msleep(50);
    }
    return condition();
}

}  // namespace vindelor::test
