#include "stress_support.h"

#include "core/cp1252.h"
#include "core/profile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vindelor::stress {

pid_t Spawn(const std::function<int()>& body) {
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        int rc = 99;
        try {
            rc = body();
        } catch (...) {
            rc = 98;
        }
        ::_exit(rc);
    }
    return pid;
}

ReadyChild SpawnWithReady(const std::function<int(int readyFd)>& body) {
    int fds[2];
    ReadyChild child;
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        return child;
    }
    child.pid = Spawn([&] {
        ::close(fds[0]);
        return body(fds[1]);
    });
    ::close(fds[1]);
    child.readyFd = fds[0];
    return child;
}

void SignalReady(int readyFd) {
    if (readyFd >= 0) {
        const char byte = 'r';
        (void)!::write(readyFd, &byte, 1);
        ::close(readyFd);
    }
}

bool AwaitReady(ReadyChild& child, Millis deadline) {
    if (child.readyFd < 0) {
        return false;
    }
    pollfd p{child.readyFd, POLLIN, 0};
    const int n = ::poll(&p, 1, static_cast<int>(deadline.count()));
    char byte = 0;
    const bool ready = n == 1 && ::read(child.readyFd, &byte, 1) == 1;
    ::close(child.readyFd);
    child.readyFd = -1;
    return ready;
}

int WaitFor(pid_t pid, Millis deadline) {
    const auto until = Clock::now() + deadline;
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid) {
            return status;
        }
        if (r < 0 && errno != EINTR) {
            return -1;
        }
        if (Clock::now() >= until) {
            KillAndReap(pid);
            return -1;
        }
        std::this_thread::sleep_for(Millis(2));
    }
}

int KillAndReap(pid_t pid) {
    ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

int ExitCode(int status) {
    return status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

ProgramRun RunProgram(const QString& program, const QStringList& args, Millis deadline,
                      long long fileSizeLimit) {
    ProgramRun run;
    std::vector<QByteArray> argBytes;
    argBytes.push_back(QFile::encodeName(program));
    for (const QString& a : args) {
        argBytes.push_back(a.toLocal8Bit());
    }
    std::vector<char*> argv;
    for (QByteArray& a : argBytes) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);

    // Pipes, not files: a file size limit would cut the program's own messages short.
    int outPipe[2];
    int errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0) {
        return run;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(outPipe[1], 1);
        ::dup2(errPipe[1], 2);
        if (fileSizeLimit >= 0) {
            // An ignored SIGXFSZ stays ignored across exec: a write past the limit then
            // fails with EFBIG, the way a full disk fails with ENOSPC.
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{static_cast<rlim_t>(fileSizeLimit),
                               static_cast<rlim_t>(fileSizeLimit)};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    const auto until = Clock::now() + deadline;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    QByteArray* sinks[2] = {&run.out, &run.err};
    int open = 2;
    while (open > 0 && Clock::now() < until) {
        if (::poll(fds, 2, 100) < 0 && errno != EINTR) {
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) {
                continue;
            }
            char buffer[4096];
            const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                sinks[i]->append(buffer, got);
            } else if (got == 0 || errno != EINTR) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (pollfd& p : fds) {
        if (p.fd >= 0) {
            ::close(p.fd);
        }
    }
    const auto left = std::chrono::duration_cast<Millis>(until - Clock::now());
    const int status = WaitFor(pid, std::max(left, Millis(0)));
    run.exitCode = status < 0 ? -2 : ExitCode(status);
    return run;
}

ScopedMemoryDataDir::ScopedMemoryDataDir() {
    if (QFileInfo(QStringLiteral("/dev/shm")).isWritable()) {
        dir_ = std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/vindelor-stress-XXXXXX"));
    }
    if (!dir_ || !dir_->isValid()) {
        dir_ = std::make_unique<QTemporaryDir>();
    }
    hadPrevious_ = qEnvironmentVariableIsSet("VINDELOR_DIR");
    previous_ = qgetenv("VINDELOR_DIR");
    qputenv("VINDELOR_DIR", dir_->path().toLocal8Bit());
    ClearProfileCache();
}

ScopedMemoryDataDir::~ScopedMemoryDataDir() {
    if (hadPrevious_) {
        qputenv("VINDELOR_DIR", previous_);
    } else {
        qunsetenv("VINDELOR_DIR");
    }
    ClearProfileCache();
}

QString ProgramPath(const char* name) {
    const QString sub = QString::fromUtf8(name) == QLatin1String("vindelor") ? "monitor"
                        : QString::fromUtf8(name) == QLatin1String("brusko") ? "viewer"
                                                                             : "converter";
    return QStringLiteral(VINDELOR_BINARY_DIR "/") + sub + QLatin1Char('/') +
           QString::fromUtf8(name);
}

namespace {

std::vector<QByteArray> CrlfLines(const QByteArray& bytes, bool* complete) {
    std::vector<QByteArray> lines;
    qsizetype start = 0;
    for (;;) {
        const qsizetype end = bytes.indexOf("\r\n", start);
        if (end < 0) {
            break;
        }
        lines.push_back(bytes.mid(start, end - start));
        start = end + 2;
    }
    *complete = start == bytes.size();
    return lines;
}

}  // namespace

bool WellFormedProfile(const QByteArray& bytes, QString* why) {
    bool complete = false;
    const std::vector<QByteArray> lines = CrlfLines(bytes, &complete);
    if (!complete) {
        *why = QStringLiteral("the file does not end with a whole line");
        return false;
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        const QByteArray t = lines[i].trimmed();
        if (t.isEmpty() || (t.startsWith('[') && t.endsWith(']')) || t.contains('=')) {
            if (t.contains('\r') || t.contains('\n')) {
                *why = QStringLiteral("line %1 holds a stray line break").arg(i + 1);
                return false;
            }
            continue;
        }
        *why = QStringLiteral("line %1 is neither a header nor a value: %2")
                   .arg(i + 1)
                   .arg(QString::fromLatin1(t.left(60)));
        return false;
    }
    return true;
}

QStringList StoredLogKeys(const QByteArray& bytes) {
    QStringList keys;
    bool inLog = false;
    bool complete = false;
    const QByteArray logHeader = '[' + cp1252::Encode(QStringLiteral("Nättid")) + ']';
    for (const QByteArray& line : CrlfLines(bytes, &complete)) {
        const QByteArray t = line.trimmed();
        if (t.startsWith('[')) {
            inLog = t.compare(logHeader, Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype eq = t.indexOf('=');
        if (inLog && eq > 0) {
            keys << QString::fromLatin1(t.left(eq).trimmed());
        }
    }
    return keys;
}

QStringList LeftoverTemporaries(const QString& dir) {
    return QDir(dir).entryList({QStringLiteral(".*.tmp")}, QDir::Files | QDir::Hidden);
}

std::mt19937& Random() {
    static std::mt19937 generator = [] {
        unsigned seed = static_cast<unsigned>(std::random_device{}());
        if (const char* s = std::getenv("VINDELOR_STRESS_SEED")) {
            seed = static_cast<unsigned>(std::strtoul(s, nullptr, 10));
        }
        std::printf("[stress] random seed %u (repeat with VINDELOR_STRESS_SEED=%u)\n", seed, seed);
        return std::mt19937(seed);
    }();
    return generator;
}

}  // namespace vindelor::stress
