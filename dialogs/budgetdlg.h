// The page "Budget and warnings": the [Billing] settings of the budget guard. OK checks
// every entry first; a bad one is named in the user's language and nothing from the
// page is stored.
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace vindelor {

class TBudgetDlg : public QDialog {
    Q_OBJECT
  public:
    explicit TBudgetDlg(QWidget* parent = nullptr);

    void OkClick();

    QLineEdit* StartDayEdit = nullptr;
    QLineEdit* BudgetEdit = nullptr;
    QLineEdit* WarnEdit = nullptr;
    QLineEdit* NextMinuteEdit = nullptr;
    QCheckBox* HangUpAtBox = nullptr;
    QLineEdit* HangUpEdit = nullptr;
    QComboBox* HolidaysBox = nullptr;  // no country, Finland, Sweden
    QLineEdit* DatesEdit = nullptr;
    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;
};

}  // namespace vindelor
