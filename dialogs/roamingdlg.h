// The page "Roaming": the [Roaming] prices of the bytes a session moves while its modem is
// registered abroad, the price of a minute abroad, its charged unit, and the cap abroad with its
// warnings. OK checks every entry first; a bad one is named in the user's language and nothing from
// the page is stored.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace vindelor {

class TRoamingDlg : public QDialog {
    Q_OBJECT
  public:
    explicit TRoamingDlg(QWidget* parent = nullptr);

    void OkClick();

    QLineEdit* PerMBEdit = nullptr;
    QLineEdit* IncludedEdit = nullptr;
    QLineEdit* UnitEdit = nullptr;
    QLineEdit* HangUpAtEdit = nullptr;
    QLineEdit* WarnEdit = nullptr;
    QLineEdit* PerMinEdit = nullptr;
    QPushButton* OkButton = nullptr;
    QPushButton* CancelButton = nullptr;
};

}  // namespace vindelor
