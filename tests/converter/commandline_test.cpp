#include "converter/commandline.h"
#include "converter/tuneup.h"

#include "core/plans.h"
#include "core/profile.h"
#include "core/sessionlog.h"
#include "platform/datadir.h"
#include "support/testenv.h"

#include <QFile>
#include <QTextStream>

#include <gtest/gtest.h>

namespace vindelor::ristola {
namespace {

using test::ScopedDataDir;

struct Outcome {
    int code = 0;
    QString out;
    QString err;
};

Outcome Ristola(const QStringList& args) {
    Outcome r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    r.code = RunCommandLine(args, out, err);
    out.flush();
    err.flush();
    return r;
}

void PutOldLog(const ScopedDataDir& dir, const QStringList& lines) {
    QByteArray bytes = "[N\xE4ttid]\r\n";
    for (int i = 0; i < lines.size(); ++i) {
        bytes += QByteArray::number(i + 1) + '=' + lines[i].toLatin1() + "\r\n";
    }
    test::WriteFileBytes(dir.file(kLogFile), bytes);
    ClearProfileCache();
}

TEST(RistolaCommandLine, APlanNamedIsTunedUpAloneAndAPlanThatIsNotThereIsRefused) {
    ScopedDataDir dir;
    struct BackToTheDefaultPlan {
        ~BackToTheDefaultPlan() { platform::SelectPlan(QString()); }
    } back;
    ASSERT_TRUE(WriteProfileString(QStringLiteral("Charge"), QStringLiteral("per_min"),
                                   QStringLiteral("0.5"), kSettingsFile));
    PutOldLog(dir, {QStringLiteral("06.12.1999 14:05:09-01:02:40")});
    const QByteArray defaultLog = test::ReadFileBytes(dir.file(kLogFile));
    ASSERT_EQ(CreatePlan(QStringLiteral("Cottage")), 0);
    const QString planLog =
        platform::PlanDirectory(QStringLiteral("Cottage")) + QLatin1Char('/') + kLogFile;
    test::WriteFileBytes(planLog, "[N\xE4ttid]\r\n1=07.12.1999 10:00:00-00:10:00\r\n");

    for (const char* bad : {"../Cottage", "Cabin"}) {
        const Outcome r =
            Ristola({QStringLiteral("--plan"), QString::fromUtf8(bad), QStringLiteral("--yes")});
        EXPECT_EQ(r.code, 2) << bad;
        EXPECT_EQ(r.err.count(QString::fromUtf8(bad)), 3)
            << "in three languages: " << r.err.toStdString();
    }
    const Outcome r =
        Ristola({QStringLiteral("--plan"), QStringLiteral("Cottage"), QStringLiteral("--yes")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(ReadLogLines(), QStringList{QStringLiteral("07.12.1999 10:00:00-00:10:00^   5.00")});
    EXPECT_EQ(test::ReadFileBytes(dir.file(kLogFile)), defaultLog);
}

TEST(RistolaCommandLine, YesConvertsOnceAndSaysSoEachTime) {
    ScopedDataDir dir;
    ASSERT_TRUE(WriteProfileString(QStringLiteral("Charge"), QStringLiteral("per_min"),
                                   QStringLiteral("0.5"), kSettingsFile));
    PutOldLog(dir, {QStringLiteral("06.12.1999 14:05:09-01:02:40")});

    const Outcome first = Ristola({QStringLiteral("--yes")});
    EXPECT_EQ(first.code, 0);
    EXPECT_EQ(first.out, OutcomeMessage(TuneUpOutcome::Done) + QLatin1Char('\n'));
    EXPECT_TRUE(first.err.isEmpty());
    ClearProfileCache();
    EXPECT_EQ(ReadLogLines(), QStringList{QStringLiteral("06.12.1999 14:05:09-01:02:40^  31.00")});
    const QByteArray converted = test::ReadFileBytes(dir.file(kLogFile));

    const Outcome second = Ristola({QStringLiteral("--yes")});
    EXPECT_EQ(second.code, 0);
    EXPECT_EQ(second.out, OutcomeMessage(TuneUpOutcome::AlreadyConverted) + QLatin1Char('\n'));
    EXPECT_EQ(test::ReadFileBytes(dir.file(kLogFile)), converted);
}

TEST(RistolaCommandLine, YesWithoutALogCreatesNone) {
    ScopedDataDir dir;
    const Outcome r = Ristola({QStringLiteral("--yes")});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, OutcomeMessage(TuneUpOutcome::NoLogFile) + QLatin1Char('\n'));
    EXPECT_FALSE(QFile::exists(dir.file(kLogFile)));
}

TEST(RistolaCommandLine, HelpAndVersionTouchNothing) {
    ScopedDataDir dir;
    PutOldLog(dir, {QStringLiteral("06.12.1999 14:05:09-00:10:00")});
    const QByteArray before = test::ReadFileBytes(dir.file(kLogFile));

    const Outcome help = Ristola({QStringLiteral("--help")});
    EXPECT_EQ(help.code, 0);
    // Like the window, the help speaks all three languages.
    EXPECT_TRUE(help.out.contains(QStringLiteral("Usage: ristola")));
    EXPECT_TRUE(help.out.contains(QStringLiteral("Användning: ristola")));
    EXPECT_TRUE(help.out.contains(QStringLiteral("Käyttö: ristola")));

    const Outcome version = Ristola({QStringLiteral("--version")});
    EXPECT_EQ(version.code, 0);
    EXPECT_TRUE(version.out.startsWith(QStringLiteral("ristola ")));

    EXPECT_EQ(test::ReadFileBytes(dir.file(kLogFile)), before);
}

TEST(RistolaCommandLine, WrongOptionsAreRefusedBeforeAnyConversion) {
    ScopedDataDir dir;
    PutOldLog(dir, {QStringLiteral("06.12.1999 14:05:09-00:10:00")});
    const QByteArray before = test::ReadFileBytes(dir.file(kLogFile));
    const QList<QStringList> wrong = {{QStringLiteral("--no")},
                                      {QStringLiteral("--yes"), QStringLiteral("--yes")},
                                      {QStringLiteral("--help"), QStringLiteral("x")},
                                      {QStringLiteral("yes")}};
    for (const QStringList& args : wrong) {
        const Outcome r = Ristola(args);
        EXPECT_EQ(r.code, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(args.join(' '))) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("Usage: ristola")));
    }
    EXPECT_EQ(test::ReadFileBytes(dir.file(kLogFile)), before);
    EXPECT_EQ(Ristola({}).code, -1);
}

}  // namespace
}  // namespace vindelor::ristola
