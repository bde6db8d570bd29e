// Fakes of the hang-up's process control and of the desktop notifications: they record
// what they were asked and answer as a test sets them up.
#pragma once

#include "platform/notifier.h"
#include "platform/processes.h"

#include <vector>

namespace vindelor::platform::test {

class FakeProcesses : public ProcessControl {
  public:
    void Run(const QStringList& command, int timeoutMs,
             std::function<void(const CommandOutcome&)> done) override {
        runs.push_back(command);
        lastTimeoutMs = timeoutMs;
        if (holdAnswers) {
            held.push_back([done, answer = outcome] { done(answer); });
        } else {
            done(outcome);
        }
    }
    std::vector<ProcessInfo> Holders(const QString& device) override {
        askedFor.push_back(device);
        return holders;
    }
    std::vector<ProcessInfo> InterfaceOwner(const QString& interface) override {
        askedFor.push_back(interface);
        return holders;
    }
    int Terminate(const ProcessInfo& holder) override {
        terminated.push_back(holder.pid);
        return terminateError;
    }

    CommandOutcome outcome{true, false, false, 0, QString(), 0};
    // Answers kept for the test to give later, as a command that takes its time.
    bool holdAnswers = false;
    std::vector<std::function<void()>> held;
    std::vector<ProcessInfo> holders;
    int terminateError = 0;
    std::vector<QStringList> runs;
    int lastTimeoutMs = 0;
    std::vector<QString> askedFor;
    std::vector<long> terminated;
};

class FakeNotifier : public DesktopNotifier {
  public:
    void Notify(const QString&, const QString& body,
                std::function<void(bool taken)> done) override {
        bodies.push_back(body);
        done(available);
    }
    bool available = true;
    std::vector<QString> bodies;
};

// Installs the fakes for a scope and puts the previous ones back.
class ScopedProcessFakes {
  public:
    ScopedProcessFakes()
        : previousProcesses_(InstallProcesses(&processes)),
          previousNotifier_(InstallNotifier(&notifier)) {}
    ~ScopedProcessFakes() {
        InstallProcesses(previousProcesses_);
        InstallNotifier(previousNotifier_);
    }
    FakeProcesses processes;
    FakeNotifier notifier;

  private:
    ProcessControl* previousProcesses_;
    DesktopNotifier* previousNotifier_;
};

}  // namespace vindelor::platform::test
