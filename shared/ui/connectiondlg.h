// The page that chooses which connection Vindelor watches: the modem's serial port (COM1
// … COM4, each with the device it leads to) or one of the network interfaces present.
// Reached from the settings dialog's right-click menu. OK stores [Connection] "Interface"
// (empty for the serial port) and, for a port, [Modem] "Port"; and [Connection] "Grace",
// the seconds a drop may last and still belong to the session.
#pragma once

#include <QDialog>
#include <QStringList>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vindelor {

class TConnectionDlg : public QDialog {
    Q_OBJECT
  public:
    // `interfaces`: the interfaces to offer; the default asks the system.
    explicit TConnectionDlg(QWidget* parent = nullptr,
                            const QStringList& interfaces = QStringList(), bool askSystem = true);

    void BitBtn1Click();  // OK

    QLabel* Label1 = nullptr;  // what counts as a connection
    QRadioButton* RadioSerial = nullptr;
    QComboBox* ComboPort = nullptr;
    QRadioButton* RadioInterface = nullptr;
    QComboBox* ComboInterface = nullptr;
    QLabel* Label2 = nullptr;  // no interfaces / from the next start
    QLabel* Label3 = nullptr;  // the connect time counts for the serial port only
    QLabel* GraceLabel = nullptr;
    QLineEdit* GraceEdit = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
};

}  // namespace vindelor
