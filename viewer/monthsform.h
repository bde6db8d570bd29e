// The months window: the log's billing months in a table, the cost of the last twelve
// and of each day of the month chosen as bar charts, and where the current month is
// heading. It shows what the main window listed and changes nothing.
#pragma once

#include "core/billing.h"
#include "core/logsummary.h"

#include <QDate>
#include <QWidget>

#include <vector>

class QChartView;
class QKeyEvent;
class QLabel;
class QPushButton;
class QTableWidget;

namespace vindelor::brusko {

class TMonthsForm : public QWidget {
    Q_OBJECT

  public:
    // `log` as dated from the listed lines; `today` decides the current billing month.
    TMonthsForm(const DatedLog& log, int startDay, const QDate& today,
                const QString& currencyPrefix, QWidget* parent = nullptr);

    QTableWidget* Table = nullptr;
    QLabel* EstimateLabel = nullptr;
    QChartView* MonthChart = nullptr;
    QChartView* VolumeChart = nullptr;  // MB per billing month, beside the cost
    QChartView* DayChart = nullptr;
    QPushButton* CloseButton = nullptr;  // Escape closes too

    const std::vector<MonthSummary>& Months() const { return months_; }
    // The day chart for row `row` of the table.
    void ShowDaysOf(int row);

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void FillTable();
    void FillMonthChart();
    void FillVolumeChart();
    void PlaceOnScreen();
    QString Money(vindelor::Money cost) const;

    std::vector<DatedLogLine> lines_;
    std::vector<MonthSummary> months_;
    int startDay_;
    QString currencyPrefix_;
};

}  // namespace vindelor::brusko
