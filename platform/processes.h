// Ending a connection from the program: the user's hang-up command, run without a shell,
// and the processes that hold the modem's port. Behind an interface so that tests put a
// fake in its place.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace vindelor::platform {

struct CommandOutcome {
    bool started = false;
    bool timedOut = false;  // killed at the time limit
    bool crashed = false;   // ended by a signal
    int exitCode = 0;
    QString error;  // why it did not start, in the system's words
};

struct ProcessInfo {
    long pid = 0;
    QString name;                 // the command name the kernel keeps ("pppd")
    bool mayBeSignalled = false;  // a signal from this user would be delivered
};

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
    // Sends SIGTERM; 0 when sent, else the errno.
    virtual int Terminate(long pid) = 0;
};

ProcessControl& Processes();
// Replaces the implementation in force; returns the previous one (tests restore it).
ProcessControl* InstallProcesses(ProcessControl* processes);

}  // namespace vindelor::platform
