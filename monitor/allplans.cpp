#include "monitor/allplans.h"

#include "core/plans.h"
#include "platform/datadir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

#include <utility>

namespace vindelor::monitor {

namespace {

constexpr int kExitAlreadyRunning = 3;
constexpr int kScanMs = 60000;

bool PlanExists(const QString& plan) {
    return plan.isEmpty() || QFileInfo(platform::PlanDirectory(plan)).isDir();
}

}  // namespace

RunEnded AfterRun(int exitCode, bool crashed, bool planExists) {
    if (!planExists) {
        return RunEnded::Stop;
    }
    // A crash may have come in the middle of a session: the next run clears the stale
    // flag and waits again, as the unit's Restart=always does.
    if (crashed || exitCode == 0) {
        return RunEnded::StartAgain;
    }
    return exitCode == kExitAlreadyRunning ? RunEnded::TryLater : RunEnded::Stop;
}

AllPlansRuns::AllPlansRuns(QString program, QStringList args, QObject* parent)
    : QObject(parent), program_(std::move(program)), args_(std::move(args)) {}

AllPlansRuns::~AllPlansRuns() {
    Stop();
}

void AllPlansRuns::Start() {
    const QString base = platform::BaseDataDirectory();
    if (QDir().mkpath(base)) {
        lock_ = platform::FileLock(
            QFile::encodeName(base + QLatin1Char('/') + QLatin1String(kAllPlansFile)),
            platform::FileLock::Wait::No);
    }
    LookForNewPlans();
    scan_ = new QTimer(this);
    connect(scan_, &QTimer::timeout, this, &AllPlansRuns::LookForNewPlans);
    scan_->start(kScanMs);
}

void AllPlansRuns::Stop() {
    stopping_ = true;
    for (auto& [plan, run] : runs_) {
        run->terminate();
    }
    for (auto& [plan, run] : runs_) {
        if (!run->waitForFinished(10000)) {
            run->kill();
            run->waitForFinished(3000);
        }
        delete run;
    }
    runs_.clear();
    lock_ = platform::FileLock();
}

QStringList AllPlansRuns::Running() const {
    QStringList plans;
    for (const auto& [plan, run] : runs_) {
        plans << plan;
    }
    return plans;
}

void AllPlansRuns::LookForNewPlans() {
    for (const QString& plan : AllPlans()) {
        if (runs_.count(plan) == 0 && !stopped_.contains(plan)) {
            StartRun(plan);
        }
    }
}

void AllPlansRuns::StartRun(const QString& plan) {
    if (stopping_ || runs_.count(plan) != 0) {
        return;
    }
    auto* run = new QProcess;
    // Each run talks to the user itself: its output and messages are its own.
    run->setProcessChannelMode(QProcess::ForwardedChannels);
    QStringList args = args_;
    if (!plan.isEmpty()) {
        args << QStringLiteral("--plan") << plan;
    }
    connect(run, &QProcess::finished, this, [this, plan](int code, QProcess::ExitStatus status) {
        Ended(plan, code, status == QProcess::CrashExit);
    });
    connect(run, &QProcess::errorOccurred, this, [this, plan](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            Ended(plan, 127, false);
        }
    });
    runs_[plan] = run;
    run->start(program_, args);
}

void AllPlansRuns::Ended(const QString& plan, int exitCode, bool crashed) {
    const auto it = runs_.find(plan);
    if (stopping_ || it == runs_.end()) {
        return;
    }
    it->second->deleteLater();
    runs_.erase(it);
    emit runEnded(plan, exitCode);
    switch (AfterRun(exitCode, crashed, PlanExists(plan))) {
        case RunEnded::StartAgain:
            QTimer::singleShot(RestartDelayMs, this, [this, plan] { StartRun(plan); });
            break;
        case RunEnded::TryLater:
            QTimer::singleShot(RetryDelayMs, this, [this, plan] { StartRun(plan); });
            break;
        case RunEnded::Stop:
            stopped_ << plan;
            break;
    }
}

}  // namespace vindelor::monitor
