// The months window: the log's billing months in a table, the cost of the last twelve
// and of each day of the month chosen as bar charts, and where the current month is
// heading. It shows what the main window listed and changes nothing.
#pragma once

#include "core/billing.h"
#include "core/logsummary.h"
#include "viewer/plans.h"

#include <QDate>
#include <QWidget>

#include <cstdint>
#include <vector>

class QChartView;
class QCheckBox;
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
    // Every plan's months at once; there only when there are plans besides the default.
    QCheckBox* AllPlansBox = nullptr;

    const std::vector<MonthSummary>& Months() const { return months_; }
    // The day chart for row `row` of the table.
    void ShowDaysOf(int row);

    // The plan's budget and included volume: what they leave of the month goes under the
    // estimate.
    void ShowWhatIsLeft(vindelor::Money budget, std::uint64_t includedBytes);
    // Every plan's months in one table, a column naming the plan, a total per calendar
    // month, and a bar per plan in the charts; until ShowOwnPlan.
    void ShowPlans(std::vector<PlanLog> plans);
    void ShowOwnPlan();
    bool ShowsAllPlans() const { return allPlans_; }
    const std::vector<PlanMonth>& PlanMonths() const { return planMonths_; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void FillTable();
    void FillMonthChart();
    void FillVolumeChart();
    void FillPlanCharts();
    void FillLabel();
    void ShowPlanDays(int row);
    void PlaceOnScreen();
    QString Money(vindelor::Money cost) const;

    std::vector<DatedLogLine> lines_;
    std::vector<MonthSummary> months_;
    int startDay_;
    QString currencyPrefix_;
    QDate today_;
    QString estimate_;  // the current month's estimate and the undated lines, as made
    PlanLog own_;       // budget and included volume of the plan shown
    bool allPlans_ = false;
    bool widened_ = false;  // by the plan column, once
    std::vector<PlanLog> plans_;
    std::vector<PlanMonth> planMonths_;
};

}  // namespace vindelor::brusko
