// The advanced options dialog: special session options and the editor of the
// multiple-rates tariff (rate prices, the weekly grid of half-hour cells with quarter
// exceptions, indicator levels, initial charges, usage package). The grid edits the
// program's weekly rate table in place; OK runs SaveTariff, which decides whether the
// dialog may close.
#pragma once

#include "core/ratetable.h"

#include <QColor>
#include <QDialog>
#include <QString>
#include <QWidget>

#include <array>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabBar;
class QTabWidget;
class QTimer;
class QToolButton;

namespace vindelor {

// Colour of rate class 1 … 4 (yellow, red, fuchsia, aqua); any other class gets the
// palette's button colour, which stands for "no class".
QColor RateClassColour(int rateClass, const QColor& noClass);
// The class a colour stands for, 0 when it is none of the four.
int RateClassOfColour(const QColor& colour);

// Caption of quarter position 1 … 4: "-15", "15-", "-45", "45-"; empty otherwise.
QString QuarterCaption(int position);

// One half-hour cell of the grid. It shows a rate class as its background and a quarter
// exception as its caption in the secondary class's colour. A double-click is reported
// as one click followed by one double-click: the press that starts the double-click does
// not count as a second click.
class TRateCell : public QWidget {
    Q_OBJECT
  public:
    TRateCell(int row, int column, QWidget* parent = nullptr);

    int Row() const { return row_; }
    int Column() const { return column_; }
    int Hour() const;         // 0 … 23
    bool SecondHalf() const;  // rows 2 and 3 hold the second halves
    int SlotNumber() const;   // 1 … 48 in the fixed slot order

    int RateClass() const { return rateClass_; }
    QString Caption() const { return caption_; }
    int CaptionClass() const { return captionClass_; }
    QColor Colour() const;

    void SetRateClass(int rateClass);
    void SetCaption(const QString& caption, int captionClass);
    // Button-face colour and no caption.
    void Reset();

    QSize sizeHint() const override;

  signals:
    void clicked(TRateCell* cell);
    void doubleClicked(TRateCell* cell);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    int row_;
    int column_;
    int rateClass_ = 0;
    QString caption_;
    int captionClass_ = 0;
    bool pressed_ = false;
};

class TAdvancedDlg : public QDialog {
    Q_OBJECT
  public:
    explicit TAdvancedDlg(QWidget* parent = nullptr);
    ~TAdvancedDlg() override;

    // Handlers, named after control and event.
    void BitBtn1Click();  // OK
    void BitBtn3Click();  // Help
    void BitBtn4Click();  // Clear
    void BitBtn5Click();  // All
    void CheckBox1Click();
    void CheckBox2Click();
    void CheckBox4Click();
    void CheckBox5Click();
    void CheckBox6Click();
    void CheckBox7Click();
    void CheckBox12Click();
    void SpeedButtonClick(int rateClass);  // SpeedButton1 … SpeedButton4
    void TabControl1Change();
    void KlickaPaPanel(TRateCell* cell);
    void DblKlickaPaPanel(TRateCell* cell);
    void Timer1Timer();

    // The day tables (1 = Monday … 7 = Sunday) the current day tab stands for.
    std::vector<int> DaysOfCurrentTab() const;
    // The class of the chosen colour button; 0 while none is down.
    int PaintClass() const { return paintClass_; }

    TRateCell* Cell(int row, int column) const { return cells_[row][column]; }
    TRateCell* CellForSlot(int slot) const;

    bool PageVisible(QWidget* page) const;

    // Page "Special".
    QCheckBox* CheckBox1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    QCheckBox* CheckBox3 = nullptr;
    QCheckBox* CheckBox4 = nullptr;
    QCheckBox* CheckBox7 = nullptr;

    // Page "General".
    QGroupBox* GroupBox1 = nullptr;  // "Options"
    QCheckBox* CheckBox5 = nullptr;
    QCheckBox* CheckBox6 = nullptr;
    QCheckBox* CheckBox12 = nullptr;
    QLineEdit* Edit5 = nullptr;      // hours of the usage package
    QLabel* Label5 = nullptr;        // "h, for" + currency
    QLineEdit* Edit6 = nullptr;      // package price
    QLabel* Label6 = nullptr;        // ",then per h" + currency
    QLineEdit* Edit7 = nullptr;      // price per hour beyond the package
    QGroupBox* GroupBox2 = nullptr;  // "Enter rates per minute below"
    std::array<QLabel*, 4> RateLabels{};
    QLineEdit* Edit1 = nullptr;  // rate 1 … 4 per minute
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLineEdit* Edit4 = nullptr;

    // Page "Tables of rates".
    QTabBar* TabControl1 = nullptr;
    QPushButton* BitBtn4 = nullptr;  // Clear
    QPushButton* BitBtn5 = nullptr;  // All
    QToolButton* SpeedButton1 = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    QToolButton* SpeedButton3 = nullptr;
    QToolButton* SpeedButton4 = nullptr;
    std::array<QLabel*, 13> TopMarks{};
    std::array<QLabel*, 13> BottomMarks{};
    std::array<QLabel*, 3> LeftMarks{};
    std::array<QLabel*, 3> RightMarks{};

    // Page "Indicator": per class the radio buttons economy, medium, expensive.
    std::array<QWidget*, 4> IndicatorPanels{};
    std::array<QLabel*, 4> IndicatorLabels{};
    std::array<std::array<QRadioButton*, 3>, 4> LevelButtons{};

    // Page "Initial charge".
    std::array<QWidget*, 4> InitialPanels{};
    QCheckBox* CheckBox8 = nullptr;
    QCheckBox* CheckBox9 = nullptr;
    QCheckBox* CheckBox10 = nullptr;
    QCheckBox* CheckBox11 = nullptr;
    std::array<QLabel*, 4> AmountLabels{};
    QLineEdit* Edit8 = nullptr;  // amounts of classes 1 … 4
    QLineEdit* Edit9 = nullptr;
    QLineEdit* Edit10 = nullptr;
    QLineEdit* Edit11 = nullptr;

    // Pages.
    QTabWidget* PageControl1 = nullptr;  // "Special", "Peak- and off peak rates"
    QWidget* TabSheet1 = nullptr;        // "Special"
    QWidget* TabSheet2 = nullptr;        // "Peak- and off peak rates"
    QTabWidget* PageControl2 = nullptr;
    QWidget* TabSheet3 = nullptr;  // "General"
    QWidget* TabSheet4 = nullptr;  // "Tables of rates"
    QWidget* TabSheet5 = nullptr;  // "Indicator"
    QWidget* TabSheet6 = nullptr;  // "Initial charge"

    QPushButton* BitBtn1 = nullptr;  // OK
    QPushButton* BitBtn2 = nullptr;  // Cancel
    QPushButton* BitBtn3 = nullptr;  // Help
    QTimer* Timer1 = nullptr;

  private:
    void BuildControls();
    QWidget* BuildSpecialPage();
    QWidget* BuildGeneralPage();
    QWidget* BuildTablesPage();
    QWidget* BuildIndicatorPage();
    QWidget* BuildInitialPage();
    void SetTexts();
    void FormCreate();
    void BuildDayTabs();
    void PaintDay(int day);
    void SetPageVisible(QWidget* page, bool visible);
    // Writes into every day table the current tab stands for.
    template <typename F>
    void ForTabDays(int slot, F&& change);

    QLineEdit* RateEdit(int k) const;
    QLineEdit* AmountEdit(int k) const;
    QCheckBox* InitialBox(int k) const;
    QToolButton* ColourButton(int k) const;

    std::array<std::array<TRateCell*, 12>, 4> cells_{};
    QButtonGroup* colourGroup_ = nullptr;
    int paintClass_ = 0;
    // The class the last clicked cell had before that click, for the double-click that
    // follows it.
    int previousClass_ = 0;
    TRateCell* previousCell_ = nullptr;
};

}  // namespace vindelor
