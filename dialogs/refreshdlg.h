// The check-rate dialog: how often, in milliseconds, the main window looks at the
// modem's port while no connection runs ([Refresh] "Rate", 2 … 2000).
#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace vindelor {

class TRefreshDlg : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kLowest = 2;
    static constexpr int kHighest = 2000;

    explicit TRefreshDlg(QWidget* parent = nullptr);

    // Handlers, named after control and event.
    void FormCreate();
    void BitBtn1Click();  // OK
    void Timer1Timer();   // takes over the application's current icon

    QGroupBox* GroupBox1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QTimer* Timer1 = nullptr;
};

}  // namespace vindelor
