#include "platform/processes.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace vindelor::platform {
namespace {

class SystemProcesses : public ProcessControl {
  public:
    void Run(const QStringList& command, int timeoutMs,
             std::function<void(const CommandOutcome&)> done) override {
        auto* process = new QProcess;
        auto finished = std::make_shared<bool>(false);
        auto finish = [process, finished, done](const CommandOutcome& outcome) {
            if (*finished) {
                return;
            }
            *finished = true;
            process->deleteLater();
            done(outcome);
        };
        process->setProgram(command.value(0));
        process->setArguments(command.mid(1));
        process->setStandardInputFile(QProcess::nullDevice());
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        QObject::connect(process, &QProcess::errorOccurred, process,
                         [process, finish](QProcess::ProcessError error) {
                             if (error == QProcess::FailedToStart) {
                                 CommandOutcome outcome;
                                 outcome.error = process->errorString();
                                 finish(outcome);
                             }
                         });
        QObject::connect(process, &QProcess::finished, process,
                         [finish](int exitCode, QProcess::ExitStatus status) {
                             CommandOutcome outcome;
                             outcome.started = true;
                             outcome.exitCode = exitCode;
                             outcome.crashed = status == QProcess::CrashExit;
                             finish(outcome);
                         });
        QTimer::singleShot(timeoutMs, process, [process, finish] {
            if (process->state() == QProcess::NotRunning) {
                return;
            }
            CommandOutcome outcome;
            outcome.started = true;
            outcome.timedOut = true;
            finish(outcome);  // before the kill, whose finished() must not count
            process->kill();
        });
        // The connection going down ends the program, often before the command has
        // ended: its outcome is still waited for (within the limit) and told.
        auto started = std::make_shared<QElapsedTimer>();
        started->start();
        if (QCoreApplication::instance() != nullptr) {
            QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, process,
                             [process, started, timeoutMs, finish] {
                                 if (process->state() == QProcess::NotRunning) {
                                     return;
                                 }
                                 if (!process->waitForFinished(static_cast<int>(
                                         std::max<qint64>(0, timeoutMs - started->elapsed())))) {
                                     CommandOutcome outcome;
                                     outcome.started = true;
                                     outcome.timedOut = true;
                                     finish(outcome);
                                     process->kill();
                                     process->waitForFinished(1000);
                                 }
                             });
        }
        process->start();
    }

    std::vector<ProcessInfo> Holders(const QString& devicePath) override {
        std::vector<ProcessInfo> holders;
        struct stat device {};
        if (::stat(QFile::encodeName(devicePath).constData(), &device) != 0 ||
            !S_ISCHR(device.st_mode)) {
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
            const QString fdDir = QStringLiteral("/proc/%1/fd").arg(pid);
            bool holds = false;
            for (const QString& fd : QDir(fdDir).entryList(QDir::Files | QDir::System)) {
                struct stat st {};
                if (::stat(QFile::encodeName(fdDir + QLatin1Char('/') + fd).constData(), &st) ==
                        0 &&
                    S_ISCHR(st.st_mode) && st.st_rdev == device.st_rdev) {
                    holds = true;
                    break;
                }
            }
            if (!holds) {
                continue;
            }
            ProcessInfo info;
            info.pid = pid;
            QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
            if (comm.open(QIODevice::ReadOnly)) {
                info.name = QString::fromLocal8Bit(comm.readAll()).trimmed();
            }
            info.mayBeSignalled = ::kill(static_cast<pid_t>(pid), 0) == 0;
            holders.push_back(info);
        }
        return holders;
    }

    int Terminate(long pid) override {
        if (pid <= 1) {
            return EINVAL;  // never a process group, never init
        }
        return ::kill(static_cast<pid_t>(pid), SIGTERM) == 0 ? 0 : errno;
    }
};

ProcessControl* gProcesses = nullptr;

}  // namespace

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
