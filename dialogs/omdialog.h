// The about box of the main program and the log viewer: name and version, a few words
// about the programs and two small waving flags.
#pragma once

#include <QDialog>
#include <QPixmap>

#include <array>

class QLabel;
class QPushButton;
class QTimer;

namespace vindelor {

class TOmDlg : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kFrames = 4;
    static constexpr int kPictureSize = 48;

    explicit TOmDlg(QWidget* parent = nullptr);

    // Handlers, named after control and event.
    void Timer1Timer();  // every 200 ms: both pictures to their next frame
    void Timer2Timer();  // every 100 ms: takes over the application's current icon

    // The frame both pictures show, 0 … kFrames - 1.
    int Frame() const { return frame_; }

    QLabel* Label1 = nullptr;  // product name and version
    QLabel* Panel1 = nullptr;  // credits
    QLabel* Image1 = nullptr;  // Finnish flag
    QLabel* Image2 = nullptr;  // European flag
    QPushButton* BitBtn1 = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;

  private:
    void ShowFrame();

    int frame_ = 0;
    std::array<QPixmap, kFrames> finland_;
    std::array<QPixmap, kFrames> europe_;
};

}  // namespace vindelor
