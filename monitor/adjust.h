// The monitoring-interval dialog: how often, in seconds, the main window re-evaluates
// the rate in force ([Överv] "Intervall", 5 … 20).
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace vindelor {

class TAdjustDlg : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kLowest = 5;
    static constexpr int kHighest = 20;

    explicit TAdjustDlg(QWidget* parent = nullptr);

    // Handlers, named after control and event.
    void FormCreate();
    void BitBtn1Click();  // OK
    void Timer1Timer();   // takes over the application's current icon

    // True once a refused entry has turned the hint to the highlight colour.
    bool HintHighlighted() const { return hintHighlighted_; }

    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLabel* Panel3 = nullptr;  // the hint
    QPushButton* BitBtn1 = nullptr;
    QTimer* Timer1 = nullptr;

  private:
    bool hintHighlighted_ = false;
};

}  // namespace vindelor
