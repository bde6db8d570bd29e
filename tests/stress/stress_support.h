// Helpers of the crash, concurrency and hostile-input tests: child processes made with
// fork() that run library code, waits with deadlines, and checks of the stored files.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

#include <chrono>
#include <functional>
#include <random>

#include <sys/types.h>

namespace vindelor::stress {

using Clock = std::chrono::steady_clock;
using Millis = std::chrono::milliseconds;

// Runs `body` in a child process that ends with _exit(body()). The child shares nothing
// with the test but the data directory.
pid_t Spawn(const std::function<int()>& body);

// Like Spawn, and the child gets the write end of a pipe: it writes one byte to it once it
// has started its work, so that the parent can wait for that instead of guessing.
struct ReadyChild {
    pid_t pid = -1;
    int readyFd = -1;  // the parent's read end
};
ReadyChild SpawnWithReady(const std::function<int(int readyFd)>& body);
// Waits up to `deadline` for the child's ready byte. False on timeout or when the child
// ended without sending it.
bool AwaitReady(ReadyChild& child, Millis deadline);
void SignalReady(int readyFd);

// Waits for the child to end; kills it when `deadline` passes first. Returns the wait
// status, or -1 when it had to be killed.
int WaitFor(pid_t pid, Millis deadline);

// Kills the child with SIGKILL and reaps it. Returns the wait status.
int KillAndReap(pid_t pid);

// Exit code when the child exited normally, else -1.
int ExitCode(int status);

// Runs a program with arguments; the child gets RLIMIT_FSIZE = `fileSizeLimit` when it is
// not negative (SIGXFSZ ignored, so a write past it fails as on a full disk). Returns the
// exit code (-1 when it did not exit normally, -2 on timeout) and the output.
struct ProgramRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};
ProgramRun RunProgram(const QString& program, const QStringList& args, Millis deadline,
                      long long fileSizeLimit = -1);

// A data directory in memory (/dev/shm when there is one): the same rename semantics as
// a disk, without the fsync wait, so a test can kill thousands of writes in seconds. A
// killed process loses nothing that fsync would have saved: that guards against power
// loss, not against a process dying.
class ScopedMemoryDataDir {
  public:
    ScopedMemoryDataDir();
    ~ScopedMemoryDataDir();
    QString path() const { return dir_->path(); }
    QString file(const QString& name) const { return dir_->filePath(name); }

  private:
    std::unique_ptr<QTemporaryDir> dir_;
    QByteArray previous_;
    bool hadPrevious_ = false;
};

// Where the test's own build put the three programs.
QString ProgramPath(const char* name);

// A file of the profile form: every line ends in CR LF, and every line that is not blank
// is a section header or holds "=". A file cut short or mixed from two versions fails.
bool WellFormedProfile(const QByteArray& bytes, QString* why);

// The numbered keys of section "Nättid" as stored (every key, also past a gap), so a
// test can see hidden or doubled keys that the readers would skip.
QStringList StoredLogKeys(const QByteArray& bytes);

// Temporary files the atomic writes leave behind when killed between create and rename.
QStringList LeftoverTemporaries(const QString& dir);

// A seeded generator; the seed is printed so a failing run can be repeated with
// VINDELOR_STRESS_SEED.
std::mt19937& Random();

}  // namespace vindelor::stress
