// TFModem: the manual modem choice, shown at start-up while no port that opens is known,
// or when the user asked for it. The arrow keys move the choice between the ports.
#pragma once

#include <QDialog>
#include <QString>

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace vindelor {

class TFModem : public QDialog {
    Q_OBJECT
  public:
    explicit TFModem(QWidget* parent = nullptr);

    QGroupBox* GroupBox1 = nullptr;
    QRadioButton* RadioButton1 = nullptr;
    QRadioButton* RadioButton2 = nullptr;
    QRadioButton* RadioButton3 = nullptr;
    QRadioButton* RadioButton4 = nullptr;
    // Beside each Com n: the device it leads to, and whether that device is there.
    QLabel* DeviceLabels[4] = {};
    QLabel* Label1 = nullptr;
    QPushButton* BitBtn1 = nullptr;  // OK
    QPushButton* BitBtn2 = nullptr;  // Help

    QString LanguageCode;

    void FormCreate();
    // Shown because the user asked to choose (--choose-port), not because no modem was
    // found: says so, names the interface that stays watched meanwhile (when one is),
    // and starts on the stored port.
    void AskedByUser(const QString& watchedInterface = QString());
    void BitBtn1Click();
    void BitBtn2Click();
};

}  // namespace vindelor
