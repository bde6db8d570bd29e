#include "dialogs/connectiondlg.h"

#include "core/plans.h"
#include "core/profile.h"
#include "core/texts.h"
#include "platform/datadir.h"
#include "platform/test/fakes.h"
#include "support/mockbus.h"
#include "support/testenv.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace vindelor {
namespace {

QString Read(const QString& section, const QString& key) {
    ClearProfileCache();
    return GetProfileString(section, key, QStringLiteral("<missing>"), 100, kSettingsFile);
}

class ConnectionDlgTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ClearProfileCache();
        savedOffset_ = LanguageOffset();
    }
    void TearDown() override {
        SetLanguageOffset(savedOffset_);
        ClearProfileCache();
    }
    test::ScopedDataDir dir_;
    platform::test::ScopedFakes fakes_;
    int savedOffset_ = 0;
};

TEST_F(ConnectionDlgTest, TextsInEachLanguage) {
    for (int offset : {kSwedishOffset, kFinnishOffset, kEnglishOffset}) {
        SCOPED_TRACE(offset);
        SetLanguageOffset(offset);
        const QString title = LoadText(kOwnTextBase + kTextConnectionMenu + offset);
        ASSERT_FALSE(title.isEmpty());
        TConnectionDlg dlg(nullptr, {QStringLiteral("wwan0")}, false);
        EXPECT_EQ(dlg.windowTitle(), title);
        EXPECT_EQ(dlg.RadioInterface->text(),
                  LoadText(kOwnTextBase + kTextWatchInterface + offset));
        EXPECT_EQ(dlg.Label2->text(), LoadText(kOwnTextBase + kTextWatchNextStart + offset));
    }
}

TEST_F(ConnectionDlgTest, SwitchesBetweenAnInterfaceAndAPortAndKeepsAnAbsentInterfaceOnOffer) {
    SetLanguageOffset(kEnglishOffset);
    ASSERT_TRUE(WriteProfileString(QStringLiteral("Modem"), QStringLiteral("Port"),
                                   QStringLiteral("COM2"), kSettingsFile));
    ASSERT_TRUE(WriteProfileString(QStringLiteral("Ports"), QStringLiteral("COM3"),
                                   dir_.file(QStringLiteral("nosuchtty")), kSettingsFile));
    {
        TConnectionDlg dlg(nullptr, {QStringLiteral("wwan0"), QStringLiteral("usb0")}, false);
        EXPECT_TRUE(dlg.RadioSerial->isChecked());
        EXPECT_EQ(dlg.ComboPort->currentData().toString(), QStringLiteral("COM2"));
        EXPECT_FALSE(dlg.ComboInterface->isEnabled());
        // Each port shows where it leads, and says so when that device is missing.
        EXPECT_TRUE(dlg.ComboPort->itemText(2).contains(dir_.file(QStringLiteral("nosuchtty")) +
                                                        QStringLiteral(", missing")));
        dlg.RadioInterface->setChecked(true);
        EXPECT_TRUE(dlg.ComboInterface->isEnabled());
        dlg.ComboInterface->setCurrentText(QStringLiteral("usb0"));
        dlg.BitBtn1Click();
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
    }
    EXPECT_EQ(Read(QStringLiteral("Connection"), QStringLiteral("Interface")),
              QStringLiteral("usb0"));
    EXPECT_EQ(Read(QStringLiteral("Modem"), QStringLiteral("Port")), QStringLiteral("COM2"));

    {
        // The phone is unplugged now: its interface is still the one chosen.
        TConnectionDlg dlg(nullptr, {QStringLiteral("wwan0")}, false);
        EXPECT_TRUE(dlg.RadioInterface->isChecked());
        EXPECT_EQ(dlg.ComboInterface->currentText(), QStringLiteral("usb0"));
        dlg.RadioSerial->setChecked(true);
        dlg.ComboPort->setCurrentIndex(dlg.ComboPort->findData(QStringLiteral("COM3")));
        dlg.BitBtn1Click();
    }
    EXPECT_EQ(Read(QStringLiteral("Connection"), QStringLiteral("Interface")), QString());
    EXPECT_EQ(Read(QStringLiteral("Modem"), QStringLiteral("Port")), QStringLiteral("COM3"));
    // Untouched, the drop's grace stays out of the file.
    EXPECT_EQ(Read(QStringLiteral("Connection"), QStringLiteral("Grace")),
              QStringLiteral("<missing>"));
}

TEST_F(ConnectionDlgTest, TheGraceOfADropIsAWholeNumberOfSecondsUpToTenMinutes) {
    SetLanguageOffset(kEnglishOffset);
    TConnectionDlg dlg(nullptr, {QStringLiteral("wwan0")}, false);
    for (const char* bad : {"-1", "601", "5s"}) {
        dlg.GraceEdit->setText(QLatin1String(bad));
        dlg.BitBtn1Click();
        EXPECT_EQ(Read(QStringLiteral("Connection"), QStringLiteral("Grace")),
                  QStringLiteral("<missing>"))
            << bad;
    }
    EXPECT_EQ(fakes_.boxes.shown.size(), 3u);
    EXPECT_EQ(fakes_.boxes.shown[0].text, LoadText(kOwnTextBase + kTextBadGrace + kEnglishOffset));
    dlg.GraceEdit->setText(QStringLiteral("45"));
    dlg.BitBtn1Click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(Read(QStringLiteral("Connection"), QStringLiteral("Grace")), QStringLiteral("45"));
}

TEST_F(ConnectionDlgTest, AnInterfaceNotYetPresentCanBeTypedWhenTheKernelCouldNameIt) {
    SetLanguageOffset(kFinnishOffset);
    TConnectionDlg dlg(nullptr, {}, false);
    dlg.RadioInterface->setChecked(true);
    ASSERT_TRUE(dlg.ComboInterface->isEnabled());
    dlg.ComboInterface->setEditText(QStringLiteral("usb0:1"));
    dlg.BitBtn1Click();
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    ASSERT_EQ(fakes_.boxes.shown.size(), 1u);
    EXPECT_EQ(fakes_.boxes.shown[0].text,
              Text(kOwnTextBase + kTextNotAnInterfaceName).arg(QStringLiteral("usb0:1")));
    EXPECT_EQ(Read(QStringLiteral("Connection"), QStringLiteral("Interface")),
              QStringLiteral("<missing>"));

    dlg.ComboInterface->setEditText(QStringLiteral(" usb0 "));
    dlg.BitBtn1Click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(Read(QStringLiteral("Connection"), QStringLiteral("Interface")),
              QStringLiteral("usb0"));
}

}  // namespace
}  // namespace vindelor

namespace vindelor {
namespace {

// NetworkManager's connections and ModemManager's modems arrive after the page has
// opened (mocked on a private bus); the choice of one empties the other kinds' keys.
TEST_F(ConnectionDlgTest, OffersNetworkManagersConnectionsAndModemManagersModems) {
    SetLanguageOffset(kEnglishOffset);
    test::MockBus bus;
    ASSERT_TRUE(bus.Ok());
    ASSERT_NE(bus.Start(QStringLiteral("org.freedesktop.NetworkManager"),
                        {QStringLiteral("--template"), QStringLiteral("networkmanager")}),
              nullptr);
    ASSERT_NE(bus.Start(QStringLiteral("org.freedesktop.ModemManager1"),
                        {QStringLiteral("-m"), QStringLiteral("org.freedesktop.ModemManager1"),
                         QStringLiteral("/org/freedesktop/ModemManager1"),
                         QStringLiteral("org.freedesktop.ModemManager1")}),
              nullptr);
    bus.Py(QStringLiteral(R"(
s = dbus.Interface(bus.get_object('org.freedesktop.NetworkManager',
                                  '/org/freedesktop/NetworkManager/Settings'),
                   'org.freedesktop.NetworkManager.Settings')
s.AddConnection({'connection': {'id': 'Mobile', 'type': 'gsm',
                                'uuid': '5c1e6a52-3a8f-4c57-9d1e-0b6f0c2a7e11'}})
s.AddConnection({'connection': {'id': 'Home VPN', 'type': 'vpn'}})
mm = Mock('org.freedesktop.ModemManager1', '/org/freedesktop/ModemManager1')
mm.AddObject('/org/freedesktop/ModemManager1/Modem/0', 'org.freedesktop.ModemManager1.Modem',
             {'EquipmentIdentifier': '350000000000001', 'Manufacturer': 'Quectel',
              'Model': 'EC25', 'State': dbus.Int32(8),
              'Ports': dbus.Array([], signature='(su)'),
              'Bearers': dbus.Array([], signature='o')}, [])
)"));
    ASSERT_TRUE(WriteProfileString(QStringLiteral("Connection"), QStringLiteral("Interface"),
                                   QStringLiteral("wwan0"), kSettingsFile));
    TConnectionDlg dlg(nullptr, {}, true);
    ASSERT_TRUE(test::PumpFor(
        [&] { return dlg.ComboNetworkManager->count() == 2 && dlg.ComboModem->count() == 2; }));
    EXPECT_EQ(dlg.ComboNetworkManager->itemText(1), QStringLiteral("Home VPN  (vpn)"));
    EXPECT_EQ(dlg.ComboModem->itemText(1), QStringLiteral("Quectel EC25  (350000000000001)"));
    dlg.RadioNetworkManager->setChecked(true);
    dlg.ComboNetworkManager->setCurrentIndex(0);
    dlg.BitBtn1Click();
    EXPECT_EQ(Read(QStringLiteral("Connection"), QStringLiteral("NetworkManager")),
              QStringLiteral("5c1e6a52-3a8f-4c57-9d1e-0b6f0c2a7e11"));
    EXPECT_EQ(Read(QStringLiteral("Connection"), QStringLiteral("Interface")), QString());
    EXPECT_EQ(Read(QStringLiteral("Connection"), QStringLiteral("Modem")),
              QStringLiteral("<missing>"));

    TConnectionDlg again(nullptr, {}, true);
    EXPECT_TRUE(again.RadioNetworkManager->isChecked());
    again.RadioModem->setChecked(true);
    ASSERT_TRUE(test::PumpFor([&] { return again.ComboModem->count() == 2; }));
    again.ComboModem->setCurrentIndex(1);
    again.BitBtn1Click();
    EXPECT_EQ(Read(QStringLiteral("Connection"), QStringLiteral("Modem")),
              QStringLiteral("350000000000001"));
    EXPECT_EQ(Read(QStringLiteral("Connection"), QStringLiteral("NetworkManager")), QString());
}

// NetworkManager lets two connections share an id: the page keeps them apart by UUID. An
// older file's id of two is refused with both named, and a connection another plan
// names by its id is that plan's link.
TEST_F(ConnectionDlgTest, AnIdOfTwoConnectionsIsRefusedAndAnIdIsTheSameLinkAsItsUuid) {
    SetLanguageOffset(kEnglishOffset);
    test::MockBus bus;
    ASSERT_TRUE(bus.Ok());
    ASSERT_NE(bus.Start(QStringLiteral("org.freedesktop.NetworkManager"),
                        {QStringLiteral("--template"), QStringLiteral("networkmanager")}),
              nullptr);
    const QString modem = QStringLiteral("11111111-1111-4111-8111-111111111111");
    const QString vpn = QStringLiteral("22222222-2222-4222-8222-222222222222");
    const QString hotspot = QStringLiteral("33333333-3333-4333-8333-333333333333");
    bus.Py(QStringLiteral(R"(
s = dbus.Interface(bus.get_object('org.freedesktop.NetworkManager',
                                  '/org/freedesktop/NetworkManager/Settings'),
                   'org.freedesktop.NetworkManager.Settings')
s.AddConnection({'connection': {'id': 'Mobile', 'type': 'gsm', 'uuid': '%1'}})
s.AddConnection({'connection': {'id': 'Mobile', 'type': 'vpn', 'uuid': '%2'}})
s.AddConnection({'connection': {'id': 'Hotspot', 'type': 'bluetooth', 'uuid': '%3'}})
)")
               .arg(modem, vpn, hotspot));
    ASSERT_TRUE(WriteProfileString(QStringLiteral("Connection"), QStringLiteral("NetworkManager"),
                                   QStringLiteral("Mobile"), kSettingsFile));
    ASSERT_EQ(CreatePlan(QStringLiteral("Phone")), 0);
    ASSERT_TRUE(WriteProfileString(
        QStringLiteral("Connection"), QStringLiteral("NetworkManager"), QStringLiteral("Hotspot"),
        platform::PlanDirectory(QStringLiteral("Phone")) + QStringLiteral("/Vindelor.ini")));

    TConnectionDlg dlg(nullptr, {}, true);
    ASSERT_TRUE(test::PumpFor([&] { return dlg.ComboNetworkManager->count() == 4; }));
    EXPECT_EQ(dlg.ComboNetworkManager->currentData().toString(), QStringLiteral("Mobile"));
    dlg.BitBtn1Click();
    ASSERT_EQ(fakes_.boxes.shown.size(), 1u);
    const QString refused = fakes_.boxes.shown[0].text;
    EXPECT_TRUE(refused.startsWith(
        QStringLiteral("More than one NetworkManager connection is called \"Mobile\": ")))
        << refused.toStdString();
    EXPECT_TRUE(refused.contains(QStringLiteral("Mobile  (gsm, %1)").arg(modem)));
    EXPECT_TRUE(refused.contains(QStringLiteral("Mobile  (vpn, %1)").arg(vpn)));

    dlg.ComboNetworkManager->setCurrentIndex(dlg.ComboNetworkManager->findData(hotspot));
    dlg.BitBtn1Click();
    ASSERT_EQ(fakes_.boxes.shown.size(), 2u);
    EXPECT_EQ(fakes_.boxes.shown[1].text,
              QStringLiteral("The plan \"Phone\" already watches this link. A link belongs to "
                             "one plan."));
    EXPECT_EQ(Read(QStringLiteral("Connection"), QStringLiteral("NetworkManager")),
              QStringLiteral("Mobile"));

    dlg.ComboNetworkManager->setCurrentIndex(dlg.ComboNetworkManager->findData(modem));
    dlg.BitBtn1Click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(Read(QStringLiteral("Connection"), QStringLiteral("NetworkManager")), modem);
}

}  // namespace
}  // namespace vindelor
