// Start-up of the main window (settings read, modem port discovery) and its menu
// commands, driven through the handlers with fakes.
#include "mainwindow_fixture.h"

#include "components/artwork.h"
#include "components/test/faketrayshell.h"
#include "components/trayicon.h"
#include "dialogs/settingsdlg.h"
#include "monitor/fmodem.h"
#include "monitor/portdiscovery.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSystemTrayIcon>
#include <QTimer>

namespace vindelor::test {
namespace {

using Mode = FakeSerialFactory::Mode;
using platform::MessageBoxes;

class StartupTest : public MainWindowTest {};

TEST_F(StartupTest, EmptySettingsGiveTheDefaults) {
    fakes.modems.entries[QStringLiteral("0000")] = QStringLiteral("COM1");
    TForm1& f = Create(/*storeCom1=*/false);
    const SessionGlobalsT& g = SessionGlobals();
    EXPECT_TRUE(dialogs.empty());
    EXPECT_EQ(LanguageOffset(), kEnglishOffset);
    EXPECT_EQ(g.LanguageCode, QStringLiteral("UK"));
    EXPECT_EQ(g.CurrencySymbol, QStringLiteral("$"));
    EXPECT_EQ(g.AverageConnectTime, 30);
    EXPECT_TRUE(f.CostMonitoring);
    EXPECT_DOUBLE_EQ(g.CurrentRate, 0.0);
    EXPECT_EQ(g.MonthlyMinimum, 0);
    EXPECT_FALSE(f.MultipleRatesOn);
    EXPECT_FALSE(f.UsagePackageOn);
    EXPECT_FALSE(f.IndicatorOn);
    EXPECT_FALSE(f.InitialChargeOn);
    EXPECT_FALSE(f.DataFileDamaged);
    EXPECT_EQ(f.RateMonitorInterval, 20);
    EXPECT_EQ(g.StoredNetTime, QStringLiteral("0"));
    EXPECT_TRUE(f.Ready);
    EXPECT_TRUE(f.Timer2->isActive());
    EXPECT_EQ(f.Timer2->interval(), 1000);
    EXPECT_FALSE(f.Timer1->isActive());
    EXPECT_EQ(f.Timer1->interval(), 20);
    EXPECT_FALSE(f.Timer3->isActive());
    EXPECT_EQ(f.Timer3->interval(), 20000);
    EXPECT_EQ(f.StatusPanel0->text(), QStringLiteral("COM1"));
    EXPECT_TRUE(f.Com11->isChecked());
    EXPECT_EQ(Read(QStringLiteral("Modem"), QStringLiteral("Port")), QStringLiteral("COM1"));
    EXPECT_EQ(f.About1->text(), QStringLiteral("About"));
    EXPECT_EQ(f.Exit1->text(), QStringLiteral("Exit"));
    EXPECT_EQ(f.Adjustmonitoring1->text(), QStringLiteral("Adjust monitoring"));
    EXPECT_FALSE(f.Helg1->isVisible());
    EXPECT_FALSE(f.Adjustmonitoring1->isVisible());
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Vindelor 1.12"));
    EXPECT_EQ(f.size(), QSize(217, 76));
}

TEST_F(StartupTest, FinnishCaptionsAndHelp) {
    Ini(QStringLiteral("Språk"), QStringLiteral("Språk"), QStringLiteral("SF"));
    TForm1& f = Create();
    EXPECT_EQ(LanguageOffset(), kFinnishOffset);
    EXPECT_EQ(f.About1->text(), LoadText(312));
    EXPECT_EQ(f.Settings1->text(), LoadText(315));
    EXPECT_NE(f.About1->text(), LoadText(612));
    f.Help1Click();
    ASSERT_EQ(fakes.help.calls.size(), 1u);
    EXPECT_EQ(fakes.help.calls[0].first, QStringLiteral("SFVindelor"));
    EXPECT_EQ(fakes.help.calls[0].second, 1);
}

TEST_F(StartupTest, DamagedRateFileIsReportedOnceAtTheFirstIdlePoll) {
    Ini(QStringLiteral("Session"), QStringLiteral("Multiple"), QStringLiteral("Ja"));
    Ini(QStringLiteral("Avgifter"), QStringLiteral("Avg1"), QStringLiteral("0.35"));
    Ini(QStringLiteral("Charge"), QStringLiteral("per_min"), QStringLiteral("0.90"));
    TForm1& f = Create();
    EXPECT_TRUE(f.DataFileDamaged);
    EXPECT_FALSE(f.MultipleRatesOn);
    EXPECT_DOUBLE_EQ(SessionGlobals().CurrentRate, 0.35);
    EXPECT_TRUE(f.Helg1->isVisible());
    EXPECT_TRUE(fakes.boxes.shown.empty());

    f.Timer2Timer();
    f.Timer2Timer();
    ASSERT_EQ(fakes.boxes.shown.size(), 1u);
    EXPECT_EQ(fakes.boxes.shown[0].text, Text(113));
    EXPECT_EQ(fakes.boxes.shown[0].icon, MessageBoxes::Icon::Error);
    EXPECT_TRUE(f.Timer2->isActive());
}

TEST_F(StartupTest, UsagePackageIsReadWhateverMultipleSays) {
    Ini(QStringLiteral("Charge"), QStringLiteral("Simpel"), QStringLiteral("Ja"));
    Ini(QStringLiteral("Charge"), QStringLiteral("Simpel_h"), QStringLiteral("10"));
    Ini(QStringLiteral("Charge"), QStringLiteral("Simpel_$1"), QStringLiteral("100.00"));
    Ini(QStringLiteral("Charge"), QStringLiteral("Simpel_$2"), QStringLiteral("20.00"));
    Ini(QStringLiteral("Nättid"), QStringLiteral("Totalt"), QStringLiteral("05:00:00"));
    TForm1& f = Create();
    EXPECT_TRUE(f.UsagePackageOn);
    EXPECT_FALSE(f.Helg1->isVisible());
    EXPECT_FALSE(f.Adjustmonitoring1->isVisible());
    EXPECT_DOUBLE_EQ(SessionGlobals().CurrentRate, 100.0 / 600);
    EXPECT_FALSE(f.Timer3->isActive());
    StartSession();
    EXPECT_TRUE(f.Timer3->isActive());
}

TEST_F(StartupTest, IndicatorLevelsAndLight) {
    TRateWeek week;
    FillWithRateClass(week, 2);
    SaveRateDataFile(week);
    Ini(QStringLiteral("Session"), QStringLiteral("Multiple"), QStringLiteral("Ja"));
    Ini(QStringLiteral("Session"), QStringLiteral("PeakSpec"), QStringLiteral("Ja"));
    Ini(QStringLiteral("Avgifter"), QStringLiteral("Avg1"), QStringLiteral("0.10"));
    Ini(QStringLiteral("Avgifter"), QStringLiteral("Avg2"), QStringLiteral("0.30"));
    Ini(QStringLiteral("PeakSpec"), QStringLiteral("Rate1"), QStringLiteral("Grön"));
    Ini(QStringLiteral("PeakSpec"), QStringLiteral("Rate2"), QStringLiteral("Röd"));
    ScopedFakeTrayShell shell;
    TForm1& f = Create();
    EXPECT_TRUE(f.IndicatorOn);
    EXPECT_EQ(SessionGlobals().IndicatorLevels, (std::array<int, 4>{1, 3, 0, 0}));
    EXPECT_DOUBLE_EQ(SessionGlobals().CurrentRate, 0.30);
    EXPECT_FALSE(f.TrayIcon1->Active());
    StartSession();
    EXPECT_TRUE(f.TrayIcon1->Active());
    // The entry comes with the light of the rate in force, never empty.
    ASSERT_EQ(shell.adds(), 1);
    EXPECT_EQ(shell.calls.front().data.icon.cacheKey(),
              LoadIconResource(QStringLiteral("ROD_SLACKT")).cacheKey());
    f.Timer1Timer();
    EXPECT_FALSE(f.TrayIcon1->Icon().isNull());
}

TEST_F(StartupTest, SettingsSwitchingTheLightOnWhileIdleShowItAtOnce) {
    TRateWeek week;
    FillWithRateClass(week, 2);
    SaveRateDataFile(week);
    Ini(QStringLiteral("Session"), QStringLiteral("Multiple"), QStringLiteral("Ja"));
    Ini(QStringLiteral("Avgifter"), QStringLiteral("Avg2"), QStringLiteral("0.30"));
    ScopedFakeTrayShell shell;
    TForm1& f = Create();
    Ini(QStringLiteral("Session"), QStringLiteral("PeakSpec"), QStringLiteral("Ja"));
    Ini(QStringLiteral("PeakSpec"), QStringLiteral("Rate2"), QStringLiteral("Gul"));
    f.Settings1Click();
    EXPECT_FALSE(f.SessionStarted);
    ASSERT_TRUE(f.TrayIcon1->Active());
    ASSERT_EQ(shell.adds(), 1);
    EXPECT_EQ(shell.calls.front().data.icon.cacheKey(),
              LoadIconResource(QStringLiteral("GUL_SLACKT")).cacheKey());
}

// --- modem port discovery ---------------------------------------------------------------

TEST_F(StartupTest, StoredPortIsKeptEvenWhenBusy) {
    Ini(QStringLiteral("Modem"), QStringLiteral("Port"), QStringLiteral("COM3"));
    SetPort(3, Mode::Busy);
    TForm1& f = Create();
    EXPECT_TRUE(dialogs.empty());
    EXPECT_EQ(f.Comm321->CommPort(), QStringLiteral("COM3"));
    EXPECT_EQ(f.StatusPanel0->text(), QStringLiteral("COM3"));
    EXPECT_TRUE(f.Com31->isChecked());
    EXPECT_FALSE(f.Com11->isChecked());
}

TEST_F(StartupTest, PortFromTheModemLookUp) {
    struct Case {
        const char* subkey;
        const char* value;
        const char* chosen;
    };
    const Case cases[] = {{"0000", "COM2", "COM2"}, {"0001", "com4", "COM4"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.subkey);
        ScopedDataDir caseDir;
        fakes.modems.entries.clear();
        fakes.modems.entries[QLatin1String(c.subkey)] = QLatin1String(c.value);
        TForm1& f = Create(/*storeCom1=*/false);
        EXPECT_TRUE(dialogs.empty());
        EXPECT_EQ(f.Comm321->CommPort(), QLatin1String(c.chosen));
        EXPECT_EQ(Read(QStringLiteral("Modem"), QStringLiteral("Port")), QLatin1String(c.chosen));
    }
}

TEST_F(StartupTest, BusyLookedUpPortAsksTheUser) {
    fakes.modems.entries[QStringLiteral("0000")] = QStringLiteral("COM2");
    SetPort(2, Mode::Busy);
    onDialog = [](QDialog& dialog) {
        auto& modem = dynamic_cast<TFModem&>(dialog);
        modem.RadioButton1->setChecked(true);
        modem.BitBtn1Click();
        return modem.result();
    };
    TForm1& f = Create(/*storeCom1=*/false);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0], QStringLiteral("vindelor::TFModem"));
    EXPECT_EQ(f.Comm321->CommPort(), QStringLiteral("COM1"));
    EXPECT_EQ(f.StatusPanel0->text(), QStringLiteral("COM1"));
    EXPECT_EQ(Read(QStringLiteral("Modem"), QStringLiteral("Port")), QStringLiteral("COM1"));
}

TEST_F(StartupTest, LookedUpDeviceGetsItsPortEntryOnlyWhenItIsTaken) {
    const QString modem = QStringLiteral("/dev/serial/by-id/usb-Acme_Modem_123-if00");
    for (const bool busy : {false, true}) {
        SCOPED_TRACE(busy);
        ScopedDataDir caseDir;
        dialogs.clear();
        const QString gone = caseDir.file(QStringLiteral("ttyUSB9"));
        Ini(QStringLiteral("Ports"), QStringLiteral("COM1"), gone);
        fakes.modems.entries[QStringLiteral("0000")] = modem;
        ports.modes[modem] = busy ? Mode::Busy : Mode::Free;
        onDialog = [](QDialog& dialog) {
            auto& choice = dynamic_cast<TFModem&>(dialog);
            choice.RadioButton2->setChecked(true);
            choice.BitBtn1Click();
            return choice.result();
        };
        TForm1& f = Create(/*storeCom1=*/false);
        EXPECT_EQ(dialogs.size(), busy ? 1u : 0u);
        EXPECT_EQ(f.Comm321->CommPort(), busy ? QStringLiteral("COM2") : QStringLiteral("COM1"));
        EXPECT_EQ(Read(QStringLiteral("Ports"), QStringLiteral("COM1")), busy ? gone : modem);
    }
}

TEST_F(StartupTest, DialogReturnsUntilTheChosenPortOpens) {
    SetPort(1, Mode::Busy);
    int asked = 0;
    onDialog = [&asked](QDialog& dialog) {
        auto& modem = dynamic_cast<TFModem&>(dialog);
        ++asked;
        (asked == 1 ? modem.RadioButton1 : modem.RadioButton4)->setChecked(true);
        modem.BitBtn1Click();
        return modem.result();
    };
    TForm1& f = Create(/*storeCom1=*/false);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(f.Comm321->CommPort(), QStringLiteral("COM4"));
    // The dialog set COM1 first; the highest flag is the port.
    EXPECT_EQ(monitor::ChosenPort(), 4);
    EXPECT_TRUE(f.Com41->isChecked());
}

TEST_F(StartupTest, EndingTheProgramLeavesTheManualPortChoice) {
    SetPort(1, Mode::Busy);
    int asked = 0;
    onDialog = [&](QDialog&) {
        ++asked;
        form->RequestQuit();  // a signal arrives while the dialog is open
        return int(QDialog::Rejected);
    };
    TForm1& f = Create(/*storeCom1=*/false);
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(f.Ready);
    EXPECT_FALSE(f.Timer2->isActive());
    EXPECT_EQ(Read(QStringLiteral("Modem"), QStringLiteral("Port")), QStringLiteral("<none>"));
}

TEST_F(StartupTest, ChoosePortOptionAsksBeforeWaitingAndStoresTheChoice) {
    choosePort = true;
    // The user asked: the dialog says so, starts on the stored port, and the arrow keys
    // move the choice from there.
    onDialog = [](QDialog& dialog) {
        auto& modem = dynamic_cast<TFModem&>(dialog);
        EXPECT_EQ(modem.Label1->text(), Text(kOwnTextBase + kTextPortChoiceAsked));
        EXPECT_TRUE(modem.RadioButton1->isChecked());
        modem.show();
        QApplication::setActiveWindow(&modem);
        EXPECT_EQ(QApplication::focusWidget(), modem.RadioButton1);
        QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
        QApplication::sendEvent(modem.RadioButton1, &down);
        EXPECT_TRUE(modem.RadioButton2->isChecked());
        return int(QDialog::Rejected);
    };
    Create();  // the choice closed without OK: the stored COM1 stays
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(form->Comm321->CommPort(), QStringLiteral("COM1"));

    dialogs.clear();
    onDialog = [](QDialog& dialog) {
        auto& modem = dynamic_cast<TFModem&>(dialog);
        modem.RadioButton3->setChecked(true);
        modem.BitBtn1Click();
        return modem.result();
    };
    TForm1& f = Create();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(f.Comm321->CommPort(), QStringLiteral("COM3"));
    EXPECT_TRUE(f.Com31->isChecked());
    EXPECT_TRUE(f.Timer2->isActive());
    EXPECT_EQ(Read(QStringLiteral("Modem"), QStringLiteral("Port")), QStringLiteral("COM3"));

    // The next start without the option keeps it and asks nothing.
    choosePort = false;
    dialogs.clear();
    EXPECT_EQ(Create().Comm321->CommPort(), QStringLiteral("COM3"));
    EXPECT_TRUE(dialogs.empty());
}

TEST_F(StartupTest, UnknownPortNameLeavesNoPortChosen) {
    fakes.modems.entries[QStringLiteral("0000")] = QStringLiteral("COM5");
    TForm1& f = Create(/*storeCom1=*/false);
    EXPECT_TRUE(dialogs.empty());
    EXPECT_EQ(ports.lastPath, QStringLiteral("/dev/ttyS0"));  // the probe tested COM1
    EXPECT_EQ(f.StatusPanel0->text(), QStringLiteral("Modem"));
    for (QAction* a : {f.Com11, f.Com21, f.Com31, f.Com41}) {
        EXPECT_FALSE(a->isChecked());
    }
    EXPECT_EQ(Read(QStringLiteral("Modem"), QStringLiteral("Port")), QStringLiteral("<none>"));
}

TEST_F(StartupTest, ModemDialogInsistsOnOnePort) {
    Ini(QStringLiteral("Språk"), QStringLiteral("Språk"), QStringLiteral("UK"));
    TFModem modem;
    EXPECT_EQ(modem.windowTitle(), QStringLiteral("Vindelor - Choose modem manually"));
    modem.BitBtn1Click();
    ASSERT_EQ(fakes.boxes.shown.size(), 1u);
    EXPECT_EQ(fakes.boxes.shown[0].text, QStringLiteral("You haven't chosen any modem !"));
    EXPECT_EQ(fakes.boxes.shown[0].icon, MessageBoxes::Icon::Warning);
    EXPECT_NE(modem.result(), QDialog::Accepted);
    EXPECT_EQ(Read(QStringLiteral("Modem"), QStringLiteral("Port")), QStringLiteral("<none>"));

    modem.RadioButton3->setChecked(true);
    modem.BitBtn1Click();
    EXPECT_EQ(modem.result(), QDialog::Accepted);
    EXPECT_TRUE(SessionGlobals().PortChoice[2]);
    EXPECT_EQ(Read(QStringLiteral("Modem"), QStringLiteral("Port")), QStringLiteral("Com3"));

    modem.BitBtn2Click();
    ASSERT_EQ(fakes.help.calls.size(), 1u);
    EXPECT_EQ(fakes.help.calls[0], std::make_pair(QStringLiteral("UKVindelor"), 2));
}

// --- menu commands and shutdown --------------------------------------------------------

TEST_F(StartupTest, ModemDialogTextsFollowItsOwnLanguageReadingAndRefuseTwoPorts) {
    // The dialog opens before anything else on a first start: with no language stored it
    // speaks the desktop's, and keeps it.
    struct Case {
        const char* stored;  // nullptr: no language stored
        QLocale::Language desktop;
        int offset;
        const char* storedAfter;
    };
    const Case cases[] = {{nullptr, QLocale::Finnish, kFinnishOffset, "SF"},
                          {"S", QLocale::English, kSwedishOffset, "S"},
                          {"UK", QLocale::Finnish, kEnglishOffset, "UK"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.offset);
        ScopedDataDir caseDir;
        fakes.boxes.shown.clear();
        fakes.regional.language = c.desktop;
        if (c.stored != nullptr) {
            Ini(QStringLiteral("Språk"), QStringLiteral("Språk"), QLatin1String(c.stored));
        }
        Ini(QStringLiteral("Ports"), QStringLiteral("COM1"), QStringLiteral("/dev/null"));
        Ini(QStringLiteral("Ports"), QStringLiteral("COM2"), QStringLiteral("/dev/ttyUSB97"));
        TFModem modem;
        EXPECT_EQ(Read(QStringLiteral("Språk"), QStringLiteral("Språk")),
                  QLatin1String(c.storedAfter));
        EXPECT_EQ(modem.windowTitle(), LoadText(24 + c.offset));
        EXPECT_EQ(modem.GroupBox1->title(), LoadText(25 + c.offset));
        // Beside each Com n the device it leads to, and whether that device is there.
        EXPECT_EQ(modem.RadioButton1->text(), QStringLiteral("Com1"));
        EXPECT_EQ(modem.DeviceLabels[0]->text(), QStringLiteral("/dev/null"));
        EXPECT_TRUE(modem.DeviceLabels[0]->isEnabled());
        EXPECT_EQ(modem.DeviceLabels[1]->toolTip(), QStringLiteral("/dev/ttyUSB97"));
        EXPECT_TRUE(modem.DeviceLabels[1]->text().endsWith(
            LoadText(kOwnTextBase + kTextDeviceAbsent + c.offset).arg(QStringLiteral("97"))))
            << modem.DeviceLabels[1]->text().toStdString();
        EXPECT_FALSE(modem.DeviceLabels[1]->isEnabled());
        EXPECT_EQ(modem.Label1->text(), LoadText(26 + c.offset));
        EXPECT_EQ(modem.BitBtn2->text(), LoadText(13 + c.offset));
        EXPECT_EQ(modem.BitBtn1->text(), QStringLiteral("&Ok"));
        EXPECT_EQ(modem.size(), QSize(376, 182));

        for (QRadioButton* b : {modem.RadioButton2, modem.RadioButton4}) {
            b->setAutoExclusive(false);
            b->setChecked(true);
        }
        modem.BitBtn1Click();
        ASSERT_EQ(fakes.boxes.shown.size(), 1u);
        EXPECT_EQ(fakes.boxes.shown[0].text, LoadText(28 + c.offset));
        EXPECT_NE(modem.result(), QDialog::Accepted);
        EXPECT_EQ(SessionGlobals().PortChoice, (std::array<bool, 4>{}));
        EXPECT_EQ(Read(QStringLiteral("Modem"), QStringLiteral("Port")), QStringLiteral("<none>"));
    }
}

TEST_F(StartupTest, ExitDuringASessionLogsItAndClearsTheFlag) {
    Ini(QStringLiteral("Charge"), QStringLiteral("per_min"), QStringLiteral("0.50"));
    Ini(QStringLiteral("Avsluta"), QStringLiteral("Visa"), QStringLiteral("Nej"));
    TForm1& f = Create();
    StartSession();
    Run(100);

    fakes.boxes.answers.push_back(MessageBoxes::Answer::No);
    f.Exit1Click();
    EXPECT_EQ(ends, 0);
    EXPECT_TRUE(f.Timer1->isActive());
    EXPECT_EQ(LogLine(1), QStringLiteral("<none>"));

    f.Exit1Click();  // Yes
    EXPECT_EQ(fakes.boxes.beeps, 2);
    EXPECT_EQ(fakes.boxes.shown.back().text, Text(1));
    EXPECT_EQ(LogLine(1), QStringLiteral("06.12.1999 14:05:09-00:01:00^   0.5000"));
    EXPECT_EQ(Read(QStringLiteral("Aktiv"), QStringLiteral("Aktiv")), QStringLiteral("Nej"));
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(exitCode, 0);
    EXPECT_FALSE(f.Timer1->isActive());
}

TEST_F(StartupTest, ClosingWhileIdleAsksAndWritesNothing) {
    Ini(QStringLiteral("kostnad"), QStringLiteral("Totalt"), QStringLiteral("7.25"));
    Ini(QStringLiteral("Session"), QStringLiteral("<1min"), QStringLiteral("Ja"));
    TForm1& f = Create();

    fakes.boxes.answers.push_back(MessageBoxes::Answer::No);
    EXPECT_FALSE(f.FormCloseQuery());
    EXPECT_EQ(fakes.boxes.shown.back().text, Text(38));
    EXPECT_TRUE(f.Timer2->isActive());

    EXPECT_TRUE(f.close());  // Yes: the window closes and the program ends
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(f.Timer2->isActive());
    EXPECT_EQ(LogLine(1), QStringLiteral("<none>"));
    EXPECT_EQ(Read(QStringLiteral("kostnad"), QStringLiteral("Totalt")), QStringLiteral("7.25"));
    EXPECT_EQ(Read(QStringLiteral("Aktiv"), QStringLiteral("Aktiv")), QStringLiteral("<none>"));
}

TEST_F(StartupTest, ClosingDuringASessionLogsIt) {
    Ini(QStringLiteral("Charge"), QStringLiteral("per_min"), QStringLiteral("1"));
    Ini(QStringLiteral("Avsluta"), QStringLiteral("Visa"), QStringLiteral("Nej"));
    TForm1& f = Create();
    StartSession();
    Run(95);
    EXPECT_TRUE(f.FormCloseQuery());
    EXPECT_EQ(fakes.boxes.shown.back().text, Text(1));
    EXPECT_EQ(LogLine(1), QStringLiteral("06.12.1999 14:05:09-00:01:00^   1.0000"));
    EXPECT_EQ(Read(QStringLiteral("Aktiv"), QStringLiteral("Aktiv")), QStringLiteral("Nej"));
}

TEST_F(StartupTest, IdleMenuHidesWhatNeedsASession) {
    TForm1& f = Create();
    f.TaskbarMenu->aboutToShow();
    EXPECT_FALSE(f.Exit1->isVisible());
    EXPECT_FALSE(f.Statistics1->isVisible());
    EXPECT_TRUE(f.Com11->isVisible());  // a port is stored
    EXPECT_TRUE(f.Close1->isVisible());
    StartSession();
    EXPECT_TRUE(f.Exit1->isVisible());
    EXPECT_TRUE(f.Statistics1->isVisible());
    EXPECT_FALSE(f.Close1->isVisible());
    f.PopupMenu1->aboutToShow();
    EXPECT_TRUE(f.Exit1->isVisible());
}

TEST_F(StartupTest, RightClickWhileIdleOffersOnlyWhatMakesSenseWithoutASession) {
    // No port among COM1 … COM4 was found, so none is stored and the port items hide too.
    fakes.modems.entries[QStringLiteral("0000")] = QStringLiteral("COM5");
    TForm1& f = Create(/*storeCom1=*/false);
    QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(10, 10),
                            f.mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(&f, &click);
    EXPECT_TRUE(f.PopupMenu1->isVisible());
    for (QAction* a :
         {f.Com11, f.Com21, f.Com31, f.Com41, f.Exit1, f.Statistics1, f.Adjustmonitoring1}) {
        EXPECT_FALSE(a->isVisible()) << a->objectName().toStdString();
    }
    for (QAction* a : {f.About1, f.Help1, f.Settings1}) {
        EXPECT_TRUE(a->isVisible()) << a->objectName().toStdString();
    }
    f.PopupMenu1->close();

    StartSession();  // the probe still tests COM1
    for (QAction* a : {f.Com11, f.Com21, f.Com31, f.Com41, f.Exit1, f.Statistics1}) {
        EXPECT_TRUE(a->isVisible()) << a->objectName().toStdString();
    }
    EXPECT_FALSE(f.Adjustmonitoring1->isVisible());  // no rate table in force
    QApplication::sendEvent(&f, &click);
    EXPECT_TRUE(f.PopupMenu1->isVisible());
    EXPECT_TRUE(f.Exit1->isVisible());
    f.PopupMenu1->close();
}

TEST_F(StartupTest, MenuItemsOpenTheirDialogsAndHelpInEachLanguage) {
    struct Case {
        const char* code;
        const char* helpFile;
    };
    const Case languages[] = {{"S", "SVindelor"}, {"SF", "SFVindelor"}, {"UK", "UKVindelor"}};
    for (const Case& c : languages) {
        SCOPED_TRACE(c.code);
        ScopedDataDir caseDir;
        dialogs.clear();
        fakes.help.calls.clear();
        Ini(QStringLiteral("Språk"), QStringLiteral("Språk"), QLatin1String(c.code));
        Ini(QStringLiteral("Session"), QStringLiteral("Multiple"), QStringLiteral("Ja"));
        TForm1& f = Create();
        StartSession();
        for (QAction* a : {f.About1, f.Statistics1, f.Settings1, f.Adjustmonitoring1, f.Help1}) {
            a->trigger();
        }
        EXPECT_EQ(dialogs, (std::vector<QString>{QStringLiteral("vindelor::TOmDlg"),
                                                 QStringLiteral("vindelor::TStatDlg"),
                                                 QStringLiteral("vindelor::TSettingsDlg"),
                                                 QStringLiteral("vindelor::TAdjustDlg")}));
        ASSERT_EQ(fakes.help.calls.size(), 1u);
        EXPECT_EQ(fakes.help.calls[0], std::make_pair(QString::fromLatin1(c.helpFile), 1));
        SetPort(1, Mode::Free);
    }
}

TEST_F(StartupTest, IdlePollRestsWhileTheQuitQuestionIsOpen) {
    WatchingBoxes boxes;
    ScopedBoxes installed(&boxes);
    TForm1& f = Create();
    bool pollingWhileAsked = true;
    boxes.answers.push_back(MessageBoxes::Answer::No);
    boxes.whileOpen = [&] { pollingWhileAsked = f.Timer2->isActive(); };
    EXPECT_FALSE(f.FormCloseQuery());
    EXPECT_FALSE(pollingWhileAsked);
    EXPECT_EQ(boxes.beeps, 1);
    EXPECT_TRUE(f.Timer2->isActive());
    EXPECT_EQ(ends, 0);
}

TEST_F(StartupTest, ConnectionEndingWhileExitAsksIsLoggedOnce) {
    Ini(QStringLiteral("Charge"), QStringLiteral("per_min"), QStringLiteral("0.50"));
    Ini(QStringLiteral("Avsluta"), QStringLiteral("Visa"), QStringLiteral("Nej"));
    WatchingBoxes boxes;
    ScopedBoxes installed(&boxes);
    TForm1& f = Create();
    StartSession();
    Run(100);
    // The dialer hangs up while the question is open; the session tick closes the
    // session; then the user answers Yes.
    boxes.whileOpen = [&] { Release(); };
    f.Exit1Click();
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(LogLine(1), QStringLiteral("06.12.1999 14:05:09-00:01:00^   0.5000"));
    EXPECT_EQ(LogLine(2), QStringLiteral("<none>"));
    EXPECT_EQ(Read(QStringLiteral("kostnad"), QStringLiteral("Totalt")), QStringLiteral("0.50"));

    // The same through the close request.
    EXPECT_TRUE(f.FormCloseQuery());
    EXPECT_EQ(LogLine(2), QStringLiteral("<none>"));
    EXPECT_EQ(Read(QStringLiteral("kostnad"), QStringLiteral("Totalt")), QStringLiteral("0.50"));
}

TEST_F(StartupTest, SettingsSwitchTheIndicatorAndRereadInitialCharges) {
    TRateWeek& week = ProgramRateWeek();
    FillWithRateClass(week, 2);
    SaveRateDataFile(week);
    Ini(QStringLiteral("Session"), QStringLiteral("Multiple"), QStringLiteral("Ja"));
    Ini(QStringLiteral("Avgifter"), QStringLiteral("Avg2"), QStringLiteral("0.20"));
    TForm1& f = Create();
    StartSession();
    ASSERT_TRUE(f.MultipleRatesOn);
    EXPECT_FALSE(f.IndicatorOn);

    Ini(QStringLiteral("Session"), QStringLiteral("PeakSpec"), QStringLiteral("Ja"));
    Ini(QStringLiteral("PeakSpec"), QStringLiteral("Rate2"), QStringLiteral("Gul"));
    Ini(QStringLiteral("Initial"), QStringLiteral("Rate2"), QStringLiteral("Ja"));
    Ini(QStringLiteral("Initial"), QStringLiteral("Pris_r2"), QStringLiteral("0.90"));
    f.Settings1Click();
    EXPECT_TRUE(f.IndicatorOn);
    EXPECT_TRUE(f.TrayIcon1->Active());
    EXPECT_EQ(SessionGlobals().IndicatorLevels[1], 2);
    EXPECT_TRUE(f.InitialChargeOn);
    EXPECT_DOUBLE_EQ(SessionGlobals().InitialPrices[1], 0.90);
    EXPECT_TRUE(f.Timer3->isActive());

    Ini(QStringLiteral("Session"), QStringLiteral("PeakSpec"), QStringLiteral("Nej"));
    Ini(QStringLiteral("Initial"), QStringLiteral("Rate2"), QStringLiteral("Nej"));
    f.Settings1Click();
    EXPECT_FALSE(f.IndicatorOn);
    EXPECT_FALSE(f.TrayIcon1->Active());
    EXPECT_FALSE(f.InitialChargeOn);

    // "Multiple" off stops the rate table and takes the light with it.
    Ini(QStringLiteral("Session"), QStringLiteral("PeakSpec"), QStringLiteral("Ja"));
    f.Settings1Click();
    ASSERT_TRUE(f.TrayIcon1->Active());
    Ini(QStringLiteral("Session"), QStringLiteral("Multiple"), QStringLiteral("Nej"));
    f.Settings1Click();
    EXPECT_FALSE(f.MultipleRatesOn);
    EXPECT_FALSE(f.Timer3->isActive());
    EXPECT_FALSE(f.IndicatorOn);
    EXPECT_FALSE(f.TrayIcon1->Active());
    EXPECT_FALSE(f.Helg1->isVisible());
    EXPECT_FALSE(f.Adjustmonitoring1->isVisible());
}

TEST_F(StartupTest, WaitsOutOfTheWayAndShowsItselfWhenASessionStarts) {
    Ini(QStringLiteral("Position"), QStringLiteral("Left"), QStringLiteral("40"));
    Ini(QStringLiteral("Position"), QStringLiteral("Top"), QStringLiteral("50"));
    TForm1& f = Create();
    f.ShowIdle();
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        EXPECT_TRUE(f.TaskbarIcon->isVisible());
        EXPECT_FALSE(f.isVisible());
    } else {
        // No tray to stand in for the taskbar button: the minimised window is the way
        // to the menu.
        EXPECT_FALSE(f.TaskbarIcon->isVisible());
        EXPECT_TRUE(f.isMinimized());
    }
    StartSession();
    EXPECT_TRUE(f.isVisible());
    EXPECT_FALSE(f.isMinimized());
    EXPECT_EQ(f.pos(), QPoint(40, 50));
    SetPort(1, Mode::Free);
}

TEST_F(StartupTest, HolidayRatesToggle) {
    TForm1& f = Create();
    f.Helg1Click();
    EXPECT_TRUE(f.HolidayRates);
    EXPECT_TRUE(f.Helg1->isChecked());
    f.Helg1Click();
    EXPECT_FALSE(f.HolidayRates);
    EXPECT_FALSE(f.Helg1->isChecked());
}

TEST_F(StartupTest, SettingsWithMultipleOffLeaveTheUsagePackageRunning) {
    Ini(QStringLiteral("Session"), QStringLiteral("Multiple"), QStringLiteral("Ja"));
    Ini(QStringLiteral("Charge"), QStringLiteral("Simpel"), QStringLiteral("Ja"));
    Ini(QStringLiteral("Charge"), QStringLiteral("Simpel_h"), QStringLiteral("10"));
    Ini(QStringLiteral("Charge"), QStringLiteral("Simpel_$1"), QStringLiteral("100.00"));
    Ini(QStringLiteral("Charge"), QStringLiteral("Simpel_$2"), QStringLiteral("20.00"));
    TForm1& f = Create();
    StartSession();
    ASSERT_TRUE(f.UsagePackageOn);
    ASSERT_TRUE(f.Timer3->isActive());

    Ini(QStringLiteral("Session"), QStringLiteral("Multiple"), QStringLiteral("Nej"));
    Ini(QStringLiteral("Refresh"), QStringLiteral("Rate"), QStringLiteral("500"));
    f.Settings1Click();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0], QStringLiteral("vindelor::TSettingsDlg"));
    EXPECT_TRUE(f.UsagePackageOn);
    EXPECT_TRUE(f.Timer3->isActive());
    EXPECT_FALSE(f.Helg1->isVisible());
    EXPECT_EQ(f.Timer2->interval(), 500);
    EXPECT_DOUBLE_EQ(SessionGlobals().CurrentRate, 100.0 / 600);
}

TEST_F(StartupTest, SettingsSwitchCostMonitoringAndTheRateTable) {
    Ini(QStringLiteral("Charge"), QStringLiteral("per_min"), QStringLiteral("0.75"));
    Ini(QStringLiteral("Charge"), QStringLiteral("minimi"), QStringLiteral("25.50"));
    TForm1& f = Create();
    EXPECT_EQ(SessionGlobals().MonthlyMinimum, 25);

    Ini(QStringLiteral("Session"), QStringLiteral("Räknare"), QStringLiteral("Ja"));
    f.Settings1Click();
    EXPECT_FALSE(f.CostMonitoring);
    EXPECT_DOUBLE_EQ(SessionGlobals().CurrentRate, 0.0);
    EXPECT_EQ(SessionGlobals().MonthlyMinimum, 0);

    Ini(QStringLiteral("Session"), QStringLiteral("Räknare"), QStringLiteral("Nej"));
    f.Settings1Click();
    EXPECT_TRUE(f.CostMonitoring);
    EXPECT_DOUBLE_EQ(SessionGlobals().CurrentRate, 0.75);
    EXPECT_EQ(SessionGlobals().MonthlyMinimum, 25);

    // Switching the rate table on starts the monitor at once, even while idle.
    TRateWeek& week = ProgramRateWeek();
    FillWithRateClass(week, 3);
    Ini(QStringLiteral("Session"), QStringLiteral("Multiple"), QStringLiteral("Ja"));
    Ini(QStringLiteral("Avgifter"), QStringLiteral("Avg3"), QStringLiteral("0.05"));
    f.Settings1Click();
    EXPECT_TRUE(f.MultipleRatesOn);
    EXPECT_TRUE(f.Timer3->isActive());
    EXPECT_TRUE(f.Helg1->isVisible());
    EXPECT_DOUBLE_EQ(SessionGlobals().CurrentRate, 0.05);
}

TEST_F(StartupTest, AdjustMonitoringRereadsTheInterval) {
    TForm1& f = Create();
    Ini(QStringLiteral("Överv"), QStringLiteral("Intervall"), QStringLiteral("7"));
    f.Adjustmonitoring1Click();
    EXPECT_EQ(dialogs.back(), QStringLiteral("vindelor::TAdjustDlg"));
    EXPECT_EQ(f.RateMonitorInterval, 7);
    EXPECT_EQ(f.Timer3->interval(), 7000);
}

}  // namespace
}  // namespace vindelor::test
