// The page that chooses which connection Vindelor watches: the modem's serial port (COM1
// … COM4, each with the device it leads to), one of the network interfaces present, one
// of NetworkManager's connections or one of ModemManager's modems (both read on the bus
// thread once the page is open; the page never waits for them). Reached from the
// settings dialog's right-click menu. OK stores [Connection] "Interface",
// "NetworkManager" (a connection's UUID), "Modem" or "SIM" (a SIM in any modem; the
// others emptied; all empty for the serial port) and, for a port, [Modem] "Port"; and
// [Connection] "Grace", the seconds a drop may last and still belong to the session. A
// link another plan already watches is refused, naming that plan, and so is an older
// file's connection id that more than one connection has.
#pragma once

#include <QDialog>
#include <QList>
#include <QStringList>

#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vindelor {
namespace watch {
class ModemManagerModems;
class NetworkManagerProfiles;
struct NmProfile;
}  // namespace watch

class TConnectionDlg : public QDialog {
    Q_OBJECT
  public:
    // `interfaces`: the interfaces to offer; the default asks the system.
    // Without `askSystem` neither the interfaces nor the bus's services are asked for.
    explicit TConnectionDlg(QWidget* parent = nullptr,
                            const QStringList& interfaces = QStringList(), bool askSystem = true);
    ~TConnectionDlg() override;

    void BitBtn1Click();  // OK

    QLabel* Label1 = nullptr;  // what counts as a connection
    QRadioButton* RadioSerial = nullptr;
    QComboBox* ComboPort = nullptr;
    QRadioButton* RadioInterface = nullptr;
    QComboBox* ComboInterface = nullptr;
    QRadioButton* RadioNetworkManager = nullptr;
    QComboBox* ComboNetworkManager = nullptr;  // the connections' ids, with their type
    QRadioButton* RadioModem = nullptr;
    QComboBox* ComboModem = nullptr;  // "any", then each modem's identifier
    QLabel* Label2 = nullptr;         // no interfaces / from the next start
    QLabel* Label3 = nullptr;         // the connect time counts for the serial port only
    QLabel* GraceLabel = nullptr;
    QLineEdit* GraceEdit = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;

  private:
    void FillConnections();
    void FillModems();
    void Follow();
    // NetworkManager's connections whose id is `id`.
    QList<watch::NmProfile> ProfilesCalled(const QString& id) const;

    QString storedConnection_;
    QString storedModem_;
    std::unique_ptr<watch::NetworkManagerProfiles> profiles_;
    std::unique_ptr<watch::ModemManagerModems> modems_;
};

}  // namespace vindelor
