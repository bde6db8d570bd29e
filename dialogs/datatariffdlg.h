// The page "Data tariff": the [Data] prices of the volume a session moves and the volume
// warnings and cap of [Billing], and whether the desktop is told the link is metered. OK checks
// every entry first; a bad one is named in the user's language and nothing from the page is stored.
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace vindelor {

class TDataTariffDlg : public QDialog {
    Q_OBJECT
  public:
    explicit TDataTariffDlg(QWidget* parent = nullptr);

    void OkClick();

    QLineEdit* PerMBEdit = nullptr;
    QLineEdit* IncludedEdit = nullptr;
    QLineEdit* DayFeeEdit = nullptr;
    QLineEdit* InterfaceEdit = nullptr;
    QLineEdit* DataWarnEdit = nullptr;
    QCheckBox* DataHangUpAtBox = nullptr;
    QLineEdit* UnitEdit = nullptr;
    // [Data] "Metered": no, during each session, from the month's first volume warning.
    QComboBox* MeteredBox = nullptr;
    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;
};

}  // namespace vindelor
