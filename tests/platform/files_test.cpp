// The file calls' failures come back as the errno of the step that failed: the viewer
// goes on to the next free name only on EEXIST, and the instance lock counts as held
// unless another holder has it.
#include "platform/files.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>

namespace vindelor::platform {
namespace {

QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

TEST(Files, FailuresComeBackAsTheirErrnoAndLeaveTheFilesAsTheyWere) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto at = [&dir](const char* name) { return QFile::encodeName(dir.filePath(name)); };
    Write(dir.filePath("a"), "first");
    Write(dir.filePath("b"), "second");

    EXPECT_EQ(RenameWithoutReplacing(at("a"), at("b")), EEXIST);
    EXPECT_EQ(Read(dir.filePath("a")), "first");
    EXPECT_EQ(Read(dir.filePath("b")), "second");
    EXPECT_EQ(RenameWithoutReplacing(at("a"), at("c")), 0);
    EXPECT_EQ(Read(dir.filePath("c")), "first");
    EXPECT_EQ(RenameWithoutReplacing(at("a"), at("d")), ENOENT);
    EXPECT_EQ(RemoveFile(at("a")), ENOENT);

    EXPECT_EQ(ReadWholeFile(at("missing")).error, ENOENT);
    EXPECT_EQ(ReadWholeFile(QFile::encodeName(dir.path())).error, EISDIR);
    const WholeFile whole = ReadWholeFile(at("b"));
    EXPECT_EQ(whole.error, 0);
    EXPECT_EQ(whole.bytes, "second");
    EXPECT_EQ(whole.status.st_size, 6);
    EXPECT_EQ(LinkStatusOf(at("missing")).error, ENOENT);

    FileLock first(at("lock"), FileLock::Wait::No);
    ASSERT_TRUE(first.Held());
    const FileLock second(at("lock"), FileLock::Wait::No);
    EXPECT_FALSE(second.Held());
    EXPECT_TRUE(second.TakenByAnother());
    const FileLock nowhere(at("missing/lock"), FileLock::Wait::No);
    EXPECT_EQ(nowhere.Error(), ENOENT);
    EXPECT_FALSE(nowhere.TakenByAnother());
    FileLock moved = std::move(first);
    EXPECT_FALSE(FileLock(at("lock"), FileLock::Wait::No).Held());  // the move kept it
    moved = FileLock();
    EXPECT_TRUE(FileLock(at("lock"), FileLock::Wait::No).Held());
}

}  // namespace
}  // namespace vindelor::platform
