#include "viewer/logrows.h"
#include "viewer/mainform.h"

#include "core/texts.h"
#include "platform/test/fakes.h"
#include "support/testenv.h"
#include "viewer/testlog.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

namespace vindelor::brusko {
namespace {

using namespace vindelor::brusko::testing;
using platform::MessageBoxes;
using platform::test::ScopedFakes;
using test::ScopedDataDir;

const QString kA = QStringLiteral("06.12.1999 14:05:09-00:40:50^   1.2000");
const QString kB = QStringLiteral("07.12.1999 09:00:00-00:12:00^   0.5000");
const QString kF = QStringLiteral("07.12.1999 10:00:00-+YRITYS+^   0.1500");
const QString kC = QStringLiteral("08.12.1999 11:00:00-00:30:20^1234.5000");

QStringList ItemTexts(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) {
        texts.append(list->item(i)->text());
    }
    return texts;
}

QString HeaderText(const TForm1& form, int section) {
    return form.HeaderControl1->model()->headerData(section, Qt::Horizontal).toString();
}

class ViewerWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        Put(QStringLiteral("Charge"), QStringLiteral("per_min"), QStringLiteral("0.10"));
        Put(QStringLiteral("Charge"), QStringLiteral("valuta"), QStringLiteral("mk"));
        Put(QStringLiteral("Nättid"), QStringLiteral("Totalt"), QStringLiteral("01:23:10"));
        Put(QStringLiteral("Kostnad"), QStringLiteral("Totalt"), QStringLiteral("1235.85"));
        PutLog({kA, kB, kF, kC});
    }
    void TearDown() override { SetLanguageOffset(kSwedishOffset); }

    ScopedDataDir dir_;
    ScopedFakes fakes_;
};

TEST_F(ViewerWindow, StartUpListsTheLogWithItsTotals) {
    Put(QStringLiteral("Språk"), QStringLiteral("Språk"), QStringLiteral("SF"));
    TForm1 form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Brusko"));
    EXPECT_EQ(form.size(), QSize(484, 422));
    EXPECT_EQ(form.Label1->text(), QStringLiteral("01:23:10"));
    EXPECT_EQ(form.Label2->text(), QStringLiteral("mk 1235.85"));
    EXPECT_FALSE(form.GroupBox3->isHidden());
    EXPECT_EQ(form.CurrencyPrefix(), QStringLiteral("mk"));
    EXPECT_EQ(ItemTexts(form.ListBox1),
              (QStringList{ListRow(kA), ListRow(kB), ListRow(kF), ListRow(kC)}));
    EXPECT_EQ(form.Memo1.value(0), QStringLiteral("06.12.1999\t14:05:09\t00:40:50\t   1.2000"));
    EXPECT_EQ(form.Memo1.size(), 4);
    EXPECT_EQ(form.ListBox1->selectionMode(), QAbstractItemView::ExtendedSelection);

    // Finnish texts.
    EXPECT_EQ(LanguageOffset(), kFinnishOffset);
    EXPECT_EQ(HeaderText(form, 0), LoadText(331));
    EXPECT_EQ(HeaderText(form, 2), LoadText(329));
    EXPECT_EQ(form.BitBtn2->text(), LoadText(334));
    EXPECT_EQ(form.GroupBox3->title(), LoadText(330));
    EXPECT_EQ(form.Kopiera2->text(), LoadText(346));
    EXPECT_EQ(form.GroupBox1->title(), QStringLiteral("Vindelor log"));
}

TEST_F(ViewerWindow, StartUpDefaultsAndLanguageChoice) {
    // Nothing stored: the desktop's language, stored for the next start.
    fakes_.regional.language = QLocale::Finnish;
    SetLanguageOffset(kEnglishOffset);
    {
        TForm1 form;
        EXPECT_EQ(LanguageOffset(), kFinnishOffset);
        EXPECT_EQ(form.BitBtn1->text(), LoadText(35 + kFinnishOffset));
        EXPECT_EQ(Get(QStringLiteral("Språk"), QStringLiteral("Språk")), QStringLiteral("SF"));
    }
    struct Case {
        const char* language;
        int offset;
    };
    for (const Case c :
         {Case{"S", kSwedishOffset}, Case{"UK", kEnglishOffset}, Case{"uk", kSwedishOffset}}) {
        SetLanguageOffset(kFinnishOffset);
        Put(QStringLiteral("Språk"), QStringLiteral("Språk"), QString::fromLatin1(c.language));
        TForm1 form;
        EXPECT_EQ(LanguageOffset(), c.offset) << c.language;
        EXPECT_EQ(form.BitBtn1->text(), LoadText(35 + c.offset));
    }
}

TEST_F(ViewerWindow, EmptySettingsAndLogGiveTheDefaults) {
    ScopedDataDir empty;
    TForm1 form;
    EXPECT_EQ(form.ListBox1->count(), 0);
    EXPECT_EQ(form.Label1->text(), QStringLiteral("00:00:00"));
    EXPECT_EQ(form.Label2->text(), QStringLiteral("$ 0"));
    EXPECT_EQ(form.CurrencyPrefix(), QStringLiteral("$"));
}

TEST_F(ViewerWindow, CostFrameHiddenWhileCostMonitoringIsOff) {
    Put(QStringLiteral("Session"), QStringLiteral("Räknare"), QStringLiteral("Ja"));
    TForm1 form;
    EXPECT_TRUE(form.GroupBox3->isHidden());
    EXPECT_TRUE(form.Label2->text().isEmpty());

    // A deletion then stores 0.00 and keeps the frame hidden.
    form.BitBtn2Click();
    EXPECT_EQ(Get(QStringLiteral("Kostnad"), QStringLiteral("Totalt")), QStringLiteral("0.00"));
    EXPECT_TRUE(form.GroupBox3->isHidden());
    EXPECT_TRUE(form.Label2->text().isEmpty());
}

TEST_F(ViewerWindow, StaleTemporaryFileIsDiscardedAtStart) {
    ASSERT_TRUE(RewriteLog({kA}, kLogTempFile));
    TForm1 form;
    QCoreApplication::processEvents();
    EXPECT_FALSE(QFile::exists(dir_.file(kLogTempFile)));
    EXPECT_FALSE(QFile::exists(dir_.file(kLogTempFile + QStringLiteral(".1"))));
    EXPECT_TRUE(fakes_.boxes.shown.empty()) << "its lines are all in the log";
    EXPECT_EQ(form.ListBox1->count(), 4);
}

// A "Vindelor.ny" holding a line the log lacks (an earlier version's) is kept under a
// free name, and the user is told once where.
TEST_F(ViewerWindow, TemporaryFileWithLinesNotInTheLogIsKeptAndNamedOnce) {
    Put(QStringLiteral("Språk"), QStringLiteral("Språk"), QStringLiteral("SF"));
    const QString taken = dir_.file(kLogTempFile + QStringLiteral(".1"));
    test::WriteFileBytes(taken, "someone else's");
    const QString only = QStringLiteral("05.12.1999 08:00:00-00:01:00^   0.1000");
    ASSERT_TRUE(RewriteLog({kA, only}, kLogTempFile));
    const QByteArray bytes = test::ReadFileBytes(dir_.file(kLogTempFile));
    {
        TForm1 form;
        QCoreApplication::processEvents();
    }
    const QString kept = dir_.file(kLogTempFile + QStringLiteral(".2"));
    EXPECT_FALSE(QFile::exists(dir_.file(kLogTempFile)));
    EXPECT_EQ(test::ReadFileBytes(kept), bytes);
    EXPECT_EQ(test::ReadFileBytes(taken), QByteArray("someone else's"));
    ASSERT_EQ(fakes_.boxes.shown.size(), 1u);
    EXPECT_EQ(fakes_.boxes.shown[0].text,
              LoadText(kOwnTextBase + kTextOldTemporaryKept + kFinnishOffset).arg(kept));

    TForm1 again;
    QCoreApplication::processEvents();
    EXPECT_EQ(fakes_.boxes.shown.size(), 1u);
}

TEST_F(ViewerWindow, LargeFontsWidenTabStopsAndSections) {
    TForm1 form;
    if (UsesLargeFonts(&form)) {
        GTEST_SKIP() << "the test screen already uses large fonts";
    }
    EXPECT_EQ(form.HeaderControl1->sectionSize(0), 96);
    EXPECT_EQ(form.HeaderControl1->sectionSize(1), 95);
    EXPECT_EQ(form.HeaderControl1->sectionSize(2), 97);
    const int designTab = form.TabStopPixels();
    form.AdjustForLargeFonts();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(form.HeaderControl1->sectionSize(i), 118);
    }
    EXPECT_EQ(form.TabStopDialogUnits(), 14);
    EXPECT_GT(form.TabStopPixels(), designTab);
}

TEST_F(ViewerWindow, EmptyIsRefusedWhileASessionIsOpen) {
    Put(QStringLiteral("Aktiv"), QStringLiteral("Aktiv"), QStringLiteral("Ja"));
    SetLanguageOffset(kEnglishOffset);
    TForm1 form;
    const QByteArray before = test::ReadFileBytes(dir_.file(kLogFile));
    form.ListBox1->item(0)->setSelected(true);
    form.BitBtn2Click();
    ASSERT_EQ(fakes_.boxes.shown.size(), 1u);
    EXPECT_EQ(fakes_.boxes.shown[0].text,
              QStringLiteral("Vindelor is in use. You can't empty the log now."));
    EXPECT_EQ(fakes_.boxes.shown[0].icon, MessageBoxes::Icon::Information);
    EXPECT_EQ(fakes_.boxes.shown[0].buttons, MessageBoxes::Buttons::Ok);
    EXPECT_EQ(test::ReadFileBytes(dir_.file(kLogFile)), before);
    EXPECT_EQ(form.ListBox1->count(), 4);
}

TEST_F(ViewerWindow, EmptyAsksAndDeletesOnlyOnYes) {
    TForm1 form;  // English: no language stored
    form.ListBox1->item(0)->setSelected(true);
    form.ListBox1->item(2)->setSelected(true);

    fakes_.boxes.answers.push_back(MessageBoxes::Answer::No);
    form.BitBtn2Click();
    ASSERT_EQ(fakes_.boxes.shown.size(), 1u);
    EXPECT_EQ(fakes_.boxes.shown[0].text,
              QStringLiteral("Do you want to remove the chosen entries ?"));
    EXPECT_EQ(fakes_.boxes.shown[0].buttons, MessageBoxes::Buttons::YesNo);
    EXPECT_EQ(ReadLogLines().size(), 4);

    form.BitBtn2Click();  // Yes
    ASSERT_EQ(fakes_.boxes.shown.size(), 2u);
    EXPECT_EQ(ReadLogLines(), (QStringList{kB, kC}));
    EXPECT_EQ(ItemTexts(form.ListBox1), (QStringList{ListRow(kB), ListRow(kC)}));
    EXPECT_EQ(form.ListedLines(), (QStringList{kB, kC}));
    EXPECT_EQ(form.Memo1,
              (QStringList{QStringLiteral("07.12.1999 09:00:00\t00:12:00\t   0.5000"),
                           QStringLiteral("08.12.1999 11:00:00\t00:30:20\t1234.5000")}));
    EXPECT_EQ(form.Label1->text(), QStringLiteral("00:42:20"));
    EXPECT_EQ(form.Label2->text(), QStringLiteral("mk 1235.00"));
    EXPECT_EQ(Get(QStringLiteral("Försök"), QStringLiteral("Antal")), QStringLiteral("0"));
}

TEST_F(ViewerWindow, DeleteKeyOnTheListRemovesTheChosenRowsAfterTheQuestion) {
    TForm1 form;
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(form.ListBox1, &press);
    EXPECT_TRUE(fakes_.boxes.shown.empty()) << "nothing chosen, nothing asked";
    form.ListBox1->item(1)->setSelected(true);
    QApplication::sendEvent(form.ListBox1, &press);  // Yes
    ASSERT_EQ(fakes_.boxes.shown.size(), 1u);
    EXPECT_EQ(fakes_.boxes.shown[0].buttons, MessageBoxes::Buttons::YesNo);
    EXPECT_EQ(ReadLogLines(), (QStringList{kA, kF, kC}));
}

TEST_F(ViewerWindow, FailedDeletionIsReportedInTheUsersLanguage) {
    Put(QStringLiteral("Språk"), QStringLiteral("Språk"), QStringLiteral("SF"));
    TForm1 form;
    form.ListBox1->item(0)->setSelected(true);
    // A directory in the way of the temporary copy makes the deletion give up.
    ASSERT_TRUE(QDir().mkpath(dir_.file(kLogTempFile) + QStringLiteral("/inside")));
    form.BitBtn2Click();  // Yes

    ASSERT_EQ(fakes_.boxes.shown.size(), 2u);
    const auto& box = fakes_.boxes.shown[1];
    EXPECT_EQ(box.icon, MessageBoxes::Icon::Error);
    const QString lead = LoadText(kOwnTextBase + kTextLogNotChanged + kFinnishOffset);
    EXPECT_TRUE(box.text.startsWith(lead.left(lead.indexOf(QLatin1Char('%')))))
        << box.text.toStdString();
    EXPECT_TRUE(box.text.contains(dir_.file(kLogTempFile))) << box.text.toStdString();
    // Nothing changed, on disk or in the window.
    EXPECT_EQ(ReadLogLines().size(), 4);
    EXPECT_EQ(form.ListBox1->count(), 4);
    EXPECT_EQ(form.Label1->text(), QStringLiteral("01:23:10"));
}

TEST_F(ViewerWindow, CopiesAllOrSelectedLines) {
    TForm1 form;
    QClipboard* clipboard = QGuiApplication::clipboard();

    form.kopiera1Click();
    EXPECT_EQ(clipboard->text(), QStringList({StartClipboardLine(kA), StartClipboardLine(kB),
                                              StartClipboardLine(kF), StartClipboardLine(kC)})
                                     .join(QLatin1Char('\n')));

    form.ListBox1->item(1)->setSelected(true);
    form.ListBox1->item(3)->setSelected(true);
    form.Kopiera2Click();
    EXPECT_EQ(clipboard->text(), QStringLiteral("07.12.1999\t09:00:00\t00:12:00\t   0.5000\n"
                                                "08.12.1999\t11:00:00\t00:30:20\t1234.5000"));

    // "Copy all lines" now gives every row in the same form.
    form.kopiera1Click();
    const QStringList all = clipboard->text().split(QLatin1Char('\n'));
    ASSERT_EQ(all.size(), 4);
    EXPECT_EQ(all[2], QStringLiteral("07.12.1999\t10:00:00\t+YRITYS+\t   0.1500"));

    // Nothing selected copies nothing.
    form.ListBox1->clearSelection();
    form.Kopiera2Click();
    EXPECT_TRUE(clipboard->text().isEmpty());
}

TEST_F(ViewerWindow, CalculateRecountsTheListedRows) {
    PutLog({kA, kB, kF, QStringLiteral("01.12.1999 10:00:00-01:02:40^  31.00")});
    Put(QStringLiteral("Session"), QStringLiteral("Räknare"), QStringLiteral("Ja"));
    TForm1 form;
    // A line appended after the listing is not counted.
    AppendLogLine(kC);

    form.Calculate1Click();
    EXPECT_EQ(form.Label2->text(), QStringLiteral("mk 32.85"));
    EXPECT_EQ(Get(QStringLiteral("Kostnad"), QStringLiteral("Totalt")), QStringLiteral("32.85"));
    EXPECT_EQ(Get(QStringLiteral("Försök"), QStringLiteral("Antal")), QStringLiteral("1"));
}

TEST_F(ViewerWindow, HelpOpensContextFourOfTheLanguage) {
    Put(QStringLiteral("Språk"), QStringLiteral("Språk"), QStringLiteral("SF"));
    TForm1 form;
    form.BitBtn3Click();
    ASSERT_EQ(fakes_.help.calls.size(), 1u);
    EXPECT_EQ(fakes_.help.calls[0].first, QStringLiteral("SFVindelor"));
    EXPECT_EQ(fakes_.help.calls[0].second, 4);
}

TEST_F(ViewerWindow, AfterSettingsFollowsLanguageAndCostMonitoring) {
    TForm1 form;
    Put(QStringLiteral("Språk"), QStringLiteral("Språk"), QStringLiteral("S"));
    Put(QStringLiteral("Session"), QStringLiteral("Räknare"), QStringLiteral("Ja"));
    form.RefreshAfterSettings();
    EXPECT_EQ(form.BitBtn1->text(), LoadText(35));
    EXPECT_TRUE(form.GroupBox3->isHidden());
    EXPECT_TRUE(form.Label2->text().isEmpty());

    Put(QStringLiteral("Session"), QStringLiteral("Räknare"), QStringLiteral("Nej"));
    Put(QStringLiteral("Kostnad"), QStringLiteral("Totalt"), QStringLiteral("3.50"));
    Put(QStringLiteral("Charge"), QStringLiteral("valuta"), QStringLiteral("EUR"));
    form.RefreshAfterSettings();
    EXPECT_FALSE(form.GroupBox3->isHidden());
    // The prefix read at start stays.
    EXPECT_EQ(form.Label2->text(), QStringLiteral("mk 3.50"));
}

TEST_F(ViewerWindow, ButtonCaptionsAreShownWholeInEveryLanguage) {
    TForm1 form;
    const QList<QPushButton*> buttons = {form.BitBtn5, form.BitBtn4, form.BitBtn3, form.BitBtn2,
                                         form.BitBtn1};
    for (const char* code : {"S", "SF", "UK"}) {
        Put(QStringLiteral("Språk"), QStringLiteral("Språk"), QString::fromLatin1(code));
        form.RefreshAfterSettings();
        for (QPushButton* button : buttons) {
            EXPECT_FALSE(button->text().isEmpty()) << code;
            EXPECT_LE(button->sizeHint().width(), button->width())
                << code << " " << button->text().toStdString();
        }
    }
    // Back in a language whose captions are short, the pictures come back.
    for (QPushButton* button : buttons) {
        EXPECT_FALSE(button->icon().isNull()) << button->text().toStdString();
    }
}

TEST_F(ViewerWindow, SettingsAndAboutOpenModally) {
    TForm1 form;
    form.show();
    int closed = 0;
    auto closeModal = [&closed] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->close();
            ++closed;
        }
    };
    QTimer::singleShot(50, closeModal);
    form.BitBtn5Click();
    QTimer::singleShot(50, closeModal);
    form.BitBtn4Click();
    EXPECT_EQ(closed, 2);
    EXPECT_EQ(form.Label2->text(), QStringLiteral("mk 1235.85"));
}

}  // namespace
}  // namespace vindelor::brusko
