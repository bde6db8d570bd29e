// Helpers shared by the tests: a private data directory per test, file helpers.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <functional>

namespace vindelor::test {

// Points $VINDELOR_DIR at a fresh temporary directory for the lifetime of the object and
// restores the previous value afterwards. Cached profile parses need no clearing: they
// are kept per path and checked against the file's stamp, and the new directory's
// files have paths of their own.
class ScopedDataDir {
  public:
    ScopedDataDir();
    ~ScopedDataDir();
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }

  private:
    QTemporaryDir dir_;
    QByteArray previous_;
    bool hadPrevious_ = false;
};

QByteArray ReadFileBytes(const QString& path);
void WriteFileBytes(const QString& path, const QByteArray& bytes);

// Looks every 50 ms, without running events, until `condition` holds or `timeoutMs`
// passed; the condition's last answer.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs);

}  // namespace vindelor::test
