// The one window of the tune-up program: three-language labels, a Yes button that runs
// the conversion, and a warning panel.
#pragma once

#include "converter/tuneup.h"

#include <QWidget>

class QFrame;
class QLabel;
class QPushButton;

namespace vindelor::ristola {

class TForm1 : public QWidget {
    Q_OBJECT

  public:
    explicit TForm1(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QFrame* Panel1 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;

    // Runs the conversion, shows its message and closes the window.
    void BitBtn1Click();

    // What the last click found (for the program's exit code).
    TuneUpOutcome LastOutcome() const { return lastOutcome_; }

  private:
    void FormCreate();
    TuneUpOutcome lastOutcome_ = TuneUpOutcome::Done;
};

}  // namespace vindelor::ristola
