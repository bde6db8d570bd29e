// Where the shared files live, and how the directory and the files are created.
#include "platform/datadir.h"
#include "platform/atomicfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <ctime>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vindelor::platform {
namespace {

// Sets or clears environment variables for one test and puts them back afterwards.
class ScopedEnv {
  public:
    void Set(const char* name, const QByteArray& value) {
        Remember(name);
        qputenv(name, value);
    }
    void Unset(const char* name) {
        Remember(name);
        qunsetenv(name);
    }
    ~ScopedEnv() {
        for (const auto& [name, value] : saved_) {
            if (value.isNull())
                qunsetenv(name.constData());
            else
                qputenv(name.constData(), value);
        }
    }

  private:
    void Remember(const char* name) {
        for (const auto& entry : saved_) {
            if (entry.first == name)
                return;
        }
        saved_.emplace_back(name, qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray());
    }
    std::vector<std::pair<QByteArray, QByteArray>> saved_;
};

mode_t ModeOf(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return 0;
    return st.st_mode & 07777;
}

TEST(DataDirectory, ChosenByVariableThenXdgThenHome) {
    ScopedEnv env;
    env.Set("HOME", "/home/anna");
    env.Set("VINDELOR_DIR", "/srv/vindelor/");
    env.Set("XDG_CONFIG_HOME", "/home/anna/cfg");
    EXPECT_EQ(DataDirectory(), "/srv/vindelor");

    env.Unset("VINDELOR_DIR");
    EXPECT_EQ(DataDirectory(), "/home/anna/cfg/vindelor");

    // The base directory standard ignores a relative XDG_CONFIG_HOME.
    env.Set("XDG_CONFIG_HOME", "relative/cfg");
    EXPECT_EQ(DataDirectory(), "/home/anna/.config/vindelor");
    env.Set("XDG_CONFIG_HOME", "");
    EXPECT_EQ(DataDirectory(), "/home/anna/.config/vindelor");

    EXPECT_EQ(DataFilePath("Vindelor.ini"), "/home/anna/.config/vindelor/Vindelor.ini");
    // A name with a path is the caller's own choice.
    EXPECT_EQ(DataFilePath("/tmp/x/Vindelor.log"), "/tmp/x/Vindelor.log");
}

TEST(DataDirectory, CreatedPrivateWithItsParents) {
    QTemporaryDir root;
    ScopedEnv env;
    const QString dir = root.filePath("a/b/vindelor");
    env.Set("VINDELOR_DIR", QFile::encodeName(dir));
    // Even a permissive umask leaves the directory to its owner.
    const mode_t oldMask = ::umask(0);
    const bool made = EnsureDataDirectory();
    ::umask(oldMask);
    ASSERT_TRUE(made);
    EXPECT_EQ(ModeOf(dir), 0700u);
    EXPECT_TRUE(EnsureDataDirectory()) << "an existing directory is fine";

    // A file where the directory should be.
    const QString blocked = root.filePath("file");
    QFile f(blocked);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    env.Set("VINDELOR_DIR", QFile::encodeName(blocked + "/vindelor"));
    EXPECT_FALSE(EnsureDataDirectory());
}

TEST(DataDirectory, APlanIsAPrivateFolderOfItsOwnUnderTheBaseWithACheckedName) {
    QTemporaryDir root;
    ScopedEnv env;
    const QString base = root.filePath("vindelor");
    env.Set("VINDELOR_DIR", QFile::encodeName(base));
    struct Case {
        const char* name;
        bool valid;
    };
    for (const Case& c :
         {Case{"Mobile", true}, Case{"SIM 2", true}, Case{"mökki-56k_v1.2", true}, Case{"", false},
          Case{".", false}, Case{"..", false}, Case{"../other", false}, Case{"a/b", false},
          Case{".hidden", false}, Case{" lead", false}, Case{"tab\there", false}}) {
        const QString name = QString::fromUtf8(c.name);
        EXPECT_EQ(IsValidPlanName(name), c.valid) << c.name;
        if (!name.isEmpty()) {
            EXPECT_EQ(SelectPlan(name), c.valid) << c.name;
            EXPECT_EQ(PlanDirectory(name).isEmpty(), !c.valid) << c.name;
        }
    }
    EXPECT_FALSE(IsValidPlanName(QString(65, QLatin1Char('a'))));

    ASSERT_TRUE(SelectPlan("SIM 2"));
    EXPECT_EQ(DataDirectory(), base + "/plans/SIM 2");
    EXPECT_EQ(DataFilePath("Vindelor.log"), base + "/plans/SIM 2/Vindelor.log");
    const mode_t oldMask = ::umask(0);
    const bool made = EnsureDataDirectory();
    ::umask(oldMask);
    ASSERT_TRUE(made);
    EXPECT_EQ(ModeOf(base), 0700u);
    EXPECT_EQ(ModeOf(base + "/plans"), 0700u);
    EXPECT_EQ(ModeOf(base + "/plans/SIM 2"), 0700u);
    // A folder with a name no plan can have is not a plan.
    ASSERT_TRUE(QDir().mkpath(base + "/plans/.trash"));
    EXPECT_EQ(PlanNames(), QStringList{"SIM 2"});

    ASSERT_TRUE(SelectPlan(QString()));
    EXPECT_EQ(DataDirectory(), base) << "the default plan is the base itself";
}

QStringList EverythingIn(const QString& dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                               QDir::NoDotAndDotDot);
}

TEST(AtomicReplace, NewFileIsPrivateAndWhole) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Vindelor.dta");
    const mode_t oldMask = ::umask(0);
    struct stat st {};
    const int error = ReplaceFileAtomically(QFile::encodeName(path), QByteArray(672, '\x03'), &st);
    ::umask(oldMask);
    ASSERT_EQ(error, 0);
    EXPECT_EQ(ModeOf(path), 0600u);
    EXPECT_EQ(st.st_size, 672);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray(672, '\x03'));
    EXPECT_EQ(EverythingIn(dir.path()), QStringList{"Vindelor.dta"});
}

TEST(AtomicReplace, ReplacesContentAndKeepsAUserLink) {
    QTemporaryDir dir;
    const QString real = dir.filePath("elsewhere.ini");
    const QString link = dir.filePath("Vindelor.ini");
    ASSERT_EQ(ReplaceFileAtomically(QFile::encodeName(real), "old"), 0);
    ASSERT_TRUE(QFile::link(real, link));
    ASSERT_EQ(ReplaceFileAtomically(QFile::encodeName(link), "new content"), 0);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    QFile f(real);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "new content");
}

TEST(AtomicReplace, FailuresLeaveTheOldFileAndNoTemporary) {
    QTemporaryDir dir;
    // The target is a directory: the rename fails after the new file was written.
    const QString blocked = dir.filePath("blocked");
    ASSERT_TRUE(QDir().mkpath(blocked + "/inside"));
    EXPECT_EQ(ReplaceFileAtomically(QFile::encodeName(blocked), "x"), EISDIR);
    EXPECT_TRUE(QFileInfo(blocked + "/inside").isDir());
    EXPECT_EQ(EverythingIn(dir.path()), QStringList{"blocked"});

    // A missing directory: nothing can be created.
    EXPECT_EQ(ReplaceFileAtomically(QFile::encodeName(dir.filePath("missing/f")), "x"), ENOENT);

    // A directory we may not write (root may write anywhere: nothing to see then).
    if (::geteuid() != 0) {
        const QString locked = dir.filePath("locked");
        ASSERT_TRUE(QDir().mkdir(locked));
        ASSERT_EQ(ReplaceFileAtomically(QFile::encodeName(locked + "/f"), "old"), 0);
        ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0500), 0);
        EXPECT_EQ(ReplaceFileAtomically(QFile::encodeName(locked + "/f"), "new"), EACCES);
        ::chmod(QFile::encodeName(locked).constData(), 0700);
        QFile f(locked + "/f");
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), "old");
    }
}

TEST(AtomicReplace, NameTakenBySomeoneElseIsNotUsed) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Vindelor.ini");
    // A link planted at the first temporary name must be neither followed nor removed.
    const QString planted = dir.filePath(
        QStringLiteral(".Vindelor.ini.%1.tmp").arg(static_cast<qlonglong>(::getpid())));
    const QString victim = dir.filePath("victim");
    ASSERT_TRUE(QFile::link(victim, planted));
    ASSERT_EQ(ReplaceFileAtomically(QFile::encodeName(path), "mine"), 0);
    EXPECT_FALSE(QFileInfo::exists(victim));
    EXPECT_TRUE(QFileInfo(planted).isSymLink());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "mine");
}

// Temporary files of killed writers are cleared; nothing else in the directory is.
TEST(AtomicReplace, AbandonedTemporaryFilesOfDeadWritersAreRemoved) {
    QTemporaryDir dir;
    const pid_t dead = ::fork();
    if (dead == 0) {
        _exit(0);
    }
    int status;
    ::waitpid(dead, &status, 0);
    const QString d = QString::number(dead);
    const auto make = [&dir](const QString& name, bool old) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("half");
        f.close();
        if (old) {
            const timespec times[2] = {{0, UTIME_OMIT}, {::time(nullptr) - 3600, 0}};
            ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(f.fileName()), times, 0), 0);
        }
    };
    const QStringList gone = {QStringLiteral(".Vindelor.ini.%1.tmp").arg(d),
                              QStringLiteral(".Vindelor.log.%1.9f3ac01b.tmp").arg(d)};
    const QStringList kept = {
        QStringLiteral(".Vindelor.ini.%1.tmp").arg(::getpid()),  // a live writer
        QStringLiteral(".Vindelor.ini.1.tmp"),                   // init lives
        QStringLiteral("Vindelor.ini"),
        QStringLiteral(".Vindelor.ini.tmp"),
        QStringLiteral(".Vindelor.ini.0%1.tmp").arg(d),
        QStringLiteral(".Vindelor.ini.%1x.tmp").arg(d),
        QStringLiteral(".%1.tmp").arg(d),
    };
    for (const QString& name : gone + kept) {
        make(name, true);
    }
    make(QStringLiteral(".Vindelor.dta.%1.tmp").arg(d), false);  // too fresh to judge
    ASSERT_TRUE(QFile::link(dir.filePath("Vindelor.ini"),
                            dir.filePath(QStringLiteral(".link.%1.tmp").arg(d))));

    EXPECT_EQ(RemoveAbandonedTemporaryFiles(QFile::encodeName(dir.path())), 2);
    for (const QString& name : gone) {
        EXPECT_FALSE(QFileInfo::exists(dir.filePath(name))) << name.toStdString();
    }
    for (const QString& name : kept) {
        EXPECT_TRUE(QFileInfo::exists(dir.filePath(name))) << name.toStdString();
    }
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral(".Vindelor.dta.%1.tmp").arg(d))));
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral(".link.%1.tmp").arg(d))).isSymLink());
    EXPECT_EQ(RemoveAbandonedTemporaryFiles(QFile::encodeName(dir.path()), 0), 1);
}

}  // namespace
}  // namespace vindelor::platform
