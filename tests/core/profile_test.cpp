#include "core/profile.h"

#include "platform/datadir.h"
#include "support/testenv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <climits>
#include <csignal>
#include <ctime>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vindelor {
namespace {

using test::ReadFileBytes;
using test::ScopedDataDir;
using test::WriteFileBytes;

QString Read(const QString& section, const QString& key, const QString& file = kSettingsFile,
             int maxLength = 256) {
    return GetProfileString(section, key, QStringLiteral("#"), maxLength, file);
}

QStringList FilesIn(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

TEST(ProfileFile, FirstWriteCreatesPrivateDirectoryAndWindows1252File) {
    ScopedDataDir data;
    const QString dir = data.path() + QStringLiteral("/nested/vindelor");
    qputenv("VINDELOR_DIR", QFile::encodeName(dir));  // ScopedDataDir restores it
    EXPECT_EQ(Read(QStringLiteral("Nättid"), QStringLiteral("Totalt")), "#");
    EXPECT_FALSE(QFileInfo::exists(dir)) << "a read must not create anything";

    ASSERT_TRUE(WriteProfileString(QStringLiteral("Nättid"), QStringLiteral("Totalt"),
                                   QStringLiteral("123:05:00"), kSettingsFile));
    ASSERT_TRUE(WriteProfileString(QStringLiteral("Charge"), QStringLiteral("valuta"),
                                   QStringLiteral("€ Ω"), kSettingsFile));
    const QByteArray bytes = ReadFileBytes(dir + QStringLiteral("/Vindelor.ini"));
    EXPECT_EQ(bytes, QByteArray("[N\xE4ttid]\r\nTotalt=123:05:00\r\n"
                                "\r\n[Charge]\r\nvaluta=\x80 ?\r\n"));

    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(dir).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat(QFile::encodeName(dir + QStringLiteral("/Vindelor.ini")).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    ClearProfileCache();
    EXPECT_EQ(Read(QStringLiteral("Nättid"), QStringLiteral("Totalt")), "123:05:00");
    EXPECT_EQ(Read(QStringLiteral("Charge"), QStringLiteral("valuta")), "€ ?");
}

TEST(ProfileFile, NamesCompareWithoutLetterCaseIncludingNordicLetters) {
    ScopedDataDir data;
    WriteFileBytes(data.file(kSettingsFile),
                   "[N\xE4ttid]\r\nTotalt=01:00:00\r\n"
                   "[\xD6VERV]\r\nIntervall=15\r\n"
                   "[Session]\r\nM\xE5-fre=Nej\r\nR\xC4KNARE=Ja\r\n"
                   "[Spr\xE5k]\r\nSPR\xC5K=SF\r\n");
    struct Case {
        const char* section;
        const char* key;
        const char* expected;
    };
    const Case cases[] = {
        {"NÄTTID", "TOTALT", "01:00:00"}, {"nättid", "totalt", "01:00:00"},
        {"Överv", "intervall", "15"},     {"överv", "INTERVALL", "15"},
        {"session", "Må-Fre", "Nej"},     {"SESSION", "MÅ-FRE", "Nej"},
        {"Session", "Räknare", "Ja"},     {"SPRÅK", "språk", "SF"},
        {"Nattid", "Totalt", "#"},        {"Session", "Raknare", "#"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Read(QString::fromUtf8(c.section), QString::fromUtf8(c.key)),
                  QString::fromUtf8(c.expected))
            << c.section << "/" << c.key;
    }
    // The other call sites spell the file name differently.
    EXPECT_EQ(
        Read(QStringLiteral("Session"), QStringLiteral("Må-Fre"), QStringLiteral("Vindelor.Ini")),
        "Nej");

    // A write with other letter case replaces the value and keeps the stored spelling.
    ASSERT_TRUE(WriteProfileString(QStringLiteral("session"), QStringLiteral("räknare"),
                                   QStringLiteral("Nej"), QStringLiteral("VINDELOR.INI")));
    const QByteArray bytes = ReadFileBytes(data.file(kSettingsFile));
    EXPECT_TRUE(bytes.contains("[Session]\r\nM\xE5-fre=Nej\r\nR\xC4KNARE=Nej\r\n"))
        << bytes.constData();
    EXPECT_EQ(bytes.count("KNARE"), 1);
}

TEST(ProfileFile, ValuesAreTrimmedAndCutToLengthMinusOne) {
    ScopedDataDir data;
    WriteFileBytes(data.file(kSettingsFile),
                   "[Kostnad]\r\nTotalt=     12.50 \t\r\n"
                   "[Charge]\r\nvaluta=ABCDEFGHIJKL\r\n  per_min  =  0.5  \r\nminimi=\r\n");
    EXPECT_EQ(Read(QStringLiteral("Kostnad"), QStringLiteral("Totalt")), "12.50");
    EXPECT_EQ(Read(QStringLiteral("Charge"), QStringLiteral("valuta"), kSettingsFile, 10),
              "ABCDEFGHI");
    EXPECT_EQ(Read(QStringLiteral("Charge"), QStringLiteral("valuta"), kSettingsFile, 13),
              "ABCDEFGHIJKL");
    EXPECT_EQ(Read(QStringLiteral("Charge"), QStringLiteral("per_min")), "0.5");
    EXPECT_EQ(Read(QStringLiteral("Charge"), QStringLiteral("minimi")), "")
        << "an empty stored value is a value, not a missing key";
    EXPECT_EQ(Read(QStringLiteral("Charge"), QStringLiteral("valuta"), kSettingsFile, 1), "");
    EXPECT_EQ(Read(QStringLiteral("Charge"), QStringLiteral("valuta"), kSettingsFile, 0), "");
    // The default is cut the same way.
    EXPECT_EQ(GetProfileString(QStringLiteral("Nättid"), QStringLiteral("Totalt"),
                               QStringLiteral("00:00:00"), 5, kSettingsFile),
              "00:0");
    // Blanks written around a value are dropped when it is read.
    ASSERT_TRUE(WriteProfileString(QStringLiteral("Kostnad"), QStringLiteral("Totalt"),
                                   QStringLiteral("   3.50"), kSettingsFile));
    EXPECT_EQ(Read(QStringLiteral("Kostnad"), QStringLiteral("Totalt")), "3.50");
}

TEST(ProfileFile, MissingFileSectionOrKeyGivesTheDefault) {
    ScopedDataDir data;
    EXPECT_EQ(GetProfileString(QStringLiteral("Aktiv"), QStringLiteral("Aktiv"),
                               QStringLiteral("Nej"), 5, kSettingsFile),
              "Nej");
    EXPECT_FALSE(QFileInfo::exists(data.file(kSettingsFile)));
    WriteFileBytes(data.file(kSettingsFile), "[Aktiv]\r\nAktiv=Ja\r\n");
    EXPECT_EQ(Read(QStringLiteral("Aktiv"), QStringLiteral("Aktiv")), "Ja");
    EXPECT_EQ(Read(QStringLiteral("Aktiv"), QStringLiteral("Other")), "#");
    EXPECT_EQ(Read(QStringLiteral("Modem"), QStringLiteral("Port")), "#");
    // A path that is not a file reads as defaults and cannot be written.
    QDir(data.path()).mkdir(QStringLiteral("adir"));
    EXPECT_EQ(
        Read(QStringLiteral("Aktiv"), QStringLiteral("Aktiv"), data.file(QStringLiteral("adir"))),
        "#");
    EXPECT_FALSE(WriteProfileString(QStringLiteral("Aktiv"), QStringLiteral("Aktiv"),
                                    QStringLiteral("Ja"), data.file(QStringLiteral("adir"))));
}

TEST(ProfileFile, LfOnlyCrOnlyAndMixedLineEndsAreRead) {
    ScopedDataDir data;
    const QByteArray variants[] = {
        "[A]\nx=1\ny=2\n[B]\nx=3",
        "[A]\rx=1\ry=2\r[B]\rx=3\r",
        "[A]\r\nx=1\ny=2\r[B]\r\n\r\nx=3\n",
    };
    for (const QByteArray& bytes : variants) {
        WriteFileBytes(data.file(kSettingsFile), bytes);
        ClearProfileCache();
        EXPECT_EQ(Read("A", "x"), "1") << bytes.constData();
        EXPECT_EQ(Read("A", "y"), "2") << bytes.constData();
        EXPECT_EQ(Read("B", "x"), "3") << bytes.constData();
    }
}

TEST(ProfileFile, AWriteChangesNothingElse) {
    ScopedDataDir data;
    const QByteArray before =
        "; Vindelor settings\r\n"
        "stray line before any section\r\n"
        "[Charge]\r\n"
        "  per_min =  0.50\r\n"
        "; a comment inside\r\n"
        "a line without equals\r\n"
        "valuta=$\r\n"
        "\r\n"
        "\r\n"
        "[Session]\r\n"
        "Multiple=Nej\r\n";
    WriteFileBytes(data.file(kSettingsFile), before);

    ASSERT_TRUE(WriteProfileString("charge", "PER_MIN", "0.75", kSettingsFile));
    ASSERT_TRUE(WriteProfileString("Charge", "minimi", "10", kSettingsFile));
    ASSERT_TRUE(WriteProfileString("Aktiv", "Aktiv", "Ja", kSettingsFile));
    EXPECT_EQ(ReadFileBytes(data.file(kSettingsFile)),
              QByteArray("; Vindelor settings\r\n"
                         "stray line before any section\r\n"
                         "[Charge]\r\n"
                         "per_min=0.75\r\n"
                         "; a comment inside\r\n"
                         "a line without equals\r\n"
                         "valuta=$\r\n"
                         "minimi=10\r\n"
                         "\r\n"
                         "\r\n"
                         "[Session]\r\n"
                         "Multiple=Nej\r\n"
                         "\r\n"
                         "[Aktiv]\r\n"
                         "Aktiv=Ja\r\n"));
    // The ignored lines mean nothing to a read either.
    EXPECT_EQ(Read("Charge", "a line without equals"), "#");
    EXPECT_EQ(Read("Charge", "; a comment inside"), "#");

    // Writing the value a key already has leaves the file alone.
    const QByteArray now = ReadFileBytes(data.file(kSettingsFile));
    struct stat st1 {
    }, st2{};
    ::stat(QFile::encodeName(data.file(kSettingsFile)).constData(), &st1);
    ASSERT_TRUE(WriteProfileString("Session", "multiple", "Nej", kSettingsFile));
    ::stat(QFile::encodeName(data.file(kSettingsFile)).constData(), &st2);
    EXPECT_EQ(st1.st_ino, st2.st_ino);
    EXPECT_EQ(ReadFileBytes(data.file(kSettingsFile)), now);
}

TEST(ProfileFile, LineBreaksCannotInjectSettings) {
    ScopedDataDir data;
    ASSERT_TRUE(WriteProfileString("Charge", "valuta", "$\r\n[Aktiv]\r\nAktiv=Nej\nRefresh=1",
                                   kSettingsFile));
    EXPECT_EQ(Read("Aktiv", "Aktiv"), "#");
    EXPECT_EQ(Read("Charge", "Refresh"), "#");
    EXPECT_EQ(Read("Charge", "valuta"), "$  [Aktiv]  Aktiv=Nej Refresh=1");

    ASSERT_TRUE(WriteProfileString("Sess\nion", "key\r\nAktiv", "v", kSettingsFile));
    EXPECT_EQ(Read("Sess ion", "key  Aktiv"), "v");
    EXPECT_EQ(Read("Sess\nion", "key\r\nAktiv"), "v") << "reads clean names the same way";
    EXPECT_EQ(ReadFileBytes(data.file(kSettingsFile)).count("\r\n"), 5);

    ASSERT_TRUE(WriteProfileSection("Log", {{"1", "a\rb"}, {"2\n3", "c"}}, kSettingsFile));
    EXPECT_EQ(Read("Log", "1"), "a b");
    EXPECT_EQ(Read("Log", "2 3"), "c");
}

TEST(ProfileFile, NamesThatWouldCorruptTheFileAreRefused) {
    ScopedDataDir data;
    WriteFileBytes(data.file(kSettingsFile), "[Charge]\r\nvaluta=$\r\n");
    const QByteArray before = ReadFileBytes(data.file(kSettingsFile));
    struct Case {
        const char* section;
        const char* key;
    };
    const Case refused[] = {
        {"Charge", "valuta=x"},  // would read back as key "valuta"
        {"Charge", "=x"},       {"Charge", "[Aktiv]"}, {"Charge", "; note"}, {"Charge", ""},
        {"Charge", "  "},       {"Char]ge", "valuta"}, {"", "valuta"},       {" \r\n ", "k"},
    };
    for (const Case& c : refused) {
        EXPECT_FALSE(WriteProfileString(c.section, c.key, "x", kSettingsFile))
            << c.section << "/" << c.key;
        EXPECT_FALSE(WriteProfileSection(c.section, {{c.key, "x"}}, kSettingsFile))
            << c.section << "/" << c.key;
    }
    EXPECT_EQ(ReadFileBytes(data.file(kSettingsFile)), before);
    EXPECT_EQ(Read("Charge", "valuta"), "$");

    // Inside values "]", "=" and ";" are ordinary characters.
    ASSERT_TRUE(WriteProfileString("Charge", "valuta", "v=ä]x;y", kSettingsFile));
    EXPECT_EQ(Read("CHARGE", "VALUTA"), "v=ä]x;y");
    // A header may carry text after its "]".
    WriteFileBytes(data.file(kSettingsFile), "[Charge] trailing\r\nvaluta=kr\r\n");
    ClearProfileCache();
    EXPECT_EQ(Read("Charge", "valuta"), "kr");
}

TEST(ProfileFile, DuplicateSectionsAndKeysUseTheFirst) {
    ScopedDataDir data;
    WriteFileBytes(data.file(kSettingsFile),
                   "[Charge]\r\nper_min=1\r\nper_min=2\r\n"
                   "[charge]\r\nper_min=3\r\nvaluta=kr\r\n");
    EXPECT_EQ(Read("Charge", "per_min"), "1");
    EXPECT_EQ(Read("Charge", "valuta"), "#") << "keys of a later duplicate section are not seen";

    ASSERT_TRUE(WriteProfileString("CHARGE", "per_min", "9", kSettingsFile));
    ASSERT_TRUE(WriteProfileString("Charge", "valuta", "$", kSettingsFile));
    EXPECT_EQ(ReadFileBytes(data.file(kSettingsFile)),
              QByteArray("[Charge]\r\nper_min=9\r\nper_min=2\r\nvaluta=$\r\n"
                         "[charge]\r\nper_min=3\r\nvaluta=kr\r\n"));
    EXPECT_EQ(Read("Charge", "valuta"), "$");
}

TEST(ProfileFile, VeryLongLinesAreReadWhole) {
    ScopedDataDir data;
    const QByteArray longValue(2 * 1024 * 1024, 'x');
    WriteFileBytes(data.file(kSettingsFile), "[A]\r\nlong=" + longValue + "\r\nafter=1\r\n" +
                                                 QByteArray(100000, ';') + "\r\n[B]\r\nk=2\r\n");
    EXPECT_EQ(Read("A", "long", kSettingsFile, INT_MAX).size(), longValue.size());
    EXPECT_EQ(Read("A", "long", kSettingsFile, 50), QString(49, QLatin1Char('x')));
    EXPECT_EQ(Read("A", "after"), "1");
    EXPECT_EQ(Read("B", "k"), "2");
}

TEST(ProfileFile, WholeSectionIsReplacedInOneWrite) {
    ScopedDataDir data;
    WriteFileBytes(data.file(kLogFile),
                   "[Other]\r\nkeep=1\r\n\r\n[N\xE4TTID]\r\n1=a\r\n; note\r\n2=b\r\n4=d\r\n"
                   "\r\n[Tail]\r\nkeep=2\r\n");
    ASSERT_TRUE(WriteProfileSection("Nättid", {{"1", "x"}, {"2", "y"}}, kLogFile));
    EXPECT_EQ(ReadFileBytes(data.file(kLogFile)),
              QByteArray("[Other]\r\nkeep=1\r\n\r\n[N\xE4TTID]\r\n1=x\r\n2=y\r\n"
                         "\r\n[Tail]\r\nkeep=2\r\n"));
    EXPECT_EQ(Read("nättid", "4", kLogFile), "#");

    ASSERT_TRUE(WriteProfileSection("Nättid", {}, kLogFile));
    EXPECT_EQ(Read("Nättid", "1", kLogFile), "#");
    EXPECT_EQ(Read("Tail", "keep", kLogFile), "2");

    ASSERT_TRUE(WriteProfileSection("Nättid", {{"1", "z"}}, kLogTempFile));
    EXPECT_EQ(ReadFileBytes(data.file(kLogTempFile)), QByteArray("[N\xE4ttid]\r\n1=z\r\n"));
}

TEST(ProfileFile, FailedWriteLeavesTheOldFileWhole) {
    ScopedDataDir data;
    ASSERT_TRUE(WriteProfileString("Kostnad", "Totalt", "12.50", kSettingsFile));
    const QByteArray before = ReadFileBytes(data.file(kSettingsFile));

    // A write that runs out of room (as on a full disk; the limit holds for root too).
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written =
        WriteProfileString("Kostnad", "Totalt", QString(500, QLatin1Char('9')), kSettingsFile);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, SIG_DFL);

    EXPECT_FALSE(written);
    EXPECT_EQ(ReadFileBytes(data.file(kSettingsFile)), before);
    EXPECT_EQ(Read("Kostnad", "Totalt"), "12.50");
    for (const QString& name : FilesIn(data.path())) {
        EXPECT_FALSE(name.endsWith(QStringLiteral(".tmp")))
            << "left behind: " << name.toStdString();
    }

    // A directory that may not be written (root may write anywhere, so only as a user).
    if (::geteuid() != 0) {
        ASSERT_EQ(::chmod(QFile::encodeName(data.path()).constData(), 0500), 0);
        EXPECT_FALSE(WriteProfileString("Kostnad", "Totalt", "13.00", kSettingsFile));
        ::chmod(QFile::encodeName(data.path()).constData(), 0700);
        EXPECT_EQ(ReadFileBytes(data.file(kSettingsFile)), before);
    }
    // A file whose directory does not exist.
    EXPECT_FALSE(WriteProfileString("A", "b", "c", data.file(QStringLiteral("no/such/file.ini"))));

    // The reason comes from the write itself, whatever errno holds afterwards.
    ASSERT_TRUE(QDir(data.path()).mkdir(QStringLiteral("dir.ini")));
    int error = 0;
    errno = 0;
    EXPECT_FALSE(WriteProfileString("A", "b", "c", QStringLiteral("dir.ini"), &error));
    EXPECT_EQ(error, EISDIR);
    error = 0;
    EXPECT_FALSE(WriteProfileString("A", "", "c", kSettingsFile, &error));
    EXPECT_EQ(error, EINVAL);
}

TEST(ProfileFile, PlantedLinkAtTheTemporaryNameIsNotFollowed) {
    ScopedDataDir data;
    QTemporaryDir elsewhere;
    const QString victim = elsewhere.filePath(QStringLiteral("victim"));
    WriteFileBytes(victim, "precious");
    ASSERT_TRUE(WriteProfileString("Aktiv", "Aktiv", "Nej", kSettingsFile));
    const QString predictable = data.path() + QStringLiteral("/.Vindelor.ini.") +
                                QString::number(::getpid()) + QStringLiteral(".tmp");
    ASSERT_TRUE(QFile::link(victim, predictable));

    ASSERT_TRUE(WriteProfileString("Aktiv", "Aktiv", "Ja", kSettingsFile));
    EXPECT_EQ(ReadFileBytes(victim), QByteArray("precious"));
    EXPECT_TRUE(QFileInfo(predictable).isSymLink());
    ClearProfileCache();
    EXPECT_EQ(Read("Aktiv", "Aktiv"), "Ja");
    struct stat st {};
    ASSERT_EQ(::lstat(QFile::encodeName(data.file(kSettingsFile)).constData(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
}

TEST(ProfileFile, UserLinkToTheSettingsFileIsKept) {
    ScopedDataDir data;
    QTemporaryDir elsewhere;
    const QString real = elsewhere.filePath(QStringLiteral("real.ini"));
    WriteFileBytes(real, "[Aktiv]\r\nAktiv=Nej\r\n");
    ASSERT_TRUE(QFile::link(real, data.file(kSettingsFile)));
    ASSERT_TRUE(WriteProfileString("Aktiv", "Aktiv", "Ja", kSettingsFile));
    EXPECT_TRUE(QFileInfo(data.file(kSettingsFile)).isSymLink());
    EXPECT_EQ(ReadFileBytes(real), QByteArray("[Aktiv]\r\nAktiv=Ja\r\n"));
}

TEST(ProfileFile, ChangesByAnotherWriterAreSeen) {
    ScopedDataDir data;
    const QString path = data.file(kSettingsFile);
    ASSERT_TRUE(WriteProfileString("Aktiv", "Aktiv", "Nej", kSettingsFile));
    EXPECT_EQ(Read("Aktiv", "Aktiv"), "Nej");

    // In place, another size.
    WriteFileBytes(path, "[Aktiv]\r\nAktiv=Ja\r\n");
    EXPECT_EQ(Read("Aktiv", "Aktiv"), "Ja");

    // Replaced by a rename, as the other programs write.
    const QString other = data.file(QStringLiteral("other"));
    WriteFileBytes(other, "[Aktiv]\r\nAktiv=XY\r\n");
    ASSERT_EQ(::rename(QFile::encodeName(other).constData(), QFile::encodeName(path).constData()),
              0);
    EXPECT_EQ(Read("Aktiv", "Aktiv"), "XY");

    // In place with the same size and the same time stamp: only the bytes tell. The time
    // is put in the future so the stamp can never look settled.
    timespec future{};
    clock_gettime(CLOCK_REALTIME, &future);
    future.tv_sec += 60;
    const timespec times[2] = {future, future};
    WriteFileBytes(path, "[Aktiv]\r\nAktiv=AB\r\n");
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
    EXPECT_EQ(Read("Aktiv", "Aktiv"), "AB");
    WriteFileBytes(path, "[Aktiv]\r\nAktiv=CD\r\n");
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
    EXPECT_EQ(Read("Aktiv", "Aktiv"), "CD");

    // A file system that keeps whole seconds (FAT keeps even ones): a same-size edit in
    // the same second keeps the stamp, although the time already looks old.
    timespec coarse{};
    clock_gettime(CLOCK_REALTIME, &coarse);
    coarse.tv_nsec = 0;
    const timespec coarseTimes[2] = {coarse, coarse};
    WriteFileBytes(path, "[Aktiv]\r\nAktiv=EF\r\n");
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), coarseTimes, 0), 0);
    EXPECT_EQ(Read("Aktiv", "Aktiv"), "EF");
    WriteFileBytes(path, "[Aktiv]\r\nAktiv=GH\r\n");
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), coarseTimes, 0), 0);
    EXPECT_EQ(Read("Aktiv", "Aktiv"), "GH");

    // Removed.
    QFile::remove(path);
    EXPECT_EQ(Read("Aktiv", "Aktiv"), "#");

    // Our own write after someone else's goes on from their content, not a stale one.
    WriteFileBytes(path, "[Aktiv]\r\nAktiv=Ja\r\n[Added]\r\nby=other\r\n");
    ASSERT_TRUE(WriteProfileString("Aktiv", "Aktiv", "Nej", kSettingsFile));
    EXPECT_EQ(Read("Added", "by"), "other");
}

TEST(ProfileFile, SnapshotKeepsOneVersion) {
    ScopedDataDir data;
    ASSERT_TRUE(WriteProfileSection("Nättid", {{"1", "a"}, {"2", "b"}}, kLogFile));
    const ProfileSnapshot snapshot(kLogFile);
    ASSERT_TRUE(WriteProfileSection("Nättid", {{"1", "c"}}, kLogFile));
    EXPECT_EQ(snapshot.GetString("NÄTTID", "1", "#", 50), "a");
    EXPECT_EQ(snapshot.GetString("Nättid", "2", "#", 50), "b");
    QString value;
    EXPECT_FALSE(snapshot.Find("Nättid", "3", &value));
    EXPECT_EQ(Read("Nättid", "1", kLogFile), "c");
    EXPECT_EQ(Read("Nättid", "2", kLogFile), "#");
}

// Whether another process could take the lock file now.
bool OtherProcessCanLock(const QString& dataDir) {
    const pid_t child = ::fork();
    if (child == 0) {
        const QByteArray path = QFile::encodeName(dataDir + QStringLiteral("/.vindelor.lock"));
        const int fd = ::open(path.constData(), O_RDWR | O_CREAT, 0600);
        ::_exit(fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(ProfileLockTest, HeldAcrossNestedHoldersAndReleasedByTheOutermost) {
    ScopedDataDir data;
    EXPECT_TRUE(OtherProcessCanLock(data.path()));
    {
        ProfileLock outer;
        EXPECT_TRUE(outer.Held());
        EXPECT_FALSE(OtherProcessCanLock(data.path()));
        {
            ProfileLock inner;  // would deadlock if it took the flock again
            EXPECT_TRUE(inner.Held());
            ASSERT_TRUE(WriteProfileString("Aktiv", "Aktiv", "Ja", kSettingsFile));
        }
        EXPECT_FALSE(OtherProcessCanLock(data.path())) << "released by an inner holder";
    }
    EXPECT_TRUE(OtherProcessCanLock(data.path()));
}

}  // namespace
}  // namespace vindelor
