#include "core/plans.h"

#include "core/language.h"
#include "core/profile.h"
#include "platform/cp1252.h"
#include "platform/datadir.h"
#include "support/testenv.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cerrno>

namespace vindelor {
namespace {

using test::ReadFileBytes;
using test::ScopedDataDir;
using test::WriteFileBytes;

class Plans : public ::testing::Test {
  protected:
    void TearDown() override { platform::SelectPlan(QString()); }
    QString PlanFile(const QString& plan, const QString& name) const {
        return platform::PlanDirectory(plan) + QLatin1Char('/') + name;
    }
    ScopedDataDir dir_;
};

TEST_F(Plans, ANewPlanKeepsTheDefaultsTariffButNotItsTotalsWarningsLanguageLinkOrPort) {
    // Upper case sections as a hand edit leaves them: the copy must still know them.
    WriteFileBytes(dir_.file(kSettingsFile),
                   cp1252::Encode(QStringLiteral(
                       "[Charge]\r\nper_min=0.25\r\nvaluta=€\r\n"
                       "[KOSTNAD]\r\nTotalt=12.50\r\n[Nättid]\r\nTotalt=3:10:00\r\n"
                       "[Försök]\r\nAntal=4\r\n[Aktiv]\r\nAktiv=Ja\r\n"
                       "[Billing]\r\nStartDay=15\r\nGiven=2026-12:50\r\nDataGiven=2026-12:80\r\n"
                       "[SPRÅK]\r\nSpråk=SF\r\n"
                       "[Connection]\r\nNetworkManager=Mobile\r\nGrace=30\r\n"
                       "[Modem]\r\nPort=COM2\r\nInit=ATZ\r\n")));
    WriteFileBytes(dir_.file(kRateDataFile), QByteArray("\x01\x02rates\r\n", 9));
    WriteFileBytes(dir_.file(kLogFile), "[Nättid]\r\n1=06.12.1999 14:05:09-00:40:50^ 1.2\r\n");

    ASSERT_EQ(OpenPlan(QStringLiteral("Hotspot"), MakeMissingPlan::Yes), PlanOpening::Created);
    EXPECT_EQ(platform::DataDirectory(), dir_.path() + QStringLiteral("/plans/Hotspot"));
    const QString ini = PlanFile(QStringLiteral("Hotspot"), kSettingsFile);
    const auto read = [&ini](const char* section, const char* key) {
        return GetProfileString(QString::fromUtf8(section), QString::fromUtf8(key),
                                QStringLiteral("-"), 64, ini);
    };
    EXPECT_EQ(read("Charge", "per_min"), QStringLiteral("0.25"));
    EXPECT_EQ(read("Charge", "valuta"), QStringLiteral("€"));
    EXPECT_EQ(read("Billing", "StartDay"), QStringLiteral("15"));
    EXPECT_EQ(read("Connection", "Grace"), QStringLiteral("30"));
    EXPECT_EQ(read("Modem", "Init"), QStringLiteral("ATZ"));
    for (const auto& [section, key] : std::initializer_list<std::pair<const char*, const char*>>{
             {"kostnad", "Totalt"},
             {"Nättid", "Totalt"},
             {"Försök", "Antal"},
             {"Aktiv", "Aktiv"},
             {"Billing", "Given"},
             {"Billing", "DataGiven"},
             {"Språk", "Språk"},
             {"Connection", "NetworkManager"},
             {"Modem", "Port"}}) {
        EXPECT_EQ(read(section, key), QStringLiteral("-")) << section << " " << key;
    }
    EXPECT_EQ(ReadFileBytes(PlanFile(QStringLiteral("Hotspot"), kRateDataFile)),
              ReadFileBytes(dir_.file(kRateDataFile)));
    EXPECT_FALSE(QFile::exists(PlanFile(QStringLiteral("Hotspot"), kLogFile)));
    EXPECT_TRUE(QDir(dir_.path() + QStringLiteral("/plans"))
                    .entryList(QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot) ==
                QStringList{QStringLiteral("Hotspot")})
        << "the folder it was built in is gone";

    // The default plan's language until the plan has its own.
    EXPECT_EQ(ProgramLanguage(5, StoreLanguage::Yes), QStringLiteral("SF"));
    EXPECT_EQ(read("Språk", "Språk"), QStringLiteral("-"));
    ASSERT_TRUE(WriteProfileString(QStringLiteral("Språk"), QStringLiteral("Språk"),
                                   QStringLiteral("S"), kSettingsFile));
    EXPECT_EQ(ProgramLanguage(5, StoreLanguage::No), QStringLiteral("S"));

    // Opened again, it is the same plan: nothing is copied over what it has now.
    ASSERT_TRUE(WriteProfileString(QStringLiteral("Charge"), QStringLiteral("per_min"),
                                   QStringLiteral("0.40"), kSettingsFile));
    EXPECT_EQ(OpenPlan(QStringLiteral("Hotspot"), MakeMissingPlan::Yes), PlanOpening::Opened);
    EXPECT_EQ(read("Charge", "per_min"), QStringLiteral("0.40"));
}

TEST_F(Plans, NamesThatCouldLeaveThePlansFolderOrHideInItAreRefused) {
    for (const char* bad : {"../vindelor-escaped", "..", ".hidden", "a/b", " lead", "x\ny"}) {
        EXPECT_EQ(OpenPlan(QString::fromUtf8(bad), MakeMissingPlan::Yes), PlanOpening::BadName)
            << bad;
        EXPECT_EQ(CreatePlan(QString::fromUtf8(bad)), EINVAL) << bad;
    }
    EXPECT_EQ(platform::DataDirectory(), dir_.path());
    EXPECT_FALSE(QFile::exists(dir_.file(QStringLiteral("plans"))));
    EXPECT_FALSE(QFile::exists(dir_.path() + QStringLiteral("/../vindelor-escaped")));
    EXPECT_EQ(OpenPlan(QStringLiteral("Cottage"), MakeMissingPlan::No), PlanOpening::Missing);
    EXPECT_FALSE(QFile::exists(dir_.file(QStringLiteral("plans"))));
}

TEST_F(Plans, RenamingAndDeletingNeverPutsOnePlanOverAnotherNorDestroysALog) {
    ASSERT_EQ(CreatePlan(QStringLiteral("A")), 0);
    ASSERT_EQ(CreatePlan(QStringLiteral("B")), 0);
    EXPECT_EQ(CreatePlan(QStringLiteral("A")), EEXIST);
    WriteFileBytes(PlanFile(QStringLiteral("A"), kLogFile), "log of A");
    WriteFileBytes(PlanFile(QStringLiteral("B"), kLogFile), "log of B");

    EXPECT_EQ(RenamePlan(QStringLiteral("A"), QStringLiteral("B")), EEXIST);
    EXPECT_EQ(RenamePlan(QStringLiteral("A"), QStringLiteral("../A")), EINVAL);
    EXPECT_EQ(RenamePlan(QStringLiteral("A"), QStringLiteral("USB stick")), 0);
    EXPECT_EQ(ReadFileBytes(PlanFile(QStringLiteral("USB stick"), kLogFile)), "log of A");

    const QDate day(2026, 12, 9);
    const QString first = PutPlanAside(QStringLiteral("B"), day);
    EXPECT_EQ(first, dir_.path() + QStringLiteral("/plans/.deleted-2026-12-09-B"));
    ASSERT_EQ(CreatePlan(QStringLiteral("B")), 0);
    WriteFileBytes(PlanFile(QStringLiteral("B"), kLogFile), "second B");
    const QString second = PutPlanAside(QStringLiteral("B"), day);
    EXPECT_EQ(second, first + QStringLiteral("-2"));
    EXPECT_EQ(ReadFileBytes(first + QLatin1Char('/') + kLogFile), "log of B");
    EXPECT_EQ(ReadFileBytes(second + QLatin1Char('/') + kLogFile), "second B");
    EXPECT_EQ(platform::PlanNames(), QStringList{QStringLiteral("USB stick")});
    int error = 0;
    EXPECT_TRUE(PutPlanAside(QStringLiteral("B"), day, &error).isEmpty());
    EXPECT_EQ(error, ENOENT);
}

TEST_F(Plans, ALinkBelongsToThePlanWhoseSettingsNameIt) {
    struct Case {
        const char* key;
        const char* value;
        PlanLink::Kind kind;
    };
    const Case cases[] = {
        {"NetworkManager", "Mobile", PlanLink::Kind::NetworkManager},
        {"SIM", "8935801234567890123", PlanLink::Kind::Sim},
        {"Modem", "350000000000001", PlanLink::Kind::Modem},
        {"Interface", "usb0", PlanLink::Kind::Interface},
    };
    for (const Case& c : cases) {
        const QString plan = QString::fromLatin1(c.key);
        ASSERT_EQ(CreatePlan(plan), 0);
        ASSERT_TRUE(WriteProfileString(QStringLiteral("Connection"), plan,
                                       QString::fromLatin1(c.value),
                                       PlanFile(plan, kSettingsFile)));
        const PlanLink link{c.kind, QString::fromLatin1(c.value)};
        EXPECT_TRUE(LinkOfPlan(plan) == link) << c.key;
        EXPECT_EQ(PlanClaiming(link, QString()).value_or(QStringLiteral("none")), plan) << c.key;
        EXPECT_FALSE(PlanClaiming(link, plan).has_value()) << c.key << ": its own plan";
    }
    // A port nobody chose yet is claimed by nobody; COM2 chosen in the default plan is.
    EXPECT_FALSE(PlanClaiming({PlanLink::Kind::SerialPort, QString()}, QStringLiteral("x")));
    ASSERT_TRUE(WriteProfileString(QStringLiteral("Modem"), QStringLiteral("Port"),
                                   QStringLiteral("com2"), kSettingsFile));
    EXPECT_EQ(
        PlanClaiming({PlanLink::Kind::SerialPort, QStringLiteral("COM2")}, QStringLiteral("x")),
        QString());
}

TEST_F(Plans, PlanOptionIsTakenOutOfTheCommandLineInBothForms) {
    struct Case {
        QStringList args;
        QStringList rest;
        bool given;
        bool missing;
        const char* name;
    };
    const QString list = QStringLiteral("--list");
    const Case cases[] = {
        {{list}, {list}, false, false, ""},
        {{QStringLiteral("--plan"), QStringLiteral("USB stick"), list},
         {list},
         true,
         false,
         "USB stick"},
        {{list, QStringLiteral("--plan=Hotspot")}, {list}, true, false, "Hotspot"},
        {{list, QStringLiteral("--plan")}, {list}, true, true, ""},
        {{QStringLiteral("--plan"), list}, {list}, true, true, ""},
        {{QStringLiteral("--plan=")}, {}, true, true, ""},
    };
    for (const Case& c : cases) {
        QStringList args = c.args;
        const PlanOption option = TakePlanOption(&args);
        EXPECT_EQ(args, c.rest) << c.args.join(' ').toStdString();
        EXPECT_EQ(option.given, c.given) << c.args.join(' ').toStdString();
        EXPECT_EQ(option.valueMissing, c.missing) << c.args.join(' ').toStdString();
        EXPECT_EQ(option.name, QString::fromUtf8(c.name)) << c.args.join(' ').toStdString();
    }
}

}  // namespace
}  // namespace vindelor
