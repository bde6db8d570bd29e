// The months window: the log's billing months in a table, the cost of the last twelve
// and of each day of the month chosen as bar charts, and where the current month is
// heading. It shows what the main window listed and changes nothing.
#pragma once

#include "shared/billing.h"
#include "shared/logsummary.h"

#include <QDate>
#include <QWidget>

#include <vector>

class QChartView;
class QLabel;
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
    QChartView* DayChart = nullptr;

    const std::vector<MonthSummary>& Months() const { return months_; }
    // The day chart for row `row` of the table.
    void ShowDaysOf(int row);

  private:
    void FillTable();
    void FillMonthChart();
    QString Money(vindelor::Money cost) const;

    std::vector<DatedLogLine> lines_;
    std::vector<MonthSummary> months_;
    int startDay_;
    QString currencyPrefix_;
};

}  // namespace vindelor::brusko
