#include "platform/processes.h"

#include "platform/net/links.h"
#include "platform/serialport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>

#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace vindelor::platform {
namespace {

int PidfdSignal(int pidfd, int signal) {
#ifdef SYS_pidfd_send_signal
    return static_cast<int>(::syscall(SYS_pidfd_send_signal, pidfd, signal, nullptr, 0u));
#else
    (void)pidfd;
    (void)signal;
    errno = ENOSYS;
    return -1;
#endif
}

std::shared_ptr<const int> Handle(int fd) {
    return std::shared_ptr<const int>(new int(fd), [](const int* p) {
        ::close(*p);
        delete p;
    });
}

// The process behind `handle` (held before the look, so that its number cannot have
// passed on to a newcomer): its name and whether our signal would reach it. False when it
// has ended since.
bool Describe(long pid, const std::shared_ptr<const int>& handle, ProcessInfo* info) {
    info->pid = pid;
    info->handle = handle;
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    if (comm.open(QIODevice::ReadOnly)) {
        info->name = QString::fromLocal8Bit(comm.readAll()).trimmed();
    }
    info->mayBeSignalled =
        handle ? PidfdSignal(*handle, 0) == 0 : ::kill(static_cast<pid_t>(pid), 0) == 0;
    return !(handle && !info->mayBeSignalled && errno == ESRCH);
}

// Whether `pid` has the device open.
bool HoldsDevice(long pid, dev_t rdev) {
    const QString fdDir = QStringLiteral("/proc/%1/fd").arg(pid);
    for (const QString& fd : QDir(fdDir).entryList(QDir::Files | QDir::System)) {
        struct stat st {};
        if (::stat(QFile::encodeName(fdDir + QLatin1Char('/') + fd).constData(), &st) == 0 &&
            S_ISCHR(st.st_mode) && st.st_rdev == rdev) {
            return true;
        }
    }
    return false;
}

// The command's output, line by line, to standard error with a prefix.
class OutputRelay {
  public:
    explicit OutputRelay(QString prefix) : prefix_(prefix.toLocal8Bit()) {}
    void Take(const QByteArray& bytes) {
        pending_ += bytes;
        qsizetype end = 0;
        while ((end = pending_.indexOf('\n')) >= 0) {
            Write(pending_.left(end + 1));
            pending_.remove(0, end + 1);
        }
    }
    void Flush() {
        if (!pending_.isEmpty()) {
            Write(pending_ + '\n');
            pending_.clear();
        }
    }

  private:
    void Write(const QByteArray& line) {
        const QByteArray out = prefix_ + line;
        std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stderr);
        std::fflush(stderr);
    }
    QByteArray prefix_;
    QByteArray pending_;
};

class SystemProcesses : public ProcessControl {
  public:
    void Run(const QStringList& command, int timeoutMs,
             std::function<void(const CommandOutcome&)> done) override {
        // Deleted only once it has ended: a QProcess destroyed while its program runs
        // waits for it on the caller's thread.
        auto* process = new QProcess;
        auto told = std::make_shared<bool>(false);
        auto tell = [told, done](const CommandOutcome& outcome) {
            if (!*told) {
                *told = true;
                done(outcome);
            }
        };
        auto relay =
            std::make_shared<OutputRelay>(QStringLiteral("vindelor: %1: ").arg(command.value(0)));
        process->setProgram(command.value(0));
        process->setArguments(command.mid(1));
        process->setStandardInputFile(QProcess::nullDevice());
        process->setProcessChannelMode(QProcess::MergedChannels);
        process->setChildProcessModifier([] { ::setpgid(0, 0); });
        QObject::connect(process, &QProcess::readyReadStandardOutput, process,
                         [process, relay] { relay->Take(process->readAllStandardOutput()); });
        QObject::connect(process, &QProcess::errorOccurred, process,
                         [process, tell](QProcess::ProcessError error) {
                             if (error == QProcess::FailedToStart) {
                                 CommandOutcome outcome;
                                 outcome.error = process->errorString();
                                 tell(outcome);
                                 process->deleteLater();
                             }
                         });
        QObject::connect(process, &QProcess::finished, process,
                         [process, relay, tell](int exitCode, QProcess::ExitStatus status) {
                             relay->Take(process->readAllStandardOutput());
                             relay->Flush();
                             CommandOutcome outcome;
                             outcome.started = true;
                             outcome.crashed = status == QProcess::CrashExit;
                             // Qt gives the signal's number as the code of a crash.
                             outcome.exitCode = outcome.crashed ? 0 : exitCode;
                             outcome.signal = outcome.crashed ? exitCode : 0;
                             tell(outcome);
                             process->deleteLater();
                         });
        // The group's leader is the command: until it is reaped its number names the
        // group, so the kill cannot reach anyone else.
        const auto endGroup = [process] {
            const qint64 pid = process->processId();
            if (pid > 1) {
                ::kill(-static_cast<pid_t>(pid), SIGKILL);
            }
        };
        QTimer::singleShot(timeoutMs, process, [process, tell, endGroup] {
            if (process->state() == QProcess::NotRunning) {
                return;
            }
            CommandOutcome outcome;
            outcome.started = true;
            outcome.timedOut = true;
            tell(outcome);  // before the kill, whose crash must not count
            endGroup();
        });
        // The connection going down ends the program, often before the command has
        // ended: its outcome is still waited for (within the limit) and told.
        auto started = std::make_shared<QElapsedTimer>();
        started->start();
        if (QCoreApplication::instance() != nullptr) {
            QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, process,
                             [process, started, timeoutMs, tell, endGroup] {
                                 if (process->state() == QProcess::NotRunning) {
                                     return;
                                 }
                                 if (process->waitForFinished(static_cast<int>(
                                         std::max<qint64>(0, timeoutMs - started->elapsed())))) {
                                     return;  // finished() has told it
                                 }
                                 CommandOutcome outcome;
                                 outcome.started = true;
                                 outcome.timedOut = true;
                                 tell(outcome);
                                 endGroup();
                                 // One that cannot be killed (stuck in a device) is left behind: it
                                 // has no parent whose end would destroy it and wait.
                                 process->waitForFinished(1000);
                             });
        }
        process->start();
    }

    std::vector<ProcessInfo> Holders(const QString& devicePath) override {
        std::vector<ProcessInfo> holders;
        struct stat device {};
        if (::stat(QFile::encodeName(devicePath).constData(), &device) != 0 ||
            !S_ISCHR(device.st_mode) || !InTtyClass(device.st_rdev)) {
            return holders;
        }
        const long self = static_cast<long>(::getpid());
        const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
        for (const QString& entry : pids) {
            bool numeric = false;
            const long pid = entry.toLong(&numeric);
            if (!numeric || pid == self) {
                continue;
            }
            // Held before the look: a process that ends during it leaves a handle that
            // no longer answers, and its number can never lead to a newcomer.
            const int pidfd = PidfdOpen(pid);
            if (pidfd < 0 && errno != ENOSYS) {
                continue;  // gone already
            }
            std::shared_ptr<const int> handle = pidfd >= 0 ? Handle(pidfd) : nullptr;
            if (!HoldsDevice(pid, device.st_rdev)) {
                continue;
            }
            ProcessInfo info;
            if (Describe(pid, handle, &info)) {
                holders.push_back(info);
            }
        }
        return holders;
    }

    std::vector<ProcessInfo> InterfaceOwner(const QString& interface) override {
        if (!PossibleInterfaceName(interface)) {
            return {};  // never a path of its own making
        }
        return PidFileOwner(QStringLiteral("/run/%1.pid").arg(interface), interface);
    }

    int Terminate(const ProcessInfo& holder) override {
        if (holder.pid <= 1) {
            return EINVAL;  // never a process group, never init
        }
        if (holder.handle) {
            return PidfdSignal(*holder.handle, SIGTERM) == 0 ? 0 : errno;
        }
        // Only where the kernel has no pidfds (before 5.3).
        return ::kill(static_cast<pid_t>(holder.pid), SIGTERM) == 0 ? 0 : errno;
    }
};

ProcessControl* gProcesses = nullptr;

}  // namespace

int PidfdOpen(long pid) {
#ifdef SYS_pidfd_open
    return static_cast<int>(::syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0u));
#else
    (void)pid;
    errno = ENOSYS;
    return -1;
#endif
}

std::vector<ProcessInfo> PidFileOwner(const QString& pidFile, const QString& interface) {
    QFile file(pidFile);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QStringList lines = QString::fromLocal8Bit(file.read(256)).split(QLatin1Char('\n'));
    bool numeric = false;
    const long pid = lines.value(0).trimmed().toLong(&numeric);
    const QString named = lines.value(1).trimmed();
    if (!numeric || pid <= 1 || (!named.isEmpty() && named != interface)) {
        return {};
    }
    const int pidfd = PidfdOpen(pid);
    if (pidfd < 0 && errno != ENOSYS) {
        return {};  // ended, and the file left behind
    }
    ProcessInfo info;
    if (!Describe(pid, pidfd >= 0 ? Handle(pidfd) : nullptr, &info)) {
        return {};
    }
    return {info};
}

QString SignalName(int signal) {
    if (const char* name = ::sigabbrev_np(signal)) {
        return QStringLiteral("SIG") + QString::fromLatin1(name);
    }
    return QString::number(signal);
}

ProcessControl& Processes() {
    static SystemProcesses system;
    return gProcesses ? *gProcesses : system;
}

ProcessControl* InstallProcesses(ProcessControl* processes) {
    ProcessControl* previous = gProcesses;
    gProcesses = processes;
    return previous;
}

}  // namespace vindelor::platform
