// The settings dialog: charge per minute, monthly minimum, currency symbol, average
// connect time, language and the end-of-session summary. Its right-click menu leads to
// the advanced options dialog, the choice of the connection to watch, the budget page and
// the check-rate dialog ("Vindelor refresh").
// Opening and OK also set the running program's values in SessionGlobals().
#pragma once

#include <QDialog>
#include <QPalette>
#include <QString>

class QAction;
class QButtonGroup;
class QCheckBox;
class QContextMenuEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QStatusBar;
class QTimer;
class QToolButton;

namespace vindelor {

// How long the scrolling ticker of the status bar is, in characters.
constexpr int kTickerLength = 120;

class TSettingsDlg : public QDialog {
    Q_OBJECT
  public:
    explicit TSettingsDlg(QWidget* parent = nullptr);
    ~TSettingsDlg() override;

    // Handlers, named after control and event.
    void BitBtn1Click();  // OK
    void BitBtn2Click();  // Cancel
    void BitBtn3Click();  // Help
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void Advanced1Click();
    void Connection1Click();  // which connection to watch
    void Budget1Click();      // "Budget and warnings"
    void DataTariff1Click();  // "Data tariff"
    void Roaming1Click();     // "Roaming"
    void Plans1Click();       // "Plans"
    void Refresh1Click();     // "Vindelor refresh"
    void Timer1Timer();
    void SprakTexter();

    // Text 47 and a blank, padded at the front with blanks to kTickerLength characters,
    // as far as the timer has rotated it.
    QString TickerText() const { return ticker_; }
    // The language offset in force when the dialog opened; Cancel goes back to it.
    int OpeningLanguageOffset() const { return openingOffset_; }

    // Cancel and the window's close button both restore the language.
    void reject() override;

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* Edit1 = nullptr;  // charge per minute
    QLineEdit* Edit2 = nullptr;  // monthly minimum
    QLineEdit* Edit3 = nullptr;  // currency symbol
    QLineEdit* Edit4 = nullptr;  // average connect time
    QCheckBox* CheckBox1 = nullptr;
    QToolButton* SpeedButton1 = nullptr;  // Swedish
    QToolButton* SpeedButton2 = nullptr;  // Finnish
    QToolButton* SpeedButton3 = nullptr;  // English
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QPushButton* BitBtn3 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* Advanced1 = nullptr;
    QAction* Connection1 = nullptr;
    QAction* Budget1 = nullptr;
    QAction* DataTariff1 = nullptr;
    QAction* Roaming1 = nullptr;
    QAction* Plans1 = nullptr;
    QAction* Refresh1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QTimer* Timer1 = nullptr;

  protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void BuildControls();
    void FormCreate();
    void ShowRateTableMode(bool multiple);
    void BuildTicker();

    int openingOffset_ = 0;
    QString ticker_;
    QPalette editPalette_;
    bool showsRateTables_ = false;
    // What each field showed when the dialog opened: OK stores only the fields changed.
    QString shownCharge_;
    QString shownMinimum_;
    QString shownCurrency_;
    QString shownAverage_;
    QButtonGroup* languageGroup_ = nullptr;
};

}  // namespace vindelor
