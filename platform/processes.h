// Ending a connection from the program: the user's hang-up command, run without a shell,
// and the processes that hold the modem's port. Behind an interface so that tests put a
// fake in its place.
//
// The command runs in a process group of its own, so that the time limit ends whatever
// it started too; what it prints goes to Vindelor's standard error, each line prefixed,
// never to standard output, which scripts read. A holder is kept by a pidfd from the
// moment it is found: a signal never reaches another process that got the number since.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace vindelor::platform {

struct CommandOutcome {
    bool started = false;
    bool timedOut = false;  // killed at the time limit
    bool crashed = false;   // ended by a signal
    int exitCode = 0;
    QString error;   // why it did not start, in the system's words
    int signal = 0;  // the signal that ended it, when crashed
};

struct ProcessInfo {
    long pid = 0;
    QString name;                 // the command name the kernel keeps ("pppd")
    bool mayBeSignalled = false;  // a signal from this user would be delivered
    // The process itself (a pidfd), closed with the last copy; empty where the kernel
    // offers none.
    std::shared_ptr<const int> handle;
};

// "SIGTERM" for 15; the number itself for one without a name.
QString SignalName(int signal);

class ProcessControl {
  public:
    virtual ~ProcessControl() = default;
    // Starts the program (command[0], looked up in PATH) with the other words as its
    // arguments, no shell. `done` is called once, from the event loop, when it ended,
    // could not start, or was killed after timeoutMs.
    virtual void Run(const QStringList& command, int timeoutMs,
                     std::function<void(const CommandOutcome&)> done) = 0;
    // The other processes with the device open, as far as this user can see them.
    virtual std::vector<ProcessInfo> Holders(const QString& devicePath) = 0;
    // The process that put its number in the interface's pid file under /run ("ppp0.pid",
    // as pppd does for the link it made); empty when there is none or it has ended.
    virtual std::vector<ProcessInfo> InterfaceOwner(const QString& interface) = 0;
    // Sends SIGTERM to the holder found (through its handle when it has one, so that a
    // process that ended meanwhile gives ESRCH); 0 when sent, else the errno.
    virtual int Terminate(const ProcessInfo& holder) = 0;
};

// The process a pid file names: its number on the first line and, where pppd writes one,
// `interface` on the second (another interface's name there means another link). Empty
// when the file is missing or malformed, or the process has ended.
std::vector<ProcessInfo> PidFileOwner(const QString& pidFile, const QString& interface);

// A pidfd for the process, close-on-exec as the kernel makes them; -1 and errno when
// there is none (ESRCH: it has ended; ENOSYS: a kernel before 5.3).
int PidfdOpen(long pid);

ProcessControl& Processes();
// Replaces the implementation in force; returns the previous one (tests restore it).
ProcessControl* InstallProcesses(ProcessControl* processes);

}  // namespace vindelor::platform
