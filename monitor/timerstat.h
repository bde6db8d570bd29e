// The statistics dialog: the period's cost so far (with the monthly minimum), the time
// on the net during the period and the charge per minute in force, refreshed ten times
// a second from the main program's state while it is open. It writes nothing.
#pragma once

#include <QDialog>
#include <QString>

class QFrame;
class QLabel;
class QPushButton;
class QTimer;

namespace vindelor {

class TStatDlg : public QDialog {
    Q_OBJECT

  public:
    explicit TStatDlg(QWidget* parent = nullptr);

    // Handlers, named after control and event.
    void Timer1Timer();

    // The cost figure of the last refresh: CostLeftText read as a number, 0 when empty
    // or not a number.
    double CostFigure() const { return cost_; }

    QFrame* Panel1 = nullptr;  // the lowered panel holding the rows
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Panel3 = nullptr;  // cost
    QLabel* Panel5 = nullptr;  // time on the net
    QLabel* Panel8 = nullptr;  // charge per minute
    QPushButton* BitBtn1 = nullptr;
    QTimer* Timer1 = nullptr;

  private:
    void FormCreate();
    void FillPanels();

    double cost_ = 0.0;
    QString costText_;
    QString timeText_;
    QString rateText_;
};

}  // namespace vindelor
