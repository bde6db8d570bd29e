#include "dialogs/settingsdlg.h"

#include "core/profile.h"
#include "core/ratetable.h"
#include "core/sessionglobals.h"
#include "core/texts.h"
#include "dialogs/advanceddlg.h"
#include "dialogs/connectiondlg.h"
#include "dialogs/refreshdlg.h"
#include "monitor/filesizelimit.h"
#include "platform/datadir.h"
#include "platform/test/fakes.h"
#include "support/testenv.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>

namespace vindelor {
namespace {

using platform::MessageBoxes;

const QString kIni = kSettingsFile;
const QString kMissing = QStringLiteral("<missing>");

void Write(const QString& section, const QString& key, const QString& value) {
    ASSERT_TRUE(WriteProfileString(section, key, value, kIni));
}

QString Read(const QString& section, const QString& key) {
    return GetProfileString(section, key, kMissing, 100, kIni);
}

// Runs `act` on the modal dialog of type T as soon as one is shown; gives up after a
// deadline so a dialog that never opens fails the test instead of hanging it.
template <typename T>
void WhenModal(std::function<void(T*)> act, bool* ran) {
    QElapsedTimer deadline;
    deadline.start();
    // The pending timer holds the poll, and the poll only a weak reference to itself: it
    // goes with its last timer instead of keeping itself alive.
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [act, ran, deadline, self = std::weak_ptr<std::function<void()>>(poll)] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            *ran = true;
            act(dialog);
            return;
        }
        if (deadline.elapsed() > 5000) {
            return;
        }
        if (auto again = self.lock()) {
            QTimer::singleShot(5, [again] { (*again)(); });
        }
    };
    QTimer::singleShot(0, [poll] { (*poll)(); });
}

class SettingsDlgTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ClearProfileCache();
        savedOffset_ = LanguageOffset();
        SetLanguageOffset(kEnglishOffset);
        SessionGlobals() = SessionGlobalsT{};
        ProgramRateWeek().Clear();
        fakes_.regional.currency = QStringLiteral("€");
    }
    void TearDown() override {
        SetLanguageOffset(savedOffset_);
        SessionGlobals() = SessionGlobalsT{};
        ProgramRateWeek().Clear();
        ClearProfileCache();
    }

    test::ScopedDataDir dir_;
    platform::test::ScopedFakes fakes_;
    int savedOffset_ = 0;
};

// --- opening ------------------------------------------------------------------------------

TEST_F(SettingsDlgTest, ShowsTheStoredChargeAndSetsTheRunningRate) {
    struct Case {
        const char* stored;  // nullptr: key missing
        const char* shown;
        double rate;
    };
    const Case cases[] = {
        {nullptr, "0.00", 0.0},
        {"0.25", "0.25", 0.25},
        {"2", "2.00", 2.0},
        {"1.5", "1.50", 1.5},
        {"0.125", "0.125", 0.125},
        {"12.5", "12.50", 12.5},
        {"0.0125", "0.0125", 0.0125},
        // Stored while cost monitoring was off; it must not stop the dialog from opening.
        {"abc", "0.00", 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored ? c.stored : "(missing)");
        if (c.stored) {
            Write(QStringLiteral("Charge"), QStringLiteral("per_min"), QString::fromUtf8(c.stored));
        }
        SessionGlobals().CurrentRate = -1;
        TSettingsDlg dlg;
        EXPECT_EQ(dlg.Edit1->text(), QString::fromUtf8(c.shown));
        EXPECT_DOUBLE_EQ(SessionGlobals().CurrentRate, c.rate);
        EXPECT_TRUE(dlg.Edit1->isEnabled());
    }
}

TEST_F(SettingsDlgTest, OpeningSetsTheProgramValuesFromTheStoredOnes) {
    {
        TSettingsDlg dlg;  // nothing stored
        EXPECT_EQ(dlg.Edit2->text(), QStringLiteral("0.00"));
        EXPECT_EQ(dlg.Edit3->text(), QStringLiteral("€"));  // the locale's symbol
        EXPECT_EQ(dlg.Edit4->text(), QStringLiteral("30"));
        EXPECT_TRUE(dlg.CheckBox1->isChecked());
        EXPECT_TRUE(dlg.CheckBox1->isEnabled());
        EXPECT_EQ(SessionGlobals().MonthlyMinimum, 0);
        EXPECT_EQ(SessionGlobals().CurrencySymbol, QStringLiteral("€"));
        EXPECT_EQ(SessionGlobals().AverageConnectTime, 30);
    }
    Write(QStringLiteral("Charge"), QStringLiteral("minimi"), QStringLiteral("12.50"));
    Write(QStringLiteral("Charge"), QStringLiteral("valuta"), QStringLiteral("mk"));
    Write(QStringLiteral("Connect"), QStringLiteral("average"), QStringLiteral("45"));
    Write(QStringLiteral("Avsluta"), QStringLiteral("Visa"), QStringLiteral("Nej"));
    TSettingsDlg dlg;
    EXPECT_EQ(dlg.Edit2->text(), QStringLiteral("12.50"));
    EXPECT_EQ(SessionGlobals().MonthlyMinimum, 12);
    EXPECT_EQ(dlg.Edit3->text(), QStringLiteral("mk"));
    EXPECT_EQ(SessionGlobals().CurrencySymbol, QStringLiteral("mk"));
    EXPECT_EQ(dlg.Edit4->text(), QStringLiteral("45"));
    EXPECT_EQ(SessionGlobals().AverageConnectTime, 45);
    EXPECT_FALSE(dlg.CheckBox1->isChecked());
}

TEST_F(SettingsDlgTest, SummaryBoxIsOffWhileCostMonitoringIsOff) {
    struct Case {
        const char* counter;
        bool enabled;
    };
    // Only the exact "Ja" switches cost monitoring off for this dialog.
    const Case cases[] = {{"Ja", false}, {"Nej", true}, {"ja", true}, {"", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.counter);
        Write(QStringLiteral("Session"), QString::fromUtf8("Räknare"),
              QString::fromUtf8(c.counter));
        Write(QStringLiteral("Avsluta"), QStringLiteral("Visa"), QStringLiteral("Ja"));
        TSettingsDlg dlg;
        EXPECT_EQ(dlg.CheckBox1->isEnabled(), c.enabled);
        EXPECT_EQ(dlg.CheckBox1->isChecked(), c.enabled);
    }
}

TEST_F(SettingsDlgTest, RateTablesInForceLockTheChargeField) {
    Write(QStringLiteral("Session"), QStringLiteral("Multiple"), QStringLiteral("Ja"));
    Write(QStringLiteral("Charge"), QStringLiteral("per_min"), QStringLiteral("0.25"));
    TSettingsDlg dlg;
    EXPECT_EQ(dlg.Edit1->text(), QStringLiteral("Tables of rates"));
    EXPECT_FALSE(dlg.Edit1->isEnabled());
    EXPECT_EQ(dlg.Edit1->palette().color(QPalette::Base), dlg.palette().color(QPalette::Button));
    // It follows a language change.
    dlg.SpeedButton2Click();
    EXPECT_EQ(dlg.Edit1->text(), Text(63));
    dlg.SpeedButton3Click();
    dlg.BitBtn1Click();
    EXPECT_EQ(Read(QStringLiteral("Charge"), QStringLiteral("per_min")), QStringLiteral("0.25"));
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST_F(SettingsDlgTest, LanguageButtonOfTheCurrentLanguageIsDown) {
    const std::pair<int, int> cases[] = {
        {kSwedishOffset, 0}, {kFinnishOffset, 1}, {kEnglishOffset, 2}};
    for (const auto& [offset, index] : cases) {
        SetLanguageOffset(offset);
        TSettingsDlg dlg;
        const QToolButton* buttons[] = {dlg.SpeedButton1, dlg.SpeedButton2, dlg.SpeedButton3};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(buttons[i]->isChecked(), i == index) << offset << " " << i;
        }
        EXPECT_EQ(dlg.windowTitle(), Text(11));
        EXPECT_EQ(dlg.BitBtn1->text(), QStringLiteral("&Ok"));
        EXPECT_EQ(dlg.SpeedButton2->toolTip(), Text(9));
    }
}

// --- OK -----------------------------------------------------------------------------------

TEST_F(SettingsDlgTest, OkStoresTheChargeAsTypedWithAPoint) {
    struct Case {
        const char* typed;
        bool monitoringOff;
        const char* stored;  // nullptr: refused, nothing stored
        double rate;
        bool message;  // the "uses 0.00" information
    };
    const Case cases[] = {
        {"0,5", false, "0.5", 0.5, false},
        {"", false, "0", 0.0, false},
        {" 0.75", false, " 0.75", 0.75, false},
        {"0,0125", false, "0.0125", 0.0125, false},
        // No number: the program counts with 0 and stores the 0 it uses, never the text.
        {"1,2,3", false, "0", 0.0, true},
        {"abc", false, "0", 0.0, true},
        {"1.", false, "0", 0.0, true},
        {"abc", true, nullptr, -1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("'") + c.typed + "'");
        Write(QStringLiteral("Session"), QString::fromUtf8("Räknare"),
              c.monitoringOff ? QStringLiteral("Ja") : QStringLiteral("Nej"));
        Write(QStringLiteral("Charge"), QStringLiteral("per_min"), QStringLiteral("0.25"));
        fakes_.boxes.shown.clear();
        TSettingsDlg dlg;
        dlg.Edit1->setText(QString::fromUtf8(c.typed));
        SessionGlobals().CurrentRate = -1;
        dlg.BitBtn1Click();
        EXPECT_EQ(dlg.result() == QDialog::Accepted, c.stored != nullptr);
        EXPECT_DOUBLE_EQ(SessionGlobals().CurrentRate, c.rate);
        ClearProfileCache();
        // The read drops surrounding blanks, as for every profile value.
        EXPECT_EQ(Read(QStringLiteral("Charge"), QStringLiteral("per_min")),
                  QString::fromUtf8(c.stored ? c.stored : "0.25").trimmed());
        if (c.message) {
            ASSERT_EQ(fakes_.boxes.shown.size(), 1u);
            EXPECT_EQ(fakes_.boxes.shown[0].text, Text(44));
            EXPECT_EQ(fakes_.boxes.shown[0].icon, MessageBoxes::Icon::Information);
            EXPECT_EQ(fakes_.boxes.shown[0].buttons, MessageBoxes::Buttons::Ok);
        } else {
            EXPECT_EQ(fakes_.boxes.shown.size(), c.stored ? 0u : 1u);
        }
    }
}

// Opening the dialog only to change the language must not round a price on the way.
TEST_F(SettingsDlgTest, OkKeepsEveryFieldLeftAsItOpenedByteForByte) {
    Write(QStringLiteral("Charge"), QStringLiteral("per_min"), QStringLiteral("0.0125"));
    Write(QStringLiteral("Charge"), QStringLiteral("minimi"), QStringLiteral("12.505"));
    Write(QStringLiteral("Connect"), QStringLiteral("average"), QStringLiteral("045"));
    Write(QStringLiteral("Charge"), QStringLiteral("valuta"), QStringLiteral("mk"));
    Write(QString::fromUtf8("Språk"), QString::fromUtf8("Språk"), QStringLiteral("UK"));
    Write(QStringLiteral("Avsluta"), QStringLiteral("Visa"), QStringLiteral("Ja"));
    const QString path = platform::DataDirectory() + QLatin1Char('/') + kIni;
    const auto bytes = [&path] {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    };
    const QByteArray before = bytes();

    TSettingsDlg dlg;
    EXPECT_EQ(dlg.Edit1->text(), QStringLiteral("0.0125"));
    dlg.BitBtn1Click();
    ASSERT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(bytes(), before);
    EXPECT_DOUBLE_EQ(SessionGlobals().CurrentRate, 0.0125);
}

// Each bad entry is refused with a warning in the user's language, the dialog stays open
// and nothing of the page reaches the file or the running program.
TEST_F(SettingsDlgTest, OkRefusesWhatIsNoNumberAndStoresNothing) {
    struct Case {
        QLineEdit* TSettingsDlg::*field;
        const char* typed;
        int why;
    };
    const Case cases[] = {
        {&TSettingsDlg::Edit1, "-1", kTextBadCharge},
        {&TSettingsDlg::Edit1, "99999999999999999999", kTextBadCharge},
        {&TSettingsDlg::Edit1, "0.00001", kTextBadCharge},
        {&TSettingsDlg::Edit2, "abc", kTextBadMinimum},
        {&TSettingsDlg::Edit2, "-1", kTextBadMinimum},
        {&TSettingsDlg::Edit4, "xyz", kTextBadAverage},
        {&TSettingsDlg::Edit4, "-1.30", kTextBadAverage},
        {&TSettingsDlg::Edit4, "99999", kTextBadAverage},
    };
    SetLanguageOffset(kFinnishOffset);
    Write(QStringLiteral("Charge"), QStringLiteral("per_min"), QStringLiteral("0.25"));
    const QString path = platform::DataDirectory() + QLatin1Char('/') + kIni;
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        fakes_.boxes.shown.clear();
        SessionGlobals() = SessionGlobalsT{};
        TSettingsDlg dlg;
        const SessionGlobalsT opened = SessionGlobals();
        dlg.Edit3->setText(QStringLiteral("mk"));  // a good entry beside the bad one
        (dlg.*c.field)->setText(QString::fromUtf8(c.typed));
        dlg.BitBtn1Click();
        EXPECT_NE(dlg.result(), QDialog::Accepted);
        ASSERT_EQ(fakes_.boxes.shown.size(), 1u);
        EXPECT_TRUE(fakes_.boxes.shown[0].text.startsWith(Text(kOwnTextBase + c.why)));
        EXPECT_EQ(fakes_.boxes.shown[0].icon, MessageBoxes::Icon::Warning);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), before);
        file.close();
        EXPECT_EQ(SessionGlobals().CurrencySymbol, opened.CurrencySymbol);
        EXPECT_EQ(SessionGlobals().LanguageCode, opened.LanguageCode);
    }
}

TEST_F(SettingsDlgTest, OkReadsAnAverageWithAPointAsMinutesAndSeconds) {
    struct Case {
        const char* typed;
        const char* stored;
        long long seconds;
    };
    const Case cases[] = {
        {"1.30", "90", 90}, {"1.5", "110", 110},  {"0.45", "45", 45},
        {"1,30", "90", 90}, {"2", "2", 2},        {"", "0", 0},
        {"0.05", "5", 5},   {"2.59", "179", 179}, {"120", "120", 120},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        TSettingsDlg dlg;
        dlg.Edit4->setText(QString::fromUtf8(c.typed));
        dlg.BitBtn1Click();
        ClearProfileCache();
        EXPECT_EQ(Read(QStringLiteral("Connect"), QStringLiteral("average")),
                  QString::fromUtf8(c.stored));
        EXPECT_EQ(dlg.Edit4->text().trimmed(), QString::fromUtf8(c.stored));
        EXPECT_EQ(SessionGlobals().AverageConnectTime, c.seconds);
    }
}

TEST_F(SettingsDlgTest, OkStoresMinimumCurrencyAndSummary) {
    struct Case {
        const char* minimum;
        const char* storedMinimum;
        long long whole;
        const char* currency;
        const char* storedCurrency;
        const char* symbol;
        bool summary;
    };
    const Case cases[] = {
        {"12,50", "12.50", 12, "", "$", "$", true},
        {"", "0", 0, "mk", "mk", "mk", false},
        {"100", "100", 100, "kronor-och-ore", "kronor-och-ore", "kronor-och", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.minimum);
        TSettingsDlg dlg;
        dlg.Edit2->setText(QString::fromUtf8(c.minimum));
        dlg.Edit3->setText(QString::fromUtf8(c.currency));
        dlg.CheckBox1->setChecked(c.summary);
        dlg.BitBtn1Click();
        ClearProfileCache();
        EXPECT_EQ(Read(QStringLiteral("Charge"), QStringLiteral("minimi")),
                  QString::fromUtf8(c.storedMinimum));
        EXPECT_EQ(SessionGlobals().MonthlyMinimum, c.whole);
        EXPECT_EQ(Read(QStringLiteral("Charge"), QStringLiteral("valuta")),
                  QString::fromUtf8(c.storedCurrency));
        EXPECT_EQ(SessionGlobals().CurrencySymbol, QString::fromUtf8(c.symbol));
        EXPECT_EQ(Read(QStringLiteral("Avsluta"), QStringLiteral("Visa")),
                  c.summary ? QStringLiteral("Ja") : QStringLiteral("Nej"));
        EXPECT_EQ(Read(QString::fromUtf8("Språk"), QString::fromUtf8("Språk")),
                  QStringLiteral("UK"));
    }
}

TEST_F(SettingsDlgTest, AFailedWriteSaysSoAndKeepsTheEntriesForAnotherTry) {
    Write(QStringLiteral("Charge"), QStringLiteral("valuta"), QStringLiteral("$"));
    SessionGlobals().CurrencySymbol = QStringLiteral("$");
    TSettingsDlg dlg;
    dlg.Edit3->setText(QStringLiteral("mk"));
    {
        test::FileSizeLimit full(1);
        ASSERT_TRUE(full.ok());
        dlg.BitBtn1Click();
    }
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.Edit3->text(), QStringLiteral("mk"));
    ClearProfileCache();
    EXPECT_EQ(Read(QStringLiteral("Charge"), QStringLiteral("valuta")), QStringLiteral("$"));
    EXPECT_EQ(SessionGlobals().CurrencySymbol, QStringLiteral("$")) << "taken as if stored";
    ASSERT_EQ(fakes_.boxes.shown.size(), 1u);
    EXPECT_EQ(fakes_.boxes.shown[0].text,
              Text(kOwnTextBase + kTextSettingNotSaved)
                  .arg(platform::DataDirectory(), QString::fromLocal8Bit(std::strerror(EFBIG))));

    dlg.BitBtn1Click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    ClearProfileCache();
    EXPECT_EQ(Read(QStringLiteral("Charge"), QStringLiteral("valuta")), QStringLiteral("mk"));
    EXPECT_EQ(SessionGlobals().CurrencySymbol, QStringLiteral("mk"));
}

// --- language -----------------------------------------------------------------------------

TEST_F(SettingsDlgTest, LanguageButtonSwitchesAtOnceCancelRestoresOkStores) {
    SetLanguageOffset(kSwedishOffset);
    SessionGlobals().LanguageCode = QStringLiteral("S");
    {
        TSettingsDlg dlg;
        const QString swedishTitle = dlg.windowTitle();
        dlg.SpeedButton3Click();
        EXPECT_EQ(LanguageOffset(), kEnglishOffset);
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Vindelor - Settings"));
        EXPECT_NE(dlg.windowTitle(), swedishTitle);
        EXPECT_EQ(dlg.BitBtn2->text(), QStringLiteral("Cancel"));
        EXPECT_TRUE(dlg.TickerText().contains(QStringLiteral("Right-click")));
        dlg.BitBtn2Click();
        EXPECT_EQ(dlg.result(), QDialog::Rejected);
        EXPECT_EQ(LanguageOffset(), kSwedishOffset);
    }
    EXPECT_FALSE(QFile::exists(dir_.file(kIni)));
    EXPECT_EQ(SessionGlobals().LanguageCode, QStringLiteral("S"));
    {
        TSettingsDlg dlg;
        dlg.show();
        dlg.SpeedButton2Click();
        dlg.close();  // the window's close button cancels too
        EXPECT_EQ(LanguageOffset(), kSwedishOffset);
    }
    {
        TSettingsDlg dlg;
        dlg.SpeedButton3Click();
        dlg.BitBtn1Click();
        EXPECT_EQ(LanguageOffset(), kEnglishOffset);
        EXPECT_EQ(SessionGlobals().LanguageCode, QStringLiteral("UK"));
        EXPECT_EQ(Read(QString::fromUtf8("Språk"), QString::fromUtf8("Språk")),
                  QStringLiteral("UK"));
    }
}

TEST_F(SettingsDlgTest, TickerScrollsTheHintLeftOneCharacterATick) {
    TSettingsDlg dlg;
    const QString start = dlg.TickerText();
    EXPECT_EQ(start.size(), kTickerLength);
    EXPECT_EQ(start.trimmed(), Text(47));
    EXPECT_TRUE(start.endsWith(Text(47) + QLatin1Char(' ')));
    EXPECT_EQ(dlg.StatusBar1->currentMessage(), start);
    EXPECT_TRUE(dlg.Timer1->isActive());
    EXPECT_EQ(dlg.Timer1->interval(), 100);

    dlg.Timer1Timer();
    EXPECT_EQ(dlg.StatusBar1->currentMessage(), start);
    EXPECT_EQ(dlg.TickerText(), start.mid(1) + start.left(1));
    dlg.Timer1Timer();
    EXPECT_EQ(dlg.StatusBar1->currentMessage(), start.mid(1) + start.left(1));
    for (int i = 2; i < kTickerLength; ++i) {
        dlg.Timer1Timer();
    }
    EXPECT_EQ(dlg.TickerText(), start);
}

TEST_F(SettingsDlgTest, HelpFileFollowsTheOverridingLanguageTests) {
    struct Case {
        const char* code;
        int offset;
        const char* file;
    };
    const Case cases[] = {
        {"S", kSwedishOffset, "SVindelor"},   {"SF", kFinnishOffset, "SFVindelor"},
        {"UK", kEnglishOffset, "UKVindelor"}, {"S", kEnglishOffset, "UKVindelor"},
        {"UK", kSwedishOffset, "UKVindelor"}, {"SF", kSwedishOffset, "SFVindelor"},
        {"S", kFinnishOffset, "SFVindelor"},
    };
    for (const Case& c : cases) {
        SessionGlobals().LanguageCode = QString::fromLatin1(c.code);
        SetLanguageOffset(c.offset);
        fakes_.help.calls.clear();
        TSettingsDlg dlg;
        dlg.BitBtn3->click();
        ASSERT_EQ(fakes_.help.calls.size(), 1u);
        EXPECT_EQ(fakes_.help.calls[0].first, QString::fromLatin1(c.file))
            << c.code << " " << c.offset;
        EXPECT_EQ(fakes_.help.calls[0].second, 1);
    }
}

// --- the right-click menu -----------------------------------------------------------------

TEST_F(SettingsDlgTest, RightClickOffersAdvancedOptionsAndRefresh) {
    TSettingsDlg dlg;
    dlg.show();
    QStringList items;
    bool ran = false;
    QTimer::singleShot(0, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            ran = true;
            for (QAction* action : menu->actions()) {
                if (!action->isSeparator()) {
                    items << action->text();
                }
            }
            menu->close();
        }
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), dlg.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&dlg, &event);
    EXPECT_TRUE(ran);
    EXPECT_EQ(
        items,
        QStringList({Text(48), Text(kOwnTextBase + kTextConnectionMenu),
                     Text(kOwnTextBase + kTextBudgetPage), Text(kOwnTextBase + kTextDataPage),
                     Text(kOwnTextBase + kTextRoamingPage), Text(kOwnTextBase + kTextPlansPage),
                     QStringLiteral("Vindelor refresh")}));
}

TEST_F(SettingsDlgTest, ConnectionItemOpensTheConnectionChoice) {
    TSettingsDlg dlg;
    bool ran = false;
    WhenModal<TConnectionDlg>([](TConnectionDlg* page) { page->reject(); }, &ran);
    dlg.Connection1->trigger();
    EXPECT_TRUE(ran);
}

TEST_F(SettingsDlgTest, RefreshItemOpensTheCheckRateDialog) {
    TSettingsDlg dlg;
    bool ran = false;
    WhenModal<TRefreshDlg>([](TRefreshDlg* refresh) { refresh->reject(); }, &ran);
    dlg.Refresh1->trigger();
    EXPECT_TRUE(ran);
}

TEST_F(SettingsDlgTest, AdvancedOptionsRereadMonitoringAndRateTables) {
    Write(QStringLiteral("Charge"), QStringLiteral("per_min"), QStringLiteral("0.25"));
    for (int day = 1; day <= 7; ++day) {
        for (int slot = 1; slot <= kSlots; ++slot) {
            ProgramRateWeek().Slot(day, slot) = {1, 0};
        }
    }
    TSettingsDlg dlg;
    EXPECT_EQ(dlg.Edit1->text(), QStringLiteral("0.25"));

    // Cost monitoring off and rate tables on, saved in the advanced options.
    bool ran = false;
    WhenModal<TAdvancedDlg>(
        [&dlg](TAdvancedDlg* advanced) {
            EXPECT_FALSE(dlg.Timer1->isActive());
            EXPECT_TRUE(dlg.StatusBar1->currentMessage().isEmpty());
            advanced->CheckBox3->setChecked(true);
            advanced->CheckBox7->setChecked(true);
            advanced->Edit1->setText(QStringLiteral("0.10"));
            advanced->BitBtn1->click();
        },
        &ran);
    dlg.Advanced1->trigger();
    ASSERT_TRUE(ran);
    EXPECT_TRUE(fakes_.boxes.shown.empty());
    EXPECT_FALSE(dlg.CheckBox1->isEnabled());
    EXPECT_FALSE(dlg.CheckBox1->isChecked());
    EXPECT_EQ(dlg.Edit1->text(), Text(63));
    EXPECT_FALSE(dlg.Edit1->isEnabled());
    EXPECT_TRUE(dlg.Timer1->isActive());
    EXPECT_EQ(dlg.StatusBar1->currentMessage(), dlg.TickerText());

    // Both back on the single charge: the field offers the stored charge again.
    ran = false;
    WhenModal<TAdvancedDlg>(
        [](TAdvancedDlg* advanced) {
            advanced->CheckBox3->setChecked(false);
            advanced->CheckBox7->setChecked(false);
            advanced->BitBtn1->click();
        },
        &ran);
    dlg.Advanced1->trigger();
    ASSERT_TRUE(ran);
    EXPECT_TRUE(dlg.CheckBox1->isEnabled());
    EXPECT_TRUE(dlg.Edit1->isEnabled());
    EXPECT_EQ(dlg.Edit1->text(), QStringLiteral("0.25"));

    // What the advanced dialog saved stays saved when the settings are cancelled.
    dlg.BitBtn2Click();
    ClearProfileCache();
    EXPECT_EQ(Read(QStringLiteral("Session"), QString::fromUtf8("Räknare")), QStringLiteral("Nej"));
    EXPECT_EQ(Read(QStringLiteral("Avgifter"), QStringLiteral("Avg1")), QStringLiteral("0.10"));
}

}  // namespace
}  // namespace vindelor
