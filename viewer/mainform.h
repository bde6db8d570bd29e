// The log viewer's window: the session log listed one row per line, its total time and
// cost, deletion of selected rows, copies to the clipboard, and the recount of the cost.
#pragma once

#include "viewer/logstore.h"

#include <QStringList>
#include <QWidget>

class QAction;
class QGroupBox;
class QHeaderView;
class QKeyEvent;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;

namespace vindelor::brusko {

class TForm1 : public QWidget {
    Q_OBJECT

  public:
    explicit TForm1(QWidget* parent = nullptr);

    QGroupBox* GroupBox1 = nullptr;
    QHeaderView* HeaderControl1 = nullptr;
    QListWidget* ListBox1 = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QLabel* Label1 = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* BitBtn5 = nullptr;  // Settings
    QPushButton* BitBtn4 = nullptr;  // About
    QPushButton* BitBtn3 = nullptr;  // Help
    QPushButton* BitBtn2 = nullptr;  // Empty
    QPushButton* BitBtn1 = nullptr;  // Close
    QStringList Memo1;               // the clipboard form of the rows, never shown
    QMenu* PopupMenu1 = nullptr;
    QAction* kopiera1 = nullptr;
    QAction* Kopiera2 = nullptr;
    QAction* Calculate1 = nullptr;
    QAction* Months1 = nullptr;
    QAction* Export1 = nullptr;
    // The plans to list: the default one and every other, the one listed checked.
    QMenu* Plans1 = nullptr;
    // Count, net time and cost of the chosen rows; under the list while two or more are.
    QLabel* Label3 = nullptr;

    void SattSprak();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn4Click();
    void BitBtn5Click();
    void kopiera1Click();
    void Kopiera2Click();
    void Calculate1Click();
    void Months1Click();
    void Export1Click();
    // Lists another plan's log: its files, totals and caption, as a start on it would.
    void ChoosePlan(const QString& name);
    // The export without its file dialog. False when the file could not be written (the
    // user has been told).
    enum class ExportFormat { Xlsx, Csv, Json };
    bool ExportTo(const QString& path, ExportFormat format);

    // What the settings button does once its dialog has closed: language and cost frame.
    void RefreshAfterSettings();

    // Drops the picture of a button whose caption would not fit beside it.
    void FitButtonTexts();

    // Large fonts: wider tab stops and header sections.
    void AdjustForLargeFonts();
    int TabStopDialogUnits() const { return tabStopUnits_; }
    // The tab distance in pixels the list uses for TabStopDialogUnits().
    int TabStopPixels() const;

    QString CurrencyPrefix() const { return currencyPrefix_; }
    // The log lines behind the rows, as listed.
    const QStringList& ListedLines() const { return lines_; }

  protected:
    // Delete removes the chosen rows as the button does, question included.
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void FormCreate();
    // Totals, cost frame, currency and rows of the selected plan; the caption names it.
    void ShowListing(Listing listing);
    void FillPlansMenu();
    void BuildControls();
    void ShowRows(const QStringList& rows);
    QStringList Rows() const;
    QList<int> SelectedRows() const;
    void CopyToClipboard(const QStringList& lines);
    void ShowTotalsNotSaved(const QString& error);
    // A "Vindelor.ny" with lines not in the log was kept at `path`.
    void ShowKept(const QString& path);
    void UpdateSelectionLine();

    QStringList lines_;
    QString currencyPrefix_;
    int tabStopUnits_ = 13;
};

// True when the screen scales fonts beyond the layout's design (large fonts).
bool UsesLargeFonts(const QWidget* widget);

}  // namespace vindelor::brusko
