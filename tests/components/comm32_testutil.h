// Helpers of the serial port tests: waiting for queued events with a deadline, reading
// the trace, a pseudo-terminal standing in for a modem port, a private lock directory.
#pragma once

#include "components/comm32.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace vindelor::test {

// Runs the event loop until `done` holds or `timeoutMs` passes; true when it held.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QEventLoop loop;
        QTimer::singleShot(2, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// Lets queued events that are already posted be delivered.
inline void DrainEvents() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
    }
}

inline QStringList TraceLines(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray all = f.readAll();
    QStringList lines = QString::fromLocal8Bit(all).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    return lines;
}

// Index of the first line that starts with `prefix`, -1 when none.
inline int FindLine(const QStringList& lines, const QString& prefix) {
    for (int i = 0; i < lines.size(); ++i) {
        if (lines[i].startsWith(prefix)) {
            return i;
        }
    }
    return -1;
}

// A pseudo-terminal: the test keeps the master; the slave is the "modem port".
class Pty {
  public:
    Pty() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0) {
            slave_ = QString::fromLocal8Bit(ptsname(master_));
        }
    }
    ~Pty() { CloseMaster(); }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;
    bool Ok() const { return master_ >= 0 && !slave_.isEmpty(); }
    int Master() const { return master_; }
    QString Slave() const { return slave_; }
    void CloseMaster() {
        if (master_ >= 0) {
            ::close(master_);
            master_ = -1;
        }
    }

  private:
    int master_ = -1;
    QString slave_;
};

// Points the busy checks at an empty lock directory of its own.
class ScopedLockDir {
  public:
    ScopedLockDir() {
        const char* old = getenv("VINDELOR_LOCK_DIR");
        had_ = old != nullptr;
        if (had_) {
            previous_ = old;
        }
        setenv("VINDELOR_LOCK_DIR", dir_.path().toLocal8Bit().constData(), 1);
    }
    ~ScopedLockDir() {
        if (had_) {
            setenv("VINDELOR_LOCK_DIR", previous_.c_str(), 1);
        } else {
            unsetenv("VINDELOR_LOCK_DIR");
        }
    }
    QString Path() const { return dir_.path(); }
    QString File(const QString& name) const { return dir_.filePath(name); }

  private:
    QTemporaryDir dir_;
    bool had_ = false;
    std::string previous_;
};

}  // namespace vindelor::test
