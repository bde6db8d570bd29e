// vindelor --all-plans: one waiting run of Vindelor for each plan, the default one
// included, each started again after its session as the single-plan unit does. It
// watches no link itself; each run keeps its own window, tray icon and lock.
#pragma once

#include "platform/files.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>

class QProcess;
class QTimer;

namespace vindelor::monitor {

// What becomes of a plan's run when it has ended.
enum class RunEnded {
    StartAgain,  // a session was timed, or the run was closed: wait for the next one
    TryLater,    // another Vindelor already waits for this plan: look again later
    Stop,        // it failed (no display, a bad setting) or its plan is gone
};
RunEnded AfterRun(int exitCode, bool crashed, bool planExists);

class AllPlansRuns : public QObject {
    Q_OBJECT
  public:
    // `program`: the vindelor to start; `args` go before each run's own --plan.
    AllPlansRuns(QString program, QStringList args, QObject* parent = nullptr);
    ~AllPlansRuns() override;

    // Starts a run for every plan now, and for plans made later within a minute. From
    // now on until Stop() every plan counts as in use (PlanInUse()).
    void Start();
    // Ends every run (each logs its session as on SIGTERM) and starts no more.
    void Stop();
    // The plans that have a run now.
    QStringList Running() const;

    // Seconds between a run's end and the next start (tests shorten them).
    int RestartDelayMs = 2000;
    int RetryDelayMs = 30000;

  signals:
    void runEnded(const QString& plan, int exitCode);

  private:
    void StartRun(const QString& plan);
    void Ended(const QString& plan, int exitCode, bool crashed);
    void LookForNewPlans();

    QString program_;
    QStringList args_;
    bool stopping_ = false;
    std::map<QString, QProcess*> runs_;
    QStringList stopped_;  // plans whose run failed: not started again by LookForNewPlans
    QTimer* scan_ = nullptr;
    // Held while the runs are looked after: a plan renamed or put aside between two of
    // its runs would be made again, empty, by the next one.
    platform::FileLock lock_;
};

}  // namespace vindelor::monitor
