// The main window watching a network interface instead of the modem's port, through the
// connection watch's test backend.
#include "mainwindow_fixture.h"

#include "connectionwatch/test/fakeconnectionwatch.h"
#include "core/sessionlog.h"
#include "monitor/fmodem.h"
#include "platform/test/processfakes.h"
#include "support/mockbus.h"

#include <QLabel>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>

namespace vindelor::test {
namespace {

using watch::LinkState;
using watch::test::FakeConnectionWatch;

class InterfaceWatchTest : public MainWindowTest {
  protected:
    // Start-up with the interface backend replaced by the fake.
    TForm1& CreateWatching(const QString& commandLine = QString()) {
        prepare = [this, commandLine](TForm1& f) {
            f.InterfaceOverride = commandLine;
            f.MakeInterfaceWatch = [this](const QString& name) {
                names.push_back(name);
                auto fake = std::make_unique<FakeConnectionWatch>(name);
                watch = fake.get();
                return fake;
            };
        };
        return Create(false);
    }
    std::vector<QString> names;
    FakeConnectionWatch* watch = nullptr;
};

TEST_F(InterfaceWatchTest, LinkEventsStartAndEndTheSessionWithoutTouchingTheSerialPort) {
    Ini(QStringLiteral("Connection"), QStringLiteral("Interface"), QStringLiteral("eth9"));
    Ini(QStringLiteral("Avsluta"), QStringLiteral("Visa"), QStringLiteral("Nej"));
    Ini(QStringLiteral("Session"), QStringLiteral("Avrundning"), QStringLiteral("Ja"));  // seconds
    // Were the port probed, it would read as a connection.
    SetPort(1, FakeSerialFactory::Mode::Busy);
    // The command line names the interface for one run, over the settings.
    TForm1& w = CreateWatching(QStringLiteral("wwan0"));
    ASSERT_EQ(names, std::vector<QString>{QStringLiteral("wwan0")});
    EXPECT_TRUE(dialogs.empty());  // no port dialog though no port was ever stored
    EXPECT_EQ(w.StatusPanel0->text(), QStringLiteral("wwan0"));
    EXPECT_TRUE(w.WatchesInterface());

    w.Timer2Timer();
    EXPECT_FALSE(w.SessionStarted);
    EXPECT_TRUE(w.Timer2->isActive());

    // The kernel's word starts the session at once, not at the next poll.
    watch->Set(LinkState::Up);
    ASSERT_TRUE(w.SessionStarted);
    EXPECT_TRUE(w.Timer1->isActive());
    EXPECT_FALSE(w.Com11->isVisible());  // no port is watched
    // Nor is a pppd looked for on a port stored from earlier runs.
    EXPECT_EQ(w.Budget.device, QString());
    Run(90);
    EXPECT_EQ(ends, 0);
    watch->Set(LinkState::Down);
    EXPECT_EQ(ends, 1);
    EXPECT_TRUE(w.LastClose.Counted);
    // No connect time to take off ([Connect] "average" has its default of 30 s): the link
    // was connected from the moment it came up.
    EXPECT_EQ(SplitLogLine(LogLine(1)).duration, QStringLiteral("00:01:30"));
    EXPECT_EQ(Read(QStringLiteral("Aktiv"), QStringLiteral("Aktiv")), QStringLiteral("Nej"));
    EXPECT_EQ(ports.opens, 0);
    EXPECT_EQ(Read(QStringLiteral("Modem"), QStringLiteral("Port")), QStringLiteral("<none>"));
}

// NetworkManager's policy refuses [Data] "Metered": the user is told once, in the chosen
// language, with its reason, and the session runs and ends as without the key.
TEST_F(InterfaceWatchTest, ARefusedMeteredMarkIsToldOnceAndChangesNothingElse) {
    platform::test::ScopedProcessFakes system;
    MockBus bus;
    ASSERT_TRUE(bus.Ok());
    ASSERT_NE(bus.Start(QStringLiteral("org.freedesktop.NetworkManager"),
                        {QStringLiteral("--template"), QStringLiteral("networkmanager")}),
              nullptr);
    bus.Py(NmDeviceWithAppliedConnection(QStringLiteral("wwan0")) +
           QStringLiteral("dev.AddProperty('org.freedesktop.NetworkManager.Device', 'Refuse', "
                          "True)\n"));
    Ini(QStringLiteral("Connection"), QStringLiteral("Interface"), QStringLiteral("wwan0"));
    Ini(QStringLiteral("Data"), QStringLiteral("Metered"), QStringLiteral("Ja"));
    Ini(QStringLiteral("Språk"), QStringLiteral("Språk"), QStringLiteral("SF"));
    Ini(QStringLiteral("Avsluta"), QStringLiteral("Visa"), QStringLiteral("Nej"));
    Ini(QStringLiteral("Session"), QStringLiteral("<1min"), QStringLiteral("Ja"));
    TForm1& f = CreateWatching();
    watch->Set(LinkState::Up);
    ASSERT_TRUE(f.SessionStarted);
    ASSERT_TRUE(PumpFor([&] { return !system.notifier.bodies.empty(); }));
    Run(3);
    ASSERT_EQ(system.notifier.bodies.size(), 1u);
    EXPECT_EQ(system.notifier.bodies[0],
              LoadText(kOwnTextBase + kTextMeteredRefused + kFinnishOffset)
                  .arg(QStringLiteral("wwan0"), QStringLiteral("Not authorized to reapply")));
    watch->Set(LinkState::Down);
    EXPECT_TRUE(f.Ended());
    EXPECT_TRUE(f.LastClose.Counted);
    EXPECT_EQ(AppliedMetered(bus), QStringLiteral("2"));
}

TEST_F(InterfaceWatchTest, AnInterfaceVanishingMidSessionEndsAndStoresItWithoutAStartUpBox) {
    Ini(QStringLiteral("Connection"), QStringLiteral("Interface"), QStringLiteral("ppp0"));
    Ini(QStringLiteral("Avsluta"), QStringLiteral("Visa"), QStringLiteral("Nej"));
    CreateWatching();
    watch->Set(LinkState::Up);
    Run(90);
    watch->Set(LinkState::Unusable);  // deleted at the hang-up
    EXPECT_EQ(ends, 1);
    EXPECT_NE(LogLine(1), QStringLiteral("<none>"));
    EXPECT_TRUE(fakes.boxes.shown.empty());
}

TEST_F(InterfaceWatchTest, ADropWithinTheGraceBelongsToTheSessionWithoutItsGap) {
    Ini(QStringLiteral("Connection"), QStringLiteral("Interface"), QStringLiteral("wwan0"));
    Ini(QStringLiteral("Connection"), QStringLiteral("Grace"), QStringLiteral("20"));
    Ini(QStringLiteral("Avsluta"), QStringLiteral("Visa"), QStringLiteral("Nej"));
    Ini(QStringLiteral("Session"), QStringLiteral("Avrundning"), QStringLiteral("Ja"));
    CreateWatching();
    watch->Set(LinkState::Up);
    Run(60);
    watch->Set(LinkState::Unusable);  // a handover: the interface goes and comes back
    Run(15);
    watch->Set(LinkState::Up);
    Run(30);
    EXPECT_EQ(ends, 0);
    watch->Set(LinkState::Down);
    Run(19);
    EXPECT_EQ(ends, 0);
    Run(1);  // the drop outlasts the grace: the session ended where it began
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(SplitLogLine(LogLine(1)).duration, QStringLiteral("00:01:30"));
}

// The service that tells of the link gone mid-session (NetworkManager restarting keeps
// its links up) ends nothing and stops no clock: the session goes on until the service,
// back, says the link is down; a drop under way stays one under the grace.
TEST_F(InterfaceWatchTest, AServiceGoneDuringASessionEndsNothingUntilItIsBack) {
    Ini(QStringLiteral("Connection"), QStringLiteral("Interface"), QStringLiteral("wwan0"));
    Ini(QStringLiteral("Connection"), QStringLiteral("Grace"), QStringLiteral("20"));
    Ini(QStringLiteral("Avsluta"), QStringLiteral("Visa"), QStringLiteral("Nej"));
    Ini(QStringLiteral("Session"), QStringLiteral("Avrundning"), QStringLiteral("Ja"));
    CreateWatching();
    const auto serviceGone = [this] {
        watch->Set(LinkState::Unusable, false);
        watch->now.serviceGone = true;
        watch->now.error = ESRCH;
        emit watch->Changed();
    };
    watch->Set(LinkState::Up);
    Run(30);
    serviceGone();
    Run(60);
    watch->Set(LinkState::Up);
    Run(30);
    EXPECT_EQ(ends, 0);
    watch->Set(LinkState::Down);
    Run(5);
    serviceGone();  // within the drop: the grace still decides
    Run(15);
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(SplitLogLine(LogLine(1)).duration, QStringLiteral("00:02:00"));
    EXPECT_TRUE(fakes.boxes.shown.empty());
}

TEST_F(InterfaceWatchTest, AMissingInterfaceIsToldOnceInTheUsersLanguageAndWaitedFor) {
    Ini(QStringLiteral("Connection"), QStringLiteral("Interface"), QStringLiteral("usb0"));
    Ini(QStringLiteral("Språk"), QStringLiteral("Språk"), QStringLiteral("SF"));
    TForm1& f = CreateWatching();
    watch->Set(LinkState::Unusable, false);
    f.Timer2Timer();
    f.Timer2Timer();
    EXPECT_FALSE(f.SessionStarted);
    EXPECT_TRUE(f.Timer2->isActive());
    ASSERT_EQ(fakes.boxes.shown.size(), 1u);
    EXPECT_EQ(fakes.boxes.shown[0].text,
              LoadText(kOwnTextBase + kTextInterfaceMissing + kFinnishOffset)
                  .arg(QStringLiteral("usb0")));

    // The phone is plugged in and its link comes up.
    watch->Set(LinkState::Up);
    EXPECT_TRUE(f.SessionStarted);
    EXPECT_EQ(fakes.boxes.shown.size(), 1u);
}

TEST_F(InterfaceWatchTest, ChoosingThePortWhileAnInterfaceIsSetKeepsWatchingTheInterface) {
    Ini(QStringLiteral("Modem"), QStringLiteral("Port"), QStringLiteral("Com2"));
    choosePort = true;
    const QString name = QStringLiteral("wwp0s20f0u6i12");
    onDialog = [&name](QDialog& dialog) {
        auto& modem = dynamic_cast<TFModem&>(dialog);
        EXPECT_EQ(modem.Label1->text(),
                  Text(kOwnTextBase + kTextPortChoiceBesideInterface).arg(name));
        EXPECT_LE(modem.Label1->heightForWidth(modem.Label1->width()), modem.Label1->height())
            << "the whole text shows";
        EXPECT_TRUE(modem.RadioButton2->isChecked());
        modem.RadioButton4->setChecked(true);
        modem.BitBtn1Click();
        return modem.result();
    };
    TForm1& w = CreateWatching(name);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(names, std::vector<QString>{name});
    EXPECT_TRUE(w.WatchesInterface());
    EXPECT_EQ(ports.opens, 0);
    EXPECT_EQ(Read(QStringLiteral("Modem"), QStringLiteral("Port")), QStringLiteral("Com4"));
}

TEST_F(InterfaceWatchTest, ALongInterfaceNameShowsWholeBesideTheCost) {
    const QString name = QStringLiteral("wwp0s20f0u6i12");
    TForm1& w = CreateWatching(name);
    EXPECT_EQ(w.StatusPanel0->text(), name);
    EXPECT_LE(w.StatusPanel0->fontMetrics().horizontalAdvance(name),
              w.StatusPanel0->contentsRect().width());
    EXPECT_EQ(w.StatusBar1->geometry(),
              QRect(0, TForm1::kClientHeight - 19, TForm1::kClientWidth, 19));
    // A name wider than three fifths of the bar loses its middle; the tip keeps it whole.
    const QString longer = QStringLiteral("enx00e04c680001");
    TForm1& l = CreateWatching(longer + longer);
    EXPECT_LE(l.StatusPanel0->width(), TForm1::kClientWidth * 3 / 5);
    EXPECT_TRUE(l.StatusPanel0->text().contains(QChar(0x2026)));
    EXPECT_EQ(l.StatusPanel0->toolTip(), longer + longer);
}

}  // namespace
}  // namespace vindelor::test

namespace vindelor::test {
namespace {

// NetworkManager's connection chosen in the settings, with no NetworkManager on the
// (private) system bus: the user is told once, in the chosen language, and the program
// waits; the status bar names the connection.
TEST_F(MainWindowTest, NetworkManagerNotRunningIsToldOnceAndWaitedFor) {
    MockBus bus;
    ASSERT_TRUE(bus.Ok());
    Ini(QStringLiteral("Connection"), QStringLiteral("NetworkManager"), QStringLiteral("Mobile"));
    Ini(QStringLiteral("Språk"), QStringLiteral("Språk"), QStringLiteral("SF"));
    SetPort(1, FakeSerialFactory::Mode::Busy);  // a probed port would read as a connection
    TForm1& f = Create(false);
    EXPECT_EQ(f.WatchedKind(), watch::ConnectionWatch::Kind::NetworkManager);
    EXPECT_EQ(f.StatusPanel0->text(), QStringLiteral("Mobile"));
    ASSERT_TRUE(PumpFor([&] { return !fakes.boxes.shown.empty(); }));
    f.Timer2Timer();
    EXPECT_FALSE(f.SessionStarted);
    EXPECT_TRUE(f.Timer2->isActive());
    ASSERT_EQ(fakes.boxes.shown.size(), 1u);
    EXPECT_EQ(
        fakes.boxes.shown[0].text,
        LoadText(kOwnTextBase + kTextNmNotRunning + kFinnishOffset).arg(QStringLiteral("Mobile")));
    EXPECT_EQ(ports.opens, 0);
}

}  // namespace
}  // namespace vindelor::test
