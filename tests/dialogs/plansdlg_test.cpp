#include "dialogs/plansdlg.h"

#include "core/plans.h"
#include "core/profile.h"
#include "core/texts.h"
#include "dialogs/connectiondlg.h"
#include "platform/datadir.h"
#include "platform/test/fakes.h"
#include "support/testenv.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace vindelor {
namespace {

class PlansPage : public ::testing::Test {
  protected:
    void SetUp() override {
        savedOffset_ = LanguageOffset();
        SetLanguageOffset(kEnglishOffset);
    }
    void TearDown() override {
        platform::SelectPlan(QString());
        SetLanguageOffset(savedOffset_);
    }
    QStringList Rows(const TPlansDlg& page) const {
        QStringList rows;
        for (int i = 0; i < page.List->topLevelItemCount(); ++i) {
            rows << page.List->topLevelItem(i)->text(0) + QLatin1Char('|') +
                        page.List->topLevelItem(i)->text(1);
        }
        return rows;
    }
    void Choose(TPlansDlg& page, const QString& plan) {
        const auto found = page.List->findItems(plan, Qt::MatchExactly, 0);
        ASSERT_EQ(found.size(), 1) << plan.toStdString();
        page.List->setCurrentItem(found.first());
    }
    test::ScopedDataDir dir_;
    platform::test::ScopedFakes fakes_;
    int savedOffset_ = 0;
};

TEST_F(PlansPage, MakesRenamesAndDeletesPlansAndKeepsTheDeletedOnesFiles) {
    ASSERT_TRUE(WriteProfileString(QStringLiteral("Modem"), QStringLiteral("Port"),
                                   QStringLiteral("COM2"), kSettingsFile));
    TPlansDlg page;
    QStringList answers{QStringLiteral("../up"), QStringLiteral("Hotspot"),
                        QStringLiteral("Hotspot"), QStringLiteral("Phone")};
    page.AskName = [&answers](QWidget*, const QString&, QString* name) {
        *name = answers.takeFirst();
        return true;
    };
    page.NewClick();  // "../up": refused, nothing made
    ASSERT_EQ(fakes_.boxes.shown.size(), 1u);
    EXPECT_TRUE(fakes_.boxes.shown[0].text.startsWith(QStringLiteral("\"../up\" cannot be")));
    page.NewClick();
    page.NewClick();  // the name is taken now
    ASSERT_EQ(fakes_.boxes.shown.size(), 2u);
    EXPECT_EQ(fakes_.boxes.shown[1].text, QStringLiteral("There is already a plan \"Hotspot\"."));
    ASSERT_TRUE(WriteProfileString(
        QStringLiteral("Connection"), QStringLiteral("SIM"), QStringLiteral("8935801"),
        platform::PlanDirectory(QStringLiteral("Hotspot")) + QStringLiteral("/Vindelor.ini")));
    page.Fill();
    EXPECT_EQ(Rows(page), (QStringList{QStringLiteral("(default)|The modem's serial port: COM2"),
                                       QStringLiteral("Hotspot|SIM 8935801")}));

    Choose(page, QStringLiteral("Hotspot"));
    page.RenameClick();
    EXPECT_EQ(platform::PlanNames(), QStringList{QStringLiteral("Phone")});
    test::WriteFileBytes(
        platform::PlanDirectory(QStringLiteral("Phone")) + QStringLiteral("/Vindelor.log"),
        "the log");

    // The default plan cannot go, and "No" keeps the plan.
    Choose(page, QStringLiteral("(default)"));
    EXPECT_FALSE(page.DeleteButton->isEnabled());
    Choose(page, QStringLiteral("Phone"));
    fakes_.boxes.answers = {platform::MessageBoxes::Answer::No};
    page.DeleteClick();
    EXPECT_EQ(platform::PlanNames(), QStringList{QStringLiteral("Phone")});
    page.DeleteClick();
    const auto& question = fakes_.boxes.shown.back();
    EXPECT_EQ(question.buttons, platform::MessageBoxes::Buttons::YesNo);
    EXPECT_EQ(question.text, QStringLiteral("Delete the plan \"Phone\"? Its files move to "
                                            "\"plans/.deleted-1999-12-06-Phone\" and stay there."));
    EXPECT_TRUE(platform::PlanNames().isEmpty());
    EXPECT_EQ(test::ReadFileBytes(dir_.path() +
                                  QStringLiteral("/plans/.deleted-1999-12-06-Phone/Vindelor.log")),
              "the log");
    EXPECT_EQ(page.List->topLevelItemCount(), 1);
}

TEST_F(PlansPage, ThePlanOfThisWindowIsNeitherRenamedNorDeleted) {
    ASSERT_EQ(CreatePlan(QStringLiteral("Phone")), 0);
    ASSERT_EQ(OpenPlan(QStringLiteral("Phone"), MakeMissingPlan::No), PlanOpening::Opened);
    TPlansDlg page;
    page.AskName = [](QWidget*, const QString&, QString* name) {
        *name = QStringLiteral("Other");
        return true;
    };
    Choose(page, QStringLiteral("Phone"));
    page.RenameClick();
    page.DeleteClick();
    ASSERT_EQ(fakes_.boxes.shown.size(), 2u);
    EXPECT_TRUE(
        fakes_.boxes.shown[1].text.startsWith(QStringLiteral("The plan \"Phone\" is in use")));
    EXPECT_EQ(platform::PlanNames(), QStringList{QStringLiteral("Phone")});
}

TEST_F(PlansPage, TheConnectionPageRefusesALinkAnotherPlanWatchesAndNamesThatPlan) {
    ASSERT_TRUE(WriteProfileString(QStringLiteral("Connection"), QStringLiteral("Interface"),
                                   QStringLiteral("usb0"), kSettingsFile));
    ASSERT_EQ(CreatePlan(QStringLiteral("Phone")), 0);
    ASSERT_EQ(OpenPlan(QStringLiteral("Phone"), MakeMissingPlan::No), PlanOpening::Opened);
    TConnectionDlg dlg(nullptr, {QStringLiteral("wwan0"), QStringLiteral("usb0")}, false);
    dlg.RadioInterface->setChecked(true);
    dlg.ComboInterface->setCurrentText(QStringLiteral("usb0"));
    dlg.BitBtn1Click();
    ASSERT_EQ(fakes_.boxes.shown.size(), 1u);
    EXPECT_EQ(fakes_.boxes.shown[0].text,
              QStringLiteral("The plan \"(default)\" already watches this link. A link belongs "
                             "to one plan."));
    EXPECT_TRUE(LinkOfPlan(QStringLiteral("Phone")) ==
                (PlanLink{PlanLink::Kind::SerialPort, QString()}));
    // Another interface is the plan's own.
    dlg.ComboInterface->setCurrentText(QStringLiteral("wwan0"));
    dlg.BitBtn1Click();
    EXPECT_EQ(fakes_.boxes.shown.size(), 1u);
    EXPECT_TRUE(LinkOfPlan(QStringLiteral("Phone")) ==
                (PlanLink{PlanLink::Kind::Interface, QStringLiteral("wwan0")}));
}

}  // namespace
}  // namespace vindelor
