#include "xsession.h"

#include <QByteArray>
#include <QStandardPaths>

#include <chrono>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vindelor::test {
namespace {

// Starts argv with stdout on `outFd` (-1: /dev/null); stdin and stderr go to /dev/null.
// Everything the child needs is prepared before the fork: the test program has threads
// by then, and a child of a threaded program may only make async-signal-safe calls.
pid_t Spawn(const QStringList& argv, int outFd, const QString& display = QString()) {
    std::vector<QByteArray> bytes;
    for (const QString& a : argv) {
        bytes.push_back(a.toLocal8Bit());
    }
    std::vector<char*> args;
    for (QByteArray& b : bytes) {
        args.push_back(b.data());
    }
    args.push_back(nullptr);

    std::vector<QByteArray> environment;
    for (char** e = environ; *e != nullptr; ++e) {
        const QByteArray entry(*e);
        if (!entry.startsWith("DISPLAY=") && !entry.startsWith("LC_ALL=")) {
            environment.push_back(entry);
        }
    }
    if (!display.isEmpty()) {
        environment.push_back("DISPLAY=" + display.toLocal8Bit());
    }
    environment.push_back("LC_ALL=C.UTF-8");  // xprop prints names as UTF-8
    std::vector<char*> envp;
    for (QByteArray& e : environment) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(outFd >= 0 ? outFd : null, 1);
        ::dup2(null, 2);
        ::execvpe(args[0], args.data(), envp.data());
        ::_exit(127);
    }
    return pid;
}

void Stop(pid_t& pid) {
    if (pid > 0) {
        ::kill(pid, SIGTERM);
        int status = 0;
        ::waitpid(pid, &status, 0);
        pid = -1;
    }
}

}  // namespace

XSession::~XSession() {
    Stop(tray_);
    Stop(wm_);
    Stop(xvfb_);
}

bool XSession::Start(QString* why) {
    for (const char* tool : {"Xvfb", "openbox", "trayer", "xprop", "xwininfo"}) {
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty()) {
            *why = QStringLiteral("%1 is not installed (scripts/deps.sh installs it)")
                       .arg(QLatin1String(tool));
            return false;
        }
    }
    // Xvfb picks a free display itself and writes its number to the pipe.
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        *why = QStringLiteral("no pipe");
        return false;
    }
    xvfb_ = Spawn({QStringLiteral("Xvfb"), QStringLiteral("-displayfd"), QStringLiteral("1"),
                   QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("1024x768x24"),
                   QStringLiteral("-nolisten"), QStringLiteral("tcp")},
                  pipeFds[1]);
    ::close(pipeFds[1]);
    QByteArray number;
    char c = 0;
    while (::read(pipeFds[0], &c, 1) == 1 && c != '\n') {
        number += c;
    }
    ::close(pipeFds[0]);
    if (number.isEmpty()) {
        *why = QStringLiteral("Xvfb did not start");
        Stop(xvfb_);
        return false;
    }
    display_ = QStringLiteral(":") + QString::fromLatin1(number);
    ::setenv("DISPLAY", display_.toLocal8Bit().constData(), 1);
    wm_ = Spawn({QStringLiteral("openbox"), QStringLiteral("--sm-disable")}, -1, display_);
    // openbox announces itself on the root window once it manages the screen.
    bool managed = false;
    for (int i = 0; i < 200 && !managed; ++i) {
        managed = RunTool({QStringLiteral("xprop"), QStringLiteral("-root"),
                           QStringLiteral("_NET_SUPPORTING_WM_CHECK")})
                      .contains(QStringLiteral("window id"));
        if (!managed) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    if (managed) {
        // A panel with a notification area, as on most desktops: Vindelor waits in it.
        tray_ = Spawn({QStringLiteral("trayer"), QStringLiteral("--edge"), QStringLiteral("bottom"),
                       QStringLiteral("--SetDockType"), QStringLiteral("true")},
                      -1, display_);
        return true;
    }
    *why = QStringLiteral("openbox did not take the screen of Xvfb %1").arg(display_);
    Stop(wm_);
    Stop(xvfb_);
    display_.clear();
    return false;
}

XSession& TheSession() {
    static XSession session;
    return session;
}

QString& NoSessionReason() {
    static QString reason;
    return reason;
}

QString RunTool(const QStringList& argv) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        return {};
    }
    const pid_t pid = Spawn(argv, pipeFds[1], TheSession().Display());
    ::close(pipeFds[1]);
    QByteArray out;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        out.append(buffer, static_cast<int>(n));
    }
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? QString::fromUtf8(out) : QString();
}

QString WindowProperty(unsigned long window, const char* property, int maxBytes) {
    const QString out =
        RunTool({QStringLiteral("xprop"), QStringLiteral("-notype"), QStringLiteral("-len"),
                 QString::number(maxBytes), QStringLiteral("-id"), QString::number(window),
                 QLatin1String(property)})
            .trimmed();
    return out.contains(QStringLiteral("not found")) || out.contains(QStringLiteral("no such"))
               ? QString()
               : out;
}

}  // namespace vindelor::test
