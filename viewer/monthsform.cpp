#include "viewer/monthsform.h"

#include "shared/texts.h"
#include "viewer/logexport.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QValueAxis>

#include <algorithm>

namespace vindelor::brusko {
namespace {

constexpr int kChartMonths = 12;

QString Own(int n) {
    return Text(kOwnTextBase + n);
}

QString IsoDate(const QDate& date) {
    return date.toString(Qt::ISODate);
}

// A chart of one bar per category, with a title and a value axis from 0.
void PutBars(QChartView* view, const QString& title, const QStringList& categories,
             const std::vector<double>& values, int labelAngle) {
    auto* set = new QBarSet(title);
    double top = 0;
    for (const double v : values) {
        *set << v;
        top = std::max(top, v);
    }
    auto* series = new QBarSeries;
    series->append(set);
    series->setBarWidth(0.7);

    auto* chart = new QChart;
    chart->addSeries(series);
    chart->setTitle(title);
    chart->legend()->hide();
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setMargins(QMargins(4, 4, 4, 4));

    auto* x = new QBarCategoryAxis;
    x->append(categories);
    x->setLabelsAngle(labelAngle);
    chart->addAxis(x, Qt::AlignBottom);
    series->attachAxis(x);
    auto* y = new QValueAxis;
    y->setRange(0, top > 0 ? top * 1.1 : 1.0);
    y->applyNiceNumbers();
    y->setLabelFormat(QStringLiteral("%.2f"));
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(y);

    QChart* old = view->chart();
    view->setChart(chart);
    delete old;
}

}  // namespace

TMonthsForm::TMonthsForm(const DatedLog& log, int startDay, const QDate& today,
                         const QString& currencyPrefix, QWidget* parent)
    : QWidget(parent, Qt::Window),
      lines_(log.lines),
      months_(SummariseMonths(log.lines, startDay)),
      startDay_(startDay),
      currencyPrefix_(currencyPrefix) {
    setObjectName(QStringLiteral("MonthsForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(Own(kTextMonthsTitle));
    resize(900, 640);

    Table = new QTableWidget(0, 5, this);
    Table->setObjectName(QStringLiteral("MonthsTable"));
    Table->setHorizontalHeaderLabels({Own(kTextMonthColumnStart), Own(kTextMonthColumnSessions),
                                      Own(kTextMonthColumnFailed), Own(kTextMonthColumnNetTime),
                                      Own(kTextMonthColumnCost)});
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->setSelectionMode(QAbstractItemView::SingleSelection);
    Table->verticalHeader()->hide();
    Table->horizontalHeader()->setStretchLastSection(true);
    // Every column shows whole in every language; the chart beside it takes what is left.
    Table->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    Table->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Expanding);

    MonthChart = new QChartView(this);
    MonthChart->setObjectName(QStringLiteral("MonthChart"));
    MonthChart->setRenderHint(QPainter::Antialiasing);
    DayChart = new QChartView(this);
    DayChart->setObjectName(QStringLiteral("DayChart"));
    DayChart->setRenderHint(QPainter::Antialiasing);

    EstimateLabel = new QLabel(this);
    EstimateLabel->setObjectName(QStringLiteral("EstimateLabel"));
    EstimateLabel->setWordWrap(true);
    const MonthEstimate e = EstimateMonth(lines_, today, startDay_);
    QString estimate = Own(kTextEstimate)
                           .arg(IsoDate(e.month.first), IsoDate(e.month.last), Money(e.costSoFar),
                                Money(e.estimate))
                           .arg(e.month.Days());
    if (!log.undated.empty()) {
        estimate += QLatin1Char('\n') + UndatedNotice(log.undated);
    }
    EstimateLabel->setText(estimate);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Table, 0, 0);
    grid->addWidget(MonthChart, 0, 1);
    grid->addWidget(EstimateLabel, 1, 0, 1, 2);
    grid->addWidget(DayChart, 2, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(0, 3);
    grid->setRowStretch(2, 2);

    FillTable();
    FillMonthChart();
    connect(Table, &QTableWidget::currentCellChanged, this,
            [this](int row, int, int, int) { ShowDaysOf(row); });
    // The latest month first: usually the one the user is in.
    if (!months_.empty()) {
        Table->selectRow(static_cast<int>(months_.size()) - 1);
    }
    ShowDaysOf(Table->currentRow());
}

QString TMonthsForm::Money(vindelor::Money cost) const {
    return currencyPrefix_.isEmpty() ? ShownCost(cost)
                                     : currencyPrefix_ + QLatin1Char(' ') + ShownCost(cost);
}

void TMonthsForm::FillTable() {
    Table->setRowCount(static_cast<int>(months_.size()));
    for (int row = 0; row < static_cast<int>(months_.size()); ++row) {
        const MonthSummary& m = months_[static_cast<size_t>(row)];
        const QString cells[5] = {IsoDate(m.month.first), QString::number(m.sessions),
                                  QString::number(m.failedTries), NetTimeText(m.seconds),
                                  ShownCost(m.cost)};
        for (int column = 0; column < 5; ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            if (column > 0) {
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
            Table->setItem(row, column, item);
        }
    }
    Table->resizeColumnsToContents();
}

void TMonthsForm::FillMonthChart() {
    QStringList categories;
    std::vector<double> costs;
    for (const MonthSummary& m : LastMonths(months_, kChartMonths, startDay_)) {
        categories.append(IsoDate(m.month.first));
        costs.push_back(m.cost.Value());
    }
    PutBars(MonthChart, Own(kTextCostPerMonthChart), categories, costs, -90);
}

void TMonthsForm::ShowDaysOf(int row) {
    if (row < 0 || row >= static_cast<int>(months_.size())) {
        PutBars(DayChart, Own(kTextCostPerDayChart).arg(QString(), QString()), {}, {}, 0);
        return;
    }
    const BillingMonth& month = months_[static_cast<size_t>(row)].month;
    QStringList categories;
    std::vector<double> costs;
    for (const DayCost& day : DailyCosts(lines_, month)) {
        categories.append(QString::number(day.date.day()));
        costs.push_back(day.cost.Value());
    }
    PutBars(DayChart, Own(kTextCostPerDayChart).arg(IsoDate(month.first), IsoDate(month.last)),
            categories, costs, 0);
}

}  // namespace vindelor::brusko
